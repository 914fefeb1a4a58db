"""Reloading vellumark-exporter's configuration, and the file's keys beside the command line's.
SIGHUP and POST /-/reload put a new file in force (a changed community, a printer added to an
auth's scope); a probe in flight finishes with the configuration it began with; a file that does
not load is refused with its line, logged, the previous one stays in force, and
vellumark_exporter_config_last_reload_successful says so. An auth sent to a printer outside its
scope is refused (403) before any packet. The file's listen and allow_targets apply unless the
command line gives its own.

    reload_test.py EXPORTER PRINTER_SIM
"""

import os
import signal
import threading
import time

from harness import (COLOUR_MODEL, MONO_MODEL, Harness, check, free_port, http_get, in_flight,
                     metric, run_test, wait_until)

# T0 and T2 may be sent office's community; T1 may not.
FIRST = """auths:
  office: {version: 2c, community: s3cret}
printers:
  - {name: One, target: "%(t0)s", auth: office}
  - {name: Three, target: "%(t2)s", auth: office}
"""
# office's community changes, and T1 joins its printers.
SECOND = """auths:
  office: {version: 2c, community: public}
printers:
  - {name: One, target: "%(t0)s", auth: office}
  - {name: Two, target: "%(t1)s", auth: office}
"""
# Loads nowhere: a second auths block.
BAD = SECOND + """auths:
  office: {version: 2c, community: other}
"""
THIRD = "max_probes: 10\n"


