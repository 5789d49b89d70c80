"""Outline grouping, rich text, tab colours, hidden sheets and document
properties, read back by every independent reader from one sample set.

`tablirex build` saves one script as book8.xls (Excel 97), book5.xls (Excel 5)
and book.htm: a sheet Data with rows 2:7 grouped, rows 3:4 grouped inside them
and collapsed, columns B:C grouped, a red tab and a text with a red and a bold
part; a sheet Above whose summary rows lie above their groups; a hidden sheet
and a very hidden one; a title, author, company and the other properties in
code page 1252 (uni8.xls: texts the code page lacks, stored as UTF-16); and
long8.xls, texts of 9000 and 5000 characters with 1700 runs between them, so
that the string table carries characters and runs over CONTINUE records.
xlrd, olefile, Apache POI (HSSF and HPSF) and LibreOffice (its .xlsx read by
openpyxl) read them; the HTML pages show the properties, the visible tabs and
the parts of the text; a strict Excel 5 save of a tab colour fails.
"""
import datetime
import glob
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

import olefile
import openpyxl
import xlrd

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from tool import TO_XLSX, TOOL, Workdir, build, build_ok, convert, require_tool  # noqa: E402

POI_CLASSPATH = ":".join("/usr/share/java/%s.jar" % j for j in (
    "poi", "commons-collections4", "commons-math3", "commons-codec", "commons-logging"))

PROPERTIES = {"Title": "Sales 2026", "Subject": "Quarterly", "Author": "Finance Ünit", "Manager": "M. Boss",
              "Company": "ACME", "Category": "Reports", "Keywords": "sales, 2026", "Comments": "Line 1\nLine 2",
              "CreationDate": {"date": "2026-01-31T08:00:00"}, "LastSaveTime": {"date": "2026-02-01T09:30:15"}}
UNICODE_TITLE = "Отчёт ✓ 2026"
TEXT = "Total 2026 net"          # "Total" red, "2026" bold
LONG = ("é" * 9000, "ж" * 5000)


def steps():
    s = [{"workbook": True, "set": PROPERTIES},
         {"sheet": "Data", "range": "A1", "set": {"Value": TEXT, "Characters(7,4).Font.Bold": True,
                                                  "Characters(1,5).Font.ColorIndex": 3}},
         {"sheet": "Data", "range": "A2:A8", "set": {"Value": 1}},
         {"sheet": "Data", "range": "2:7", "call": "Group"},
         {"sheet": "Data", "range": "3:4", "call": "Group"},
         {"sheet": "Data", "range": "3:4", "set": {"ShowDetail": False}},
         {"sheet": "Data", "range": "B:C", "call": "Group"},
         {"sheet": "Data", "set": {"Tab.ColorIndex": 3}},
         {"sheet": "Above", "set": {"Outline.SummaryRow": 0, "Outline.SummaryColumn": -4131}},
         {"sheet": "Above", "range": "A1:A6", "set": {"Value": 2}},
         {"sheet": "Above", "range": "3:5", "call": "Group"},
         {"sheet": "Above", "range": "3:5", "set": {"ShowDetail": False}},
         {"sheet": "Lists", "set": {"Visible": 0}},
         {"sheet": "Secret", "set": {"Visible": 2}}]
    return s


