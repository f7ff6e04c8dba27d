#include "player/flashplayer.h"

#include "platform/fileversion.h"
#include "platform/guard.h"
#include "platform/handles.h"
#include "platform/textconv.h"
#include "player/flashbuild.h"

#include <ocidl.h>
#include <olectl.h>

#include <vector>

// Not declared by MinGW's headers; oleaut32 has it from Windows Vista on.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* fullPath,
                                                 OLECHAR* helpDir);

namespace {

const CLSID kPlayerClassId = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kPlayerEventsId = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The player's class key, in the process's own registry view, as COM reads it.
const wchar_t kPlayerServerKey[] = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32";

enum : DISPID {
    kDispReadyState = -525,
    kDispMovie = 0x66,
    kDispPlay = 0x70,
    kDispPlaying = 0x7D,
    kDispFSCommand = 0x96,
    kDispGetVariable = 0x98,
    kDispFlashCall = 0xC5,
    kDispCallFunction = 0xC6,
    kDispSetReturnValue = 0xC7,
};

UniqueBstr ToBstr(const std::u16string& s) {
    return UniqueBstr(WideToNewBstr(s));
}

std::string SystemText(HRESULT hr) {
    char* buffer = nullptr;
    DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (n && buffer) {
        text.assign(buffer, n);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
            text.pop_back();
    }
    if (buffer) ::LocalFree(buffer);
    if (text.empty()) {
        char code[32];
        wsprintfA(code, "OLE error %08X", static_cast<unsigned>(hr));
        text = code;
    }
    return text;
}

[[noreturn]] void Fail(HRESULT hr, EXCEPINFO* info = nullptr) {
    std::string text;
    if (info) {
        if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
        // The strings of the exception are ours to free, whichever of them the control filled in.
        UniqueBstr description(info->bstrDescription), source(info->bstrSource),
            helpFile(info->bstrHelpFile);
        if (description) text = WideToAnsi(BstrToWide(description.get()));
    }
    throw PlayerError(text.empty() ? SystemText(hr) : text);
}

// The string argument of an event, whatever variant type the control chose for it.
std::u16string TextArgument(const VARIANT& v) {
    if (v.vt == VT_BSTR) return BstrToWide(v.bstrVal);
    if (v.vt == (VT_BSTR | VT_BYREF) && v.pbstrVal) return BstrToWide(*v.pbstrVal);
    UniqueVariant converted;
    if (SUCCEEDED(::VariantChangeType(converted.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR)))
        return BstrToWide((*converted).bstrVal);
    return {};
}

// The file that serves the player's registered class; empty when there is none. COM expands a
// REG_EXPAND_SZ path (%SystemRoot%\\...) before it loads it, and so do we.
std::wstring RegisteredControlFile() {
    UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, kPlayerServerKey, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return {};
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]),
                           &bytes) != ERROR_SUCCESS)
        return {};
    value.resize(::wcsnlen(value.c_str(), bytes / sizeof(wchar_t)));
    if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
        value = value.substr(1, value.size() - 2);
    if (type == REG_EXPAND_SZ) {
        DWORD n = ::ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
        std::wstring expanded(n, L'\0');
        if (n == 0 || ::ExpandEnvironmentStringsW(value.c_str(), &expanded[0], n) != n) return {};
        expanded.resize(n - 1);
        value = expanded;
    }
    return value;
}

// Whether a control file may play, judged by its build; a file without a readable version is
// given its chance.
bool IsUsableControlFile(const std::wstring& file) {
    return file.empty() || IsUsableControlBuild(ReadFileVersion(file));
}

// A control's dispatch may look its type library up in the registry, where an unregistered control
// file never wrote it. Registered for this user only: no rights needed, nothing machine-wide. A
// file without one, or a refusal, leaves the control to manage without.
void RegisterTypeLibraryForUser(const std::wstring& file) {
    ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(file.c_str(), REGKIND_NONE, library.put()))) return;
    std::wstring path = file;
    ::RegisterTypeLibForUser(library.get(), &path[0], nullptr);
}

// The control file's module, loaded at the first request and never unloaded: the controls made
// from it, and their class factory, live in its code until the process ends. A file that is not a
// loadable module gives nullptr, quietly: no system error box about it.
HMODULE BundledControlModule(const std::wstring& file) {
    static HMODULE module = [&] {
        DWORD previous = 0;
        ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
        // Its own folder first for the modules it needs, as for a registered server.
        HMODULE loaded = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        ::SetThreadErrorMode(previous, nullptr);
        if (loaded) RegisterTypeLibraryForUser(file);
        return loaded;
    }();
    return module;
}

