#!/usr/bin/env python3
# The log-line catalogue (docs/log-lines.md) against the launcher's code, both ways:
# every log call's format stands in the catalogue at the call's level, and every
# catalogued format stands verbatim in the code (at its level, where it is written by a
# log call directly). Usage: log_lines.py SOURCE-DIR
import pathlib
import re
import sys

LAYERS = "framework log config system product run printers ui app".split()
CALL = re.compile(r'\bLog(Message|Always)\s*\(\s*(?:(LOG_\w+)\s*,\s*)?L"((?:[^"\\]|\\.)*)"')
LEVELS = {"LOG_HIGH": "1", "LOG_MEDIUM": "127", "LOG_TRACE": "511", None: "always"}
ROW = re.compile(r"^\| (1|127|511|always) \| [^|]+ \| `(.*)` \|$")

root = pathlib.Path(sys.argv[1])
sources = [f.read_text(encoding="utf-8") for layer in LAYERS for f in sorted((root / layer).iterdir())
           if f.suffix in (".cpp", ".h")]
calls = {(LEVELS[m.group(2)], m.group(3)) for text in sources for m in CALL.finditer(text)}
rows = [m.groups() for line in (root / "docs/log-lines.md").read_text(encoding="utf-8").splitlines()
        if (m := ROW.match(line))]
catalogued = set(rows)

failures = [f"log call not in the catalogue: level {level}: {fmt}" for level, fmt in sorted(calls - catalogued)]
called = {fmt for _, fmt in calls}
for level, fmt in sorted(catalogued - calls):
    if fmt in called:
        failures.append(f"catalogued at level {level}, logged at another level: {fmt}")
    elif not any(f'L"{fmt}"' in text for text in sources):
        failures.append(f"catalogued format not in the code (level {level}): {fmt}")
if len(calls) < 100 or len(rows) < 100:
    failures.append(f"too few lines found: {len(calls)} log calls, {len(rows)} catalogue rows")
for failure in failures:
    print(failure)
print(f"{len(calls)} log call formats, {len(rows)} catalogue rows, {len(failures)} failures")
sys.exit(1 if failures else 0)
