#!/usr/bin/python3
"""Browser tests of the web version: the built site from a local server in
headless Chromium, compared with the simulator and the reference score
server, and served by the game service itself for a member's sign-in.
Run by tools/web-tests.sh after the web and native builds."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import browser

SIGN_IN_USER = "vilmar@example.com"
SIGN_IN_PASSWORD = "pilsner7"


class WebTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="vilmar-webtests-")
        cls.site = browser.site_server()
        cls.driver = browser.chromium()

    @classmethod
    def tearDownClass(cls):
        browser.close_chromium(cls.driver)
        cls.site.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def open(self):
        browser.open_game(self.driver, self.site.port)

    def press(self, key):
        self.driver.find_element(By.ID, "game").send_keys(key)

    def menu(self, popup, item):
        d = self.driver
        d.find_element(By.XPATH, "//nav[@id='menubar']//div[contains(@class,'popup')]/button[text()='%s']" % popup).click()
        d.find_element(By.XPATH, "//nav[@id='menubar']//li/button[text()='%s']" % item).click()

    def open_dialog(self):
        """The template id of the dialog on the page, waited for."""
        found = browser.wait_for(self.driver, "const d = document.querySelector('.dialog.open');"
                                              "return d ? d.id : null;", timeout=60)
        self.assertTrue(found, "no dialog opened")
        return int(found.split("-")[1])

    def dialog_closed(self, timeout=10):
        return browser.wait_for(self.driver, "return document.querySelector('.dialog.open') === null;",
                                timeout=timeout)

    def text_of(self, css):
        return self.driver.execute_script(
            "return document.querySelector('.dialog.open ' + arguments[0]).textContent;", css)

    def play_to_game_over(self):
        # Serve the first guest on the top bar, then send mugs down the empty
        # third bar into the wall until no life is left.
        self.press(Keys.F1)
        time.sleep(0.2)
        self.press(Keys.SPACE)
        time.sleep(5.5)
        deadline = time.monotonic() + 90
        while time.monotonic() < deadline:
            if self.driver.execute_script("return document.querySelector('.dialog.open') !== null;"):
                return
            self.press(Keys.ARROW_DOWN)
            time.sleep(0.2)
            self.press(Keys.ARROW_DOWN)
            time.sleep(0.2)
            self.press(Keys.SPACE)
            browser.wait_for(self.driver, "return document.querySelector('.dialog.open') !== null;",
                             timeout=4.6)
        self.fail("no game over")


class PageTest(WebTest):
    def test_the_site_is_four_files_and_small(self):
        files = sorted(os.listdir(browser.SITE))
        self.assertEqual(files, ["index.html", "page.js", "vilmar.js", "vilmar.wasm"])
        import gzip
        total = 0
        for name in files:
            with open(os.path.join(browser.SITE, name), "rb") as f:
                total += len(gzip.compress(f.read(), 9))
        self.assertLess(total, 400 * 1024)

    def test_canvas_is_424_by_300_scaled_by_whole_factors(self):
        d = self.driver
        for width, height, factor in ((900, 700, 1), (1400, 1100, 2), (500, 400, 1)):
            d.set_window_size(width, height)
            self.open()
            facts = d.execute_script("""
              const c = document.getElementById('game');
              const r = c.getBoundingClientRect();
              const stage = document.getElementById('stage').getBoundingClientRect();
              return [c.width, c.height, r.width * devicePixelRatio, r.height * devicePixelRatio,
                      getComputedStyle(c).imageRendering, r.height <= stage.height && r.width <= stage.width];""")
            self.assertEqual(facts[:2], [424, 300])
            self.assertEqual(facts[2] / 424, facts[3] / 300)
            self.assertEqual(facts[4], "pixelated")
            # A window too small for even one whole factor shows the picture
            # smaller, whole, rather than cut.
            self.assertTrue(facts[5], "the picture is larger than its room at %dx%d" % (width, height))
            if d.execute_script("return document.getElementById('game').classList.contains('whole');"):
                self.assertEqual(facts[2] % 424, 0)
                self.assertGreaterEqual(facts[2] / 424, factor)
        d.set_window_size(900, 700)

    def test_the_fullscreen_button_fills_the_screen_with_the_game_and_its_menu(self):
        self.open()
        self.driver.find_element(By.ID, "fullscreen").click()
        self.assertEqual(browser.wait_for(
            self.driver, "return document.fullscreenElement && document.fullscreenElement.id;"), "app")
        self.driver.find_element(By.ID, "fullscreen").click()
        self.assertTrue(browser.wait_for(self.driver, "return document.fullscreenElement === null;"))

    def test_menu_has_the_three_popups_and_ten_commands(self):
        self.open()
        texts = self.driver.execute_script(
            "return [...document.querySelectorAll('#menubar .popup')].map(p =>"
            " [p.querySelector('button').textContent,"
            "  [...p.querySelectorAll('li button')].map(b => [b.textContent, Number(b.dataset.command)])]);")
        self.assertEqual(texts, [
            ["Spel", [["Starta nytt spel (F1)", 40001], ["Spelregler", 40002], ["Inställningar…", 40010],
                      ["Avsluta (Alt-F4)", 40003]]],
            ["Tävling", [["Tävlingsregler", 40004], ["Om Kortix", 40005]]],
            ["Koppla upp", [["Registrera high-score", 40006], ["Utmana dina vänner", 40007],
                            ["Surfa till Kortixsajten", 40009], ["Besök Vilmars hemsida", 40008]]],
        ])


class FrameTest(WebTest):
    def test_opening_frame_equals_the_simulators_through_the_palette(self):
        work = os.path.join(self.work, "opening")
        browser.simulate("", 3, work, png_every=1)
        pngs = sorted(os.listdir(os.path.join(work, "png")))
        self.assertTrue(pngs)
        expected = browser.Picture.from_png(os.path.join(work, "png", pngs[0])).rgb
        self.open()
        canvas = browser.canvas_rgb(self.driver)
        differing = sum(1 for i in range(0, len(expected), 3) if expected[i:i + 3] != canvas[i:i + 3])
        self.assertEqual(differing, 0, "%d pixels differ from the simulator's opening frame" % differing)

    def test_f1_and_space_give_one_of_the_simulators_frames(self):
        # The simulator's frames for F1 and then Space a few ticks later; the
        # browser's timing decides which of them the canvas shows.
        work = os.path.join(self.work, "keys")
        opening = browser.simulate("", 3, os.path.join(work, "open"), png_every=1)
        first = sorted(os.listdir(os.path.join(work, "open", "png")))[0]
        palette = browser.Picture.from_png(os.path.join(work, "open", "png", first)).palette
        with_space, without_space = set(), set()
        for trace in [browser.simulate("2 f1 tap\n", 120, os.path.join(work, "f1"))]:
            without_space |= {p["frame"] for p in trace if p["frame"]}
        for offset in range(1, 61):
            trace = browser.simulate("2 f1 tap\n%d space tap\n" % (2 + offset), 2 + offset + 60,
                                     os.path.join(work, "s%d" % offset))
            with_space |= {p["frame"] for p in trace if p["frame"]}
        # Back from colours to indices: every colour but black is in the
        # palette once, and the pictures draw black with its first entry.
        lookup = {}
        for i, colour in enumerate(palette):
            lookup.setdefault(bytes(colour), i)

        self.open()
        self.press(Keys.F1)
        time.sleep(0.3)
        self.press(Keys.SPACE)
        time.sleep(0.6)
        canvas = browser.canvas_rgb(self.driver)
        frame = bytes(lookup.get(canvas[i:i + 3], 255) for i in range(0, len(canvas), 3))
        digest = "%016x" % browser.fnv1a64(frame)
        self.assertIn(digest, with_space, "the canvas is none of the simulator's frames")
        self.assertNotIn(digest, without_space, "Space made no difference")


class PlayTest(WebTest):
    def frame_passes(self):
        """Hash of each frame of a game started by F1 -> the pass that drew it."""
        trace = browser.simulate("2 f1 tap\n", 1200, os.path.join(self.work, "walk"))
        passes = {}
        for p in trace:
            if p["frame"]:
                passes.setdefault(p["frame"], p["pass"])
        palette = browser.Picture.from_png(self.opening_png()).palette
        lookup = {}
        for i, colour in enumerate(palette):
            lookup.setdefault(bytes(colour), i)
        return passes, lookup

    def opening_png(self):
        work = os.path.join(self.work, "opening")
        if not os.path.isdir(os.path.join(work, "png")):
            browser.simulate("", 3, work, png_every=1)
        return os.path.join(work, "png", sorted(os.listdir(os.path.join(work, "png")))[0])

    def pass_on_canvas(self, passes, lookup):
        canvas = browser.canvas_rgb(self.driver)
        frame = bytes(lookup.get(canvas[i:i + 3], 255) for i in range(0, len(canvas), 3))
        digest = "%016x" % browser.fnv1a64(frame)
        self.assertIn(digest, passes, "the canvas is none of the simulator's frames")
        return passes[digest]

    def test_a_hidden_tab_goes_on_where_it_stood(self):
        passes, lookup = self.frame_passes()
        self.open()
        self.press(Keys.F1)
        time.sleep(1.0)
        before = self.pass_on_canvas(passes, lookup)
        game = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        self.assertEqual(self.driver.execute_script("return 1"), 1)
        time.sleep(6)
        self.driver.close()
        self.driver.switch_to.window(game)
        time.sleep(0.4)
        after = self.pass_on_canvas(passes, lookup)
        # Six seconds away would be 150 ticks made up; back, the game has
        # moved on only by the moments it was shown.
        self.assertGreater(after, before)
        self.assertLess(after - before, 60, "the game replayed the time it was hidden")

    def test_sound_starts_with_the_first_key_and_the_serve_plays_one(self):
        self.open()
        self.assertEqual(self.driver.execute_script("return VilmarPage.soundsStarted"), 0)
        self.press(Keys.F1)
        time.sleep(0.3)
        self.press(Keys.SPACE)
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.soundsStarted > 0", timeout=3),
                        "no sound after serving")

    def test_web_pages_open_in_a_new_tab(self):
        self.open()
        self.driver.execute_script(
            "window.opened = []; window.open = (u, t, f) => { opened.push([u, t, f]); return null; };")
        self.menu("Koppla upp", "Utmana dina vänner")
        self.menu("Koppla upp", "Surfa till Kortixsajten")
        self.menu("Koppla upp", "Besök Vilmars hemsida")
        opened = browser.wait_for(self.driver, "return opened.length === 3 ? opened : null;", timeout=5)
        self.assertIsNotNone(opened)
        self.assertEqual([o[0] for o in opened], ["http://kortix.example/useradm/challenge/",
                                                  "http://kortix.example/", "http://vilmar.example/"])
        self.assertTrue(all(o[1] == "_blank" for o in opened))

    def test_quitting_ends_the_game_and_the_menu(self):
        self.open()
        self.menu("Spel", "Avsluta (Alt-F4)")
        self.assertTrue(browser.wait_for(self.driver, "return document.body.classList.contains('ended');"))
        before = browser.canvas_rgb(self.driver)
        self.press(Keys.F1)
        self.driver.find_element(By.XPATH, "//div[contains(@class,'popup')]/button[text()='Spel']").click()
        self.assertFalse(self.driver.execute_script("return document.querySelector('.popup.open') !== null;"))
        time.sleep(0.3)
        self.assertEqual(browser.canvas_rgb(self.driver), before)


class SettingsTest(WebTest):
    def stored(self, name):
        return self.driver.execute_script("return localStorage.getItem('vilmar-pintkeeper.' + arguments[0]);", name)

    def test_settings_are_kept_in_local_storage_and_a_damaged_entry_is_replaced_once(self):
        self.open()
        self.driver.execute_script("localStorage.clear();"
                                   "localStorage.setItem('vilmar-pintkeeper.volume', '400');"
                                   "localStorage.setItem('vilmar-pintkeeper.key.serve', 'KeyX');")
        self.open()
        self.assertIn("damaged", " ".join(self.driver.execute_script("return VilmarPage.settingsReports;")))
        self.assertEqual(self.stored("volume"), "100")
        self.assertEqual(self.stored("key.serve"), "Space")  # the whole text went back to the defaults
        # M mutes and the choice is kept; a binding kept is the one that plays.
        self.press("m")
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.volume && VilmarPage.volume.mute"))
        self.assertEqual(self.stored("mute"), "true")
        self.driver.execute_script("localStorage.setItem('vilmar-pintkeeper.key.serve', 'KeyX');")
        self.open()
        self.assertEqual(self.driver.execute_script("return VilmarPage.settingsReports;"), [])
        self.assertTrue(self.driver.execute_script("return VilmarPage.volume.mute;"))
        keys = self.driver.execute_script("return VilmarPage.gameKeys;")
        self.assertIn("KeyX", keys)
        self.assertNotIn("Space", keys)
        # X serves now: the first guest's mug leaves, as Space did before.
        self.press(Keys.F1)
        time.sleep(0.3)
        self.press("x")
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.soundsStarted > 0", timeout=3))


class SettingsDialogTest(WebTest):
    def test_a_game_key_is_rebound_in_the_settings_dialog_from_the_keyboard(self):
        self.open()
        self.driver.execute_script("localStorage.clear();")
        self.open()
        self.menu("Spel", "Inställningar…")
        self.assertEqual(self.open_dialog(), 140)
        focused = "return document.activeElement.textContent;"
        # Serve's button, reached with Tab, waits for a key; a key in use is
        # refused and said so, Escape gives up the wait, not the dialog.
        self.press_active(Keys.ENTER)  # the first stop, fullscreen: on
        self.press_active(Keys.ENTER)  # and off again
        for _ in range(7):
            self.press_active(Keys.TAB)
        self.assertEqual(self.driver.execute_script(focused), "Servera: Mellanslag")
        self.press_active(Keys.ENTER)
        self.assertTrue(browser.wait_for(self.driver, "return document.activeElement.textContent === 'Servera: …';"))
        self.press_active(Keys.ARROW_UP)
        self.assertTrue(browser.wait_for(self.driver, "return document.querySelector('[data-item=\"1120\"]')"
                                                      ".textContent.startsWith('Tangenten används redan');"))
        self.assertEqual(self.driver.execute_script(
            "return document.querySelector('[data-item=\"1120\"]').getAttribute('role');"), "status")
        self.press_active("x")
        self.assertTrue(browser.wait_for(self.driver, "return document.activeElement.textContent === 'Servera: X';"))
        self.press_active(Keys.TAB)
        self.press_active(Keys.ENTER)  # New game's button
        self.press_active(Keys.ESCAPE)
        self.assertTrue(browser.wait_for(self.driver, "return document.activeElement.textContent === 'Nytt spel: F1';"))
        self.assertFalse(self.dialog_closed(timeout=0.3))
        self.press_active(Keys.TAB)
        self.press_active(Keys.ENTER)  # OK
        self.assertTrue(self.dialog_closed())
        self.assertEqual(self.driver.execute_script("return localStorage.getItem('vilmar-pintkeeper.key.serve');"),
                         "KeyX")
        self.assertIn("KeyX", self.driver.execute_script("return VilmarPage.gameKeys;"))

    def press_active(self, key):
        self.driver.switch_to.active_element.send_keys(key)


class GamepadTest(WebTest):
    def test_a_pad_stubbed_in_the_page_starts_a_game_and_serves(self):
        self.open()
        self.driver.find_element(By.ID, "game").click()  # the page has the focus, as a player's has
        self.driver.execute_script("""
            window.testPad = { index: 0, connected: true, mapping: 'standard',
                               buttons: Array.from({ length: 17 }, () => ({ pressed: false })) };
            navigator.getGamepads = () => [window.testPad];""")
        press = "window.testPad.buttons[arguments[0]].pressed = arguments[1];"
        presses = "return VilmarPage.padPresses;"
        self.driver.execute_script(press, 9, True)  # Start: a new game
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.padPresses === 1;"))
        self.driver.execute_script(press, 9, False)
        time.sleep(0.3)
        self.assertEqual(self.driver.execute_script("return VilmarPage.soundsStarted;"), 0)
        self.driver.execute_script(press, 0, True)  # south: serve
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.padPresses === 2;"))
        self.driver.execute_script(press, 0, False)
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.soundsStarted > 0;", timeout=3),
                        "no serve from the pad")
        self.assertEqual(self.driver.execute_script(presses), 2)
        # Pulled out while held, the button lets go; plugged in again, it plays.
        self.driver.execute_script(press, 12, True)
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.padPresses === 3;"))
        self.driver.execute_script("navigator.getGamepads = () => [];")
        time.sleep(0.2)
        self.driver.execute_script("navigator.getGamepads = () => [window.testPad];")
        self.assertTrue(browser.wait_for(self.driver, "return VilmarPage.padPresses === 4;"))


class TouchTest(WebTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})

    def test_touch_screens_get_buttons_that_play(self):
        self.open()
        labels = self.driver.execute_script(
            "return document.body.classList.contains('touch') ?"
            " [...document.querySelectorAll('#touch button')].map(b => b.offsetWidth > 0 ? b.dataset.key : null) : null;")
        self.assertEqual(labels, ["ArrowUp", "ArrowDown", "Space", "F1"])
        # Every button is at least 44 px each way and has a name to read out,
        # at a phone's width too.
        self.driver.set_window_size(320, 640)
        sizes = self.driver.execute_script(
            "return [...document.querySelectorAll('#touch button')].map(b =>"
            " [b.getBoundingClientRect().width, b.getBoundingClientRect().height,"
            "  b.getAttribute('aria-label') || b.textContent]);")
        for width, height, name in sizes:
            self.assertGreaterEqual(min(width, height), 44, name)
            self.assertTrue(name.strip())
        self.driver.set_window_size(900, 700)
        before = browser.canvas_rgb(self.driver)
        self.driver.find_element(By.CSS_SELECTOR, "#touch button[data-key='F1']").click()
        time.sleep(0.5)
        self.assertNotEqual(browser.canvas_rgb(self.driver), before, "the new-game button started nothing")


class BrokenSiteTest(unittest.TestCase):
    """A site whose program is damaged or missing says so and stays usable."""

    def check(self, damage):
        work = tempfile.mkdtemp(prefix="vilmar-broken-")
        site = driver = None
        try:
            root = os.path.join(work, "site")
            shutil.copytree(browser.SITE, root)
            damage(root)
            site = browser.site_server(root=root)
            driver = browser.chromium()
            driver.get("http://127.0.0.1:%d/" % site.port)
            said = browser.wait_for(driver, "return document.body.classList.contains('ended') &&"
                                            " document.getElementById('loading').textContent;")
            self.assertEqual(said, "Spelet kunde inte laddas.")
            self.assertTrue(driver.execute_script(
                "return getComputedStyle(document.getElementById('again')).display !== 'none';"))
        finally:
            if driver:
                browser.close_chromium(driver)
            if site:
                site.stop()
            shutil.rmtree(work, ignore_errors=True)

    def test_a_cut_webassembly_file(self):
        def cut(root):
            path = os.path.join(root, "vilmar.wasm")
            with open(path, "rb") as f:
                head = f.read(5000)
            with open(path, "wb") as f:
                f.write(head)
        self.check(cut)

    def test_a_missing_program(self):
        self.check(lambda root: os.remove(os.path.join(root, "vilmar.js")))


class DialogTest(WebTest):
    def test_rules_show_the_exact_text_and_only_ok_closes_them(self):
        expected = subprocess.run([browser.INFOTEXT, "0"], check=True, capture_output=True).stdout.decode()
        self.open()
        self.menu("Spel", "Spelregler")
        self.assertEqual(self.open_dialog(), 129)
        self.assertEqual(self.text_of(".caption"), "Information")
        self.assertEqual(self.text_of(".infotext"), expected.replace("\r\n", "\n"))
        self.assertEqual(self.text_of("button[data-command='1']"), "OK")
        self.driver.find_element(By.TAG_NAME, "body").send_keys(Keys.ESCAPE)
        time.sleep(0.3)
        self.assertEqual(self.open_dialog(), 129)
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        self.assertTrue(self.dialog_closed())

    def test_the_other_texts_follow_their_menu_items(self):
        for index, (popup, item) in ((1, ("Tävling", "Tävlingsregler")), (2, ("Tävling", "Om Kortix"))):
            expected = subprocess.run([browser.INFOTEXT, str(index)], check=True, capture_output=True).stdout
            self.open()
            self.menu(popup, item)
            self.assertEqual(self.open_dialog(), 129)
            self.assertEqual(self.text_of(".infotext"), expected.decode().replace("\r\n", "\n"))
            self.driver.find_element(By.TAG_NAME, "body").send_keys(Keys.ENTER)
            self.assertTrue(self.dialog_closed())

    def test_game_keys_do_not_reach_the_game_while_a_dialog_is_open(self):
        self.open()
        self.menu("Spel", "Spelregler")
        self.open_dialog()
        before = browser.canvas_rgb(self.driver)
        self.driver.find_element(By.TAG_NAME, "body").send_keys(Keys.F1)
        # Nor does the focus go to the menu behind the dialog.
        for _ in range(6):
            self.driver.switch_to.active_element.send_keys(Keys.TAB)
            self.assertTrue(self.driver.execute_script(
                "return !document.getElementById('app').contains(document.activeElement);"))
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        self.assertTrue(self.dialog_closed())
        time.sleep(0.5)
        # Still the finished opening game: F1 in the dialog started nothing.
        self.assertEqual(browser.canvas_rgb(self.driver), before)


class SignInTest(WebTest):
    """A game over with a new best score, the question, and the score sent
    through the page's own origin to the reference score server."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="vilmar-webtests-")
        cls.record = os.path.join(cls.work, "record.txt")
        cls.scores = browser.score_server(cls.record, SIGN_IN_USER, SIGN_IN_PASSWORD)
        cls.site = browser.site_server(forward=cls.scores.port)
        cls.driver = browser.chromium()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        cls.scores.stop()

    def test_an_unknown_user_is_sent_to_registration_and_may_try_again(self):
        self.open()
        self.driver.execute_script(
            "window.opened = []; window.open = (u, t, f) => { opened.push(u); return null; };")
        # The opening game counts as over, so the menu item opens the dialog.
        self.menu("Koppla upp", "Registrera high-score")
        self.assertEqual(self.open_dialog(), 131)
        self.assertEqual(self.text_of(".caption"), "Registrera din poäng (0)")
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1003']").send_keys("okand@example.com")
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1004']").send_keys("x")
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        self.assertEqual(browser.wait_for(self.driver, "return opened.length ? opened : null;", timeout=30),
                         ["http://kortix.example/registrera/"])
        self.assertEqual(self.text_of("button[data-command='1']"), "Försök igen")
        self.assertEqual(self.open_dialog(), 131)
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='2']").click()
        self.assertTrue(self.dialog_closed())

    def test_the_new_best_score_is_offered_and_accepted(self):
        self.open()
        self.play_to_game_over()
        self.assertEqual(self.open_dialog(), 135)
        self.assertEqual(self.text_of(".caption"), "Registrera")
        self.assertEqual(self.text_of(".question"), "Vill du skicka din highscore till Internet?")
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()

        self.assertEqual(self.open_dialog(), 131)
        caption = self.text_of(".caption")
        self.assertRegex(caption, r"^Registrera din poäng \([1-9][0-9]*\)$")
        # OK with an empty password does nothing at all.
        entry = self.driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1003']")
        entry.send_keys(SIGN_IN_USER)
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        time.sleep(0.3)
        self.assertEqual(self.open_dialog(), 131)
        self.assertEqual(self.text_of("button[data-command='1']"), "OK")

        password = self.driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1004']")
        password.send_keys(SIGN_IN_PASSWORD + Keys.ENTER)
        self.assertTrue(self.dialog_closed(timeout=30), "the sign-in dialog stayed open")
        with open(self.record) as f:
            record = f.read().strip().split("\n\n")[-1]  # this test's request
        self.assertIn("verdict=0", record)
        self.assertIn("password=match", record)
        self.assertNotIn("error=", record)
        self.assertIn("f1=" + SIGN_IN_USER, record)


