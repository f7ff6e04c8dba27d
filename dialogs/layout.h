// Layout arithmetic of the program's dialogs: plain functions from measured text sizes to
// positions, so that the numbers can be checked without a window system.
#pragma once

#include <vector>

// Integer a * b / c rounded half away from zero, as the platform's MulDiv does; -1 for c == 0.
int MulDivRounded(int a, int b, int c);

// Dialog units of a font: a horizontal unit is a quarter of the average character width, a
// vertical unit an eighth of the character height.
struct DialogUnits {
    int averageCharWidth = 0;
    int charHeight = 0;

    int X(int units) const { return MulDivRounded(units, averageCharWidth, 4); }
    int Y(int units) const { return MulDivRounded(units, charHeight, 8); }
};

// The average character width as the framework measures it: the extent of the 52 letters
// "A".."Z", "a".."z" divided by 52.
int AverageCharWidth(int extentOfAlphabet);

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

// The skinned message dialog.
struct MessageLayoutInput {
    int labelWidth = 0;  // the text's extent, one line per line of the text
    int labelHeight = 0;
    bool hasIcon = true;
    int buttonCount = 0;
    int buttonHeight = 0;   // 0 or less: the skin has no button, 25 pixels
    int frameMinWidth = 0;  // 0: the skin's frame sets no limit
    int frameMaxWidth = 0;
};

struct MessageLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    Rect label;
    Rect icon;  // empty when there is no icon
    std::vector<Rect> buttons;
};

MessageLayout LayoutMessageDialog(const MessageLayoutInput& in);

// The input dialog and the progress dialog share their frame: a 180-unit client with a label at
// 8, 8 units, one 164-unit control 5 pixels below it and buttons 15 pixels below that.
struct InputLayoutInput {
    DialogUnits units;
    int labelWidth = 0;  // the prompt's extent; the label is at most 164 units wide
    int labelHeight = 0;
    int editHeight = 0;
};

struct InputLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    Rect label;
    Rect edit;
    Rect ok;
    Rect cancel;
};

InputLayout LayoutInputDialog(const InputLayoutInput& in);

struct ProgressLayoutInput {
    DialogUnits units;
    int labelWidth = 0;
    int labelHeight = 0;
    int gaugeHeight = 0;
};

struct ProgressLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    Rect label;
    Rect gauge;
    Rect cancel;
};

ProgressLayout LayoutProgressDialog(const ProgressLayoutInput& in);

// The framework's plain message: text at the margins, one button centred below it.
struct PlainLayoutInput {
    DialogUnits units;
    int textWidth = 0;
    int textHeight = 0;
    int buttonTextWidth = 0;
};

struct PlainLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    Rect text;
    Rect button;
};

PlainLayout LayoutPlainMessage(const PlainLayoutInput& in);

// The open-file dialog, laid out for any client size the user gives it.
struct OpenLayout {
    Rect lookInLabel, folderBox;
    Rect toolButtons[4];
    Rect fileList;
    Rect nameLabel, nameField, openButton;
    Rect typeLabel, typeBox, cancelButton;
};

OpenLayout LayoutOpenDialog(int clientWidth, int clientHeight, int rowHeight);
