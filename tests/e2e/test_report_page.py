"""End-to-end cases for the report page beside the output file: the run
record's facts from the same values, every failure with its reason and
hashes, the bars of the reasons, and hostile names shown as text."""

import hashlib
import html.parser
import os
import shutil
import subprocess

import support
from support import Case, HEADER, record_sections


class Page(html.parser.HTMLParser):
    """A report page as a browser reads it: each table's rows as the text
    of their cells, the line at its top, and every element with its
    attributes."""

    def __init__(self, data):
        super().__init__(convert_charrefs=True)
        self.elements = []
        self.tables = {}
        self.state = None
        self.heading = ""
        self.paragraphs = []
        self._table = None
        self._cell = None
        self._row = None
        self._text = None
        self.feed(data.decode("utf-8"))
        self.close()

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.elements.append((tag, attrs))
        if tag == "table":
            self._table = self.tables.setdefault(attrs.get("class"), [])
        elif tag == "tr" and self._table is not None:
            self._row = []
        elif tag in ("td", "th") and self._row is not None:
            self._cell = ""
        elif tag == "br" and self._cell is not None:
            self._cell += "\n"
        elif tag == "p":
            self._text = ""
            self._class = attrs.get("class")

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self._cell is not None:
            self._row.append(self._cell)
            self._cell = None
        elif tag == "tr" and self._row is not None:
            self._table.append(self._row)
            self._row = None
        elif tag == "table":
            self._table = None
        elif tag == "p" and self._text is not None:
            if self._class in ("complete", "incomplete"):
                self.state = (self._class, self._text)
            elif self._class == "note":
                self.heading = self._text
            else:
                self.paragraphs.append(self._text)
            self._text = None

    def handle_data(self, data):
        if self._cell is not None:
            self._cell += data
        if self._text is not None:
            self._text += data


