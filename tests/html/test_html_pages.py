"""HTML pages written by build scripts ("save" with format 3 and the SaveAsHTML
operations), parsed with the standard library's HTML parser: the texts and spans
of the table cells, the classes and their rules, and the frameset's links to the
sheet pages and the tab strip. When Chromium is installed, it loads a page and
its DOM must show the same texts."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
from html.parser import HTMLParser

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "interop"))
from tool import Workdir, build_ok, require_tool  # noqa: E402


class Page(HTMLParser):
    """Table rows as lists of (attributes, text); frame and link targets; the style text."""

    def __init__(self, path):
        super().__init__(convert_charrefs=True)
        self.rows, self.frames, self.links, self.link_texts = [], [], [], []
        self.style, self._cell, self._in_style, self._in_link = "", None, False, False
        with open(path, "rb") as f:
            raw = f.read()
        self.raw = raw
        self.feed(raw.decode("cp1252"))
        self.close()

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "tr":
            self.rows.append([])
        elif tag == "td" and self.rows is not None:
            self._cell = [a, ""]
        elif tag == "br" and self._cell is not None:
            self._cell[1] += "\n"
        elif tag == "frame":
            self.frames.append(a)
        elif tag == "a":
            self.links.append(a)
            self.link_texts.append("")
            self._in_link = True
        elif tag == "style":
            self._in_style = True

    def handle_endtag(self, tag):
        if tag == "td" and self._cell is not None:
            self.rows[-1].append((self._cell[0], self._cell[1]))
            self._cell = None
        elif tag == "style":
            self._in_style = False
        elif tag == "a":
            self._in_link = False

    def handle_data(self, data):
        if self._cell is not None:
            self._cell[1] += data
        if self._in_style:
            self.style += data
        if self._in_link:
            self.link_texts[-1] += data.strip("\xa0")

    def texts(self):
        return [[t for _, t in row] for row in self.rows]


SHEETS = ["Data", "A&B <x>", "Dates"]
STEPS = [
    {"sheet": "Data", "range": "A1", "set": {"Value": 1234.5, "NumFormat": "#,##0.00"}},
    {"sheet": "Data", "range": "B1", "set": {"Value": "\"a < b & c\""}},
    {"sheet": "Data", "range": "C1", "set": {"Value": "=SUM(A1;2)"}},
    {"sheet": "Data", "range": "A2:C3", "call": "Merge"},
    {"sheet": "Data", "range": "A2", "set": {"Value": "two\r\nlines", "Font.Bold": True}},
    {"sheet": "Data", "range": "A4:C4", "set": {"Value": 0.25, "NumFormat": "0%", "Font.Bold": True}},
    {"sheet": "Data", "range": "D4", "set": {"Value": "\u20ac 5 \u03a9"}},
    {"sheet": "A&B <x>", "range": "B2", "set": {"Value": -3, "NumFormat": "0.0;(0.0)"}},
    {"sheet": "Dates", "range": "A1", "set": {"Value": {"date": "2024-03-05T14:07:00"},
                                             "NumFormat": "d mmm yyyy hh:mm"}},
    {"sheet": "Dates", "call": "Activate"},
]


class HTMLPagesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        steps = STEPS + [
            {"workbook": True, "call": "SaveAsHTML", "args": ["again.htm"]},
            {"sheet": "Data", "call": "SaveAsHTML", "args": ["data.htm"]},
        ]
        build_ok(cls.dir, {"sheets": SHEETS, "steps": steps, "save": [{"file": "book.htm", "format": 3}]})

    def test_frameset_links(self):
        for main in ("book.htm", "again.htm"):
            page = Page(self.dir(main))
            folder = main[:-4] + ".files"
            self.assertEqual([f["name"] for f in page.frames], ["frSheet", "frTabs"])
            # The active sheet (the third) is shown first.
            self.assertEqual([f["src"] for f in page.frames],
                             [folder + "/Sheet003.htm", folder + "/tabstrip.htm"])
            for f in page.frames:
                self.assertTrue(os.path.isfile(self.dir(f["src"])), f["src"])
            tabs = Page(self.dir(folder, "tabstrip.htm"))
            self.assertEqual([a["href"] for a in tabs.links], ["Sheet001.htm", "Sheet002.htm", "Sheet003.htm"])
            self.assertEqual({a["target"] for a in tabs.links}, {"frSheet"})
            self.assertEqual(tabs.link_texts, SHEETS)
            for a in tabs.links:
                self.assertTrue(os.path.isfile(self.dir(folder, a["href"])))
            self.assertTrue(page.raw.endswith(b"</frameset>\r\n</html>\r\n"))

    def test_cell_texts_and_spans(self):
        for path in (self.dir("book.files", "Sheet001.htm"), self.dir("data.htm")):
            page = Page(path)
            self.assertEqual(page.texts(), [
                ["1,234.50", "\"a < b & c\"", "=SUM(A1;2)", "\xa0"],
                ["two\nlines", "\xa0"],
                ["\xa0"],
                ["25%", "25%", "25%", "\u20ac 5 \u03a9"],
            ])
            merged = page.rows[1][0][0]
            self.assertEqual((merged["colspan"], merged["rowspan"]), ("3", "2"))
            self.assertEqual(page.rows[0][0][0]["align"], "right")
            self.assertNotIn("align", page.rows[0][1][0])
            # Every row's first cell carries the height; no other cell does.
            for row in (page.rows[0], page.rows[1], page.rows[3]):
                self.assertIn("height", row[0][0])
                self.assertTrue(all("height" not in a for a, _ in row[1:]))

    def test_classes_have_rules(self):
        page = Page(self.dir("book.files", "Sheet001.htm"))
        rules = re.findall(r"td\.f(\d+) \{([^}]*)\}", page.style)
        names = [n for n, _ in rules]
        self.assertEqual(len(names), len(set(names)), "one rule per format")
        used = {a["class"] for row in page.rows for a, _ in row}
        for c in used:
            self.assertRegex(c, r"^f\d+$")
            if c != "f0":
                self.assertIn(c[1:], names)
        self.assertNotIn("0", names)
        bold = [body for n, body in rules if "font-weight: bold" in body]
        self.assertEqual(len(bold), 2)  # the merged area's and row 4's formats
        self.assertEqual(page.rows[3][0][0]["class"], page.rows[3][2][0]["class"])

    def test_other_sheets(self):
        self.assertEqual(Page(self.dir("book.files", "Sheet002.htm")).texts(), [["(3.0)"]])
        self.assertEqual(Page(self.dir("book.files", "Sheet003.htm")).texts(), [["5 Mar 2024 14:07"]])

    def test_chromium_shows_the_texts(self):
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        if not chromium:
            self.skipTest("chromium is not installed")
        with tempfile.TemporaryDirectory() as profile:
            flags = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--user-data-dir=" + profile]
            url = "file://" + self.dir("data.htm")
            dom = subprocess.run(flags + ["--dump-dom", url], capture_output=True, text=True, timeout=120)
            self.assertEqual(dom.returncode, 0, dom.stderr)
            for text in ("1,234.50", "&quot;a &lt; b &amp; c&quot;", "=SUM(A1;2)", "25%"):
                self.assertIn(text.replace("&quot;", "\""), dom.stdout.replace("&quot;", "\""))
            shot = self.dir("data.png")
            r = subprocess.run(flags + ["--screenshot=" + shot, "--window-size=800,600", url],
                               capture_output=True, timeout=120)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(shot, "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main()
