#!/usr/bin/env python3
"""Prints a DIALOGEX template (read from stdin) as text, one line for the dialog and one
per control, numbers in hexadecimal where they are styles:
  dialog style=0x.. exstyle=0x.. x= y= w= h= menu=[..] class=[..] caption=[..] font=PT,WEIGHT,ITALIC,CHARSET,[FACE]
  control id= class=[..] text=[..] style=0x.. exstyle=0x.. x= y= w= h=
Predefined window classes stored as atoms are printed by name (Button, Static, ...)."""
import struct
import sys

ATOMS = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox", 0x84: "ScrollBar", 0x85: "ComboBox"}


class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values

    def align(self):
        self.pos = (self.pos + 3) & ~3

    def sz_or_ord(self):
        (first,) = struct.unpack_from("<H", self.data, self.pos)
        if first == 0xFFFF:
            self.pos += 2
            return "#%d" % self.take("H")[0]
        chars = []
        while True:
            (c,) = self.take("H")
            if c == 0:
                return "".join(chars)
            chars.append(chr(c))


def main():
    r = Reader(sys.stdin.buffer.read())
    ver, sig, _help, exstyle, style, count, x, y, w, h = r.take("HHIIIHhhhh")
    assert (ver, sig) == (1, 0xFFFF), "not a DIALOGEX template"
    menu, cls, caption = r.sz_or_ord(), r.sz_or_ord(), r.sz_or_ord()
    pt, weight, italic, charset = r.take("HHBB")
    face = r.sz_or_ord()
    print("dialog style=0x%08X exstyle=0x%08X x=%d y=%d w=%d h=%d menu=[%s] class=[%s] caption=[%s] font=%d,%d,%d,%d,[%s]"
          % (style, exstyle, x, y, w, h, menu, cls, caption, pt, weight, italic, charset, face))
    for _ in range(count):
        r.align()
        _help, exstyle, style, x, y, w, h, cid = r.take("IIIhhhhI")
        cls = r.sz_or_ord()
        if cls.startswith("#"):
            cls = ATOMS.get(int(cls[1:]), cls)
        text = r.sz_or_ord()
        (extra,) = r.take("H")
        r.pos += extra
        print("control id=%d class=[%s] text=[%s] style=0x%08X exstyle=0x%08X x=%d y=%d w=%d h=%d"
              % (cid, cls, text, style, exstyle, x, y, w, h))


if __name__ == "__main__":
    main()
