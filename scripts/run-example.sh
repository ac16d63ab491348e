#!/usr/bin/env bash
# The main job on the example medium: builds the launcher, makes a Wine prefix of its
# own with the installed product's stand-ins, runs media/autorun.inf under a private
# Xvfb display and prints where the log went and what it says. Dialogs are answered by
# the test UI driver. Installs whatever is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86

export TEST_BUILD_DIR=$root/build/windows-x86 TEST_SOURCE_DIR=$root
export TEST_TOOLS_DIR=$TEST_BUILD_DIR/tools SETUP_EXE=$TEST_BUILD_DIR/Setup.exe OBJDUMP=i686-w64-mingw32-objdump
out=$TEST_BUILD_DIR/example
rm -rf "$out" && mkdir -p "$out"
set +e +u
. tests/e2e/lib.sh

use_prefix win32-win7
make_medium media
cp media/autorun.inf "$MEDIUM/autorun.inf"
# The installed printer driver package the example's magic keyword names.
add_oem_inf oem1.inf '[Version]
Signature="$Windows NT$"
Class=Printer
; TarvikPrinterDriverPackage'
new_temp 0

echo "Running $MEDIUM_WIN\\Setup.exe in a Wine prefix (log folder $TEMP_WIN) ..."
run_setup_closing ""
echo "Exit code: $RUN_RC"
for f in "$E2E_WORK"/dialog-*.txt; do
  [ -f "$f" ] || continue
  cp "$f" "$out/"
  echo "--- window shown: $(basename "$f")"
  cat "$f"
done
log=$(log_path 0)
cp "$log" "$out/"
echo "--- log: $log"
echo "    (copied to $out/$(basename "$log"))"
tr -d '\r' <"$log"
