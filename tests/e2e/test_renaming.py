"""End-to-end cases for header analysis, the record loop, the report and
the closing lines: real files renamed in the case's folder."""

import errno
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import support
from support import (Case, FIELDS, HEADER, MISSING_COLUMNS, NO_COLUMN,
                     NOT_WRITTEN, PREFIX, SEPARATOR, UNUSABLE, closing,
                     lines)


def wine_drive_c():
    prefix = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
    return os.path.join(prefix, "drive_c")


def system(error):
    """The system's words for an error, as fldren reports them."""
    return os.strerror(error).encode()


class WorkedExample(Case):
    def test_worked_example_renames_and_reports(self):
        # The export list names 'C:\exp\mydoc.doc' as the suite wrote it. On
        # POSIX that is the relative path C:/exp/mydoc.doc; under Wine it is
        # the exp folder of Wine's drive C.
        base = (wine_drive_c() if support.WINE else
                os.path.join(self.dir, "C:"))
        exp = os.path.join(base, "exp")
        self.assertFalse(os.path.exists(exp), "remove %s first" % exp)
        os.makedirs(exp)
        self.addCleanup(lambda: __import__("shutil").rmtree(exp, True))
        with open(os.path.join(exp, "mydoc.doc"), "wb") as f:
            f.write(b"contents")
        self.inputs(b"mydoc.doc\t\\Docs\t1234\tHard drive no2\t"
                    b"C:\\exp\\mydoc.doc\n")
        report = (support.shown(b"C:\\exp\\mydoc.doc") + b"\t==>\t" +
                  support.shown(b"C:\\exp\\1234_Hard drive no2_mydoc.doc") +
                  b"\tSuccess")
        self.check(["-x", "list.txt", "-f", "fields.txt", "-o", "out.txt"], 0,
                   b"\nOutput file created: " + self.full("out.txt") +
                   b"\n\n" + self.opened("fields.txt", "list.txt") +
                   b"\n\n\n" + report + closing(1, 1, 0))

        self.assertEqual(self.read("out.txt"),
                         lines(report + b"\t1234\n"))
        self.assertEqual(os.listdir(exp), ["1234_Hard drive no2_mydoc.doc"])
        with open(os.path.join(exp, os.listdir(exp)[0]), "rb") as f:
            self.assertEqual(f.read(), b"contents")

    def test_bundled_example_from_its_own_folder(self):
        # Relative Destination values, as a newcomer first meets them: on
        # Windows they must be made absolute before the prefix can stand in
        # front of them.
        examples = os.path.join(os.path.dirname(__file__), "..", "..",
                                "examples")
        shutil.copytree(examples, self.dir, dirs_exist_ok=True)
        before = sorted(os.listdir(self.path("export")))
        status, out, _ = self.run_fldren("-x", "export_list.txt", "-f",
                                         "fields.txt", "-o", "out.txt")
        self.assertEqual(status, 0, out)
        self.assertEqual(sorted(os.listdir(self.path("export"))), [
            b"1234_Hard drive no2_mydoc.doc",
            b"1235_Hard drive no2_budget.csv", b"877_USB stick_holiday.jpg"])
        # Made absolute on Windows; on Linux as Linux writes the path.
        self.assertIn(lines(b"\n" + (
            PREFIX + self.full("export") + b"\\mydoc.doc" if support.WINE
            else b"export/mydoc.doc") + b"\t==>\t"), out)
        status, _, _ = self.run_undo("out.txt", "-C", self.full_text(""))
        self.assertEqual(status, 0)
        self.assertEqual(sorted(os.listdir(self.path("export"))), before)


