// The fixed tables of the skinned message dialog: its kinds and its buttons, and which buttons
// Enter and Esc press. Labels are UTF-16 so that the Win32 side shows them unchanged.
#pragma once

#include "dialogs/modalresult.h"

#include <string_view>
#include <vector>

enum class MessageKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// One bit per button; a button set is an OR of these.
enum MessageButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};

struct MessageButtonInfo {
    MessageButton bit;
    const char* name;  // also the name of the button control
    std::u16string_view label;
    int result;
};

// All eleven buttons in their fixed left-to-right order.
const std::vector<MessageButtonInfo>& MessageButtonTable();

// The buttons of a set, in the fixed order.
std::vector<MessageButtonInfo> ButtonsOfSet(unsigned buttons);

// The button Enter presses (OK, else Yes, else Retry) and the one Esc presses (Cancel, else No,
// else OK); 0 when the set holds none of them.
unsigned DefaultButtonOf(unsigned buttons);
unsigned CancelButtonOf(unsigned buttons);

// The caption of a kind; empty for the custom kind, which takes the application title.
std::u16string_view KindCaption(MessageKind kind);
