// The progress dialog on the real platform: it does not block, stays on top, and closes by its
// value, its Cancel button, Esc and the close command, raising OnCancel once per closing.
#include "dialogs/progressdialog.h"

#include "driver.h"
#include "platform/application.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>

namespace {

// ProgressDialog1 as the main window stores it.
struct StoredProgressDialog : TbsSkinProgressDialog {
    int cancels = 0;
    int shows = 0;
    StoredProgressDialog() {
        Caption = WStringToAnsi(L"进度");
        SetLabelCaption(WStringToAnsi(L"进度"));
        OnCancel = [this](ProgressDialogCore*) { ++cancels; };
        OnShow = [this](ProgressDialogCore*) { ++shows; };
    }
};

void Settle() {
    // Lets the queued input and paint messages reach the window.
    for (int i = 0; i < 5; ++i) {
        ProcessMessages();
        ::Sleep(20);
    }
}

TEST(ProgressDialogTest, ShowsWithoutBlockingOnTopWithItsTexts) {
    StoredProgressDialog d;
    d.ShowProgressWindow();
    HWND w = d.WindowHandle();
    ASSERT_TRUE(w);
    EXPECT_TRUE(::IsWindowVisible(w));
    EXPECT_TRUE(::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(::GetWindowLongW(w, GWL_STYLE) & WS_SYSMENU);  // no caption buttons
    EXPECT_EQ(TextOf(w), L"进度");
    EXPECT_TRUE(FindChild(w, L"Static", L"进度"));
    EXPECT_TRUE(FindChild(w, L"Button", L"取消"));
    EXPECT_EQ(d.shows, 1);

    d.ShowProgressWindow();  // shown already: nothing changes
    EXPECT_EQ(d.WindowHandle(), w);
    EXPECT_EQ(d.shows, 1);

    d.SetValue(100);
    EXPECT_FALSE(::IsWindow(w));
    EXPECT_EQ(d.cancels, 0);
}

TEST(ProgressDialogTest, ValueAboveMaximumClosesAndRaisesOnCancel) {
    StoredProgressDialog d;
    d.ShowProgressWindow();
    HWND w = d.WindowHandle();
    d.SetValue(40);
    EXPECT_TRUE(::IsWindowVisible(w));
    d.SetValue(150);
    EXPECT_FALSE(::IsWindow(w));
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressDialogTest, MaxValueWhileShownChangesNothing) {
    StoredProgressDialog d;
    d.ShowProgressWindow();
    d.SetMaxValue(50);
    d.SetValue(60);
    EXPECT_TRUE(d.Shown());
    EXPECT_EQ(d.GaugeMax(), 100);
    EXPECT_EQ(d.GaugeValue(), 60);
    Settle();
    d.SetValue(100);
    EXPECT_FALSE(d.Shown());
}

TEST(ProgressDialogTest, CancelButtonRaisesOnCancelExactlyOnce) {
    StoredProgressDialog d;
    d.ShowProgressWindow();
    d.SetValue(10);
    HWND w = d.WindowHandle();
    Click(FindChild(w, L"Button", L"取消"));
    Settle();
    EXPECT_FALSE(::IsWindow(w));
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.cancels, 1);
    d.SetValue(100);  // only stored now
    Settle();
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressDialogTest, EscAndTheCloseCommandCloseItAndShowingAgainBuildsANewWindow) {
    StoredProgressDialog d;
    d.ShowProgressWindow();
    HWND first = d.WindowHandle();
    PressKey(first, VK_ESCAPE);
    Settle();
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(d.cancels, 1);

    d.SetMinValue(0);
    d.SetMaxValue(1000);
    d.SetValue(0);
    d.ShowProgressWindow();
    HWND second = d.WindowHandle();
    ASSERT_TRUE(second);
    EXPECT_TRUE(::IsWindowVisible(second));
    EXPECT_EQ(d.GaugeMax(), 1000);
    EXPECT_EQ(d.shows, 2);
    ::PostMessageW(second, WM_SYSCOMMAND, SC_CLOSE, 0);
    Settle();
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_EQ(d.cancels, 2);
}

TEST(ProgressDialogTest, OnCancelMayReopenFromInsideTheButtonClick) {
    StoredProgressDialog d;
    int reopened = 0;
    d.OnCancel = [&](ProgressDialogCore*) {
        if (reopened++ == 0) d.ShowProgressWindow();
    };
    d.ShowProgressWindow();
    Click(FindChild(d.WindowHandle(), L"Button", L"取消"));
    Settle();
    ASSERT_TRUE(d.Shown());
    HWND again = d.WindowHandle();
    Click(FindChild(again, L"Button", L"取消"));
    Settle();
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(reopened, 2);
}

TEST(ProgressDialogTest, UnknownLengthShowsMovementAndABytesLabel) {
    StoredProgressDialog d;
    d.SetMaxValue(0);
    d.SetIndeterminate(true);
    d.ShowProgressWindow();
    HWND w = d.WindowHandle();
    d.SetValue(32768);
    d.SetLabelCaption("32768");
    Settle();
    EXPECT_TRUE(::IsWindowVisible(w));
    EXPECT_TRUE(FindChild(w, L"Static", L"32768"));
    d.SetValue(65536);
    EXPECT_TRUE(d.Shown());
    PressKey(w, VK_ESCAPE);
    Settle();
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.cancels, 1);
}

TEST(ProgressDialogTest, A100MiBDownloadRepaintsTheGaugeOnlyWhenItsPercentageChanges) {
    // 3200 reports of 32 KB. Each repaint of the gauge costs a round to the display, so it is
    // asked for only when the shown value moves: at most once per percent, never per pixel.
    const int total = 100 * 1024 * 1024;
    StoredProgressDialog d;
    d.SetMaxValue(total);
    d.ShowProgressWindow();
    HWND w = d.WindowHandle();
    ASSERT_TRUE(w);
    Settle();
    int repaints = 0;
    for (int received = 32768; received < total; received += 32768) {
        d.SetValue(received);
        if (::GetUpdateRect(w, nullptr, FALSE)) {
            ++repaints;
            ::ValidateRect(w, nullptr);
        }
    }
    EXPECT_GE(repaints, 90);
    EXPECT_LE(repaints, 100);
    EXPECT_TRUE(d.Shown());
    d.SetValue(total);
    EXPECT_FALSE(d.Shown());
    EXPECT_EQ(d.cancels, 0);
}

}  // namespace
