#pragma once

class QComboBox;

// Keeps a combo box of long item texts (route and product names) from widening its window: the
// box takes the width of `characters` characters whatever its items, its list opens wide enough
// for the longest item, and its tooltip shows the chosen text whole.
void keepComboNarrow(QComboBox* combo, int characters);
