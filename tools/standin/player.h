// The stand-in player control: a test tool that answers the Shockwave Flash class id and plays
// scripted "movies" (text files) so the real program can be driven end to end.
//
// Protocol with the container: the container hands us its client site, then DoVerb makes us
// in-place active: we ask the site's IOleInPlaceSite for permission, the parent window and our
// rectangle, and create one child window there. Properties and methods arrive only through
// IDispatch::Invoke; events go back through the IDispatch sinks advised on our single connection
// point. The script runs from a message-only window's timers and posted messages on the
// creating (GUI) thread, so it never blocks the container's message loop.
//
// Like a real (MFC or ATL) control it asks its client site for the ambient UserMode when it is
// activated, and does not play in design mode. Built as standin_killed.dll it is a Flash build
// that refuses all content: version resource 32.0.0.465, a "blocked" panel, no script.
#pragma once

#include "movielog.h"
#include "script.h"
#include "winutil.h"

#include <ocidl.h>
#include <olectl.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace standin {

extern HINSTANCE g_module;
extern LONG g_objects;

class Player final : public IOleObject,
                     public IOleInPlaceObject,
                     public IDispatch,
                     public IConnectionPointContainer,
                     public IPersistStreamInit,
                     public IOleControl {
  public:
    Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                        LPCRECT pos) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink*, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD) override { return S_OK; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* error, UINT* argError) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IPersist / IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnMnemonic(MSG*) override { return S_OK; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

  private:
    // The connection point has an identity of its own but lives and dies with the player.
    class EventPoint final : public IConnectionPoint {
      public:
        explicit EventPoint(Player& owner) : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }
        STDMETHODIMP GetConnectionInterface(IID* iid) override;
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
        STDMETHODIMP Unadvise(DWORD cookie) override;
        STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

      private:
        Player& owner_;
    };

    enum class MainState { Ended, Ready, Busy, Waiting, WaitingCall, Joining };

    struct Loop {
        int id;
        Step step;
        long long interval;
        long long remaining;
        long long ticks;
        long long start;
    };

    struct CallFrame {
        bool replied = false;
        std::wstring reply;
    };

    // A sequence of steps being run: the movie's own script at the bottom, above it the block of
    // a clicked widget or of a `press`.
    struct Frame {
        const std::vector<Step>* steps;
        size_t pc;
        std::string block;  // widget id; empty for the main script
    };

    // A button or a grip of an interactive movie. A grip acts on the left-button press, so the
    // mouse is still down when its block runs (what a movie's drag handle needs).
    struct Widget {
        std::string id;
        std::wstring label;
        bool grip = false;
        HWND window = nullptr;
        RECT place{};
    };

    ~Player();

  public:
    static LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    static LRESULT CALLBACK ClockProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnViewMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnClockMessage(UINT msg, WPARAM wp, LPARAM lp);

    HRESULT Activate(IOleClientSite* site, HWND parent, LPCRECT pos);
    // The ambient UserMode, read as a control reads it; false only for an answer that says so.
    bool AskUserMode(IOleClientSite* site);
    // S_OK unless STANDIN_REQUIRE_TYPELIB is set and the type library is not registered.
    HRESULT RequireTypeLibrary();
    void Paint(HWND hwnd);
    void PaintBlocked(HDC dc, const RECT& r);

    // Interactive movies.
    void CreateWidgetWindows();
    void DestroyWidgetWindows();
    void LayoutWidgets();
    void PaintGrip(HDC dc, const Widget& widget);
    void OnWidget(size_t index);
    void StartPendingClick();
    void ShowText(const std::string& utf8);
    void ScrollTextToEnd();

    // Properties and methods behind Invoke.
    HRESULT PutMovie(const std::wstring& path);
    void FinishLoad();
    HRESULT GetVariable(const std::wstring& name, VARIANT* result, EXCEPINFO* error);
    HRESULT CallFunction(const std::wstring& request, VARIANT* result, EXCEPINFO* error);
    HRESULT SetReturnValue(const std::wstring& value);
    HRESULT Fail(EXCEPINFO* error, const std::string& text);

    // The script.
    void StopScript();
    void PostContinue();
    void RunMain(bool quietOnly);
    void RunQuiet(const Step& step);
    void RunEvent(const Step& step);
    void StartLoop(const Step& step);
    void LoopTick(int id);
    void ScheduleLoop(const Loop& loop);
    void FireFsCommand(const std::string& command, const std::string& args);
    void FireFlashCall(const std::string& request);
    bool FireEvent(DISPID id, const std::vector<std::wstring>& argsInOrder);
    void PostInput(UINT down, UINT up, WPARAM keys, LPARAM where, const std::string& what);

    void Log(const std::string& utf8) { log_.Line(utf8); }

    LONG refs_ = 1;
    int instance_;
    MovieLog log_;
    EventPoint events_{*this};
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    HWND view_ = nullptr;
    HWND clock_ = nullptr;
    SIZEL extent_{8467, 6350};
    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
    DWORD nextCookie_ = 1;
    std::map<DISPID, std::wstring> settings_;

    bool designMode_ = false;
    ComPtr<ITypeLib> typeLibrary_;

    std::wstring moviePath_;
    bool loaded_ = false;
    bool loading_ = false;  // a movie with a load time, not there yet
    bool playing_ = false;
    Script script_;
    std::vector<Frame> frames_;
    unsigned generation_ = 0;
    MainState state_ = MainState::Ended;
    std::string waitFunction_;
    std::map<std::string, std::string> vars_;
    std::map<std::string, std::string> functions_;
    std::map<std::string, int> arrivals_;
    std::vector<Loop> loops_;
    int nextLoop_ = 1;
    std::vector<CallFrame> calls_;

    bool interactive_ = false;
    std::wstring title_;
    std::vector<Widget> widgets_;
    std::map<std::string, const std::vector<Step>*> blocks_;
    std::deque<std::string> clicks_;
    HWND textArea_ = nullptr;
    std::wstring text_;  // the text area's content, kept while there is no window
    HFONT uiFont_ = nullptr;
    HFONT titleFont_ = nullptr;
};

}  // namespace standin
