"""vellumark-exporter against Prometheus's SNMP exporter (Debian prometheus-snmp-exporter
0.21, module from snmp.yml beside this file) on the simulator's fleet on loopback. For each
fleet size N, both exporters are started fresh; each round fires N probes at once at one
exporter and then at the other (the order alternates), and the table gives for each: the wall
time for all N (median of the rounds), CPU time of the exporter's process per probe, its peak
RSS (VmHWM), SNMP datagrams the printers received per probe, and probes that read their
printer. CPU and datagrams are given for the first round (a fresh process: SNMPv3 engine
discovery and key derivation) and for the later ones apart.

    compare.py --exporter BUILD/apps/exporter/vellumark-exporter \\
               --sim BUILD/apps/printer-sim/vellumark-printer-sim [--sizes 100,1000] \\
               [--rounds 5] [--snmp-version 2c|1|3]
"""

import argparse
import asyncio
import os
import re
import resource
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "exporter"))
from harness import Harness, free_port, http_get, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TICKS = os.sysconf("SC_CLK_TCK")

# The SNMPv3 user both exporters read with (snmp.yml's printer_v3 module says the same).
V3_USER = "bench:authPriv:SHA-256:bench-auth-pass:AES:bench-priv-pass"
V3_AUTH = """auths:
  v3: {version: 3, username: bench, security_level: authPriv, auth_protocol: SHA256,
       password: bench-auth-pass, priv_protocol: AES, priv_password: bench-priv-pass}
"""


def cpu_seconds(pid):
    """The process's CPU time, every thread's, dead ones included: Linux's CPU clock of another
    process (nanoseconds), or /proc's clock ticks (10 ms) where that clock cannot be read."""
    try:
        return time.clock_gettime(((~pid) << 3) | 2)  # CPUCLOCK_SCHED of process `pid`
    except OSError:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICKS


def peak_rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


async def fetch(port, path):
    try:
        reader, writer = await asyncio.open_connection("127.0.0.1", port, limit=1 << 20)
        writer.write(f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                     "X-Prometheus-Scrape-Timeout-Seconds: 10\r\nConnection: close\r\n\r\n"
                     .encode())
        await writer.drain()
        data = await asyncio.wait_for(reader.read(), 30)
        writer.close()
        return data.decode("utf-8", "replace")
    except (OSError, asyncio.TimeoutError):
        return ""


async def fire(port, paths):
    return await asyncio.gather(*(fetch(port, path) for path in paths))


class Exporter:
    def __init__(self, name, pid, port, paths, read_ok, datagrams):
        self.name, self.pid, self.port, self.paths = name, pid, port, paths
        self.read_ok = read_ok      # answer text -> the printer was read
        self.datagrams = datagrams  # () -> datagrams the fleet has received so far
        self.walls, self.cpu, self.packet_counts, self.ok = [], [], [], []

    def round(self):
        cpu0 = cpu_seconds(self.pid)
        before = self.datagrams()
        start = time.monotonic()
        answers = asyncio.run(fire(self.port, self.paths))
        self.walls.append(time.monotonic() - start)
        self.cpu.append(cpu_seconds(self.pid) - cpu0)
        self.packet_counts.append(self.datagrams() - before)
        self.ok.append(sum(1 for a in answers if self.read_ok(a)))


