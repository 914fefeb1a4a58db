"""Runs the simulator's fleet, the exporter, Prometheus or Chromium on loopback for the
exporter's end-to-end tests and its benchmark. Every process is started on ports of its own,
stopped when the Harness closes, and every wait has a deadline."""

import json
import os
import re
import resource
import socket
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from process_stop import stop as _stop  # noqa: E402


# The models the bundled profiles name, as /probe's info label holds them: colour-laser (the
# fleet's default, community public) and laser-mono (served beside it to another community).
COLOUR_MODEL = 'model="Brother HL-L8360CDW series"'
MONO_MODEL = 'model="HP LaserJet Pro 4012dn"'


def run_test(main):
    """Runs a test's main with the command line's arguments; a Failure ends it with status 1."""
    try:
        main(*sys.argv[1:])
    except Failure as failure:
        print(f"FAILED: {failure}")
        sys.exit(1)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def http_get(url, timeout=10, headers=None, method="GET"):
    """(status, body) of a GET (or `method`); status 0 when nothing answered."""
    request = urllib.request.Request(url, headers=headers or {}, method=method)
    try:
        with urllib.request.urlopen(request, timeout=timeout) as answer:
            return answer.status, answer.read().decode("utf-8", "replace")
    except urllib.error.HTTPError as error:
        return error.code, error.read().decode("utf-8", "replace")
    except (urllib.error.URLError, OSError):
        return 0, ""


def metric(base, series):
    """The value of one series of the exporter's /metrics (`name` or `name{labels}`) as a
    number; None when it is not there."""
    found = re.search(rf"^{re.escape(series)} (\S+)$", http_get(base + "/metrics")[1], re.M)
    return float(found.group(1)) if found else None


def in_flight(base):
    return metric(base, "vellumark_exporter_probes_in_flight")


def probes(base, result):
    """How many probes ended with `result` (success, unreachable, bad_request, ...)."""
    return metric(base, f'vellumark_exporter_probes_total{{result="{result}"}}')


def raise_file_limit(wanted):
    """Lets this process and the programs it starts open `wanted` files, as far as the hard
    limit allows."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft != resource.RLIM_INFINITY and soft < wanted:
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(wanted, hard), hard))


def wait_until(what, probe, timeout, interval=0.2):
    """Calls probe() until it returns something true; fails after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        last = probe()
        if last:
            return last
        time.sleep(interval)
    raise Failure(f"timed out after {timeout} s waiting for {what} (last: {last!r})")


class Harness:
    def __init__(self):
        self.processes = []
        self.folder = tempfile.mkdtemp(prefix="vm-exporter-test-")
        self.control_address = "127.0.0.1"

    def close(self):
        for process, name in reversed(self.processes):
            _stop(process)
        self.processes.clear()
        subprocess.run(["rm", "-rf", self.folder], check=False)

    def close_process(self, pid):
        """Stops one process this harness started."""
        for process, name in self.processes:
            if process.pid == pid:
                _stop(process)

    def __enter__(self):
        return self

    def __exit__(self, kind, value, trace):
        if kind is not None:
            for _, name in self.processes:
                print(f"--- {name} log ---\n{self.log(name)}")
        self.close()

    def path(self, name):
        return os.path.join(self.folder, name)

    def start(self, name, args, **kwargs):
        log = open(self.path(name + ".log"), "wb")
        process = subprocess.Popen(args, stdout=kwargs.pop("stdout", log), stderr=log,
                                   stdin=subprocess.DEVNULL, **kwargs)
        self.processes.append((process, name))
        return process

    def log(self, name):
        try:
            with open(self.path(name + ".log"), "rb") as f:
                return f.read().decode("utf-8", "replace")[-4000:]
        except OSError:
            return ""

    # --- the simulator's fleet ----------------------------------------------------------

    def start_fleet(self, sim, count, profile="colour-laser", extra=(), community="public",
                    address="127.0.0.1"):
        """Starts `count` simulated printers on consecutive ports of `address` ("::1" for
        IPv6), serving `profile` to `community` (by default what real printers ship with, the
        exporter's default auth); returns their targets."""
        # Port 0: the simulator finds a run of free ports itself and binds it, retrying where
        # another program took one; a run picked here could be taken before it binds.
        self.control_address = address
        written = f"[{address}]" if ":" in address else address
        process = self.start("sim", [sim, "--listen", f"{written}:0", "--fleet", str(count),
                                     "--profile", profile, "--community", community,
                                     "--control", f"{written}:0", *extra],
                             stdout=subprocess.PIPE)
        self.sim_pid = process.pid
        targets = []
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            line = process.stdout.readline().decode()
            if not line:
                break
            if line.startswith("listening on "):
                targets.append(line.split()[-1])
            elif line.startswith("control on "):
                self.control_port = int(line.rsplit(":", 1)[1])
                break
        check(len(targets) == count, f"the fleet did not start: {targets} {self.log('sim')}")
        return targets

    def control(self, command):
        address = self.control_address
        s = socket.socket(socket.AF_INET6 if ":" in address else socket.AF_INET, socket.SOCK_DGRAM)
        s.settimeout(2)
        try:
            s.sendto((command + "\n").encode(), (address, self.control_port))
            reply = s.recvfrom(65536)[0].decode().strip()
        finally:
            s.close()
        check(reply.startswith("ok"), f"simulator refused '{command}': {reply}")
        return reply

    def sim_requests(self):
        """How many requests the fleet has received."""
        return int(re.search(r" requests=(\d+)", self.control("stats")).group(1))

    # --- the exporter -------------------------------------------------------------------

    def start_exporter(self, exporter, config_text=None, extra=()):
        port = free_port()
        args = [exporter, "--listen", f"127.0.0.1:{port}", *extra]
        if config_text is not None:
            with open(self.path("exporter.yml"), "w") as f:
                f.write(config_text)
            args += ["--config", self.path("exporter.yml")]
        process = self.start("exporter", args)
        wait_until("the exporter", lambda: http_get(f"http://127.0.0.1:{port}/-/healthy")[0] == 200,
                   10)
        self.exporter = process
        self.exporter_pid = process.pid
        return port

    # --- Prometheus -----------------------------------------------------------------------

    def start_prometheus(self, prometheus, config_path):
        port = free_port()
        self.start("prometheus", [prometheus, f"--config.file={config_path}",
                                  f"--storage.tsdb.path={self.path('tsdb')}",
                                  f"--web.listen-address=127.0.0.1:{port}",
                                  "--web.enable-lifecycle"])
        wait_until("Prometheus", lambda: http_get(f"http://127.0.0.1:{port}/-/ready")[0] == 200, 60)
        return port


def query(prometheus_port, promql):
    """The result vector of an instant query."""
    status, body = http_get(f"http://127.0.0.1:{prometheus_port}/api/v1/query?" +
                            urllib.parse.urlencode({"query": promql}))
    if status != 200:
        return []
    return json.loads(body)["data"]["result"]
