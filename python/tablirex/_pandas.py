"""The pandas ExcelWriter engine "tablirex" for .xlsx and .xls files:

    df.to_excel("out.xlsx", engine="tablirex")
    df.to_excel("out.xls", engine="tablirex")
    with pd.ExcelWriter("out.xls", engine="tablirex") as writer:
        df1.to_excel(writer, sheet_name="One")
        df2.to_excel(writer, sheet_name="Two", startrow=2, index=False)

pandas decides what goes in every cell (index, header, float_format, na_rep, merged
index labels); this engine writes those cells and their styles through the object
model. A DataFrame's columns and index columns are taken from the frame pandas'
formatter holds and written a column at a time, with the values and formats the
formatter's cells of them would carry; everything else (a Styler's frame, header
cells, merged labels) goes cell by cell, runs of cells down a column that share a
style at once. The form follows the file's name (.xlsx, else Excel 97); engine_kwargs:
biff=8 or biff=5 saves Excel 97 or Excel 5 whatever the name; autofilter=True
puts filter drop-downs on the header row of every frame written (a pandas that
passes its own autofilter argument to the engine is followed as well).
"""
import os
import shutil
import tempfile

from pandas.io.excel._base import ExcelWriter
from pandas.io.excel._util import combine_kwargs, register_writer, validate_freeze_panes

from tablirex import _core

# pandas' border style names (the openpyxl vocabulary) as line style and weight.
_BORDERS = {
    "thin": ("continuous", "thin"), "medium": ("continuous", "medium"),
    "thick": ("continuous", "thick"), "hair": ("continuous", "hairline"),
    "dashed": ("dash", "thin"), "mediumDashed": ("dash", "medium"),
    "dotted": ("dot", "thin"), "double": ("double", "thin"),
    "dashDot": ("dash_dot", "thin"), "mediumDashDot": ("dash_dot", "medium"),
    "dashDotDot": ("dash_dot_dot", "thin"), "mediumDashDotDot": ("dash_dot_dot", "medium"),
    "slantDashDot": ("slant_dash_dot", "medium"),
}
_EDGES = ("left", "top", "right", "bottom")


def _color(value):
    if isinstance(value, dict):
        value = value.get("rgb")
    if isinstance(value, str) and len(value) in (6, 8) and not value.startswith("#"):
        return "#" + value[-6:]
    return value


def _apply_style(rng, style):
    """Applies the part of a pandas cell style (font, borders, alignment, number
    format, fill) that the object model holds."""
    font = style.get("font") or {}
    for key, attr in (("bold", "bold"), ("italic", "italic"), ("strike", "strikethrough")):
        if font.get(key) is not None:
            setattr(rng.font, attr, bool(font[key]))
    if font.get("underline"):
        rng.font.underline = "double" if font["underline"] == "double" else "single"
    if font.get("size"):
        rng.font.size = float(font["size"])
    if font.get("name"):
        rng.font.name = font["name"]
    if font.get("color"):
        rng.font.color = _color(font["color"])
    borders = style.get("borders") or {}
    for edge in _EDGES:
        b = borders.get(edge)
        name = b.get("style") if isinstance(b, dict) else b
        if name in _BORDERS:
            line, weight = _BORDERS[name]
            border = rng.borders[edge]
            border.line_style = line
            border.weight = weight
    align = style.get("alignment") or {}
    if align.get("horizontal") in ("general", "left", "center", "right", "fill", "justify",
                                   "distributed"):
        rng.horizontal_alignment = align["horizontal"]
    if align.get("vertical") in ("top", "center", "bottom", "justify", "distributed"):
        rng.vertical_alignment = align["vertical"]
    if align.get("wrap_text"):
        rng.wrap_text = True
    fmt = (style.get("number_format") or {}).get("format_code")
    if fmt:
        rng.number_format = fmt
    fill = style.get("fill") or {}
    color = fill.get("fgColor") or fill.get("start_color")
    if color:
        rng.interior.color = _color(color)
        rng.interior.pattern = "solid"


