#!/usr/bin/python3
"""The native game's dialogs and menus worked by a player on a virtual X
display (no window manager), from outside with xdotool and the window's
pictures: typing after Enter, the score's sending state, the keyboard in
dialogs and menus, F11 twice, a dialog at scale 1, the group boxes' frames,
a resize with a dialog open, and the menu bar under the pointer.

    tools/native-ui-tests.py [--build DIR] [--screenshots DIR] [unittest args]

DIR is a configured build with vilmar-pintkeeper and vilmar-scoreserver
built (default build/default). Needs Xvfb, xdotool and imagemagick."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build/default")
SHOTS = None

# At the user-interface scale of --scale 1 and 2: the titles' and items' places.
MENU_Y = 9
TITLE_X = {"Spel": 20, "Tävling": 70, "Koppla upp": 140}
ITEM_X = {"Spel": 40, "Tävling": 90, "Koppla upp": 160}
NAVY = (0, 0, 128)
BAR_GREY = (212, 212, 212)
TITLE_BLUE = (158, 168, 204)  # an open dialog's title bar
GROUP_GREY = (96, 96, 96)


def wait_until(condition, timeout=10.0, step=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(step)


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout.strip()


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


class Picture:
    """A window's picture, read through imagemagick as PPM."""

    def __init__(self, window):
        data = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], capture_output=True).stdout
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        if not match:
            raise RuntimeError("no picture of window %s" % window)
        self.width, self.height = int(match.group(1)), int(match.group(2))
        self.pixels = data[match.end():]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def row(self, y):
        return [self.at(x, y) for x in range(self.width)]

    def longest_runs(self, colour):
        """Per row, the longest horizontal run of exactly that colour."""
        lengths = []
        for y in range(self.height):
            run = best = 0
            for pixel in self.row(y):
                run = run + 1 if pixel == colour else 0
                best = max(best, run)
            lengths.append(best)
        return lengths

    def runs(self, colour, min_length):
        """Rows holding a horizontal run of colour at least min_length long."""
        return [y for y, best in enumerate(self.longest_runs(colour)) if best >= min_length]

    def save(self, name):
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            header = b"P6 %d %d 255\n" % (self.width, self.height)
            subprocess.run(["convert", "ppm:-", os.path.join(SHOTS, name + ".png")], input=header + self.pixels)


