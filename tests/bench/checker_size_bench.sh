#!/usr/bin/env bash
# Prints how long setupcheck takes, and how much memory it peaks at, for large
# configuration files of several shapes: 1 MB and 100 MB each, built natively with g++
# in a Release build (no sanitizers), and through setupcheck.exe under Wine when the
# windows-x86 preset is built. Not a test: it prints figures only. BENCH_SIZES="1" for the 1 MB
# files alone.
#
#   bash tests/bench/checker_size_bench.sh
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$src/build/bench/checker
mkdir -p "$work"

# The checker as the host build makes it (setupcheck_plain: the same source lists as the
# product, without sanitizers), optimised, in a build folder of its own.
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build "$work/build" --target setupcheck_plain >/dev/null
cp "$work/build/setupcheck_plain" "$work/setupcheck"

head_lines() {
  printf '[Version]\r\nWindowCaption=Bench\r\n[OS_Support]\r\nos_list=501,601,601_64\r\n[LangMap]\r\n0x0409=English\r\n'
  printf '[English]\r\n1=Not supported\r\n[XRV.MagicKeywords]\r\n1=BenchKeyword\r\n'
}
# make FILE SHAPE MEGABYTES
make_file() {
  local file=$1 shape=$2 bytes=$(($3 * 1000 * 1000))
  {
    head_lines
    case $shape in
      run-list) printf '[Run]\r\n'; awk -v n="$bytes" 'BEGIN { for (i = 1; s < n; i++) { l = i "=setup" i ".exe /q /log:x\r\n"; s += length(l); printf "%s", l } }' ;;
      sections) awk -v n="$bytes" 'BEGIN { for (i = 1; s < n; i++) { l = "[Section" i "]\r\nk=v\r\n"; s += length(l); printf "%s", l } }' ;;
      same-key) printf '[Run]\r\n'; awk -v n="$bytes" 'BEGIN { for (i = 1; s < n; i++) { l = "1=again.exe\r\n"; s += length(l); printf "%s", l } }' ;;
      one-line) printf '[Run]\r\n1='; head -c "$bytes" /dev/zero | tr '\0' 'x' ;;
    esac
  } >"$file"
}

run() {  # run LABEL COMMAND...: seconds (elapsed, and CPU: the machine may be shared) and peak memory
  /usr/bin/time -o "$work/time" -f '%e %U %S %M' "${@:2}" >/dev/null 2>&1 || true
  tail -n1 "$work/time" | awk -v label="$1" '{ printf "%-36s %7.2f s %7.2f s CPU %9d KB peak\n", label, $1, $2 + $3, $4 }'
}

echo "== native setupcheck (g++, Release), $(nproc) cores"
for size in ${BENCH_SIZES:-1 100}; do
  for shape in run-list sections same-key one-line; do
    make_file "$work/$shape-$size.inf" "$shape" "$size"
    run "$shape, $size MB ($(stat -c %s "$work/$shape-$size.inf") bytes)" "$work/setupcheck" "$work/$shape-$size.inf"
  done
  rm -f "$work"/*-100.inf
done

exe=$src/build/windows-x86/setupcheck.exe
[ -d "$src/build/windows-x86" ] || exit 0
cmake --build "$src/build/windows-x86" --target setupcheck >/dev/null
. "$src/tests/bench/bench_prefix.sh"
bench_prefix "$work/prefix"
echo "== setupcheck.exe under $(wine --version) (the Wine start-up included)"
run "empty file (start-up alone)" wine "$exe" "$(winepath -w "$src/tests/checker/minimal.inf")"
for size in ${BENCH_SIZES:-1 100}; do
  for shape in run-list sections same-key one-line; do
    make_file "$work/$shape-$size.inf" "$shape" "$size"
    run "$shape, $size MB" wine "$exe" "$(winepath -w "$work/$shape-$size.inf")"
    rm -f "$work"/*-100.inf
  done
done
rm -f "$work"/*.inf
wineserver -k
