"""A real Prometheus scrapes the exporter in front of the simulator's fleet, with the shipped
scrape job's relabelling and the shipped alert rules: every printer is up, a supply ratio is
queried by colour, and a paper jam set through the simulator fires PrinterPaperJam, which
resolves after "clear". The rules are the shipped ones with their `for:` durations cut to
seconds (the only change), so the test takes seconds rather than minutes.

    prometheus_test.py EXPORTER PRINTER_SIM PROMETHEUS SOURCE_DIR
"""

import os
import re

from harness import Harness, alerts, check, query, wait_until, run_test

PRINTERS = 4


def main(exporter, sim, prometheus, source):
    shipped = os.path.join(source, "packaging", "prometheus")
    with Harness() as h:
        targets = h.start_fleet(sim, PRINTERS)
        exporter_port = h.start_exporter(exporter)

        with open(os.path.join(shipped, "alerts.yml")) as f:
            rules = re.sub(r"for: \d+m", "for: 2s", f.read())
        with open(h.path("alerts.yml"), "w") as f:
            f.write(rules)
        with open(h.path("printers.yml"), "w") as f:
            f.write("- targets: [" + ", ".join(targets) + "]\n")
        # The shipped job with the exporter's address and short intervals.
        with open(os.path.join(shipped, "prometheus.yml")) as f:
            config = f.read()
        config = config.replace("127.0.0.1:10305", f"127.0.0.1:{exporter_port}")
        config = re.sub(r"scrape_interval: \d+s", "scrape_interval: 1s", config)
        config = re.sub(r"scrape_timeout: \d+s", "scrape_timeout: 1s", config)
        config = re.sub(r"evaluation_interval: \d+s", "evaluation_interval: 1s", config)
        with open(h.path("prometheus.yml"), "w") as f:
            f.write(config)
        port = h.start_prometheus(prometheus, h.path("prometheus.yml"))

        up = wait_until(f"vellumark_up == 1 for all {PRINTERS} printers",
                        lambda: len(query(port, "vellumark_up == 1")) == PRINTERS and
                        query(port, "vellumark_up == 1"), 60)
        check(sorted(r["metric"]["instance"] for r in up) == sorted(targets),
              f"instances are the printers: {up}")
        cyan = wait_until("the cyan toner's ratio",
                          lambda: query(port, 'vellumark_supply_ratio{colour="cyan"}'), 30)
        check(len(cyan) == PRINTERS, f"one cyan ratio per printer: {cyan}")
        for series in cyan:
            ratio = float(series["value"][1])
            check(0 <= ratio <= 1, f"a ratio from 0 to 1: {series}")
        print(f"up: {len(up)} printers; cyan ratios: " +
              ", ".join(s["value"][1][:5] for s in cyan))

        check(not [a for a in alerts(port) if a["labels"]["alertname"] == "PrinterPaperJam"],
              "no jam before one is set")
        h.control("printer 2 jam")
        jammed = targets[2]

        def jam_firing():
            return [a for a in alerts(port) if a["labels"]["alertname"] == "PrinterPaperJam"
                    and a["state"] == "firing"]
        firing = wait_until("PrinterPaperJam firing", jam_firing, 60)
        check([a["labels"]["instance"] for a in firing] == [jammed],
              f"the jammed printer alone: {firing}")
        summary = firing[0]["annotations"]["summary"]
        check(jammed in summary, f"the summary names the printer: {summary}")
        print(f"firing: {summary}")

        h.control("printer 2 clear")
        wait_until("PrinterPaperJam resolved",
                   lambda: not [a for a in alerts(port)
                                if a["labels"]["alertname"] == "PrinterPaperJam"], 60)
        print("resolved after clear")


if __name__ == "__main__":
    run_test(main)
