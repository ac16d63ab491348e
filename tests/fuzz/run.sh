#!/usr/bin/env bash
# Builds the fuzz targets (host preset: clang, libFuzzer, ASan/UBSan) and runs each
# tests/fuzz/<name>_fuzz.cpp for a while (seconds, default 60), seeded from
# tests/fuzz/corpus/<name>/: bash tests/fuzz/run.sh [SECONDS]
# New inputs go to build/host/fuzz/<name>.found/, a failing input to
# build/host/fuzz/<name>-crash-*; copy it into the corpus as a regression case.
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
cd "$src"
cmake --preset host >/dev/null
cmake --build --preset host
out=$src/build/host/fuzz
for target in "$src"/tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$target" _fuzz.cpp)
  mkdir -p "$out/$name.found"
  echo "== $name"
  "$out/${name}_fuzz" -max_total_time="${1:-60}" -max_len=4096 -artifact_prefix="$out/$name-" \
    "$out/$name.found" "$src/tests/fuzz/corpus/$name"
done
