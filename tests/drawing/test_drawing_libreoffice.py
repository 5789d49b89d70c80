"""The drawing layer read back by independent readers, over one sample set.

The GoogleTest DrawingSamples.Write saves comments (1500 on one sheet, so that
its shape ids span two clusters), pictures on two sheets (a PNG twice, a JPEG,
a bitmap, and a PNG large enough to continue the drawing group), an autofilter,
and all three on one sheet, each as Excel 97 and Excel 5, plus the HTML pages
of the last. A strict record walker checks the drawing records of the Excel 97
files; xlrd, Apache POI and LibreOffice (through its .xlsx conversion, read with
openpyxl) must see every comment, picture and filter; the tool's script names
and the exporter's --autofilter reach the same.
"""
import hashlib
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

import olefile
import openpyxl
import xlrd

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(HERE, "..", "interop"))
import sample_images  # noqa: E402
from gtest_samples import write_samples  # noqa: E402
from tool import TO_XLSX, Workdir, build_ok, convert, require_tool, TOOL  # noqa: E402

POI_CLASSPATH = ":".join("/usr/share/java/%s.jar" % j for j in (
    "poi", "commons-collections4", "commons-math3", "commons-codec", "commons-logging"))
BOF, CONTINUE, OBJ, NOTE, TXO = 0x0809, 0x003C, 0x005D, 0x001C, 0x01B6
MSODRAWINGGROUP, MSODRAWING, AUTOFILTERINFO = 0x00EB, 0x00EC, 0x009D
CONTAINERS = {0xF000, 0xF001, 0xF002, 0xF003, 0xF004}
BLIPS = {0xF01D: "jpeg", 0xF01E: "png", 0xF01F: "dib"}
NAMES = ("comments", "pictures", "filter", "all")


def substreams(path):
    """The workbook stream's records as (number, body), split at each BOF."""
    ole = olefile.OleFileIO(path)
    stream = ole.openstream("Workbook" if ole.exists("Workbook") else "Book").read()
    ole.close()
    out, pos = [], 0
    while pos + 4 <= len(stream):
        number, size = struct.unpack_from("<HH", stream, pos)
        if number == BOF:
            out.append([])
        out[-1].append((number, stream[pos + 4:pos + 4 + size]))
        pos += 4 + size
    return out


def escher(test, data, at=0, end=None):
    """Parses drawing records into (type, instance, body or children); every
    container's length must be exactly the sum of its children's."""
    end = len(data) if end is None else end
    out = []
    while at < end:
        test.assertLessEqual(at + 8, end, "a record header is cut off")
        ver_inst, kind, length = struct.unpack_from("<HHI", data, at)
        test.assertLessEqual(at + 8 + length, end, "record %04x runs past its container" % kind)
        if kind in CONTAINERS:
            test.assertEqual(ver_inst & 0xF, 0xF)
            out.append((kind, ver_inst >> 4, escher(test, data, at + 8, at + 8 + length)))
        else:
            out.append((kind, ver_inst >> 4, data[at + 8:at + 8 + length]))
        at += 8 + length
    test.assertEqual(at, end)
    return out


def find(tree, kind):
    for k, inst, body in tree:
        if k == kind:
            yield inst, body
        if k in CONTAINERS:
            yield from find(body, kind)


