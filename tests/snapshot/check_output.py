#!/usr/bin/python3
"""Reads a morvain-snapshot document back with an independent parser and prints a summary.

check_output.py json FILE SCHEMA | csv FILE | prometheus FILE
Exit status 0 when the document is valid, 1 with the reason otherwise.
"""
import csv
import io
import json
import sys


def check_json(path, schema_path):
    import jsonschema
    with open(path, encoding="utf-8") as f:
        doc = json.load(f)
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.validate(doc, schema, cls=jsonschema.Draft202012Validator)
    failed, cut = [], []
    for kind in doc["kinds"]:
        name, objects = kind["kind"], kind["objects"]
        if kind["object_count"] != len(objects):
            raise ValueError(f"{name}: object_count disagrees with objects")
        # These tabs store the reply that ended the query as their last entry.
        closing = 1 if objects and name in ("service", "client_server", "conversation") else 0
        marked = [i for i, o in enumerate(objects) if o.get("closing_reply")]
        if marked != list(range(len(objects) - closing, len(objects))):
            raise ValueError(f"{name}: the closing reply is not the one entry marked")
        if not kind["ok"]:
            if kind["error_code"] != kind["header"]["error_code"]:
                raise ValueError(f"{name}: error_code disagrees with the header")
            failed.append(name)
            continue
        if kind["shown"] != len(objects) - closing:
            raise ValueError(f"{name}: shown is not the objects less the closing reply")
        if kind["total"] != max(kind["shown"], kind["header"]["total_num_objects"]):
            raise ValueError(f"{name}: total is neither the header's nor shown")
        if kind["total"] > kind["shown"]:
            cut.append(f"{name}:{kind['shown']}/{kind['total']}")
    objects = sum(len(k["objects"]) for k in doc["kinds"])
    return f"kinds={len(doc['kinds'])} objects={objects}" + summary(failed, cut)


def summary(failed, cut):
    return (f" failed={','.join(failed)}" if failed else "") + (
        f" cut={','.join(cut)}" if cut else "")


def check_csv(path):
    with open(path, "rb") as f:
        data = f.read()
    if data and not data.endswith(b"\r\n"):
        raise ValueError("rows must end with CRLF")
    rows = list(csv.reader(io.StringIO(data.decode("utf-8"), newline=""), strict=True))
    header = rows[0]
    for i, row in enumerate(rows[1:], start=2):
        if len(row) != len(header):
            raise ValueError(f"row {i} has {len(row)} fields, the header {len(header)}")
    return f"columns={len(header)} rows={len(rows) - 1}"


def check_prometheus(path):
    from prometheus_client.parser import text_string_to_metric_families
    with open(path, encoding="utf-8") as f:
        text = f.read()
    families = list(text_string_to_metric_families(text))
    seen = set()
    samples = 0
    by_name = {}
    for family in families:
        if not family.documentation:
            raise ValueError(f"{family.name} has no HELP")
        for s in family.samples:
            key = (s.name, tuple(sorted(s.labels.items())))
            if key in seen:
                raise ValueError(f"duplicate series {key}")
            seen.add(key)
            samples += 1
            by_name.setdefault(s.name, {})[s.labels.get("kind")] = s.value
    # Every queried kind has morvain_up; a failed one has no objects and no counts.
    up = by_name.get("morvain_up", {})
    failed = [k for k, v in up.items() if v != 1]
    shown, total = by_name.get("morvain_objects", {}), by_name.get("morvain_objects_total", {})
    if set(shown) != set(up) - set(failed) or set(total) != set(shown):
        raise ValueError("morvain_objects(_total) must cover the kinds that are up")
    for name in by_name:
        for kind in failed:
            if name.startswith(f"morvain_{kind}_"):
                raise ValueError(f"{name} sampled for the failed kind {kind}")
    cut = [f"{k}:{int(shown[k])}/{int(total[k])}" for k in shown if total[k] > shown[k]]
    if any(total[k] < shown[k] for k in shown):
        raise ValueError("morvain_objects_total below morvain_objects")
    return f"families={len(families)} samples={samples}" + summary(failed, cut)


def main():
    mode, path = sys.argv[1], sys.argv[2]
    try:
        if mode == "json":
            print(check_json(path, sys.argv[3]))
        elif mode == "csv":
            print(check_csv(path))
        else:
            print(check_prometheus(path))
    except Exception as e:  # the reason goes to the test's failure message
        print(f"invalid {mode}: {type(e).__name__}: {e}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
