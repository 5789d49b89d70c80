"""The package's .xlsx saves: Workbook.save by the name, write_frame and the pandas
engine, read back by openpyxl and pandas; biff= still asks for an .xls file."""
import datetime
import warnings
import zipfile

import openpyxl
import pandas as pd
import pytest

import tablirex


def frame():
    return pd.DataFrame({"name": ["a", "b & c"], "amount": [1.5, -2.0],
                         "day": [datetime.datetime(2026, 1, 2), datetime.datetime(2026, 3, 4, 5, 6)]})


@pytest.mark.parametrize("save", [
    lambda df, p: tablirex.write_frame(df, p),
    lambda df, p: df.to_excel(p, engine="tablirex", index=False),
    lambda df, p: tablirex.write_frame(df, p, sheet_name="Data", freeze_header=True),
])
def test_frames_to_xlsx_read_back(tmp_path, save):
    path = str(tmp_path / "out.xlsx")
    save(frame(), path)
    assert zipfile.is_zipfile(path)
    back = pd.read_excel(path, engine="openpyxl")
    assert list(back.columns) == ["name", "amount", "day"]
    assert list(back["name"]) == ["a", "b & c"]
    assert list(back["amount"]) == [1.5, -2.0]
    assert list(back["day"]) == list(frame()["day"])


def test_workbook_save_by_name_and_biff(tmp_path, read_xls):
    book = tablirex.Workbook()
    sheet = book.sheets.add("S")
    sheet["A1"].value = "x" * 40000
    sheet["B1"].value = "=LEN(A1)"
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        book.save(tmp_path / "a.xlsx")
    assert any("cut to 32767" in str(w.message) for w in caught)
    s = openpyxl.load_workbook(tmp_path / "a.xlsx")["S"]
    assert (len(s["A1"].value), s["B1"].value) == (32767, "=LEN(A1)")
    with pytest.warns(tablirex.DataLossWarning, match="Excel 97 cell limit"):
        book.save(tmp_path / "b.xlsx", biff=8)  # an .xls file whatever the name
    assert not zipfile.is_zipfile(tmp_path / "b.xlsx")
    assert read_xls(str(tmp_path / "b.xlsx")).sheet_names() == ["S"]
    with pytest.raises(tablirex.SaveError, match="strict save"):
        book.save(tmp_path / "a.xlsx", strict=True)
