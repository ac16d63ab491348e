# Shared test bed of the end-to-end tests: throwaway Wine prefixes made from cached
# templates, a private Xvfb display, the launcher run on a test medium, and checks on
# its log. Source it from a *.test.sh script; call `finish` at the end.
#
# Environment (set by CTest): SETUP_EXE, TEST_TOOLS_DIR, TEST_BUILD_DIR, TEST_SOURCE_DIR.
set -u

: "${TEST_BUILD_DIR:?run through ctest}"
. "$(dirname "${BASH_SOURCE[0]}")/prefix.sh"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8 LANG=C.UTF-8

E2E_PASSED=0
E2E_FAILED=0
E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/e2e.XXXXXX")
E2E_XVFB_PID=""
E2E_PREFIXES=()

e2e_cleanup() {
  local p
  for p in "${E2E_PREFIXES[@]}"; do
    WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  [ -n "$E2E_XVFB_PID" ] && kill "$E2E_XVFB_PID" 2>/dev/null
  if [ -n "${KEEP_E2E_WORK:-}" ]; then echo "work kept in $E2E_WORK"; else rm -rf "$E2E_WORK"; fi
}
trap e2e_cleanup EXIT

# ---- reporting ------------------------------------------------------------

ok() {  # ok CONDITION-EXIT-CODE MESSAGE...: pass when the first argument is 0
  local rc=$1; shift
  if [ "$rc" -eq 0 ]; then
    E2E_PASSED=$((E2E_PASSED + 1))
  else
    E2E_FAILED=$((E2E_FAILED + 1))
    echo "FAIL: $*" >&2
  fi
}

expect_eq() {  # expect_eq WHAT EXPECTED ACTUAL
  [ "$2" == "$3" ]; ok $? "$1: expected [$2], got [$3]"
}

finish() {
  echo "$E2E_PASSED passed, $E2E_FAILED failed"
  [ "$E2E_FAILED" -eq 0 ]
  exit $?
}

# ---- prefixes -------------------------------------------------------------

# Kinds: ARCH-VERSION (see prefix_make in prefix.sh): win32-winxp win32-vista win32-win7
# win32-win10 win64-winxp64 win64-vista win64-win7 win64-win10. Wine 8 has no Windows 11
# setting; win10 stands in for it, as both report 6.2 to the launcher.
prefix_template() {
  local kind=$1 dir="$TEST_BUILD_DIR/prefixes/$1"
  mkdir -p "$TEST_BUILD_DIR/prefixes"
  (
    flock 9
    prefix_make "$dir" "${kind%%-*}" "${kind#*-}"
  ) 9>"$TEST_BUILD_DIR/prefixes/.$kind.lock" || return 1
  echo "$dir"
}

# use_prefix KIND: a private copy of the template; sets WINEPREFIX and DRIVE_C.
use_prefix() {
  local template
  template=$(prefix_template "$1") || { echo "FAIL: no whole $1 prefix" >&2; exit 1; }
  export WINEPREFIX="$E2E_WORK/prefix-$1-${#E2E_PREFIXES[@]}"
  cp -a --reflink=auto "$template" "$WINEPREFIX"
  E2E_PREFIXES+=("$WINEPREFIX")
  DRIVE_C="$WINEPREFIX/drive_c"
}

# Ends every process of the current prefix.
stop_prefix() { wineserver -k >/dev/null 2>&1 || true; wineserver -w 2>/dev/null || true; }

# ---- display --------------------------------------------------------------

# Start it before the first run in a prefix: a prefix that already ran a program
# without a display keeps a desktop process that cannot show windows (stop_prefix first).
# E2E_SCREEN sets the screen's size (default 1024x768x24).
start_display() {
  [ -n "$E2E_XVFB_PID" ] && return 0
  local fdfile="$E2E_WORK/display"
  Xvfb -displayfd 1 -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp >"$fdfile" 2>/dev/null &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$fdfile")"
}

screenshot() {  # screenshot FILE.png
  xwd -root -silent | /usr/bin/convert xwd:- "$1"
}

# ---- the medium and the run -----------------------------------------------

# make_medium [DIR]: a folder inside the prefix with Setup.exe; sets MEDIUM (Unix) and
# MEDIUM_WIN (Windows path). The test writes its autorun.inf there.
make_medium() {
  local name=${1:-media}
  MEDIUM="$DRIVE_C/$name"
  MEDIUM_WIN="C:\\${name//\//\\}"
  mkdir -p "$MEDIUM"
  cp "$SETUP_EXE" "$MEDIUM/Setup.exe"
}

# new_temp: a fresh TEMP folder for the next run; sets TEMP_DIR (Unix) and TEMP_WIN.
new_temp() {
  local n=${1:-$RANDOM}
  TEMP_DIR="$DRIVE_C/temp$n"
  TEMP_WIN="C:\\temp$n"
  rm -rf "$TEMP_DIR"
  mkdir -p "$TEMP_DIR"
}

