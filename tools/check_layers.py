#!/usr/bin/env python3
"""Checks that every include of the program points down its layers.

Each folder of src/ is a layer; a file may include files of its own layer
and of the layers below it, never of one above. Bottom up:

    text      pure text and name rules: no input or output
    platform  the only code that knows the operating system
    console   the console's batches and the progress line
    journal   the output file as a write-ahead journal
    rename    the stages of a run: inputs, line model, header, rules,
              renamer, record loop, the run context
    cli       the command line and the help pages
    programs  fldren and fldren-undo (the files directly in src/)

A few files of rename/ are pure too (the shared types and the path
decomposition), so that the pure pieces never bring in the run; a pure
file may include pure files only.

Prints each include that runs against the direction, naming the file and
the include, and exits 1 when there is one.
"""

import os
import re
import sys

LAYERS = ["text", "platform", "console", "journal", "rename", "cli",
          "programs"]
PURE_OUTSIDE_TEXT = {"rename/shared_types.h", "rename/path_parts.h",
                     "rename/path_parts.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(name):
    """The layer of a file named relative to src/."""
    folder = name.split("/")[0] if "/" in name else "programs"
    return folder if folder in LAYERS else None


def is_pure(name):
    return layer_of(name) == "text" or name in PURE_OUTSIDE_TEXT


def check(src):
    """The includes that break the rules, as messages."""
    problems = []
    for folder, _, files in os.walk(src):
        for file in files:
            if not file.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, file)
            name = os.path.relpath(path, src).replace(os.sep, "/")
            own = layer_of(name)
            if own is None:
                problems.append("%s: its folder is no layer" % name)
                continue
            with open(path, encoding="utf-8") as f:
                included = INCLUDE.findall(f.read())
            for target in included:
                other = layer_of(target)
                if not os.path.exists(os.path.join(src, target)):
                    problems.append("%s includes %s, which is no file of "
                                    "src/" % (name, target))
                elif other is None or \
                        LAYERS.index(other) > LAYERS.index(own):
                    problems.append("%s (%s) includes %s (%s), a layer above"
                                    % (name, own, target, other))
                elif is_pure(name) and not is_pure(target):
                    problems.append("%s is pure but includes %s, which is "
                                    "not" % (name, target))
    return sorted(problems)


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "src")
    problems = check(src)
    for problem in problems:
        print(problem)
    if problems:
        print("%d include(s) against the layers; see docs/ARCHITECTURE.md"
              % len(problems))
        return 1
    print("includes point down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
