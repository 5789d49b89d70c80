"""Hyperlinks, data validations, conditional formats and defined names, read back
by independent readers from one sample workbook that `tablirex build` writes in
both file versions and as HTML: xlrd (names, hyperlinks), Apache POI (all four,
and the values of formulas using names), LibreOffice converting to .xlsx once
(openpyxl then reads what it understood and the values it recalculated), the
HTML pages (links only to web, mail, FTP and sheet targets, escaped), and a
record walker (HLINK class ids, DVAL's count, at most three CF per CONDFMT,
record sizes)."""
import glob
import json
import os
import re
import struct
import subprocess
import sys
import unittest

import olefile
import openpyxl
import xlrd

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from tool import TO_XLSX, Workdir, build_ok, convert, require_tool  # noqa: E402

POI_CLASSPATH = ":".join("/usr/share/java/%s.jar" % j for j in (
    "poi", "commons-collections4", "commons-math3", "commons-codec", "commons-logging"))
STD_LINK = bytes.fromhex("D0C9EA79F9BACE118C8200AA004BA90B")
HLINK, DVAL, DV, CONDFMT, CF, BOF, EOF = 0x01B8, 0x01B2, 0x01BE, 0x01B0, 0x01B1, 0x0809, 0x000A

S = "Data"
SAMPLE = {
    "sheets": [S, "Lists"],
    "steps": [
        {"sheet": S, "range": "B1:B3", "set": {"Value": [[0.5], [100], [250]]}},
        {"sheet": "Lists", "range": "A1:A3", "set": {"Value": [["Yes"], ["No"], ["Maybe"]]}},
        {"workbook": True, "call": "Names.Add", "args": ["Rate", "=Data!$B$1"]},
        {"workbook": True, "call": "Names.Add", "args": ["Sales", "=Data!$B$2:$B$3"]},
        {"workbook": True, "call": "Names.Add", "args": ["Choices", "=Lists!$A$1:$A$3"]},
        {"sheet": S, "call": "Names.Add", "args": ["Bonus", "=$B$2"]},
        {"sheet": S, "range": "C1", "set": {"Value": "=Rate*B2"}},
        {"sheet": S, "range": "C2", "set": {"Value": "=SUM(Sales)"}},
        {"sheet": S, "range": "C3", "set": {"Value": "=Bonus+Data!Bonus"}},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A1", "https://example.org/a?b=1&c=2", "", "Visit", "Site"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A2", "mailto:team@example.org"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A3", "", "'Lists'!A2", "", "To the lists"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A4", "report.xls"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A5", "javascript:alert(1)", "", "", "<b>x</b>"]},
        {"sheet": S, "range": "D2:D9", "call": "Validation.Add", "args": [3, 1, 1, "Yes,No,Maybe"]},
        {"sheet": S, "range": "D2:D9", "set": {"Validation.InputTitle": "Choice", "Validation.InputMessage": "Pick"}},
        {"sheet": S, "range": "E2:E9", "call": "Validation.Add", "args": [1, 2, 1, "1", "10"]},
        {"sheet": S, "range": "F2:F9", "call": "Validation.Add", "args": [3, 3, 1, "=Choices"]},
        {"sheet": S, "range": "G2:G9", "call": "Validation.Add", "args": [7, 1, 1, "=G2>B2"]},
        {"sheet": S, "range": "B1:B3", "call": "FormatConditions.Add", "args": [1, 5, "150"]},
        {"sheet": S, "range": "B1:B3", "set": {"FormatConditions(1).Font.Bold": True,
                                               "FormatConditions(1).Interior.ColorIndex": 3}},
        {"sheet": S, "range": "B1:B3", "call": "FormatConditions.Add", "args": [2, 0, "=B1<1"]},
        {"sheet": S, "range": "B1:B3", "set": {"FormatConditions(2).Borders.LineStyle": 1}},
        {"sheet": S, "range": "H2:H4", "call": "FormatConditions.Add", "args": [1, 1, "=$B$1", "=B2*2"]},
    ],
    "save": [{"file": "x8.xls"}, {"file": "x5.xls", "format": 1}, {"file": "x.htm", "format": 3}],
}


