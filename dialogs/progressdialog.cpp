#include "dialogs/progressdialog.h"

#include "dialogs/dialogwindow.h"
#include "platform/handles.h"
#include "platform/scopeexit.h"
#include "platform/textconv.h"

#include <algorithm>
#include <string>

namespace {
constexpr UINT_PTR kMarqueeTimer = 1;
constexpr int kMarqueeSteps = 40;
}  // namespace

class ProgressWindow : public DialogWindow {
  public:
    explicit ProgressWindow(TbsSkinProgressDialog& owner) : owner_(owner) {
        CreateDialogFrame(AnsiToWString(owner.Caption), 0, WS_EX_TOPMOST);
        DialogUnits units = FontUnits();
        std::wstring label = AnsiToWString(owner.LabelCaption());
        ProgressLayoutInput in;
        in.units = units;
        in.labelWidth = units.X(164);
        in.labelHeight = units.charHeight;
        in.gaugeHeight = units.Y(12);
        ProgressLayout layout = LayoutProgressDialog(in);
        gauge_ = layout.gauge;

        SetClientSize(layout.clientWidth, layout.clientHeight);
        label_ = AddLabel(label, layout.label);
        HWND cancel = AddButton(L"取消", layout.cancel, IDCANCEL);
        cancelId_ = IDCANCEL;
        initialFocus_ = cancel;
        CenterOnScreen();
        if (owner.GaugeIndeterminate()) ::SetTimer(hwnd(), kMarqueeTimer, 100, nullptr);
    }

    bool Busy() const { return busy_ > 0; }

    void Relabel() { ::SetWindowTextW(label_, AnsiToWString(owner_.LabelCaption()).c_str()); }

    // A download reports every 32 KB; the gauge is repainted only when what it shows changes
    // (with the percentage shown, at most a hundred times).
    void RedrawGauge() {
        Picture now = Compute();
        if (now == shown_) return;
        shown_ = now;
        RECT r = {gauge_.left, gauge_.top, gauge_.right(), gauge_.bottom()};
        ::InvalidateRect(hwnd(), &r, FALSE);
    }

    void Open(bool modal) {
        if (modal) {
            ++busy_;
            ShowModal();
            --busy_;
        } else {
            ::ShowWindow(hwnd(), SW_SHOW);
            ::UpdateWindow(hwnd());
        }
    }

    void Close() {
        ::KillTimer(hwnd(), kMarqueeTimer);
        ::DestroyWindow(hwnd());
    }

  protected:
    void OnButton(int id) override {
        if (id == IDCANCEL) owner_.OnWindowClosed();
    }

    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        ++busy_;
        ScopeExit leave([this] { --busy_; });
        switch (msg) {
            case WM_CLOSE:
                owner_.OnWindowClosed();
                return 0;
            case WM_TIMER:
                if (wParam == kMarqueeTimer) {
                    phase_ = (phase_ + 1) % kMarqueeSteps;
                    RedrawGauge();
                    return 0;
                }
                break;
            case WM_PAINT:
                Paint();
                return 0;
        }
        return DialogWindow::OnMessage(msg, wParam, lParam);
    }

  private:
    // What the gauge shows: the bar's extent inside the frame and the percentage (-1 for none).
    struct Picture {
        int barLeft = 0, barRight = 0, percent = -1;
        bool operator==(const Picture& o) const {
            return barLeft == o.barLeft && barRight == o.barRight && percent == o.percent;
        }
    };

    RECT Frame() const {
        RECT frame = {gauge_.left, gauge_.top, gauge_.right(), gauge_.bottom()};
        ::InflateRect(&frame, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));
        return frame;
    }

    Picture Compute() const {
        RECT frame = Frame();
        Picture p;
        int inner = frame.right - frame.left;
        int lo = owner_.GaugeMin(), hi = owner_.GaugeMax();
        int span = hi - lo;
        if (owner_.GaugeIndeterminate()) {
            // A block that travels across the gauge and starts again.
            int block = inner / 5;
            p.barLeft = frame.left + MulDivRounded(phase_, inner + block, kMarqueeSteps) - block;
            p.barRight = std::min(p.barLeft + block, static_cast<int>(frame.right));
            p.barLeft = std::max(p.barLeft, static_cast<int>(frame.left));
        } else if (owner_.ShowPercent) {
            // The bar moves with the number it shows: a download reports every 32 KB, and
            // repainting for every pixel the bar would move costs more than the transfer's
            // own work on a slow display.
            p.percent = span > 0
                            ? static_cast<int>(
                                  (static_cast<long long>(owner_.GaugeValue() - lo) * 100) / span)
                            : 100;
            p.barLeft = frame.left;
            p.barRight = frame.left + MulDivRounded(p.percent, inner, 100);
        } else {
            p.barLeft = frame.left;
            p.barRight = frame.left +
                         (span > 0 ? MulDivRounded(owner_.GaugeValue() - lo, inner, span) : inner);
        }
        return p;
    }

    void Paint() {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd(), &ps);
        RECT outer = {gauge_.left, gauge_.top, gauge_.right(), gauge_.bottom()};
        ::DrawEdge(dc, &outer, EDGE_SUNKEN, BF_RECT);
        RECT frame = Frame();
        ::FillRect(dc, &frame, ::GetSysColorBrush(COLOR_WINDOW));
        shown_ = Compute();
        RECT bar = {shown_.barLeft, frame.top, shown_.barRight, frame.bottom};
        if (bar.right > bar.left) ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        if (shown_.percent >= 0) {
            std::wstring text = std::to_wstring(shown_.percent) + L"%";
            UniqueSelection font = SelectInto(dc, DialogFont());
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
            ::DrawTextW(dc, text.c_str(), -1, &frame, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        ::EndPaint(hwnd(), &ps);
    }

    TbsSkinProgressDialog& owner_;
    HWND label_ = nullptr;
    Rect gauge_;
    int phase_ = 0;
    Picture shown_;
    int busy_ = 0;
};

TbsSkinProgressDialog::TbsSkinProgressDialog() = default;
TbsSkinProgressDialog::~TbsSkinProgressDialog() = default;

HWND TbsSkinProgressDialog::WindowHandle() const {
    return Shown() && window_ ? window_->hwnd() : nullptr;
}

void TbsSkinProgressDialog::OpenWindow() {
    retired_.erase(
        std::remove_if(retired_.begin(), retired_.end(), [](const auto& w) { return !w->Busy(); }),
        retired_.end());
    window_ = std::make_unique<ProgressWindow>(*this);
    ProgressWindow* window = window_.get();
    if (ShowType == stModal) {
        // The modal loop returns only when the window has gone, so OnShow comes first.
        if (OnShow) OnShow(this);
        window->Open(true);
    } else {
        window->Open(false);
        if (OnShow) OnShow(this);
    }
}

void TbsSkinProgressDialog::ShowGauge() {
    if (window_) window_->RedrawGauge();
}

void TbsSkinProgressDialog::ShowLabel() {
    if (window_) window_->Relabel();
}

void TbsSkinProgressDialog::DestroyWindow() {
    if (!window_) return;
    window_->Close();
    retired_.push_back(std::move(window_));
}
