#!/usr/bin/env python3
"""Keeps the documents honest.

1. Every relative link and image in README.md, CONTRIBUTING.md, CHANGELOG.md and
   docs/**/*.md names a file that exists, and a "#fragment" into a Markdown file names
   one of its headings (as the forges make anchors of them).
2. Every Setup.exe command line in the administrators' quick start (README.md) and the
   deployment recipes (docs/admin/deployment.md) uses only switches and values that
   the command-line synopsis in docs/admin/configuration.md lists, and every name and
   word value of that synopsis stands as a literal in the launcher's command-line code.

Usage: docs_check.py SOURCE-DIR
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1]).resolve()
failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


def documents():
    files = [root / "README.md", root / "CONTRIBUTING.md", root / "CHANGELOG.md"]
    files += sorted((root / "docs").rglob("*.md"))
    return [f for f in files if f.exists()]


def without_code(text):
    """The text with fenced blocks and code spans blanked (links in them are not links)."""
    text = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
    return re.sub(r"`[^`\n]*`", "", text)


def anchors(path):
    found = set()
    for line in without_code_blocks(path.read_text(encoding="utf-8")).splitlines():
        m = re.match(r"#{1,6}\s+(.*?)\s*#*\s*$", line)
        if not m:
            continue
        slug = m.group(1).strip().lower().replace("`", "")
        slug = re.sub(r"[^\w\- ]", "", slug).replace(" ", "-")
        base, n = slug, 1
        while slug in found:
            slug = f"{base}-{n}"
            n += 1
        found.add(slug)
    return found


def without_code_blocks(text):
    return re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)


# ---- 1. links ----------------------------------------------------------------------
links = 0
for doc in documents():
    for target in re.findall(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)", without_code(doc.read_text(encoding="utf-8"))):
        if re.match(r"[a-z][a-z0-9+.-]*:", target):  # https:, mailto:
            continue
        links += 1
        path, _, fragment = target.partition("#")
        resolved = (doc.parent / path).resolve() if path else doc
        where = f"{doc.relative_to(root)}: link {target}"
        if not resolved.exists():
            fail(f"{where}: {path} does not exist")
        elif fragment and resolved.suffix == ".md" and fragment not in anchors(resolved):
            fail(f"{where}: no heading #{fragment} in {resolved.relative_to(root)}")
print(f"{links} relative links checked")

# ---- 2. switches -------------------------------------------------------------------
reference = (root / "docs/admin/configuration.md").read_text(encoding="utf-8")
m = re.search(r"^Setup\.exe (\[.*\])$", reference, flags=re.M)
if not m:
    fail("docs/admin/configuration.md: no synopsis line 'Setup.exe [...]'")
    sys.exit(1)
accepted = {}  # switch -> allowed values (None: any value)
for name, value in re.findall(r"\[(-[a-z]+) ([^\]]+)\]", m.group(1)):
    accepted[name] = None if value.isupper() else set(value.split("|"))

LAUNCHER = ("app", "config", "framework", "log", "system", "product", "run", "printers", "ui")
code = "".join(p.read_text(encoding="utf-8") for d in LAUNCHER for p in (root / d).glob("*.[ch]*"))
for name, values in accepted.items():
    if f'L"{name}"' not in code:
        fail(f"synopsis switch {name} is not a literal in the launcher's code")
    for value in values or ():
        if not value.isdigit() and f'L"{value}"' not in code:
            fail(f"synopsis value {name} {value} is not a literal in the launcher's code")


def check_command(doc, line, text):
    tokens = re.findall(r'"[^"]*"|\S+', text)
    i = 0
    while i < len(tokens) and tokens[i].startswith("-"):
        name = tokens[i].lower()
        value = tokens[i + 1] if i + 1 < len(tokens) else ""
        where = f"{doc.relative_to(root)}:{line}: {text.strip()}"
        if name not in accepted:
            fail(f"{where}: switch {name} is not one the launcher accepts")
        elif not value or value.startswith("-"):
            fail(f"{where}: switch {name} has no value (the launcher ignores it)")
        elif accepted[name] is not None and value.lower() not in accepted[name]:
            fail(f"{where}: {name} {value} is not one of {sorted(accepted[name])}")
        elif "-" in value:
            fail(f"{where}: the value {value} holds a '-', where the launcher cuts it")
        i += 2
    return i // 2


commands = 0
for doc in (root / "README.md", root / "docs/admin/deployment.md"):
    for number, line in enumerate(doc.read_text(encoding="utf-8").splitlines(), 1):
        for m in re.finditer(r"Setup\.exe\b(.*)", line):
            commands += 1
            check_command(doc, number, m.group(1).split("`")[0])
        m = re.match(r"\s*arguments:\s*(.*)", line)  # Ansible's win_package
        if m:
            commands += 1
            check_command(doc, number, m.group(1))
print(f"{commands} command lines checked against {' '.join(sorted(accepted))}")

print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
