"""DataFrames, cursors and lists of dicts to .xls, read back with pandas and xlrd."""
import datetime

import numpy as np
import pandas as pd
import pytest
import xlrd

import tablirex

tablirex.register_pandas_engine()  # whichever of pandas and tablirex came first


def _frame(rows=7):
    days = pd.date_range("2026-01-01", periods=rows, freq="D")
    times = pd.date_range("2026-01-01 08:30", periods=rows, freq="37min")
    return pd.DataFrame({
        "int": np.arange(rows, dtype=np.int64) * 1000 - 3,
        "small": np.arange(rows, dtype=np.int16),
        "float": np.where(np.arange(rows) % 3 == 0, np.nan, np.arange(rows) / 7),
        "bool": np.arange(rows) % 2 == 0,
        "date": days.where(np.arange(rows) != 2),                # NaT in row 2
        "stamp": times,
        "text": ["t%d" % i if i != 4 else None for i in range(rows)],
        "cat": pd.Categorical(["a", "b", None, "a", "c", "b", "a"][:rows]),
        "nullable": pd.array([1, None, 3, 4, None, 6, 7][:rows], dtype="Int64"),
    })


def _expected(df):
    out = df.copy()
    out["cat"] = out["cat"].astype(object)
    out["nullable"] = out["nullable"].astype(float)
    return out


def test_to_excel_engine_round_trip(tmp_path, read_excel):
    df = _frame()
    path = str(tmp_path / "engine.xls")
    df.to_excel(path, engine="tablirex", index=False)
    back = read_excel(path)
    pd.testing.assert_frame_equal(back, _expected(df), check_dtype=False)

    with pd.ExcelWriter(str(tmp_path / "two.xls"), engine="tablirex",
                        datetime_format="DD.MM.YYYY HH:MM") as writer:
        df.to_excel(writer, sheet_name="Indexed", float_format="%.2f")
        df.to_excel(writer, sheet_name="Moved", startrow=3, startcol=2, header=False, index=False)
        assert isinstance(writer.book, tablirex.Workbook)
    sheets = read_excel(str(tmp_path / "two.xls"), sheet_name=None, header=None)
    assert list(sheets) == ["Indexed", "Moved"]
    indexed = sheets["Indexed"]
    assert indexed.iloc[2, 3] == pytest.approx(round(1 / 7, 2))  # float_format rounds
    moved = sheets["Moved"]
    assert moved.shape == (3 + len(df), 2 + df.shape[1])
    assert moved.iloc[3, 2] == df["int"][0]
    book = xlrd.open_workbook(str(tmp_path / "two.xls"), formatting_info=True)
    ws = book.sheet_by_name("Indexed")
    xf = book.xf_list[ws.cell_xf_index(1, 5)]  # a date cell
    assert book.format_map[xf.format_key].format_str == "DD.MM.YYYY HH:MM"
    assert book.font_list[book.xf_list[ws.cell_xf_index(0, 1)].font_index].bold  # header


def test_write_frame_round_trip_with_options_and_events(tmp_path, read_excel):
    df = _frame()
    seen = {"header": [], "rows": [], "sheets": []}
    path = str(tmp_path / "frame.xls")
    n = tablirex.write_frame(
        df, path, sheet_name="Data", start_row=1, rows_per_sheet=6,
        header_font={"name": "Arial", "size": 12, "bold": True, "color": "navy"},
        header_color="silver", detail_border_style="thin",
        after_header_cell=lambda cell, i, name: seen["header"].append((cell.address, name)),
        after_detail_row=lambda rng, record: seen["rows"].append(record),
        on_worksheet_create=lambda sheet: seen["sheets"].append(sheet.name))
    assert n == len(df)
    assert seen["header"][:2] == [("A2", "int"), ("B2", "small")]
    assert seen["rows"] == list(range(1, len(df) + 1))
    assert seen["sheets"] == ["Data", "Sheet2"]
    sheets = read_excel(path, sheet_name=None, header=None)
    # Header on row 2 of the first sheet, four records each on the first and second.
    first, second = sheets["Data"], sheets["Sheet2"]
    back = pd.concat([first.iloc[2:], second.iloc[2:]], ignore_index=True)
    back.columns = list(first.iloc[1])
    expected = _expected(df)
    for column in expected:
        got, want = back[column], expected[column]
        if want.dtype.kind == "M":
            got = pd.to_datetime(got)
        pd.testing.assert_series_equal(got, want, check_dtype=False, check_names=False), column

    book = xlrd.open_workbook(path, formatting_info=True)
    ws = book.sheet_by_name("Data")
    header = book.xf_list[ws.cell_xf_index(1, 0)]
    font = book.font_list[header.font_index]
    assert (font.bold, font.height, book.colour_map[font.colour_index]) == (1, 240, (0, 0, 128))
    date_xf = book.xf_list[ws.cell_xf_index(2, 4)]
    assert book.format_map[date_xf.format_key].format_str == "dd.mm.yyyy"
    stamp_xf = book.xf_list[ws.cell_xf_index(2, 5)]
    assert book.format_map[stamp_xf.format_key].format_str == "dd.mm.yyyy hh:mm:ss"


