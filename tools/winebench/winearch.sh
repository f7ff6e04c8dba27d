# Which Windows build the tests run on this machine, and under which Wine loader. Sourced by
# scripts/setup.sh, scripts/test.sh, scripts/run.sh and tools/winebench/bench.sh.
#
# The release is 32-bit, and its build runs the tests wherever the machine runs 32-bit code and
# the 32-bit Wine is installed. Some machines run 64-bit user code only; there the x86_64 build of
# the same sources runs them under Wine's 64-bit loader. COURSESHELL_WINE_ARCH=i686 or x86_64
# forces either.

WINEARCH_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# Whether this machine runs 32-bit x86 programs; the reason why not goes to stdout.
machine_runs_32bit() {
    python3 "$WINEARCH_TOOLS/runs32bit.py"
}

# Sets and exports WINE_ARCH (i686 or x86_64), WINE_ARCH_REASON, WINE_BUILD (the build folder
# relative to the repository), and WINE and WINELOADER (the loader for that build). Decided once:
# a script started from one that has decided keeps the decision.
choose_wine_arch() {
    if [ -n "${WINE_ARCH:-}" ] && [ -n "${WINE_ARCH_REASON:-}" ]; then
        :
    elif [ -n "${COURSESHELL_WINE_ARCH:-}" ]; then
        case "$COURSESHELL_WINE_ARCH" in
            i686|x86_64) WINE_ARCH=$COURSESHELL_WINE_ARCH ;;
            *) echo "COURSESHELL_WINE_ARCH must be i686 or x86_64, not '$COURSESHELL_WINE_ARCH'" >&2
               return 1 ;;
        esac
        WINE_ARCH_REASON="chosen by COURSESHELL_WINE_ARCH=$COURSESHELL_WINE_ARCH"
    else
        local why
        if ! why=$(machine_runs_32bit); then
            WINE_ARCH=x86_64
            WINE_ARCH_REASON="this machine runs no 32-bit code ($why)"
        elif [ ! -x "$WINE32_LOADER" ]; then
            WINE_ARCH=x86_64
            WINE_ARCH_REASON="this machine runs 32-bit code, but the 32-bit Wine is not installed"
        else
            WINE_ARCH=i686
            WINE_ARCH_REASON="this machine runs 32-bit code"
        fi
    fi
    if [ "$WINE_ARCH" = i686 ]; then
        WINE_BUILD=build/win
        WINE=$WINE32_LOADER
    else
        WINE_BUILD=build/win64
        WINE=$WINE64_LOADER
    fi
    # Wine starts its own helper programs with WINELOADER, so they share the test's loader.
    WINELOADER=$WINE
    export WINE_ARCH WINE_ARCH_REASON WINE_BUILD WINE WINELOADER
}
