"""The W3 workload's files: every value and number format right, the header's
font, fill and borders, and few XF records, in both of its variants."""
import os
import subprocess
import tempfile
import unittest

import xlrd

BIN = os.environ.get("TABLIREX_BINARY_DIR", "build")
ROWS, COLS = 20000, 10
FIRST_DAY = 45292.0


def expected_value(r, c):
    kind = c % 3
    if kind == 0:
        return r * 10.25 + c
    if kind == 1:
        return FIRST_DAY + r % 3000 + (c * 60 + r % 60) / 1440.0
    return "entry %d" % ((r * COLS + c) % 1000)


class W3Formats(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        exe = os.path.join(BIN, "bench_w3_formats")
        if not os.path.exists(exe):
            raise unittest.SkipTest(exe + " not built (benchmarks off)")
        cls.tmp = tempfile.TemporaryDirectory()
        cls.books, cls.outputs = {}, {}
        for variant in ("columns", "cells"):
            path = os.path.join(cls.tmp.name, "w3-%s.xls" % variant)
            run = subprocess.run([exe, "--once", path, variant], check=True, capture_output=True, text=True)
            cls.outputs[variant] = run.stdout
            cls.books[variant] = xlrd.open_workbook(path, formatting_info=True)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_values_and_number_formats(self):
        formats = {0: "#,##0.00", 1: "dd.mm.yyyy", 2: "General"}
        for variant, book in self.books.items():
            sheet = book.sheet_by_index(0)
            self.assertEqual((sheet.nrows, sheet.ncols), (ROWS + 1, COLS))
            keys = {}
            for r in range(ROWS):
                row = sheet.row(r + 1)
                for c in range(COLS):
                    want = expected_value(r, c)
                    got = row[c].value
                    if (abs(got - want) > 1e-9) if isinstance(want, float) else got != want:
                        self.fail("%s: cell (%d, %d) is %r, not %r" % (variant, r + 1, c, got, want))
                    keys.setdefault(c, set()).add(book.xf_list[row[c].xf_index].format_key)
            for c, seen in keys.items():
                self.assertEqual(len(seen), 1, "%s: column %d" % (variant, c))
                self.assertEqual(book.format_map[seen.pop()].format_str, formats[c % 3],
                                 "%s: column %d" % (variant, c))

    def test_header(self):
        for variant, book in self.books.items():
            sheet = book.sheet_by_index(0)
            for c in range(COLS):
                with self.subTest(variant=variant, column=c):
                    self.assertEqual(sheet.cell_value(0, c), "Column %d" % (c + 1))
                    xf = book.xf_list[sheet.cell_xf_index(0, c)]
                    self.assertGreaterEqual(book.font_list[xf.font_index].weight, 700)
                    self.assertEqual(xf.background.fill_pattern, 1)
                    self.assertEqual(book.colour_map[xf.background.pattern_colour_index], (0x99, 0xCC, 0xFF))
                    b = xf.border
                    # Thin lines all round (each inside line kept by its left cell),
                    # the bottom one medium.
                    self.assertEqual((b.top_line_style, b.bottom_line_style, b.right_line_style), (1, 2, 1))
                    self.assertEqual(b.left_line_style, 1 if c == 0 else 0)

    def test_few_xf_records(self):
        for variant, book in self.books.items():
            # 16 predefined, four header formats, two column formats and the
            # second row's formats that gave up their top line.
            self.assertLessEqual(len(book.xf_list), 26, variant)
            self.assertIn("XF records written: %d" % len(book.xf_list), self.outputs[variant])


if __name__ == "__main__":
    unittest.main()