class TablirexWriter(ExcelWriter):
    _engine = "tablirex"
    _supported_extensions = (".xlsx", ".xls")

    def __init__(self, path, engine=None, date_format=None, datetime_format=None, mode="w",
                 storage_options=None, if_sheet_exists=None, engine_kwargs=None, **kwargs):
        engine_kwargs = combine_kwargs(engine_kwargs, kwargs)
        if mode == "a":
            raise ValueError("Append mode is not supported with the tablirex engine")
        biff = engine_kwargs.pop("biff", None)
        self._biff = None if biff is None else int(biff)
        # A path (not a buffer) ending in .xlsx gets the package unless biff asks otherwise.
        name = os.fsdecode(path).lower() if isinstance(path, (str, bytes, os.PathLike)) else ""
        self._xlsx = self._biff is None and name.endswith(".xlsx")
        self._autofilter = bool(engine_kwargs.pop("autofilter", False))
        if engine_kwargs:
            raise TypeError("unknown engine_kwargs for tablirex: %s" % ", ".join(engine_kwargs))
        if self._biff not in (None, 5, 8):
            raise ValueError("biff must be 8 (Excel 97) or 5 (Excel 5)")
        super().__init__(path, mode=mode, storage_options=storage_options,
                         if_sheet_exists=if_sheet_exists, date_format=date_format,
                         datetime_format=datetime_format)
        self._book = _core.Workbook()

    @property
    def book(self):
        """The tablirex.Workbook being written (for formatting beyond pandas')."""
        return self._book

    @property
    def sheets(self):
        """Sheet names to tablirex.Sheet objects."""
        return {sheet.name: sheet for sheet in self._book.sheets}

    def _save(self):
        if not len(self._book.sheets):
            return
        folder = tempfile.mkdtemp(prefix="tablirex-")
        try:
            path = os.path.join(folder, "book.xlsx" if self._xlsx else "book.xls")
            self._book.save(path, biff=self._biff)
            with open(path, "rb") as f:
                shutil.copyfileobj(f, self._handles.handle)
        finally:
            shutil.rmtree(folder, ignore_errors=True)

    def _write_cells(self, cells, sheet_name=None, startrow=0, startcol=0, freeze_panes=None,
                     autofilter=None, **kwargs):
        if autofilter is None:
            autofilter = self._autofilter
        sheet_name = self._get_sheet_name(sheet_name)
        sheets = self._book.sheets
        sheet = sheets[sheet_name] if sheet_name in sheets else sheets.add(sheet_name)
        if validate_freeze_panes(freeze_panes):
            sheet.freeze_panes(freeze_panes[0], freeze_panes[1])

        header = _Header()  # first row written and its columns: where the filter goes
        formatter = _frame_formatter(cells)
        body = []
        if formatter is not None:
            # pandas' formatter yields the header cells as ever; the frame's columns
            # (unstyled) and its index columns are written a column at a time.
            formatter._generate_body = lambda coloffset: body.append(
                (formatter.rowcounter, coloffset)) or iter(())
            if _KNOWN_ROWS:
                formatter._format_regular_rows = lambda: _regular_rows(formatter)
                formatter._format_hierarchical_rows = lambda: _hierarchical_rows(formatter)
        try:
            self._write_each(sheet, cells, startrow, startcol, header, formatter)
        finally:
            if formatter is not None:
                del formatter._generate_body
                formatter.__dict__.pop("_format_regular_rows", None)
                formatter.__dict__.pop("_format_hierarchical_rows", None)
        if body:
            row, col = body[0]
            self._write_columns(sheet, formatter, startrow + row, startcol + col, header)
        if autofilter and header.row is not None:
            sheet.range(header.row, header.first, header.row, header.last).auto_filter()

    def _write_each(self, sheet, cells, startrow, startcol, header, formatter=None):
        """Writes pandas' cells with their styles and merges; runs of cells down a
        column that share style and format (an index) are written as one, and so
        is a column of index values standing among the cells."""
        run = []
        for cell in cells:
            row, col = startrow + cell.row, startcol + cell.col
            if isinstance(cell, _IndexColumn):
                if run:
                    _flush(sheet, run)
                    run = []
                self._write_index(sheet, formatter, row, col, cell.values, header)
                continue
            header.note(row, col, col)
            value, fmt = self._value_with_fmt(cell.val)
            if value == "":
                value = None  # pandas' na_rep default: an empty cell
            if run and (col != run[-1][1] or row != run[-1][0] + 1 or fmt != run[-1][3]
                        or cell.style != run[-1][4]):
                _flush(sheet, run)
                run = []
            if cell.mergestart is not None and cell.mergeend is not None:
                rng = sheet.range(row, col, startrow + cell.mergestart, startcol + cell.mergeend)
                rng.merge()
                _format(rng, cell.style, fmt)
                sheet.write(row, col, value)
            else:
                run.append((row, col, value, fmt, cell.style))
        if run:
            _flush(sheet, run)

    def _write_index(self, sheet, formatter, row, col, index, header):
        """Writes the values of an index column down from row in header style, as
        pandas' cells of them would be written one by one."""
        import pandas as pd

        if not len(index):
            return
        header.note(row, col, col)
        values, formats = self._column_values(pd.Series(index, copy=False), formatter)
        style = formatter.header_style
        if formats is None:
            _write_run(sheet, row, col, values, None, style)
            return
        start = 0
        for i in range(1, len(values) + 1):
            if i == len(values) or formats[i] != formats[start]:
                _write_run(sheet, row + start, col, values[start:i], formats[start], style)
                start = i

    def _write_columns(self, sheet, formatter, row, col, header):
        """Writes the frame's columns below row from col on, a column at a time (a
        call per block of rows), with the values and number formats pandas' cells
        of them would carry."""
        df = formatter.df
        rows, cols = df.shape
        if not rows or not cols:
            return
        header.note(row, col, col + cols - 1)
        for j in range(cols):
            series = df.iloc[:, j]
            # In blocks of rows: the values in hand stay few whatever the frame's length.
            for top in range(0, rows, _BLOCK):
                values, formats = self._column_values(series.iloc[top:top + _BLOCK], formatter)
                at = row + top
                # Formats first, by runs of cells that share one.
                if formats is not None:
                    for first, last, fmt in _runs(formats):
                        sheet.range(at + first, col + j, at + last, col + j).number_format = fmt
                sheet.range(at, col + j, at + len(values) - 1, col + j).value = values

    def _column_values(self, series, formatter):
        """The cell values of a column and their number formats (None: none at all,
        else one per value), as pandas' formatter and _value_with_fmt make them."""
        import numpy as np
        from pandas import isna as pd_isna

        def one(v):
            value, fmt = self._value_with_fmt(formatter._format_value(v))
            return (None if value == "" else value), fmt

        dtype = series.dtype
        kind = dtype.kind if isinstance(dtype, np.dtype) else None
        values = formats = None
        if kind in ("i", "u", "b"):
            return series.to_numpy().tolist(), None
        if kind == "f":
            array = series.to_numpy()
            values = array.tolist()
            if formatter.float_format is not None:  # finite numbers only, as pandas
                form = formatter.float_format
                values = [float(form % v) if ok else v
                          for v, ok in zip(values, np.isfinite(array).tolist())]
            special = np.flatnonzero(~np.isfinite(array))  # NaN and infinities
        elif kind == "M":
            array = series.to_numpy()
            values = array.astype("datetime64[us]").tolist()
            special = np.flatnonzero(np.isnat(array))
            fmt = self._datetime_format  # pandas' Timestamps are datetimes
            if fmt:
                formats = [fmt] * len(values)
        elif kind == "O" or str(dtype) in ("category", "string"):
            from pandas.api.types import infer_dtype

            array = series.to_numpy(dtype=object)  # the values iterating would give
            if infer_dtype(array, skipna=True) == "string":
                values = array.tolist()
                special = np.flatnonzero(pd_isna(array))
                for i in special.tolist():
                    values[i] = None  # pandas' NA compares with nothing; set below
                if "" in values:
                    values = [None if v == "" else v for v in values]
        if values is None:
            # Any other kind of column: pandas' own conversions, value by value.
            pairs = [one(v) for v in series]
            values = [p[0] for p in pairs]
            formats = [p[1] for p in pairs]
            return values, (formats if any(formats) else None)
        # The missing values and infinities: pandas makes the same cell of each kind.
        array = array[special]
        kinds = [(pd_isna(array), np.nan)]
        if kind == "f":
            kinds += [(array == np.inf, np.inf), (array == -np.inf, -np.inf)]
        for mask, probe in kinds:
            at = special[mask].tolist()
            if not at:
                continue
            value, fmt = one(probe)
            for i in at:
                values[i] = value
            if formats is not None or fmt:
                formats = formats or [None] * len(values)
                for i in at:
                    formats[i] = fmt
        return values, formats


