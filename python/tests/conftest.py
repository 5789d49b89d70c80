"""Shared helpers of the package's tests: workbooks read back with xlrd."""
import os
import sys

import pytest

SOURCE_DIR = os.environ.get("TABLIREX_SOURCE_DIR",
                            os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests"))  # pg_cluster

# Under the sanitizer build the sanitizer runtime is preloaded into this interpreter;
# the programs the tests start (the PostgreSQL server) must not inherit it, but
# interpreters that import the package need it (see python_env).
_PRELOAD = os.environ.pop("LD_PRELOAD", None)


@pytest.fixture
def python_env():
    """The environment for a fresh interpreter that imports tablirex."""
    env = dict(os.environ)
    if _PRELOAD:
        env["LD_PRELOAD"] = _PRELOAD
    return env


@pytest.fixture
def read_xls():
    """Opens a saved workbook with xlrd, formats included."""
    import xlrd

    def read(path):
        return xlrd.open_workbook(path, formatting_info=True)

    return read


@pytest.fixture
def read_excel(monkeypatch):
    """pandas.read_excel(engine="xlrd") with Debian's xlrd 1.2, which pandas 1.5
    refuses by version number only: the .xls reading it needs is the same."""
    import pandas as pd
    from pandas.compat import _optional

    monkeypatch.setitem(_optional.VERSIONS, "xlrd", "1.2.0")

    def read(path, **kwargs):
        return pd.read_excel(path, engine="xlrd", **kwargs)

    return read
