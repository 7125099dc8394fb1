#!/usr/bin/env python3
"""Every file of the sources includes only its own layer and the layers below it:
platform <- fs <- model <- scan <- browser / clean <- app / cli, and the two front ends never each
other. The libraries enforce the calls; this enforces the includes, which a header-only reach would
otherwise slip past.

Usage: test_include_only_lower_layers.py [ANYTHING]   (the argument the suite passes is not needed)
"""
import os
import re
import sys

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src")
BELOW = {
    "platform": [],
    "fs": ["platform"],
    "model": ["platform", "fs"],
    "scan": ["platform", "fs", "model"],
    "browser": ["platform", "fs", "model", "scan"],
    "clean": ["platform", "fs", "model", "scan"],
    "app": ["platform", "fs", "model", "scan", "browser", "clean"],
    "cli": ["platform", "fs", "model", "scan", "browser", "clean"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/', re.MULTILINE)


def main():
    wrong = []
    for layer, below in BELOW.items():
        allowed = set(below) | {layer}
        for folder, _, names in os.walk(os.path.join(SRC, layer)):
            for name in names:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as f:
                    for included in INCLUDE.findall(f.read()):
                        if included in BELOW and included not in allowed:
                            wrong.append(f"{os.path.relpath(path, SRC)} includes {included}/")
    for line in wrong:
        print(line)
    print(f"{len(wrong)} include(s) reach a layer they may not")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
