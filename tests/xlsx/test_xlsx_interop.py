"""The .xlsx packages of the shared sample set, read back by independent readers.

The samples: the ReaderSamples workbook (booleans through the structural
operations, row heights, hidden rows, row formats, merged areas, 20,000 strings),
the sheet-features script (outlines, rich text, tab colours, hidden sheets,
document properties), the extras script (names, hyperlinks, validations,
conditional formats) and a layout script of this test (fonts, fills, borders,
alignment, number formats, widths, hidden columns, frozen panes, zoom, page
setup, print area and titles, page breaks, protection, formulas across sheets),
each saved as .xlsx. Every package passes the strict check of package_check
(well-formed parts, child elements in the schema's order, relationships and
content types naming parts that exist) and is read by openpyxl, pandas,
LibreOffice (recalculated values as CSV, pages printed), gnumeric's ssconvert,
SheetJS (which reads the stored formula results, like the Excel 97 samples of the
same scripts beside them) and Apache POI's XSSF.
"""
import csv
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

import openpyxl
import pandas
from openpyxl.utils import get_column_letter

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(HERE, "..", "interop"))
from gtest_samples import write_samples  # noqa: E402
from package_check import cell_places, check_package  # noqa: E402
from tool import (POI_XSSF_CLASSPATH, Workdir, build_ok, convert, convert_to_csv, poi_compile, poi_run,  # noqa: E402
                  require_tool)
import test_extras_libreoffice as extras  # noqa: E402
import test_sheet_features_libreoffice as features  # noqa: E402


LAYOUT = {
    "sheets": ["Sheet 1", "Totals"],
    "steps": [
        {"sheet": "Sheet 1", "range": "A1:C1", "set": {"Value": ["Name", "Amount", "Day"], "Font.Bold": True,
                                                       "Interior.ColorIndex": 6, "HAlign": -4108}},
        {"sheet": "Sheet 1", "range": "A1:C1", "set": {"Borders.LineStyle": 1, "Borders(9).Weight": -4138}},
        {"sheet": "Sheet 1", "range": "A2:C4", "set": {"Value": [["ab", 1.25, {"date": "2026-03-01"}],
                                                                 ["c & d <e>", -2, {"date": "2026-03-02T12:00:00"}],
                                                                 ["  spaced  ", 1e-7, None]]}},
        {"sheet": "Sheet 1", "range": "B2:B4", "set": {"NumFormat": "#,##0.00"}},
        {"sheet": "Sheet 1", "range": "C2:C3", "set": {"NumFormat": "dd.mm.yyyy hh:mm"}},
        {"sheet": "Sheet 1", "range": "A4", "set": {"WrapText": True, "VAlign": -4160, "Font.Italic": True,
                                                    "Font.Size": 14, "Font.Name": "Courier New"}},
        {"sheet": "Sheet 1", "range": "A:A", "set": {"ColumnWidth": 25}},
        {"sheet": "Sheet 1", "range": "E:E", "set": {"Hidden": True}},
        {"sheet": "Sheet 1", "range": "3:3", "set": {"RowHeight": 30}},
        {"sheet": "Sheet 1", "call": "FreezePanes", "args": [1, 1, 1, 1]},
        {"sheet": "Sheet 1", "set": {"Zoom": 80, "PageSetup.Orientation": 2, "PageSetup.PrintArea": "A1:C4",
                                     "PageSetup.PrintTitleRows": "1:1", "PageSetup.CenterHeader": "Report &D",
                                     "PageSetup.LeftMargin": 1.25, "PageSetup.PaperSize": 9}},
        {"sheet": "Sheet 1", "call": "HPageBreaks.Add", "args": ["A3"]},
        {"sheet": "Sheet 1", "call": "VPageBreaks.Add", "args": ["C1"]},
        {"sheet": "Sheet 1", "call": "Protect", "args": ["secret"]},
        {"sheet": "Totals", "range": "A1", "set": {"Value": "=SUM('Sheet 1'!B2:B4)"}},
        {"sheet": "Totals", "range": "A2", "set": {"Value": "=IF(A1>0;\"up\";\"down\")"}},
        {"sheet": "Totals", "range": "A3", "set": {"Value": "=A1=0"}},
        {"sheet": "Totals", "range": "B1:C2", "call": "Merge"},
        {"sheet": "Totals", "range": "B1", "set": {"Value": "merged"}},
        {"workbook": True, "call": "Protect", "args": ["book"]},
        {"sheet": "Totals", "call": "Activate"},
    ],
}


