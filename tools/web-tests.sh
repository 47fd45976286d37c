#!/usr/bin/env bash
# Builds the browser version (the web preset) and the native tools its tests
# compare with, then loads the site from a local server in headless Chromium
# and works it through Selenium (tools/web/webtests.py).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in emcc chromium chromedriver cmake; do
  command -v "$tool" >/dev/null || { echo "web-tests: $tool is missing" >&2; exit 2; }
done
/usr/bin/python3 -c 'import selenium' 2>/dev/null || { echo "web-tests: python3-selenium is missing" >&2; exit 2; }

mkdir -p build
log=build/web-tests-build.log
if ! { cmake --preset web && cmake --build --preset web -j2 &&
  { [ -f build/default/CMakeCache.txt ] || cmake --preset default; } &&
  cmake --build --preset default -j2 --target vilmar-sim vilmar-scoreserver vilmar-infotext; } >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "web-tests: the build failed; the whole log is $log" >&2
  exit 2
fi

exec /usr/bin/python3 tools/web/webtests.py
