#!/usr/bin/env python3
"""Checks docs/bad-input-catalogue.md against the tests.

Every row must be numbered in order and name, in its last column, at least one test
source file; every `Suite.Test` it names must be defined (TEST, TEST_F or TEST_P) in
one of the files the row names. Prints each problem; exit 1 when there is any.

    python3 tests/reliability/check_catalogue.py [source root]
"""
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
catalogue = os.path.join(root, "docs", "bad-input-catalogue.md")
defined = re.compile(r"^\s*TEST(?:_F|_P)?\(\s*(\w+)\s*,\s*(\w+)\s*\)", re.M)

tests_in = {}
def tests_of(path):
    if path not in tests_in:
        try:
            with open(os.path.join(root, path), encoding="utf-8") as f:
                tests_in[path] = {f"{s}.{t}" for s, t in defined.findall(f.read())}
        except OSError:
            tests_in[path] = None
    return tests_in[path]

problems = []
rows = 0
with open(catalogue, encoding="utf-8") as f:
    for line in f:
        m = re.match(r"^\| (\d+) \|", line)
        if not m:
            continue
        rows += 1
        number = int(m.group(1))
        if number != rows:
            problems.append(f"row {number}: expected number {rows}")
        proof = line.rstrip().rstrip("|").rsplit("|", 1)[-1]
        files = re.findall(r"`(tests/[^`]+)`", proof)
        names = re.findall(r"`([A-Za-z]\w*\.\w+)`", proof)
        if not files:
            problems.append(f"row {number}: names no test file")
        for path in files:
            if tests_of(path) is None:
                problems.append(f"row {number}: {path} does not exist")
        for name in names:
            if not any(name in (tests_of(p) or ()) for p in files):
                problems.append(f"row {number}: {name} is not defined in {', '.join(files)}")

for p in problems:
    print(p)
print(f"catalogue: {rows} rows, {len(problems)} problem(s)")
sys.exit(1 if problems or rows == 0 else 0)