// What COM does for a registered in-process server, from the file itself.
HRESULT CreateFromFile(const std::wstring& file, REFIID iid, void** out) {
    HMODULE module = BundledControlModule(file);
    if (!module) return HRESULT_FROM_WIN32(::GetLastError());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    if (!getClassObject) return CLASS_E_CLASSNOTAVAILABLE;
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(getClassObject(kPlayerClassId, IID_IClassFactory, factory.put_void()));
    return factory->CreateInstance(nullptr, iid, out);
}

}  // namespace

// The container side of the control: one object with a small class per OLE site interface,
// each forwarding identity and lifetime to the site.
class FlashPlayer::Site {
  public:
    Site() : client_(this), inPlace_(this), frame_(this), ambient_(this), sink_(this) {}

    ULONG AddRef() { return ++refs_; }
    ULONG Release() {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT QueryInterface(REFIID iid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(&client_);
        } else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) {
            *out = static_cast<IOleInPlaceSite*>(&inPlace_);
        } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
            *out = static_cast<IOleInPlaceFrame*>(&frame_);
        } else if (iid == IID_IDispatch) {
            // What a control asks its client site's dispatch is the container's ambient state.
            *out = static_cast<IDispatch*>(&ambient_);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    // The event sink, an object of its own for QueryInterface, for the control's connection point.
    IDispatch* Sink() {
        AddRef();
        return &sink_;
    }

    HWND parent = nullptr;
    RECT bounds = {};
    PlayerEvents events;
    ComPtr<IOleObject> object;
    ComPtr<IOleInPlaceObject> inPlaceObject;
    ComPtr<IDispatch> dispatch;
    UniqueAdvice advice;

  private:
    template <typename I>
    class Part : public I {
      public:
        explicit Part(Site* site) : site_(site) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            return site_->QueryInterface(iid, out);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return site_->AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return site_->Release(); }

      protected:
        Site* site_;
    };

    class ClientSite : public Part<IOleClientSite> {
      public:
        using Part::Part;
        HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
            *c = nullptr;
            return E_NOINTERFACE;
        }
        HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    };

    class InPlaceSite : public Part<IOleInPlaceSite> {
      public:
        using Part::Part;
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
            *w = site_->parent;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                                   IOleInPlaceUIWindow** doc, LPRECT pos,
                                                   LPRECT clip,
                                                   LPOLEINPLACEFRAMEINFO info) override {
            site_->QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame));
            *doc = nullptr;
            *pos = site_->bounds;
            *clip = site_->bounds;
            if (info) {
                info->fMDIApp = FALSE;
                info->hwndFrame = site_->parent;
                info->haccel = nullptr;
                info->cAccelEntries = 0;
            }
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT pos) override {
            return site_->inPlaceObject ? site_->inPlaceObject->SetObjectRects(pos, pos) : S_OK;
        }
    };

    class InPlaceFrame : public Part<IOleInPlaceFrame> {
      public:
        using Part::Part;
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
            *w = site_->parent;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
        HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
            return INPLACE_E_NOTOOLSPACE;
        }
        HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    };

    // The ambient properties, as a container at run time answers them: in user mode, nothing
    // drawn around the control, no messages reflected. Those left out are not supported, so the
    // control keeps its own defaults for them.
    class AmbientProperties : public Part<IDispatch> {
      public:
        using Part::Part;
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
            *n = 0;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
            return DISP_E_UNKNOWNNAME;
        }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                         VARIANT* result, EXCEPINFO*, UINT*) override {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            VARIANT value;
            ::VariantInit(&value);
            switch (id) {
                case DISPID_AMBIENT_USERMODE:
                    value.vt = VT_BOOL;
                    value.boolVal = VARIANT_TRUE;
                    break;
                case DISPID_AMBIENT_UIDEAD:
                case DISPID_AMBIENT_SHOWHATCHING:
                case DISPID_AMBIENT_SHOWGRABHANDLES:
                case DISPID_AMBIENT_MESSAGEREFLECT:
                case DISPID_AMBIENT_DISPLAYASDEFAULT:
                case DISPID_AMBIENT_SUPPORTSMNEMONICS:
                    value.vt = VT_BOOL;
                    value.boolVal = VARIANT_FALSE;
                    break;
                case DISPID_AMBIENT_LOCALEID:
                    value.vt = VT_I4;
                    value.lVal = static_cast<LONG>(::GetUserDefaultLCID());
                    break;
                default:
                    return DISP_E_MEMBERNOTFOUND;
            }
            if (!result) return E_INVALIDARG;
            *result = value;
            return S_OK;
        }
    };

    // Receives the player's events. A failure of a handler is reported here, where the event is
    // delivered, and the event returns to the control normally. Its identity is its own, so a
    // connection point that asks it for IDispatch gets the sink, never the ambient properties;
    // its lifetime is the site's.
    class EventSink : public Part<IDispatch> {
      public:
        using Part::Part;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kPlayerEventsId)
                return E_NOINTERFACE;
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
            *n = 0;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                         VARIANT*, EXCEPINFO*, UINT*) override {
            const PlayerEvents& events = site_->events;
            // Arguments arrive last first.
            if (id == kDispFSCommand && params && params->cArgs >= 2 && events.fsCommand) {
                std::u16string command = TextArgument(params->rgvarg[params->cArgs - 1]);
                std::u16string args = TextArgument(params->rgvarg[params->cArgs - 2]);
                site_->AddRef();
                Guarded([&] { events.fsCommand(command, args); });
                site_->Release();
            } else if (id == kDispFlashCall && params && params->cArgs >= 1 && events.flashCall) {
                std::u16string request = TextArgument(params->rgvarg[params->cArgs - 1]);
                site_->AddRef();
                Guarded([&] { events.flashCall(request); });
                site_->Release();
            }
            return S_OK;
        }
    };

    ULONG refs_ = 1;
    ClientSite client_;
    InPlaceSite inPlace_;
    InPlaceFrame frame_;
    AmbientProperties ambient_;
    EventSink sink_;
};

