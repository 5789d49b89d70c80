"""Formula cells compiled by our compiler, saved in both file formats and
recalculated by LibreOffice: the computed values show that every kind of token
was read as meant (operators and their order, numbers, strings, functions with
fixed and variable argument counts, each argument class, and 3-D references to
other sheets, a quoted sheet name and the formula's own sheet)."""
import unittest

from tool import Workdir, build_ok, convert_to_csv, require_tool

SHEETS = ["Data", "Calc", "Third Sheet"]

# (formula, value LibreOffice computes), one per row of column A of "Calc".
FORMULAS = [
    ("=Data!A1*2", "4"),
    ("=SUM(Data!A1:A3)", "9"),
    ("=IF(Data!A1>1;\"big\";\"small\")", "big"),
    ("=ROUND('Third Sheet'!B2/3;2)", "3.33"),
    ("=A1+A2", "13"),
    ("=CONCATENATE(\"a\";\"\u00e9\";Data!$A$2)", "a\u00e93"),
    ("=-2^2", "4"),
    ("=10-2-3", "5"),
    ("=2^3^2", "64"),
    ("=1+2*3-4/2", "5"),
    ("=(1+2)*3", "9"),
    ("=MAX(Data!A1:A3)-MIN(Data!A1:A3)", "2"),
    ("=LEN(\"abc\")&\"x\"", "3x"),
    ("=SUMPRODUCT(Data!A1:A3;Data!A1:A3)", "29"),
    ("=Calc!A1+1", "5"),
    ("=VLOOKUP(3;Data!A1:B3;2;FALSE())", "three"),
    ("=INDEX(Data!A1:A3;2)", "3"),
    ("=ROWS(Data!A1:B3)*COLUMNS(Data!$A$1:$B$3)", "6"),
    # A comparison's result shows as 1 or 0 in a cell without a boolean format.
    ("=Data!A1<>Data!A2", "1"),
    ("=Data!A3>=4", "1"),
    ("=Data!A1=Data!A2", "0"),
    ("=\"say \"\"hi\"\"\"", "say \"hi\""),
    ("=MOD(17;5)+ABS(-1.5)+.5", "4"),
    ("=AVERAGE(Data!A1:A3;'Third Sheet'!B2)", "4.75"),
]

STEPS = [
    {"sheet": "Data", "range": "A1:B3", "set": {"Value": [[2, "two"], [3, "three"], [4, "four"]]}},
    {"sheet": "Third Sheet", "range": "B2", "set": {"Value": 10}},
] + [{"sheet": "Calc", "range": "A%d" % (i + 1), "set": {"Value": f}} for i, (f, _) in enumerate(FORMULAS)]


class LibreOfficeFormulasTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        build_ok(cls.dir, {"sheets": SHEETS, "steps": STEPS,
                           "save": [{"file": "f8.xls", "format": 2}, {"file": "f5.xls", "format": 1}]})
        cls.csv, cls.log = convert_to_csv(cls.dir, ["f8.xls", "f5.xls"])

    def test_values(self):
        for book in ("f8", "f5"):
            name = book + "-Calc.csv"
            self.assertIn(name, self.csv, "LibreOffice wrote %s\n%s" % (sorted(self.csv), self.log))
            rows = self.csv[name]
            for i, (formula, want) in enumerate(FORMULAS):
                with self.subTest(book=book, formula=formula):
                    got = rows[i][0] if i < len(rows) and rows[i] else ""
                    self.assertEqual(got, want)


if __name__ == "__main__":
    unittest.main()
