"""End-to-end cases for Unicode export lists and field lists: UTF-16 and
UTF-8, with and without a byte-order mark, names in several scripts, and
ill-formed text."""

import hashlib
import os

import support
from support import Case, closing, lines

HEADER = "Name\tPath\tInt. ID\tEvidence object\tDestination name\n"
PREFIX = support.PREFIX.decode()
MARKS = {"utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff",
         "utf-8": b"\xef\xbb\xbf"}


def encoded(text, encoding, mark=True):
    return (MARKS[encoding] if mark else b"") + text.encode(
        encoding, "surrogatepass")


class UnicodeLists(Case):
    def record(self, name, int_id="1234", evidence="Hard drive no2"):
        return "%s\t\\Docs\t%s\t%s\t%s\n" % (name, int_id, evidence,
                                            self.full_text(name))

    def report(self, name, new_name, success=True):
        return "\n%s%s\t==>\t%s%s\t%s" % (
            PREFIX, self.full_text(name), PREFIX, self.full_text(new_name),
            "Success" if success else "Failure")

    def run_lists(self, listed, fields=b"Int. ID\nEvidence object\n"):
        self.write("list.txt", listed)
        self.write("fields.txt", fields)
        self.new_output()
        return self.run_fldren("-x", "list.txt", "-f", "fields.txt", "-o",
                               "out.txt")

    def start_text(self):
        return lines(b"\nOutput file created: " + self.full("out.txt") +
                     b"\n\n" + self.opened("fields.txt", "list.txt") +
                     b"\n\n")

    def test_worked_example_in_each_unicode_form(self):
        new_name = "1234_Hard drive no2_mydoc.doc"
        for encoding, mark in (("utf-16-le", True), ("utf-16-le", False),
                               ("utf-16-be", True), ("utf-8", True),
                               ("utf-8", False)):
            with self.subTest(encoding=encoding, mark=mark):
                self.write("mydoc.doc", b"contents")
                status, out, err = self.run_lists(encoded(
                    HEADER + self.record("mydoc.doc"), encoding, mark))
                report = self.report("mydoc.doc", new_name)
                self.assertEqual((status, err), (0, b""))
                self.assertEqual(out, self.start_text() + lines(
                    report.encode() + closing(1, 1, 0)))
                line_end = "\r\n" if support.WINE else "\n"
                self.assertEqual(self.read("out.txt"), encoded(
                    report[1:] + "\t1234" + line_end, encoding, mark))
                self.assertEqual(self.read(new_name), b"contents")
                os.remove(self.path(new_name))

    def test_names_in_many_scripts_are_renamed(self):
        names = ["café.doc", "документ.doc", "έγγραφο.txt", "文件.txt",
                 "\U0001d4b3-\U0001f600.txt"]
        records = "".join(self.record(name, "7", "Диск №2") for name in names)
        # UTF-8 without a mark is what Notepad and most scripts write.
        for encoding, mark in (("utf-16-le", True), ("utf-8", False)):
            with self.subTest(encoding=encoding, mark=mark):
                for name in names:
                    self.write(name, name.encode(), unicode=True)
                status, out, err = self.run_lists(
                    encoded(HEADER + records, encoding, mark))
                self.assertEqual((status, err), (0, b""), out)
                expected = "".join(self.report(n, "7_Диск №2_" + n)
                                   for n in names)
                self.assertEqual(out, self.start_text() + lines(
                    expected.encode() + closing(5, 5, 0)))
                self.assertTrue(self.read("out.txt").startswith(
                    encoded(expected[1:4], encoding, mark)))
                for name in names:
                    self.assertEqual(
                        self.read("7_Диск №2_" + name, unicode=True),
                        name.encode())
                    os.remove(self.path("7_Диск №2_" + name, unicode=True))

    def test_ill_formed_destination_is_not_renamed(self):
        self.write("a.txt", b"A")
        self.write("b.txt", b"B")
        # A file that a U+FFFD in place of the unreadable text would reach.
        self.write("a\ufffd.txt", b"R", unicode=True)
        text = HEADER + self.record("a.txt") + self.record("b.txt")
        # Only the Destination value of a.txt's record ends in "a.txt\n".
        cases = [
            ("a lone surrogate in UTF-16", encoded(
                text.replace("a.txt\n", "a\udc00.txt\n"), "utf-16-le"),
             "a\\uDC00.txt", "a\udc00.txt\t==>".encode("utf-16-le",
                                                       "surrogatepass")),
            ("a truncated UTF-8 sequence", encoded(text, "utf-8").replace(
                b"a.txt\n", b"a\xe6.txt\n"), "a\\xE6.txt",
             b"a\xe6.txt\t==>"),
        ]
        for label, listed, shown, kept in cases:
            with self.subTest(label):
                status, out, _ = self.run_lists(listed)
                self.assertEqual(status, 3)
                # The console shows what could not be read, escaped.
                self.assertIn(lines(("\t==>\t" + PREFIX + self.full_text(
                    "1234_Hard drive no2_" + shown) +
                    "\tFailure\t").encode() + support.UNUSABLE), out)
                # The output file keeps the text as it was read.
                self.assertIn(kept, self.read("out.txt"))
                self.assertTrue(out.endswith(lines(
                    closing(2, 1, 1, (1, support.UNUSABLE)))))
                self.assertEqual(self.read("a.txt"), b"A")
                self.assertEqual(self.read("a\ufffd.txt", unicode=True), b"R")
                os.rename(self.path("1234_Hard drive no2_b.txt"),
                          self.path("b.txt"))
        # A real U+FFFD is a character a name may hold, in either encoding.
        for encoding in ("utf-8", "utf-16-le"):
            with self.subTest(encoding):
                status, out, _ = self.run_lists(encoded(
                    HEADER + self.record("a\ufffd.txt"), encoding))
                self.assertEqual(status, 0, out)
                new_name = "1234_Hard drive no2_a\ufffd.txt"
                self.assertEqual(self.read(new_name, unicode=True), b"R")
                os.rename(self.path(new_name, unicode=True),
                          self.path("a\ufffd.txt", unicode=True))

    def test_line_separators_in_a_name_keep_to_their_line(self):
        # A missing folder is named in the failure's reason. A reader that
        # splits lines as Unicode does must still find one line where the
        # record has one, and the console shows each separator escaped.
        folder = "gone\u2028Exit status: 0\u2029\x85x"
        status, out, _ = self.run_lists(encoded(
            HEADER + self.record(folder + "/a.txt"), "utf-8"))
        self.assertEqual(status, 3)
        self.assertIn(b"gone\\u2028Exit status: 0\\u2029\\x85x does not "
                      b"exist", out)
        record = self.read("out.run.txt").decode("utf-8")
        self.assertEqual([line for line in record.splitlines()
                          if line.startswith("Exit status")],
                         ["Exit status: 3"])

    def test_odd_byte_at_the_end_of_utf16(self):
        self.write("a.txt", b"A")
        data = encoded(HEADER + self.record("a.txt").rstrip("\n"),
                       "utf-16-le") + b"x"
        status, out, _ = self.run_lists(data)
        self.assertEqual(status, 3)
        self.assertIn(b"a.txt\\uDC78\tFailure", out)
        self.assertEqual(self.read("a.txt"), b"A")

    def test_mixed_encodings_of_the_two_lists(self):
        name = "文件.txt"
        cases = [
            ("utf-16-le list, 8-bit fields",
             encoded(HEADER + self.record(name), "utf-16-le"),
             b"Int. ID\r\nEvidence object\r\n"),
            ("utf-8 list, utf-16-be fields",
             encoded(HEADER + self.record(name), "utf-8"),
             encoded("Int. ID\r\nEvidence object\r\n", "utf-16-be")),
            ("8-bit list, utf-8 fields with a mark",
             HEADER.encode() + self.record("plain.txt").encode(),
             encoded("Int. ID\nEvidence object\n", "utf-8")),
        ]
        for label, listed, fields in cases:
            with self.subTest(label):
                self.write(name, b"A", unicode=True)
                self.write("plain.txt", b"P")
                status, out, err = self.run_lists(listed, fields)
                self.assertEqual((status, err), (0, b""), out)
                renamed = [n for n in self.listdir_unicode()
                           if n.startswith("1234_Hard drive no2_")]
                self.assertEqual(len(renamed), 1, renamed)
                os.remove(self.path(renamed[0], unicode=True))

    def test_redirected_output_is_in_one_encoding(self):
        # A Unicode list's report lines are UTF-8; the names the command
        # line gave, in the same output, must be too, not the code page's
        # bytes (which Wine, like Windows, gives a program's command line).
        folder = "Zo\u00eb"
        self.write(folder + "/a.txt", b"A", unicode=True)
        self.write(folder + "/list.txt", encoded(
            HEADER + self.record(folder + "/a.txt"), "utf-8"), unicode=True)
        self.write(folder + "/fields.txt", b"Int. ID\n", unicode=True)
        status, out, _ = self.run_fldren(
            "-x", folder + "/list.txt", "-f", folder + "/fields.txt", "-o",
            folder + "/out.txt")
        self.assertEqual(status, 0, out)
        listed = self.full_text(folder + "/list.txt").encode()
        self.assertIn(b"\nInput opened " + listed, out)
        self.assertIn(b"\nOutput file created: " +
                      self.full_text(folder + "/out.txt").encode(), out)
        self.assertNotIn(b"\xeb", out.replace("\u00eb".encode(), b""))

    def listdir_unicode(self):
        return sorted(n.decode("utf-8", "surrogateescape")
                      for n in os.listdir(os.fsencode(self.dir)))

    def test_eight_bit_list_keeps_its_bytes(self):
        # A typographic apostrophe (0x92 in the Windows code page) in a
        # name: Windows reads it through the code page and finds the file,
        # POSIX takes the byte as it is; the report gives the byte back.
        name = b"Ann\x92s.doc"
        disk = "Ann\u2019s.doc" if support.WINE else "Ann\x92s.doc"
        self.write(disk, b"A")
        folder = self.full("x")[:-1]
        record = (name + b"\tp\t5\tE\t" + folder + name + b"\n")
        status, out, err = self.run_lists(HEADER.encode() + record)
        self.assertEqual((status, err), (0, b""), out)
        self.assertEqual(self.read("5_E_" + disk), b"A")
        self.assertEqual(self.read("out.txt"), lines(
            PREFIX.encode() + folder + name + b"\t==>\t" + PREFIX.encode() +
            folder + b"5_E_" + name + b"\tSuccess\t5\n"))
        # On the console the byte is shown, never sent: on POSIX it is the
        # C1 control U+0092; Windows reads it as U+2019 and writes it back.
        shown = name if support.WINE else b"Ann\\x92s.doc"
        self.assertIn(lines(b"\t==>\t" + PREFIX.encode() + folder + b"5_E_" +
                            shown + b"\tSuccess"), out)

    def test_list_of_another_code_page_is_read_in_the_one_named(self):
        # A list written on a Cyrillic machine (code page 1251): read in
        # this machine's own way it names no file; with -e 1251 each name
        # is read as written, reaches the disk as Unicode, and the report
        # is UTF-8 with a mark, which fldren-undo and -r read untold.
        name = "\u0418\u0432\u0430\u043d.doc"
        evidence = "\u0414\u0438\u0441\u043a"
        new_name = "7_%s_%s" % (evidence, name)
        self.write(name, b"A", unicode=True)
        # A title of the code page in both lists, and -c, whose hashing
        # ahead reads the list a second time: each must read it as named.
        title = "\u0414\u0435\u043b\u043e"
        listed = HEADER.rstrip("\n") + "\tMD5\t%s\n" % title
        listed += "%s\tp\t7\tE\t%s\t%s\t%s\n" % (
            name, self.full_text(name), hashlib.md5(b"A").hexdigest(), evidence)
        self.write("list.txt", listed.encode("cp1251"))
        self.write("fields.txt", ("Int. ID\n%s\n" % title).encode("cp1251"))
        args = ["-x", "list.txt", "-f", "fields.txt", "-o", "out.txt", "-c",
                "MD5"]
        self.new_output()
        status, out, _ = self.run_fldren(*args)
        self.assertEqual(status, 3, out)
        self.assertTrue(os.path.exists(self.path(name, True)))
        status, out, _ = self.run_fldren(*args, "-r", "-e", "1251")
        self.assertEqual(status, 5, out)
        self.assertIn(b"its run record says none (-e was not given). Give no "
                      b"-e. Nothing was done", out)
        self.new_output()
        status, out, err = self.run_fldren(*args, "-e", "1251")
        self.assertEqual((status, err), (0, b""), out)
        self.assertEqual(self.read(new_name, unicode=True), b"A")
        report = self.report(name, new_name)[1:]
        self.assertIn(lines(report.encode()), out)
        line_end = "\r\n" if support.WINE else "\n"
        self.assertEqual(self.read("out.txt"), encoded(
            report + "\t7" + line_end, "utf-8"))
        record = self.read("out.run.txt")
        self.assertIn(b"\nCode page of 8-bit lists (-e): 1251", record)
        self.assertEqual(b"\nCode page of this machine: " in record,
                         support.WINE)
        # -r reads the lists in the code page the run did, and refuses
        # another.
        status, out, _ = self.run_fldren(*args, "-r", "-e", "1252")
        self.assertEqual(status, 5, out)
        self.assertIn(b"-e 1252 is not the code page the run to continue "
                      b"read its lists in: its run record says 1251", out)
        status, out, _ = self.run_fldren(*args, "-r")
        self.assertEqual(status, 0, out)
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0, out)
        self.assertEqual(self.read(name, unicode=True), b"A")
        status, out, _ = self.run_fldren(*args, "-e", "1259")
        self.assertEqual((status, out), (5, lines(
            b"\nBad value for -e: 1259\nIt must be the number of a Windows "
            b"code page: 874, 932, 936, 949, 950, 1250 to 1258, or 65001 "
            b"(UTF-8). Nothing was done\n")))
