#!/usr/bin/python3
"""A loopback stand-in for a broker's management API, for the stand-in library's tests.

    fake_management.py FIXTURE_DIR [CERT KEY]

Prints "PORT <n>" once listening on 127.0.0.1 (and "TLSPORT <n>" for HTTPS with CERT),
then "GET <login> <path>" for every request.
GET /api/<name>?... answers FIXTURE_DIR/<name>.json with the Date of FIXTURE_DIR/date.txt,
paged as the management API pages when the query asks for a page.
The login name of the request picks a misbehaviour: nologin (401; so does pw with a
password other than Qz7k), fail500, stall (answers after 3 s), truncated, deep (nesting
beyond any sane depth), huge (40 MiB), types (every value of the wrong type), bignum
(numbers at the ends of 64 bits), many (5000 queues, 220 channels), names (long and
per-vhost names), spread (1006 queues, the ones that matter last), replies (1101 queues,
60 of them reply queues, a server's queue among the last), hidden (two of five vhosts not
readable), empties (queues: 32 MiB of
{}), sleepN or sN followed by a letter (answers after N ms; the letter makes a broker of
its own for the stand-in, in a URL short enough for the broker ID). It ends when stdin closes, and after 300 s in any case.
"""

import base64
import json
import os
import re
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FIXTURES = sys.argv[1]
with open(os.path.join(FIXTURES, "date.txt")) as f:
    DATE = f.read().strip()
