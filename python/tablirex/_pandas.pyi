# Types of tablirex._pandas: the pandas ExcelWriter engine "tablirex".
from typing import Any

from pandas import ExcelWriter

from tablirex._core import Sheet, Workbook

class TablirexWriter(ExcelWriter):
    @property
    def book(self) -> Workbook: ...
    @property
    def sheets(self) -> dict[str, Sheet]: ...
    def __init__(self, path: Any, engine: str | None = None, date_format: str | None = None,
                 datetime_format: str | None = None, mode: str = "w", storage_options: Any = None,
                 if_sheet_exists: str | None = None, engine_kwargs: dict[str, Any] | None = None,
                 **kwargs: Any) -> None: ...
