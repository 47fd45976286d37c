#!/usr/bin/python3
"""Screenshots of the browser version for the docs (docs/web/): a game in a
large window, the menu, the rules, the sign-in dialog, the question, and a
phone (390 x 844, three device pixels to a CSS pixel) with the touch buttons
and the rules. Needs the web build."""

import os
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import browser

OUT = os.path.join(browser.ROOT, "docs/web")


def main():
    os.makedirs(OUT, exist_ok=True)
    site = browser.site_server()
    driver = browser.chromium(1000, 820)
    try:
        shot = lambda name: driver.save_screenshot(os.path.join(OUT, name))
        browser.open_game(driver, site.port)
        canvas = driver.find_element(By.ID, "game")
        canvas.send_keys(Keys.F1)
        time.sleep(0.3)
        canvas.send_keys(Keys.SPACE)
        time.sleep(0.6)
        canvas.send_keys(Keys.ARROW_DOWN)
        time.sleep(0.3)
        canvas.send_keys(Keys.SPACE)
        time.sleep(1.2)
        shot("browser-play.png")

        def menu(popup, item=None):
            driver.find_element(By.XPATH, "//div[contains(@class,'popup')]/button[text()='%s']" % popup).click()
            if item:
                driver.find_element(By.XPATH, "//li/button[text()='%s']" % item).click()

        browser.open_game(driver, site.port)
        menu("Koppla upp")
        shot("browser-menu.png")
        menu("Koppla upp")
        menu("Spel", "Spelregler")
        browser.wait_for(driver, "return document.querySelector('.dialog.open')")
        shot("browser-rules.png")
        driver.find_element(By.CSS_SELECTOR, ".dialog.open button[data-command='1']").click()
        menu("Koppla upp", "Registrera high-score")
        browser.wait_for(driver, "return document.querySelector('.dialog.open')")
        driver.find_element(By.CSS_SELECTOR, ".dialog.open input[data-item='1003']").send_keys("vilmar@example.com")
        shot("browser-sign-in.png")
        driver.execute_script("VilmarPage.dialogClose(); VilmarPage.dialogOpen(135);"
                              "VilmarPage.dialogItem(1000, 'Vill du skicka din highscore till Internet?');")
        shot("browser-question.png")
        driver.execute_script("VilmarPage.dialogClose();")
    finally:
        browser.close_chromium(driver)

    phone = browser.chromium(430, 900)
    try:
        phone.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                              {"width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True})
        phone.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        browser.open_game(phone, site.port)
        phone.find_element(By.CSS_SELECTOR, "#touch button[data-key='F1']").click()
        time.sleep(1.5)
        phone.save_screenshot(os.path.join(OUT, "browser-touch.png"))
        phone.find_element(By.XPATH, "//div[contains(@class,'popup')]/button[text()='Spel']").click()
        phone.find_element(By.XPATH, "//li/button[text()='Spelregler']").click()
        browser.wait_for(phone, "return document.querySelector('.dialog.open')")
        phone.save_screenshot(os.path.join(OUT, "browser-phone-rules.png"))
    finally:
        browser.close_chromium(phone)
        site.stop()
    print("screenshots in", OUT)


if __name__ == "__main__":
    sys.exit(main())
