#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: natively (a short fuzzing run included), then
# under Wine on the bench.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

echo "== native tests =="
ctest --test-dir build/native --output-on-failure

echo "== fuzzing, a few seconds per target =="
scripts/fuzz.sh --seconds 5

echo "== Windows tests under Wine =="
tools/winebench/bench.sh ctest --test-dir build/win --output-on-failure