namespace {

// One call through IDispatch::Invoke; arguments are given first to last.
void Invoke(IDispatch* dispatch, DISPID id, WORD flags, std::vector<VARIANT> args,
            VARIANT* result) {
    if (!dispatch) throw PlayerError("The player control is not available");
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {};
    DISPID named = DISPID_PROPERTYPUT;
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &named;
    }
    EXCEPINFO info = {};
    UINT argError = 0;
    HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info,
                                  &argError);
    if (FAILED(hr)) Fail(hr, hr == DISP_E_EXCEPTION ? &info : nullptr);
}

VARIANT BstrArg(BSTR s) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = s;
    return v;
}

VARIANT BoolArg(bool b) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

std::u16string TextResult(const UniqueVariant& result) {
    return TextArgument(*result);
}

}  // namespace

FlashPlayer::FlashPlayer() : site_(new Site) {}

FlashPlayer::~FlashPlayer() {
    Shutdown();
    site_->Release();
}

void FlashPlayer::Create(HWND parent, const RECT& bounds, PlayerEvents events,
                         const ControlSource& source) {
    Site& s = *site_;
    s.parent = parent;
    s.bounds = bounds;
    s.events = std::move(events);
    HRESULT hr = Embed(source);
    if (FAILED(hr)) {
        Shutdown();
        Fail(hr);
    }
    SetBounds(bounds);
}

// The embedding protocol: create the control, give it its client site and a fresh state, connect
// the event sink, then activate it in place in the parent window. Every step must succeed: a
// control whose events cannot reach us would play a movie that nobody answers.
HRESULT FlashPlayer::Embed(const ControlSource& source) {
    Site& s = *site_;
    HRESULT hr = REGDB_E_CLASSNOTREG;
    if (source.registered) {
        // A registered control of a build that refuses all content is as good as none: the next
        // source gets its turn, and the killed control is never even loaded.
        if (!IsUsableControlFile(RegisteredControlFile())) {
            hr = CLASS_E_CLASSNOTAVAILABLE;
        } else {
            hr = ::CoCreateInstance(kPlayerClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    s.object.put_void());
            if (SUCCEEDED(hr)) source_ = {true, {}};
        }
    }
    // The registry's failure is the one reported when the file cannot serve either. A killed
    // build beside the program is no better than a registered one.
    if (FAILED(hr) && !source.file.empty() && IsUsableControlFile(source.file) &&
        SUCCEEDED(CreateFromFile(source.file, IID_IOleObject, s.object.put_void()))) {
        hr = S_OK;
        source_ = {false, source.file};
    }
    RETURN_IF_FAILED(hr);
    ComPtr<IOleClientSite> clientSite;
    RETURN_IF_FAILED(s.QueryInterface(IID_IOleClientSite, clientSite.put_void()));
    RETURN_IF_FAILED(s.object->SetClientSite(clientSite.get()));
    if (auto init = s.object.query<IPersistStreamInit>(IID_IPersistStreamInit))
        RETURN_IF_FAILED(init->InitNew());

    s.dispatch = s.object.query<IDispatch>(IID_IDispatch);
    if (!s.dispatch) return E_NOINTERFACE;

    // Events: the player's own event interface on its connection point.
    auto container = s.object.query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) return E_NOINTERFACE;
    ComPtr<IConnectionPoint> point;
    RETURN_IF_FAILED(container->FindConnectionPoint(kPlayerEventsId, point.put()));
    ComPtr<IDispatch> sink(s.Sink());
    DWORD cookie = 0;
    RETURN_IF_FAILED(point->Advise(sink.get(), &cookie));
    s.advice.reset(Advice{point.detach(), cookie});

    RECT r = s.bounds;
    RETURN_IF_FAILED(
        s.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite.get(), 0, s.parent, &r));
    s.inPlaceObject = s.object.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    return s.inPlaceObject ? S_OK : E_NOINTERFACE;
}

