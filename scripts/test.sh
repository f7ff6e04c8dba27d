#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: natively (a short fuzzing run included), the
# checks of the i686 release package, then the Windows tests under Wine on the bench, on the i686
# build where this machine runs 32-bit programs, else on the x86_64 build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
. tools/winebench/winearch.sh
choose_wine_arch

echo "== native tests =="
ctest --test-dir build/native --output-on-failure

echo "== fuzzing, a few seconds per target =="
scripts/fuzz.sh --seconds 5

echo "== the programs as Windows loads them, and the i686 release package =="
ctest --test-dir build/win -L image --output-on-failure
ctest --test-dir build/win64 -L image --output-on-failure

echo "== Windows tests under Wine on the $WINE_ARCH build ($WINE_BUILD): $WINE_ARCH_REASON =="
tools/winebench/bench.sh ctest --test-dir "$WINE_BUILD" -LE image --output-on-failure
