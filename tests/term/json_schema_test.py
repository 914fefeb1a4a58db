"""vellumark-term --once --json against its documented schema
(packaging/vellumark-term.schema.json), with python3-jsonschema: real outputs for a printer
that answers, a jammed one with an empty tray, a silent one, one whose reading stops early, one
read over SNMPv3 (the condition alone) and a target refused before anything is sent; and the schema refuses the forms it replaced (page
counts as text, a tray's status as a raw number), so the check can fail.

Usage: json_schema_test.py VELLUMARK_TERM PRINTER_SIM SCHEMA"""

import copy
import json
import subprocess

import jsonschema

from sim_processes import Processes, fail, run_main


def run_json(term, arguments):
    run = subprocess.run([term, "--json", *arguments], capture_output=True, text=True,
                         stdin=subprocess.DEVNULL, timeout=30)
    try:
        return json.loads(run.stdout)
    except json.JSONDecodeError as error:
        fail(f"{arguments}: not JSON ({error}): {run.stdout!r} {run.stderr!r}")


def main(term, sim, schema_path):
    with open(schema_path, encoding="utf-8") as text:
        schema = json.load(text)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)

    # Name: (the simulator's options, the term's arguments before the target, what the
    # condition must hold besides the schema).
    cases = {
        "reachable": (["--profile", "laser-mono"], [],
                      {"health": "ok", "page_count": 48213, "model": "HP LaserJet Pro 4012dn"}),
        "jammed": (["--profile", "colour-laser", "--jam", "--paper-out", "1"], [],
                   {"health": "critical", "page_count": 11872, "power_on_count": 37,
                    "location": "2nd floor, east"}),
        "unreachable": (["--profile", "laser-mono", "--silence"],
                        ["--timeout", "100", "--retries", "0"],
                        {"health": "unreachable", "page_count": None, "model": None}),
        "incomplete": (["--profile", "laser-mono", "--walk", "endless"], [],
                       {"health": "warning", "complete": False}),
        "target too long": (None, ["x" * 64], {"health": "unreachable"}),
        "over SNMPv3": (["--profile", "laser-mono", "--v3-user",
                         "lab:authNoPriv:SHA-256:umber-auth"],
                        ["--snmp-version", "3", "-u", "lab", "-l", "authNoPriv", "-a", "SHA-256",
                         "-A", "umber-auth"], {"health": "ok", "complete": True}),
    }
    failures = []
    outputs = {}
    with Processes(sim) as sims:
        for name, (sim_options, arguments, facts) in cases.items():
            target = [sims.start_sim(*sim_options)] if sim_options else []
            document = run_json(term, arguments + target)
            outputs[name] = document
            for error in validator.iter_errors(document):
                failures.append(f"{name}: {'/'.join(map(str, error.path))}: {error.message}")
            condition = document.get("condition", {})
            for key, value in facts.items():
                if condition.get(key) != value:
                    failures.append(f"{name}: condition.{key} is {condition.get(key)!r}, "
                                    f"not {value!r}")

    # The jammed printer's first tray is empty: its status says so by name, and the supplies
    # and trays carry their indexes.
    jammed_condition = outputs["jammed"]["condition"]
    tray = jammed_condition["inputs"][0]
    if tray["index"] != 1 or tray["status"] is None or not tray["status"]["non_critical_alert"]:
        failures.append(f"jammed: the empty tray's status: {tray}")
    indexes = [supply["index"] for supply in jammed_condition["supplies"]]
    if indexes != list(range(1, len(indexes) + 1)):
        failures.append(f"jammed: supply indexes {indexes}")

    # The forms the schema replaced are refused.
    for change, mutate in {
        "page count as text": lambda d: d["condition"].__setitem__("page_count", "11872"),
        "tray status as a number": lambda d: d["condition"]["inputs"][0].__setitem__("status", 8),
        "no schema_version": lambda d: d.pop("schema_version"),
        "a window without its state": lambda d: d.pop("state"),
        "an undocumented field": lambda d: d["condition"].__setitem__("extra", 1),
    }.items():
        document = copy.deepcopy(outputs["jammed"])
        mutate(document)
        if validator.is_valid(document):
            failures.append(f"the schema accepts {change}")
    if failures:
        fail("\n".join(failures))
    print("ok:", ", ".join(cases))


if __name__ == "__main__":
    run_main(main, __doc__)
