"""End-to-end cases for the command line, the usage pages and the input
and output files."""

import errno
import os
import pty
import re
import shutil
import subprocess

import support

from support import (Case, FIELDS, HEADER, LAST_COMPILED, USAGE_PAGES,
                     lines)


class ArgumentGate(Case):
    def check_usage(self, args, status):
        got_status, out, err = self.run_fldren(*args)
        self.assertEqual(got_status, status)
        self.assertEqual(err, b"")
        match = LAST_COMPILED.search(out)
        self.assertIsNotNone(match, out[-200:])
        self.assertEqual(out[:match.start()], lines(USAGE_PAGES))

    def test_short_command_lines_show_the_usage_pages(self):
        for args in ([], ["-x", "a"], ["a", "b"]):
            with self.subTest(args=args):
                self.check_usage(args, 1)

    def test_question_mark_asks_for_help_whatever_follows(self):
        for first in ("?", "-?", "??", "/?"):
            with self.subTest(first=first):
                self.check_usage([first, "-x", "a", "-f", "b"], 1)

    def test_missing_value_shows_the_pages_with_status_5(self):
        for args in (["-x", "a", "-f"], ["-x", "-f", "b"],
                     ["-o", "-x", "a"], ["-xa", "-fb", "-o"]):
            with self.subTest(args=args):
                self.check_usage(args, 5)

    def test_pauses_take_one_character_each(self):
        # Several characters before Return, or none at all: never waits.
        for stdin in (b"", b"abc\n", b"\n\n\n"):
            status, out, _ = self.run_fldren(stdin=stdin)
            self.assertEqual(status, 1)
            self.assertTrue(out.startswith(lines(b"\n\n\nMissing")))

    def test_screen_is_cleared_only_on_a_terminal(self):
        # Redirected output gets no control text (the cases above); a
        # terminal is cleared before each of the three pages.
        if support.WINE:
            self.skipTest("Wine's console is not a POSIX terminal")
        status, shown = self.run_on_terminal()
        self.assertEqual(status, 1)
        self.assertEqual(shown.count(b"\033[H\033[2J"), 3)
        self.assertTrue(shown.startswith(b"\033[H\033[2J\r\n\r\n\r\nMissing"))

    def test_empty_first_argument_is_no_request_for_help(self):
        # Nor an option: it is refused as every stray word is.
        self.check(["", "-x", "a", "-f", "b"], 5,
                   b"\nArgument \"\" is not an option of fldren (its "
                   b"options begin with -); nothing was done\n")

    def test_help_shows_the_pages_with_status_0(self):
        # Past the gate however short the command line, and where it
        # stands among the options.
        for args in (["--help"], ["-h"], ["-x", "a", "-h", "junk"]):
            with self.subTest(args=args):
                self.check_usage(args, 0)

    def test_help_never_waits_for_a_key_when_output_is_redirected(self):
        # Typed at a terminal, piped into a pager: nobody sees the pages'
        # "Hit return", so it must not wait for one.
        if support.WINE:
            self.skipTest("Wine's console is not a POSIX terminal")
        master, slave = pty.openpty()
        process = subprocess.Popen([support.BINARY, "--help"], stdin=slave,
                                   stdout=subprocess.PIPE, cwd=self.dir)
        os.close(slave)
        try:
            out, _ = process.communicate(timeout=20)
        finally:
            process.kill()
            os.close(master)
        self.assertEqual(process.returncode, 0)
        self.assertTrue(out.startswith(USAGE_PAGES[:40]), out[:80])

    def test_version_names_the_program_and_its_build(self):
        for program, name in ((support.BINARY, b"fldren"),
                              (support.UNDO_BINARY, b"fldren-undo")):
            with self.subTest(program=name):
                status, out, err = self.run_fldren("--version",
                                                   binary=program)
                self.assertEqual((status, err), (0, b""))
                self.assertRegex(out, re.escape(name) + (
                    rb" 1\.1\.0\r?\nLast compiled: [A-Z][a-z]{2} [ 0-9][0-9] "
                    rb"[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} "
                    rb"\S*src[/\\]fldren\.cpp\r?\n\Z"))

    def test_manual_pages_render_and_follow_the_programs(self):
        # Each page beside its program renders without a warning, names
        # the version the program prints and every option its help shows.
        for program, name in ((support.BINARY, "fldren"),
                              (support.UNDO_BINARY, "fldren-undo")):
            with self.subTest(program=name):
                page = os.path.join(os.path.dirname(program), name + ".1")
                shown = subprocess.run(
                    ["groff", "-man", "-ww", "-Tutf8", "-P-cbou", page],
                    capture_output=True, check=True,
                    env=dict(os.environ, LC_ALL="C.UTF-8"))
                self.assertEqual(shown.stderr, b"")
                text = shown.stdout.decode().replace("\u2010", "-")
                version = self.run_fldren("--version", binary=program)[1]
                self.assertIn(version.split()[1].decode(), text)
                usage = self.run_fldren("--help", binary=program)[1]
                letters = re.search(rb"Options: \[-(\w+)\]", usage)
                options = ["-" + chr(c) for c in letters.group(1)] if (
                    letters) else [o.decode() for o in
                                   re.findall(rb"\[(-\w)", usage)]
                self.assertGreater(len(options), 1, usage[:300])
                for option in options + ["-h", "--help", "--version"]:
                    self.assertRegex(text, r"(?m)^ +(\S+, )*" +
                                     re.escape(option) + r"\b", option)


