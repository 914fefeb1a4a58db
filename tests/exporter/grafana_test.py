"""The shipped Grafana dashboard against a real Prometheus. Its JSON is checked for what Grafana
and an import rely on (the data source input and variables, one data source variable on every
panel and query, unique ids, a grid without overlaps, every printer query filtered by job);
then every query of every panel runs, with the variables as Grafana would fill them, against a
Prometheus scraping the exporter in front of the simulator's fleet, in which one printer is
jammed, one has a toner almost empty, one does not answer and one has an empty tray. Each query
must parse and return data, the metrics it names must exist, and the panels must say what the
fleet is: the health counts add up, the table lists exactly the printers that need attention,
the supplies and trays come lowest first, the silent printer is the slowest.

    grafana_test.py EXPORTER PRINTER_SIM PROMETHEUS SOURCE_DIR
"""

import json
import os
import re
import time
import urllib.parse

import shipped
from harness import Harness, check, http_get, run_test, wait_until

PRINTERS = 6
JAMMED, LOW_TONER, SILENT, NO_PAPER = 1, 2, 3, 4
# What Grafana puts in place of the variables: the shipped scrape jobs, a fixed range.
VARIABLES = {
    "job": "printers",
    "exporter_job": "vellumark-exporter",
    "__rate_interval": "1m",
    "__interval": "1m",
}
DATASOURCE = {"type": "prometheus", "uid": "${datasource}"}
# A metric named in a query, with the selector that follows it, if any.
SELECTOR = re.compile(r"\b(vellumark_[a-z_]+)(\{[^}]*\})?")


def check_structure(dashboard):
    """Fails on what would break the import or a panel; returns the panels with queries."""
    check(dashboard.get("uid"), "a uid, so that links survive a re-import")
    check(isinstance(dashboard.get("schemaVersion"), int), "a schemaVersion")
    inputs = dashboard.get("__inputs", [])
    check([i["name"] for i in inputs if i.get("pluginId") == "prometheus"] == ["DS_PROMETHEUS"],
          f"one Prometheus data source input DS_PROMETHEUS: {inputs}")
    required = {r["id"] for r in dashboard.get("__requires", [])}
    variables = {v["name"]: v for v in dashboard["templating"]["list"]}
    source = variables.get("datasource", {})
    check(source.get("type") == "datasource" and source.get("query") == "prometheus",
          f"a data source variable over Prometheus: {source}")
    for name, metric in (("job", "vellumark_up"),
                         ("exporter_job", "vellumark_exporter_build_info")):
        variable = variables.get(name, {})
        check(variable.get("query") == f"label_values({metric}, job)" and
              variable.get("datasource") == DATASOURCE, f"variable {name}: {variable}")

    panels = dashboard["panels"]
    ids = [p.get("id") for p in panels]
    check(len(set(ids)) == len(ids) and None not in ids, f"unique panel ids: {ids}")
    cells = {}
    queried = []
    for panel in panels:
        title = panel.get("title")
        grid = panel.get("gridPos", {})
        check(all(isinstance(grid.get(k), int) for k in "hwxy") and grid["x"] + grid["w"] <= 24,
              f"{title}: gridPos inside the 24 columns: {grid}")
        for row in range(grid["y"], grid["y"] + grid["h"]):
            for column in range(grid["x"], grid["x"] + grid["w"]):
                check((row, column) not in cells,
                      f"{title} overlaps {cells.get((row, column))} at {row},{column}")
                cells[row, column] = title
        check(panel["type"] in required, f"{title}: its panel type {panel['type']} in __requires")
        if panel["type"] == "row":
            check(not panel.get("targets"), f"row {title} has no queries")
            continue
        check(panel.get("datasource") == DATASOURCE,
              f"{title}: datasource {panel.get('datasource')}")
        targets = panel.get("targets", [])
        check(targets, f"{title}: has queries")
        check(len({t["refId"] for t in targets}) == len(targets), f"{title}: unique refIds")
        for target in targets:
            check(target.get("datasource") == DATASOURCE,
                  f"{title} {target['refId']}: datasource {target.get('datasource')}")
            for metric, selector in SELECTOR.findall(target["expr"]):
                wanted = "$exporter_job" if metric.startswith("vellumark_exporter_") else "$job"
                check(f'job=~"{wanted}"' in selector,
                      f"{title} {target['refId']}: {metric} filtered by job=~\"{wanted}\"")
        queried.append(panel)
    return queried


def substitute(expr):
    for name, value in VARIABLES.items():
        expr = expr.replace("${" + name + "}", value).replace("$" + name, value)
    # "$1" in label_replace is Prometheus's, not Grafana's.
    left = re.findall(r"\$\{?[A-Za-z_]\w*", expr)
    check(not left, f"variables the test does not know: {left} in {expr}")
    return expr


def api(port, path, **params):
    """The result of a Prometheus API call; fails unless it parsed and succeeded."""
    status, body = http_get(f"http://127.0.0.1:{port}/api/v1/{path}?" +
                            urllib.parse.urlencode(params, doseq=True))
    check(status == 200, f"{path} {params}: HTTP {status} {body[:300]}")
    answer = json.loads(body)
    check(answer.get("status") == "success", f"{path} {params}: {answer}")
    return answer["data"]


def instant(port, expr, at=None):
    params = {"query": expr} if at is None else {"query": expr, "time": at}
    return api(port, "query", **params)["result"]


def values(result):
    return [float(series["value"][1]) for series in result]


def write_config(h, source, targets, exporter_port):
    """The shipped scrape jobs and rules as installed, scraping every second."""
    def edit(name, text):
        if name == "prometheus.yml":
            return shipped.prometheus_for_test(text, exporter_port)
        if name == "printers.yml":
            return "- targets: [" + ", ".join(targets) + "]\n"
        return text
    return shipped.lay_out(source, h.folder, edit)["prometheus.yml"]


