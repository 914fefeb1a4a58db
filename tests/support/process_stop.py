"""Stopping a test's helper processes, shared by the Python tests of every folder."""

import subprocess


def stop(process):
    """Ends a process that may still run: SIGTERM, SIGKILL after 5 s."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
