#!/usr/bin/env python3
"""A real Prometheus scraping one morvain-snapshot --listen --targets for a fleet of three:
two scenarios and a live RabbitMQ broker (tools/rabbitmq-local, named in brokers.json),
relabelled onto /probe as docs/monitoring/prometheus-fleet.yml does. Prometheus must see
each target's morvain_up 1, then one scenario's service query fail and only that target's
morvain_up turn 0. All on 127.0.0.1; every process stopped by its PID; every wait bounded.

Usage: prometheus_fleet.py MORVAIN_SNAPSHOT PROMETHEUS TOOLS_DIR
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # nothing written beside the sources
from prometheus_common import exporter_port, free_port, query, remove, stop, wait_for  # noqa: E402

SNAPSHOT, PROMETHEUS, TOOLS = sys.argv[1:4]
LIMIT = 150  # seconds for the whole test, the broker's start included
DEADLINE = time.monotonic() + LIMIT


def scenario(failing):
    s = {"broker": {"num_worker_act": 2},
         "services": [{"server_class": "billing", "server_name": "-", "service": "payments",
                       "short_act": 7}]}
    if failing:
        s["script"] = {"services": {"every_call": {"header": {"error_code": 7}}}}
    return json.dumps(s)


def write(path, text, mode=0o644):
    with open(path + ".new", "w") as f:
        f.write(text)
    os.chmod(path + ".new", mode)
    os.replace(path + ".new", path)


def main():
    top = tempfile.mkdtemp(prefix="morvain-fleet-")
    processes = []
    broker = os.path.join(top, "broker")
    started = False
    try:
        out = subprocess.run(["bash", os.path.join(TOOLS, "rabbitmq-local"), "start", broker],
                             capture_output=True, text=True, timeout=120)
        if out.returncode != 0:
            raise SystemExit("the broker did not start: " + out.stderr)
        started = True
        url = re.search(r"^URL=(.*)$", out.stdout, re.M).group(1)
        write(os.path.join(top, "brokers.json"),
              json.dumps({"live": {"url": url, "user": "guest", "password": "guest"}}), 0o600)
        for name in ("billing", "stock"):
            write(os.path.join(top, name + ".json"), scenario(False))

        log = os.path.join(top, "exporter.log")
        env = dict(os.environ, OSTRANE_SCENARIO_DIR=top,
                   OSTRANE_BROKERS=os.path.join(top, "brokers.json"))
        processes.append(subprocess.Popen(
            [SNAPSHOT, "--listen", "127.0.0.1:0", "--targets"], cwd=top, env=env,
            stderr=open(log, "wb")))
        port = exporter_port("the exporter", processes[0], log, DEADLINE)
        prom = free_port()
        config = os.path.join(top, "prometheus.yml")
        with open(config, "w") as f:
            f.write("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                    "scrape_configs:\n"
                    "  - job_name: morvain-fleet\n    metrics_path: /probe\n"
                    "    scrape_timeout: 1s\n"
                    "    static_configs: [{targets: [billing, stock, live]}]\n"
                    "    relabel_configs:\n"
                    "      - {source_labels: [__address__], target_label: __param_target}\n"
                    "      - {source_labels: [__param_target], target_label: instance}\n"
                    "      - {target_label: __address__, replacement: '127.0.0.1:%d'}\n"
                    "  - job_name: morvain\n"
                    "    static_configs: [{targets: ['127.0.0.1:%d']}]\n" % (port, port))
        plog = open(os.path.join(top, "prometheus.log"), "wb")
        processes.append(subprocess.Popen(
            [PROMETHEUS, "--config.file=" + config, "--storage.tsdb.path=" + top + "/data",
             "--web.listen-address=127.0.0.1:%d" % prom], stdout=plog, stderr=plog))

        up = {(t, "broker"): "1" for t in ("billing", "stock", "live")}
        wait_for("morvain_up 1 for the three targets", DEADLINE,
                 lambda: query(prom, 'morvain_up{kind="broker",target!=""}', "target") == up)
        wait_for("the exporter's rounds per target", DEADLINE,
                 lambda: len(query(prom, "morvain_probe_rounds_total", "target")) == 3)
        write(os.path.join(top, "stock.json"), scenario(True))
        wait_for("morvain_up 0 for stock's services", DEADLINE,
                 lambda: query(prom, 'morvain_up{kind="service"}', "target").get(
                     ("stock", "service")) == "0")
        services = query(prom, 'morvain_up{kind="service"}', "target")
        if services.get(("billing", "service")) != "1" or services.get(("live", "service")) != "1":
            raise SystemExit("a failing target took another down too: %s" % services)
        print("fleet: ok in %.1f s" % (time.monotonic() - DEADLINE + LIMIT))
    finally:
        stop(processes)
        if started:
            subprocess.run(["bash", os.path.join(TOOLS, "rabbitmq-local"), "stop", broker],
                           env=dict(os.environ, RABBITMQ_LOCAL_STOP_SECONDS="3"), timeout=60)
        remove(top)


main()
