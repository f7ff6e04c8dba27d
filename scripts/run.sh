#!/usr/bin/env bash
# Builds CourseShell and runs it on the demo courseware, under Wine with the project's stand-in
# player (there is no Flash Player on Linux), or with --browser in Ruffle in Debian's chromium.
#
#   scripts/run.sh [--old-player | --browser]
#
# With $DISPLAY set the program opens on that display and runs until you end it (the 退出程序
# button, or close the terminal's job). Without a display it runs on a private Xvfb screen, the
# demo plays its automatic tour, the screenshots are saved and their paths printed, and the
# command ends by itself.
#
# --old-player      use demo/old-player/version.swf (Flash Player 9.5): the upgrade message shows
# --browser         the browser player: the demo's real movie (demo/src, built with haxe) in Ruffle,
#                   ruffle\ beside the program, the page in chromium: in a window with $DISPLAY
#                   (until the program ends), otherwise headless with a short tour, screenshots of
#                   the page and of the Wine screen (the resource picker) and the movie's text
# COURSESHELL_TOUR  1 = play the tour also on a display, 0 = no tour without a display (then one
#                   screenshot after a few seconds)
# COURSESHELL_WINE_ARCH  i686 or x86_64: run that build (by default the i686 one where this machine
#                   runs 32-bit programs, else the x86_64 one)
# COURSESHELL_EXE, STANDIN_DLL  run these builds; setup and build are skipped (used by the tests);
#                   with --browser also DEMO_SWF (the built movie), RUFFLE_DIR, PUPPETEER_CORE
# RUN_DIR           run folder (default build/run); RUN_PREFIX Wine prefix (default
#                   ~/.cache/courseshell/run-prefix, kept between runs, the stand-in registered there)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

old_player=0
browser=0
for arg in "$@"; do
    case "$arg" in
        --old-player) old_player=1 ;;
        --browser) browser=1 ;;
        *) echo "usage: scripts/run.sh [--old-player | --browser]" >&2; exit 2 ;;
    esac
done
if [ "$old_player" = 1 ] && [ "$browser" = 1 ]; then
    echo "run: --old-player is for the Flash control; the browser player has no version check" >&2
    exit 2
fi

if [ -z "${COURSESHELL_EXE:-}" ] || [ -z "${STANDIN_DLL:-}" ]; then
    scripts/setup.sh
    scripts/build.sh
fi
# The i686 build where this machine runs 32-bit programs, else the x86_64 one (winearch.sh).
. tools/winebench/winearch.sh
choose_wine_arch
if [ -z "${COURSESHELL_EXE:-}" ] || [ -z "${STANDIN_DLL:-}" ]; then
    echo "run: the $WINE_ARCH build ($WINE_BUILD): $WINE_ARCH_REASON"
    COURSESHELL_EXE=$repo/$WINE_BUILD/app/CourseShell.exe
    STANDIN_DLL=$repo/$WINE_BUILD/tools/standin/standin.dll
    DEMO_SWF=$repo/$WINE_BUILD/demo/main.swf
fi
deps=${COURSESHELL_DEPS:-$HOME/.cache/courseshell}

run=${RUN_DIR:-$repo/build/run}
prefix=${RUN_PREFIX:-$HOME/.cache/courseshell/run-prefix}
app=$run/app

# A fresh run folder each time: the program, the demo, its sounds. The stand-in lives apart from
# the courseware, as the real player would.
rm -rf "$app" "$run/screenshots"
mkdir -p "$app" "$run/player" "$run/screenshots" "$(dirname "$prefix")"
cp "$COURSESHELL_EXE" "$app/CourseShell.exe"
cp "$STANDIN_DLL" "$run/player/standin.dll"
(cd demo && tar cf - --exclude=./README.md --exclude=./tour.swf --exclude=./old-player \
    --exclude=./src --exclude=./CMakeLists.txt .) | (cd "$app" && tar xf -)
if [ "$old_player" = 1 ]; then cp demo/old-player/version.swf "$app/version.swf"; fi
# Teachers' text files are in the code page the program reads them in (GBK); the repository keeps
# the demo's in UTF-8 so they read well here.
find "$app" -name '*.txt' -print0 | while IFS= read -r -d '' text; do
    iconv -f UTF-8 -t GBK "$text" >"$text.gbk" && mv "$text.gbk" "$text"