class OptionParser(Case):
    def test_illegal_letters(self):
        # -q, -n and -s are letters of their own now; w is none.
        for args, rest in ((["-w", "a", "b"], b"w"),
                           (["-xa", "-wz", "b"], b"wz"),
                           (["-xa", "-qz", "b"], b"z"),
                           (["-fb", "-oq", "-w", "x"], b"w")):
            with self.subTest(args=args):
                self.check(args, 5, b"\nIllegal option " + rest + b"\n")

    def test_question_mark_among_letters_ends_silently(self):
        self.check(["-n", "-xa", "-?"], 5, b"")
        self.check(["-n", "-x", "a", "-f?"], 1,
                   b"\ncan't open input file " + self.full("?") +
                   support.why(errno.ENOENT, b"Invalid name."))

    def names_opened(self, args):
        self.write("a", FIELDS)
        self.write("b", HEADER)
        self.write("c", HEADER)
        return self.run_fldren(*args)

    def test_forms_of_the_options(self):
        for args in (["-f", "a", "-x", "b"], ["-fa", "-xb", "-o", "o"],
                     ["-X", "b", "-F", "a"], ["-x", "c", "-xb", "-fa"],
                     ["-", "-fa", "-", "-xb"], ["-f", "./d/../a", "-xb"]):
            with self.subTest(args=args):
                if self.exists("o"):
                    os.remove(self.path("o"))
                status, out, err = self.names_opened(args)
                self.assertEqual(status, 0, out)
                warned = b"" if "-o" in args else b"\n" + support.NO_RECORD
                self.assertIn(lines(self.opened("a", "b") + b"\n\n" + warned +
                                    b"\n\n"), out)
                self.assertEqual("-o" in args, self.exists("o"))

    def stray(self, word, meant=b""):
        return (b"\nArgument " + word + b" is not an option of fldren (its "
                b"options begin with -" + meant + b"); nothing was done\n")

    def test_parsing_stops_at_the_first_plain_argument(self):
        # A word that is no option nor an option's value would be dropped
        # in silence, and the options after it with it: the command line is
        # refused before anything is opened, at its first stray word.
        self.names_opened([])
        for args, word in ((["-x", "b", "junk", "-f", "a"], b"junk"),
                           (["-xb", "-fa", "plan.txt", "-n"], b"plan.txt"),
                           (["-xq", "junk", "x", "-fa"], b"junk"),
                           (["junk", "-xb", "-fa"], b"junk"),
                           (["-x", "b", "junk", "more"], b"junk")):
            with self.subTest(args=args):
                self.check(args, 5, self.stray(word))
        # The run to continue is known only by its output file.
        self.check(["-xb", "-fa", "-r"], 5, b"\nOption -r continues the run "
                   b"whose output file -o names; give -o. Nothing was done\n")
        self.assertEqual(sorted(os.listdir(self.dir)), ["a", "b", "c"])

    def test_stray_word_renames_nothing(self):
        # n for -n, or /n as Windows programs spell it: a preview must not
        # become a run. The option meant is named where it is clear.
        self.write("a.txt", b"A")
        self.inputs(self.record("a.txt"))
        for word, meant in (("n", b", as -n"), ("/n", b", as -n"),
                            ("/Nq", b", as -Nq"), ("//o", b", as -o"),
                            ("/xl.txt", b""), ("nothing", b""),
                            ("/", b"")):
            with self.subTest(word=word):
                self.check(["-x", "list.txt", "-f", "fields.txt", word], 5,
                           self.stray(word.encode(), meant))
        self.assertEqual(self.listdir(), ["a.txt", "fields.txt", "list.txt"])

    def test_value_attached_to_a_letter_is_the_whole_rest(self):
        self.names_opened([])
        self.write("q", FIELDS)
        status, out, _ = self.run_fldren("-xq", "junk", "-f")
        # -xq names the export list 'q'; 'junk' is then no option's value.
        self.assertEqual(out, lines(self.stray(b"junk")))
        self.assertEqual(status, 5)