class HeaderAnalysis(Case):
    def run_list(self, listed, fields=FIELDS):
        self.write("fields.txt", fields)
        self.write("list.txt", listed)
        return ["-x", "list.txt", "-f", "fields.txt"]

    def test_comma_separated_list_is_refused(self):
        first = b'"Name","Path","Destination name"\r\n'
        args = self.run_list(first + b'"a","b","c"\n')
        self.check(args + ["-o", "out.txt"], 2,
                   b"\nOutput file created: " + self.full("out.txt") +
                   b"\n\n" + self.opened("fields.txt", "list.txt") +
                   b"The first record shows this to be a CSV delimited file\n"
                   b"\n\"Name\",\"Path\",\"Destination name\"\n\n"
                   b"This program only works on tab delimited files.\n")

    def test_commas_without_quotes_are_no_csv(self):
        self.check(self.run_list(b"a,b,c\tName\tPath\tInt. ID\tEvidence "
                                 b"object\tDestination\n"),
                   0, self.opened("fields.txt", "list.txt") + b"\n\n\n" +
                   support.NO_RECORD + closing(0, 0, 0, kept=False))

    def test_header_lacking_a_required_column(self):
        for listed, holds in (
                (b"", b"Name, Path, Evidence and Destination; the header is "
                      b"empty"),
                (b"Name\tPath\tDestination\n",
                 b"Evidence; the header holds 3 columns, 21 characters: "
                 b"'Name\\x09Path\\x09Destination'"),
                (b"name\tpath\tevidence\tDestination\r\n",
                 b"Name, Path and Evidence; the header holds 4 columns, 30 "
                 b"characters: 'name\\x09path\\x09evidence\\x09Destination'"),
                # The field list given in place of the export list.
                (b"Int. ID\nEvidence object\n",
                 b"Name, Path, Evidence and Destination; the header holds 1 "
                 b"column, 7 characters: 'Int. ID'")):
            with self.subTest(listed=listed):
                self.check(self.run_list(listed), 1,
                           self.opened("fields.txt", "list.txt") + b"\n\n",
                           MISSING_COLUMNS + b"The header's titles lack " +
                           holds + b"\n")

    def test_picture_given_as_the_export_list(self):
        # A JPEG's start: its first 100 characters are shown, escaped, and
        # its length up to the first line feed byte. Bytes 0x80 to 0x9F are
        # left out: Linux shows them escaped, Windows as its code page's.
        quantization = (bytes(range(0xA0, 0x100)) + bytes(range(0x0B, 0x20)) +
                        b"\x09\x01\x02")
        picture = (b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x01\x00H"
                   b"\x00H\x00\x00\xff\xdb\x00C\x00" + quantization +
                   b"\x0a\xff\xc0\x00\x11")
        shown = b"".join(b"\\x%02X" % b if b < 0x20 else bytes([b])
                         for b in picture[:100])
        self.check(self.run_list(picture), 1,
                   self.opened("fields.txt", "list.txt") + b"\n\n",
                   MISSING_COLUMNS + b"The header's titles lack Name, Path, "
                   b"Evidence and Destination; the header holds 2 columns, "
                   b"145 characters, the first 100 of them: '" + shown +
                   b"'\n")

    def test_title_naming_no_column_is_refused(self):
        # Dropped, such a title would rename every file without its value.
        self.write("a.txt", b"A")
        record = b"a.txt\tp\tv\tE\t" + self.full("a.txt") + b"\n"
        for fields, message in (
                (b"Int ID\nEvidence object\n",
                 b"\nField list line 1, 'Int ID', names no column of the "
                 b"export list (did you mean 'Int. ID'?); nothing was "
                 b"renamed\n"),
                (b" Int. ID\n",
                 b"\nField list line 1, ' Int. ID', names no column of the "
                 b"export list (did you mean 'Int. ID'?); nothing was "
                 b"renamed\n"),
                # Every such title, each on its line; none close to Bogus.
                (b"Int. ID\nBogus\nEvidence objet\n",
                 b"\nField list line 2, 'Bogus', names no column of the "
                 b"export list; nothing was renamed\n"
                 b"Field list line 3, 'Evidence objet', names no column of "
                 b"the export list (did you mean 'Evidence object'?); "
                 b"nothing was renamed\n")):
            with self.subTest(fields=fields):
                self.new_output()
                args = self.run_list(HEADER + record, fields)
                self.check(args + ["-o", "out.txt"], 1,
                           b"\nOutput file created: " +
                           self.full("out.txt") + b"\n\n" +
                           self.opened("fields.txt", "list.txt") + b"\n\n" +
                           message)
                self.assertEqual(self.read("out.txt"), b"")
                self.assertTrue(self.exists("a.txt"))

    def test_header_without_destination_renames_nothing(self):
        self.write("a.txt", b"A")
        args = self.run_list(b"Name\tPath\tEvidence\tInt. ID\n"
                             b"a.txt\tx\tE\t" + self.full("a.txt") + b"\n")
        self.check(args, 1, self.opened("fields.txt", "list.txt") + b"\n\n",
                   b"\nCan't find a Destination column in the x-ways data "
                   b"file\nNothing was renamed\n\n"
                   b"The header's titles lack Destination; the header holds "
                   b"4 columns, 26 characters: "
                   b"'Name\\x09Path\\x09Evidence\\x09Int. ID'\n")
        self.assertTrue(self.exists("a.txt"))

    def test_at_most_99_titles_may_match(self):
        self.write("a.txt", b"A")
        record = b"a.txt\tp\tv\tE\t" + self.full("a.txt") + b"\n"
        args = self.run_list(HEADER + record, b"Int. ID\n" * 100)
        self.check(args, 1, self.opened("fields.txt", "list.txt") + b"\n\n" +
                   b"\nMore than 99 titles of the field list were found in "
                   b"the header; at most 99 can be added to a name. Nothing "
                   b"was renamed\n")
        self.assertTrue(self.exists("a.txt"))
        self.run_list(HEADER + record, b"Int. ID\n" * 99)
        status, _, _ = self.run_fldren(*args)
        self.assertEqual(status, 0)
        self.assertTrue(self.exists("v_" * 99 + "a.txt"))

    def test_header_without_records(self):
        self.check(self.run_list(HEADER), 0,
                   self.opened("fields.txt", "list.txt") + b"\n\n\n" +
                   support.NO_RECORD + closing(0, 0, 0, kept=False))


