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
    EXPORT_OPTIONS,
    MAX_COL,
    MAX_ROW,
    XLSX_MAX_COL,
    XLSX_MAX_ROW,
    Border,
    Borders,
    DataLossWarning,
    Error,
    FormulaError,
    Font,
    FormatCondition,
    Hyperlink,
    Interior,
    Name,
    Names,
    PageSetup,
    Range,
    RangeError,
    SaveError,
    Sheet,
    Sheets,
    Validation,
    Workbook,
    __version__,
)

__all__ = [
    "Workbook", "Sheets", "Sheet", "Range", "Font", "Interior", "Borders", "Border",
    "PageSetup", "Hyperlink", "Validation", "FormatCondition", "Names", "Name", "Error", "RangeError", "FormulaError", "SaveError", "DataLossWarning", "MAX_ROW", "MAX_COL", "XLSX_MAX_ROW", "XLSX_MAX_COL",
    "EXPORT_OPTIONS", "__version__",
]

from tablirex._core import DataSet  # noqa: E402,F401
from tablirex._frames import Rows, as_dataset, export_frame, write_frame  # noqa: E402,F401

__all__ += ["DataSet", "Rows", "as_dataset", "export_frame", "write_frame"]


def register_pandas_engine():
    """Registers the pandas ExcelWriter engine "tablirex" (.xlsx and .xls files), so that
    df.to_excel("out.xls", engine="tablirex") and
    pd.ExcelWriter("out.xls", engine="tablirex") work. Importing tablirex does this
    by itself, whether pandas is imported before or after it."""
    from tablirex import _pandas  # noqa: F401  (registers on import)


from tablirex import _pandas_hook  # noqa: E402

_pandas_hook.install()
del _pandas_hook

__all__ += ["register_pandas_engine"]

# The classes live in the extension module; help() and repr() name the package.
for _cls in (Workbook, Sheets, Sheet, Range, Font, Interior, Borders, Border, PageSetup, DataSet,
             Error, RangeError, FormulaError, SaveError, DataLossWarning):
    _cls.__module__ = "tablirex"
del _cls

from tablirex._core import Characters, DocumentProperties, Outline  # noqa: E402,F401

__all__ += ["DocumentProperties", "Outline", "Characters"]
for _cls in (Characters, DocumentProperties, Outline):
    _cls.__module__ = "tablirex"
del _cls
