#!/usr/bin/env python3
"""Fails when a source folder includes from a folder above it.

The layers, from the bottom: core; then support, desktop and platform; then
service and text; then views; then app and signin (the sign-in program).
Folders of one layer may include each other, but never both ways round.
"""
import os
import re
import sys
from collections import defaultdict

RANK = {"core": 0, "support": 1, "desktop": 1, "platform": 1,
        "service": 2, "text": 2, "views": 3, "app": 4, "signin": 4}
INCLUDE = re.compile(r'\s*#\s*include\s+"([a-z]+)/')


def main(src):
    problems = []
    edges = defaultdict(set)
    for folder in RANK:
        for root, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(root, name)
                with open(path, errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match or match.group(1) not in RANK:
                            continue
                        target = match.group(1)
                        if RANK[target] > RANK[folder]:
                            problems.append(f"{os.path.relpath(path, src)}:{number}: "
                                            f"{folder} includes from {target}, a layer above it")
                        elif target != folder:
                            edges[folder].add((target, os.path.relpath(path, src)))
    for folder, targets in edges.items():
        for target, path in targets:
            back = [p for t, p in edges.get(target, ()) if t == folder]
            if back and folder < target:
                problems.append(f"{path} and {back[0]}: {folder} and {target} include each other")
    for line in problems:
        print(line)
    return 1 if problems else 0


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")))
