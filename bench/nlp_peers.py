"""Solves the problems of tests/nlp_problems.py through other Python packages
with Ipopt underneath, for bench/nlp.py, which runs this file in the
benchmark environment (bench/.venv-peers) and reads its output.

    python bench/nlp_peers.py --starts 3 [--only hs71] [--peers pyomo,casadi]

Prints one JSON object a line: first {"peer": name, "available": bool,
"why": text} for each peer, then {"peer", "problem", "start", "ok", "f",
"secs", "note"} for each solve. Only the solver call is timed (the model is
built before the clock starts), as bench/nlp.py times OSLPnlpoptimize.
"""
import argparse
import json
import math
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))
import nlp_problems  # noqa: E402

INF = nlp_problems.INF
IPOPT_OPTIONS = {"print_level": 0, "tol": 1e-8, "max_iter": 3000}


def emit(**kw):
    print(json.dumps(kw), flush=True)


# ---------------------------------------------------------------- pyomo ----

def pyomo_solver():
    """The first Pyomo route to Ipopt that works here, or (None, reason)."""
    try:
        import pyomo.environ as pe
    except ImportError as e:
        return None, "pyomo is not installed (%s)" % e
    reasons = []
    for name in ("ipopt", "cyipopt"):
        try:
            s = pe.SolverFactory(name)
            if s.available(exception_flag=False):
                return (name, s), ""
            reasons.append("%s: not available" % name)
        except Exception as e:  # a plugin that cannot even load
            reasons.append("%s: %s" % (name, str(e).splitlines()[0] if str(e) else type(e).__name__))
    try:
        import cyipopt  # noqa: F401
    except ImportError:
        reasons.append("cyipopt is not installed: it does not build against Debian's Ipopt here")
    return None, ("Pyomo has no Ipopt here (" + "; ".join(reasons) +
                  "): its 'ipopt' runs the ipopt executable, which neither Debian's coinor packages "
                  "nor PyPI ship, and 'cyipopt' needs cyipopt and Pyomo's compiled ASL extension")


def run_pyomo(solver, p, start):
    import pyomo.environ as pe
    name, s = solver
    m = pe.ConcreteModel()
    m.x = pe.Var(range(p.n))
    for j in range(p.n):
        if p.lb[j] > -INF:
            m.x[j].setlb(p.lb[j])
        if p.ub[j] < INF:
            m.x[j].setub(p.ub[j])
        m.x[j].value = start[j]
    x = [m.x[j] for j in range(p.n)]
    m.c = pe.ConstraintList()
    for body, lo, hi in p.constraints(x, pe):
        if lo == hi:
            m.c.add(body == lo)
        else:
            m.c.add(pe.inequality(None if lo <= -INF else lo, body, None if hi >= INF else hi))
    m.obj = pe.Objective(expr=p.objective(x, pe))
    for k, v in IPOPT_OPTIONS.items():
        s.options[k] = v
    t0 = time.perf_counter()
    res = s.solve(m, load_solutions=False) if name == "ipopt" else s.solve(m)
    secs = time.perf_counter() - t0
    tc = str(res.solver.termination_condition)
    ok = tc in ("optimal", "locallyOptimal")
    if name == "ipopt" and ok:
        m.solutions.load_from(res)
    return ok, pe.value(m.obj) if ok else float("nan"), secs, tc


# --------------------------------------------------------------- casadi ----

def casadi_solver():
    try:
        import casadi
    except ImportError as e:
        return None, "casadi is not installed (%s)" % e
    if not casadi.has_nlpsol("ipopt"):
        return None, "casadi has no Ipopt plugin"
    return casadi, ""


def run_casadi(ca, p, start):
    x = ca.SX.sym("x", p.n)
    xs = [x[j] for j in range(p.n)]
    rows = p.constraints(xs, ca)
    g = ca.vertcat(*[ca.SX(0) + b for b, _, _ in rows]) if rows else ca.SX(0, 1)
    f = ca.SX(0) + p.objective(xs, ca)
    opts = {"print_time": 0, "ipopt": dict(IPOPT_OPTIONS, sb="yes")}
    solver = ca.nlpsol("s", "ipopt", {"x": x, "f": f, "g": g}, opts)
    inf = lambda v: math.inf if v >= INF else (-math.inf if v <= -INF else v)  # noqa: E731
    args = dict(x0=start, lbx=[inf(v) for v in p.lb], ubx=[inf(v) for v in p.ub])
    if rows:
        args.update(lbg=[inf(lo) for _, lo, _ in rows], ubg=[inf(hi) for _, _, hi in rows])
    t0 = time.perf_counter()
    sol = solver(**args)
    secs = time.perf_counter() - t0
    st = solver.stats()
    ok = bool(st.get("success"))
    return ok, float(sol["f"]), secs, st.get("return_status", "")


PEERS = {"pyomo": (pyomo_solver, run_pyomo), "casadi": (casadi_solver, run_casadi)}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--starts", type=int, default=3)
    ap.add_argument("--only", default="")
    ap.add_argument("--peers", default="pyomo,casadi")
    args = ap.parse_args()
    problems = [p for p in nlp_problems.PROBLEMS if not args.only or p.name in args.only.split(",")]
    for peer in [s for s in args.peers.split(",") if s]:
        make, run = PEERS[peer]
        solver, why = make()
        emit(peer=peer, available=solver is not None, why=why)
        if solver is None:
            continue
        for p in problems:
            for k, start in enumerate(nlp_problems.starting_points(p, args.starts)):
                try:
                    ok, f, secs, note = run(solver, p, start)
                except Exception as e:  # a failed solve is a result
                    ok, f, secs, note = False, float("nan"), 0.0, "error: %s" % e
                emit(peer=peer, problem=p.name, start=k, ok=ok, f=f if f == f else None, secs=secs,
                     note=note)


if __name__ == "__main__":
    main()
