#!/usr/bin/env python3
"""Writes serumLevelAnalysis.ui, the dose-history window's form, beside this script.

The form repeats one dose row 20 times and one level row 12 times; each row is described once
here, so the rows cannot drift apart. Run it after changing a row and commit both files:
    python3 forms/make_serum_level_form.py
"""

import os
import xml.etree.ElementTree as ET

DOSE_ROWS = 20
LEVEL_ROWS = 12
LEVEL_BLOCK = 6  # level rows per column block
LEVEL_PITCH = 30
LEVEL_TOP = 40
# A level field holds the largest level the window takes ("1000000") whole at 10 pt; the row's
# delete button and check mark follow it.
LEVEL_W = 69
LEVEL_X = 190
DELETE_X = LEVEL_X + LEVEL_W + 9
CHECK_X = DELETE_X + 30
LEVEL_BLOCK_DX = CHECK_X + 30  # the right block of level rows beside the left one

# Date and time fields take a typed entry whole (platform/TypedDateTimeEdit.h); they stay date and
# time edits, promoted in Designer.
DATE_EDIT = "TypedDateEdit"
TIME_EDIT = "TypedTimeEdit"
PROMOTED = [(DATE_EDIT, "QDateEdit"), (TIME_EDIT, "QTimeEdit")]
PROMOTED_HEADER = "platform/TypedDateTimeEdit.h"

# Widths of the dose grid's cells, shared by the header and the rows so that the columns line up;
# each holds its header text and its cell's text whole at a 9 pt and a 10 pt desktop font (the whole date, the
# dose header of every unit, the two-line headers, the in/out letters), and a number cell the
# largest value the row takes as the window shows it: a dose of "10000000.0", "10000.0" hours,
# 1000 doses.
NUMBER_W = 33
DATE_W = 108
TIME_W = 53
DOSE_W = 92
HOURS_W = 65  # infusion time, interval
COUNT_W = 59  # number of doses
INOUT_W = 42
# Wide enough for a salt factor ("0.92") and an F ("87.5%") inside the label's frame.
SALT_W = 44
F_W = 53
# The dose grid and the window around it. The route boxes take what the cells leave of the grid:
# enough at 10 pt for the middle-elided routes of every drug to differ.
SHEET_W = 907
SCROLL_W = SHEET_W + 20
DIALOG_W = SHEET_W + 60

# One column of the dose grid: stretch, header label, its width, header text, row cell.
HEADER = [
    (NUMBER_W, "label_row_number", NUMBER_W, ""),
    (61, "label_type", 61, ""),
    (DATE_W, "label_date", DATE_W, "Date"),
    (TIME_W, "label_time", TIME_W, "Time"),
    (DOSE_W, "label_dose", DOSE_W, "Dose(mg)"),
    (210, "label_route", None, "Route"),
    (HOURS_W, "label_infusion_time", HOURS_W, "Infusion \ntime(hr)"),
    (HOURS_W, "label_interval", HOURS_W, "Interval\n(hr)"),
    (COUNT_W, "label_number_of_doese", COUNT_W, "Number\nof doses"),
    (INOUT_W, "label_ipop", INOUT_W, "IP/OP"),
    (SALT_W, "label_salt", SALT_W, "Salt"),
    (F_W, "label_f", F_W, "F"),
    (28, "label_19", 28, ""),
    (28, "label_20", 28, ""),
]
STRETCH = ",".join(str(c[0]) for c in HEADER) + ",16"


def prop(parent, name, kind, value=None, **attrs):
    p = ET.SubElement(parent, "property", name=name)
    e = ET.SubElement(p, kind, **attrs)
    if value is not None:
        e.text = str(value)
    return e


def string(parent, name, text, notr=False):
    return prop(parent, name, "string", text, **({"notr": "true"} if notr else {}))


def size(parent, name, w, h):
    s = prop(parent, name, "size")
    ET.SubElement(s, "width").text = str(w)
    ET.SubElement(s, "height").text = str(h)