class RecordLoop(Case):
    def run_records(self, records, fields=FIELDS, output=True):
        self.inputs(records, fields)
        args = ["-x", "list.txt", "-f", "fields.txt"]
        if output:
            self.new_output()
            args += ["-o", "out.txt"]
        status, out, err = self.run_fldren(*args)
        self.assertEqual(err, b"")
        start = lines(self.opened("fields.txt", "list.txt") + b"\n\n")
        self.assertIn(start, out)
        # The records' reports, with LF line ends on both builds; the exact
        # CR LF bytes of the Windows console are checked by other cases.
        out = out[out.index(start) + len(start):]
        return status, out.replace(b"\r\n", b"\n") if support.WINE else out

    def test_existing_destination_fails_and_the_run_goes_on(self):
        self.write("a.txt", b"A")
        self.write("1_E_a.txt", b"already here")
        self.write("b.txt", b"B")
        status, out = self.run_records(
            self.record("a.txt", b"1", b"E") +
            self.record("b.txt", b"2", b"E"))
        self.assertEqual(status, 3)
        self.assertEqual(out,
            self.report(self.full("a.txt"), self.full("1_E_a.txt"), False,
                        support.name_exists()) +
            self.report(self.full("b.txt"), self.full("2_E_b.txt")) +
            closing(2, 1, 1, (1, support.name_exists())))
        self.assertEqual(self.read("a.txt"), b"A")
        self.assertEqual(self.read("1_E_a.txt"), b"already here")
        self.assertEqual(self.read("2_E_b.txt"), b"B")
        self.assertEqual(self.read("out.txt"), lines(
            self.report(self.full("a.txt"), self.full("1_E_a.txt"),
                        False)[1:] + b"\t1\n" +
            self.report(self.full("b.txt"), self.full("2_E_b.txt"))[1:] +
            b"\t2\n"))

    def test_blank_lines_are_not_records(self):
        self.write("a.txt", b"A")
        self.write("b.txt", b"B")
        status, out = self.run_records(
            b"\n" + self.record("a.txt") + b"x\n\r\n\n" + self.record("b.txt"))
        self.assertEqual(status, 0)
        self.assertTrue(out.endswith(closing(2, 2, 0)))
        self.assertTrue(self.exists("1234_Hard drive no2_b.txt"))

    def test_line_ends_and_bytes_that_text_mode_would_mangle(self):
        # CR LF ends, a 0x1A byte (text mode's end of file), a NUL in a
        # column not used and bytes above 0x7F in names: every record is
        # still read and renamed.
        name = "\xe9t\xe9.txt"
        self.write(name, b"A")
        self.write("b.txt", b"B")
        status, out = self.run_records(
            self.record(name).replace(b"\n", b"\r\n")
            .replace(b"\\Docs", b"\\D\x1a\x00cs") + self.record("b.txt"))
        self.assertEqual(status, 0, out)
        self.assertTrue(out.endswith(closing(2, 2, 0)))
        self.assertEqual(self.read("1234_Hard drive no2_" + name), b"A")
        self.assertTrue(self.exists("1234_Hard drive no2_b.txt"))

    def test_records_whose_file_is_left_alone(self):
        # Each record is reported "Failure" with the path as composed, its
        # file stays where it is, and the run goes on to the next record.
        full = self.full("a.txt")
        cases = [
            ("short record", b"a.txt\tp\t1\n", b"", NO_COLUMN),
            ("separator in a value", self.record("a.txt", b"..\\..\\x"),
             full, SEPARATOR),
            ("slash in a value", self.record("a.txt", b"x/y"), full,
             SEPARATOR),
            ("NUL in a value", self.record("a.txt", b"1\x002"), full,
             UNUSABLE),
            ("NUL in the destination",
             self.record("a.txt").replace(b"a.txt\n", b"a\x00.txt\n"),
             None, UNUSABLE),
            # Why the old name cannot be looked at, in the system's words
            # or naming the folder that is missing.
            ("missing folder", self.record("gone/deeper/a.txt"), None,
             b"The folder " + PREFIX + self.full("gone") + b" does not exist"),
            ("name absent from its folder", self.record("c.txt"), None,
             support.NO_FILE),
        ]
        if not support.WINE:
            cases.append(("a file used as a folder",
                          self.record("a.txt/x.txt"), None,
                          system(errno.ENOTDIR)))
        for label, record, source, reason in cases:
            with self.subTest(label):
                self.write("a.txt", b"A")
                self.write("b.txt", b"B")
                status, out = self.run_records(record + self.record("b.txt"))
                self.assertEqual(status, 3)
                self.assertIn(b"\tFailure\t" + reason + b"\n" + PREFIX, out)
                if source is not None:
                    self.assertTrue(out.startswith(
                        b"\n" + PREFIX + source + b"\t==>\t"))
                self.assertTrue(out.endswith(closing(2, 1, 1, (1, reason))))
                self.assertEqual(self.listdir(),
                                 ["1234_Hard drive no2_b.txt", "a.txt",
                                  "fields.txt", "list.txt", "out.txt"])
                os.remove(self.path("1234_Hard drive no2_b.txt"))

    def test_short_record_composes_with_empty_text(self):
        status, out = self.run_records(b"a.txt\tp\t1\n")
        self.assertEqual(status, 3)
        self.assertEqual(out, b"\n" + PREFIX + b"\t==>\t" + PREFIX +
                         b"1__\tFailure\t" + NO_COLUMN +
                         closing(1, 0, 1, (1, NO_COLUMN)))
        self.assertEqual(self.read("out.txt"),
                         lines(PREFIX + b"\t==>\t" + PREFIX +
                               b"1__\tFailure\t1\n"))

    def test_record_with_more_columns_than_are_held(self):
        self.write("a.txt", b"A")
        record = self.record("a.txt").rstrip(b"\n") + b"\tz" * 500 + b"\n"
        status, out = self.run_records(record)
        self.assertEqual(status, 0)
        self.assertTrue(self.exists("1234_Hard drive no2_a.txt"))

    def test_selected_column_beyond_those_held_fails(self):
        self.write("a.txt", b"A")
        header = HEADER.rstrip(b"\n") + b"\tc" * 200 + b"\tFar\n"
        self.write("fields.txt", b"Far\n")
        self.write("list.txt", header + self.record("a.txt").rstrip(b"\n") +
                   b"\tv" * 200 + b"\tfar value\n")
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt")
        self.assertEqual(status, 3)
        self.assertIn(lines(self.report(self.full("a.txt"),
                                        self.full("_a.txt"), False,
                                        NO_COLUMN)), out)
        self.assertTrue(self.exists("a.txt"))

    def test_with_an_empty_first_value_the_fifth_field_is_empty(self):
        # Every title names a column, so the fifth field is empty only when
        # the record's value is.
        self.write("a.txt", b"A")
        status, out = self.run_records(self.record("a.txt", b""),
                                       b"Int. ID\n")
        self.assertEqual(status, 0)
        self.assertEqual(self.read("out.txt"), lines(
            self.report(self.full("a.txt"), self.full("_a.txt"))[1:] +
            b"\t\n"))
        self.assertEqual(self.read("_a.txt"), b"A")

    def test_value_with_the_prefix_already(self):
        # The prefix is put in front once: twice, it would name no file.
        self.write("a.txt", b"A")
        record = b"a.txt\tp\t1\tE\t" + PREFIX + self.full("a.txt") + b"\n"
        status, out = self.run_records(record, b"Int. ID\n")
        self.assertEqual(status, 0)
        self.assertEqual(out, self.report(self.full("a.txt"),
                                          self.full("1_a.txt")) +
                         closing(1, 1, 0))
        self.assertEqual(self.read("1_a.txt"), b"A")

    def test_long_line_is_one_record(self):
        self.write("b.txt", b"B")
        status, out = self.run_records(b"L" * 300000 + b"\n" +
                                       self.record("b.txt"))
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(closing(2, 1, 1, (1, NO_COLUMN))))
        self.assertTrue(self.exists("1234_Hard drive no2_b.txt"))
        self.assertEqual(len(self.read("out.txt").splitlines()), 2)


RESERVED = b"The new name is a device name Windows reserves"


