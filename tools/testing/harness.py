"""What the tests that work the real programs share: the reference score
server and the game service, the virtual display, the simulator's frames,
pictures, waiting on conditions, and named checks. The browser tests
(tools/web), sdltests.py and winetests.py stand on it."""

import argparse
import json
import os
import re
import select
import shutil
import struct
import subprocess
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HOST_BUILD = os.environ.get("VILMAR_HOST_BUILD", os.path.join(ROOT, "build/default"))
SIM = os.path.join(HOST_BUILD, "tools/vilmar-sim")
SCORESERVER = os.path.join(HOST_BUILD, "tools/scoreserver/vilmar-scoreserver")
KORTIX = os.path.join(HOST_BUILD, "server/kortix-server")
INFOTEXT = os.path.join(HOST_BUILD, "tests/win32/vilmar-infotext")
WIDTH, HEIGHT = 424, 300


# --- waiting ----------------------------------------------------------------

def wait_until(condition, timeout=20.0, step=0.1):
    """Asks condition until it gives something true; that value, or the last
    false one once timeout seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(step)


def holds(condition, seconds, step=0.1):
    """Whether condition stays true for the whole time: for what must not
    happen, which no event announces."""
    deadline = time.monotonic() + seconds
    while condition():
        if time.monotonic() >= deadline:
            return True
        time.sleep(step)
    return False


# --- processes ----------------------------------------------------------------

class Process:
    """A child that prints its port once it listens ("port N" unless told
    otherwise), stopped with stop()."""

    def __init__(self, args, listening=r"^port (\d+)", stderr=None, timeout=30):
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=stderr, text=True)
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        line = self.process.stdout.readline() if ready else ""
        match = re.search(listening, line)
        if not match:
            self.stop()
            raise RuntimeError("%s did not start: %r" % (args[0], line))
        self.port = int(match.group(1))

    def stop(self):
        stop(self.process)
        self.process.stdout.close()


def stop(process, timeout=5):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def exit_code(process, timeout):
    """The process's exit code once it has ended, or None if it is still
    running after timeout seconds (it is then killed)."""
    try:
        return process.wait(timeout)
    except subprocess.TimeoutExpired:
        stop(process)
        return None


def score_server(record, user, password, reply="0", lifetime=300, port=0, requests=20):
    return Process([SCORESERVER, "--port", str(port), "--reply", reply, "--user", user,
                    "--password", password, "--record", record, "--lifetime", str(lifetime),
                    "--requests", str(requests)], stderr=subprocess.DEVNULL)


def game_service(var, root=None, listen="127.0.0.1:0", extra=()):
    """The game service kortix-server, its database and log in var; with
    root, the browser version's site under /spela/; extra options last."""
    os.makedirs(var, exist_ok=True)
    args = [KORTIX, "--listen", listen, "--var", var, "--hash-cost", "minimal"]
    if root:
        args += ["--site", os.path.abspath(root)]
    args += list(extra)
    with open(os.path.join(var, "server.log"), "a") as log:
        service = Process(args, listening=r"listening on http://127\.0\.0\.1:(\d+)", stderr=log)
    service.var = var
    return service


def when_free(start, timeout=120):
    """A server on a fixed port, started again while start() raises because
    another program (another run of the tests) holds the port; or None."""
    def attempt():
        try:
            return start()
        except RuntimeError:
            return None
    return wait_until(attempt, timeout, step=1)


