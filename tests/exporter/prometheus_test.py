"""A real Prometheus scrapes the exporter in front of the simulator's fleet, with the shipped
scrape job's relabelling and the shipped alert rules: every printer is up, a supply ratio is
queried by colour, and a paper jam set through the simulator fires PrinterPaperJam, which
resolves after "clear". The files are laid out as installed; the rules are the shipped ones with
their `for:` durations read in seconds, so the test takes seconds rather than minutes.

    prometheus_test.py EXPORTER PRINTER_SIM PROMETHEUS SOURCE_DIR
"""

import shipped
from harness import Harness, alerts, check, query, wait_until, run_test

PRINTERS = 4


def main(exporter, sim, prometheus, source):
    with Harness() as h:
        targets = h.start_fleet(sim, PRINTERS)
        exporter_port = h.start_exporter(exporter)

        def edit(name, text):
            if name == "alerts.yml":
                return shipped.rules_in_seconds(text)
            if name == "prometheus.yml":
                return shipped.prometheus_for_test(text, exporter_port)
            if name == "printers.yml":
                return "- targets: [" + ", ".join(targets) + "]\n"
            return text
        files = shipped.lay_out(source, h.folder, edit)
        port = h.start_prometheus(prometheus, files["prometheus.yml"])

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
