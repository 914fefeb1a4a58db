"""vellumark-exporter as a program: its command line and exit statuses, the allow-list given
on the command line (403, by address and by a name, and nothing sent), the cap on probes in
flight (503 at once, /metrics answering) and SIGTERM with probes in flight (answered, exit 0
within a second).

    process_test.py EXPORTER PRINTER_SIM VERSION
"""

import subprocess
import threading
import time

from harness import Harness, check, http_get, in_flight, run_test, wait_until


def run(exporter, *args):
    done = subprocess.run([exporter, *args], capture_output=True, text=True, timeout=10)
    return done.returncode, done.stdout + done.stderr


def main(exporter, sim, version):
    # The exit statuses and where the words go; which values are refused, and why:
    # tests/apps/exporter_options_test.cpp.
    cases = [
        (["--version"], 0, f"vellumark-exporter {version}\n"),
        (["--help"], 0, "\n  --help "),
        (["--bogus"], 2, "unknown argument '--bogus'"),
        (["--config", "/nonexistent/exporter.yml"], 2, "cannot be read"),
        (["--listen", "127.0.0.1"], 2, "no :PORT"),
    ]
    for args, status, text in cases:
        code, output = run(exporter, *args)
        check(code == status and text in output, f"{args}: {code} {output!r}")

    with Harness() as h:
        with open(h.path("bad.yml"), "w") as f:
            f.write("printers:\n  - {name: x, target: 'a b'}\n")
        code, output = run(exporter, "--config", h.path("bad.yml"))
        check(code == 2 and "line 2" in output, f"bad configuration: {code} {output!r}")

        targets = h.start_fleet(sim, 2)
        port = h.start_exporter(exporter, extra=["--allow-targets", "127.0.0.2/32"])
        for target in (targets[0], "localhost:" + targets[0].split(":")[1]):
            status, body = http_get(f"http://127.0.0.1:{port}/probe?target={target}")
            check(status == 403 and "127.0.0.1 is outside" in body,
                  f"{target} outside --allow-targets: {status} {body}")
        check(h.sim_requests() == 0, "nothing sent to a printer outside the list")

        busy = subprocess.run([exporter, "--listen", f"127.0.0.1:{port}"], capture_output=True,
                              text=True, timeout=10)
        check(busy.returncode == 1, f"a port in use: {busy.returncode} {busy.stderr}")

    with Harness() as h:
        targets = h.start_fleet(sim, 1)
        h.control("printer 0 silence on")
        port = h.start_exporter(exporter, extra=["--max-probes", "20"])
        answers = []

        def probe():
            answers.append(http_get(f"http://127.0.0.1:{port}/probe?target={targets[0]}",
                                    timeout=20)[0])
        threads = [threading.Thread(target=probe) for _ in range(20)]
        for t in threads:
            t.start()
        wait_until("20 probes in flight", lambda: in_flight(f"http://127.0.0.1:{port}") == 20, 10)
        # One more is beyond the cap: refused at once; /metrics still answers.
        start = time.monotonic()
        status, body = http_get(f"http://127.0.0.1:{port}/probe?target={targets[0]}")
        check(status == 503 and "too many probes in flight (20)" in body and
              time.monotonic() - start < 0.5, f"beyond the cap: {status} {body}")
        start = time.monotonic()
        h.exporter.terminate()
        try:
            code = h.exporter.wait(timeout=5)
        except subprocess.TimeoutExpired:
            code = None
        took = time.monotonic() - start
        for t in threads:
            t.join(timeout=5)
        check(code == 0, f"exit status after SIGTERM: {code}")
        check(took < 1.0, f"exited {took:.2f} s after SIGTERM")
        check(answers == [503] * 20, f"probes in flight answered 503: {answers}")
        print(f"SIGTERM: 20 probes answered, exit 0 after {took:.2f} s")


if __name__ == "__main__":
    run_test(main)
