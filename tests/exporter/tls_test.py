"""vellumark-exporter behind TLS and basic authentication (--web-config, the format Prometheus's
exporters share), with a self-signed certificate made for the test: curl over HTTPS with the
right password, a wrong one, none, and plain HTTP to the TLS port; then a real Prometheus
scraping the printers and the exporter over HTTPS with the password. (Which passwords pass:
config_test.cpp's WebConfig.)

    tls_test.py EXPORTER PRINTER_SIM PROMETHEUS SOURCE_DIR
"""

import subprocess

import yaml

import shipped
from harness import Harness, check, free_port, query, wait_until, run_test

USER, PASSWORD = "prometheus", "correct horse"
PRINTERS = 2


def curl(*args):
    """(status, headers and body) of curl; status 0 when no HTTP answer came."""
    done = subprocess.run(["curl", "-s", "-S", "-i", "--max-time", "10",
                           "-w", "\n%{http_code}", *args],
                          capture_output=True, text=True, timeout=20)
    text, _, code = done.stdout.rpartition("\n")
    return int(code or 0), text


def main(exporter, sim, prometheus, source):
    with Harness() as h:
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-keyout", h.path("key.pem"), "-out", h.path("cert.pem"),
                        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
                       check=True, capture_output=True, timeout=60)
        hashed = subprocess.run(["htpasswd", "-nbBC", "10", USER, PASSWORD], check=True,
                                capture_output=True, text=True).stdout.strip().split(":", 1)[1]
        with open(h.path("web.yml"), "w") as f:
            yaml.safe_dump({"tls_server_config": {"cert_file": "cert.pem", "key_file": "key.pem"},
                            "basic_auth_users": {USER: hashed}}, f)

        targets = h.start_fleet(sim, PRINTERS)
        port = free_port()
        h.start("exporter", [exporter, "--listen", f"127.0.0.1:{port}",
                             "--web-config", h.path("web.yml")])
        base = f"https://127.0.0.1:{port}"
        ca = ["--cacert", h.path("cert.pem")]
        wait_until("the exporter over HTTPS",
                   lambda: curl(*ca, "-u", f"{USER}:{PASSWORD}", base + "/-/healthy")[0] == 200, 10)

        for name, args, status, text in [
                ("the password", ["-u", f"{USER}:{PASSWORD}", base + "/-/healthy"], 200,
                 "Healthy"),
                ("a probe", ["-u", f"{USER}:{PASSWORD}", f"{base}/probe?target={targets[0]}"],
                 200, "vellumark_up 1"),
                ("no password", [base + "/-/healthy"], 401,
                 'WWW-Authenticate: Basic realm="vellumark-exporter"'),
                ("a wrong password", ["-u", f"{USER}:wrong", base + "/metrics"], 401,
                 "WWW-Authenticate: Basic"),
                ("a probe without password", [f"{base}/probe?target={targets[0]}"], 401, ""),
                ("reload without password", ["-X", "POST", base + "/-/reload"], 401, "")]:
            got, answer = curl(*ca, *args)
            check(got == status and text in answer, f"{name}: {got} {answer[:400]}")
        # The refused probe sent nothing; the accepted one did.
        check(h.sim_requests() > 0, "the probe with the password read")
        got, answer = curl("-u", f"{USER}:{PASSWORD}", f"http://127.0.0.1:{port}/-/healthy")
        check(got != 200, f"plain HTTP to the TLS port: {got} {answer[:200]}")
        got, answer = curl("-u", f"{USER}:{PASSWORD}", base + "/-/healthy")
        check(got == 0, "a client that does not trust the certificate gets nothing")
        print("curl: the password over HTTPS, 401 with the challenge otherwise")

        def edit(name, text):
            if name == "prometheus.yml":
                config = yaml.safe_load(shipped.prometheus_for_test(text, port))
                for job in config["scrape_configs"]:
                    job["scheme"] = "https"
                    job["tls_config"] = {"ca_file": h.path("cert.pem")}
                    job["basic_auth"] = {"username": USER, "password": PASSWORD}
                return yaml.safe_dump(config)
            if name == "printers.yml":
                return "- targets: [" + ", ".join(targets) + "]\n"
            return text
        files = shipped.lay_out(source, h.folder, edit)
        prometheus_port = h.start_prometheus(prometheus, files["prometheus.yml"])
        wait_until(f"vellumark_up == 1 for the {PRINTERS} printers over HTTPS",
                   lambda: len(query(prometheus_port, "vellumark_up == 1")) == PRINTERS, 60)
        wait_until("the exporter's own job up over HTTPS",
                   lambda: query(prometheus_port, 'up{job="vellumark-exporter"} == 1'), 30)
        print("Prometheus: scraped over HTTPS with the password")


if __name__ == "__main__":
    run_test(main)
