// The skinned message dialog component: a modal message with a kind's caption and icon and a
// set of buttons, returning the pressed button's result code.
#pragma once

#include "dialogs/messagerules.h"
#include "dialogs/modalresult.h"

#include <string>

class TbsSkinMessage {
  public:
    // The help file behind the Help button; the program sets none, so Help then does nothing.
    std::string HelpFile;

    // Text in the program's ANSI code page; returns the ModalResult of the pressed button,
    // mrCancel when the window was closed.
    int ShowSkinnedMessage(const std::string& text, MessageKind kind, unsigned buttons,
                           int helpContext);
};
