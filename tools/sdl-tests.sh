#!/usr/bin/env bash
# Runs the native game on a virtual X display with SDL's x11 video driver and
# its disk audio driver, and works it from outside: the opening frame against
# the simulator's at scale 1 and 3, a served mug in the recorded sound, the
# information dialog's text from the menu, keys typed into another window, a
# gamepad, a score sent to the reference server through the sign-in dialog,
# the ways to quit, and the dialogs and menus from the keyboard and the
# pointer (tools/native-ui-tests.py).
#
#   tools/sdl-tests.sh [--no-build] [--asan] [--screenshots DIR]
#
# --asan works the sanitizer build (build/asan) instead and leaves out the
# package. Leak checking is off there: the desktop's libraries (the D-Bus,
# Wayland and GL ones SDL opens) leave small leaks at exit, partly from
# modules already unloaded, which no suppression can name. The game's own
# parts are leak-checked by their unit tests.
#
# Needs xvfb, xdotool and imagemagick. --screenshots DIR also keeps pictures
# of the window with a menu and with each dialog open. Exit code: 0 when
# every check passed.

set -u

root=$(cd "$(dirname "$0")/.." && pwd)
preset=default
build=1
shots=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --asan) preset=asan ;;
    --screenshots) shots=$(realpath -m "$2"); shift ;;
    *) echo "usage: $0 [--no-build] [--asan] [--screenshots DIR]" >&2; exit 2 ;;
  esac
  shift
done
build_dir=$root/build/$preset
if [ $preset = asan ]; then
  export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

for tool in Xvfb xdotool import compare convert python3 cmake; do
  command -v "$tool" >/dev/null || { echo "sdl-tests: $tool is missing" >&2; exit 2; }
done

if [ $build = 1 ]; then
  log=$root/build/sdl-tests-build.log
  mkdir -p "$root/build"
  if ! (cd "$root" && cmake --preset $preset && cmake --build --preset $preset -j2 --target \
      vilmar-pintkeeper vilmar-pintkeeper-loopback vilmar-sdl-testaid vilmar-sim vilmar-infotext \
      vilmar-scoreserver) >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "sdl-tests: the build failed; the whole log is $log" >&2
    exit 2
  fi
fi

game=$build_dir/frontends/sdl/vilmar-pintkeeper
loopback_game=$build_dir/frontends/sdl/vilmar-pintkeeper-loopback
aid=$build_dir/tests/sdl/vilmar-sdl-testaid
sim=$build_dir/tools/vilmar-sim
infotext=$build_dir/tests/win32/vilmar-infotext
scoreserver=$build_dir/tools/scoreserver/vilmar-scoreserver
for file in "$game" "$loopback_game" "$aid" "$sim" "$infotext" "$scoreserver"; do
  [ -x "$file" ] || { echo "sdl-tests: $file is missing" >&2; exit 2; }
done

work=$build_dir/sdl-tests
rm -rf "$work"
mkdir -p "$work"
# The game keeps its settings here, never in the desktop's own folder.
export XDG_CONFIG_HOME=$work/config
[ -n "$shots" ] && mkdir -p "$shots"

# --- the display and the bookkeeping -----------------------------------------

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

# A free display number, chosen by the server itself.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "sdl-tests: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk
unset VILMAR_TEST_GAMEPAD

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok - $1"; }
not_ok() { failed=$((failed + 1)); echo "not ok - $1"; }
check() { if [ "$1" = 0 ]; then ok "$2"; else not_ok "$2"; fi; }

# start_game NAME [PROGRAM ARGS...]: sets game_pid and window; the sound goes
# to $work/NAME.raw, the dialogs' texts to $work/NAME.dialogs.
start_game() {
  local name=$1
  shift
  local program=$game
  if [ "${1:-}" = loopback ]; then program=$loopback_game; shift; fi
  SDL_DISKAUDIOFILE="$work/$name.raw" VILMAR_TEST_DIALOG_LOG="$work/$name.dialogs" \
    "$program" "$@" >"$work/$name.log" 2>&1 &
  game_pid=$!
  pids+=("$game_pid")
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$game_pid" --name '^Vilmar Pintkeeper$' 2>/dev/null | tail -n1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || return 1
  sleep 0.8  # a few ticks: the opening frame is drawn
  # SDL may make the window again for its renderer: take the one that stays.
  window=$(xdotool search --onlyvisible --pid "$game_pid" --name '^Vilmar Pintkeeper$' 2>/dev/null | tail -n1)
  [ -n "$window" ]
}

