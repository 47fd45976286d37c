#!/usr/bin/python3
"""The native game on a virtual X display (SDL's x11 video and disk audio
drivers), worked from outside: the opening frame against the simulator's, a
served mug in the recorded sound, the information dialog, keys typed into
another window, a gamepad, a score sent to the reference server, the ways to
quit, and the Debian package. Needs xvfb, xdotool and imagemagick.

    tools/testing/sdltests.py [--asan] [--screenshots DIR]

--asan works the sanitizer build (build/asan) and leaves out the package.
Leak checking is off there: the desktop's libraries (the D-Bus, Wayland and
GL ones SDL opens) leave small leaks at exit, partly from modules already
unloaded, which no suppression can name; the game's own parts are
leak-checked by their unit tests."""

import os
import shutil
import signal
import subprocess
import sys

import harness
from harness import Picture, holds, wait_until

# Menu positions at the user-interface scale of the windows here (1).
MENU_GAME_X, MENU_COMPETITION_X, MENU_CONNECT_X, MENU_Y = 20, 70, 140, 9


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout.strip()


def read(path, default=""):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return default


def sound_in(recording, expected):
    """Whether the recording holds the start of the expected sound."""
    if not (os.path.exists(expected) and os.path.exists(recording)):
        return False
    start = open(expected, "rb").read(8192)
    return len(start) == 8192 and start in open(recording, "rb").read()


def read_to_end(pid, path):
    """Whether the process has read everything written to path so far."""
    try:
        for fd in os.listdir("/proc/%d/fd" % pid):
            if os.readlink("/proc/%d/fd/%s" % (pid, fd)) == path:
                with open("/proc/%d/fdinfo/%s" % (pid, fd)) as info:
                    return int(info.readline().split()[1]) >= os.path.getsize(path)
    except OSError:
        pass
    return False


def exited(code):
    return "still running" if code is None else code


class Game:
    """The program on the display: its sound goes to WORK/NAME.raw, its
    dialogs' texts to WORK/NAME.dialogs."""

    def __init__(self, case, name, *args, program=None, **env):
        self.case, self.window = case, None
        self.raw, self.dialogs = (os.path.join(case.work, name + suffix) for suffix in (".raw", ".dialogs"))
        env = dict(os.environ, SDL_DISKAUDIOFILE=self.raw, VILMAR_TEST_DIALOG_LOG=self.dialogs, **env)
        with open(os.path.join(case.work, name + ".log"), "w") as log:
            self.process = subprocess.Popen([program or case.game, *args], stdout=log, stderr=log, env=env)
        case.addCleanup(harness.stop, self.process)

    def appears(self, scale=1):
        """Waits for the window to show the opening frame: the first ticks
        have run and SDL, which may make the window again for its renderer,
        has settled on the one that stays."""
        def opening():
            found = xdotool("search", "--all", "--onlyvisible", "--pid", self.process.pid,
                            "--name", "^Vilmar Pintkeeper$").split()
            self.window = found[-1] if found else self.window
            return self.window and self.shows_opening(scale)
        wait_until(opening, 30, step=0.2)
        return self.window is not None

    def picture(self):
        return Picture.from_ppm(harness.output(["import", "-window", self.window, "-depth", "8", "ppm:-"]))

    def frame(self, scale=1):
        """The frame part of the window's picture: the bottom 424*S x 300*S pixels."""
        whole, w, h = self.picture(), harness.WIDTH * scale, harness.HEIGHT * scale
        return whole.crop(0, whole.height - h, w, h) if whole and whole.height >= h and whole.width >= w else None

    def shows_opening(self, scale=1):
        frame = self.frame(scale)
        return frame is not None and frame.differing(self.case.opening_at(scale)) == 0

    def focus(self):
        xdotool("windowfocus", "--sync", self.window)
        return wait_until(lambda: xdotool("getwindowfocus") == self.window, 10)

    def press(self, *keys):
        xdotool("key", "--delay", 60, *keys)

    def click(self, x, y):
        # The pointer rests on its target a moment before the click, as a
        # hand's would: ImGui takes a press together with the move onto the
        # target as a press beside it.
        xdotool("mousemove", "--window", self.window, x, y, "sleep", 0.15, "click", 1)

    def menu(self, x, item_x, item, shot=None):
        """Opens the pop-up at x, waits for it to be drawn, picks an item."""
        before = self.picture()
        self.click(x, MENU_Y)
        wait_until(lambda: before and (self.picture() or before).rgb != before.rgb, 10)
        if shot and self.case.shots:
            subprocess.run(["import", "-window", self.window, os.path.join(self.case.shots, shot + ".png")])
        self.click(item_x, 31 + 17 * item)

    def settled(self):
        """Waits for two pictures in a row to be the same: a dialog has had
        its first frames, which put the keyboard focus in its entry."""
        seen = []

        def same():
            seen.append(getattr(self.picture(), "rgb", None))
            return len(seen) > 1 and seen[-1] is not None and seen[-1] == seen[-2]
        return wait_until(same, 10)

    def logged(self, line, count=1, timeout=20):
        return wait_until(lambda: read(self.dialogs).splitlines().count(line) >= count, timeout)

    def exit_code(self):
        return harness.exit_code(self.process, 10)


