#!/usr/bin/env python3
"""Lists the resources of a PE file: one line per resource, "TYPE ID LANG SIZE", with
numeric types and ids in decimal and named ones as their names. With --dump TYPE ID it
writes that resource's bytes to stdout instead."""
import struct
import sys


def parse(path):
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    nsections = struct.unpack_from('<H', data, pe + 6)[0]
    optsize = struct.unpack_from('<H', data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from('<H', data, opt)[0]
    ddir = opt + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from('<II', data, ddir + 2 * 8)
    sections = []
    for i in range(nsections):
        s = pe + 24 + optsize + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from('<IIII', data, s + 8)
        sections.append((va, max(vsize, rawsize), rawptr))

    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError('rva %x outside the sections' % rva)

    base = off(rsrc_rva)

    def name(entry_name):
        if entry_name & 0x80000000:
            p = base + (entry_name & 0x7FFFFFFF)
            n = struct.unpack_from('<H', data, p)[0]
            return data[p + 2:p + 2 + 2 * n].decode('utf-16-le')
        return str(entry_name)

    def entries(dir_off):
        named, ids = struct.unpack_from('<HH', data, dir_off + 12)
        for i in range(named + ids):
            n, o = struct.unpack_from('<II', data, dir_off + 16 + 8 * i)
            yield name(n), o

    result = []
    for tname, to in entries(base):
        for iname, io in entries(base + (to & 0x7FFFFFFF)):
            for lname, lo in entries(base + (io & 0x7FFFFFFF)):
                rva, size = struct.unpack_from('<II', data, base + lo)
                result.append((tname, iname, lname, data[off(rva):off(rva) + size]))
    return result


def main():
    args = sys.argv[1:]
    if len(args) == 4 and args[1] == '--dump':
        for t, i, _, blob in parse(args[0]):
            if t == args[2] and i == args[3]:
                sys.stdout.buffer.write(blob)
                return 0
        return 1
    for t, i, l, blob in parse(args[0]):
        print(t, i, l, len(blob))
    return 0


if __name__ == '__main__':
    sys.exit(main())
