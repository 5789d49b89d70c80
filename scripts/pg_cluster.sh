#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for tests.
#
#   scripts/pg_cluster.sh start DIR   creates DIR (or takes an empty one), runs initdb
#                                     in DIR/data and starts the server listening on
#                                     a Unix socket in DIR only (no TCP); prints DIR,
#                                     the connection host, on stdout
#   scripts/pg_cluster.sh stop DIR    stops the server at once (pg_ctl -m immediate)
#                                     and removes DIR
#
# Connect with "host=DIR user=postgres dbname=postgres" (trust authentication: the
# socket is reachable by its owner only). initdb refuses to run as root, so as root
# the cluster is made and run by the "postgres" user, which must be able to reach
# DIR: give a directory below /tmp, e.g. from mktemp -d /tmp/tablirex-pg-XXXXXX.
# The server binaries are found in /usr/lib/postgresql/<newest>/bin unless
# PG_BINDIR says where they are. Messages go to stderr; a failure exits non-zero.
set -euo pipefail

die() {
  echo "pg_cluster: $*" >&2
  exit 1
}

[ $# -eq 2 ] || die "usage: $0 start|stop DIR"
action=$1
dir=$2
case "$dir" in
  /*) ;;
  *) dir="$(pwd)/$dir" ;;
esac
marker="$dir/.tablirex-pg-cluster"

bindir=${PG_BINDIR:-}
if [ -z "$bindir" ]; then
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
fi
# Commands run as the cluster's owner from "/", since the caller's working
# directory may be closed to that user.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u postgres -- "$@")
  else
    (cd / && "$@")
  fi
}

case "$action" in
  start)
    [ -n "$bindir" ] && [ -x "$bindir/initdb" ] && [ -x "$bindir/pg_ctl" ] ||
      die "no PostgreSQL server binaries (initdb, pg_ctl) in '${bindir:-/usr/lib/postgresql/*/bin}'; run scripts/setup.sh"
    mkdir -p "$dir"
    [ -z "$(ls -A "$dir")" ] || die "$dir is not empty"
    if [ "$(id -u)" -eq 0 ]; then
      id postgres >/dev/null 2>&1 || die "no 'postgres' user to run the server as root"
      chown postgres: "$dir"
    fi
    chmod 700 "$dir"
    as_owner test -w "$dir" ||
      die "the server's user cannot write to $dir (a parent directory is closed to it); use a directory below /tmp"
    touch "$marker"
    # A Unix socket path is limited to about 100 bytes.
    [ ${#dir} -le 80 ] || die "$dir is too long for a socket path"
    as_owner "$bindir/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C \
      --no-sync >"$dir/initdb.log" 2>&1 || {
      cat "$dir/initdb.log" >&2
      die "initdb failed"
    }
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 60 \
      -o "-k $dir -c listen_addresses='' -c fsync=off -c full_page_writes=off" \
      start >/dev/null 2>&1 || {
      cat "$dir/data/server.log" >&2 2>/dev/null || true
      die "the server did not start"
    }
    echo "$dir"
    ;;
  stop)
    [ -d "$dir" ] || exit 0
    if [ -f "$dir/data/postmaster.pid" ] && [ -n "$bindir" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    # Only a directory this script made is removed.
    [ -f "$marker" ] || die "$dir was not made by $0; left in place"
    rm -rf "$dir"
    ;;
  *)
    die "usage: $0 start|stop DIR"
    ;;
esac
