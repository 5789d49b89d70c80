"""One set of sample workbooks, read by every reader that once found a fault in it.

The GoogleTest ReaderSamples.Write saves book8.xls (BIFF8) and book5.xls (BIFF5):
booleans set, copied, moved, inserted and pasted (sheet Bools); row heights, a
hidden row and a row format around a merged area, unformatted cells and columns, a
print fitted to pages (Cells); cells emptied by the structural operations (Emptied);
and, in BIFF8, 20,000 distinct strings (Strings). Apache POI must open the file
and see rows, merged areas and booleans; xlrd must see XF 15 on unformatted cells,
bold fonts, booleans and the shrunken used area; a strict record walker checks the
order of ROW, cell and MERGEDCELLS records, SETUP's print scale and EXTSST; and
LibreOffice reads every boolean's value. The tool sets booleans from JSON and its
HTML pages show them as TRUE and FALSE.
"""
import glob
import json
import os
import struct
import sys
import tempfile
import unittest

import xlrd

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, HERE)
from gtest_samples import write_samples  # noqa: E402
from tool import TOOL, Workdir, build_ok, convert_to_csv, poi_compile, poi_run, require_tool, substreams  # noqa: E402


CELL_RECORDS = {0x0201, 0x0203, 0x0204, 0x0205, 0x00FD, 0x0006, 0x027E, 0x00BD, 0x00BE}
ROW, DIMENSIONS, MERGEDCELLS, SETUP = 0x0208, 0x0200, 0x00E5, 0x00A1
BOF, SST, EXTSST, CONTINUE, BOOLERR = 0x0809, 0x00FC, 0x00FF, 0x003C, 0x0205

# Bools after the insert: every value one row down (B moved to F, A pasted to G).
BOOLS = {(1, 0): True, (2, 0): False, (1, 2): False, (1, 4): True,
         (1, 5): True, (2, 5): False, (1, 6): True, (2, 6): False}


def sheet_records(path, book, name):
    return substreams(path)[1 + book.sheet_names().index(name)]