def _format(target, style, fmt):
    """A cell's style and number format, before its value: a date then finds its
    format and keeps it."""
    if style:
        _apply_style(target, style)
    if fmt:
        target.number_format = fmt


def _flush(sheet, run):
    row, col, _, fmt, style = run[0]
    _write_run(sheet, row, col, [cell[2] for cell in run], fmt, style)


def _write_run(sheet, row, col, values, fmt, style):
    """Writes values down a column from row on, the cells sharing number format
    and style, as writing them one by one would: each cell formatted and then its
    value. Along a longer run the cells between the first and the last take the
    format the first shows once the second is done (its bottom line then belongs
    to the cell below), and the side lines are drawn again down the run for the
    halves they take from the neighbours."""
    last = row + len(values) - 1
    if len(values) > 3 and (style or fmt):
        first = sheet.cell(row, col)
        _format(first, style, fmt)
        _format(sheet.cell(row + 1, col), style, fmt)
        sheet.range(row + 1, col, last - 1, col).format_like(first)
        _format(sheet.cell(last, col), style, fmt)
        borders = (style or {}).get("borders") or {}
        sides = {e: borders[e] for e in ("left", "right") if e in borders}
        if sides:
            _apply_style(sheet.range(row, col, last, col), {"borders": sides})
    elif style or fmt:
        for r, value in enumerate(values, row):
            _format(sheet.cell(r, col), style, fmt)
            sheet.write(r, col, value)
        return
    sheet.range(row, col, last, col).value = values


