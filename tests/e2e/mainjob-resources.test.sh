#!/usr/bin/env bash
# The dialogs' resources in the program file (templates 109 and 106, bitmap 107) and
# the progress dialog's clip that the medium carries.
. "$(dirname "$0")/lib.sh"

res() { python3 "$TEST_SOURCE_DIR/tests/e2e/pe_resources.py" "$SETUP_EXE" "$@"; }
template() { res --dump 5 "$1" | python3 "$TEST_SOURCE_DIR/tests/e2e/dialog_template.py" | tr '[:upper:]' '[:lower:]'; }

expect_eq "resources" "2 107 1033
5 106 1033
5 109 1033" "$(res | awk '$1 == 2 || $1 == 5 { print $1, $2, $3 }')"

# Texts and class names compared without regard to case (window classes ignore it).
expect_eq "template 109" "$(tr '[:upper:]' '[:lower:]' <<'EOF2'
dialog style=0x80C000C8 exstyle=0x00000000 x=0 y=0 w=252 h=87 menu=[] class=[] caption=[Copying] font=8,400,0,1,[MS Shell Dlg]
control id=1012 class=[SysAnimate32] text=[] style=0x50010002 exstyle=0x00000020 x=15 y=9 w=20 h=20
control id=1013 class=[Static] text=[Copying ...] style=0x50020000 exstyle=0x00000000 x=15 y=64 w=37 h=8
control id=1016 class=[msctls_progress32] text=[] style=0x50800000 exstyle=0x00000000 x=15 y=44 w=199 h=10
control id=1017 class=[Static] text=[] style=0x50020000 exstyle=0x00000000 x=219 y=42 w=19 h=12
EOF2
)" "$(template 109)"

expect_eq "template 106" "$(tr '[:upper:]' '[:lower:]' <<'EOF2'
dialog style=0x80C000C8 exstyle=0x00000000 x=0 y=0 w=470 h=310 menu=[] class=[] caption=[Dialog] font=8,400,0,1,[MS Shell Dlg]
control id=1001 class=[Button] text=[Finish] style=0x50010000 exstyle=0x00000000 x=369 y=282 w=64 h=15
control id=1002 class=[Static] text=[Congratulation] style=0x50020000 exstyle=0x00000020 x=174 y=17 w=258 h=42
control id=1003 class=[Static] text=[Click Finish to Exit] style=0x50020000 exstyle=0x00000000 x=174 y=217 w=124 h=17
control id=1015 class=[Static] text=[] style=0x50000010 exstyle=0x00000020 x=0 y=264 w=470 h=1
control id=1016 class=[Button] text=[Check1] style=0x50010003 exstyle=0x00000000 x=174 y=193 w=149 h=9
control id=1018 class=[Static] text=[Static] style=0x50020000 exstyle=0x00000000 x=174 y=92 w=179 h=46
EOF2
)" "$(template 106)"

# Bitmap 107: a 40-byte header, 236 x 438 (positive height: bottom-up), one plane,
# 24 bits, uncompressed, then 310,104 bytes of pixels.
expect_eq "bitmap 107" "40 236 438 1 24 0 310144" "$(res --dump 2 107 | python3 -c '
import struct, sys
d = sys.stdin.buffer.read()
size, w, h, planes, bits, comp = struct.unpack_from("<IiiHHI", d, 0)
print(size, w, h, planes, bits, comp, len(d))')"

# The clip: RIFF AVI, one video stream of uncompressed ("DIB ") 8-bit bottom-up frames,
# no sound stream, every frame in the index.
expect_eq "clip" "AVI  vids DIB  8 0 1 16 16" "$(python3 - "$TEST_BUILD_DIR/FILECOPY_16.AVI" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
kind = d[8:12].decode()
i = d.find(b"strh")
fcc_type, handler = d[i + 8:i + 12].decode(), d[i + 12:i + 16].decode()
j = d.find(b"strf")
_, w, h, _, bits, comp = struct.unpack_from("<IiiHHI", d, j + 8)
frames = struct.unpack_from("<I", d, d.find(b"avih") + 8 + 16)[0]
print(kind, fcc_type, handler, bits, comp, int(h > 0) if comp == 0 else -1, frames, struct.unpack_from("<I", d, d.find(b"idx1") + 4)[0] // 16)
PY
)"
grep -q auds "$TEST_BUILD_DIR/FILECOPY_16.AVI"; ok $((!$?)) "the clip has a sound stream"

finish
