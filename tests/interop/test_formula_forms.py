"""Formulas as people write them, read back by independent readers, and a sweep
of malformed formulas of which none may be lost without a word.

The forms ("," between arguments, TRUE and FALSE, exponents, sheet names in
another letter case, a doubled quote in a quoted sheet name, error constants,
dotted function names, unions, ranges of sheets in either order) are saved in
both file formats; xlrd's decompiler reads each FORMULA record back as text and
LibreOffice recalculates each to its value.

The sweep mutates the fuzz corpus (truncations, deletions, insertions of the
characters formulas are made of) into a few hundred texts. Each is either
refused with a message or, accepted, saved in both formats, where xlrd
decompiles it without error and LibreOffice shows a value for it. Every file of
the test goes through one LibreOffice run.
"""
import os
import subprocess
import unittest

import xlrd
import xlrd.formula as xf

from tool import TOOL, Workdir, build, build_ok, convert_to_csv, dump, require_tool

SHEETS = ["Calc", "Data", "a'b", "T", "U", "Sheet1", "Sheet2", "My Sheet", "Sweep"]

# formula, value LibreOffice computes (None: not computed by it), xlrd's text of the BIFF8 record, of the BIFF5 record. xlrd
# writes a 3-D cell as an area of one cell, an error constant as a string and a
# union without its parentheses.
FORMS = [
    ("=SUM(Data!B1,Data!B2)", "5", "SUM(Data!B1:B1,Data!B2:B2)"),
    ("=IF(Data!B1>0,TRUE,FALSE)*5", "5", "IF(Data!B1:B1>0.0,TRUE,FALSE)*5.0"),
    ("=IF(FALSE;1;2)", "2", "IF(FALSE,1.0,2.0)"),
    ("=1E3+1.5e-3*2", "1000.003", "1000.0+0.0015*2.0"),
    ("=data!B1*10", "20", "Data!B1:B1*10.0"),
    ("='a''b'!A1+1", "8", "'a''b'!A1:A1+1.0"),
    ("=SUM(T:U!A1)", "11", "SUM(T:U!A1:A1)"),
    ("=SUM(u:t!A1)", "11", "SUM(T:U!A1:A1)"),
    ("=ERROR.TYPE(1/0)", "2", "ERROR.TYPE(1.0/0.0)"),
    # LibreOffice reads #N/A alone of the error constants in formulas.
    ("=IF(ISERROR(#DIV/0!),3,4)", None, "IF(ISERROR(\"#DIV/0!\"),3.0,4.0)"),
    ("=ISNA(#N/A)*1", "1", "ISNA(\"#N/A\")*1.0"),
    ("=SUM((Data!B1,Data!B2),1)", "6", "SUM(Data!B1:B1,Data!B2:B2,1.0)"),
    ("=ROUND(2.5E-1,1)", "0.3", "ROUND(0.25,1.0)"),
]
UNCOMPUTED_IN_EXCEL5 = {"=ERROR.TYPE(1/0)"}

# xlrd 1.2 passes no cell position when it decodes a relative 3-D area and then
# fails on it; the formulas here are decoded in position 0, so that is what it needs.
def _with_position(adjust):
    def adjusted(rowval, colval, reldelta, browx=None, bcolx=None):
        return adjust(rowval, colval, reldelta, browx or 0, bcolx or 0)
    return adjusted


xf.adjust_cell_addr_biff8 = _with_position(xf.adjust_cell_addr_biff8)
xf.adjust_cell_addr_biff_le7 = _with_position(xf.adjust_cell_addr_biff_le7)

DATA_STEPS = [
    {"sheet": "Data", "range": "B1:B2", "set": {"Value": [[2], [3]]}},
    {"sheet": "a'b", "range": "A1", "set": {"Value": 7}},
    {"sheet": "T", "range": "A1", "set": {"Value": 1}},
    {"sheet": "U", "range": "A1", "set": {"Value": 10}},
]

CORPUS = os.path.join(os.environ.get("TABLIREX_SOURCE_DIR", "."), "tests", "fuzz", "formula_corpus")
INSERTS = ["(", ")", ",", ";", "\"", "'", "!", ":", "$", ".", "E", "#", "=", " ", "1", "A", "-"]
SWEEP_SIZE = 300


