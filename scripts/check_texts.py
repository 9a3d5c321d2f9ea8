#!/usr/bin/env python3
"""Checks the numbered texts of the code against language/english.lng, the shipped English that every
lookup falls back to where a language file lacks a number:

- every number the code writes as a text's key ("451") is in english.lng, and in lang/message_numbers.h
  (the list the coverage tests walk);
- every English fallback the code writes beside a number, wherever it stands (a lookup, a helper's
  arguments, a table row {"1201", "image width"}, a named constant), is what english.lng holds.

A number and a text must therefore never stand side by side unless the text is that number's English.
Exits 1 on a difference."""
import glob
import re
import sys

FOLDERS = ["app", "machining", "cad", "platform", "lang"]
NUMBER = r'"(\d{3,4})"'
STRINGS = r'(?:"(?:[^"\\]|\\.)*"\s*)+'
# A number followed by its fallback: literals (joined as C++ joins them) or a named text constant.
PAIR = re.compile(NUMBER + r'\s*,\s*(' + STRINGS + r'|[A-Za-z_]\w*\b(?!\s*[(\[.:]))')
LONE = re.compile(NUMBER)
# Digits in quotes that are no text's number: a widget's start value, a dash pattern.
NOT_A_NUMBER = re.compile(r'(?:QStringLiteral|SetPattern)\(\s*' + NUMBER)
CONSTANT = r'\b{}\b(?:\[\])?\s*=\s*(' + STRINGS + r')'


def literal(text):
    joined = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', text))
    return joined.encode("utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def same(a):
    return a.replace("*|*", "\n").replace("\r\n", "\n")


def without_comments(source):
    """The source with every comment blanked (line breaks kept, so line numbers stay)."""
    out = []
    i, n = 0, len(source)
    while i < n:
        c = source[i]
        if c in "\"'":
            j = i + 1
            while j < n and source[j] != c:
                j += 2 if source[j] == "\\" else 1
            out.append(source[i:j + 1])
            i = j + 1
        elif source.startswith("//", i):
            j = source.find("\n", i)
            j = n if j < 0 else j
            i = j
        elif source.startswith("/*", i):
            j = source.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * source.count("\n", i, j))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def shipped_texts():
    shipped, section = {}, ""
    with open("language/english.lng", encoding="utf-8") as lng:
        for line in lng:
            line = line.rstrip("\n")
            if line.startswith("["):
                section = line.strip()
                continue
            if section != "[String]" or line.startswith(";") or "=" not in line:
                continue
            key, value = line.split("=", 1)
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            shipped.setdefault(key, value)
    return shipped


def main():
    shipped = shipped_texts()
    sources = {path: without_comments(open(path, encoding="utf-8").read())
               for pattern in [f + "/*." + e for f in FOLDERS for e in ("cpp", "h")]
               for path in sorted(glob.glob(pattern))}
    listed = set(LONE.findall(sources.get("lang/message_numbers.h", "")))

    def constant(name, path):
        # The constant's definition in the same file first, else in any one file.
        stem = path.rsplit(".", 1)[0]
        for where in [path, stem + ".h", stem + ".cpp"] + list(sources):
            m = re.search(CONSTANT.format(re.escape(name)), sources.get(where, ""))
            if m:
                return literal(m.group(1))
        return None

    faults = 0

    def fault(text):
        nonlocal faults
        print(text)
        faults += 1

    for path, source in sources.items():
        skip = {m.start(1) for m in NOT_A_NUMBER.finditer(source)}
        for m in LONE.finditer(source):
            if m.start(1) in skip:
                continue
            number, line = m.group(1), source.count("\n", 0, m.start()) + 1
            if number not in shipped:
                fault(f"{path}:{line}: text {number} is not in english.lng")
            elif number not in listed:
                fault(f"{path}:{line}: text {number} is not in lang/message_numbers.h")
        for m in PAIR.finditer(source):
            number, given = m.group(1), m.group(2)
            line = source.count("\n", 0, m.start()) + 1
            fallback = literal(given) if given.startswith('"') else constant(given, path)
            # Another number (a list of them), or a value that is no text constant (a page, a file name).
            if not fallback or re.fullmatch(r"\d{3,4}", fallback):
                continue
            if number in shipped and same(shipped[number]) != same(fallback):
                fault(f"{path}:{line}: text {number} differs from english.lng:\n"
                      f"  code: {fallback!r}\n  file: {shipped[number]!r}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
