// Every window of the program belongs to the application's main window: dialogs and message
// boxes have no taskbar button of their own and leave the screen when the application is
// minimised, and a message box disables every window of the program while it is open.
#include "dialogs/plain.h"
#include "dialogs/skinmessage.h"
#include "driver.h"
#include "platform/application.h"
#include "platform/textconv.h"
#include "platform/window.h"

#include <gtest/gtest.h>

namespace {

class MainProbe : public Window {
  public:
    MainProbe() {
        CreateWindowOf(0, L"main", WS_POPUP | WS_MINIMIZEBOX, 20, 20, 300, 200, nullptr);
        ::ShowWindow(hwnd(), SW_SHOW);
        SetApplicationMainWindow(hwnd());
    }
    ~MainProbe() override { SetApplicationMainWindow(nullptr); }
};

class OtherProbe : public Window {
  public:
    OtherProbe() {
        CreateWindowOf(0, L"other", WS_POPUP | WS_CAPTION, 400, 20, 200, 100, nullptr);
        ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    }
};

HWND OwnerOf(HWND w) {
    return ::GetWindow(w, GW_OWNER);
}

bool HasOwnTaskbarButton(HWND w) {
    return (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0 || !OwnerOf(w);
}

BOOL CALLBACK FindBox(HWND w, LPARAM found) {
    wchar_t name[16];
    if (::GetClassNameW(w, name, 16) && lstrcmpW(name, L"#32770") == 0 && ::IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
    }
    return TRUE;
}

// The system message box of this thread, if one is up.
HWND FindMessageBox() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(OwnerTest, DialogsBelongToTheMainWindowAndHideWithIt) {
    MainProbe main;
    HWND dialog = nullptr;
    DialogScript script;
    script.Then([&] { return (dialog = FindDialog()) != nullptr; })
        .Do([&] {
            EXPECT_EQ(main.hwnd(), OwnerOf(dialog));
            EXPECT_FALSE(HasOwnTaskbarButton(dialog));
            MinimizeApplication();
        })
        .Then([&] { return !::IsWindowVisible(dialog); })
        // As the taskbar button does it (the main window is disabled under the dialog).
        .Do([&] { ::ShowWindow(main.hwnd(), SW_RESTORE); })
        .Then([&] { return ::IsWindowVisible(dialog) != FALSE; })
        .Do([&] { PressKey(dialog, VK_RETURN); });
    TbsSkinMessage message;
    EXPECT_EQ(1, message.ShowSkinnedMessage("text", MessageKind::Information, mbOK, 0));
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(script.TimedOut());
}

TEST(OwnerTest, MessageBoxIsOwnedByTheMainWindowAndDisablesTheOthers) {
    MainProbe main;
    OtherProbe other;
    HWND box = nullptr;
    bool otherDisabled = false, mainDisabled = false;
    DialogScript script;
    script.Then([&] { return (box = FindMessageBox()) != nullptr; }).Do([&] {
        EXPECT_EQ(main.hwnd(), OwnerOf(box));
        otherDisabled = !::IsWindowEnabled(other.hwnd());
        mainDisabled = !::IsWindowEnabled(main.hwnd());
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    PlatformMessageBox("text", "caption", MB_OK);
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(otherDisabled);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(::IsWindowEnabled(other.hwnd()));
    EXPECT_TRUE(::IsWindowEnabled(main.hwnd()));
}

}  // namespace