class WindowsNames(Case):
    """Chosen values that no Windows name can hold are refused on every
    build, in a preview as in a run, or made safe with -s."""

    VALUES = [b"12:30:05", b"what?", b'Laptop "Bob"', b"a\x01b", b"x" * 300,
              b"NUL.x"]

    def make_list(self):
        for i in range(len(self.VALUES)):
            self.write("f%d.txt" % i, b"%d" % i)
        self.inputs(b"".join(self.record("f%d.txt" % i, value, b"E")
                             for i, value in enumerate(self.VALUES)),
                    b"Int. ID\n")

    def test_colon_in_a_folder_or_naming_a_stream(self):
        # A colon in a folder's name belongs to the folder (Linux allows
        # one): the file is renamed in its own folder, never moved into a
        # folder "1_case:42" that happens to exist. A Destination naming a
        # stream is refused where ':' selects one, the Windows build.
        records = b""
        on_ntfs = support.FOLDER_ROOT is not None
        if not support.WINE and not on_ntfs:
            self.write("case:42/x/b.doc", b"B")
            os.makedirs(self.path("1_case:42/x"))
            records += self.record("case:42/x/b.doc", b"1", b"E")
        self.write("s.doc", b"S")
        records += self.record("s.doc", b"2", b"E").replace(
            b"s.doc\n", b"s.doc:Zone.Identifier\n")
        self.inputs(records, b"Int. ID\n")
        for preview in (["-n"], []):
            with self.subTest(preview=preview):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", *preview)
                self.assertEqual(status, 3, out)
                if support.WINE or on_ntfs:
                    self.assertIn(lines(
                        b"2_s.doc:Zone.Identifier\tFailure\tThe Destination "
                        b"names an alternate data stream, not a file"), out)
                else:
                    self.assertIn(b"case:42/x/1_b.doc\t" + (
                        b"Planned" if preview else b"Success"), out)
        self.assertEqual(self.read("s.doc"), b"S")
        if not support.WINE and not on_ntfs:
            self.assertEqual(self.read("case:42/x/1_b.doc"), b"B")
            self.assertEqual(os.listdir(self.path("1_case:42/x")), [])

    def test_names_the_folders_file_system_refuses(self):
        # What the folder's own file system allows decides, in the preview
        # as in the run: on Linux a name of 255 bytes, however few UTF-16
        # units it is; on NTFS through Linux, names that are UTF-8. Wine
        # keeps names as Linux does, which a real Windows does not.
        if support.WINE:
            self.skipTest("the Windows build keeps the Windows rules only")
        on_ntfs = support.FOLDER_ROOT is not None
        self.write("a.txt", b"A")
        self.write("b.txt", b"B")
        self.inputs(self.record("a.txt", "\u00e9".encode("latin-1") * 130,
                                b"E") +
                    self.record("b.txt", b"M\xfcller", b"E"), b"Int. ID\n")
        longer = (b"The new name is longer than its file system allows (-t "
                  b"shortens it)")
        not_utf8 = b"The new name is not UTF-8, which its file system needs"
        for preview in (["-n"], []):
            with self.subTest(preview=preview):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", *preview)
                # 8-bit bytes: 130 'é' are 130 bytes, within the limit.
                self.assertEqual(status, 3 if on_ntfs else 0, out)
                if on_ntfs:
                    self.assertIn(b"\tFailure\t" + not_utf8, out)
        # The same name from a UTF-8 list: 260 bytes.
        self.write("a.txt", b"A")
        self.inputs(self.record("a.txt", "\u00e9".encode() * 130, b"E"),
                    b"Int. ID\n")
        self.write("list.txt", b"\xef\xbb\xbf" + self.read("list.txt"))
        if on_ntfs:
            return
        for preview in (["-n"], []):
            with self.subTest(preview=preview, utf8=True):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", *preview)
                self.assertEqual(status, 3, out)
                self.assertIn(b"\tFailure\t" + longer, out)

    def test_trim_cuts_a_name_to_fit_its_folder(self):
        # -t cuts the file's own base name so that the new name fits, ending
        # it "~"; the values and the extension stay whole. Linux counts the
        # folder's 255 bytes, the Windows build 255 UTF-16 units (Wine keeps
        # names as Linux does: a CJK name past 255 bytes fails there, where
        # Windows would hold it, so that case is Linux's).
        bytes_bind = not support.WINE
        long_latin = "a" * 244
        rows = [  # name, value, new name
            # 250 characters behind 30: cut to fit at exactly 255.
            (long_latin + "1.docx", "1" * 29, "1" * 29 + "_" + "a" * 219 +
             "~.docx"),
            # The same cut: fldren never replaces the first's new name.
            (long_latin + "2.docx", "1" * 29, None),
            # A surrogate pair at the cut goes whole.
            ("b" * 240 + "\U0001F600b.txt", "12345678",
             "12345678_" + "b" * 240 + "~.txt"),
            # A combining accent stays with its letter: the cut that would
            # fall between them falls before the letter.
            ("c" * 242 + "e\u0301cc.txt", "123456",
             "123456_" + "c" * 242 + "~.txt"),
        ]
        if bytes_bind:
            rows.append(("\u6587" * 83 + ".txt", "12345",
                         "12345_" + "\u6587" * 81 + "~.txt"))
        listed = "Name\tPath\tInt. ID\tEvidence\tDestination\n"
        for name, value, _ in rows:
            self.write(name, name.encode(), unicode=True)
            listed += "n\tp\t%s\tE\t%s\n" % (value, self.full_text(name))
        self.write("list.txt", b"\xef\xbb\xbf" + listed.encode())
        self.write("fields.txt", b"Int. ID\n")
        args = ["-x", "list.txt", "-f", "fields.txt", "-t"]
        preview = self.run_fldren(*args, "-n", "-o", "plan.txt")
        status, out, _ = self.run_fldren(*args, "-o", "out.txt")
        self.assertEqual((preview[0], status), (3, 3), out)
        self.assertEqual(self.read("plan.txt").replace(b"\tPlanned\t",
                                                       b"\tSuccess\t"),
                         self.read("out.txt"))
        entries = support.journal(self.read("out.txt"))
        for (name, value, new_name), entry in zip(rows, entries):
            with self.subTest(name=name[:20]):
                if new_name is None:
                    self.assertEqual(entry[2], b"Failure")
                    self.assertEqual(self.read(name, unicode=True),
                                     name.encode())
                    continue
                self.assertEqual((support.file_name(entry[1]), entry[2]),
                                 (new_name.encode(), b"Success"))
                self.assertEqual(self.read(new_name, unicode=True),
                                 name.encode())
                self.assertIn(b"\tSuccess\t(shortened from %d characters)" %
                              len(value + "_" + name), out)
        # On NTFS through Linux fldren itself finds the name taken first.
        exists = (b"The new name exists, or one that Windows takes for it "
                  b"(the same but for case)"
                  if support.FOLDER_ROOT and not support.WINE
                  else support.name_exists())
        self.assertIn(b"\tFailure\t" + exists, out)
        # -r after a kill composes the same cut names: the last rename
        # taken back and its line gone, the run goes on to the same file.
        whole = self.read("out.txt")
        last = rows[-1]
        os.rename(self.path(last[2], unicode=True),
                  self.path(last[0], unicode=True))
        self.write("out.txt", whole[:whole.rstrip(b"\r\n").rfind(b"\n") + 1])
        os.remove(self.path("out.run.txt"))
        status, out, _ = self.run_fldren(*args, "-o", "out.txt", "-r")
        self.assertEqual((status, self.read("out.txt")), (3, whole), out)
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0, out)
        for name, _, _ in rows:
            self.assertEqual(self.read(name, unicode=True), name.encode())
        # Without -t a name too long is refused, its reason naming -t.
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt")
        self.assertIn(b"(-t shortens it)", out)

    def test_new_names_that_differ_only_in_case(self):
        # "A_b_q.txt" and "a_B_q.txt" are one name to Windows: the Windows
        # build, and the Linux build on a file system Windows reads, refuse
        # the second, in the preview as in the run; ext4 takes both.
        on_ntfs = support.FOLDER_ROOT is not None
        self.write("b_q.txt", b"1")
        self.write("q.txt", b"2")
        self.inputs(self.record("b_q.txt", b"A", b"E") +
                    self.record("q.txt", b"a_B", b"E"), b"Int. ID\n")
        if support.WINE:
            second = support.name_exists()
        elif on_ntfs:
            second = (b"The new name exists, or one that Windows takes for "
                      b"it (the same but for case)")
        else:
            second = None
        for preview in (["-n"], []):
            with self.subTest(preview=preview):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", *preview)
                self.assertIn(lines(b"A_b_q.txt\t" + (
                    b"Planned" if preview else b"Success")), out)
                if second is None:
                    self.assertEqual(status, 0, out)
                else:
                    self.assertEqual(status, 3, out)
                    self.assertIn(lines(b"a_B_q.txt\tFailure\t" + second),
                                  out)
        self.assertEqual(self.read("A_b_q.txt"), b"1")

    def test_output_file_named_as_an_input_but_for_case(self):
        # "-o LIST.TXT" beside list.txt is list.txt to Windows: refused on
        # the Windows build and on a file system Windows reads; ext4 keeps
        # two files.
        on_ntfs = support.FOLDER_ROOT is not None
        self.write("a.txt", b"A")
        self.inputs(self.record("a.txt", b"1", b"E"), b"Int. ID\n")
        listed = self.read("list.txt")
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt",
                                         "-o", "LIST.TXT")
        if support.WINE or on_ntfs:
            self.assertEqual(status, 1, out)
            self.assertIn(b" is one of the input files; nothing was changed",
                          out)
            self.assertEqual(self.read("a.txt"), b"A")
        else:
            self.assertEqual(status, 0, out)
        self.assertEqual(self.read("list.txt"), listed)

    def test_values_no_windows_name_holds(self):
        self.make_list()
        before = self.snapshot()
        # The reason names the character (the first of its value) and -s.
        forbidden = [support.forbidden(c) for c in (b":", b"?", b'"',
                                                     b"\\x01")]
        refused = forbidden + [support.NAME_TOO_LONG, RESERVED]
        for preview in ([], ["-n"]):
            with self.subTest(preview=preview):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", *preview)
                self.assertEqual(status, 3)
                for i, reason in enumerate(refused):
                    self.assertIn(lines(b"_f%d.txt\tFailure\t%s\n" % (
                        i, reason)), out)
                self.assertIn(lines(closing(6, 0, 6, *[
                    (1, f) for f in [forbidden[3], forbidden[2], forbidden[0],
                                     forbidden[1]]], (1, RESERVED),
                                            (1, support.NAME_TOO_LONG),
                                            preview=bool(preview))), out)
                self.assertEqual(self.snapshot(), before)

    def test_safe_names_rename_what_they_can(self):
        self.make_list()
        status, out, _ = self.run_fldren("-sx", "list.txt", "-f",
                                         "fields.txt")
        self.assertEqual(status, 3)
        self.assertIn(lines(closing(6, 4, 2, (1, RESERVED),
                                    (1, support.NAME_TOO_LONG))), out)
        for i, name in enumerate(["12_30_05", "what_", "Laptop _Bob_",
                                  "a_b"]):
            self.assertEqual(self.read("%s_f%d.txt" % (name, i)), b"%d" % i)
        self.assertTrue(self.exists("f4.txt") and self.exists("f5.txt"))

    def test_long_path_is_renamed_and_counted(self):
        deep = "d" * 120 + "/" + "e" * 120 + "/f.txt"
        self.write(deep, b"F")
        self.inputs(b"f.txt\tp\t1\tE\t" + self.full(deep) + b"\n",
                    b"Int. ID\n")
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt")
        self.assertEqual(status, 0, out)
        self.assertTrue(out.endswith(lines(
            closing(1, 1, 0) + b"Long paths:       " + b"%19s" % b"1" +
            b"\n" + b" " * 18 + b"Explorer and most programs cannot open a "
            b"path longer than 259 characters.\n" + support.NO_RECORD)),
            out[-300:])
        self.assertEqual(self.read(deep.replace("f.txt", "1_f.txt")), b"F")

    def test_moved_export(self):
        # The list names the export where the suite made it.
        self.write("export/a.txt", b"A")
        self.inputs(b"a.txt\tp\t1\tE\tE:\\Cases\\42\\Export\\a.txt\n",
                    b"Int. ID\n")
        status, out, _ = self.run_fldren(
            "-x", "list.txt", "-f", "fields.txt", "-m",
            "e:/cases/42/export=" + self.full_text("export"))
        self.assertEqual(status, 0, out)
        # On Linux the path renamed is shown as Linux writes it.
        self.assertIn(lines(b"\n" + support.shown(
            self.full("export") + b"\\a.txt\t==>\t") + support.shown(
            self.full("export") + b"\\1_a.txt\tSuccess")), out)
        self.assertEqual(self.read("export/1_a.txt"), b"A")
        # A FROM that begins no Destination is named as the run ends.
        os.rename(self.path("export/1_a.txt"), self.path("export/a.txt"))
        status, out, _ = self.run_fldren(
            "-x", "list.txt", "-f", "fields.txt", "-m",
            "e:/cases/42/export=" + self.full_text("export"), "-m",
            "Q:\\Elsewhere=/x")
        self.assertEqual(status, 0, out)
        self.assertIn(lines(b"\n-m moved nothing: no Destination of the list "
                            b"begins with Q:\\Elsewhere\n"), out)
        for value in ("noequals", "=x"):
            with self.subTest(value=value):
                self.check(["-x", "list.txt", "-f", "fields.txt", "-m", value],
                           5, b"\nBad value for -m: " + value.encode() +
                           b"\nIt must be FROM=TO, FROM not empty\n")


    def test_a_list_of_another_machine_gets_the_hint_of_m(self):
        # Every record failing for a folder of a drive this machine lacks:
        # the export was moved, and -m is said once. Missing folders of
        # this machine's own paths are no such sign.
        hint = (b"\nThe first records name folders of a drive or share that "
                b"this machine does not have: if the export was moved or "
                b"copied, -m FROM=TO maps the list's paths to where they are "
                b"now\n")
        rows = [(b"Q:\\Cases\\42\\Export\\a%d.txt", 5, True),
                (b"Q:\\Cases\\a%d.txt", 2, True),  # all of a short list
                (b"gone\\a%d.txt", 5, False)]
        if not support.WINE:  # Wine would look for the share on the network
            rows.append((b"\\\\srv\\share\\a%d.txt", 3, True))
        for destination, count, hinted in rows:
            with self.subTest(destination=destination):
                self.inputs(b"".join(b"a\tp\t1\tE\t" + destination % i +
                                     b"\n" for i in range(count)),
                            b"Int. ID\n")
                status, out, _ = self.run_fldren("-x", "list.txt", "-f",
                                                 "fields.txt")
                self.assertEqual(status, 3, out)
                self.assertEqual(out.count(lines(hint)), int(hinted), out)


