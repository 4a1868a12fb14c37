"""End-to-end cases for the preview (-n) and for fldren-undo, which takes a
run back from its output file."""

import errno
import hashlib
import os
import random
import re

import support
from support import Case, FIELDS, PREFIX, closing, lines, record_sections

PREVIEW_START = (b"\nPreview: no file is renamed; each line shows what the "
                 b"rename would do.\n")
PREVIEW_END = b"Preview only: no file was renamed.\n"
UNDO_USAGE = (b"\nUsage: fldren-undo OUTPUTFILE [-o UNDOLOG] [-C FOLDER]\n\n"
              b"Takes back every rename that fldren reported \"Success\" in "
              b"OUTPUTFILE,\nlast first, never replacing a file. -o writes "
              b"each undo to UNDOLOG.\n-C names the folder fldren ran in; an "
              b"OUTPUTFILE holding relative paths\nneeds it.\n")


def as_run(preview):
    """A preview's output file with the run's word where it has its own:
    "Planned" stands where the run writes "Success", and only there."""
    assert b"\tSuccess\t" not in preview, preview
    return preview.replace(b"\tPlanned\t", b"\tSuccess\t")


def undo_closing(read, undone, failed, skipped):
    return (b"\n\nLines read:       %19s\nUndone:           %19s\n"
            b"Failed:           %19s\nSkipped:          %19s\n" % tuple(
                support.grouped(n) for n in (read, undone, failed, skipped)))


class Chains(Case):
    """A list whose outcomes depend on the records before them."""

    def make_chains(self):
        for name in ("1_c.txt", "c.txt", "k.txt", "n.txt", "e.txt",
                     "1_e.txt"):
            self.write(name, name.encode())
        records = [
            ("1_c.txt", b"1"),  # frees 1_c.txt ...
            ("c.txt", b"1"),    # ... which this one then takes
            ("k.txt", b"1"),
            ("k.txt", b"2"),    # its source was renamed just before
            ("n.txt", b"1"),    # makes 1_n.txt ...
            ("1_n.txt", b"2"),  # ... which this one then renames
            ("zz.txt", b"1"),   # no such file
            ("e.txt", b"1"),    # 1_e.txt exists already
        ]
        self.inputs(b"".join(self.record(n, i, b"E") for n, i in records),
                    b"Int. ID\n")
        return 8, 5, 3  # records, renamed, failed

    def args(self, *more):
        return ["-x", "list.txt", "-f", "fields.txt"] + list(more)


