#!/usr/bin/python3
"""Measures the browser version on this machine: the bytes a browser fetches
for the page (compressed, as the local server sends them), the time from
navigation to the first frame on the canvas, and the processor time of the
tab while a game runs. Needs the web build (tools/web-tests.sh builds it)."""

import os
import statistics
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import browser

PLAY_SECONDS = 20


def renderer_cpu_seconds(profile):
    """utime + stime of the renderer processes of the Chromium using profile."""
    tick = os.sysconf("SC_CLK_TCK")
    total = 0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmdline = f.read()
            if b"--type=renderer" not in cmdline or not same_tree(pid, profile):
                continue
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            continue
    return total / tick


def same_tree(pid, profile):
    """Whether an ancestor of pid was started with the profile."""
    while pid not in ("0", "1"):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if profile.encode() in f.read():
                    return True
            with open("/proc/%s/stat" % pid) as f:
                pid = f.read().rsplit(")", 1)[1].split()[1]
        except OSError:
            return False
    return False


def main():
    site = browser.site_server()
    driver = browser.chromium()
    try:
        loads = []
        for _ in range(5):
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.clearBrowserCache", {})
            browser.open_game(driver, site.port)
            loads.append(driver.execute_script("""
              const nav = performance.getEntriesByType('navigation')[0];
              const res = performance.getEntriesByType('resource');
              return [VilmarPage.firstFrameAt,
                      nav.transferSize + res.reduce((s, r) => s + r.transferSize, 0),
                      nav.decodedBodySize + res.reduce((s, r) => s + r.decodedBodySize, 0)];"""))
        first = [l[0] for l in loads]
        print("page bytes transferred (gzip): %d (%d uncompressed)" % (loads[-1][1], loads[-1][2]))
        print("navigation to first frame: median %.0f ms (of %s)" % (statistics.median(first),
                                                                   ", ".join("%.0f" % v for v in first)))

        driver.execute_cdp_cmd("Performance.enable", {})

        def task_seconds():
            metrics = driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
            return next(m["value"] for m in metrics if m["name"] == "TaskDuration")

        def busy(what):
            frames0 = driver.execute_script("return window.VilmarPage ? VilmarPage.frames : 0")
            task0, cpu0, wall0 = task_seconds(), renderer_cpu_seconds(driver.vilmar_profile), time.monotonic()
            time.sleep(PLAY_SECONDS)
            task1, cpu1, wall1 = task_seconds(), renderer_cpu_seconds(driver.vilmar_profile), time.monotonic()
            frames1 = driver.execute_script("return window.VilmarPage ? VilmarPage.frames : 0")
            wall = wall1 - wall0
            print("%s, %.0f s: %.1f frames shown/s; main thread busy %.2f %% of a core; "
                  "renderer process %.2f %% of a core" % (what, wall, (frames1 - frames0) / wall,
                                                         100 * (task1 - task0) / wall, 100 * (cpu1 - cpu0) / wall))

        busy("the opening picture (the loop runs, nothing changes)")
        driver.find_element(By.ID, "game").send_keys(Keys.F1)
        time.sleep(1)
        busy("playing")
        # Baseline in the same run: a page that only updates a small canvas
        # from a 40 ms timer, the least any game of this kind costs.
        driver.get("data:text/html,<canvas id=c width=424 height=300></canvas><script>"
                   "const x=c.getContext('2d');let i=0;setInterval(()=>{x.fillStyle='%23'+"
                   "(i++%25 2?'800':'080');x.fillRect(200,140,24,20)},40)</script>")
        time.sleep(1)
        busy("baseline: a 24 x 20 rectangle redrawn every 40 ms")
    finally:
        browser.close_chromium(driver)
        site.stop()


if __name__ == "__main__":
    sys.exit(main())
