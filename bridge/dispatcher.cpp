#include "bridge/dispatcher.h"

#include <string_view>

namespace {

// Each request reads its arguments only when it needs them and replies only after its action has
// completed, so a failure midway leaves the movie without a reply.
struct Request {
    std::string_view name;
    void (*handle)(const CallContext& c, const InvokeRequest& r);
};

void SaveText(const CallContext& c, const InvokeRequest& r) {
    std::string path = r.Argument(0);
    c.files.SaveUtf8(path, r.Argument(1));
    c.host.SetReturnValue(kReplyTrue);
}

constexpr Request kRequests[] = {
    {"loadfile",
     [](const CallContext& c, const InvokeRequest& r) {
         std::optional<std::string> line = c.files.LoadFile(r.Argument(0));
         c.host.SetReturnValue(StringReply(line.value_or(std::string())));
     }},
    {"savefile", SaveText},
    {"loadreg",
     [](const CallContext& c, const InvokeRequest& r) {
         std::string value = c.settings.ReadSetting(r.Argument(0));
         c.host.SetReturnValue(StringReply(value));
     }},
    {"savereg",
     [](const CallContext& c, const InvokeRequest& r) {
         std::string valueName = r.Argument(0);
         // Whether it was stored is not the movie's concern.
         c.settings.WriteSetting(valueName, SettingValueToStore(r.Argument(1)));
         c.host.SetReturnValue(kReplyTrue);
     }},
    {"getunique",
     [](const CallContext& c, const InvokeRequest&) {
         c.host.SetReturnValue(StringReply(c.settings.GetInstallationId()));
     }},
    {"saveToUTF8", SaveText},
    {"fileexists",
     [](const CallContext& c, const InvokeRequest& r) {
         c.host.SetReturnValue(c.files.FileExists(r.Argument(0)) ? kReplyTrue : kReplyFalse);
     }},
    {"saveBytes",
     [](const CallContext& c, const InvokeRequest& r) {
         std::string path = r.Argument(0);
         c.files.SaveBytes(path, r.Argument(1));
         c.host.SetReturnValue(kReplyTrue);
     }},
    // Read and forgotten: the movie gets no reply.
    {"prompt", [](const CallContext&, const InvokeRequest& r) { r.Argument(0); }},
    {"setSize",
     [](const CallContext&, const InvokeRequest& r) {
         r.Argument(0);
         r.Argument(1);
     }},
    {"getAppDir",
     [](const CallContext& c, const InvokeRequest&) {
         c.host.SetReturnValue(StringReply(c.files.ProgramDirectory()));
     }},
    {"loadBytes",
     [](const CallContext& c, const InvokeRequest& r) {
         c.host.SetReturnValue(StringReply(c.files.LoadBytes(r.Argument(0))));
     }},
    {"newfolder",
     [](const CallContext& c, const InvokeRequest& r) {
         if (c.files.NewFolder(r.Argument(0))) {
             c.host.SetReturnValue(kReplyTrue);
         } else {
             // The movie gets its answer first; the message then runs while its call still waits.
             c.host.SetReturnValue(kReplyFalse);
             c.host.ShowFolderFailure();
         }
     }},
    {"enableDragWindow",
     [](const CallContext& c, const InvokeRequest&) { c.host.SetDragFlag(true); }},
    {"disableDragWindow",
     [](const CallContext& c, const InvokeRequest&) { c.host.SetDragFlag(false); }},
    {"DragingWindow",
     [](const CallContext& c, const InvokeRequest&) {
         if (c.host.DragFlag()) c.host.DragWindow();
     }},
};

}  // namespace

ExternalCallDispatcher::ExternalCallDispatcher(CallHost& host, FileServices& files,
                                               SettingsStore& settings)
    : context_{host, files, settings} {}

void ExternalCallDispatcher::Handle(const std::u16string& request) {
    Handle(InvokeRequest(request));
}

// Names are compared exactly, letter case included.
void ExternalCallDispatcher::Handle(const InvokeRequest& request) {
    const std::string name = request.Name();
    for (const Request& r : kRequests) {
        if (r.name == name) return r.handle(context_, request);
    }
}

std::vector<std::string> ExternalCallDispatcher::RequestNames() {
    std::vector<std::string> names;
    for (const Request& r : kRequests) names.emplace_back(r.name);
    return names;
}