class CommandLineText(Case):
    """Text of the command line is read as UTF-8 where it is, as the names
    of a Unicode list are, so that it meets them."""

    def test_moved_export_named_beyond_ascii(self):
        self.write("F\u00e4lle/a.txt", b"A", unicode=True)
        self.write("list.txt", b"\xef\xbb\xbf" + HEADER +
                   "a.txt\tp\t1\tE\tE:\\F\u00e4lle\\a.txt\n".encode())
        self.write("fields.txt", b"Int. ID\n")
        status, out, _ = self.run_fldren(
            "-x", "list.txt", "-f", "fields.txt", "-m",
            "E:\\F\u00e4lle=" + self.full_text("F\u00e4lle"))
        self.assertEqual(status, 0, out)
        self.assertEqual(self.read("F\u00e4lle/1_a.txt", unicode=True), b"A")

    def test_undo_in_a_folder_named_beyond_ascii(self):
        if support.WINE:
            self.skipTest("Windows makes every path absolute")
        folder = "F\u00e4lle"
        self.write(folder + "/b.txt", b"B", unicode=True)
        self.write(folder + "/list.txt", b"\xef\xbb\xbf" + HEADER +
                   b"b.txt\tp\t1\tE\tb.txt\n", unicode=True)
        self.write(folder + "/fields.txt", b"Int. ID\n", unicode=True)
        where = self.path(folder, unicode=True)
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt",
                                         "-o", "out.txt", cwd=where)
        self.assertEqual(status, 0, out)
        status, out, _ = self.run_undo(
            os.path.join(where, b"out.txt"), "-C", where.decode())
        self.assertEqual(status, 0, out)
        self.assertEqual(self.read(folder + "/b.txt", unicode=True), b"B")


