"""Writing a 200,000 x 8 DataFrame to .xls: tablirex.write_frame (the dataset
exporter), the pandas engine "tablirex" and pandas' own engine "xlwt", side by side,
each in a fresh process, with its time and peak memory; with --xlsx the same to
.xlsx, against pandas' engines "xlsxwriter" and "openpyxl".

    PYTHONPATH=build/python /usr/bin/python3 bench/python_frame.py [--xlsx] [--rows N] [--only WRITER]

The frame: int, float, bool, datetime, three text columns drawing on 20,000
distinct values, and a float column with NaN in every fifth row. A sheet holds at
most 65536 rows, so every writer splits the rows over sheets of 50,000 records.
"""
import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

WRITERS = ("write_frame", "engine_tablirex", "engine_xlwt")
XLSX_WRITERS = ("write_frame", "engine_tablirex", "engine_xlsxwriter", "engine_openpyxl")
PER_SHEET = 50000


def make_frame(rows):
    import numpy as np
    import pandas as pd

    rng = np.random.default_rng(42)
    words = np.array(["value %05d" % i for i in range(20000)], dtype=object)
    nan_col = rng.normal(size=rows)
    nan_col[::5] = np.nan
    return pd.DataFrame({
        "id": np.arange(rows, dtype=np.int64),
        "amount": rng.uniform(0, 1e6, rows),
        "flag": rng.integers(0, 2, rows).astype(bool),
        "when": pd.Timestamp("2020-01-01") + pd.to_timedelta(rng.integers(0, 10**8, rows), unit="s"),
        "name": words[rng.integers(0, 20000, rows)],
        "city": words[rng.integers(0, 20000, rows)],
        "code": words[rng.integers(0, 20000, rows)],
        "score": nan_col,
    })


def rss_kib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def run_one(writer, rows, path):
    import pandas as pd
    import tablirex

    df = make_frame(rows)
    base = rss_kib()
    start = time.perf_counter()
    if writer == "write_frame":
        tablirex.write_frame(df, path, sheet_name="Data", rows_per_sheet=PER_SHEET + 1)
    else:
        engine = writer.split("_", 1)[1]
        with pd.ExcelWriter(path, engine=engine) as w:
            for i, first in enumerate(range(0, rows, PER_SHEET)):
                df.iloc[first:first + PER_SHEET].to_excel(w, sheet_name="Data%d" % (i + 1), index=False)
    took = time.perf_counter() - start
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    return {"writer": writer, "seconds": took, "peak_mib": peak / 1024,
            "frame_mib": base / 1024, "bytes": os.path.getsize(path)}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rows", type=int, default=200000)
    ap.add_argument("--xlsx", action="store_true", help="write .xlsx files")
    ap.add_argument("--only", choices=sorted(set(WRITERS + XLSX_WRITERS)))
    ap.add_argument("--child", choices=sorted(set(WRITERS + XLSX_WRITERS)), help=argparse.SUPPRESS)
    args = ap.parse_args()
    ext = ".xlsx" if args.xlsx else ".xls"
    if args.child:
        import warnings
        warnings.simplefilter("ignore")  # pandas' deprecation notice for xlwt
        with tempfile.TemporaryDirectory() as d:
            print(json.dumps(run_one(args.child, args.rows, os.path.join(d, "out" + ext))))
        return
    results = []
    for writer in [args.only] if args.only else (XLSX_WRITERS if args.xlsx else WRITERS):
        out = subprocess.run([sys.executable, __file__, "--child", writer, "--rows", str(args.rows)] +
                             (["--xlsx"] if args.xlsx else []),
                             check=True, stdout=subprocess.PIPE, text=True).stdout
        results.append(json.loads(out.strip().splitlines()[-1]))
    print("%d x 8 DataFrame to %s (%d records per sheet)" % (args.rows, ext, PER_SHEET))
    print("%-16s %9s %14s %13s %11s" % ("writer", "seconds", "peak RSS MiB", "frame MiB", "file MiB"))
    for r in results:
        print("%-16s %9.2f %14.0f %13.0f %11.1f" % (r["writer"], r["seconds"], r["peak_mib"],
                                                    r["frame_mib"], r["bytes"] / 2**20))
    by = {r["writer"]: r for r in results}
    for ours in ("write_frame", "engine_tablirex"):
        for other in ("engine_xlwt", "engine_xlsxwriter", "engine_openpyxl"):
            if ours in by and other in by:
                print("%s is %.1fx as fast as %s" % (ours, by[other]["seconds"] / by[ours]["seconds"], other))


if __name__ == "__main__":
    main()
