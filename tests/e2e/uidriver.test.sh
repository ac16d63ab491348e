# The UI driver on a dialog with one control of each kind (tests/tools/dialogdemo.cpp):
# what dump reports, --title, click, check and the two keys through the dialog manager.
. "$(dirname "$0")/lib.sh"
use_prefix win32-win7
start_display
unmanaged_windows

demo() {  # demo [CAPTION]: the demo dialog in the background; DEMO_PID
  wine "$TEST_TOOLS_DIR/dialogdemo.exe" "$@" >/dev/null 2>&1 &
  DEMO_PID=$!
  uidriver wait 30000 --title "${1:-Dialog demo}"; ok $? "the demo dialog did not come up"
}
demo_result() { wait "$DEMO_PID"; expect_eq "$1" "$2" $?; }  # demo_result WHAT EXIT-CODE
# A dump's line of control ID without the geometry.
control() { uidriver dump ${2:+--title "$2"} | grep "^control id=$1 " | sed 's/ x=.*//'; }

demo
dump=$(uidriver dump)
expect_eq "window line" "window caption=[Dialog demo]" "$(echo "$dump" | head -n1 | sed 's/ x=.*//')"
echo "$dump" | head -n1 | grep -q ' screenw=1024 screenh=768 topmost=1$'; ok $? "screen and topmost: $(echo "$dump" | head -n1)"
expect_eq "controls in z-order" "100 101 102 103 1 2" "$(echo "$dump" | sed -n 's/^control id=\([0-9]*\) .*/\1/p' | tr '\n' ' ' | sed 's/ $//')"
expect_eq "check box" "control id=100 class=Button text=[Skip restart] checked=0 progress=-1 visible=1" "$(control 100)"
expect_eq "progress bar" "control id=101 class=msctls_progress32 text=[] checked=0 progress=42 visible=1" "$(control 101)"
expect_eq "two-line text" "control id=102 class=Static text=[Line one\\nLine two é✓] checked=0 progress=-1 visible=1" "$(control 102)"
expect_eq "hidden text" "control id=103 class=Static text=[hidden] checked=0 progress=-1 visible=0" "$(control 103)"
# Geometry: client-relative, inside the client area, and the window larger than its client area.
echo "$dump" | awk '
  /^window / { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } cw = v["clientw"]; ch = v["clienth"]
               bad += !(v["w"] > cw && v["h"] > ch && v["x"] >= 0 && v["y"] >= 0) }
  /^control / { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
                bad += !(v["x"] > 0 && v["y"] > 0 && v["w"] > 0 && v["h"] > 0 && v["x"] + v["w"] <= cw && v["y"] + v["h"] <= ch) }
  END { exit bad }'
ok $? "geometry out of the client area:
$dump"

uidriver check 100; ok $? "check 100"
expect_eq "ticked" "checked=1" "$(control 100 | grep -o 'checked=.')"
uidriver check 100; ok $? "check 100 again"
expect_eq "still ticked" "checked=1" "$(control 100 | grep -o 'checked=.')"
uidriver check 4711; expect_eq "check on a missing control" 3 $?
uidriver key enter; ok $? "key enter"
demo_result "Enter presses the default button" 11

demo
uidriver key esc; ok $? "key esc"
demo_result "Esc cancels" 20
uidriver waitgone 100; ok $? "waitgone after the dialog closed"

# Without a focused control the keys still reach the dialog.
for key in "esc 20" "enter 10"; do
  demo "Unfocused demo" nofocus
  uidriver key ${key% *}; ok $? "key ${key% *} without focus"
  demo_result "${key% *} without a focused control" "${key#* }"
done

# Two dialogs: --title picks one; without it the foremost one (the newer) is used.
demo "First demo"
first=$DEMO_PID
demo "Second demo"
expect_eq "foremost dialog" "window caption=[Second demo]" "$(uidriver dump | head -n1 | sed 's/ x=.*//')"
uidriver click 1 --title "First"; ok $? "click IDOK in the first"
wait "$first"; expect_eq "first dialog's result" 10 $?
uidriver wait 100 --title "Second demo"; ok $? "the second dialog went too"
uidriver click 2 --title "Second"; ok $? "click IDCANCEL in the second"
demo_result "second dialog's result" 20
uidriver waitgone 5000; ok $? "a dialog is left"
uidriver wait 100; expect_eq "wait times out without dialogs" 1 $?
uidriver frobnicate; expect_eq "unknown command" 2 $?

finish
