#!/usr/bin/env python3
"""Convex QP solve times: lqcp (bench/models/lqcp.py) at N = 100, 300, 600.

    python3 bench/qp.py                      # every package, N = 100 300 600
    python3 bench/qp.py --sizes 100 --packages ondrel clarabel

Runs in the benchmark environment bench/.venv-peers (bench/peers.py sets it
up; run that once first). Each measurement is a fresh process with a time
limit: the model is built with the package, then only the solve is timed.
Packages: ondrel (its QP route: HiGHS's active-set solver for small QPs, the
interior-point local solver for large convex ones), highspy and
pyoptinterface (HiGHS 1.x's QP solver, active set: HiGHS's interior-point
solver takes LPs only in these builds), Clarabel and PIQP (interior point,
from the matrices). The table shows each time and its ratio to Clarabel's,
the objective, and the load average before and after the run.
"""
import argparse
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
VPY = os.path.join(HERE, ".venv-peers", "bin", "python")
PACKAGES = ["ondrel", "highspy", "pyoptinterface", "clarabel", "piqp"]
REFERENCE = "clarabel"


# --- the child: one build and one timed solve ------------------------------------------

def lqcp_matrices(d):
    """lqcp as min 1/2 x'Px + q'x + c0, A x = 0, lb <= x <= ub (SciPy CSC)."""
    import numpy as np
    import scipy.sparse as sp
    N = d.N
    ny = (N + 1) * (N + 1)
    n = ny + N + 1
    Y = lambda i, j: i * (N + 1) + j
    U = lambda i: ny + i
    rows, cols, vals = [], [], []
    r = 0

    def put(terms):
        nonlocal r
        for c, v in terms:
            rows.append(r)
            cols.append(c)
            vals.append(v)
        r += 1

    for i in range(N):
        for j in range(1, N):
            t = [(Y(i + 1, j), 1 / d.dt), (Y(i, j), -1 / d.dt)]
            for ii, jj, c in ((i, j - 1, 1), (i, j, -2), (i, j + 1, 1),
                              (i + 1, j - 1, 1), (i + 1, j, -2), (i + 1, j + 1, 1)):
                t.append((Y(ii, jj), -0.5 * c / d.h2))
            put(t)
    for j in range(N + 1):
        put([(Y(0, j), 1.0)])
    for i in range(1, N):
        put([(Y(i, 2), 1.0), (Y(i, 1), -4.0), (Y(i, 0), 3.0)])
    for i in range(1, N):
        put([(Y(i, N - 2), 1.0), (Y(i, N - 1), -4.0), (Y(i, N), 3.0 + 2 * d.dx), (U(i), -2 * d.dx)])
    A = sp.csc_matrix((vals, (rows, cols)), shape=(r, n))  # duplicates are summed
    pd = np.zeros(n)
    q = np.zeros(n)
    for j in range(N + 1):
        pd[Y(N, j)] = 0.5 * d.dx * d.wy[j]
        q[Y(N, j)] = -0.5 * d.dx * d.wy[j] * d.yt[j]
    for i in range(1, N + 1):
        pd[U(i)] = 0.5 * d.a * d.dt * d.wu[i]
    P = sp.diags(pd).tocsc()
    c0 = 0.25 * d.dx * sum(d.wy[j] * d.yt[j] ** 2 for j in range(N + 1))
    lb = np.concatenate([np.zeros(ny), -np.ones(N + 1)])
    ub = np.ones(n)
    return P, q, c0, A, lb, ub


def solve_clarabel(d):
    import clarabel
    import numpy as np
    import scipy.sparse as sp
    P, q, c0, A, lb, ub = lqcp_matrices(d)
    n = P.shape[0]
    eye = sp.identity(n, format="csc")
    G = sp.vstack([A, eye, -eye]).tocsc()
    b = np.concatenate([np.zeros(A.shape[0]), ub, -lb])
    cones = [clarabel.ZeroConeT(A.shape[0]), clarabel.NonnegativeConeT(2 * n)]
    s = clarabel.DefaultSettings()
    s.verbose = False
    t0 = time.perf_counter()
    sol = clarabel.DefaultSolver(sp.triu(P).tocsc(), q, G, b, cones, s).solve()
    t = time.perf_counter() - t0
    return t, sol.obj_val + c0, str(sol.status)


