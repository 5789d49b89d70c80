"""DataFrames, cursors and lists of dicts to .xls, read back with pandas and xlrd."""
import datetime

import numpy as np
import pandas as pd
import pytest
import xlrd

import tablirex


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
                        date_format="DD.MM.YYYY") as writer:
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
    assert book.format_map[xf.format_key].format_str == "DD.MM.YYYY"
    assert book.font_list[book.xf_list[ws.cell_xf_index(0, 1)].font_index].bold  # header
