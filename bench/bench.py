#!/usr/bin/env python3
"""Times programs doing the same work: renaming N empty files, named in an
export list made in a temporary folder, to carry two columns' values. The
files lie eight folders deep, a thousand to a folder, as in a real export
(Export/Partition 2/Users/...); --flat puts them in one folder.

  1. fldren, with -o and its console sent to a file;
  2. fldren with its console on a terminal (a pseudo-terminal, drained as
     a terminal window would be), and fldren -q on a terminal;
  3. the floor: bench/floor.c, built here, making the same no-replace
     renames from precomputed source and destination pairs by absolute
     paths, and nothing else; and the folder-relative floor (floor -r),
     which opens each folder once and renames by names relative to it;
  4. bench/examiner_rename.py: what an examiner might write in Python;
  and, to show where fldren's time goes, the floor that also writes one log
  line per rename with one write() after it, as fldren must for its output
  file to survive a kill.

Runs alternate between the programs; the median of the runs is quoted.
The files are made once for each N (bench/make_files.c) and renamed back
to their first names by the floor after every run: on ext4, making a
million files soon after deleting a million takes minutes, as the inode
allocator steps over the recently deleted ones. The terminal runs and the
script are timed only up to N = 100,000 (--all-up-to).

Prints the seconds, the ratios of fldren to both floors, the microseconds
per record and fldren's peak resident memory (GNU time), writes the figures
to bench/results.tsv and plots them to bench/results.png (gnuplot).

    python3 bench/bench.py --binary build/fldren -n 10000 100000 1000000

With --baseline OTHER, another build of fldren (an earlier commit, say)
runs in the same alternation, and its median and the ratio are printed.
With --calls, the floor also makes the system calls per record of three
designs (fldren's, and a folder kept open with and without the check that
its path still leads to it), each with the same log, in the same
alternation.

With --share US the same runs are made on a model of a network share
instead: bench/latency_fs.c, a FUSE passthrough to a local folder that
waits US microseconds before serving each call (calls in flight at once
wait at once; the kernel's name and attribute caches are off), at the
sizes of -n, with every file in one folder and eight folders deep. The
files are made through it with no wait, and renamed back beside it, on
the local folder, so that only the timed runs wait.

    python3 bench/bench.py --binary build/fldren --share 500 -n 10000

With --sshfs PORT the share is sshfs instead, over loopback to this
machine's own sshd on PORT (a key login as this user, to 127.0.0.1), as
an SFTP client sees a server with no wait but its own, and sshfs's own
caches as it sets them; the files are made through it.

Nothing here is a test: it only measures.
"""

import argparse
import os
import pty
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = ("fldren", "fldren tty", "fldren -q tty", "floor", "floor -r",
            "floor+log", "script")
# With --calls: fldren's system calls per record in three designs, made
# by the floor with the same log, timed in the same alternation.
CALLS = {
    "calls: stat, rename by absolute paths (fldren's)": ["-s"],
    "calls: folder kept open, its path checked each record": ["-r", "-s",
                                                              "-c"],
    "calls: folder kept open, never checked (unsound)": ["-r", "-s"],
}
NAN = float("nan")


def make_work(root, count, flat, make_files):
    """N empty files under root/export, their export list, the field list
    and, for the floors, the pairs of names (bench/make_files.c)."""
    subprocess.run([make_files] + (["-f"] if flat else []) + [root,
                                                               str(count)],
                   check=True)


def rename_back(root, floor):
    """Every file back under its first name, with the floor and the pairs
    reversed. It fails on a file the run before left under any other name,
    which makes it a check of that run too."""
    if subprocess.run([floor, "unpairs.txt"], cwd=root).returncode != 0:
        raise SystemExit("a run left files under unexpected names in " + root)
    # Each run of fldren makes its own output file: it never empties one
    # that records renames.
    for name in ("out.txt", "out.run.txt", "out.report.html"):
        if os.path.exists(os.path.join(root, name)):
            os.remove(os.path.join(root, name))


def command_for(program, binary, floor, baseline=None):
    if program.startswith("fldren") or program == "baseline":
        return [baseline if program == "baseline" else binary,
                "-qx" if "-q" in program else "-x",
                "list.txt", "-f", "fields.txt", "-o", "out.txt"]
    if program == "floor":
        return [floor, "pairs.txt"]
    if program == "floor -r":
        return [floor, "-r", "pairs.txt"]
    if program == "floor+log":
        return [floor, "pairs.txt", "log.txt"]
    if program in CALLS:
        return [floor] + CALLS[program] + ["pairs.txt", "log.txt"]
    return [sys.executable, os.path.join(HERE, "examiner_rename.py"),
            "list.txt", "Int. ID", "Evidence object"]


def drain(master):
    """Reads a pseudo-terminal as a terminal window would, until it closes."""
    try:
        while os.read(master, 1 << 16):
            pass
    except OSError:
        pass


