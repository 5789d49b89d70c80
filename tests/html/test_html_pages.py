"""HTML pages written by build scripts ("save" with format 3 and the SaveAsHTML
operations), parsed with the standard library's HTML parser: the texts and spans
of the table cells, the classes and their rules, and the frameset's links to the
sheet pages and the tab strip. Then Chromium loads the pages, all in one run
through a harness page whose script measures what the browser shows (character
set, alignment, fonts, heights, overflow, borders, the marked tab) and writes
the measurements into its DOM."""
import json
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
        self.feed(raw.decode("utf-8"))
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


SHEETS = ["Data", "A&B <x>", "Dates", "Zo\u00eb"]
LONG = "A long text that a spreadsheet shows on one line, over the empty cells beside it"
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
    # The sheet that shows the layout in the browser.
    {"sheet": "Zo\u00eb", "range": "A1", "set": {"Value": "Zo\u00eb na\u00efve"}},
    {"sheet": "Zo\u00eb", "range": "B1", "set": {"Value": 42}},
    {"sheet": "Zo\u00eb", "range": "C1", "set": {"Value": "left"}},
    {"sheet": "Zo\u00eb", "range": "D1", "set": {"Value": {"date": "2024-03-01"}, "NumFormat": "d mmm yyyy"}},
    {"sheet": "Zo\u00eb", "range": "E1", "set": {"Value": "secret column"}},
    {"sheet": "Zo\u00eb", "range": "E:E", "set": {"Hidden": True}},
    {"sheet": "Zo\u00eb", "range": "A2", "set": {"Value": "secret row"}},
    {"sheet": "Zo\u00eb", "range": "2:2", "set": {"Hidden": True}},
    {"sheet": "Zo\u00eb", "range": "A3", "set": {"Value": LONG}},
    {"sheet": "Zo\u00eb", "range": "D3", "set": {"Value": "stop"}},
    {"sheet": "Zo\u00eb", "range": "A4", "set": {"Value": 1234.5, "NumFormat": "# ?/?"}},
    {"sheet": "Zo\u00eb", "range": "B4", "set": {"Value": 0.25, "NumFormat": "# ?/?"}},
    {"sheet": "Zo\u00eb", "range": "C4", "set": {"Value": 2.75, "NumFormat": "# ?/?"}},
    {"sheet": "Zo\u00eb", "range": "D4", "set": {"Value": 2.75, "NumFormat": "# ?/8"}},
    {"sheet": "Zo\u00eb", "range": "A5", "set": {"Value": "two\nlines", "WrapText": True}},
    {"sheet": "Zo\u00eb", "range": "B5", "set": {"Borders(9).LineStyle": -4119, "Borders(9).Weight": 2}},
]


class HTMLPagesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        steps = STEPS + [
            {"workbook": True, "call": "SaveAsHTML", "args": ["again.htm"]},
            {"sheet": "Data", "call": "SaveAsHTML", "args": ["data.htm"]},
            # The formula's text instead of its result, as pages showed before.
            {"workbook": True, "set": {"HtmlFormulaText": True}},
            {"sheet": "Data", "call": "SaveAsHTML", "args": ["text.htm"]},
            {"workbook": True, "set": {"HtmlFormulaText": False}},
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
            self.assertEqual([a["href"] for a in tabs.links], ["Sheet001.htm", "Sheet002.htm", "Sheet003.htm",
                                                             "Sheet004.htm"])
            self.assertEqual({a["target"] for a in tabs.links}, {"frSheet"})
            self.assertEqual(tabs.link_texts, SHEETS)
            for a in tabs.links:
                self.assertTrue(os.path.isfile(self.dir(folder, a["href"])))
            self.assertTrue(page.raw.endswith(b"</frameset>\r\n</html>\r\n"))

    def test_cell_texts_and_spans(self):
        for path in (self.dir("book.files", "Sheet001.htm"), self.dir("data.htm")):
            page = Page(path)
            self.assertEqual(page.texts(), [
                # The formula shows its result, the formula its title.
                ["1,234.50", "\"a < b & c\"", "1236.5", "\xa0"],
                ["two lines", "\xa0"],
                ["\xa0"],
                ["25%", "25%", "25%", "\u20ac 5 \u03a9"],
            ])
            self.assertEqual(page.rows[0][2][0].get("title"), "=SUM(A1;2)")
            merged = page.rows[1][0][0]
            self.assertEqual((merged["colspan"], merged["rowspan"]), ("3", "2"))
            self.assertEqual(page.rows[0][0][0]["align"], "right")
            self.assertNotIn("align", page.rows[0][1][0])
            # Every row's first cell carries the height; no other cell does.
            for row in (page.rows[0], page.rows[1], page.rows[3]):
                self.assertIn("height", row[0][0])
                self.assertTrue(all("height" not in a for a, _ in row[1:]))

    def test_formula_text_when_asked(self):
        page = Page(self.dir("text.htm"))
        # The formula's text spills over the empty D1.
        self.assertEqual(page.texts()[0], ["1,234.50", "\"a < b & c\"", "=SUM(A1;2)"])

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

    def test_chromium_shows_the_sheet(self):
        """One Chromium run over a harness page that frames the frameset, the
        layout sheet's page and a one-sheet page, and measures them."""
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        self.assertIsNotNone(chromium, "chromium is not installed (scripts/setup.sh installs it)")
        with open(self.dir("harness.htm"), "w", encoding="utf-8") as f:
            f.write(HARNESS)
        with tempfile.TemporaryDirectory() as profile:
            flags = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--allow-file-access-from-files", "--window-size=1200,900", "--user-data-dir=" + profile]
            r = subprocess.run(flags + ["--dump-dom", "file://" + self.dir("harness.htm")],
                               capture_output=True, text=True, timeout=180)
        self.assertEqual(r.returncode, 0, r.stderr)
        m = re.search(r'<pre id="out">(.*?)</pre>', r.stdout, re.S)
        self.assertIsNotNone(m, r.stdout[-2000:])
        import html
        got = json.loads(html.unescape(m.group(1)))
        self.assertNotIn("error", got, got.get("error"))
        main, look, one = got["main"], got["look"], got["one"]
        cell = {c["text"]: c for c in look["cells"]}

        with self.subTest("UTF-8 in every page"):
            self.assertEqual([main["charset"], main["sheet"]["charset"], main["tabs"]["charset"],
                              look["charset"], one["charset"]], ["UTF-8"] * 5)
            self.assertIn("Zo\u00eb na\u00efve", cell)
            self.assertEqual([t["text"].strip() for t in main["tabs"]["tabs"]], SHEETS)
        with self.subTest("the tab of the sheet shown is marked"):
            self.assertEqual([t["cls"] for t in main["tabs"]["tabs"]], ["tab", "tab", "tab shown", "tab"])
            shown = [t for t in main["tabs"]["tabs"] if t["cls"] == "tab shown"][0]
            other = main["tabs"]["tabs"][0]
            self.assertNotEqual(shown["background"], other["background"])
            self.assertEqual(main["sheet"]["text"], "5 Mar 2024 14:07")
        with self.subTest("hidden rows and columns are not shown"):
            self.assertNotIn("secret", look["text"])
            self.assertEqual(look["columns"], 4)  # A, B, C, D; E is hidden
        with self.subTest("cells without a format of their own look like the sheet"):
            a1 = cell["Zo\u00eb na\u00efve"]
            self.assertEqual((a1["font"], a1["size"], a1["valign"], a1["ws"]),
                             ("Arial", "13.3333px", "bottom", "nowrap"))
            self.assertLessEqual(a1["height"], 20)
        with self.subTest("a long text spills over empty cells and is cut before a neighbour's text"):
            long_cell, stop = cell[LONG], cell["stop"]
            self.assertLessEqual(long_cell["height"], 20)  # one line, not five
            self.assertGreater(long_cell["right"] - long_cell["left"], 150)  # it has the empty cells' room
            self.assertEqual(long_cell["overflow"], "hidden")
            self.assertLessEqual(long_cell["right"], stop["left"] + 0.5)
            self.assertGreater(long_cell["scrollW"], long_cell["clientW"])  # cut at its edge
            self.assertEqual(stop["hit"], True)  # nothing paints over the neighbour's text
        with self.subTest("fractions"):
            for text in ("1234 1/2", "1/4", "2 3/4", "2 6/8"):
                self.assertIn(text, cell)
        with self.subTest("line breaks in a wrapped cell"):
            two = cell["two\nlines"]
            self.assertIn("<br>", two["html"])
            self.assertGreater(two["height"], 25)
        with self.subTest("general alignment: numbers and dates right, texts left"):
            # align=right reads as -webkit-right, which is right.
            self.assertIn(cell["42"]["align"], ("right", "-webkit-right"))
            self.assertIn(cell["1 Mar 2024"]["align"], ("right", "-webkit-right"))
            self.assertIn(cell["left"]["align"], ("left", "start"))
            self.assertIn(a1["align"], ("left", "start"))
            self.assertIn(cell["1234 1/2"]["align"], ("right", "-webkit-right"))
        with self.subTest("padding keeps neighbouring texts apart"):
            self.assertGreaterEqual(cell["left"]["textLeft"] - cell["42"]["textRight"], 4)
            self.assertGreaterEqual(cell["1 Mar 2024"]["textLeft"] - cell["left"]["textRight"], 4)
        with self.subTest("a double border looks double"):
            border = [c for c in look["cells"] if c["bStyle"] == "double"]
            self.assertEqual(len(border), 1)
            self.assertGreaterEqual(float(border[0]["bWidth"][:-2]), 3)
        with self.subTest("a one-sheet page shows its texts"):
            self.assertIn("1,234.50", one["text"])
            self.assertIn('"a < b & c"', one["text"])
            self.assertIn("\u20ac 5 \u03a9", one["text"])


# The harness frames the pages (file URLs may read each other's documents with
# --allow-file-access-from-files), waits for every frame and writes what it
# measured as JSON into <pre id="out">, which --dump-dom prints.
HARNESS = r"""<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body>
<iframe id="main" src="book.htm" width="1100" height="400"></iframe>
<iframe id="look" src="book.files/Sheet004.htm" width="1100" height="400"></iframe>
<iframe id="one" src="data.htm" width="1100" height="400"></iframe>
<pre id="out"></pre>
<script>
function sheet(doc) {
  var win = doc.defaultView;
  var cells = Array.from(doc.querySelectorAll("td")).map(function (td) {
    var cs = win.getComputedStyle(td), r = td.getBoundingClientRect();
    var range = doc.createRange();
    range.selectNodeContents(td);
    var t = range.getBoundingClientRect();
    var hit = doc.elementFromPoint((t.left + t.right) / 2, (t.top + t.bottom) / 2);
    return {text: td.innerText, html: td.innerHTML, align: cs.textAlign, valign: cs.verticalAlign,
            font: cs.fontFamily, size: cs.fontSize, ws: cs.whiteSpace, overflow: cs.overflowX,
            left: r.left, right: r.right, height: r.height, textLeft: t.left, textRight: t.right,
            scrollW: td.scrollWidth, clientW: td.clientWidth, bStyle: cs.borderBottomStyle,
            bWidth: cs.borderBottomWidth, hit: hit === td};
  });
  return {charset: doc.characterSet, text: doc.body.innerText, cells: cells,
          columns: doc.querySelectorAll("col").length};
}
window.onload = function () {
  var out = {};
  try {
    var main = document.getElementById("main").contentDocument;
    var frames = main.getElementsByTagName("frame");
    var tabs = frames[1].contentDocument;
    out.main = {charset: main.characterSet, sheet: sheet(frames[0].contentDocument),
                tabs: {charset: tabs.characterSet, tabs: Array.from(tabs.querySelectorAll("td")).map(
                  function (td) { return {cls: td.className, text: td.innerText,
                                          background: tabs.defaultView.getComputedStyle(td).backgroundColor}; })}};
    out.main.sheet.text = frames[0].contentDocument.body.innerText.trim();
    out.look = sheet(document.getElementById("look").contentDocument);
    out.one = sheet(document.getElementById("one").contentDocument);
  } catch (e) {
    out.error = String(e);
  }
  document.getElementById("out").textContent = JSON.stringify(out);
};
</script>
</body></html>
"""


if __name__ == "__main__":
    unittest.main()