def join_service(port, email, nick, password, var=None, page=False):
    """Joins through the service's registration form as a browser does: the
    form's cookie and token, then the post. The reply's status (and page).
    With the service's var folder, also follows the confirmation link from
    its outbox, so that the member's scores are listed; the status is then
    that link's."""
    import http.client
    import urllib.parse
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    try:
        connection.request("GET", "/registrera/")
        reply = connection.getresponse()
        form = reply.read().decode()
        cookie = re.search(r"kortix_csrf=([0-9a-f]+)", reply.getheader("Set-Cookie", "")).group(1)
        token = re.search(r'name="csrf" value="([0-9a-f]+)"', form).group(1)
        body = urllib.parse.urlencode({"csrf": token, "email": email, "nick": nick, "password": password,
                                       "password2": password, "rules": "ja"})
        connection.request("POST", "/registrera/", body, {
            "Content-Type": "application/x-www-form-urlencoded", "Cookie": "kortix_csrf=" + cookie})
        reply = connection.getresponse()
        answer, status = reply.read().decode(), reply.status
        if var is not None and status == 200:
            status = 404
            for name in sorted(os.listdir(os.path.join(var, "outbox"))):
                with open(os.path.join(var, "outbox", name), encoding="utf-8") as f:
                    mail = f.read()
                link = re.search(r"/bekrafta/\?t=[0-9a-f]{64}", mail)
                if "To: <%s>" % email in mail and link:
                    connection.request("GET", link.group(0))
                    reply = connection.getresponse()
                    reply.read()
                    status = reply.status
                    break
        return (status, answer) if page else status
    finally:
        connection.close()


def fetch(url):
    """The page at url as text, or "" when it cannot be had."""
    import urllib.request
    try:
        with urllib.request.urlopen(url, timeout=10) as reply:
            return reply.read().decode()
    except OSError:
        return ""


class VirtualDisplay:
    """An Xvfb server on a display number it picks itself; DISPLAY is set
    for this process and every program it starts."""

    def __init__(self, work, screen="1024x768x24"):
        number_file = os.path.join(work, "display")
        for _ in range(3):  # another test may take the same number at the same moment
            with open(number_file, "w") as number, open(os.path.join(work, "xvfb.log"), "a") as log:
                self.process = subprocess.Popen(["Xvfb", "-displayfd", str(number.fileno()), "-screen", "0", screen,
                                                 "-nolisten", "tcp", "-noreset"], pass_fds=(number.fileno(),),
                                                stderr=log)
            os.environ["DISPLAY"] = ":" + (wait_until(lambda: open(number_file).read().strip(), 30) or "none")
            if wait_until(lambda: self.process.poll() is None and subprocess.run(
                    ["xdotool", "getdisplaygeometry"], capture_output=True).returncode == 0, 10):
                return
            stop(self.process)
        raise RuntimeError("Xvfb did not start")

    def stop(self):
        stop(self.process)


def output(args, timeout=60):
    """What a program writes, or nothing if it is not done in time: an
    ImageMagick `import` of a window that is going away can wait for ever."""
    try:
        return subprocess.run(args, capture_output=True, timeout=timeout).stdout
    except subprocess.TimeoutExpired:
        return b""


def require(*tools):
    """Raises if a program the tests need is neither on the path nor built."""
    missing = [tool for tool in tools if not (shutil.which(tool) or os.access(tool, os.X_OK))]
    if missing:
        raise RuntimeError("missing: " + ", ".join(missing))


# --- the simulator's frames and pictures ---------------------------------------