def time_run(command, root, terminal=False):
    """Seconds and peak resident KiB of one run, its console sent to a file
    or to a pseudo-terminal. GNU time reads the peak: a child's own rusage
    would count the pages of this Python process."""
    usage = os.path.join(root, "usage.txt")
    with open(os.path.join(root, "console.txt"), "wb") as console:
        master = slave = None
        if terminal:
            master, slave = pty.openpty()
            reader = threading.Thread(target=drain, args=(master,))
            reader.start()
        start = time.perf_counter()
        process = subprocess.run(
            ["/usr/bin/time", "-f", "%M", "-o", usage] + command,
            cwd=root, stdout=slave if terminal else console,
            stdin=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        if terminal:
            os.close(slave)
            reader.join()
            os.close(master)
    if process.returncode != 0:
        raise SystemExit("%s failed in %s" % (command[0], root))
    with open(usage) as f:
        return seconds, int(f.read().split()[-1])


def build(folder, name):
    program = os.path.join(folder, name)
    subprocess.run(["cc", "-O2", "-o", program,
                    os.path.join(HERE, name + ".c")], check=True)
    return program


def build_latency_fs(folder):
    program = os.path.join(folder, "latency_fs")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "fuse3"],
                           stdout=subprocess.PIPE, check=True,
                           text=True).stdout.split()
    subprocess.run(["cc", "-O2", "-o", program,
                    os.path.join(HERE, "latency_fs.c")] + flags, check=True)
    return program


def mount(latency_fs, backing, mountpoint, delay_us):
    subprocess.run([latency_fs, backing, mountpoint, "-o",
                    "delay_us=%d" % delay_us], check=True)


def unmount(mountpoint):
    subprocess.run(["fusermount3", "-u", mountpoint], check=True)


def sshfs_mount(port, backing, mountpoint):
    subprocess.run(["sshfs", "-p", str(port), "-o",
                    "StrictHostKeyChecking=no,BatchMode=yes",
                    "127.0.0.1:" + backing, mountpoint], check=True)


def share_bench(options, binary, baseline, floor, make_files, tools):
    """fldren and the floors on the latency file system (or sshfs), in one
    folder and eight folders deep; milliseconds a file."""
    if options.sshfs is not None:
        mount_share = lambda backing, mountpoint, delay_us: sshfs_mount(
            options.sshfs, backing, mountpoint)
        print("share model: sshfs over loopback, port %d" % options.sshfs)
    else:
        latency_fs = build_latency_fs(tools)
        mount_share = lambda backing, mountpoint, delay_us: mount(
            latency_fs, backing, mountpoint, delay_us)
        print("share model: %d us a call (bench/latency_fs.c)" %
              options.share)
    # sshfs refuses a no-replace rename, which is all the floors make;
    # fldren renames there by a link and the old name's removal.
    floors = () if options.sshfs is not None else ("floor", "floor -r")
    programs = ("fldren",) + floors + (("baseline",) if baseline else ())
    print("%9s %6s %9s %9s %9s %9s %8s %8s" % (
        "N", "layout", "fldren", "floor", "floor-r", "baseline",
        "f/floor", "ms/file"))
    for count in options.n:
        for flat in (True, False):
            backing = tempfile.mkdtemp(prefix="fldren-share-")
            mountpoint = tempfile.mkdtemp(prefix="fldren-share-mnt-")
            try:
                mount_share(backing, mountpoint, 0)
                make_work(mountpoint, count, flat, make_files)
                unmount(mountpoint)
                # The pairs that rename every file back, on the folder
                # itself, where no call waits.
                with open(os.path.join(backing, "unpairs.txt")) as f:
                    local = f.read().replace(mountpoint, backing)
                with open(os.path.join(backing, "unpairs_local.txt"),
                          "w") as f:
                    f.write(local)
                seconds = {p: [] for p in programs}
                for _ in range(options.runs):
                    for program in programs:
                        mount_share(backing, mountpoint, options.share)
                        try:
                            elapsed, _ = time_run(
                                command_for(program, binary, floor,
                                            baseline), mountpoint)
                        finally:
                            unmount(mountpoint)
                        seconds[program].append(elapsed)
                        if subprocess.run([floor, "unpairs_local.txt"],
                                          cwd=backing).returncode != 0:
                            raise SystemExit("a run left files under "
                                             "unexpected names in " + backing)
                        for name in ("out.txt", "out.run.txt",
                                     "out.report.html"):
                            path = os.path.join(backing, name)
                            if os.path.exists(path):
                                os.remove(path)
            finally:
                if os.path.ismount(mountpoint):
                    unmount(mountpoint)
                subprocess.run(["rm", "-rf", backing, mountpoint])
            m = {p: statistics.median(seconds[p]) for p in programs}
            print("%9d %6s %9.3f %9.3f %9.3f %9.3f %8.2f %8.2f" % (
                count, "flat" if flat else "deep", m["fldren"],
                m.get("floor", NAN), m.get("floor -r", NAN),
                m.get("baseline", NAN), m["fldren"] / m.get("floor", NAN),
                m["fldren"] * 1e3 / count), flush=True)


