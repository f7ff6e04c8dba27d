#!/usr/bin/env bash
# Configures and builds the three trees: the native one (portable logic and its tests), the i686
# Windows one (the release, the stand-in player and all Windows tests) and the x86_64 Windows one
# (the same, for machines that run no 32-bit code).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j"$jobs"
for target in win:i686 win64:x86_64; do
    cmake -S . -B "build/${target%%:*}" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-${target#*:}.cmake" >/dev/null
    cmake --build "build/${target%%:*}" -j"$jobs"
done
