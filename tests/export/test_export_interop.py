"""Exported workbooks read back by xlrd, and the HTML pages of a split export.

The GoogleTest ExportSamples.Write exports a small dataset (five records over two
sheets) in both binary versions and as HTML, and a grid over the same records;
this test checks the values, dates, number formats, header fonts and widths.
"""
import os
import sys
import unittest

import openpyxl
import xlrd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import write_samples  # noqa: E402


def width_units(characters):
    """Column units the library stores for a width in characters."""
    whole = int(characters)
    return whole * 256 + 182 + round((characters - whole) * 256)


class ExportInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = write_samples("ExportSamples.*", "TABLIREX_EXPORT_SAMPLES", "tablirex_export_")
        path = lambda name: os.path.join(cls.tmp.name, name)  # noqa: E731
        cls.books = {v: xlrd.open_workbook(path("dataset%d.xls" % v), formatting_info=True) for v in (8, 5)}
        cls.grid = xlrd.open_workbook(path("grid8.xls"), formatting_info=True)
        cls.dir = cls.tmp.name

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @staticmethod
    def format_of(book, sheet, row, col):
        return book.format_map[book.xf_list[sheet.cell_xf_index(row, col)].format_key].format_str

    @staticmethod
    def font_of(book, sheet, row, col):
        return book.font_list[book.xf_list[sheet.cell_xf_index(row, col)].font_index]

    def test_dataset_values_and_formats(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                self.assertEqual(book.sheet_names(), ["Orders", "Sheet2"])
                first, second = book.sheets()
                self.assertEqual((first.nrows, second.nrows), (4, 3))
                for sheet in (first, second):
                    self.assertEqual(sheet.row_values(0), ["id", "name", "price", "day", "stamp", "at"])
                    self.assertEqual(self.font_of(book, sheet, 0, 0).weight, 700)
                    self.assertEqual(self.font_of(book, sheet, 1, 0).weight, 400)
                # Records 1-3 on the first sheet, 4-5 on the second.
                self.assertEqual([first.cell_value(r, 0) for r in (1, 2, 3)], [1, 2, 3])
                self.assertEqual([second.cell_value(r, 0) for r in (1, 2)], [4, 5])
                # A text beginning with "=" stays a text.
                self.assertEqual(first.cell(2, 1).ctype, xlrd.XL_CELL_TEXT)
                self.assertEqual(first.cell_value(2, 1), "=1+2")
                self.assertEqual(first.cell_value(1, 2), 1234.5)
                self.assertEqual(self.format_of(book, first, 1, 2), "#,##0.00")
                for col in (3, 4, 5):
                    self.assertEqual(first.cell(1, col).ctype, xlrd.XL_CELL_DATE)
                self.assertEqual(xlrd.xldate_as_tuple(first.cell_value(1, 3), book.datemode), (2024, 2, 10, 0, 0, 0))
                self.assertEqual(xlrd.xldate_as_tuple(first.cell_value(2, 4), book.datemode), (2024, 2, 11, 8, 30, 15))
                self.assertEqual(self.format_of(book, first, 1, 3), "dd.mm.yyyy")
                # Date-times show their time only when they have one.
                self.assertEqual(self.format_of(book, first, 1, 4), "dd.mm.yyyy")
                self.assertEqual(self.format_of(book, first, 2, 4), "dd.mm.yyyy hh:mm:ss")
                self.assertEqual(self.format_of(book, first, 1, 5), "hh:mm:ss")
                # Display widths in characters; a field without one keeps the default.
                self.assertEqual(first.colinfo_map[0].width, width_units(6))
                self.assertEqual(first.colinfo_map[3].width, width_units(10))
                self.assertNotIn(2, first.colinfo_map)

    def test_xlsx_by_the_name(self):
        # The exporter's SaveAs writes a package for a name ending in .xlsx.
        book = openpyxl.load_workbook(os.path.join(self.dir, "dataset.xlsx"))
        self.assertEqual(book.sheetnames, ["Orders", "Sheet2"])
        first = book["Orders"]
        self.assertEqual([c.value for c in first[1]], ["id", "name", "price", "day", "stamp", "at"])
        self.assertTrue(first["A1"].font.b)
        self.assertEqual((first["B3"].value, first["C2"].value, first["C2"].number_format),
                         ("=1+2", 1234.5, "#,##0.00"))
        self.assertEqual(first["B3"].data_type, "s")  # a text, not a formula
        self.assertEqual(first["D2"].value.isoformat(), "2024-02-10T00:00:00")

    def test_grid(self):
        sheet = self.grid.sheet_by_index(0)
        # "name" is hidden: price follows id directly.
        self.assertEqual(sheet.row_values(0), ["id", "Price", "day", "stamp", "at"])
        self.assertEqual(sheet.cell_value(1, 1), 1234.5)
        self.assertEqual(sheet.colinfo_map[1].width, width_units(14.33))
        self.assertEqual(self.format_of(self.grid, sheet, 0, 1), "@")
        self.assertEqual(self.font_of(self.grid, sheet, 0, 1).weight, 700)
        xf = self.grid.xf_list[sheet.cell_xf_index(1, 1)]
        self.assertEqual(xf.alignment.hor_align, 3)  # right, as the grid column
        self.assertEqual(xf.border.bottom_line_style, 1)  # thin

    def test_html_frameset(self):
        with open(os.path.join(self.dir, "dataset.html"), encoding="cp1252") as f:
            frameset = f.read()
        self.assertIn("frameset", frameset.lower())
        pages = [os.path.join(self.dir, "dataset.files", "Sheet%03d.htm" % i) for i in (1, 2)]
        texts = []
        for page in pages:
            with open(page, encoding="cp1252") as f:
                texts.append(f.read())
        self.assertIn("=1+2", texts[0])
        self.assertIn("item 5", texts[1])


if __name__ == "__main__":
    unittest.main()
