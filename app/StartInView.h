#pragma once

class QLineEdit;

// Keeps a field of a name, an identifier or a figure showing its first character whenever the
// user is not in it: a text the program sets, or one the user leaves, shows from its beginning
// however long it is, and the field's tooltip holds it whole. Clicking into the field lets the user
// scroll through it.
void keepStartInView(QLineEdit* field);
