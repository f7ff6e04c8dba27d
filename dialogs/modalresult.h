// The result codes of the modal dialogs: which button closed them. The values are the system's
// own (IDOK is 1, IDYES is 6), so a result can be compared with either.
#pragma once

enum ModalResult : int {
    // Help has no result: it shows its topic and the dialog stays open.
    kNoResult = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};
