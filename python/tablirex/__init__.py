"""Spreadsheet workbooks built in memory and saved as binary .xls files
(Excel 97 or Excel 5) or as HTML pages.

    import tablirex
    book = tablirex.Workbook()
    sheet = book.sheets.add("Data")
    sheet["A1"].value = "Hello"
    book.save("hello.xls")

See help(tablirex.Workbook), help(tablirex.Sheet) and help(tablirex.Range).
"""
from tablirex._core import (  # noqa: F401
    MAX_COL,
    MAX_ROW,
    Border,
    Borders,
    Error,
    FormulaError,
    Font,
    Interior,
    PageSetup,
    Range,
    RangeError,
    SaveError,
    Sheet,
    Sheets,
    Workbook,
)

__all__ = [
    "Workbook", "Sheets", "Sheet", "Range", "Font", "Interior", "Borders", "Border",
    "PageSetup", "Error", "RangeError", "FormulaError", "SaveError", "MAX_ROW", "MAX_COL",
]

from tablirex._core import DataSet  # noqa: E402,F401
from tablirex._frames import Rows, as_dataset  # noqa: E402,F401

__all__ += ["DataSet", "Rows", "as_dataset"]