def records(path):
    """The workbook stream's records as (number, body), split into substreams."""
    ole = olefile.OleFileIO(path)
    data = ole.openstream("Workbook" if ole.exists("Workbook") else "Book").read()
    subs, at = [], 0
    while at + 4 <= len(data):
        number, size = struct.unpack_from("<HH", data, at)
        if number == BOF:
            subs.append([])
        subs[-1].append((number, data[at + 4:at + 4 + size]))
        at += 4 + size
    return subs


class ExtrasInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        cls.lines = build_ok(cls.dir, SAMPLE)
        out = cls.dir("lo")
        convert(cls.dir, [cls.dir("x8.xls"), cls.dir("x5.xls")], TO_XLSX, out)
        cls.lo = {v: openpyxl.load_workbook(os.path.join(out, "x%d.xlsx" % v)) for v in (8, 5)}
        cls.lo_values = openpyxl.load_workbook(os.path.join(out, "x8.xlsx"), data_only=True)

    def test_xlrd_names_and_links(self):
        for v in (8, 5):
            book = xlrd.open_workbook(self.dir("x%d.xls" % v), formatting_info=True)
            with self.subTest(version=v):
                scoped = {(n.name, n.scope): n.result.text for n in book.name_obj_list}
                self.assertEqual(scoped, {("Rate", -1): "Data!$B$1", ("Sales", -1): "Data!$B$2:$B$3",
                                          ("Choices", -1): "Lists!$A$1:$A$3", ("Bonus", 0): "Data!$B$2"})
        links = xlrd.open_workbook(self.dir("x8.xls"), formatting_info=True).sheet_by_name(S).hyperlink_map
        got = {k: (h.type, h.url_or_path, h.textmark, h.desc, h.quicktip) for k, h in links.items()}
        self.assertEqual(got[(0, 0)], ("url", "https://example.org/a?b=1&c=2", None, "Site", "Visit"))
        self.assertEqual(got[(1, 0)], ("url", "mailto:team@example.org", None, "mailto:team@example.org", None))
        self.assertEqual(got[(2, 0)], ("workbook", None, "'Lists'!A2", "To the lists", None))
        self.assertEqual(got[(3, 0)][:2], ("local file", b"report.xls"))

    def test_poi_reads_all_four_and_computes_named_formulas(self):
        classes = self.dir("classes")
        subprocess.run(["javac", "-d", classes, "-cp", POI_CLASSPATH, os.path.join(HERE, "PoiExtras.java")],
                       check=True, timeout=300)
        r = subprocess.run(["java", "-cp", classes + ":" + POI_CLASSPATH, "PoiExtras", self.dir("x8.xls")],
                           capture_output=True, text=True, timeout=300, check=True)
        items = [json.loads(line) for line in r.stdout.splitlines()]
        names = {(i["name"], i["sheet"]): i["refers"] for i in items if "name" in i}
        self.assertEqual(names[("Sales", -1)], "Data!$B$2:$B$3")
        self.assertEqual(names[("Bonus", 0)], "Data!$B$2")
        links = {i["link"]: (i["type"], i["address"]) for i in items if "link" in i}
        self.assertEqual(links["A1"], ("URL", "https://example.org/a?b=1&c=2"))
        self.assertEqual(links["A2"], ("EMAIL", "mailto:team@example.org"))
        self.assertEqual(links["A3"], ("DOCUMENT", "'Lists'!A2"))
        self.assertEqual(links["A4"], ("FILE", "report.xls"))
        dv = {i["validation"]: i for i in items if "validation" in i}
        self.assertEqual((dv["D2:D9"]["type"], dv["D2:D9"]["list"], dv["D2:D9"]["prompt"]), (3, "Yes,No,Maybe", "Pick"))
        self.assertEqual((dv["E2:E9"]["type"], dv["E2:E9"]["operator"], dv["E2:E9"]["v1"], dv["E2:E9"]["v2"]),
                         (1, 0, 1.0, 10.0))
        self.assertEqual((dv["F2:F9"]["formula1"], dv["F2:F9"]["error_style"]), ("Choices", 2))
        cf = [i for i in items if "condition" in i]
        self.assertEqual([(c["condition"], c["type"], c["operator"]) for c in cf][:2],
                         [("B1:B3", 1, 5), ("B1:B3", 2, 0)])
        self.assertEqual(cf[0]["formula1"], "150")
        # A reference relative to the format's first cell; POI prints it by its offset.
        self.assertEqual(cf[1]["formula1"], "RowOffset: 0  ColOffset: 0<1")
        self.assertTrue(cf[0]["bold"])
        self.assertEqual(cf[0]["fill"], 10)
        self.assertEqual(cf[1]["border"], 1)
        values = {i["cell"]: i["value"] for i in items if "cell" in i}
        self.assertEqual(values, {"C1": "50.0", "C2": "350.0", "C3": "200.0"})

    def test_libreoffice_understands_them(self):
        ws = self.lo[8][S]
        self.assertEqual(ws["A1"].hyperlink.target, "https://example.org/a?b=1&c=2")
        self.assertEqual(ws["A3"].hyperlink.location, "Lists!A2")
        dvs = {str(d.sqref): (d.type, d.formula1) for d in ws.data_validations.dataValidation}
        self.assertEqual(dvs, {"D2:D9": ("list", '"Yes,No,Maybe"'), "E2:E9": ("whole", "1"),
                               "F2:F9": ("list", "Choices"), "G2:G9": ("custom", "G2>B2")})
        self.assertEqual([d.formula2 for d in ws.data_validations.dataValidation if str(d.sqref) == "E2:E9"], ["10"])
        rules = [(str(rng.sqref), r.type, r.operator, r.formula)
                 for rng, rs in ws.conditional_formatting._cf_rules.items() for r in rs]
        self.assertEqual(sorted(rules), sorted([("B1:B3", "cellIs", "greaterThan", ["150"]),
                                                ("B1:B3", "expression", None, ["B1<1"]),
                                                ("H2:H4", "cellIs", "between", ["$B$1", "B2*2"])]))
        # The recalculated formulas that use names; a sheet's own name also when qualified.
        got = [self.lo_values[S]["C%d" % i].value for i in (1, 2, 3)]
        self.assertEqual(got, [50, 350, 200])
        # The Excel 5 file keeps the names and the formulas using the workbook's
        # (LibreOffice does not resolve a sheet's own names in Excel 5 formulas).
        book5 = self.lo[5]
        self.assertEqual(sorted(d.name for d in book5.defined_names.definedName), ["Bonus", "Choices", "Rate", "Sales"])
        self.assertEqual(book5[S]["C2"].value, "=SUM(Sales)")

    def test_record_walker(self):
        for v in (8, 5):
            subs = records(self.dir("x%d.xls" % v))
            for sheet in subs[1:]:
                numbers = [n for n, _ in sheet]
                with self.subTest(version=v):
                    self.assertTrue(all(len(b) <= (8224 if v == 8 else 2080) for _, b in sheet))
                    if v == 5:
                        self.assertFalse({HLINK, DVAL, DV, CONDFMT, CF} & set(numbers))
                        continue
                    for n, b in sheet:
                        if n == HLINK:
                            self.assertEqual(b[8:24], STD_LINK)
                    if DVAL in numbers:
                        count = struct.unpack_from("<I", sheet[numbers.index(DVAL)][1], 14)[0]
                        self.assertEqual(count, numbers.count(DV))
                        self.assertEqual(numbers[numbers.index(DVAL) + 1:-1], [DV] * count)
                    for i, n in enumerate(numbers):
                        if n == CONDFMT:
                            ccf = struct.unpack_from("<H", sheet[i][1])[0]
                            self.assertLessEqual(ccf, 3)
                            self.assertEqual(numbers[i + 1:i + 1 + ccf], [CF] * ccf)

    def test_html_links_only_to_safe_targets(self):
        page = open(glob.glob(self.dir("x.files", "Sheet001.htm"))[0], encoding="utf-8").read()
        hrefs = re.findall(r'href="([^"]*)"', page)
        self.assertEqual(hrefs, ["https://example.org/a?b=1&amp;c=2", "mailto:team@example.org", "Sheet002.htm#A2"])
        self.assertNotIn("javascript", page.split("</STYLE>")[1].replace("javascript:alert(1)", ""))
        self.assertIn("&lt;b&gt;x&lt;/b&gt;", page)
        self.assertIn('title="Visit"', page)
        # The first condition that holds: 250 > 150 bold and filled; 0.5 < 1 bordered.
        self.assertRegex(page, r'style="font-weight: bold; background-color: #FF0000; "[^>]*>250<')
        lists = open(self.dir("x.files", "Sheet002.htm"), encoding="utf-8").read()
        self.assertIn('id="A2"', lists)


if __name__ == "__main__":
    unittest.main()
