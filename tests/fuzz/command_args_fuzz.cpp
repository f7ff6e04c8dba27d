// Fuzz target: the arguments of the movie's commands. The "@@@" split of "selectresource" keeps
// every byte of the folder and of the function name up to its limit, the resource folders are
// the program directory's with "\" only, and the movie test looks at the last three bytes alone.
#include "app/commandrules.h"
#include "platform/paths.h"
#include "fuzzcheck.h"

#include <string>

namespace {

const std::string kProgramDirectory = "C:\\Program Files\\Course\\";

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void CheckResourceFolder(const std::string& root) {
    FUZZ_CHECK(!HasByte(root, '/'));
    FUZZ_CHECK(root.compare(0, kProgramDirectory.size(), kProgramDirectory) == 0);
    FUZZ_CHECK(EndsWith(root, "resource"));
}

void CheckSelectResource(const std::string& argument) {
    const ResourcePick pick = ParseSelectResource(argument, kProgramDirectory);
    CheckResourceFolder(pick.teachRoot);
    FUZZ_CHECK(pick.callbackName.size() <= 999);
    const std::string folder = pick.teachRoot.substr(
        kProgramDirectory.size(), pick.teachRoot.size() - kProgramDirectory.size() - 8);
    const size_t marker = argument.find("@@@");
    const size_t start = marker == std::string::npos ? 2 : marker + 3;
    const std::string rest = start < argument.size() ? argument.substr(start) : std::string();
    FUZZ_CHECK(rest.compare(0, pick.callbackName.size(), pick.callbackName) == 0);
    FUZZ_CHECK(pick.callbackName.size() == std::min<size_t>(rest.size(), 999));
    if (marker == std::string::npos) {
        FUZZ_CHECK(folder.empty());
    } else {
        FUZZ_CHECK(folder.find("@@@") == std::string::npos);
        // The split never loses a byte: folder, marker and name make the argument again.
        if (rest.size() <= 999)
            FUZZ_CHECK(folder + "@@@" + ToBackslashes(pick.callbackName) ==
                       ToBackslashes(argument));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string argument(reinterpret_cast<const char*>(data), size);
    CheckSelectResource(argument);

    const std::string index = IndexRootFor(argument, kProgramDirectory);
    CheckResourceFolder(index);
    FUZZ_CHECK(index == kProgramDirectory + ToBackslashes(argument) + "resource");

    const bool movie = EndsInSwf(argument);
    FUZZ_CHECK(movie == EndsWith(LowerAscii(argument), "swf"));
    FUZZ_CHECK(EndsInSwf(argument + "SwF"));
    if (argument.size() >= 3)
        FUZZ_CHECK(movie == EndsInSwf("lesson/" + argument.substr(argument.size() - 3)));
    return 0;
}