def solve_piqp(d):
    import numpy as np
    import piqp
    P, q, c0, A, lb, ub = lqcp_matrices(d)
    s = piqp.SparseSolver()
    s.settings.verbose = False
    t0 = time.perf_counter()
    s.setup(P, q, A, np.zeros(A.shape[0]), None, None, None, lb, ub)
    status = s.solve()
    t = time.perf_counter() - t0
    return t, s.result.info.primal_obj + c0, str(status)


def solve_modelled(pkg, d):
    sys.path.insert(0, HERE)
    from models import lqcp
    m = lqcp.BUILDERS[pkg](d)
    t0 = time.perf_counter()
    if pkg == "ondrel":
        m.solve()
        t = time.perf_counter() - t0
        return t, m.getObjVal(), m.getProbStatusString()
    if pkg == "highspy":
        m.run()
        t = time.perf_counter() - t0
        return t, m.getInfo().objective_function_value, m.modelStatusToString(m.getModelStatus())
    import pyoptinterface as poi
    m.optimize()
    t = time.perf_counter() - t0
    return (t, m.get_model_attribute(poi.ModelAttribute.ObjectiveValue),
            str(m.get_model_attribute(poi.ModelAttribute.TerminationStatus)))


def child(pkg, n):
    sys.path.insert(0, HERE)
    from models import lqcp
    d = lqcp.make_data(n)
    out = {"package": pkg, "N": n}
    try:
        if pkg == "clarabel":
            t, obj, status = solve_clarabel(d)
        elif pkg == "piqp":
            t, obj, status = solve_piqp(d)
        else:
            t, obj, status = solve_modelled(pkg, d)
        out.update(seconds=t, objective=obj, status=status)
    except Exception as e:  # reported in the table, never hidden
        out["error"] = f"{type(e).__name__}: {e}"[:200]
    print(json.dumps(out), flush=True)


# --- the driver -------------------------------------------------------------------------

def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def measure(pkg, n, timeout):
    cmd = [VPY, os.path.abspath(__file__), "--child", pkg, str(n)]
    try:
        r = subprocess.run(cmd, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return {"error": f"timed out after {timeout:.0f} s"}
    for line in reversed(r.stdout.splitlines()):
        if line.startswith("{"):
            return json.loads(line)
    err = [ln for ln in r.stderr.splitlines() if ln.strip()]
    return {"error": f"crashed (exit {r.returncode})" + (f": {err[-1][:160]}" if err else "")}


def main(argv):
    if argv[:1] == ["--child"]:
        return child(argv[1], int(argv[2]))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--sizes", nargs="+", type=int, default=[100, 300, 600])
    ap.add_argument("--packages", nargs="+", default=PACKAGES, choices=PACKAGES)
    ap.add_argument("--timeout", type=float, default=180, help="seconds per run")
    args = ap.parse_args(argv)
    if not os.path.exists(VPY):
        sys.exit("bench/.venv-peers is missing: run python3 bench/peers.py once to set it up")
    print(f"load average before: {loadavg()}")
    print(f"{'N':>5} {'package':<15} {'solve s':>9} {'/ ' + REFERENCE:>11} {'objective':>16}  status")
    # The reference first, so that each row can be printed as it is measured.
    order = sorted(args.packages, key=lambda p: p != REFERENCE)
    for n in args.sizes:
        ref = None
        for p in order:
            r = measure(p, n, args.timeout)
            if p == REFERENCE:
                ref = r.get("seconds")
            if "error" in r:
                print(f"{n:>5} {p:<15} {'-':>9} {'-':>11} {'-':>16}  {r['error']}", flush=True)
                continue
            ratio = f"{r['seconds'] / ref:.2f}" if ref else "-"
            print(f"{n:>5} {p:<15} {r['seconds']:>9.3f} {ratio:>11} {r['objective']:>16.10g}  {r['status']}", flush=True)
    print(f"load average after: {loadavg()}")


if __name__ == "__main__":
    main(sys.argv[1:])
