#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and ASan/UBSan and runs each for a
# while (seconds, default 60): bash tests/fuzz/run.sh [SECONDS]
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$src/build/fuzz
mkdir -p "$out"
# Every text source (the ones built on the host too) and the checker's.
mapfile -t text_sources < <(
  for list in "$src"/*/sources.cmake; do
    dir=$(dirname "$list")
    sed -n 's/^set([A-Z]*_TEXT_SOURCES\(.*\))$/\1/p' "$list" | tr ' ' '\n' | sed -n "s|^\(.*\.cpp\)$|$dir/\1|p"
  done
  sed -n 's|^ *${CMAKE_SOURCE_DIR}/\(.*\.cpp\).*$|'"$src"'/\1|p' "$src/checker/checker.cmake")
for target in "$src"/tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$target" .cpp)
  clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$src" \
    "$target" "${text_sources[@]}" -o "$out/$name"
  mkdir -p "$out/$name.corpus"
  seeds=()
  [ -d "$src/tests/fuzz/corpus/${name%_fuzz}" ] && seeds=("$src/tests/fuzz/corpus/${name%_fuzz}")
  "$out/$name" -max_total_time="${1:-60}" -max_len=4096 "$out/$name.corpus" "${seeds[@]}"
done
