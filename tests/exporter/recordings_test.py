"""vellumark-exporter's /probe against printers recorded the way real ones keep their data
(tests/data/recordings: a printer device at index 2 or 10, supply rows from 2, no Host Resources
table, no supplies, trays at -3, descriptions with line breaks), served by snmpsimd on loopback
with one community per recording, over SNMPv1 and SNMPv2c.

    recordings_test.py EXPORTER SNMPSIMD RECORDINGS_DIR
"""

import os
import shutil

from harness import Harness, check, free_port, http_get, wait_until, run_test

# Each recording: its auth (its community is the file's name), the model label, and the series
# that must be there: each supply of the printer's own device by its own index, each tray.
CASES = [
    {"name": "lumen-device-2", "model": "Lumen LP-2040dn",
     "series": ['vellumark_supply_ratio{supply="1",description="Black Toner\ufffd\ufffdLP-T20",'
                'colour="black",type="toner",unit="percent"} 0.45',
                'vellumark_input_capacity{input="1",name="Tray 1",media="A4"} 250',
                'vellumark_input_capacity{input="2",name="Multipurpose\ufffd\ufffdTray",'
                'media="A4"} 50',
                'vellumark_marker_pages_total{marker="1"} 15873']},
    {"name": "kestrel-device-10", "model": "Kestrel K5 Mono Laser",
     "series": ['vellumark_supply_ratio{supply="2",description="Drum Unit",colour="",type="opc",'
                'unit="impressions"} 0.7',
                'vellumark_supply_ratio{supply="3",description="Toner Cartridge\ufffd\ufffdKT-500",'
                'colour="black",type="toner",unit="percent"} 0.27',
                'vellumark_input_capacity{input="2",name="Bypass",media="Letter"} 100',
                'vellumark_marker_pages_total{marker="1"} 250111']},
    {"name": "sable-no-host-resources", "model": "",
     "series": ['vellumark_supply_ratio{supply="1",description="Black Cartridge",colour="black",'
                'type="toner",unit="tenthsOfGrams"} 0.75',
                'vellumark_input_capacity{input="1",name="Paper Tray",media="Letter"} 200']},
    {"name": "tern-no-supplies", "model": "Tern TL-4 Label Printer",
     "series": ['vellumark_input_capacity{input="1",name="Roll",media="Labels 4x6"} 1',
                'vellumark_marker_pages_total{marker="1"} 77120']},
]


def main(exporter, snmpsimd, recordings):
    with Harness() as h:
        # snmpsimd run as root drops to nobody: its data and cache must be that user's to read.
        data, cache = h.path("data"), h.path("cache")
        for folder in (data, cache):
            os.makedirs(folder)
            os.chmod(folder, 0o777)
        os.chmod(h.folder, 0o755)
        for name in os.listdir(recordings):
            if name.endswith(".snmprec"):
                shutil.copy(os.path.join(recordings, name), data)
        agent = f"127.0.0.1:{free_port()}"
        as_nobody = ["--process-user=nobody", "--process-group=nogroup"] if os.geteuid() == 0 else []
        h.start("snmpsimd", [snmpsimd, f"--data-dir={data}", f"--cache-dir={cache}",
                             f"--agent-udpv4-endpoint={agent}", "--logging-method=null",
                             *as_nobody])
        auths = "".join(f'  a{i}: {{version: 1, community: "{c["name"]}"}}\n'
                        for i, c in enumerate(CASES))
        port = h.start_exporter(exporter, "auths:\n" + auths)

        def probe(auth, version):
            return http_get(f"http://127.0.0.1:{port}/probe?target={agent}&auth={auth}"
                            f"&snmp_version={version}", timeout=20)[1]

        wait_until("snmpsimd", lambda: "vellumark_up 1\n" in probe("a0", "1"), 20, 0.5)
        for i, c in enumerate(CASES):
            for version in ("1", "2c"):
                body = probe(f"a{i}", version)
                where = f"{c['name']} over v{version}:\n{body}"
                check("vellumark_up 1\n" in body, f"not up: {where}")
                check(f'vellumark_printer_info{{model="{c["model"]}",' in body,
                      f"model {c['model']!r} missing: {where}")
                for series in c["series"]:
                    check(series + "\n" in body, f"{series!r} missing: {where}")


if __name__ == "__main__":
    run_test(main)
