#!/usr/bin/env python3
"""Fails when a program source includes a header from a layer above its own,
or a library depends on one.

The layer order is written here once, bottom first; folders in one row sit
beside each other and may not include each other. An include "a/b.h" must
name a file of the includer's own folder or of a folder in a lower row. The
libraries that each folder's CMakeLists.txt declares with pathvex_add_library
follow the same rule through their DEPENDS.

tests/ and bench/ are clients on top of everything and are not checked,
except that no program file may include them. Also reported: an included
file that does not exist, a folder without a layer, and another folder's
*_internal.h.

Usage: check_includes.py ROOT
       check_includes.py ROOT --climb FILE:HEADER
The second form adds the include of HEADER to FILE (in memory) and succeeds
only when that include is the one thing reported, as a climb: the check's
own test that it still catches one."""
import os
import re
import sys
from pathlib import Path

LAYERS = [
    ["platform", "resources"],
    ["xml"],
    ["platform/handheld"],
    ["kit"],
    ["gps", "updater", "dbimport"],
    ["panes"],
    ["maps"],
    ["tracks"],
    ["app"],
    ["exe"],
]
EXEMPT = ("tests", "bench", "build", "cmake", "scripts", ".git")
SOURCES = (".h", ".cpp", ".rc")
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.M)
LIBRARY = re.compile(r"pathvex_add_library\(\s*(\w+)(.*?)\)", re.S)
DEPENDS = re.compile(r"\bDEPENDS\b(.*?)(?:\b(?:SOURCES|SYSLIBS)\b|$)", re.S)

RANK = {folder: rank for rank, row in enumerate(LAYERS) for folder in row}


def folder_of(path):
    """The layer folder of a path relative to the root, or None."""
    parts = Path(path).parts
    if len(parts) > 2 and "/".join(parts[:2]) in RANK:
        return "/".join(parts[:2])
    return parts[0] if len(parts) > 1 else None


def program_files(root):
    """Every file under the root outside the exempt folders. The build tree
    is never entered: tests running beside this check make and remove Wine
    prefixes there."""
    for top in sorted(root.iterdir()):
        if top.name in EXEMPT:
            continue
        if top.is_file():
            yield top
            continue
        for folder, subfolders, files in os.walk(top):
            subfolders.sort()
            for name in sorted(files):
                yield Path(folder) / name


def climbs(own, target):
    return target != own and RANK[target] >= RANK[own]


def include_problems(root, extra=()):
    found = []
    for path in program_files(root):
        if path.suffix not in SOURCES:
            continue
        rel = path.relative_to(root).as_posix()
        own = folder_of(rel)
        if own not in RANK:
            found.append(f"{rel}: folder without a layer ({own})")
            continue
        includes = INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))
        includes += [inc for src, inc in extra if src == rel]
        for inc in includes:
            if "/" not in inc:
                # Beside the includer: must exist there.
                if not (path.parent / inc).is_file():
                    found.append(f"{rel}: {inc} does not exist beside it")
                continue
            target = folder_of(inc)
            if inc.split("/")[0] in ("tests", "bench", "support"):
                found.append(f"{rel}: includes the test or bench header {inc}")
            elif not (root / inc).is_file():
                found.append(f"{rel}: {inc} does not exist")
            elif target not in RANK:
                found.append(f"{rel}: {inc} is in a folder without a layer ({target})")
            elif climbs(own, target):
                found.append(f"{rel}: {inc} is in layer {target}, not below {own}")
            elif target != own and Path(inc).stem.endswith("_internal"):
                found.append(f"{rel}: {inc} is private to {target}")
    return found


def depends_problems(root):
    """Every pathvex_add_library's DEPENDS against the same order."""
    folder_of_library = {}
    declared = []
    for cmake in (f for f in program_files(root) if f.name == "CMakeLists.txt"):
        if len(cmake.relative_to(root).parts) < 2:
            continue
        folder = folder_of(cmake.relative_to(root).as_posix())
        for name, body in LIBRARY.findall(cmake.read_text(encoding="utf-8", errors="replace")):
            folder_of_library[name] = folder
            deps = DEPENDS.search(body)
            declared.append((cmake.relative_to(root).as_posix(), folder, name,
                             deps.group(1).split() if deps else []))
    found = []
    for where, folder, name, deps in declared:
        if folder not in RANK:
            found.append(f"{where}: {name} is in a folder without a layer ({folder})")
            continue
        for dep in deps:
            target = folder_of_library.get(dep)
            if target is None:
                found.append(f"{where}: {name} depends on {dep}, which no folder declares")
            elif climbs(folder, target):
                found.append(f"{where}: {name} depends on {dep} in layer {target}, not below {folder}")
    return found


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--climb"):
        print(__doc__)
        return 2
    root = Path(argv[1]).resolve()
    if len(argv) == 4:
        src, _, inc = argv[3].partition(":")
        found = include_problems(root, [(src, inc)]) + depends_problems(root)
        print("\n".join(found))
        caught = len(found) == 1 and found[0].startswith(f"{src}: {inc} is in layer ")
        print("the climb was caught" if caught else "the climb was not caught alone")
        return 0 if caught else 1
    found = include_problems(root) + depends_problems(root)
    if found:
        print("\n".join(found))
    print(f"{len(found)} include(s) or dependencies against the layer order")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
