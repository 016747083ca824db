#!/usr/bin/env python3
"""The library's own tree search against HiGHS's MIP on the public MIP
instances (shared/data/instances and the MIPLIB 3 selection).

    .venv/bin/python bench/mip.py                  # every instance, 60 s each
    .venv/bin/python bench/mip.py --limit 20 p0033 enigma   # some, 20 s each
    .venv/bin/python bench/mip.py --threads 2      # the tree search on 2 threads against 1

Each instance is solved once by each search (MIPSOLVER 1 and 2) in a fresh
process with the same time limit and one thread. The table gives time,
nodes, status, objective and gap per search, and the time ratio
(tree / HiGHS); the summary is the geometric mean of the ratios over the
instances HiGHS needs more than 0.1 s for and both solve to optimality.
The load average is printed before and after: the machine is shared.

With --threads N, the tree search alone runs twice per instance, on one
thread and on N worker threads; the table gives both times and node counts
and the speed-up (time on 1 / time on N), with its geometric mean over the
instances both solve to optimality taking more than 0.1 s on one thread.
"""
import argparse
import json
import math
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data"))

# name: (folder, published optimum)
INSTANCES = {
    "flugpl": ("instances", 1201500), "small_mip": ("instances", 3.2368421),
    "egout": ("instances", 568.1007), "lseu": ("instances", 1120), "rgn": ("instances", 82.2),
    "gt2": ("instances", 21166), "p0548": ("instances", 8691), "bell5": ("instances", 8966406.49152),
    "dcmulti": ("instances", 188182), "sp150x300d": ("instances", 69),
    "gesa2": ("instances", 25779856.372),
    "p0033": ("miplib3", 3089), "enigma": ("miplib3", 0), "stein27": ("miplib3", 18),
    "bell3a": ("miplib3", 878430.32), "pp08a": ("miplib3", 7350), "vpm1": ("miplib3", 20),
    "misc03": ("miplib3", 3360), "misc06": ("miplib3", 12850.8607), "blend2": ("miplib3", 7.598985),
    "p0282": ("miplib3", 258411), "khb05250": ("miplib3", 106940226), "fixnet6": ("miplib3", 3983),
    "gen": ("miplib3", 112313), "mod010": ("miplib3", 6548), "dsbmip": ("miplib3", -305.19817501),
    "modglob": ("miplib3", 20740508), "10teams": ("miplib3", 924),
}

CHILD = r"""
import json, sys, time
import ondrel
path, solver, limit = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
threads = int(sys.argv[4]) if len(sys.argv) > 4 else 1
p = ondrel.problem()
p.read(path)
p.controls.mipsolver = solver
p.controls.timelimit = limit
p.controls.threads = threads
t0 = time.time()
p.solve()
secs = time.time() - t0
status = p.getProbStatusString()
has = p.getAttrib("mipstatus") in (4, 6)
print(json.dumps({"time": secs, "status": status, "nodes": p.getAttrib("nodes"),
                  "obj": p.getAttrib("mipobjval") if has else None,
                  "gap": p.getAttrib("miprelgap") if has else None}))
"""


def run(name, solver, limit, threads=1):
    folder, _ = INSTANCES[name]
    path = os.path.join(DATA, folder, name + ".mps")
    try:
        out = subprocess.run([sys.executable, "-c", CHILD, path, str(solver), str(limit),
                              str(threads)],
                             capture_output=True, text=True, timeout=limit * 3 + 60)
    except subprocess.TimeoutExpired:
        return {"time": None, "status": "killed", "nodes": 0, "obj": None, "gap": None}
    if out.returncode != 0:
        err = (out.stderr.strip().splitlines() or ["failed"])[-1]
        return {"time": None, "status": "error: " + err[:60], "nodes": 0, "obj": None, "gap": None}
    return json.loads(out.stdout.strip().splitlines()[-1])


def fmt(v, pattern):
    return "-" if v is None else format(v, pattern)


def compare_threads(names, limit, threads):
    head = "%-11s %8s %8s | %8s %8s | %7s  %s" % (
        "instance", "1 thr s", "nodes", "%d thr s" % threads, "nodes", "speedup",
        "objective 1 / %d / optimum" % threads)
    print(head)
    print("-" * len(head))
    ups = []
    for name in names:
        a, b = run(name, 2, limit, 1), run(name, 2, limit, threads)
        up = None
        if a["time"] and b["time"]:
            up = a["time"] / max(b["time"], 1e-3)
            if a["time"] > 0.1 and a["status"] == b["status"] == "mip_optimal":
                ups.append(up)
        mark = "" if a["status"] == b["status"] == "mip_optimal" else \
            "(%s / %s)" % (a["status"], b["status"])
        print("%-11s %8s %8s | %8s %8s | %7s  %s / %s / %s %s" % (
            name, fmt(a["time"], ".2f"), a["nodes"], fmt(b["time"], ".2f"), b["nodes"],
            fmt(up, ".2f"), fmt(a["obj"], ".10g"), fmt(b["obj"], ".10g"), INSTANCES[name][1],
            mark), flush=True)
    if ups:
        g = math.exp(sum(math.log(r) for r in ups) / len(ups))
        print("geometric mean speed-up of %d threads over 1, over %d instances both solve "
              "(> 0.1 s on 1 thread): %.2f" % (threads, len(ups), g))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("names", nargs="*", help="instances (default: all)")
    ap.add_argument("--limit", type=float, default=60.0, help="seconds per solve")
    ap.add_argument("--threads", type=int, default=0,
                    help="compare the tree search on this many threads with one thread")
    args = ap.parse_args()
    names = args.names or list(INSTANCES)
    print("load average before: %.2f %.2f %.2f" % os.getloadavg())
    if args.threads > 1:
        compare_threads(names, args.limit, args.threads)
        print("load average after: %.2f %.2f %.2f" % os.getloadavg())
        return
    head = "%-11s %8s %8s %7s | %8s %8s %7s | %6s  %s" % (
        "instance", "highs s", "nodes", "gap", "tree s", "nodes", "gap", "ratio", "tree objective / optimum")
    print(head)
    print("-" * len(head))
    ratios = []
    for name in names:
        h, t = run(name, 1, args.limit), run(name, 2, args.limit)
        opt = INSTANCES[name][1]
        ratio = None
        if h["time"] and t["time"]:
            ratio = t["time"] / max(h["time"], 1e-3)
            if h["time"] > 0.1 and h["status"] == t["status"] == "mip_optimal":
                ratios.append(ratio)
        print("%-11s %8s %8s %7s | %8s %8s %7s | %6s  %s / %s %s" % (
            name, fmt(h["time"], ".2f"), h["nodes"], fmt(h["gap"], ".1e"),
            fmt(t["time"], ".2f"), t["nodes"], fmt(t["gap"], ".1e"), fmt(ratio, ".2f"),
            fmt(t["obj"], ".10g"), opt, "" if t["status"] == "mip_optimal" else "(" + t["status"] + ")"),
            flush=True)
    if ratios:
        g = math.exp(sum(math.log(r) for r in ratios) / len(ratios))
        print("geometric mean time ratio (tree / HiGHS) over %d instances HiGHS takes > 0.1 s "
              "and both solve: %.2f" % (len(ratios), g))
    print("load average after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