class Quiet(Case):
    def make_list(self, count):
        # The missing file first, so that a failure shows at once.
        for i in range(count):
            self.write("f%d" % i, b"")
        self.inputs(self.record("missing") + b"".join(
            self.record("f%d" % i, b"%d" % i) for i in range(count)),
            b"Int. ID\n")

    def test_failures_only_and_progress_on_a_terminal(self):
        if support.WINE:
            self.skipTest("Wine gives every program a pipe, not a console")
        self.make_list(3000)
        status, shown = self.run_on_terminal(
            "-qx", "list.txt", "-f", "fields.txt", "-o", "out.txt")
        self.assertEqual(status, 3, shown[-500:])
        self.assertIn(b"\n1 of 3,001 records, 0 renamed, 1 failed, ", shown)
        self.assertNotIn(b"\tSuccess", shown)
        self.assertIn(self.full("missing") + b"\t==>\t", shown)
        self.assertTrue(shown.endswith(
            closing(3001, 3000, 1, (1, support.NO_FILE)).replace(
                b"\n", b"\r\n")), shown[-500:])
        self.assertEqual(len(support.journal(self.read("out.txt"))), 3001)

    def test_progress_line_fits_the_terminal(self):
        # A line as wide as the window would wrap and leave a line behind at
        # every redraw.
        if support.WINE:
            self.skipTest("Wine gives every program a pipe, not a console")
        self.make_list(3000)
        status, shown = self.run_on_terminal(
            "-qx", "list.txt", "-f", "fields.txt", columns=30)
        self.assertEqual(status, 3, shown[-500:])
        drawn = [piece for piece in shown.replace(b"\n", b"\r").split(b"\r")
                 if b" of 3,0" in piece]
        self.assertTrue(drawn, shown[-500:])
        for piece in drawn:
            self.assertLess(len(piece.rstrip(b" ")), 30, piece)
            self.assertLessEqual(len(piece), 30, piece)

    def test_redirected_output_has_no_progress_line(self):
        self.make_list(30)
        status, out, _ = self.run_fldren("-x", "list.txt", "-qf",
                                         "fields.txt")
        self.assertEqual(status, 3)
        self.assertEqual(out, lines(
            self.opened("fields.txt", "list.txt") + b"\n\n\n" +
            support.NO_RECORD + self.report(self.full("missing"), self.full(
                "1234_missing"), False, support.NO_FILE) +
            closing(31, 30, 1, (1, support.NO_FILE), kept=False)))


