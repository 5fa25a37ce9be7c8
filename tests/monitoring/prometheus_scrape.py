#!/usr/bin/env python3
"""A real Prometheus scraping morvain-snapshot --listen, all on 127.0.0.1.

Two exporters (the demo broker, and a scenario file), promtool's check of their output,
Prometheus scraping both every second; then the scenario is rewritten so that the service
query fails (the stand-in reads a scenario again when it changes) and Prometheus must see
morvain_up for that kind turn 0. Everything lives in a temporary folder; every process is
stopped by its PID; every wait is bounded.

Usage: prometheus_scrape.py MORVAIN_SNAPSHOT PROMETHEUS PROMTOOL
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
from prometheus_common import (exporter_port, free_port, get, query, remove,  # noqa: E402
                               stop, wait_for)

SNAPSHOT, PROMETHEUS, PROMTOOL = sys.argv[1:4]
LIMIT = 25  # seconds for the whole test, start to end
DEADLINE = time.monotonic() + LIMIT
# Lint of families whose names are settled (the record's field names, the gauge
# morvain_objects_total beside morvain_objects); anything else fails.
KNOWN_LINT = re.compile(r'^morvain_\w+ (counter metrics should have "_total" suffix|'
                        r'non-histogram and non-summary metrics should not have "_sum" suffix|'
                        r'non-counter metrics should not have "_total" suffix)$')


def scenario(failing):
    s = {"broker": {"num_worker_act": 2},
         "workers": [{"worker_id": 11, "worker_status": 2, "call_sum": 100}],
         "services": [{"server_class": "billing", "server_name": "-", "service": "payments",
                       "short_act": 7155}]}
    if failing:
        s["script"] = {"services": {"every_call": {"header": {"error_code": 7}}}}
    return json.dumps(s)


def start_exporter(folder, broker_id, log):
    os.makedirs(folder)
    with open(os.path.join(folder, "Broker.cfg"), "wb") as f:
        f.write(b"PROMETHEUS".ljust(32) + broker_id.encode().ljust(32) + b" " * 96)
    err = open(log, "wb")
    p = subprocess.Popen([SNAPSHOT, "--listen", "127.0.0.1:0"], cwd=folder, stderr=err,
                         env=dict(os.environ, OSTRANE_SCENARIO_DIR=folder))
    return p, exporter_port("exporter in " + folder, p, log, DEADLINE)


def main():
    top = tempfile.mkdtemp(prefix="morvain-prometheus-")
    processes = []
    try:
        scenario_dir = os.path.join(top, "scenario")
        demo, demo_port = start_exporter(os.path.join(top, "demo"), "", top + "/demo.log")
        processes.append(demo)
        ex, ex_port = start_exporter(scenario_dir, "billing", top + "/billing.log")
        processes.append(ex)
        with open(os.path.join(scenario_dir, "billing.json"), "w") as f:
            f.write(scenario(False))

        # promtool reads what a scrape gets.
        for port in (demo_port, ex_port):
            text = get("http://127.0.0.1:%d/metrics" % port)
            lint = subprocess.run([PROMTOOL, "check", "metrics"], input=text.encode(),
                                  capture_output=True, timeout=20)
            problems = [l for l in (lint.stdout + lint.stderr).decode().splitlines()
                        if l.strip() and not KNOWN_LINT.match(l.strip())]
            if lint.returncode not in (0, 3) or problems:
                raise SystemExit("promtool check metrics: %d %s" % (lint.returncode, problems))

        prom = free_port()
        with open(os.path.join(top, "prometheus.yml"), "w") as f:
            f.write("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                    "scrape_configs:\n  - job_name: morvain\n    scrape_timeout: 1s\n"
                    "    static_configs: [{targets: ['127.0.0.1:%d', '127.0.0.1:%d']}]\n"
                    % (demo_port, ex_port))
        log = open(os.path.join(top, "prometheus.log"), "wb")
        processes.append(subprocess.Popen(
            [PROMETHEUS, "--config.file=" + os.path.join(top, "prometheus.yml"),
             "--storage.tsdb.path=" + os.path.join(top, "data"),
             "--web.listen-address=127.0.0.1:%d" % prom], stdout=log, stderr=log))

        kinds = ["broker", "worker", "service", "client_server", "conversation"]
        # Prometheus drops an empty label: the demo broker's series have no broker_id.
        every_kind_up = {(b, k): "1" for b in (None, "billing") for k in kinds}
        wait_for("morvain_up 1 for both brokers", DEADLINE,
                 lambda: query(prom, "morvain_up", "broker_id") == every_kind_up)
        with open(os.path.join(scenario_dir, "billing.json.new"), "w") as f:
            f.write(scenario(True))
        os.replace(os.path.join(scenario_dir, "billing.json.new"),
                   os.path.join(scenario_dir, "billing.json"))
        wait_for("morvain_up 0 for the failing services", DEADLINE,
                 lambda: query(prom, 'morvain_up{broker_id="billing"}', "broker_id").get(
                     ("billing", "service")) == "0")
        up = query(prom, 'morvain_up{broker_id="billing"}', "broker_id")
        if up.get(("billing", "worker")) != "1":
            raise SystemExit("a failing service query took the workers down too: %s" % up)
        print("prometheus: ok in %.1f s" % (time.monotonic() - DEADLINE + LIMIT))
    finally:
        stop(processes)
        remove(top)


main()
