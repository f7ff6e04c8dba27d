#!/usr/bin/env bash
# The browser player's loadfile benchmark against the ActiveX host (inside the Wine bench):
#   tools/winebench/bench.sh tests/bench/ruffle_bench.sh build/win [calls]
set -euo pipefail
win=$(cd "$1" && pwd) calls=${2:-200}
deps=${COURSESHELL_DEPS:-$HOME/.cache/courseshell}
cmake --build "$win" --target CourseShell standin >/dev/null
export COURSESHELL_EXE="$win/app/CourseShell.exe"
export STANDIN_DLL=$(ls "$win"/tools/standin/*.dll | head -n 1)
export RUFFLE_DIR="$deps/ruffle" PUPPETEER_CORE="$deps/node/node_modules/puppeteer-core"
python3 "$(dirname "$0")/ruffle_bench.py" "$calls"