class Preview(Chains):
    def test_preview_changes_nothing_and_foretells_the_real_run(self):
        processed, renamed, failed = self.make_chains()
        before = self.snapshot()
        status, out, err = self.run_fldren(*self.args("-n", "-o",
                                                      "preview.txt"))
        self.assertEqual((status, err), (3, b""))
        self.assertEqual(self.snapshot("preview.txt"), before)
        self.assertIn(lines(b"\n\n" + PREVIEW_START + b"\n" + PREFIX), out)
        self.assertTrue(out.endswith(lines(
            closing(processed, renamed, failed, (2, support.NO_FILE),
                    (1, support.name_exists()), preview=True) +
            PREVIEW_END)))

        status, real_out, _ = self.run_fldren(*self.args("-o", "real.txt"))
        self.assertEqual(status, 3)
        self.assertEqual(as_run(self.read("preview.txt")), self.read("real.txt"))
        # The run's lines are the preview's, each "Planned" made "Success".
        reports = out[out.index(lines(PREVIEW_START)) +
                      len(lines(PREVIEW_START)):-len(lines(PREVIEW_END))]
        self.assertNotIn(b"\tSuccess", reports)
        self.assertTrue(real_out.endswith(
            reports.replace(b"\tPlanned", b"\tSuccess").replace(
                b"Would be renamed: ", b"Renamed:          ")))
        self.assertNotEqual(self.snapshot("preview.txt", "real.txt"), before)

    def test_preview_agrees_with_the_run_on_every_rule(self):
        self.make_chains()
        os.mkdir(self.path("d"))
        self.write("s.txt", b"S")
        with open(self.path("list.txt"), "ab") as listed:
            listed.write(self.record("d", b"1", b"E") +       # a folder
                         self.record("s.txt", b"a/b", b"E") +  # a separator
                         self.record("s.txt", b"\x00", b"E") +  # a NUL
                         b"s.txt\tp\n" +                      # no columns
                         self.record("s.txt", b"2", b"E"))
        preview = self.run_fldren(*self.args("-n", "-o", "preview.txt"))
        real = self.run_fldren(*self.args("-o", "real.txt"))
        self.assertEqual(preview[0], real[0])
        self.assertEqual(as_run(self.read("preview.txt")), self.read("real.txt"))
        self.assertEqual(
            [e[2] for e in support.journal(self.read("real.txt"))[-5:]],
            [b"Failure"] * 4 + [b"Success"])
        self.assertTrue(os.path.isdir(self.path("d")))

    def test_preview_knows_a_folder_it_may_not_write(self):
        # The run fails each record there; the preview must not foretell a
        # rename. Root writes any folder, so the programs run as nobody.
        if support.WINE:
            self.skipTest("Windows says so only at the rename itself")
        # Asked once a folder: the answer for one is never another's.
        for name in ("ro/a.txt", "rw/b.txt", "ro/c.txt"):
            self.write(name, name[3:].encode())
        self.inputs(self.record("ro/a.txt") + self.record("rw/b.txt") +
                    self.record("ro/c.txt"))
        os.chmod(self.path("rw"), 0o777)
        os.chmod(self.path("ro"), 0o555)
        try:
            self.check_folder_may_not_be_written()
        finally:
            os.chmod(self.path("ro"), 0o755)

    def check_folder_may_not_be_written(self):
        if os.stat(self.path("ro")).st_mode & 0o777 != 0o555:
            self.skipTest("this file system keeps no permissions")
        as_nobody = None
        if os.geteuid() == 0:
            os.chmod(self.dir, 0o755)

            def as_nobody():
                os.setgid(65534)
                os.setuid(65534)
        denied = support.why(errno.EACCES, b"Access denied.")[2:]
        for preview in (["-n"], []):
            with self.subTest(preview=preview):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", *preview,
                    preexec_fn=as_nobody)
                self.assertEqual(status, 3, out)
                for name in ("a.txt", "c.txt"):
                    self.assertIn(self.report(
                        self.full("ro/" + name),
                        self.full("ro/1234_Hard drive no2_" + name), False,
                        denied), out)
                self.assertIn(self.report(
                    self.full("rw/b.txt"),
                    self.full("rw/1234_Hard drive no2_b.txt"),
                    preview=bool(preview)), out)
        self.assertEqual(self.read("ro/a.txt"), b"a.txt")

    def test_one_file_spelt_two_ways_is_one_file(self):
        # The preview compares names as the file system does: by the folder
        # they lead to (separators, '.', '..', relative or absolute) and,
        # on Windows, without regard to case. The second spelling of each
        # file finds it already renamed, in the preview as in the run.
        if support.WINE:
            spellings = [(self.full("x.doc"), self.full("X.DOC")),
                         (self.full("y.doc"), b"z" + self.full("y.doc")[1:])]
            # Two files whose new names differ only in case.
            spellings.append((self.full("c.doc"), self.full("b_c.doc")))
            ids = [b"1", b"2", b"3", b"4", b"a_b", b"A"]
            files = ["x.doc", "y.doc", "c.doc", "b_c.doc"]
        else:
            os.mkdir(self.path("x"))
            spellings = [(b"export/a.doc", b"export\\a.doc"),
                         (b"export//b.doc", b"export/./b.doc"),
                         (b"x/../export/c.doc", self.full("export/c.doc")),
                         (b"top.doc", self.full("top.doc"))]
            ids = [b"1", b"2", b"3", b"4", b"5", b"6", b"7", b"8"]
            files = ["export/a.doc", "export/b.doc", "export/c.doc",
                     "top.doc"]
        for name in files:
            self.write(name, name.encode())
        destinations = [d for pair in spellings for d in pair]
        self.inputs(b"".join(b"n\tp\t%s\tE\t%s\n" % (i, d)
                             for i, d in zip(ids, destinations)), b"Int. ID\n")
        preview = self.run_fldren(*self.args("-n", "-o", "preview.txt"))
        real = self.run_fldren(*self.args("-o", "real.txt"))
        self.assertEqual((preview[0], real[0]), (3, 3), real[1])
        self.assertEqual(as_run(self.read("preview.txt")), self.read("real.txt"))
        self.assertEqual(
            [e[2] for e in support.journal(self.read("real.txt"))],
            [b"Success", b"Failure"] * len(spellings))

    def test_new_name_is_made_from_the_name_on_disk(self):
        # Windows finds "mydoc.doc" under the list's "MYDOC.DOC": the new
        # name, the output file and the undo keep the name that was on
        # disk, and the console says how the list spelt it.
        if not support.WINE:
            self.skipTest("names differ in case only where the system folds it")
        self.write("mydoc.doc", b"M")
        self.inputs(b"n\tp\t1\tE\t" + self.full("MYDOC.DOC") + b"\n",
                    b"Int. ID\n")
        for preview in (["-n"], []):
            with self.subTest(preview=preview):
                status, out, _ = self.run_fldren(
                    *self.args("-o", "out.txt", *preview))
                self.assertEqual(status, 0, out)
                self.assertIn(lines(
                    PREFIX + self.full("1_mydoc.doc") +
                    (b"\tPlanned" if preview else b"\tSuccess") +
                    b"\t(the list says MYDOC.DOC)"), out)
        self.assertEqual(self.read("out.txt"), lines(
            PREFIX + self.full("mydoc.doc") + b"\t==>\t" + PREFIX +
            self.full("1_mydoc.doc") + b"\tSuccess\t1\n"))
        self.assertEqual(self.listdir(), ["1_mydoc.doc", "fields.txt",
                                          "list.txt", "out.txt"])
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0, out)
        self.assertIn("mydoc.doc", self.listdir())

    def test_preview_letter_combines_with_others(self):
        self.write("a.txt", b"A")
        self.inputs(self.record("a.txt"))
        for args in (["-nx", "list.txt", "-f", "fields.txt"],
                     ["-Nxlist.txt", "-ffields.txt", "-n"],
                     ["-x", "list.txt", "-nf", "fields.txt"]):
            with self.subTest(args=args):
                self.check(args, 0, self.opened("fields.txt", "list.txt") +
                           b"\n\n" + PREVIEW_START + self.report(
                               self.full("a.txt"),
                               self.full("1234_Hard drive no2_a.txt"),
                               preview=True) +
                           closing(1, 1, 0, preview=True) + PREVIEW_END)
                self.assertEqual(self.read("a.txt"), b"A")


