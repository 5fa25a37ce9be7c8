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
    for kind in doc["kinds"]:
        if kind["object_count"] != len(kind["objects"]):
            raise ValueError(f"{kind['kind']}: object_count disagrees with objects")
    objects = sum(len(k["objects"]) for k in doc["kinds"])
    return f"kinds={len(doc['kinds'])} objects={objects}"


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
    for family in families:
        if not family.documentation:
            raise ValueError(f"{family.name} has no HELP")
        for s in family.samples:
            key = (s.name, tuple(sorted(s.labels.items())))
            if key in seen:
                raise ValueError(f"duplicate series {key}")
            seen.add(key)
            samples += 1
    return f"families={len(families)} samples={samples}"


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
