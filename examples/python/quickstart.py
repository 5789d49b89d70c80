"""A formatted table with a formula, a merged title, frozen panes and print
settings, saved as Excel 97, Excel 5 and HTML.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/quickstart.py [OUT_DIR]
"""
import datetime
import os
import sys

import tablirex

out = sys.argv[1] if len(sys.argv) > 1 else "."
book = tablirex.Workbook()
sheet = book.sheets.add("Sales")

sheet["A1"] = "Sales by region"
title = sheet.range("A1:D1")
title.merge()
title.font.size = 14
title.font.bold = True
title.horizontal_alignment = "center"

sheet.range("A2:D2").value = ["Region", "Date", "Units", "Amount"]
sheet.range("A3:D5").value = [
    ["North", datetime.date(2026, 1, 5), 12, 1250.5],
    ["South", datetime.date(2026, 1, 6), 7, 830.0],
    ["West", datetime.datetime(2026, 1, 7, 14, 30), 3, None],
]
sheet["D6"] = "=SUM(D3:D5)"

header = sheet.range("A2:D2")
header.font.bold = True
header.interior.color = "silver"
header.interior.pattern = "solid"
header.borders["bottom"].line_style = "continuous"
header.borders["bottom"].weight = "medium"
sheet.range("B3:B5").number_format = "dd.mm.yyyy"
sheet.range("D3:D6").number_format = "#,##0.00"
sheet.range("D6").borders["top"].line_style = "double"
sheet.range("A:A").column_width = 14
sheet.range("B:B").column_width = 12

sheet.freeze_panes(2, 0)
setup = sheet.page_setup
setup.orientation = "landscape"
setup.print_title_rows = "1:2"
setup.center_footer = "Page &P of &N"

book.save(os.path.join(out, "quickstart.xls"))
book.save(os.path.join(out, "quickstart5.xls"), biff=5)
book.save_html(os.path.join(out, "quickstart.htm"))
print("wrote quickstart.xls, quickstart5.xls and quickstart.htm in", out)
