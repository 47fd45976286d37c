"""What the browser tests and the measurements share: the servers they start,
headless Chromium through Selenium, the canvas and the simulator's frames."""

import os
import shutil
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "testing"))
import harness  # noqa: E402
from harness import (HEIGHT, HOST_BUILD, INFOTEXT, KORTIX, ROOT, SCORESERVER, SIM, WIDTH,  # noqa: E402,F401
                     Picture, Process, fnv1a64, join_service, score_server, simulate)

SITE = os.environ.get("VILMAR_SITE", os.path.join(ROOT, "build/web/site"))
CHROME_FLAGS = ("--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                "--disable-background-networking --disable-component-update --disable-sync").split()


def site_server(forward=None, lifetime=600, root=SITE):
    args = ["/usr/bin/python3", os.path.join(HERE, "siteserver.py"), "--root", root,
            "--lifetime", str(lifetime)]
    if forward is not None:
        args += ["--forward", str(forward)]
    return Process(args)


def game_service(var, root=SITE, extra=()):
    """The game service kortix-server with the site under /spela/; extra
    options after the others."""
    return harness.game_service(var, root=root, extra=extra)


def chromium(width=900, height=700):
    options = webdriver.ChromeOptions()
    for flag in CHROME_FLAGS:
        options.add_argument(flag)
    profile = tempfile.mkdtemp(prefix="vilmar-chromium-")
    options.add_argument("--user-data-dir=" + profile)
    options.add_argument("--window-size=%d,%d" % (width, height))
    options.binary_location = "/usr/bin/chromium"
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.vilmar_profile = profile
    return driver


def close_chromium(driver):
    try:
        driver.quit()
    finally:
        shutil.rmtree(driver.vilmar_profile, ignore_errors=True)


def wait_for(driver, script, timeout=10.0, step=0.05):
    """Runs script until it returns something true; that value, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = driver.execute_script(script)
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


def open_game(driver, port, path="/"):
    driver.get("http://127.0.0.1:%d%s" % (port, path))
    if not wait_for(driver, "return window.VilmarPage && VilmarPage.firstFrameAt !== null"):
        raise AssertionError("no frame on the canvas")


CANVAS_RGBA = """
const c = document.getElementById('game');
const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
let s = '';
for (let i = 0; i < d.length; i += 32768) s += String.fromCharCode.apply(null, d.subarray(i, i + 32768));
return btoa(s);
"""


def canvas_rgb(driver):
    """The canvas as RGB bytes (the alpha left out)."""
    import base64
    rgba = base64.b64decode(driver.execute_script(CANVAS_RGBA))
    if len(rgba) != WIDTH * HEIGHT * 4:
        raise AssertionError("canvas is %d bytes" % len(rgba))
    out = bytearray(WIDTH * HEIGHT * 3)
    out[0::3] = rgba[0::4]
    out[1::3] = rgba[1::4]
    out[2::3] = rgba[2::4]
    return bytes(out)
