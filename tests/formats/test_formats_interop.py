"""Fonts, number formats, extended formats and the palette, read back by xlrd.

The GoogleTest FormatSamples.Write saves one workbook in both binary versions
into the directory named by TABLIREX_FORMAT_SAMPLES; this test opens both with
formatting information and checks what each formatted cell shows.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import SampleBooks  # noqa: E402


class FormatsInterop(SampleBooks, unittest.TestCase):
    SAMPLES = ("FormatSamples.*", "TABLIREX_FORMAT_SAMPLES", "tablirex_formats_", "formats%d.xls")

    def xf(self, book, row, col):
        sheet = book.sheet_by_index(0)
        return book.xf_list[sheet.cell_xf_index(row, col)]

    def font(self, book, row, col):
        return book.font_list[self.xf(book, row, col).font_index]

    def test_counts(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                # 16 predefined XFs and the ten the cells use (the shadow one is
                # not written).
                self.assertEqual(len(book.xf_list), 26)
                self.assertEqual(book.xf_list[0].font_index, 1)
                self.assertTrue(all(f.weight in (400, 700) for f in book.font_list))

    def test_fonts(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                bold = self.font(book, 0, 0)
                self.assertEqual(self.xf(book, 0, 0).font_index, 5)
                self.assertEqual(bold.weight, 700)
                self.assertEqual(bold.name, "Arial")
                self.assertEqual(bold.height, 200)
                other = self.font(book, 0, 1)
                self.assertEqual((other.name, other.height, other.italic, other.colour_index,
                                  other.underline_type, other.weight),
                                 ("Courier New", 280, 1, 10, 1, 400))
                self.assertEqual(self.font(book, 1, 0).name, "Arial")

    def test_number_format(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                xf = self.xf(book, 1, 0)
                self.assertEqual(xf.format_key, 163)
                self.assertEqual(book.format_map[163].format_str, "0.00")
                self.assertEqual(book.format_map[6].format_str,
                                 '("$"#,##0_);[Red]("$"#,##0)')

    def test_borders(self):
        # The medium dash-dot top line is written as a medium line in version 5.
        top = {8: 10, 5: 2}
        for v, book in self.books.items():
            with self.subTest(version=v):
                b = self.xf(book, 1, 1).border
                self.assertEqual((b.left_line_style, b.left_colour_index), (1, 10))
                self.assertEqual((b.top_line_style, b.top_colour_index), (top[v], 64))
                self.assertEqual((b.bottom_line_style, b.bottom_colour_index), (6, 64))
                self.assertEqual((b.right_line_style, b.right_colour_index), (4, 64))

    def test_fills(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                solid = self.xf(book, 2, 0).background
                self.assertEqual((solid.fill_pattern, solid.pattern_colour_index,
                                  solid.background_colour_index), (1, 13, 64))
                pattern = self.xf(book, 2, 1).background
                self.assertEqual((pattern.fill_pattern, pattern.pattern_colour_index,
                                  pattern.background_colour_index), (3, 12, 65))

    def test_alignment_and_protection(self):
        rotation = {8: (45, 255), 5: (0, 255)}
        for v, book in self.books.items():
            with self.subTest(version=v):
                a = self.xf(book, 3, 0).alignment
                self.assertEqual((a.hor_align, a.vert_align, a.text_wrapped), (2, 0, 1))
                self.assertEqual(a.rotation, rotation[v][0])
                if v == 8:
                    self.assertEqual(a.indent_level, 2)
                self.assertEqual(self.xf(book, 4, 0).alignment.rotation, rotation[v][1])
                p = self.xf(book, 3, 1).protection
                self.assertEqual((p.cell_locked, p.formula_hidden), (0, 1))
                self.assertEqual(self.xf(book, 0, 0).protection.cell_locked, 1)

    def test_palette(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                self.assertEqual(book.colour_map[8], (0x00, 0xFF, 0x80))
                self.assertEqual(book.colour_map[63], (0x33, 0x33, 0x33))
                self.assertEqual(self.font(book, 4, 1).colour_index, 8)


if __name__ == "__main__":
    unittest.main()