HUGE = b'[{"name":"' + b"x" * (40 << 20) + b'"}]'
EMPTIES = b"[" + b"{}," * (((32 << 20) - 5) // 3) + b"{}]"  # just under 32 MiB


def fixture(name):
    with open(os.path.join(FIXTURES, name + ".json"), "rb") as f:
        return f.read()


def wrong_types(v):
    if isinstance(v, dict):
        return {k: wrong_types(x) for k, x in v.items()}
    if isinstance(v, list):
        return [wrong_types(x) for x in v] or {"x": 1}
    if isinstance(v, bool):
        return "yes"
    if isinstance(v, (int, float)):
        return [str(v)]
    if isinstance(v, str):
        return {"s": v}
    return 7


def huge_numbers(v, n=[0]):
    if isinstance(v, dict):
        return {k: huge_numbers(x) for k, x in v.items()}
    if isinstance(v, list):
        return [huge_numbers(x) for x in v]
    if isinstance(v, (int, float)) and not isinstance(v, bool):
        n[0] += 1
        return [18446744073709551615, -9223372036854775808, 1e308][n[0] % 3]
    return v


def many(name):
    if name == "queues":
        return json.dumps([{"name": "q-%04d-\u00fc\u20ac-a-name-longer-than-thirty-two" % i,
                            "vhost": "/", "type": "classic", "consumers": 0,
                            "messages": i, "messages_ready": i} for i in range(5000)]).encode()
    if name == "channels":
        return json.dumps([{"name": "c%d (1)" % i, "vhost": "/", "consumer_count": 0,
                            "connection_details": {"name": "c%d" % i}}
                           for i in range(220)]).encode()
    return fixture(name)


def names(name):
    """Two vhosts with a queue nobody consumes, and names equal in their first 40 characters."""
    if name == "queues":
        return json.dumps([{"vhost": vhost, "name": queue, "messages": n, "messages_ready": n,
                            "consumers": 0}
                           for vhost, queue, n in [("/", "idle", 3), ("billing", "idle", 7),
                                                   ("v" * 40 + "1", "q" * 40 + "1", 11),
                                                   ("v" * 40 + "2", "q" * 40 + "2", 13)]]).encode()
    if name == "connections":
        return json.dumps([{"name": "c%d" % i, "user_provided_name": "c" * 40 + str(i)}
                           for i in (1, 2)]).encode()
    if name in ("channels", "consumers"):
        return b"[]"
    return fixture(name)


def paged(body, query):
    """The list as the management API pages it: sorted by one (dotted) field, cut to
    page_size (at most 500), wrapped with its counts; None for a page out of range."""
    items = json.loads(body)
    size = int(query.get("page_size", ["100"])[0])
    page = int(query.get("page", ["1"])[0])
    if size > 500 or size < 1 or page < 1:
        return None
    sort = query.get("sort", [""])[0]
    if sort:
        def key(item):
            for part in sort.split("."):
                item = item.get(part) if isinstance(item, dict) else None
            return (0, item, "") if isinstance(item, (int, float)) else (1, 0, str(item or ""))
        items = sorted(items, key=key, reverse=query.get("sort_reverse", [""])[0] == "true")
    pages = max(1, (len(items) + size - 1) // size)
    if page > pages:
        return None
    chunk = items[(page - 1) * size: page * size]
    return json.dumps({"items": chunk, "total_count": len(items), "filtered_count": len(items),
                       "item_count": len(chunk), "page": page, "page_size": size,
                       "page_count": pages}).encode()


def spread(name):
    """1006 queues over 3 vhosts; the 20 with messages and nobody consuming come last and
    hold fewer messages than any other."""
    if name == "vhosts":
        return json.dumps([{"name": "v%d" % i, "tracing": False} for i in range(3)]).encode()
    if name != "queues":
        return fixture(name)
    queues = [{"vhost": "v%d" % (i % 3), "name": "busy-%04d" % i, "consumers": 1,
               "messages": 100 + i, "messages_unacknowledged": 100 + i, "messages_ready": 0}
              for i in range(986)]
    queues += [{"vhost": "v%d" % (i % 3), "name": "stuck-%02d" % i, "consumers": 0,
                "messages": i + 1, "messages_ready": i + 1} for i in range(20)]
    return json.dumps(queues).encode()


def hidden(name):
    """A monitoring login that sees five vhosts listed but may read three (one empty): the
    queues and exchanges of the other two are not listed to it."""
    if name == "vhosts":
        return json.dumps([{"name": v, "tracing": False}
                           for v in ["/", "billing", "empty", "secret-a", "secret-b"]]).encode()
    if name == "exchanges":
        return json.dumps([{"vhost": v} for v in ["/", "billing", "empty"]
                           for _ in range(7)]).encode()
    return fixture(name)


def replies(name):
    """1040 queues backing up, then "work" (nobody waiting in it) consumed by server-1, and
    60 reply queues (exclusive or server-named) consumed by 30 clients: one channel each."""
    clients = ["client-%02d" % i for i in range(30)]
    if name == "queues":
        queues = [{"vhost": "/", "name": "svc-%04d" % i, "consumers": 0,
                   "messages": 1040 - i, "messages_ready": 1040 - i} for i in range(1040)]
        queues.append({"vhost": "/", "name": "work", "consumers": 1, "messages": 0})
        for i in range(30):
            queues.append({"vhost": "/", "name": "reply-%02d" % i, "exclusive": True,
                           "consumers": 1, "messages": 0})
            queues.append({"vhost": "/", "name": "amq.gen-%02d" % i, "consumers": 1,
                           "messages": 0})
        return json.dumps(queues).encode()
    if name == "connections":
        return json.dumps([{"name": c, "user_provided_name": c, "channels": 1}
                           for c in ["server-1"] + clients]).encode()
    if name == "channels":
        return json.dumps([{"name": c + " (1)", "vhost": "/", "consumer_count": 1,
                            "connection_details": {"name": c}}
                           for c in ["server-1"] + clients]).encode()
    if name == "consumers":
        def consumer(c, q):
            return {"queue": {"vhost": "/", "name": q},
                    "channel_details": {"name": c + " (1)", "connection_name": c}}
        listed = [consumer("server-1", "work")]
        for i, c in enumerate(clients):
            listed += [consumer(c, "reply-%02d" % i), consumer(c, "amq.gen-%02d" % i)]
        return json.dumps(listed).encode()
    if name == "overview":
        ov = json.loads(fixture(name))
        ov["object_totals"]["channels"] = 31
        return json.dumps(ov).encode()
    return fixture(name)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def date_time_string(self, timestamp=None):
        return DATE

    def log_message(self, *args):
        pass

    def login(self):
        auth = self.headers.get("Authorization", "")
        if not auth.startswith("Basic "):
            return ""
        try:
            user, password = base64.b64decode(auth[6:]).decode().split(":", 1)
        except Exception:
            return ""
        # "pw" logs in with the password Qz7k only, as a broker checks one.
        return "nologin" if user == "pw" and password != "Qz7k" else user

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        who = self.login()
        print("GET %s %s" % (who or "-", self.path), flush=True)
        name = self.path.split("?")[0].rsplit("/", 1)[-1]
        if who == "nologin":
            return self.answer(401, b'{"error":"not_authorised"}')
        if who == "fail500":
            return self.answer(500, b'{"error":"internal"}')
        if who == "stall":
            time.sleep(3)
        elif re.fullmatch(r"(sleep|s)\d+[a-z]?", who):
            time.sleep(min(int(re.search(r"\d+", who).group()), 10000) / 1000)
        try:
            body = (many(name) if who == "many" else names(name) if who == "names"
                    else spread(name) if who == "spread"
                    else replies(name) if who == "replies"
                    else hidden(name) if who == "hidden" else fixture(name))
        except OSError:
            return self.answer(404, b'{"error":"Object Not Found"}')
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        if who == "empties" and name == "queues":
            return self.answer(200, EMPTIES)  # a list that ignores paging
        if "page" in query:
            body = paged(body, query)
            if body is None:
                return self.answer(400, b'{"error":"bad_request"}')
        if who == "truncated":
            body = body[: len(body) // 2]
        elif who == "deep":
            body = b"[" * 200000 + b"]" * 200000
        elif who == "huge":
            body = HUGE
        elif who == "bignum":
            body = json.dumps(huge_numbers(json.loads(body))).encode()
        elif who == "types":
            body = json.dumps(wrong_types(json.loads(body))).encode()
        self.answer(200, body)


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    if len(sys.argv) > 3:
        tls = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        tls.daemon_threads = True
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[2], sys.argv[3])
        tls.socket = context.wrap_socket(tls.socket, server_side=True)
        print("TLSPORT %d" % tls.server_address[1], flush=True)
        threading.Thread(target=tls.serve_forever, daemon=True).start()
    deadline = time.time() + 300
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    while time.time() < deadline:
        time.sleep(0.5)
    os._exit(0)


if __name__ == "__main__":
    main()
