"""vellumark-exporter's HTTP answers, end to end against the simulator's printers on loopback:
refusals (400, 404, 405) that reach no printer, the credentials and the scrape timeout a probe
reads with, the status page's cache (a page waiting for a silent printer never holds a probe),
a thousand probes at once and slow clients, /metrics answering throughout. (403, the cap's 503
and SIGTERM: process_test.py.)

    http_test.py EXPORTER PRINTER_SIM
"""

import re
import socket
import threading
import time
import urllib.request

from harness import (COLOUR_MODEL, MONO_MODEL, Harness, check, http_get, in_flight, probes,
                     raise_file_limit, run_test, wait_until)

# The page's printers would keep each auth to themselves: these probes go to the whole fleet.
CONFIG = """auths:
  default: {version: 2c, community: public, allowed_targets: [127.0.0.0/8]}
  office: {version: 2c, community: s3cret, allowed_targets: [127.0.0.0/8]}
  secure: {version: 3, username: lab, security_level: authPriv, auth_protocol: SHA256,
           password: umber-auth, priv_protocol: AES, priv_password_file: "%s",
           allowed_targets: [127.0.0.0/8]}
  forged: {version: 3, username: lab, security_level: authPriv, auth_protocol: SHA256,
           password: not-the-password, priv_protocol: AES, priv_password: umber-priv,
           allowed_targets: [127.0.0.0/8]}
printers:
  - {name: Front desk, target: "%s"}
  - {name: Basement, target: "%s"}
"""
PROBES = 1000
PRINTERS = 40


