#!/usr/bin/env bash
# Makes the release twice, the second time from a fresh clone in another
# folder, and checks it: every artefact the same bytes both times; the
# packages' files, lintian and the service's unit; the programs start from
# the packages unpacked into an empty root; the Windows download runs under
# Wine; and the service, having imported the releases list, sends a player
# of an older build to the version page.
#
#   tools/release-tests.sh
#
# Needs what tools/release.sh needs, and lintian, systemd, wine, xvfb,
# xdotool, curl. Exit code: 0 when every check passed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work=$(mktemp -d /tmp/vilmar-release.XXXXXX)
failures=0
passes=0
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

check() {  # check STATUS DESCRIPTION
  if [ "$1" = 0 ]; then
    passes=$((passes + 1)); echo "ok   $2"
  else
    failures=$((failures + 1)); echo "FAIL $2"
  fi
}

# --- twice, in two folders ---------------------------------------------------

if ! tools/release.sh >"$work/first.log" 2>&1; then
  tail -n 30 "$work/first.log"; echo "release-tests: the release failed" >&2; exit 1
fi
git clone -q "$root" "$work/clone"
if ! "$work/clone/tools/release.sh" >"$work/second.log" 2>&1; then
  tail -n 30 "$work/second.log"; echo "release-tests: the release in a second folder failed" >&2; exit 1
fi
dist=$root/dist
version=$(sed -n 's/.*"version": "\([^"]*\)",$/\1/p' "$dist/releases.json" | head -n1)
diff "$dist/SHA256SUMS" "$work/clone/dist/SHA256SUMS" >"$work/sums.diff"
check $? "the same commit built in two folders gives the same bytes for every artefact"
[ -s "$work/sums.diff" ] && cat "$work/sums.diff"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS)
check $? "SHA256SUMS matches the artefacts"
for name in "VilmarPintkeeper-$version-windows.zip" "vilmar-pintkeeper_${version}_amd64.deb" \
            "vilmar-web-$version.tar.gz" "kortix-server_${version}_amd64.deb" releases.json; do
  [ -s "$dist/$name" ]
  check $? "dist/ holds $name"
done

# --- the packages --------------------------------------------------------------

game_deb=$dist/vilmar-pintkeeper_${version}_amd64.deb
server_deb=$dist/kortix-server_${version}_amd64.deb
dpkg-deb --contents "$game_deb" | awk '{print $6}' >"$work/game.files"
dpkg-deb --contents "$server_deb" | awk '{print $6}' >"$work/server.files"
for file in ./usr/games/vilmar-pintkeeper ./usr/share/applications/ ./usr/share/metainfo/ \
            ./usr/share/icons/hicolor/128x128/apps/vilmar-pintkeeper.png; do
  grep -q "^${file}" "$work/game.files"
  check $? "the game's package holds $file"
done
for file in ./usr/bin/kortix-server ./usr/share/kortix-server/templates/home.mustache \
            ./usr/share/kortix-server/migrations/ ./usr/share/kortix-server/static/style.css \
            ./lib/systemd/system/kortix-server.service ./etc/default/kortix-server; do
  grep -q "^${file}" "$work/server.files"
  check $? "the service's package holds $file"
done
[ "$(dpkg-deb --ctrl-tarfile "$server_deb" | tar -xO ./conffiles)" = /etc/default/kortix-server ]
check $? "the service's settings are a configuration file the package keeps"
if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags-from-file /dev/null "$game_deb" >"$work/lintian-game.txt" 2>&1
  check $? "lintian finds no error in the game's package"
  lintian --fail-on error "$server_deb" >"$work/lintian-server.txt" 2>&1
  check $? "lintian finds no error in the service's package"
  grep -h '^E:' "$work"/lintian-*.txt
fi

# Both unpacked into an empty root, where their programs start.
fresh=$work/root
dpkg-deb -x "$game_deb" "$fresh"
dpkg-deb -x "$server_deb" "$fresh"
[ "$("$fresh/usr/games/vilmar-pintkeeper" --version)" = "vilmar-pintkeeper $version" ]
check $? "the unpacked game tells its version"
[ "$("$fresh/usr/bin/kortix-server" --version)" = "kortix-server $version" ]
check $? "the unpacked service tells its version"

if command -v systemd-analyze >/dev/null; then
  mkdir -p "$fresh/usr/lib/systemd"
  cp -a /usr/lib/systemd/system "$fresh/usr/lib/systemd/"
  systemd-analyze verify --root="$fresh" /lib/systemd/system/kortix-server.service >"$work/verify.txt" 2>&1
  status=$?
  [ $status = 0 ] && [ ! -s "$work/verify.txt" ]
  check $? "systemd-analyze verify accepts the service's unit"
  cat "$work/verify.txt"
fi

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_http() {  # wait_http URL: up to 20 s
  for _ in $(seq 200); do curl -fs -o /dev/null "$1" && return 0; sleep 0.1; done
  return 1
}

# --- the Windows download under Wine ---------------------------------------------

