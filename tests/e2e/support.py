#!/usr/bin/env python3
"""What the end-to-end cases share: the program under test, a fresh folder
per case, and the texts fldren writes. run_e2e.py sets BINARY and WINE.
"""

import errno
import fcntl
import os
import pty
import re
import shutil
import subprocess
import sys
import signal
import struct
import tempfile
import termios
import time
import unittest

BINARY = None
UNDO_BINARY = None
FAULT_SHIM = None  # preloaded by the fault cases on POSIX
WRAPPER = []  # a command that runs the programs, such as valgrind
WINE = False
FOLDER_ROOT = None  # where the cases' folders are made; the system's default

USAGE_PAGES = (
    b"\n\n\nMissing command line options(s)\n\n"
    b"Options: [-xfonsmqrctek]\n\n"
    b"-x x-ways_copylog.txt file\n"
    b"-f file: containing fields to add to filename\n"
    b"-o outputfile: an output file containing newnames\n"
    b"-n preview: show what would be renamed, rename nothing\n"
    b"-s safe names: characters a Windows name cannot hold become _\n"
    b"-m FROM=TO: the export has moved; paths beginning FROM begin TO\n"
    b"-q quiet: show only failures, and progress on a terminal\n"
    b"-r resume: continue the stopped run whose output file -o names\n"
    b"-c COLUMN: rename only files whose contents match that column's hash\n"
    b"-t trim: shorten a name too long for its folder; it then ends ~\n"
    b"-e CODEPAGE: read 8-bit lists in that Windows code page, as 1251\n"
    b"-k TEXT: a case note for the run record and the report page\n\n"
    b"option -x XWays_export_list_filename:\n"
    b"        The \"TAB\" delimeted X-Ways file that is created when you use the\n"
    b"        \"export list\" option to provide a list of fields relating to each\n"
    b"        file exported.\n\n"
    b"It MUST contain at a minimum, the following fields\n"
    b"Destination Name\n\nplus\n\n"
    b"Any fields you wish to add to the filename that was exported from X-Ways\n"
    b"Such additional fields might be \"Int. ID\" and \"Evidence object\"\n"
    b"Any other fields which you normally export are ignored\n\n"
    b"Sample:\n\n"
    b"Destination name   Name  Ext.  Path  Description  Unique ID\t Int.  ID\n"
    b"\n\nHit return to see next page"
    b"\n\n\noption -f FieldList_filename:\n\n"
    b"    A text file. One item per line. Each line contains the exact item \n"
    b"    from the header line of the X-Ways export list file (above), which\n"
    b"    you are wanting to add to the filename of the exported file.\n\n"
    b"The order of this file, is the order that the item is added to the filename\n"
    b"If you had two items\n\n"
    b"Int. ID\nEvidence object\n\n"
    b"Then the Int. ID, would be pre-pended to the filename, followed by the \n"
    b"Evidence object name, followed by the true filename.\n"
    b"Each item is separated in the newfilename by an underscore (_)\n"
    b"\nOriginal filename   mydoc.doc\n"
    b"added Int. Id, and Evidence object:   1234_Hard drive no2_mydoc.doc\n\n"
    b"\n\nHit return to see next page"
    b"\n\n\n"
    b"\noption: -o outputfilename: Generates a tab delimeted file with \n"
    b"             the original name and the new filename\n"
    b"\nSample command:\n"
    b"fldren -x x-ways_copylog.tab -f fields2add.txt -o output\n")
LAST_COMPILED = re.compile(
    rb"\r?\nVersion [0-9]+\.[0-9]+\.[0-9]+"
    rb"\r?\nLast compiled: [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} "
    rb"[0-9]{2}:[0-9]{2}:[0-9]{2} \S*src[/\\]fldren\.cpp\r?\n\Z")

MISSING_COLUMNS = (
    b"\nCan't find one of the following in the x-ways data file\n"
    b"Please make sure the 2nd item on command line contains proper fields\n"
    b"Name, Path, Description, Evidence object\n"
    b"The program needs all 4 items to properly locate the original location\n"
    b"of the files to process.\n\n")

HEADER = b"Name\tPath\tInt. ID\tEvidence object\tDestination name\n"
FIELDS = b"Int. ID\nEvidence object\n"
# What stands before every path fldren shows: Windows' extended-length
# prefix on the Windows build, nothing on Linux (set with WINE).
PREFIX = b""


def shown(path):
    """A Destination as fldren shows the path it renames: behind the prefix
    on Windows, with '/' between its names on Linux."""
    return PREFIX + path if WINE else path.replace(b"\\", b"/")


def lines(text):
    """Text as the program writes it: CR LF line ends on Windows."""
    return text.replace(b"\n", b"\r\n") if WINE else text


# What a run without -o says before its first record and as it ends.
NO_RECORD = (b"No output file: nothing records these renames for fldren-undo "
             b"to take back (-o names one).\n")


