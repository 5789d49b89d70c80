"""Compound documents written by TCompoundFile, read back with olefile.

The GoogleTest CompoundFileSamples.WriteAndReadBack writes the sample files
and a manifest into the directory named by TABLIREX_CFB_SAMPLES; this test
runs it, then opens every file with olefile at its strictest setting.
"""
import array
import os
import sys
import unittest

import olefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import write_samples  # noqa: E402


def pattern(n):
    """Byte i is byte i % 4 of the 32-bit word i // 4, xor 0x5A."""
    words = array.array("I", range((n + 3) // 4))
    assert words.itemsize == 4
    if sys.byteorder != "little":
        words.byteswap()
    xor = bytes(b ^ 0x5A for b in range(256))
    return words.tobytes()[:n].translate(xor)


class CompoundFileInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = write_samples("CompoundFileSamples.*", "TABLIREX_CFB_SAMPLES", "tablirex_cfb_")
        with open(os.path.join(cls.tmp.name, "manifest.txt")) as f:
            cls.samples = [line.split() for line in f if line.strip()]
        cls.largest = pattern(max(int(s[2]) for s in cls.samples))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_manifest_lists_every_sample(self):
        self.assertEqual(len(self.samples), 11)

    def test_olefile_reads_every_sample_strictly(self):
        for file, name, size, fat, difat in self.samples:
            size, fat, difat = int(size), int(fat), int(difat)
            with self.subTest(size=size):
                path = os.path.join(self.tmp.name, file)
                self.assertTrue(olefile.isOleFile(path))
                # The lowest defect level makes olefile raise on any doubt.
                ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_UNSURE)
                try:
                    self.assertEqual(ole.parsing_issues, [])
                    self.assertEqual(ole.listdir(), [[name]])
                    self.assertEqual(ole.get_type(name), olefile.STGTY_STREAM)
                    self.assertEqual(ole.get_size(name), size)
                    self.assertEqual(ole.num_fat_sectors, fat)
                    self.assertEqual(ole.num_difat_sectors, difat)
                    # Short streams live in the mini stream, whose size is
                    # whole mini sectors; long ones leave it empty.
                    mini = (size + 63) // 64 * 64 if size < 4096 else 0
                    self.assertEqual(ole.root.size, mini)
                    with ole.openstream(name) as stream:
                        data = stream.read()
                    self.assertEqual(len(data), size)
                    self.assertTrue(data == self.largest[:size], "stream bytes differ")
                    self.assertEqual(ole.parsing_issues, [])
                finally:
                    ole.close()
                self.assertEqual(os.path.getsize(path) % 512, 0)


if __name__ == "__main__":
    unittest.main()
