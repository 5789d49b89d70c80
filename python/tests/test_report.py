"""What a report needs from Python: dates that read back as dates, frozen headers,
fitted columns, strict saves, binary values as hex, the pandas engine whatever
the import order, and the version."""
import datetime
import os
import re
import subprocess
import sys
import textwrap
import warnings

import numpy as np
import pandas as pd
import pytest
import xlrd

import tablirex


def _format(book, sheet, row, col):
    return book.format_map[book.xf_list[sheet.cell_xf_index(row, col)].format_key].format_str


def test_dates_read_back_as_dates(tmp_path, read_xls):
    day = datetime.date(2024, 2, 29)
    cases = [
        # value, number format set first, the format the cell ends with
        (day, None, "yyyy-mm-dd"),
        (datetime.datetime(2024, 2, 29, 13, 5), None, "yyyy-mm-dd hh:mm:ss"),
        (datetime.time(8, 30), None, "hh:mm:ss"),
        (np.datetime64("2024-03-01"), None, "yyyy-mm-dd"),
        (np.datetime64("2024-03-01T10:00:00.5"), None, "yyyy-mm-dd hh:mm:ss"),
        (pd.Timestamp("2024-03-01 12:00"), None, "yyyy-mm-dd hh:mm:ss"),
        (day, "dd.mm.yy", "dd.mm.yy"),  # a cell that has a format keeps it
    ]
    book = tablirex.Workbook()
    sheet = book.sheets.add("Dates")
    for row, (value, fmt, _) in enumerate(cases):
        if fmt:
            sheet.cell(row, 0).number_format = fmt
        sheet.cell(row, 0).value = value
    sheet.range("B1:C1").value = [[day, "text"]]  # arrays too
    book.date_format = "d.m.yyyy"
    sheet["D1:D2"] = day  # and every cell a scalar reaches, in the chosen format
    path = str(tmp_path / "dates.xls")
    book.save(path)
    back = read_xls(path)
    ws = back.sheet_by_index(0)
    for row, (value, _, want) in enumerate(cases):
        assert ws.cell_type(row, 0) == xlrd.XL_CELL_DATE, value
        assert _format(back, ws, row, 0) == want, value
    assert xlrd.xldate_as_datetime(ws.cell_value(4, 0), 0) == datetime.datetime(2024, 3, 1, 10, 0, 0, 500000)
    assert (ws.cell_type(0, 1), _format(back, ws, 0, 1)) == (xlrd.XL_CELL_DATE, "yyyy-mm-dd")
    assert [_format(back, ws, r, 3) for r in (0, 1)] == ["d.m.yyyy"] * 2


def test_engine_registered_when_tablirex_comes_first(tmp_path, read_xls, python_env):
    # A fresh interpreter: tablirex first, pandas not loaded by it, the engine there
    # once pandas is, with freeze_panes as pandas' own engines take it.
    path = str(tmp_path / "engine.xls")
    program = textwrap.dedent("""
        import sys, time
        start = time.perf_counter()
        import tablirex
        took = time.perf_counter() - start
        assert "pandas" not in sys.modules
        import pandas as pd
        pd.DataFrame({"a": [1, 2], "b": ["x", "y"]}).to_excel(sys.argv[1], engine="tablirex",
                                                              freeze_panes=(1, 2))
        print(took)
    """)
    r = subprocess.run([sys.executable, "-c", program, path], capture_output=True, text=True, timeout=120,
                       env=python_env)
    assert r.returncode == 0, r.stderr
    ws = read_xls(path).sheet_by_index(0)
    assert (ws.panes_are_frozen, ws.horz_split_pos, ws.vert_split_pos) == (1, 1, 2)


def test_write_frame_freeze_autofit_strict_and_bytes(tmp_path, read_xls):
    df = pd.DataFrame({"id": [1, 22], "name": ["Zoë", "a much longer name"],
                       "raw": [b"\x00\xff", memoryview(b"AB")], "big": ["y" * 40000, "z"]})
    path = str(tmp_path / "frame.xls")
    with pytest.warns(tablirex.DataLossWarning, match=r"Sheet1!D3: text of 40000 characters cut to 32767"):
        tablirex.write_frame(df, path, freeze_header=True, autofit=True, start_row=1, rows_per_sheet=3)
    book = read_xls(path)
    assert book.nsheets == 2  # every sheet of a split export keeps its header in view
    for ws in book.sheets():
        assert (ws.panes_are_frozen, ws.horz_split_pos, ws.vert_split_pos) == (1, 2, 0)
    ws = book.sheet_by_index(0)
    assert [ws.colinfo_map[c].width for c in range(3)] == [round(w * 256) + 182 for w in (2.2, 4.4, 6)]
    assert [book.sheet_by_index(s).cell_value(2, 2) for s in (0, 1)] == ["0x00FF", "0x4142"]
    bad = tmp_path / "strict.xls"
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # strict raises: nothing is merely warned of
        with pytest.raises(tablirex.SaveError, match="strict save: Sheet1!D2"):
            tablirex.write_frame(df, str(bad), strict=True)
    assert not bad.exists()
    assert set(tablirex.EXPORT_OPTIONS) >= {"freeze_header", "autofit", "sheet_name"}


def test_version_is_the_projects():
    source = os.environ.get("TABLIREX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
    with open(os.path.join(source, "CMakeLists.txt")) as f:
        version = re.search(r"project\(Tablirex VERSION (\S+)", f.read()).group(1)
    assert tablirex.__version__ == version


def test_stubs_declare_every_name():
    # Editors complete from the stubs beside the modules: every public name of the
    # extension and every exporter option is declared there.
    import ast

    package = os.path.dirname(tablirex.__file__)
    assert os.path.exists(os.path.join(package, "py.typed"))

    def declared(tree):
        names = {}
        for node in tree.body:
            if isinstance(node, ast.ClassDef):
                names[node.name] = {n.name if isinstance(n, ast.FunctionDef) else n.target.id
                                    for n in node.body if isinstance(n, (ast.FunctionDef, ast.AnnAssign))}
            elif isinstance(node, ast.FunctionDef):
                names[node.name] = set()
            elif isinstance(node, ast.AnnAssign):
                names[node.target.id] = set()
        return names

    with open(os.path.join(package, "_core.pyi")) as f:
        core = declared(ast.parse(f.read()))
    for name, obj in vars(tablirex._core).items():
        if name.startswith("__") and name != "__version__":
            continue
        assert name in core, name
        if isinstance(obj, type):
            public = {m for m in vars(obj) if not m.startswith("_") or m in ("__getitem__", "__setitem__")}
            assert public <= core[name], (name, public - core[name])
    with open(os.path.join(package, "_frames.pyi")) as f:
        frames = declared(ast.parse(f.read()))
    assert set(tablirex.EXPORT_OPTIONS) <= frames["ExportOptions"]
