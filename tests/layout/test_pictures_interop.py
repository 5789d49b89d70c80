"""Workbooks with pictures read back with xlrd.

The GoogleTest PictureSamples.Write saves two sheets with pictures in both
versions into the directory named by TABLIREX_PICTURE_SAMPLES. The OBJ and
IMDATA records (and the CONTINUE records of a large image) sit among the cell
records; the reader must step over them and still find every cell and sheet
record after them.
"""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

import xlrd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import SampleBooks  # noqa: E402


class PicturesWithXlrd(SampleBooks, unittest.TestCase):
    SAMPLES = ("PictureSamples.Write", "TABLIREX_PICTURE_SAMPLES", "tablirex_pictures_", "pictures%d.xls")

    def test_cells_around_the_picture(self):
        for version, book in self.books.items():
            with self.subTest(version=version):
                self.assertEqual(book.biff_version, 80 if version == 8 else 50)
                s1 = book.sheet_by_index(0)
                self.assertEqual((s1.nrows, s1.ncols), (10, 4))
                self.assertEqual(s1.cell_value(0, 0), 1.5)
                self.assertEqual(s1.cell_value(9, 3), 2.5)

    def test_records_after_the_pictures(self):
        # WINDOW2 and SELECTION come after the picture records: the sheet is
        # selected and shows gridlines only when they were read.
        for version, book in self.books.items():
            with self.subTest(version=version):
                s1, s2 = book.sheet_by_index(0), book.sheet_by_index(1)
                self.assertEqual(s1.nrows, 10)
                self.assertEqual(s2.nrows, 0)
                self.assertTrue(s1.show_grid_lines)
                self.assertEqual((s1.sheet_selected, s2.sheet_selected), (1, 0))


class InsertBitmapFromScript(unittest.TestCase):
    """The build tool's InsertBitmap operation, with a bitmap written here."""

    def test_script_places_a_picture(self):
        tool_path = os.environ.get("TABLIREX")
        if not tool_path:
            raise unittest.SkipTest("TABLIREX not set (run through ctest)")
        with tempfile.TemporaryDirectory(prefix="tablirex_pictures_tool_") as tmp:
            width, height = 10, 3
            stride = (width * 3 + 3) & ~3
            size = 54 + stride * height
            header = (b"BM" + struct.pack("<IHHI", size, 0, 0, 54)
                      + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0))
            with open(os.path.join(tmp, "p.bmp"), "wb") as f:
                f.write(header + bytes(range(256))[:stride * height])
            script = {"sheets": ["S"], "steps": [
                {"sheet": "S", "range": "A1", "set": {"Value": 7}},
                {"sheet": "S", "call": "InsertBitmap", "args": [1, 1, "p.bmp", 3, 4, 2.0, 2.0]},
            ], "save": [{"file": "out.xls", "format": 1}]}
            with open(os.path.join(tmp, "s.json"), "w") as f:
                json.dump(script, f)
            r = subprocess.run([tool_path, "build", "s.json"], cwd=tmp, capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(tmp, "out.xls"), "rb") as f:
                data = f.read()
            # OBJ of the Excel 5 form: picture anchored at B2, 3 and 4 pixels in, 20 x 6
            # pixels. (Excel 97 files carry it in the drawing layer: tests/drawing.)
            at = data.find(struct.pack("<HHIHHH", 0x5D, 60, 1, 8, 1, 0x0614))
            self.assertGreater(at, 0)
            self.assertEqual(struct.unpack_from("<8H", data, at + 14), (1, 48, 1, 60, 1, 352, 1, 136))
            book = xlrd.open_workbook(os.path.join(tmp, "out.xls"))
            self.assertEqual(book.sheet_by_index(0).cell_value(0, 0), 7.0)


if __name__ == "__main__":
    unittest.main()