def rect(parent, x, y, w, h):
    r = prop(parent, "geometry", "rect")
    for tag, v in (("x", x), ("y", y), ("width", w), ("height", h)):
        ET.SubElement(r, tag).text = str(v)


def policy(parent, horizontal, vertical):
    s = prop(parent, "sizePolicy", "sizepolicy", hsizetype=horizontal, vsizetype=vertical)
    ET.SubElement(s, "horstretch").text = "0"
    ET.SubElement(s, "verstretch").text = "0"


def fixed_width(parent, w, min_height=0):
    size(parent, "minimumSize", w, min_height)
    size(parent, "maximumSize", w, 16777215)


def fixed(parent, w, h):
    size(parent, "minimumSize", w, h)
    size(parent, "maximumSize", w, h)


def icon(parent, name, path):
    normal = ET.SubElement(prop(parent, name, "iconset"), "normaloff")
    normal.text = path
    normal.tail = path


def pixmap(parent, path):
    prop(parent, "pixmap", "pixmap", path)
    prop(parent, "scaledContents", "bool", "true")


def bold(parent):
    f = prop(parent, "font", "font")
    ET.SubElement(f, "weight").text = "75"
    ET.SubElement(f, "bold").text = "true"


def boxed(parent):
    prop(parent, "frameShape", "enum", "QFrame::Box")
    prop(parent, "frameShadow", "enum", "QFrame::Raised")


def widget(parent, cls, name):
    return ET.SubElement(parent, "widget", {"class": cls, "name": name})


def layout(parent, cls, name, spacing=None, margins=None, stretch=None):
    lay = ET.SubElement(parent, "layout", {"class": cls, "name": name})
    if stretch:
        lay.set("stretch", stretch)
    if spacing is not None:
        prop(lay, "spacing", "number", spacing)
    if margins is not None:
        for side, v in zip(("left", "top", "right", "bottom"), margins):
            prop(lay, side + "Margin", "number", v)
    return lay


def item(lay, cls, name):
    return widget(ET.SubElement(lay, "item"), cls, name)


def date_edit(w):
    prop(w, "focusPolicy", "enum", "Qt::WheelFocus")
    prop(w, "currentSection", "enum", "QDateTimeEdit::MonthSection")
    string(w, "displayFormat", "MM/dd/yyyy")
    prop(w, "calendarPopup", "bool", "true")


def time_edit(w):
    prop(w, "buttonSymbols", "enum", "QAbstractSpinBox::NoButtons")
    string(w, "displayFormat", "hh:mm")


def number_edit(w):
    prop(w, "alignment", "set", "Qt::AlignCenter")
    prop(w, "inputMethodHints", "set", "Qt::ImhFormattedNumbersOnly")


def combo_items(w, *texts):
    for t in texts:
        string(ET.SubElement(w, "item"), "text", t)


def row_number_label(n):
    return "label_%d" % (12 + n if n <= 6 else 20 + n)


