#!/usr/bin/python3
"""The Windows program under Wine on a virtual X display, worked from outside
with the test driver (vilmar-windriver.exe): the window, its menu and dialog
templates, the information dialog, the opening frame and play against the
simulator's frames, keys typed into another window, a score sent through the
sign-in dialog to the reference server and to the game service, and the ways
to quit. Needs wine, xvfb, xdotool, imagemagick and the mingw build.

    tools/testing/winetests.py [--screenshots DIR]"""

import os
import shutil
import subprocess
import sys
import time

import harness
from harness import Picture, holds, wait_until

MINGW = os.path.join(harness.ROOT, "build/mingw")
WIN32 = os.path.join(MINGW, "frontends/win32")
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "WINMM.DLL", "SHELL32.DLL", "MSVCRT.DLL"}
QUESTION = "Vill du skicka din highscore till Internet?"
PLAYER, SECRET = "vilmar+wine@example.se", "hemligt&1=2"


def now_ms():
    return time.monotonic() * 1000


def key_script(key, at, variant):
    """How the game may have seen a key pressed for about 100 ms: a tap, or
    down for one to three ticks."""
    return "%d %s tap\n" % (at, key) if variant == 0 else "%d %s down\n%d %s up\n" % (at, key, at + variant, key)


def first_passes(trace, since=0):
    """Frame hash -> the first pass at or after since that drew it."""
    return {p["frame"]: p["pass"] for p in reversed(trace) if p["frame"] and p["pass"] >= since}