def simulate(script, passes, work, png_every=None, sim=SIM):
    """Runs the simulator; the trace as a list of objects. With png_every the
    drawn frames go to work/png as pass-NNNNNN.png."""
    os.makedirs(work, exist_ok=True)
    keys = os.path.join(work, "keys.txt")
    with open(keys, "w") as f:
        f.write(script)
    args = [sim, "--input", keys, "--passes", str(passes), "--trace"]
    if png_every:
        args += ["--png-dir", os.path.join(work, "png"), "--png-every", str(png_every)]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def fnv1a64(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


class Picture:
    """RGB pixels, rows from the top."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytes(rgb)

    @classmethod
    def from_png(cls, path):
        """An 8-bit palette PNG as the simulator writes it, with its palette."""
        picture = cls.read(path)
        with open(path, "rb") as f:
            data = f.read()
        at = data.find(b"PLTE")
        if picture is None or at < 4:
            raise ValueError("not a palette PNG: " + path)
        length, = struct.unpack(">I", data[at - 4:at])
        picture.palette = [tuple(data[at + 4 + i:at + 7 + i]) for i in range(0, length, 3)]
        return picture

    @classmethod
    def from_ppm(cls, data):
        """A binary PPM (P6, 8 bits) as `import ... ppm:-` writes it, or None."""
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        if not match:
            return None
        width, height = int(match.group(1)), int(match.group(2))
        rgb = data[match.end():match.end() + width * height * 3]
        return cls(width, height, rgb) if len(rgb) == width * height * 3 else None

    @classmethod
    def read(cls, path):
        """Any picture ImageMagick reads (a BMP capture, say), or None."""
        return cls.from_ppm(output(["convert", path, "-depth", "8", "ppm:-"]))

    def crop(self, x, y, width, height):
        rows = (self.rgb[(y + r) * self.width * 3 + x * 3:(y + r) * self.width * 3 + (x + width) * 3]
                for r in range(height))
        return Picture(width, height, b"".join(rows))

    def scaled(self, factor):
        """Every pixel a factor x factor block."""
        rows = []
        for y in range(self.height):
            row = self.rgb[y * self.width * 3:(y + 1) * self.width * 3]
            wide = b"".join(row[i:i + 3] * factor for i in range(0, len(row), 3))
            rows.extend([wide] * factor)
        return Picture(self.width * factor, self.height * factor, b"".join(rows))

    def pixels(self):
        return (self.rgb[i:i + 3] for i in range(0, len(self.rgb), 3))

    def differing(self, other):
        """How many pixels differ (all of them when the sizes do)."""
        if (self.width, self.height) != (other.width, other.height):
            return max(self.width * self.height, other.width * other.height)
        if self.rgb == other.rgb:
            return 0
        return sum(1 for a, b in zip(self.pixels(), other.pixels()) if a != b)

    def colours(self):
        return len(set(self.pixels()))

    def frame_hash(self, palette):
        """The simulator's hash of this picture read back into palette
        indices: every colour but black is in the palette once, and the
        pictures draw black with its first entry."""
        lookup = {}
        for i, colour in enumerate(palette):
            lookup.setdefault(bytes(colour), i)
        return "%016x" % fnv1a64(bytes(lookup.get(p, 255) for p in self.pixels()))


# --- named checks -------------------------------------------------------------

class Checks(unittest.TestCase):
    """A test case whose scenarios make named checks, printed as "ok - NAME"
    or "not ok - NAME" so that runs can be compared check by check; a failed
    check fails its scenario and the scenario goes on."""

    passed = failed = 0
    shots = options = None

    def check(self, condition, name):
        if condition:
            Checks.passed += 1
            print("ok - " + name, flush=True)
        else:
            Checks.failed += 1
            print("not ok - " + name, flush=True)
            with self.subTest(name):
                self.fail(name)
        return bool(condition)


def run(name, case, *flags):
    """Reads the command line (--screenshots DIR and the flags given), then
    runs the case's scenarios in the order they are written; the exit code."""
    parser = argparse.ArgumentParser(prog=name)
    parser.add_argument("--screenshots", metavar="DIR", help="keep pictures of the menus and dialogs")
    for flag, text in flags:
        parser.add_argument(flag, action="store_true", help=text)
    case.options = parser.parse_args()
    if case.options.screenshots:
        case.shots = os.path.abspath(case.options.screenshots)
        os.makedirs(case.shots, exist_ok=True)
    suite = unittest.TestSuite(case(test) for test in case.__dict__ if test.startswith("test"))
    result = unittest.TextTestRunner(stream=sys.stdout, verbosity=0).run(suite)
    broken = len(result.errors)
    print("%s: %d passed, %d failed%s" % (name, Checks.passed, Checks.failed,
                                         ", %d scenarios broken" % broken if broken else ""))
    return 0 if result.wasSuccessful() and not Checks.failed else 1
