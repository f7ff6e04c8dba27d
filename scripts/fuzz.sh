#!/usr/bin/env bash
# Fuzzes the decoding of the movie's requests with libFuzzer, AddressSanitizer and UBSan (clang,
# natively). Not part of CI.   scripts/fuzz.sh [RUNS]   (default 200000 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-200000}"
deps="${COURSESHELL_DEPS:-$HOME/.cache/courseshell}"
out=build/fuzz
mkdir -p "$out/corpus"
flags=(-std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I. -I"$deps/src/pugixml/src")
clang++ "${flags[@]}" tests/fuzz/invoke_fuzz.cpp bridge/invoke.cpp platform/textconv.cpp \
    platform/textconv_iconv.cpp "$deps/src/pugixml/src/pugixml.cpp" -o "$out/invoke_fuzz"
# Seeds: requests as the player sends them, and a few broken ones.
printf '%s' '<invoke name="loadfile" returntype="xml"><arguments><string>a/b.txt</string></arguments></invoke>' > "$out/corpus/seed1"
printf '%s' '<invoke returntype="xml" name="x"><Arguments><string> &amp;&#32;&#x4E2D;</string><number>1</number><true/></Arguments></invoke>' > "$out/corpus/seed2"
printf '%s' '<invoke name="f"><arguments><string><![CDATA[a&b]]>c
d</string></arguments>' > "$out/corpus/seed3"
"$out/invoke_fuzz" -runs="$runs" -max_len=4096 "$out/corpus"