class Drawing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = write_samples("DrawingSamples.*", "TABLIREX_DRAWING_SAMPLES", "tablirex_drawing_")
        cls.path = lambda self, *p: os.path.join(self.tmp.name, *p)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    # ---- the record walker ------------------------------------------------------------

    def test_record_walker(self):
        for name in NAMES:
            with self.subTest(file=name):
                streams = substreams(self.path(name + "8.xls"))
                globals_ = streams[0]
                numbers = [n for n, _ in globals_]
                at = numbers.index(MSODRAWINGGROUP)
                group = globals_[at][1]
                for n, body in globals_[at + 1:]:
                    if n != CONTINUE:
                        break
                    group += body
                self.assertLessEqual(len(globals_[at][1]), 8224)
                if len(group) > 8224:
                    self.assertEqual(numbers[at + 1], CONTINUE)
                dgg = escher(self, group)
                (_, head), = find(dgg, 0xF006)
                spid_max, cidcl, saved, drawings = struct.unpack_from("<4I", head)
                clusters = [struct.unpack_from("<II", head, 16 + 8 * i) for i in range(cidcl - 1)]
                store = list(find(dgg, 0xF007))
                for inst, bse in store:
                    size = struct.unpack_from("<I", bse, 20)[0]
                    blip = escher(self, bse, 36)
                    self.assertEqual(len(blip), 1)
                    kind, _, data = blip[0]
                    self.assertIn(kind, BLIPS)
                    self.assertEqual(size, 8 + len(data))
                    self.assertEqual(bse[2:18], data[:16])  # the image's digest keys it
                    self.assertEqual(data[:16], hashlib.md5(data[17:]).digest())
                seen, shapes_total = set(), 0
                for dg_id, sheet in enumerate([s for s in streams[1:] if any(n == MSODRAWING for n, _ in s)], 1):
                    body = b"".join(b for n, b in sheet if n == MSODRAWING)
                    tree = escher(self, body)
                    self.assertEqual([k for k, _, _ in tree], [0xF002])
                    (inst, fdg), = find(tree, 0xF008)
                    spids = [struct.unpack_from("<I", sp)[0] for _, sp in find(tree, 0xF00A)]
                    self.assertEqual(inst, dg_id)
                    self.assertEqual(struct.unpack_from("<II", fdg), (len(spids), max(spids)))
                    for spid in spids:
                        self.assertNotIn(spid, seen, "shape ids unique in the workbook")
                        seen.add(spid)
                        cluster = spid // 1024
                        self.assertTrue(1 <= cluster <= len(clusters))
                        self.assertEqual(clusters[cluster - 1][0], dg_id)
                        self.assertLess(spid % 1024, clusters[cluster - 1][1])
                    shapes_total += len(spids)
                    for _, opt in find(tree, 0xF00B):
                        for i in range(len(opt) // 6):
                            pid, value = struct.unpack_from("<HI", opt, 6 * i)
                            if pid == 0x4104:
                                self.assertTrue(1 <= value <= len(store))
                    # Each shape but the group has one OBJ after its record, and
                    # each NOTE names a comment's OBJ.
                    objs, kinds = {}, []
                    for i, (n, b) in enumerate(sheet):
                        if n == OBJ:
                            self.assertEqual(sheet[i - 1][0], MSODRAWING)
                            ot, oid = struct.unpack_from("<HH", b, 4)
                            self.assertNotIn(oid, objs)
                            objs[oid] = ot
                            kinds.append(ot)
                        if n == TXO:
                            self.assertEqual(sheet[i + 1][0], CONTINUE)
                            self.assertEqual(objs[max(objs)], 0x19)
                    self.assertEqual(len(objs), len(spids) - 1)
                    notes = [struct.unpack_from("<H", b, 6)[0] for n, b in sheet if n == NOTE]
                    self.assertEqual(sorted(notes), sorted(k for k, t in objs.items() if t == 0x19))
                    self.assertEqual(len(notes), len([n for n, _ in sheet if n == TXO]))
                self.assertEqual((drawings, saved, spid_max), (dg_id, shapes_total, max(seen) + 1))
        comments = substreams(self.path("comments8.xls"))[0]
        head = next(iter(find(escher(self, [b for n, b in comments if n == MSODRAWINGGROUP][0]), 0xF006)))[1]
        self.assertEqual(struct.unpack_from("<I", head, 4)[0], 3)  # 1503 shapes: two clusters

    # ---- xlrd ---------------------------------------------------------------------------

    def test_xlrd_comments_and_names(self):
        for v in (8, 5):
            with self.subTest(version=v):
                book = xlrd.open_workbook(self.path("comments%d.xls" % v), formatting_info=True)
                notes = book.sheet_by_name("Notes").cell_note_map
                self.assertEqual(len(notes), 1502)
                self.assertEqual(notes[(0, 0)].text, "first line\nsecond line")
                self.assertEqual(notes[(1499, 4)].text, "note 1499")
                self.assertEqual(notes[(0, 0)].author, "Ann Author" if v == 8 else "")
                self.assertEqual(notes[(1, 2)].show, 1 if v == 8 else 0)
                for name, want in (("filter", "List!$B$2:$D$9"), ("all", "All!$A$1:$C$5")):
                    b = xlrd.open_workbook(self.path("%s%d.xls" % (name, v)))
                    (n,) = b.name_obj_list
                    self.assertEqual((n.name, n.hidden, n.result.text), ("_FilterDatabase", 1, want))
                all_ = xlrd.open_workbook(self.path("all%d.xls" % v), formatting_info=True)
                self.assertEqual(all_.sheet_by_name("All").cell_note_map[(2, 1)].text, 'a < b & "c"')
                self.assertEqual(all_.sheet_by_name("All").cell_value(4, 2), 3.0)

    # ---- Apache POI -----------------------------------------------------------------------

    def test_poi(self):
        classes = tempfile.mkdtemp(prefix="tablirex_poi_", dir=self.tmp.name)
        subprocess.run(["javac", "-cp", POI_CLASSPATH, "-d", classes, os.path.join(HERE, "PoiDrawing.java")],
                       check=True, timeout=300)
        seen = {}
        for name in NAMES:
            r = subprocess.run(["java", "-cp", classes + ":" + POI_CLASSPATH, "PoiDrawing",
                                self.path(name + "8.xls")], capture_output=True, text=True, timeout=300)
            self.assertEqual(r.returncode, 0, r.stderr)
            seen[name] = [json.loads(line) for line in r.stdout.splitlines()]
        comments = [l for l in seen["comments"] if "comment" in l]
        self.assertEqual(len(comments), 1502)
        first = [l for l in comments if l["comment"] == "A1"][0]
        self.assertEqual((first["author"], first["text"], first["visible"]),
                         ("Ann Author", "first line\nsecond line", False))
        self.assertTrue([l for l in comments if l["comment"] == "C2"][0]["visible"])
        pictures = [l for l in seen["pictures"] if "picture" in l]
        with open(self.path("red.png"), "rb") as f:
            red = hashlib.md5(f.read()).hexdigest()
        with open(self.path("grey.jpg"), "rb") as f:
            grey = hashlib.md5(f.read()).hexdigest()
        self.assertEqual([p["picture"] for p in pictures], ["png", "dib", "jpeg", "png"])
        self.assertEqual(pictures[0]["md5"], red)  # shown twice, stored once
        self.assertEqual(pictures[2]["md5"], grey)
        self.assertEqual(sum(1 for l in seen["pictures"] if l.get("shape") == "picture"), 5)
        for name in ("filter", "all"):
            self.assertEqual(sum(1 for l in seen[name] if l.get("shape") == "dropdown"), 3, name)
            (n,) = [l for l in seen[name] if "name" in l]
            self.assertEqual(n["name"], "_FilterDatabase")
        anchors = [l["anchor"] for l in seen["filter"] if l.get("shape") == "dropdown"]
        self.assertEqual(anchors, [[1, 1, 2, 2], [2, 1, 3, 2], [3, 1, 4, 2]])

    # ---- LibreOffice, and its .xlsx read with openpyxl ---------------------------------------

    def test_libreoffice(self):
        work = Workdir(self)
        files = [self.path("%s%d.xls" % (n, v)) for n in NAMES for v in (8, 5)]
        said = convert(work, files, TO_XLSX, work("x"))

        def book(name):
            path = work("x", name + ".xlsx")
            self.assertTrue(os.path.exists(path), said)
            return path

        for v in (8, 5):
            wb = openpyxl.load_workbook(book("comments%d" % v))
            comments = [c.comment for row in wb["Notes"].iter_rows() for c in row if c.comment]
            self.assertEqual(len(comments), 1502, v)
            if v == 8:  # its conversion of Excel 5 notes keeps their boxes, not their texts
                self.assertEqual(wb["Notes"]["A1"].comment.text, "first line\nsecond line")
        self.assertEqual(openpyxl.load_workbook(book("filter8"))["List"].auto_filter.ref, "B2:D9")
        all8 = openpyxl.load_workbook(book("all8"))
        self.assertEqual(all8["All"].auto_filter.ref, "A1:C5")
        self.assertEqual(all8["All"]["B3"].comment.text, 'a < b & "c"')
        for name, want in (("pictures8", 5), ("pictures5", 1), ("all8", 2), ("all5", 1)):
            with zipfile.ZipFile(book(name)) as z:
                pics = sum(z.read(n).count(b"<xdr:pic>") for n in z.namelist() if n.startswith("xl/drawings/drawing"))
            self.assertEqual(pics, want, name)  # Excel 5 keeps the bitmaps only

    # ---- HTML, the tool and the exporter --------------------------------------------------

    def test_html_pages(self):
        folder = self.path("all.files")
        self.assertEqual(sorted(f for f in os.listdir(folder) if f.startswith("image")),
                         ["image001.png", "image002.bmp"])
        with open(os.path.join(folder, "image001.png"), "rb") as f, open(self.path("red.png"), "rb") as g:
            self.assertEqual(f.read(), g.read())
        with open(os.path.join(folder, "Sheet001.htm"), encoding="utf-8") as f:
            page = f.read()
        self.assertIn('title="a &lt; b &amp; &quot;c&quot;"', page)
        self.assertIn('<img src="image001.png" width=120 height=60', page)

    def test_tool_and_exporter(self):
        require_tool()
        work = Workdir(self)
        with open(work("logo.png"), "wb") as f:
            f.write(sample_images.png(30, 10))
        with open(work("photo.jpg"), "wb") as f:
            f.write(sample_images.jpeg(16, 16, dpi=96))
        got = build_ok(work, {"sheets": ["S"], "steps": [
            {"workbook": True, "set": {"CommentAuthor": "Cy"}},
            {"sheet": "S", "range": "A1:B1", "set": {"Value": ["k", "v"]}},
            {"sheet": "S", "range": "B2", "call": "AddComment", "args": ["kept"]},
            {"sheet": "S", "range": "B3", "call": "AddComment", "args": ["gone", True]},
            {"sheet": "S", "range": "B3", "call": "ClearComments"},
            {"sheet": "S", "range": "A1:B1", "call": "AutoFilter"},
            {"sheet": "S", "call": "InsertPicture", "args": ["logo.png", "D2"]},
            {"sheet": "S", "call": "InsertPicture", "args": ["photo.jpg", "D6", 2, 2, 0.5, 0.5]},
            {"sheet": "S", "range": "B2", "get": ["Comment"]},
            {"sheet": "S", "get": ["AutoFilterMode", "PictureCount"]}],
            "save": [{"file": "s.xls"}, {"file": "s.htm", "format": 3}]})
        self.assertEqual(got, [{"Comment": "kept"}, {"AutoFilterMode": True, "PictureCount": 2}])
        notes = xlrd.open_workbook(work("s.xls")).sheet_by_index(0).cell_note_map
        self.assertEqual({k: (n.text, n.author) for k, n in notes.items()}, {(1, 1): ("kept", "Cy")})
        self.assertEqual(sorted(os.listdir(work("s.files"))), ["image001.png", "image002.jpg"])
        with open(work("data.csv"), "w") as f:
            f.write("name,qty\na,1\nb,2\n")
        r = subprocess.run([TOOL, "export", "--csv", "data.csv", "-o", "e.xls", "--autofilter", "--quiet"],
                           cwd=work.path, capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        (n,) = xlrd.open_workbook(work("e.xls")).name_obj_list
        self.assertEqual(n.result.text, "Sheet1!$A$1:$B$3")


if __name__ == "__main__":
    unittest.main()
