"""W4's file opens in LibreOffice with columns B and C computing their formulas."""
import csv
import glob
import os
import shutil
import subprocess
import tempfile
import unittest

BIN = os.environ.get("TABLIREX_BINARY_DIR", "build")
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"


class W4InLibreOffice(unittest.TestCase):
    def test_running_sums(self):
        exe = os.path.join(BIN, "bench_w4_formulas")
        if not os.path.exists(exe):
            self.skipTest("benchmarks not built")
        soffice = shutil.which("soffice") or shutil.which("libreoffice")
        self.assertIsNotNone(soffice, "LibreOffice is not installed (scripts/setup.sh)")
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "w4.xls")
            subprocess.run([exe, "--once", path], check=True, capture_output=True)
            subprocess.run(
                [soffice, "-env:UserInstallation=file://" + d + "/profile", "--headless",
                 "--norestore", "--convert-to", CSV_FILTER, "--outdir", d, path],
                check=True, capture_output=True, timeout=300)
            out = glob.glob(os.path.join(d, "w4*.csv"))
            self.assertEqual(len(out), 1, out)
            with open(out[0], newline="", encoding="utf-8") as f:
                rows = list(csv.reader(f))
            self.assertEqual(len(rows), 20000)
            total = 0
            for r, row in enumerate(rows, start=1):
                total += r
                self.assertEqual([float(x) for x in row[:3]], [r, 2 * r + 1, total], "row %d" % r)


if __name__ == "__main__":
    unittest.main()
