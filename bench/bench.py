#!/usr/bin/env python3
"""Times fldren on N empty files and their export list, made in a temporary
folder, and reports seconds, microseconds per record and peak memory.

    bench/bench.py --binary build/fldren -n 10000 100000 --runs 3

Needs GNU time (Debian's package time) for the peak memory. Each run gets a
fresh set of files, since a run renames them all. The
median of the runs is quoted. Nothing here is a test: it only measures.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

HEADER = (b"Name\tExt.\tPath\tDescription\tUnique ID\tInt. ID\t"
          b"Evidence object\tDestination name\n")


def make_work(root, count):
    """N empty files under root/export and the export list naming them."""
    export = os.path.join(root, "export")
    os.mkdir(export)
    with open(os.path.join(root, "list.txt"), "wb") as listed:
        listed.write(HEADER)
        for i in range(count):
            name = "file%07d.dat" % i
            path = os.path.join(export, name)
            open(path, "wb").close()
            listed.write(b"%s\tdat\t\\Users\\A\texisting file\t%d\t%d\t"
                         b"Hard drive no2\t%s\n" % (
                             name.encode(), 90000 + i, i, path.encode()))
    with open(os.path.join(root, "fields.txt"), "wb") as fields:
        fields.write(b"Int. ID\nEvidence object\n")


def time_fldren(binary, root):
    """Seconds and peak resident kilobytes of one run. GNU time reads the
    peak: a child's own rusage would count the pages of the Python process
    it was forked from."""
    usage = os.path.join(root, "usage.txt")
    with open(os.path.join(root, "console.txt"), "wb") as console:
        start = time.perf_counter()
        process = subprocess.run(
            ["/usr/bin/time", "-f", "%M", "-o", usage, binary, "-x",
             "list.txt", "-f", "fields.txt", "-o", "out.txt"],
            cwd=root, stdout=console, stdin=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
    if process.returncode != 0:
        raise SystemExit("fldren failed in %s" % root)
    with open(usage) as f:
        return seconds, int(f.read().split()[-1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", default="build/fldren")
    parser.add_argument("-n", type=int, nargs="+",
                        default=[10000, 100000])
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)

    print("%10s %10s %12s %12s" % ("N", "seconds", "us/record",
                                     "peak KiB"))
    for count in options.n:
        seconds = []
        peak = 0
        for _ in range(options.runs):
            root = tempfile.mkdtemp(prefix="fldren-bench-")
            try:
                make_work(root, count)
                elapsed, rss = time_fldren(binary, root)
                seconds.append(elapsed)
                peak = max(peak, rss)
            finally:
                shutil.rmtree(root, ignore_errors=True)
        median = statistics.median(seconds)
        print("%10d %10.3f %12.2f %12d" % (count, median,
                                            median * 1e6 / count, peak))


if __name__ == "__main__":
    main()
