#!/usr/bin/env python3
"""Keeps the includes layered. Every folder of code sits on a floor; a file includes only from
its own folder or from a lower floor, so no include runs upwards and no library includes a
program (apps/ is above every library). Folders side by side on one floor do not include each
other.

    check_layering.py SOURCE_DIR
Prints each include that breaks the rule, with its file and line, and each folder of code that
is on no floor; exits 1 if there is any."""

import os
import re
import sys

# Lowest first. A name ending in "/*" makes each folder inside it a folder of its own.
FLOORS = [
    ["text"],
    ["snmp"],
    ["platform"],
    ["condition"],  # the printer's whole condition: the shell's details and notifications read it
    ["state"],
    ["probe"],
    ["shell"],
    ["exporter", "tools/printer-sim", "tools/icongen"],
    ["options"],  # the programs' command lines: the shared rules and each program's options
    ["apps/*"],
    ["tests"],
    ["bench", "fuzz"],
]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def is_skipped(top):
    """Build folders made inside the tree, and hidden ones, hold no code of the project."""
    return top.startswith((".", "build", "out"))


def folder_of(path):
    """(folder, floor) of a path relative to the source folder, or None when on no floor."""
    parts = path.split("/")
    for floor, folders in enumerate(FLOORS):
        for folder in folders:
            if folder.endswith("/*"):
                prefix = folder[:-2].split("/")
                if parts[:len(prefix)] == prefix and len(parts) > len(prefix) + 1:
                    return "/".join(parts[:len(prefix) + 1]), floor
            elif parts[:len(folder.split("/"))] == folder.split("/"):
                return folder, floor
    return None


def source_files(root):
    for top in sorted(os.listdir(root)):
        if is_skipped(top) or not os.path.isdir(os.path.join(root, top)):
            continue
        for directory, subdirectories, files in os.walk(os.path.join(root, top)):
            subdirectories.sort()
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/")


def targets(root, source, bracket, included, by_name):
    """The files an include may mean, relative to root: beside the including file, by its path
    from the source folder, or (a bare name found through an include directory) any file of
    that name. Empty when it names nothing in the tree (system and generated headers)."""
    beside = os.path.normpath(os.path.join(os.path.dirname(source), included)).replace(os.sep, "/")
    if bracket == '"' and os.path.isfile(os.path.join(root, beside)):
        return [beside]
    if "/" in included:
        return [included] if folder_of(included) is not None else []
    return by_name.get(included, []) if bracket == '"' else []


def check(root):
    """The problems as (where, what): where is "FILE:LINE" or a folder "NAME/"."""
    problems = []
    files = list(source_files(root))
    by_name = {}
    for path in files:
        by_name.setdefault(os.path.basename(path), []).append(path)
    unplaced = sorted({path.split("/")[0] for path in files if folder_of(path) is None})
    problems += [(f"{top}/", "a folder of code on no floor (FLOORS in check_layering.py)")
                 for top in unplaced]
    for path in files:
        placed = folder_of(path)
        if placed is None:
            continue
        folder, floor = placed
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                meant = [folder_of(t) for t in targets(root, path, *match.groups(), by_name)]
                meant = [m for m in meant if m is not None]
                if meant and not any(m[0] == folder or m[1] < floor for m in meant):
                    problems.append((f"{path}:{number}", f"includes {match.group(2)}: "
                                     f"{meant[0][0]}/ is not below {folder}/"))
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    problems = check(sys.argv[1])
    for where, what in problems:
        print(f"{where}: {what}")
    print(f"{len(problems)} include(s) against the layering")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
