"""Page setup, print names and protection as LibreOffice imports them.

Converts the LayoutSamples workbooks to flat OpenDocument XML and checks the
print range, print titles, header and footer, orientation and protection.
LibreOffice imports sheet and structure protection from Excel 97 files only, so
those are checked on that version.
"""
import os
import sys
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from gtest_samples import write_samples  # noqa: E402


NS = {
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
}


def attr(ns, name):
    return "{%s}%s" % (NS[ns], name)


def header_columns(table):
    group = table.find("table:table-header-columns", NS)
    if group is None:
        return 0
    return sum(int(c.get(attr("table", "number-columns-repeated"), "1"))
               for c in group.findall("table:table-column", NS))


class LayoutWithLibreOffice(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not shutil.which("soffice"):
            raise RuntimeError("LibreOffice (soffice) is not installed: run scripts/setup.sh")
        cls.tmp = write_samples("LayoutSamples.Write", "TABLIREX_LAYOUT_SAMPLES", "tablirex_layout_lo_")
        out = os.path.join(cls.tmp.name, "out")
        subprocess.run(
            ["soffice", "-env:UserInstallation=file://" + os.path.join(cls.tmp.name, "profile"),
             "--headless", "--norestore", "--convert-to", "fods", "--outdir", out,
             os.path.join(cls.tmp.name, "layout8.xls"), os.path.join(cls.tmp.name, "layout5.xls")],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        cls.docs = {v: ET.parse(os.path.join(out, "layout%d.fods" % v)).getroot() for v in (8, 5)}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def tables(self, version):
        body = self.docs[version].find("office:body/office:spreadsheet", NS)
        return {t.get(attr("table", "name")): t for t in body.findall("table:table", NS)}

    def test_print_area_and_titles(self):
        for version in (8, 5):
            with self.subTest(version=version):
                t = self.tables(version)
                self.assertEqual(t["Sheet2"].get(attr("table", "print-ranges")),
                                 "Sheet2.B2:Sheet2.D20")
                self.assertIsNone(t["Sheet1"].get(attr("table", "print-ranges")))
                self.assertEqual(header_columns(t["Sheet1"]), 2)
                rows = t["Sheet1"].find("table:table-header-rows", NS)
                self.assertIsNotNone(rows)
                self.assertEqual(len(rows.findall("table:table-row", NS)), 2)
                self.assertEqual(header_columns(t["Sheet3"]), 1)
                self.assertIsNone(t["Sheet3"].find("table:table-header-rows", NS))

    def test_header_footer_and_orientation(self):
        for version in (8, 5):
            with self.subTest(version=version):
                styles = self.docs[version].find("office:master-styles", NS)
                page = [m for m in styles.findall("style:master-page", NS)
                        if m.get(attr("style", "display-name")) == "PageStyle_Sheet1"][0]
                left = page.find("style:header/style:region-left", NS)
                self.assertEqual("".join(left.itertext()).strip(), "Page")
                right = page.find("style:footer/style:region-right", NS)
                self.assertEqual("".join(right.itertext()).strip(), "x")
                layout_name = page.get(attr("style", "page-layout-name"))
                layouts = self.docs[version].find("office:automatic-styles", NS)
                layout = [p for p in layouts.findall("style:page-layout", NS)
                          if p.get(attr("style", "name")) == layout_name][0]
                props = layout.find("style:page-layout-properties", NS)
                self.assertEqual(props.get(attr("style", "print-orientation")), "landscape")
                # A4 in landscape: 297 mm wide.
                self.assertAlmostEqual(float(props.get("{urn:oasis:names:tc:opendocument:xmlns:"
                                                       "xsl-fo-compatible:1.0}page-width")
                                             .rstrip("in")), 297 / 25.4, places=2)

    def test_protection(self):
        t = self.tables(8)
        self.assertEqual(t["Sheet2"].get(attr("table", "protected")), "true")
        self.assertIsNone(t["Sheet1"].get(attr("table", "protected")))
        spreadsheet = self.docs[8].find("office:body/office:spreadsheet", NS)
        self.assertEqual(spreadsheet.get(attr("table", "structure-protected")), "true")


if __name__ == "__main__":
    unittest.main()
