// What the main window uses of a movie player, whichever player plays the movie: the Flash
// ActiveX control in the window, or Ruffle in a browser window fed by a loopback server.
// Everything is called on the GUI thread and the events arrive there.
#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>

// A failing call into a player; the text is the player's own error description.
class PlayerError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a player reports of its movie: the two channels by which the movie talks to the shell.
struct PlayerEvents {
    std::function<void(const std::u16string& command, const std::u16string& args)> fsCommand;
    std::function<void(const std::u16string& request)> flashCall;
};

class MoviePlayer {
  public:
    virtual ~MoviePlayer() = default;

    // A full path loads that movie and starts it; empty text unloads the current movie.
    virtual void SetMovie(const std::u16string& path) = 0;
    virtual bool Playing() = 0;
    // How far the movie has loaded, as the Flash control counts: 4 when it is complete.
    virtual int ReadyState() = 0;
    virtual void SetPlaying(bool playing) = 0;
    virtual void Play() = 0;
    virtual std::u16string GetVariable(const std::u16string& name) = 0;
    // Runs the movie function named in the invoke request; returns its reply.
    virtual std::u16string CallFunction(const std::u16string& request) = 0;
    // Called while the FlashCall event is handled: the result of the movie's call.
    virtual void SetReturnValue(const std::u16string& value) = 0;

    // The player's own child window in the main window (nullptr for a player that has none).
    virtual HWND ControlWindow() const = 0;
    virtual void SetBounds(const RECT& bounds) = 0;

    enum class WindowState { Minimized, Normal, Maximized };
    // Puts the window the movie plays in into the state; false when that window is the main
    // window, whose state the caller changes itself.
    virtual bool ShowWindowState(WindowState state) = 0;
};
