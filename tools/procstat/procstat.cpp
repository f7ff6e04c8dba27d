// Soak tool: prints what a running program holds, one line per call, for comparing the start of a
// soak with its end:
//
//   procstat NAME.exe   ->   pid=.. handles=.. gdi=.. user=.. windows=.. private=..
//
// "gdi" and "user" come from GetGuiResources where the platform answers it. Wine answers 0 there,
// so then "gdi" counts the live entries of the process's GDI handle table (read from its PEB),
// "handles" comes from the system's list of all handles, and "user" is -1; "windows" (top-level,
// child and message-only windows of the process) stands for the USER objects a leak would show
// first.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

DWORD FindProcess(const char* name) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL ok = ::Process32First(snapshot, &entry); ok; ok = ::Process32Next(snapshot, &entry)) {
        if (::lstrcmpiA(entry.szExeFile, name) == 0) found = entry.th32ProcessID;
    }
    ::CloseHandle(snapshot);
    return found;
}

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK CountChild(HWND hwnd, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == c->pid) ++c->count;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND hwnd, LPARAM param) {
    CountChild(hwnd, param);
    ::EnumChildWindows(hwnd, CountChild, param);
    return TRUE;
}

long CountWindows(DWORD pid) {
    WindowCount c{pid, 0};
    ::EnumWindows(CountTop, reinterpret_cast<LPARAM>(&c));
    for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        CountTop(w, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

// The GDI handle table as Wine lays it out: 65536 entries of 24 bytes, an entry in use when its
// type byte is not zero.
long CountGdiTable(HANDLE process) {
    using QueryInformation = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -2;
    const auto* peb = static_cast<const char*>(static_cast<void*>(basic.PebBaseAddress));
    unsigned long long table = 0;
#ifdef _WIN64
    // GdiSharedHandleTable of the 64-bit PEB: this tool and the program are of one build.
    if (!::ReadProcessMemory(process, peb + 0xF8, &table, sizeof table, nullptr)) return -3;
#else
    DWORD table32 = 0;  // GdiSharedHandleTable of the 32-bit PEB
    if (!::ReadProcessMemory(process, peb + 0x94, &table32, sizeof table32, nullptr)) return -3;
    table = table32;
    // In a 64-bit prefix Wine keeps it only in the 64-bit PEB, the page below the 32-bit one.
    if (!table && !::ReadProcessMemory(process, peb - 0x1000 + 0xF8, &table, sizeof table, nullptr))
        return -4;
    if (table > 0xFFFFFFFFull) return -4;
#endif
    if (!table) return -4;
    const size_t entries = 0x10000, size = 24;
    std::vector<unsigned char> copy(entries * size);
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<ULONG_PTR>(table)),
                             copy.data(), copy.size(), &got))
        return -5;
    long live = 0;
    for (size_t i = 0; i < got / size; ++i)
        if (copy[i * size + 14] != 0) ++live;
    return live;
}

// Handles the process holds, from the system's list of every handle (Wine answers 0 to the
// per-process count).
long CountHandles(DWORD pid) {
    using QuerySystem = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    struct Entry {
        ULONG owner;
        BYTE type;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        NTSTATUS status = query(16 /* SystemHandleInformation */, buffer.data(),
                                static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<NTSTATUS>(0xC0000004L)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) return -1;
        break;
    }
    ULONG count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    long mine = 0;
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].owner == pid) ++mine;
    return mine;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: procstat NAME.exe\n");
        return 2;
    }
    DWORD pid = FindProcess(argv[1]);
    if (!pid) {
        std::fprintf(stderr, "no process %s\n", argv[1]);
        return 1;
    }
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "cannot open process %lu: %lu\n", pid, ::GetLastError());
        return 1;
    }
    DWORD counted = 0;
    ::GetProcessHandleCount(process, &counted);
    long handles = counted ? static_cast<long>(counted) : CountHandles(pid);
    long gdi = static_cast<long>(::GetGuiResources(process, GR_GDIOBJECTS));
    long user = static_cast<long>(::GetGuiResources(process, GR_USEROBJECTS));
    if (gdi == 0) gdi = CountGdiTable(process);
    if (user == 0) user = -1;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory);
    std::printf("pid=%lu handles=%ld gdi=%ld user=%ld windows=%ld private=%lu\n", pid, handles, gdi,
                user, CountWindows(pid), static_cast<unsigned long>(memory.PrivateUsage));
    ::CloseHandle(process);
    return 0;
}
