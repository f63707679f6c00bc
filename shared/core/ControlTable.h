// How the programs describe a window's controls: kind, caption, position in twips, tab order.
// Windows are built from tables of these, and tests read the same tables.
#pragma once

namespace pellucor {

enum class ControlKind {
    CheckBox,
    Label,          // left-aligned text
    PlainLabel,     // left-aligned text in which "&" is shown, not taken as a mnemonic
    RightLabel,     // right-aligned text
    CentredLabel,   // centred text
    TextBox,        // one line, editable
    MaskedTextBox,  // one line, shown as "*"
    MultiLineText,  // several lines, editable, vertical scroll bar
    ReadOnlyText,   // several lines, read-only, vertical scroll bar
    Button,
    DropDownCombo,  // an editable box with a drop-down list
};

struct ControlSpec {
    int id;
    const char* name;
    ControlKind kind;
    const char* caption;
    int left, top, width, height;  // twips
    int tabIndex;                  // -1: not a tab stop
    bool visible = true;           // false: hidden until the window shows it
};

}  // namespace pellucor