class Readers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = write_samples("ReaderSamples.*", "TABLIREX_READER_SAMPLES", "tablirex_readers_")
        cls.paths = {v: os.path.join(cls.tmp.name, "book%d.xls" % v) for v in (8, 5)}
        cls.books = {v: xlrd.open_workbook(p, formatting_info=True) for v, p in cls.paths.items()}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    # ---- Apache POI -------------------------------------------------------------------

    def poi(self):
        classes = tempfile.mkdtemp(prefix="tablirex_poi_", dir=self.tmp.name)
        r = poi_run(poi_compile(classes, os.path.join(HERE, "PoiDump.java")), "PoiDump", [self.paths[8]])
        self.assertEqual(r.returncode, 0, r.stderr)  # it opens the workbook at all
        return [json.loads(line) for line in r.stdout.splitlines()]

    def test_poi_reads_rows_merged_areas_and_booleans(self):
        lines = self.poi()
        rows = {(l["sheet"], l["row"]): l for l in lines if "row" in l}
        cells = {(l["sheet"], l["cell"]): l for l in lines if "cell" in l}
        self.assertEqual(rows[("Cells", 1)]["height"], 600)
        self.assertTrue(rows[("Cells", 3)]["hidden"])
        self.assertEqual(cells[("Cells", "A4")]["value"], "hidden")
        self.assertTrue(cells[("Cells", "B6")]["bold"])  # the row's format
        self.assertFalse(cells[("Cells", "D5")]["bold"])
        self.assertEqual([l["merged"] for l in lines if l.get("sheet") == "Cells" and "merged" in l],
                         ["A1:B2"])
        self.assertEqual(cells[("Cells", "A1")]["value"], "merged")
        self.assertEqual([cells[("Cells", a)]["type"] for a in ("B1", "A2", "B2")], ["BLANK"] * 3)
        self.assertEqual(cells[("Cells", "C1")]["value"], 1.0)
        for (r, c), want in BOOLS.items():
            cell = cells[("Bools", xlrd.cellname(r, c))]
            self.assertEqual((cell["type"], cell["value"]), ("BOOLEAN", want), (r, c))

    # ---- xlrd -------------------------------------------------------------------------

    def test_xlrd_booleans(self):
        for v, book in self.books.items():
            sheet = book.sheet_by_name("Bools")
            for (r, c), want in BOOLS.items():
                with self.subTest(version=v, cell=(r, c)):
                    self.assertEqual(sheet.cell_type(r, c), xlrd.XL_CELL_BOOLEAN)
                    self.assertEqual(sheet.cell_value(r, c), int(want))
            self.assertEqual(sheet.cell_value(1, 3), 1.5)
            self.assertEqual(sheet.cell_type(1, 1), xlrd.XL_CELL_EMPTY)  # moved away

    def test_xlrd_formats_fonts_and_emptied_cells(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                cells = book.sheet_by_name("Cells")
                # Unformatted cells and columns use the default cell format.
                self.assertEqual(cells.cell_xf_index(4, 3), 15)
                self.assertEqual(cells.cell_xf_index(0, 2), 15)
                self.assertEqual(cells.colinfo_map[5].xf_index, 15)
                # Bold through the FONT record's flag as well as its weight.
                font = book.font_list[book.xf_list[cells.cell_xf_index(5, 1)].font_index]
                self.assertEqual((font.weight, font.bold), (700, 1))
                for f in book.font_list:
                    self.assertEqual(bool(f.bold), f.weight >= 700)
                # Emptied cells are gone; B1 keeps its format as a blank.
                emptied = book.sheet_by_name("Emptied")
                self.assertEqual((emptied.nrows, emptied.ncols), (5, 2))
                self.assertEqual(emptied.cell_type(0, 1), xlrd.XL_CELL_BLANK)
                self.assertEqual(emptied.cell_value(4, 0), "moved")

    # ---- the record walker ------------------------------------------------------------

    def test_record_order(self):
        for v, path in self.paths.items():
            for sheet in substreams(path)[1:]:
                numbers = [n for n, _ in sheet]
                with self.subTest(version=v, sheet=len(sheet)):
                    dims = numbers.index(DIMENSIONS)
                    cells = [(i, struct.unpack_from("<HH", b)) for i, (n, b) in enumerate(sheet)
                             if n in CELL_RECORDS]
                    places = [p for _, p in cells]
                    self.assertEqual(places, sorted(set(places)), "cells in row, then column order")
                    first_of_row = {}
                    for i, (row, _) in cells:
                        first_of_row.setdefault(row, i)
                    for i, (n, body) in enumerate(sheet):
                        if n == ROW:
                            row = struct.unpack_from("<H", body)[0]
                            self.assertGreater(i, dims)
                            self.assertLess(i, first_of_row.get(row, len(sheet)))
                        if n == MERGEDCELLS:
                            self.assertGreater(i, cells[-1][0])
                        if n == BOOLERR:
                            self.assertEqual((len(body), body[7]), (8, 0))

    def test_setup_dimensions_and_extsst(self):
        for v, path in self.paths.items():
            with self.subTest(version=v):
                book = self.books[v]
                setup = [b for n, b in sheet_records(path, book, "Cells") if n == SETUP][0]
                self.assertEqual(struct.unpack_from("<H", setup, 2)[0], 100)  # fitted to pages
                dims = [b for n, b in sheet_records(path, book, "Emptied") if n == DIMENSIONS][0]
                rows = struct.unpack_from("<II" if v == 8 else "<HH", dims)
                cols = struct.unpack_from("<HH", dims, 8 if v == 8 else 4)
                self.assertEqual((rows, cols), ((0, 5), (0, 2)))
        globals_ = substreams(self.paths[8])[0]
        numbers = [n for n, _ in globals_]
        at = numbers.index(EXTSST)
        self.assertNotEqual(numbers[at + 1], CONTINUE)
        body = globals_[at][1]
        unique = struct.unpack_from("<I", globals_[numbers.index(SST)][1], 4)[0]
        self.assertGreater(unique, 20000)
        bucket, entries = struct.unpack_from("<H", body)[0], (len(body) - 2) // 8
        self.assertLessEqual(entries, 128)
        self.assertEqual(entries, (unique + bucket - 1) // bucket)
        strings = self.books[8].sheet_by_name("Strings")
        self.assertEqual(strings.cell_value(19999, 0), "text 19999")

    # ---- LibreOffice and the tool -----------------------------------------------------

    def test_libreoffice_and_tool(self):
        require_tool()
        work = Workdir(self)
        for v, path in self.paths.items():
            with open(path, "rb") as src, open(work("book%d.xls" % v), "wb") as dst:
                dst.write(src.read())
        got = build_ok(work, {"sheets": ["Tool"], "steps": [
            {"sheet": "Tool", "range": "A1", "set": {"Value": True}},
            {"sheet": "Tool", "range": "B1:C1", "set": {"Value": [False, True]}},
            {"sheet": "Tool", "range": "A1:C1", "get": ["Value"]}],
            "save": [{"file": "tool8.xls"}, {"file": "tool5.xls", "format": 1},
                     {"file": "tool.htm", "format": 3}]})
        self.assertEqual(got[0]["Value"], [[True, False, True]])
        for name in ("tool8.xls", "tool5.xls"):
            row = xlrd.open_workbook(work(name)).sheet_by_name("Tool").row(0)
            self.assertEqual([(c.ctype, c.value) for c in row], [(xlrd.XL_CELL_BOOLEAN, 1),
                             (xlrd.XL_CELL_BOOLEAN, 0), (xlrd.XL_CELL_BOOLEAN, 1)], name)
        pages = "".join(open(p, encoding="latin-1").read()
                        for p in glob.glob(work("tool*")) + glob.glob(work("tool*", "*"))
                        if p.endswith(".htm"))
        self.assertIn(">TRUE<", pages)
        self.assertIn(">FALSE<", pages)

        sheets, log = convert_to_csv(work, ["book8.xls", "book5.xls"])
        for v in (8, 5):
            with self.subTest(version=v):
                rows = sheets.get("book%d-Bools.csv" % v)
                self.assertIsNotNone(rows, log)
                # LibreOffice gives boolean cells of a BIFF file the standard number
                # format, so its text shows them as 1 and 0 (as it shows booleans it
                # saved itself); what counts is that every value arrives.
                self.assertEqual(rows[1], ["1", "", "0", "1.5", "1", "1", "1"])
                self.assertEqual(rows[2], ["0", "", "", "", "", "0", "0"])


if __name__ == "__main__":
    unittest.main()