class InputFiles(Case):
    def test_output_file_is_emptied_only_when_it_records_no_rename(self):
        # The output file is the only record of the renames it lists: a
        # rerun, a mistyped list or a stopped run never empties it, nor a
        # file fldren did not write. An empty file, a preview's and one of
        # refusals only are replaced.
        run = ["-x", "list.txt", "-f", "fields.txt", "-o", "out.txt"]
        renames = (b" records the renames of an earlier run; it is the only "
                   b"record of them, and is never emptied. Continue that "
                   b"run with -r, or name another output file. Nothing was "
                   b"changed\n")
        stopped = (b" holds a run that was stopped before its end (its run "
                   b"record has no exit status). Continue the run with -r, "
                   b"or name another output file. Nothing was changed\n")
        foreign = (b" holds lines fldren does not write: it is no output "
                   b"file, and is not emptied. Name another output file. "
                   b"Nothing was changed\n")

        def unfinished():
            self.run_fldren(*run)
            kept = [line for line in self.read("out.run.txt").splitlines(True)
                    if not line.startswith((b"Ended", b"Exit status"))]
            self.write("out.run.txt", b"".join(kept))

        def refusals_only():
            os.remove(self.path("a.txt"))
            self.run_fldren(*run)
            self.write("a.txt", b"A")

        cases = (
            ("the same run again", lambda: self.run_fldren(*run), run,
             renames),
            ("a list that is not there", lambda: self.run_fldren(*run),
             ["-x", "missing.txt"] + run[2:],
             b"\ncan't open input file " + self.full("missing.txt") +
             support.why(*support.NOT_FOUND)),
            ("the examiner's notes",
             lambda: self.write("out.txt", b"Case 12: seized 3 May\n"), run,
             foreign),
            ("a run killed before its end", unfinished, run, stopped),
            ("a preview's file",
             lambda: self.run_fldren(*(["-n"] + run)), run, None),
            ("an empty file", lambda: self.write("out.txt", b""), run, None),
            ("refusals only", refusals_only, run, None),
        )
        for what, prepare, args, message in cases:
            with self.subTest(what):
                for name in os.listdir(self.dir):
                    os.remove(os.path.join(self.dir, name))
                self.write("a.txt", b"A")
                self.inputs(self.record("a.txt"))
                prepare()
                # Every file, the run record included.
                before = {name: self.read(name)
                          for name in os.listdir(self.dir)}
                status, out, _ = self.run_fldren(*args)
                if message is None:
                    self.assertEqual(status, 0, out)
                    self.assertEqual([e[2] for e in support.journal(
                        self.read("out.txt"))], [b"Success"])
                    continue
                self.assertEqual(status, 1, out)
                self.assertTrue(out.endswith(lines(message)), out)
                self.assertNotIn(b"Output file created", out)
                self.assertEqual({name: self.read(name)
                                  for name in os.listdir(self.dir)}, before)

    def test_output_file_that_cannot_be_created(self):
        self.inputs(b"")
        self.check(["-o", "no/such/out.txt", "-x", "list.txt", "-f",
                    "fields.txt"], 1,
                   b"nCan't create/open output filename " +
                   self.full("no/such/out.txt") +
                   support.why(errno.ENOENT, b"Path not found."))

    def test_output_file_is_never_one_of_the_inputs(self):
        self.inputs(self.record("a.txt"))
        self.write("a.txt", b"A")
        listed = self.read("list.txt")
        os.link(self.path("list.txt"), self.path("link.txt"))
        # Any name that leads to an input is refused, however it is spelt.
        names = ["list.txt", "./fields.txt", "link.txt"]
        if support.WINE:
            names += ["LIST.TXT", "\\\\?\\" + self.full_text("list.txt")]
        for name in names:
            with self.subTest(name=name):
                status, out, _ = self.run_fldren(
                    "-x", "list.txt", "-f", "fields.txt", "-o", name)
                self.assertEqual(status, 1)
                self.assertTrue(out.endswith(lines(
                    b" is one of the input files; nothing was changed\n")),
                    out)
        self.assertEqual(self.read("list.txt"), listed)
        self.assertEqual(self.read("fields.txt"), FIELDS)
        self.assertTrue(self.exists("a.txt"))
        # Named for both, neither there: the list is looked for first, and
        # no output file is made.
        status, out, _ = self.run_fldren("-x", "new.txt", "-f", "fields.txt",
                                         "-o", "new.txt")
        self.assertEqual(status, 1)
        self.assertTrue(out.endswith(b"\ncan't open input file " +
                                     self.full("new.txt") +
                                     support.why(*support.NOT_FOUND)), out)
        self.assertFalse(self.exists("new.txt"))

    def test_export_list_that_cannot_be_opened(self):
        self.write("fields.txt", FIELDS)
        self.check(["-x", "missing.txt", "-f", "fields.txt"], 1,
                   self.opened("fields.txt") + b"\ncan't open input file " +
                   self.full("missing.txt") + support.why(*support.NOT_FOUND))

    def test_option_not_given_names_no_file(self):
        # Never the name resolved for another option.
        self.write("fields.txt", FIELDS)
        self.check(["-f", "fields.txt", "-o", "out.txt"], 1,
                   self.opened("fields.txt") + b"\ncan't open input file " +
                   b"(no name was given for it)")
        self.assertFalse(self.exists("out.txt"))

    def test_name_too_long_to_resolve_as_an_option(self):
        # Kept as given and reported under its own name, never under the
        # field list's.
        self.write("fields.txt", FIELDS)
        long_name = "n" * 3000
        self.check(["-f", "fields.txt", "-x", long_name], 1,
                   self.opened("fields.txt") + b"\ncan't open input file " +
                   self.full(long_name) +
                   support.why(errno.ENAMETOOLONG, b"File not found."))

    def test_directory_is_no_input_file(self):
        os.mkdir(self.path("folder"))
        self.check(["-x", "folder", "-f", "folder"], 1,
                   b"\ncan't open input file " + self.full("folder") +
                   support.why(errno.EISDIR, b"Access denied."))


