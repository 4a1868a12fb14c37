#!/usr/bin/env python3
"""Kills fldren at a random moment of a run over many files, again and
again, and checks after each kill that every renamed file has its Success
line in the output file (at most the rename in flight lacks one), that
every line is a rename that happened, and that no file is lost.

    tests/stress/kill_runs.py --binary build/fldren [-n 100000] [--runs 10]
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def make_files(folder, count):
    with open(os.path.join(folder, "list.txt"), "wb") as listed:
        listed.write(b"Name\tPath\tInt. ID\tEvidence object\tDestination\n")
        for i in range(count):
            name = "f%07d" % i
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(name.encode())
            listed.write(b"%s\tp\t%d\tE\t%s\n" % (name.encode(), i,
                                                   path.encode()))
    with open(os.path.join(folder, "fields.txt"), "wb") as f:
        f.write(b"Int. ID\n")


def one_run(binary, count, seconds):
    folder = tempfile.mkdtemp(prefix="fldren-kill-")
    try:
        make_files(folder, count)
        process = subprocess.Popen(
            [binary, "-x", "list.txt", "-f", "fields.txt", "-o", "out.txt"],
            cwd=folder, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        time.sleep(seconds)
        process.send_signal(signal.SIGKILL)
        process.wait()

        logged = set()
        with open(os.path.join(folder, "out.txt"), "rb") as f:
            for line in f.read().split(b"\n"):
                fields = line.split(b"\t")
                if len(fields) == 5 and fields[3] == b"Success":
                    logged.add(os.path.basename(fields[2]).decode())
        names = set(os.listdir(folder))
        renamed = set()
        for i in range(count):
            old = "f%07d" % i
            new = "%d_%s" % (i, old)
            if (old in names) == (new in names):
                return "f%07d is lost or doubled" % i
            if new in names:
                renamed.add(new)
        if not logged <= renamed:
            return "a line for a rename that did not happen"
        if len(renamed - logged) > 1:
            return "%d renames without their line" % len(renamed - logged)
        return "killed after %.2fs: %d renamed, %d logged" % (
            seconds, len(renamed), len(logged))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", default="build/fldren")
    parser.add_argument("-n", type=int, default=100000)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--seed", type=int, default=None)
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)
    seed = options.seed if options.seed is not None else int(time.time())
    print("seed %d" % seed)
    chance = random.Random(seed)
    passed = failed = 0
    for run in range(options.runs):
        # A whole run of 100,000 files takes about a second here.
        outcome = one_run(binary, options.n, chance.uniform(0.02, 0.9))
        ok = outcome.startswith("killed")
        passed += ok
        failed += not ok
        print("run %d: %s" % (run + 1, outcome))
    print("kill runs: %d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
