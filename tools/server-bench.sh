#!/usr/bin/env bash
# Measures the game service in one run (figures, not pass/fail):
#  1. the raw Argon2id verification rate of this machine (the baseline);
#  2. score submissions per second with a right password, and what one costs
#     in verifications (goal: at most 1.1);
#  3. top-list pages per second and their p99 latency at 64 connections on
#     SQLite (goals: at least 5000 per second, p99 at most 20 ms);
#  4. the same page's p99 while a flood of wrong passwords runs, from ever new
#     sender addresses, at ten times the verification capacity (goal: at most
#     50 ms);
#  5. the front page's p99 beside an idle baseline while 1,000 clients send
#     their request heads a byte a second (goal: at most 100 ms);
#  6. the service's peak memory during each kind of oversized or packed
#     request (goal: within 64 MiB of idle);
#  7. the front page's p99 while 64 registrations arrive at once;
#  8. how many of 120 parallel wrong passwords at one member from one address
#     are verified (goal: at most five);
#  9. ten members sending 100 right-password scores, ten at a time (goal: all
#     100 accepted).
# Needs wrk and python3. SECONDS_EACH (default 10) is the length of each measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${SECONDS_EACH:-10}
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target kortix-server kortix-bench-helper >/dev/null
server=build/default/server/kortix-server
helper=build/default/server/kortix-bench-helper
threads=$(nproc)

tmp=$(mktemp -d /tmp/kortix-bench.XXXXXX)
pid=
cleanup() {
  [ -z "$pid" ] || { kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; }
  rm -rf "$tmp"
}
trap cleanup EXIT

"$server" --listen 127.0.0.1:0 --var "$tmp" --trust-proxy >"$tmp/out" 2>/dev/null &
pid=$!
for _ in $(seq 50); do grep -q listening "$tmp/out" 2>/dev/null && break; sleep 0.1; done
base=$(sed -n 's/.*listening on //p' "$tmp/out")

