#!/usr/bin/env bash
# Runs one Windows test program under Wine in a shared prefix for unit tests, with a
# TEMP folder of its own that is also its working folder (whatever a test leaves in
# either goes with it). Used as the CTest cross-compiling emulator.
set -u
build=${TEST_BUILD_DIR:-$(pwd)}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$build/prefixes/unit
mkdir -p "$build/prefixes"
. "$(dirname "${BASH_SOURCE[0]}")/prefix.sh"
# Windows 7, as the unit programs expect (Wine's default).
(
  flock 9
  prefix_make "$WINEPREFIX" win32 win7
) 9>"$build/prefixes/.unit.lock" || exit 1
tmp=$(mktemp -d "$WINEPREFIX/drive_c/unittemp.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export TEST_TEMP_UNIX=$tmp
temp="C:\\${tmp##*/}"
# Wine takes TEMP from the prefix registry, not from this environment: runenv sets it.
program=$(winepath -w "$1" 2>/dev/null); shift
cd "$tmp"
wine "$build/tools/runenv.exe" "TEMP=$temp" "TMP=$temp" -- "\"$program\"${*:+ $*}"
