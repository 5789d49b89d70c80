"""Sheets created, renamed, moved, deleted and activated by build scripts, saved
in both formats and read back by xlrd (names, order, selection) and olefile
(the one stream, its size and where it is stored)."""
import unittest

import olefile
import xlrd

from tool import Workdir, build_ok, dump, require_tool

FORMATS = ((2, "Workbook"), (1, "Book"))


def moved(order, name, before=None, after=None):
    """The order after moving a sheet before or after another one (or itself)."""
    if name in (before, after):
        return list(order)
    order = [s for s in order if s != name]
    if before is not None:
        order.insert(order.index(before), name)
    else:
        order.insert(order.index(after) + 1, name)
    return order


class SheetsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_tool()

    def setUp(self):
        self.dir = Workdir(self)

    def save_both(self, sheets, steps=(), biff5=True):
        """Runs the script, saving book8.xls and (unless told not to) book5.xls.
        Returns the printed JSON lines and the saved files by format."""
        saves = [{"file": "book8.xls", "format": 2}]
        if biff5:
            saves.append({"file": "book5.xls", "format": 1})
        lines = build_ok(self.dir, {"sheets": sheets, "steps": list(steps), "save": saves})
        files = {2: self.dir("book8.xls")}
        if biff5:
            files[1] = self.dir("book5.xls")
        return lines, files

    def check_container(self, path, stream):
        """One stream of the right name and size, in the mini stream when short."""
        size = next(s for s in dump(self, path, brief=True).streams if s[0] == stream)[1]
        ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_UNSURE)
        try:
            self.assertEqual(ole.listdir(), [[stream]])
            self.assertEqual(ole.get_size(stream), size)
            self.assertEqual(ole.root.size, (size + 63) // 64 * 64 if size < 4096 else 0)
            with ole.openstream(stream) as s:
                self.assertEqual(len(s.read()), size)
        finally:
            ole.close()

    def window(self, path):
        """(active tab, first visible tab, selected count) from WINDOW1, and
        the selected flag of each sheet from WINDOW2."""
        d = dump(self, path)
        w1 = next(r["body"] for r in d.records if r["name"] == "WINDOW1")
        flags = [int.from_bytes(r["body"][:2], "little") for r in d.records if r["name"] == "WINDOW2"]
        word = lambda at: int.from_bytes(w1[at:at + 2], "little")
        return (word(10), word(12), word(14)), [bool(f & 0x0200) for f in flags]

    def check(self, files, names, active=None):
        """Names and order in every file; a consistent window: the active sheet
        is selected and WINDOW1 counts the selected sheets."""
        for fmt, stream in FORMATS:
            if fmt not in files:
                continue
            with self.subTest(format=fmt):
                book = xlrd.open_workbook(files[fmt], formatting_info=True)
                self.assertEqual(book.sheet_names(), names)
                self.check_container(files[fmt], stream)
                (tab, first, count), selected = self.window(files[fmt])
                self.assertEqual(len(selected), len(names))
                self.assertTrue(selected[tab], "the active sheet is not selected")
                self.assertEqual(count, sum(selected))
                self.assertEqual([s.sheet_selected for s in book.sheets()], selected)
                if active is not None:
                    self.assertEqual(names[tab], active)

    def test_no_sheet_saves_sheet1(self):
        _, files = self.save_both([])
        self.check(files, ["Sheet1"], active="Sheet1")

    def test_named_sheets(self):
        cyrillic = [{"workbook": True, "call": "SetCodePage", "args": [1251]}]
        cases = [
            # BIFF8 keeps any character; BIFF5 names live in the workbook's code page.
            (["Données", "数据", "Σ – sheet", "🎉" * 15], False, []),
            (["Données", "Straße", "Ünïcödé"], True, []),
            (["Данные", "Итоги"], True, cyrillic),
            (["x" * 31, "a b", "it's"], True, []),
        ]
        for names, biff5, steps in cases:
            with self.subTest(names=names):
                lines, files = self.save_both(names, steps + [{"workbook": True, "get": ["Worksheets.Names"]}],
                                              biff5=biff5)
                self.assertEqual(lines, [{"Worksheets.Names": names}])
                self.check(files, names)

    def test_moves(self):
        start = ["A", "B", "C", "D"]
        cases = [
            ("A", {"after": "C"}),
            ("D", {"before": 1}),
            ("B", {"before": "D"}),
            ("C", {"after": 4}),
            ("A", {"before": "A"}),
            ("D", {"after": "C"}),
        ]
        for name, where in cases:
            with self.subTest(move=name, where=where):
                ref = where.get("before", where.get("after"))
                ref = start[ref - 1] if isinstance(ref, int) else ref
                expected = moved(start, name, **{next(iter(where)): ref})
                _, files = self.save_both(start, [{"sheet": name, "call": "Move", "args": [where]}])
                self.check(files, expected)

    def test_move_sequence_uses_current_positions(self):
        steps = [
            {"sheet": 1, "call": "Move", "args": [{"after": 3}]},     # B C A D
            {"sheet": "D", "call": "Move", "args": [{"before": 2}]},  # B D C A
            {"sheet": 4, "call": "Move", "args": [{"before": "B"}]},  # A B D C
            {"workbook": True, "get": ["Worksheets.Names"]},
        ]
        lines, files = self.save_both(["A", "B", "C", "D"], steps)
        self.assertEqual(lines, [{"Worksheets.Names": ["A", "B", "D", "C"]}])
        self.check(files, ["A", "B", "D", "C"])

    def test_deletes_renames_and_additions(self):
        cases = [
            ([{"sheet": "B", "call": "Delete"}], ["A", "C"]),
            ([{"sheet": 1, "call": "Delete"}, {"sheet": 1, "call": "Delete"}], ["C"]),
            ([{"sheet": 3, "call": "Delete"}, {"sheet": "A", "set": {"Name": "First"}}], ["First", "B"]),
            ([{"workbook": True, "call": "Worksheets.Add", "args": [{"before": "B", "name": "New"}]}],
             ["A", "New", "B", "C"]),
            ([{"workbook": True, "call": "Worksheets.Add"}, {"sheet": 1, "call": "Delete"}],
             ["B", "C", "Sheet4"]),
        ]
        for steps, expected in cases:
            with self.subTest(steps=steps):
                _, files = self.save_both(["A", "B", "C"], steps)
                self.check(files, expected)

    def test_activation_selection_and_first_tab(self):
        cases = [
            ([{"sheet": "C", "call": "Activate"}], "C", [False, False, True]),
            ([{"sheet": 2, "call": "Select"}], "B", [False, True, False]),
            ([{"sheet": "C", "call": "Activate"}, {"sheet": "A", "call": "Select", "args": [False]}],
             "C", [True, False, True]),
            # Deleting the active sheet leaves another one active.
            ([{"sheet": "B", "call": "Activate"}, {"sheet": "B", "call": "Delete"}], None, None),
            ([{"sheet": "C", "call": "Activate"}, {"sheet": "C", "call": "Move", "args": [{"before": 1}]}],
             "C", [True, False, False]),
        ]
        for steps, active, selected in cases:
            with self.subTest(steps=steps):
                probe = [{"workbook": True, "get": ["ActiveSheet"]}]
                lines, files = self.save_both(["A", "B", "C"], steps + probe)
                reported = lines[-1]["ActiveSheet"]
                if active is not None:
                    self.assertEqual(reported, active)
                names = xlrd.open_workbook(files[2]).sheet_names()
                self.check(files, names, active=reported)
                if selected is not None:
                    self.assertEqual(self.window(files[2])[1], selected)

    def test_first_visible_tab(self):
        _, files = self.save_both(["A", "B", "C"], [{"sheet": "C", "call": "SetFirstSheet"}])
        for fmt in files:
            (_, first, _), _ = self.window(files[fmt])
            self.assertEqual(first, 2)


if __name__ == "__main__":
    unittest.main()
