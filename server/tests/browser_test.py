#!/usr/bin/python3
"""The service's pages in a real browser (headless Chromium through Selenium):
join through the form, see the error for a too-long password, follow a reset
link from the mail outbox, and see the score on the top list.

    browser_test.py KORTIX_SERVER HELPER

Starts its own service on a free port with a temporary var folder."""

import glob
import os
import re
import subprocess
import sys
import tempfile
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait


def start_service(server, var):
    proc = subprocess.Popen([server, "--listen", "127.0.0.1:0", "--var", var, "--hash-cost", "minimal"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline()
    match = re.search(r"http://127\.0\.0\.1:(\d+)", line)
    if not match:
        proc.kill()
        sys.exit("the service did not start: " + line)
    return proc, "http://127.0.0.1:" + match.group(1)


def browser():
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--window-size=1000,900"):
        options.add_argument(arg)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def submit(driver):
    """Presses the form's button and waits for the next page."""
    page = driver.find_element(By.TAG_NAME, "html")
    driver.find_element(By.CSS_SELECTOR, "form.form button").click()
    WebDriverWait(driver, 20).until(expected_conditions.staleness_of(page))


def fill(driver, values):
    for name, value in values.items():
        field = driver.find_element(By.NAME, name)
        field.clear()
        field.send_keys(value)


def main():
    server, helper = sys.argv[1], sys.argv[2]
    var = tempfile.mkdtemp(prefix="kortix-browser-")
    proc, base = start_service(server, var)
    driver = browser()
    failures = []

    def check(condition, what):
        print(("ok   " if condition else "FAIL ") + what)
        if not condition:
            failures.append(what)

    try:
        # A password the game could not send is refused, with the reason.
        driver.get(base + "/registrera/")
        fill(driver, {"email": "anna@example.se", "nick": "Anna i baren",
                      "password": "sjutton-tecken-17", "password2": "sjutton-tecken-17"})
        driver.find_element(By.NAME, "rules").click()
        submit(driver)
        error = driver.find_elements(By.ID, "fel-password")
        check(error and "högst 16 tecken" in error[0].text, "too-long password is refused with its reason")
        check(driver.find_element(By.NAME, "email").get_attribute("value") == "anna@example.se",
              "the address stays filled in")

        # Then a good one.
        fill(driver, {"password": "hemligt1", "password2": "hemligt1"})
        if not driver.find_element(By.NAME, "rules").is_selected():
            driver.find_element(By.NAME, "rules").click()
        submit(driver)
        check("Välkommen, Anna i baren!" in driver.find_element(By.TAG_NAME, "h1").text, "joined")

        # The forgotten-password page as the game opens it, and the link from the outbox.
        driver.get(base + "/getpass.asp?mail=anna%40example.se")
        check(driver.find_element(By.NAME, "email").get_attribute("value") == "anna@example.se",
              "the game's address is filled in")
        submit(driver)
        check("Kolla din e-mail" in driver.find_element(By.TAG_NAME, "h1").text, "reset mail requested")
        mails = [open(f, encoding="utf-8").read() for f in glob.glob(os.path.join(var, "outbox", "*.eml"))]
        links = [m.group(0) for mail in mails for m in [re.search(r"http://\S+/nyttlosen/\?t=[0-9a-f]{64}", mail)] if m]
        check(len(links) == 1, "one reset link in the outbox")
        driver.get(links[0])
        fill(driver, {"password": "nytt-losen", "password2": "nytt-losen"})
        submit(driver)
        check("Lösenordet är bytt" in driver.find_element(By.TAG_NAME, "h1").text, "new password set")
        # The used link says so at once, once, with no form to fill in for nothing.
        driver.get(links[0])
        text = driver.find_element(By.TAG_NAME, "main").text
        check(text.count("Länken är ogiltig eller för gammal. Be om en ny länk.") == 1 and text.count("Be om en ny") == 1
              and not driver.find_elements(By.NAME, "password"), "a used link is refused at once, once: %r" % text)
        check(driver.find_element(By.LINK_TEXT, "Be om en ny länk").get_attribute("href") == base + "/getpass.asp",
              "and leads to a new one")

        # The game sends a score with the new password; the top list shows it.
        form = subprocess.run([helper, "form", "anna@example.se", "nytt-losen", "4321"],
                              capture_output=True, check=True).stdout
        reply = urllib.request.urlopen(urllib.request.Request(
            base + "/r0002.asp", data=form,
            headers={"Content-Type": "application/x-www-form-urlencoded"})).read()
        check(reply == b"0\r\n", "the game's score is accepted")
        driver.get(base + "/")
        rows = [r.text for r in driver.find_elements(By.CSS_SELECTOR, "#dagens tbody tr")]
        check(rows == ["1 Anna i baren 4321"], "the score is on today's list: %r" % rows)
        page = driver.find_element(By.TAG_NAME, "html")
        driver.find_element(By.LINK_TEXT, "Hela veckan").click()
        WebDriverWait(driver, 20).until(expected_conditions.staleness_of(page))
        rows = [r.text for r in driver.find_elements(By.CSS_SELECTOR, "#topplista tbody tr")]
        check(rows == ["1 Anna i baren 4321"], "and on the week's: %r" % rows)

        # The day and week pickers line up, at a desktop's width and a phone's.
        for width in (1280, 390):
            driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                   {"width": width, "height": 844, "deviceScaleFactor": 1, "mobile": width < 500})
            driver.get(base + "/topplista/")
            boxes = driver.execute_script(
                "return [...document.querySelectorAll('.pick button, .pick input')].map(e => {"
                " const r = e.getBoundingClientRect();"
                " return [e.tagName, e.textContent, Math.round(r.left), Math.round(r.width), r.right <= innerWidth]; });")
            inputs = [b for b in boxes if b[0] == "INPUT"]
            buttons = [b for b in boxes if b[0] == "BUTTON"]
            check(len(buttons) == 2 and buttons[0] == buttons[1] and buttons[0][1] == "Visa" and buttons[0][4]
                  and len(inputs) == 2 and inputs[0][2:] == inputs[1][2:],
                  "the two Visa buttons and their fields line up at %d px: %r" % (width, boxes))
        driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    finally:
        driver.quit()
        proc.terminate()
        proc.wait(timeout=20)
    if failures:
        sys.exit("%d browser checks failed" % len(failures))


if __name__ == "__main__":
    main()
