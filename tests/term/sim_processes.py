"""What the terminal front-end's Python tests share: simulated printers on loopback ports of
their own, stopped when the block ends, and a failure said on one line with status 1."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from process_stop import stop  # noqa: E402


def fail(message):
    print(f"FAILED: {message}")
    sys.exit(1)


def run_main(main, doc):
    """Runs main with the command line's arguments; usage and status 2 when they do not fit."""
    if len(sys.argv) != main.__code__.co_argcount + 1:
        print(doc)
        sys.exit(2)
    main(*sys.argv[1:])


class Processes:
    """Simulated printers (and any other process handed over), all stopped on leaving."""

    def __init__(self, sim):
        self.sim = sim
        self.processes = []

    def __enter__(self):
        return self

    def __exit__(self, *_):
        for process in reversed(self.processes):
            stop(process)

    def add(self, process):
        self.processes.append(process)
        return process

    def start_sim(self, *extra):
        """A simulated printer on a free loopback port: its target, 127.0.0.1:PORT."""
        process = self.add(subprocess.Popen([self.sim, "--listen", "127.0.0.1:0", *extra],
                                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                            text=True))
        line = process.stdout.readline()
        if not line.startswith("listening on 127.0.0.1:"):
            fail(f"the simulator did not start: {line!r}")
        return line.split()[-1]