# wait_exit PID SECONDS: sets exit_code, or leaves it empty if still running.
wait_exit() {
  exit_code=""
  local i
  for i in $(seq $(($2 * 10))); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      exit_code=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}
stop_game() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; }

focus() { xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"; sleep 0.2; }
press() { xdotool key --delay 60 "$@"; sleep 0.2; }
# The pointer rests on its target a moment before the click, as a hand's
# would: ImGui takes a press together with the move onto the target as a
# press beside it.
click() { xdotool mousemove --window "$window" "$1" "$2"; sleep 0.15; xdotool click 1; sleep 0.4; }

# The frame part of a window's picture: the bottom 424*S x 300*S pixels.
frame_of() {  # WINDOW SCALE OUT
  import -window "$1" "$work/whole.png" || return 1
  local w=$((424 * $2)) h=$((300 * $2)) height
  height=$(identify -format '%h' "$work/whole.png")
  convert "$work/whole.png" -crop "${w}x${h}+0+$((height - h))" +repage "$3"
}
differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
shot() { [ -n "$shots" ] && import -window "$window" "$shots/$1.png"; return 0; }

# Menu positions at the user-interface scale of the windows here (1).
MENU_GAME_X=20 MENU_COMPETITION_X=70 MENU_CONNECT_X=140 MENU_Y=9
item_y() { echo $((31 + 17 * $1)); }

# --- the opening frame -----------------------------------------------------------

"$sim" --passes 3 --png-dir "$work/sim" --png-every 1 >/dev/null
opening=$(ls "$work/sim"/*.png | head -n1)
convert "$opening" -sample 300% "$work/opening-3.png"
convert "$opening" "$work/opening-1.png"

for scale in 1 3; do
  if start_game "opening-$scale" --scale "$scale"; then
    frame_of "$window" "$scale" "$work/native-$scale.png"
    diff=$(differing "$work/native-$scale.png" "$work/opening-$scale.png")
    size=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')
    [ "$diff" = 0 ]
    check $? "scale $scale: the opening screen is the simulator's opening frame, every pixel a ${scale}x$scale block ($diff pixels differ, window $size)"
    # The menu bar grows with the picture: 19 pixels at scales 1 and 2, 38 at 3 and 4.
    [ "$size" = "$((424 * scale))x$((300 * scale + 19 * ((scale + 1) / 2)))" ]
    check $? "scale $scale: the window is the frame and the menu bar ($size)"
    stop_game "$game_pid"
  else
    not_ok "scale $scale: the window appears"
  fi
done

# --- play and the sound of a mug ---------------------------------------------------

"$aid" wave 230 48000 2 "$work/mug.s16" || not_ok "the mug's sound converts"
sound_in() {  # RAW EXPECTED: the recording holds the start of the expected sound
  python3 - "$1" "$2" <<'PY'
import sys
recorded = open(sys.argv[1], "rb").read()
expected = open(sys.argv[2], "rb").read()[:8192]
sys.exit(0 if len(expected) == 8192 and expected in recorded else 1)
PY
}
if start_game play --scale 2; then
  focus "$window"
  press F1
  sleep 0.4
  press space
  sleep 1.2
  sound_in "$work/play.raw" "$work/mug.s16"
  check $? "F1 then Space launches a mug: the recorded sound holds the mug's sound"
  # A menu command opens the information dialog with its exact text.
  click $MENU_GAME_X $MENU_Y
  shot menu-spel
  click 40 "$(item_y 1)"
  shot dialog-information
  "$infotext" 0 | python3 -c 'import sys; t=sys.stdin.buffer.read().decode(); print("item 1000 " + t.replace("\\","\\\\").replace("\r","\\r").replace("\n","\\n"))' >"$work/expected-rules.txt"
  grep -qxF "open 129" "$work/play.dialogs" && grep -qxFf "$work/expected-rules.txt" "$work/play.dialogs"
  check $? "\"Spelregler\" opens the information dialog with the rules of play, exact"
  press Escape
  grep -qxF "end 129" "$work/play.dialogs"
  [ $? != 0 ]
  check $? "Escape does not close the information dialog"
  press Return
  grep -qxF "end 129" "$work/play.dialogs"
  check $? "Enter closes it (OK)"
  # "Avsluta (Alt-F4)" ends the program with 0.
  click $MENU_GAME_X $MENU_Y
  click 40 "$(item_y 3)"
  wait_exit "$game_pid" 10
  [ "$exit_code" = 0 ]
  check $? "\"Avsluta (Alt-F4)\" exits with code 0 (${exit_code:-still running})"
else
  not_ok "the window appears for play"
fi

# --- a resized window and web pages -----------------------------------------------

# SDL opens web pages with xdg-open: a stand-in records what it is asked.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "$@" >>"%s/pages.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
if PATH="$work/bin:$PATH" start_game resize --scale 1; then
  # 1000 x 700: twice the frame fits below the 19-pixel menu bar, centred.
  xdotool windowsize "$window" 1000 700
  sleep 0.8
  import -window "$window" "$work/whole.png"
  convert "$work/whole.png" -crop 848x600+76+59 +repage "$work/resized.png"
  convert "$work/opening-1.png" -sample 200% "$work/opening-2.png"
  diff=$(differing "$work/resized.png" "$work/opening-2.png")
  corner=$(convert "$work/whole.png" -crop 1x1+10+40 +repage -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]' info:)
  [ "$diff" = 0 ] && [ "$corner" = "0,0,0" ]
  check $? "a window resized to 1000x700 shows the frame twice as large, centred, black around ($diff pixels differ, border $corner)"
  focus "$window"
  click $MENU_CONNECT_X $MENU_Y
  click 160 "$(item_y 2)"  # "Surfa till Kortixsajten"
  click $MENU_CONNECT_X $MENU_Y
  click 160 "$(item_y 3)"  # "Besök Vilmars hemsida"
  sleep 0.5
  printf 'http://kortix.example/\nhttp://vilmar.example/\n' | cmp -s - "$work/pages.txt"
  check $? "the menu's web pages open in the browser ($(tr '\n' ' ' <"$work/pages.txt" 2>/dev/null))"
  stop_game "$game_pid"
else
  not_ok "the window appears for the resize test"
fi

# --- keys go to the window that has the focus --------------------------------------

if start_game unfocused --scale 1; then
  first_pid=$game_pid first_window=$window
  xdotool windowmove "$first_window" 0 0
  if start_game other --scale 1; then
    xdotool windowmove "$window" 600 0  # side by side: each picture stays visible
    sleep 0.3
    focus "$window"
    press F1
    sleep 0.3
    press space
    sleep 0.8
    frame_of "$first_window" 1 "$work/unfocused.png"
    frame_of "$window" 1 "$work/focused.png"
    [ "$(differing "$work/unfocused.png" "$work/opening-1.png")" = 0 ] &&
      [ "$(differing "$work/focused.png" "$work/opening-1.png")" != 0 ]
    check $? "keys typed into another window leave the game alone (the other window started its game)"
    stop_game "$game_pid"
  fi
  stop_game "$first_pid"
else
  not_ok "the window appears for the focus test"
fi

# --- a gamepad ----------------------------------------------------------------------

: >"$work/pad.txt"
export VILMAR_TEST_GAMEPAD=$work/pad.txt
if start_game pad --scale 1; then
  unset VILMAR_TEST_GAMEPAD
  focus "$window"
  # Pulled out and plugged in again while the game runs: it still works.
  echo unplug >>"$work/pad.txt"; sleep 0.3; echo plug >>"$work/pad.txt"; sleep 0.3
  echo "start 1" >>"$work/pad.txt"; sleep 0.2; echo "start 0" >>"$work/pad.txt"; sleep 0.5
  frame_of "$window" 1 "$work/pad-started.png"
  [ "$(differing "$work/pad-started.png" "$work/opening-1.png")" != 0 ]
  check $? "a pad plugged in again: its Start button starts a new game"
  echo "a 1" >>"$work/pad.txt"; sleep 0.2; echo "a 0" >>"$work/pad.txt"; sleep 1.2
  sound_in "$work/pad.raw" "$work/mug.s16"
  check $? "the pad's south button serves: the mug's sound is recorded"
  # The window's close box ends the program with 0.
  "$aid" close "$window"
  wait_exit "$game_pid" 10
  [ "$exit_code" = 0 ]
  check $? "closing the window exits with code 0 (${exit_code:-still running})"
else
  unset VILMAR_TEST_GAMEPAD
  not_ok "the window appears for the gamepad test"
fi

# --- quitting ------------------------------------------------------------------------

if start_game altf4 --scale 1; then
  focus "$window"
  press alt+F4
  wait_exit "$game_pid" 10
  [ "$exit_code" = 0 ]
  check $? "Alt+F4 exits with code 0 (${exit_code:-still running})"
fi

if start_game close-in-dialog --scale 1; then
  focus "$window"
  click $MENU_COMPETITION_X $MENU_Y
  click 90 "$(item_y 1)"  # "Om Kortix"
  "$aid" close "$window"
  sleep 0.5
  kill -0 "$game_pid" 2>/dev/null && grep -qxF "open 129" "$work/close-in-dialog.dialogs" &&
    ! grep -qxF "end 129" "$work/close-in-dialog.dialogs"
  still_open=$?
  press Return
  wait_exit "$game_pid" 10
  [ "$still_open" = 0 ] && [ "$exit_code" = 0 ]
  check $? "a close while a dialog is open waits for the dialog, then exits with 0 (${exit_code:-still running})"
fi

if start_game dialog-keys --scale 1; then
  focus "$window"
  click $MENU_CONNECT_X $MENU_Y
  click 160 "$(item_y 0)"  # the sign-in dialog
  press alt+F4
  grep -qxF "end 131" "$work/dialog-keys.dialogs" && kill -0 "$game_pid" 2>/dev/null
  check $? "Alt+F4 in the sign-in dialog closes the dialog (as \"Avbryt\"), not the game"
  click $MENU_GAME_X $MENU_Y
  click 40 "$(item_y 1)"  # the information dialog
  kill -TERM "$game_pid"
  wait_exit "$game_pid" 10
  [ "$exit_code" = 0 ]
  check $? "a termination signal ends the game with 0 even while a dialog is open (${exit_code:-still running})"
fi

# --- a score to the reference server -------------------------------------------------

test_port=$(sed -n 's/^VILMAR_SDL_TEST_SERVICE_PORT:STRING=//p' "$build_dir/CMakeCache.txt")
player="vilmar@example.se"
secret="hemligt"
# The loopback game knows only this one port; another run of these tests on
# the machine may hold it for a while.
for attempt in $(seq 60); do
  "$scoreserver" --port "$test_port" --user "$player" --password "$secret" --reply 0 \
    --requests 2 --lifetime 120 --record "$work/scores.txt" >"$work/scoreserver.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 50); do grep -q '^port \|cannot' "$work/scoreserver.log" && break; sleep 0.1; done
  grep -qx "port $test_port" "$work/scoreserver.log" && break
  wait "$server_pid" 2>/dev/null
  sleep 1
done
pids+=("$server_pid")
if ! grep -qx "port $test_port" "$work/scoreserver.log"; then
  not_ok "the reference server listens on 127.0.0.1:$test_port"
elif start_game signin loopback --scale 1; then
  focus "$window"
  click $MENU_CONNECT_X $MENU_Y
  shot menu-koppla-upp
  click 160 "$(item_y 0)"  # "Registrera high-score": the opening game counts as over
  grep -qxF "caption Registrera din poäng (0)" "$work/signin.dialogs"
  check $? "\"Registrera high-score\" opens the sign-in dialog for the best score 0"
  xdotool type --delay 40 "$player"
  press Tab
  xdotool type --delay 40 "$secret"
  sleep 0.3
  shot dialog-sign-in
  press Return
  for _ in $(seq 100); do grep -q '^verdict=' "$work/scores.txt" 2>/dev/null && break; sleep 0.1; done
  grep -qx "password=match" "$work/scores.txt" && grep -q "$player" "$work/scores.txt" &&
    grep -qx "verdict=0" "$work/scores.txt"
  check $? "the sign-in dialog sends the score to the reference server with the typed entries"
  sleep 0.5
  grep -qxF "end 131" "$work/signin.dialogs"
  check $? "the accepted score closes the sign-in dialog"
  ! grep -q "$secret" "$work/signin.dialogs" "$work/signin.log"
  check $? "the password is written nowhere"
  press alt+F4
  wait_exit "$game_pid" 10
fi
stop_game "$server_pid"

# --- dialogs and menus as a player works them --------------------------------------

# Typing after Enter, the score's sending state, the keyboard in dialogs and
# menus, F11 twice, dialogs at scale 1, a resize under a dialog, the menu bar
# under the pointer: each a case of tools/native-ui-tests.py, on a display
# of its own.
if python3 "$root/tools/native-ui-tests.py" --build "$build_dir" ${shots:+--screenshots "$shots"} \
    >"$work/native-ui.log" 2>&1; then
  ok "dialogs and menus from the keyboard and the pointer ($(grep -c '\.\.\. ok$' "$work/native-ui.log") cases)"
else
  grep -E '(FAIL|ERROR)(:| )' "$work/native-ui.log" | sed 's/^/  /'
  not_ok "dialogs and menus from the keyboard and the pointer (details in $work/native-ui.log)"
fi

# --- the Debian package ---------------------------------------------------------------

if [ $preset = default ] && command -v cpack >/dev/null && command -v dpkg-deb >/dev/null; then
  rm -f "$build_dir"/vilmar-pintkeeper_*_amd64.deb
  (cd "$build_dir" && cpack -G DEB) >"$work/cpack.log" 2>&1
  deb=$(ls "$build_dir"/vilmar-pintkeeper_*_amd64.deb 2>/dev/null | head -n1)
  if [ -n "$deb" ]; then
    dpkg-deb --contents "$deb" | awk '{ print $6 }' >"$work/deb-files.txt"
    missing=""
    for file in ./usr/games/vilmar-pintkeeper ./usr/share/applications/example.vilmar.Pintkeeper.desktop \
        ./usr/share/metainfo/example.vilmar.Pintkeeper.metainfo.xml ./usr/share/man/man6/vilmar-pintkeeper.6.gz \
        ./usr/share/doc/vilmar-pintkeeper/copyright ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/vilmar-pintkeeper.png; do
      grep -qxF "$file" "$work/deb-files.txt" || missing="$missing $file"
    done
    [ -z "$missing" ]
    check $? "the package $(basename "$deb") holds the program in /usr/games, menu entry, AppStream data, manual and icons${missing:+ (missing:$missing)}"
    dpkg-deb --field "$deb" Depends | grep -q 'libsdl2' && dpkg-deb --field "$deb" Section | grep -qx games
    check $? "its dependencies are found from the program (libsdl2 among them), section games"
    if command -v lintian >/dev/null; then
      lintian --allow-root "$deb" >"$work/lintian.txt" 2>&1
      ! grep -qE '^(E|W):' "$work/lintian.txt"
      check $? "lintian finds no error or warning ($(grep -cE '^(E|W):' "$work/lintian.txt") found)"
    fi
    rm -rf "$work/root"
    dpkg-deb -x "$deb" "$work/root"
    [ "$("$work/root/usr/games/vilmar-pintkeeper" --version)" = "vilmar-pintkeeper $(dpkg-deb --field "$deb" Version)" ]
    check $? "the unpacked program tells its version"
    if game=$work/root/usr/games/vilmar-pintkeeper start_game installed --scale 1; then
      focus "$window"
      press alt+F4
      wait_exit "$game_pid" 10
      [ "$exit_code" = 0 ]
      check $? "the unpacked program opens its window and quits with 0"
    else
      not_ok "the unpacked program opens its window"
    fi
  else
    not_ok "cpack makes the package ($(tail -n1 "$work/cpack.log"))"
  fi
fi

if [ $preset = asan ]; then
  ! grep -lE 'AddressSanitizer|LeakSanitizer|runtime error' "$work"/*.log >"$work/sanitizer-reports.txt"
  check $? "no sanitizer report from any run of the game ($(tr '\n' ' ' <"$work/sanitizer-reports.txt"))"
fi

echo "details in $work"
echo "sdl-tests: $passed passed, $failed failed"
[ $failed = 0 ]
