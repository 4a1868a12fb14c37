"""End-to-end cases for input no export list should hold but evidence can:
huge lines and headers, floods of blank lines, enormous field lists, every
byte value, and Destination values naming a directory."""

import os

import support
from support import Case, HEADER, closing, lines


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
            closing(1, 0, 1, (1, support.NO_COLUMN)))))
        self.assertEqual(self.read("b.txt"), b"B")

    def test_line_of_10_mib_is_one_record(self):
        self.write("b.txt", b"B")
        status, out, _ = self.run_list(
            HEADER + b"\t".join([b"x" * (2 << 20)] * 5) + b"\n" +
            b"b.txt\tp\t1\tE\t" + self.full("b.txt") + b"\n")
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(lines(
            b"\tSuccess" + closing(2, 1, 1, (1, support.NAME_TOO_LONG)))))
        self.assertEqual(self.read("1_b.txt"), b"B")

    def test_million_blank_lines(self):
        self.write("b.txt", b"B")
        status, out, _ = self.run_list(
            HEADER + b"\n" * 500000 + b"\r\n" * 500000 +
            b"b.txt\tp\t1\tE\t" + self.full("b.txt") + b"\n")
        self.assertEqual(status, 0)
        self.assertTrue(out.endswith(lines(closing(1, 1, 0))))

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
        self.write("b.txt", b"B")
        noise = bytes(range(0x80, 0x100)) + b"\x00\x1a\r"
        status, out, _ = self.run_list(
            HEADER + b"b.txt\t" + noise + b"\t1\tE\t" + self.full("b.txt") +
            b"\n")
        self.assertEqual(status, 0, out[-300:])
        self.assertEqual(self.read("1_b.txt"), b"B")

    def test_destination_naming_a_directory_is_left_alone(self):
        # Renaming a folder would move every file below it, and the later
        # records that name them would then fail.
        self.write("d/inner.txt", b"I")
        status, out, _ = self.run_list(
            HEADER + b"d\tp\t1\tE\t" + self.full("d") + b"\n" +
            b"inner.txt\tp\t2\tE\t" + self.full("d/inner.txt") + b"\n")
        self.assertEqual(status, 3)
        self.assertTrue(out.endswith(lines(
            b"\tSuccess" + closing(2, 1, 1, (1, support.FOLDER)))))
        self.assertTrue(os.path.isdir(self.path("d")))
        self.assertEqual(self.read("d/2_inner.txt"), b"I")
