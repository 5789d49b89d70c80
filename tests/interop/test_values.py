"""Cell values, merged areas, row heights, column widths and hidden rows and
columns written by build scripts in both formats and read back by xlrd."""
import unittest

import xlrd

from tool import Workdir, build_ok, dump, require_tool

BIG_TEXT = "".join(chr(0x41 + i % 26) if i % 7 else "é" for i in range(10000))
# 300 texts of 40 characters: 24000 bytes of SST in BIFF8, over several CONTINUE records.
MANY_TEXTS = ["Zeile %03d – grüße aus der Tabelle %s" % (i, "x" * (40 - 36)) for i in range(300)]
LONG_LATIN = "ÄÖÜ" + "a" * 297

# (cell, value in the script, value read in BIFF8, value read in BIFF5). None as
# the BIFF5 value: the cell is only written in BIFF8.
CELLS = [
    ("A1", 1.7976931348623157e308, 1.7976931348623157e308, 1.7976931348623157e308),
    ("A2", -1.7976931348623157e308, -1.7976931348623157e308, -1.7976931348623157e308),
    ("A3", 5e-324, 5e-324, 5e-324),
    ("A4", -2.2250738585072014e-308, -2.2250738585072014e-308, -2.2250738585072014e-308),
    ("A5", -12.5, -12.5, -12.5),
    ("A6", 2 ** 31 + 1, 2147483649.0, 2147483649.0),
    ("A7", -(2 ** 31) - 1, -2147483649.0, -2147483649.0),
    ("A8", 2 ** 53, 9007199254740992.0, 9007199254740992.0),
    ("A9", 0, 0.0, 0.0),
    ("B1", "héllo wörld", "héllo wörld", "héllo wörld"),
    ("B2", "数据 and Données", "数据 and Données", "?? and Données"),
    ("B3", "emoji 🎉 here", "emoji 🎉 here", None),
    ("B4", "two\nlines", "two\nlines", "two\rlines"),
    ("B5", "crlf\r\nend", "crlf\r\nend", "crlf\rend"),
    ("B6", BIG_TEXT, BIG_TEXT, BIG_TEXT[:255]),
    ("B7", LONG_LATIN, LONG_LATIN, LONG_LATIN[:255]),
    ("B8", " leading and trailing ", " leading and trailing ", " leading and trailing "),
    ("C1", {"date": "2024-02-29T12:30:00"}, 45351.520833333336, 45351.520833333336),
    ("C2", {"date": "1900-03-01"}, 61.0, 61.0),
    ("C3", {"date": "1899-12-30T06:00:00"}, 0.25, 0.25),
]


def cell_index(a1):
    col = ord(a1[0]) - ord("A")
    return int(a1[1:]) - 1, col


class ValuesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        steps = [{"sheet": "Values", "range": c, "set": {"Value": v}} for c, v, _, _ in CELLS]
        steps += [
            {"sheet": "Values", "call": "WriteDateTime", "args": ["C4", {"date": "2000-01-01T00:00:01"}]},
            {"sheet": "Values", "call": "WriteNumber", "args": ["C5", 42.25]},
            # Blanks: a null value, and a text cleared afterwards.
            {"sheet": "Values", "range": "D1", "set": {"Value": None}},
            {"sheet": "Values", "range": "D2", "set": {"Value": "gone"}},
            {"sheet": "Values", "range": "D2", "call": "ClearContents"},
            {"sheet": "Texts", "range": "A1:A300", "set": {"Value": [[t] for t in MANY_TEXTS]}},
        ]
        cls.files = {}
        for fmt, corner in ((2, "IV65536"), (1, "IV16384")):
            name = "values%d.xls" % fmt
            script_steps = steps + [{"sheet": "Corner", "range": corner, "set": {"Value": "corner"}}]
            build_ok(cls.dir, {"sheets": ["Values", "Texts", "Corner"], "steps": script_steps,
                                    "save": [{"file": name, "format": fmt}]})
            cls.files[fmt] = cls.dir(name)

    def book(self, fmt):
        return xlrd.open_workbook(self.files[fmt], formatting_info=True)

    def test_cell_values(self):
        for fmt in (2, 1):
            sheet = self.book(fmt).sheet_by_name("Values")
            for cell, _, value8, value5 in CELLS:
                expected = value8 if fmt == 2 else value5
                if expected is None:
                    continue
                with self.subTest(format=fmt, cell=cell):
                    c = sheet.cell(*cell_index(cell))
                    self.assertEqual(c.value, expected)
                    self.assertEqual(c.ctype, xlrd.XL_CELL_TEXT if isinstance(expected, str)
                                     else xlrd.XL_CELL_NUMBER)
            with self.subTest(format=fmt, cells="writers and blanks"):
                self.assertAlmostEqual(sheet.cell_value(3, 2), 36526 + 1 / 86400, places=12)
                self.assertEqual(sheet.cell_value(4, 2), 42.25)
                self.assertEqual(sheet.cell_type(0, 3), xlrd.XL_CELL_BLANK)
                # Cleared, with no format of its own: nothing of it is saved.
                self.assertEqual(sheet.cell_type(1, 3), xlrd.XL_CELL_EMPTY)

    def test_texts_over_continue_records(self):
        d = dump(self, self.files[2], brief=True)
        names = [r["name"] for r in d.records]
        sst = names.index("SST")
        self.assertGreater(d.records[sst]["length"], 8000)
        self.assertEqual(names[sst + 1:sst + 4], ["CONTINUE"] * 3)
        for fmt in (2, 1):
            with self.subTest(format=fmt):
                sheet = self.book(fmt).sheet_by_name("Texts")
                self.assertEqual(sheet.col_values(0), MANY_TEXTS)

    def test_last_cell_of_the_sheet(self):
        for fmt, rows in ((2, 65536), (1, 16384)):
            with self.subTest(format=fmt):
                sheet = self.book(fmt).sheet_by_name("Corner")
                self.assertEqual((sheet.nrows, sheet.ncols), (rows, 256))
                self.assertEqual(sheet.cell_value(rows - 1, 255), "corner")