def plot(results, png):
    data = os.path.join(os.path.dirname(png), "results.tsv")
    script = """
set terminal png size 800,500
set output '%s'
set logscale xy
set xlabel 'files renamed (N)'
set ylabel 'seconds (median)'
set key top left
set grid
plot '%s' using 1:2 with linespoints title 'fldren', \\
     '' using 1:3 with linespoints title 'floor (absolute paths)', \\
     '' using 1:4 with linespoints title 'floor (folder-relative)', \\
     '' using 1:5 with linespoints title 'floor + one log write per rename', \\
     '' using 1:6 with linespoints title 'Python script', \\
     '' using 1:7 with linespoints title 'fldren on a terminal', \\
     '' using 1:8 with linespoints title 'fldren -q on a terminal'
""" % (png, data)
    subprocess.run(["gnuplot"], input=script.encode(), check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", default="build/fldren")
    parser.add_argument("-n", type=int, nargs="+",
                        default=[10000, 100000, 1000000])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--no-plot", action="store_true")
    parser.add_argument("--baseline", help="an earlier fldren to compare")
    parser.add_argument("--flat", action="store_true",
                        help="every file in one folder")
    parser.add_argument("--calls", action="store_true",
                        help="also time fldren's system calls per record "
                        "in three designs (bench/floor.c -s, -c)")
    parser.add_argument("--all-up-to", type=int, default=100000,
                        help="the largest N at which the terminal runs and "
                        "the script are timed too")
    parser.add_argument("--share", type=int, metavar="US",
                        help="run on a model of a network share that waits "
                        "US microseconds a call (bench/latency_fs.c)")
    parser.add_argument("--sshfs", type=int, metavar="PORT",
                        help="run on sshfs over loopback to this machine's "
                        "sshd on PORT instead")
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)
    baseline = options.baseline and os.path.abspath(options.baseline)
    programs = (PROGRAMS + (("baseline",) if baseline else ()) +
                (tuple(CALLS) if options.calls else ()))
    tools = tempfile.mkdtemp(prefix="fldren-bench-tools-")
    floor = build(tools, "floor")
    make_files = build(tools, "make_files")
    if options.share is not None or options.sshfs is not None:
        share_bench(options, binary, baseline, floor, make_files, tools)
        shutil.rmtree(tools, ignore_errors=True)
        return

    results = []
    print("%9s %8s %8s %8s %8s %8s %8s %8s %7s %7s %6s %9s" % (
        "N", "fldren", "tty", "-q tty", "floor", "floor-r", "+log",
        "script", "f/floor", "f/fl-r", "us/rec", "peak KiB"))
    for count in options.n:
        # Above this size the terminal runs and the script, which compare
        # fldren with other ways of working rather than with the floors,
        # would take most of the time.
        timed = [p for p in programs if count <= options.all_up_to or
                 p not in ("fldren tty", "fldren -q tty", "script")]
        seconds = {p: [] for p in timed}
        peak = 0
        root = tempfile.mkdtemp(prefix="fldren-bench-")
        try:
            make_work(root, count, options.flat, make_files)
            for _ in range(options.runs):
                for program in timed:
                    # The set-up's writes are on disk before the clock starts.
                    os.sync()
                    elapsed, rss = time_run(
                        command_for(program, binary, floor, baseline), root,
                        terminal=program.endswith("tty"))
                    seconds[program].append(elapsed)
                    if program == "fldren":
                        peak = max(peak, rss)
                    rename_back(root, floor)
        finally:
            subprocess.run(["rm", "-rf", root])
        m = {p: statistics.median(seconds[p]) if p in seconds else NAN
             for p in programs}
        results.append((count, m["fldren"], m["floor"], m["floor -r"],
                        m["floor+log"], m["script"], m["fldren tty"],
                        m["fldren -q tty"], peak))
        print("%9d %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %7.3f %7.3f "
              "%6.2f %9d" % (
                  count, m["fldren"], m["fldren tty"], m["fldren -q tty"],
                  m["floor"], m["floor -r"], m["floor+log"], m["script"],
                  m["fldren"] / m["floor"], m["fldren"] / m["floor -r"],
                  m["fldren"] * 1e6 / count, peak), flush=True)
        if baseline:
            print("%9s baseline %.3f s; fldren/baseline %.3f" % (
                "", m["baseline"], m["fldren"] / m["baseline"]), flush=True)
        for program in CALLS if options.calls else ():
            print("%9s %.3f s  %s" % ("", m[program], program[7:]),
                  flush=True)
    shutil.rmtree(tools, ignore_errors=True)

    with open(os.path.join(HERE, "results.tsv"), "w") as f:
        f.write("# N\tfldren_s\tfloor_s\tfloor_relative_s\tfloor_log_s\t"
                "script_s\tfldren_tty_s\tfldren_q_tty_s\tfldren_peak_kib\n")
        for row in results:
            f.write("%d\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\t%d\n"
                    % row)
    if not options.no_plot:
        plot(results, os.path.join(HERE, "results.png"))


if __name__ == "__main__":
    main()
