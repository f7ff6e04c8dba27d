#include "dialogs/layout.h"

#include <gtest/gtest.h>

namespace {

// A font whose 52 letters measure 364 pixels and whose lines are 14 pixels high, as "宋体" at
// 14 pixels does: 7 x 14 dialog units, where several products land on a half and must round up.
const DialogUnits kUnits{AverageCharWidth(364), 14};

TEST(DialogUnitsTest, ConvertWithThePlatformsRounding) {
    EXPECT_EQ(kUnits.averageCharWidth, 7);
    EXPECT_EQ(AverageCharWidth(415), 7);  // the framework truncates the average
    EXPECT_EQ(kUnits.X(180), 315);
    EXPECT_EQ(kUnits.X(38), 67);  // 66.5
    EXPECT_EQ(kUnits.X(50), 88);  // 87.5
    EXPECT_EQ(kUnits.Y(8), 14);
    EXPECT_EQ(kUnits.Y(14), 25);  // 24.5
    EXPECT_EQ(MulDivRounded(-7, 3, 2), -11);
    EXPECT_EQ(MulDivRounded(7, -3, -2), 11);
    EXPECT_EQ(MulDivRounded(5, 5, 0), -1);
    EXPECT_EQ(MulDivRounded(1 << 20, 1 << 20, 1 << 20), 1 << 20);  // no overflow in between
}

TEST(MessageLayoutTest, TwoButtonsUnderAShortLine) {
    MessageLayoutInput in;
    in.labelWidth = 200;
    in.labelHeight = 14;
    in.buttonCount = 2;
    MessageLayout out = LayoutMessageDialog(in);
    EXPECT_EQ(out.label, (Rect{50, 15, 200, 14}));
    // Half the label height minus 16 would put the icon at 6; it never goes above 10.
    EXPECT_EQ(out.icon, (Rect{5, 10, 32, 32}));
    EXPECT_EQ(out.clientWidth, 290);  // label right 250 + 40
    EXPECT_EQ(out.clientHeight, 89);  // 25 + 14 + 50
    ASSERT_EQ(out.buttons.size(), 2u);
    EXPECT_EQ(out.buttons[0], (Rect{70, 54, 70, 25}));
    EXPECT_EQ(out.buttons[1], (Rect{150, 54, 70, 25}));
}

TEST(MessageLayoutTest, ButtonRowWiderThanTheText) {
    MessageLayoutInput in;
    in.labelWidth = 20;
    in.labelHeight = 42;  // three lines
    in.buttonCount = 4;
    MessageLayout out = LayoutMessageDialog(in);
    EXPECT_EQ(out.icon.top, 20);      // 15 + 21 - 16
    EXPECT_EQ(out.clientWidth, 350);  // row 4 * 70 + 3 * 10 = 310, + 40
    EXPECT_EQ(out.clientHeight, 117);
    ASSERT_EQ(out.buttons.size(), 4u);
    int lefts[] = {20, 100, 180, 260};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out.buttons[i].left, lefts[i]);
        EXPECT_EQ(out.buttons[i].top, 82);
    }
}

TEST(MessageLayoutTest, OddWidthsSkinButtonsAndNoIcon) {
    MessageLayoutInput in;
    in.labelWidth = 101;
    in.labelHeight = 14;
    in.hasIcon = false;
    in.buttonCount = 1;
    in.buttonHeight = 30;
    MessageLayout out = LayoutMessageDialog(in);
    EXPECT_EQ(out.icon, Rect{});
    EXPECT_EQ(out.clientWidth, 191);
    EXPECT_EQ(out.clientHeight, 94);
    EXPECT_EQ(out.buttons[0], (Rect{60, 54, 70, 30}));  // (191 - 70) / 2 truncates
}

TEST(MessageLayoutTest, NoButtonsAndTheFramesLimits) {
    MessageLayoutInput in;
    in.labelWidth = 100;
    in.labelHeight = 14;
    MessageLayout bare = LayoutMessageDialog(in);
    EXPECT_TRUE(bare.buttons.empty());
    EXPECT_EQ(bare.clientWidth, 190);

    in.frameMinWidth = 400;
    EXPECT_EQ(LayoutMessageDialog(in).clientWidth, 400);
    in.frameMinWidth = 0;
    in.frameMaxWidth = 150;
    in.buttonCount = 1;
    MessageLayout narrow = LayoutMessageDialog(in);
    EXPECT_EQ(narrow.clientWidth, 150);
    EXPECT_EQ(narrow.buttons[0].left, 40);  // still centred in the limited width
}

