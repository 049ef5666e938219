#!/usr/bin/env python3
"""Fails (exit 1) when an include line reaches up the layers.

Rules:
  - core includes nothing from editor/ (nor tests/, bench/, tools/);
  - a core folder includes no folder that stands after it in CORE_ORDER
    (folders of one rank may include each other, but the folder graph has no cycle);
  - an editor folder includes no folder that stands after it in EDITOR_ORDER, and
    folders of one rank there (runner, ui) do not include each other;
  - project includes are rooted at the repository ("core/base/Log.h", not "Log.h").

Usage: check_layers.py [repository root]
"""

import os
import re
import sys

# Rank of each core folder: an include may only go to the same or a lower rank.
CORE_ORDER = [
    {"base"},
    {"config", "geometry", "fields"},
    {"surfaces"},
    {"components"},
    {"sources", "elements"},
    {"simulation"},
]
CORE_RANK = {folder: rank for rank, group in enumerate(CORE_ORDER) for folder in group}

# Rank of each editor folder: the runner knows nothing of windows, ui holds
# widgets that know nothing of the application, app is the shell over them all.
EDITOR_ORDER = [
    {"platform"},
    {"render"},
    {"runner", "ui"},
    {"windows"},
    {"app"},
]
EDITOR_RANK = {folder: rank for rank, group in enumerate(EDITOR_ORDER) for folder in group}

SCANNED = ["core", "editor", "tests", "bench", "tools"]
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            match = INCLUDE.match(line)
            if match:
                yield number, match.group(1)


def check(root):
    faults = []
    folder_edges = {}  # core folder -> {core folder: first "file:line" that includes it}
    for top in SCANNED:
        for directory, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                parts = rel.split("/")
                for number, target in includes(path):
                    where = "%s:%d" % (rel, number)
                    t = target.split("/")
                    if not os.path.exists(os.path.join(root, target)):
                        if os.path.exists(os.path.join(directory, target)):
                            faults.append('%s: "%s" is not rooted at the repository' % (where, target))
                        continue
                    if parts[0] == "core":
                        if t[0] != "core":
                            faults.append('%s: the core includes "%s" from outside core/' % (where, target))
                            continue
                        source = parts[1] if len(parts) > 2 else None
                        dest = t[1] if len(t) > 2 else None
                        for folder in (source, dest):
                            if folder is not None and folder not in CORE_RANK:
                                faults.append('%s: core folder "%s" has no place in the layer order' % (where, folder))
                        if source in CORE_RANK and dest in CORE_RANK:
                            if CORE_RANK[dest] > CORE_RANK[source]:
                                faults.append('%s: core/%s includes "%s", a layer above it' % (where, source, target))
                            elif dest != source:
                                folder_edges.setdefault(source, {}).setdefault(dest, where)
                    elif parts[0] == "editor" and len(parts) > 2 and t[0] == "editor" and len(t) > 2:
                        faults.extend(editor_fault(where, parts[1], t[1], target))
    faults.extend(cycles(folder_edges))
    return faults


def editor_fault(where, source, dest, target):
    """The fault of one include between editor folders, if any."""
    for folder in (source, dest):
        if folder not in EDITOR_RANK:
            return ['%s: editor folder "%s" has no place in the layer order' % (where, folder)]
    if EDITOR_RANK[dest] > EDITOR_RANK[source]:
        return ['%s: editor/%s includes "%s", a layer above it' % (where, source, target)]
    if EDITOR_RANK[dest] == EDITOR_RANK[source] and dest != source:
        return ['%s: editor/%s includes "%s", a folder of its own layer' % (where, source, target)]
    return []


def cycles(edges):
    """One fault per cycle among core folders of equal rank."""
    faults = []
    state = {}  # folder -> 1 while on the walk's path, 2 when done

    def walk(folder, path):
        state[folder] = 1
        for dest, where in sorted(edges.get(folder, {}).items()):
            if state.get(dest) == 1:
                loop = path[path.index(dest):] + [dest]
                faults.append("%s: core folders include each other: %s" % (where, " -> ".join(loop)))
            elif dest not in state:
                walk(dest, path + [dest])
        state[folder] = 2

    for folder in sorted(edges):
        if folder not in state:
            walk(folder, [folder])
    return faults


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    if not os.path.isdir(os.path.join(root, "core")):
        print("check_layers: no core/ folder under %s" % root)
        return 2
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print("check_layers: %d upward or unrooted include(s)" % len(faults))
        return 1
    print("check_layers: layers hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
