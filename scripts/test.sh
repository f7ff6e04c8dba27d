#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: natively, then under Wine on the bench.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

echo "== native tests =="
ctest --test-dir build/native --output-on-failure

echo "== Windows tests under Wine =="
tools/winebench/bench.sh ctest --test-dir build/win --output-on-failure
