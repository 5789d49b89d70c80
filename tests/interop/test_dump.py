"""`tablirex dump`: record order of an empty sheet, offsets, bodies and the
messages for files it cannot read."""
import os
import subprocess
import unittest

import xlrd

from tool import Dump, Workdir, build, build_ok, dump, require_tool
import tool

EMPTY_SHEET_BIFF8 = [
    "BOF", "DEFCOLWIDTH", "DEFAULTROWHEIGHT", "PRINTHEADERS", "PRINTGRIDLINES", "GRIDSET",
    "WSBOOL", "SETUP", "DIMENSIONS", "BOTTOMMARGIN", "TOPMARGIN", "RIGHTMARGIN", "LEFTMARGIN",
    "VCENTER", "HCENTER", "FOOTER", "HEADER", "WINDOW2", "SELECTION", "EOF"]


def empty_sheet_biff5(sheets):
    """BIFF5 adds the sheet references after the row records and STANDARDWIDTH at the end."""
    names = list(EMPTY_SHEET_BIFF8)
    names[3:3] = ["EXTERNCOUNT"] + ["EXTERNSHEET"] * sheets
    names.insert(names.index("EOF"), "STANDARDWIDTH")
    return names


# The workbook stream starts at the first sector after the header in our
# writer's layout, so a record's file offset is 512 + its stream offset.
STREAM_START = 512


class DumpTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()

    def setUp(self):
        self.dir = Workdir(self)

    def save(self, sheets, fmt, name="book.xls", steps=()):
        build_ok(self.dir, {"sheets": sheets, "steps": list(steps),
                                  "save": [{"file": name, "format": fmt}]})
        return self.dir(name)

    def test_empty_sheet_record_order(self):
        for fmt, stream, sheet_records in ((2, "Workbook", EMPTY_SHEET_BIFF8),
                                           (1, "Book", empty_sheet_biff5(2))):
            with self.subTest(format=fmt):
                d = dump(self, self.save(["A", "B"], fmt), brief=True)
                self.assertEqual(len(d.streams), 1)
                self.assertEqual(d.streams[0][0], stream)
                parts = d.substreams()
                self.assertEqual(len(parts), 3)
                globals_ = [r["name"] for r in parts[0]]
                self.assertEqual(globals_[:2], ["BOF", "CODEPAGE"])
                self.assertEqual(globals_[-1], "EOF")
                self.assertEqual(globals_.count("BOUNDSHEET"), 2)
                for sheet in parts[1:]:
                    self.assertEqual([r["name"] for r in sheet], sheet_records)

    def test_offsets_lengths_and_sheet_positions(self):
        for fmt in (1, 2):
            with self.subTest(format=fmt):
                path = self.save(["One", "Two", "Three"], fmt,
                                 steps=[{"sheet": 2, "range": "A1", "set": {"Value": "x" * 3000}}])
                d = dump(self, path)
                at = 0
                for rec in d.records:
                    self.assertEqual(rec["offset"], at)
                    self.assertEqual(len(rec["body"]), rec["length"])
                    at += 4 + rec["length"]
                self.assertEqual(at, d.streams[0][1])
                # Each BOUNDSHEET points at its sheet's BOF.
                bofs = [r["offset"] for r in d.records if r["name"] == "BOF"][1:]
                starts = [int.from_bytes(r["body"][:4], "little")
                          for r in d.records if r["name"] == "BOUNDSHEET"]
                self.assertEqual(starts, bofs)

    def test_body_bytes_and_wrapping(self):
        d = dump(self, self.save([], 2))
        bof = d.records[0]
        # Version 0x0600, globals, build 6319, year 1997, history flags, lowest version.
        self.assertEqual(bof["body"].hex(" "), "00 06 05 00 af 18 cd 07 41 40 00 00 06 01 00 00")
        palette = next(r for r in d.records if r["name"] == "PALETTE")
        self.assertEqual(palette["length"], 2 + 56 * 4)
        self.assertEqual(int.from_bytes(palette["body"][:2], "little"), 56)
        with open(self.dir("book.xls"), "rb") as f:
            f.seek(STREAM_START + palette["offset"] + 4)
            self.assertEqual(f.read(palette["length"]), palette["body"])

    def test_saving_again_gives_the_same_bytes(self):
        # Each save rebuilds every record; a BIFF5 save in between must leave no trace.
        steps = [{"sheet": 1, "range": "A1:B2", "set": {"Value": [["a", 1], ["é", {"date": "2020-01-01"}]]}},
                 {"sheet": 1, "call": "MergeWriteString", "args": ["D1:E2", "m"]},
                 {"sheet": 2, "call": "FreezePanes", "args": [2, 1, 2, 1]},
                 {"sheet": 1, "set": {"PageSetup.PrintArea": "A1:B2", "Zoom": 80}}]
        saves = [{"file": f, "format": fmt} for f, fmt in (("a8", 2), ("a5", 1), ("b8", 2), ("b5", 1))]
        build_ok(self.dir, {"sheets": ["X", "Y"], "steps": steps, "save": saves})
        for first, again in (("a8", "b8"), ("a5", "b5")):
            with open(self.dir(first), "rb") as f, open(self.dir(again), "rb") as g:
                self.assertTrue(f.read() == g.read(), first)

    def test_biff5_refuses_rows_it_cannot_hold(self):
        # An Excel 5 sheet has 16384 rows: the last one saves, a cell below it fails
        # the Excel 5 save (nothing is left out in silence) and saves in Excel 97.
        steps = [{"sheet": 1, "range": "B16384", "set": {"Value": 2}}]
        path = self.save(["S"], 1, steps=steps)
        dims = next(r for r in dump(self, path).substreams()[1] if r["name"] == "DIMENSIONS")["body"]
        first, after_last = int.from_bytes(dims[0:2], "little"), int.from_bytes(dims[2:4], "little")
        self.assertEqual((first, after_last), (16383, 16384))
        sheet = xlrd.open_workbook(path).sheet_by_index(0)
        self.assertEqual(sheet.cell_value(16383, 1), 2.0)
        steps.append({"sheet": 1, "range": "IV65536", "set": {"Value": 1}})
        r = build(self.dir, {"sheets": ["S"], "steps": steps, "save": [{"file": "long5.xls", "format": 1}]})
        self.assertEqual(r.returncode, 1)
        self.assertIn("sheet S has cells below row 16384", r.stderr)
        path8 = self.save(["S"], 2, steps=steps)
        self.assertEqual(xlrd.open_workbook(path8).sheet_by_index(0).cell_value(65535, 255), 1.0)

    def patched(self, offset, data):
        """book.xls with data written over the workbook stream at a stream offset."""
        with open(self.dir("book.xls"), "rb") as f:
            raw = bytearray(f.read())
        raw[STREAM_START + offset:STREAM_START + offset + len(data)] = data
        path = self.dir("patched.xls")
        with open(path, "wb") as f:
            f.write(raw)
        return path

    def test_unknown_record_number_shows_question_mark(self):
        d = dump(self, self.save([], 2), brief=True)
        window1 = next(r for r in d.records if r["name"] == "WINDOW1")
        patched = dump(self, self.patched(window1["offset"], b"\xab\x0f"), brief=True)
        rec = next(r for r in patched.records if r["offset"] == window1["offset"])
        self.assertEqual((rec["number"], rec["name"], rec["length"]), (0x0FAB, "?", window1["length"]))

    def run_dump(self, *args):
        return subprocess.run([tool.TOOL, "dump", *args], capture_output=True, text=True, timeout=60)

    def test_files_it_cannot_read(self):
        d = dump(self, self.save([], 2), brief=True)
        last = d.records[-1]
        with open(self.dir("book.xls"), "rb") as f:
            raw = f.read()
        with open(self.dir("text.xls"), "w") as f:
            f.write("not a workbook\n" * 100)
        with open(self.dir("cut.xls"), "wb") as f:
            f.write(raw[:1024])
        cases = [
            ("missing.xls", "cannot open"),
            ("text.xls", "signature"),
            ("cut.xls", "outside the file"),
            # The last record claims more bytes than the stream holds.
            (self.patched(last["offset"] + 2, b"\x40\x00"), "claims 64 bytes"),
        ]
        for name, message in cases:
            with self.subTest(file=name):
                r = self.run_dump(self.dir(name))
                self.assertEqual(r.returncode, 1)
                self.assertIn(os.path.basename(name), r.stderr)
                self.assertIn(message, r.stderr)
        # The records before the damage are still listed.
        r = self.run_dump("--brief", self.dir("patched.xls"))
        self.assertEqual(len(Dump(r.stdout).records), len(d.records) - 1)

    def test_usage_errors(self):
        for args in ([], ["--brief"], ["a.xls", "b.xls"], ["--what", "a.xls"]):
            with self.subTest(args=args):
                r = self.run_dump(*args)
                self.assertEqual(r.returncode, 2)
                self.assertNotEqual(r.stderr, "")


if __name__ == "__main__":
    unittest.main()
