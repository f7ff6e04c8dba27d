#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/<name>_fuzz.cpp; clang, AddressSanitizer and UBSan)
# and runs them one after the other, each from a copy of its seed corpus in tests/fuzz/corpus.
#
#   scripts/fuzz.sh [--runs N] [--seconds S] [NAME...]
#
# Each target stops after N runs or S seconds, whichever comes first (without either, 200000
# runs; with --seconds alone, no limit on runs); NAME picks targets (default all). Inputs the
# fuzzer found interesting stay in build/fuzz/corpus/<name>, an input that broke a target in
# build/fuzz/findings/<name>. Exits non-zero when a target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=
seconds=0
names=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
  esac
done
if [ -z "$runs" ]; then
  if [ "$seconds" = 0 ]; then runs=200000; else runs=-1; fi
fi
if [ ${#names[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" .cpp)
    names+=("${name%_fuzz}")
  done
fi

out=build/fuzz
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCOURSESHELL_FUZZ=ON >/dev/null
targets=()
for name in "${names[@]}"; do targets+=("${name}_fuzz"); done
nice cmake --build "$out" -j2 --target "${targets[@]}"

# How large an input may grow: room for the decoder's nesting, the 999-byte limits of the reply
# rules and the command arguments, and lines longer than the reader's buffer pieces.
max_len() {
  case "$1" in
    invoke|first_line) echo 4096 ;;
    update_reply|http_head|command_args) echo 2048 ;;
    # Room for a few existing folders and a request longer than any path Windows creates
    # (MAX_PATH); longer inputs only make every run slower, the walk down being quadratic.
    force_folders) echo 512 ;;
    *) echo 1024 ;;
  esac
}

failed=()
summary=()
for name in "${names[@]}"; do
  corpus="$out/corpus/$name"
  findings="$out/findings/$name"
  log="$out/logs/$name.log"
  mkdir -p "$corpus" "$findings" "$out/logs"
  # The seeds join what earlier runs found; the repository's copy is never written to.
  cp -n tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
  dict=()
  [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
  limit="$runs runs"
  [ "$runs" = -1 ] && limit="any number of runs"
  [ "$seconds" != 0 ] && limit="$limit or $seconds s"
  echo "== fuzz $name: up to $limit =="
  start=$(date +%s%N)
  status=0
  nice "$out/tests/fuzz/${name}_fuzz" -runs="$runs" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    "${dict[@]}" "$corpus" >"$log" 2>&1 || status=$?
  elapsed_ms=$((($(date +%s%N) - start) / 1000000))
  done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  line=$(printf '%-15s %11s runs %5d.%01d s' "$name" "${done_runs:-?}" $((elapsed_ms / 1000)) \
    $((elapsed_ms % 1000 / 100)))
  if [ $status -ne 0 ]; then
    line="$line  FAILED (exit $status, see $log)"
    failed+=("$name")
    grep -E '^(==[0-9]+==ERROR|.*broken:|SUMMARY|artifact_prefix|Test unit written)' "$log" | head -n 8 || true
  else
    line="$line  corpus $(ls "$corpus" | wc -l) inputs"
  fi
  echo "$line"
  summary+=("$line")
done

echo "== fuzz summary =="
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
