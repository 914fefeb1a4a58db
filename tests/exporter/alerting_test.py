"""Alerts end to end: the simulator's fleet, the exporter, a real Prometheus with the shipped
example configuration and rules, a real Alertmanager with the shipped inhibit rules, and a
webhook receiver of the test's own, all on loopback ports of the test's own.

- a paper jam set through the simulator's control channel arrives at the webhook as a firing
  PrinterPaperJam naming the printer by its friendly name from the printers list; "clear"
  arrives as resolved;
- a worn drum arrives as PrinterCritical naming its reasons;
- an empty tray arrives as PrinterOutOfPaper naming the tray and the printer (by its sysName);
- an empty toner arrives as PrinterTonerEmpty, while its PrinterTonerLow reaches Alertmanager
  and is held back there (another printer's low toner arrives, so the held-back one would
  have too);
- the exporter stopped arrives as VellumarkExporterDown and VellumarkProbesFailing.

The rules are the shipped ones with every `for:` read in seconds instead of minutes (5m becomes
5s: their order stays), every interval 1 s, so the test takes seconds.

    alerting_test.py EXPORTER PRINTER_SIM PROMETHEUS ALERTMANAGER SOURCE_DIR
"""

import http.server
import json
import threading
import time

import yaml

import shipped
from harness import Harness, check, free_port, http_get, query, wait_until, run_test

PRINTERS = 4
TRAY_OUT, JAMMED, EMPTIED, WORN = 0, 1, 2, 3  # the fleet's printers that get a condition
FRIENDLY_NAME = "reception-2f"  # printer JAMMED's name in the printers list
CYAN, YELLOW, DRUM = "2", "4", "5"  # the colour-laser profile's supplies
TRAY_2 = "2"  # its input "Tray 2"; "Tray 1" keeps its paper, "MP Tray" tells no count


class Webhook:
    """Alertmanager's webhook receiver: every alert of every notification, in order."""

    def __init__(self):
        self.alerts = []
        self.lock = threading.Lock()
        hook = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                with hook.lock:
                    hook.alerts.extend(json.loads(body)["alerts"])
                self.send_response(200)
                self.end_headers()

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def find(self, status, alertname, **labels):
        with self.lock:
            return [a for a in self.alerts if a["status"] == status and
                    a["labels"]["alertname"] == alertname and
                    all(a["labels"].get(k) == v for k, v in labels.items())]

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def main(exporter, sim, prometheus, alertmanager, source):
    started = time.monotonic()
    webhook = Webhook()
    try:
        with Harness() as h:
            run(h, webhook, exporter, sim, prometheus, alertmanager, source)
    finally:
        webhook.close()
    print(f"passed in {time.monotonic() - started:.1f} s")


