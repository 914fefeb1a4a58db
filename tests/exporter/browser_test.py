"""The status page in a real browser, for a fleet of 200 simulated printers of which some are
jammed, open, low, empty or silent: headless Chromium, driven over its DevTools pipe, loads the
page from the exporter. Every printer that needs attention is listed first and lies within the
first screen of a 1280x800 window; reasons read as words with the MIB's names in their
tooltips; the text filter narrows the rows live (the GET form without the script filters on the
server: status_page_test.cpp); a printer's card shows its supplies in their colours; on a
phone's width nothing overflows; the keyboard reaches every control in order. The screenshots of
the table and of one card are written as PNGs.

    browser_test.py EXPORTER PRINTER_SIM CHROMIUM TABLE.png CARD.png
"""

import base64
import json
import os
import struct
import subprocess
import time
import urllib.parse

from harness import Failure, Harness, check, http_get, run_test

WIDTH, HEIGHT = 1280, 800
FLEET = 200
TEAMS = ["Reception", "Accounts", "Design", "Legal", "Warehouse", "Lab", "Sales", "Support"]

# Every printer healthy first (the fleet's varied levels would make many of them low), then
# these: (printer, simulator command, expected health, words expected among its reasons).
HEALTHY = ["toner 1 80", "toner 2 75", "toner 3 70", "toner 4 65", "toner 5 60", "toner 6 20"]
TROUBLE = [
    (7, "jam", "critical", "paper jam"),
    (23, "door-open", "critical", "door open"),
    (88, "toner 1 0", "critical", "toner empty: black 0%"),
    (61, "toner 4 4", "warning", "toner low: yellow 4%"),
    (102, "paper-out 2", "warning", "tray empty: Tray 2"),
    (140, "toner 5 6", "warning", "drum near end of life: 6%"),
    (170, "toner 6 97", "warning", "waste toner nearly full: 97%"),
    (45, "silence on", "unreachable", "no answer"),
    (150, "silence on", "unreachable", "no answer"),
    (199, "silence on", "unreachable", "no answer"),
]
RANK = {"unreachable": 0, "critical": 1, "warning": 2, "ok": 3}


def name_of(index):
    return f"{TEAMS[index % len(TEAMS)]} {index:03d}"