class SheetFeatures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.work = Workdir(cls)
        build_ok(cls.work, {"sheets": ["Data", "Above", "Lists", "Secret"], "steps": steps(),
                            "save": [{"file": "book8.xls"}, {"file": "book5.xls", "format": 1},
                                     {"file": "book.htm", "format": 3}]})
        build_ok(cls.work, {"sheets": ["U"], "steps": [{"workbook": True, "set": {"Title": UNICODE_TITLE}}],
                            "save": [{"file": "uni8.xls"}]})
        long_steps = [{"sheet": "L", "range": "A1", "set": {"Value": LONG[0]}},
                      {"sheet": "L", "range": "A2", "set": {"Value": LONG[1]}}]
        # Strings before them move the long texts across the SST's record boundaries.
        long_steps += [{"sheet": "L", "range": "B%d" % (i + 1), "set": {"Value": "pad%02d" % i + "x" * (90 + i)}}
                       for i in range(40)]
        long_steps += [{"sheet": "L", "range": "A1", "set": {"Characters(%d,1).Font.Bold" % i: True}}
                       for i in range(1, 2800, 2)]
        long_steps += [{"sheet": "L", "range": "A2", "set": {"Characters(%d,2).Font.Italic" % i: True}}
                       for i in range(1, 900, 3)]
        build_ok(cls.work, {"sheets": ["L"], "steps": long_steps, "save": [{"file": "long8.xls"}]})
        cls.names = ["book8.xls", "book5.xls", "uni8.xls", "long8.xls"]
        cls.xlrd = {n: xlrd.open_workbook(cls.work(n), formatting_info=True) for n in cls.names}

    # ---- xlrd ---------------------------------------------------------------------------

    def test_xlrd_reads_visibility_outline_and_runs(self):
        for name in ("book8.xls", "book5.xls"):
            with self.subTest(name):
                b = self.xlrd[name]
                self.assertEqual([s.visibility for s in b.sheets()], [0, 0, 1, 2])
                data = b.sheet_by_name("Data")
                rows = {r: (i.outline_level, i.hidden) for r, i in data.rowinfo_map.items() if i.outline_level}
                self.assertEqual(rows, {1: (1, 0), 2: (2, 1), 3: (2, 1), 4: (1, 0), 5: (1, 0), 6: (1, 0)})
                self.assertEqual(data.rowinfo_map[4].outline_group_starts_ends, 1)  # collapsed mark below 3:4
                self.assertEqual({c: i.outline_level for c, i in data.colinfo_map.items()}, {1: 1, 2: 1})
                self.assertEqual(data.cell_value(0, 0), TEXT)
                runs = data.rich_text_runlist_map[(0, 0)]
                self.assertEqual([r[0] for r in runs], [0, 5, 6, 10])
                fonts = [b.font_list[f] for _, f in runs]
                self.assertEqual([f.weight >= 700 for f in fonts], [False, False, True, False])
                self.assertEqual(b.colour_map[fonts[0].colour_index], (255, 0, 0))
                above = b.sheet_by_name("Above")
                self.assertTrue(above.rowinfo_map[1].outline_group_starts_ends)  # the row above 3:5
                self.assertEqual([above.rowinfo_map[r].hidden for r in (2, 3, 4)], [1, 1, 1])

    def test_xlrd_reads_long_runs_over_continue_records(self):
        s = self.xlrd["long8.xls"].sheet_by_index(0)
        self.assertEqual((s.cell_value(0, 0), s.cell_value(1, 0)), LONG)
        first, second = s.rich_text_runlist_map[(0, 0)], s.rich_text_runlist_map[(1, 0)]
        self.assertEqual(len(first), 2800)
        self.assertEqual([p for p, _ in first], list(range(2800)))
        self.assertEqual(first[-1][0], 2799)
        self.assertEqual(len(second), 600)
        self.assertTrue(all(self.xlrd["long8.xls"].font_list[f].italic == (p % 3 != 2) for p, f in second))

    # ---- olefile --------------------------------------------------------------------------

    def test_olefile_reads_the_summary_streams(self):
        for name in ("book8.xls", "book5.xls"):
            with self.subTest(name):
                ole = olefile.OleFileIO(self.work(name), raise_defects=olefile.DEFECT_INCORRECT)
                self.assertEqual(sorted(ole.listdir()), [["\x05DocumentSummaryInformation"],
                                                         ["\x05SummaryInformation"],
                                                         ["Workbook" if name == "book8.xls" else "Book"]])
                for stream in ("\x05SummaryInformation", "\x05DocumentSummaryInformation"):
                    self.assertLess(ole.get_size(stream), ole.minisectorcutoff)  # in the mini stream
                m = ole.get_metadata()
                self.assertEqual((m.title, m.subject, m.author, m.keywords, m.comments, m.company, m.manager,
                                  m.category),
                                 (b"Sales 2026", b"Quarterly", "Finance Ünit".encode("cp1252"), b"sales, 2026",
                                  b"Line 1\nLine 2", b"ACME", b"M. Boss", b"Reports"))
                self.assertEqual((m.create_time, m.last_saved_time),
                                 (datetime.datetime(2026, 1, 31, 8), datetime.datetime(2026, 2, 1, 9, 30, 15)))
                self.assertEqual(m.codepage, 1252)
                ole.close()
        ole = olefile.OleFileIO(self.work("uni8.xls"))
        self.assertEqual(ole.get_metadata().codepage, 1200)
        self.assertFalse(ole.exists("\x05DocumentSummaryInformation"))  # no category, manager or company
        ole.close()

    # ---- Apache POI ----------------------------------------------------------------------

    def poi(self):
        classes = tempfile.mkdtemp(prefix="poi_", dir=self.work.path)
        subprocess.run(["javac", "-nowarn", "-cp", POI_CLASSPATH, "-d", classes,
                        os.path.join(HERE, "PoiSheetFeatures.java")], check=True, timeout=300,
                       capture_output=True)
        r = subprocess.run(["java", "-cp", classes + ":" + POI_CLASSPATH, "PoiSheetFeatures"] +
                           [self.work(n) for n in self.names], capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        return [json.loads(line) for line in r.stdout.splitlines()]

    def test_poi_reads_every_feature(self):
        lines = self.poi()
        summary = {l["file"]: l for l in lines if "summary" in l}
        for name in ("book8.xls", "book5.xls"):
            s, d = summary[name]["summary"], summary[name]["docsummary"]
            self.assertEqual((s["title"], s["subject"], s["author"], s["keywords"], s["comments"]),
                             ("Sales 2026", "Quarterly", "Finance Ünit", "sales, 2026", "Line 1\nLine 2"))
            self.assertEqual((d["company"], d["manager"], d["category"]), ("ACME", "M. Boss", "Reports"))
            self.assertEqual(s["created"], int(datetime.datetime(2026, 1, 31, 8, tzinfo=datetime.timezone.utc)
                                               .timestamp() * 1000))
        self.assertEqual(summary["uni8.xls"]["summary"]["title"], UNICODE_TITLE)
        self.assertEqual(summary["uni8.xls"]["summary"]["codepage"], 1200)

        book = [l for l in lines if l["file"] == "book8.xls"]
        sheets = {l["sheet"]: l for l in book if "hidden" in l and "row" not in l}
        self.assertEqual([(sheets[n]["hidden"], sheets[n]["veryHidden"]) for n in ("Data", "Above", "Lists", "Secret")],
                         [(False, False), (False, False), (True, False), (False, True)])
        self.assertEqual(sheets["Data"]["columnLevels"][:4], [0, 1, 1, 0])
        self.assertEqual(next(l["active"] for l in book if "active" in l), 0)
        self.assertEqual([l["tabColor"] for l in book if "tabColor" in l], [10])  # colour index 3, palette 10
        rows = {l["row"]: (l["level"], l["hidden"]) for l in book if l.get("sheet") == "Data" and "row" in l}
        self.assertEqual(rows, {1: (1, False), 2: (2, True), 3: (2, True), 4: (1, False), 5: (1, False),
                                6: (1, False)})
        self.assertIn({"file": "book8.xls", "sheetIndex": 0, "collapsedRow": 4}, book)
        rich = next(l for l in book if l.get("cell") == "A1")
        self.assertEqual(rich["text"], TEXT)
        self.assertEqual([(r[0], r[1]) for r in rich["runs"]], [(0, False), (5, False), (6, True), (10, False)])
        self.assertEqual(rich["runs"][0][3], 10)  # red
        long_runs = {l["cell"]: l["runs"] for l in lines if l["file"] == "long8.xls" and "runs" in l}
        self.assertEqual((len(long_runs["A1"]), len(long_runs["A2"])), (2800, 600))
        self.assertEqual([r[1] for r in long_runs["A1"][:4]], [True, False, True, False])

    # ---- LibreOffice, read back through its .xlsx by openpyxl ----------------------------

    def test_libreoffice_reads_every_feature(self):
        out = self.work("xlsx")
        said = convert(self.work, [self.work(n) for n in ("book8.xls", "book5.xls", "uni8.xls")], TO_XLSX, out)
        for name in ("book8", "book5"):
            with self.subTest(name):
                path = os.path.join(out, name + ".xlsx")
                self.assertTrue(os.path.exists(path), said)
                wb = openpyxl.load_workbook(path)
                self.assertEqual([ws.sheet_state for ws in wb.worksheets], ["visible", "visible", "hidden", "hidden"])
                data, above = wb["Data"], wb["Above"]
                levels = {n: (d.outline_level, bool(d.hidden)) for n, d in data.row_dimensions.items()
                          if d.outline_level}
                self.assertEqual(levels, {2: (1, False), 3: (2, True), 4: (2, True), 5: (1, False),
                                          6: (1, False), 7: (1, False)})
                self.assertEqual(data.column_dimensions["B"].outline_level, 1)
                # Calc has no summary rows above: it keeps the groups only.
                self.assertEqual([bool(above.row_dimensions[n].hidden) for n in (3, 4, 5)], [True] * 3)
                with zipfile.ZipFile(path) as z:
                    shared = z.read("xl/sharedStrings.xml").decode("utf-8")
                parts = re.findall(r"<r><rPr>(.*?)</rPr><t[^>]*>(.*?)</t></r>", shared)
                self.assertEqual([t for _, t in parts], ["Total", " ", "2026", " net"])
                self.assertIn('<color rgb="FFFF0000"/>', parts[0][0])
                self.assertIn("<b", parts[2][0])
                self.assertNotIn("<b", parts[3][0])
        # LibreOffice reads the tab colour and the document properties from the
        # Excel 97 form (the Excel 5 form has no tab colour, and its import
        # leaves the summary streams aside); it keeps keywords as a list of words
        # and has no category.
        wb = openpyxl.load_workbook(os.path.join(out, "book8.xlsx"))
        self.assertEqual(wb["Data"].sheet_properties.tabColor.rgb, "FFFF0000")
        p = wb.properties
        self.assertEqual((p.title, p.subject, p.creator, p.keywords, p.description),
                         ("Sales 2026", "Quarterly", "Finance Ünit", "sales 2026", "Line 1\nLine 2"))
        self.assertEqual(p.created, datetime.datetime(2026, 1, 31, 8))
        self.assertEqual(openpyxl.load_workbook(os.path.join(out, "uni8.xlsx")).properties.title, UNICODE_TITLE)

    # ---- HTML --------------------------------------------------------------------------------

    def test_html_shows_properties_tabs_and_parts(self):
        with open(self.work("book.htm"), encoding="utf-8") as f:
            main = f.read()
        self.assertIn("<title>Sales 2026</title>", main)
        self.assertIn('<meta name="author" content="Finance Ünit">', main)
        self.assertIn('<meta name="description" content="Line 1 Line 2">', main)
        self.assertIn('<meta name="dcterms.created" content="2026-01-31T08:00:00Z">', main)
        with open(self.work("book.files", "tabstrip.htm"), encoding="utf-8") as f:
            tabs = f.read()
        self.assertEqual(re.findall(r">(\w+)</font>", tabs), ["Data", "Above"])
        self.assertIn('style="border-bottom: 4px solid #FF0000"', tabs)
        with open(self.work("book.files", "Sheet001.htm"), encoding="utf-8") as f:
            page = f.read()
        spans = re.findall(r'<span style="([^"]*)">([^<]*)</span>', page)
        self.assertEqual([t for _, t in spans], ["Total", " ", "2026", " net"])
        self.assertIn("color: #FF0000", spans[0][0])
        self.assertIn("font-weight: bold", spans[2][0])
        self.assertEqual(page.count("<tr>"), 6)  # rows 3 and 4 collapsed away

    # ---- what a file cannot hold ---------------------------------------------------------

    def test_strict_excel5_save_of_a_tab_colour_fails(self):
        script = {"sheets": ["S"], "steps": [{"sheet": "S", "set": {"Tab.Color": 255}}],
                  "save": [{"file": "tab5.xls", "format": 1}]}
        r = build(self.work, script)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("tab colour left out", r.stderr)
        os.remove(self.work("tab5.xls"))
        path = os.path.join(self.work.path, "strict.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(script, f)
        r = subprocess.run([TOOL, "build", "--strict", "strict.json"], cwd=self.work.path, capture_output=True,
                           text=True, timeout=60)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("tab colour", r.stderr)
        self.assertFalse(os.path.exists(self.work("tab5.xls")))


if __name__ == "__main__":
    unittest.main()
