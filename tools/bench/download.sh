#!/usr/bin/env bash
# Download benchmark: a 100 MiB installer from a loopback server, the program against a minimal
# libcurl program, in turn on the same bench, pinned to one CPU and unpinned. Run inside the
# Wine bench:
#   tools/winebench/bench.sh tools/bench/download.sh build/win [rounds]
set -euo pipefail
build=$(realpath "$1")
cmake --build "$build" --target CourseShellUpdateTest update_curlbench update_dialogtext \
    update_fakeinstaller standin wintext >/dev/null
url=$(sed -n 's/^COURSESHELL_TEST_UPDATE_URL:STRING=//p' "$build/CMakeCache.txt")
export COURSESHELL_EXE="$build/app/CourseShell.exe" STANDIN_DLL="$build/tools/standin/standin.dll"
export WINTEXT_EXE="$build/tools/wintext/wintext.exe" UPDATE_URL="$url"
export UPDATE_EXE="$build/app/CourseShellUpdateTest.exe"
export UPDATE_DIALOGTEXT="$build/tests/win/update/update_dialogtext.exe"
export UPDATE_INSTALLER="$build/tests/win/update/update_fakeinstaller.exe"
export UPDATE_CURLBENCH="$build/tests/win/update/update_curlbench.exe"
export BENCH_ROUNDS=${2:-3}
python3 -u "$(dirname "$0")/../../tests/e2e/test_update_bench.py"
