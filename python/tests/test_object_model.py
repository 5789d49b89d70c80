"""The object model from Python: values, formats and layout read back by xlrd, and
bad input refused with an exception and no file."""
import datetime
import decimal
import os
import struct

import pytest
import xlrd

import tablirex

D = datetime.date(2026, 12, 8)
DT = datetime.datetime(2026, 12, 8, 9, 30, 15)


def _xf_of(book, sheet, row, col):
    return book.xf_list[sheet.cell_xf_index(row, col)]


@pytest.mark.parametrize("biff", [8, 5])
def test_values_and_formats_round_trip(tmp_path, read_xls, biff):
    book = tablirex.Workbook()
    sheet = book.sheets.add("Data")
    sheet.range("A1:F1").value = ["text", 42, 2.5, decimal.Decimal("1.25"), D, DT]
    sheet["A2"].value = [["ünïcødé", None], [-7, "=SUM(B1:C1)*2"]]
    sheet["G1"] = True
    sheet.write(10, 3, "row 11, column D")
    head = sheet.range("A1:F1")
    head.font.bold = True
    head.font.italic = True
    head.font.size = 14
    head.font.name = "Courier New"
    head.font.color = "#FF0000"
    head.interior.color = (0, 0, 255)
    head.interior.pattern = "solid"
    head.borders["bottom"].line_style = "double"
    sheet["C1"].number_format = "0.000"
    sheet["E1"].number_format = "dd.mm.yyyy"
    sheet.range("B:B").column_width = 20
    sheet.range("3:3").row_height = 30
    sheet.range("A5:C6").merge()
    sheet["A5"].value = "merged"
    path = str(tmp_path / "values.xls")
    book.save(path, biff=biff)

    wb = read_xls(path)
    ws = wb.sheet_by_name("Data")
    assert ws.row_values(0)[:6] == ["text", 42.0, 2.5, 1.25, pytest.approx(46364.0),
                                    pytest.approx(46364.0 + (9 * 3600 + 30 * 60 + 15) / 86400)]
    assert xlrd.xldate_as_datetime(ws.cell_value(0, 5), wb.datemode) == DT
    assert ws.cell(0, 6).ctype == xlrd.XL_CELL_BOOLEAN and ws.cell_value(0, 6) == 1
    assert ws.row_values(1)[:2] == ["ünïcødé", ""]
    assert ws.cell_value(2, 0) == -7.0
    assert ws.cell(2, 1).ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_EMPTY)  # a formula cell
    assert ws.cell_value(10, 3) == "row 11, column D"

    font = wb.font_list[_xf_of(wb, ws, 0, 0).font_index]
    assert (font.bold, font.italic, font.height, font.name) == (1, 1, 280, "Courier New")
    assert wb.colour_map[font.colour_index] == (255, 0, 0)
    fill = _xf_of(wb, ws, 0, 1).background
    assert fill.fill_pattern == 1 and wb.colour_map[fill.pattern_colour_index] == (0, 0, 255)
    assert _xf_of(wb, ws, 0, 1).border.bottom_line_style == 6  # double
    assert wb.format_map[_xf_of(wb, ws, 0, 2).format_key].format_str == "0.000"
    assert wb.format_map[_xf_of(wb, ws, 0, 4).format_key].format_str == "dd.mm.yyyy"
    assert abs(ws.colinfo_map[1].width / 256 - 20) < 1  # characters, with the cell margin
    assert ws.rowinfo_map[2].height == 30 * 20
    assert (4, 6, 0, 3) in ws.merged_cells
    assert ws.cell_value(4, 0) == "merged"


def test_values_read_back_from_the_object_model():
    sheet = tablirex.Workbook().sheets.add()
    cases = [("text", "text"), (3, 3.0), (2.5, 2.5), (decimal.Decimal("0.1"), 0.1), (D, D),
             (DT, DT), (datetime.time(6, 0), datetime.datetime(1899, 12, 30, 6, 0)),
             (None, None), ("=A1+1", "=A1+1")]
    for i, (given, expected) in enumerate(cases):
        sheet.cell(i, 0).value = given
        assert sheet.cell(i, 0).value == expected, given
    assert sheet.range("A1:A2").value == [["text"], [3.0]]
    assert sheet.name == "Sheet1" and sheet.used_range.address == "A1:A9"


def _bitmap(path, width=4, height=3):
    row = bytes([0, 0, 255] * width) + b"\0" * ((4 - width * 3 % 4) % 4)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    path.write_bytes(header + info + pixels)
    return str(path)


