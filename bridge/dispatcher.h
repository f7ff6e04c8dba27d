// The external-call dispatcher: routes each invoke request of the movie by its name to the file
// services, the settings store or the window, and sets the reply. It catches nothing: a failing
// request ends where it failed, without a reply, and the failure goes on to the player event's
// guard and from there to the default error report.
#pragma once

#include "bridge/fileservices.h"
#include "bridge/invoke.h"
#include "bridge/settings.h"

#include <string>
#include <vector>

// What the dispatcher needs from the main window.
class CallHost {
  public:
    virtual ~CallHost() = default;
    // Hands an invoke reply (ANSI text) back to the player.
    virtual void SetReturnValue(const std::string& reply) = 0;
    virtual bool DragFlag() const = 0;
    virtual void SetDragFlag(bool value) = 0;
    // Moves the window with the mouse; returns when the user has let go.
    virtual void DragWindow() = 0;
    // The error message of a folder that could not be created; returns when it is closed.
    virtual void ShowFolderFailure() = 0;
};

// What the requests work with.
struct CallContext {
    CallHost& host;
    FileServices& files;
    SettingsStore& settings;
};

class ExternalCallDispatcher {
  public:
    ExternalCallDispatcher(CallHost& host, FileServices& files, SettingsStore& settings);
    virtual ~ExternalCallDispatcher() = default;

    // One request as the player delivers it (UTF-16).
    void Handle(const std::u16string& request);
    // One request already decoded. Other names than those of the table get no reply.
    void Handle(const InvokeRequest& request);

    // The names of the requests, for a player that must offer the movie a function of each.
    static std::vector<std::string> RequestNames();

  private:
    CallContext context_;
};