class Undo(Chains):
    def test_run_then_undo_restores_every_name_and_content(self):
        self.make_chains()
        before = self.snapshot()
        self.run_fldren(*self.args("-o", "out.txt"))
        self.assertNotEqual(self.snapshot("out.txt"), before)
        status, out, err = self.run_undo("out.txt", "-o", "undo.txt")
        self.assertEqual((status, err), (0, b""), out)
        self.assertEqual(self.snapshot("out.txt", "undo.txt"), before)
        self.assertTrue(out.startswith(lines(
            self.opened("out.txt") + b"\nUndo log created: " +
            self.full("undo.txt") + b"\n\n")))
        self.assertTrue(out.endswith(lines(undo_closing(8, 5, 0, 3))))
        # Last rename first: the chain unwinds the way it was made.
        undo_lines = self.read("undo.txt").splitlines()
        self.assertEqual(len(undo_lines), 5)
        self.assertEqual(undo_lines[0].split(b"\t")[:4], [
            PREFIX + self.full("2_1_n.txt"), b"==>",
            PREFIX + self.full("1_n.txt"), b"Success"])
        # The log is the only record of the names given back: the same
        # undo again never empties it, nor its run record.
        kept = {name: self.read(name) for name in ("undo.txt", "undo.run.txt")}
        status, out, _ = self.run_undo("out.txt", "-o", "undo.txt")
        self.assertEqual(status, 1, out)
        self.assertTrue(out.endswith(lines(
            b"\nUndo log " + self.full("undo.txt") + b" records the undos of "
            b"an earlier fldren-undo; it is the only record of them, and is "
            b"never emptied. Name another undo log. Nothing was changed\n")),
            out)
        self.assertEqual({name: self.read(name) for name in kept}, kept)
        self.assertEqual(self.snapshot("out.txt", "undo.txt"), before)

    def test_undo_never_replaces_a_name_reused_since(self):
        self.write("a.txt", b"A")
        self.write("b.txt", b"B")
        self.inputs(self.record("a.txt") + self.record("b.txt"))
        self.run_fldren("-x", "list.txt", "-f", "fields.txt", "-o", "out.txt")
        self.write("a.txt", b"a newer file")
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 3)
        self.assertEqual(out, lines(
            self.opened("out.txt") + b"\n\n" +
            self.report(self.full("1234_Hard drive no2_b.txt"),
                        self.full("b.txt")) +
            self.report(self.full("1234_Hard drive no2_a.txt"),
                        self.full("a.txt"), False, support.name_exists()) +
            undo_closing(2, 1, 1, 0)))
        self.assertEqual(self.read("a.txt"), b"a newer file")
        self.assertEqual(self.read("1234_Hard drive no2_a.txt"), b"A")
        self.assertEqual(self.read("b.txt"), b"B")

    def test_hand_edited_output_file_with_junk_lines(self):
        self.write("1_a.txt", b"A")
        good = (PREFIX + self.full("a.txt") + b"\t==>\t" + PREFIX +
                self.full("1_a.txt") + b"\tSuccess\t1\n")
        journal = (b"junk\n\n" + good.replace(b"Success", b"Failure") +
                   good.replace(b"\t1\n", b"\n") +        # four fields
                   good.replace(b"==>", b"->") +
                   good.replace(b"Success", b"success") +
                   good + b"trailing junk")
        self.write("out.txt", lines(journal))
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0)
        self.assertTrue(out.endswith(lines(undo_closing(8, 1, 0, 7))))
        self.assertEqual(self.read("a.txt"), b"A")

    def test_output_file_of_an_earlier_linux_build_is_read(self):
        # Earlier Linux builds showed "\\?\/case/sub\a.txt" for the path
        # renamed; -r continues such a file and fldren-undo takes it back.
        if support.WINE:
            self.skipTest("the Windows build's form is unchanged")
        self.write("sub/1_a.txt", b"A")
        self.write("sub/b.txt", b"B")
        self.inputs(self.record("sub\\a.txt", b"1") +
                    self.record("sub\\b.txt", b"2"), b"Int. ID\n")
        earlier = (b"\\\\?\\" + self.full("sub\\a.txt") + b"\t==>\t\\\\?\\" +
                   self.full("sub\\1_a.txt") + b"\tSuccess\t1\n")
        self.write("out.txt", earlier)
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt",
                                         "-o", "out.txt", "-r")
        self.assertEqual(status, 0, out)
        self.assertEqual(self.read("out.txt"), earlier + self.full(
            "sub/b.txt") + b"\t==>\t" + self.full("sub/2_b.txt") +
            b"\tSuccess\t2\n")
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0, out)
        self.assertEqual((self.read("sub/a.txt"), self.read("sub/b.txt")),
                         (b"A", b"B"))

    def test_a_file_without_a_line_of_fldren_is_no_output_file(self):
        # The export list given by mistake names files that were never
        # renamed: refused, rather than each line skipped with status 0.
        self.make_chains()
        self.write("empty.txt", b"")
        before = self.snapshot()
        for name, status, message in (
                ("list.txt", 1, b" holds no line fldren writes (is it an "
                                b"export list?); nothing was renamed\n"),
                ("empty.txt", 0, b" is empty: there is nothing to undo\n")):
            with self.subTest(name):
                code, out, _ = self.run_undo(name)
                self.assertEqual(code, status, out)
                self.assertIn(lines(b"\nThe output file " + self.full(name) +
                                    message), out)
                self.assertEqual(self.snapshot(), before)

    def test_preview_output_undoes_nothing(self):
        self.make_chains()
        self.run_fldren(*self.args("-n", "-o", "preview.txt"))
        before = self.snapshot()
        status, out, _ = self.run_undo("preview.txt")
        self.assertEqual(status, 1)
        self.assertTrue(out.endswith(lines(
            b"\n\nThe output file " + self.full("preview.txt") +
            b" was written by a preview (its lines read \"Planned\"): no file "
            b"was renamed by it. Nothing was renamed\n")), out)
        self.assertEqual(self.snapshot(), before)

    def test_undo_after_a_killed_run(self):
        count = 1500 if support.WINE else 4000
        for i in range(count):
            self.write("f%d" % i, b"%d" % i)
        before = self.snapshot()
        self.inputs(b"".join(b"f%d\tp\t%d\tE\t%s\n" % (i, i, self.full(
            "f%d" % i)) for i in range(count)), b"Int. ID\n")
        self.kill_midway(self.args("-o", "out.txt"), 3000)
        renamed = [n for n in self.listdir() if "_f" in n]
        self.assertGreater(len(renamed), 0)
        # A run that ended before its kill proves nothing about a kill.
        self.assertLess(len(renamed), count, "the run ended before the kill")
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0, out[-300:])
        after = self.snapshot("out.txt", "list.txt", "fields.txt")
        # Every logged rename is back; the one in flight, if any, is the
        # only file left under its new name. Nothing is lost.
        self.assertEqual(sorted(after.values()), sorted(before.values()))
        self.assertLessEqual(len(set(after) - set(before)), 1)

    def test_pending_line_is_undone_only_when_its_rename_was_made(self):
        # The last line of a killed run: its rename may or may not have
        # been made. Only a "Linking" line may leave both names on one
        # file as the run's own doing; two links that were there before the
        # run are never taken for one. After a "Success" the old name was
        # gone: both names on one file are an undo's rename by link, killed
        # between its two steps, and a second undo finishes it.
        for word, made, kept, counts in (
                (b"Success", "both", ["a.txt"], (1, 1, 0, 0)),
                (b"Pending", "1_a.txt", ["a.txt"], (1, 1, 0, 0)),
                (b"Pending", "a.txt", ["a.txt"], (1, 0, 0, 1)),
                (b"Pending", "both", ["1_a.txt", "a.txt"], (1, 0, 0, 1)),
                (b"Linking", "both", ["a.txt"], (1, 1, 0, 0)),
                (b"Linking", "1_a.txt", ["a.txt"], (1, 1, 0, 0)),
                (b"Linking", "a.txt", ["a.txt"], (1, 0, 0, 1))):
            with self.subTest(word=word, made=made):
                line = (PREFIX + self.full("a.txt") + b"\t==>\t" + PREFIX +
                        self.full("1_a.txt") + b"\t" + word)
                for name in ("a.txt", "1_a.txt"):
                    if self.exists(name):
                        os.remove(self.path(name))
                self.write("a.txt" if made == "both" else made, b"A")
                if made == "both":
                    os.link(self.path("a.txt"), self.path("1_a.txt"))
                self.write("out.txt", line)
                status, out, _ = self.run_undo("out.txt")
                self.assertEqual(status, 0, out)
                self.assertTrue(out.endswith(lines(undo_closing(*counts))))
                self.assertEqual(self.listdir(), kept + ["out.txt"])
                for name in kept:
                    self.assertEqual(self.read(name), b"A")

    def test_relative_paths_are_taken_against_the_run_folder(self):
        # A decoy under the new name in another folder must never be
        # renamed by an undo started there.
        self.write("export/a.txt", b"A")
        self.write("elsewhere/export/1_a.txt", b"decoy")
        self.inputs(b"a.txt\tp\t1\tE\texport/a.txt\n", b"Int. ID\n")
        # A command line longer than 64 KiB in the record (a -m that moves
        # nothing) puts the working folder's line far from the start.
        self.run_fldren(*self.args("-o", "out.txt", "-m",
                                   "\u4e2d" * 25000 + "=x"))
        self.assertEqual(self.read("export/1_a.txt"), b"A")
        self.assertGreater(len(self.read("out.run.txt")), 1 << 16)
        elsewhere = self.path("elsewhere")
        if not support.WINE:
            # Continued from another folder, the same lines would rename
            # the files there.
            status, out, _ = self.run_fldren(
                "-x", self.full_text("list.txt"), "-f",
                self.full_text("fields.txt"), "-o", self.full_text("out.txt"),
                "-r", cwd=elsewhere)
            self.assertEqual(status, 1, out)
            self.assertIn(b" holds relative paths, which name files of " +
                          os.fsencode(self.dir) + b", where the earlier run "
                          b"was made; continue it from there;", out)
        status, out, _ = self.run_undo(self.full("out.txt"), cwd=elsewhere)
        if not support.WINE:
            # Wine resolves the values when it renames: no relative path
            # reaches its output file. The run's record names the folder
            # it was made in; without the record, no folder is assumed.
            self.assertEqual(status, 0, out)
            self.assertIn(b"\nRelative paths are taken against " +
                          os.fsencode(self.dir) + b", the folder the run was "
                          b"made in, as its run record " +
                          self.full("out.run.txt") + b" says\n", out)
            self.assertEqual(self.read("export/a.txt"), b"A")
            self.new_output()
            self.run_fldren(*self.args("-o", "out.txt"))
            os.remove(self.path("out.run.txt"))
            status, out, _ = self.run_undo(self.full("out.txt"), cwd=elsewhere)
            self.assertEqual(status, 1)
            self.assertIn(b" holds relative paths", out)
            self.assertIn(self.full("elsewhere"), out)
            self.assertEqual(self.read("export/1_a.txt"), b"A")
            status, out, _ = self.run_undo(self.full("out.txt"), "-C",
                                           self.full_text(""), cwd=elsewhere)
        self.assertEqual(status, 0, out)
        self.assertEqual(self.read("export/a.txt"), b"A")
        self.assertEqual(self.read("elsewhere/export/1_a.txt"), b"decoy")

    def test_unicode_run_is_undone_in_its_encoding(self):
        name = "文件.txt"
        self.write(name, b"A", unicode=True)
        header = "Name\tPath\tInt. ID\tEvidence object\tDestination\n"
        record = "%s\tp\t7\tE\t%s\n" % (name, self.full_text(name))
        self.write("list.txt", b"\xff\xfe" + (header + record).encode(
            "utf-16-le"))
        self.write("fields.txt", b"Int. ID\n")
        self.run_fldren(*self.args("-o", "out.txt"))
        self.assertTrue(self.exists("7_" + name, unicode=True))
        status, _, _ = self.run_undo("out.txt", "-oundo.txt")
        self.assertEqual(status, 0)
        self.assertEqual(self.read(name, unicode=True), b"A")
        self.assertTrue(self.read("undo.txt").startswith(b"\xff\xfe"))

    def test_command_line_and_files(self):
        self.write("out.txt", b"")
        for args in ([], ["-o", "x"], ["out.txt", "-x", "y"],
                     ["out.txt", "-o"], ["out.txt", "-o", "-y"],
                     ["", "-o", "u"]):
            with self.subTest(args=args):
                self.check(args, 5, UNDO_USAGE, binary=support.UNDO_BINARY)
        # A second plain word is refused, whatever follows it, and named.
        for args, word, meant in ((["out.txt", "-o", "u", "extra"], b"extra",
                                   b""),
                                  (["out.txt", "/o", "u"], b"/o", b", as -o"),
                                  (["out.txt", "log", "-h"], b"log", b"")):
            with self.subTest(args=args):
                self.check(args, 5, b"\nArgument " + word + b" is not an "
                           b"option of fldren-undo (its options begin with -" +
                           meant + b"); nothing was done\n",
                           binary=support.UNDO_BINARY)
        # Help, asked for anywhere before a fault, ends well.
        for args in (["--help"], ["-h"], ["out.txt", "-o", "u", "--help"]):
            with self.subTest(args=args):
                self.check(args, 0, UNDO_USAGE, binary=support.UNDO_BINARY)
        self.check(["missing.txt"], 1, b"\ncan't open input file " +
                   self.full("missing.txt") + support.why(*support.NOT_FOUND),
                   binary=support.UNDO_BINARY)
        self.check(["out.txt", "-o", "./out.txt"], 1, self.opened("out.txt") +
                   b"\nUndo log " + self.full("out.txt") +
                   b" is the output file itself; nothing was changed\n",
                   binary=support.UNDO_BINARY)
        self.check(["out.txt"], 0, self.opened("out.txt") + b"\n\n" +
                   b"\nThe output file " + self.full("out.txt") +
                   b" is empty: there is nothing to undo\n" +
                   undo_closing(0, 0, 0, 0), binary=support.UNDO_BINARY)