def main(exporter, sim, prometheus, source):
    with open(os.path.join(source, "packaging", "grafana", "vellumark.json")) as f:
        dashboard = json.load(f)
    panels = check_structure(dashboard)
    started = time.monotonic()

    with Harness() as h:
        # Live pages (two a second) so that the page counters move within the test.
        targets = h.start_fleet(sim, PRINTERS, extra=["--live", "--page-interval", "500"])
        h.control(f"printer {JAMMED} jam")
        h.control(f"printer {LOW_TONER} toner 2 1")
        h.control(f"printer {SILENT} silence on")
        h.control(f"printer {NO_PAPER} paper-out 1")
        exporter_port = h.start_exporter(exporter)
        port = h.start_prometheus(prometheus, write_config(h, source, targets, exporter_port))

        # Every printer scraped a few times before the moment queried, so that rates have samples.
        wait_until("five scrapes of every printer and of the exporter", lambda: len(instant(
            port, "count_over_time(vellumark_up[1m]) >= 5 or "
                  "count_over_time(vellumark_exporter_build_info[1m]) >= 5")) == PRINTERS + 1, 40)

        names = set(api(port, "label/__name__/values"))
        jobs = api(port, "label/job/values", **{"match[]": "vellumark_up"})
        check(jobs == [VARIABLES["job"]], f"the job variable's values: {jobs}")

        # Every query is evaluated at one moment, a little in the past so that the scrapes
        # before it are stored: the panels then agree even while supplies run down.
        at = time.time() - 2
        answers = {}
        for panel in panels:
            for target in panel["targets"]:
                name = f"{panel['title']} {target['refId']}"
                expr = substitute(target["expr"])
                for metric, _ in SELECTOR.findall(expr):
                    check(metric in names, f"{name}: Prometheus has no metric {metric}")
                result = instant(port, expr, at)
                check(result, f"{name}: no data from {expr}")
                if not target.get("instant"):
                    # As a time series panel asks: a range, one step per 5 s.
                    matrix = api(port, "query_range", query=expr, start=at - 30, end=at,
                                 step=5)["result"]
                    check(matrix, f"{name}: no data over a range from {expr}")
                answers[panel["title"], target["refId"]] = result
                print(f"{name}: {len(result)} series")

        def single(title):
            (value,) = values(answers[title, "A"])
            return value

        counts = {t: single(t) for t in ("Printers", "OK", "Warning", "Critical", "Unreachable")}
        check(counts["Printers"] == PRINTERS and
              counts["OK"] + counts["Warning"] + counts["Critical"] + counts["Unreachable"] ==
              PRINTERS and counts["Unreachable"] == 1 and counts["Critical"] >= 1,
              f"the health counts add up to the fleet: {counts}")

        rows = [r["metric"] for r in answers["Printers needing attention", "A"]]
        needing = {r["metric"]["instance"]
                   for r in instant(port, 'vellumark_printer_health{state!="ok"} == 1', at)}
        check({r["instance"] for r in rows} == needing,
              f"the table lists the printers that need attention, {sorted(needing)}: {rows}")
        jam = [r for r in rows if r["instance"] == targets[JAMMED]]
        check(any(r.get("reason") == "jammed" for r in jam) and
              all(r["state"] == "critical" for r in jam), f"the jam with its reason: {jam}")
        check([r for r in rows if r["instance"] == targets[SILENT]] ==
              [{"job": "printers", "instance": targets[SILENT], "state": "unreachable",
                "reason": "no answer over SNMP"}], f"the silent printer: {rows}")
        check(all(r.get("name") for r in rows if r["state"] != "unreachable"),
              f"answering printers have their names: {rows}")

        supplies = values(answers["Supplies, lowest first", "A"])
        lowest = min(values(instant(port, 'vellumark_supply_ratio{type!~"waste.*"}', at)))
        check(supplies == sorted(supplies) and supplies[0] == lowest and len(supplies) == 20,
              f"the 20 lowest supplies from {lowest} up: {supplies}")
        colours = answers["Lowest supply of each colour", "A"]
        check(sorted(s["metric"]["colour"] for s in colours) ==
              ["black", "cyan", "magenta", "yellow"] and
              values(colours) == sorted(values(colours)), f"one bar per colour, lowest first: "
              f"{[(s['metric'], s['value']) for s in colours]}")
        check([s for s in colours if s["metric"]["colour"] == "cyan" and
               float(s["value"][1]) < 0.02], f"the almost empty cyan toner: {colours}")

        trays = answers["Paper, emptiest trays first", "A"]
        check(values(trays) == sorted(values(trays)) and values(trays)[0] == 0 and
              trays[0]["metric"]["instance"] == targets[NO_PAPER] and
              trays[0]["metric"]["input"] == "1", f"the empty tray first: {trays}")

        pages = values(answers["Pages in the last 24 hours", "A"])
        check(len(pages) == PRINTERS - 1 and pages == sorted(pages, reverse=True) and
              pages[0] > 0, f"pages of each answering printer, busiest first: {pages}")

        slowest = answers["Slowest printers", "A"]
        check(slowest[0]["metric"]["instance"] == targets[SILENT],
              f"the silent printer is the slowest: {slowest}")
        results = {r["metric"]["result"]: float(r["value"][1])
                   for r in answers["Exporter: probes by result", "A"]}
        check(results.get("success", 0) > 0 and results.get("unreachable", 0) > 0,
              f"probes by result: {results}")
        print(f"health {counts}; {len(rows)} rows need attention; lowest supply {lowest:.3f}; "
              f"{time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    run_test(main)