done

# The demo's sounds are generated, not stored: a tone for the clip, a spoken-length model sound.
python3 - "$app" <<'EOF'
import math, pathlib, struct, sys, wave
app = pathlib.Path(sys.argv[1])
def tone(path, seconds, freqs, rate=22050):
    path.parent.mkdir(parents=True, exist_ok=True)
    frames = bytearray()
    n = int(seconds * rate)
    for i in range(n):
        f = freqs[i * len(freqs) // n]
        fade = min(1.0, i / 400, (n - i) / 400)
        frames += struct.pack("<h", int(12000 * fade * math.sin(2 * math.pi * f * i / rate)))
    with wave.open(str(path), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))
tone(app / "sounds" / "tone.wav", 1.0, [523, 659, 784])
tone(app / "sounds" / "model.wav", 2.0, [440, 494, 523, 587])
tone(app / "resources" / "音频" / "提示音.wav", 0.5, [880])
EOF

if [ "$browser" = 1 ]; then
    # The real movie in place of the stand-in script, and Ruffle beside the program as in the
    # release package (without its source maps).
    ruffle=${RUFFLE_DIR:-$deps/ruffle}
    puppeteer=${PUPPETEER_CORE:-$deps/node/node_modules/puppeteer-core}
    for need in "${DEMO_SWF:-}" "$ruffle/ruffle.js" "$puppeteer/package.json"; do
        [ -f "$need" ] || { echo "run: ${need:-DEMO_SWF} is missing: run scripts/setup.sh and scripts/build.sh" >&2; exit 1; }
    done
    cp "$DEMO_SWF" "$app/main.swf"
    mkdir "$app/ruffle"
    find "$ruffle" -maxdepth 1 -type f ! -name '*.map' ! -name '.*' -exec cp {} "$app/ruffle/" \;
    echo "run: folder $app (the browser player), Wine prefix $prefix"
    if [ -z "${DISPLAY:-}" ]; then
        echo "run: no display: a private Xvfb screen for Wine, headless chromium; the screenshots go to $run/screenshots"
        BENCH_PREFIX=$prefix tools/winebench/bench.sh \
            python3 -u scripts/demo_browser.py --app "$app" --shots "$run/screenshots" --tour \
            --puppeteer "$puppeteer"
    else
        echo "run: on display $DISPLAY, chromium's profile in $run/chromium-profile"
        export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
        export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
        export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
        [ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot -i >/dev/null 2>&1
        python3 -u scripts/demo_browser.py --app "$app" --shots "$run/screenshots" --window
    fi
    exit
fi

tour=${COURSESHELL_TOUR:-}
if [ -z "${DISPLAY:-}" ]; then
    [ -n "$tour" ] || tour=1
else
    [ -n "$tour" ] || tour=0
fi
# The tour's steps follow the demo's own script; the movie then drives itself.
if [ "$tour" = 1 ] && [ "$old_player" = 0 ]; then
    cat demo/tour.swf >>"$app/main.swf"
    driver=(--tour --timeout 240)
else
    driver=(--shot-after 8)
fi

echo "run: folder $app, Wine prefix $prefix"
if [ -z "${DISPLAY:-}" ]; then
    echo "run: no display: a private Xvfb screen; the screenshots go to $run/screenshots"
    BENCH_PREFIX=$prefix tools/winebench/bench.sh \
        python3 -u scripts/demo_run.py --app "$app" --standin "$run/player/standin.dll" \
        --shots "$run/screenshots" "${driver[@]}"
else
    echo "run: on display $DISPLAY"
    export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # The program's texts are Chinese: Wine takes the ANSI code page (936) from the locale.
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
    [ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot -i >/dev/null 2>&1
    if [ "$tour" = 1 ] && [ "$old_player" = 0 ]; then
        python3 -u scripts/demo_run.py --app "$app" --standin "$run/player/standin.dll" \
            --shots "$run/screenshots" "${driver[@]}"
    else
        python3 -u scripts/demo_run.py --app "$app" --standin "$run/player/standin.dll" \
            --shots "$run/screenshots"
    fi
fi
