"""What the Prometheus tests share: bounded waits, Prometheus's query API, an exporter's
port read from its log, and the end of every process they start, by its PID."""
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import time
import urllib.parse
import urllib.request


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(url, timeout=5):
    with urllib.request.urlopen(url, timeout=timeout) as r:
        return r.read().decode()


def wait_for(what, deadline, probe):
    while time.monotonic() < deadline:
        try:
            if probe():
                return
        except OSError:
            pass
        time.sleep(0.25)
    raise SystemExit("timed out waiting for " + what)


def query(prom, expr, label):
    """The query's series, each keyed by its `label` and its kind."""
    url = "http://127.0.0.1:%d/api/v1/query?%s" % (prom, urllib.parse.urlencode({"query": expr}))
    return {(r["metric"].get(label), r["metric"].get("kind")): r["value"][1]
            for r in json.loads(get(url))["data"]["result"]}


def exporter_port(what, process, log, deadline):
    """The port an exporter serves /metrics on, as it writes to its log once listening."""
    port = []

    def serving():
        m = re.search(r"127\.0\.0\.1:(\d+)/metrics", open(log).read())
        port[:] = [int(m.group(1))] if m else []
        return bool(port) or process.poll() is not None
    wait_for(what, deadline, serving)
    if not port:
        raise SystemExit("exporter did not start: " + open(log).read())
    return port[0]


def stop(processes):
    """SIGTERM to each, the last started first; one that outlasts 10 s is killed."""
    for p in reversed(processes):
        p.send_signal(signal.SIGTERM)
    for p in reversed(processes):
        try:
            p.wait(timeout=10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def remove(top):
    if os.environ.get("KEEP_TMP"):
        print("kept", top)
    else:
        shutil.rmtree(top, ignore_errors=True)
