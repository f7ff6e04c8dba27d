// The skinned message dialog on the real platform: keys, clicks, the close command and the
// layout the user sees.
#include "dialogs/skinmessage.h"

#include "dialogs/dialogwindow.h"
#include "dialogs/plain.h"
#include "driver.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>

namespace {

int ShowWithKeys(unsigned buttons, std::vector<UINT> keys,
                 MessageKind kind = MessageKind::Confirmation) {
    DialogScript script;
    for (UINT vk : keys)
        script.Then([vk] {
            HWND dialog = FindDialog();
            if (!dialog) return false;
            PressKey(dialog, vk);
            return true;
        });
    TbsSkinMessage message;
    return message.ShowSkinnedMessage(WStringToAnsi(L"检查到软件有升级程序，是否升级？"), kind,
                                      buttons, 0);
}

TEST(SkinMessageTest, YesNoEnterGivesYesAndEscGivesNo) {
    EXPECT_EQ(ShowWithKeys(mbYes | mbNo, {VK_RETURN}), 6);
    EXPECT_EQ(ShowWithKeys(mbYes | mbNo, {VK_ESCAPE}), 7);
}

TEST(SkinMessageTest, OkAloneAnswersEnterAndEscWithOne) {
    EXPECT_EQ(ShowWithKeys(mbOK, {VK_RETURN}, MessageKind::Error), 1);
    EXPECT_EQ(ShowWithKeys(mbOK, {VK_ESCAPE}, MessageKind::Error), 1);
}

TEST(SkinMessageTest, CloseCommandGivesTwoEvenWithoutCancelButton) {
    DialogScript script;
    script.Then([] {
        HWND dialog = FindDialog(L"确认");
        if (!dialog) return false;
        ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    });
    TbsSkinMessage message;
    EXPECT_EQ(message.ShowSkinnedMessage("x", MessageKind::Confirmation, mbYes | mbNo, 0), 2);
}

TEST(SkinMessageTest, EscWithoutCancelButtonAndHelpLeaveTheDialogOpen) {
    HWND seen = nullptr;
    DialogScript script;
    script
        .Then([&] {
            seen = FindDialog(L"警告");
            if (!seen) return false;
            PressKey(seen, VK_ESCAPE);  // Abort/Retry/Ignore has no cancel button
            Click(FindChild(seen, L"Button", L"帮助(&H)"));
            return true;
        })
        .Then([&] {
            EXPECT_TRUE(::IsWindowVisible(seen)) << "Esc or Help closed the dialog";
            Click(FindChild(seen, L"Button", L"忽略(&I)"));
            return true;
        });
    TbsSkinMessage message;
    EXPECT_EQ(message.ShowSkinnedMessage("x", MessageKind::Warning,
                                         mbAbort | mbRetry | mbIgnore | mbHelp, 0),
              5);
}

TEST(SkinMessageTest, EnterPressesTheFocusedButton) {
    DialogScript script;
    script.Then([] {
        HWND dialog = FindDialog();
        if (!dialog) return false;
        ::SetFocus(FindChild(dialog, L"Button", L"否(&N)"));
        PressKey(dialog, VK_RETURN);
        return true;
    });
    TbsSkinMessage message;
    EXPECT_EQ(message.ShowSkinnedMessage("x", MessageKind::Confirmation, mbYes | mbNo, 0), 7);
}

TEST(SkinMessageTest, EveryButtonGivesItsResultCode) {
    const std::pair<const wchar_t*, int> buttons[] = {
        {L"是(&Y)", 6},     {L"否(&N)", 7},     {L"确定", 1},     {L"取消", 2},
        {L"终止(&A)", 3},   {L"重试(&R)", 4},   {L"忽略(&I)", 5}, {L"全部(&A)", 8},
        {L"全部否(&O)", 9}, {L"全部是(&Y)", 10}};
    for (auto [label, result] : buttons) {
        DialogScript script;
        script.Then([label = label] {
            HWND dialog = FindDialog();
            if (!dialog) return false;
            Click(FindChild(dialog, L"Button", label));
            return true;
        });
        TbsSkinMessage message;
        EXPECT_EQ(message.ShowSkinnedMessage("x", MessageKind::Information, 0x7FF, 0), result)
            << WStringToAnsi(label);
    }
}

TEST(SkinMessageTest, LayoutCaptionsAndIcons) {
    const std::string text = WStringToAnsi(L"第一行\n第二行比较长一些");
    struct Seen {
        std::wstring caption;
        RECT client;
        std::vector<std::pair<std::wstring, RECT>> buttons;
        RECT label;
        bool hasIcon;
        RECT icon;
        bool centred;
    };
    auto inspect = [](Seen& seen) {
        return [&seen] {
            HWND dialog = FindDialog();
            if (!dialog) return false;
            seen.caption = TextOf(dialog);
            ::GetClientRect(dialog, &seen.client);
            // Buttons in their left-to-right order.
            for (HWND b : ChildrenOf(dialog, L"Button"))
                seen.buttons.push_back({TextOf(b), ClientRectIn(b, dialog)});
            std::sort(seen.buttons.begin(), seen.buttons.end(),
                      [](auto& a, auto& b) { return a.second.left < b.second.left; });
            seen.hasIcon = false;
            for (HWND s : ChildrenOf(dialog, L"Static")) {
                if ((::GetWindowLongW(s, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                    seen.hasIcon = true;
                    seen.icon = ClientRectIn(s, dialog);
                } else {
                    seen.label = ClientRectIn(s, dialog);
                }
            }
            RECT w;
            ::GetWindowRect(dialog, &w);
            int cx = (w.left + w.right) / 2, cy = (w.top + w.bottom) / 2;
            seen.centred = std::abs(cx - ::GetSystemMetrics(SM_CXSCREEN) / 2) <= 1 &&
                           std::abs(cy - ::GetSystemMetrics(SM_CYSCREEN) / 2) <= 1;
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
            return true;
        };
    };

    Seen confirm;
    {
        DialogScript script;
        script.Then(inspect(confirm));
        TbsSkinMessage().ShowSkinnedMessage(text, MessageKind::Confirmation,
                                            mbNo | mbYes | mbCancel, 0);
    }
    SIZE extent = DialogWindow::MeasureText(AnsiToWString(text));
    MessageLayoutInput in;
    in.labelWidth = extent.cx;
    in.labelHeight = extent.cy;
    in.buttonCount = 3;
    MessageLayout expected = LayoutMessageDialog(in);
    EXPECT_EQ(confirm.caption, L"确认");
    EXPECT_TRUE(confirm.centred);
    EXPECT_EQ(confirm.client.right, expected.clientWidth);
    EXPECT_EQ(confirm.client.bottom, expected.clientHeight);
    EXPECT_EQ(confirm.label.left, 50);
    EXPECT_EQ(confirm.label.top, 15);
    EXPECT_EQ(confirm.label.bottom - confirm.label.top, extent.cy);
    EXPECT_GT(extent.cy, DialogWindow::FontUnits().charHeight);  // two lines, not one
    ASSERT_TRUE(confirm.hasIcon);
    EXPECT_EQ(confirm.icon.left, 5);
    EXPECT_EQ(confirm.icon.top, expected.icon.top);
    ASSERT_EQ(confirm.buttons.size(), 3u);
    const wchar_t* order[] = {L"是(&Y)", L"否(&N)", L"取消"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(confirm.buttons[i].first, order[i]);
        EXPECT_EQ(confirm.buttons[i].second.left, expected.buttons[i].left);
        EXPECT_EQ(confirm.buttons[i].second.top, expected.buttons[i].top);
        EXPECT_EQ(confirm.buttons[i].second.right - confirm.buttons[i].second.left, 70);
        EXPECT_EQ(confirm.buttons[i].second.bottom - confirm.buttons[i].second.top, 25);
    }

    const std::pair<MessageKind, const wchar_t*> kinds[] = {{MessageKind::Warning, L"警告"},
                                                            {MessageKind::Error, L"错误"},
                                                            {MessageKind::Information, L"信息"}};
    for (auto [kind, caption] : kinds) {
        Seen seen;
        DialogScript script;
        script.Then(inspect(seen));
        TbsSkinMessage().ShowSkinnedMessage("x", kind, mbOK, 0);
        EXPECT_EQ(seen.caption, caption);
        EXPECT_TRUE(seen.hasIcon);
    }

    Seen custom;
    {
        DialogScript script;
        script.Then(inspect(custom));
        TbsSkinMessage().ShowSkinnedMessage("x", MessageKind::Custom, mbOK, 0);
    }
    EXPECT_EQ(custom.caption, AnsiToWString(ApplicationTitle()));
    EXPECT_FALSE(custom.hasIcon);
}

}  // namespace