def main(exporter, sim):
    raise_file_limit(2 * PROBES + 200)
    with Harness() as h:
        # Printer 1 is silent; each printer serves two profiles, one per community.
        targets = h.start_fleet(sim, PRINTERS, extra=[
            "--profile", "s3cret=laser-mono", "--log",
            "--v3-user", "lab:authPriv:SHA-256:umber-auth:AES:umber-priv"])
        h.control("printer 1 silence on")
        with open(h.path("priv.pass"), "w") as f:
            f.write("umber-priv\n")
        port = h.start_exporter(exporter, CONFIG % (h.path("priv.pass"), targets[0], targets[1]))
        base = f"http://127.0.0.1:{port}"

        def probe(target, query="", scrape_timeout=None):
            header = {"X-Prometheus-Scrape-Timeout-Seconds": scrape_timeout}
            return http_get(f"{base}/probe?target={target}{query}", timeout=20,
                            headers=header if scrape_timeout else {})

        before = h.sim_requests()
        for path, method, status, text in [
                ("/probe", "GET", 400, "missing parameter 'target'\n"),
                ("/probe?target=bad%20host", "GET", 400, "character"),
                (f"/probe?target={targets[0]}&auth=nobody", "GET", 400, "unknown auth 'nobody'\n"),
                (f"/probe?target={targets[0]}&snmp_version=3", "GET", 400, "must be 1 or 2c"),
                (f"/probe?target={targets[0]}&auth=secure&snmp_version=1", "GET", 400,
                 "snmp_version does not apply to SNMPv3 auth 'secure'\n"),
                ("/nothing", "GET", 404, "not found"),
                (f"/probe?target={targets[0]}", "POST", 405, "only GET"),
                ("/-/healthy", "GET", 200, "Healthy")]:
            got, body = http_get(base + path, method=method)
            check(got == status and text in body, f"{method} {path}: {got} {body!r}")
            check(got == 200 or body.count("\n") == 1 and body.endswith("\n"),
                  f"a refusal is one line: {body!r}")
        check(h.sim_requests() == before and probes(base, "bad_request") == 5,
              "a refused probe reaches no printer and is counted")

        # The credentials: community public over v2c by default, the auth's community and
        # version, the version the request names.
        def versions():
            with open(h.path("sim.log")) as f:
                log = f.read()
            return log.count("v2c GETBULK"), log.count(" GETNEXT ")

        for query, model, version in [("", COLOUR_MODEL, 2), ("&snmp_version=1", COLOUR_MODEL, 1),
                                      ("&auth=office", MONO_MODEL, 2),
                                      ("&auth=office&snmp_version=1", MONO_MODEL, 1)]:
            v2c, v1 = versions()
            status, body = probe(targets[0], query)
            check(status == 200 and "vellumark_up 1\n" in body and model in body,
                  f"{query}: {status} {body[:300]}")
            now = versions()
            check((now[0] > v2c) == (version == 2) and (now[1] > v1) == (version == 1),
                  f"{query}: read over SNMP v{version}: GETBULK/GETNEXT {v2c, v1} -> {now}")

        with urllib.request.urlopen(f"{base}/probe?target={targets[0]}", timeout=20) as answer:
            kind = answer.headers["Content-Type"]
        check(kind.startswith("text/plain; version=0.0.4"), f"the exposition format: {kind}")

        # Prometheus's scrape timeout less half a second is the probe's time.
        status, body = probe(targets[1], scrape_timeout="1")
        took = float(re.search(r"^vellumark_probe_duration_seconds (\S+)$", body, re.M).group(1))
        check("vellumark_up 0\n" in body and 0.45 < took < 0.9 and probes(base, "unreachable") == 1,
              f"a silent printer: {took} s")
        check('vellumark_probe_error_info{kind="timeout"} 1\n' in body or
              'vellumark_probe_error_info{kind="deadline"} 1\n' in body, body)

        # SNMPv3 auths in the SNMP exporter's words, a password from a file: the reading, and a
        # wrong password refused by the agent as what it is, at once.
        status, body = probe(targets[0], "&auth=secure")
        check(status == 200 and "vellumark_up 1\n" in body and COLOUR_MODEL in body and
              "vellumark_probe_complete 1\n" in body, f"auth=secure: {status} {body[:300]}")
        start = time.monotonic()
        status, body = probe(targets[0], "&auth=forged")
        check(status == 200 and 'vellumark_probe_error_info{kind="security"} 1\n' in body and
              time.monotonic() - start < 0.5, f"auth=forged: {status} {body[:600]}")

        # The page waits for its printers (the silent one a second: two requests unanswered); a
        # probe does not wait for the page. Then it is cached: later loads read no printer.
        page = []
        loading = threading.Thread(target=lambda: page.append(http_get(base + "/", timeout=20)))
        loading.start()
        time.sleep(0.1)
        start = time.monotonic()
        check(probe(targets[0])[0] == 200, "a probe while the page loads")
        check(time.monotonic() - start < 0.5, "the probe did not wait for the page")
        check(loading.is_alive(), "the page was still loading")
        loading.join(timeout=20)
        status, html = page[0]
        rows = re.findall(r'<tr class="\w+" data-health="(\w+)"', html)
        check(status == 200 and "Front desk" in html and len(rows) == 2 and
              rows[0] == "unreachable", f"the page: {status} {rows}")
        before = h.sim_requests()
        for _ in range(5):
            check(http_get(base + "/")[0] == 200, "the page again")
        check(h.sim_requests() == before, "the page is cached for its interval")

        # A thousand probes at once, all in flight together: the readings share the reader's
        # requests in flight and each answer comes 100 ms late, so that each lasts until nearly
        # all are done. /metrics answers meanwhile. They go to all answering printers: a burst of
        # a hundred requests would overflow one printer's socket buffer, as a real printer's.
        # Each probe gets its answer; whether the printers kept up (a slow build's simulator may
        # not) is the readings' affair.
        h.control("log off")
        h.control("delay 100")
        succeeded = probes(base, "success")
        answering = targets[:1] + targets[2:]
        sockets = []
        for i in range(PROBES):
            s = socket.create_connection(("127.0.0.1", port), timeout=30)
            s.sendall(f"GET /probe?target={answering[i % len(answering)]} HTTP/1.1\r\nHost: x\r\n"
                      "Connection: close\r\n\r\n".encode())
            sockets.append(s)
        wait_until(f"{PROBES} probes in flight", lambda: in_flight(base) == PROBES, 10,
                   interval=0.05)
        answered = read = 0
        for s in sockets:
            data = b""
            while chunk := s.recv(65536):
                data += chunk
            s.close()
            answered += data.startswith(b"HTTP/1.1 200") and b"\nvellumark_up " in data
            read += b"\nvellumark_up 1\n" in data
        check(answered == PROBES and read > 0 and probes(base, "success") == succeeded + read,
              f"{answered} of {PROBES} probes answered, {read} with the printer")
        check(in_flight(base) == 0, "every probe's slot given back")
        print(f"{PROBES} probes at once answered, {read} with the printer")

        # Slow clients: each sends the start of a request, then a byte now and then, never the
        # end; one sends nothing at all. All are cut off after the receive limit (5 s) while
        # /metrics answers.
        slow = [socket.create_connection(("127.0.0.1", port), timeout=10) for _ in range(51)]
        for s in slow[1:]:
            s.sendall(b"GET /metrics HTTP/1.1\r\nX-A: ")
        start = time.monotonic()
        open_ = set(range(len(slow)))
        while open_ and time.monotonic() - start < 10:
            for i in list(open_):
                try:
                    if i:
                        slow[i].sendall(b"a")
                    slow[i].setblocking(False)
                    if slow[i].recv(1) == b"":
                        open_.discard(i)
                except BlockingIOError:
                    pass
                except OSError:
                    open_.discard(i)
            check(http_get(base + "/metrics", timeout=2)[0] == 200, "/metrics among slow clients")
            time.sleep(0.2)
        took = time.monotonic() - start
        for s in slow:
            s.close()
        check(not open_ and took < 7, f"slow clients cut off: {len(open_)} left after {took:.1f} s")
        print(f"slow clients cut off after {took:.1f} s")


if __name__ == "__main__":
    run_test(main)
