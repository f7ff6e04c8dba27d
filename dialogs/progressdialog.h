// The progress dialog component: a window with a label, a gauge and a Cancel button that stays
// on top and does not block its caller. Its rules live in ProgressDialogCore.
#pragma once

#include "dialogs/progresscore.h"

#include <windows.h>

#include <memory>
#include <vector>

class ProgressWindow;

class TbsSkinProgressDialog : public ProgressDialogCore {
  public:
    TbsSkinProgressDialog();
    ~TbsSkinProgressDialog() override;

    // The window while the dialog is shown, else nullptr.
    HWND WindowHandle() const;

  protected:
    void OpenWindow() override;
    void ShowGauge() override;
    void ShowLabel() override;
    void DestroyWindow() override;

  private:
    friend class ProgressWindow;
    void OnWindowClosed() { WindowClosed(); }

    std::unique_ptr<ProgressWindow> window_;
    // Windows already closed whose objects may still be inside one of their own handlers.
    std::vector<std::unique_ptr<ProgressWindow>> retired_;
};
