"""The shipped Prometheus and Alertmanager files, laid out as installed, judged by
Prometheus's and Alertmanager's own tools (no error, no warning; promtool reads the printers
list through the job's file_sd too), and what those tools do not check: the example
prometheus.yml sends alerts to Alertmanager and loads the rules, and its jobs are the
scrape-job file's.

    shipped_prometheus_test.py PROMTOOL AMTOOL SOURCE_DIR
"""

import subprocess
import tempfile

import yaml

import shipped
from harness import check, run_test


def load(path):
    with open(path) as f:
        return yaml.safe_load(f)


def main(promtool, amtool, source):
    with tempfile.TemporaryDirectory(prefix="vm-shipped-test-") as folder:
        files = shipped.lay_out(source, folder)
        for args in ([promtool, "check", "config", files["prometheus.yml"]],
                     [promtool, "check", "config", files["scrape-jobs.yml"]],
                     [promtool, "check", "rules", files["alerts.yml"]],
                     [amtool, "check-config", files["alertmanager.yml"]]):
            run = subprocess.run(args, capture_output=True, text=True, timeout=60)
            said = run.stdout + run.stderr
            check(run.returncode == 0 and "WARNING" not in said,
                  f"{' '.join(args[1:3])} {args[-1].rsplit('/', 1)[-1]}: {said}")

        example = load(files["prometheus.yml"])
        targets = [target for manager in example["alerting"]["alertmanagers"]
                   for static in manager["static_configs"] for target in static["targets"]]
        check(targets == ["localhost:9093"], f"the example alerts Alertmanager: {targets}")
        check(example["rule_files"] == [files["alerts.yml"]],
              f"the example loads the shipped rules: {example['rule_files']}")
        jobs = {job["job_name"]: job for job in example["scrape_configs"]}
        for job in load(files["scrape-jobs.yml"])["scrape_configs"]:
            check(jobs.get(job["job_name"]) == job,
                  f"job {job['job_name']} differs from scrape-jobs.yml's in the example")

        print(f"checked: {', '.join(sorted(files))}")


if __name__ == "__main__":
    run_test(main)
