# Types of tablirex._frames: the exporter's options and events as keyword
# arguments. ExportOptions is the one list of them (the extension's
# EXPORT_OPTIONS); a new option is one line there.
import os
from typing import Any, Callable, Iterable, Literal, Sequence, TypedDict, Union

from typing_extensions import Unpack

from tablirex._core import DataSet, Range, Sheet, Workbook

FontSpec = Union[str, dict[str, Any]]
Color = Union[str, tuple[int, int, int], int]
BorderStyle = Literal["none", "hair", "thin", "thick", "double"]

FT_UNKNOWN: int
FT_STRING: int
FT_SMALLINT: int
FT_INTEGER: int
FT_BOOLEAN: int
FT_FLOAT: int
FT_CURRENCY: int
FT_BCD: int
FT_DATE: int
FT_TIME: int
FT_DATETIME: int
FT_BLOB: int
FT_LARGEINT: int

class ExportOptions(TypedDict, total=False):
    # properties
    sheet_name: str
    start_row: int
    start_col: int
    rows_per_sheet: int
    file_format: int
    header_font: FontSpec
    detail_font: FontSpec
    header_color: Color
    detail_color: Color
    header_border_style: BorderStyle
    detail_border_style: BorderStyle
    header_border_color: Color
    detail_border_color: Color
    set_columns_width: bool
    allow_formulas: bool
    freeze_header: bool
    autofit: bool
    autofilter: bool
    hyperlinks: bool
    title: str
    # events
    after_header_cell: Callable[[Range, int, str], object]
    after_header: Callable[[Range], object]
    after_detail_cell: Callable[[Range, int, int, str], object]
    after_detail_row: Callable[[Range, int], object]
    after_detail: Callable[[Range], object]
    after_export: Callable[[Range], object]
    on_worksheet_create: Callable[[Sheet], object]

class Rows:
    columns: list[str]
    rows: Iterable[Sequence[Any]]
    def __init__(self, columns: Iterable[str], rows: Iterable[Sequence[Any]]) -> None: ...

def as_dataset(data: Any, *, index: bool = False) -> DataSet: ...
def export_frame(book: Workbook, data: Any, *, new_sheet: bool = True, row: int | None = None,
                 col: int | None = None, index: bool = False, **options: Unpack[ExportOptions]) -> int: ...
def write_frame(data: Any, path: Union[str, "os.PathLike[str]"], *, biff: Literal[5, 8] | None = None, index: bool = False,
                strict: bool = False, **options: Unpack[ExportOptions]) -> int: ...
