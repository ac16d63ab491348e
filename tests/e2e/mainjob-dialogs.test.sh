#!/usr/bin/env bash
# The progress dialog that accompanies "pxprep" programs and the finish page with its
# restart. The stand-in installer probes the visible dialogs while it runs; the UI
# driver reads and answers the finish page. Screenshots of both dialogs are kept in
# the build folder's artifacts/.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

ARTIFACTS="$TEST_BUILD_DIR/artifacts"
mkdir -p "$ARTIFACTS"
start_display
use_prefix win32-win7
mainjob_medium
restart_marker

# pixel X Y FILE: "R G B" of one screenshot pixel.
pixel() { /usr/bin/convert "$3" -format '%[fx:int(255*p{'"$1,$2"'}.r)] %[fx:int(255*p{'"$1,$2"'}.g)] %[fx:int(255*p{'"$1,$2"'}.b)]' info:; }
is_white() { local r g b; read -r r g b <<<"$1"; [ "$r" -ge 245 ] && [ "$g" -ge 245 ] && [ "$b" -ge 245 ]; }
is_picture() { local r g b; read -r r g b <<<"$1"; [ "$b" -ge $((r + 40)) ]; }  # the picture's blue

# ---- the progress dialog ----------------------------------------------------------
mainjob_ini <<'INI'
[Run]
1=pxprep.exe --probe=3000 --sleep=3600
2=testinst.exe --PXPREP --probe=1200 --sleep=1300
3=pxprep.exe --quick
4=pxprep.exe --again --probe=shown --sleep=1300
5=testinst.exe --probe=1000
INI
new_temp 1
clear_records
RUN_BACKGROUND=1 run_setup ""
if uidriver wait 20000 --title "Main Job Test" >/dev/null; then
  sleep 1.5
  screenshot "$ARTIFACTS/copy-dialog.png"
fi
wait_finish_page; ok $? "finish page after the programs"
sleep 1  # past the page's brief topmost phase
uidriver dump --title "Main Job Test" >"$E2E_WORK/dialog-finish.txt"
screenshot "$ARTIFACTS/finish-page.png"
cp "$E2E_WORK/dialog-finish.txt" "$ARTIFACTS/finish-page.txt"
cp "$MEDIUM/testinst-record.txt" "$ARTIFACTS/copy-dialog-probes.txt"

# First showing, 3 s after the program started: centred, caption, label, about 10 %.
expect_eq "probe 3000: dialogs" 1 "$(probe_dialogs 3000)"
expect_eq "caption" "[Main Job Test]" "$(probe_value 3000 caption)"
expect_eq "label" "[Copying ...]" "$(probe_value 3000 text 1013)"
pos=$(probe_value 3000 progress 1016)
# The timer only advances the bar: a busy machine delays ticks, never adds any.
[ "${pos:-0}" -ge 5 ] && [ "${pos:-0}" -le 11 ]; ok $? "about 10 % after 3 s: got [$pos]"
# A tick may fall between reading the bar and reading the text.
text=$(probe_value 3000 text 1017)
[ "$text" == "[$pos%]" ] || [ "$text" == "[$((pos + 1))%]" ]; ok $? "percent text follows the bar: bar $pos, text $text"
x=$(probe_value 3000 x) y=$(probe_value 3000 y) w=$(probe_value 3000 w) h=$(probe_value 3000 h)
sw=$(probe_value 3000 screenw) sh=$(probe_value 3000 screenh)
expect_eq "centred horizontally" $(((sw - w) / 2)) "$x"
expect_eq "centred vertically" $(((sh - h) / 2)) "$y"
copy_clientw=$(probe_value 3000 clientw) copy_clienth=$(probe_value 3000 clienth)

# "PXPREP" in capitals: no dialog. A program that ends at once still closes its dialog:
# the next showing (which waits for it) comes, and afterwards no dialog is left.
expect_eq "PXPREP shows no dialog" 0 "$(probe_dialogs 1200 | sed -n 1p)"
expect_eq "every progress dialog closed" 0 "$(probe_dialogs 1000)"
# The next showing starts again from 0 %: seen the moment it shows. The dialog shows
# after its program was created and its bar moves at most 1 % every 300 ms, however busy
# the machine.
expect_eq "second showing" 1 "$(probe_dialogs shown)"
pos2=$(probe_value shown progress 1016)
created=$(records | awk -F'|' '$1 == "probe" && $2 == "shown" { sub("created=", "", $4); print $4 }')
[ -n "$pos2" ] && [ "$pos2" -le $((${created:-0} / 300 + 1)) ]
ok $? "second showing starts from 0 %: got [$pos2] when it showed, ${created:-?} ms after its program was created"
expect_eq "programs in order" "pxprep.exe --probe=3000 --sleep=3600
testinst.exe --pxprep --probe=1200 --sleep=1300
pxprep.exe --quick
pxprep.exe --again --probe=shown --sleep=1300
testinst.exe --probe=1000" "$(record_lines start | cut -d'|' -f1)"

