"""tablirex export end to end: SQLite and CSV sources through both exporters into
Excel 97, Excel 5 and HTML, read back with xlrd and LibreOffice; and the failures
that must leave no output file behind."""
import datetime
import os
import sqlite3
import stat
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "interop"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
import tool  # noqa: E402
import xlrd  # noqa: E402
from pg_cluster import PgCluster  # noqa: E402

ROWS = [
    # id, name, amount, day, stamp, at, paid, note
    (1, "Zoë", 12.5, "2024-03-01", "2024-03-01 08:30:00", "08:30:00", 1, "=1+1"),
    (2, "Bob", 1234.56, "2024-12-31", "2024-12-31 00:00:00", "23:59:59", 0, None),
    (3, "Mei 美", -0.01, "not a date", "2023-01-15T10:00:00", "12:00:00", None, "plain"),
]


def make_db(path):
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE t(id INTEGER, name VARCHAR(20), amount DECIMAL(10,2), day DATE, "
               "stamp DATETIME, at TIME, paid BOOLEAN, note TEXT)")
    db.executemany("INSERT INTO t VALUES (?,?,?,?,?,?,?,?)", ROWS)
    db.commit()
    db.close()


def cells(path, sheet=0):
    book = xlrd.open_workbook(path, formatting_info=True)
    return book, book.sheet_by_index(sheet)


def number_format(book, sh, r, c):
    xf = book.xf_list[sh.cell_xf_index(r, c)]
    return book.format_map[xf.format_key].format_str