# run_setup [RAW-ARGUMENTS]: runs MEDIUM\Setup.exe with exactly this argument text,
# current directory = MEDIUM (or RUN_CWD), TEMP = TEMP_WIN (RUN_ENV may add NAME=VALUE words; an
# empty value removes the variable; RUN_OPTS runenv's own options, such as
# --hidden-station); waits for it and sets RUN_RC. With
# RUN_BACKGROUND=1 it returns at once and sets RUN_PID. runenv's report (the
# launcher's visible windows and its whole exit code) goes to RUN_OUT (default
# $E2E_WORK/runenv.txt); read it with run_exit_code and run_windows. Wine's messages
# go to RUN_ERR (default: nowhere).
run_setup() {
  local args=${1:-}
  local cmd="\"$MEDIUM_WIN\\Setup.exe\"${args:+ $args}"
  local -a env=("TEMP=$TEMP_WIN" "TMP=$TEMP_WIN")
  [ -n "${RUN_ENV:-}" ] && read -r -a extra <<<"$RUN_ENV" && env+=("${extra[@]}")
  local out=${RUN_OUT:-$E2E_WORK/runenv.txt}
  rm -f "$out"
  if [ "${RUN_BACKGROUND:-0}" = 1 ]; then
    (cd "$MEDIUM" && exec wine "$TEST_TOOLS_DIR/runenv.exe" ${RUN_OPTS:-} "${env[@]}" -- "$cmd" >"$out" 2>"${RUN_ERR:-/dev/null}") &
    RUN_PID=$!
    return 0
  fi
  (cd "${RUN_CWD:-$MEDIUM}" && timeout "${RUN_TIMEOUT:-120}" wine "$TEST_TOOLS_DIR/runenv.exe" ${RUN_OPTS:-} "${env[@]}" -- "$cmd" >"$out" 2>"${RUN_ERR:-/dev/null}")
  RUN_RC=$?
}

# run_exit_code [OUT]: the launcher's whole exit code (RUN_RC keeps only 8 bits); empty
# when runenv did not see it end. run_windows [OUT]: "window|CLASS|CAPTION" for each
# visible top-level window the launcher's process showed.
run_exit_code() { tr -d '\r' <"${1:-${RUN_OUT:-$E2E_WORK/runenv.txt}}" 2>/dev/null | sed -n 's/^exit code //p'; }
run_windows() { tr -d '\r' <"${1:-${RUN_OUT:-$E2E_WORK/runenv.txt}}" 2>/dev/null | grep '^window|'; }
# launcher_dlls FILE: after a run with RUN_ENV="WINEDEBUG=+loaddll,+pid" and RUN_ERR=FILE,
# every module the launcher's own process loaded (not its programs'), a lower-case path a line.
launcher_pid() { grep -a -i -m1 'Loaded L".*\\setup\.exe"' "$1" | cut -d: -f1; }
launcher_dlls() {
  local pid
  pid=$(launcher_pid "$1")
  [ -n "$pid" ] && grep -a "^$pid:.*Loaded L\"" "$1" | sed 's/.*Loaded L"//; s/" at .*//; s/\\\\/\\/g' | tr 'A-Z' 'a-z'
}

# relay_only [NAMES]: Wine's call trace (WINEDEBUG=+relay) in the current prefix lists
# only these functions (";" between names); without NAMES every call again.
relay_only() {
  if [ -n "${1:-}" ]; then
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$1" /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
  fi
}
# launcher_calls FILE: after a run with RUN_ENV="WINEDEBUG=+loaddll,+pid,+relay" and
# RUN_ERR=FILE, the functions the launcher's own process called, in order, a name a line.
launcher_calls() {
  local pid
  pid=$(launcher_pid "$1")
  [ -n "$pid" ] && grep -a "^$pid:[0-9a-f]*:Call [A-Za-z0-9_]*\." "$1" | sed 's/^[^ ]*:Call [^.]*\.\([A-Za-z0-9_]*\)(.*/\1/'
}

# ---- the log --------------------------------------------------------------

log_path() { echo "$TEMP_DIR/TarvikLangSetup$(printf %03d "${1:-0}").log"; }

# log_lines [N]: the lines of log N without time stamps and CR.
log_lines() { sed -e 's/^\[[0-9][0-9]\/[0-9][0-9]\/[0-9]\{4\} [0-9][0-9]:[0-9][0-9]:[0-9][0-9]\]//' -e 's/\r$//' "$(log_path "${1:-0}")"; }

expect_line() {  # expect_line TEXT [N]: TEXT is one whole line of log N
  log_lines "${2:-0}" | grep -Fxq -- "$1"; ok $? "log ${2:-0} lacks the line [$1]"
}

expect_no_line() {  # expect_no_line TEXT [N]
  ! log_lines "${2:-0}" | grep -Fxq -- "$1"; ok $? "log ${2:-0} has the line [$1]"
}