def closing(processed, renamed, failed, *reasons, preview=False, kept=True):
    """The closing lines; reasons are (count, reason) pairs, most frequent
    first. A preview counts what would be renamed; a run that kept no
    output file ends saying so."""
    return (b"\n\nRecords processed:%19s\n%s%19s\n"
            b"Failed:           %19s\n" % (
                grouped(processed),
                b"Would be renamed: " if preview else b"Renamed:          ",
                grouped(renamed), grouped(failed)) +
            b"".join(b"%18s%19s  %s\n" % (b"", grouped(count), reason)
                     for count, reason in reasons) +
            (b"" if kept or preview else NO_RECORD))


def why(error, wine_words):
    """What follows a file's name when it cannot be opened or made: ": "
    and the system's words, strerror's on Linux, and under Wine the
    sentence its FormatMessage gives (Wine's words differ from Windows')."""
    return b": " + (wine_words if WINE else os.strerror(error).encode())


NOT_FOUND = (errno.ENOENT, b"File not found.")


def differing(count):
    """The closing line of -c's files whose contents differ from the list."""
    return (b"Contents differ:  %19s\n%18sThese files differ from the hash "
            b"in the list; each kept its name.\n" % (grouped(count), b""))


# The reasons fldren gives for a failure: its own, and the system's words
# for a new name that exists.
NO_FILE = b"No file of the old name exists"
NO_COLUMN = b"The record lacks a column the new name needs"
SEPARATOR = b"A chosen value holds \\ or /"
UNUSABLE = b"A value holds a NUL or text that could not be read"
def forbidden(character):
    """The reason of a value holding a character no Windows name holds, as
    the console shows it (a control character escaped)."""
    return (b"A chosen value holds '" + character + b"', which no Windows "
            b"name can hold (-s makes it _)")
FOLDER = b"The old name is a folder"
NOT_WRITTEN = b"The output file could not be written"
NAME_TOO_LONG = (b"The new name is longer than 255 UTF-16 units (-t shortens "
                 b"it)")


def name_exists():
    # Wine's words for ERROR_ALREADY_EXISTS; Windows' own read "Cannot
    # create a file when that file already exists."
    if WINE:
        return b"File already exists."
    return os.strerror(errno.EEXIST).encode()


def grouped(count):
    return "{:,}".format(count).encode()


# The result words of an output file's line; a line in flight reads one of
# IN_FLIGHT and may lack its last field.
RESULT_WORDS = (b"Success", b"Failure", b"Pending", b"Linking", b"Planned")
IN_FLIGHT = (b"Pending", b"Linking")


def journal(data):
    """The lines of an output file (bytes) as (source, destination, result,
    first value) tuples; other lines are left out. The line of a rename in
    flight reads Pending (Linking for a rename by link), and lacks its last
    field when the run was killed before the result was written."""
    entries = []
    for line in data.split(b"\n"):
        fields = line.rstrip(b"\r").split(b"\t")
        if len(fields) == 4 and fields[3] in IN_FLIGHT:
            fields.append(b"")
        if (len(fields) == 5 and fields[1] == b"==>"
                and fields[3] in RESULT_WORDS):
            entries.append((fields[0], fields[2], fields[3], fields[4]))
    return entries


def record_sections(data):
    """A run record's sections, each a list of (key, value) pairs."""
    text = data.decode("utf-8").replace("\r\n", "\n")
    return [[tuple(line.split(": ", 1)) for line in block.split("\n") if line]
            for block in text.split("\n\n")]


def is_kept_beside(name):
    """A run record or a report page, kept beside each output file and undo
    log."""
    return (b".run." in name or name.endswith(b".run")
            or name.endswith(b".report.html"))


def file_name(path):
    """The last part of a path as the report shows it."""
    return path.replace(b"\\", b"/").split(b"/")[-1]


