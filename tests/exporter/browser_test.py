"""The status page in a real browser: headless Chromium loads it from the exporter in front of
the simulator's fleet, with a paper jam set through the simulator. The DOM shows every
configured printer, each toner bar in its colour, and the jammed printer critical with its jam
alert; the screenshot is a PNG of the window's size.

    browser_test.py EXPORTER PRINTER_SIM CHROMIUM SCREENSHOT.png
"""

import re
import struct
import subprocess

from harness import Harness, check, http_get, run_test

WIDTH, HEIGHT = 1280, 900
NAMES = ["Reception", "Accounts", "Design studio"]


def chromium(browser, h, *args):
    return subprocess.run(
        [browser, "--headless=new", "--no-sandbox", "--disable-gpu",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--no-first-run", "--hide-scrollbars", f"--user-data-dir={h.path('chromium')}",
         f"--window-size={WIDTH},{HEIGHT}", *args],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=90, check=False,
        text=True).stdout


def main(exporter, sim, browser, screenshot):
    with Harness() as h:
        targets = h.start_fleet(sim, len(NAMES))
        h.control("printer 1 jam")
        config = "printers:\n" + "".join(
            f'  - {{name: "{name}", target: "{target}"}}\n' for name, target in zip(NAMES, targets))
        port = h.start_exporter(exporter, config)
        url = f"http://127.0.0.1:{port}/"
        # The first load reads the printers; the browser's loads come from the cache.
        status, page = http_get(url, timeout=15)
        check(status == 200, f"the page answers: {status}")

        dom = chromium(browser, h, "--dump-dom", url)
        sections = re.findall(r'<section class="printer (\w+)">(.*?)</section>', dom, re.S)
        check(len(sections) == len(NAMES), f"one row per printer: {len(sections)}\n{dom[:2000]}")
        for (health, body), name, target in zip(sections, NAMES, targets):
            check(f"<h2>{name}</h2>" in body, f"{name} shown")
            check(target in body, f"{name}'s target shown")
            for colour, css in (("black", "#1f1f1f"), ("cyan", "#00a3e0"),
                                ("magenta", "#d6007e"), ("yellow", "#f2c500")):
                check(re.search(rf'data-colour="{colour}".*?background:\s*{css}', body, re.S),
                      f"{name}: the {colour} bar in its colour")
            check("Last answered" in body, f"{name} answered")
        check(sections[1][0] == "critical", f"the jammed printer is critical: {sections[1][0]}")
        check('data-code="jam"' in sections[1][1], "the jam in its alerts")
        check('data-code="jam"' not in sections[0][1], "no jam elsewhere")

        chromium(browser, h, f"--screenshot={screenshot}", url)
        with open(screenshot, "rb") as f:
            head = f.read(24)
        check(head[:8] == b"\x89PNG\r\n\x1a\n", "the screenshot is a PNG")
        width, height = struct.unpack(">II", head[16:24])
        check((width, height) == (WIDTH, HEIGHT), f"the screenshot's size: {width}x{height}")
        print(f"{len(sections)} printers in the DOM, jam shown; screenshot {screenshot}")


if __name__ == "__main__":
    run_test(main)
