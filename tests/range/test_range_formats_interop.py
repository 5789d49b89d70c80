"""Formats set through ranges, read back by xlrd cell by cell.

A `tablirex build` script formats cells, a block's borders, fills, a whole
column and a whole row, and saves the workbook in both binary versions; xlrd
(formatting_info=True) must see in each file the font, number format,
alignment, wrap, rotation, borders and fill of every cell as the script set them.
"""
import json
import os
import subprocess
import tempfile
import unittest

import xlrd

AUTO = 64  # the system foreground: an automatic line or pattern colour

SCRIPT_STEPS = [
    # A1: font properties.
    {"range": "A1", "set": {"Value": "font", "Font.Name": "Courier New", "Font.Size": 14,
                            "Font.Bold": True, "Font.Italic": True, "Font.UnderLine": 2,
                            "Font.ColorIndex": 3}},
    {"range": "A2", "set": {"Value": "strike", "Font.Strikethrough": True, "Font.Underline": -4119,
                            "Font.Color": "#0000FF"}},
    # B1, C1, D1: number formats, alignment, wrapping and rotation.
    {"range": "B1", "set": {"Value": 1234.5, "NumFormat": "#,##0.00", "HAlign": -4152,
                            "VAlign": -4160, "WrapText": True, "Orientation": 45}},
    {"range": "C1", "set": {"Value": "turned", "HAlign": -4108, "VAlign": -4108,
                            "Orientation": -30}},
    {"range": "D1", "set": {"Value": {"date": "2024-03-01"}, "NumFormat": "dd.mm.yyyy",
                            "HAlign": -4131, "Orientation": 255}},
    # B3:C4: one property per edge, and dotted inside vertical lines.
    {"range": "B3:C4", "set": {"Value": 7, "Borders(7).LineStyle": 1, "Borders(8).Weight": -4138,
                               "Borders(9).LineStyle": -4119, "Borders(10).ColorIndex": 5,
                               "Borders(11).LineStyle": -4118}},
    # E2, E3: a solid fill and a pattern with both colours.
    {"range": "E2", "set": {"Interior.ColorIndex": 6}},
    {"range": "E3", "set": {"Interior.Pattern": -4126, "Interior.ColorIndex": 4,
                            "Interior.PatternColorIndex": 3}},
    # Column G after its cell exists; row 8 whole.
    {"range": "G5", "set": {"Value": 5}},
    {"range": "G:G", "set": {"Font.Bold": True, "NumFormat": "0.000"}},
    {"range": "8:8", "set": {"Interior.ColorIndex": 8}},
]


class RangeFormatsInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        tool = os.environ.get("TABLIREX")
        if not tool or not os.path.exists(tool):
            raise unittest.SkipTest("TABLIREX (the tool's path) not set: run through ctest")
        cls.tmp = tempfile.TemporaryDirectory(prefix="tablirex_rangefmt_")
        files = {v: os.path.join(cls.tmp.name, "formats%d.xls" % v) for v in (8, 5)}
        script = {
            "sheets": ["Fmt"],
            "steps": [dict(step, sheet="Fmt") for step in SCRIPT_STEPS],
            "save": [{"file": files[8], "format": 2}, {"file": files[5], "format": 1}],
        }
        path = os.path.join(cls.tmp.name, "script.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(script, f)
        subprocess.run([tool, "build", path], check=True, stdout=subprocess.DEVNULL)
        cls.books = {v: xlrd.open_workbook(p, formatting_info=True) for v, p in files.items()}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @staticmethod
    def xf(book, a1):
        row, col = _rc(a1)
        return book.xf_list[book.sheet_by_index(0).cell_xf_index(row, col)]

    def font(self, book, a1):
        return book.font_list[self.xf(book, a1).font_index]

    def test_fonts(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                f = self.font(book, "A1")
                self.assertEqual((f.name, f.height, f.italic, f.underline_type, f.colour_index),
                                 ("Courier New", 280, 1, 1, 10))
                self.assertGreaterEqual(f.weight, 700)
                f = self.font(book, "A2")
                self.assertEqual((f.name, f.struck_out, f.underline_type, f.italic), ("Arial", 1, 2, 0))
                self.assertLess(f.weight, 700)
                # #0000FF is blue, palette entry 12 (colour index 5).
                self.assertEqual(f.colour_index, 12)
                self.assertEqual(book.colour_map[12], (0, 0, 255))

    def test_number_formats(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                for a1, text in (("B1", "#,##0.00"), ("D1", "dd.mm.yyyy"), ("G5", "0.000")):
                    self.assertEqual(book.format_map[self.xf(book, a1).format_key].format_str, text, a1)
                self.assertEqual(book.format_map[self.xf(book, "A1").format_key].format_str, "General")

    def test_alignment_wrap_rotation(self):
        # BIFF5 keeps only four orientations: 0-45 degrees none, 46-135 (counted
        # from the stored byte) turned 90, 136-254 turned the other way, 255 stacked.
        rotations = {8: {"B1": 45, "C1": 120, "D1": 255}, 5: {"B1": 0, "C1": 90, "D1": 255}}
        for v, book in self.books.items():
            with self.subTest(version=v):
                cases = {"B1": (3, 0, 1), "C1": (2, 1, 0), "D1": (1, 2, 0), "A1": (0, 2, 0)}
                for a1, (hor, ver, wrap) in cases.items():
                    al = self.xf(book, a1).alignment
                    self.assertEqual((al.hor_align, al.vert_align, al.text_wrapped), (hor, ver, wrap), a1)
                for a1, rotation in rotations[v].items():
                    self.assertEqual(self.xf(book, a1).alignment.rotation, rotation, a1)

    def test_borders(self):
        none = (0, 0)
        want = {
            #      left        right        top          bottom
            "B3": [(1, AUTO), (4, AUTO), (2, AUTO), none],
            "C3": [none, (1, 12), (2, AUTO), none],
            "B4": [(1, AUTO), (4, AUTO), none, (6, AUTO)],
            "C4": [none, (1, 12), none, (6, AUTO)],
        }
        for v, book in self.books.items():
            with self.subTest(version=v):
                for a1, sides in want.items():
                    b = self.xf(book, a1).border
                    got = [(b.left_line_style, b.left_colour_index), (b.right_line_style, b.right_colour_index),
                           (b.top_line_style, b.top_colour_index),
                           (b.bottom_line_style, b.bottom_colour_index)]
                    self.assertEqual(got, sides, a1)

    def test_fills(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                bg = self.xf(book, "E2").background
                self.assertEqual((bg.fill_pattern, bg.pattern_colour_index), (1, 13))
                bg = self.xf(book, "E3").background
                self.assertEqual((bg.fill_pattern, bg.pattern_colour_index, bg.background_colour_index),
                                 (3, 10, 11))
                self.assertEqual(self.xf(book, "E4").background.fill_pattern, 0)

    def test_whole_column_and_row(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                sheet = book.sheet_by_index(0)
                col = book.xf_list[sheet.colinfo_map[6].xf_index]
                self.assertGreaterEqual(book.font_list[col.font_index].weight, 700)
                self.assertEqual(book.format_map[col.format_key].format_str, "0.000")
                self.assertEqual(self.xf(book, "G5").font_index, col.font_index)
                info = sheet.rowinfo_map[7]
                self.assertEqual(info.has_default_xf_index, 1)
                bg = book.xf_list[info.xf_index].background
                self.assertEqual((bg.fill_pattern, bg.pattern_colour_index), (1, 15))
                # Column G shows through where row 8 has no cell of its own: G8 was made.
                g8 = self.xf(book, "G8")
                self.assertEqual(g8.background.pattern_colour_index, 15)
                self.assertGreaterEqual(book.font_list[g8.font_index].weight, 700)


class FormattedTableExample(unittest.TestCase):
    """The README's formatted table: saved in both versions, read back as drawn."""

    def test_example_files(self):
        binary_dir = os.environ.get("TABLIREX_BINARY_DIR", "")
        exe = os.path.join(binary_dir, "example_formatted_table")
        if not os.path.exists(exe):
            raise unittest.SkipTest(exe + " not built (examples off)")
        with tempfile.TemporaryDirectory(prefix="tablirex_example_") as tmp:
            files = {8: os.path.join(tmp, "t8.xls"), 5: os.path.join(tmp, "t5.xls")}
            subprocess.run([exe, files[8], files[5]], check=True, stdout=subprocess.DEVNULL)
            for v, path in files.items():
                with self.subTest(version=v):
                    book = xlrd.open_workbook(path, formatting_info=True)
                    sheet = book.sheet_by_index(0)
                    self.assertIn((0, 1, 0, 7), sheet.merged_cells)
                    self.assertEqual(sheet.cell_value(0, 0), "First quarter orders")
                    head = book.xf_list[sheet.cell_xf_index(2, 0)]
                    self.assertGreaterEqual(book.font_list[head.font_index].weight, 700)
                    self.assertEqual(book.colour_map[book.font_list[head.font_index].colour_index],
                                     (255, 255, 255))
                    self.assertEqual(head.background.fill_pattern, 1)
                    self.assertEqual(book.format_map[book.xf_list[sheet.cell_xf_index(3, 2)].format_key]
                                     .format_str, "dd.mm.yyyy")
                    self.assertEqual(book.format_map[book.xf_list[sheet.cell_xf_index(3, 6)].format_key]
                                     .format_str, "0.0%")
                    total = book.xf_list[sheet.cell_xf_index(9, 3)]
                    self.assertEqual(total.border.top_line_style, 6)  # double
                    turned = book.xf_list[sheet.cell_xf_index(2, 8)]
                    self.assertEqual(turned.alignment.rotation, 90)


def _rc(a1):
    """Zero-based (row, column) of an A1 reference."""
    col = 0
    i = 0
    while a1[i].isalpha():
        col = col * 26 + ord(a1[i].upper()) - 64
        i += 1
    return int(a1[i:]) - 1, col - 1


if __name__ == "__main__":
    unittest.main()
