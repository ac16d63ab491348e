# Test-bed helpers of the main-job tests (Run section, progress dialog, finish page).
# Source after lib.sh.

MAINJOB_CD_GUID="{5D0A6E2B-3C41-4F8E-9B7A-1E2D3C4B5A69}"

# mainjob_medium: a medium with Setup.exe, the clip and the stand-in installer (also as
# pxprep.exe), and the driver INF copy that the run's magic keyword finds. Windows are
# unmanaged (Wine draws their frames; closing one takes no two-second wait).
mainjob_medium() {
  unmanaged_windows
  make_medium media
  cp "$TEST_BUILD_DIR/FILECOPY_16.AVI" "$MEDIUM/"
  cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/testinst.exe"
  cp "$TEST_TOOLS_DIR/testinst.exe" "$MEDIUM/pxprep.exe"
  add_oem_inf oem1.inf '[Version]
Signature="$Windows NT$"
Class=Printer
; TarvikMainJobKeyword'
}

# mainjob_ini [RUN-SECTIONS...]: writes the medium's autorun.inf: the common sections
# (caption, log level 511, every system accepted, English texts, the magic keyword)
# followed by the text on standard input.
mainjob_ini() {
  {
    passing_ini_head "Main Job Test" TarvikMainJobKeyword
    cat <<'INI'
[English]
2=Setup has finished
3=The printer add-on was installed.
4=No, I will restart later.
5=Click Finish to exit.
6=Finish
INI
    cat
  } | write_ini "$MEDIUM/autorun.inf"
}

# The stand-in installer's records: all, or the lines of one kind ("start", "probe", ...).
records() { tr -d '\r' 2>/dev/null <"$MEDIUM/testinst-record.txt"; }
record_lines() { records | grep "^$1|" | cut -d'|' -f2-; }
clear_records() { rm -f "$MEDIUM/testinst-record.txt"; }

# probe_value AT FIELD [CONTROL-ID]: a field of the dialog (or of one of its controls)
# as the installer's probe at AT ms saw it; empty when there was no dialog.
probe_value() {
  records | awk -F'|' -v at="$1" -v field="$2" -v id="${3:-}" '
    $1 == "probe" { inside = ($2 == at); next }
    !inside { next }
    id == "" && $1 == "dialog" { for (i = 2; i <= NF; i++) if (index($i, field "=") == 1) { print substr($i, length(field) + 2); exit } }
    id != "" && $1 == "control" && $2 == "id=" id { for (i = 3; i <= NF; i++) if (index($i, field "=") == 1) { print substr($i, length(field) + 2); exit } }'
}
# probe_dialogs AT: the number of dialogs each probe at AT ms saw, one line per probe.
probe_dialogs() { records | awk -F'|' -v at="$1" '$1 == "probe" && $2 == at { sub("dialogs=", "", $3); print $3 }'; }

# wait_finish_page [SECONDS]: until the finish page (control 1018) shows; 1 on time-out.
# MAINJOB_TITLE is the configured caption (default "Main Job Test").
wait_finish_page() {
  local deadline=$((SECONDS + ${1:-60}))
  while [ "$SECONDS" -lt "$deadline" ]; do
    uidriver dump --title "${MAINJOB_TITLE:-Main Job Test}" 2>/dev/null | grep -q '^control id=1018 ' && return 0
    sleep 0.3
  done
  return 1
}

# ---- the installed imaging product's stand-ins ---------------------------------

# reg_add KEY VALUE DATA [TYPE] [VIEW]: one registry value in the prefix (VIEW 32 or 64).
reg_add() {
  local view=()
  [ -n "${5:-}" ] && view=("/reg:$5")
  wine reg add "$1" /v "$2" /t "${4:-REG_SZ}" /d "$3" /f "${view[@]}" >/dev/null 2>&1
}

# uninstall_string TEXT [VIEW]: the "UninstallString" that the launcher reads: the
# launcher's entry name is empty, so the value sits on the Uninstall key itself.
uninstall_string() {
  reg_add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' UninstallString "$1" REG_SZ "${2:-}"
}

# product_doubles [VIEW-OF-32-BIT-KEYS]: the installed product as the launcher sees
# it: install folder C:\Program Files\Norvale\ (32-bit view), the installed disc (the
# registry's native view), the uninstaller data file of that disc and the uninstaller's
# Uninstall registration pointing at C:\Program Files\Norvale\Pictora\Uninstall\.
product_doubles() {
  local view32=${1:-} install="C:\\Program Files\\Norvale\\"
  reg_add 'HKLM\SOFTWARE\Norvale\Pictora' InstallFolder "$install" REG_SZ "$view32"
  reg_add 'HKLM\SOFTWARE\Norvale\Installed Products' "$MAINJOB_CD_GUID" "Pictora" REG_SZ
  local setup="$DRIVE_C/Program Files/Norvale/Pictora/$MAINJOB_CD_GUID/setup"
  mkdir -p "$setup" "$DRIVE_C/Program Files/Norvale/Pictora/Uninstall"
  printf '[Scrubber.FileUninstaller.MagicKeywords]\r\n1=Pictora\r\n' >"$setup/pxclean.dat"
  uninstall_string "C:\\Program Files\\Norvale\\Pictora\\Uninstall\\pxclean.exe -datfile pxclean.dat" "$view32"
}

# restart_marker: a RunOnce entry that writes C:\restart-marker.txt when the prefix
# "restarts" (ExitWindowsEx under Wine); restart_requested waits up to 20 s for it.
restart_marker() {
  rm -f "$DRIVE_C/restart-marker.txt"
  reg_add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' marker 'cmd /c echo restarted > C:\restart-marker.txt'
}
restart_requested() {
  local i
  for i in $(seq 1 "${1:-100}"); do
    [ -f "$DRIVE_C/restart-marker.txt" ] && return 0
    sleep 0.2
  done
  return 1
}

# dump_field N CONTROL-ID FIELD: a field of a control line of dialog-N.txt.
dump_field() {
  dialog_line "$1" "control id=$2 " | sed -n "s/.* $3=\(\[[^]]*\]\|[^ ]*\).*/\1/p"
}
# window_field N FIELD: a field of the window line of dialog-N.txt.
window_field() {
  dialog_line "$1" "window " | sed -n "s/.* $2=\(\[[^]]*\]\|[^ ]*\).*/\1/p"
}
