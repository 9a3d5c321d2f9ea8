#!/usr/bin/env python3
"""Checks that every numbered text the code looks up with an English fallback is in language/english.lng
with that same English, so the fallback and the shipped language never drift apart. Exits 1 on a
difference."""
import glob
import re
import sys

FOLDERS = ["app", "machining", "cad", "platform", "lang"]
CALL = re.compile(r'\b(?:LangStringOr|LangQStringOr|LangFormatOr|TextFormat|Text|L)\(\s*"(\d{3,4})"\s*,\s*'
                  r'((?:"(?:[^"\\]|\\.)*"\s*)+)')


def literal(text):
    joined = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', text))
    return joined.encode("utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def same(a):
    return a.replace("*|*", "\n").replace("\r\n", "\n")


def main():
    shipped = {}
    with open("language/english.lng", encoding="utf-8") as lng:
        for line in lng:
            line = line.rstrip("\n")
            if line.startswith(";") or "=" not in line:
                continue
            key, value = line.split("=", 1)
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            shipped.setdefault(key, value)
    faults = 0
    for pattern in [f + "/*." + e for f in FOLDERS for e in ("cpp", "h")]:
        for path in sorted(glob.glob(pattern)):
            source = open(path, encoding="utf-8").read()
            for m in CALL.finditer(source):
                number, fallback = m.group(1), literal(m.group(2))
                line = source.count("\n", 0, m.start()) + 1
                if number not in shipped:
                    print(f"{path}:{line}: text {number} is not in english.lng")
                    faults += 1
                elif same(shipped[number]) != same(fallback):
                    print(f"{path}:{line}: text {number} differs from english.lng:\n"
                          f"  code: {fallback!r}\n  file: {shipped[number]!r}")
                    faults += 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
