#!/usr/bin/env bash
# Prints what the launcher adds to running programs: a run with 20 quick Run entries
# from its start to its finish page, against a bare start-and-wait loop over the same
# 20 programs, in the same Wine prefix, side by side, with and without the 200 ms pause
# the finish page makes before it answers. Not a test: it prints figures only.
#
#   bash tests/bench/run_section_bench.sh [ROUNDS]   (after building the windows-x86 preset)
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$src/build/windows-x86
cmake --build "$build" --target Setup run_section_bench tool_runenv >/dev/null
export SETUP_EXE=$build/Setup.exe TEST_TOOLS_DIR=$build/tools TEST_BUILD_DIR=$build TEST_SOURCE_DIR=$src
. "$src/tests/e2e/lib.sh"

ENTRIES=20 PAUSE_MS=200 CAPTION="Run Section Bench"
use_prefix win32-win7
start_display
make_medium runbench
cp "$build/bench/run_section_bench.exe" "$MEDIUM/"
add_oem_inf oem1.inf '; TarvikRunBenchKeyword'
{
  passing_ini_head "$CAPTION" TarvikRunBenchKeyword
  printf '[English]\n2=Setup has finished\n6=Finish\n[Run]\n'
  for i in $(seq 1 $ENTRIES); do echo "$i=run_section_bench.exe quit"; done
} | write_ini "$MEDIUM/autorun.inf"
new_temp
bench() { (cd "$MEDIUM" && TEMP=$TEMP_WIN TMP=$TEMP_WIN wine "$MEDIUM_WIN\\run_section_bench.exe" "$@" | tr -d '\r'); }

bench loop 3 "run_section_bench.exe quit" >/dev/null  # warm-up: the prefix's first start is slow
setup_ms=() loop_ms=()
for round in $(seq 1 "${1:-5}"); do
  setup_ms+=("$(bench setup "$CAPTION" "\"$MEDIUM_WIN\\Setup.exe\"")")
  loop_ms+=("$(bench loop $ENTRIES "run_section_bench.exe quit")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
s=$(median "${setup_ms[@]}") l=$(median "${loop_ms[@]}")
echo "== $ENTRIES quick Run entries, Wine $(wine --version), median of ${#loop_ms[@]} rounds (ms)"
echo "   launcher to finish page: ${setup_ms[*]}"
echo "   bare start-and-wait loop: ${loop_ms[*]}"
awk -v s="$s" -v l="$l" -v p="$PAUSE_MS" 'BEGIN {
  printf "%-36s %8s %8s %7s\n", "", "launcher", "loop", "ratio"
  printf "%-36s %8d %8d %7.2f\n", "as measured", s, l, s / l
  printf "%-36s %8d %8d %7.2f\n", "finish page pause subtracted", s - p, l, (s - p) / l
}'
finish >/dev/null