def fleet_datagrams(harness):
    """Every SNMP datagram the fleet's printers received (answered, malformed or refused), from
    the simulator's own counters: the same count for both exporters, whatever each tallies."""
    def datagrams():
        reply = harness.control("stats")
        return sum(int(re.search(rf" {name}=(\d+)", reply).group(1))
                   for name in ("requests", "malformed", "wrongCommunity"))
    return datagrams


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exporter", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--snmp-exporter", default="/usr/bin/prometheus-snmp-exporter")
    parser.add_argument("--sizes", default="100,1000")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--snmp-version", default="2c", choices=["1", "2c", "3"])
    args = parser.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    sizes = [int(n) for n in args.sizes.split(",")]
    module = {"1": "printer_v1", "2c": "printer_v2c", "3": "printer_v3"}[args.snmp_version]
    v3 = args.snmp_version == "3"
    query = "auth=v3" if v3 else f"snmp_version={args.snmp_version}"

    rows = []
    with Harness() as h:
        targets = h.start_fleet(args.sim, max(sizes),
                                extra=["--live", *(["--v3-user", V3_USER] if v3 else [])])
        datagrams = fleet_datagrams(h)
        for n in sizes:
            ours_port = h.start_exporter(args.exporter, config_text=V3_AUTH if v3 else None,
                                         extra=["--max-probes", "5000"])
            ours_pid = h.exporter_pid
            theirs_port = free_port()
            theirs = h.start(f"snmp-exporter-{n}", [
                args.snmp_exporter, f"--config.file={os.path.join(HERE, 'snmp.yml')}",
                f"--web.listen-address=127.0.0.1:{theirs_port}", "--log.level=error"])
            wait_until("prometheus-snmp-exporter",
                       lambda: http_get(f"http://127.0.0.1:{theirs_port}/")[0] == 200, 20)
            exporters = [
                Exporter("vellumark-exporter", ours_pid, ours_port,
                         [f"/probe?target={t}&{query}" for t in targets[:n]],
                         lambda a: a.startswith("HTTP/1.1 200") and "\nvellumark_up 1\n" in a,
                         datagrams),
                Exporter("prometheus-snmp-exporter", theirs.pid, theirs_port,
                         [f"/snmp?module={module}&target={t}" for t in targets[:n]],
                         lambda a: a.startswith("HTTP/1.1 200") and "\nsysName{" in a,
                         datagrams),
            ]
            for r in range(args.rounds):
                for e in (exporters if r % 2 == 0 else exporters[::-1]):
                    e.round()
            for e in exporters:
                later = max(1, args.rounds - 1) * n
                rows.append({
                    "n": n, "name": e.name, "wall": statistics.median(e.walls),
                    "worst": max(e.walls), "cpu": sum(e.cpu) / (n * args.rounds),
                    "cpu_first": e.cpu[0] / n, "cpu_later": sum(e.cpu[1:]) / later,
                    "rss": peak_rss_mib(e.pid), "packets_first": e.packet_counts[0] / n,
                    "packets_later": sum(e.packet_counts[1:]) / later, "ok": min(e.ok)})
            h.close_process(ours_pid)
            h.close_process(theirs.pid)

    print(f"\nSNMP version {args.snmp_version}, {args.rounds} rounds, "
          f"{os.cpu_count()} cores shared with the simulator\n")
    print("| N | exporter | wall time, median (max) | CPU ms/probe: all (first round, later) | "
          "peak RSS MiB | packets/probe: first round, later | printers read (worst round) |")
    print("|---|---|---|---|---|---|---|")
    for r in rows:
        print(f"| {r['n']} | {r['name']} | {r['wall']:.2f} s ({r['worst']:.2f} s) | "
              f"{r['cpu'] * 1000:.3f} ({r['cpu_first'] * 1000:.3f}, {r['cpu_later'] * 1000:.3f}) | "
              f"{r['rss']:.1f} | {r['packets_first']:.1f}, {r['packets_later']:.1f} | "
              f"{r['ok']}/{r['n']} |")
    print()

    def ratio(ours, theirs, key):
        return f"{ours[key] / theirs[key]:.2f}x" if theirs[key] else "-"

    for i in range(0, len(rows), 2):
        ours, theirs = rows[i], rows[i + 1]
        print(f"N={ours['n']}: CPU per probe {ratio(ours, theirs, 'cpu')} (first round "
              f"{ratio(ours, theirs, 'cpu_first')}, later {ratio(ours, theirs, 'cpu_later')}), "
              f"peak RSS {ratio(ours, theirs, 'rss')}, packets per probe first round "
              f"{ratio(ours, theirs, 'packets_first')}, later "
              f"{ratio(ours, theirs, 'packets_later')} of prometheus-snmp-exporter; all "
              f"{ours['n']} read in {ours['wall']:.2f} s (goal: CPU and RSS at most 0.5x, "
              "packets at most 1x, 1000 within 10 s)")


if __name__ == "__main__":
    main()
