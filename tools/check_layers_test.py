#!/usr/bin/env python3
"""Plants each kind of upward include in a scratch tree and checks that check_layers catches it."""

import os
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402

# (file, its include lines, part of the expected fault or None for a clean tree)
CASES = [
    ({"core/base/A.h": [], "core/simulation/B.h": ["core/base/A.h"]}, None),
    ({"core/base/A.h": ["core/simulation/B.h"], "core/simulation/B.h": []}, "a layer above it"),
    ({"core/sources/A.h": ["core/elements/B.h"], "core/elements/B.h": []}, None),
    ({"core/fields/A.h": ["editor/render/B.h"], "editor/render/B.h": []}, "from outside core/"),
    ({"core/extra/A.h": [], "core/simulation/B.h": ["core/extra/A.h"]}, "no place in the layer order"),
    ({"core/config/A.h": ["core/geometry/B.h"], "core/geometry/B.h": ["core/config/A.h"]}, "include each other"),
    ({"editor/render/A.h": ["editor/ui/B.h"], "editor/ui/B.h": []}, "editor/render includes"),
    ({"editor/platform/A.h": ["editor/windows/B.h"], "editor/windows/B.h": []}, "editor/platform includes"),
    ({"editor/ui/A.h": ["editor/render/B.h"], "editor/render/B.h": []}, None),
    ({"editor/runner/A.cpp": ["editor/windows/B.h"], "editor/windows/B.h": []}, "editor/runner includes"),
    ({"editor/ui/A.cpp": ["editor/app/B.h"], "editor/app/B.h": []}, "a layer above it"),
    ({"editor/windows/A.cpp": ["editor/app/B.h"], "editor/app/B.h": []}, "a layer above it"),
    ({"editor/runner/A.cpp": ["editor/ui/B.h"], "editor/ui/B.h": []}, "of its own layer"),
    ({"editor/ui/A.cpp": ["editor/runner/B.h"], "editor/runner/B.h": []}, "of its own layer"),
    ({"editor/widgets/A.h": [], "editor/app/B.h": ["editor/widgets/A.h"]}, "no place in the layer order"),
    ({"editor/app/A.cpp": ["editor/windows/B.h", "editor/runner/C.h", "editor/platform/D.h"],
      "editor/windows/B.h": ["editor/ui/E.h", "editor/runner/C.h"], "editor/runner/C.h": ["editor/render/F.h"],
      "editor/ui/E.h": ["editor/render/F.h"], "editor/render/F.h": ["editor/platform/D.h"],
      "editor/platform/D.h": []}, None),
    ({"core/base/A.cpp": ["A.h"], "core/base/A.h": []}, "not rooted"),
]


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for path, lines in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write("#pragma once\n" + "".join('#include "%s"\n' % line for line in lines))
        return check_layers.check(root)


def main():
    failed = 0
    for files, expected in CASES:
        faults = run(files)
        ok = (not faults) if expected is None else (len(faults) == 1 and expected in faults[0])
        if not ok:
            failed += 1
            print("FAILED %s: expected %r, got %r" % (sorted(files), expected, faults))
    print("check_layers_test: %d of %d cases failed" % (failed, len(CASES)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
