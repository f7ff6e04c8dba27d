#include "bridge/dispatcher.h"

ExternalCallDispatcher::ExternalCallDispatcher(CallHost& host, FileServices& files,
                                               SettingsStore& settings)
    : host_(host), files_(files), settings_(settings) {}

void ExternalCallDispatcher::Handle(const std::u16string& request) {
    Handle(InvokeRequest(request));
}

// The names are tested in this order and compared exactly. Each branch reads its arguments only
// when it needs them and replies only after its action has completed, so a failure midway leaves
// the movie without a reply.
void ExternalCallDispatcher::Handle(const InvokeRequest& request) {
    const std::string name = request.Name();
    if (name == "loadfile") {
        std::optional<std::string> line = files_.LoadFile(request.Argument(0));
        host_.SetReturnValue(StringReply(line.value_or(std::string())));
    } else if (name == "savefile") {
        std::string path = request.Argument(0);
        files_.SaveUtf8(path, request.Argument(1));
        host_.SetReturnValue(kReplyTrue);
    } else if (name == "loadreg") {
        std::string value = settings_.ReadSetting(request.Argument(0));
        host_.SetReturnValue(StringReply(value));
    } else if (name == "savereg") {
        std::string valueName = request.Argument(0);
        // Whether it was stored is not the movie's concern.
        settings_.WriteSetting(valueName, SettingValueToStore(request.Argument(1)));
        host_.SetReturnValue(kReplyTrue);
    } else if (name == "getunique") {
        host_.SetReturnValue(StringReply(settings_.GetInstallationId()));
    } else if (name == "saveToUTF8") {
        std::string path = request.Argument(0);
        files_.SaveUtf8(path, request.Argument(1));
        host_.SetReturnValue(kReplyTrue);
    } else if (name == "fileexists") {
        host_.SetReturnValue(files_.FileExists(request.Argument(0)) ? kReplyTrue : kReplyFalse);
    } else if (name == "saveBytes") {
        std::string path = request.Argument(0);
        files_.SaveBytes(path, request.Argument(1));
        host_.SetReturnValue(kReplyTrue);
    } else if (name == "prompt") {
        request.Argument(0);
    } else if (name == "setSize") {
        request.Argument(0);
        request.Argument(1);
    } else if (name == "getAppDir") {
        host_.SetReturnValue(StringReply(files_.ProgramDirectory()));
    } else if (name == "loadBytes") {
        host_.SetReturnValue(StringReply(files_.LoadBytes(request.Argument(0))));
    } else if (name == "newfolder") {
        if (files_.NewFolder(request.Argument(0))) {
            host_.SetReturnValue(kReplyTrue);
        } else {
            // The movie gets its answer first; the message then runs while its call still waits.
            host_.SetReturnValue(kReplyFalse);
            host_.ShowFolderFailure();
        }
    } else if (name == "enableDragWindow") {
        host_.SetDragFlag(true);
    } else if (name == "disableDragWindow") {
        host_.SetDragFlag(false);
    } else if (name == "DragingWindow") {
        if (host_.DragFlag()) host_.DragWindow();
    }
}