class ExportCli(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        tool.require_tool()
        cls.w = tool.Workdir(cls)
        make_db(cls.w("shop.db"))

    def export(self, *args, expect=0):
        r = subprocess.run([tool.TOOL, "export", "--quiet"] + list(args), cwd=self.w.path,
                           capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, expect, r.stderr)
        return r

    def test_sqlite_values_and_formats_both_versions(self):
        for out, extra in (("s8.xls", []), ("s5.xls", ["--biff5"])):
            with self.subTest(out=out):
                self.export("--sqlite", "shop.db", "--query", "SELECT * FROM t ORDER BY id",
                            "-o", out, "--header-border", "thin", *extra)
                book, sh = cells(self.w(out))
                self.assertEqual(sh.row_values(0), ["id", "name", "amount", "day", "stamp", "at",
                                                    "paid", "note"])
                self.assertEqual(sh.cell_value(1, 0), 1.0)
                self.assertEqual(sh.cell_value(1, 1), "Zoë")
                if out == "s8.xls":  # Excel 5 text is in the code page (1252 here)
                    self.assertEqual(sh.cell_value(3, 1), "Mei 美")
                self.assertAlmostEqual(sh.cell_value(2, 2), 1234.56)
                self.assertEqual(number_format(book, sh, 2, 2), "#,##0.00")
                # dates are dates, with the date format; a date-time at midnight too
                self.assertEqual(sh.cell_type(1, 3), xlrd.XL_CELL_DATE)
                self.assertEqual(xlrd.xldate_as_datetime(sh.cell_value(1, 3), book.datemode),
                                 datetime.datetime(2024, 3, 1))
                self.assertEqual(number_format(book, sh, 1, 3), "dd.mm.yyyy")
                self.assertEqual(number_format(book, sh, 1, 4), "dd.mm.yyyy hh:mm:ss")
                self.assertEqual(number_format(book, sh, 2, 4), "dd.mm.yyyy")
                self.assertEqual(number_format(book, sh, 1, 5), "hh:mm:ss")
                # a value that is no date is kept as its text
                self.assertEqual(sh.cell_value(3, 3), "not a date")
                # booleans kept, NULL empty, "=1+1" stays a text
                self.assertEqual(sh.cell_type(1, 6), xlrd.XL_CELL_BOOLEAN)
                self.assertEqual(sh.cell_value(1, 6), 1)
                self.assertIn(sh.cell_type(3, 6), (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK))
                self.assertEqual(sh.cell_value(1, 7), "=1+1")
                self.assertEqual(sh.cell_value(2, 7), "")
                self.assertGreaterEqual(book.font_list[book.xf_list[sh.cell_xf_index(0, 0)]
                                                       .font_index].weight, 700)

    def test_csv_split_over_sheets_and_html(self):
        with open(self.w("data.csv"), "w", encoding="utf-8-sig", newline="") as f:
            f.write("n;label;when\r\n")
            for i in range(1, 26):
                f.write('%d;"row ""%d""\nline";2024-01-%02d\r\n' % (i, i, i))
        self.export("--csv", "data.csv", "--delimiter", ";", "-o", "split.xls",
                    "--rows-per-sheet", "11", "--sheet-name", "Data")
        book = xlrd.open_workbook(self.w("split.xls"))
        self.assertEqual(book.sheet_names(), ["Data", "Sheet2", "Sheet3"])
        got = [book.sheet_by_index(s).cell_value(r, 0) for s in range(3)
               for r in range(1, book.sheet_by_index(s).nrows)]
        self.assertEqual(got, [float(i) for i in range(1, 26)])
        self.assertEqual(book.sheet_by_index(0).cell_value(1, 1), 'row "1"\nline')
        self.export("--csv", "data.csv", "--delimiter", ";", "-o", "split.html",
                    "--rows-per-sheet", "11")
        self.assertTrue(os.path.exists(self.w("split.html")))
        pages = os.listdir(self.w("split.files")) if os.path.isdir(self.w("split.files")) else []
        self.assertGreaterEqual(len([p for p in pages if p.endswith(".htm") or p.endswith(".html")]), 3,
                                pages)

    def test_grid_columns(self):
        grid = ('{"columns": ['
                '{"field": "name", "title": "Customer", "width": 100, "alignment": "left"},'
                '{"field": "amount", "visible": false},'
                '{"field": "day", "title": "Day", "width": 70, "alignment": "right"}]}')
        with open(self.w("grid.json"), "w") as f:
            f.write(grid)
        self.export("--sqlite", "shop.db", "--query", "SELECT * FROM t ORDER BY id", "--grid",
                    "grid.json", "-o", "grid.xls")
        book, sh = cells(self.w("grid.xls"))
        self.assertEqual(sh.row_values(0), ["Customer", "Day"])
        self.assertEqual(sh.ncols, 2)
        # 100 pixels are 14.33 characters, stored with the column margin (182 units)
        self.assertEqual(sh.colinfo_map[0].width, round(14.33 * 256) + 182)
        self.assertEqual(number_format(book, sh, 0, 0), "@")
        self.assertEqual(book.xf_list[sh.cell_xf_index(1, 1)].alignment.hor_align, 3)  # right

    def test_failures_leave_no_file(self):
        with open(self.w("keep.xls"), "wb") as f:
            f.write(b"earlier")
        os.chmod(self.w("keep.xls"), 0o640)
        cases = [
            (["--sqlite", "shop.db", "--query", "SELEC nonsense"], "syntax error"),
            (["--sqlite", "shop.db", "--query", "SELECT * FROM missing"], "no such table"),
            (["--sqlite", "absent.db", "--query", "SELECT 1"], "absent.db"),
            (["--csv", "absent.csv"], "absent.csv"),
            (["--postgres", "host=/nonexistent-socket-dir dbname=x connect_timeout=2",
              "--query", "SELECT 1"], "nonexistent-socket-dir"),
            (["--sqlite", "shop.db", "--query", "SELECT 1", "--frobnicate", "1"], "unknown option"),
            (["--sqlite", "shop.db", "--query", "SELECT 1", "--header-border", "wavy"], "wavy"),
        ]
        for args, message in cases:
            for out in ("new.xls", "keep.xls"):
                with self.subTest(args=args, out=out):
                    r = subprocess.run([tool.TOOL, "export"] + args + ["-o", out], cwd=self.w.path,
                                       capture_output=True, text=True, timeout=60)
                    self.assertNotEqual(r.returncode, 0)
                    self.assertIn(message, r.stderr)
                    self.assertFalse(os.path.exists(self.w("new.xls")))
                    with open(self.w("keep.xls"), "rb") as f:
                        self.assertEqual(f.read(), b"earlier")
                    self.assertEqual(stat.S_IMODE(os.stat(self.w("keep.xls")).st_mode), 0o640)
        r = subprocess.run([tool.TOOL, "export", "--sqlite", "shop.db", "--query", "SELECT 1",
                            "-o", "/nonexistent-dir/out.xls"], cwd=self.w.path,
                           capture_output=True, text=True)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("save failed", r.stderr)

    def test_postgres_export(self):
        with PgCluster() as pg:
            sql = ("SELECT i AS id, 'name ' || i AS name, (i * 1.25)::numeric(10,2) AS amount, "
                   "DATE '2024-01-01' + i AS day, i % 2 = 0 AS even, "
                   "CASE WHEN i % 3 = 0 THEN NULL ELSE i END AS sparse, "
                   "decode(lpad(to_hex(i), 4, '0'), 'hex') AS raw "
                   "FROM generate_series(1, 30) i ORDER BY i")
            self.export("--postgres", pg.conninfo, "--query", sql, "-o", "pg.xls",
                        "--rows-per-sheet", "21")
            r = subprocess.run([tool.TOOL, "export", "--postgres", pg.conninfo, "--query",
                                "SELECT * FROM nowhere", "-o", "pgbad.xls"],
                               capture_output=True, text=True, timeout=60)
            self.assertNotEqual(r.returncode, 0)
            self.assertIn('relation "nowhere" does not exist', r.stderr)
            self.assertFalse(os.path.exists(self.w("pgbad.xls")))
        book, sh = cells(self.w("pg.xls"))
        self.assertEqual(book.nsheets, 2)
        self.assertEqual(sh.row_values(0), ["id", "name", "amount", "day", "even", "sparse", "raw"])
        self.assertEqual(sh.cell_value(1, 6), "0x0001")  # bytea as its hex text
        self.assertEqual(sh.nrows, 21)
        self.assertEqual(sh.row_values(1)[:3], [1.0, "name 1", 1.25])
        self.assertEqual(number_format(book, sh, 1, 2), "#,##0.00")
        self.assertEqual(xlrd.xldate_as_datetime(sh.cell_value(1, 3), 0), datetime.datetime(2024, 1, 2))
        self.assertEqual(sh.cell_type(2, 4), xlrd.XL_CELL_BOOLEAN)
        self.assertIn(sh.cell_type(3, 5), (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK))
        second = book.sheet_by_index(1)
        self.assertEqual(second.cell_value(second.nrows - 1, 0), 30.0)

    def test_report_options_and_losses(self):
        """Frozen header, fitted columns and strict saves, each read back by xlrd; what
        a file cannot hold is a warning naming the cell, or with --strict a failure
        that leaves no file."""
        db = sqlite3.connect(self.w("loss.db"))
        db.execute("CREATE TABLE t(id INTEGER, note TEXT, raw BLOB, amount DECIMAL(12,2))")
        db.executemany("INSERT INTO t VALUES (?,?,?,?)",
                       [(1, "x" * 40000, b"\x00\xffA", 1234567.5), (2, "\u0141\u00f3d\u017a", b"", -3)])
        db.commit()
        db.close()
        query = ["--sqlite", "loss.db", "--query", "SELECT * FROM t ORDER BY id", "--sheet-name", "Orders"]
        long97 = "Orders!B2: text of 40000 characters cut to 32767 (the Excel 97 cell limit)"
        long5 = "Orders!B4: text of 40000 characters cut to 255 (the Excel 5 cell limit)"
        page = 'Orders!B5: 2 characters outside code page 1252 written as "?"'  # below the moved header
        cases = [
            # extra arguments, frozen rows, widths of A..D or None, warnings
            ([], 0, None, [long97]),
            (["--freeze-header", "--autofit"], 1, [2.2, 80, 8, 12], [long97]),
            (["--freeze-header", "--start-row", "2", "--autofit", "--biff5"], 3, [2.2, 80, 8, 12], [long5, page]),
        ]
        for extra, frozen, widths, warnings in cases:
            with self.subTest(extra=extra):
                r = self.export(*query, "-o", "loss.xls", *extra)
                self.assertEqual([line for line in r.stderr.splitlines() if "warning" in line],
                                 ["tablirex export: warning: " + w for w in warnings])
                book, sh = cells(self.w("loss.xls"))
                top = frozen - 1 if frozen else 0
                self.assertEqual((sh.panes_are_frozen, sh.horz_split_pos, sh.vert_split_pos),
                                 (bool(frozen), frozen, 0))
                self.assertEqual(sh.cell_value(top + 1, 2), "0x00FF41")  # a blob as its hex text
                self.assertEqual(sh.cell_value(top + 2, 2), "0x")
                if widths:
                    # Characters of the default font, plus the column's margin of 182/256.
                    got = [sh.colinfo_map[c].width for c in range(4)]
                    self.assertEqual(got, [round(w * 256) + 182 for w in widths])
                # Strict: the same export fails, names the cell and keeps the earlier file.
                with open(self.w("loss.xls"), "rb") as f:
                    before = f.read()
                r = self.export(*query, "-o", "loss.xls", "--strict", *extra, expect=1)
                self.assertIn("strict save: " + warnings[0], r.stderr)
                with open(self.w("loss.xls"), "rb") as f:
                    self.assertEqual(f.read(), before)

    def test_csv_encodings_and_delimiters(self):
        with open(self.w("cp.csv"), "wb") as f:
            f.write("name;city\r\nRen\u00e9;K\u00f6ln\r\n".encode("cp1252"))
        with open(self.w("bad.csv"), "wb") as f:
            f.write(b"name\tn\nok\t1\n\xe9t\xe9\t2\n")
        self.export("--csv", "cp.csv", "--encoding", "cp1252", "-o", "cp.xls")
        self.assertEqual(cells(self.w("cp.xls"))[1].row_values(1), ["Ren\u00e9", "K\u00f6ln"])
        r = self.export("--csv", "bad.csv", "-o", "bad.xls")
        self.assertIn("tablirex export: warning: CSV file 'bad.csv', line 3: 2 bytes invalid in UTF-8 "
                      "read as U+FFFD", r.stderr)
        self.assertEqual(cells(self.w("bad.xls"))[1].row_values(2), ["\ufffdt\ufffd", 2.0])
        r = self.export("--csv", "bad.csv", "-o", "strict.xls", "--strict", expect=1)
        self.assertIn("line 3: bytes invalid in UTF-8", r.stderr)
        self.assertFalse(os.path.exists(self.w("strict.xls")))

    def test_libreoffice_reads_the_export(self):
        self.export("--sqlite", "shop.db", "--query", "SELECT id, name, amount, day FROM t ORDER BY id",
                    "-o", "lo.xls")
        sheets, log = tool.convert_to_csv(self.w, ["lo.xls"])
        rows = sheets.get("lo-Sheet1.csv")
        self.assertIsNotNone(rows, log)
        self.assertEqual(rows[0], ["id", "name", "amount", "day"])
        self.assertEqual(rows[1], ["1", "Zoë", "12.50", "01.03.2024"])
        self.assertEqual(rows[2][2], "1,234.56")


if __name__ == "__main__":
    unittest.main()
