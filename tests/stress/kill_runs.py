#!/usr/bin/env python3
"""Kills fldren at a random moment of a run over many files, again and
again, and checks after each kill that every renamed file has its line in
the output file (only the last line may still read Pending), that every
Success line is a rename that happened, and that no file is lost; then
continues the run with -r, kills that three times (once while it settles
the earlier run's last line) and checks again after each, continues it
to its end and checks that every file was renamed exactly once, that the
output file reads Success on every line, and that it is byte for byte the
output file of an uninterrupted run; then kills fldren-undo (from beside
the binary) at a random moment, checks that every name it gave back has
its line in its log, and undoes again: every name and every file's
contents are back.
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
    under two names of two files. Where renames are a link and the old
    name's removal (ntfs-3g, run with TMPDIR there), a kill between the two
    leaves both names on one file: counted as renamed, for its line must
    be there, and the next run or undo must settle it."""
    names = set(os.listdir(folder))
    renamed = set()
    for i in range(count):
        old = "f%07d" % i
        new = "%d_%s" % (i, old)
        if old in names and new in names and os.path.samefile(
                os.path.join(folder, old), os.path.join(folder, new)):
            renamed.add(new)
            continue
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


def resume_to_the_end(binary, folder, count, seconds, chance):
    """Continues the killed run with -r, kills that three times (once
    within its first moments, where it settles the earlier run's last
    line), checks after each kill, and continues it to its end: every file
    renamed once, every line Success. A complaint, or None."""
    for delay in (chance.uniform(0.0, 0.05), seconds, chance.uniform(0.0, 0.3)):
        run_killed(binary, folder, delay, "-r")
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


def contents_kept(folder, count):
    """True when every file under its first name holds what it was made
    with."""
    for i in range(count):
        name = "f%07d" % i
        with open(os.path.join(folder, name), "rb") as f:
            if f.read() != name.encode():
                return False
    return True


def undo_killed_then_again(undo_binary, folder, count, chance):
    """Kills fldren-undo at a random moment: every name it gave back has
    its line in its log. Then undoes again with another log: every name
    and every file's contents are back. A complaint, or None."""
    process = subprocess.Popen([undo_binary, "out.txt", "-o", "undo1.txt"],
                               cwd=folder, stdout=subprocess.DEVNULL,
                               stdin=subprocess.DEVNULL)
    time.sleep(chance.uniform(0.05, 0.8))
    process.send_signal(signal.SIGKILL)
    process.wait()
    renamed, complaint = names_on_disk(folder, count)
    if complaint:
        return "after a killed undo: " + complaint
    with open(os.path.join(folder, "undo1.txt"), "rb") as f:
        logged = {file_name(e[1]).decode() for e in journal(f.read())}
    given_back = {"f%07d" % i for i in range(count)} - {
        name.split("_", 1)[1] for name in renamed}
    if given_back - logged:
        return "a killed undo gave back %d names without their line" % len(
            given_back - logged)
    subprocess.run([undo_binary, "out.txt", "-o", "undo2.txt"], cwd=folder,
                   stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    restored, complaint = names_on_disk(folder, count)
    if complaint:
        return "the undo after a killed undo left " + complaint
    if restored:
        return "the undo after a killed undo left %d names renamed" % len(
            restored)
    if not contents_kept(folder, count):
        return "after the undos a file's contents differ"
    return None


def same_as_uninterrupted(binary, undo_binary, folder, resumed):
    """Runs the job once more, uninterrupted, into ref.txt and undoes it:
    the killed and resumed run's output file must be the same bytes. A
    complaint, or None."""
    subprocess.run([binary, "-x", "list.txt", "-f", "fields.txt", "-o",
                    "ref.txt"], cwd=folder, stdout=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL)
    with open(os.path.join(folder, "ref.txt"), "rb") as f:
        reference = f.read()
    subprocess.run([undo_binary, "ref.txt"], cwd=folder,
                   stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    if reference != resumed:
        return "the resumed run's output file differs from an " \
               "uninterrupted run's"
    return None


def one_run(binary, undo_binary, count, seconds, chance):
    """"killed ..." when every check held, "inconclusive ..." when the run
    ended before its kill, and what went wrong otherwise."""
    folder = tempfile.mkdtemp(prefix="fldren-kill-")
    try:
        make_files(folder, count)
        if not run_killed(binary, folder, seconds):
            return "inconclusive: the run ended before its kill"
        if not os.path.exists(os.path.join(folder, "out.txt")):
            # Killed while it read the lists (a busy machine): before its
            # output file, no rename may have happened.
            renamed, complaint = names_on_disk(folder, count)
            if complaint or renamed:
                return complaint or "%d renames before the output file " \
                    "was made" % len(renamed)
            return ("killed after %.2fs, before its output file was made: "
                    "every file under its old name" % seconds)
        renamed, logged, complaint = check_killed(folder, count)
        if complaint:
            return complaint
        complaint = resume_to_the_end(binary, folder, count, seconds, chance)
        if complaint:
            return complaint
        with open(os.path.join(folder, "out.txt"), "rb") as f:
            resumed = f.read()

        complaint = undo_killed_then_again(undo_binary, folder, count,
                                           chance)
        if complaint:
            return complaint
        complaint = same_as_uninterrupted(binary, undo_binary, folder,
                                          resumed)
        if complaint:
            return complaint
        complaint = second_run(binary, undo_binary, folder, count, seconds)
        if complaint:
            return complaint
        return ("killed after %.2fs: %d renamed, %d logged; resumed, "
                "killed three times, resumed to the end, the same bytes as "
                "an uninterrupted run; undo killed, undone again: every "
                "name and content back; a second run refused every "
                "record" % (
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
                          chance.uniform(0.02, 0.9), chance)
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
