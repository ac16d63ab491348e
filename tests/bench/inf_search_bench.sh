#!/usr/bin/env bash
# Prints the speed of the magic-keyword search: the time of the whole search over a
# generated 300-file INF folder divided by the time to open and read the same files,
# natively on this machine and under Wine. Not a test: it prints figures only.
#
#   bash tests/bench/inf_search_bench.sh        (after building the windows-x86 preset)
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$src/build/windows-x86
work=$src/build/bench
mkdir -p "$work"

native=$work/inf_search_bench
g++ -O2 -std=c++17 -I"$src" "$src/tests/bench/inf_search_bench.cpp" "$src/product/keyword_search.cpp" -o "$native"

. "$src/tests/bench/bench_prefix.sh"
bench_prefix "$work/prefix"
data=$WINEPREFIX/drive_c/benchinf
if [ ! -f "$data/oem299.inf" ]; then
  mkdir -p "$data"
  "$native" "$data" --generate --rounds 1 >/dev/null
fi
echo "== native ($(uname -m), g++ -O2)"
"$native" "$data" --rounds 9
echo "== Wine ($(wine --version), the launcher's own routines, i686 -O2)"
cmake --build "$build" --target inf_search_bench >/dev/null
wine "$build/bench/inf_search_bench.exe" 'C:\benchinf' --rounds 9
wineserver -k
