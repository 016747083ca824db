#!/usr/bin/env python3
"""Time to the first IIS on the infeasible instances: ondrel (p.lpoptimize()
then p.iisfirst(1), with each IISMETHOD) against HiGHS's own IIS through
highspy (h.run() then h.getIis() with the irreducible strategy), measured in
the same run.

    python3 bench/iis.py [--repeat 5] [--out bench/results/iis-<date>.txt]

Each measurement runs in a fresh process: ondrel from this checkout's .venv
(scripts/setup.sh), highspy from bench/.venv-peers (the environment of bench/peers.py;
made on first use with `python -m venv` and the highspy and numpy versions
that bench/requirements-peers.txt pins). The file read is not
timed. The table shows the median of the repeats, the IIS size (rows +
columns) and the ratio ondrel / highspy (below 1: ondrel is faster); the
load average is printed with it.
"""
import argparse
import datetime
import json
import os
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
ONDREL_PY = os.path.join(ROOT, ".venv", "bin", "python")
PEERS = os.path.join(HERE, ".venv-peers")
PEERS_PY = os.path.join(PEERS, "bin", "python")
INSTANCES = next((d for d in (os.path.join(ROOT, "..", "shared", "data", "instances"),
                              os.path.join(ROOT, "..", "..", "shared", "data", "instances"),
                              "/work/shared/data/instances") if os.path.isdir(d)), None)
NAMES = ["woodinfe", "galenet", "box1", "bgetam", "forest6", "refinery"]

ONDREL_CHILD = r"""
import json, sys, time, ondrel
path, method = sys.argv[1], int(sys.argv[2])
p = ondrel.problem()
p.read(path)
p.controls.iismethod = method
t = time.perf_counter()
p.lpoptimize()
t1 = time.perf_counter()
status = p.iisfirst(1)
t2 = time.perf_counter()
rows, cols = [], []
p.getiisdata(1, rows, cols)
print(json.dumps({"time": t2 - t, "iis": t2 - t1, "size": len(rows) + len(cols), "status": status}))
"""

HIGHSPY_CHILD = r"""
import json, sys, time, highspy
path = sys.argv[1]
h = highspy.Highs()
h.setOptionValue("output_flag", False)
h.readModel(path)
h.setOptionValue("iis_strategy", 6)   # from the elastic LP, irreducible
t = time.perf_counter()
h.run()
t1 = time.perf_counter()
_, iis = h.getIis()
t2 = time.perf_counter()
print(json.dumps({"time": t2 - t, "iis": t2 - t1, "size": len(iis.row_index_) + len(iis.col_index_),
                  "status": 0}))
"""


def ensure_peers():
    if os.path.exists(PEERS_PY):
        ok = subprocess.run([PEERS_PY, "-c", "import highspy"], capture_output=True).returncode == 0
        if ok:
            return
    # The versions bench/requirements-peers.txt pins (the environment bench/peers.py keeps).
    pins = [line.split("#")[0].strip() for line in open(os.path.join(HERE, "requirements-peers.txt"))]
    pins = [p for p in pins if p.split("==")[0] in ("highspy", "numpy")] or ["highspy", "numpy"]
    if not os.path.exists(PEERS_PY):
        subprocess.run([sys.executable, "-m", "venv", PEERS], check=True)
    subprocess.run([PEERS_PY, "-m", "pip", "install", "-q", *pins], check=True)


def run(py, code, *args):
    r = subprocess.run([py, "-c", code, *args], capture_output=True, text=True, timeout=600)
    if r.returncode != 0:
        return {"error": (r.stderr.strip().splitlines() or ["failed"])[-1]}
    return json.loads(r.stdout.strip().splitlines()[-1])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--out", default=os.path.join(
        HERE, "results", f"iis-{datetime.date.today().strftime('%Y%m%d')}.txt"))
    a = ap.parse_args()
    if not INSTANCES:
        sys.exit("the instance folder shared/data/instances is missing")
    if not os.path.exists(ONDREL_PY):
        sys.exit("run scripts/setup.sh first: ondrel is taken from .venv")
    ensure_peers()
    solvers = [("ondrel auto", ONDREL_PY, ONDREL_CHILD, ["0"]),
               ("ondrel highs", ONDREL_PY, ONDREL_CHILD, ["1"]),
               ("highspy", PEERS_PY, HIGHSPY_CHILD, [])]
    lines = []

    def out(s=""):
        print(s, flush=True)
        lines.append(s)

    out(f"# bench/iis.py {datetime.datetime.now().isoformat(timespec='seconds')}")
    out(f"# load average before: {' '.join('%.2f' % v for v in os.getloadavg())}")
    out("# per solver: time of the IIS call alone (iisfirst(1) after lpoptimize; getIis after run),")
    out("# its size (rows + columns), and the time of solve + IIS; median of "
        f"{a.repeat}. Ratios: ondrel auto / highspy, IIS alone and solve + IIS")
    head = (f"{'instance':10}" + "".join(f"{n:>32}" for n, *_ in solvers) + f"{'iis ratio':>11}"
            + f"{'total ratio':>12}")
    out(head)
    ratios = []
    for name in NAMES:
        path = os.path.join(INSTANCES, name + ".mps")
        res = {}
        for k in range(a.repeat):
            for label, py, code, args in solvers:  # interleaved, same conditions
                res.setdefault(label, []).append(run(py, code, path, *args))
        cells, med = [], {}
        for label, *_ in solvers:
            rs = res[label]
            errs = [r for r in rs if "error" in r]
            if errs:
                cells.append(f"{'error':>32}")
                out(f"#   {name} {label}: {errs[0]['error']}")
                continue
            med[label] = (statistics.median(r["iis"] for r in rs), statistics.median(r["time"] for r in rs))
            cells.append(f"{med[label][0] * 1000:>10.1f} ms {rs[0]['size']:>4} {med[label][1] * 1000:>10.1f} ms")
        ratio = ""
        if "ondrel auto" in med and "highspy" in med and min(med["highspy"]) > 0:
            ratios.append(tuple(o / h for o, h in zip(med["ondrel auto"], med["highspy"])))
            ratio = f"{ratios[-1][0]:>11.2f}{ratios[-1][1]:>12.2f}"
        out(f"{name:10}" + "".join(cells) + ratio)
    if ratios:
        out("# geometric means of ondrel auto / highspy: IIS alone %.2f, solve + IIS %.2f" % (
            statistics.geometric_mean([r[0] for r in ratios]), statistics.geometric_mean([r[1] for r in ratios])))
    out(f"# load average after: {' '.join('%.2f' % v for v in os.getloadavg())}")
    os.makedirs(os.path.dirname(a.out), exist_ok=True)
    with open(a.out, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
