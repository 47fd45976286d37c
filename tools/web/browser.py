"""What the browser tests and the measurements share: the servers they start,
headless Chromium through Selenium, the canvas and the simulator's frames."""

import json
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SITE = os.environ.get("VILMAR_SITE", os.path.join(ROOT, "build/web/site"))
HOST_BUILD = os.environ.get("VILMAR_HOST_BUILD", os.path.join(ROOT, "build/default"))
SIM = os.path.join(HOST_BUILD, "tools/vilmar-sim")
SCORESERVER = os.path.join(HOST_BUILD, "tools/scoreserver/vilmar-scoreserver")
KORTIX = os.path.join(HOST_BUILD, "server/kortix-server")
INFOTEXT = os.path.join(HOST_BUILD, "tests/win32/vilmar-infotext")
WIDTH, HEIGHT = 424, 300
CHROME_FLAGS = ("--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                "--disable-background-networking --disable-component-update --disable-sync").split()


class Process:
    """A child that prints its port once it listens ("port N" unless told
    otherwise), stopped with stop()."""

    def __init__(self, args, listening=r"^port (\d+)", stderr=None):
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=stderr, text=True)
        line = self.process.stdout.readline()
        match = re.search(listening, line)
        if not match:
            self.stop()
            raise RuntimeError("%s did not start: %r" % (args[0], line))
        self.port = int(match.group(1))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


def site_server(forward=None, lifetime=600, root=SITE):
    args = ["/usr/bin/python3", os.path.join(HERE, "siteserver.py"), "--root", root,
            "--lifetime", str(lifetime)]
    if forward is not None:
        args += ["--forward", str(forward)]
    return Process(args)


def game_service(var, root=SITE, extra=()):
    """The game service kortix-server with the site under /spela/, its
    database and log in var; extra options after the others."""
    os.makedirs(var, exist_ok=True)
    with open(os.path.join(var, "server.log"), "a") as log:
        return Process([KORTIX, "--listen", "127.0.0.1:0", "--var", var, "--hash-cost", "minimal",
                        "--site", os.path.abspath(root)] + list(extra),
                       listening=r"listening on http://127\.0\.0\.1:(\d+)", stderr=log)


def join_service(port, email, nick, password, var=None):
    """Joins through the service's registration form as a browser does: the
    form's cookie and token, then the post. The reply's status. With the
    service's var folder, also follows the confirmation link from its outbox,
    so that the member's scores are listed."""
    import http.client
    import urllib.parse
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    try:
        connection.request("GET", "/registrera/")
        reply = connection.getresponse()
        page = reply.read().decode()
        cookie = re.search(r"kortix_csrf=([0-9a-f]+)", reply.getheader("Set-Cookie", "")).group(1)
        token = re.search(r'name="csrf" value="([0-9a-f]+)"', page).group(1)
        body = urllib.parse.urlencode({"csrf": token, "email": email, "nick": nick, "password": password,
                                       "password2": password, "rules": "ja"})
        connection.request("POST", "/registrera/", body, {
            "Content-Type": "application/x-www-form-urlencoded", "Cookie": "kortix_csrf=" + cookie})
        reply = connection.getresponse()
        reply.read()
        if var is None or reply.status != 200:
            return reply.status
        for name in sorted(os.listdir(os.path.join(var, "outbox"))):
            with open(os.path.join(var, "outbox", name), encoding="utf-8") as f:
                mail = f.read()
            link = re.search(r"/bekrafta/\?t=[0-9a-f]{64}", mail)
            if "To: <%s>" % email in mail and link:
                connection.request("GET", link.group(0))
                reply = connection.getresponse()
                reply.read()
                return reply.status
        return 404
    finally:
        connection.close()


def score_server(record, user, password, reply="0", lifetime=300):
    return Process([SCORESERVER, "--port", "0", "--reply", reply, "--user", user,
                    "--password", password, "--record", record, "--lifetime", str(lifetime),
                    "--requests", "20"])


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


def read_indexed_png(path):
    """(width, height, index bytes, palette as RGB triples) of an 8-bit palette PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG: " + path)
    at, idat, palette, header = 8, b"", [], None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"PLTE":
            palette = [tuple(chunk[i:i + 3]) for i in range(0, len(chunk), 3)]
        elif kind == b"IDAT":
            idat += chunk
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 3 or interlace != 0:
        raise ValueError("not an 8-bit palette PNG: " + path)
    raw = zlib.decompress(idat)
    rows, previous, stride = [], bytearray(width), width + 1
    for y in range(height):
        kind, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
        for x in range(width):
            left = line[x - 1] if x else 0
            up = previous[x]
            corner = previous[x - 1] if x else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, b"".join(rows), palette


def to_rgb(indices, palette):
    table = [bytes(palette[i]) if i < len(palette) else b"\0\0\0" for i in range(256)]
    return b"".join(table[i] for i in indices)


def simulate(script, passes, work, png_every=None):
    """Runs the simulator; the trace as a list of objects. With png_every the
    drawn frames go to work/png as pass-NNNNNN.png."""
    os.makedirs(work, exist_ok=True)
    keys = os.path.join(work, "keys.txt")
    with open(keys, "w") as f:
        f.write(script)
    args = [SIM, "--input", keys, "--passes", str(passes), "--trace"]
    if png_every:
        args += ["--png-dir", os.path.join(work, "png"), "--png-every", str(png_every)]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def fnv1a64(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h
