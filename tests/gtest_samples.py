"""Sample files written by a GoogleTest, for the interop tests to read back.

Some interop tests check files that a GoogleTest writes through the library's
internal API: the test binary is run with a filter and an environment variable
naming the directory to write into.
"""
import os
import subprocess
import tempfile
import unittest


def write_samples(test_filter, env_var, prefix):
    """Runs the GoogleTests matching test_filter with env_var set to a new temporary
    directory, and returns that directory (a TemporaryDirectory to clean up)."""
    binary_dir = os.environ.get("TABLIREX_BINARY_DIR")
    if not binary_dir:
        raise unittest.SkipTest("TABLIREX_BINARY_DIR not set (run through ctest)")
    tmp = tempfile.TemporaryDirectory(prefix=prefix)
    env = dict(os.environ, **{env_var: tmp.name})
    subprocess.run([os.path.join(binary_dir, "tests", "tablirex_tests"),
                    "--gtest_filter=" + test_filter],
                   env=env, check=True, stdout=subprocess.DEVNULL)
    return tmp


class SampleBooks:
    """Mixed into a test case over one sample workbook that a GoogleTest writes in
    each version: SAMPLES is (test filter, environment variable, directory prefix,
    file name with %d for the version); books maps each of VERSIONS to the file
    opened by xlrd with formatting information, and tmp is the directory."""
    VERSIONS = (8, 5)

    @classmethod
    def setUpClass(cls):
        import xlrd
        test_filter, env_var, prefix, name = cls.SAMPLES
        cls.tmp = write_samples(test_filter, env_var, prefix)
        cls.books = {v: xlrd.open_workbook(os.path.join(cls.tmp.name, name % v), formatting_info=True)
                     for v in cls.VERSIONS}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()
