"""End-to-end cases for input no export list should hold but evidence can:
huge lines and headers, floods of blank lines, enormous field lists, every
byte value, and Destination values naming a directory."""

import os

import support
from support import Case, HEADER, closing, lines


def on_disk(name):
    """A name of an 8-bit list as the case's files are named: Wine reads
    the bytes through the Windows code page, where a byte it does not
    define stands for the character of the same number."""
    if not support.WINE:
        return name.decode("latin-1")
    return "".join(bytes([b]).decode("cp1252", "ignore") or chr(b)
                   for b in name)


class HostileInput(Case):
    def run_list(self, listed, fields=b"Int. ID\n"):
        self.write("list.txt", listed)
        self.write("fields.txt", fields)
        return self.run_fldren("-x", "list.txt", "-f", "fields.txt")

    def test_header_of_5000_columns(self):
        self.write("a.txt", b"A")
        self.write("b.txt", b"B")
        extra = b"".join(b"\tc%d" % i for i in range(4995))
        header = HEADER.rstrip(b"\n") + extra + b"\n"
        values = b"\tv" * 4995
        record = lambda n: (b"%s\tp\t1\tE\t%s%s\n" % (
            n.encode(), self.full(n), values))
        status, out, err = self.run_list(header + record("a.txt"))
        self.assertEqual((status, err), (0, b""), out[-300:])
        self.assertEqual(self.read("1_a.txt"), b"A")
        # The same header with Destination as its last column: beyond the
        # columns a record holds, so nothing is renamed.
        header = b"Name\tPath\tInt. ID\tEvidence" + extra + b"\tDestination\n"
        status, out, _ = self.run_list(
            header + b"b.txt\tp\t1\tE" + values + b"\t" + self.full("b.txt") +
            b"\n")
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(lines(
            closing(1, 0, 1, (1, support.NO_COLUMN), kept=False))))
        self.assertEqual(self.read("b.txt"), b"B")

    def test_line_of_10_mib_is_one_record(self):
        self.write("b.txt", b"B")
        status, out, _ = self.run_list(
            HEADER + b"\t".join([b"x" * (2 << 20)] * 5) + b"\n" +
            b"b.txt\tp\t1\tE\t" + self.full("b.txt") + b"\n")
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(lines(
            b"\tSuccess" + closing(2, 1, 1, (1, support.NAME_TOO_LONG),
                                   kept=False))))
        self.assertEqual(self.read("1_b.txt"), b"B")

    def test_million_blank_lines(self):
        self.write("b.txt", b"B")
        status, out, _ = self.run_list(
            HEADER + b"\n" * 500000 + b"\r\n" * 500000 +
            b"b.txt\tp\t1\tE\t" + self.full("b.txt") + b"\n")
        self.assertEqual(status, 0)
        self.assertTrue(out.endswith(lines(closing(1, 1, 0, kept=False))))

    def test_field_list_of_10000_titles(self):
        self.write("b.txt", b"B")
        status, out, _ = self.run_list(
            HEADER + b"b.txt\tp\t1\tE\t" + self.full("b.txt") + b"\n",
            b"".join(b"Title %d\n" % i for i in range(10000)))
        self.assertEqual(status, 1)
        self.assertTrue(out.endswith(lines(
            b"\nThe field list holds more than 128 titles; nothing was "
            b"renamed\n")))
        self.assertEqual(self.read("b.txt"), b"B")

    def test_every_byte_value_in_a_column(self):
        # Every byte above 0x7F in the value put in front of the name, in
        # the Destination's own name and in a column no rename uses; a
        # chosen value with control bytes or a NUL is refused. The output
        # file gives every byte back as it was read.
        high = bytes(range(0x80, 0x100))
        # In halves: Wine keeps names as UTF-8, where 128 of them would be
        # longer than a Linux name can be.
        low, top = high[:64], high[64:]
        rows = [  # chosen value, Destination's name, new name or reason
            (low, b"a.txt", low + b"_a.txt"),
            (top, b"b.txt", top + b"_b.txt"),
            (b"2", low + b".txt", b"2_" + low + b".txt"),
            (b"3", top + b".txt", b"3_" + top + b".txt"),
            (b"4", b"c.txt", b"4_c.txt"),
            (b"\x1a\r" + high, b"d.txt", support.forbidden(b"\\x1A")),
            (high + b"\x00", b"e.txt", support.UNUSABLE),
        ]
        listed = HEADER
        for chosen, name, _ in rows:
            self.write(on_disk(name), name)
            # The fifth record's noise stands in the Path column.
            path = high + b"\x00\x1a\r" if chosen == b"4" else b"p"
            listed += b"%s\t%s\t%s\tE\t%s\n" % (
                name, path, chosen, self.full(name.decode("latin-1")))
        self.write("list.txt", listed)
        self.write("fields.txt", b"Int. ID\n")
        status, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt",
                                         "-o", "out.txt")
        self.assertEqual(status, 3, out[-300:])
        self.assertTrue(out.endswith(lines(closing(
            7, 5, 2, (1, rows[5][2]), (1, support.UNUSABLE)))))
        entries = support.journal(self.read("out.txt"))
        for (chosen, name, outcome), entry in zip(rows, entries):
            with self.subTest(chosen=chosen, name=name):
                renamed = outcome not in (rows[5][2], support.UNUSABLE)
                self.assertEqual(support.file_name(entry[0]), name)
                self.assertEqual(support.file_name(entry[1]),
                                 outcome if renamed else chosen + b"_" + name)
                self.assertEqual(entry[2:], (
                    b"Success" if renamed else b"Failure", chosen))
                kept = on_disk(outcome if renamed else name)
                self.assertEqual(self.read(kept), name)

    def test_control_characters_never_reach_the_terminal(self):
        # A value that would rewrite the report line, and (on Linux, where
        # a name may hold them) a name that would retitle the window: the
        # console shows them escaped, the output file keeps them as read.
        rows = [(b"\x1b[2K\r", b"a.txt", b"\\x1B[2K\\x0D")]
        if not support.WINE:
            rows.append((b"2", b"b\x1b]0;owned\x07.txt",
                         b"b\\x1B]0;owned\\x07.txt"))
        listed = HEADER
        for chosen, name, _ in rows:
            self.write(name.decode("latin-1"), b"X")
            listed += b"%s\tp\t%s\tE\t%s\n" % (
                b"n", chosen, self.full(name.decode("latin-1")))
        self.write("list.txt", listed)
        self.write("fields.txt", b"Int. ID\n")
        _, out, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt", "-o",
                                    "out.txt")
        self.assertNotIn(b"\x1b", out)
        self.assertNotIn(b"\x07", out)
        self.assertIn(b"\\x1B[2K\\x0D_a.txt\tFailure", out)
        kept = self.read("out.txt")
        self.assertIn(b"\x1b[2K\r_a.txt\tFailure", kept)
        if not support.WINE:
            self.assertIn(b"b\\x1B]0;owned\\x07.txt\tSuccess", out)
            self.assertIn(b"2_b\x1b]0;owned\x07.txt\tSuccess", kept)
            self.assertEqual(self.read("2_b\x1b]0;owned\x07.txt"), b"X")

    def test_destination_naming_a_directory_is_left_alone(self):
        # Renaming a folder would move every file below it, and the later
        # records that name them would then fail.
        self.write("d/inner.txt", b"I")
        status, out, _ = self.run_list(
            HEADER + b"d\tp\t1\tE\t" + self.full("d") + b"\n" +
            b"inner.txt\tp\t2\tE\t" + self.full("d/inner.txt") + b"\n")
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(lines(
            b"\tSuccess" + closing(2, 1, 1, (1, support.FOLDER), kept=False))))
        self.assertTrue(os.path.isdir(self.path("d")))
        self.assertEqual(self.read("d/2_inner.txt"), b"I")