class Native(harness.Checks):
    @classmethod
    def setUpClass(cls):
        cls.preset = "asan" if cls.options.asan else "default"
        cls.build = build = os.path.join(harness.ROOT, "build", cls.preset)
        cls.game, cls.loopback = (os.path.join(build, "frontends/sdl", name) for name in
                                  ("vilmar-pintkeeper", "vilmar-pintkeeper-loopback"))
        cls.aid, cls.sim, cls.infotext = (os.path.join(build, path) for path in (
            "tests/sdl/vilmar-sdl-testaid", "tools/vilmar-sim", "tests/win32/vilmar-infotext"))
        harness.SCORESERVER = os.path.join(build, "tools/scoreserver/vilmar-scoreserver")
        harness.require("Xvfb", "xdotool", "import", cls.game, cls.loopback, cls.aid, cls.sim, cls.infotext,
                        harness.SCORESERVER)
        if cls.options.asan:
            os.environ.update(ASAN_OPTIONS="detect_leaks=0", UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
        cls.work = os.path.join(build, "sdl-tests")
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        os.environ["XDG_CONFIG_HOME"] = os.path.join(cls.work, "config")  # never the desktop's settings
        cls.display = harness.VirtualDisplay(cls.work, "1600x1200x24")
        os.environ.update(SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="disk")
        os.environ.pop("VILMAR_TEST_GAMEPAD", None)
        png = os.path.join(cls.work, "sim/png")
        harness.simulate("", 3, os.path.dirname(png), png_every=1, sim=cls.sim)
        cls.scaled = {1: Picture.from_png(os.path.join(png, sorted(os.listdir(png))[0]))}
        cls.mug = os.path.join(cls.work, "mug.s16")
        cls.mug_converts = subprocess.run([cls.aid, "wave", "230", "48000", "2", cls.mug]).returncode == 0

    @classmethod
    def tearDownClass(cls):
        cls.display.stop()

    @classmethod
    def opening_at(cls, scale):
        if scale not in cls.scaled:
            cls.scaled[scale] = cls.scaled[1].scaled(scale)
        return cls.scaled[scale]

    def test_opening_frame_at_scales_1_and_3(self):
        for scale in (1, 3):
            game = Game(self, "opening-%d" % scale, "--scale", str(scale))
            if not game.appears(scale):
                self.check(False, "scale %d: the window appears" % scale)
                continue
            differ = game.frame(scale).differing(self.opening_at(scale))
            size = xdotool("getwindowgeometry", game.window).split("Geometry: ")[-1]
            self.check(differ == 0, "scale %d: the opening screen is the simulator's opening frame, every pixel a "
                       "%dx%d block (%d pixels differ, window %s)" % (scale, scale, scale, differ, size))
            # The menu bar grows with the picture: 19 pixels at scales 1 and 2, 38 at 3 and 4.
            expected = "%dx%d" % (424 * scale, 300 * scale + 19 * ((scale + 1) // 2))
            self.check(size == expected, "scale %d: the window is the frame and the menu bar (%s)" % (scale, size))
            harness.stop(game.process)

    def test_play_the_information_dialog_and_quitting_from_the_menu(self):
        if not self.mug_converts:
            self.check(False, "the mug's sound converts")
        game = Game(self, "play", "--scale", "2")
        if not game.appears(2):
            return self.check(False, "the window appears for play")
        game.focus()
        game.press("F1")
        wait_until(lambda: not game.shows_opening(2), 10)
        game.press("space")
        self.check(wait_until(lambda: sound_in(game.raw, self.mug), 10),
                   "F1 then Space launches a mug: the recorded sound holds the mug's sound")
        game.menu(MENU_GAME_X, 40, 1, shot="menu-spel")
        text = subprocess.run([self.infotext, "0"], capture_output=True).stdout.decode()
        rules = "item 1000 " + text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")
        self.check(game.logged("open 129") and game.logged(rules, timeout=5),
                   "\"Spelregler\" opens the information dialog with the rules of play, exact")
        if self.shots:
            subprocess.run(["import", "-window", game.window, os.path.join(self.shots, "dialog-information.png")])
        game.settled()
        game.press("Escape")
        self.check(holds(lambda: "end 129" not in read(game.dialogs), 1.0), "Escape does not close the information dialog")
        game.press("Return")
        self.check(game.logged("end 129"), "Enter closes it (OK)")
        game.menu(MENU_GAME_X, 40, 3)  # "Avsluta (Alt-F4)"
        code = game.exit_code()
        self.check(code == 0, "\"Avsluta (Alt-F4)\" exits with code 0 (%s)" % exited(code))

    def test_a_resized_window_and_web_pages(self):
        # SDL opens web pages with xdg-open: a stand-in records what it is asked.
        bin_dir, pages = os.path.join(self.work, "bin"), os.path.join(self.work, "pages.txt")
        os.makedirs(bin_dir, exist_ok=True)
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:
            f.write('#!/bin/sh\necho "$@" >>"%s"\n' % pages)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        game = Game(self, "resize", "--scale", "1", PATH=bin_dir + ":" + os.environ["PATH"])
        if not game.appears():
            return self.check(False, "the window appears for the resize test")
        # 1000 x 700: twice the frame fits below the 19-pixel menu bar, centred.
        xdotool("windowsize", game.window, 1000, 700)
        seen = {}

        def resized():
            whole = game.picture()
            if whole and (whole.width, whole.height) == (1000, 700):
                seen.update(differ=whole.crop(76, 59, 848, 600).differing(self.opening_at(2)),
                            corner=",".join(str(c) for c in whole.crop(10, 40, 1, 1).rgb))
            return seen.get("differ") == 0 and seen["corner"] == "0,0,0"
        self.check(wait_until(resized, 10), "a window resized to 1000x700 shows the frame twice as large, centred, "
                   "black around (%s pixels differ, border %s)" % (seen.get("differ"), seen.get("corner")))
        game.focus()
        game.menu(MENU_CONNECT_X, 160, 2)  # "Surfa till Kortixsajten"
        game.menu(MENU_CONNECT_X, 160, 3)  # "Besök Vilmars hemsida"
        opened = wait_until(lambda: read(pages).count("\n") >= 2 and read(pages), 10) or read(pages)
        self.check(opened == "http://kortix.example/\nhttp://vilmar.example/\n",
                   "the menu's web pages open in the browser (%s)" % opened.replace("\n", " "))

    def test_keys_go_to_the_window_that_has_the_focus(self):
        first = Game(self, "unfocused", "--scale", "1")
        if not first.appears():
            return self.check(False, "the window appears for the focus test")
        xdotool("windowmove", first.window, 0, 0)
        other = Game(self, "other", "--scale", "1")
        if other.appears():
            xdotool("windowmove", other.window, 600, 0)  # side by side: each picture stays visible
            other.focus()
            other.press("F1")
            other.press("space")
            self.check(wait_until(lambda: not other.shows_opening(), 10) and holds(first.shows_opening, 1.0),
                       "keys typed into another window leave the game alone (the other window started its game)")

    def test_a_gamepad(self):
        script = os.path.join(self.work, "pad.txt")
        open(script, "w").close()
        game = Game(self, "pad", "--scale", "1", VILMAR_TEST_GAMEPAD=script)
        if not game.appears():
            return self.check(False, "the window appears for the gamepad test")
        game.focus()

        def pad(*lines):  # each line once the game has read the one before
            for line in lines:
                with open(script, "a") as f:
                    f.write(line + "\n")
                wait_until(lambda: read_to_end(game.process.pid, script), 10, step=0.02)
        # Pulled out and plugged in again while the game runs: it still works.
        pad("unplug", "plug", "start 1", "start 0")
        self.check(wait_until(lambda: not game.shows_opening(), 10),
                   "a pad plugged in again: its Start button starts a new game")
        pad("a 1", "a 0")
        self.check(wait_until(lambda: sound_in(game.raw, self.mug), 10),
                   "the pad's south button serves: the mug's sound is recorded")
        subprocess.run([self.aid, "close", game.window])
        code = game.exit_code()
        self.check(code == 0, "closing the window exits with code 0 (%s)" % exited(code))

    def test_quitting(self):
        game = Game(self, "altf4", "--scale", "1")
        if game.appears() and game.focus():
            game.press("alt+F4")
            code = game.exit_code()
            self.check(code == 0, "Alt+F4 exits with code 0 (%s)" % exited(code))

        game = Game(self, "close-in-dialog", "--scale", "1")
        if game.appears() and game.focus():
            game.menu(MENU_COMPETITION_X, 90, 1)  # "Om Kortix"
            game.logged("open 129")
            subprocess.run([self.aid, "close", game.window])
            still_open = holds(lambda: game.process.poll() is None and "open 129" in read(game.dialogs)
                               and "end 129" not in read(game.dialogs), 1.0)
            game.press("Return")
            code = game.exit_code()
            self.check(still_open and code == 0, "a close while a dialog is open waits for the dialog, then exits "
                       "with 0 (%s)" % exited(code))

        game = Game(self, "dialog-keys", "--scale", "1")
        if game.appears() and game.focus():
            game.menu(MENU_CONNECT_X, 160, 0)  # the sign-in dialog
            game.logged("open 131")
            game.press("alt+F4")
            self.check(game.logged("end 131") and game.process.poll() is None,
                       "Alt+F4 in the sign-in dialog closes the dialog (as \"Avbryt\"), not the game")
            game.menu(MENU_GAME_X, 40, 1)  # the information dialog
            game.logged("open 129")
            game.process.send_signal(signal.SIGTERM)
            code = game.exit_code()
            self.check(code == 0, "a termination signal ends the game with 0 even while a dialog is open "
                       "(%s)" % exited(code))

    def test_a_score_to_the_reference_server(self):
        cache = read(os.path.join(self.build, "CMakeCache.txt")).splitlines()
        port = next(line.split("=", 1)[1] for line in cache if line.startswith("VILMAR_SDL_TEST_SERVICE_PORT:"))
        player, secret, scores = "vilmar@example.se", "hemligt", os.path.join(self.work, "scores.txt")
        # The loopback game knows only this one port.
        server = harness.when_free(lambda: harness.score_server(scores, player, secret, port=port, requests=2,
                                                                lifetime=120))
        if not server:
            return self.check(False, "the reference server listens on 127.0.0.1:%s" % port)
        self.addCleanup(server.stop)
        game = Game(self, "signin", "--scale", "1", program=self.loopback)
        if not (game.appears() and game.focus()):
            return
        # "Registrera high-score": the opening game counts as over.
        game.menu(MENU_CONNECT_X, 160, 0, shot="menu-koppla-upp")
        self.check(game.logged("caption Registrera din poäng (0)"),
                   "\"Registrera high-score\" opens the sign-in dialog for the best score 0")
        game.settled()
        xdotool("type", "--delay", 40, player)
        game.press("Tab")
        xdotool("type", "--delay", 40, secret)
        if self.shots:
            subprocess.run(["import", "-window", game.window, os.path.join(self.shots, "dialog-sign-in.png")])
        game.press("Return")
        record = (wait_until(lambda: "verdict=" in read(scores), 10) and read(scores) or "").splitlines()
        self.check("password=match" in record and player in "\n".join(record) and "verdict=0" in record,
                   "the sign-in dialog sends the score to the reference server with the typed entries")
        self.check(game.logged("end 131"), "the accepted score closes the sign-in dialog")
        self.check(secret not in read(game.dialogs) + read(os.path.join(self.work, "signin.log")),
                   "the password is written nowhere")
        game.press("alt+F4")
        game.exit_code()

    def test_dialogs_and_menus_from_the_keyboard_and_the_pointer(self):
        # Typing after Enter, the score's sending state, the keyboard in
        # dialogs and menus, F11 twice, dialogs at scale 1, a resize under a
        # dialog, the menu bar under the pointer: each a case of
        # tools/native-ui-tests.py, on a display of its own.
        log = os.path.join(self.work, "native-ui.log")
        with open(log, "w") as out:
            ran = subprocess.run(["/usr/bin/python3", os.path.join(harness.ROOT, "tools/native-ui-tests.py"), "--build",
                                  self.build] + (["--screenshots", self.shots] if self.shots else []),
                                 stdout=out, stderr=subprocess.STDOUT, timeout=1800)
        cases = read(log).splitlines()
        for line in cases:
            if line.startswith(("FAIL:", "ERROR:")):
                print("  " + line)
        self.check(ran.returncode == 0, "dialogs and menus from the keyboard and the pointer (%s)" % (
            "%d cases" % sum(line.endswith("... ok") for line in cases) if ran.returncode == 0
            else "details in " + log))

    def test_the_debian_package(self):
        if self.preset != "default" or not (shutil.which("cpack") and shutil.which("dpkg-deb")):
            return
        made = [f for f in os.listdir(self.build) if f.startswith("vilmar-pintkeeper_") and f.endswith("_amd64.deb")]
        for old in made:
            os.remove(os.path.join(self.build, old))
        log = subprocess.run(["cpack", "-G", "DEB"], cwd=self.build, capture_output=True, text=True)
        made = sorted(f for f in os.listdir(self.build) if f.startswith("vilmar-pintkeeper_") and f.endswith(".deb"))
        if not made:
            return self.check(False, "cpack makes the package (%s)" % (log.stdout + log.stderr).strip().split("\n")[-1])
        deb = os.path.join(self.build, made[0])

        def dpkg(*args):
            return subprocess.run(["dpkg-deb", args[0], deb, *args[1:]], capture_output=True, text=True).stdout.strip()
        files = {line.split()[5] for line in dpkg("--contents").splitlines() if len(line.split()) > 5}
        wanted = ["./usr/games/vilmar-pintkeeper", "./usr/share/applications/example.vilmar.Pintkeeper.desktop",
                  "./usr/share/metainfo/example.vilmar.Pintkeeper.metainfo.xml",
                  "./usr/share/man/man6/vilmar-pintkeeper.6.gz", "./usr/share/doc/vilmar-pintkeeper/copyright"]
        wanted += ["./usr/share/icons/hicolor/%dx%d/apps/vilmar-pintkeeper.png" % (s, s) for s in (16, 32, 48, 64, 128, 256)]
        missing = "".join(" " + f for f in wanted if f not in files)
        self.check(not missing, "the package %s holds the program in /usr/games, menu entry, AppStream data, manual "
                   "and icons%s" % (made[0], " (missing:%s)" % missing if missing else ""))
        self.check("libsdl2" in dpkg("--field", "Depends") and dpkg("--field", "Section") == "games",
                   "its dependencies are found from the program (libsdl2 among them), section games")
        if shutil.which("lintian"):
            lint = subprocess.run(["lintian", "--allow-root", deb], capture_output=True, text=True)
            found = sum(1 for line in (lint.stdout + lint.stderr).splitlines() if line[:2] in ("E:", "W:"))
            self.check(found == 0, "lintian finds no error or warning (%d found)" % found)
        subprocess.run(["dpkg-deb", "-x", deb, os.path.join(self.work, "root")], check=True)
        installed = os.path.join(self.work, "root/usr/games/vilmar-pintkeeper")
        version = subprocess.run([installed, "--version"], capture_output=True, text=True).stdout.strip()
        self.check(version == "vilmar-pintkeeper " + dpkg("--field", "Version"), "the unpacked program tells its version")
        game = Game(self, "installed", "--scale", "1", program=installed)
        if not (game.appears() and game.focus()):
            return self.check(False, "the unpacked program opens its window")
        game.press("alt+F4")
        self.check(game.exit_code() == 0, "the unpacked program opens its window and quits with 0")

    def test_no_sanitizer_report(self):
        if self.preset == "asan":
            reports = [f for f in sorted(os.listdir(self.work)) if f.endswith(".log") and any(
                word in read(os.path.join(self.work, f)) for word in ("AddressSanitizer", "LeakSanitizer", "runtime error"))]
            self.check(not reports, "no sanitizer report from any run of the game (%s)" % " ".join(reports))


if __name__ == "__main__":
    sys.exit(harness.run("sdltests", Native, ("--asan", "work the sanitizer build")))
