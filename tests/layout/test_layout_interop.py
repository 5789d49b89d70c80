"""Page layout, panes, page breaks and built-in names read back with xlrd.

The GoogleTest LayoutSamples.Write saves the sample workbook in both versions
into the directory named by TABLIREX_LAYOUT_SAMPLES; xlrd decodes the PANE,
SCL and page-break records itself and evaluates the built-in names through the
workbook's EXTERNSHEET references.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import SampleBooks  # noqa: E402


class LayoutWithXlrd(SampleBooks, unittest.TestCase):
    SAMPLES = ("LayoutSamples.Write", "TABLIREX_LAYOUT_SAMPLES", "tablirex_layout_", "layout%d.xls")

    def test_page_breaks(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                s1 = book.sheet_by_index(0)
                self.assertEqual(s1.horizontal_page_breaks, [(5, 0, 255), (10, 0, 255), (20, 0, 255)])
                self.assertEqual(s1.vertical_page_breaks, [(3, 0, 65535)])
                self.assertEqual(book.sheet_by_index(1).horizontal_page_breaks, [])

    def test_frozen_row_and_zoom(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                s1 = book.sheet_by_index(0)
                self.assertTrue(s1.panes_are_frozen)
                self.assertTrue(s1.has_pane_record)
                self.assertEqual(
                    (s1.vert_split_pos, s1.horz_split_pos, s1.horz_split_first_visible,
                     s1.vert_split_first_visible, s1.split_active_pane),
                    (0, 1, 1, 0, 2))
                self.assertEqual(s1.scl_mag_factor, 75)
                s2 = book.sheet_by_index(1)
                self.assertFalse(s2.panes_are_frozen)
                self.assertFalse(getattr(s2, "has_pane_record", 0))
                self.assertIsNone(s2.scl_mag_factor)

    def test_builtin_names(self):
        for version, book in self.books.items():
            all_rows = 65536 if version == 8 else 16384
            with self.subTest(version=version):
                got = [(n.name, n.scope, [r.coords for r in n.result.value])
                       for n in book.name_obj_list]
                # Ref3D coords: first sheet, last sheet + 1, rows and columns with
                # exclusive upper bounds.
                self.assertEqual(got, [
                    ("Print_Area", 1, [(1, 2, 1, 20, 1, 4)]),
                    ("Print_Titles", 0, [(0, 1, 0, all_rows, 0, 2), (0, 1, 0, 2, 0, 256)]),
                    ("Print_Titles", 2, [(2, 3, 0, all_rows, 2, 3)]),
                ])


if __name__ == "__main__":
    unittest.main()
