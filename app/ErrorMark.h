#pragma once

class QWidget;

// A field whose entry was refused shows on a red background; false clears the mark.
void setErrorMark(QWidget* field, bool marked);