def dose_row(parent_layout, n):
    row = item(parent_layout, "QWidget", "DH_row_%d" % n)
    if n in (2, 3):
        prop(row, "enabled", "bool", "true")
    lay = layout(row, "QHBoxLayout", "horizontalLayout_%d" % (24 if n == 1 else n), 2,
                 (1, 1, 1, 1), STRETCH)

    w = item(lay, "QLabel", row_number_label(n))
    fixed_width(w, NUMBER_W)
    bold(w)
    boxed(w)
    string(w, "text", "%02d" % n)

    w = item(lay, "QComboBox", "DH_type_%d" % n)
    policy(w, "Maximum", "Fixed")
    size(w, "maximumSize", 61, 16777215)
    combo_items(w, "Dose")

    w = item(lay, DATE_EDIT, "DH_date_%d" % n)
    policy(w, "Maximum", "Fixed")
    fixed_width(w, DATE_W, 20)
    date_edit(w)

    w = item(lay, TIME_EDIT, "DH_time_%d" % n)
    policy(w, "Maximum", "Fixed")
    fixed_width(w, TIME_W, 0 if n == 1 else 20)
    time_edit(w)
    prop(w, "alignment", "set", "Qt::AlignCenter")
    prop(w, "calendarPopup", "bool", "true")

    for field in ("dose", "route", "infusiontime", "interval", "numofdose"):
        if field == "route":
            w = item(lay, "QComboBox", "DH_route_%d" % n)
            policy(w, "Minimum", "Fixed")
            prop(w, "sizeAdjustPolicy", "enum", "QComboBox::AdjustToContentsOnFirstShow")
            continue
        w = item(lay, "QLineEdit", "DH_%s_%d" % (field, n))
        policy(w, "Preferred", "Fixed")
        fixed_width(w, {"dose": DOSE_W, "numofdose": COUNT_W}.get(field, HOURS_W))
        number_edit(w)

    w = item(lay, "QComboBox", "DH_iopatient_%d" % n)
    policy(w, "Maximum", "Fixed")
    fixed_width(w, INOUT_W)
    combo_items(w, "I", "O")

    for field, width in (("salt", SALT_W), ("f", F_W)):
        w = item(lay, "QLabel", "DH_%s_%d" % (field, n))
        fixed_width(w, width, 22)
        boxed(w)

    for field, path in (("copy", ":/image/copy.png"), ("delete", ":/image/delete.png")):
        w = item(lay, "QPushButton", "DH_%s_%d" % (field, n))
        policy(w, "Maximum", "Fixed")
        fixed_width(w, 28)
        icon(w, "icon", path)
        if n == 1:
            prop(w, "autoDefault", "bool", "false")

    w = item(lay, "QLabel", "DH_check_%d" % n)
    fixed(w, 16, 16)
    pixmap(w, ":/image/empty.png")


def header_row(parent_layout):
    title = item(parent_layout, "QWidget", "widget_title")
    lay = layout(title, "QHBoxLayout", "horizontalLayout_21", 2, (1, 0, 1, 0), STRETCH)
    for _, name, width, text in HEADER:
        w = item(lay, "QLabel", name)
        if width is not None:
            fixed_width(w, width, 10 if name in ("label_infusion_time", "label_interval") else 0)
        if name == "label_row_number":
            bold(w)
        string(w, "text", text)
        prop(w, "alignment", "set", "Qt::AlignCenter")
    w = item(lay, "QLabel", "DH_check_21")
    fixed(w, 16, 16)
    pixmap(w, ":/image/empty.png")


def level_y(k):
    return LEVEL_TOP + LEVEL_PITCH * ((k - 1) % LEVEL_BLOCK)