# Cells in gaps, rows starting past column A, a merged area, a formatted empty
# cell, anchors of a comment, a link and a validation, formulas after gaps and
# in runs, far columns: every reader must find each cell where it was set.
G = "Gaps"
GAPS = {
    "sheets": [G],
    "steps": [
        {"sheet": G, "range": "A1:C1", "set": {"Value": [["a", 1, 2]]}},
        {"sheet": G, "range": "E1", "set": {"Value": "e"}},
        {"sheet": G, "range": "F1", "set": {"Value": "=B1+C1"}},
        {"sheet": G, "range": "G1", "set": {"Value": "=F1*2"}},
        {"sheet": G, "range": "I1", "set": {"Value": True}},
        {"sheet": G, "range": "D3:E3", "set": {"Value": [[3.5, "x"]]}},
        {"sheet": G, "range": "G3", "set": {"Value": "=D3*2"}},
        {"sheet": G, "range": "C5:D6", "call": "Merge"},
        {"sheet": G, "range": "C5", "set": {"Value": "m"}},
        {"sheet": G, "range": "E5:E6", "set": {"Value": [[5], [6]]}},
        {"sheet": G, "range": "B7", "set": {"Font.Bold": True}},
        {"sheet": G, "range": "C7", "set": {"Value": "after a format"}},
        {"sheet": G, "range": "D7", "call": "AddComment", "args": ["noted"]},
        {"sheet": G, "call": "Hyperlinks.Add", "args": ["E7", "https://example.org/", "", "", "link"]},
        {"sheet": G, "range": "F7:G7", "call": "Validation.Add", "args": [1, 2, 1, "1", "10"]},
        {"sheet": G, "range": "G7", "set": {"Value": 7}},
        {"sheet": G, "range": "A8", "set": {"Value": "first"}},
        {"sheet": G, "range": "AB8:AC8", "set": {"Value": [["ab", "ac"]]}},
        {"sheet": G, "range": "XFD9", "set": {"Value": "last"}},
        {"sheet": G, "range": "Z20", "set": {"Value": 1000}},
    ],
}
GAP_VALUES = {"A1": "a", "B1": 1, "C1": 2, "E1": "e", "F1": 3, "G1": 6, "I1": True, "D3": 3.5, "E3": "x", "G3": 7,
              "C5": "m", "E5": 5, "E6": 6, "C7": "after a format", "E7": "link", "G7": 7, "A8": "first", "AB8": "ab",
              "AC8": "ac", "XFD9": "last", "Z20": 1000}


def gap_cells_of_rows(rows):
    """{cell name: text} of the non-empty fields of CSV rows."""
    return {"%s%d" % (get_column_letter(c + 1), r + 1): v
            for r, row in enumerate(rows) for c, v in enumerate(row) if v != ""}


def gap_texts():
    """GAP_VALUES as a CSV holds them."""
    return {k: ("TRUE" if v is True else str(v)) for k, v in GAP_VALUES.items()}


