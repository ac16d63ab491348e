#!/usr/bin/env bash
# Prints what the launcher costs beside bare programs, in one Wine prefix. Not a test:
# it prints figures only. Every figure is the minimum over ROUNDS rounds (the short
# runs of 2 and 3: over four pairs a round), the two sides of a comparison run one
# right after the other.
#
#  1. Run section: the launcher from its start to its finish page with N quick Run
#     entries against a start-and-wait loop over the same N programs, N = 0, 5, 20, 50,
#     each fitted as time = a + b*N. The bench, its quick program and the launcher are
#     GUI programs, so Wine makes no console for any of them.
#  2. Quiet start-up: "-ui quiet" with an empty Run list against a minimal program that
#     makes the same profile reads (as Wine's +profile trace shows them for the
#     launcher), writes the same log lines and reads the same INF copies; at log level 1
#     and 511.
#  3. The same quiet start-up with 300 older logs in TEMP: what they add.
#
#   bash tests/bench/run_section_bench.sh [ROUNDS]   (after building the windows-x86 preset)
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$src/build/windows-x86
cmake --build "$build" --target Setup run_section_bench >/dev/null
export SETUP_EXE=$build/Setup.exe TEST_TOOLS_DIR=$build/tools TEST_BUILD_DIR=$build TEST_SOURCE_DIR=$src
. "$src/tests/e2e/lib.sh"

ROUNDS=${1:-5} CAPTION=RunSectionBench KEYWORD=TarvikRunBenchKeyword
use_prefix win32-win7
start_display
make_medium runbench
cp "$build/bench/run_section_bench.exe" "$MEDIUM/"
add_oem_inf oem1.inf "; $KEYWORD"
SETUP="$MEDIUM_WIN\\Setup.exe"
QUICK="run_section_bench.exe quit"

# bench_ini N: the medium's configuration with N quick Run entries.
bench_ini() {
  {
    passing_ini_head "$CAPTION" "$KEYWORD"
    printf '[English]\n2=Setup has finished\n6=Finish\n[Run]\n'
    local i
    for i in $(seq 1 "$1"); do echo "$i=$QUICK"; done
  } | write_ini "$MEDIUM/autorun.inf"
}
# bench MODE ARGS...: the bench program in the medium with TEMP_WIN; prints its figure.
bench() { (cd "$MEDIUM" && BENCH_TEMP=$TEMP_WIN wine "$MEDIUM_WIN\\run_section_bench.exe" "$@" | tr -d '\r'); }
# timed COMMAND-LINE...: one run to its end, in ms; its log is removed, so that TEMP
# keeps the logs it had.
timed() {
  local before after
  before=$(ls "$TEMP_DIR")
  bench loop 1 "$@"
  after=$(ls "$TEMP_DIR")
  comm -13 <(echo "$before") <(echo "$after") | while read -r f; do rm -f "$TEMP_DIR/$f"; done
}
min() { printf '%s\n' "$@" | sort -n | head -n1; }
declare -A best
keep() { [ -z "${best[$1]:-}" ] || [ "$2" -lt "${best[$1]}" ] && best[$1]=$2; true; }

# The minimal program's plan for a quiet start-up at log LEVEL: the launcher's reads of
# its configuration and the lines of its log, from one run.
make_plan() {
  local level=$1 plan=$MEDIUM/plan$1.txt trace=$E2E_WORK/profile.txt
  new_temp plan
  WINEDEBUG=+profile bench loop 1 "$SETUP" -ui quiet -log "$level" >/dev/null 2>"$trace"
  {
    echo "ini $MEDIUM_WIN\\autorun.inf"
    sed -n 's/.*GetPrivateProfileStringW L"\([^"]*\)",L"\([^"]*\)",.*autorun\.inf"\r\{0,1\}$/read \1|\2/p' "$trace"
    log_lines | sed 's/^/log /'
  } >"$plan"
  echo "   plan for level $level: $(grep -c '^read ' "$plan") profile reads, $(grep -c '^log ' "$plan") log lines"
}

echo "== Wine $(wine --version), minimum of $ROUNDS paired rounds (ms); the machine is shared: figures are noisy"
new_temp run
bench loop 3 $QUICK >/dev/null  # warm-up: the prefix's first start is slow
bench_ini 0
make_plan 1
make_plan 511
mkdir -p "$DRIVE_C/temp300"
for i in $(seq 0 299); do printf 'old\r\n' >"$DRIVE_C/temp300/TarvikLangSetup$(printf %03d "$i").log"; done

NS="0 5 20 50"
for round in $(seq 1 "$ROUNDS"); do
  new_temp run
  for n in $NS; do
    bench_ini "$n"
    keep "setup $n" "$(bench setup "$CAPTION" "$SETUP")"
    keep "loop $n" "$(bench loop "$n" $QUICK)"
    rm -f "$TEMP_DIR"/*.log
  done
  bench_ini 0
  for pair in 1 2 3 4; do  # the short runs: four pairs a round
    new_temp run
    for level in 1 511; do
      keep "quiet $level" "$(timed "$SETUP" -ui quiet -log "$level")"
      keep "mimic $level" "$(timed run_section_bench.exe mimic "$MEDIUM_WIN\\plan$level.txt")"
    done
    TEMP_DIR=$DRIVE_C/temp300 TEMP_WIN='C:\temp300'
    keep "quiet300" "$(timed "$SETUP" -ui quiet -log 1)"
    keep "mimic300" "$(timed run_section_bench.exe mimic "$MEDIUM_WIN\\plan1.txt")"
  done
done

# fit KIND: a and b of time = a + b*N over NS, least squares.
fit() {
  local n
  for n in $NS; do echo "$n ${best[$1 $n]}"; done | awk '{ sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2; k++ }
    END { b = (k * sxy - sx * sy) / (k * sxx - sx * sx); printf "%.0f %.1f\n", (sy - b * sx) / k, b }'
}
echo "-- Run section: launcher to its finish page (Run entries at log level 511) against a start-and-wait loop"
printf '   %-8s %s\n' N "$NS"
for kind in setup loop; do
  printf '   %-8s' "$kind"
  for n in $NS; do printf ' %6s' "${best[$kind $n]}"; done
  echo
done
read -r sa sb <<<"$(fit setup)"
read -r la lb <<<"$(fit loop)"
awk -v sa="$sa" -v sb="$sb" -v la="$la" -v lb="$lb" 'BEGIN {
  printf "   launcher: %d + %.1f*N ms; loop: %d + %.1f*N ms; per entry launcher/loop %.2f\n", sa, sb, la, lb, sb / lb }'
echo "-- Quiet start-up, empty Run list, against the minimal program"
for level in 1 511; do
  awk -v q="${best[quiet $level]}" -v m="${best[mimic $level]}" -v l="$level" 'BEGIN {
    printf "   log level %-4s launcher %5d  minimal %5d  ratio %.2f\n", l, q, m, q / m }'
done
awk -v q="${best[quiet300]}" -v q0="${best[quiet 1]}" -v m="${best[mimic300]}" -v m0="${best[mimic 1]}" 'BEGIN {
  printf "-- 300 older logs in TEMP (log level 1): launcher %d (+%d), minimal %d (+%d)\n", q, q - q0, m, m - m0 }'
finish >/dev/null
