#!/usr/bin/env bash
# The game service's tests against a real PostgreSQL: starts a throwaway
# server (initdb into a temporary folder as the postgres user, on a free
# port), runs the service's PostgreSQL cases in the release and sanitizer
# builds, and stops the server again. The SQLite cases run with the other
# unit tests; this script assumes the builds of tools/run-tests.sh exist.
# Last, the pages in a real browser (headless Chromium through Selenium).
set -euo pipefail
cd "$(dirname "$0")/.."

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
  echo "server-tests: PostgreSQL is not installed (apt-get install postgresql)" >&2
  exit 1
fi

tmp=$(mktemp -d /tmp/kortix-pg.XXXXXX)
chmod 755 "$tmp"
as_postgres() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
if [ "$(id -u)" = 0 ]; then chown postgres "$tmp"; fi
stop() {
  as_postgres "$pgbin/pg_ctl" -D "$tmp/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap stop EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_postgres "$pgbin/initdb" -D "$tmp/data" -A trust -U postgres --no-sync >"$tmp/initdb.log" 2>&1 ||
  { cat "$tmp/initdb.log"; exit 1; }
as_postgres "$pgbin/pg_ctl" -D "$tmp/data" -l "$tmp/server.log" -w -t 30 \
  -o "-p $port -k $tmp -c listen_addresses=127.0.0.1 -c max_connections=200" start >/dev/null ||
  { cat "$tmp/server.log"; exit 1; }
as_postgres "$pgbin/createdb" -h 127.0.0.1 -p "$port" -U postgres kortix_test
export KORTIX_TEST_POSTGRES="postgresql://postgres@127.0.0.1:$port/kortix_test"
echo "PostgreSQL $("$pgbin/postgres" --version | awk '{print $3}') on port $port"

jobs=$(nproc 2>/dev/null || echo 2)
for preset in ${KORTIX_PRESETS:-default asan}; do
  echo "== $preset: the service on PostgreSQL"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs" --target kortix-server kortix_tests kortix_http_tests kortix_e2e_tests kortix_fault_tests >/dev/null
  ctest --preset "$preset" -j"$jobs" -L kortix -R 'Postgres' -E 'PostgresRestart'
done

# Restarting the database disturbs every test on it: this one runs alone.
restart="$pgbin/pg_ctl -D $tmp/data -l $tmp/server.log -m fast -w restart"
if [ "$(id -u)" = 0 ]; then restart="runuser -u postgres -- $restart"; fi
export KORTIX_TEST_PG_RESTART="$restart >/dev/null"
echo "== the service while PostgreSQL restarts"
ctest --preset default -L kortix -R 'PostgresRestart' -V | grep -E '^[0-9]+: \[ +(OK|SKIPPED|FAILED) +\]|tests passed|Failure|Expected|Which is'


# The pages in a real browser.
if [ -x /usr/bin/chromium ] && [ -x /usr/bin/chromedriver ] && /usr/bin/python3 -c 'import selenium' 2>/dev/null; then
  echo "== the pages in headless Chromium"
  cmake --build --preset default --target kortix-server kortix-bench-helper >/dev/null
  /usr/bin/python3 server/tests/browser_test.py build/default/server/kortix-server \
    build/default/server/kortix-bench-helper
else
  echo "== the pages in a browser: skipped (needs chromium, chromium-driver, python3-selenium)"
fi