def _check_query(path, rows):
    book = xlrd.open_workbook(path)
    ws = book.sheet_by_index(0)
    assert ws.row_values(0) == ["name", "amount", "day", "flag"]
    got = []
    for r in range(1, ws.nrows):
        name, amount, day, flag = ws.row(r)
        got.append((name.value or None, amount.value if amount.ctype else None,
                    xlrd.xldate_as_datetime(day.value, 0).date() if day.ctype else None,
                    bool(flag.value) if flag.ctype == xlrd.XL_CELL_BOOLEAN else None))
    assert got == rows


QUERY_ROWS = [("alpha", 1.5, datetime.date(2026, 1, 2), True),
              ("beta", None, None, False),
              (None, -3.0, datetime.date(1999, 12, 31), None)]


def test_sqlite_cursor_and_list_of_dicts(tmp_path):
    import sqlite3

    con = sqlite3.connect(":memory:", detect_types=sqlite3.PARSE_DECLTYPES)
    con.execute("create table t (name text, amount real, day date, flag boolean)")
    sqlite3.register_converter("boolean", lambda b: b == b"1")
    con.executemany("insert into t values (?, ?, ?, ?)", QUERY_ROWS)
    path = str(tmp_path / "sqlite.xls")
    assert tablirex.write_frame(con.execute("select * from t order by rowid"), path) == 3
    _check_query(path, QUERY_ROWS)

    dicts = [dict(zip(["name", "amount", "day", "flag"], row)) for row in QUERY_ROWS]
    path = str(tmp_path / "dicts.xls")
    tablirex.write_frame(dicts, path, biff=5)
    _check_query(path, QUERY_ROWS)


def test_psycopg2_cursor(tmp_path):
    import psycopg2
    from pg_cluster import PgCluster

    with PgCluster() as pg:
        con = psycopg2.connect(pg.conninfo)
        try:
            cur = con.cursor()
            cur.execute("create table t (name text, amount numeric(10,2), day date, flag boolean)")
            cur.executemany("insert into t values (%s, %s, %s, %s)", QUERY_ROWS)
            cur.execute("select * from t order by day nulls first, name")
            assert [d[1] for d in cur.description] == [25, 1700, 1082, 16]
            path = str(tmp_path / "pg.xls")
            assert tablirex.write_frame(cur, path) == 3
            _check_query(path, sorted(QUERY_ROWS, key=lambda r: (r[2] is not None, r[2] or 0, r[0])))
        finally:
            con.close()


@pytest.mark.parametrize("data, kwargs, error", [
    (pd.DataFrame({"x": [object()]}), {}, TypeError),
    ([{"a": 1}, {"a": {1, 2}}], {}, TypeError),
    ([{"a": 1}, 7], {}, TypeError),
    (pd.DataFrame({"x": [1, 2]}), {"after_detail_row": lambda r, i: 1 / 0}, ZeroDivisionError),
    (pd.DataFrame({"x": [1]}), {"rows_per_sheet": 1}, ValueError),
    (pd.DataFrame({"x": [1]}), {"header_font": "Arial,10,wavy"}, ValueError),
    (pd.DataFrame({"x": [1]}), {"no_such_option": 1}, TypeError),
    ([], {}, ValueError),
])
def test_write_frame_errors_leave_no_file(tmp_path, data, kwargs, error):
    path = tmp_path / "bad.xls"
    with pytest.raises(error):
        tablirex.write_frame(data, str(path), **kwargs)
    assert not path.exists()