class Case(unittest.TestCase):
    """A fresh folder per test, kept when the test fails."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="fldren-e2e-", dir=FOLDER_ROOT)

    def tearDown(self):
        result = self._outcome.result
        failed = any(test is self for test, _ in
                     result.failures + result.errors)
        if failed:
            sys.stderr.write("kept %s\n" % self.dir)
        else:
            shutil.rmtree(self.dir, ignore_errors=True)

    # Files of the case's folder. Names are text whose characters stand
    # for the bytes of an 8-bit export list; Wine keeps them on disk as
    # UTF-8, POSIX as those very bytes.
    # Names from a Unicode list are UTF-8 on disk on both.
    def path(self, name, unicode=False):
        encoded = name.encode("utf-8" if WINE or unicode else "latin-1")
        return os.path.join(os.fsencode(self.dir), encoded)

    def write(self, name, data, unicode=False):
        path = self.path(name, unicode)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, name, unicode=False):
        with open(self.path(name, unicode), "rb") as f:
            return f.read()

    def new_output(self, name="out.txt"):
        """Takes away an earlier case's output file and its run record, for
        cases that run again in one folder: fldren never empties a file
        that records renames."""
        stem, dot, extension = name.rpartition(".")
        for each in (name, stem + ".run." + extension if dot else
                     name + ".run"):
            if os.path.exists(self.path(each)):
                os.remove(self.path(each))

    def exists(self, name, unicode=False):
        return os.path.exists(self.path(name, unicode))

    def snapshot(self, *skip):
        """Every file of the folder with its contents, but those skipped
        and the run records (their own cases look at them)."""
        files = {}
        for name in os.listdir(os.fsencode(self.dir)):
            if name.decode("utf-8", "replace") in skip or is_kept_beside(name):
                continue
            with open(os.path.join(os.fsencode(self.dir), name), "rb") as f:
                files[name] = f.read()
        return files

    def listdir(self):
        """The folder's names, as text of the same kind, but the run
        records."""
        return sorted(n.decode("utf-8" if WINE else "latin-1")
                      for n in os.listdir(os.fsencode(self.dir))
                      if not is_kept_beside(n))

    def full_text(self, name):
        """The absolute name of a file of the folder as fldren shows it."""
        path = os.path.join(self.dir, name)
        if WINE:
            return "Z:" + path.replace("/", "\\")
        return path

    def full(self, name):
        return self.full_text(name).encode("latin-1")

    # Running the program.
    def start(self, args, binary=None, env=None, cwd=None, **kwargs):
        program = binary or BINARY
        command = (["wine", program] if WINE else WRAPPER + [program]) + list(
            args)
        env = dict(os.environ, WINEDEBUG="-all", **(env or {}))
        return subprocess.Popen(command, cwd=cwd or self.dir, env=env,
                                stdout=kwargs.get("stdout", subprocess.PIPE),
                                stderr=subprocess.PIPE,
                                stdin=subprocess.PIPE,
                                preexec_fn=kwargs.get("preexec_fn"))

    def run_fldren(self, *args, stdin=b"", binary=None, env=None, cwd=None,
                   preexec_fn=None):
        process = self.start(args, binary, env, cwd, preexec_fn=preexec_fn)
        out, err = process.communicate(stdin, timeout=120)
        # Under load Wine now and then fails to start a program at all:
        # status 1 and not a byte on standard output, which the programs
        # never end with themselves. Such a start is made once more, and
        # said so.
        if WINE and process.returncode == 1 and out == b"":
            sys.stderr.write("wine did not start %s (%r); again\n" % (
                args, err[-200:]))
            process = self.start(args, binary, env, cwd,
                                 preexec_fn=preexec_fn)
            out, err = process.communicate(stdin, timeout=120)
        return process.returncode, out, err

    def kill_midway(self, args, logged_bytes):
        """Starts fldren and kills it once its output file has grown to
        logged_bytes, while it is still renaming."""
        process = self.start(args, stdout=subprocess.DEVNULL)
        deadline = time.time() + 60
        while time.time() < deadline and process.poll() is None and (
                not self.exists("out.txt") or
                os.path.getsize(self.path("out.txt")) < logged_bytes):
            time.sleep(0.01)
        process.send_signal(signal.SIGKILL)
        process.wait()

    def run_on_terminal(self, *args, columns=0):
        """Runs fldren with its standard output on a pseudo-terminal, as a
        person would see it, columns wide if given; the status and every
        byte shown."""
        master, slave = pty.openpty()
        if columns:
            fcntl.ioctl(slave, termios.TIOCSWINSZ,
                        struct.pack("HHHH", 24, columns, 0, 0))
        process = subprocess.Popen([BINARY] + list(args), stdout=slave,
                                   stdin=subprocess.DEVNULL, cwd=self.dir)
        os.close(slave)
        shown = b""
        while True:
            try:
                chunk = os.read(master, 65536)
            except OSError:  # the terminal closes when fldren ends
                break
            if not chunk:
                break
            shown += chunk
        os.close(master)
        return process.wait(timeout=120), shown

    def run_undo(self, *args, cwd=None):
        return self.run_fldren(*args, binary=UNDO_BINARY, cwd=cwd)

    def check(self, args, status, out, err=b"", stdin=b"", binary=None):
        got = self.run_fldren(*args, stdin=stdin, binary=binary)
        self.assertEqual((got[0], got[1], got[2]),
                         (status, lines(out), lines(err)))
        return got

    # The usual inputs.
    def inputs(self, records, fields=FIELDS, header=HEADER):
        self.write("fields.txt", fields)
        self.write("list.txt", header + records)

    def opened(self, *names):
        return b"".join(b"\nInput opened " + self.full(n) for n in names)

    def record(self, name, int_id=b"1234", evidence=b"Hard drive no2"):
        """A worked-example record for an exported file of the folder."""
        return b"%s\t\\Docs\t%s\t%s\t%s\n" % (
            name.encode("latin-1"), int_id, evidence, self.full(name))

    def report(self, source, destination, success=True, reason=b"",
               preview=False):
        """A console line; a preview's success reads "Planned"."""
        word = b"Planned" if preview else b"Success"
        return (b"\n" + PREFIX + source + b"\t==>\t" + PREFIX + destination +
                b"\t" + (word if success else b"Failure") +
                (b"\t" + reason if reason else b""))


