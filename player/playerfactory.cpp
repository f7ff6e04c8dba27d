#include "player/playerfactory.h"

#include "platform/filesystem.h"
#include "platform/textconv.h"
#include "platform/window.h"
#include "player/activexplayer.h"
#include "player/browserplayer.h"
#include "player/switches.h"

#include <utility>

namespace {

// The player's control file that ships with the courseware.
const char kControlFile[] = "Flash10h.ocx";

RECT ClientRectOf(HWND hwnd) {
    RECT r = {};
    ::GetClientRect(hwnd, &r);
    return r;
}

// The settings the main window's description stores for both players; only the alignment and the
// scale mode differ (the probe has no alignment of its own and is centred).
void StoreSettings(FlashPlayer& player, const char16_t* align, const char16_t* scale) {
    player.SetStoredSetting(L"WMode", u"Window");
    player.SetStoredSetting(L"Quality2", u"High");
    if (align) player.SetStoredSetting(L"SAlign", align);
    player.SetStoredSetting(L"Scale", scale);
    player.SetStoredFlag(L"Loop", true);
    player.SetStoredFlag(L"Menu", true);
    player.SetStoredFlag(L"DeviceFont", false);
    player.SetStoredFlag(L"EmbedMovie", false);
    player.SetStoredFlag(L"SeamlessTabbing", true);
    player.SetStoredSetting(L"AllowNetworking", u"all");
    player.SetStoredSetting(L"AllowFullScreen", u"false");
}

Players CreateFlashPlayers(const PlayerPlaces& places, const PlayerEvents& events) {
    Players players;
    ControlSource source{true, AnsiToWString(places.programDirectory + kControlFile)};
    auto control = std::make_unique<ActiveXPlayer>(places.courseware,
                                                   ClientRectOf(places.courseware), events, source);
    StoreSettings(control->Control(), u"LT", u"NoScale");
    source = control->Control().Source();
    players.courseware = std::move(control);
    auto probe = std::make_unique<ActiveXPlayer>(places.probe, ClientRectOf(places.probe),
                                                 PlayerEvents{}, source);
    StoreSettings(probe->Control(), nullptr, u"ShowAll");
    players.probe = std::move(probe);
    return players;
}

}  // namespace

Players CreatePlayers(const PlayerPlaces& places, PlayerEvents events) {
    PlayerSwitches switches = ParsePlayerSwitches(places.commandLine);
    if (!switches.ruffle) {
        try {
            return CreateFlashPlayers(places, events);
        } catch (const PlayerError&) {
            if (!Win32FileSystem().FolderExists(places.programDirectory + "ruffle")) throw;
        }
    }
    BrowserPlayerOptions options;
    options.programDirectory = Utf16ToUtf8(AnsiToWide(places.programDirectory));
    options.urlFile = WideToAnsi(switches.urlFile);
    options.requestNames = places.requestNames;
    Players players;
    auto browser = std::make_unique<BrowserPlayer>(std::move(events), std::move(options));
    players.browser = browser.get();
    players.courseware = std::move(browser);
    // The browser holds the foreground: our modal windows must come in front of it by themselves.
    SetMovieInAnotherProcess(true);
    return players;
}
