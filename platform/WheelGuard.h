#pragma once

class QWidget;

// The wheel changes a spin box, a date or time field or a combo box only while that field holds
// the keyboard focus. Over any other such field it scrolls what holds the field, so a list of
// rows scrolls past the pointer without a value changing on the way; nor does the wheel give such
// a field the focus. Covers the fields below `form` when called; a form that adds fields later
// calls it again.
void guardWheel(QWidget* form);
