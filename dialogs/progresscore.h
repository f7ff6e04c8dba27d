// The progress dialog's behaviour apart from its window: its properties, whether it is shown,
// the gauge range fixed at showing, and when it closes and raises OnCancel. The window side
// implements the three hooks; tests use a fake.
#pragma once

#include <functional>
#include <string>

enum TbsPDShowType { stStayOnTop = 0, stModal = 1 };

class ProgressDialogCore {
  public:
    using Event = std::function<void(ProgressDialogCore* sender)>;

    ProgressDialogCore() = default;
    virtual ~ProgressDialogCore() = default;
    ProgressDialogCore(const ProgressDialogCore&) = delete;
    ProgressDialogCore& operator=(const ProgressDialogCore&) = delete;

    TbsPDShowType ShowType = stStayOnTop;
    std::string Caption = "Process";
    bool ShowPercent = true;
    Event OnShow;
    Event OnCancel;

    const std::string& LabelCaption() const { return labelCaption_; }
    // Also relabels a shown dialog, which a download of unknown length uses for its byte count.
    void SetLabelCaption(const std::string& text);

    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    int Value() const { return value_; }
    // Only stored: a shown dialog keeps the range it was shown with.
    void SetMinValue(int value) { minValue_ = value; }
    void SetMaxValue(int value) { maxValue_ = value; }
    // Stored; a shown gauge takes it limited to its range and the dialog closes at the maximum.
    void SetValue(int value);

    // Without a known range the gauge only moves to show that something happens; Value is then
    // stored and never closes the dialog. Takes effect at the next showing.
    bool Indeterminate() const { return indeterminate_; }
    void SetIndeterminate(bool on) { indeterminate_ = on; }

    bool Shown() const { return shown_; }
    void ShowProgressWindow();
    // Closes a shown dialog from the program's side; OnCancel comes only when Value is not at
    // MaxValue, as for any closing.
    void CloseProgressWindow() { Close(); }

    // The gauge of the shown dialog.
    int GaugeMin() const { return gaugeMin_; }
    int GaugeMax() const { return gaugeMax_; }
    int GaugeValue() const { return gaugeValue_; }
    bool GaugeIndeterminate() const { return gaugeIndeterminate_; }

  protected:
    // Builds and shows the window from the current state (Shown() is already true). For
    // stModal it returns when the window has closed.
    virtual void OpenWindow() = 0;
    virtual void ShowGauge() = 0;
    virtual void ShowLabel() = 0;
    virtual void DestroyWindow() = 0;
    // The window reports every closing it did not start itself: Cancel, Esc, the close command.
    void WindowClosed();

  private:
    void Close();
    int Clamp(int value) const;

    std::string labelCaption_ = "Name of process:";
    int minValue_ = 0;
    int maxValue_ = 100;
    int value_ = 0;
    bool indeterminate_ = false;

    bool shown_ = false;
    int gaugeMin_ = 0;
    int gaugeMax_ = 0;
    int gaugeValue_ = 0;
    bool gaugeIndeterminate_ = false;
};
