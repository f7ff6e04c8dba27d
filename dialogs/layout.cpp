#include "dialogs/layout.h"

#include <algorithm>
#include <cstdint>

int MulDivRounded(int a, int b, int c) {
    if (c == 0) return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    bool negative = (product < 0) != (c < 0);
    int64_t num = product < 0 ? -product : product;
    int64_t den = c < 0 ? -static_cast<int64_t>(c) : c;
    int64_t q = (num + den / 2) / den;
    return static_cast<int>(negative ? -q : q);
}

int AverageCharWidth(int extentOfAlphabet) {
    return extentOfAlphabet / 52;
}

namespace {

constexpr int kMessageButtonWidth = 70;
constexpr int kMessageButtonGap = 10;
constexpr int kMessageDefaultButtonHeight = 25;
constexpr int kIconSize = 32;

}  // namespace

MessageLayout LayoutMessageDialog(const MessageLayoutInput& in) {
    MessageLayout out;
    out.label = {50, 15, in.labelWidth, in.labelHeight};
    if (in.hasIcon) {
        int top = std::max(out.label.top + out.label.height / 2 - 16, 10);
        out.icon = {5, top, kIconSize, kIconSize};
    }

    int buttonHeight = in.buttonHeight > 0 ? in.buttonHeight : kMessageDefaultButtonHeight;
    int n = std::max(in.buttonCount, 0);
    int rowWidth = n > 0 ? n * kMessageButtonWidth + (n - 1) * kMessageButtonGap : 0;

    out.clientHeight = buttonHeight + in.labelHeight + 50;
    int width = std::max(out.label.right(), rowWidth) + 40;
    if (in.frameMinWidth > 0) width = std::max(width, in.frameMinWidth);
    if (in.frameMaxWidth > 0) width = std::min(width, in.frameMaxWidth);
    out.clientWidth = width;

    int x = (out.clientWidth - rowWidth) / 2;
    int top = out.clientHeight - buttonHeight - 10;
    for (int i = 0; i < n; ++i) {
        out.buttons.push_back({x, top, kMessageButtonWidth, buttonHeight});
        x += kMessageButtonWidth + kMessageButtonGap;
    }
    return out;
}

InputLayout LayoutInputDialog(const InputLayoutInput& in) {
    const DialogUnits& u = in.units;
    InputLayout out;
    out.clientWidth = u.X(180);
    out.label = {u.X(8), u.Y(8), std::min(in.labelWidth, u.X(164)), in.labelHeight};
    out.edit = {out.label.left, out.label.bottom() + 5, u.X(164), in.editHeight};
    int buttonTop = out.edit.bottom() + 15;
    int buttonWidth = u.X(50), buttonHeight = u.Y(14);
    out.ok = {u.X(38), buttonTop, buttonWidth, buttonHeight};
    out.cancel = {u.X(92), buttonTop, buttonWidth, buttonHeight};
    out.clientHeight = out.cancel.bottom() + 13;
    return out;
}

ProgressLayout LayoutProgressDialog(const ProgressLayoutInput& in) {
    const DialogUnits& u = in.units;
    ProgressLayout out;
    out.clientWidth = u.X(180);
    out.label = {u.X(8), u.Y(8), std::min(in.labelWidth, u.X(164)), in.labelHeight};
    out.gauge = {out.label.left, out.label.bottom() + 5, u.X(164), in.gaugeHeight};
    int buttonWidth = u.X(50);
    out.cancel = {out.gauge.right() - buttonWidth, out.gauge.bottom() + 15, buttonWidth, u.Y(14)};
    out.clientHeight = out.cancel.bottom() + 13;
    return out;
}

PlainLayout LayoutPlainMessage(const PlainLayoutInput& in) {
    const DialogUnits& u = in.units;
    int marginX = u.X(8), marginY = u.Y(8), spacing = u.Y(10);
    int buttonWidth = std::max(u.X(50), in.buttonTextWidth + 8);
    int buttonHeight = u.Y(14);
    PlainLayout out;
    out.clientWidth = std::max(in.textWidth, buttonWidth) + 2 * marginX;
    out.clientHeight = in.textHeight + spacing + buttonHeight + 2 * marginY;
    out.text = {marginX, marginY, in.textWidth, in.textHeight};
    out.button = {(out.clientWidth - buttonWidth) / 2, marginY + in.textHeight + spacing,
                  buttonWidth, buttonHeight};
    return out;
}

OpenLayout LayoutOpenDialog(int clientWidth, int clientHeight, int rowHeight) {
    constexpr int kMargin = 8, kLabelWidth = 70, kButtonWidth = 80, kGap = 6, kToolGap = 4;
    auto nonNegative = [](int v) { return std::max(v, 0); };
    OpenLayout out;
    int fieldLeft = kMargin + kLabelWidth;
    int toolRow = 4 * (rowHeight + kToolGap);

    out.lookInLabel = {kMargin, kMargin + 3, kLabelWidth, rowHeight - 3};
    out.folderBox = {fieldLeft, kMargin, nonNegative(clientWidth - fieldLeft - kMargin - toolRow),
                     rowHeight};
    for (int i = 0; i < 4; ++i)
        out.toolButtons[i] = {out.folderBox.right() + kToolGap + i * (rowHeight + kToolGap),
                              kMargin, rowHeight, rowHeight};

    int typeTop = clientHeight - kMargin - rowHeight;
    int nameTop = typeTop - kGap - rowHeight;
    int fieldWidth = nonNegative(clientWidth - fieldLeft - 2 * kMargin - kButtonWidth);
    int buttonLeft = clientWidth - kMargin - kButtonWidth;
    out.nameLabel = {kMargin, nameTop + 3, kLabelWidth, rowHeight - 3};
    out.nameField = {fieldLeft, nameTop, fieldWidth, rowHeight};
    out.openButton = {buttonLeft, nameTop, kButtonWidth, rowHeight};
    out.typeLabel = {kMargin, typeTop + 3, kLabelWidth, rowHeight - 3};
    out.typeBox = {fieldLeft, typeTop, fieldWidth, rowHeight};
    out.cancelButton = {buttonLeft, typeTop, kButtonWidth, rowHeight};

    int listTop = kMargin + rowHeight + kGap;
    out.fileList = {kMargin, listTop, nonNegative(clientWidth - 2 * kMargin),
                    nonNegative(nameTop - kGap - listTop)};
    return out;
}
