#!/usr/bin/env python3
"""Kills fldren at a random moment of a run over many files, again and
again, and checks after each kill that every renamed file has its line in
the output file (only the last line may still read Pending), that every
Success line is a rename that happened, and that no file is lost; then
continues the run with -r, kills that too and checks again, continues it
to its end and checks that every file was renamed exactly once and the
output file reads Success on every line; then that fldren-undo, from
beside the binary, restores every name exactly.
Then the export is renamed whole and a second run over it, whose every
record is refused, is killed too: its lines must all read Failure and its
undo must rename nothing. A run that finished before its first kill proves
nothing and counts as inconclusive.

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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "e2e"))
from support import IN_FLIGHT, file_name, journal  # noqa: E402


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


def names_on_disk(folder, count):
    """The set of renamed names, or a complaint when a file is lost or
    under both names."""
    names = set(os.listdir(folder))
    renamed = set()
    for i in range(count):
        old = "f%07d" % i
        new = "%d_%s" % (i, old)
        if (old in names) == (new in names):
            return None, "%s is lost or doubled" % old
        if new in names:
            renamed.add(new)
    return renamed, None


def second_run(binary, undo_binary, folder, count, seconds):
    """Renames the whole export, then kills a second run over it, whose
    every record is refused: its lines must all read Failure, none Pending,
    and its undo must rename nothing. A complaint, or None."""
    run = lambda *args: subprocess.run(
        [binary, "-x", "list.txt", "-f", "fields.txt"] + list(args),
        cwd=folder, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    run("-o", "first.txt")
    renamed, complaint = names_on_disk(folder, count)
    if complaint or len(renamed) != count:
        return complaint or "the whole run left names unrenamed"
    process = subprocess.Popen(
        [binary, "-x", "list.txt", "-f", "fields.txt", "-o", "second.txt"],
        cwd=folder, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    time.sleep(seconds / 2)
    process.send_signal(signal.SIGKILL)
    process.wait()
    with open(os.path.join(folder, "second.txt"), "rb") as f:
        words = {e[2] for e in journal(f.read())}
    if words - {b"Failure"}:
        return "a refused record's line reads %s" % b", ".join(
            sorted(words - {b"Failure"})).decode()
    undo = subprocess.run([undo_binary, "second.txt"], cwd=folder,
                          stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    after, complaint = names_on_disk(folder, count)
    if undo.returncode != 0 or complaint or after != renamed:
        return "the undo of a refused run renamed files (status %d)" % (
            undo.returncode)
    return None


def check_killed(folder, count):
    """The renamed names and the logged ones after a kill, or a complaint."""
    with open(os.path.join(folder, "out.txt"), "rb") as f:
        entries = journal(f.read())
    logged = {file_name(e[1]).decode() for e in entries}
    done = {file_name(e[1]).decode() for e in entries if e[2] == b"Success"}
    if any(e[2] in IN_FLIGHT for e in entries[:-1]):
        return None, None, "a line in flight before the last"
    renamed, complaint = names_on_disk(folder, count)
    if complaint:
        return None, None, complaint
    if not done <= renamed:
        return None, None, "a Success line for a rename that did not happen"
    if renamed - logged:
        return None, None, "%d renames without their line" % len(
            renamed - logged)
    return renamed, logged, None


def run_killed(binary, folder, seconds, *more):
    """Starts a run and kills it after seconds; False when it ended first."""
    process = subprocess.Popen(
        [binary, "-x", "list.txt", "-f", "fields.txt", "-o", "out.txt"] +
        list(more), cwd=folder, stdout=subprocess.DEVNULL,
        stdin=subprocess.DEVNULL)
    time.sleep(seconds)
    process.send_signal(signal.SIGKILL)
    return process.wait() == -signal.SIGKILL


def resume_to_the_end(binary, folder, count, seconds):
    """Continues the killed run with -r, kills that, checks, and continues
    it to its end: every file renamed once, every line Success. A
    complaint, or None."""
    run_killed(binary, folder, seconds, "-r")
    _, _, complaint = check_killed(folder, count)
    if complaint:
        return "after a resumed run was killed: " + complaint
    finished = subprocess.run(
        [binary, "-x", "list.txt", "-f", "fields.txt", "-o", "out.txt", "-r"],
        cwd=folder, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    renamed, complaint = names_on_disk(folder, count)
    with open(os.path.join(folder, "out.txt"), "rb") as f:
        words = [e[2] for e in journal(f.read())]
    if finished.returncode != 0 or complaint or len(renamed) != count or \
            words != [b"Success"] * count:
        return "the resumed run left %s (status %d, %d lines)" % (
            complaint or "%d of %d renamed" % (len(renamed), count),
            finished.returncode, len(words))
    return None


def one_run(binary, undo_binary, count, seconds):
    """"killed ..." when every check held, "inconclusive ..." when the run
    ended before its kill, and what went wrong otherwise."""
    folder = tempfile.mkdtemp(prefix="fldren-kill-")
    try:
        make_files(folder, count)
        if not run_killed(binary, folder, seconds):
            return "inconclusive: the run ended before its kill"
        renamed, logged, complaint = check_killed(folder, count)
        if complaint:
            return complaint
        complaint = resume_to_the_end(binary, folder, count, seconds)
        if complaint:
            return complaint

        undo = subprocess.run([undo_binary, "out.txt"], cwd=folder,
                              stdout=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL)
        restored, complaint = names_on_disk(folder, count)
        if undo.returncode != 0 or complaint or restored:
            return "fldren-undo left %s (status %d)" % (
                complaint or "%d names renamed" % len(restored),
                undo.returncode)
        complaint = second_run(binary, undo_binary, folder, count, seconds)
        if complaint:
            return complaint
        return ("killed after %.2fs: %d renamed, %d logged; resumed, "
                "killed, resumed to the end, all undone; a second run "
                "refused every record" % (
                    seconds, len(renamed), len(logged)))
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
    undo_binary = os.path.join(os.path.dirname(binary), "fldren-undo")
    seed = options.seed if options.seed is not None else int(time.time())
    print("seed %d" % seed)
    chance = random.Random(seed)
    passed = failed = inconclusive = 0
    for run in range(options.runs):
        # A whole run of 100,000 files takes about a second here.
        outcome = one_run(binary, undo_binary, options.n,
                          chance.uniform(0.02, 0.9))
        if outcome.startswith("killed"):
            passed += 1
        elif outcome.startswith("inconclusive"):
            inconclusive += 1
        else:
            failed += 1
        print("run %d: %s" % (run + 1, outcome))
    print("kill runs: %d passed, %d failed, %d inconclusive" % (
        passed, failed, inconclusive))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
