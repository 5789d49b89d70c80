"""Python data as datasets for the exporters: pandas DataFrames, DB-API cursors,
lists of dicts and lists of rows."""
from tablirex import _core

# Data type codes of fields (the exporters format numbers by them: 7 currency,
# 9 date, 10 time, 11 date and time).
FT_UNKNOWN, FT_STRING, FT_SMALLINT, FT_INTEGER, FT_BOOLEAN, FT_FLOAT = 0, 1, 2, 3, 5, 6
FT_CURRENCY, FT_BCD, FT_DATE, FT_TIME, FT_DATETIME, FT_BLOB, FT_LARGEINT = 7, 8, 9, 10, 11, 15, 25

# PostgreSQL type OIDs, as psycopg2 reports them in cursor.description.
_PG_TYPES = {
    16: FT_BOOLEAN, 20: FT_LARGEINT, 21: FT_SMALLINT, 23: FT_INTEGER, 26: FT_LARGEINT,
    700: FT_FLOAT, 701: FT_FLOAT, 790: FT_CURRENCY, 1700: FT_BCD,
    1082: FT_DATE, 1083: FT_TIME, 1266: FT_TIME, 1114: FT_DATETIME, 1184: FT_DATETIME,
    18: FT_STRING, 19: FT_STRING, 25: FT_STRING, 1042: FT_STRING, 1043: FT_STRING,
    17: FT_BLOB,
}


def _is_dataframe(data):
    return type(data).__name__ == "DataFrame" and hasattr(data, "dtypes")


def _frame_dataset(df, index):
    import numpy as np
    import pandas as pd

    if index:
        df = df.reset_index()
    ds = _core.DataSet()
    for name, series in df.items():
        dtype = series.dtype
        kind = getattr(dtype, "kind", "O")
        label = str(name)
        if isinstance(dtype, pd.CategoricalDtype):
            codes = series.cat.codes.to_numpy(dtype=np.int64)
            cats = list(series.cat.categories)
            ftype = _first_type(cats)
            ds.add_column(label, ftype, "category", codes, cats)
        elif isinstance(dtype, pd.DatetimeTZDtype):
            # Wall-clock times in the column's own zone.
            values = series.dt.tz_localize(None).to_numpy(dtype="datetime64[ns]").view(np.int64)
            ds.add_column(label, FT_DATETIME, "datetime_ns", values)
        elif kind == "M":
            values = series.to_numpy(dtype="datetime64[ns]").view(np.int64)
            ds.add_column(label, FT_DATETIME, "datetime_ns", values)
        elif kind == "m":
            # Durations as fractions of days, as spreadsheets count time.
            days = series.to_numpy(dtype="timedelta64[ns]").view(np.int64) / 86400e9
            days[series.isna().to_numpy()] = np.nan
            ds.add_column(label, FT_FLOAT, "float", days)
        elif isinstance(dtype, np.dtype) and kind == "b":
            ds.add_column(label, FT_BOOLEAN, "bool", series.to_numpy(dtype=bool))
        elif isinstance(dtype, np.dtype) and kind in "iu":
            size = dtype.itemsize
            ftype = FT_SMALLINT if size <= 2 else FT_INTEGER if size == 4 and kind == "i" else FT_LARGEINT
            if kind == "u" and size == 8:
                ds.add_column(label, ftype, "float", series.to_numpy(dtype=np.float64))
            else:
                ds.add_column(label, ftype, "int", series.to_numpy(dtype=np.int64))
        elif kind in "iuf":
            # Floats, and nullable integers with pd.NA, as floats with NaN for missing.
            ftype = FT_FLOAT if kind == "f" else FT_LARGEINT
            ds.add_column(label, ftype, "float", series.to_numpy(dtype=np.float64, na_value=np.nan))
        else:
            values = series.to_numpy(dtype=object).tolist()
            ds.add_column(label, _first_type(values), "object", values)
    ds.set_row_count(len(df))
    return ds


def _first_type(values):
    for v in values:
        t = _core.DataSet.type_of_value(v)
        if t != FT_UNKNOWN:
            return t
    return FT_UNKNOWN


def _rows_dataset(names, types, widths, rows):
    ds = _core.DataSet()
    for name, ftype, width in zip(names, types, widths):
        ds.add_row_field(str(name), ftype, width)
    ds.set_row_source(rows)
    ds.infer_row_types()
    return ds


def as_dataset(data, *, index=False):
    """The dataset the exporters read from `data`:

    - a pandas DataFrame: one field per column (with index=True the index first),
      types from the dtypes (int, float, bool, datetime64, timedelta as days,
      category, object/str by their first value); NaN, NaT, None and pd.NA are
      empty cells;
    - a DB-API cursor after execute(): names from cursor.description, types from its
      type codes where the driver gives them (psycopg2) and otherwise from the
      first value of each column; the rows are fetched while exporting, once;
    - a list (or other iterable) of dicts: the first dict's keys are the columns;
    - a list of rows (tuples or lists) with `columns` given through
      tablirex.Rows(columns, rows).
    """
    if isinstance(data, _core.DataSet):
        return data
    if _is_dataframe(data):
        return _frame_dataset(data, index)
    if isinstance(data, Rows):
        return _rows_dataset(data.columns, [FT_UNKNOWN] * len(data.columns), [0] * len(data.columns),
                             iter(data.rows))
    description = getattr(data, "description", None)
    if description is not None and hasattr(data, "fetchone"):
        names = [d[0] for d in description]
        types = [_PG_TYPES.get(d[1], FT_UNKNOWN) if isinstance(d[1], int) else FT_UNKNOWN
                 for d in description]
        widths = [d[2] if len(d) > 2 and isinstance(d[2], int) and 0 < d[2] < 256 else 0
                  for d in description]
        return _rows_dataset(names, types, widths, iter(data))
    if description is None and hasattr(data, "fetchone"):
        raise ValueError("the cursor has no result set (call execute() with a query first)")
    items = iter(data)
    first = next(items, None)
    if first is None:
        raise ValueError("no rows, so no column names: pass a DataFrame, a cursor or tablirex.Rows")
    if not isinstance(first, dict):
        raise TypeError("rows without column names: pass dicts, or tablirex.Rows(columns, rows)")
    names = list(first.keys())

    def rows():
        yield tuple(first.get(k) for k in names)
        for item in items:
            if not isinstance(item, dict):
                raise TypeError("every row must be a dict like the first one")
            yield tuple(item.get(k) for k in names)

    return _rows_dataset(names, [FT_UNKNOWN] * len(names), [0] * len(names), rows())


