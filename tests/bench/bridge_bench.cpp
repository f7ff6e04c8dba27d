// Benchmark, not a test: the round trip of one "loadfile" request (decode, dispatch, read the
// file, build the reply and convert it for the player) against the least any implementation must
// do for it (parse the same XML and read the same file). Prints both and their ratio.
//
//   bridge_bench [iterations]      natively, or under Wine: bench.sh wine bridge_bench.exe
#include "bridge/dispatcher.h"
#include "platform/paths.h"
#include "platform/textconv.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char kRelative[] = "bench-data/words.txt";
const char kRequest[] =
    "<invoke name=\"loadfile\" returntype=\"xml\"><arguments><string>bench-data/words.txt"
    "</string></arguments></invoke>";

#ifndef _WIN32
// The C library's files, for the native run; the program itself uses the Win32 file system.
class StdioFile : public InputFile {
  public:
    explicit StdioFile(std::FILE* f) : f_(f) {}
    ~StdioFile() override { std::fclose(f_); }
    size_t Read(char* buffer, size_t size) override { return std::fread(buffer, 1, size, f_); }
    std::uint64_t Size() override {
        long at = std::ftell(f_);
        std::fseek(f_, 0, SEEK_END);
        long size = std::ftell(f_);
        std::fseek(f_, at, SEEK_SET);
        return static_cast<std::uint64_t>(size);
    }
    void Seek(std::uint64_t offset) override {
        std::fseek(f_, static_cast<long>(offset), SEEK_SET);
    }

  private:
    std::FILE* f_;
};

class StdioFileSystem : public FileSystem {
  public:
    bool FileExists(const std::string& path) override {
        return std::filesystem::is_regular_file(path);
    }
    bool FolderExists(const std::string& path) override {
        return std::filesystem::is_directory(path);
    }
    bool CreateFolder(const std::string& path) override {
        return std::filesystem::create_directory(path);
    }
    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) throw IoError(2);
        return std::make_unique<StdioFile>(f);
    }
    void WriteNewFile(const std::string& path, const std::string& content) override {
        std::ofstream(path, std::ios::binary) << content;
    }
    std::vector<FolderEntry> ListFolder(const std::string& folder) override {
        std::vector<FolderEntry> entries;
        std::error_code error;
        for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
            FolderEntry entry;
            entry.name = item.path().filename().string();
            entry.folder = item.is_directory();
            entries.push_back(entry);
        }
        return entries;
    }
    bool CopyFileNoReplace(const std::string& from, const std::string& to) override {
        std::error_code error;
        return std::filesystem::copy_file(from, to, error);
    }
    bool DeleteFilePermanently(const std::string& path) override {
        std::error_code error;
        return std::filesystem::is_regular_file(path) && std::filesystem::remove(path, error);
    }
    bool Rename(const std::string& from, const std::string& to) override {
        std::error_code error;
        if (std::filesystem::exists(to)) return false;
        std::filesystem::rename(from, to, error);
        return !error;
    }
};
#endif

// The main window's host minus the player: the reply is converted as it would be handed over.
class ConvertingHost : public CallHost {
  public:
    std::u16string last;
    void SetReturnValue(const std::string& reply) override { last = AnsiToWide(reply); }
    bool DragFlag() const override { return false; }
    void SetDragFlag(bool) override {}
    void DragWindow() override {}
    void ShowFolderFailure() override {}
};

class NoRegistry : public Registry {
  public:
    bool KeyExists(const std::string&) override { return false; }
    std::unique_ptr<RegistryKey> OpenKey(const std::string&, bool) override { return nullptr; }
};

class NoRandom : public RandomSource {
  public:
    void Seed() override {}
    int Next(int) override { return 0; }
};

// Parse the same request, take its name and argument, read the file's first bytes.
size_t BareParseAndRead(const std::string& request, const std::string& directory) {
    pugi::xml_document doc;
    doc.load_buffer(request.data(), request.size());
    pugi::xml_node root = doc.document_element();
    std::string name = root.first_attribute().value();
    std::string path = directory + root.child("arguments").first_child().child_value();
    char buffer[4096];
    size_t got = 0;
#ifdef _WIN32
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD n = 0;
    if (file != INVALID_HANDLE_VALUE && ::ReadFile(file, buffer, sizeof buffer, &n, nullptr))
        got = n;
    ::CloseHandle(file);
#else
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        got = std::fread(buffer, 1, sizeof buffer, f);
        std::fclose(f);
    }
#endif
    return got + name.size();
}

template <typename F>
double NanosecondsPerCall(int iterations, F&& call) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < iterations; ++i) call();
    std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / iterations;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 5000;
#ifdef _WIN32
    FileSystem* fs = &Win32FileSystem();
    // The program's own rule: the directory of the running executable, asked for at each use.
    auto programDirectory = [] { return ProgramDirectory(); };
    const char* platform = "Win32";
#else
    StdioFileSystem stdioFiles;
    FileSystem* fs = &stdioFiles;
    const std::string fixed =
        (std::filesystem::temp_directory_path() / "bridge-bench").string() + "/";
    auto programDirectory = [fixed] { return fixed; };
    const char* platform = "native";
#endif
    const std::string directory = programDirectory();
    std::filesystem::create_directories(directory + "bench-data");
    std::ofstream(directory + kRelative, std::ios::binary)
        << "apple banana cherry\r\nsecond line\r\n";

    ConvertingHost host;
    NoRegistry registry;
    NoRandom random;
    FileServices files(*fs, programDirectory);
    SettingsStore settings(registry, random, [] {});
    ExternalCallDispatcher dispatcher(host, files, settings);

    const std::u16string wideRequest = AnsiToWide(kRequest);
    const std::string narrowRequest = kRequest;

    dispatcher.Handle(wideRequest);
    if (host.last != u"<string>apple banana cherry</string>") {
        std::fprintf(stderr, "unexpected reply\n");
        return 1;
    }

    // Alternate the two in rounds so that drift on a shared machine hits both alike.
    std::vector<double> full, bare, bareWide;
    volatile size_t sink = 0;
    for (int round = 0; round < 7; ++round) {
        full.push_back(NanosecondsPerCall(iterations, [&] { dispatcher.Handle(wideRequest); }));
        bare.push_back(NanosecondsPerCall(
            iterations, [&] { sink = sink + BareParseAndRead(narrowRequest, directory); }));
        bareWide.push_back(NanosecondsPerCall(iterations, [&] {
            sink = sink + BareParseAndRead(WideToAnsi(wideRequest), directory);
        }));
    }
    double f = Median(full), b = Median(bare), bw = Median(bareWide);
    std::printf("%s, %d calls x 7 rounds, median per call:\n", platform, iterations);
    std::printf("  loadfile round trip (decode, dispatch, read, reply)  %9.0f ns\n", f);
    std::printf("  bare XML parse + file read                           %9.0f ns  ratio %.2f\n", b,
                f / b);
    std::printf("  same, with the UTF-16 to ANSI conversion of the call %9.0f ns  ratio %.2f\n", bw,
                f / bw);
    std::filesystem::remove_all(directory + "bench-data");
    return 0;
}