class Display:
    """Xvfb on a display number it picks itself, without a window manager."""

    def __init__(self, work):
        number_file = os.path.join(work, "display")
        with open(number_file, "w") as number:
            self.process = subprocess.Popen(["Xvfb", "-displayfd", str(number.fileno()), "-screen", "0",
                                             "1600x1200x24", "-nolisten", "tcp", "-noreset"],
                                            pass_fds=(number.fileno(),), stderr=subprocess.DEVNULL)
        number = wait_until(lambda: read(number_file).strip(), 20)
        if not number:
            self.stop()
            raise RuntimeError("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class ScoreServer:
    """The reference score server on a free port; what it was sent is in record."""

    def __init__(self, work, *args):
        self.record = os.path.join(work, "scores-%d.txt" % time.monotonic_ns())
        self.process = subprocess.Popen(
            [os.path.join(BUILD, "tools/scoreserver/vilmar-scoreserver"), "--port", "0", "--record", self.record,
             "--lifetime", "120", *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline()
        match = re.match(r"port (\d+)", line)
        if not match:
            self.stop()
            raise RuntimeError("the score server did not start: %r" % line)
        self.url = "http://127.0.0.1:" + match.group(1)

    def records(self):
        return read(self.record)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.process.stdout.close()


class Game:
    """The native game in a window of its own; its dialogs' log and the
    pages it opens (through a stand-in xdg-open) in work."""

    def __init__(self, work, name, *args, config=None):
        self.dialogs = os.path.join(work, name + ".dialogs")
        # Settings of its own, never the desktop's: a folder per game unless
        # the test shares one between runs.
        self.config = config or os.path.join(work, name + ".config")
        self.pages = os.path.join(work, name + ".pages")
        bin_dir = os.path.join(work, "bin")
        os.makedirs(bin_dir, exist_ok=True)
        with open(os.path.join(bin_dir, "xdg-open"), "w") as opener:
            opener.write('#!/bin/sh\necho "$@" >>"$VILMAR_TEST_PAGES"\n')
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        env = dict(os.environ, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy", VILMAR_TEST_DIALOG_LOG=self.dialogs,
                   VILMAR_TEST_PAGES=self.pages, PATH=bin_dir + ":" + os.environ["PATH"], XDG_CONFIG_HOME=self.config)
        self.log = open(os.path.join(work, name + ".log"), "w")
        self.process = subprocess.Popen([os.path.join(BUILD, "frontends/sdl/vilmar-pintkeeper"), *args], env=env,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        # SDL may make the window again for its renderer: the one that stays
        # and shows the opening frame is the game's.
        if not wait_until(self.find_drawn_window, 20):
            self.stop()
            raise RuntimeError("no window")
        xdotool("windowfocus", "--sync", self.window)

    def find_drawn_window(self):
        found = xdotool("search", "--onlyvisible", "--pid", self.process.pid, "--name", "^Vilmar Pintkeeper$")
        if not found:
            return False
        self.window = found.split("\n")[-1]
        try:
            return self.picture().at(300, 200) != (0, 0, 0)
        except RuntimeError:
            return False

    def picture(self):
        return Picture(self.window)

    def geometry(self):
        out = xdotool("getwindowgeometry", self.window)
        match = re.search(r"Geometry: (\d+)x(\d+)", out)
        return (int(match.group(1)), int(match.group(2))) if match else None

    def key(self, *keys):
        xdotool("key", "--delay", "60", *keys)
        time.sleep(0.15)

    def type(self, text):
        xdotool("type", "--delay", "40", text)
        time.sleep(0.15)

    def move(self, x, y):
        xdotool("mousemove", "--window", self.window, x, y)
        time.sleep(0.2)

    def click(self, x, y):
        # The pointer rests on its target a moment before the click.
        self.move(x, y)
        xdotool("click", "1")
        time.sleep(0.3)

    def menu(self, title, item):
        self.click(TITLE_X[title], MENU_Y)
        self.click(ITEM_X[title], 31 + 17 * item)

    def logged(self, line):
        return line in read(self.dialogs).splitlines()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


class NativeUiTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="native-ui-")
        cls.display = Display(cls.work)

    @classmethod
    def tearDownClass(cls):
        cls.display.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def game(self, *args, config=None):
        self.games = getattr(self, "games", 0) + 1
        game = Game(self.work, "%s-%d" % (self.id().split(".")[-1], self.games), *args, config=config)
        self.addCleanup(self.no_sanitizer_report, game)
        self.addCleanup(game.stop)
        return game

    def no_sanitizer_report(self, game):
        report = re.search(r".*(Sanitizer|runtime error).*", read(game.log.name))
        self.assertFalse(report, report and report.group(0))

    def server(self, *args):
        server = ScoreServer(self.work, *args)
        self.addCleanup(server.stop)
        return server

    # --- settings -------------------------------------------------------------

    def test_settings_are_kept_and_a_damaged_file_is_replaced_once(self):
        config = os.path.join(self.work, "kept-config")
        ini = os.path.join(config, "vilmar-pintkeeper", "settings.ini")
        os.makedirs(os.path.dirname(ini))
        with open(ini, "w") as damaged:
            damaged.write("volume=400\n")
        game = self.game("--scale", "1", config=config)
        self.assertTrue(wait_until(lambda: "volume=100" in read(ini)))
        self.assertIn("is damaged (line 1: bad value for volume)", read(game.log.name))
        # M mutes in play, and the choice is in the file.
        game.key("m")
        self.assertTrue(wait_until(lambda: "mute=true" in read(ini)))
        game.stop()
        again = self.game("--scale", "1", config=config)
        again.key("m")
        self.assertTrue(wait_until(lambda: "mute=false" in read(ini)))
        again.stop()
        self.assertNotIn("damaged", read(again.log.name))
        self.assertEqual(os.listdir(os.path.dirname(ini)), ["settings.ini"])

    def test_a_game_key_is_rebound_in_the_settings_dialog(self):
        game = self.game("--scale", "2")
        game.menu("Spel", 2)  # "Inställningar…"
        self.assertTrue(wait_until(lambda: game.logged("open 140")))
        ini = os.path.join(game.config, "vilmar-pintkeeper", "settings.ini")
        # Up's button waits for a key; Escape gives the wait up, not the dialog.
        game.key(*["Tab"] * 6, "Return", "Escape")
        # Serve's button: a key in use (Up) is refused, X is taken.
        game.key(*["Tab"] * 2, "Return", "Up", "x")
        # OK (two stops on) keeps it.
        game.key("Tab", "Tab", "Return")
        self.assertTrue(wait_until(lambda: game.logged("end 140")))
        self.assertTrue(game.logged("item 1112 Servera: X"), read(game.dialogs))
        self.assertTrue(game.logged("item 1110 Upp: Upp"))
        self.assertTrue(wait_until(lambda: "key.serve=KeyX" in read(ini)))
        self.assertIn("key.up=ArrowUp", read(ini))

    def test_escape_cancels_the_settings_dialog_and_keeps_nothing(self):
        game = self.game("--scale", "2")
        game.menu("Spel", 2)
        self.assertTrue(wait_until(lambda: game.logged("open 140")))
        game.key("Return", "Return", "Escape")  # the scale twice, then away
        self.assertTrue(wait_until(lambda: game.logged("end 140")))
        self.assertFalse(os.path.exists(os.path.join(game.config, "vilmar-pintkeeper", "settings.ini")))

    # --- typing and sending -------------------------------------------------

    def test_typing_after_enter_goes_on_into_the_entry(self):
        server = self.server("--user", "abcdef@example.se", "--password", "hemligt", "--reply", "0")
        game = self.game("--scale", "2", "--service", server.url)
        game.menu("Koppla upp", 0)
        self.assertTrue(wait_until(lambda: game.logged("open 131")))
        # Enter with the password empty does nothing, and the caret stays.
        game.type("abc")
        game.key("Return")
        game.type("def@example.se")
        game.key("Tab")
        game.type("hemligt")
        game.key("Return")
        self.assertTrue(wait_until(lambda: "verdict=" in server.records()), server.records())
        self.assertIn("f1=abcdef@example.se", server.records())
        self.assertTrue(wait_until(lambda: game.logged("end 131")))

    def test_the_window_says_the_score_is_on_its_way(self):
        server = self.server("--user", "v@example.se", "--password", "hemligt", "--reply", "0", "--delay-ms", "2500")
        game = self.game("--scale", "2", "--service", server.url)
        game.menu("Koppla upp", 0)
        game.type("v@example.se")
        game.key("Tab")
        game.type("hemligt")
        before = game.picture()
        game.key("Return")
        # While the server thinks, the window is drawn again: the button
        # reads "Skickar..." and the controls are greyed.
        time.sleep(0.8)
        during = game.picture()
        during.save("dialog-sign-in-sending")
        self.assertFalse(game.logged("end 131"), "the reply came before the delay")
        self.assertTrue(before.pixels != during.pixels, "the window was not drawn while the score was sent")
        self.assertTrue(wait_until(lambda: game.logged("end 131"), 15))
        self.assertIn("verdict=0", server.records())

    # --- the keyboard ---------------------------------------------------------

    def test_dialog_keys_reach_every_control(self):
        game = self.game("--scale", "1", "--service", "http://127.0.0.1:9")
        game.menu("Koppla upp", 0)
        self.assertTrue(wait_until(lambda: game.logged("open 131")))
        # Address, password, OK, Avbryt, "Ny användare": Space presses it.
        game.key("Tab", "Tab", "Tab", "Tab")
        focused = game.picture()
        focused.save("dialog-sign-in-focus")
        game.key("space")
        self.assertTrue(wait_until(lambda: "http://127.0.0.1:9/registrera/" in read(game.pages)), read(game.pages))
        self.assertFalse(game.logged("end 131"))
        # Shift+Tab back to "Avbryt": Enter presses it, not OK.
        game.key("shift+Tab")
        game.key("Return")
        self.assertTrue(wait_until(lambda: game.logged("end 131")))
        # Escape cancels the dialog as well.
        game.menu("Koppla upp", 0)
        self.assertTrue(wait_until(lambda: read(game.dialogs).count("open 131") == 2))
        game.key("Escape")
        self.assertTrue(wait_until(lambda: read(game.dialogs).count("end 131") == 2))

    def test_menu_keys_f10_alt_letters_and_arrows(self):
        game = self.game("--scale", "1", "--service", "http://127.0.0.1:9")
        # F10, to "Koppla upp" round the left, down to "Surfa till Kortixsajten".
        game.key("F10", "Left", "Down")
        opened = game.picture()
        opened.save("menu-keyboard")
        self.assertEqual(opened.at(TITLE_X["Koppla upp"], 3), NAVY, "the title is not lit")
        self.assertEqual(opened.at(ITEM_X["Koppla upp"] + 60, 31), NAVY, "the first item is not lit")
        game.key("Down", "Down", "Return")
        self.assertTrue(wait_until(lambda: read(game.pages) == "http://127.0.0.1:9/\n"), read(game.pages))
        # Alt+T opens "Tävling"; Down and Enter choose "Om Kortix".
        game.key("alt+t", "Down", "Return")
        self.assertTrue(wait_until(lambda: game.logged("open 129")))
        self.assertIn("OM Kortix", read(game.dialogs))
        game.key("Tab", "space")  # from the text to OK, pressed with Space
        self.assertTrue(wait_until(lambda: game.logged("end 129")))
        # Alt on its own lights the bar; Escape puts it out, and the arrows
        # are the game's again.
        game.key("alt")
        self.assertEqual(game.picture().at(TITLE_X["Spel"], 3), NAVY)
        game.key("Escape")
        self.assertEqual(game.picture().at(TITLE_X["Spel"], 3), BAR_GREY)

    # --- the window -------------------------------------------------------------

    def test_f11_twice_gives_back_the_window_with_its_menu_bar(self):
        game = self.game("--scale", "1")
        size = game.geometry()
        before = game.picture()
        game.key("F11")
        # The whole screen, window manager or not.
        self.assertTrue(wait_until(lambda: game.geometry() == (1600, 1200)), game.geometry())
        full = game.picture()
        full.save("fullscreen")
        self.assertEqual(full.at(800, 5), BAR_GREY, "no menu bar on the whole screen")
        game.key("F11")
        self.assertTrue(wait_until(lambda: game.geometry() == size), game.geometry())
        after = wait_until(lambda: (lambda p: p if p.pixels == before.pixels else None)(game.picture()), 5)
        if not after:
            game.picture().save("f11-twice")
        self.assertTrue(after, "the window after F11 twice is not the window before")

    def test_every_dialog_fits_the_window_at_scale_1(self):
        game = self.game("--scale", "1")
        game.menu("Spel", 1)  # "Spelregler": the largest dialog
        self.assertTrue(wait_until(lambda: game.logged("open 129")))
        picture = game.picture()
        picture.save("dialog-information-scale1")
        title_rows = picture.runs(TITLE_BLUE, 100)
        self.assertTrue(title_rows, "no title bar")
        row = picture.row(title_rows[0])
        columns = [x for x, pixel in enumerate(row) if pixel == TITLE_BLUE]
        # The dialog's frame lies inside the window on both sides, and its
        # bottom line above the window's.
        self.assertGreater(columns[0], 0)
        self.assertLess(columns[-1], picture.width - 1)
        self.assertGreater(title_rows[0], 0)
        self.assertTrue(picture.runs((64, 64, 64), 200)[-1] < picture.height - 1)

    def test_both_group_boxes_of_the_sign_in_dialog_are_framed_all_round(self):
        for scale in ("1", "2"):
            game = self.game("--scale", scale)
            game.menu("Koppla upp", 0)
            self.assertTrue(wait_until(lambda: game.logged("open 131")))
            picture = game.picture()
            picture.save("dialog-sign-in-scale" + scale)
            # The top lines are broken by the labels; the two bottom lines
            # run the boxes' whole width in the frame's grey, crisp (a line
            # between two pixel rows is drawn faint, another grey).
            lengths = picture.longest_runs(GROUP_GREY)
            width = max(lengths)
            rows = [y for y, best in enumerate(lengths) if best >= width - 2]
            self.assertGreater(width, 150)
            self.assertEqual(len(rows), 2, "full frame lines at %s (scale %s)" % (rows, scale))
            game.stop()

    def test_a_resize_with_a_dialog_open_keeps_the_picture_behind(self):
        game = self.game("--scale", "1")
        game.menu("Tävling", 1)
        self.assertTrue(wait_until(lambda: game.logged("open 129")))
        xdotool("windowsize", game.window, 1000, 700)
        self.assertTrue(wait_until(lambda: game.geometry() == (1000, 700)))
        # The frame twice as large, centred below the menu bar: its left
        # part beside the dialog is the game's picture, not black.
        picture = wait_until(lambda: (lambda p: p if p.width == 1000 and p.at(120, 400) != (0, 0, 0) else None)(
            game.picture()), 5) or game.picture()
        picture.save("resize-with-dialog")
        beside = [picture.at(x, y) for x in range(80, 200, 7) for y in range(80, 640, 11)]
        self.assertLess(sum(1 for p in beside if p == (0, 0, 0)), len(beside) // 4)

    def test_the_menu_bar_under_the_pointer(self):
        game = self.game("--scale", "1")
        game.click(TITLE_X["Spel"], MENU_Y)
        # Sliding along the bar with a menu open switches menus...
        game.move(TITLE_X["Tävling"], MENU_Y)
        picture = game.picture()
        self.assertEqual(picture.at(TITLE_X["Tävling"], 3), NAVY)
        self.assertNotEqual(picture.at(TITLE_X["Spel"], 3), NAVY)
        # ...and the item under the pointer is lit.
        game.move(ITEM_X["Tävling"], 31 + 17)
        picture = game.picture()
        picture.save("menu-hover")
        self.assertEqual(picture.at(ITEM_X["Tävling"] - 30, 31 + 17), NAVY)
        self.assertNotEqual(picture.at(ITEM_X["Tävling"] - 30, 31), NAVY)
        game.click(ITEM_X["Tävling"], 31 + 17)
        self.assertTrue(wait_until(lambda: game.logged("open 129")))
        self.assertIn("OM Kortix", read(game.dialogs))


def main():
    global BUILD, SHOTS
    args = sys.argv[1:]
    while args and args[0] in ("--build", "--screenshots"):
        if len(args) < 2:
            sys.exit("usage: native-ui-tests.py [--build DIR] [--screenshots DIR] [unittest args]")
        if args[0] == "--build":
            BUILD = os.path.abspath(args[1])
        else:
            SHOTS = os.path.abspath(args[1])
        args = args[2:]
    missing = [tool for tool in ("Xvfb", "xdotool", "import", "convert") if not shutil.which(tool)]
    if missing:
        sys.exit("native-ui-tests: missing " + " ".join(missing))
    unittest.main(argv=[sys.argv[0], "-v", *args])


if __name__ == "__main__":
    main()