class LayoutTest(unittest.TestCase):
    """Merged areas, row heights, column widths and hidden rows and columns."""

    STEPS = [
        {"sheet": 1, "range": "B2", "set": {"Value": "merged"}},
        {"sheet": 1, "range": "B2:D3", "call": "Merge"},
        {"sheet": 1, "call": "MergeWriteNumber", "args": ["F1:G2", 7.5]},
        {"sheet": 1, "call": "MergeWriteString", "args": ["C10:A10", "wide text"]},
        {"sheet": 1, "range": "A12:C13", "set": {"Value": 1}},
        {"sheet": 1, "range": "A12:C13", "call": "Merge", "args": [True]},
        # Merged, then split again.
        {"sheet": 1, "range": "H1:H5", "call": "Merge"},
        {"sheet": 1, "range": "H1:H5", "call": "Unmerge"},
        {"sheet": 1, "range": "5:5", "set": {"RowHeight": 20}},
        {"sheet": 1, "range": "A6", "set": {"RowHeight": 10.2}},
        {"sheet": 1, "range": "B:B", "set": {"ColumnWidth": 12.5}},
        {"sheet": 1, "range": "C1", "set": {"ColumnWidth": 0.5}},
        {"sheet": 1, "range": "8:9", "set": {"Hidden": True}},
        {"sheet": 1, "range": "E:F", "set": {"Hidden": True}},
        {"sheet": 1, "range": "J1", "set": {"Value": "after"}},
    ]

    @classmethod
    def setUpClass(cls):
        require_tool()

    def setUp(self):
        self.dir = Workdir(self)
        build_ok(self.dir, {"sheets": ["Layout"], "steps": self.STEPS,
                                  "save": [{"file": "l8.xls", "format": 2}, {"file": "l5.xls", "format": 1}]})

    def sheets(self):
        for fmt, name in ((2, "l8.xls"), (1, "l5.xls")):
            with self.subTest(format=fmt):
                yield xlrd.open_workbook(self.dir(name), formatting_info=True).sheet_by_index(0)

    def test_merged_areas(self):
        for sheet in self.sheets():
            self.assertEqual(sorted(sheet.merged_cells),
                             [(0, 2, 5, 7), (1, 3, 1, 4), (9, 10, 0, 3), (11, 12, 0, 3), (12, 13, 0, 3)])
            self.assertEqual(sheet.cell_value(1, 1), "merged")
            self.assertEqual(sheet.cell_value(0, 5), 7.5)
            self.assertEqual(sheet.cell_value(9, 0), "wide text")
            self.assertEqual(sheet.cell_value(11, 0), 1.0)
            for covered in ((1, 2), (2, 3), (1, 6), (9, 2), (11, 1)):
                self.assertEqual(sheet.cell_type(*covered), xlrd.XL_CELL_BLANK, covered)

    def test_rows_and_columns(self):
        for sheet in self.sheets():
            rows, cols = sheet.rowinfo_map, sheet.colinfo_map
            self.assertEqual(rows[4].height, 400)
            self.assertEqual(rows[5].height, 205)
            self.assertEqual((rows[7].hidden, rows[8].hidden), (1, 1))
            self.assertEqual(rows[4].hidden, 0)
            self.assertEqual(cols[1].width, 12 * 256 + 182 + 128)
            self.assertEqual(cols[2].width, 230)
            self.assertEqual((cols[4].hidden, cols[5].hidden, cols[1].hidden), (1, 1, 0))
            self.assertEqual(sheet.cell_value(0, 9), "after")


if __name__ == "__main__":
    unittest.main()
