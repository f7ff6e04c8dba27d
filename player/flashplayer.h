// Host for the Shockwave Flash ActiveX control, written against plain OLE without ATL.
//
// Protocol: the control is created by class id and given a client site; DoVerb(INPLACEACTIVATE)
// makes it ask the site (IOleInPlaceSite) for the parent window and rectangles and create its own
// child window there. From then on the host moves it with IOleInPlaceObject::SetObjectRects. The
// control's properties and methods are reached through IDispatch::Invoke by dispatch id, which
// does not depend on the vtable layout of any particular player version. Its events arrive on an
// IDispatch sink advised on the control's connection point for the player's event interface.
//
// Where the class is not registered (a school PC where learners may not run regsvr32), the
// control file beside the program serves it directly: the module is loaded and its class factory
// asked for the player's class, as COM itself would have done from the registry; its type
// library is registered for the current user. A control of a build that refuses all content is
// passed over, registered or beside the program, as if it were not there.
//
// The client site answers the control's ambient properties as a run-time container does (user
// mode above all: a control that believes itself in a designer does not play); the event sink is
// an object of its own.
#pragma once

#include "player/player.h"

#include <windows.h>
#include <oaidl.h>

#include <string>

// Where the control comes from: the class registered on the platform, tried first where allowed,
// then the given control file (empty: none).
struct ControlSource {
    bool registered = true;
    std::wstring file;
};

class FlashPlayer {
  public:
    FlashPlayer();
    ~FlashPlayer();
    FlashPlayer(const FlashPlayer&) = delete;
    FlashPlayer& operator=(const FlashPlayer&) = delete;

    // Creates the control inside the parent window. Throws PlayerError when neither source gives
    // a control.
    void Create(HWND parent, const RECT& bounds, PlayerEvents events, const ControlSource& source);
    // The one source this control came from, to make another of the same build.
    const ControlSource& Source() const { return source_; }
    void SetBounds(const RECT& bounds);
    // The control's own window (nullptr before it is active).
    HWND ControlWindow() const;

    void SetMovie(const std::u16string& path);
    bool Playing();
    // How far the movie has loaded: 0 loading, 1 uninitialised, 2 loaded, 3 interactive,
    // 4 complete.
    int ReadyState();
    void SetPlaying(bool playing);
    void Play();
    std::u16string GetVariable(const std::u16string& name);
    std::u16string CallFunction(const std::u16string& request);
    void SetReturnValue(const std::u16string& value);

    // The stored settings of the control, written by name; a player that lacks one keeps its own.
    void SetStoredSetting(const wchar_t* name, const std::u16string& value);
    void SetStoredFlag(const wchar_t* name, bool value);

    void Shutdown();

  private:
    HRESULT Embed(const ControlSource& source);
    void PutByName(const wchar_t* name, VARIANT value);

    class Site;
    Site* site_ = nullptr;  // holds its own COM reference count
    ControlSource source_;
};
