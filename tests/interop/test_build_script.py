"""`tablirex build`: what a script prints, how its values convert, and the
scripts it refuses (a message naming the step, a non-zero exit, no file)."""
import json
import os
import subprocess
import unittest

import xlrd

import tool
from tool import Workdir, build, build_ok, require_tool


class BuildScriptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()

    def setUp(self):
        self.dir = Workdir(self)

    def test_values_read_back_as_written(self):
        values = [
            1.5, -0.0, 2 ** 53, "text", "", "é数据🎉", "two\nlines",
            {"date": "2024-02-29 12:30:00"}, {"date": "1899-12-30"},
        ]
        steps = []
        for i, v in enumerate(values):
            steps.append({"sheet": 1, "range": "A%d" % (i + 1), "set": {"Value": v}})
            steps.append({"sheet": 1, "range": "A%d" % (i + 1), "get": "Value"})
        lines = build_ok(self.dir, {"sheets": ["S"], "steps": steps})
        expected = list(values)
        # Midnight prints without its time.
        expected[-1] = {"date": "1899-12-30"}
        self.assertEqual([line["Value"] for line in lines], expected)

    def test_arrays_spread_over_ranges(self):
        steps = [
            {"sheet": 1, "range": "A1:C2", "set": {"Value": [[1, "b", None], [{"date": "2000-01-01"}, 5, 6]]}},
            {"sheet": 1, "range": "A1:C2", "get": "Value"},
            # A one-dimensional array fills every row; a short one leaves "#N/D".
            {"sheet": 1, "range": "A4:D5", "set": {"Value": [1, 2, 3]}},
            {"sheet": 1, "range": "A4:D5", "get": "Value"},
            {"sheet": 1, "range": "B:C", "set": {"ColumnWidth": [10, 20]}},
            {"sheet": 1, "range": "B:C", "get": ["ColumnWidth", "Count", "Column", "FirstCol", "LastCol"]},
            {"sheet": 1, "range": "3:4", "set": {"RowHeight": 30, "Hidden": [True, False]}},
            {"sheet": 1, "range": "3:4", "get": ["Hidden", "Count", "Row"]},
            # Columns fitted to what they show: the date's plain form, and at least 2.
            {"sheet": 1, "range": "A:B", "call": "AutoFit"},
            {"sheet": 1, "range": "A:B", "get": "ColumnWidth"},
        ]
        lines = build_ok(self.dir, {"sheets": ["S"], "steps": steps})
        self.assertEqual(lines[0]["Value"], [[1.0, "b", None], [{"date": "2000-01-01"}, 5.0, 6.0]])
        self.assertEqual(lines[1]["Value"], [[1.0, 2.0, 3.0, "#N/D"]] * 2)
        self.assertEqual(lines[2], {"ColumnWidth": [10.0, 20.0], "Count": 2, "Column": 2,
                                    "FirstCol": 1, "LastCol": 2})
        self.assertEqual(lines[3], {"Hidden": [True, False], "Count": 2, "Row": 3})
        self.assertEqual(lines[4], {"ColumnWidth": [10.0, 2.0]})

    def test_sheet_and_workbook_properties(self):
        steps = [
            {"sheet": "S", "set": {"Zoom": 75, "DisplayGridLines": False, "PageSetup.PrintArea": "A1:D20",
                                   "PageSetup.Orientation": 2, "PageSetup.LeftMargin": 1.25,
                                   "PageSetup.CenterHeader": "Títle", "PageSetup.FitToPagesWide": 2,
                                   "PageSetup.Zoom": False}},
            {"sheet": "S", "get": ["Zoom", "DisplayGridLines", "PageSetup.PrintArea", "PageSetup.Orientation",
                                   "PageSetup.LeftMargin", "PageSetup.CenterHeader",
                                   "PageSetup.FitToPagesWide", "PageSetup.Zoom", "Index", "Name"]},
            {"workbook": True, "set": {"CustomColor(8)": 0x123456}},
            {"workbook": True, "call": "SetCodePage", "args": [1251]},
            {"workbook": True, "get": ["CustomColor(8)", "CodePage", "Worksheets.Count"]},
            # Without its password the protection stays, and the operation says so.
            {"workbook": True, "call": "Protect", "args": ["secret"]},
            {"workbook": True, "call": "UnProtect"},
            {"sheet": "S", "call": "Protect"},
            {"sheet": "S", "call": "UnProtect"},
        ]
        lines = build_ok(self.dir, {"sheets": ["S"], "steps": steps})
        self.assertEqual(lines[0], {
            "Zoom": 75, "DisplayGridLines": False, "PageSetup.PrintArea": "A1:D20",
            "PageSetup.Orientation": 2, "PageSetup.LeftMargin": 1.25, "PageSetup.CenterHeader": "Títle",
            "PageSetup.FitToPagesWide": 2, "PageSetup.Zoom": False, "Index": 1, "Name": "S"})
        self.assertEqual(lines[1], {"CustomColor(8)": 0x123456, "CodePage": 1251, "Worksheets.Count": 1})
        self.assertEqual(lines[2:], [{"UnProtect": False}, {"UnProtect": True}])

    def test_manual_page_breaks(self):
        steps = [
            {"sheet": "S", "call": "HPageBreaks.Add", "args": ["A20"]},
            {"sheet": "S", "call": "HPageBreaks.Add", "args": ["C5:D6"]},
            {"sheet": "S", "call": "HPageBreaks.Add", "args": ["A20"]},  # already there
            {"sheet": "S", "call": "HPageBreaks.Add", "args": ["A10"]},
            {"sheet": "S", "call": "VPageBreaks.Add", "args": ["D1"]},
            {"sheet": "S", "call": "VPageBreaks.Add", "args": ["F:F"]},
            {"sheet": "S", "call": "HPageBreaks(3).Delete"},  # the break before row 20
            {"sheet": "S", "call": "VPageBreaks(1).Delete"},
            {"sheet": "S", "get": ["HPageBreaks.Count", "HPageBreaks(2).Location", "VPageBreaks.Count",
                                   "VPageBreaks(1).Location"]},
        ]
        lines = build_ok(self.dir, {"sheets": ["S"], "steps": steps, "save": [{"file": "breaks.xls"}]})
        self.assertEqual(lines[:6], [{"HPageBreaks.Add": 1}, {"HPageBreaks.Add": 1}, {"HPageBreaks.Add": 2},
                                     {"HPageBreaks.Add": 2}, {"VPageBreaks.Add": 1}, {"VPageBreaks.Add": 2}])
        self.assertEqual(lines[6], {"HPageBreaks.Count": 2, "HPageBreaks(2).Location": "A10:XFD10",
                                    "VPageBreaks.Count": 1, "VPageBreaks(1).Location": "F1:F1048576"})
        sheet = xlrd.open_workbook(self.dir("breaks.xls"), formatting_info=True).sheet_by_index(0)
        self.assertEqual(sheet.horizontal_page_breaks, [(4, 0, 255), (9, 0, 255)])
        self.assertEqual(sheet.vertical_page_breaks, [(5, 0, 65535)])

    def test_refused_scripts(self):
        ok = {"sheet": "S", "range": "A1", "set": {"Value": 1}}
        cases = [
            ({"sheet": "Nope", "get": "Name"}, 'no sheet named "Nope"'),
            ({"sheet": 2, "get": "Name"}, "no sheet at position 2"),
            ({"sheet": 1.5, "get": "Name"}, "no sheet at position 1.5"),
            ({"sheet": "S", "range": "A0", "get": "Value"}, '"A0" is not a range'),
            ({"sheet": "S", "range": "XFE1", "get": "Value"}, '"XFE1" is not a range'),
            ({"sheet": "S", "range": "A1", "set": {"Valu": 1}}, 'unknown range property "Valu"'),
            ({"sheet": "S", "set": {"Font.Bold": True}}, 'unknown sheet property "Font.Bold"'),
            ({"sheet": "S", "call": "Explode"}, 'unknown sheet operation "Explode"'),
            ({"workbook": True, "call": "Activate"}, 'unknown workbook operation "Activate"'),
            ({"sheet": "S", "range": "A1", "set": {"Count": 3}}, "read-only"),
            ({"sheet": "S", "range": "A1", "set": {"ColumnWidth": "wide"}}, "wrong kind"),
            ({"sheet": "S", "set": {"Zoom": [1, 2]}}, "wrong kind"),
            ({"sheet": "S", "set": {"Zoom": 5}}, "SetZoom returned -1"),
            ({"sheet": "S", "call": "FreezePanes", "args": [1, 0]}, "at least 4 arguments"),
            ({"sheet": "S", "call": "FreezePanes", "args": [1, 0, "x", 0]}, "argument 3"),
            ({"sheet": "S", "call": "InsertBitmap", "args": [0, 0, "missing.bmp"]}, "InsertBitmap returned -1"),
            ({"sheet": "S", "call": "InsertBitmap", "args": [-1, 0, "x.bmp"]}, "argument 1"),
            ({"sheet": "S", "call": "InsertBitmap", "args": [0, 0]}, "at least 3"),
            ({"sheet": "S", "call": "Move", "args": [{"before": "Gone"}]}, 'no sheet named "Gone"'),
            ({"sheet": "S", "call": "Move", "args": [{"beside": "S"}]}, 'unknown key "beside"'),
            ({"sheet": "S", "call": "MergeWriteNumber", "args": ["A1:B2"]}, "at least 2"),
            ({"sheet": "S", "call": "MergeWrite", "args": ["nowhere"]}, "returned -1"),
            ({"sheet": "S", "range": "A1", "set": {"Value": {"date": "2024-13-01"}}}, "is not a date"),
            ({"sheet": "S", "range": "A1", "set": {"Value": {"when": 1}}}, "the only object"),
            ({"sheet": "S", "range": "A1:B2", "set": {"Value": [[1, 2], [3]]}}, "differ in length"),
            ({"sheet": "S", "range": "A1:B2", "set": {"Value": [1, [2]]}}, "mixes rows"),
            ({"sheet": "S", "range": "A1:B2", "set": {"Value": [[[1]]]}}, "two dimensions"),
            ({"range": "A1", "get": "Value"}, "names no target"),
            ({"sheet": "S", "get": "Name", "set": {"Name": "T"}}, "exactly one"),
            ({"sheet": "S", "workbook": True, "get": "Name"}, "not both"),
            ({"sheet": "S", "gett": "Name"}, 'unknown key "gett"'),
            ({"workbook": True, "set": {"CustomColor(x)": 1}}, 'unknown workbook property "CustomColor(x)"'),
            ({"workbook": True, "set": {"CustomColor(3)": -1}}, "RGB"),
            ([1, 2], "must be an object"),
            ({"sheet": "S", "call": "HPageBreaks(5).Delete"}, "there are 0 breaks"),
            ({"sheet": "S", "get": "VPageBreaks(1).Location"}, "there are 0 breaks"),
            ({"sheet": "S", "call": "VPageBreaks.Add", "args": ["nowhere"]}, '"nowhere" is not a range'),
            # Refusals of the object model fail the step, with the reason it gives.
            ({"sheet": "S", "set": {"Name": "a:b"}}, "cannot rename sheet S"),
            ({"sheet": "S", "set": {"Name": ""}}, "cannot be empty"),
            ({"sheet": "S", "set": {"PageSetup.PrintArea": "A1:B2:C3"}}, "not a print area"),
            ({"sheet": "S", "set": {"PageSetup.PrintTitleRows": "A1:B"}}, "not a row span"),
            ({"sheet": "S", "call": "PageSetup.SetPrintArea", "args": [0, 0, 3, 16384]}, "past column XFD"),
            ({"sheet": "S", "set": {"PageSetup.LeftMargin": -100}}, "margin"),
            ({"sheet": "S", "set": {"PageSetup.LeftMargin": 1e300}}, "margin"),
            ({"sheet": "S", "set": {"PageSetup.FitToPagesTall": -100}}, "page count"),
            ({"sheet": "S", "set": {"PageSetup.CenterHeader": "h" * 300}}, "longer than 255"),
            ({"sheet": "S", "range": "A1", "set": {"Borders(100).LineStyle": 1}}, "border index 100"),
            ({"workbook": True, "set": {"CustomColor(100)": 255}}, "colour index 100"),
            ({"workbook": True, "get": "CustomColor(2147483647)"}, "colour index 2147483647"),
            ({"workbook": True, "call": "SetCodePage", "args": [932]}, "code page 932"),
            ({"sheet": "S", "range": "A1", "set": {"Font.Name": "f" * 300}}, "font name"),
            ({"sheet": "S", "range": "A1", "set": {"Font.Name": ""}}, "font name"),
            ({"sheet": "S", "range": "A1", "set": {"Font.Size": 0}}, "font size"),
            ({"sheet": "S", "range": "A1", "set": {"Font.ColorIndex": 77777}}, "colour index 77777"),
            ({"sheet": "S", "range": "A1", "set": {"NumFormat": "0" * 256}}, "at most 255"),
            ({"sheet": "S", "range": "A1", "set": {"Value": {"date": "2024-01-01"}, "NumFormat": "0"}}, None),
            ({"sheet": "S", "range": "A1:B2:C3", "get": "Value"}, "is not a range"),
            ({"sheet": "S", "range": "A:A:A", "get": "Value"}, "is not a range"),
            ({"sheet": "S", "range": "A1:B", "get": "Value"}, "is not a range"),
        ]
        cases = [c for c in cases if c[1] is not None]
        for step, message in cases:
            with self.subTest(step=step):
                r = build(self.dir, {"sheets": ["S"], "steps": [ok, ok, step, ok],
                                     "save": [{"file": "out.xls"}]})
                self.assertEqual(r.returncode, 1, r.stdout)
                self.assertIn("steps[2]", r.stderr)
                self.assertIn(message, r.stderr)
                self.assertEqual(r.stderr.count("\n"), 1, r.stderr)
                self.assertFalse(os.path.exists(self.dir("out.xls")))

    def test_refused_script_shapes(self):
        cases = [
            ({"sheets": ["A", "A"]}, 'sheets[1]: the name "A" was refused'),
            ({"sheets": ["a:b"]}, "was refused"),
            ({"sheets": "A"}, '"sheets" must be an array'),
            ({"steps": {}}, '"steps" must be an array'),
            ({"save": [{"file": "x.xls", "format": 5}]}, "save[0]"),
            ({"save": [{"file": ""}]}, "non-empty"),
            ({"save": [{"file": "x.xls", "fmt": 1}]}, 'unknown key "fmt"'),
            ({"sheet": []}, 'unknown key "sheet"'),
        ]
        for script, message in cases:
            with self.subTest(script=script):
                script = dict(script)
                script.setdefault("save", [{"file": "out.xls"}])
                r = build(self.dir, script)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                self.assertEqual(os.listdir(self.dir.path), ["script.json"])

    def run_tool(self, *args):
        return subprocess.run([tool.TOOL, "build", *args], cwd=self.dir.path, capture_output=True,
                              text=True, timeout=60)

    def test_files_it_cannot_use(self):
        with open(self.dir("bad.json"), "w") as f:
            f.write('{"sheets": [')
        for args, code, message in ((["missing.json"], 1, "cannot open"), (["bad.json"], 1, "not valid JSON"),
                                    ([], 2, "usage"), (["a.json", "b.json"], 2, "usage")):
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual(r.returncode, code)
                self.assertIn(message, r.stderr)

    def test_failed_save_is_an_error(self):
        r = build(self.dir, {"save": [{"file": "no/such/dir/out.xls"}]})
        self.assertEqual(r.returncode, 1)
        self.assertIn("saving no/such/dir/out.xls", r.stderr)
        # An Excel 5 sheet has 16384 rows: the save fails, naming the sheet.
        r = build(self.dir, {"sheets": ["Long"], "steps": [{"sheet": "Long", "range": "A20000", "set": {"Value": 1}}],
                             "save": [{"file": "out5.xls", "format": 1}]})
        self.assertEqual(r.returncode, 1)
        self.assertIn("sheet Long has cells below row 16384", r.stderr)
        self.assertFalse(os.path.exists(self.dir("out5.xls")))

    def test_accepted_edge_values(self):
        steps = [
            {"sheet": "S", "set": {"PageSetup.PrintArea": "$A$1:$C$3", "PageSetup.PrintTitleRows": "65536:65536"}},
            {"sheet": "S", "get": ["PageSetup.PrintArea", "PageSetup.PrintTitleRows"]},
            {"sheet": "S", "range": "65536:65536", "get": ["Row", "Count"]},
            {"sheet": "S", "range": "B2:A1", "set": {"Value": 7}},
            {"sheet": "S", "range": "B2:A1", "get": ["Value", "FirstRow", "LastRow"]},
        ]
        lines = build_ok(self.dir, {"sheets": ["S"], "steps": steps})
        self.assertEqual(lines[0], {"PageSetup.PrintArea": "A1:C3", "PageSetup.PrintTitleRows": "$65536:$65536"})
        self.assertEqual(lines[1], {"Row": 65536, "Count": 1})
        self.assertEqual(lines[2], {"Value": [[7.0, 7.0], [7.0, 7.0]], "FirstRow": 0, "LastRow": 1})

    def test_relative_and_absolute_save_paths(self):
        os.mkdir(self.dir("sub"))
        build_ok(self.dir, {"save": [{"file": "sub/rel.xls"}, {"file": self.dir("abs.xls"), "format": 1}]})
        self.assertTrue(os.path.isfile(self.dir("sub", "rel.xls")))
        self.assertTrue(os.path.isfile(self.dir("abs.xls")))

    def test_list_names_every_kind(self):
        r = self.run_tool("--list")
        self.assertEqual(r.returncode, 0)
        for name in ("workbook:", "sheet:", "range:", "CustomColor(n)", "PageSetup.PrintTitleRows", "Value"):
            self.assertIn(name, r.stdout)


if __name__ == "__main__":
    unittest.main()
