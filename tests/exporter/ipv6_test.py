"""vellumark-exporter over IPv6, end to end: the simulator's fleet on ::1 (spread by ports, its
control channel on ::1 too), each printer read through /probe with its target in brackets. (The
target forms refused: address_test.cpp and tests/text; a refusal as HTTP 400: http_test.py.)

    ipv6_test.py EXPORTER PRINTER_SIM
"""

import re
import urllib.parse

from harness import Harness, check, http_get, run_test

MODEL = 'model="Brother HL-L8360CDW series"'  # colour-laser
PRINTERS = 3


def main(exporter, sim):
    with Harness() as h:
        targets = h.start_fleet(sim, PRINTERS, address="::1", extra=["--log"])
        check(all(re.fullmatch(r"\[::1\]:\d+", t) for t in targets), f"fleet on ::1: {targets}")
        # Printer 1 is told apart through the control channel on ::1.
        h.control("printer 1 jam")
        port = h.start_exporter(exporter)
        base = f"http://127.0.0.1:{port}"

        def probe(target):
            return http_get(f"{base}/probe?target={urllib.parse.quote(target, safe='')}",
                            timeout=20)

        for i, target in enumerate(targets):
            status, body = probe(target)
            check(status == 200 and "vellumark_up 1\n" in body and MODEL in body,
                  f"{target}: {status} {body[:400]}")
            jammed = 'vellumark_printer_health{state="critical"} 1\n' in body
            check(jammed == (i == 1), f"{target}: printer {i} read as itself: {body[:400]}")
        with open(h.path("sim.log")) as f:
            log = f.read()
        check("[::1]:" in log, f"the requests came over IPv6: {log[:300]}")


if __name__ == "__main__":
    run_test(main)