def _odd_frame():
    return pd.DataFrame({
        "inf": [1.0, np.inf, -np.inf, np.nan, 2.5],
        "text": ["", "=1+2", pd.NA, "plain", np.nan],
        "mixed": [1, "two", datetime.date(2026, 5, 6), datetime.datetime(1960, 1, 2, 3, 4, 5, 678000), None],
        "old": pd.to_datetime(["1900-03-01 00:00:00.0015", "1969-12-31 23:59:59.999", None,
                               "2262-04-01", "1970-01-01"]),
        "delta": pd.to_timedelta([1.5, None, 0, -2, 30], unit="D"),
        "f32": np.array([0.1, 1e30, np.nan, -0.0, 3], dtype=np.float32),
        "u64": np.array([0, 2**64 - 1, 7, 8, 2**53 + 1], dtype=np.uint64),
        "str": pd.array(["a", None, "c", "", "e"], dtype="string"),
    })


_INDEXED = pd.DataFrame({"a": [1.25, 2.5, 3.75], "b": ["x", "y", "z"]},
                        index=pd.date_range("2026-01-01", periods=3, name="day"))
_MULTI = pd.DataFrame(np.arange(12.0).reshape(4, 3),
                      index=pd.MultiIndex.from_product([["p", "q"], [1, 2]], names=["k", "n"]),
                      columns=pd.MultiIndex.from_tuples([("A", "x"), ("A", "y"), ("B", "x")]))

_LEVELS = pd.DataFrame(
    {"v": np.arange(6.0)},
    index=pd.MultiIndex.from_arrays([["a", "a", "b", "b", "b", None], [1, 1, 2, 3, 3, 3],
                                     pd.to_datetime(["2026-01-01", None, "2026-01-02", "2026-01-03",
                                                     "2026-01-04", "2026-01-05 06:07"])],
                                    names=["k", None, "when"]))

# (frame, to_excel keywords): every way pandas lays a frame out, and its values.
_LAYOUTS = [
    (_frame(), {"index": False}),
    (_frame(), {"float_format": "%.2f", "na_rep": "NA", "freeze_panes": (1, 2)}),
    (_odd_frame(), {"inf_rep": "INF", "startrow": 2, "startcol": 1}),
    (_odd_frame(), {"index": False, "header": False, "na_rep": "-"}),
    (_frame(), {"columns": ["float", "text", "date"], "header": ["F", "T", "D"], "index_label": "i"}),
    (_INDEXED, {}),
    (_MULTI, {}),
    (_MULTI, {"merge_cells": False, "startrow": 1}),
    (_LEVELS, {"index_label": ["K", "N", "W"]}),
    (_LEVELS, {"merge_cells": False, "na_rep": "?", "header": False}),
    (_odd_frame().set_index("mixed"), {"index_label": ["M"], "float_format": "%d"}),
    (_frame().set_index("cat"), {"na_rep": "?", "header": False}),
    (pd.DataFrame({"v": range(5)}, index=pd.period_range("2026-01", periods=5, freq="M")), {}),
    (pd.DataFrame(np.arange(15.0).reshape(5, 3), columns=_MULTI.columns), {"startcol": 2}),
    (_frame().iloc[:0], {}),
    (_frame().iloc[:1], {"index": False}),
]


def _styled_cells():
    """Cells as pandas hands a Styler's frame over: runs down columns sharing styles
    with part of the borders, fills and number formats."""
    from pandas.io.formats.excel import ExcelCell

    styles = [{"borders": {"bottom": "thin"}, "font": {"italic": True}},
              {"borders": {"top": "medium", "left": "dashed"}, "fill": {"fgColor": "FFFF00"}},
              {"borders": {"left": "thin", "right": "thick"}, "number_format": {"format_code": "0.00"}},
              {"borders": {"top": "thin", "bottom": "thin", "left": "thin", "right": "thin"}}]
    cells = [ExcelCell(r, c, r * 1.5 if c % 2 else "t%d" % r, style)
             for c, style in reversed(list(enumerate(styles))) for r in range(c, c + 6)]
    cells += [ExcelCell(r, 2, datetime.datetime(2026, 1, r + 1), {"alignment": {"horizontal": "right"}})
              for r in range(8, 13)]
    return cells