# A member, joined through the form as a browser would.
page=$(curl -s -c "$tmp/jar" "$base/registrera/")
token=$(printf '%s' "$page" | sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p')
curl -s -b "$tmp/jar" -o /dev/null --data "csrf=$token&email=bench@example.se&nick=Bench&password=hemligt1&password2=hemligt1&rules=ja" "$base/registrera/"
curl -s -o /dev/null "$base$(grep -ho '/bekrafta/?t=[0-9a-f]*' "$tmp/outbox/"*.eml | head -n 1)"
for i in $(seq 1 30); do  # something on the lists
  curl -s -o /dev/null --data-binary "$("$helper" form bench@example.se hemligt1 $((i * 10)))" \
    -H 'X-Forwarded-For: 10.9.9.9' "$base/r0002.asp"
done

post_script() {  # $1: body file, $2: "random" for a new sender address on every request, $3: ms between requests
  cat <<LUA
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
local f = io.open("$1", "rb"); wrk.body = f:read("*a"); f:close()
local random = "$2" == "random"
math.randomseed(os.time())
request = function()
  if random then
    wrk.headers["X-Forwarded-For"] = "10." .. math.random(0, 255) .. "." .. math.random(0, 255) .. "." .. math.random(1, 254)
  end
  return wrk.format()
end
local pause = tonumber("${3:-0}")
if pause > 0 then delay = function() return pause end end
LUA
}
rate() { sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p' "$1"; }
p99() {  # in milliseconds
  awk '$1 == "99%" { v = $2; if (v ~ /us$/) { sub(/us/, "", v); v = v / 1000 } else if (v ~ /ms$/) { sub(/ms/, "", v) } else if (v ~ /s$/) { sub(/s/, "", v); v = v * 1000 } printf "%.2f", v }' "$1"
}

echo "== raw Argon2id verifications ($threads threads)"
verify=$("$helper" verify-rate "$seconds" "$threads")
echo "verifications/s: $verify"

echo "== score submissions with the right password"
"$helper" form bench@example.se hemligt1 5 >"$tmp/good.body"
post_script "$tmp/good.body" fixed >"$tmp/good.lua"
wrk -t2 -c"$((threads * 2))" -d"${seconds}s" -s "$tmp/good.lua" "$base/r0002.asp" >"$tmp/good.txt"
submissions=$(rate "$tmp/good.txt")
echo "submissions/s: $submissions"
awk -v v="$verify" -v s="$submissions" 'BEGIN { printf "verifications per submission: %.2f (goal <= 1.1)\n", v / s }'

echo "== top-list page at 64 connections"
wrk -t1 -c64 -d"${seconds}s" --latency "$base/topplista/" >"$tmp/page.txt"
echo "pages/s: $(rate "$tmp/page.txt") (goal >= 5000), p99: $(p99 "$tmp/page.txt") ms (goal <= 20)"

echo "== the same page under a flood of wrong passwords from ever new addresses"
"$helper" form bench@example.se wrong-password 5 >"$tmp/bad.body"
# 32 connections, each pausing so that together they post ten times what
# the machine can verify.
pause=$(awk -v v="$verify" 'BEGIN { printf "%d", 32 * 1000 / (11 * v) }')  # a tenth more: replies take time too
post_script "$tmp/bad.body" random "$pause" >"$tmp/bad.lua"
wrk -t1 -c32 -d"$((seconds + 2))s" -s "$tmp/bad.lua" "$base/r0002.asp" >"$tmp/flood.txt" &
flood=$!
sleep 1
wrk -t1 -c64 -d"${seconds}s" --latency "$base/topplista/" >"$tmp/page2.txt"
wait "$flood"
flood_rate=$(rate "$tmp/flood.txt")
awk -v f="$flood_rate" -v v="$verify" 'BEGIN { printf "flood: %.0f wrong passwords/s = %.1f times the verification capacity\n", f, f / v }'
echo "pages/s: $(rate "$tmp/page2.txt"), p99: $(p99 "$tmp/page2.txt") ms (goal <= 50)"

echo "== the front page, idle and while 1,000 slow clients hang"
port=${base##*:}
wrk -t1 -c8 -d"${seconds}s" --latency "$base/" >"$tmp/front-idle.txt"
tools/server-abuse.py slow "$port" 1000 "$((seconds + 4))" >"$tmp/slow.txt" &
slow=$!
for _ in $(seq 100); do grep -q "open:" "$tmp/slow.txt" 2>/dev/null && break; sleep 0.1; done
wrk -t1 -c8 -d"${seconds}s" --latency "$base/" >"$tmp/front-slow.txt"
wait "$slow"
cat "$tmp/slow.txt"
echo "idle:  pages/s: $(rate "$tmp/front-idle.txt"), p99: $(p99 "$tmp/front-idle.txt") ms"
echo "slow:  pages/s: $(rate "$tmp/front-slow.txt"), p99: $(p99 "$tmp/front-slow.txt") ms (goal <= 100)"

echo "== peak memory during oversized and packed requests"
tools/server-abuse.py oversized "$port" "$pid"

figures="python3 server/bench/figures.py $base $tmp $helper"
echo "== the front page while 64 registrations arrive at once"
wrk -t1 -c16 -d3s --latency "$base/" >"$tmp/idle.txt"
echo "idle: pages/s $(rate "$tmp/idle.txt"), p99 $(p99 "$tmp/idle.txt") ms"
wrk -t1 -c16 -d6s --latency "$base/" >"$tmp/reg.txt" &
pages=$!
sleep 0.5
$figures registrations 64
wait "$pages"
echo "during: pages/s $(rate "$tmp/reg.txt"), p99 $(p99 "$tmp/reg.txt") ms"

echo "== 120 parallel guesses at one member"
$figures guesses 120

echo "== a burst of honest players"
$figures burst
