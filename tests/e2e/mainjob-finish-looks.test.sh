#!/usr/bin/env bash
# How the finish page and the progress dialog look: every text readable (WCAG contrast
# ratio 4.5:1 against its background) under the normal scheme, a dark scheme and a
# high-contrast scheme; and at 96, 120, 144 and 192 DPI every text fits its control,
# no controls overlap and the dialogs grow with the DPI (they are laid out in dialog
# units). Screenshots go to the build folder's artifacts/ (looks-*.png).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib-mainjob.sh"

ARTIFACTS="$TEST_BUILD_DIR/artifacts"
mkdir -p "$ARTIFACTS"
E2E_SCREEN=2048x1536x24 start_display  # the finish page at 192 DPI is about 1660 x 1060 pixels
use_prefix win32-win7
mainjob_medium
mainjob_ini <<'INI'
[Run]
1=pxprep.exe --sleep=4000
INI

reg_desktop() { wine reg add "HKCU\\Control Panel\\$1" /v "$2" /t "${4:-REG_SZ}" /d "$3" /f >/dev/null 2>&1; }
# colours WINDOW WINDOW-TEXT BUTTON-FACE BUTTON-TEXT: the user's colour scheme ("R G B").
colours() {
  reg_desktop Colors Window "$1"
  reg_desktop Colors WindowText "$2"
  reg_desktop Colors ButtonFace "$3"
  reg_desktop Colors ButtonText "$4"
}

# show NAME: one run up to the finish page, closed with Esc; the layouts of both dialogs
# go to $E2E_WORK/NAME-copy.txt and NAME-page.txt, the screenshots to the artifacts.
show() {
  new_temp "$1"
  RUN_BACKGROUND=1 run_setup ""
  if uidriver wait 20000 --title "Main Job Test" >/dev/null; then
    sleep 1
    uidriver layout --title "Main Job Test" >"$E2E_WORK/$1-copy.txt"
    screenshot "$ARTIFACTS/looks-$1-copy.png"
  fi
  wait_finish_page; ok $? "$1: finish page"
  sleep 1  # past the page's brief topmost phase
  uidriver layout --title "Main Job Test" >"$E2E_WORK/$1-page.txt"
  screenshot "$ARTIFACTS/looks-$1-page.png"
  uidriver key esc --title "Main Job Test" >/dev/null
  wait "$RUN_PID"
}

# lf NAME DIALOG PREFIX FIELD: a field of the first layout line that starts with PREFIX.
lf() { awk -v p="$3" 'index($0, p) == 1 { print; exit }' "$E2E_WORK/$1-$2.txt" | tr -d '\r' | sed -n "s/.* $4=\([^ ]*\).*/\1/p"; }

