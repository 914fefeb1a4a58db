"""The shipped Prometheus and Alertmanager files (packaging/prometheus) laid out in a test's
folder as a package installs them: the paths they name in /usr/share and /etc point into the
folder, so Prometheus's own tools and a real Prometheus read them as installed."""

import os
import re

import yaml

# Where the package puts the files, as the files themselves name those places.
INSTALLED_FOLDER = "/usr/share/vellumark/prometheus/"
PRINTERS_LIST = "/etc/vellumark/printers.yml"

FILES = ("prometheus.yml", "scrape-jobs.yml", "alerts.yml", "printers.yml", "alertmanager.yml")


def lay_out(source, folder, edit=lambda name, text: text):
    """Copies every shipped file into `folder` with the installed paths pointing there, after
    `edit(name, text)`; returns {name: path}."""
    shipped = os.path.join(source, "packaging", "prometheus")
    paths = {}
    for name in FILES:
        with open(os.path.join(shipped, name)) as f:
            text = f.read()
        text = text.replace(INSTALLED_FOLDER, folder.rstrip("/") + "/")
        text = text.replace(PRINTERS_LIST, os.path.join(folder, "printers.yml"))
        paths[name] = os.path.join(folder, name)
        with open(paths[name], "w") as f:
            f.write(edit(name, text))
    return paths


def rules_in_seconds(text):
    """The rules with every `for:` read in seconds instead of minutes (`5m` becomes `5s`, `1h`
    `60s`): their order stays, a test waits seconds."""
    text = re.sub(r"for: (\d+)m\b", r"for: \1s", text)
    return re.sub(r"for: (\d+)h\b", lambda m: f"for: {int(m.group(1)) * 60}s", text)


def prometheus_for_test(text, exporter_port, alertmanager_port=None):
    """The example prometheus.yml for a test: its vellumark jobs through the test's exporter,
    every interval 1 s, alerts to the test's Alertmanager (to none without one). Its other
    jobs name the machine's own ports and are left out."""
    config = yaml.safe_load(text.replace("127.0.0.1:10305", f"127.0.0.1:{exporter_port}"))
    config["global"].update(scrape_interval="1s", scrape_timeout="1s", evaluation_interval="1s")
    config["scrape_configs"] = [job for job in config["scrape_configs"]
                                if job["job_name"] in ("printers", "vellumark-exporter")]
    if alertmanager_port is None:
        del config["alerting"]
    else:
        config["alerting"] = {"alertmanagers": [
            {"static_configs": [{"targets": [f"127.0.0.1:{alertmanager_port}"]}]}]}
    return yaml.safe_dump(config)