class Rows:
    """Rows (sequences of values) with their column names, for the exporters."""

    def __init__(self, columns, rows):
        self.columns = list(columns)
        self.rows = rows


# The exporter's properties, as the extension module names them.
_OPTIONS = _core.EXPORT_OPTIONS
_EVENTS = ("after_detail_cell", "after_header_cell", "after_detail_row", "after_header",
           "after_detail", "after_export", "on_worksheet_create")


def export_frame(book, data, *, new_sheet=True, row=None, col=None, index=False, **kwargs):
    """Exports `data` (see as_dataset) into the Workbook `book` with the dataset
    exporter: a header row of column names (header_font, bold Arial 10 at first),
    then one row per record; dates get "dd.mm.yyyy" (with " hh:mm:ss" when they
    carry a time), NaN/NaT/None leave cells empty. Returns the number of records.

    new_sheet: add a sheet for the export (sheet_name names it); otherwise continue
    on the sheet of the last export (the active sheet at first), below its used
    range unless row and col (zero-based) say where the header goes.

    Options: sheet_name, start_row, start_col (zero-based header position of a new
    sheet), rows_per_sheet (the last one-based row a sheet may fill; by default what
    a sheet of file_format holds: 65535 for 2, Excel 97, 1048576 for 4, .xlsx; more
    records go on to new sheets), file_format (1 Excel 5, 2 Excel 97, 3 HTML, 4 .xlsx), header_font / detail_font ("Arial,10,bold" or
    {"name", "size", "bold", "italic", "underline", "strikeout", "color"}),
    header_color / detail_color (fills), header_border_style / detail_border_style
    (none, hair, thin, thick, double), header_border_color / detail_border_color,
    set_columns_width (columns as wide as the fields' display widths, where the
    source knows them), allow_formulas (texts starting with "=" become formulas),
    freeze_header (the header row stays in view: a frozen pane below it on every
    sheet), autofit (each column as wide as its widest shown text, number formats
    applied and the header's bold counted, 2 to 80 characters),
    autofilter (filter drop-downs on the header row of every sheet),
    hyperlinks (texts that are whole http(s):// or mailto: addresses become links),
    title (the workbook's title when it has none yet; the first sheet's name at first).

    Events, optional callables run after each step with handles into the sheet:
    after_header_cell(cell, field_index, field_name), after_header(range),
    after_detail_cell(cell, record_number, field_index, field_name),
    after_detail_row(range, record_number), after_detail(range),
    after_export(range), on_worksheet_create(sheet). An exception raised by an
    event, or by reading the data, stops the export and is raised from here.
    """
    unknown = set(kwargs) - set(_OPTIONS) - set(_EVENTS)
    if unknown:
        raise TypeError("unknown option(s): %s" % ", ".join(sorted(unknown)))
    options = {k: v for k, v in kwargs.items() if k in _OPTIONS}
    events = {k: v for k, v in kwargs.items() if k in _EVENTS}
    dataset = as_dataset(data, index=index)
    if row is None or col is None:
        if new_sheet or not len(book.sheets):
            # A new sheet: the header goes to (start_row, start_col).
            row, col = options.get("start_row") or 0, options.get("start_col") or 0
        else:
            row, col = -1, -1
    return _core.export_dataset(book, dataset, new_sheet, row, col, options, events)


def write_frame(data, path, *, biff=None, index=False, strict=False, **kwargs):
    """Writes `data` (a pandas DataFrame, a DB-API cursor after execute(), a list of
    dicts, or tablirex.Rows) to a new .xlsx workbook for a name ending in .xlsx,
    HTML for a name ending in .htm or .html, else an .xls file (biff=8 Excel 97,
    the default, or biff=5 Excel 5; either gives an .xls file whatever the name). Takes the options and events
    of export_frame. Returns the number of records written.

    What the file cannot hold whole (a text longer than a cell holds, ...) is
    issued as tablirex.DataLossWarning; with strict=True it raises SaveError
    instead and writes nothing.

        tablirex.write_frame(df, "out.xls", sheet_name="Data",
                             header_font="Arial,10,bold", header_color="silver",
                             freeze_header=True, autofit=True)
    """
    book = _core.Workbook()
    count = export_frame(book, data, index=index, **kwargs)
    name = str(path).lower()
    if name.endswith(".htm") or name.endswith(".html"):
        book.save_html(path, strict=strict)
    else:
        book.save(path, biff=biff, strict=strict)
    return count
