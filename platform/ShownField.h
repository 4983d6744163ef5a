#pragma once

class QLineEdit;
class QString;

// A field the program fills with a value it holds more precisely than the text shows (a figure
// rounded to two decimals, a range scaled for display). Whether the user left it as the program
// showed it: it still reads `shown`, and nothing typed, pasted or dropped into it has changed it
// since the program set its text (an edit undone back to that text counts as none). Such a field
// is no entry: it stands for the value behind it at full precision, which reading the text back
// would round.
bool leftAsShown(const QLineEdit* field, const QString& shown);
