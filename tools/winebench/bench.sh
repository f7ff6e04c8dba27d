#!/usr/bin/env bash
# Runs one command in a private Windows environment: its own Wine prefix, its own Xvfb display,
# PulseAudio with a silent output and a 440 Hz tone as the default input, and the zh_CN locale so
# that the ANSI code page is 936. Every process started here is ended again, also on failure.
#
#   tools/winebench/bench.sh COMMAND [ARGS...]
#
# BENCH_PREFIX names a prefix to reuse (created when missing); otherwise a fresh one is made.
# The Wine loader is the one for the build that runs here (winearch.sh): WINE names it, and the
# command gets WINE_ARCH and WINE_BUILD as well.
set -uo pipefail

. "$(dirname "${BASH_SOURCE[0]}")/winearch.sh"
choose_wine_arch || exit 1
echo "bench: the $WINE_ARCH build under $WINE: $WINE_ARCH_REASON" >&2

work=$(mktemp -d /tmp/winebench.XXXXXX)
pids=()

cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1; fi
    for pid in "${pids[@]}"; do kill "$pid" >/dev/null 2>&1; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    if [ -n "${PULSE_RUNTIME_PATH:-}" ]; then pulseaudio --kill >/dev/null 2>&1; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

# A freedesktop trash of our own: Wine's recycle bin moves deleted items there. Without one (a
# new machine has no ~/.local/share) Wine deletes outright, and nothing may depend on the home.
export XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info"

# A display of our own: the first free number from 90 up.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# PulseAudio of our own, so Wine gets output and input devices with a known tone to record.
export PULSE_RUNTIME_PATH="$work/pulse"
mkdir -p "$PULSE_RUNTIME_PATH"
if command -v pulseaudio >/dev/null; then
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
        --load="module-native-protocol-unix" >"$work/pulse.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl load-module module-null-sink sink_name=out >/dev/null 2>&1
    pactl load-module module-sine-source source_name=sine frequency=440 >/dev/null 2>&1
    pactl set-default-sink out >/dev/null 2>&1
    pactl set-default-source sine >/dev/null 2>&1
fi

if [ -n "${BENCH_PREFIX:-}" ]; then
    export WINEPREFIX="$BENCH_PREFIX"
else
    export WINEPREFIX="$work/prefix"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
fi
wineserver -w
# A crashing program must fail its test, not wait for someone to close Wine's crash dialog.
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1

export BENCH_WORK="$work"
"$@"
status=$?
exit $status