class LayoutTest(WebTest):
    """The page at a desktop's and a phone's size: the game's picture and
    every dialog inside the viewport, and no text cut."""

    QUESTION = "Vill du skicka din highscore till Internet?"
    PHONE = {"width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True}
    DESKTOP = {"width": 1280, "height": 800, "deviceScaleFactor": 1, "mobile": False}

    def tearDown(self):
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    def at(self, metrics):
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
        self.open()

    def show_dialog(self, template, texts=()):
        # The page shows the dialog as the program opens it; the program's
        # own texts, as it sets them.
        script = "VilmarPage.dialogOpen(arguments[0]);"
        for item, text in texts:
            script += "VilmarPage.dialogItem(%d, %r);" % (item, text)
        self.driver.execute_script(script, template)

    def dialog_outside(self):
        """How far the open dialog reaches past the viewport, per side."""
        return self.driver.execute_script("""
          const r = document.querySelector('.dialog.open').getBoundingClientRect();
          return [Math.max(0, -r.left), Math.max(0, r.right - innerWidth),
                  Math.max(0, -r.top), Math.max(0, r.bottom - innerHeight)];""")

    def test_the_question_is_whole_at_desktop_and_phone_width(self):
        for metrics in (self.DESKTOP, self.PHONE):
            self.at(metrics)
            self.show_dialog(135, [(1000, self.QUESTION)])
            facts = self.driver.execute_script("""
              const q = document.querySelector('.dialog.open .question');
              return [q.textContent, q.scrollWidth - q.clientWidth, q.scrollHeight - q.clientHeight,
                      getComputedStyle(q).overflowX];""")
            self.assertEqual(facts[0], self.QUESTION)
            self.assertEqual(facts[1:3], [0, 0], "the question is cut at %dpx" % metrics["width"])
            self.assertEqual(self.dialog_outside(), [0, 0, 0, 0])
            self.driver.execute_script("VilmarPage.dialogClose();")

    def test_at_phone_width_the_game_fills_the_width_and_every_dialog_fits(self):
        self.at(self.PHONE)
        facts = self.driver.execute_script("""
          const c = document.getElementById('game').getBoundingClientRect();
          return [c.left, c.width, innerWidth, c.width / c.height,
                  document.getElementById('game').classList.contains('whole')];""")
        self.assertGreaterEqual(facts[0], 0)
        self.assertGreaterEqual(facts[1], facts[2] * 0.97, "the game uses %.0f of %d px" % (facts[1], facts[2]))
        self.assertLessEqual(facts[1], facts[2])
        self.assertAlmostEqual(facts[3], 424 / 300, places=2)
        self.assertFalse(facts[4], "a whole factor would leave a quarter of the width empty")
        # The rules, as the menu opens them, and the other two dialogs.
        self.menu("Spel", "Spelregler")
        self.assertEqual(self.open_dialog(), 129)
        self.assertEqual(self.dialog_outside(), [0, 0, 0, 0])
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        self.assertTrue(self.dialog_closed())
        for template, texts in ((131, ()), (135, [(1000, self.QUESTION)])):
            self.show_dialog(template, texts)
            self.assertEqual(self.dialog_outside(), [0, 0, 0, 0], "dialog %d" % template)
            self.driver.execute_script("VilmarPage.dialogClose();")

    def test_at_desktop_size_the_factor_stays_whole(self):
        self.at(self.DESKTOP)
        facts = self.driver.execute_script("""
          const c = document.getElementById('game');
          return [c.getBoundingClientRect().width, c.classList.contains('whole')];""")
        self.assertEqual(facts, [424 * 2, True])


class ServiceTest(WebTest):
    """The site as the game service itself serves it: a member joins through
    the service's form, plays to a game over, signs in, and the score is
    accepted and on the service's front page."""

    EMAIL = "stamgast@example.com"
    NICK = "Stamgasten"
    PASSWORD = "porter42"
    SPONSOR = "https://sponsor.test/vilmar?fran=spel"

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="vilmar-webtests-")
        cls.site = browser.game_service(os.path.join(cls.work, "var"), extra=["--sponsor-url", cls.SPONSOR])
        cls.driver = browser.chromium()

    def record_opened_pages(self):
        self.driver.execute_script(
            "window.opened = []; window.open = (u, t, f) => { opened.push(u); return null; };")

    def test_the_served_game_opens_the_services_pages_and_the_sponsor_it_names(self):
        self.open()
        self.record_opened_pages()
        self.menu("Koppla upp", "Utmana dina vänner")
        self.menu("Koppla upp", "Surfa till Kortixsajten")
        self.menu("Koppla upp", "Besök Vilmars hemsida")
        opened = browser.wait_for(self.driver, "return opened.length === 3 ? opened : null;", timeout=5)
        origin = "http://127.0.0.1:%d" % self.site.port
        self.assertEqual(opened, [origin + "/useradm/challenge/", origin + "/", self.SPONSOR])

    def open(self):
        browser.open_game(self.driver, self.site.port, "/spela/")

    def test_a_member_signs_in_from_the_served_game_and_the_score_is_listed(self):
        self.assertEqual(browser.join_service(self.site.port, self.EMAIL, self.NICK, self.PASSWORD,
                                                  os.path.join(self.work, "var")), 200)
        self.driver.get("http://127.0.0.1:%d/spela" % self.site.port)
        self.assertEqual(self.driver.current_url, "http://127.0.0.1:%d/spela/" % self.site.port)
        self.open()
        # The program came compressed, and the page's policy let it run.
        sizes = self.driver.execute_script(
            "const r = performance.getEntriesByType('resource').find(e => e.name.endsWith('/vilmar.wasm'));"
            "return r ? [r.encodedBodySize, r.decodedBodySize] : null;")
        self.assertIsNotNone(sizes)
        self.assertLess(sizes[0], sizes[1] * 0.8, "vilmar.wasm was not sent compressed")

        self.play_to_game_over()
        self.assertEqual(self.open_dialog(), 135)
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        self.assertEqual(self.open_dialog(), 131)
        score = int(self.text_of(".caption").rsplit("(", 1)[1].rstrip(")"))
        self.assertGreater(score, 0)
        # A wrong password first: the forgotten-password page of this service opens.
        self.record_opened_pages()
        self.driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1003']").send_keys(self.EMAIL)
        password = self.driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1004']")
        password.send_keys("fel-losen" + Keys.ENTER)
        opened = browser.wait_for(self.driver, "return opened.length ? opened : null;", timeout=30)
        self.assertEqual(opened, ["http://127.0.0.1:%d/getpass.asp?mail=stamgast%%40example.com" % self.site.port])
        self.assertTrue(browser.wait_for(
            self.driver, "return document.querySelector('.dialog.open button[data-item=\"1\"]').textContent"
                         " === 'Försök igen';", timeout=10))
        password.clear()
        password.send_keys(self.PASSWORD + Keys.ENTER)
        self.assertTrue(self.dialog_closed(timeout=30), "the sign-in dialog stayed open")

        with open(os.path.join(self.work, "var", "server.log")) as f:
            self.assertIn("POST /r0002.asp 200", f.read())
        self.driver.get("http://127.0.0.1:%d/" % self.site.port)
        rows = self.driver.execute_script(
            "return [...document.querySelectorAll('#dagens tbody tr')].map(r =>"
            " [...r.querySelectorAll('td')].map(d => d.textContent));")
        # The page sends its recorded game with the score: listed as verified.
        self.assertEqual(rows, [["1", self.NICK, "%d ✓" % score]])
        link = self.driver.find_element(By.LINK_TEXT, "Spela i webbläsaren")
        self.assertEqual(link.get_attribute("href"), "http://127.0.0.1:%d/spela/" % self.site.port)

    def test_a_missing_program_is_reported_under_the_services_policy(self):
        # The page's own failure message needs no script the policy forbids.
        root = os.path.join(self.work, "broken")
        shutil.copytree(browser.SITE, root)
        os.remove(os.path.join(root, "vilmar.js"))
        service = browser.game_service(os.path.join(self.work, "var-broken"), root=root)
        try:
            self.driver.get("http://127.0.0.1:%d/spela/" % service.port)
            said = browser.wait_for(self.driver, "return document.body.classList.contains('ended') &&"
                                                 " document.getElementById('loading').textContent;")
            self.assertEqual(said, "Spelet kunde inte laddas.")
        finally:
            service.stop()


if __name__ == "__main__":
    for tool in (browser.SIM, browser.SCORESERVER, browser.INFOTEXT, browser.KORTIX):
        if not os.access(tool, os.X_OK):
            sys.exit("webtests: %s is missing" % tool)
    result = unittest.main(exit=False, verbosity=2).result
    failed = len(result.failures) + len(result.errors)
    print("%d passed, %d failed" % (result.testsRun - failed, failed))
    sys.exit(1 if failed else 0)
