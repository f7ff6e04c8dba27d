#include "player/flashbuild.h"

bool RefusesAllContent(const FileVersion& build) {
    return !(build < FileVersion{32, 0, 0, 371}) && build < FileVersion{33, 0, 0, 0};
}

bool IsUsableControlBuild(const std::optional<FileVersion>& build) {
    return !build || !RefusesAllContent(*build);
}
