// The browser player: Ruffle, the open-source Flash emulator, plays the movie in a browser window
// while a loopback HTTP server inside the program serves the page, Ruffle's files and the program
// directory, and carries the movie's commands and calls to the GUI thread and the host's calls
// back to the movie.
#pragma once

#include "player/player.h"

#include <memory>
#include <string>
#include <vector>

struct BrowserPlayerOptions {
    std::string programDirectory;  // UTF-8, with a trailing backslash
    std::string urlFile;           // ANSI; when set, the page's URL is written there, no browser starts
    std::vector<std::string> requestNames;  // the host's services the page offers the movie
};

class BrowserPlayer : public MoviePlayer {
  public:
    // Starts the server; throws PlayerError when it cannot listen.
    BrowserPlayer(PlayerEvents events, BrowserPlayerOptions options);
    ~BrowserPlayer() override;

    // Opens the page in a browser window of Edge or Chrome (or writes its URL to the test file);
    // false when there is no such browser to start.
    bool ShowPage();

    void SetMovie(const std::u16string& path) override;
    bool Playing() override { return playing_; }
    // The page has no loading stage the program waits for.
    int ReadyState() override { return 4; }
    void SetPlaying(bool playing) override;
    void Play() override { SetPlaying(true); }
    std::u16string GetVariable(const std::u16string& name) override;
    std::u16string CallFunction(const std::u16string& request) override;
    void SetReturnValue(const std::u16string& value) override;
    HWND ControlWindow() const override { return nullptr; }
    void SetBounds(const RECT&) override {}
    bool ShowWindowState(WindowState state) override;

    class Impl;

  private:
    std::unique_ptr<Impl> impl_;
    bool playing_ = true;
};
