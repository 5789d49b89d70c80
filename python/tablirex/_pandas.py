"""The pandas ExcelWriter engine "tablirex" for .xlsx and .xls files:

    df.to_excel("out.xlsx", engine="tablirex")
    df.to_excel("out.xls", engine="tablirex")
    with pd.ExcelWriter("out.xls", engine="tablirex") as writer:
        df1.to_excel(writer, sheet_name="One")
        df2.to_excel(writer, sheet_name="Two", startrow=2, index=False)

pandas decides what goes in every cell (index, header, float_format, na_rep, merged
index labels); this engine writes those cells and their styles through the object
model. The form follows the file's name (.xlsx, else Excel 97); engine_kwargs:
biff=8 or biff=5 saves Excel 97 or Excel 5 whatever the name; autofilter=True
puts filter drop-downs on the header row of every frame written (a pandas that
passes its own autofilter argument to the engine is followed as well).
"""
import datetime
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

        formats = {}  # number formats of the date columns, set once per cell
        header = None  # first row written and its columns: where the filter goes
        for cell in cells:
            row, col = startrow + cell.row, startcol + cell.col
            if header is None or row < header[0]:
                header = [row, col, col]
            elif row == header[0]:
                header[1], header[2] = min(header[1], col), max(header[2], col)
            value, fmt = self._value_with_fmt(cell.val)
            if value == "":
                value = None  # pandas' na_rep default: an empty cell
            rng = None
            if cell.mergestart is not None and cell.mergeend is not None:
                rng = sheet.range(row, col, startrow + cell.mergestart, startcol + cell.mergeend)
                rng.merge()
            # Formats first: a date then finds its format and keeps it.
            if cell.style or fmt:
                target = rng or sheet.cell(row, col)
                if cell.style:
                    _apply_style(target, cell.style)
                if fmt:
                    target.number_format = formats.setdefault(fmt, fmt)
            sheet.write(row, col, value)  # texts beginning with "=" are formulas
        if autofilter and header is not None:
            sheet.range(header[0], header[1], header[0], header[2]).auto_filter()


register_writer(TablirexWriter)