# ---- the finish page ----------------------------------------------------------------
dl() { awk -v p="$1" 'index($0, p) == 1 { print; exit }' "$E2E_WORK/dialog-finish.txt"; }
field() { sed -n "s/.* $2=\(\[[^]]*\]\|[^ ]*\).*/\1/p" <<<"$1"; }
win=$(dl "window ")
expect_eq "finish caption" "[Main Job Test]" "$(field "$win" caption)"
expect_eq "finish page no longer topmost after its first moments" 0 "$(field "$win" topmost)"
expect_eq "1002 title" "[Setup has finished]" "$(field "$(dl 'control id=1002 ')" text)"
expect_eq "1003 hint" "[Click Finish to exit.]" "$(field "$(dl 'control id=1003 ')" text)"
expect_eq "1018 body" "[The printer add-on was installed.]" "$(field "$(dl 'control id=1018 ')" text)"
expect_eq "1016 check box" "[No, I will restart later.]" "$(field "$(dl 'control id=1016 ')" text)"
expect_eq "1016 starts clear" "0" "$(field "$(dl 'control id=1016 ')" checked)"
expect_eq "1001 button" "[Finish]" "$(field "$(dl 'control id=1001 ')" text)"
fx=$(field "$win" x) fy=$(field "$win" y) fw=$(field "$win" w) fh=$(field "$win" h)
fcw=$(field "$win" clientw) fch=$(field "$win" clienth)
expect_eq "finish page centred horizontally" $(((1024 - fw) / 2)) "$fx"
expect_eq "finish page centred vertically" $(((768 - fh) / 2)) "$fy"
# 470 x 310 dialog units against the progress dialog's 252 x 87 in the same font.
[ $((fcw * 252 - copy_clientw * 470)) -le $((2 * 470)) ] && [ $((copy_clientw * 470 - fcw * 252)) -le $((2 * 470)) ]
ok $? "finish page width: client $fcw against progress dialog $copy_clientw"
[ $((fch * 87 - copy_clienth * 310)) -le $((2 * 310)) ] && [ $((copy_clienth * 310 - fch * 87)) -le $((2 * 310)) ]
ok $? "finish page height: client $fch against progress dialog $copy_clienth"
# Picture: one third of the outer width, four fifths of the outer height, from the
# client area's corner; white around it.
border=$(((fw - fcw) / 2))
cx=$((fx + border)) cy=$((fy + fh - fch - border))
pw=$((fw / 3)) ph=$((fh * 4 / 5))
shot="$ARTIFACTS/finish-page.png"
is_picture "$(pixel $((cx + 2)) $((cy + 2)) "$shot")"; ok $? "picture at the top left corner"
is_picture "$(pixel $((cx + pw - 1)) $((cy + ph - 1)) "$shot")"; ok $? "picture's last pixel at ($pw, $ph)"
is_white "$(pixel $((cx + pw + 1)) $((cy + ph / 2)) "$shot")"; ok $? "white right of the picture"
is_white "$(pixel $((cx + 10)) $((cy + ph + 1)) "$shot")"; ok $? "white below the picture"
is_white "$(pixel $((cx + fcw - 10)) $((cy + 10)) "$shot")"; ok $? "white page"

# Ticked box and Finish: no restart, the launcher ends.
uidriver check 1016 --title "Main Job Test" >/dev/null; ok $? "tick the box"
uidriver click 1001 --title "Main Job Test" >/dev/null; ok $? "press Finish"
wait "$RUN_PID"
restart_requested 15; ok $((!$?)) "ticked box: restart requested"
expect_sequence 0 "--> Enter RunApplication( pxprep.exe --quick)" "<-- Exit RunApplication()" \
  "--> Enter RunApplication( pxprep.exe --again --probe=shown --sleep=1300)" "<-- Exit RunApplication()" \
  "--> Enter RunApplication( testinst.exe --probe=1000)" "<-- Exit RunSectionExe()" "<-- Exit DropMain()"

# ---- Esc on the progress dialog, then Finish with the box clear: restart ---------------
mainjob_ini <<'INI'
[Run]
1=pxprep.exe --sleep=4000
INI
new_temp 2
clear_records
RUN_BACKGROUND=1 run_setup ""
uidriver wait 20000 --title "Main Job Test" >/dev/null
uidriver dump --title "Main Job Test" | grep -q '^control id=1017 '; ok $? "progress dialog showing"
uidriver key esc --title "Main Job Test" >/dev/null
uidriver waitgone 3000 --title "Main Job Test" >/dev/null; ok $? "Esc closes the progress dialog"
[ -z "$(record_lines end)" ]; ok $? "the program still runs after Esc"
wait_finish_page
expect_eq "the program ended before the finish page" "pxprep.exe --sleep=4000" "$(record_lines end)"
uidriver dump --title "Main Job Test" | grep -q '^control id=1018 '; ok $? "finish page after the program"
uidriver click 1001 --title "Main Job Test" >/dev/null
restart_requested; ok $? "Finish with the box clear: no restart"
wait "$RUN_PID" 2>/dev/null
expect_sequence 0 "Call CreateProcess with pxprep.exe --sleep=4000" "<-- Exit RunApplication()"

finish
