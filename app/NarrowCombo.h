#pragma once

class QComboBox;

// Keeps a combo box of long item texts (route and product names) from widening its window: the
// box takes the width of `characters` characters whatever its items, its list opens wide enough
// for the longest item, and its tooltip shows the chosen text whole. A chosen text wider than the
// box shows elided in the middle, keeping the beginning and the end that tell routes apart
// ("Oral - Tablets (Theo - dur 100 mg)" beside "Oral - Tablets (Theo - dur 200,300 mg)").
void keepComboNarrow(QComboBox* combo, int characters);