def level_grid(box):
    left = range(1, LEVEL_BLOCK)
    right = range(LEVEL_BLOCK + 1, LEVEL_ROWS + 1)
    columns = [
        ("date", DATE_EDIT, DATE_W, 20, date_edit),
        ("time", TIME_EDIT, TIME_W, 20, time_edit),
        ("level", "QLineEdit", LEVEL_W, 20,
         lambda w: prop(w, "inputMethodHints", "set", "Qt::ImhFormattedNumbersOnly")),
    ]
    groups = [("group_date_slh", 20, DATE_W, "date"), ("group_time_slh", 130, TIME_W, "time"),
              ("group_level", LEVEL_X, LEVEL_W, "level")]
    for block, rows, dx, height in (("", left, 0, 171), ("_2", right, LEVEL_BLOCK_DX, 191)):
        for name, x, w, field in groups:
            g = widget(box, "QGroupBox", name + block)
            rect(g, x + dx, 20, w, height)
            if field == "level":
                prop(g, "focusPolicy", "enum", "Qt::NoFocus")
            sep = "\n" if name + block == "group_time_slh_2" else ""
            string(g, "styleSheet", "#%s%s{\nborder:0px;\n}" % (name + block, sep))
            string(g, "title", field.capitalize())
            prop(g, "alignment", "set", "Qt::AlignCenter")
            _, cls, cw, ch, setup = next(c for c in columns if c[0] == field)
            for pos, k in enumerate(rows):
                e = widget(g, cls, "SLH_%s_%d" % (field, k))
                rect(e, 0, 20 + LEVEL_PITCH * pos, cw, ch)
                setup(e)
    for field, x, cls, cw, ch, setup in (("date", 20, DATE_EDIT, DATE_W, 20, date_edit),
                                         ("time", 130, TIME_EDIT, TIME_W, 20, time_edit),
                                         ("level", LEVEL_X, "QLineEdit", LEVEL_W, 20, None)):
        e = widget(box, cls, "SLH_%s_%d" % (field, LEVEL_BLOCK))
        rect(e, x, level_y(LEVEL_BLOCK), cw, ch)
        if setup:
            setup(e)
        else:
            prop(e, "inputMethodHints", "set", "Qt::ImhFormattedNumbersOnly")
    for k in range(1, LEVEL_ROWS + 1):
        right_block = k > LEVEL_BLOCK
        label = widget(box, "QLabel", "label" if k == 1 else "label_%d" % k)
        rect(label, (5 if k <= 9 else 2) + (LEVEL_BLOCK_DX if right_block else 0), level_y(k), 18,
             17)
        string(label, "text", str(k))
        check = widget(box, "QLabel", "SLH_check_%d" % k)
        rect(check, CHECK_X + (LEVEL_BLOCK_DX if right_block else 0), level_y(k), 16, 16)
        prop(check, "frameShape", "enum", "QFrame::NoFrame")
        pixmap(check, ":/image/empty.png")
        button = widget(box, "QPushButton", "SLH_delete_%d" % k)
        rect(button, DELETE_X + (LEVEL_BLOCK_DX if right_block else 0), level_y(k), 28, 22)
        policy(button, "Maximum", "Fixed")
        icon(button, "icon", ":/image/delete.png")
        prop(button, "autoDefault", "bool", "false")


def button_area(box):
    group = widget(box, "QGroupBox", "groupBox")
    rect(group, 8, 10, 241, 120)
    string(group, "title", "")
    label = widget(group, "QLabel", "label_43")
    rect(label, 10, 6, 221, 54)
    string(label, "text", "Choose Prior PK Parameter Values for the \ncurve Fitting routine")
    prop(label, "wordWrap", "bool", "true")
    for name, y, text, checked in (("radioButton_pop", 62, "Use Population PK", True),
                                   ("radioButton_custom", 88, "Use Custom PK", False)):
        radio = widget(group, "QRadioButton", name)
        rect(radio, 10, y, 221, 23)
        string(radio, "text", text)
        prop(radio, "checked", "bool", "true" if checked else "false")
        a = ET.SubElement(radio, "attribute", name="buttonGroup")
        ET.SubElement(a, "string", notr="true").text = "buttonGroup"
    analysis = widget(box, "QPushButton", "button_analysis")
    rect(analysis, 10, 140, 91, 31)
    string(analysis, "text", "Analysis")
    sort = widget(box, "QPushButton", "button_sort")
    rect(sort, 10, 180, 91, 31)
    string(sort, "toolTip", "Sort all completed rows by date")
    string(sort, "text", "Sort")


def tab_order():
    order = []
    for n in range(1, DOSE_ROWS + 1):
        order += ["DH_%s_%d" % (f, n) for f in ("type", "date", "time", "dose", "route",
                                                "infusiontime", "interval", "numofdose",
                                                "iopatient")]
    for k in range(1, LEVEL_ROWS + 1):
        order += ["SLH_%s_%d" % (f, k) for f in ("date", "time", "level")]
    order += ["radioButton_pop", "radioButton_custom", "button_analysis", "button_sort"]
    for n in range(1, DOSE_ROWS + 1):
        order += ["DH_copy_%d" % n, "DH_delete_%d" % n]
    order += ["SLH_delete_%d" % k for k in range(1, LEVEL_ROWS + 1)]
    return order + ["scrollArea"]


