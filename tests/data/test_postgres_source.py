"""The PostgreSQL data source against a real server: starts a throwaway cluster,
runs the GoogleTests of tablirex_pg_tests with TABLIREX_PG_CONNINFO naming it, and
stops the cluster whatever happens. Without a server the test fails."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from pg_cluster import PgCluster  # noqa: E402


class PostgresSourceTest(unittest.TestCase):
    def test_gtests_against_server(self):
        binary_dir = os.environ.get("TABLIREX_BINARY_DIR")
        self.assertTrue(binary_dir, "TABLIREX_BINARY_DIR not set (run through ctest)")
        binary = os.path.join(binary_dir, "tests", "tablirex_pg_tests")
        self.assertTrue(os.access(binary, os.X_OK), binary + " is not built")
        with PgCluster() as pg:
            env = dict(os.environ, TABLIREX_PG_CONNINFO=pg.conninfo)
            run = subprocess.run([binary], env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True, timeout=300)
        if run.returncode != 0:
            print(run.stdout)
        self.assertEqual(run.returncode, 0, "tablirex_pg_tests failed")


if __name__ == "__main__":
    unittest.main()
