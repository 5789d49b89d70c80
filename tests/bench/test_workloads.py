"""The benchmark workloads' files read back with every value right."""
import os
import subprocess
import tempfile
import unittest

import xlrd

BIN = os.environ.get("TABLIREX_BINARY_DIR", "build")


def run_once(name, path, *extra):
    exe = os.path.join(BIN, name)
    if not os.path.exists(exe):
        raise unittest.SkipTest(exe + " not built (benchmarks off)")
    subprocess.run([exe, "--once", path, *extra], check=True, capture_output=True)


class Workloads(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def test_w1_numbers(self):
        for variant in ("cells", "arrays"):
            path = os.path.join(self.dir.name, "w1-%s.xls" % variant)
            run_once("bench_w1_numbers", path, variant)
            sheet = xlrd.open_workbook(path).sheet_by_index(0)
            self.assertEqual((sheet.nrows, sheet.ncols), (65536, 16))
            for r in range(sheet.nrows):
                row = sheet.row_values(r)
                for c in range(16):
                    if row[c] != (r * 16.0 + c) / 7.0:
                        self.fail("%s: cell (%d, %d) is %r" % (variant, r, c, row[c]))

    def test_w2_texts(self):
        path = os.path.join(self.dir.name, "w2.xls")
        run_once("bench_w2_texts", path)
        sheet = xlrd.open_workbook(path).sheet_by_index(0)
        self.assertEqual((sheet.nrows, sheet.ncols), (65536, 8))
        for r in range(sheet.nrows):
            row = sheet.row_values(r)
            for c in range(8):
                if row[c] != "item-%d" % ((r * 8 + c) % 5000):
                    self.fail("cell (%d, %d) is %r" % (r, c, row[c]))


if __name__ == "__main__":
    unittest.main()
