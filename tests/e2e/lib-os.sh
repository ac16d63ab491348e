# Helpers of the operating-system check tests (os-*.test.sh): a configuration around
# an os_list, one run of the launcher, and the exact lines of the check in its log.
# Source after lib.sh; call os_prepare KIND first.

OS_CAPTION="Tarvik Add-on Setup"
OS_TEXT='This version of Windows is not supported.\nSetup will now close.'
# uidriver writes the box's line break as backslash + n: the same characters.
OS_SHOWN=$OS_TEXT

# os_prepare KIND: a private prefix of this kind with the driver package the passing
# runs look for, and a medium.
os_prepare() {
  use_prefix "$1"
  make_medium
  add_oem_inf oem1.inf "[Version]
Signature=\"\$Windows NT\$\"
; TarvikOsTestKeyword
[Manufacturer]"
  start_display
  unmanaged_windows
}

# os_config OS_LIST [LINE...]: writes autorun.inf with this os_list ("-" leaves the key
# out) and the LINEs after it (more [OS_Support] keys, or further sections).
os_config() {
  local list=$1; shift
  {
    printf '%s\n' "[Version]" "WindowCaption=$OS_CAPTION" "[LangMap]" "0x0409=English" \
      "[English]" "1=$OS_TEXT" "8=The printer driver is not installed." \
      "[XRV.MagicKeywords]" "1=TarvikOsTestKeyword" "[OS_Support]"
    [ "$list" = "-" ] || printf 'os_list=%s\n' "$list"
    [ $# -gt 0 ] && printf '%s\n' "$@"
  } | write_ini "$MEDIUM/autorun.inf"
}

# os_run OS_LIST [LINE...]: os_config, then one run at level 511 in a fresh TEMP that
# closes every dialog; the exit code must be 0.
os_run() {
  os_config "$@"
  new_temp
  run_setup_closing "${OS_ARGS:--log 511}"
  expect_eq "exit code with os_list [$1]" 0 "$RUN_RC"
}

# The check's own lines of the last run's log.
os_trace() {
  log_lines | grep -E '^(--> Enter ValidateOS|<-- Exit VerifyVersionInfo|<-- VerifyVersionInfo|<-- Exit ValidateOS|Valid OS found|Service Pack Version :|This Operating is not Valid| fnIsWow64Process Failed)'
}

# Expected lines of one ValidateOS call: t_try CODE PLATFORM SP-MAJOR SP-MINOR OUTCOME,
# OUTCOME = version (VerifyVersionInfo fails), platform (the platform test fails),
# 32 or 64 (accepted).
t_try() {
  echo "--> Enter ValidateOS( $1, $2, $3, $4)"
  if [ "$5" = version ]; then echo "<-- Exit VerifyVersionInfo() Return with FALSE"; return; fi
  echo "<-- VerifyVersionInfo() Return with SUCEESS"
  case $5 in
    platform) echo "<-- Exit ValidateOS()  Return with FALSE." ;;
    *) echo "<-- Exit ValidateOS()=[Valid, $5 Bit OS] Return with TRUE" ;;
  esac
}
t_found() { printf '%s\n' "Valid OS found. OS: $1" "Service Pack Version : $2.$3"; }
t_none() { echo "This Operating is not Valid. OS: "; }

# expect_trace NAME LINES...: the check's lines are exactly these (each argument may
# hold several lines).
expect_trace() {
  local name=$1; shift
  local want
  want=$(printf '%s\n' "$@" | sed '/^$/d')
  expect_eq "$name: lines of the check" "$want" "$(os_trace)"
}

# After a passing check (expect_accepted NAME 32|64): no message box with text 1 came
# up, and the run section of the accepted entry's platform was chosen.
expect_accepted() {
  ! grep -qF -- "text=[$OS_SHOWN]" "$E2E_WORK"/dialog-*.txt 2>/dev/null
  ok $? "$1: the not-supported message came up"
  if [ "$2" = 64 ]; then
    expect_line "Calling RunSectionExe() with Parameter .x64 for 64 bit OS"
  else
    expect_line "Calling RunSectionExe() with Parameter NULL for 32 bit OS"
  fi
}

# After a failing check: exactly one dialog, the message box with this caption and text.
expect_message() {  # expect_message NAME CAPTION TEXT
  expect_eq "$1: dialogs shown" 1 "${DIALOG_COUNT:-0}"
  local caption text
  caption=$(dialog_line 1 "window " | sed -n 's/^window caption=\[\(.*\)\] x=.*/\1/p')
  text=$(dialog_line 1 "control id=65535 class=Static " | sed -n 's/.* text=\[\(.*\)\] checked=.*/\1/p')
  expect_eq "$1: message box caption" "$2" "$caption"
  expect_eq "$1: message box text" "$3" "$text"
  [ -n "$(dialog_line 1 "control id=1 class=Button text=[OK] ")" ]
  ok $? "$1: message box without its OK button"
}

# The OS-not-supported box as the standard configuration shows it.
expect_os_message() { expect_message "$1" "$OS_CAPTION" "$OS_SHOWN"; }

# The probe and the redirection switches of this kind of system.
expect_probe() {  # expect_probe BITNESS WOW64
  wine "$TEST_BUILD_DIR/win_redirection.exe" "$1" "$2" >"$E2E_WORK/probe.txt" 2>&1
  ok $? "probe and switches on this system (expected $1, WOW64 $2): $(cat "$E2E_WORK/probe.txt")"
}
