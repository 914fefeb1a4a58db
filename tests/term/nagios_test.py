"""vellumark-term --check run by a real Nagios 4: a configuration of the test's own (in a
temporary directory, its own log and status files) with one host, 127.0.0.1, and services
that check simulated printers on loopback (ok, jammed, below a warning threshold, silent);
`nagios4 -v` must accept it, then the daemon runs until every service has been checked once,
and its status.dat must hold each service's state and the plugin's output and perfdata.

Usage: nagios_test.py VELLUMARK_TERM PRINTER_SIM NAGIOS4"""

import grp
import os
import pwd
import subprocess
import tempfile
import time

from sim_processes import Processes, fail, run_main

DEADLINE_S = 40


def status_blocks(path):
    """status.dat's servicestatus blocks, each a dict of its fields."""
    blocks = []
    try:
        with open(path, encoding="utf-8", errors="replace") as text:
            block = None
            for raw in text:
                line = raw.strip()
                if line == "servicestatus {":
                    block = {}
                elif line == "}" and block is not None:
                    blocks.append(block)
                    block = None
                elif block is not None and "=" in line:
                    key, value = line.split("=", 1)
                    block[key] = value
    except FileNotFoundError:
        pass
    return blocks


OBJECTS = """
define timeperiod {{
    timeperiod_name always
    alias always
{days}
}}
define command {{
    command_name check_printer
    command_line {term} --check $ARG1$ $HOSTADDRESS$:$ARG2$
}}
define command {{
    command_name nothing
    command_line /bin/true
}}
define contact {{
    contact_name nobody
    host_notifications_enabled 0
    service_notifications_enabled 0
    host_notification_period always
    service_notification_period always
    host_notification_options n
    service_notification_options n
    host_notification_commands nothing
    service_notification_commands nothing
}}
define host {{
    host_name printers
    address 127.0.0.1
    check_command nothing
    max_check_attempts 1
    check_period always
    notification_period always
    contacts nobody
}}
"""

SERVICE = """
define service {{
    host_name printers
    service_description {name}
    check_command check_printer!{options}!{port}
    max_check_attempts 1
    check_interval 60
    retry_interval 60
    check_period always
    notification_period always
    contacts nobody
}}
"""

MAIN = """
cfg_file={dir}/objects.cfg
log_file={dir}/nagios.log
status_file={dir}/status.dat
status_update_interval=1
object_cache_file={dir}/objects.cache
precached_object_file={dir}/objects.precache
temp_file={dir}/nagios.tmp
temp_path={dir}
lock_file={dir}/nagios.lock
check_result_path={dir}/results
state_retention_file={dir}/retention.dat
retain_state_information=0
command_file={dir}/nagios.cmd
check_external_commands=0
interval_length=1
check_result_reaper_frequency=1
service_inter_check_delay_method=n
host_inter_check_delay_method=n
max_service_check_spread=1
max_host_check_spread=1
enable_notifications=0
use_syslog=0
nagios_user={user}
nagios_group={group}
"""


def main(term, sim, nagios):
    with Processes(sim) as processes:
        check_services(term, nagios, processes)
    print("ok")


def check_services(term, nagios, processes):
    def port_of(*extra):
        return int(processes.start_sim("--profile", "laser-mono", *extra).rsplit(":", 1)[1])

    ok_port, jammed_port, silent_port = port_of(), port_of("--jam"), port_of("--silence")
    perf = "'toner_black'=62%;{w}:;{c}:;0;100 'pages'=48213c"
    # Service: (options, port, state, output, perfdata).
    expected = {
        "ok": ("-w 10", ok_port, "0",
               "PRINTER OK - HP LaserJet Pro 4012dn, lowest supply black toner 62%",
               perf.format(w=10, c=5)),
        "jammed": ("-c 5", jammed_port, "2",
                   # Nagios itself turns a ';' of the output into ':'; the plugin writes none.
                   "PRINTER CRITICAL - paper jam, printer down, alert critical: jam",
                   perf.format(w=10, c=5)),
        "threshold": ("-w 70 -c 50", ok_port, "1", "PRINTER WARNING - black toner 62%",
                      perf.format(w=70, c=50)),
        "silent": ("--timeout 100 --retries 0", silent_port, "2",
                   "PRINTER CRITICAL - no answer (host down, filtered, or wrong community)", ""),
    }
    with tempfile.TemporaryDirectory(prefix="vm-nagios-") as work:
        os.mkdir(os.path.join(work, "results"))
        days = "\n".join(f"    {day} 00:00-24:00" for day in (
            "sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"))
        with open(os.path.join(work, "objects.cfg"), "w", encoding="utf-8") as out:
            out.write(OBJECTS.format(days=days, term=os.path.abspath(term)))
            for name, (options, port, *_) in expected.items():
                out.write(SERVICE.format(name=name, options=options, port=port))
        config = os.path.join(work, "nagios.cfg")
        with open(config, "w", encoding="utf-8") as out:
            out.write(MAIN.format(dir=work, user=pwd.getpwuid(os.getuid()).pw_name,
                                  group=grp.getgrgid(os.getgid()).gr_name))
        verify = subprocess.run([nagios, "-v", config], capture_output=True, text=True,
                                timeout=30)
        if verify.returncode != 0 or "Total Errors:   0" not in verify.stdout:
            fail(f"nagios4 -v refused the configuration:\n{verify.stdout}{verify.stderr}")

        daemon = processes.add(subprocess.Popen([nagios, config], stdout=subprocess.DEVNULL,
                                                stderr=subprocess.DEVNULL))
        status = os.path.join(work, "status.dat")
        deadline = time.monotonic() + DEADLINE_S
        while True:
            blocks = {b.get("service_description"): b for b in status_blocks(status)}
            if len(blocks) == len(expected) and all(
                    b.get("has_been_checked") == "1" for b in blocks.values()):
                break
            if daemon.poll() is not None:
                fail(f"nagios4 ended with status {daemon.returncode}")
            if time.monotonic() > deadline:
                fail(f"not every service was checked in {DEADLINE_S} s: {blocks}")
            time.sleep(0.5)
        failures = []
        for name, (_, _, state, output, perfdata) in expected.items():
            seen = blocks[name]
            got = (seen.get("current_state"), seen.get("plugin_output"),
                   seen.get("performance_data"))
            if got != (state, output, perfdata):
                failures.append(f"{name}: {got} != {(state, output, perfdata)}")
            print(f"{name}: state {got[0]}: {got[1]} | {got[2]}")
        if failures:
            fail("\n".join(failures))


if __name__ == "__main__":
    run_main(main, __doc__)