class FieldList(Case):
    """The titles read show in the new names of a one-record export list."""

    HEADER = b"Name\tPath\tEvidence object\tA1\tB22\tC3\tDestination\n"

    def renamed_to(self, fields):
        self.write("f.txt", b"x")
        self.write("fields.txt", fields)
        self.write("list.txt", self.HEADER + b"f.txt\tp\tE\ta\tb\tc\t" +
                   self.full("f.txt") + b"\n")
        status, out, err = self.run_fldren("-x", "list.txt", "-f",
                                           "fields.txt")
        self.assertIn(status, (0, 3), out)
        self.assertEqual(err, b"")
        return self.listdir()

    def test_titles_and_where_the_list_ends(self):
        for fields, name in (
                (b"A1\nB22", "a_b_f.txt"),             # no final line feed
                (b"B22   \nA1 \n", "b_a_f.txt"),        # trailing spaces go
                (b"A1\r\nC3\r\n", "a_c_f.txt"),        # CR LF lines
                (b"A1\n\nB22\n", "a_f.txt"),            # blank line ends it
                (b"A1\nx\nB22\n", "a_f.txt"),           # so does one character
                (b"A1\n      \nB22\n", "a_f.txt"),      # and a line of spaces
                (b"c3\n", "c_f.txt"),                  # any case
                (b"A1\nA1\n", "a_a_f.txt")):
            with self.subTest(fields=fields):
                shutil.rmtree(self.dir)
                os.mkdir(self.dir)
                self.assertIn(name, self.renamed_to(fields))

    def test_longest_line_and_most_titles_are_accepted(self):
        self.assertIn("a_f.txt", self.renamed_to(
            b"A1" + b" " * 252 + b"\n"))
        shutil.rmtree(self.dir)
        os.mkdir(self.dir)
        # Every title must name a column and at most 99 may: 128 titles are
        # read whole, to be refused by the header's analysis, not as a list
        # too long.
        self.write("f.txt", b"x")
        self.write("fields.txt", b"A1\n" * 128)
        self.write("list.txt", self.HEADER + b"f.txt\tp\tE\ta\tb\tc\t" +
                   self.full("f.txt") + b"\n")
        self.check(["-x", "list.txt", "-f", "fields.txt"], 1,
                   self.opened("fields.txt", "list.txt") + b"\n\n" +
                   b"\nMore than 99 titles of the field list were found in "
                   b"the header; at most 99 can be added to a name. Nothing "
                   b"was renamed\n")
        self.assertTrue(self.exists("f.txt"))

    def refused(self, fields, message):
        self.write("f.txt", b"x")
        self.write("fields.txt", fields)
        self.write("list.txt", self.HEADER + b"f.txt\tp\tE\ta\tb\tc\t" +
                   self.full("f.txt") + b"\n")
        # Refused before the output file is made.
        self.check(["-x", "list.txt", "-f", "fields.txt", "-o", "out.txt"], 1,
                   self.opened("fields.txt") + message)
        self.assertEqual(self.listdir(), ["f.txt", "fields.txt", "list.txt"])

    def test_line_too_long_for_a_title_is_refused(self):
        self.refused(b"A1\n" + b"B" * 255 + b"\n",
                     b"\nField list line 2 is longer than 255 characters; "
                     b"nothing was renamed\n")

    def test_list_without_a_title_is_refused(self):
        # The list ends at its first line that is no title: a blank first
        # line leaves the titles below it out, and with them every value.
        for fields in (b"", b"\n", b"\nA1\n", b"   \nA1\n", b"x\nA1\n"):
            with self.subTest(fields=fields):
                shutil.rmtree(self.dir)
                os.mkdir(self.dir)
                self.refused(fields,
                             b"\nThe field list holds no title (its first "
                             b"line is missing, blank or shorter than 3 "
                             b"characters, which ends the list); nothing was "
                             b"renamed\n")

    def test_more_titles_than_the_list_holds_are_refused(self):
        self.refused(b"A1\n" * 129,
                     b"\nThe field list holds more than 128 titles; nothing "
                     b"was renamed\n")


