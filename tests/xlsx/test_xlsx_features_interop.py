"""The sheet features of an .xlsx workbook read back by independent readers,
over one sample workbook that `tablirex build` writes: comments (hidden and
shown, an author), pictures (a PNG shown twice, a scaled JPEG, a bitmap), an
autofilter, hyperlinks (web, mail, file, a place in the workbook), data
validations and conditional formats. The package itself is checked first (the
strict package check; images stored once, PNG and JPEG not deflated); then
openpyxl, Apache POI's .xlsx reader and LibreOffice (a conversion whose output
openpyxl reads) must see each feature."""
import json
import os
import subprocess
import sys
import unittest
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "interop"))
sys.path.insert(0, os.path.join(HERE, "..", "drawing"))
import sample_images  # noqa: E402
from package_check import check_package  # noqa: E402
from tool import TO_XLSX, Workdir, build_ok, convert, require_tool  # noqa: E402

POI_CLASSPATH = ":".join("/usr/share/java/%s.jar" % j for j in (
    "poi", "poi-ooxml", "poi-ooxml-schemas", "xmlbeans", "commons-compress", "commons-collections4",
    "commons-math3", "commons-codec", "commons-logging", "curvesapi"))

S, T = "Data", "Sheet 2"
SAMPLE = {
    "sheets": [S, T],
    "steps": [
        {"workbook": True, "set": {"CommentAuthor": "Ann & Co"}},
        {"sheet": S, "range": "B1:B3", "set": {"Value": [[0.5], [100], [250]]}},
        {"sheet": T, "range": "A1:B4", "set": {"Value": [["Name", "Qty"], ["Yes", 1], ["No", 2], ["Maybe", 3]]}},
        {"workbook": True, "call": "Names.Add", "args": ["Choices", "='Sheet 2'!$A$2:$A$4"]},
        {"sheet": S, "range": "C1", "set": {"Value": "=SUM(B1:B3)"}},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A1", "https://example.org/a?b=1&c=2", "", "Visit", "Site"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A2", "mailto:team@example.org"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A3", "", "'Sheet 2'!A2", "", "To the lists"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A4", "report.xls"]},
        {"sheet": S, "call": "Hyperlinks.Add", "args": ["A5", "C:\\Reports\\2024.xls", "", "", "Local"]},
        {"sheet": S, "range": "D2:D9", "call": "Validation.Add", "args": [3, 1, 1, "Yes,No,Maybe"]},
        {"sheet": S, "range": "D2:D9", "set": {"Validation.InputTitle": "Choice", "Validation.InputMessage": "Pick <1>"}},
        {"sheet": S, "range": "E2:E9", "call": "Validation.Add", "args": [1, 2, 1, "1", "10"]},
        {"sheet": S, "range": "E2:E9", "set": {"Validation.ErrorMessage": "1 to 10", "Validation.IgnoreBlank": False}},
        {"sheet": S, "range": "F2:F9", "call": "Validation.Add", "args": [3, 3, 1, "=Choices"]},
        {"sheet": S, "range": "F2:F9", "set": {"Validation.InCellDropdown": False}},
        {"sheet": S, "range": "G2:G9", "call": "Validation.Add", "args": [7, 1, 1, "=AND(G2>B2;G2<100)"]},
        {"sheet": S, "range": "B1:B3", "call": "FormatConditions.Add", "args": [1, 5, "150"]},
        {"sheet": S, "range": "B1:B3", "set": {"FormatConditions(1).Font.Bold": True,
                                               "FormatConditions(1).Interior.ColorIndex": 3}},
        {"sheet": S, "range": "B1:B3", "call": "FormatConditions.Add", "args": [2, 0, "=MOD(ROW();2)=0"]},
        {"sheet": S, "range": "B1:B3", "set": {"FormatConditions(2).Borders.LineStyle": 1}},
        {"sheet": S, "range": "H2:H4", "call": "FormatConditions.Add", "args": [1, 1, "=$B$1", "=B2*2"]},
        {"sheet": S, "range": "B2", "call": "AddComment", "args": ["Check <this> & that\nsecond line"]},
        {"sheet": S, "range": "C5", "call": "AddComment", "args": ["Always shown", True]},
        {"sheet": S, "call": "InsertPicture", "args": ["logo.png", "J2"]},
        {"sheet": S, "call": "InsertPicture", "args": ["logo.png", "J12", 5, 3]},
        {"sheet": S, "call": "InsertPicture", "args": ["photo.jpg", "N2", 0, 0, 0.5, 0.5]},
        {"sheet": T, "call": "InsertPicture", "args": ["logo.png", "E2"]},
        {"sheet": T, "call": "InsertPicture", "args": ["grid.bmp", "E9"]},
        {"sheet": T, "range": "A1:B1", "call": "AutoFilter"},
        {"sheet": T, "range": "D3", "call": "AddComment", "args": ["On the second sheet"]},
    ],
    "save": [{"file": "f.xlsx"}],
}


class XlsxFeaturesInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        for name, data in (("logo.png", sample_images.png(20, 10)), ("photo.jpg", sample_images.jpeg(40, 24, 96)),
                           ("grid.bmp", sample_images.bmp(6, 4))):
            with open(cls.dir(name), "wb") as f:
                f.write(data)
        build_ok(cls.dir, SAMPLE)
        cls.path = cls.dir("f.xlsx")
        cls.book = openpyxl.load_workbook(cls.path)

    def test_package(self):
        self.assertEqual(check_package(self.path), [])
        with zipfile.ZipFile(self.path) as z:
            names = set(z.namelist())
            media = sorted(n for n in names if n.startswith("xl/media/"))
            self.assertEqual(media, ["xl/media/image1.png", "xl/media/image2.jpeg", "xl/media/image3.bmp"])
            self.assertEqual(z.read("xl/media/image1.png"), sample_images.png(20, 10))
            self.assertEqual(z.read("xl/media/image3.bmp"), sample_images.bmp(6, 4))
            for n in media[:2]:
                self.assertEqual(z.getinfo(n).compress_type, zipfile.ZIP_STORED, n)
            types = z.read("[Content_Types].xml").decode()
            for part in ("/xl/comments1.xml", "/xl/comments2.xml", "/xl/drawings/drawing1.xml",
                         "/xl/drawings/drawing2.xml"):
                self.assertIn('PartName="%s"' % part, types)
            for ext in ("vml", "png", "jpeg", "bmp"):
                self.assertIn('Extension="%s"' % ext, types)

    def test_openpyxl(self):
        ws, ws2 = self.book[S], self.book[T]
        self.assertEqual((ws["B2"].comment.text, ws["B2"].comment.author),
                         ("Check <this> & that\nsecond line", "Ann & Co"))
        self.assertEqual(ws["C5"].comment.text, "Always shown")
        self.assertEqual(ws2["D3"].comment.text, "On the second sheet")
        links = {c: (ws[c].hyperlink.target, ws[c].hyperlink.location, ws[c].hyperlink.tooltip,
                     ws[c].hyperlink.display) for c in ("A1", "A2", "A3", "A4", "A5")}
        self.assertEqual(links, {"A1": ("https://example.org/a?b=1&c=2", None, "Visit", "Site"),
                                 "A2": ("mailto:team@example.org", None, None, "mailto:team@example.org"),
                                 "A3": (None, "'Sheet 2'!A2", None, "To the lists"),
                                 "A4": ("report.xls", None, None, "report.xls"),
                                 "A5": ("file:///C:\\Reports\\2024.xls", None, None, "Local")})
        dvs = {str(d.sqref): d for d in ws.data_validations.dataValidation}
        self.assertEqual({k: (d.type, d.operator, d.formula1, d.formula2, d.errorStyle) for k, d in dvs.items()},
                         {"D2:D9": ("list", None, '"Yes,No,Maybe"', None, None),
                          "E2:E9": ("whole", None, "1", "10", "warning"),
                          "F2:F9": ("list", None, "Choices", None, "information"),
                          "G2:G9": ("custom", None, "AND(G2>B2,G2<100)", None, None)})
        self.assertEqual((dvs["D2:D9"].promptTitle, dvs["D2:D9"].prompt, dvs["D2:D9"].showDropDown),
                         ("Choice", "Pick <1>", None))
        self.assertEqual((dvs["E2:E9"].error, dvs["E2:E9"].allow_blank, dvs["D2:D9"].allow_blank), ("1 to 10", False, True))
        self.assertTrue(dvs["F2:F9"].showDropDown)  # the file's flag: no drop-down
        rules = sorted((str(rng.sqref), r.priority, r.type, r.operator, r.formula, r.dxf)
                       for rng, rs in ws.conditional_formatting._cf_rules.items() for r in rs)
        self.assertEqual([r[:5] for r in rules], [("B1:B3", 1, "cellIs", "greaterThan", ["150"]),
                                                  ("B1:B3", 2, "expression", None, ["MOD(ROW(),2)=0"]),
                                                  ("H2:H4", 3, "cellIs", "between", ["$B$1", "B2*2"])])
        bold = rules[0][5]
        self.assertTrue(bold.font.b)
        self.assertEqual(bold.fill.bgColor.rgb, "FFFF0000")
        self.assertEqual(rules[1][5].border.left.style, "thin")
        anchors = [(i.anchor._from.col, i.anchor._from.row, i.anchor._from.colOff, i.anchor._from.rowOff,
                    i.anchor.ext.width, i.anchor.ext.height) for i in ws._images]
        self.assertEqual(anchors, [(9, 1, 0, 0, 20 * 9525, 10 * 9525), (9, 11, 5 * 9525, 3 * 9525, 20 * 9525, 10 * 9525),
                                   (13, 1, 0, 0, 20 * 9525, 12 * 9525)])
        self.assertEqual([i.format for i in ws2._images], ["png", "bmp"])
        self.assertEqual(ws2.auto_filter.ref, "A1:B4")
        self.assertIsNone(ws.auto_filter.ref)

    def test_poi_xssf(self):
        classes = self.dir("classes")
        subprocess.run(["javac", "-nowarn", "-d", classes, "-cp", POI_CLASSPATH,
                        os.path.join(HERE, "PoiXlsxFeatures.java"), os.path.join(HERE, "PoiXssfDump.java")],
                       check=True, timeout=300, capture_output=True)
        r = subprocess.run(["java", "-cp", classes + ":" + POI_CLASSPATH, "PoiXlsxFeatures", self.path],
                           capture_output=True, text=True, timeout=300)
        if r.returncode != 0 and "TypeSystemHolder" in r.stderr:
            # Debian's poi-ooxml-schemas holds only the schema factories, not the
            # type system they load: its .xlsx reader opens no file at all.
            self.skipTest("POI's .xlsx reader lacks its schema type system (Debian packaging)")
        self.assertEqual(r.returncode, 0, r.stderr)
        items = [json.loads(line) for line in r.stdout.splitlines()]
        comments = {(i["sheet"], i["comment"]): (i["author"], i["text"], i["visible"]) for i in items if "comment" in i}
        self.assertEqual(comments, {(S, "B2"): ("Ann & Co", "Check <this> & that\nsecond line", False),
                                    (S, "C5"): ("Ann & Co", "Always shown", True),
                                    (T, "D3"): ("Ann & Co", "On the second sheet", False)})
        links = {i["link"]: (i["type"], i["address"], i["tooltip"]) for i in items if "link" in i}
        self.assertEqual(links, {"A1": ("URL", "https://example.org/a?b=1&c=2", "Visit"),
                                 "A2": ("EMAIL", "mailto:team@example.org", None),
                                 "A3": ("DOCUMENT", "'Sheet 2'!A2", None),
                                 "A4": ("FILE", "report.xls", None),
                                 "A5": ("FILE", "file:///C:\\Reports\\2024.xls", None)})
        dv = {i["validation"]: i for i in items if "validation" in i}
        self.assertEqual((dv["D2:D9"]["type"], dv["D2:D9"]["list"], dv["D2:D9"]["prompt"]), (3, "Yes,No,Maybe", "Pick <1>"))
        self.assertEqual((dv["E2:E9"]["type"], dv["E2:E9"]["operator"], dv["E2:E9"]["formula1"],
                          dv["E2:E9"]["formula2"], dv["E2:E9"]["empty_ok"]), (1, 0, "1", "10", False))
        self.assertEqual((dv["F2:F9"]["formula1"], dv["F2:F9"]["error_style"]), ("Choices", 2))
        self.assertNotEqual(dv["F2:F9"]["suppress_arrow"], dv["D2:D9"]["suppress_arrow"])
        cf = sorted((i["priority"], i["condition"], i["type"], i["operator"], i["formula1"], i["formula2"])
                    for i in items if "condition" in i)
        self.assertEqual(cf, [(1, "B1:B3", 1, 5, "150", None), (2, "B1:B3", 2, 0, "MOD(ROW(),2)=0", None),
                              (3, "H2:H4", 1, 1, "$B$1", "B2*2")])
        first = next(i for i in items if i.get("priority") == 1)
        self.assertEqual((first["bold"], first["fill"]), (True, "FFFF0000"))
        self.assertEqual(next(i for i in items if i.get("priority") == 2)["border"], 1)
        pictures = [(i["sheet"], i["picture"], i["ext"], i["part"]) for i in items if "picture" in i]
        self.assertEqual(pictures, [(S, "J2", "png", "/xl/media/image1.png"), (S, "J12", "png", "/xl/media/image1.png"),
                                    (S, "N2", "jpeg", "/xl/media/image2.jpeg"), (T, "E2", "png", "/xl/media/image1.png"),
                                    (T, "E9", "bmp", "/xl/media/image3.bmp")])
        self.assertEqual([i["autofilter"] for i in items if "autofilter" in i], ["A1:B4"])
        values = {(i["sheet"], i["cell"]): i["value"] for i in items if "cell" in i}
        self.assertEqual(values[(T, "A3")], "No")
        self.assertEqual(values[(S, "B3")], 250.0)

    def test_libreoffice(self):
        out = self.dir("lo")
        convert(self.dir, [self.path], TO_XLSX, out)
        lo = openpyxl.load_workbook(os.path.join(out, "f.xlsx"))
        values = openpyxl.load_workbook(os.path.join(out, "f.xlsx"), data_only=True)
        ws, ws2 = lo[S], lo[T]
        self.assertEqual([values[S]["B%d" % r].value for r in (1, 2, 3)] + [values[S]["C1"].value], [0.5, 100, 250, 350.5])
        self.assertEqual(values[T]["A4"].value, "Maybe")
        self.assertEqual(ws["A1"].hyperlink.target, "https://example.org/a?b=1&c=2")
        self.assertEqual(ws["A2"].hyperlink.target, "mailto:team@example.org")
        self.assertIn(ws["A3"].hyperlink.location, ("'Sheet 2'!A2", "Sheet 2!A2"))
        self.assertEqual(ws["B2"].comment.text.strip(), "Check <this> & that\nsecond line")
        self.assertEqual(ws2["D3"].comment.text.strip(), "On the second sheet")
        dvs = {str(d.sqref): (d.type, d.formula1) for d in ws.data_validations.dataValidation}
        self.assertEqual(dvs, {"D2:D9": ("list", '"Yes,No,Maybe"'), "E2:E9": ("whole", "1"),
                               "F2:F9": ("list", "Choices"), "G2:G9": ("custom", "AND(G2>B2,G2<100)")})
        rules = sorted((str(rng.sqref), r.type, r.operator, r.formula)
                       for rng, rs in ws.conditional_formatting._cf_rules.items() for r in rs)
        self.assertEqual(rules, [("B1:B3", "cellIs", "greaterThan", ["150"]),
                                 ("B1:B3", "expression", None, ["MOD(ROW(),2)=0"]),
                                 ("H2:H4", "cellIs", "between", ["$B$1", "B2*2"])])
        self.assertEqual((len(ws._images), len(ws2._images)), (3, 2))
        self.assertEqual(ws2.auto_filter.ref, "A1:B4")


if __name__ == "__main__":
    unittest.main()
