"""Hyperlinks, validations, conditional formats and names from Python: what
xlrd reads back, and refusals raised with the library's reason."""
import warnings

import pytest

import tablirex


def test_extras_round_trip_and_refusals(tmp_path, read_xls):
    book = tablirex.Workbook()
    sheet = book.sheets.add("Data")
    sheet["B1"] = 0.25
    rate = book.names.add("Rate", "=Data!$B$1")
    sheet.names.add("Local", "=$B$1")
    sheet["C1"] = "=Rate*4+Local"
    link = sheet.add_hyperlink("A1", "https://example.org/", text="Example", tip="Go")
    assert (link.address, link.text, link.range.address, len(sheet.hyperlinks)) == \
        ("https://example.org/", "Example", "A1", 1)
    sheet["D1:D5"].validation = tablirex.Validation("list", "Yes,No", input_message="Pick")
    assert (sheet["D3"].validation.type, sheet["D3"].validation.input_message) == ("list", "Pick")
    sheet["E1:E5"].add_validation("whole", "1", "9", operator="between", alert="warning")
    cond = sheet["B1:B5"].add_condition("cell", "0.1", operator="greater")
    cond.font.bold = True
    cond.interior.color = "red"
    assert [c.formula1 for c in sheet["B1:B5"].conditions] == ["=0.1"]
    assert [n.name for n in book.names] == ["Rate"] and rate.refers_to == "=Data!$B$1"

    with pytest.raises(tablirex.FormulaError, match='unknown name "Nope"'):
        sheet["A9"] = "=Nope*2"
    with pytest.raises(tablirex.Error, match="reads as a cell reference"):
        book.names.add("B2", "=1")
    with pytest.raises(tablirex.Error, match="at most 3 conditions"):
        for _ in range(3):
            sheet["B1:B5"].add_condition("cell", "1", operator="equal")
    with pytest.raises(ValueError, match="type must be one of"):
        tablirex.Validation("ranged")

    path = str(tmp_path / "x.xls")
    book.save(path)
    xls = read_xls(path)
    assert xls.name_map["rate"][0].result.text == "Data!$B$1"
    assert xls.sheet_by_name("Data").hyperlink_map[(0, 0)].url_or_path == "https://example.org/"
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        book.save(str(tmp_path / "x5.xls"), biff=5)
    assert any("hyperlink" in str(w.message) for w in caught)
    # A deleted name that a formula uses fails the save, naming the cell.
    del book.names["Rate"]
    with pytest.raises(tablirex.SaveError, match="Data!C1"):
        book.save(path)


def test_write_frame_makes_links_of_addresses(tmp_path, read_xls):
    path = str(tmp_path / "f.xls")
    rows = [{"url": "https://a.example/x", "mail": "mailto:x@example.org", "text": "http://not a link"}]
    tablirex.write_frame(rows, path, hyperlinks=True)
    links = read_xls(path).sheet_by_index(0).hyperlink_map
    assert sorted(links) == [(1, 0), (1, 1)]
