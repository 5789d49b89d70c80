"""Compiled formulas read back by an independent decoder.

Runs `tablirex formula` for each case in both forms and hands the bytes to
xlrd's formula decompiler, which prints them back as formula text (with ","
between arguments and numbers as floats). What it prints must be the formula
we meant. The decoder is given a workbook of three sheets whose EXTERNSHEET
entries are in descending sheet order, as our workbook writes them, followed by
the one for the range of the first two sheets, which the tool numbers n.
"""
import os
import subprocess
import sys

import xlrd.formula as xf

TOOL = os.environ.get("TABLIREX") or os.path.join(os.environ.get("TABLIREX_BINARY_DIR", "build"), "tablirex")
SHEETS = ["Sheet1", "Sheet2", "My Sheet"]

# formula text, as read back from the BIFF8 bytes, as read back from the BIFF5
# bytes (None: the form refuses it).
CASES = [
    ("SUM(A1:B2;3)", "SUM(A1:B2,3.0)", "SUM(A1:B2,3.0)"),
    ("$A$1+A$1*$A1", "$A$1+A$1*$A1", "$A$1+A$1*$A1"),
    ("IF(A1>0;\"y\";-B1)", "IF(A1>0.0,\"y\",-B1)", "IF(A1>0.0,\"y\",-B1)"),
    ("ROUND(1.5;0)&\"x\"", "ROUND(1.5,0.0)&\"x\"", "ROUND(1.5,0.0)&\"x\""),
    ("(1+2)^-3", "(1.0+2.0)^-3.0", "(1.0+2.0)^-3.0"),
    ("+A1<=B1", "+A1<=B1", "+A1<=B1"),
    ("A1<>B1", "A1<>B1", "A1<>B1"),
    ("10-2-3", "10.0-2.0-3.0", "10.0-2.0-3.0"),
    ("PI()*2", "PI()*2.0", "PI()*2.0"),
    ("SUM()", "SUM()", "SUM()"),  # alone: the decoder mishandles an empty call inside more
    ("MMULT(A1:B2;C1:D2)", "MMULT(A1:B2,C1:D2)", "MMULT(A1:B2,C1:D2)"),
    ("VLOOKUP(A1;$B$1:$C$10;2;FALSE())", "VLOOKUP(A1,$B$1:$C$10,2.0,FALSE())",
     "VLOOKUP(A1,$B$1:$C$10,2.0,FALSE())"),
    ("\"caf\u00e9 \u20ac\"", "\"caf\u00e9 \u20ac\"", "\"caf\u00e9 \u20ac\""),
    ("IV1+A16384", "IV1+A16384", "IV1+A16384"),
    ("A65536", "A65536", None),
    ("'My Sheet'!B3", "'My Sheet'!B3:B3", "'My Sheet'!B3:B3"),
    ("Sheet2!$C$4*2", "Sheet2!$C$4*2.0", "Sheet2!$C$4*2.0"),
    ("SUM(Sheet1!$A$1:$B$2)", "SUM(Sheet1!$A$1:$B$2)", "SUM(Sheet1!$A$1:$B$2)"),
    # A range of sheets: in BIFF8 an EXTERNSHEET entry after the sheets' own.
    ("Sheet1:Sheet2!$A$1:$B$2", "Sheet1:Sheet2!$A$1:$B$2", "Sheet1:Sheet2!$A$1:$B$2"),
    ("SUM(Sheet2:Sheet1!$A$1)", "SUM(Sheet1:Sheet2!$A$1)", "SUM(Sheet1:Sheet2!$A$1)"),
    ("SUM(B1,B2)", "SUM(B1,B2)", "SUM(B1,B2)"),
    ("IF(B1>0,TRUE,FALSE)", "IF(B1>0.0,TRUE,FALSE)", "IF(B1>0.0,TRUE,FALSE)"),
    ("1E3+1.5e-3", "1000.0+0.0015", "1000.0+0.0015"),
]


class Book:
    """What the decompiler reads of a workbook."""

    def __init__(self, biff_version):
        n = len(SHEETS)
        self.biff_version = biff_version
        self.logfile = sys.stderr
        self.encoding = "cp1252"
        self._sheet_names = SHEETS
        self._all_sheets_map = list(range(n))
        self._externsheet_info = [(0, n - 1 - k, n - 1 - k) for k in range(n)] + [(0, 0, 1)]
        self._supbook_locals_inx = 0
        self._supbook_addins_inx = -1

    def sheet_names(self):
        return SHEETS


def compile_formula(text, biff5):
    args = [TOOL, "formula", text, "--sheets", ",".join(SHEETS)] + (["--biff5"] if biff5 else [])
    run = subprocess.run(args, capture_output=True, text=True)
    if run.returncode != 0:
        return None
    return bytes.fromhex(run.stdout.strip())


def main():
    failures = 0
    for text, want8, want5 in CASES:
        for biff_version, biff5, want in ((80, False, want8), (50, True, want5)):
            data = compile_formula(text, biff5)
            if want is None:
                got = None if data is None else data.hex(" ")
            elif data is None:
                got = "<refused>"
            else:
                size = data[0] | data[1] << 8
                if size != len(data) - 2:
                    got = "<length word %d, %d token bytes>" % (size, len(data) - 2)
                else:
                    got = xf.decompile_formula(Book(biff_version), data[2:], size, xf.FMLA_TYPE_CELL, 0, 0)
            if got != want:
                failures += 1
                print("FAIL %-40r BIFF%d: got %r, want %r" % (text, biff_version // 10, got, want))
    print("%d cases, %d failures" % (2 * len(CASES), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
