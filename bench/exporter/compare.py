"""vellumark-exporter against Prometheus's SNMP exporter (Debian prometheus-snmp-exporter
0.21, module from snmp.yml beside this file) on the simulator's fleet on loopback. For each
fleet size N, both exporters are started fresh; each round fires N probes at once at one
exporter and then at the other (the order alternates), and the table gives for each: the wall
time for all N (median of the rounds), CPU seconds of the exporter's process per probe, its
peak RSS (VmHWM), SNMP packets sent per probe, and probes that read their printer.

    compare.py --exporter BUILD/apps/exporter/vellumark-exporter \\
               --sim BUILD/apps/printer-sim/vellumark-printer-sim [--sizes 100,1000] \\
               [--rounds 5] [--snmp-version 2c]
"""

import argparse
import asyncio
import os
import resource
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "exporter"))
from harness import Harness, free_port, http_get, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
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
    def __init__(self, name, pid, port, paths, read_ok, packets_before_after):
        self.name, self.pid, self.port, self.paths = name, pid, port, paths
        self.read_ok = read_ok                # answer text -> the printer was read
        self.packets = packets_before_after   # (answers, counter-reading) -> packets so far
        self.walls, self.cpu, self.packet_counts, self.ok = [], [], [], []

    def round(self):
        cpu0 = cpu_seconds(self.pid)
        before = self.packets(None)
        start = time.monotonic()
        answers = asyncio.run(fire(self.port, self.paths))
        self.walls.append(time.monotonic() - start)
        self.cpu.append(cpu_seconds(self.pid) - cpu0)
        self.packet_counts.append(self.packets(answers) - before)
        self.ok.append(sum(1 for a in answers if self.read_ok(a)))


def ours_counter(port):
    def packets(answers):
        body = http_get(f"http://127.0.0.1:{port}/metrics")[1]
        for line in body.splitlines():
            if line.startswith("vellumark_exporter_snmp_requests_total "):
                return float(line.split()[1])
        return 0.0
    return packets


def theirs_counter(answers):
    if answers is None:
        return 0.0
    total = 0.0
    for answer in answers:
        for line in answer.splitlines():
            if line.startswith("snmp_scrape_packets_sent "):
                total += float(line.split()[1])
    return total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exporter", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--snmp-exporter", default="/usr/bin/prometheus-snmp-exporter")
    parser.add_argument("--sizes", default="100,1000")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--snmp-version", default="2c", choices=["1", "2c"])
    args = parser.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    sizes = [int(n) for n in args.sizes.split(",")]
    module = "printer_v1" if args.snmp_version == "1" else "printer_v2c"

    rows = []
    with Harness() as h:
        targets = h.start_fleet(args.sim, max(sizes), extra=["--live"])
        for n in sizes:
            ours_port = h.start_exporter(args.exporter, extra=["--max-probes", "5000"])
            ours_pid = h.exporter_pid
            theirs_port = free_port()
            theirs = h.start(f"snmp-exporter-{n}", [
                args.snmp_exporter, f"--config.file={os.path.join(HERE, 'snmp.yml')}",
                f"--web.listen-address=127.0.0.1:{theirs_port}", "--log.level=error"])
            wait_until("prometheus-snmp-exporter",
                       lambda: http_get(f"http://127.0.0.1:{theirs_port}/")[0] == 200, 20)
            exporters = [
                Exporter("vellumark-exporter", ours_pid, ours_port,
                         [f"/probe?target={t}&snmp_version={args.snmp_version}"
                          for t in targets[:n]],
                         lambda a: a.startswith("HTTP/1.1 200") and "\nvellumark_up 1\n" in a,
                         ours_counter(ours_port)),
                Exporter("prometheus-snmp-exporter", theirs.pid, theirs_port,
                         [f"/snmp?module={module}&target={t}" for t in targets[:n]],
                         lambda a: a.startswith("HTTP/1.1 200") and "\nsysName{" in a,
                         theirs_counter),
            ]
            for r in range(args.rounds):
                for e in (exporters if r % 2 == 0 else exporters[::-1]):
                    e.round()
            for e in exporters:
                rows.append((n, e.name, statistics.median(e.walls), max(e.walls),
                             sum(e.cpu) / (n * args.rounds), peak_rss_mib(e.pid),
                             sum(e.packet_counts) / (n * args.rounds), min(e.ok)))
            h.close_process(ours_pid)
            h.close_process(theirs.pid)

    print(f"\nSNMP version {args.snmp_version}, {args.rounds} rounds, "
          f"{os.cpu_count()} cores shared with the simulator\n")
    print("| N | exporter | wall time, median (max) | CPU ms/probe | peak RSS MiB | "
          "packets/probe | printers read (worst round) |")
    print("|---|---|---|---|---|---|---|")
    for n, name, wall, worst, cpu, rss, packets, ok in rows:
        print(f"| {n} | {name} | {wall:.2f} s ({worst:.2f} s) | {cpu * 1000:.3f} | {rss:.1f} | "
              f"{packets:.1f} | {ok}/{n} |")
    print()
    for i in range(0, len(rows), 2):
        ours, theirs = rows[i], rows[i + 1]
        print(f"N={ours[0]}: CPU per probe {ours[4] / theirs[4]:.2f}x, peak RSS "
              f"{ours[5] / theirs[5]:.2f}x, packets per probe {ours[6] / theirs[6]:.2f}x of "
              f"prometheus-snmp-exporter; all {ours[0]} read in {ours[2]:.2f} s "
              f"(goal: CPU and RSS at most 0.5x, packets at most 1x, 1000 within 10 s)")


if __name__ == "__main__":
    main()