class Windows(harness.Checks):
    game = None

    @classmethod
    def setUpClass(cls):
        harness.require("wine", "Xvfb", "xdotool", "import", harness.SIM, harness.INFOTEXT, harness.SCORESERVER,
                        *(os.path.join(WIN32, f) for f in ("VilmarPintkeeper.exe", "VilmarPintkeeper-loopback.exe",
                                                           "vilmar-windriver.exe", "vilmar-ticktimer-check.exe")))
        cls.work = os.path.join(MINGW, "wine-tests")
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        cls.display = harness.VirtualDisplay(cls.work, "1024x768x24")
        os.environ.update(WINEPREFIX=os.path.join(MINGW, "wineprefix"), WINEDEBUG="-all",
                          WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        # WinINet takes a proxy from these; the score must go straight to 127.0.0.1.
        for name in ("http_proxy", "https_proxy", "all_proxy"):
            os.environ.pop(name, None)
            os.environ.pop(name.upper(), None)
        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        if not os.path.isfile(os.path.join(os.environ["WINEPREFIX"], "system.reg")):
            subprocess.run(["wineboot", "-i"], **quiet)
        # Pages the program opens go to a list instead of a browser.
        cls.pages, browser = (os.path.join(cls.work, name) for name in ("pages.txt", "browser.sh"))
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' % cls.pages)
        os.chmod(browser, 0o755)
        # Without a window manager Wine draws the captions and frames itself.
        for key, value, data in (("X11 Driver", "Managed", "N"), ("WineBrowser", "Browsers", browser)):
            subprocess.run(["wine", "reg", "add", "HKCU\\Software\\Wine\\" + key, "/v", value, "/t", "REG_SZ",
                            "/d", data, "/f"], **quiet)
        subprocess.run(["wineserver", "-w"])
        subprocess.run(["wineserver", "-p"], **quiet)  # one server for every run, on none of our pipes
        trace = harness.simulate("", 2, os.path.join(cls.work, "sim-opening"), png_every=1)
        png = os.path.join(cls.work, "sim-opening/png")
        cls.opening = Picture.from_png(os.path.join(png, sorted(os.listdir(png))[-1]))
        cls.palette = cls.opening.palette
        cls.opening_hash = [p["frame"] for p in trace if p["frame"]][-1]
        with open(os.path.join(MINGW, "CMakeCache.txt")) as f:
            cls.port = next((line.split("=", 1)[1].strip() for line in f if line.startswith("VILMAR_TEST_SERVICE_PORT:")),
                            "28080")

    @classmethod
    def tearDownClass(cls):
        cls.stop_game()
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        cls.display.stop()

    # --- working the program ----------------------------------------------------

    @classmethod
    def drv(cls, *args):
        """Runs one command of the driver; (exit code, output). The output
        goes through a file: a Wine process that starts the wineserver hands
        it its descriptors, and a pipe would then never close."""
        with open(os.path.join(cls.work, "driver.out"), "w+b") as out:
            code = subprocess.run(["wine", os.path.join(WIN32, "vilmar-windriver.exe"), *map(str, args)],
                                  stdout=out, stderr=subprocess.DEVNULL, timeout=300).returncode
            out.seek(0)
            return code, out.read().decode("utf-8", "replace")

    def ok(self, *args):
        return self.drv(*args)[0] == 0

    def text(self, control):
        return self.drv("text", control)[1]

    def no_dialog(self, timeout=10):
        return wait_until(lambda: self.ok("nodialog"), timeout, step=0.2)

    def capture(self):
        path = os.path.join(self.work, "capture.bmp")
        return Picture.read(path) if self.ok("capture", path) else None

    def shows_opening(self):
        picture = self.capture()
        return picture is not None and picture.rgb == self.opening.rgb

    def press(self, key):
        # As a person would, for about 100 ms. Under Wine a key that goes down
        # and up between two polls is not always seen, so the tests never rely
        # on the pressed-since bit.
        self.drv("keys", "+" + key, "wait:100", "-" + key)

    def start_game(self, program="VilmarPintkeeper.exe"):
        """Starts the program and waits for its window to show the opening frame."""
        self.stop_game()
        with open(os.path.join(self.work, "game.log"), "w") as log:
            type(self).game = subprocess.Popen(["wine", os.path.join(WIN32, program)], stdout=log,
                                               stderr=subprocess.STDOUT)
        found, type(self).window = self.drv("find", 20000)
        if found != 0:
            return False
        wait_until(self.shows_opening, 20, step=0.2)
        return True

    @classmethod
    def stop_game(cls):
        if cls.game and cls.game.poll() is None:
            cls.drv("close")
            harness.exit_code(cls.game, 10)

    def exit_code(self):
        code = harness.exit_code(self.game, 10)
        return "none" if code is None else code

    def screenshot(self, name):
        """The root window around the game, menus and dialogs included."""
        if self.shots:
            subprocess.run(["import", "-window", "root", "-crop", "430x344+0+0", "+repage",
                            os.path.join(self.shots, name)])

    def root_picture(self, crop="430x344+0+0"):
        return Picture.from_ppm(harness.output(["import", "-window", "root", "-crop", crop, "+repage", "-depth", "8",
                                                "ppm:-"]))

    # --- the window, the menu, the dialog templates ----------------------------------

    def test_the_window_its_menu_and_the_dialog_templates(self):
        if not self.check(self.start_game(), "the game window appears"):
            return
        if shutil.which("x86_64-w64-mingw32-objdump"):
            imports = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", os.path.join(WIN32, "VilmarPintkeeper.exe")],
                                     capture_output=True, text=True).stdout
            # Only DLLs that every Windows has: the C and C++ runtimes are linked
            # in, and WinINet is loaded by name when a score is sent, never imported.
            dlls = {line.split()[-1].upper() for line in imports.splitlines() if "DLL Name:" in line}
            unexpected = " ".join(sorted(dlls - SYSTEM_DLLS))
            self.check(dlls and not unexpected, "the program imports only system DLLs%s"
                       % (" (also %s )" % unexpected if unexpected else ""))
        with open(os.path.join(self.work, "ticktimer.txt"), "w") as out:
            ticks = subprocess.run(["wine", os.path.join(WIN32, "vilmar-ticktimer-check.exe")], stdout=out, stderr=out)
        self.check(ticks.returncode == 0,
                   "the tick wait never returns before the due time (high-resolution timer and 1 ms period)")
        facts = self.window.splitlines()
        self.check("title\tVilmar Pintkeeper" in facts, "the window is titled \"Vilmar Pintkeeper\"")
        self.check("client\t424x300" in facts, "the client area is 424 x 300")
        self.check("outer\t430x344" in facts, "the window is 430 x 344 with Wine's standard metrics")
        with open(os.path.join(harness.ROOT, "tests/win32/expected-menu.txt"), encoding="utf-8") as f:
            self.check(self.drv("menu")[1] == f.read(),
                       "menu 128 has the three pop-ups and nine commands, Swedish letters intact")
        with open(os.path.join(harness.ROOT, "tests/win32/expected-dialogs.txt"), encoding="utf-8") as f:
            self.check(self.drv("templates", 135, 129, 131)[1] == f.read(),
                       "dialog templates 135, 129 and 131 have their controls, sizes and styles")
        # The question measured in the dialog's own font against its text box:
        # all of it shows, down to the question mark.
        fits, said = self.drv("fits", 135, 1000, QUESTION)
        self.check(fits == 0, "the whole question fits its box in the dialog's font (%s)" % said.replace("\n", " "))

    def test_the_opening_frame_and_keys_typed_elsewhere(self):
        picture = self.capture()
        differ = picture.differing(self.opening) if picture else "all"
        self.check(differ == 0, "the opening screen equals the simulator's opening frame pixel for pixel "
                   "(%s pixels differ)" % differ)
        self.screenshot("window-opening.png")
        cover = self.drv("cover", 600, "+F1", "wait:100", "-F1", "+SPACE", "wait:100", "-SPACE", "+DOWN",
                         "wait:100", "-DOWN", "F1", "SPACE")[0]
        self.drv("front")
        self.check(cover == 0 and holds(self.shows_opening, 1.0),
                   "keys typed into another window neither start a game nor serve")
        # F1 held while the window comes back to the front counts only after
        # it has been released and pressed again.
        self.drv("cover", 300, "+F1")
        self.drv("front")
        held = holds(self.shows_opening, 0.5)
        self.drv("keys", "-F1")
        self.check(held and holds(self.shows_opening, 0.5),
                   "F1 held while the window gains the focus does not start a game")

    def test_menu_screenshots(self):
        if not self.shots:
            return
        self.drv("front")
        ox, oy = map(int, next(line.split("\t")[1] for line in self.window.splitlines()
                              if line.startswith("origin")).split(","))
        for name, x in (("spel", 20), ("tavling", 60), ("koppla-upp", 120)):
            closed = self.root_picture()
            subprocess.run(["xdotool", "mousemove", str(ox + x), str(oy - 10), "click", "1"])
            wait_until(lambda: self.root_picture().rgb != closed.rgb, 5)
            self.screenshot("menu-%s.png" % name)
            subprocess.run(["xdotool", "key", "Escape", "sleep", "0.1", "key", "Escape"])
            wait_until(lambda: self.root_picture().rgb == closed.rgb, 5)

    def test_the_information_dialog(self):
        for command, index, name in ((40002, 0, "rules"), (40004, 1, "competition-rules"), (40005, 2, "about")):
            self.drv("command", command)
            found, dialog = self.drv("dialog", 5000)
            if found != 0:
                self.check(False, "menu command %d opens the information dialog" % command)
                continue
            self.check("caption\tInformation" in dialog.splitlines(),
                       "menu command %d opens the information dialog with the caption \"Information\"" % command)
            expected = subprocess.run([harness.INFOTEXT, str(index)], capture_output=True).stdout
            self.check(self.text(1000).encode() == expected,
                       "the information dialog of command %d shows text %d exactly" % (command, index))
            self.drv("click", 2)  # Escape does nothing here
            self.check(holds(lambda: self.drv("dialog", 0)[0] == 0, 1.0), "Escape leaves the information dialog open")
            self.screenshot("dialog-info-%s.png" % name)
            if index == 1:
                # Black on white behind the text, light grey in the rest of the box.
                box = self.root_picture("560x420+0+0")
                grey = sum(1 for p in box.pixels() if p == b"\xc0\xc0\xc0") if box else 0
                self.check(grey > 20000, "the information text box is light grey around the text (%d grey pixels)" % grey)
            self.drv("click", 1)
            self.check(self.no_dialog(), "OK closes the information dialog")

        # F1 is the usual help key: pressed while reading the rules, and still
        # held when OK closes them, it must not start a new game afterwards.
        name = "F1 pressed in the information dialog does not start a game once it has closed"
        self.drv("command", 40002)
        if not self.ok("dialog", 5000):
            return self.check(False, name)
        self.drv("keys", "F1", "+F1")
        self.drv("click", 1)
        closed = self.no_dialog() and holds(self.shows_opening, 0.5)
        self.drv("keys", "-F1")
        self.check(closed and holds(self.shows_opening, 0.5) and self.ok("nodialog"), name)

    def test_the_sign_in_dialog_before_the_first_game(self):
        self.drv("command", 40006)
        found, dialog = self.drv("dialog", 5000)
        if not self.check(found == 0 and any(line.startswith("control\t1004\tEdit") for line in dialog.splitlines()),
                          "\"Registrera high-score\" opens the sign-in dialog while no game runs"):
            return
        self.screenshot("dialog-sign-in.png")
        # Nothing remembered yet: the player types straight into the address.
        focused = self.drv("focus")[1].strip()
        self.drv("keys", "0x41")
        typed = wait_until(lambda: self.text(1003) == "a", 5)
        self.check(focused == "1003" and typed, "the sign-in dialog opens with the focus in the address entry, and "
                   "typing goes there (focus %s)" % (focused or "none"))
        self.drv("settext", 1003, "")
        self.drv("click", 2)
        self.check(self.no_dialog(), "\"Avbryt\" closes the sign-in dialog")

    def test_f1_starts_a_game_and_space_launches_a_mug(self):
        self.drv("front")
        self.press("F1")

        def changed():
            before = now_ms()
            picture = self.capture()
            return picture and picture.rgb != self.opening.rgb and (before, now_ms(), picture)
        before_capture, after_capture, picture = wait_until(changed, 10, step=0.05) or (0, 0, None)
        play1 = picture and picture.frame_hash(self.palette)
        tried = ((script, first_passes(harness.simulate(script, 400, os.path.join(self.work, "sim-f1"))))
                 for script in (key_script("f1", 2, variant) for variant in (1, 2, 0, 3)))
        f1_script, without_space = next(((script, passes) for script, passes in tried if play1 in passes), (None, {}))
        play1_pass = without_space.get(play1)
        self.check(play1_pass is not None and play1 != self.opening_hash,
                   "F1 starts a game: the frame is the simulator's frame %s after F1" % (play1_pass or "?"))
        if play1_pass is None:
            return
        before_space = now_ms()
        self.press("SPACE")
        after_space = now_ms()

        def space_seen():
            picture = self.capture()
            digest = picture and picture.frame_hash(self.palette)
            return digest if digest and digest not in without_space else None
        play2 = wait_until(space_seen, 10, step=0.05)
        self.check(play2, "Space changes the game: the frame is none of the frames without Space")
        # The tick the game saw Space in, from the clock around the commands.
        low = int(play1_pass + (before_space - after_capture) // 40 - 2)
        high = int(play1_pass + (after_space - before_capture) // 40 + 2)
        tried = ((at, first_passes(harness.simulate(f1_script + key_script("space", at, variant), high + 40,
                                                    os.path.join(self.work, "sim-space")), at))
                 for variant in (1, 2, 0, 3) for at in range(low, high + 1))
        found = next(("Space at %d, frame %d" % (at, passes[play2]) for at, passes in tried if play2 in passes), None)
        self.check(found, "Space launches a mug as in the simulator (%s)"
                   % (found or "no match for Space at %d..%d" % (low, high)))
        self.screenshot("window-play.png")

    # --- a game over with a new best score ----------------------------------------

    def play_to_game_over(self):
        """Plays the running program's first game to its end; the dialog that
        follows, or None. The first customer walks on the bartender's bar: one
        mug serves him, the score goes up and the level is cleared. Then mugs
        down empty bars cost the lives. The keys stop once the last life mark
        is gone, so that none of them answers the question."""
        if not self.ok("front"):
            return None
        self.press("F1")
        wait_until(lambda: not self.shows_opening(), 10, step=0.05)
        self.press("SPACE")
        # The cleared level's pause: the picture holds still, then the next level begins.
        seen = {"last": None, "since": 0, "paused": False}

        def next_level():
            picture, now = self.capture(), time.monotonic()
            if picture and seen["last"] and picture.rgb == seen["last"].rgb:
                seen["paused"] = seen["paused"] or now - seen["since"] >= 0.8
                return False
            seen.update(last=picture, since=now)
            return seen["paused"]
        wait_until(next_level, 30, step=0.05)
        for _ in range(120):
            picture = self.capture()
            if picture and picture.crop(325, 276, 60, 24).colours() <= 2:
                break
            self.press("DOWN")
            self.press("SPACE")
        found, dialog = self.drv("dialog", 4000)
        if found != 0:
            self.press("SPACE")
            found, dialog = self.drv("dialog", 60000)
        return dialog if found == 0 else None

    def test_a_game_over_with_a_new_best_score_asks_to_send_it(self):
        name = "a game over with a new best score asks \"%s\"" % QUESTION
        question = self.start_game() and self.play_to_game_over()
        if not question:
            return self.check(False, name)
        self.check("caption\tRegistrera" in question.splitlines() and self.text(1000) == QUESTION, name)
        self.screenshot("dialog-question.png")
        self.drv("click", 1)
        found, dialog = self.drv("dialog", 3000)
        self.check(found == 0 and "\ncontrol\t1004\tEdit" in "\n" + dialog,
                   "\"Ja\" opens the sign-in dialog right after the question")
        self.drv("click", 2)
        self.check(self.no_dialog(), "\"Avbryt\" closes the sign-in dialog and the game goes on")

    def signing_in(self):
        """The loopback program played to a new best score, "Ja" clicked:
        the sign-in dialog's caption, or None."""
        if not (self.start_game("VilmarPintkeeper-loopback.exe") and self.play_to_game_over()
                and self.ok("click", 1)):
            return None
        found, dialog = self.drv("dialog", 3000)
        return next((line.split("\t", 1)[1] for line in dialog.splitlines() if line.startswith("caption\t")), None)

    def test_a_score_to_the_reference_server(self):
        # The reference server knows one player. The first attempt has a wrong
        # password: the server answers 3, the button reads "Försök igen", the
        # dialog stays and the forgotten-password page opens. The second has the
        # right one: the server answers 0 and the dialog closes. Both forms carry
        # the same score, since a failed attempt does not use it up.
        scores = os.path.join(self.work, "scores.txt")
        open(self.pages, "w").close()
        # The loopback program knows only this one port.
        server = harness.when_free(lambda: harness.score_server(scores, PLAYER, SECRET, port=self.port, requests=2))
        if not server:
            return self.check(False, "the reference server listens on 127.0.0.1:%s" % self.port)
        self.addCleanup(server.stop)
        caption = self.signing_in()
        if caption is None:
            return self.check(False, "the loopback program reaches the sign-in dialog after a game over")
        best = caption[len("Registrera din poäng ("):-1] if caption.startswith("Registrera din poäng (") else ""
        self.check(best.isdigit() and int(best) > 0,
                   "the loopback program's sign-in dialog offers the new best score (%s)" % caption)

        def records():
            try:
                with open(scores, encoding="utf-8") as f:
                    return [dict(line.split("=", 1) for line in block.splitlines() if "=" in line)
                            for block in f.read().split("\n\n") if "verdict=" in block]
            except OSError:
                return []

        def form_is(n, password, verdict):
            # The form the game makes: every field checked by the server, the
            # game id, the player, the score twice, the password only as a verdict.
            form = records()[n] if len(records()) > n else {"error": "none"}
            return ("error" not in form and form.get("f1") == PLAYER and form.get("f2") == "6"
                    and form.get("f4") == best and form.get("fa") == best + PLAYER
                    and form.get("password") == password and form.get("verdict") == verdict)

        self.drv("settext", 1003, PLAYER)
        self.drv("settext", 1004, "fel")
        self.drv("click", 1)
        button = wait_until(lambda: len(records()) >= 1, 20) and wait_until(lambda: self.text(1) == "Försök igen", 20)
        self.check(form_is(0, "mismatch", "3"),
                   "a wrong password reaches the server as the game's form with score %s (answer 3)" % best)
        self.check(button and self.ok("dialog", 0), "after answer 3 the OK button reads \"Försök igen\" and the "
                   "dialog stays open (%s)" % self.text(1))
        page = wait_until(lambda: open(self.pages).read(), 5)
        self.check(page == "http://127.0.0.1:%s/getpass.asp?mail=vilmar%%2Bwine%%40example.se\n" % self.port,
                   "after answer 3 the forgotten-password page opens for the player (%s)" % page.replace("\n", " "))
        self.drv("settext", 1004, SECRET)
        self.drv("click", 1)
        wait_until(lambda: len(records()) >= 2, 20)
        self.check(form_is(1, "match", "0"), "\"Försök igen\" sends the same score %s again with the right password "
                   "(answer 0)" % best)
        self.check(self.no_dialog(), "an accepted score closes the sign-in dialog")
        self.check(wait_until(lambda: server.process.poll() is not None, 5) and len(records()) == 2,
                   "the server received exactly the two forms")
        # The score is used up; the entries stay for the next time.
        self.drv("command", 40006)
        found, dialog = self.drv("dialog", 5000)
        self.check(found == 0 and "caption\tRegistrera din poäng (0)" in dialog.splitlines()
                   and self.text(1003) == PLAYER,
                   "after the accepted score the sign-in dialog offers 0 points and remembers the player")
        if found == 0:
            focused = self.drv("focus")[1].strip()
            self.check(focused == "1004", "with the address remembered the focus is in the password entry "
                       "(focus %s)" % (focused or "none"))
            self.drv("click", 2)

    def test_a_score_to_the_game_service(self):
        # The member joins on the service's web form (with its cross-site
        # token), the loopback program plays to a game over and signs in, and
        # the score is listed.
        if not os.access(harness.KORTIX, os.X_OK):
            return
        service = harness.when_free(lambda: harness.game_service(os.path.join(self.work, "kortix"),
                                                                 listen="127.0.0.1:%s" % self.port))
        if not service:
            return self.check(False, "a member joins on the game service's registration form and confirms the address")
        self.addCleanup(service.stop)
        status, page = harness.join_service(service.port, PLAYER, "Vinbonden", SECRET, var=service.var, page=True)
        self.check(status == 200 and "Välkommen" in page,
                   "a member joins on the game service's registration form and confirms the address")
        caption = self.signing_in()
        if caption is None:
            return self.check(False, "the loopback program signs in to the game service after a game over")
        best = caption.rsplit("(", 1)[-1].rstrip(")")
        self.drv("settext", 1003, PLAYER)
        self.drv("settext", 1004, SECRET)
        self.drv("click", 1)
        self.check(self.no_dialog(20),
                   "the game service accepts the Windows program's score and the sign-in dialog closes")
        site = "http://127.0.0.1:%d/" % service.port
        # The program sends its recorded game with the score, so the service
        # lists it as verified.
        row = '<td>Vinbonden</td><td>%s <span class="verified" title="Verifierad">' % best
        self.check(wait_until(lambda: row in harness.fetch(site), 6, step=0.2),
                   "the score (%s) is on the service's front page" % best)  # the lists are cached for a second

    # --- the ways to quit ---------------------------------------------------------

    def test_the_ways_to_quit(self):
        for name, steps in (("\"Avsluta (Alt-F4)\"", [("command", 40003)]),
                            ("Alt-F4", [("front",), ("keys", "+ALT", "F4", "-ALT")]),
                            ("closing the window", [("close",)])):
            code = self.exit_code() if self.start_game() and all(self.ok(*step) for step in steps) else "none"
            self.check(code == 0, "%s ends the program with exit code 0 (%s)" % (name, code))
        # A close that arrives while a dialog is open (from a task manager, say)
        # waits until the dialog is done, then ends the program as usual.
        still_open, code = False, "none"
        if self.start_game() and self.ok("command", 40002) and self.ok("dialog", 5000):
            self.drv("endtask")
            still_open = holds(lambda: self.ok("dialog", 0), 1.0)
            self.drv("click", 1)
            code = self.exit_code()
        self.check(still_open and code == 0, "closing the window while a dialog is open ends the program after the "
                   "dialog, exit code 0 (%s)" % code)


if __name__ == "__main__":
    sys.exit(harness.run("winetests", Windows))
