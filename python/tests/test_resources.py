"""Memory and threads: no growth over many workbooks, and saves that let other
threads run."""
import gc
import sys
import threading
import time

import tablirex


def _rss_kib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS")


def test_no_growth_over_10000_workbooks(tmp_path):
    text = "".join(["te", "xt"])  # objects of their own, not interned constants
    number = float(len(text)) + 0.5
    values = [[1, text, number], [None, "=A1*2", "more"]]
    path = str(tmp_path / "w.xls")

    def one(i):
        book = tablirex.Workbook()
        sheet = book.sheets.add("S")
        rng = sheet.range("A1:C2")
        rng.value = values
        rng.font.bold = True
        rng.borders["top"].line_style = "continuous"
        sheet.page_setup.print_area = "A1:C2"
        if i % 10 == 0:
            book.save(path)
        try:
            sheet["A1"] = object()
        except TypeError:
            pass
        return rng.value

    refs = sys.getrefcount(values), sys.getrefcount(text), sys.getrefcount(number)
    for i in range(1000):  # warm-up: allocator pools, interned strings
        one(i)
    gc.collect()
    before = _rss_kib()
    for i in range(10000):
        one(i)
    gc.collect()
    grown = _rss_kib() - before
    assert grown < 4096, "RSS grew by %d KiB over 10000 workbooks" % grown
    assert (sys.getrefcount(values), sys.getrefcount(text), sys.getrefcount(number)) == refs


def test_other_threads_run_during_a_save(tmp_path):
    book = tablirex.Workbook()
    sheet = book.sheets.add()
    for block in range(60):
        sheet.range(block * 1000, 0, block * 1000 + 999, 9).value = [
            [float(r * 10 + c) for c in range(10)] for r in range(1000)]
    ticks = [0]
    stop = threading.Event()

    def ticker():
        while not stop.is_set():
            ticks[0] += 1

    thread = threading.Thread(target=ticker)
    thread.start()
    try:
        time.sleep(0.05)
        start, began = ticks[0], time.perf_counter()
        book.save(str(tmp_path / "big.xls"))
        during, took = ticks[0] - start, time.perf_counter() - began
    finally:
        stop.set()
        thread.join()
    assert took > 0.02, "the save was too quick to tell (%.3f s)" % took
    # Holding the GIL, the ticker would get at most a switch interval's share.
    assert during > 10000, "only %d ticks in a %.3f s save" % (during, took)
