#!/usr/bin/env bash
# Starts a throwaway PostgreSQL server for the database tests, listening on 127.0.0.1 on a
# free port, with its data in a new folder under /tmp, and prints the libpq connection string
# to use as KAVELTAR_TEST_PG (the only line on standard output).
#
#   conninfo=$(bash tests/db/start_test_postgres.sh)            # or: ... start
#   KAVELTAR_TEST_PG="$conninfo" ctest ...
#   bash tests/db/start_test_postgres.sh stop [FOLDER]
#
# stop without FOLDER stops the server this script started last. Run as root (as in CI) the
# server runs as the user "postgres" when it exists, else "nobody": PostgreSQL refuses to
# run as root. The server trusts local connections and skips fsync: it is for tests only.
# PG_BINDIR selects the server binaries (default: the newest /usr/lib/postgresql/*/bin);
# PG_USER, for root, the user that runs the server.
set -euo pipefail

state_file=/tmp/kaveltar-test-postgres.last

find_bindir() {
  if [[ -n "${PG_BINDIR:-}" ]]; then
    echo "$PG_BINDIR"
    return
  fi
  local dir
  dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
  if [[ -z "$dir" || ! -x "$dir/initdb" ]]; then
    echo "start_test_postgres: no PostgreSQL server binaries (initdb) found; set PG_BINDIR" >&2
    exit 1
  fi
  echo "$dir"
}

# Runs a command as the server's user.
as_owner() {
  local owner=$1
  shift
  if [[ "$owner" == "$(id -un)" ]]; then
    "$@"
  else
    runuser -u "$owner" -- "$@"
  fi
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

start() {
  local bindir owner folder port attempt
  bindir=$(find_bindir)
  owner=$(id -un)
  if [[ $(id -u) -eq 0 ]]; then
    if [[ -n "${PG_USER:-}" ]]; then
      owner=$PG_USER
    elif id postgres >/dev/null 2>&1; then
      owner=postgres
    else
      owner=nobody
    fi
  fi
  folder=$(mktemp -d /tmp/kaveltar-pg.XXXXXX)
  cd "$folder"  # the server user may not be able to enter the caller's folder
  chmod 700 "$folder"
  [[ "$owner" != "$(id -un)" ]] && chown "$owner" "$folder"
  echo "$owner" >"$folder/owner.txt"

  as_owner "$owner" "$bindir/initdb" -D "$folder/data" -U kaveltar_test -A trust -E UTF8 \
    --locale=C --no-sync >"$folder/initdb.log" 2>&1 || {
    echo "start_test_postgres: initdb failed:" >&2
    cat "$folder/initdb.log" >&2
    rm -rf "$folder"
    exit 1
  }

  # Another program may take the port between the check and the start: try a few.
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 40000))
    port_in_use "$port" && continue
    if as_owner "$owner" "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
      -o "-h 127.0.0.1 -p $port -k $folder -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
      start >/dev/null 2>&1; then
      echo "$port" >"$folder/port.txt"
      echo "$folder" >"$state_file"
      "$bindir/createdb" -h 127.0.0.1 -p "$port" -U kaveltar_test kaveltar_test >&2
      echo "start_test_postgres: server in $folder on port $port (stop: $0 stop $folder)" >&2
      echo "host=127.0.0.1 port=$port user=kaveltar_test dbname=kaveltar_test"
      return 0
    fi
  done
  echo "start_test_postgres: the server did not start:" >&2
  cat "$folder/server.log" >&2 2>/dev/null || true
  rm -rf "$folder"
  exit 1
}

stop() {
  local folder=${1:-}
  if [[ -z "$folder" && -f "$state_file" ]]; then folder=$(cat "$state_file"); fi
  if [[ -z "$folder" || ! -d "$folder" ]]; then
    echo "start_test_postgres: no test server to stop" >&2
    return 0
  fi
  case "$folder" in
    /tmp/kaveltar-pg.*) ;;
    *) echo "start_test_postgres: $folder is not a test server folder" >&2; exit 1 ;;
  esac
  local bindir owner
  bindir=$(find_bindir)
  owner=$(cat "$folder/owner.txt" 2>/dev/null || id -un)
  cd /tmp
  if [[ -f "$folder/data/postmaster.pid" ]]; then
    as_owner "$owner" "$bindir/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$folder"
  if [[ -f "$state_file" && "$(cat "$state_file")" == "$folder" ]]; then rm -f "$state_file"; fi
  echo "start_test_postgres: stopped and removed $folder" >&2
}

case "${1:-start}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  *) echo "usage: $0 [start | stop [FOLDER]]" >&2; exit 2 ;;
esac
