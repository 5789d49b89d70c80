"""Sheets changed by Delete, Insert, Copy, Move and Merge, read back by xlrd.

The GoogleTest RangeStructSamples.Write builds one workbook per file version
(BIFF5 and BIFF8) into the directory named by TABLIREX_STRUCT_SAMPLES: rows 1-10
hold "row n" and n; row 3 is deleted, two rows are inserted at row 5, A1:B2 is
copied over D1:E5, D7:E8 is merged, B1's width and value are copied to G1, and
A1:B2 is moved to C3:D4 of a second sheet.
"""
import os
import sys
import unittest

import xlrd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import SampleBooks  # noqa: E402


class StructuralInterop(SampleBooks, unittest.TestCase):
    SAMPLES = ("RangeStructSamples.*", "TABLIREX_STRUCT_SAMPLES", "tablirex_struct_", "struct%d.xls")
    VERSIONS = (1, 2)

    def test_rows_after_delete_and_insert(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                ops = book.sheet_by_name("Ops")
                col_a = [ops.cell_value(r, 0) for r in range(ops.nrows)]
                # Moved away: rows 1-2; deleted: row 3; inserted (empty): two rows after row 5.
                # The row the delete emptied at the end is not saved.
                self.assertEqual(col_a, ["", "", "row 4", "row 5", "", "", "row 6", "row 7",
                                         "row 8", "row 9", "row 10"])
                self.assertEqual(ops.cell_value(10, 1), 10.0)
                self.assertIn(ops.cell_type(4, 1), (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK))

    def test_copy_repeats_the_source_with_its_format(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                ops = book.sheet_by_name("Ops")
                self.assertEqual([ops.cell_value(r, 3) for r in range(5)],
                                 ["row 1", "row 2", "row 1", "row 2", "row 1"])
                self.assertEqual([ops.cell_value(r, 4) for r in range(5)], [1.0, 2.0, 1.0, 2.0, 1.0])
                bold = [book.font_list[book.xf_list[ops.cell_xf_index(r, 3)].font_index].weight
                        for r in range(5)]
                self.assertEqual(bold, [700, 400, 700, 400, 700])

    def test_merged_area_and_widths(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                ops = book.sheet_by_name("Ops")
                self.assertEqual(ops.merged_cells, [(6, 8, 3, 5)])
                self.assertEqual(ops.cell_value(6, 3), "merged")
                self.assertEqual(ops.colinfo_map[1].width, ops.colinfo_map[6].width)
                self.assertEqual(ops.cell_value(0, 6), 1.0)

    def test_move_to_another_sheet(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                moved = book.sheet_by_name("Moved")
                self.assertEqual(moved.cell_value(2, 2), "row 1")
                self.assertEqual(moved.cell_value(3, 3), 2.0)
                font = book.font_list[book.xf_list[moved.cell_xf_index(2, 2)].font_index]
                self.assertGreaterEqual(font.weight, 700)
                ops = book.sheet_by_name("Ops")
                self.assertEqual(ops.cell_value(0, 0), "")
                self.assertEqual(book.font_list[book.xf_list[ops.cell_xf_index(0, 0)].font_index].weight, 400)


if __name__ == "__main__":
    unittest.main()
