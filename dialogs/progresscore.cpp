#include "dialogs/progresscore.h"

#include <algorithm>

void ProgressDialogCore::SetLabelCaption(const std::string& text) {
    labelCaption_ = text;
    if (shown_) ShowLabel();
}

int ProgressDialogCore::Clamp(int value) const {
    // A range given upside down holds only its minimum, as a gauge that refuses a smaller maximum.
    int top = std::max(gaugeMin_, gaugeMax_);
    return std::min(std::max(value, gaugeMin_), top);
}

void ProgressDialogCore::SetValue(int value) {
    value_ = value;
    if (!shown_) return;
    if (gaugeIndeterminate_) {
        ShowGauge();
        return;
    }
    gaugeValue_ = Clamp(value);
    ShowGauge();
    if (gaugeValue_ == std::max(gaugeMin_, gaugeMax_)) Close();
}

void ProgressDialogCore::ShowProgressWindow() {
    if (shown_) return;
    gaugeMin_ = minValue_;
    gaugeMax_ = std::max(minValue_, maxValue_);
    gaugeIndeterminate_ = indeterminate_;
    gaugeValue_ = Clamp(value_);
    shown_ = true;
    OpenWindow();
}

void ProgressDialogCore::Close() {
    if (!shown_) return;
    shown_ = false;
    DestroyWindow();
    if (value_ != maxValue_ && OnCancel) OnCancel(this);
}

void ProgressDialogCore::WindowClosed() {
    Close();
}
