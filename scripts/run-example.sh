#!/usr/bin/env bash
# The main job on the example medium: builds the launcher, makes a fresh Wine prefix of
# its own under build/windows-x86/example/ with stand-ins of the installed printer
# driver package and imaging product, puts the medium (Setup.exe, media/autorun.inf,
# the progress dialog's clip, stand-in installer programs, the add-on's uninstaller data
# file) into it and runs it under a private Xvfb display. The UI driver plays the user:
# it photographs the progress dialog while "pxprep" runs and the finish page, then ticks
# "no restart" and presses Finish. Prints where the log, the screenshots and the
# stand-in programs' records went, and the log itself. Installs whatever is missing first.
#
# With --quiet the medium runs unattended instead, as a deployment tool starts it:
# "Setup.exe -ui quiet"; the script then reports the launcher's windows (there must be
# none) and its exit code (3010 after the whole job).
set -euo pipefail
quiet=0
[ "${1:-}" = --quiet ] && quiet=1
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86

export TEST_BUILD_DIR=$root/build/windows-x86 TEST_SOURCE_DIR=$root
export TEST_TOOLS_DIR=$TEST_BUILD_DIR/tools SETUP_EXE=$TEST_BUILD_DIR/Setup.exe OBJDUMP=i686-w64-mingw32-objdump
out=$TEST_BUILD_DIR/example
[ -d "$out" ] && find "$out" -maxdepth 2 -name 'prefix-*' -exec env WINEPREFIX={} wineserver -k \; 2>/dev/null
rm -rf "$out" && mkdir -p "$out"
export TMPDIR=$out KEEP_E2E_WORK=1  # the prefix lives under $out and stays for a look
set +e +u
. tests/e2e/lib.sh
. tests/e2e/lib-mainjob.sh
caption=$(sed -n 's/^WindowCaption=\(.*\)\r\{0,1\}$/\1/p' media/autorun.inf | tr -d '\r')
export MAINJOB_TITLE=$caption

start_display
use_prefix win32-win7
unmanaged_windows
echo "Wine prefix: $WINEPREFIX"

# The installed printer driver package (one of the medium's magic keywords) and the
# installed imaging product: install folder, installed disc, its uninstaller data file
# and the uninstaller's registration.
add_oem_inf oem1.inf '[Version]
Signature="$Windows NT$"
Class=Printer
Provider=Tarvik
; TarvikPrinterDriverPackage'
product_doubles

# The medium.
make_medium media
cp media/autorun.inf "$MEDIUM/autorun.inf"
cp -r media/setup "$MEDIUM/setup"
cp "$TEST_BUILD_DIR/FILECOPY_16.AVI" "$MEDIUM/"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/addon-setup.exe"
new_temp 0

if [ "$quiet" = 1 ]; then
  echo "Running $MEDIUM_WIN\\Setup.exe -ui quiet (current directory $MEDIUM_WIN, log folder $TEMP_WIN) ..."
  run_setup "-ui quiet"
  echo "Windows of the launcher: $(run_windows | wc -l)"
  run_windows
  echo "Exit code: $(run_exit_code)"
else
  echo "Running $MEDIUM_WIN\\Setup.exe (current directory $MEDIUM_WIN, log folder $TEMP_WIN) ..."
  RUN_BACKGROUND=1 run_setup ""
  if uidriver wait 30000 --title "$caption" >/dev/null; then
    sleep 2
    uidriver dump --title "$caption" >"$out/progress-dialog.txt"
    screenshot "$out/progress-dialog.png"
    echo "--- progress dialog (screenshot $out/progress-dialog.png):"
    cat "$out/progress-dialog.txt"
  else
    echo "--- no dialog came up (see the log below)"
  fi
  if wait_finish_page 60; then
    sleep 1  # past the page's brief topmost phase
    uidriver dump --title "$caption" >"$out/finish-page.txt"
    screenshot "$out/finish-page.png"
    echo "--- finish page (screenshot $out/finish-page.png):"
    cat "$out/finish-page.txt"
    echo "--- ticking \"no restart\" and pressing Finish"
    uidriver check 1016 --title "$caption" >/dev/null
    uidriver click 1001 --title "$caption" >/dev/null
  fi
  wait "$RUN_PID"
  echo "Exit code: $?"
fi

echo "--- programs the Run section started (their own records, $MEDIUM/testinst-record.txt):"
tr -d '\r' <"$MEDIUM/testinst-record.txt" 2>/dev/null
dat="$DRIVE_C/Program Files/Norvale/Pictora/Uninstall/pxclean.dat"
if [ -f "$dat" ]; then echo "--- uninstaller data file copied next to the uninstaller: $dat"; fi
log=$(log_path 0)
cp "$log" "$out/"
echo "--- the run in short (banner, system check, programs, end):"
log_lines | grep -E '^\+\+\+|^Valid OS|^This Operating|^Service Pack Version|^Call CreateProcess|^--> Enter RunApplication|^<-- Exit (RunSectionExe|DropMain)|^## [^R]|Magic Keyword|^>> |^<< |^\*\* Exit code'
echo "--- log: $log"
echo "    (copied to $out/$(basename "$log"))"
tr -d '\r' <"$log"
[ "$quiet" = 1 ] || echo "--- screenshots: $out/progress-dialog.png $out/finish-page.png"
