#!/usr/bin/env bash
# Runs the whole test suite: host unit tests of the text logic (ASan/UBSan), then the
# cross-built launcher's Windows unit tests and end-to-end tests under Wine.
# Installs whatever is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
ctest --preset windows-x86
