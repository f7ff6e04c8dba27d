#include "voice/media.h"

#include "platform/paths.h"
#include "dialogs/plain.h"
#include "platform/application.h"
#include "platform/guard.h"
#include "platform/textconv.h"
#include "voice/mediaextensions.h"

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr int kClientWidth = 197;
constexpr int kClientHeight = 323;

enum ControlId { kBtstart = 100, kBtstop, kPlaysrcbtn, kSsd = 110, kSyz = 120, kSpl = 130 };

void ShowRecordingSetupFailure() {
    PlatformMessageBox(WStringToAnsi(L"媒体设备初始化失败！"), WStringToAnsi(L"错误"),
                       MB_OK | MB_ICONERROR);
}

}  // namespace

TForm2::TForm2(MovieFunctionCaller& movie)
    : voice_(MediaPlayer1, *this, movie, &ProgramDirectory, &ShowRecordingSetupFailure) {
    MediaPlayer1.SetNotifyHandler([this] { voice_.MediaPlayer1Notify(); });
}

TForm2::~TForm2() {
    MediaPlayer1.SetNotifyHandler(nullptr);
}

void TForm2::Create() {
    CreateWindowOf(WS_EX_DLGMODALFRAME, L"录音回放对比", WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                   CW_USEDEFAULT, 200, 330, nullptr);
    SetClientSize(kClientWidth, kClientHeight);
    CenterOver(ApplicationMainWindow());

    // The recording settings sit on the window hidden; nothing changes them, so their defaults
    // decide the format of every recording.
    static const wchar_t* const kChannels[] = {L"单声道", L"立体声"};
    static const wchar_t* const kSizes[] = {L"8位", L"16位"};
    static const wchar_t* const kRates[] = {L"广播11025赫兹", L"正常22050赫兹", L"精密44100赫兹"};
    CreateSettingGroup(ssd, ssdChoices_, 2, L"声道", kChannels, 8, kSsd);
    CreateSettingGroup(syz, syzChoices_, 2, L"音质", kSizes, 72, kSyz);
    CreateSettingGroup(spl, splChoices_, 3, L"声单频率", kRates, 136, kSpl);

    Btstart = CreateChildControl(hwnd(), L"BUTTON", L"录制",
                                 WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 8, 288, 56, 25, kBtstart);
    Btstop = CreateChildControl(hwnd(), L"BUTTON", L"停止并播放", WS_TABSTOP | BS_PUSHBUTTON, 70,
                                288, 56, 25, kBtstop);
    playsrcbtn =
        CreateChildControl(hwnd(), L"BUTTON", L"播放原音", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                           133, 288, 56, 25, kPlaysrcbtn);

    Guarded([this] { FormCreate(); });
}

void TForm2::CreateSettingGroup(HWND& group, HWND* choices, int count, const wchar_t* caption,
                                const wchar_t* const* texts, int top, int firstId) {
    const int height = 24 + 20 * count;
    group =
        CreateChildControl(hwnd(), L"BUTTON", caption, BS_GROUPBOX, 8, top, 181, height, firstId);
    for (int i = 0; i < count; ++i) {
        DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        choices[i] = CreateChildControl(hwnd(), L"BUTTON", texts[i], style, 18, top + 18 + 20 * i,
                                        160, 18, firstId + 1 + i);
    }
    ::SendMessageW(choices[kDefaultSettingIndex], BM_SETCHECK, BST_CHECKED, 0);
}

int TForm2::SelectedIndex(const HWND* choices, int count) {
    for (int i = 0; i < count; ++i)
        if (::SendMessageW(choices[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
    return -1;
}

void TForm2::FormCreate() {
    voice_.Initialize();
    RegisterMediaExtensions();
}

void TForm2::FormHide() {
    CloseRecord();
}

void TForm2::BeginRecord() {
    voice_.BeginRecord(RecordFormatFor(SelectedIndex(ssdChoices_, 2), SelectedIndex(syzChoices_, 2),
                                       SelectedIndex(splChoices_, 3)));
}

void TForm2::Start(unsigned intervalMs) {
    ::SetTimer(hwnd(), kTimer1, intervalMs, nullptr);
}

void TForm2::Stop() {
    ::KillTimer(hwnd(), kTimer1);
}

LRESULT TForm2::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            if (wParam == kTimer1) {
                voice_.Timer1Timer();
                return 0;
            }
            break;
        case WM_SHOWWINDOW:
            if (!wParam) FormHide();
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                    case kBtstart:
                        BtstartClick();
                        return 0;
                    case kBtstop:
                        BtstopClick();
                        return 0;
                    case kPlaysrcbtn:
                        playsrcbtnClick();
                        return 0;
                }
            }
            break;
        case WM_CLOSE:
            // Never shown, but if it were, closing only hides it, as a secondary form does.
            ::ShowWindow(hwnd(), SW_HIDE);
            return 0;
    }
    return Window::OnMessage(msg, wParam, lParam);
}
