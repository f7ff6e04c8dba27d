// In-process server entry points: class factory and self-registration under the Shockwave
// Flash class id. Registering this in a real Windows installation would hide the real player;
// it is meant for throw-away test prefixes only.
#include "player.h"

#include <new>

namespace standin {
namespace {

LONG g_locks = 0;

constexpr wchar_t kClsidKey[] = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kProgId[] = L"ShockwaveFlash.ShockwaveFlash";
#ifdef STANDIN_KILLED
constexpr wchar_t kDescription[] = L"Shockwave Flash Object (stand-in test tool, killed build)";
#else
constexpr wchar_t kDescription[] = L"Shockwave Flash Object (stand-in test tool)";
#endif

class Factory final : public IClassFactory {
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // Static object: its lifetime is the module's.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* player = new (std::nothrow) Player();
        if (!player) return E_OUTOFMEMORY;
        HRESULT hr = player->QueryInterface(iid, out);
        player->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

Factory g_factory;

LONG SetString(HKEY root, const std::wstring& subkey, const wchar_t* name,
               const std::wstring& value) {
    HKEY key = nullptr;
    LONG rc =
        RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        StartClock();
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != kClsidShockwaveFlash) return CLASS_E_CLASSNOTAVAILABLE;
    // A control file that does not serve the player's class, for the container's start-up tests.
    if (GetEnvironmentVariableW(L"STANDIN_REFUSE_CLASS", nullptr, 0) > 0)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    const std::wstring clsid = kClsidKey;
    // The class only: the type library stays unregistered, as in a control file nobody
    // registered, until a container registers it.
    LONG rc = SetString(HKEY_CLASSES_ROOT, clsid, nullptr, kDescription);
    if (rc == ERROR_SUCCESS)
        rc = SetString(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", nullptr, path);
    if (rc == ERROR_SUCCESS)
        rc = SetString(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel",
                       L"Apartment");
    if (rc == ERROR_SUCCESS)
        rc = SetString(HKEY_CLASSES_ROOT, clsid + L"\\ProgID", nullptr, kProgId);
    if (rc == ERROR_SUCCESS)
        rc = SetString(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", nullptr,
                       L"{D27CDB6E-AE6D-11CF-96B8-444553540000}");
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    LONG a = RegDeleteTreeW(HKEY_CLASSES_ROOT, kClsidKey);
    LONG b = RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    bool ok = (a == ERROR_SUCCESS || a == ERROR_FILE_NOT_FOUND) &&
              (b == ERROR_SUCCESS || b == ERROR_FILE_NOT_FOUND);
    return ok ? S_OK : SELFREG_E_CLASS;
}
