"""Helpers shared by the interop tests: run `tablirex build` on a script held
as a Python dict, and parse the text of `tablirex dump`."""
import csv
import json
import os
import re
import subprocess
import tempfile
import unittest

TOOL = os.environ.get("TABLIREX")


def require_tool():
    if not TOOL:
        raise unittest.SkipTest("TABLIREX not set (run through ctest)")


class Workdir:
    """A temporary directory removed when the test ends."""

    def __init__(self, test):
        """test: a test case, or a test class in setUpClass."""
        self.tmp = tempfile.TemporaryDirectory(prefix="tablirex_")
        if isinstance(test, type):
            test.addClassCleanup(self.tmp.cleanup)
        else:
            test.addCleanup(self.tmp.cleanup)
        self.path = self.tmp.name

    def __call__(self, *parts):
        return os.path.join(self.path, *parts)


def build(workdir, script, name="script.json"):
    """Writes the script and runs `tablirex build` in the work directory.
    Returns the finished process (stdout and stderr as text)."""
    path = os.path.join(workdir.path, name)
    with open(path, "w", encoding="utf-8") as f:
        json.dump(script, f, ensure_ascii=False)
    return subprocess.run([TOOL, "build", name], cwd=workdir.path, capture_output=True,
                          text=True, encoding="utf-8", timeout=120)


def build_ok(workdir, script):
    """Runs a script that must succeed, saying nothing but the saves' warnings;
    returns the JSON lines it printed."""
    r = build(workdir, script)
    other = [line for line in r.stderr.splitlines() if not line.startswith("tablirex build: warning: ")]
    if r.returncode != 0 or other:
        raise AssertionError("build failed (%d): %s" % (r.returncode, r.stderr))
    return [json.loads(line) for line in r.stdout.splitlines() if line.strip()]


RECORD = re.compile(r"^  ([0-9a-f]{8})  ([0-9a-f]{4})  (\S+)\s+(\d+)$")
BODY = re.compile(r"^      ([0-9a-f]{4}):((?: [0-9a-f]{2})+)$")
STREAM = re.compile(r"^  (\S+)\s+(\d+) bytes  (mini|regular)$")


class Dump:
    """The parsed text of `tablirex dump`: streams as (name, size, mini) and
    records as dicts with offset, number, name, length and body (bytes)."""

    def __init__(self, text):
        self.streams, self.records = [], []
        section = None
        for line in text.splitlines():
            if line == "streams:":
                section = "streams"
            elif line.startswith("records of "):
                section = "records"
            elif not line:
                continue
            elif section == "streams":
                m = STREAM.match(line)
                assert m, line
                self.streams.append((m.group(1), int(m.group(2)), m.group(3) == "mini"))
            else:
                m = RECORD.match(line)
                if m:
                    self.records.append({"offset": int(m.group(1), 16), "number": int(m.group(2), 16),
                                         "name": m.group(3), "length": int(m.group(4)),
                                         "body": b""})
                    continue
                m = BODY.match(line)
                assert m and self.records, line
                rec = self.records[-1]
                assert int(m.group(1), 16) == len(rec["body"]), line
                rec["body"] += bytes(int(x, 16) for x in m.group(2).split())

    def substreams(self):
        """The records split at each BOF: [globals, sheet 1, sheet 2, ...]."""
        out = []
        for rec in self.records:
            if rec["name"] == "BOF":
                out.append([])
            out[-1].append(rec)
        return out


def dump(test, path, brief=False):
    args = [TOOL, "dump"] + (["--brief"] if brief else []) + [path]
    r = subprocess.run(args, capture_output=True, text=True, timeout=60)
    test.assertEqual(r.returncode, 0, r.stderr)
    return Dump(r.stdout)


CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"


TO_XLSX = "xlsx:Calc MS Excel 2007 XML"


def convert(workdir, paths, target, outdir):
    """Converts the workbooks at paths with LibreOffice in one run (its profile kept in
    workdir) to the filter target, into outdir; returns what LibreOffice printed."""
    r = subprocess.run(
        ["soffice", "-env:UserInstallation=file://" + workdir("profile"), "--headless", "--norestore",
         "--convert-to", target, "--outdir", outdir] + list(paths),
        capture_output=True, text=True, timeout=300)
    return r.stdout + r.stderr


def convert_to_csv(workdir, names):
    """Converts the workbooks named (inside workdir) to CSV, every sheet, in one
    LibreOffice run; returns ({csv file name: rows}, what LibreOffice printed)."""
    out = workdir("csv")
    said = convert(workdir, [workdir(n) for n in names], CSV_FILTER, out)
    sheets = {}
    for name in os.listdir(out) if os.path.isdir(out) else []:
        with open(os.path.join(out, name), newline="", encoding="utf-8") as f:
            sheets[name] = list(csv.reader(f))
    return sheets, said
