#!/usr/bin/env bash
# Lists the functions a PE file imports, one "DLL!Function" per line (DLL in upper case), sorted.
"${OBJDUMP:-i686-w64-mingw32-objdump}" -p "$1" | awk '
  /DLL Name:/ { dll = toupper($3); next }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll "!" $NF }
  /^$/ { }' | sort -u