TEST(InputLayoutTest, DialogUnitsFromTheFont) {
    InputLayoutInput in;
    in.units = kUnits;
    in.labelWidth = 120;
    in.labelHeight = 14;
    in.editHeight = 22;
    InputLayout out = LayoutInputDialog(in);
    EXPECT_EQ(out.clientWidth, 315);
    EXPECT_EQ(out.label, (Rect{14, 14, 120, 14}));
    EXPECT_EQ(out.edit, (Rect{14, 33, 287, 22}));  // 5 pixels below the label
    EXPECT_EQ(out.ok, (Rect{67, 70, 88, 25}));     // 15 pixels below the field
    EXPECT_EQ(out.cancel, (Rect{161, 70, 88, 25}));
    EXPECT_EQ(out.clientHeight, 108);  // buttons' bottom + 13

    in.labelWidth = 1000;  // a long prompt is cut at 164 units
    EXPECT_EQ(LayoutInputDialog(in).label.width, 287);
}

TEST(ProgressLayoutTest, CancelLinesUpWithTheGauge) {
    ProgressLayoutInput in;
    in.units = kUnits;
    in.labelWidth = 287;
    in.labelHeight = 14;
    in.gaugeHeight = 21;
    ProgressLayout out = LayoutProgressDialog(in);
    EXPECT_EQ(out.clientWidth, 315);
    EXPECT_EQ(out.gauge, (Rect{14, 33, 287, 21}));
    EXPECT_EQ(out.cancel, (Rect{213, 69, 88, 25}));
    EXPECT_EQ(out.cancel.right(), out.gauge.right());
    EXPECT_EQ(out.clientHeight, 107);
}

TEST(PlainLayoutTest, OneButtonCentredBelowTheText) {
    PlainLayoutInput in;
    in.units = kUnits;
    in.textWidth = 100;
    in.textHeight = 14;
    in.buttonTextWidth = 20;
    PlainLayout out = LayoutPlainMessage(in);
    EXPECT_EQ(out.text, (Rect{14, 14, 100, 14}));
    EXPECT_EQ(out.button, (Rect{20, 46, 88, 25}));
    EXPECT_EQ(out.clientWidth, 128);
    EXPECT_EQ(out.clientHeight, 85);

    in.textWidth = 10;  // the button sets the width
    in.buttonTextWidth = 120;
    PlainLayout wide = LayoutPlainMessage(in);
    EXPECT_EQ(wide.button.width, 128);
    EXPECT_EQ(wide.clientWidth, 156);
}

bool Inside(const Rect& r, int w, int h) {
    return r.left >= 0 && r.top >= 0 && r.width >= 0 && r.height >= 0 && r.right() <= w &&
           r.bottom() <= h;
}

TEST(OpenLayoutTest, EverythingFitsAndNothingOverlapsAtDefaultAndSmallSizes) {
    for (auto [w, h] : {std::pair{450, 290}, std::pair{320, 220}, std::pair{900, 600}}) {
        OpenLayout l = LayoutOpenDialog(w, h, 24);
        SCOPED_TRACE(w);
        for (const Rect& r : {l.lookInLabel, l.folderBox, l.toolButtons[0], l.toolButtons[3],
                              l.fileList, l.nameField, l.openButton, l.typeBox, l.cancelButton})
            EXPECT_TRUE(Inside(r, w, h));
        EXPECT_LE(l.folderBox.right(), l.toolButtons[0].left);
        EXPECT_LE(l.toolButtons[2].right(), l.toolButtons[3].left);
        EXPECT_LE(l.folderBox.bottom(), l.fileList.top);
        EXPECT_LE(l.fileList.bottom(), l.nameField.top);
        EXPECT_LE(l.nameField.bottom(), l.typeBox.top);
        EXPECT_LE(l.nameField.right(), l.openButton.left);
        EXPECT_EQ(l.openButton.left, l.cancelButton.left);
        EXPECT_GT(l.fileList.height, 0);
    }
    // Shrunk below its minimum the dialog clips but never gets negative sizes.
    OpenLayout tiny = LayoutOpenDialog(50, 40, 24);
    EXPECT_GE(tiny.fileList.height, 0);
    EXPECT_GE(tiny.folderBox.width, 0);
}

}  // namespace
