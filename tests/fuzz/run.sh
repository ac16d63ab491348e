#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and ASan/UBSan and runs each for a
# while (seconds, default 60): bash tests/fuzz/run.sh [SECONDS]
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$src/build/fuzz
mkdir -p "$out"
for target in "$src"/tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$target" .cpp)
  clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$src" \
    "$target" "$src/product/keyword_search.cpp" -o "$out/$name"
  mkdir -p "$out/$name.corpus"
  "$out/$name" -max_total_time="${1:-60}" -max_len=4096 "$out/$name.corpus"
done