class _IndexColumn:
    """The values of an index column, in pandas' stream of cells where its cells
    would be: written there at once, in header style."""

    def __init__(self, row, col, values):
        self.row, self.col, self.values = row, col, values
        self.val = None  # pandas formats every cell's value on the way


def _regular_rows(formatter):
    """The cells pandas' formatter yields for the rows under a plain index, with
    the index values as one column."""
    from pandas import MultiIndex, PeriodIndex
    from pandas.io.formats.excel import ExcelCell

    f = formatter
    if f._has_aliases or f.header:
        f.rowcounter += 1
    coloffset = 0
    if f.index:
        label = f.index_label
        if label and _is_list(label):
            label = label[0]
        elif not (label and isinstance(label, str)):
            label = f.df.index.names[0]
        if isinstance(f.columns, MultiIndex):
            f.rowcounter += 1
        if label and f.header is not False:
            yield ExcelCell(f.rowcounter - 1, 0, label, f.header_style)
        values = f.df.index
        if isinstance(values, PeriodIndex):
            values = values.to_timestamp()
        yield _IndexColumn(f.rowcounter, 0, values)
        coloffset = 1
    yield from f._generate_body(coloffset)


def _hierarchical_rows(formatter):
    """The cells pandas' formatter yields for the rows under a MultiIndex: merged
    labels cell by cell, a level without merges (and every level when the labels
    are not merged) as one column."""
    import numpy as np
    from pandas import MultiIndex, Series
    from pandas.core.common import any_not_none
    from pandas.io.formats.excel import ExcelCell
    from pandas.io.formats.format import get_level_lengths

    f = formatter
    if f._has_aliases or f.header:
        f.rowcounter += 1
    col = 0
    if f.index:
        labels = f.df.index.names
        if f.index_label and _is_list(f.index_label):
            labels = f.index_label
        if isinstance(f.columns, MultiIndex) and f.merge_cells:
            f.rowcounter += 1
        if any_not_none(*labels) and f.header is not False:
            for i, name in enumerate(labels):
                yield ExcelCell(f.rowcounter - 1, i, name, f.header_style)
        if f.merge_cells:
            lengths = get_level_lengths(f.df.index.format(sparsify=True, adjoin=False, names=False))
            for spans, levels, codes in zip(lengths, f.df.index.levels, f.df.index.codes):
                values = levels.take(codes, allow_fill=levels._can_hold_na, fill_value=levels._na_value)
                if len(spans) == len(values):  # no label spans two rows
                    yield _IndexColumn(f.rowcounter, col, values)
                else:
                    for i, span in spans.items():
                        last = f.rowcounter + i + span - 1 if span > 1 else None
                        yield ExcelCell(f.rowcounter + i, col, values[i], f.header_style,
                                        last, None if last is None else col)
                col += 1
        else:
            for values in zip(*f.df.index):
                level = np.empty(len(values), dtype=object)
                level[:] = values  # the labels as they come, one by one
                yield _IndexColumn(f.rowcounter, col, Series(level, dtype=object))
                col += 1
    yield from f._generate_body(col)


