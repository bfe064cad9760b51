#!/usr/bin/env python3
"""Runs every test of a build folder with $CARDSIM_RECORD set to a file of its own,
so that two builds can be compared card by card (compare-transcripts.py).

  record-transcripts.py BUILD_DIR OUT_DIR [-j N] [-R REGEX]

Each test runs as ctest would run it (command, environment, working folder); OUT_DIR
gets one "<program>.<test>.rec" per test that spoke to a simulated card and "results.txt" with
each test's exit status.
"""
import argparse
import concurrent.futures
import json
import os
import re
import subprocess
import sys


def tests_of(build_dir):
    out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                         capture_output=True, text=True).stdout
    for t in json.loads(out)["tests"]:
        env, cwd = {}, build_dir
        for p in t.get("properties", []):
            if p["name"] == "ENVIRONMENT":
                for kv in p["value"]:
                    k, _, v = kv.partition("=")
                    env[k] = v
            elif p["name"] == "WORKING_DIRECTORY":
                cwd = p["value"]
        yield t["name"], t["command"], env, cwd


def run_one(name, command, env, cwd, out_dir):
    # Two programs may hold tests of the same name: the file is named for both.
    record = os.path.join(out_dir, os.path.basename(command[0]) + "." + name.replace("/", "_") + ".rec")
    if os.path.exists(record):
        os.unlink(record)
    full_env = dict(os.environ, **env, CARDSIM_RECORD=record)
    try:
        rc = subprocess.run(command, cwd=cwd, env=full_env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, timeout=600).returncode
    except subprocess.TimeoutExpired:
        rc = "timeout"
    return name, rc


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("out_dir")
    ap.add_argument("-j", type=int, default=os.cpu_count() or 1)
    ap.add_argument("-R", default="")
    a = ap.parse_args()
    os.makedirs(a.out_dir, exist_ok=True)
    chosen = [t for t in tests_of(os.path.abspath(a.build_dir)) if re.search(a.R, t[0])]
    results = {}
    with concurrent.futures.ThreadPoolExecutor(a.j) as pool:
        for t, (name, rc) in zip(chosen, pool.map(lambda t: run_one(*t, a.out_dir), chosen)):
            results[os.path.basename(t[1][0]) + " " + name] = rc
    with open(os.path.join(a.out_dir, "results.txt"), "w") as f:
        for name in sorted(results):
            f.write(f"{name} {results[name]}\n")
    failed = [n for n, rc in results.items() if rc != 0]
    print(f"{len(results)} tests, {len(failed)} failed: {' '.join(sorted(failed))}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
