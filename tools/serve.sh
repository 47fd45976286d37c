#!/usr/bin/env bash
# Builds the game service and runs it in the foreground on 127.0.0.1:8080
# (SQLite and the mail outbox under var/). Further options go to the server:
#   tools/serve.sh --listen 0.0.0.0:8080 --database postgresql://kortix@db/kortix
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc 2>/dev/null || echo 2)" --target kortix-server >/dev/null
exec build/default/server/kortix-server "$@"
