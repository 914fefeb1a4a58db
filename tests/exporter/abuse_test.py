"""vellumark-exporter against a client or a printer that means harm, on loopback, each case a
named row: a client holding probe slots (a long scrape-timeout header, hanging up mid-probe,
connecting and leaving to pile readings up) and a printer's text that would act on a terminal.
(The allow-list's spellings of an address, IPv4-mapped ones read and sent as IPv4:
launcher_test.cpp and address_test.cpp.)

    abuse_test.py EXPORTER PRINTER_SIM
"""

import re
import socket
import time

from harness import Harness, check, http_get, in_flight, probes, run_test, wait_until

REPLACEMENT = "\ufffd"


def hold(port, target, scrape_timeout="300"):
    """A probe sent by hand, its answer never read: the socket."""
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    s.sendall(f"GET /probe?target={target} HTTP/1.1\r\nHost: x\r\n"
              f"X-Prometheus-Scrape-Timeout-Seconds: {scrape_timeout}\r\n\r\n".encode())
    return s


def slots(h, exporter, sim):
    targets = h.start_fleet(sim, 1)
    h.control("printer 0 silence on")
    silent = targets[0]
    port = h.start_exporter(exporter, extra=["--max-probes", "2", "--max-scrape-timeout", "2"])
    base = f"http://127.0.0.1:{port}"

    def long_header():
        start = time.monotonic()
        status, body = http_get(f"{base}/probe?target={silent}", timeout=20,
                                headers={"X-Prometheus-Scrape-Timeout-Seconds": "300"})
        took = time.monotonic() - start
        return status == 200 and "vellumark_up 0\n" in body and took < 2.5, f"{status} {took:.1f} s"

    def hanging_up():
        s = hold(port, silent)
        wait_until("the probe in flight", lambda: in_flight(base) == 1, 5, interval=0.05)
        abandoned = probes(base, "abandoned")
        s.close()
        start = time.monotonic()
        wait_until("its slot back", lambda: in_flight(base) == 0, 5, interval=0.05)
        took = time.monotonic() - start
        # Its reading still runs in the reader until its deadline: wait it out for the next row.
        time.sleep(2)
        return probes(base, "abandoned") == abandoned + 1 and took < 1, f"back after {took:.2f} s"

    def piling_up():
        # Two readings left by their clients count against the cap until they end.
        for _ in range(2):
            s = hold(port, silent)
            wait_until("the probe in flight", lambda: in_flight(base) == 1, 5, interval=0.05)
            s.close()
            wait_until("its slot back", lambda: in_flight(base) == 0, 5, interval=0.05)
        refused = http_get(f"{base}/probe?target={silent}", timeout=5)[0]
        time.sleep(2.2)
        later = http_get(f"{base}/probe?target={silent}", timeout=5,
                         headers={"X-Prometheus-Scrape-Timeout-Seconds": "1"})[0]
        return refused == 503 and later == 200, f"while they run {refused}, after {later}"

    rows = [
        ("a 300 s scrape timeout is cut to --max-scrape-timeout", long_header),
        ("a client that hangs up gives its slot back at once", hanging_up),
        ("connecting and leaving cannot pile readings up", piling_up),
    ]
    for name, case in rows:
        ok, seen = case()
        check(ok, f"{name}: {seen}")


def printer_text(h, exporter, sim):
    """From the printer to the label: which characters are replaced is PrintableText's
    (tests/text), the label's escaping exposition_test.cpp's."""
    targets = h.start_fleet(sim, 1)
    port = h.start_exporter(exporter)
    rows = [
        # name, sysName's bytes (hex), what the label value must hold instead
        ("a terminal's title and screen cleared", "1b5d303b6f776e6564071b5b324a",
         REPLACEMENT + "]0;owned" + REPLACEMENT * 2 + "[2J"),
        ("a right-to-left override", "61e280ae62", "a" + REPLACEMENT + "b"),
    ]
    for name, hex_bytes, shown in rows:
        h.control(f"set 1.3.6.1.2.1.1.5.0 4x {hex_bytes}")
        status, body = http_get(f"http://127.0.0.1:{port}/probe?target={targets[0]}")
        raw = bytes.fromhex(hex_bytes).decode("utf-8", "replace")
        bad = [c for c in "\x1b\x07\r\x00\u2028\u202e" if c in raw and c in body]
        check(status == 200 and f'name="{shown}"' in body and not bad,
              f"{name}: {status} {bad} {re.findall(r'name=.{0,40}', body)[:2]}")


def main(exporter, sim):
    for table in (slots, printer_text):
        with Harness() as h:
            table(h, exporter, sim)
        print(f"{table.__name__}: every row held")


if __name__ == "__main__":
    run_test(main)
