"""A throwaway PostgreSQL cluster for tests, through scripts/pg_cluster.sh.

    with PgCluster() as pg:
        connect(pg.conninfo)      # "host=/tmp/tablirex-pg-... user=postgres dbname=postgres"

The cluster listens on a Unix socket in a new directory below /tmp (reachable by
the server's own user when the tests run as root) and is stopped and removed on
leaving the block, whatever happens. A machine without the server binaries raises
an error: the tests that need the server fail, they do not skip.
"""
import os
import subprocess
import tempfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts",
                      "pg_cluster.sh")


class PgCluster:
    def __init__(self):
        self.host = None

    @property
    def conninfo(self):
        return "host=%s user=postgres dbname=postgres" % self.host

    def __enter__(self):
        directory = tempfile.mkdtemp(prefix="tablirex-pg-", dir="/tmp")
        run = subprocess.run(["bash", SCRIPT, "start", directory], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
        if run.returncode != 0:
            self._stop(directory)
            raise RuntimeError("cannot start a PostgreSQL cluster:\n" + run.stderr)
        self.host = run.stdout.strip()
        return self

    def __exit__(self, *exc):
        self._stop(self.host)
        return False

    @staticmethod
    def _stop(directory):
        subprocess.run(["bash", SCRIPT, "stop", directory], check=False)
        try:  # the script leaves a directory it did not fill
            os.rmdir(directory)
        except OSError:
            pass