def test_layout_protection_pictures_and_html(tmp_path, read_xls):
    book = tablirex.Workbook()
    first, second = book.sheets.add("One"), book.sheets.add("Two")
    assert [s.name for s in book.sheets] == ["One", "Two"] and book.sheets["Two"] == second
    first["A1"] = "x"
    first.freeze_panes(1, 2)
    first.zoom = 150
    setup = first.page_setup
    setup.orientation = "landscape"
    setup.paper_size = 9
    setup.print_area = "A1:D20"
    setup.print_title_rows = "1:2"
    setup.left_margin = 0.5
    setup.center_footer = "&P"
    setup.fit_to_pages_wide = 1
    assert (setup.orientation, setup.print_area, setup.print_title_rows) == (
        "landscape", "A1:D20", "$1:$2")
    first.protect("secret")
    with pytest.raises(ValueError):
        first.unprotect("wrong")
    assert first.protected
    book.protect()
    second.insert_picture("B2", _bitmap(tmp_path / "red.bmp"), x=2, y=1, scale_x=2)
    path = str(tmp_path / "layout.xls")
    book.save(path)
    wb = read_xls(path)
    ws = wb.sheet_by_name("One")
    assert ws.panes_are_frozen and (ws.horz_split_pos, ws.vert_split_pos) == (1, 2)
    assert ws.scl_mag_factor == 150
    with open(path, "rb") as f:
        assert b"\x1f\xf0" in f.read()  # the picture's bitmap in the drawing group

    html = tmp_path / "book.htm"
    book.save_html(str(html))
    assert html.exists() and (tmp_path / "book.files").is_dir()
    second.delete()
    with pytest.raises(tablirex.Error, match="deleted"):
        second["A1"].value = 1


def _formats_past_the_limit(sheet, then=None):
    for i in range(5000):
        try:
            sheet.cell(i + 1, 0).number_format = '0."x%d"' % i
        except tablirex.RangeError:
            if then is None:
                raise
            break
    then(sheet)


@pytest.mark.parametrize("action, error", [
    (lambda s: s.range("A0"), tablirex.RangeError),
    (lambda s: s.range("XFE1"), tablirex.RangeError),
    (lambda s: s.range("A1048577"), tablirex.RangeError),
    (lambda s: s.range("A1:"), tablirex.RangeError),
    (lambda s: s.cell(1048576, 0), tablirex.RangeError),
    (lambda s: s.range("A1").offset(-1, 0), tablirex.RangeError),
    (lambda s: s.__setitem__("A1", "=SUM(1;"), tablirex.FormulaError),
    (lambda s: s.__setitem__("A1", "=NOSUCHFUNCTION(1)"), tablirex.FormulaError),
    (lambda s: s.__setitem__("A1", "=ABS(1;2)"), tablirex.FormulaError),
    (lambda s: setattr(s.range("A1:B2"), "value", [[1, 2, 3]]), ValueError),
    (lambda s: setattr(s.range("A1:B2"), "value", [[1, 2], [3]]), ValueError),
    (lambda s: s.__setitem__("A1", float("nan")), ValueError),
    (lambda s: s.__setitem__("A1", object()), TypeError),
    (lambda s: s.__setitem__("A1", {1: 2}), TypeError),
    (lambda s: setattr(s, "name", "bad/name"), ValueError),
    (lambda s: setattr(s, "name", "x" * 32), ValueError),
    (lambda s: s.workbook.sheets.add("Sheet1"), ValueError),
    (lambda s: setattr(s["A1"].font, "color", "no such colour"), ValueError),
    (lambda s: setattr(s["A1"].borders, "line_style", "wavy"), ValueError),
    (lambda s: setattr(s["A1"], "horizontal_alignment", "middle"), ValueError),
    (lambda s: setattr(s, "zoom", 5), ValueError),
    (_formats_past_the_limit, tablirex.RangeError),
    (lambda s: _formats_past_the_limit(s, lambda t: t.write(0, 5, datetime.date(2026, 1, 2))), tablirex.RangeError),
    (lambda s: setattr(s.page_setup, "print_area", "A1:"), tablirex.RangeError),
    (lambda s: setattr(s.page_setup, "left_footer", "f" * 256), ValueError),
    (lambda s: setattr(s["A1"].font, "name", "F" * 32), tablirex.RangeError),
    (lambda s: s.insert_picture("A1", "/nonexistent.bmp"), tablirex.Error),
    (lambda s: s.workbook.save("x.xls", biff=7), ValueError),
    (lambda s: s["A1:A3"].format_like(tablirex.Workbook().sheets.add()["A1"]), ValueError),
])
def test_bad_input_raises(action, error):
    book = tablirex.Workbook()
    sheet = book.sheets.add()
    with pytest.raises(error):
        action(sheet)
    assert len(book.sheets) == 1 and sheet["A1"].value is None


@pytest.mark.parametrize("formula_or_path", ["unwritable", "=Nowhere!A1"])
def test_failed_save_raises_and_leaves_no_file(tmp_path, formula_or_path):
    book = tablirex.Workbook()
    sheet = book.sheets.add()
    path = tmp_path / "out.xls"
    if formula_or_path == "unwritable":
        path = tmp_path / "missing-folder" / "out.xls"
        sheet["A1"] = 1
    else:
        sheet["A1"] = formula_or_path
    with pytest.raises(tablirex.SaveError, match="cannot save"):
        book.save(str(path))
    assert os.listdir(path.parent if path.parent.exists() else tmp_path) == (
        [] if path.parent.exists() else [])
    with pytest.raises(tablirex.SaveError):
        book.save_html(str(tmp_path / "missing-folder" / "x" / "out.htm"))