# text_pixels SHOT X Y W H: how many pixels of the area stand out from its most frequent
# colour (the background) by a contrast ratio of at least 4.5.
text_pixels() {
  /usr/bin/convert "$1" -crop "$4x$5+$2+$3" +repage -format %c histogram:info:- | awk '
    function lin(c) { c /= 255; return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ^ 2.4 }
    match($0, /\([0-9]+,[0-9]+,[0-9]+/) {
      split(substr($0, RSTART + 1, RLENGTH - 1), c, ","); n++; count[n] = $1 + 0
      lum[n] = 0.2126 * lin(c[1]) + 0.7152 * lin(c[2]) + 0.0722 * lin(c[3])
      if (count[n] > count[bg]) bg = n }
    END { for (i = 1; i <= n; i++) { hi = lum[i] > lum[bg] ? lum[i] : lum[bg]; lo = lum[i] + lum[bg] - hi
            if ((hi + 0.05) / (lo + 0.05) >= 4.5) text += count[i] }
          print text + 0 }'
}

# readable NAME DIALOG ID...: each control's text area (a check box's without its box)
# holds at least 10 pixels of enough contrast.
readable() {
  local name=$1 dialog=$2 id x y w h room n; shift 2
  for id in "$@"; do
    x=$(lf "$name" "$dialog" "control id=$id " x) y=$(lf "$name" "$dialog" "control id=$id " y)
    w=$(lf "$name" "$dialog" "control id=$id " w) h=$(lf "$name" "$dialog" "control id=$id " h)
    room=$(lf "$name" "$dialog" "control id=$id " room)
    n=$(text_pixels "$ARTIFACTS/looks-$name-$dialog.png" $((x + w - room)) "$y" "$room" "$h")
    [ "${n:-0}" -ge 10 ]; ok $? "$name: text $id of the $dialog dialog has $n pixels of contrast 4.5:1"
  done
}

# fits NAME DIALOG: every text fits its control, controls with a text stay inside the
# client area, no controls overlap, and the window is on the screen.
fits() {
  local bad="no layout"
  grep -q '^window ' "$E2E_WORK/$1-$2.txt" 2>/dev/null && bad=$(tr -d '\r' <"$E2E_WORK/$1-$2.txt" | awk '
    { delete v; for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
    /^window / { cx = v["clientx"]; cy = v["clienty"]; cw = v["clientw"]; ch = v["clienth"]
                 if (v["x"] < 0 || v["y"] < 0 || v["x"] + v["w"] > 2048 || v["y"] + v["h"] > 1536) print "window off the screen" }
    /^control / { n++; id[n] = v["id"]; x[n] = v["x"]; y[n] = v["y"]; r[n] = v["x"] + v["w"]; b[n] = v["y"] + v["h"]
                  if ((v["class"] == "Static" || v["class"] == "Button") && v["texth"] < 0) print v["id"] " not measured"
                  if (v["texth"] <= 0) next  # the etched line runs from edge to edge, clipped
                  if (x[n] < cx || y[n] < cy || r[n] > cx + cw || b[n] > cy + ch) print v["id"] " outside the client area"
                  if (v["class"] == "Static" && v["wraph"] > v["h"]) print v["id"] " text " v["wraph"] " high in " v["h"]
                  if (v["class"] == "Button" && (v["textw"] > v["room"] || v["texth"] > v["h"]))
                    print v["id"] " text " v["textw"] "x" v["texth"] " in " v["room"] "x" v["h"] }
    END { for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
            if (x[i] < r[j] && x[j] < r[i] && y[i] < b[j] && y[j] < b[i]) print id[i] " overlaps " id[j] }')
  [ -z "$bad" ]; ok $? "$1: $2 dialog: $bad"
}

# ---- colour schemes at 96 DPI ----------------------------------------------------
# Wine answers SPI_GETHIGHCONTRAST with "off" whatever the registry says, so the
# high-contrast scheme runs the page's white page here too.
show normal
colours "0 0 0" "255 255 255" "32 32 32" "255 255 255"
show dark
colours "0 0 0" "255 255 0" "0 0 0" "255 255 0"
reg_desktop Accessibility\\HighContrast Flags 127
show contrast
for scheme in normal dark contrast; do
  readable $scheme page 1002 1018 1016 1003
  readable $scheme copy 1013 1017
  # The page's own white brush, not the scheme's dialog colour, near its top right corner.
  x=$(($(lf $scheme page window clientx) + $(lf $scheme page window clientw) - 10)) y=$(($(lf $scheme page window clienty) + 10))
  expect_eq "$scheme: page colour" "255 255 255" \
    "$(/usr/bin/convert "$ARTIFACTS/looks-$scheme-page.png" -format "%[fx:int(255*p{$x,$y}.r)] %[fx:int(255*p{$x,$y}.g)] %[fx:int(255*p{$x,$y}.b)]" info:)"
done

# ---- DPI -------------------------------------------------------------------------------
reg_desktop Accessibility\\HighContrast Flags 126
colours "255 255 255" "0 0 0" "240 240 240" "0 0 0"
for dpi in 120 144 192; do
  reg_desktop Desktop LogPixels $dpi REG_DWORD
  show dpi$dpi
done
for name in normal dpi120 dpi144 dpi192; do
  fits $name page
  fits $name copy
done
for dpi in 120 144 192; do
  expect_eq "screen DPI $dpi" $dpi "$(lf dpi$dpi page window dpi)"
  for dialog in page copy; do
    base=$(lf normal $dialog window clientw) got=$(lf dpi$dpi $dialog window clientw)
    want=$((base * dpi / 96))
    [ $((got * 100)) -ge $((want * 90)) ] && [ $((got * 100)) -le $((want * 110)) ]
    ok $? "$dialog dialog at $dpi DPI: client width $got, $base at 96 DPI"
  done
done

finish
