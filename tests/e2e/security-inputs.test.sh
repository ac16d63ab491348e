#!/usr/bin/env bash
# Damaged and hostile inputs on Windows XP: damaged progress-dialog clips (the run goes
# on to its end with exit code 0 and no animation), printer queues whose fields printui
# would misread (left alone), and INF paths that name a device, a folder or a pipe
# (nothing deleted).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-printers.sh"

printers_prefix win32-winxp

# security_ini RUN-ENTRY... : the medium's configuration with these Run entries and the
# printer bed's driver list.
security_ini() {
  {
    passing_ini_head "Security test" TarvikPrinterTestKeyword
    printf '[English]\n2=Done\n[Run]\n'
    local i=0 entry
    for entry in "$@"; do i=$((i + 1)); echo "$i=$entry"; done
    printf '[UpdateDrivers]\n1=Model X 100\n'
  } | write_ini "$MEDIUM/autorun.inf"
}

# ---- damaged clips: no animation, the run goes on --------------------------------
# damaged_clip KIND: the medium's clip with one kind of damage.
damaged_clip() {
  python3 - "$TEST_BUILD_DIR/FILECOPY_16.AVI" "$MEDIUM/FILECOPY_16.AVI" "$1" <<'PY'
import struct, sys
src, dst, kind = sys.argv[1:]
b = bytearray(open(src, "rb").read())
if kind == "frames":      struct.pack_into("<I", b, 48, 0x40000001)           # main header's frame count
elif kind == "wrapping":  struct.pack_into("<I", b, 48, 0x80000004)
elif kind == "picture":   struct.pack_into("<ii", b, 176, 3000, 3000)         # frame format's width, height
elif kind == "cut":       b = b[:len(b) // 2]
elif kind == "text":      b = bytearray(b"[Version]\r\n")
open(dst, "wb").write(b)
PY
}

cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/testinst.exe"
security_ini "pxprep.exe --sleep=1500" "testinst.exe --after"
clip_win="$MEDIUM_WIN\\FILECOPY_16.AVI"
while IFS='|' read -r kind reason; do
  damaged_clip "$kind"
  new_temp
  rm -f "$MEDIUM/testinst-record.txt"
  run_setup_closing ""
  expect_eq "[$kind] exit code" 0 "$RUN_RC"
  expect_eq "[$kind] programs" "pxprep.exe --sleep=1500
testinst.exe --after" "$(tr -d '\r' <"$MEDIUM/testinst-record.txt" 2>/dev/null | sed -n 's/^start|\([^|]*\)|.*/\1/p')"
  [ -n "$(dialog_line "$DIALOG_COUNT" "control id=1018 ")" ]; ok $? "[$kind] the finish page came last"
  expect_line "## $clip_win is not played: $reason"
done <<'ROWS'
frames|its main header counts 1073741825 frames, the file holds 16
wrapping|its main header counts 2147483652 frames, the file holds 16
picture|frame 1 is smaller than its picture
cut|it is not a RIFF AVI file that fits inside the file
text|it is not a RIFF AVI file that fits inside the file
ROWS
rm -f "$MEDIUM/FILECOPY_16.AVI"

# ---- queue fields printui would misread: left alone --------------------------------
# NAME|PORT|why it is left alone (empty: re-created)
QUEUES='Office A|LPT1:|
Out Port|C:\out\|ends with a backslash, which printui would read as an escaped quote
Twin Slash|C:\spool\\|ends with a backslash, which printui would read as an escaped quote
/r|LPT2:|begins with a slash, which printui would read as a switch
Slash Port|/m|begins with a slash, which printui would read as a switch'
args=(driver "Model X 100")
while IFS='|' read -r name port reason; do args+=(printer "$name" "$port" "Model X 100"); done <<<"$QUEUES"
printerbed "${args[@]}" >/dev/null
before=$(printerbed dump)
security_ini 'pxnetadj.exe %sourcepath%x.inf'
new_temp
clear_records
update_run
while IFS='|' read -r name port reason; do
  if [ -z "$reason" ]; then
    expect_line "!! Printer deleted   : $name"
  else
    expect_line "## $name is left alone: its name, port or driver name $reason"
    expect_eq "[$name] queue unchanged" "$(grep -F "$name|$port|" <<<"$before")" "$(printerbed dump | grep -F "$name|$port|")"
  fi
done <<<"$QUEUES"
expect_eq "printui only for the plain queue" \
  'rundll32 printui.dll,PrintUIEntry /if /b "Office A" /f "c:\media\x.inf" /r "LPT1:" /m "Model X 100"' \
  "$(printui_record)"
expect_count 4 '^## .* is left alone: '
after_fields=$(printerbed dump)

# ---- INF paths that are no regular file: nothing deleted ---------------------------
# A device name, the console, a folder and a pipe the system keeps open (the service
# manager's).
while IFS='|' read -r entry path; do
  security_ini "$entry"
  new_temp
  clear_records
  update_run
  expect_line "## Office A is left alone: the INF file \"$path\" is not a regular file"
  expect_count 0 '^!! '
  expect_eq "[$entry] printui not started" "" "$(printui_record)"
  expect_eq "[$entry] queues unchanged" "$after_fields" "$(printerbed dump)"
done <<'ROWS'
pxnetadj.exe nul|nul
pxnetadj.exe CON|con
pxnetadj.exe %sourcepath%|c:\media\
pxnetadj.exe \\.\pipe\svcctl|\\.\pipe\svcctl
ROWS

finish