def main(exporter, sim):
    with Harness() as h:
        targets = h.start_fleet(sim, 3, extra=["--profile", "s3cret=laser-mono"])
        names = {"t0": targets[0], "t1": targets[1], "t2": targets[2]}
        port = h.start_exporter(exporter, FIRST % names)
        base = f"http://127.0.0.1:{port}"
        config = h.path("exporter.yml")
        process = h.exporter

        def write(text):
            with open(config, "w") as f:
                f.write(text % names)

        def probe(target, auth="office", timeout=10):
            return http_get(f"{base}/probe?target={target}&auth={auth}", timeout=timeout)

        ok = "vellumark_exporter_config_last_reload_successful"
        stamp = "vellumark_exporter_config_last_reload_success_timestamp_seconds"
        check(metric(base, ok) == 1 and metric(base, stamp) > 1e9,
              f"loaded at start: {metric(base, ok)} {metric(base, stamp)}")
        started = metric(base, stamp)

        status, body = probe(targets[1])
        check(status == 403 and "auth 'office' may not be sent to 127.0.0.1" in body,
              f"office outside its printers: {status} {body}")
        check(h.sim_requests() == 0, "nothing sent for a refused auth")
        status, body = probe(targets[0])
        check(status == 200 and MONO_MODEL in body, f"office on its printer: {status}")

        # A probe in flight across the reload: slow answers, office's first community.
        h.control("printer 2 delay 150")
        slow = {}
        thread = threading.Thread(target=lambda: slow.update(
            answer=http_get(f"{base}/probe?target={targets[2]}&auth=office", timeout=30)))
        thread.start()
        wait_until("the slow probe in flight",
                   lambda: in_flight(base) == 1, 10)

        time.sleep(1.1)  # the success timestamp has whole seconds to move on
        write(SECOND)
        os.kill(process.pid, signal.SIGHUP)
        status, body = wait_until("office's new scope and community after SIGHUP",
                                  lambda: (lambda a: a if a[0] == 200 else None)(
                                      probe(targets[1])), 10)
        check(COLOUR_MODEL in body, "office's new community (public) reached T1")
        check(metric(base, ok) == 1 and metric(base, stamp) > started,
              f"the reload's metrics: {metric(base, ok)} {metric(base, stamp)} {started}")
        thread.join(30)
        status, body = slow.get("answer", (0, ""))
        check(status == 200 and MONO_MODEL in body and "vellumark_up 1" in body,
              f"the probe in flight kept its configuration (s3cret): {status} {body[:300]}")
        status, body = probe(targets[2])
        check(status == 403, f"T2 left office's printers: {status} {body}")

        # A file that does not load: refused, logged, the previous one in force.
        write(BAD)
        os.kill(process.pid, signal.SIGHUP)
        wait_until("the refusal's metric", lambda: metric(base, ok) == 0, 10)
        check(process.poll() is None, "the exporter runs on")
        log = h.log("exporter")
        check("configuration refused, the previous one stays in force" in log and
              "line 6: key 'auths' is given twice" in log, f"the refusal logged: {log}")
        status, body = probe(targets[1])
        check(status == 200 and COLOUR_MODEL in body, f"the previous file in force: {status}")

        status, body = http_get(base + "/-/reload", method="POST")
        check(status == 500 and "key 'auths' is given twice" in body,
              f"POST /-/reload of a bad file: {status} {body}")
        write(THIRD)
        status, body = http_get(base + "/-/reload", method="POST")
        check(status == 200 and metric(base, ok) == 1, f"POST /-/reload: {status} {body}")
        status, body = probe(targets[1])
        check(status == 400 and "unknown auth 'office'" in body, f"office is gone: {status}")
        print("SIGHUP, POST /-/reload, a refused file and a probe in flight: as expected")

    # The file's listen and allow-list, and the command line over them.
    with Harness() as h:
        targets = h.start_fleet(sim, 1)
        port = free_port()
        with open(h.path("exporter.yml"), "w") as f:
            f.write(f"listen: '127.0.0.1:{port}'\nallow_targets: [127.0.0.2/32]\n")
        h.start("exporter", [exporter, "--config", h.path("exporter.yml")])
        base = f"http://127.0.0.1:{port}"
        wait_until("the exporter on the file's address",
                   lambda: http_get(base + "/-/healthy")[0] == 200, 10)
        status, body = http_get(f"{base}/probe?target={targets[0]}")
        check(status == 403 and "outside the networks" in body, f"the file's list: {status}")
        other = free_port()
        h.start("exporter2", [exporter, "--config", h.path("exporter.yml"), "--listen",
                              f"127.0.0.1:{other}", "--allow-targets", "127.0.0.0/8"])
        base = f"http://127.0.0.1:{other}"
        wait_until("the exporter on --listen", lambda: http_get(base + "/-/healthy")[0] == 200,
                   10)
        status, body = http_get(f"{base}/probe?target={targets[0]}")
        check(status == 200 and "vellumark_up 1" in body, f"--allow-targets wins: {status}")
        print("the file's listen and allow_targets; the command line over them")

    # The printers file Prometheus reads too: re-read when it changes, no signal needed.
    with Harness() as h:
        targets = h.start_fleet(sim, 2, extra=["--profile", "s3cret=laser-mono"])
        printers = h.path("printers.yml")

        def list_printers(*entries):
            with open(printers + ".new", "w") as f:
                for target, name in entries:
                    f.write(f"- targets: ['{target}']\n  labels: {{printer_name: {name}, "
                            "__param_auth: office}\n")
            os.replace(printers + ".new", printers)
        list_printers((targets[0], "front-desk"))
        port = h.start_exporter(exporter, "auths: {office: {version: 2c, community: s3cret}}\n"
                                          "printers_file: printers.yml\n")
        base = f"http://127.0.0.1:{port}"
        status, page = http_get(base + "/", timeout=15)
        check(status == 200 and "front-desk" in page, f"the page names the printer: {status}")
        status, body = http_get(f"{base}/probe?target={targets[1]}&auth=office")
        check(status == 403, f"a printer not in the list: {status} {body}")
        time.sleep(0.05)
        list_printers((targets[0], "front-desk"), (targets[1], "back-office"))
        wait_until("the printer added to the list",
                   lambda: http_get(f"{base}/probe?target={targets[1]}&auth=office")[0] == 200,
                   10)
        status, page = http_get(base + "/", timeout=15)
        check("back-office" in page, "the page shows the printer added")
        print("the printers file: read when it changes, for the page and the auths' scope")


if __name__ == "__main__":
    run_test(main)
