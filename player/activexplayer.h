// The Flash ActiveX control as a MoviePlayer: the control lives in a child window of the main
// window, so window states are the main window's own.
#pragma once

#include "player/flashplayer.h"
#include "player/player.h"

class ActiveXPlayer : public MoviePlayer {
  public:
    // Creates the control inside the parent, from the given source. Throws PlayerError when
    // neither the registered class nor the control file gives one.
    // A half-made control lets go of its site with the member's destruction.
    ActiveXPlayer(HWND parent, const RECT& bounds, PlayerEvents events,
                  const ControlSource& source);

    void SetMovie(const std::u16string& path) override { control_.SetMovie(path); }
    bool Playing() override { return control_.Playing(); }
    int ReadyState() override { return control_.ReadyState(); }
    void SetPlaying(bool playing) override { control_.SetPlaying(playing); }
    void Play() override { control_.Play(); }
    std::u16string GetVariable(const std::u16string& name) override {
        return control_.GetVariable(name);
    }
    std::u16string CallFunction(const std::u16string& request) override {
        return control_.CallFunction(request);
    }
    void SetReturnValue(const std::u16string& value) override { control_.SetReturnValue(value); }
    HWND ControlWindow() const override { return control_.ControlWindow(); }
    void SetBounds(const RECT& bounds) override { control_.SetBounds(bounds); }
    bool ShowWindowState(WindowState) override { return false; }

    // The stored settings of the window description.
    FlashPlayer& Control() { return control_; }

  private:
    FlashPlayer control_;
};
