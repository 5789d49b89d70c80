"""Shared strings, row heights and column widths, read back by xlrd.

The GoogleTest CellSamples.Write saves one workbook in both binary versions into
the directory named by TABLIREX_CELL_SAMPLES; xlrd must find every text (long
ones split over CONTINUE records included) and the rows' and columns' sizes.
"""
import os
import sys
import struct
import unittest

import olefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import SampleBooks  # noqa: E402


class StringsAndDimensions(SampleBooks, unittest.TestCase):
    SAMPLES = ("CellSamples.*", "TABLIREX_CELL_SAMPLES", "tablirex_cells_", "cells%d.xls")

    def test_short_texts(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                sheet = book.sheet_by_index(0)
                # Code page 1252 of the Excel 5 file lacks the Cyrillic letter.
                prefixes = ("\u00e9-", "s-", "\u0436-" if v == 8 else "?-")
                for i in range(3000):
                    want = prefixes[i % 3] + str(i)
                    self.assertEqual(sheet.cell_value(i, 0), want)
                    self.assertEqual(sheet.cell_value(i, 1), want)

    def test_long_texts(self):
        sheet = self.books[8].sheet_by_index(0)
        self.assertEqual(sheet.cell_value(0, 2), "\u0436" * 10000)
        self.assertEqual(sheet.cell_value(1, 2), "q" * 9000)
        self.assertEqual(sheet.cell_value(2, 2), "\U0001F600" * 5000)
        self.assertEqual(sheet.cell_value(3, 2), "x" * 32767)

    def test_sst_counts_and_extsst_offsets(self):
        ole = olefile.OleFileIO(os.path.join(self.tmp.name, "cells8.xls"))
        stream = ole.openstream("Workbook").read()
        ole.close()
        starts = {}
        pos = 0
        while pos + 4 <= len(stream):
            rtype, size = struct.unpack_from("<HH", stream, pos)
            starts[pos] = rtype
            pos += 4 + size
        sst = [p for p, t in starts.items() if t == 0x00FC]
        ext = [p for p, t in starts.items() if t == 0x00FF]
        self.assertEqual((len(sst), len(ext)), (1, 1))
        total, unique = struct.unpack_from("<II", stream, sst[0] + 4)
        # Columns A and B share each short text; the long texts are used once.
        self.assertEqual(total - unique, 3000)
        self.assertGreaterEqual(unique, 3004)
        size = struct.unpack_from("<H", stream, ext[0] + 2)[0]
        bucket = struct.unpack_from("<H", stream, ext[0] + 4)[0]
        # At least 8 strings per entry, and at most 128 entries.
        self.assertEqual(bucket, max(8, (unique + 127) // 128))
        entries = (size - 2) // 8
        self.assertEqual(entries, (unique + bucket - 1) // bucket)
        for e in range(entries):
            at, off, _ = struct.unpack_from("<IHH", stream, ext[0] + 6 + 8 * e)
            # Each entry points into an SST or CONTINUE record of the stream.
            self.assertIn(starts.get(at - off), (0x00FC, 0x003C), "entry %d" % e)

    def test_rows_and_columns(self):
        for v, book in self.books.items():
            with self.subTest(version=v):
                sheet = book.sheet_by_index(0)
                self.assertEqual(sheet.rowinfo_map[1].height, 400)
                self.assertFalse(sheet.rowinfo_map[1].hidden)
                self.assertTrue(sheet.rowinfo_map[3].hidden)
                self.assertEqual(sheet.colinfo_map[1].width, 20 * 256 + 182)
                self.assertFalse(sheet.colinfo_map[1].hidden)
                self.assertTrue(sheet.colinfo_map[3].hidden)
                self.assertEqual(sheet.colinfo_map[3].width, 2340)
                self.assertEqual(sheet.defcolwidth, 9)
                self.assertNotIn(0, sheet.colinfo_map)


if __name__ == "__main__":
    unittest.main()