def _is_list(value):
    import numpy as np
    from pandas import Index

    return isinstance(value, (list, tuple, np.ndarray, Index))


class _Header:
    """The first row cells are written to and the columns they span there."""

    def __init__(self):
        self.row = self.first = self.last = None

    def note(self, row, first, last):
        if self.row is None or row < self.row:
            self.row, self.first, self.last = row, first, last
        elif row == self.row:
            self.first, self.last = min(self.first, first), max(self.last, last)


def _runs(formats):
    """(first, last, format) of each run of equal formats, None left out."""
    start = 0
    for i in range(1, len(formats) + 1):
        if i == len(formats) or formats[i] != formats[start]:
            if formats[start]:
                yield start, i - 1, formats[start]
            start = i


def _known_rows():
    """True for the pandas whose rows under an index _regular_rows and
    _hierarchical_rows repeat."""
    import pandas

    return pandas.__version__.split(".")[:2] == ["1", "5"]


_KNOWN_ROWS = _known_rows()
_BLOCK = 1 << 16  # rows of a column written in one call


def _frame_formatter(cells):
    """pandas' formatter of a DataFrame (no Styler) when cells is its generator of
    formatted cells, not started yet; None for anything else (those cells are
    written one by one)."""
    frame = getattr(cells, "gi_frame", None)
    if frame is None:
        return None
    try:
        from pandas.io.formats.excel import ExcelFormatter
    except ImportError:
        return None
    import inspect

    if (cells.gi_code is not ExcelFormatter.get_formatted_cells.__code__
            or inspect.getgeneratorstate(cells) != inspect.GEN_CREATED):
        return None
    formatter = frame.f_locals.get("self")
    if type(formatter) is not ExcelFormatter or formatter.styler is not None:
        return None
    return formatter


register_writer(TablirexWriter)