class OutputFailures(Case):
    def test_output_file_that_cannot_be_written_stops_the_run(self):
        if support.WINE:
            self.skipTest("/dev/full has no Windows name")
        self.write("a.txt", b"A")
        self.write("b.txt", b"B")
        self.inputs(self.record("a.txt") + self.record("b.txt"))
        status, out, err = self.run_fldren("-x", "list.txt", "-f",
                                           "fields.txt", "-o", "/dev/full")
        self.assertEqual(status, 1)
        # A rename whose line cannot be written first is never made.
        self.assertTrue(out.endswith(
            self.report(self.full("a.txt"),
                        self.full("1234_Hard drive no2_a.txt"), False,
                        NOT_WRITTEN) +
            b"\nCan't write to output file /dev/full; the run was stopped "
            b"after the last record shown" + closing(1, 0, 1,
                                                     (1, NOT_WRITTEN))), out)
        self.assertEqual(self.read("a.txt"), b"A")
        self.assertFalse(self.exists("1234_Hard drive no2_a.txt"))
        self.assertTrue(self.exists("b.txt"))

    def test_console_that_cannot_be_written_is_a_failed_run(self):
        if support.WINE:
            self.skipTest("/dev/full has no Windows name")
        # Every record renamed, or one of them failing: either way the
        # report the examiner was to read is lost, which is status 1.
        for missing in (False, True):
            with self.subTest(missing=missing):
                self.write("a.txt", b"A")
                records = self.record("a.txt")
                if missing:
                    records += self.record("gone.txt")
                self.inputs(records)
                with open("/dev/full", "wb") as full:
                    process = self.start(
                        ["-x", "list.txt", "-f", "fields.txt"], stdout=full)
                    _, err = process.communicate(timeout=60)
                self.assertEqual(process.returncode, 1)
                self.assertEqual(err,
                                 b"\nStandard output could not be written\n")

    def test_ctrl_c_ends_the_run_in_order(self):
        # The record in flight is finished and its line written whole; the
        # closing lines say so, and the status is its own.
        if support.WINE:
            self.skipTest("Wine's console events are not POSIX signals")
        count = 5000
        for i in range(count):
            self.write("f%d" % i, b"")
        self.inputs(b"".join(b"f%d\tp\t%d\tE\t%s\n" % (
            i, i, self.full("f%d" % i)) for i in range(count)), b"Int. ID\n")
        with open(self.path("console.txt"), "wb") as console:
            process = self.start(["-x", "list.txt", "-f", "fields.txt", "-o",
                                  "out.txt"], stdout=console)
            deadline = time.time() + 60
            while time.time() < deadline and (
                    not self.exists("out.txt") or
                    os.path.getsize(self.path("out.txt")) < 2000):
                time.sleep(0.01)
            process.send_signal(signal.SIGINT)
            process.communicate(timeout=60)
        out = self.read("console.txt")
        self.assertEqual(process.returncode, 6, out[-300:])
        # The way on is named: -r continues what the output file records.
        self.assertTrue(out.endswith(
            b"Interrupted: the records after the last one counted were not "
            b"looked at.\nTo go on, give the same command with -r: it "
            b"continues the run that " + self.full("out.txt") +
            b" records.\n"), out[-300:])
        entries = support.journal(self.read("out.txt"))
        self.assertLess(len(entries), count, "the run ended before Ctrl+C")
        self.assertEqual({e[2] for e in entries}, {b"Success"})
        renamed = {n for n in os.listdir(self.dir) if "_f" in n}
        self.assertEqual(renamed,
                         {support.file_name(e[1]).decode() for e in entries})

    def test_killed_run_leaves_a_line_for_every_rename(self):
        count = 1500 if support.WINE else 5000
        records = b"".join(
            b"f%d\tp\t%d\tE\t%s\n" % (i, i, self.full("f%d" % i))
            for i in range(count))
        for i in range(count):
            self.write("f%d" % i, b"")
        self.inputs(records, b"Int. ID\n")
        self.kill_midway(["-x", "list.txt", "-f", "fields.txt", "-o",
                          "out.txt"], 2000)
        names = set(os.listdir(self.dir))
        renamed = {n for n in names if "_f" in n}
        entries = support.journal(self.read("out.txt"))
        logged = {support.file_name(e[1]).decode() for e in entries}
        done = {support.file_name(e[1]).decode() for e in entries
                if e[2] == b"Success"}
        self.assertGreater(len(renamed), 0)
        self.assertLess(len(renamed), count, "the run ended before the kill")
        # Every rename has its line, written before it; only the last line
        # may still wait for its result.
        self.assertEqual(renamed - logged, set())
        self.assertLessEqual(done, renamed)
        self.assertEqual([e[2] for e in entries[:-1] if e[2] == b"Pending"],
                         [])
        # No file is lost: each one is there under its old or its new name.
        for i in range(count):
            self.assertTrue("f%d" % i in names or "%d_f%d" % (i, i) in names)


if __name__ == "__main__":
    unittest.main()