class ReportPage(Case):
    def page(self, name="out.report.html"):
        return Page(self.read(name))

    def check_no_outside_reference(self, page):
        # Nothing is loaded from anywhere: no script, no frame, no image,
        # no link or source of any kind.
        for tag, attrs in page.elements:
            self.assertNotIn(tag, ("script", "img", "iframe", "link",
                                   "object", "embed", "base", "a"))
            self.assertFalse({"src", "href", "srcset", "action"} & set(attrs),
                             tag)
            self.assertFalse(any(k.startswith("on") for k in attrs), tag)

    def run_with_failures(self):
        """A run with -c and -k: a file renamed, one whose contents differ,
        one missing, one whose name is HTML, one holding ESC."""
        self.write("a.doc", b"A")
        self.write("b.doc", b"B")
        hostile = "<img src=x onerror=alert(1)>.doc"
        digest = hashlib.md5(b"A").hexdigest()
        rows = [("a.doc", digest), ("b.doc", digest), ("gone.doc", digest),
                (hostile, digest), ("\x1b[2Kesc.doc", digest)]
        self.inputs(b"".join(
            b"x\tp\t%d\tE\t%s\t%s\n" % (i, self.full(name), h.encode())
            for i, (name, h) in enumerate(rows, 1)),
            header=HEADER.rstrip(b"\n") + b"\tMD5\n")
        status, out, _ = self.run_fldren(
            "-x", "list.txt", "-f", "fields.txt", "-o", "out.txt", "-c",
            "MD5", "-k", "Case 17 <b>&")
        self.assertEqual(status, 4, out)
        return rows, digest

    def test_page_tells_what_was_run_and_every_failure(self):
        rows, digest = self.run_with_failures()
        page = self.page()
        self.check_no_outside_reference(page)
        self.assertEqual(page.heading, "Case note: Case 17 <b>&")
        self.assertEqual(page.state[0], "complete", page.state)
        self.assertIn("exit status 4", page.state[1])
        # The facts are the run record's, line for line, from the same
        # values: what was run, then the outcome.
        section, = record_sections(self.read("out.run.txt"))
        facts = page.tables["facts"]
        self.assertEqual([tuple(row) for row in facts], section)
        self.assertEqual(dict(section)["Output file SHA-256"],
                         hashlib.sha256(self.read("out.txt")).hexdigest())
        # Each failure: its line in the list, its old path as the console
        # shows it, its reason; a mismatch with both hashes.
        failures = page.tables["failures"][1:]
        shown = [support.PREFIX.decode() + self.full_text(name)
                 for name, _ in rows]
        self.assertEqual([row[:2] for row in failures], [
            ["3", shown[1]], ["4", shown[2]], ["5", shown[3]],
            ["6", shown[4].replace("\x1b", "\\x1B")]])
        self.assertEqual(failures[0][2], (
            "The file's contents differ from the hash in the list\n"
            "Expected: %s\nComputed: %s" % (
                digest, hashlib.md5(b"B").hexdigest())))
        self.assertEqual(failures[1][2], "No file of the old name exists")
        # A bar for each reason, with the record's counts.
        reasons = {row[1]: row[0] for row in page.tables["reasons"][1:]}
        recorded = dict(reversed(value.split(" ", 1)) for key, value in
                        section if key == "Failure reason")
        self.assertEqual(reasons, recorded)
        self.assertEqual(sum(int(n) for n in reasons.values()), 4)
        # -r writes the page again for the whole job, the earlier run's
        # failures with the reasons and hashes its page gave them; a row
        # someone edited to hold markup gives none of it.
        data = self.read("out.report.html")
        self.write("out.report.html", data.replace(
            b"<td>No file of the old name exists<",
            b"<td><script>alert(1)</script><", 1))
        failures[1][2] = ("Failed in the earlier run (its output file keeps "
                          "no reason)")
        status, out, _ = self.run_fldren(
            "-x", "list.txt", "-f", "fields.txt", "-o", "out.txt", "-c",
            "MD5", "-r")
        self.assertIn(status, (3, 4), out)
        again = self.page()
        self.check_no_outside_reference(again)
        self.assertEqual(again.tables["failures"][1:], failures)
        self.assertEqual(again.state[0], "complete")
        self.assertEqual([tuple(row) for row in again.tables["facts"]],
                         record_sections(self.read("out.run.txt"))[1])
        # fldren-undo leaves a page of its own beside its log.
        status, out, _ = self.run_undo("out.txt", "-o", "undo.txt")
        self.assertEqual(status, 0, out)
        undo = self.page("undo.report.html")
        self.assertEqual(undo.state[0], "complete")
        self.assertEqual([tuple(row) for row in undo.tables["facts"]],
                         record_sections(self.read("undo.run.txt"))[0])

    def test_page_renders_in_a_browser(self):
        # Debian's chromium, headless, as an examiner's browser shows the
        # page: the DOM it built, and a picture of it.
        browser = shutil.which("chromium")
        if browser is None or support.WINE or support.WRAPPER:
            self.skipTest("the page is the same bytes on every build")
        rows, digest = self.run_with_failures()
        url = "file://" + self.full_text("out.report.html")
        common = [browser, "--headless", "--no-sandbox", "--disable-gpu",
                  "--hide-scrollbars", "--window-size=1000,1400"]
        quiet = dict(stderr=subprocess.DEVNULL, timeout=120, check=True)
        dom = subprocess.run(common + ["--dump-dom", url],
                             stdout=subprocess.PIPE, **quiet).stdout
        page = Page(dom)
        self.check_no_outside_reference(page)
        section, = record_sections(self.read("out.run.txt"))
        values = dict(page.tables["facts"])
        self.assertEqual(values["Records processed"], "5")
        self.assertEqual(values["Renamed"], "1")
        self.assertEqual(values["Failed"], "4")
        self.assertEqual(values["Output file SHA-256"],
                         hashlib.sha256(self.read("out.txt")).hexdigest())
        failures = page.tables["failures"][1:]
        self.assertEqual([row[0] for row in failures], ["3", "4", "5", "6"])
        self.assertIn("Computed: " + hashlib.md5(b"B").hexdigest(),
                      failures[0][2])
        self.assertIn("Expected: " + digest, failures[0][2])
        self.assertTrue(failures[2][1].endswith(rows[3][0]))
        self.assertEqual(page.state[0], "complete")
        subprocess.run(common + ["--screenshot=" + self.full_text("shot.png"),
                                 url], stdout=subprocess.DEVNULL, **quiet)
        self.assertEqual(self.read("shot.png")[:8], b"\x89PNG\r\n\x1a\n")

    def test_page_lists_the_first_failures_and_counts_the_rest(self):
        if support.WINE or support.WRAPPER:
            self.skipTest("the same rule on every build; long under Wine")
        count = 10003
        self.inputs(b"".join(b"x\tp\t%d\tE\t%s\n" % (i, self.full("g%d" % i))
                             for i in range(count)))
        status, _, _ = self.run_fldren("-x", "list.txt", "-f", "fields.txt",
                                       "-o", "out.txt", "-q")
        self.assertEqual(status, 3)
        page = self.page()
        self.assertEqual(len(page.tables["failures"]) - 1, 10000)
        self.assertIn("The first 10,000 failures are listed here; 3 more are "
                      "in the output file", "".join(page.paragraphs))
        self.assertEqual(page.tables["reasons"][1][:2],
                         ["10,003", "No file of the old name exists"])
        self.assertLess(os.path.getsize(self.path("out.report.html")),
                        10000 * 400)

    def test_page_of_another_file_is_never_emptied(self):
        # The page's place may hold the page of another output file of the
        # same stem, or a file of the examiner's own: either is kept, and
        # nothing is done; the page of this output file is made again.
        self.inputs(b"x\tp\t1\tE\t%s\n" % self.full("gone"))
        args = ["-x", "list.txt", "-f", "fields.txt", "-o"]
        status, out, _ = self.run_fldren(*args, "out.csv")
        self.assertEqual(status, 3, out)
        for kept, output in ((None, "out.txt"), (b"my notes\n", "out.txt"),
                             (b"my notes\n", "out.csv")):
            with self.subTest(kept=kept, output=output):
                if kept is not None:
                    self.write("out.report.html", kept)
                before = self.read("out.report.html")
                status, out, _ = self.run_fldren(*args, output)
                self.assertEqual(status, 1, out)
                self.assertIn(b"\nReport page " + self.full("out.report.html") +
                              b" is not the page of this output file", out)
                self.assertEqual(self.read("out.report.html"), before)
                self.assertEqual(self.exists("out.txt"), False)
        os.remove(self.path("out.report.html"))
        status, out, _ = self.run_fldren(*args, "out.csv")
        self.assertEqual(status, 3, out)
        status, out, _ = self.run_fldren(*args, "out.csv")
        self.assertEqual(status, 3, out)
        self.assertEqual(self.page().state[0], "complete")