class Browser:
    """Headless Chromium over --remote-debugging-pipe (DevTools messages on fds 3 and 4, each
    ended by a NUL byte): one page, commands answered in order, events kept until waited for."""

    def __init__(self, binary, h):
        to_chrome_r, self.to_chrome = os.pipe()
        self.from_chrome, from_chrome_w = os.pipe()

        def descriptors():
            a, b = os.dup(to_chrome_r), os.dup(from_chrome_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.process = h.start("chromium", [
            binary, "--headless=new", "--no-sandbox", "--disable-gpu",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--no-first-run", "--hide-scrollbars", f"--user-data-dir={h.path('chromium')}",
            f"--window-size={WIDTH},{HEIGHT}", "--remote-debugging-pipe", "about:blank"],
            preexec_fn=descriptors, close_fds=False)
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.buffer = b""
        self.events = []
        self.next_id = 0
        self.session = None
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target,
                                 flatten=True)["sessionId"]
        self.call("Page.enable")

    def _read(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise Failure("Chromium did not answer in time")
            chunk = os.read(self.from_chrome, 1 << 20)
            if not chunk:
                raise Failure("Chromium closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, timeout=30, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.to_chrome, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read(deadline)
            if answer.get("id") == self.next_id:
                check("error" not in answer, f"{method}: {answer.get('error')}")
                return answer["result"]
            self.events.append(answer)

    def wait_event(self, method, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.events):
                if event.get("method") == method:
                    return self.events.pop(i)
            self.events.append(self._read(deadline))

    def open(self, url, width=WIDTH, height=HEIGHT, mobile=False):
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=mobile)
        self.events.clear()
        self.call("Page.navigate", url=url)
        self.wait_event("Page.loadEventFired")

    def eval(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        check("exceptionDetails" not in result, f"{expression}: {result}")
        return result["result"].get("value")

    def screenshot(self, path):
        data = base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])
        with open(path, "wb") as f:
            f.write(data)
        check(data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is a PNG")
        return struct.unpack(">II", data[16:24])

    def close(self):
        try:
            self.session = None
            self.call("Browser.close", timeout=5)
        except Failure:
            pass


ROWS = """JSON.stringify([...document.querySelectorAll('table.fleet tbody tr')].map(r => ({
  health: r.dataset.health, name: r.querySelector('.name a').textContent,
  address: r.querySelector('.addr').textContent, hidden: r.hidden,
  why: [...r.querySelectorAll('.why')].map(w => [w.textContent, w.title]),
  top: r.getBoundingClientRect().top, bottom: r.getBoundingClientRect().bottom})))"""


def main(exporter, sim, browser_binary, table_png, card_png):
    with Harness() as h:
        started = time.monotonic()
        # One port on 200 loopback addresses: a run of 200 ports would meet the ports other
        # tests' sockets take meanwhile.
        targets = h.start_fleet(sim, FLEET, extra=["--fleet-by", "addresses"])
        for command in HEALTHY:
            h.control(f"printer all {command}")
        for index, command, _, _ in TROUBLE:
            h.control(f"printer {index} {command}")
        config = "printers:\n" + "".join(f'  - {{name: "{name_of(i)}", target: "{target}"}}\n'
                                          for i, target in enumerate(targets))
        port = h.start_exporter(exporter, config)
        url = f"http://127.0.0.1:{port}/"
        # The first load reads the printers (the silent ones until the page's read timeout);
        # the browser's loads come from the cache.
        status, page = http_get(url, timeout=30)
        check(status == 200 and "://" not in page, f"the page, without external assets: {status}")

        expected = {targets[i]: (health, words) for i, _, health, words in TROUBLE}
        browser = Browser(browser_binary, h)
        try:
            browser.open(url)
            rows = json.loads(browser.eval(ROWS))
            check(len(rows) == FLEET, f"one row per printer: {len(rows)}")
            healths = [row["health"] for row in rows]
            check(healths == sorted(healths, key=RANK.__getitem__),
                  f"sorted by what needs attention: {healths[:20]}")
            attention = [row for row in rows if row["health"] != "ok"]
            check(sorted(row["address"] for row in attention) == sorted(expected),
                  f"exactly the troubled printers need attention: "
                  f"{[(r['name'], r['health'], r['why']) for r in attention]}")
            for row in attention:
                health, words = expected[row["address"]]
                check(row["health"] == health, f"{row['name']}: {row['health']}, not {health}")
                texts = [text for text, _ in row["why"]]
                check(any(words in text for text in texts), f"{row['name']}: {texts}")
                check(all(title for _, title in row["why"]), f"{row['name']}: MIB names as tooltips")
                check(0 <= row["top"] and row["bottom"] <= HEIGHT,
                      f"{row['name']} is on the first screen: {row['top']}..{row['bottom']}")
            jammed = next(r for r in rows if r["address"] == targets[7])
            check(jammed["name"] == name_of(7), f"the configured name: {jammed['name']}")
            check(any("jammed" in title for _, title in jammed["why"]),
                  f"the MIB's name of the jam in its tooltip: {jammed['why']}")
            counts = browser.eval(
                "[...document.querySelectorAll('.count')].map(c => c.textContent).join(', ')")
            check(counts == "3 unreachable, 3 critical, 4 warning, 190 ok", f"counts: {counts}")
            check(browser.screenshot(table_png) == (WIDTH, HEIGHT), "the table's screenshot size")

            # The keyboard reaches the counts, the filter, then the printers in page order.
            reached = []
            for _ in range(8):
                for kind in ("keyDown", "keyUp"):
                    browser.call("Input.dispatchKeyEvent", type=kind, key="Tab", code="Tab",
                                 windowsVirtualKeyCode=9)
                reached.append(browser.eval("document.activeElement.tagName + ' ' + "
                                            "(document.activeElement.name || "
                                            "document.activeElement.textContent)"))
            check(reached == ["A 3 unreachable", "A 3 critical", "A 4 warning", "A 190 ok",
                              "SELECT health", "INPUT q", "BUTTON Filter", "A " + rows[0]["name"]],
                  f"the order of the keyboard's focus: {reached}")

            # The script filters as one types, and keeps the filter in the address.
            browser.eval("document.getElementById('q').focus()")
            browser.call("Input.insertText", text="yellow")
            shown = [r for r in json.loads(browser.eval(ROWS)) if not r["hidden"]]
            check([r["address"] for r in shown] == [targets[61]],
                  f"typing 'yellow' leaves the yellow one: {[r['name'] for r in shown]}")
            check(browser.eval("location.search") == "?q=yellow", "the filter in the address")

            # One printer's card: every supply's bar in its colour, the jam among its alerts.
            browser.open(url + "?printer=" + urllib.parse.quote(targets[7], safe=""))
            card = json.loads(browser.eval("""JSON.stringify({
              name: document.querySelector('.printer h2').textContent,
              reasons: [...document.querySelectorAll('.reasons li')].map(l => l.textContent),
              alerts: [...document.querySelectorAll('.alerts li')].map(l => l.dataset.code),
              bars: [...document.querySelectorAll('.supply')].map(s => [s.dataset.colour,
                getComputedStyle(s.querySelector('.fill')).backgroundColor])})"""))
            check(card["name"] == name_of(7) and "paper jam" in card["reasons"], f"card: {card}")
            check("jam" in card["alerts"], f"the jam among the alerts: {card['alerts']}")
            colours = dict(card["bars"])
            for colour, rgb in (("black", "rgb(31, 31, 31)"), ("cyan", "rgb(0, 163, 224)"),
                                ("magenta", "rgb(214, 0, 126)"), ("yellow", "rgb(242, 197, 0)")):
                check(colours.get(colour) == rgb, f"the {colour} bar: {colours.get(colour)}")
            check(browser.screenshot(card_png) == (WIDTH, HEIGHT), "the card's screenshot size")
            status, _ = http_get(url + "?printer=192.0.2.1")
            check(status == 404, f"a printer not configured: {status}")

            # A phone: the table folds into blocks, nothing wider than the screen.
            browser.open(url, width=390, height=844, mobile=True)
            width = browser.eval("document.documentElement.scrollWidth")
            check(width <= 390, f"no sideways scrolling on a phone: {width}")
        finally:
            browser.close()
        print(f"{FLEET} printers, {len(attention)} needing attention on the first screen; "
              f"screenshots {table_png} {card_png}; {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    run_test(main)
