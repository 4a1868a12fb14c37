#!/usr/bin/env python3
"""Times reading and hashing a set of files: sha256sum over them, and, with
--fldren, a preview of fldren checking each file against the SHA-256
column of an export list (-c), so that fldren's checks can be set against
what the system's own tool does with the same bytes.

The files (random bytes, --files of them, --total-mib in all: 64 files of
32 MiB by default) are made in FOLDER once and used again by later runs.
Warm: one untimed run fills the page cache, then the median of --runs.
Cold: the median of --runs, each after dropping the page cache, when
/proc/sys/vm/drop_caches can be written (as root); otherwise skipped.

    python3 bench/hash_bench.py /var/tmp/hash-bench --fldren build/fldren

Nothing here is a test: it only measures.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

DROP_CACHES = "/proc/sys/vm/drop_caches"
CHUNK = 1 << 20


def make_files(folder, count, size):
    """count files of size random bytes in folder; those of the right size
    already there are kept."""
    os.makedirs(folder, exist_ok=True)
    names = []
    for index in range(count):
        name = os.path.join(folder, "file_%03d.bin" % index)
        if not (os.path.isfile(name) and os.path.getsize(name) == size):
            with open(name, "wb") as out:
                for start in range(0, size, CHUNK):
                    out.write(os.urandom(min(CHUNK, size - start)))
        names.append(name)
    return names


def write_list(folder, names):
    """An export list naming each file with its SHA-256 (from sha256sum),
    and a field list, for fldren -c."""
    digests = subprocess.run(["sha256sum"] + names, check=True,
                             capture_output=True, text=True).stdout
    lines = ["Name\tPath\tDescription\tInt. ID\tEvidence object\t"
             "SHA-256\tDestination name"]
    for index, line in enumerate(digests.splitlines()):
        digest, name = line.split(None, 1)
        lines.append("%s\t\\bench\texisting file\t%d\tDisk 1\t%s\t%s" % (
            os.path.basename(name), index, digest, name.lstrip("*")))
    listed = os.path.join(folder, "list.txt")
    fields = os.path.join(folder, "fields.txt")
    with open(listed, "w") as out:
        out.write("\n".join(lines) + "\n")
    with open(fields, "w") as out:
        out.write("Int. ID\n")
    return listed, fields


def drop_caches():
    os.sync()
    with open(DROP_CACHES, "w") as out:
        out.write("3\n")


def seconds_of(command, cwd, cold):
    if cold:
        drop_caches()
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder", help="where the files are made and kept")
    parser.add_argument("--total-mib", type=int, default=2048)
    parser.add_argument("--files", type=int, default=64)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--fldren", help="a fldren that has -c, to time "
                        "too (a preview: nothing is renamed)")
    options = parser.parse_args()
    folder = os.path.abspath(options.folder)
    size = options.total_mib * CHUNK // options.files
    names = make_files(folder, options.files, size)
    commands = {"sha256sum": ["sha256sum"] + names}
    # OpenSSL's own command reads with the code fldren uses on Linux, one
    # file after another: the floor for one thread on this processor.
    if shutil.which("openssl"):
        commands["openssl"] = ["openssl", "dgst", "-sha256"] + names
    if options.fldren:
        listed, fields = write_list(folder, names)
        out = os.path.join(folder, "out.txt")
        if os.path.exists(out):
            os.remove(out)
        commands["fldren -c"] = [os.path.abspath(options.fldren), "-n", "-x",
                                 listed, "-f", fields, "-c", "SHA-256",
                                 "-o", out]
    cold = os.access(DROP_CACHES, os.W_OK)
    print("%d files of %d MiB, %d MiB in all; median of %d runs" % (
        len(names), size // CHUNK, len(names) * size // CHUNK, options.runs))
    for label, command in commands.items():
        seconds_of(command, folder, False)  # fills the page cache
        warm = statistics.median(seconds_of(command, folder, False)
                                 for _ in range(options.runs))
        line = "%-9s warm %7.3f s %8.1f MiB/s" % (
            label, warm, len(names) * size / CHUNK / warm)
        if cold:
            chilled = statistics.median(seconds_of(command, folder, True)
                                        for _ in range(options.runs))
            line += "   cold %7.3f s %8.1f MiB/s" % (
                chilled, len(names) * size / CHUNK / chilled)
        else:
            line += "   cold: skipped (%s is not writable)" % DROP_CACHES
        print(line, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
