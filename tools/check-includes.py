#!/usr/bin/env python3
"""Checks that the engine's includes run one way.

The engine's folders are stages, ranked from the bottom (plain frames and
buffers) to the top (the run). A file may include headers of its own folder
and of folders of a lower rank; never one of a higher rank, nor one of another
folder of the same rank. So a kernel never includes the run, and no two
folders include each other.

Besides, no two files of different folders may include each other in a
circle, which the ranks already rule out, and the engine includes nothing of
the programs built on it (cli/, ui/, formats/, the score-file library).

Usage: check-includes.py [SOURCE_ROOT]; prints every wrong include and exits
1 when there is one.
"""
import os
import re
import sys

# Lowest first. A folder not listed here (a new one) is an error too, so that
# it gets a rank when it is made.
RANKS = {
    "base": 0,
    "random": 0,
    "parameters": 1,
    "synthesis/kernels": 1,
    "sub_audio": 1,
    "shaping": 1,
    "score": 2,
    "io": 2,
    "live": 2,
    "scheduling": 3,
    "source": 4,
    "automation": 4,
    "seek": 5,
    "synthesis": 6,
    "finishing": 6,
    "finishing/evening": 6,
    "render": 8,
    "run": 9,
}

# Folders of the same rank that are one stage: a file of one may include the
# other's headers.
SAME_STAGE = {
    "finishing": {"finishing/evening"},
    "finishing/evening": {"finishing"},
}

# Libraries outside the engine that the engine may use: the WAV file class,
# the string table, and nothing built on the engine.
ALLOWED_OUTSIDE = ("wav/", "resources/")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    """The engine folder of a path below engine/, e.g. 'synthesis/kernels'."""
    parts = path.split("/")[1:-1]
    while parts:
        name = "/".join(parts)
        if name in RANKS:
            return name
        parts.pop()
    return ""


def check(root):
    errors = []
    engine = os.path.join(root, "engine")
    for directory, _, names in os.walk(engine):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(directory, name), root)
            here = folder_of(path)
            if here == "":
                errors.append(f"{path}: a file outside the engine's stage folders")
                continue
            with open(os.path.join(root, path), encoding="utf-8") as source:
                text = source.read()
            for included in INCLUDE.findall(text):
                if not included.startswith("engine/"):
                    if not included.startswith(ALLOWED_OUTSIDE):
                        errors.append(f"{path}: includes {included}, which the engine must not use")
                    continue
                there = folder_of(included)
                if there == "" or there == here or there in SAME_STAGE.get(here, ()):
                    if there == "":
                        errors.append(f"{path}: includes {included}, outside the stage folders")
                    continue
                if RANKS[there] >= RANKS[here]:
                    errors.append(f"{path} ({here}, rank {RANKS[here]}) includes {included} "
                                  f"({there}, rank {RANKS[there]})")
    return errors


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    errors = check(os.path.abspath(root))
    for error in errors:
        print(error)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