if command -v wine >/dev/null && command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  mkdir -p "$work/windows"
  (cd "$work/windows" && unzip -q "$dist/VilmarPintkeeper-$version-windows.zip")
  for n in $(seq 150 199); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    break
  done
  export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  wineboot -i >/dev/null 2>&1
  wine "$work/windows/VilmarPintkeeper.exe" >/dev/null 2>&1 &
  game=$!
  pids+=("$game")
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --name '^Vilmar Pintkeeper$' 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ]
  check $? "the Windows download's program opens its window under Wine"
  [ -f "$work/windows/LASMIG.txt" ] && [ -f "$work/windows/README.txt" ] && [ -f "$work/windows/LICENSE.txt" ]
  check $? "the Windows download holds the Swedish and English read-me and the licence"
  [ -n "$window" ] && xdotool key --window "$window" alt+F4 >/dev/null 2>&1
  for _ in $(seq 100); do kill -0 "$game" 2>/dev/null || break; sleep 0.1; done
  wait "$game"
  check $? "it quits with Alt+F4 and exit code 0"
fi

# --- the service knows the releases ---------------------------------------------

# The simulator is built for the service at 127.0.0.1:$VILMAR_TEST_SERVICE_PORT.
cmake --build --preset default -j2 --target vilmar-sim-loopback kortix-server vilmar-buildfacts >"$work/build.log" 2>&1 ||
  { tail -n 20 "$work/build.log"; exit 1; }
port=$(sed -n 's/^VILMAR_TEST_SERVICE_PORT:STRING=//p' build/default/CMakeCache.txt)
sim=build/default/tests/vilmar-sim-loopback
var=$work/var
mkdir -p "$var"
"$fresh/usr/bin/kortix-server" --listen "127.0.0.1:$port" --var "$var" --share "$fresh/usr/share/kortix-server" \
  --downloads "$dist" --hash-cost minimal >"$work/server.log" 2>&1 &
pids+=($!)
wait_http "http://127.0.0.1:$port/"
check $? "the unpacked service starts and serves its front page"

# An older Linux build stands in as the previous release: the same program
# with one byte more, registered as version 0.1 from a list of its own.
unpacked_game=$fresh/usr/games/vilmar-pintkeeper
cp "$unpacked_game" "$work/previous-program"
printf '\0' >>"$work/previous-program"
{
  echo '{"version": "0.1", "programs": ['
  build/default/tools/vilmar-buildfacts --platform linux --version 0.1 --file "vilmar-pintkeeper_0.1_amd64.deb" \
    "$work/previous-program"
  echo ']}'
} >"$work/previous.json"
admin=("$fresh/usr/bin/kortix-server" --var "$var" --share "$fresh/usr/share/kortix-server")
"${admin[@]}" import-releases "$work/previous.json" >/dev/null && "${admin[@]}" import-releases "$dist/releases.json" >/dev/null
check $? "the service imports the previous and the new releases list"
[ "$("${admin[@]}" list-builds | grep -c ",$version,")" = 3 ]
check $? "it lists the three programs of the new release"

# A member joins on the web (the form wants its cross-site token).
jar=$work/cookies
token=$(curl -fs -c "$jar" "http://127.0.0.1:$port/registrera/" | sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p')
curl -fs -b "$jar" -o "$work/joined.html" --data-urlencode "csrf=$token" --data-urlencode "email=vilmar@example.se" \
  --data-urlencode "nick=Bartendern" --data-urlencode "password=hemligt1" --data-urlencode "password2=hemligt1" \
  --data-urlencode "rules=ja" "http://127.0.0.1:$port/registrera/"
grep -q "Välkommen" "$work/joined.html"
check $? "a member joins through the registration form"

printf '0 f1 tap\n20 space tap\n' >"$work/script.txt"
signin() {  # signin PROGRAM_FILE: the sign-in part of the simulator's trace
  "$sim" --trace --passes 2100 --input "$work/script.txt" --signin "vilmar@example.se:hemligt1" \
    --program-file "$1" | grep -o '"signin":{[^}]*}'
}
old=$(signin "$work/previous-program")
echo "     previous build: $old"
case "$old" in *'"result":0'*'"version":2'*) true ;; *) false ;; esac
check $? "a score from the previous release is taken and answered with the version line"
case "$old" in *'/version.asp?gameid='*) true ;; *) false ;; esac
check $? "and the game opens the version page"
new=$(signin "$unpacked_game")
echo "     new build: $new"
case "$new" in *'"pages":[]'*'"version":0'*) true ;; *) false ;; esac
check $? "a score from the new release gets no version line"
curl -fs "http://127.0.0.1:$port/ladda-ner/" | grep -q "/filer/VilmarPintkeeper-$version-windows.zip"
check $? "the download page links the newest Windows download"
curl -fs -o /dev/null "http://127.0.0.1:$port/filer/vilmar-web-$version.tar.gz"
check $? "and the service serves the downloads"

echo "release-tests: $passes passed, $failures failed"
[ "$failures" = 0 ]
