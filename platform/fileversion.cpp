#include "platform/fileversion.h"

#include <tuple>

bool operator<(const FileVersion& a, const FileVersion& b) {
    return std::tie(a.major, a.minor, a.build, a.revision) <
           std::tie(b.major, b.minor, b.build, b.revision);
}
