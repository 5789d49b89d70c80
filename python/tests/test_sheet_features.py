"""Document properties, hidden sheets, tab colours, outlines and rich text from
Python: saved and read back by xlrd and olefile, refusals raised."""
import datetime
import warnings

import olefile
import pytest

import tablirex


def test_features_round_trip(tmp_path, read_xls):
    book = tablirex.Workbook()
    data, lists = book.sheets.add("Data"), book.sheets.add("Lists")
    props = book.properties
    props.title, props.author, props.company = "Sales", "Finance", "ACME"
    props.created = datetime.datetime(2026, 1, 31, 8)
    data["A1"].value = "Total 2026"
    data["A1"].characters(7).font.bold = True
    data.range("A2:A5").value = [1, 2, 3, 4]
    data["2:4"].group()
    data["2:4"].show_detail = False
    data.tab_color = "red"
    lists.visible = "very_hidden"
    path = str(tmp_path / "f.xls")
    book.save(path)

    b = read_xls(path)
    assert [s.visibility for s in b.sheets()] == [0, 2]
    s = b.sheet_by_name("Data")
    runs = s.rich_text_runlist_map[(0, 0)]
    assert [p for p, _ in runs] == [0, 6] and b.font_list[runs[1][1]].weight == 700
    assert [(s.rowinfo_map[r].outline_level, s.rowinfo_map[r].hidden) for r in (1, 2, 3)] == [(1, 1)] * 3
    meta = olefile.OleFileIO(path).get_metadata()
    assert (meta.title, meta.author, meta.company) == (b"Sales", b"Finance", b"ACME")
    assert meta.create_time == datetime.datetime(2026, 1, 31, 8)
    assert (props.title, props.subject, props.created) == ("Sales", None, datetime.datetime(2026, 1, 31, 8))
    assert (data.tab_color, data.tab_color_index, data["2:4"].show_detail) == ("#FF0000", 3, False)
    assert data["A1"].characters(7).text == "2026"

    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        book.save(str(tmp_path / "f5.xls"), biff=5)
    assert [str(w.message) for w in caught] == ["sheet Data: tab colour left out"]
    with pytest.raises(tablirex.SaveError, match="tab colour"):
        book.save(str(tmp_path / "strict5.xls"), biff=5, strict=True)
    assert not (tmp_path / "strict5.xls").exists()


@pytest.mark.parametrize("action, error", [
    (lambda b, s: setattr(s, "visible", False), tablirex.Error),          # the only visible sheet
    (lambda b, s: setattr(s, "visible", "shown"), ValueError),
    (lambda b, s: s["A1:B2"].group(), tablirex.Error),                    # not whole rows or columns
    (lambda b, s: s["3:3"].ungroup(), tablirex.Error),
    (lambda b, s: s["3:3"].show_detail, tablirex.Error),
    (lambda b, s: s["A1"].characters(5), ValueError),                     # past the text "abc"
    (lambda b, s: s["A1"].characters(0), ValueError),
    (lambda b, s: setattr(b.properties, "title", "x" * 40000), ValueError),
    (lambda b, s: setattr(b.properties, "created", "2026-01-01"), TypeError),
    (lambda b, s: setattr(s, "tab_color_index", 57), ValueError),
    (lambda b, s: setattr(s.outline, "summary_row", "middle"), ValueError),
])
def test_refusals_raise(action, error):
    book = tablirex.Workbook()
    sheet = book.sheets.add("S")
    sheet["A1"].value = "abc"
    with pytest.raises(error):
        action(book, sheet)


def test_exporters_title_the_workbook(tmp_path):
    for kwargs, title in (({"sheet_name": "Orders"}, b"Orders"), ({"title": "Orders 2026"}, b"Orders 2026")):
        path = str(tmp_path / "t.xls")
        tablirex.write_frame(tablirex.Rows(["id"], [[1], [2]]), path, **kwargs)
        assert olefile.OleFileIO(path).get_metadata().title == title
