"""Fault cases: the real binary with a shim preloaded that makes writes,
reads, renames and links fail on cue. Each case checks the message, the
status, and that no file was lost, overwritten, or renamed without its line
in the output file."""

import errno
import hashlib
import os

import support
from support import Case, closing, lines


def system(error):
    """The system's words for an error, as fldren reports them."""
    return os.strerror(error).encode()


class Faults(Case):
    def setUp(self):
        if support.FAULT_SHIM is None:
            self.skipTest("the fault shim preloads into POSIX programs only")
        super().setUp()

    def faulty(self, faults, *args):
        env = dict(LD_PRELOAD=support.FAULT_SHIM, **faults)
        return self.run_fldren(*args, env=env)

    def make_files(self, count):
        for i in range(count):
            self.write("f%04d.txt" % i, b"%d" % i)
        self.inputs(b"".join(
            b"f%04d.txt\tp\t%d\tE\t%s\n" % (i, i, self.full("f%04d.txt" % i))
            for i in range(count)), b"Int. ID\n")

    def check_accounted(self, count, output="out.txt"):
        """Every file is there under its old or new name, every file under
        a new name has its line in the output file (Success, or Pending
        when the run stopped in flight), and every Success is on disk."""
        logged = set()
        done = set()
        for _, destination, result, _ in support.journal(
                self.read(output)):
            if result != b"Failure":
                logged.add(support.file_name(destination))
            if result == b"Success":
                done.add(support.file_name(destination))
        renamed = set()
        for i in range(count):
            old = "f%04d.txt" % i
            new = "%d_%s" % (i, old)
            self.assertNotEqual(self.exists(old), self.exists(new), old)
            if self.exists(new):
                self.assertEqual(self.read(new), b"%d" % i)
                renamed.add(new.encode())
        self.assertLessEqual(renamed, logged)
        self.assertLessEqual(done, renamed)
        return renamed

    def args(self):
        return ["-x", "list.txt", "-f", "fields.txt", "-o", "out.txt"]

    def test_run_record_that_cannot_be_written_stops_before_any_rename(self):
        self.make_files(3)
        status, out, _ = self.faulty({"FLDREN_FAULT_RECORD": "1"},
                                     *self.args())
        self.assertEqual(status, 1)
        self.assertTrue(out.endswith(b"\nCan't write to run record " +
                                     self.full("out.run.txt") + b": " +
                                     os.strerror(errno.ENOSPC).encode() +
                                     b"; nothing was renamed\n"), out)
        self.assertEqual(self.check_accounted(3), set())

    def test_output_file_writes_failing_midway(self):
        # The message names the output file as the command line gave it,
        # whatever the encoding of the list.
        for header, output in ((support.HEADER, "out.txt"),
                               (b"\xef\xbb\xbf" + support.HEADER,
                                "sortie-\xc3\xa9.txt")):
            with self.subTest(output=output):
                for name in os.listdir(self.dir):
                    os.remove(os.path.join(self.dir, name))
                self.make_files(4)
                self.write("list.txt", header + self.read("list.txt")[
                    len(support.HEADER):])
                status, out, _ = self.faulty(
                    {"FLDREN_FAULT_WRITES": "2"}, "-x", "list.txt", "-f",
                    "fields.txt", "-o", output.encode("latin-1"))
                self.assertEqual(status, 1)
                self.assertTrue(out.endswith(
                    b"\nCan't write to output file " + self.full(output) +
                    b"; the run was stopped after the last record shown" +
                    closing(3, 2, 1, (1, support.NOT_WRITTEN))), out[-400:])
                self.assertEqual(len(self.check_accounted(4, output)), 2)

    def test_export_list_unreadable_after_opening(self):
        # The field list takes three reads; the export list's first block
        # is read on opening and again for the delimiter check, the header
        # analysis and the record loop. Fail the delimiter check's read, or
        # the record loop's second block.
        self.make_files(3000)
        for reads, renamed_some in (("4", False), ("7", True)):
            with self.subTest(reads=reads):
                status, out, _ = self.faulty({"FLDREN_FAULT_READS": reads},
                                             *self.args())
                self.assertEqual(status, 1)
                self.assertTrue(out.endswith(
                    b"\nCan't read input file " + self.full("list.txt") +
                    b"\n"), out[-300:])
                renamed = self.check_accounted(3000)
                self.assertEqual(bool(renamed), renamed_some)
                self.assertLess(len(renamed), 3000)

    def test_rename_refused_for_permission(self):
        self.make_files(3)
        status, out, _ = self.faulty({"FLDREN_FAULT_DENY": "f0001"},
                                     *self.args())
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(closing(3, 2, 1, (1, system(errno.EACCES)))))
        self.assertEqual(len(self.check_accounted(3)), 2)
        self.assertEqual(self.read("f0001.txt"), b"1")

    def test_file_system_refusing_no_replace(self):
        # Renames fall back to a hard link and the removal of the old name,
        # which never replace either.
        self.make_files(3)
        self.write("1_f0001.txt", b"already here")
        status, out, _ = self.faulty({"FLDREN_FAULT_NOREPLACE": "1"},
                                     *self.args())
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(closing(3, 2, 1, (1, system(errno.EEXIST)))))
        self.assertEqual(self.read("1_f0001.txt"), b"already here")
        self.assertEqual(self.read("f0001.txt"), b"1")
        self.assertEqual(self.read("0_f0000.txt"), b"0")
        self.assertEqual(self.read("2_f0002.txt"), b"2")

    def test_no_replace_and_links_both_refused(self):
        self.make_files(2)
        status, out, _ = self.faulty({"FLDREN_FAULT_NOREPLACE": "1",
                                      "FLDREN_FAULT_LINK": "1"}, *self.args())
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(closing(2, 0, 2, (2, system(errno.EPERM)))))
        self.assertEqual(self.check_accounted(2), set())

    def test_no_link_is_made_before_its_line_reads_linking(self):
        # The word "Linking" is what lets fldren-undo remove a second name:
        # when it cannot be written, the link is not made.
        self.make_files(2)
        status, out, _ = self.faulty({"FLDREN_FAULT_NOREPLACE": "1",
                                      "FLDREN_FAULT_WRITES": "1"},
                                     *self.args())
        self.assertEqual(status, 1)
        self.assertIn(b"\tFailure\t" + support.NOT_WRITTEN, out)
        self.assertEqual(self.read("f0000.txt"), b"0")
        self.assertFalse(self.exists("0_f0000.txt"))
        self.assertEqual([e[2] for e in support.journal(self.read("out.txt"))],
                         [b"Pending"])

    def test_a_short_write_leaves_no_half_result_word(self):
        # The second write carries the first line's result word; cut short
        # inside the word, and the rest refused, that line goes again alone.
        self.make_files(2)
        status, _, _ = self.faulty({"FLDREN_FAULT_SHORT": "2"}, *self.args())
        self.assertEqual(status, 1)
        self.assertEqual(
            [e[2] for e in support.journal(self.read("out.txt"))][:1],
            [b"Success"])
        self.assertEqual(self.read("0_f0000.txt"), b"0")

    def test_settling_a_last_line_never_takes_it_away(self):
        # -r settles the earlier run's last line, whose rename was made, by
        # writing its result over its word before anything is cut: when
        # that write fails, the line still stands for the rename.
        self.make_files(3)
        self.run_fldren(*self.args())
        whole = self.read("out.txt")
        word_at = whole.rindex(b"\tSuccess\t") + 1
        self.write("out.txt", whole[:word_at] + b"Pending")
        status, _, _ = self.faulty({"FLDREN_FAULT_WRITES": "0"},
                                   *(self.args() + ["-r"]))
        self.assertEqual(status, 1)
        self.assertEqual(self.read("out.txt"), whole[:word_at] + b"Pending")
        status, out, _ = self.run_fldren(*(self.args() + ["-r"]))
        self.assertEqual(status, 0, out)
        self.assertEqual(self.read("out.txt"), whole)

    def test_refused_lines_never_read_pending(self):
        # A second run over an export already renamed refuses every record.
        # Stopped by a failing write, its lines read Failure, never Pending,
        # and its undo renames nothing.
        self.make_files(4)
        self.run_fldren(*self.args())
        status, _, _ = self.faulty({"FLDREN_FAULT_WRITES": "2"}, "-x",
                                   "list.txt", "-f", "fields.txt", "-o",
                                   "second.txt")
        self.assertEqual(status, 1)
        self.assertEqual(
            [e[2] for e in support.journal(self.read("second.txt"))],
            [b"Failure", b"Failure"])
        before = self.snapshot()
        status, _, _ = self.run_fldren("second.txt",
                                       binary=support.UNDO_BINARY)
        self.assertEqual(status, 0)
        self.assertEqual(self.snapshot(), before)

    def test_folders_that_alternate_or_move_midway(self):
        # Records whose folders alternate, and a folder that another
        # program moves away (and replaces with an empty one) midway: no
        # file is renamed unless its path still names it, as any folder
        # kept open between records would have to honour.
        names = ("d1/a", "d1/c", "d2/b", "d2/d", "d1/e")
        for name in names:
            self.write(name, name.encode())
        self.inputs(b"".join(b"x\tp\t%d\tE\t%s\n" % (i, self.full(name))
                             for i, name in enumerate(names)), b"Int. ID\n")
        status, out, _ = self.faulty(
            {"FLDREN_FAULT_SWAP": self.full("d1").decode()}, *self.args())
        self.assertEqual(status, 3, out)
        self.assertTrue(out.endswith(closing(5, 3, 2, (2, support.NO_FILE))))
        self.assertEqual(self.read("d1.moved/0_a"), b"d1/a")
        self.assertEqual(self.read("d2/2_b"), b"d2/b")
        self.assertEqual(self.read("d2/3_d"), b"d2/d")
        self.assertEqual(self.read("d1.moved/c"), b"d1/c")
        self.assertEqual(self.read("d1.moved/e"), b"d1/e")
        self.assertEqual(os.listdir(self.path("d1")), [])

    def read_once_run(self, names, faults):
        """Eight records of missing names first, so that on a share the
        folder has had lookings enough to be read whole, then names."""
        names = ["d1/m%d" % i for i in range(8)] + names
        self.inputs(b"".join(b"x\tp\t%d\tE\t%s\n" % (i, self.full(name))
                             for i, name in enumerate(names)), b"Int. ID\n")
        return self.faulty(faults, *self.args())

    def test_folder_read_once_answers_as_its_disk_would(self):
        # Where a folder of many records is read once (on a share), its
        # listing answers only for what it saw as a file: a folder is still
        # refused, and a name this run renamed away is missing.
        for name in ("d1/a", "d1/b", "d1/sub/inside"):
            self.write(name, name.encode())
        status, out, _ = self.read_once_run(
            ["d1/a", "d1/sub", "d1/a", "d1/b"], {})
        self.assertEqual(status, 3, out)
        self.assertTrue(out.endswith(closing(
            12, 2, 10, (9, support.NO_FILE), (1, support.FOLDER))), out)
        self.assertEqual(self.read("d1/8_a"), b"d1/a")
        self.assertEqual(self.read("d1/11_b"), b"d1/b")
        self.assertEqual(self.read("d1/sub/inside"), b"d1/sub/inside")

    def test_folder_read_once_then_moved_midway(self):
        # A folder read whole, then moved away and replaced by an empty one
        # after its first rename: the names it held are missing from the
        # folder now at its path, and said so, not renamed.
        for name in ("d1/a", "d1/c"):
            self.write(name, name.encode())
        status, out, _ = self.read_once_run(
            ["d1/a", "d1/c"], {"FLDREN_FAULT_SWAP": self.full("d1").decode()})
        self.assertEqual(status, 3, out)
        self.assertTrue(out.endswith(closing(10, 1, 9, (9, support.NO_FILE))),
                        out)
        self.assertEqual(self.read("d1.moved/8_a"), b"d1/a")
        self.assertEqual(self.read("d1.moved/c"), b"d1/c")

    def test_file_overwritten_after_its_hash_ahead_is_hashed_again(self):
        # A worker hashes the second file ahead of the loop; then another
        # program overwrites it in place, same size and inode. Its earlier
        # digest no longer tells its contents: it is read again, and found
        # to differ.
        contents = (b"zero", b"one!")
        for i, content in enumerate(contents):
            self.write("f%d.doc" % i, content)
        self.inputs(b"".join(b"f%d.doc\tp\t%d\tE\t%s\t%s\n" % (
            i, i, self.full("f%d.doc" % i),
            hashlib.md5(content).hexdigest().encode())
            for i, content in enumerate(contents)), b"Int. ID\n",
            support.HEADER.rstrip(b"\n") + b"\tMD5\n")
        status, out, _ = self.faulty({"FLDREN_FAULT_REWRITE": "f1.doc"},
                                     *self.args(), "-c", "MD5")
        differs = b"The file's contents differ from the hash in the list"
        # Its own status: the list does not describe the export.
        self.assertEqual(status, 4, out)
        self.assertTrue(out.endswith(closing(2, 1, 1, (1, differs)) +
                                     support.differing(1)), out)
        self.assertEqual(self.read("0_f0.doc"), b"zero")
        self.assertEqual(self.read("f1.doc"), b"#ne!")

    def test_undo_log_writes_failing_midway(self):
        self.make_files(4)
        self.run_fldren(*self.args())
        env = dict(LD_PRELOAD=support.FAULT_SHIM, FLDREN_FAULT_WRITES="2")
        status, out, _ = self.run_fldren("out.txt", "-o", "undo.txt",
                                         binary=support.UNDO_BINARY, env=env)
        self.assertEqual(status, 1)
        self.assertIn(b"\nCan't write to undo log " + self.full("undo.txt"),
                      out)
        # Two undos logged and done; the third taken back; the first stays.
        self.assertEqual(len(self.read("undo.txt").splitlines()), 2)
        self.assertEqual(sum(self.exists("f%04d.txt" % i) for i in range(4)),
                         2)
