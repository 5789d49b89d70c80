"""DataFrames and query results to .xls: the dataset exporter (write_frame) with
its options and events, and the pandas engine.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/frames.py [OUT_DIR]
"""
import os
import sqlite3
import sys

import numpy as np
import pandas as pd

import tablirex  # before or after pandas: the engine "tablirex" is there

out = sys.argv[1] if len(sys.argv) > 1 else "."
df = pd.DataFrame({
    "id": np.arange(1, 101),
    "price": np.round(np.random.default_rng(1).uniform(1, 100, 100), 2),
    "in_stock": np.arange(100) % 3 != 0,
    "added": pd.date_range("2026-01-01", periods=100, freq="6H"),
    "name": ["item %03d" % i for i in range(100)],
})
df.loc[5, "price"] = np.nan  # an empty cell


def flag_expensive(cell, record, field_index, field_name):
    # Runs after every detail cell: prices above 90 in red.
    if field_name == "price" and (cell.value or 0) > 90:
        cell.font.color = "red"


n = tablirex.write_frame(df, os.path.join(out, "frame.xls"), sheet_name="Items",
                         header_font={"name": "Arial", "size": 10, "bold": True},
                         header_color="silver", header_border_style="thin",
                         freeze_header=True, autofit=True,
                         rows_per_sheet=60, after_detail_cell=flag_expensive)
print("write_frame: %d records over two sheets" % n)

con = sqlite3.connect(":memory:")
con.execute("create table t (city text, day text, visitors integer)")
con.executemany("insert into t values (?, ?, ?)",
                [("Oslo", "2026-01-01", 120), ("Lima", "2026-01-01", 80), ("Oslo", "2026-01-02", None)])
tablirex.write_frame(con.execute("select * from t"), os.path.join(out, "query.xls"))

with pd.ExcelWriter(os.path.join(out, "engine.xls"), engine="tablirex") as writer:
    df.to_excel(writer, sheet_name="All", index=False, freeze_panes=(1, 0))
    df.describe().to_excel(writer, sheet_name="Summary", float_format="%.2f")
print("wrote frame.xls, query.xls and engine.xls in", out)
