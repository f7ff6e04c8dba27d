// The input dialog on the real platform: the value rules of QueryText and AskText as keys and
// typing drive them, the selection and the typing limit.
#include "dialogs/inputdialog.h"

#include "dialogs/dialogwindow.h"
#include "driver.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>

namespace {

HWND Field(HWND dialog) {
    return FindChild(dialog, L"Edit");
}

// Waits for the dialog, optionally types into its field, then presses a key.
DialogScript::Step TypeThenPress(std::wstring typed, UINT vk) {
    return [typed, vk] {
        HWND dialog = FindDialog();
        if (!dialog) return false;
        TypeText(Field(dialog), typed);
        PressKey(dialog, vk);
        return true;
    };
}

TEST(InputDialogTest, EmptyDefaultCancelAndEmptyConfirmLookTheSame) {
    TbsSkinInputDialog dialog;
    {
        DialogScript script;
        script.Then(TypeThenPress(L"", VK_ESCAPE));
        EXPECT_EQ(dialog.AskText(WStringToAnsi(L"新建类别"), WStringToAnsi(L"请输入类别名称"), ""),
                  "");
    }
    {
        DialogScript script;
        script.Then(TypeThenPress(L"", VK_RETURN));
        EXPECT_EQ(dialog.AskText(WStringToAnsi(L"新建类别"), WStringToAnsi(L"请输入类别名称"), ""),
                  "");
    }
    {
        DialogScript script;
        script.Then(TypeThenPress(L"课件", VK_RETURN));
        EXPECT_EQ(dialog.AskText(WStringToAnsi(L"新建类别"), WStringToAnsi(L"请输入类别名称"), ""),
                  WStringToAnsi(L"课件"));
    }
}

TEST(InputDialogTest, DefaultIsSelectedSoTypingReplacesItAndCancelKeepsIt) {
    const std::string url = "http://update.example/soft/setup.exe";
    TbsSkinInputDialog dialog;
    DWORD selStart = 1, selEnd = 0;
    std::wstring shown;
    {
        DialogScript script;
        script.Then([&] {
            HWND d = FindDialog(L"自动下载失败，请使用下列地址手动下载");
            if (!d) return false;
            shown = TextOf(Field(d));
            ::SendMessageW(Field(d), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                           reinterpret_cast<LPARAM>(&selEnd));
            return true;
        });
        script.Then(TypeThenPress(L"ab", VK_RETURN));
        EXPECT_EQ(dialog.AskText(WStringToAnsi(L"自动下载失败，请使用下列地址手动下载"),
                                 WStringToAnsi(L"升级文件路径："), url),
                  "ab");
    }
    EXPECT_EQ(shown, AnsiToWString(url));
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, url.size());

    DialogScript script;
    script.Then(TypeThenPress(L"xyz", VK_ESCAPE));
    EXPECT_EQ(dialog.AskText("c", "p", url), url);
}

TEST(InputDialogTest, QueryTextChangesTheValueOnlyWhenConfirmed) {
    TbsSkinInputDialog dialog;
    std::string value = WStringToAnsi(L"资源");
    {
        DialogScript script;
        script.Then([] {
            HWND d = FindDialog(L"c");
            if (!d) return false;
            Click(FindChild(d, L"Button", L"取消"));
            return true;
        });
        EXPECT_FALSE(dialog.QueryText("c", "p", value));
        EXPECT_EQ(value, WStringToAnsi(L"资源"));
    }
    {
        DialogScript script;
        script.Then([] {
            HWND d = FindDialog(L"c");
            if (!d) return false;
            ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
        EXPECT_FALSE(dialog.QueryText("c", "p", value));
    }
    {
        DialogScript script;
        script.Then([] {
            HWND d = FindDialog(L"c");
            if (!d) return false;
            // The end of the text, then one more character: the old text stays in front.
            ::SendMessageW(Field(d), EM_SETSEL, 2, 2);
            TypeText(Field(d), L"库");
            Click(FindChild(d, L"Button", L"确定"));
            return true;
        });
        EXPECT_TRUE(dialog.QueryText("c", "p", value));
        EXPECT_EQ(value, WStringToAnsi(L"资源库"));
    }
}

TEST(InputDialogTest, TypingStopsAt255CharactersButALongerValueIsKept) {
    TbsSkinInputDialog dialog;
    std::string value;
    {
        DialogScript script;
        script.Then(TypeThenPress(std::wstring(300, L'x'), VK_RETURN));
        EXPECT_TRUE(dialog.QueryText("c", "p", value));
    }
    EXPECT_EQ(value, std::string(255, 'x'));

    std::string longValue(300, 'y');
    DialogScript script;
    script.Then(TypeThenPress(L"", VK_RETURN));
    EXPECT_TRUE(dialog.QueryText("c", "p", longValue));
    EXPECT_EQ(longValue, std::string(300, 'y'));
}

TEST(InputDialogTest, LayoutInDialogUnits) {
    RECT client{}, label{}, field{}, ok{}, cancel{};
    bool okIsDefault = false;
    DialogScript script;
    script.Then([&] {
        HWND d = FindDialog(L"新建类别");
        if (!d) return false;
        ::GetClientRect(d, &client);
        label = ClientRectIn(FindChild(d, L"Static"), d);
        field = ClientRectIn(Field(d), d);
        HWND okButton = FindChild(d, L"Button", L"确定");
        ok = ClientRectIn(okButton, d);
        okIsDefault = (::GetWindowLongW(okButton, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        cancel = ClientRectIn(FindChild(d, L"Button", L"取消"), d);
        PressKey(d, VK_ESCAPE);
        return true;
    });
    TbsSkinInputDialog().AskText(WStringToAnsi(L"新建类别"), WStringToAnsi(L"请输入类别名称"), "");

    DialogUnits u = DialogWindow::FontUnits();
    EXPECT_EQ(client.right, u.X(180));
    EXPECT_EQ(label.left, u.X(8));
    EXPECT_EQ(label.top, u.Y(8));
    EXPECT_EQ(field.top, label.bottom + 5);
    EXPECT_EQ(field.right - field.left, u.X(164));
    EXPECT_EQ(ok.top, field.bottom + 15);
    EXPECT_EQ(ok.left, u.X(38));
    EXPECT_EQ(cancel.left, u.X(92));
    EXPECT_EQ(ok.right - ok.left, u.X(50));
    EXPECT_EQ(ok.bottom - ok.top, u.Y(14));
    EXPECT_EQ(client.bottom, ok.bottom + 13);
    EXPECT_TRUE(okIsDefault);
}

}  // namespace
