#!/usr/bin/env bash
# Runs the loadfile benchmark natively and under Wine in one go (inside the Wine bench):
#   tools/winebench/bench.sh tests/bench/bridge_bench.sh build/native build/win [iterations]
set -euo pipefail
native=$1 win=$2 iterations=${3:-5000}
cmake --build "$native" --target bridge_bench >/dev/null
cmake --build "$win" --target bridge_bench >/dev/null
echo "measured: the native build ($native), then the $WINE_ARCH build ($win) under $WINE"
"$native/tests/bench/bridge_bench" "$iterations"
"$WINE" "$win/tests/bench/bridge_bench.exe" "$iterations"
