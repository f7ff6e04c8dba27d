#include "dialogs/messagerules.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageButtonsTest, FixedOrderBitsLabelsAndResults) {
    const auto& t = MessageButtonTable();
    ASSERT_EQ(t.size(), 11u);
    const char* names[] = {"Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
                           "Ignore", "All", "NoToAll", "YesToAll", "Help"};
    const int results[] = {6, 7, 1, 2, 3, 4, 5, 8, 9, 10, kNoResult};
    for (size_t i = 0; i < t.size(); ++i) {
        EXPECT_STREQ(t[i].name, names[i]);
        EXPECT_EQ(t[i].bit, 1u << i);
        EXPECT_EQ(t[i].result, results[i]) << names[i];
    }
    EXPECT_EQ(t[0].label, u"是(&Y)");
    EXPECT_EQ(t[2].label, u"确定");
    EXPECT_EQ(t[3].label, u"取消");
    EXPECT_EQ(t[8].label, u"全部否(&O)");
    EXPECT_EQ(t[9].label, u"全部是(&Y)");
    EXPECT_EQ(t[10].label, u"帮助(&H)");
}

TEST(MessageButtonsTest, ASetIsShownInTheFixedOrder) {
    auto set = ButtonsOfSet(mbHelp | mbCancel | mbYes);
    ASSERT_EQ(set.size(), 3u);
    EXPECT_EQ(set[0].bit, mbYes);
    EXPECT_EQ(set[1].bit, mbCancel);
    EXPECT_EQ(set[2].bit, mbHelp);
    EXPECT_TRUE(ButtonsOfSet(0).empty());
    EXPECT_TRUE(ButtonsOfSet(1u << 11).empty());  // bits beyond the table are no buttons
}

TEST(MessageButtonsTest, EnterAndEscButtons) {
    EXPECT_EQ(DefaultButtonOf(mbYes | mbNo), mbYes);
    EXPECT_EQ(CancelButtonOf(mbYes | mbNo), mbNo);
    EXPECT_EQ(DefaultButtonOf(mbOK), mbOK);
    EXPECT_EQ(CancelButtonOf(mbOK), mbOK);
    EXPECT_EQ(DefaultButtonOf(mbYes | mbOK), mbOK);
    EXPECT_EQ(CancelButtonOf(mbYes | mbNo | mbCancel), mbCancel);
    EXPECT_EQ(CancelButtonOf(mbNo | mbOK), mbNo);
    EXPECT_EQ(DefaultButtonOf(mbAbort | mbRetry | mbIgnore), mbRetry);
    EXPECT_EQ(CancelButtonOf(mbAbort | mbRetry | mbIgnore), 0u);
    EXPECT_EQ(DefaultButtonOf(mbCancel | mbHelp), 0u);
    EXPECT_EQ(DefaultButtonOf(0), 0u);
}

TEST(MessageKindsTest, Captions) {
    EXPECT_EQ(KindCaption(MessageKind::Warning), u"警告");
    EXPECT_EQ(KindCaption(MessageKind::Error), u"错误");
    EXPECT_EQ(KindCaption(MessageKind::Information), u"信息");
    EXPECT_EQ(KindCaption(MessageKind::Confirmation), u"确认");
    EXPECT_TRUE(KindCaption(MessageKind::Custom).empty());
}

}  // namespace
