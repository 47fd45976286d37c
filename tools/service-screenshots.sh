#!/usr/bin/env bash
# Screenshots of the service's front page, registration page, a top list and
# the download page, on a desktop and a phone width, with a few members,
# scores and a release, into docs/service/.
# Needs chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset default --target kortix-server kortix-bench-helper >/dev/null
server=build/default/server/kortix-server
helper=build/default/server/kortix-bench-helper
tmp=$(mktemp -d /tmp/kortix-shots.XXXXXX)
pid=
cleanup() {
  [ -z "$pid" ] || { kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; }
  rm -rf "$tmp"
}
trap cleanup EXIT
# A release's files (their sizes as a real one's, roughly) registered before the start.
mkdir -p "$tmp/filer"
head -c 2400000 /dev/zero >"$tmp/filer/VilmarPintkeeper-1.0-windows.zip"
head -c 1900000 /dev/zero >"$tmp/filer/vilmar-pintkeeper_1.0_amd64.deb"
head -c 300000 /dev/zero >"$tmp/filer/vilmar-web-1.0.tar.gz"
"$server" --var "$tmp" add-build "$tmp/filer/VilmarPintkeeper-1.0-windows.zip" --platform windows --version 1.0 >/dev/null
"$server" --var "$tmp" add-build "$tmp/filer/vilmar-pintkeeper_1.0_amd64.deb" --platform linux --version 1.0 >/dev/null
"$server" --var "$tmp" add-build "$tmp/filer/vilmar-web-1.0.tar.gz" --platform web --version 1.0 >/dev/null
"$server" --listen 127.0.0.1:0 --var "$tmp" --hash-cost minimal --downloads "$tmp/filer" >"$tmp/out" 2>/dev/null &
pid=$!
for _ in $(seq 50); do grep -q listening "$tmp/out" 2>/dev/null && break; sleep 0.1; done
base=$(sed -n 's/.*listening on //p' "$tmp/out")

join() {  # email nick referrer
  local page token
  page=$(curl -s -c "$tmp/jar" "$base/registrera/")
  token=$(printf '%s' "$page" | sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p')
  curl -s -b "$tmp/jar" -o /dev/null --data-urlencode "csrf=$token" --data-urlencode "email=$1" \
    --data-urlencode "nick=$2" --data-urlencode "password=hemligt1" --data-urlencode "password2=hemligt1" \
    --data-urlencode "referrer=$3" --data "rules=ja" "$base/registrera/"
  # The address counts for the lists once the mailed link is followed.
  local mail link
  mail=$(grep -l "To: <$1>" "$tmp/outbox/"*.eml | head -n 1)
  link=$(grep -o '/bekrafta/?t=[0-9a-f]*' "$mail" | head -n 1)
  curl -s -o /dev/null "$base$link"
}
score() { curl -s -o /dev/null --data-binary "$("$helper" form "$1" hemligt1 "$2")" "$base/r0002.asp"; }

join anna@example.se "Anna Bartender" ""
join bosse@example.se "Bosse" "anna@example.se"
join cilla@example.se "Cilla från Kiruna" "anna@example.se"
join doris@example.se "Doris" "bosse@example.se"
join erik@example.se "Erik <3 öl" ""
score anna@example.se 3480; score bosse@example.se 2210; score cilla@example.se 4105
score doris@example.se 1290; score erik@example.se 640; score anna@example.se 3900

mkdir -p docs/service
shot() {  # file width height path
  chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --window-size="$2,$3" \
    --screenshot="docs/service/$1" "$base$4" >/dev/null 2>&1
}
shot front.png 1100 860 /
shot register.png 1100 1000 /registrera/
shot front-phone.png 400 1400 /
shot toplist.png 1100 700 /topplista/
shot toplist-phone.png 400 900 /topplista/
shot downloads.png 1100 800 /ladda-ner/
shot downloads-phone.png 400 1400 /ladda-ner/
echo "screenshots in docs/service/"
