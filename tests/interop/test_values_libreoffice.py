"""Workbooks built by scripts, converted to CSV by LibreOffice in one call, and
their values compared: numbers, texts (non-ASCII, emoji, line breaks, long
texts over CONTINUE records), date-times, a formula and a merged area."""
import unittest

from tool import Workdir, build_ok, convert_to_csv, require_tool

MANY_TEXTS = ["Zeile %03d – grüße" % i for i in range(400)]
BIG_TEXT = "".join("é" if i % 11 == 0 else chr(0x61 + i % 26) for i in range(9000))

STEPS = [
    {"sheet": "Values", "range": "A1:A4", "set": {"Value": [[1.5], [-12.5], [2147483649], [0.25]]}},
    {"sheet": "Values", "range": "A5", "set": {"Value": "=SUM(A1:A4)"}},
    {"sheet": "Values", "range": "B1", "set": {"Value": "héllo 数据 🎉"}},
    {"sheet": "Values", "range": "B2", "set": {"Value": "two\nlines"}},
    {"sheet": "Values", "range": "B3", "set": {"Value": {"date": "2024-02-29T12:30:00"}}},
    {"sheet": "Values", "call": "MergeWriteString", "args": ["C1:D2", "merged"]},
    {"sheet": "Values", "range": "E1", "set": {"Value": BIG_TEXT}},
    {"sheet": "Values", "range": "F1:F400", "set": {"Value": [[t] for t in MANY_TEXTS]}},
    {"sheet": "Other", "range": "A1", "set": {"Value": "second"}},
    {"sheet": "Other", "call": "Move", "args": [{"before": "Values"}]},
]

# (cell as (row, column), text in BIFF8, text in BIFF5)
EXPECTED = [
    ((0, 0), "1.5", "1.5"),
    ((1, 0), "-12.5", "-12.5"),
    ((2, 0), "2147483649", "2147483649"),
    ((3, 0), "0.25", "0.25"),
    ((4, 0), "2147483638.25", "2147483638.25"),
    ((0, 1), "héllo 数据 🎉", "héllo ?? ?"),
    ((1, 1), "two\nlines", "two\nlines"),
    ((2, 1), "45351.5208333333", "45351.5208333333"),
    ((0, 2), "merged", "merged"),
    ((1, 2), "", ""),
    ((0, 4), BIG_TEXT, BIG_TEXT[:255]),
] + [((i, 5), t, t) for i, t in enumerate(MANY_TEXTS)]


class LibreOfficeValuesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()
        cls.dir = Workdir(cls)
        build_ok(cls.dir, {"sheets": ["Values", "Other"], "steps": STEPS,
                           "save": [{"file": "v8.xls", "format": 2}, {"file": "v5.xls", "format": 1}]})
        cls.csv, cls.log = convert_to_csv(cls.dir, ["v8.xls", "v5.xls"])

    def rows(self, name):
        self.assertIn(name, self.csv, "LibreOffice wrote %s\n%s" % (sorted(self.csv), self.log))
        return self.csv[name]

    def test_every_sheet_converted(self):
        self.assertEqual(sorted(self.csv),
                         ["v5-Other.csv", "v5-Values.csv", "v8-Other.csv", "v8-Values.csv"])

    def test_values(self):
        for book, column in (("v8", 1), ("v5", 2)):
            rows = self.rows(book + "-Values.csv")
            for (r, c), *texts in EXPECTED:
                with self.subTest(book=book, cell=(r, c)):
                    got = rows[r][c] if r < len(rows) and c < len(rows[r]) else ""
                    self.assertEqual(got, texts[column - 1])
            self.assertEqual(self.rows(book + "-Other.csv"), [["second"]])


if __name__ == "__main__":
    unittest.main()
