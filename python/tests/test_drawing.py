"""Comments, pictures and the autofilter through the package."""
import os
import sys
import warnings

import pytest
import tablirex

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "drawing"))
import sample_images  # noqa: E402


def test_comments_pictures_and_filters(tmp_path, read_xls):
    book = tablirex.Workbook()
    book.comment_author = "Di"
    sheet = book.sheets.add("S")
    sheet["A1:B1"].value = [["name", "qty"]]
    sheet["B2"].comment = "two\nlines"
    sheet["B3"].add_comment("shown", visible=True)
    sheet["B3"].comment = None
    assert (sheet["B2"].comment, sheet["B3"].comment, book.comment_author) == ("two\nlines", None, "Di")
    with pytest.raises(tablirex.RangeError, match="one cell"):
        sheet["A1:B2"].comment = "x"
    png = tmp_path / "p.png"
    png.write_bytes(sample_images.png(20, 10))
    sheet.insert_picture(str(png), "D2", scale=2)
    sheet.insert_picture(sample_images.jpeg(16, 8), "D8")
    for bad, why in ((b"GIF89a", "not a PNG"), (sample_images.png(20, 10)[:-12], "cut short")):
        with pytest.raises(tablirex.Error, match=why):
            sheet.insert_picture(bad, "A1")
    sheet["A1:B1"].auto_filter()
    assert (sheet.picture_count, sheet.auto_filter_mode) == (2, True)
    path = str(tmp_path / "d.xls")
    book.save(path)
    ws = read_xls(path).sheet_by_name("S")
    assert {k: (n.text, n.author) for k, n in ws.cell_note_map.items()} == {(1, 1): ("two\nlines", "Di")}
    with pytest.warns(tablirex.DataLossWarning, match="PNG picture left out"):
        book.save(str(tmp_path / "d5.xls"), biff=5)
    with pytest.raises(tablirex.SaveError, match="strict"):
        book.save(str(tmp_path / "s5.xls"), biff=5, strict=True)
    sheet.auto_filter_mode = False
    with pytest.raises(ValueError, match="no autofilter"):
        sheet.auto_filter_mode = True


def test_frames_with_autofilter(tmp_path, read_xls):
    pd = pytest.importorskip("pandas")
    df = pd.DataFrame({"a": [1, 2, 3], "b": ["x", "y", "z"]})
    tablirex.write_frame(df, str(tmp_path / "f.xls"), autofilter=True)
    tablirex.register_pandas_engine()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with pd.ExcelWriter(str(tmp_path / "g.xls"), engine="tablirex", engine_kwargs={"autofilter": True}) as w:
            df.to_excel(w, sheet_name="G", startrow=1, index=False)
    for name, want in (("f.xls", "Sheet1!$A$1:$B$4"), ("g.xls", "G!$A$2:$B$5")):
        (n,) = read_xls(str(tmp_path / name)).name_obj_list
        assert (n.name, n.result.text) == ("_FilterDatabase", want)
