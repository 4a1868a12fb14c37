#!/usr/bin/env python3
"""Runs every end-to-end case against one build of fldren.

    run_e2e.py --binary build/fldren
    run_e2e.py --binary build-windows/fldren.exe --wine

fldren-undo is taken from beside the binary unless --undo-binary names it.

With --wine the same cases run the Windows build under Wine, which sees
the test folders as Z:\\tmp\\... and writes CR LF line ends. With
--folder-root the cases' folders are made there instead (a mounted NTFS).
"""

import argparse
import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import support  # noqa: E402


def start_wine():
    # Wine's background services must start detached from our pipes, or the
    # first program run inherits them and the run hangs for minutes.
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-p60"], **quiet)
    subprocess.run(["wine", "cmd", "/c", "exit"],
                   env=dict(os.environ, WINEDEBUG="-all"), **quiet)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--undo-binary")
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--fault-shim", help="library for the fault cases")
    parser.add_argument("--wrapper", default="",
                        help="command to run the programs under")
    parser.add_argument("-k", dest="pattern", help="run matching cases only")
    parser.add_argument("--folder-root",
                        help="make each case's folder here (a mounted NTFS)")
    options = parser.parse_args()
    support.BINARY = os.path.abspath(options.binary)
    undo = options.undo_binary or os.path.join(
        os.path.dirname(support.BINARY),
        "fldren-undo" + (".exe" if options.binary.endswith(".exe") else ""))
    support.UNDO_BINARY = os.path.abspath(undo)
    support.WINE = options.wine
    support.PREFIX = b"\\\\?\\" if options.wine else b""
    support.WRAPPER = options.wrapper.split()
    support.FOLDER_ROOT = options.folder_root
    if options.fault_shim:
        support.FAULT_SHIM = os.path.abspath(options.fault_shim)
    if options.wine:
        start_wine()
    loader = unittest.TestLoader()
    if options.pattern:
        loader.testNamePatterns = ["*%s*" % options.pattern]
    suite = loader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
    result = unittest.TextTestRunner(verbosity=1).run(suite)
    return 0 if result.wasSuccessful() and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