class Resume(Chains):
    """-r: a stopped run continued from its output file."""

    def numbered_files(self, count):
        for i in range(count):
            self.write("f%d" % i, b"%d" % i)
        self.inputs(b"".join(b"f%d\tp\t%d\tE\t%s\n" % (i, i, self.full(
            "f%d" % i)) for i in range(count)), b"Int. ID\n")

    def test_runs_killed_and_resumed_rename_every_file_once(self):
        count = 1500 if support.WINE else 4000
        self.numbered_files(count)
        before = self.snapshot()
        seed = random.randrange(1 << 30)
        chance = random.Random(seed)
        whole = count * (len(PREFIX + self.full("f1000")) * 2 + 15)
        self.kill_midway(self.args("-o", "out.txt"),
                         chance.randrange(whole // 10, whole // 3))
        # A run that ended before its kill proves nothing about a kill.
        self.assertLess(len(support.journal(self.read("out.txt"))), count)
        # Its page says it is incomplete; the page -r writes says it ended.
        self.assertIn(b'class="incomplete">Incomplete: ',
                      self.read("out.report.html"))
        for _ in range(3):
            logged = os.path.getsize(self.path("out.txt"))
            self.kill_midway(self.args("-r", "-o", "out.txt"),
                             chance.randrange(logged, logged + whole // 5))
        status, out, _ = self.run_fldren(*self.args("-r", "-o", "out.txt"))
        self.assertEqual(status, 0, b"seed %d: " % seed + out[-600:])
        self.assertIn(b"\nContinuing the run recorded in ", out)
        self.assertIn(lines(closing(count, count, 0)), out)
        self.assertIn(b'class="complete">Complete: the run ended with exit '
                      b'status 0,', self.read("out.report.html"))
        entries = support.journal(self.read("out.txt"))
        self.assertEqual([e[2] for e in entries], [b"Success"] * count)
        self.assertEqual(sorted(self.snapshot("out.txt", "list.txt",
                                              "fields.txt")),
                         sorted(b"%d_f%d" % (i, i) for i in range(count)))
        status, out, _ = self.run_undo("out.txt")
        self.assertEqual(status, 0, out[-300:])
        self.assertEqual(self.snapshot("out.txt"), before)

    def test_resume_reads_the_output_file_as_the_run_wrote_it(self):
        # A UTF-8 list without a mark whose first letter beyond ASCII lies
        # past the 64 KiB fldren looks at is read as 8-bit text; its output
        # file, of shorter lines, holds that letter within its first 64 KiB.
        # The run record says how the run read the list, and -r reads the
        # output file so.
        count = 400
        for i in range(count):
            self.write("f%d" % i, b"%d" % i)
        self.inputs(b"".join(b"f%d\t%s\t%s\tE\t%s\n" % (
            i, b"n" * 300, b"3\xc3\xa99" if i == 399 else b"%d" % i,
            self.full("f%d" % i)) for i in range(count)), b"Int. ID\n")
        status, _, _ = self.run_fldren(*self.args("-o", "out.txt"))
        self.assertEqual(status, 0)
        status, out, _ = self.run_fldren(*self.args("-r", "-o", "out.txt"))
        self.assertEqual(status, 0, out)
        self.assertIn(b"the earlier run did 400 records, 400 renamed", out)
        self.assertEqual(dict(record_sections(self.read("out.run.txt"))[0])[
            "Export list encoding"], "8-bit")

    def test_resume_from_another_folder_needs_the_record_to_show_it(self):
        # An output file without a line yet (a run killed while hashing its
        # first file) shows nothing of its paths; one with relative paths
        # names files of its own folder. Either is continued only where
        # its run record shows the earlier run was made.
        self.write("export/a.txt", b"A")
        self.inputs(b"a.txt\tp\t1\tE\texport/a.txt\n", b"Int. ID\n")
        self.run_fldren(*self.args("-o", "out.txt"))
        os.makedirs(self.path("elsewhere"))
        run = ["-x", self.full_text("list.txt"), "-f",
               self.full_text("fields.txt"), "-o", self.full_text("out.txt"),
               "-r"]
        record = self.read("out.run.txt")
        here = (b"Z:" + os.fsencode(self.dir).replace(b"/", b"\\")
                if support.WINE else os.fsencode(self.dir))
        no_line = b" holds no line yet, which would show whether its paths "
        cases = [("no line, made here", b"", True, self.dir, None),
                 ("no line, made elsewhere", b"", True, self.path("elsewhere"),
                  no_line + b"are relative; the earlier run was made in " +
                  here + b": continue it from there"),
                 ("no line, no record", b"", False, self.dir,
                  no_line + b"are relative, and no run record beside it says "
                  b"which folder the earlier run was made in")]
        # Wine resolves the values: no relative path reaches its file, and
        # its lines show only that the run was begun elsewhere.
        elsewhere = (b" was begun in another folder; the earlier run was "
                     b"made in " + here +
                     b": continue it from there") if support.WINE else (
            b" holds relative paths, which name files of " +
            os.fsencode(self.dir) + b", where the earlier run was made; "
            b"continue it from there")
        cases.append(("lines, made elsewhere", self.read("out.txt"), True,
                      self.path("elsewhere"), elsewhere))
        if not support.WINE:
            cases.append(("relative paths, no record", self.read("out.txt"),
                          False, self.dir,
                          b" holds relative paths, and no run record beside "
                          b"it says which folder the earlier run was made "
                          b"in"))
        for what, earlier, kept, where, message in cases:
            with self.subTest(what):
                self.write("out.txt", earlier)
                if kept:
                    self.write("out.run.txt", record)
                elif self.exists("out.run.txt"):
                    os.remove(self.path("out.run.txt"))
                status, out, _ = self.run_fldren(*run, cwd=where)
                if message is None:
                    self.assertEqual(status, 3, out)  # a.txt is gone
                    continue
                self.assertEqual(status, 1, out)
                self.assertIn(message + b"; there is no run to continue", out)
                self.assertEqual(self.read("out.txt"), earlier)
                self.assertEqual(os.listdir(self.path("export")), [b"1_a.txt"])

    def test_last_line_cut_at_any_byte_is_settled_and_written_whole(self):
        # A full disk or a kill may leave the last line cut anywhere, or its
        # word half written over "Pending". The rename was begun only once
        # the line's word was on disk; -r settles the line from the disk
        # and the file ends as an uninterrupted run's, byte for byte.
        self.numbered_files(3)
        self.run_fldren(*self.args("-o", "out.txt"))
        whole = self.read("out.txt")
        last_at = whole.rstrip(b"\n").rfind(b"\n") + 1
        word_at = whole.index(b"\tSuccess\t", last_at) + 1
        garbled = whole[:word_at] + b"Succing"
        cuts = [(whole[:cut], cut >= word_at) for cut in
                range(last_at, len(whole), 3 if support.WINE else 1)]
        for earlier, renamed in cuts + [(garbled, True)]:
            with self.subTest(cut=len(earlier)):
                if not renamed:
                    os.rename(self.path("2_f2"), self.path("f2"))
                self.write("out.txt", earlier)
                status, out, _ = self.run_fldren(*self.args("-r", "-o",
                                                            "out.txt"))
                self.assertEqual(status, 0, out)
                self.assertEqual(self.read("out.txt"), whole)
                self.assertTrue(self.exists("2_f2"))

    def test_last_line_in_flight_is_settled_from_the_disk(self):
        # b.txt was renamed; a.txt's rename was in flight when the run
        # stopped. The disk tells what became of it. A run without -r
        # would empty the only record of b.txt's rename: refused.
        done = (PREFIX + self.full("b.txt") + b"\t==>\t" + PREFIX +
                self.full("1_b.txt") + b"\tSuccess\t1\n")
        for word, made, kept, result, status in (
                (b"Pending", "1_a.txt", ["1_a.txt"], b"Success", 0),
                (b"Pending", "a.txt", ["1_a.txt"], b"Success", 0),
                (b"Linking", "both", ["1_a.txt"], b"Success", 0),
                (b"Pending", "both", ["1_a.txt", "a.txt"], b"Failure", 3),
                (b"Pending", "", [], b"Failure", 3)):
            with self.subTest(word=word, made=made):
                for name in os.listdir(self.dir):
                    os.remove(self.path(name))
                self.write("1_b.txt", b"B")
                if made:
                    self.write("a.txt" if made == "both" else made, b"A")
                if made == "both":
                    os.link(self.path("a.txt"), self.path("1_a.txt"))
                self.inputs(self.record("b.txt", b"1") +
                            self.record("a.txt", b"1"), b"Int. ID\n")
                earlier = lines(done) + (PREFIX + self.full("a.txt") +
                                         b"\t==>\t" + PREFIX +
                                         self.full("1_a.txt") + b"\t" + word)
                self.write("out.txt", earlier)
                disk = self.snapshot("out.txt")
                for args in (["-o", "out.txt"], ["-n", "-o", "plan.txt"],
                             ["-n", "-r", "-o", "out.txt"]):
                    if args[-1] == "plan.txt":
                        self.write("plan.txt", earlier)
                    refused, out, _ = self.run_fldren(*self.args(*args))
                    if "-r" in args:
                        # The preview of the continued run foretells it
                        # and writes nothing.
                        self.assertEqual(refused, status, out)
                    else:
                        self.assertEqual(refused, 1, out)
                        self.assertIn(lines(
                            b" holds a run that was stopped during a rename; "
                            b"it is the only record of that run's renames. "
                            b"Continue the run with -r, or name another "
                            b"output file. Nothing was changed\n"), out)
                    self.assertEqual(self.read(args[-1]), earlier)
                    self.assertEqual(self.snapshot("out.txt", "plan.txt"),
                                     disk)
                code, out, _ = self.run_fldren(*self.args("-r", "-o",
                                                          "out.txt"))
                self.assertEqual(code, status, out)
                self.assertIn(lines(b"the earlier run did 1 record, 1 "
                                    b"renamed and 0 failed.\nIts last record "
                                    b"was being renamed when it stopped"), out)
                self.assertEqual(
                    [e[2:] for e in support.journal(self.read("out.txt"))],
                    [(b"Success", b"1"), (result, b"1")])
                self.assertTrue(self.read("out.txt").endswith(lines(b"\n")))
                self.assertEqual(sorted(self.listdir()),
                                 sorted(kept + ["1_b.txt", "fields.txt",
                                                "list.txt", "out.txt",
                                                "plan.txt"]))

    def test_resume_of_another_job_is_refused(self):
        self.numbered_files(3)
        self.run_fldren(*self.args("-o", "out.txt"))
        self.write("f3", b"3")
        record = b"f3\tp\t3\tE\t%s\n" % self.full("f3")
        for what, change, args, message in (
                ("list", lambda: self.inputs(
                    self.read("list.txt")[len(support.HEADER):].replace(
                        b"\t1\tE", b"\t9\tE") + record, b"Int. ID\n"), [],
                 b"Line 2 of output file "),
                ("field list", lambda: self.write(
                    "fields.txt", b"Evidence object\n"), [],
                 b"Line 1 of output file "),
                ("shorter list", lambda: self.inputs(
                    self.read("list.txt").split(b"\n", 2)[1] + b"\n",
                    b"Int. ID\n"), [], b" holds lines for 3 records; the "
                                       b"export list has only 1."),
                ("preview", lambda: None, ["-n", "-o", "out.txt"],
                 b" was written by a preview (its lines read \"Planned\"): no "
                 b"file was renamed by it; there is no run to continue."),
                ("no output file", lambda: self.write("out.txt", b"notes\n"),
                 [], b" holds at line 1 a line fldren does not write; there "
                     b"is no run to continue.")):
            with self.subTest(what=what):
                list_before = self.read("list.txt")
                fields_before = self.read("fields.txt")
                change()
                if args:
                    self.inputs(list_before[len(support.HEADER):] + record,
                                b"Int. ID\n")
                    self.new_output()
                    self.run_fldren(*self.args(*args))
                logged = self.read("out.txt")
                disk = self.snapshot()
                status, out, _ = self.run_fldren(*self.args("-r", "-o",
                                                            "out.txt"))
                self.assertEqual(status, 1, out)
                self.assertIn(message, out)
                self.assertTrue(out.endswith(lines(b"Nothing was renamed\n")),
                                out)
                self.assertEqual(self.snapshot(), disk)
                self.assertEqual(self.read("out.txt"), logged)
                self.write("list.txt", list_before)
                self.write("fields.txt", fields_before)
                self.run_undo("out.txt")
                self.new_output()
                self.run_fldren(*self.args("-o", "out.txt"))


class RunRecord(Chains):
    def facts(self, name):
        """What a run record says of the file of the folder called name."""
        data = self.read(name)
        return {"size": str(len(data)),
                "SHA-256": hashlib.sha256(data).hexdigest()}

    def check_file(self, section, title, name):
        values = dict(section)
        self.assertEqual(values[title], self.full_text(name))
        for fact, value in self.facts(name).items():
            self.assertEqual(values["%s %s" % (title, fact)], value, title)

    def test_record_tells_who_ran_what_on_which_files_and_how_it_ended(self):
        self.make_chains()
        status, _, _ = self.run_fldren(*self.args("-o", "out.txt"))
        self.assertEqual(status, 3)
        self.run_fldren(*self.args("-r", "-o", "out.txt"))
        status, _, _ = self.run_undo("out.txt", "-o", "undo.txt")
        self.assertEqual(status, 0)
        run, resumed = record_sections(self.read("out.run.txt"))
        undo, = record_sections(self.read("undo.run.txt"))
        when = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
        for section, program in ((run, "fldren"), (resumed, "fldren"),
                                 (undo, "fldren-undo")):
            values = dict(section)
            self.assertEqual(values["Program"], program + " 1.1.0")
            self.assertRegex(values["Started"], when)
            self.assertRegex(values["Ended"], when)
            self.assertEqual(values["Working folder"], self.full_text("")
                             .rstrip("\\/"))
            self.assertTrue(values["User"] and values["Computer"], values)
            self.assertEqual(values["Interrupted"], "no")
        self.assertEqual(dict(run)["Command line"].split(" ")[1:],
                         self.args("-o", "out.txt"))
        for section, resumed_word in ((run, "no"), (resumed, "yes")):
            values = dict(section)
            self.assertEqual((values["Mode"], values["Resumed"]),
                             ("run", resumed_word))
            self.check_file(section, "Export list", "list.txt")
            self.check_file(section, "Field list", "fields.txt")
            self.assertEqual(
                [values[k] for k in ("Records processed", "Renamed", "Failed",
                                     "Exit status")], ["8", "5", "3", "3"])
        self.assertEqual(
            sorted(v for k, v in run if k == "Failure reason"),
            sorted(["2 " + support.NO_FILE.decode(),
                    "1 " + support.name_exists().decode()]))
        # The output file as the run left it, before the undo.
        self.assertEqual(dict(run)["Output file SHA-256"],
                         dict(resumed)["Output file SHA-256"])
        self.check_file(resumed, "Output file", "out.txt")
        self.assertEqual(
            [dict(resumed)[k] for k in ("Records processed by this run",
                                        "Renamed by this run")], ["0", "0"])
        self.assertEqual(dict(undo)["Mode"], "undo")
        self.check_file(undo, "Output file undone", "out.txt")
        self.check_file(undo, "Undo log", "undo.txt")
        self.assertEqual([dict(undo)[k] for k in ("Undone", "Exit status")],
                         ["5", "0"])
        # A preview says what it was.
        self.run_fldren(*self.args("-n", "-o", "plan.txt"))
        self.assertEqual(dict(record_sections(
            self.read("plan.run.txt"))[0])["Mode"], "preview")

    def run_to_full_console(self, args, binary=None):
        """The status of a run whose standard output is /dev/full."""
        with open("/dev/full", "wb") as full:
            process = self.start(args, binary, stdout=full)
            _, err = process.communicate(timeout=120)
        self.assertEqual(err, lines(b"\nStandard output could not be "
                                    b"written\n"))
        return process.returncode

    def test_record_holds_the_status_the_process_ends_with(self):
        # A report lost on the way to the console turns the run's 3, and
        # the undo's 0, into 1 as the process ends; the record's last lines
        # are written after that, and say 1 too.
        self.make_chains()
        self.assertEqual(self.run_to_full_console(self.args("-o", "out.txt")),
                         1)
        self.assertEqual(dict(record_sections(self.read("out.run.txt"))[0])[
            "Exit status"], "1")
        self.assertEqual(self.run_to_full_console(
            ["out.txt", "-o", "undo.txt"], support.UNDO_BINARY), 1)
        self.assertEqual(dict(record_sections(self.read("undo.run.txt"))[0])[
            "Exit status"], "1")

    def test_record_is_never_a_file_of_the_run(self):
        # Named as the record would be, the export list is refused as the
        # output file would be: nothing is emptied or renamed.
        self.make_chains()
        os.rename(self.path("list.txt"), self.path("out.run.txt"))
        self.write("out.txt", b"")
        before = self.snapshot()
        listed = self.read("out.run.txt")
        status, out, _ = self.run_fldren("-x", "out.run.txt", "-f",
                                         "fields.txt", "-o", "out.txt")
        self.assertEqual(status, 1)
        self.assertIn(lines(b"\nRun record " + self.full("out.run.txt") +
                            b" is one of the files of the run; nothing was "
                            b"changed\n"), out)
        self.assertEqual(self.snapshot(), before)
        self.assertEqual(self.read("out.run.txt"), listed)