# expect_sequence N LINE...: the lines appear in this order (others may stand between).
expect_sequence() {
  local n=$1; shift
  local got
  got=$(log_lines "$n" | awk -v want="$(printf '%s\n' "$@")" '
    BEGIN { k = split(want, w, "\n"); i = 1 }
    i <= k && $0 == w[i] { i++ }
    END { print i - 1 }')
  [ "$got" -eq $# ]; ok $? "log $n: only $got of $# lines in order; first missing: [${*:$((got + 1)):1}]"
}

# expect_log_head N LINE...: the first lines of log N are exactly these.
expect_log_head() {
  local n=$1; shift
  local want got
  want=$(printf '%s\n' "$@")
  got=$(log_lines "$n" | head -n $#)
  [ "$want" == "$got" ]; ok $? "log $n head: expected
$want
got
$got"
}

# Writes an INI file with CR LF line ends: write_ini FILE <<EOF ... EOF
write_ini() { sed 's/$/\r/' >"$1"; }

# Windows path of a Unix path inside the prefix.
win_path() { local p=${1#"$DRIVE_C"}; p=${p//\//\\}; echo "C:$p"; }

# add_oem_inf FILE TEXT: a driver INF copy in the prefix's INF folder, stored as
# UTF-16LE with a byte-order mark (how the system keeps them).
add_oem_inf() {
  mkdir -p "$DRIVE_C/windows/inf"
  { printf '\xff\xfe'; printf '%s' "$2" | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$DRIVE_C/windows/inf/$1"
}

# ---- windows of the launcher ------------------------------------------------

# uidriver ARGS...: the UI driver (tests/tools/uidriver.cpp) in the current prefix;
# prints what it prints and returns its exit code. Needs start_display.
uidriver() { wine "$TEST_TOOLS_DIR/uidriver.exe" "$@"; }

# unmanaged_windows: in the current prefix, Wine's X11 driver treats windows as not
# managed by a window manager (there is none on Xvfb). Closing a window then takes
# milliseconds instead of Wine's two-second wait for a window manager, and
# screenshots show Wine's own frame and caption; client areas stay where they were.
# Call it after start_display (the prefix's first program must see the display).
unmanaged_windows() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

# run_setup_closing [RAW-ARGUMENTS]: runs the launcher like run_setup, in the
# background, and closes every dialog it shows with Esc (message boxes, the finish
# page without a restart). Before each Esc the dialog's dump goes to
# $E2E_WORK/dialog-N.txt (N = 1, 2, ...; DIALOG_COUNT is the last N). Ends when the
# launcher has ended and sets RUN_RC; after RUN_TIMEOUT seconds (default 120) it ends
# the prefix's processes and sets RUN_RC to 124. Each closed window costs two seconds
# unless the prefix has unmanaged_windows.
run_setup_closing() {
  start_display
  rm -f "$E2E_WORK"/dialog-*.txt
  DIALOG_COUNT=0
  RUN_BACKGROUND=1 run_setup "${1:-}"
  local launcher=$RUN_PID deadline=$((SECONDS + ${RUN_TIMEOUT:-120})) waiter="" rc
  # One waiting UI driver at a time; the shell watches it and the launcher, so the
  # end of the launcher is seen at once.
  while kill -0 "$launcher" 2>/dev/null; do
    if [ -z "$waiter" ]; then
      (exec wine "$TEST_TOOLS_DIR/uidriver.exe" wait $(((deadline - SECONDS) * 1000)) >/dev/null 2>&1) &
      waiter=$!
    elif ! kill -0 "$waiter" 2>/dev/null; then
      wait "$waiter"
      rc=$?
      waiter=""
      [ "$rc" -eq 0 ] && run_closing_dialog
      [ "$SECONDS" -ge "$deadline" ] && break
    fi
    sleep 0.05
  done
  if [ -n "$waiter" ]; then
    kill "$waiter" 2>/dev/null
    wait "$waiter" 2>/dev/null
  fi
  if kill -0 "$launcher" 2>/dev/null; then
    echo "run_setup_closing: the launcher still runs after ${RUN_TIMEOUT:-120} s" >&2
    stop_prefix
    wait "$launcher" 2>/dev/null
    RUN_RC=124
    return 0
  fi
  wait "$launcher"
  RUN_RC=$?
}

# Saves the foremost dialog's dump as the next dialog-N.txt and presses Esc on it.
run_closing_dialog() {
  local n=$((DIALOG_COUNT + 1))
  uidriver dump >"$E2E_WORK/dialog-$n.txt" 2>/dev/null || return 0  # closed meanwhile
  DIALOG_COUNT=$n
  uidriver key esc >/dev/null 2>&1
}

# dialog_line N PREFIX: the first line of dialog-N.txt that starts with PREFIX
# ("window", "control id=65535 ", ...).
dialog_line() { awk -v p="$2" 'index($0, p) == 1 { print; exit }' "$E2E_WORK/dialog-$1.txt" 2>/dev/null; }

# passing_ini_head CAPTION KEYWORD: the first sections of a configuration that takes a
# run past the start-up checks: log level 511, every tested system accepted, the
# English language map and one magic keyword (put it into an INF copy with add_oem_inf).
passing_ini_head() {
  cat <<INI
[Version]
WindowCaption=$1
Log=511
[OS_Support]
os_list=501,502_64,600,600_64,601,601_64
[LangMap]
0x0409=English
[XRV.MagicKeywords]
1=$2
INI
}
