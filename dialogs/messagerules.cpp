#include "dialogs/messagerules.h"

const std::vector<MessageButtonInfo>& MessageButtonTable() {
    static const std::vector<MessageButtonInfo> table = {
        {mbYes, "Yes", u"是(&Y)", mrYes},
        {mbNo, "No", u"否(&N)", mrNo},
        {mbOK, "OK", u"确定", mrOk},
        {mbCancel, "Cancel", u"取消", mrCancel},
        {mbAbort, "Abort", u"终止(&A)", mrAbort},
        {mbRetry, "Retry", u"重试(&R)", mrRetry},
        {mbIgnore, "Ignore", u"忽略(&I)", mrIgnore},
        {mbAll, "All", u"全部(&A)", mrAll},
        {mbNoToAll, "NoToAll", u"全部否(&O)", mrNoToAll},
        {mbYesToAll, "YesToAll", u"全部是(&Y)", mrYesToAll},
        {mbHelp, "Help", u"帮助(&H)", kNoResult},
    };
    return table;
}

std::vector<MessageButtonInfo> ButtonsOfSet(unsigned buttons) {
    std::vector<MessageButtonInfo> result;
    for (const MessageButtonInfo& b : MessageButtonTable())
        if (buttons & b.bit) result.push_back(b);
    return result;
}

unsigned DefaultButtonOf(unsigned buttons) {
    for (unsigned b : {mbOK, mbYes, mbRetry})
        if (buttons & b) return b;
    return 0;
}

unsigned CancelButtonOf(unsigned buttons) {
    for (unsigned b : {mbCancel, mbNo, mbOK})
        if (buttons & b) return b;
    return 0;
}

std::u16string_view KindCaption(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return u"警告";
        case MessageKind::Error:
            return u"错误";
        case MessageKind::Information:
            return u"信息";
        case MessageKind::Confirmation:
            return u"确认";
        case MessageKind::Custom:
            break;
    }
    return {};
}