def form():
    ui = ET.Element("ui", version="4.0")
    ET.SubElement(ui, "class").text = "serumLevelAnalysis"
    dialog = widget(ui, "QDialog", "serumLevelAnalysis")
    rect(dialog, 0, 0, DIALOG_W, 675)
    fixed(dialog, DIALOG_W, 675)
    string(dialog, "windowTitle", "Dialog")
    icon(dialog, "windowIcon", ":/image/redCross.ico")
    top = layout(dialog, "QVBoxLayout", "verticalLayout_3")

    history = item(top, "QGroupBox", "groupBox_DH")
    string(history, "title", "Dosage History")
    prop(history, "alignment", "set", "Qt::AlignCenter")
    inner = layout(history, "QVBoxLayout", "verticalLayout_4", 0, (0, 0, 0, 0), "22")
    scroll = item(inner, "QScrollArea", "scrollArea")
    size(scroll, "minimumSize", SCROLL_W, 330)
    prop(scroll, "verticalScrollBarPolicy", "enum", "Qt::ScrollBarAlwaysOn")
    prop(scroll, "horizontalScrollBarPolicy", "enum", "Qt::ScrollBarAlwaysOff")
    prop(scroll, "widgetResizable", "bool", "true")
    contents = widget(scroll, "QWidget", "scrollAreaWidgetContents")
    sheet = item(layout(contents, "QVBoxLayout", "verticalLayout_2"), "QGroupBox", "sheet_area")
    fixed(sheet, SHEET_W, 620)
    string(sheet, "title", "")
    rows = layout(sheet, "QVBoxLayout", "verticalLayout", 1, (6, 4, 6, 4))
    header_row(rows)
    for n in range(1, DOSE_ROWS + 1):
        dose_row(rows, n)

    bottom = item(top, "QWidget", "widget")
    size(bottom, "minimumSize", 0, 230)
    size(bottom, "maximumSize", 16777215, 230)
    strip = layout(bottom, "QHBoxLayout", "horizontalLayout", stretch="12,5")
    levels = item(strip, "QGroupBox", "groupBox_2")
    string(levels, "title", "Serum Level History")
    prop(levels, "alignment", "set", "Qt::AlignCenter")
    level_grid(levels)
    buttons = item(strip, "QGroupBox", "groupBox_buttonArea")
    policy(buttons, "Preferred", "Preferred")
    string(buttons, "title", "")
    button_area(buttons)

    custom = ET.SubElement(ui, "customwidgets")
    for cls, base in PROMOTED:
        c = ET.SubElement(custom, "customwidget")
        ET.SubElement(c, "class").text = cls
        ET.SubElement(c, "extends").text = base
        ET.SubElement(c, "header").text = PROMOTED_HEADER
    ET.SubElement(ui, "resources")
    ET.SubElement(ui, "connections")
    stops = ET.SubElement(ui, "tabstops")
    for name in tab_order():
        ET.SubElement(stops, "tabstop").text = name
    groups = ET.SubElement(ui, "buttongroups")
    ET.SubElement(groups, "buttongroup", name="buttonGroup")
    # uic wants the tab stops before the resources and connections.
    ui.remove(stops)
    ui.insert(list(ui).index(ui.find("resources")), stops)
    return ui


def main():
    tree = ET.ElementTree(form())
    ET.indent(tree, " ")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "serumLevelAnalysis.ui")
    tree.write(path, encoding="UTF-8", xml_declaration=True)
    with open(path, "a", encoding="utf-8") as f:
        f.write("\n")


if __name__ == "__main__":
    main()