void FlashPlayer::SetBounds(const RECT& bounds) {
    site_->bounds = bounds;
    if (!site_->inPlaceObject) return;
    HRESULT hr = site_->inPlaceObject->SetObjectRects(&bounds, &bounds);
    if (FAILED(hr)) Fail(hr);
}

HWND FlashPlayer::ControlWindow() const {
    HWND hwnd = nullptr;
    if (!site_->inPlaceObject || FAILED(site_->inPlaceObject->GetWindow(&hwnd))) return nullptr;
    return hwnd;
}

void FlashPlayer::SetMovie(const std::u16string& path) {
    UniqueBstr s = ToBstr(path);
    Invoke(site_->dispatch.get(), kDispMovie, DISPATCH_PROPERTYPUT, {BstrArg(s.get())}, nullptr);
}

bool FlashPlayer::Playing() {
    UniqueVariant result;
    Invoke(site_->dispatch.get(), kDispPlaying, DISPATCH_PROPERTYGET, {}, result.get());
    UniqueVariant b;
    if (FAILED(::VariantChangeType(b.get(), result.get(), 0, VT_BOOL))) return false;
    return (*b).boolVal != VARIANT_FALSE;
}

int FlashPlayer::ReadyState() {
    UniqueVariant result;
    Invoke(site_->dispatch.get(), kDispReadyState, DISPATCH_PROPERTYGET, {}, result.get());
    UniqueVariant number;
    if (FAILED(::VariantChangeType(number.get(), result.get(), 0, VT_I4)))
        throw PlayerError("The player's ready state is not a number");
    return static_cast<int>((*number).lVal);
}

void FlashPlayer::SetPlaying(bool playing) {
    Invoke(site_->dispatch.get(), kDispPlaying, DISPATCH_PROPERTYPUT, {BoolArg(playing)}, nullptr);
}

void FlashPlayer::Play() {
    Invoke(site_->dispatch.get(), kDispPlay, DISPATCH_METHOD, {}, nullptr);
}

std::u16string FlashPlayer::GetVariable(const std::u16string& name) {
    UniqueBstr s = ToBstr(name);
    UniqueVariant result;
    Invoke(site_->dispatch.get(), kDispGetVariable, DISPATCH_METHOD, {BstrArg(s.get())},
           result.get());
    return TextResult(result);
}

std::u16string FlashPlayer::CallFunction(const std::u16string& request) {
    UniqueBstr s = ToBstr(request);
    UniqueVariant result;
    Invoke(site_->dispatch.get(), kDispCallFunction, DISPATCH_METHOD, {BstrArg(s.get())},
           result.get());
    return TextResult(result);
}

void FlashPlayer::SetReturnValue(const std::u16string& value) {
    UniqueBstr s = ToBstr(value);
    Invoke(site_->dispatch.get(), kDispSetReturnValue, DISPATCH_METHOD, {BstrArg(s.get())},
           nullptr);
}

void FlashPlayer::PutByName(const wchar_t* name, VARIANT value) {
    if (!site_->dispatch) return;
    DISPID id;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(site_->dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return;
    try {
        Invoke(site_->dispatch.get(), id, DISPATCH_PROPERTYPUT, {value}, nullptr);
    } catch (const PlayerError&) {
        // A player that refuses a setting keeps its own default; the movie still plays.
    }
}

void FlashPlayer::SetStoredSetting(const wchar_t* name, const std::u16string& value) {
    UniqueBstr s = ToBstr(value);
    PutByName(name, BstrArg(s.get()));
}

void FlashPlayer::SetStoredFlag(const wchar_t* name, bool value) {
    PutByName(name, BoolArg(value));
}

void FlashPlayer::Shutdown() {
    Site& s = *site_;
    s.advice.reset();
    if (s.inPlaceObject) {
        s.inPlaceObject->InPlaceDeactivate();
        s.inPlaceObject.reset();
    }
    if (s.object) {
        s.object->Close(OLECLOSE_NOSAVE);
        s.object->SetClientSite(nullptr);
        s.object.reset();
    }
    s.dispatch.reset();
}
