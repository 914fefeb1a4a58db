"""A real Prometheus scrapes the exporter in front of the simulator's fleet, with the shipped
scrape job's relabelling: every printer is up under its own address as the instance, and a
supply ratio is queried by colour. The files are laid out as installed. (The shipped rules
firing and resolving: alerting_test.py, through a real Alertmanager.)

One more printer is listed with an SNMPv3 auth of the exporter's YAML (`__param_auth` in
printers.yml), its passwords in files: it is read over authPriv, its context naming the mono
profile that no SNMPv2c reading of the fleet sees, so its black supply in Prometheus came over
v3. (A wrong v3 password as a security error: http_test.py.)

    prometheus_test.py EXPORTER PRINTER_SIM PROMETHEUS SOURCE_DIR
"""

import shipped
from harness import Harness, check, query, run_test, wait_until

PRINTERS = 4

# The fleet's SNMPv3 user; the context "mono" reads the laser-mono profile.
V3_USER = "lab:authPriv:SHA-256:umber-auth:AES:umber-priv"
EXPORTER_CONFIG = """auths:
  secure:
    version: 3
    username: lab
    security_level: authPriv
    auth_protocol: SHA256
    password_file: %(folder)s/auth.pass
    priv_protocol: AES
    priv_password_file: %(folder)s/priv.pass
    context_name: mono
"""
MONO_MODEL = "HP LaserJet Pro 4012dn"


def main(exporter, sim, prometheus, source):
    with Harness() as h:
        everyone = h.start_fleet(sim, PRINTERS + 1,
                                 extra=["--profile", "mono=laser-mono", "--v3-user", V3_USER])
        targets, secure = everyone[:PRINTERS], everyone[PRINTERS]
        for name, password in (("auth.pass", "umber-auth\n"), ("priv.pass", "umber-priv\n")):
            with open(h.path(name), "w") as f:
                f.write(password)
        exporter_port = h.start_exporter(exporter, EXPORTER_CONFIG % {"folder": h.folder})

        def edit(name, text):
            if name == "prometheus.yml":
                return shipped.prometheus_for_test(text, exporter_port)
            if name == "printers.yml":
                return ("- targets: [" + ", ".join(targets) + "]\n"
                        f"- targets: [{secure}]\n  labels: {{__param_auth: secure}}\n")
            return text
        files = shipped.lay_out(source, h.folder, edit)
        port = h.start_prometheus(prometheus, files["prometheus.yml"])

        up = wait_until(f"vellumark_up == 1 for all {PRINTERS + 1} readable printers",
                        lambda: len(query(port, "vellumark_up == 1")) == PRINTERS + 1 and
                        query(port, "vellumark_up == 1"), 60)
        check(sorted(r["metric"]["instance"] for r in up) == sorted(targets + [secure]),
              f"instances are the printers: {up}")
        cyan = wait_until("the cyan toner's ratio",
                          lambda: query(port, 'vellumark_supply_ratio{colour="cyan"}'), 30)
        check(len(cyan) == PRINTERS, f"one cyan ratio per printer: {cyan}")
        for series in cyan:
            ratio = float(series["value"][1])
            check(0 <= ratio <= 1, f"a ratio from 0 to 1: {series}")
        print(f"up: {len(up)} printers; cyan ratios: " +
              ", ".join(s["value"][1][:5] for s in cyan))

        # The SNMPv3 printer: the mono profile's model and its black supply.
        info = query(port, f'vellumark_printer_info{{instance="{secure}"}}')
        check([r["metric"].get("model") for r in info] == [MONO_MODEL],
              f"the v3 printer read in its context: {info}")
        black = query(port, f'vellumark_supply_ratio{{instance="{secure}",colour="black"}}')
        check(len(black) == 1 and 0 <= float(black[0]["value"][1]) <= 1,
              f"the v3 printer's black supply: {black}")
        print(f"v3: {MONO_MODEL} black at {black[0]['value'][1][:5]}")


if __name__ == "__main__":
    run_test(main)