class HashCheck(Case):
    """-c: each file is checked against the hash its record holds."""

    DIFFERS = b"The file's contents differ from the hash in the list"
    NOT_A_HASH = (b"The hash in the list is not 32, 40 or 64 hex digits "
                  b"(MD5, SHA-1 or SHA-256)")

    def test_ctrl_c_stops_a_long_hash(self):
        # A 40 GiB image takes a minute or more to hash; Ctrl+C must not
        # wait for it. The file in flight gets no line and keeps its name,
        # so that -r takes it up.
        if support.WINE:
            self.skipTest("Wine's console events are not POSIX signals")
        with open(self.path("big.img"), "wb") as f:
            f.truncate(40 << 30)
        self.inputs(b"big.img\tp\t1\tE\t%s\t%s\n" % (
            self.full("big.img"), b"0" * 32), b"Int. ID\n",
            HEADER.rstrip(b"\n") + b"\tMD5\n")
        process = self.start(["-x", "list.txt", "-f", "fields.txt", "-c",
                              "MD5", "-o", "out.txt"])
        # Once the image is being read, the handler is in place.
        deadline = time.time() + 60
        while time.time() < deadline and process.poll() is None:
            with open("/proc/%d/io" % process.pid) as io:
                if int(io.read().split("rchar: ")[1].split()[0]) > 50 << 20:
                    break
            time.sleep(0.05)
        signalled = time.time()
        process.send_signal(signal.SIGINT)
        out, _ = process.communicate(timeout=60)
        waited = time.time() - signalled
        sys.stderr.write("Ctrl+C ended the hash in %.2f s\n" % waited)
        self.assertEqual(process.returncode, 6, out[-300:])
        # Far less than the read of 40 GiB, however slow the machine.
        self.assertLess(waited, 15)
        self.assertIn(b"Interrupted: ", out)
        self.assertEqual(support.journal(self.read("out.txt")), [])
        self.assertTrue(self.exists("big.img"))

    def test_hashing_leaves_the_access_time_or_says_so(self):
        # The access time lies before the last write, so that a plain read
        # would move it (relatime). fldren reads it with O_NOATIME, which
        # only the owner (or root) may ask; for anyone else it says so.
        if support.WINE:
            self.skipTest("Wine keeps access times as Linux does")
        self.write("f.doc", b"evidence")
        long_ago = time.time() - 10 * 86400
        os.utime(self.path("f.doc"), (long_ago, time.time() - 3600))
        self.inputs(b"f.doc\tp\t1\tE\t%s\t%s\n" % (
            self.full("f.doc"), hashlib.md5(b"evidence").hexdigest().encode()),
            b"Int. ID\n", HEADER.rstrip(b"\n") + b"\tMD5\n")
        args = ["-x", "list.txt", "-f", "fields.txt", "-c", "MD5", "-n"]
        with open(self.path("f.doc"), "rb") as f:
            probe_moves = f.read() and os.stat(self.path("f.doc")).st_atime
        if probe_moves == long_ago:
            self.skipTest("this file system keeps no access times")
        os.utime(self.path("f.doc"), (long_ago, time.time() - 3600))
        status, out, _ = self.run_fldren(*args)
        self.assertEqual(status, 0, out)
        self.assertEqual(os.stat(self.path("f.doc")).st_atime, long_ago)
        self.assertNotIn(b"Access times:", out)
        if os.geteuid() != 0:
            return
        os.chmod(self.dir, 0o755)

        def as_nobody():
            os.setgid(65534)
            os.setuid(65534)
        status, out, _ = self.run_fldren(*args, preexec_fn=as_nobody)
        # Read once ahead, and once more before the rename when its
        # record's time, set a moment before, was too recent to trust the
        # first read (a slow run, as under valgrind, may find it settled).
        self.assertRegex(out, rb"\nAccess times: +[12]\n")
        self.assertNotEqual(os.stat(self.path("f.doc")).st_atime, long_ago)

    def test_only_files_whose_contents_match_their_hash_are_renamed(self):
        # Each length's algorithm, matching and not; a file of several
        # read blocks; digits in upper case and padded by spaces; values
        # that are no hash.
        big = bytes(range(256)) * (3 * 4096 + 7)
        rows = []
        for number, (algorithm, content) in enumerate(
                ((hashlib.md5, b"alpha"), (hashlib.sha1, b"beta"),
                 (hashlib.sha256, b"gamma"), (hashlib.sha256, big))):
            for matching in (True, False):
                name = "f%d%s.doc" % (number, "m" if matching else "x")
                self.write(name, content)
                digest = algorithm(content if matching else content + b"!")
                value = digest.hexdigest().encode()
                if number == 1:
                    value = b" " + value.upper() + b" "
                rows.append((name, value, None if matching else self.DIFFERS))
        for name, value in (("short.doc", b"abc123"), ("empty.doc", b""),
                            ("long.doc", b"0" * 65),
                            ("sign.doc", b"0x" + b"0" * 30)):
            self.write(name, b"x")
            rows.append((name, value, self.NOT_A_HASH))
        self.inputs(b"".join(b"%s\tp\t%d\tE\t%s\t%s\n" % (
            name.encode(), i, self.full(name), value)
            for i, (name, value, _) in enumerate(rows)), b"Int. ID\n",
            HEADER.rstrip(b"\n") + b"\tSHA-256\n")
        args = ["-x", "list.txt", "-f", "fields.txt", "-c", "SHA-256"]
        for more in (["-n", "-o", "plan.txt"], ["-o", "out.txt"]):
            with self.subTest(more=more):
                status, out, _ = self.run_fldren(*args + more)
                # Files that differ from the list outweigh other failures.
                self.assertEqual(status, 4, out)
                self.assertIn(lines(support.differing(4)), out)
                for i, (name, _, reason) in enumerate(rows):
                    self.assertIn(lines(self.report(
                        self.full(name), self.full("%d_%s" % (i, name)),
                        reason is None, reason or b"", "-n" in more)), out)
                results = [e[2] for e in support.journal(self.read(more[-1]))]
                self.assertEqual(results, [
                    (b"Planned" if "-n" in more else b"Success")
                    if reason is None else b"Failure"
                    for _, _, reason in rows])
        # The preview renamed nothing; the run, only what matched.
        self.assertEqual(self.listdir(), sorted(
            ["%d_%s" % (i, n) if r is None else n
             for i, (n, _, r) in enumerate(rows)] +
            ["fields.txt", "list.txt", "out.txt", "plan.txt"]))
        # A title the header lacks: nothing is renamed.
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt",
                                         "-c", "MD5")
        self.assertEqual(status, 1)
        self.assertTrue(out.endswith(lines(
            b"\nThe hash column MD5 of -c is not in the header of the export "
            b"list. Nothing was renamed\n")), out)


    def test_a_symbolic_link_is_refused_whatever_it_leads_to(self):
        # The link's target lies outside the export and matches the hash:
        # a list vouches for the file exported, not for what a link names.
        if support.WINE:
            self.skipTest("Wine shows a Linux symbolic link as the file it "
                          "leads to; a Windows one is made by Windows only")
        content = b"elsewhere"
        outside = tempfile.mkdtemp(prefix="fldren-e2e-outside-")
        self.addCleanup(shutil.rmtree, outside, ignore_errors=True)
        target = os.path.join(outside, "target.doc")
        with open(target, "wb") as f:
            f.write(content)
        os.symlink(target, self.path("link.doc"))
        self.write("plain.doc", content)
        digest = hashlib.md5(content).hexdigest().encode()
        self.inputs(b"".join(b"%s\tp\t%d\tE\t%s\t%s\n" % (
            name, i, self.full(name.decode()), digest)
            for i, name in enumerate((b"link.doc", b"plain.doc"))),
            b"Int. ID\n", HEADER.rstrip(b"\n") + b"\tMD5\n")
        link = b"The file is a symbolic link: its contents lie elsewhere"
        for more in (["-n"], []):
            with self.subTest(more=more):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", "-c", "MD5", *more)
                self.assertEqual(status, 3, out)
                self.assertIn(self.report(
                    self.full("link.doc"), self.full("0_link.doc"), False,
                    link), out)
                self.assertIn(closing(2, 1, 1, (1, link), preview=bool(more)),
                              out)
        self.assertTrue(os.path.islink(self.path("link.doc")))
        self.assertEqual(self.read("1_plain.doc"), content)
        with open(target, "rb") as f:
            self.assertEqual(f.read(), content)
