#!/usr/bin/env bash
# Builds the browser version and serves it on this machine: open the address
# it prints in a browser. With --score-port P a score sent from the game goes
# on to a score server on 127.0.0.1:P (for instance vilmar-scoreserver).
# Stop it with Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
port=8642
forward=()
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=$2; shift 2 ;;
    --score-port) forward=(--forward "$2"); shift 2 ;;
    *) echo "usage: tools/play-web.sh [--port P] [--score-port P]" >&2; exit 2 ;;
  esac
done
cmake --preset web >/dev/null
cmake --build --preset web -j2
echo "Vilmar Pintkeeper: http://127.0.0.1:$port/"
exec /usr/bin/python3 tools/web/siteserver.py --root build/web/site --port "$port" "${forward[@]}"