def mutants():
    """A few hundred texts made from the corpus, the same on every run."""
    seeds = []
    for name in sorted(os.listdir(CORPUS)):
        with open(os.path.join(CORPUS, name), encoding="utf-8") as f:
            seeds.append(f.read())
    found = set()
    for s in seeds:
        for i in range(len(s) + 1):
            found.add(s[:i])
            if i < len(s):
                found.add(s[:i] + s[i + 1:])
            for c in INSERTS:
                found.add(s[:i] + c + s[i:])
    found.discard("")
    ordered = sorted(found)
    step = max(1, len(ordered) // SWEEP_SIZE)
    return ordered[::step]


def compile_formula(text, biff5):
    """(exit status, stderr) of `tablirex formula` for "=" + text."""
    args = [TOOL, "formula", "=" + text, "--sheets", ",".join(SHEETS)] + (["--biff5"] if biff5 else [])
    r = subprocess.run(args, capture_output=True, text=True, encoding="utf-8", errors="replace", timeout=30)
    return r.returncode, r.stderr.strip()


def formula_records(test, path, sheet):
    """The FORMULA records of a sheet (by its position in SHEETS), in cell order."""
    d = dump(test, path)
    return [r for r in d.substreams()[1 + SHEETS.index(sheet)] if r["name"] == "FORMULA"]


def decompile(book, record):
    body = record["body"]
    size = body[20] | body[21] << 8
    return xf.decompile_formula(book, body[22:22 + size], size, xf.FMLA_TYPE_CELL, 0, 0)


class FormulaFormsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        cls.accepted, cls.refused, cls.biff8_only = [], [], []
        for text in mutants():
            r8, e8 = compile_formula(text, False)
            r5, e5 = compile_formula(text, True)
            if r8 != 0:
                cls.refused.append((text, r8, e8))
            elif r5 != 0:
                cls.biff8_only.append((text, r5, e5))
            else:
                cls.accepted.append(text)
        steps = DATA_STEPS + [
            {"sheet": "Calc", "range": "A%d" % (i + 1), "set": {"Value": f}} for i, (f, _, _) in enumerate(FORMS)
        ] + [
            {"sheet": "Sweep", "range": "A%d" % (i + 1), "set": {"Value": "=" + t}} for i, t in enumerate(cls.accepted)
        ]
        build_ok(cls.dir, {"sheets": SHEETS, "steps": steps,
                           "save": [{"file": "f8.xls", "format": 2}, {"file": "f5.xls", "format": 1}]})
        cls.csv, cls.log = convert_to_csv(cls.dir, ["f8.xls", "f5.xls"])

    def rows(self, book, sheet):
        name = "%s-%s.csv" % (book, sheet)
        self.assertIn(name, self.csv, "LibreOffice wrote %s\n%s" % (sorted(self.csv), self.log))
        return self.csv[name]

    def test_forms_recalculated_by_libreoffice(self):
        for book in ("f8", "f5"):
            rows = self.rows(book, "Calc")
            for i, (formula, want, _) in enumerate(FORMS):
                if want is None or (book == "f5" and formula in UNCOMPUTED_IN_EXCEL5):
                    continue
                with self.subTest(book=book, formula=formula):
                    self.assertEqual(rows[i][0] if i < len(rows) and rows[i] else "", want)

    def test_forms_read_back_by_xlrd(self):
        for book in ("f8", "f5"):
            path = self.dir(book + ".xls")
            bk = xlrd.open_workbook(path)
            records = formula_records(self, path, "Calc")
            self.assertEqual(len(records), len(FORMS))
            for rec, form in zip(records, FORMS):
                with self.subTest(book=book, formula=form[0]):
                    self.assertEqual(decompile(bk, rec), form[2])

    def test_sweep_refusals_say_why(self):
        self.assertGreater(len(self.refused), 100)
        self.assertGreater(len(self.accepted), 30)
        for text, status, message in self.refused + self.biff8_only:
            with self.subTest(formula=text):
                self.assertEqual(status, 1)
                self.assertRegex(message, r"^tablirex formula: \S.{5,}")

    def test_sweep_accepted_formulas_read_back(self):
        for book in ("f8", "f5"):
            path = self.dir(book + ".xls")
            bk = xlrd.open_workbook(path)
            records = formula_records(self, path, "Sweep")
            self.assertEqual(len(records), len(self.accepted), book)
            for rec, text in zip(records, self.accepted):
                with self.subTest(book=book, formula=text):
                    self.assertTrue(decompile(bk, rec))
            rows = self.rows(book, "Sweep")
            self.assertGreaterEqual(len(rows), len(self.accepted))
            for i, text in enumerate(self.accepted):
                with self.subTest(book=book, formula=text):
                    got = rows[i][0] if rows[i] else ""
                    self.assertNotRegex(got, r"^Err:5", "LibreOffice could not read it")

    def test_refused_formula_fails_the_step_naming_the_cell(self):
        r = build(self.dir, {"sheets": ["S"], "steps": [
            {"sheet": "S", "range": "B2", "set": {"Value": "=IF(1)"}}]}, name="refused.json")
        self.assertEqual(r.returncode, 1)
        self.assertIn("S!B2: formula \"=IF(1)\": IF takes 2 to 3 arguments, not 1 at position 2", r.stderr)
        r = build(self.dir, {"sheets": ["S"], "steps": [
            {"sheet": "S", "range": "B2", "set": {"Value": "=Gone!A1"}}],
            "save": [{"file": "gone.xls", "format": 2}]}, name="gone.json")
        self.assertEqual(r.returncode, 1)
        self.assertIn("S!B2: formula \"=Gone!A1\": no sheet named \"Gone\"", r.stderr)
        self.assertFalse(os.path.exists(self.dir("gone.xls")))


if __name__ == "__main__":
    unittest.main()