def run(h, webhook, exporter, sim, prometheus, alertmanager, source):
    # Every toner at 60% but printer 0's yellow at 8%: low, for the control below.
    targets = h.start_fleet(sim, PRINTERS, extra=[
        arg for supply in "1234" for arg in ("--toner", f"{supply}=60")])
    h.control(f"printer 0 toner {YELLOW} 8")
    # The community is the simulator's, whatever the exporter's default.
    exporter_port = h.start_exporter(
        exporter, config_text="auths:\n  default: {version: 2c, community: public}\n")
    alertmanager_port = free_port()

    def edit(name, text):
        if name == "alerts.yml":
            return shipped.rules_in_seconds(text)
        if name == "prometheus.yml":
            return shipped.prometheus_for_test(text, exporter_port, alertmanager_port)
        if name == "alertmanager.yml":
            # The shipped inhibit rules; a route and receiver that answer within seconds.
            config = yaml.safe_load(text)
            config["route"] = {"receiver": "webhook", "group_by": ["alertname", "job", "instance"],
                               "group_wait": "1s", "group_interval": "1s",
                               "repeat_interval": "1h"}
            config["receivers"] = [{"name": "webhook", "webhook_configs": [
                {"url": webhook.url, "send_resolved": True}]}]
            text = yaml.safe_dump(config)
        if name == "printers.yml":
            groups = [{"targets": [t]} for t in targets]
            groups[JAMMED]["labels"] = {"printer_name": FRIENDLY_NAME}
            text = yaml.safe_dump(groups)
        return text

    files = shipped.lay_out(source, h.folder, edit)

    h.start("alertmanager", [alertmanager, f"--config.file={files['alertmanager.yml']}",
                             f"--storage.path={h.path('alertmanager')}",
                             f"--web.listen-address=127.0.0.1:{alertmanager_port}",
                             "--cluster.listen-address="])
    wait_until("Alertmanager", lambda: http_get(
        f"http://127.0.0.1:{alertmanager_port}/-/ready")[0] == 200, 30)
    prometheus_port = h.start_prometheus(prometheus, files["prometheus.yml"])
    wait_until(f"vellumark_up == 1 for all {PRINTERS} printers",
               lambda: len(query(prometheus_port, "vellumark_up == 1")) == PRINTERS, 30)
    names = {targets.index(series["metric"]["instance"]): series["metric"]["name"]
             for series in query(prometheus_port, "vellumark_printer_info")}
    check(len(names) == PRINTERS, f"one sysName for each printer: {names}")
    print(f"{PRINTERS} printers up: {names}")

    h.control(f"printer {JAMMED} jam")
    h.control(f"printer {EMPTIED} toner {CYAN} 0")
    h.control(f"printer {WORN} toner {DRUM} 0")
    h.control(f"printer {TRAY_OUT} paper-out {TRAY_2}")

    jam = wait_until("PrinterPaperJam at the webhook", lambda: webhook.find(
        "firing", "PrinterPaperJam", instance=targets[JAMMED]), 30)[0]
    check(jam["labels"].get("printer_name") == FRIENDLY_NAME and
          jam["annotations"]["summary"] ==
          f"Paper jam in printer {FRIENDLY_NAME} ({targets[JAMMED]})",
          f"the jam names the printer: {jam}")
    print(f"firing: {jam['annotations']['summary']}")
    h.control(f"printer {JAMMED} clear")
    wait_until("PrinterPaperJam resolved at the webhook", lambda: webhook.find(
        "resolved", "PrinterPaperJam", instance=targets[JAMMED]), 30)
    print("resolved after clear")

    out = wait_until("PrinterOutOfPaper at the webhook", lambda: webhook.find(
        "firing", "PrinterOutOfPaper", instance=targets[TRAY_OUT]), 30)
    check([a["annotations"]["summary"] for a in out] ==
          [f"Tray 2 of printer {names[TRAY_OUT]} ({targets[TRAY_OUT]}) is out of paper"],
          f"the empty tray alone, named once: {out}")
    print(f"firing: {out[0]['annotations']['summary']}")

    empty = wait_until("PrinterTonerEmpty at the webhook", lambda: webhook.find(
        "firing", "PrinterTonerEmpty", instance=targets[EMPTIED], supply=CYAN), 30)[0]
    check(empty["annotations"]["summary"] == f"{empty['labels']['description']} of printer "
          f"{names[EMPTIED]} ({targets[EMPTIED]}) is empty",
          f"the empty toner named by the printer's sysName: {empty}")
    print(f"firing: {empty['annotations']['summary']}")

    critical = wait_until("PrinterCritical for the worn drum at the webhook", lambda: webhook.find(
        "firing", "PrinterCritical", instance=targets[WORN]), 30)[0]
    check("alert critical: markerOpcLifeOver" in critical["annotations"]["summary"],
          f"the worn drum's reason is named: {critical}")
    print(f"firing: {critical['annotations']['summary']}")

    # Printer 0's low yellow reaches the webhook; the empty cyan's low alert reaches
    # Alertmanager, which holds it back.
    wait_until("printer 0's PrinterTonerLow at the webhook", lambda: webhook.find(
        "firing", "PrinterTonerLow", instance=targets[0], supply=YELLOW), 30)

    def held_back():
        check(not webhook.find("firing", "PrinterTonerLow", instance=targets[EMPTIED],
                               supply=CYAN), "the empty toner's low alert reached the webhook")
        status, body = http_get(f"http://127.0.0.1:{alertmanager_port}/api/v2/alerts")
        # Alertmanager decides when it would send: the state is "unprocessed" until then.
        return status == 200 and [
            a for a in json.loads(body) if a["labels"]["alertname"] == "PrinterTonerLow" and
            a["labels"]["instance"] == targets[EMPTIED] and a["labels"]["supply"] == CYAN and
            a["status"]["state"] == "suppressed" and a["status"]["inhibitedBy"]]
    wait_until("the empty cyan's PrinterTonerLow held back in Alertmanager", held_back, 30)
    held_back()
    print("PrinterTonerLow of the empty toner held back")

    # The jam and the empty toner are their own alerts' only.
    for printer in (JAMMED, EMPTIED):
        check(not webhook.find("firing", "PrinterCritical", instance=targets[printer]),
              f"no PrinterCritical for printer {printer}")

    # The exporter ends: the alerts about the printers cannot fire any more, these do.
    h.close_process(h.exporter_pid)
    for alertname in ("VellumarkExporterDown", "VellumarkProbesFailing"):
        alert = wait_until(f"{alertname} at the webhook",
                           lambda: webhook.find("firing", alertname), 30)[0]
        print(f"firing: {alert['annotations']['summary']}")


if __name__ == "__main__":
    run_test(main)