def gnumeric_csv(path, out_dir):
    """Every sheet of path as CSV rows, by ssconvert; None when it is not installed."""
    if not shutil.which("ssconvert"):
        return None
    target = os.path.join(out_dir, os.path.basename(path) + ".%n.csv")
    r = subprocess.run(["ssconvert", "-S", "--export-type=Gnumeric_stf:stf_csv", path, target],
                       capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        raise AssertionError("ssconvert failed: " + r.stderr)
    sheets = []
    for i in range(64):
        name = target.replace("%n", str(i))
        if not os.path.exists(name):
            break
        with open(name, newline="", encoding="utf-8") as f:
            sheets.append(list(csv.reader(f)))
    return sheets, r.stderr


class XlsxReaders(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.work = Workdir(cls)
        cls.samples = write_samples("ReaderSamples.*", "TABLIREX_READER_SAMPLES", "tablirex_xlsx_")
        shutil.copy(os.path.join(cls.samples.name, "book.xlsx"), cls.work("readers.xlsx"))
        shutil.copy(os.path.join(cls.samples.name, "book8.xls"), cls.work("readers.xls"))
        cls.samples.cleanup()
        build_ok(cls.work, {"sheets": ["Data", "Above", "Lists", "Secret"], "steps": features.steps(),
                            "save": [{"file": "features.xlsx"}]})
        build_ok(cls.work, dict(extras.SAMPLE, save=[{"file": "extras.xlsx", "format": 4}]))
        build_ok(cls.work, dict(LAYOUT, save=[{"file": "layout.xlsx"}, {"file": "layout2.xlsx"},
                                              {"file": "layout8.xls"}]))
        build_ok(cls.work, dict(GAPS, save=[{"file": "gaps.xlsx"}]))
        cls.names = ["readers.xlsx", "features.xlsx", "extras.xlsx", "layout.xlsx", "gaps.xlsx"]
        cls.books = {n: openpyxl.load_workbook(cls.work(n)) for n in cls.names}

    def test_every_package_passes_the_strict_check_and_saves_alike(self):
        for name in self.names:
            with self.subTest(name):
                self.assertEqual(check_package(self.work(name)), [])
        with open(self.work("layout.xlsx"), "rb") as a, open(self.work("layout2.xlsx"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_every_reader_puts_the_cells_of_the_gaps_where_they_were(self):
        # Every cell carries its name: gnumeric drops a cell without one (the
        # schema lets a cell right after the one before it go without).
        with zipfile.ZipFile(self.work("gaps.xlsx")) as z:
            self.assertNotIn(b"<c>", z.read("xl/worksheets/sheet1.xml"))
            self.assertNotIn(b"<c ", z.read("xl/worksheets/sheet1.xml").replace(b"<c r=", b""))
        places = cell_places(self.work("gaps.xlsx"))["xl/worksheets/sheet1.xml"]
        self.assertEqual(["%s%d" % (get_column_letter(c), r) for r, c in places if (r, c) != (7, 2)],
                         list(GAP_VALUES))
        book = openpyxl.load_workbook(self.work("gaps.xlsx"), data_only=True)
        sheet = book[G]
        self.assertEqual({c.coordinate: c.value for row in sheet.iter_rows() for c in row if c.value is not None},
                         GAP_VALUES)
        self.assertEqual([str(m) for m in sheet.merged_cells.ranges], ["C5:D6"])
        self.assertTrue(sheet["B7"].font.b)
        self.assertEqual(sheet["D7"].comment.text, "noted")
        self.assertEqual(sheet["E7"].hyperlink.target, "https://example.org/")
        self.assertEqual([str(v.sqref) for v in sheet.data_validations.dataValidation], ["F7:G7"])
        frame = pandas.read_excel(self.work("gaps.xlsx"), header=None, engine="openpyxl")
        self.assertEqual({"%s%d" % (get_column_letter(c + 1), r + 1): v for (r, c), v in frame.stack().items()},
                         GAP_VALUES)
        sheets, said = convert_to_csv(self.work, ["gaps.xlsx"])
        self.assertEqual(gap_cells_of_rows(sheets["gaps-Gaps.csv"]), gap_texts(), said)
        got = gnumeric_csv(self.work("gaps.xlsx"), self.work.path)
        if got is not None:
            self.assertEqual(gap_cells_of_rows(got[0][0]), gap_texts(), got[1])
        root = subprocess.run(["npm", "root", "-g"], capture_output=True, text=True).stdout.strip()
        if shutil.which("node") and os.path.isdir(os.path.join(root, "xlsx")):
            r = subprocess.run(["node", os.path.join(HERE, "sheetjs_dump.js"), self.work("gaps.xlsx")],
                               capture_output=True, text=True, timeout=300, env=dict(os.environ, NODE_PATH=root))
            self.assertEqual(r.returncode, 0, r.stderr)
            cells = json.loads(r.stdout)["cells"][G]
            self.assertEqual({k: c["v"] for k, c in cells.items() if c.get("v") is not None}, GAP_VALUES)

    # ---- openpyxl and pandas ------------------------------------------------------------

    def test_every_reader_reads_a_sheet_deflated_in_pieces(self):
        # A sheet of over 2 MiB of XML is deflated in pieces joined into one
        # stream: each reader must get every row back.
        rows = [[r, r + 0.25, "t%d" % (r % 1000), r % 7 == 0] for r in range(1, 60001)]
        build_ok(self.work, {"sheets": ["Big"],
                             "steps": [{"sheet": "Big", "range": "A1:D60000", "set": {"Value": rows}}],
                             "save": [{"file": "big.xlsx"}]})
        path = self.work("big.xlsx")
        with zipfile.ZipFile(path) as z:
            self.assertIsNone(z.testzip())
            self.assertGreater(z.getinfo("xl/worksheets/sheet1.xml").file_size, 4 << 20)
        self.assertEqual(check_package(path), [])
        texts = [[str(v) if not isinstance(v, bool) else ("TRUE" if v else "FALSE") for v in row] for row in rows]
        sheets, said = convert_to_csv(self.work, ["big.xlsx"])
        self.assertTrue(sheets["big-Big.csv"] == texts, said)
        got = gnumeric_csv(path, self.work.path)
        if got is not None:
            self.assertTrue(got[0][0] == texts, got[1])
        sheet = openpyxl.load_workbook(path, read_only=True)["Big"]
        self.assertTrue([list(r) for r in sheet.iter_rows(values_only=True)] == rows)

    def test_openpyxl_reads_values_rows_and_merges(self):
        b = self.books["readers.xlsx"]
        bools = b["Bools"]
        for (r, c), want in {(2, 1): True, (3, 1): False, (2, 3): False, (2, 5): True, (2, 7): True}.items():
            self.assertIs(bools.cell(r, c).value, want, (r, c))
        self.assertEqual(bools.cell(2, 4).value, 1.5)
        cells = b["Cells"]
        self.assertEqual(cells["A1"].value, "merged")
        self.assertEqual([str(m) for m in cells.merged_cells.ranges], ["A1:B2"])
        self.assertEqual(cells.row_dimensions[2].height, 30)
        self.assertTrue(cells.row_dimensions[4].hidden)
        self.assertTrue(cells["B6"].font.b)  # the row's format
        self.assertFalse(cells["D5"].font.b)
        self.assertTrue(cells.sheet_properties.pageSetUpPr.fitToPage)
        self.assertEqual(cells.page_setup.fitToWidth, 1)
        strings = b["Strings"]
        self.assertEqual((strings.max_row, strings["A20000"].value), (20000, "text 19999"))

    def test_openpyxl_reads_styles_layout_names_and_protection(self):
        b = self.books["layout.xlsx"]
        s = b["Sheet 1"]
        self.assertEqual([c.value for c in s[1]], ["Name", "Amount", "Day"])
        self.assertTrue(s["A1"].font.b)
        self.assertEqual(s["A1"].fill.fgColor.rgb, "FFFFFF00")
        self.assertEqual(s["A1"].alignment.horizontal, "center")
        self.assertEqual((s["A1"].border.left.style, s["A1"].border.bottom.style), ("thin", "medium"))
        self.assertEqual((s["B2"].number_format, s["C2"].number_format), ("#,##0.00", "dd.mm.yyyy hh:mm"))
        self.assertEqual(s["C3"].value.isoformat(), "2026-03-02T12:00:00")
        self.assertEqual((s["A3"].value, s["A4"].value, s["B4"].value), ("c & d <e>", "  spaced  ", 1e-7))
        a4 = s["A4"]
        self.assertEqual((a4.alignment.wrap_text, a4.alignment.vertical, a4.font.i, a4.font.sz, a4.font.name),
                         (True, "top", True, 14, "Courier New"))
        self.assertAlmostEqual(s.column_dimensions["A"].width, 25.71, places=2)
        self.assertTrue(s.column_dimensions["E"].hidden)
        self.assertEqual(s.row_dimensions[3].height, 30)
        self.assertEqual((s.freeze_panes, s.sheet_view.zoomScale), ("B2", 80))
        self.assertEqual((s.page_setup.orientation, s.page_setup.paperSize), ("landscape", 9))
        self.assertEqual(s.page_margins.left, 1.25)
        self.assertEqual(s.oddHeader.center.text, "Report &D")
        self.assertEqual(s.print_area, ["$A$1:$C$4"])
        self.assertEqual(s.print_title_rows, "$1:$1")
        self.assertEqual([brk.id for brk in s.row_breaks.brk], [2])
        self.assertEqual([brk.id for brk in s.col_breaks.brk], [2])
        self.assertTrue(s.protection.sheet)
        self.assertTrue(s.protection.password)
        self.assertTrue(b.security.lockStructure)
        self.assertEqual(b.active.title, "Totals")
        t = b["Totals"]
        self.assertEqual((t["A1"].value, t["A2"].value), ("=SUM('Sheet 1'!B2:B4)", '=IF(A1>0,"up","down")'))
        self.assertEqual([str(m) for m in t.merged_cells.ranges], ["B1:C2"])
        names = {n.name: n.attr_text for n in self.books["extras.xlsx"].defined_names.definedName}
        self.assertEqual(names, {"Rate": "Data!$B$1", "Sales": "Data!$B$2:$B$3", "Choices": "Lists!$A$1:$A$3",
                                 "Bonus": "$B$2"})
        self.assertEqual(self.books["extras.xlsx"]["Data"]["C3"].value, "=Bonus+Data!Bonus")

    def test_openpyxl_reads_outlines_tabs_visibility_and_properties(self):
        b = self.books["features.xlsx"]
        self.assertEqual([s.sheet_state for s in b], ["visible", "visible", "hidden", "veryHidden"])
        data = b["Data"]
        self.assertEqual(data.sheet_properties.tabColor.rgb, "FFFF0000")
        self.assertEqual({r: (d.outline_level, bool(d.hidden)) for r, d in data.row_dimensions.items()
                          if d.outline_level},
                         {2: (1, False), 3: (2, True), 4: (2, True), 5: (1, False), 6: (1, False), 7: (1, False)})
        self.assertEqual(data.column_dimensions["B"].outline_level, 1)
        self.assertEqual(data["A1"].value, features.TEXT)
        above = b["Above"].sheet_properties.outlinePr
        self.assertEqual((above.summaryBelow, above.summaryRight), (False, False))
        p = b.properties
        self.assertEqual((p.title, p.subject, p.creator, p.keywords, p.description, p.category),
                         ("Sales 2026", "Quarterly", "Finance Ünit", "sales, 2026", "Line 1\nLine 2", "Reports"))
        self.assertEqual((p.created.isoformat(), p.modified.isoformat()), ("2026-01-31T08:00:00", "2026-02-01T09:30:15"))

    def test_pandas_reads_the_frames(self):
        frames = pandas.read_excel(self.work("layout.xlsx"), sheet_name=None, engine="openpyxl")
        self.assertEqual(list(frames), ["Sheet 1", "Totals"])
        self.assertEqual(list(frames["Sheet 1"].columns), ["Name", "Amount", "Day"])
        self.assertEqual(list(frames["Sheet 1"]["Amount"]), [1.25, -2, 1e-7])
        strings = pandas.read_excel(self.work("readers.xlsx"), sheet_name="Strings", header=None)
        self.assertEqual(strings.shape, (20000, 1))

    # ---- LibreOffice, gnumeric, POI -----------------------------------------------------

    def test_libreoffice_recalculates_every_sheet(self):
        sheets, said = convert_to_csv(self.work, ["layout.xlsx", "extras.xlsx", "features.xlsx"])
        self.assertIn("layout-Totals.csv", sheets, said)
        self.assertEqual([r[:2] for r in sheets["layout-Totals.csv"][:3]],
                         [["-0.7499999", "merged"], ["down", ""], ["FALSE", ""]])
        self.assertEqual(sheets["layout-Sheet 1.csv"][1][:2], ["ab", "1.25"])
        self.assertEqual([r[2] for r in sheets["extras-Data.csv"][:3]], ["50", "350", "200"])
        self.assertEqual(sheets["features-Data.csv"][0][0], features.TEXT)

    def test_libreoffice_prints_the_pages_of_either_format(self):
        # The print area split by one row and one column break, and the second sheet.
        said = convert(self.work, [self.work("layout.xlsx"), self.work("layout8.xls")], "pdf", self.work("pdf"))
        pages = {}
        for name in ("layout", "layout8"):
            path = self.work("pdf", name + ".pdf")
            self.assertTrue(os.path.exists(path), said)
            info = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
            pages[name] = int(info.split("Pages:")[1].split()[0])
        self.assertEqual(pages, {"layout": 5, "layout8": 5})

    def test_sheetjs_reads_stored_results_of_either_format(self):
        root = subprocess.run(["npm", "root", "-g"], capture_output=True, text=True).stdout.strip()
        if not shutil.which("node") or not os.path.isdir(os.path.join(root, "xlsx")):
            raise AssertionError("SheetJS (npm's xlsx) is not installed: run scripts/setup.sh")

        def read(name):
            r = subprocess.run(["node", os.path.join(HERE, "sheetjs_dump.js"), self.work(name)],
                               capture_output=True, text=True, timeout=300, env=dict(os.environ, NODE_PATH=root))
            self.assertEqual(r.returncode, 0, r.stderr)
            return json.loads(r.stdout)

        for ext in ("xlsx", "xls"):
            with self.subTest(ext):
                layout = read("layout.xlsx" if ext == "xlsx" else "layout8.xls")
                data, totals = layout["cells"]["Sheet 1"], layout["cells"]["Totals"]
                self.assertEqual(layout["sheets"], ["Sheet 1", "Totals"])
                self.assertEqual([data[k]["v"] for k in ("A1", "A3", "A4")], ["Name", "c & d <e>", "  spaced  "])
                self.assertEqual([(data[k]["v"], data[k]["z"]) for k in ("B2", "C3")],
                                 [(1.25, "#,##0.00"), (46083.5, "dd.mm.yyyy hh:mm")])
                # SheetJS never recalculates: these are the results the file carries.
                self.assertEqual([(totals[k]["t"], totals[k]["v"], totals[k]["f"]) for k in ("A1", "A2", "A3")],
                                 [("n", -0.7499999, "SUM('Sheet 1'!B2:B4)"), ("s", "down", 'IF(A1>0,"up","down")'),
                                  ("b", False, "A1=0")])
                self.assertEqual(layout["merges"]["Totals"], ["B1:C2"])
                readers = read("readers." + ext)
                self.assertEqual((readers["cells"]["Bools"]["A2"]["v"], readers["cells"]["Strings"]["A20000"]["v"]),
                                 (True, "text 19999"))
                self.assertEqual(readers["merges"]["Cells"], ["A1:B2"])

    def test_gnumeric_reads_values_and_formulas(self):
        got = gnumeric_csv(self.work("layout.xlsx"), self.work.path)
        if got is None:
            self.skipTest("ssconvert (gnumeric) is not installed")
        sheets, said = got
        self.assertEqual(len(sheets), 2, said)
        self.assertEqual(sheets[0][1][0], "ab")
        self.assertEqual([r[0] for r in sheets[1][:3]], ["-0.7499999", "down", "FALSE"])
        readers, _ = gnumeric_csv(self.work("readers.xlsx"), self.work.path)
        self.assertEqual(readers[3][19999], ["text 19999"])

    def test_poi_xssf_reads_cells_names_and_layout(self):
        classes = tempfile.mkdtemp(prefix="tablirex_poi_", dir=self.work.path)
        classpath = poi_compile(classes, os.path.join(HERE, "PoiXssfDump.java"), POI_XSSF_CLASSPATH)
        dumps = {}
        for name in self.names:
            r = poi_run(classpath, "PoiXssfDump", [self.work(name)])
            if "org/apache/xmlbeans/metadata/system" in r.stderr:
                # Debian's poi-ooxml-schemas holds the schema classes' factories only,
                # not their compiled type system: XSSF then opens no .xlsx at all.
                self.skipTest("this POI's OOXML schema classes are incomplete (XSSF opens no .xlsx)")
            self.assertEqual(r.returncode, 0, name + ": " + r.stderr)
            dumps[name] = [json.loads(line) for line in r.stdout.splitlines()]
        lines = dumps["layout.xlsx"]
        sheets = {l["sheet"]: l for l in lines if "state" in l}
        cells = {(l["sheet"], l["cell"]): l for l in lines if "cell" in l}
        s = sheets["Sheet 1"]
        self.assertEqual((s["frozen"], s["landscape"], s["protected"], s["rowBreaks"], s["header"]),
                         ([1, 1], True, True, [2], "Report &D"))
        a1 = cells[("Sheet 1", "A1")]
        self.assertEqual((a1["value"], a1["bold"], a1["fill"]), ("Name", True, "FFFFFF00"))
        self.assertEqual(cells[("Sheet 1", "B2")]["format"], "#,##0.00")
        self.assertEqual(cells[("Totals", "A2")]["formula"], 'IF(A1>0,"up","down")')
        self.assertEqual(cells[("Totals", "A1")]["formula"], "SUM('Sheet 1'!B2:B4)")
        names = {(l["name"], l["sheet"]): l["refersTo"] for l in lines if "name" in l}
        self.assertEqual(names[("Print_Area", 0)], "'Sheet 1'!$A$1:$C$4")
        self.assertEqual(names[("Print_Titles", 0)], "'Sheet 1'!$1:$1")
        extras_names = {(l["name"], l["sheet"]): l["refersTo"] for l in dumps["extras.xlsx"] if "name" in l}
        self.assertEqual(extras_names[("Bonus", 0)], "Data!$B$2")
        readers = {(l["sheet"], l["cell"]): l for l in dumps["readers.xlsx"] if "cell" in l}
        self.assertEqual((readers[("Bools", "A2")]["type"], readers[("Bools", "A2")]["value"]), ("BOOLEAN", True))
        self.assertEqual([l["merged"] for l in dumps["readers.xlsx"] if l.get("sheet") == "Cells" and "merged" in l],
                         ["A1:B2"])


if __name__ == "__main__":
    unittest.main()