def _read_back(path):
    """Every cell's value, number format, font, borders and alignment, and each
    sheet's merges and panes, as the file's independent reader sees them."""
    if path.endswith(".xlsx"):
        import openpyxl

        book = openpyxl.load_workbook(path)
        out = {}
        for ws in book.worksheets:
            cells = {(c.row, c.column): (c.value, c.number_format, c.font.b, c.font.i, c.fill.fgColor.rgb,
                                         tuple(getattr(c.border, e).style
                                               for e in ("left", "right", "top", "bottom")),
                                         c.alignment.horizontal, c.alignment.vertical)
                     for row in ws.iter_rows() for c in row}
            out[ws.title] = (cells, sorted(str(m) for m in ws.merged_cells.ranges), ws.freeze_panes,
                             ws.auto_filter.ref)
        return out
    book = xlrd.open_workbook(path, formatting_info=True)
    out = {}
    for ws in book.sheets():
        cells = {}
        for r in range(ws.nrows):
            for c in range(ws.ncols):
                cell = ws.cell(r, c)
                xf = book.xf_list[cell.xf_index]
                font = book.font_list[xf.font_index]
                b = xf.border
                cells[r, c] = (cell.ctype, cell.value, book.format_map[xf.format_key].format_str,
                               font.bold, font.italic, xf.background.pattern_colour_index,
                               (b.left_line_style, b.right_line_style, b.top_line_style,
                                b.bottom_line_style),
                               xf.alignment.hor_align, xf.alignment.vert_align)
        out[ws.name] = (cells, sorted(ws.merged_cells), (ws.horz_split_pos, ws.vert_split_pos))
    return out


@pytest.mark.parametrize("ext", [".xlsx", ".xls"])
def test_engine_columns_at_once_read_back_as_cell_by_cell(tmp_path, monkeypatch, ext):
    """The engine writes a frame's columns a column at a time and an index's runs of
    cells as one; the file reads back exactly as when every cell pandas formats is
    written one by one."""
    from tablirex import _pandas

    def save(path):
        with pd.ExcelWriter(path, engine="tablirex", datetime_format="DD.MM.YYYY HH:MM:SS",
                            date_format="YYYY/MM/DD", engine_kwargs={"autofilter": True}) as writer:
            for i, (df, kwargs) in enumerate(_LAYOUTS):
                df.to_excel(writer, sheet_name="S%d" % i, **kwargs)
            writer._write_cells(_styled_cells(), "Cells", startrow=1)

    seen = []
    recognise = _pandas._frame_formatter
    monkeypatch.setattr(_pandas, "_frame_formatter", lambda cells: seen.append(recognise(cells)) or seen[-1])
    monkeypatch.setattr(_pandas, "_BLOCK", 3)  # columns in blocks of rows, several here
    fast = str(tmp_path / ("fast" + ext))
    save(fast)
    assert len(seen) == len(_LAYOUTS) + 1 and all(seen[:-1]) and seen[-1] is None
    monkeypatch.setattr(_pandas, "_frame_formatter", lambda cells: None)

    def one_by_one(sheet, row, col, values, fmt, style):
        for r, value in enumerate(values, row):
            _pandas._format(sheet.cell(r, col), style, fmt)
            sheet.write(r, col, value)

    monkeypatch.setattr(_pandas, "_write_run", one_by_one)
    each = str(tmp_path / ("each" + ext))
    save(each)
    got, want = _read_back(fast), _read_back(each)
    assert list(got) == list(want)
    for name in want:
        assert got[name][1:] == want[name][1:], name
        assert got[name][0] == want[name][0], name
    assert want["S6"][1]  # the merged labels are there to compare
    with pytest.raises(ValueError, match="timezones"):
        pd.DataFrame({"t": pd.date_range("2026", periods=2, tz="UTC")}).to_excel(
            str(tmp_path / ("tz" + ext)), engine="tablirex")
