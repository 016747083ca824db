"""Objective and right-hand-side ranging of ondrel against HiGHS's own
ranging through highspy, on the public LPs, in the same run.

For every LP instance: solve with ondrel and with highspy (same file, same
HiGHS), then compare ondrel's `objsa` (cost ranges of every column) and
`rhssa` (rhs ranges of every row) with highspy's `getRanging()`: column
cost down/up values, and for rows with a nonbasic (binding) slack the row
bound down/up values. Prints per instance the number of entries compared,
the number that agree to 1e-6 (relative), and the time of each ranging call.

Needs highspy: run it with the benchmark environment that bench/peers.py
creates (bench/.venv-peers), after `bench/peers.py` has built ondrel into it:

    bench/.venv-peers/bin/python bench/ranging.py [--only afiro,adlittle]
"""
import argparse
import os
import time

import highspy
import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))
LP = ["afiro", "adlittle", "blending", "sctest", "scrs8", "stair", "standata", "standgub", "shell",
      "israel", "etamacro", "25fv47", "perold", "80bau3b", "greenbea"]
INF = 1e20


def close(a, b):
    if abs(a) >= INF and abs(b) >= INF:
        return (a > 0) == (b > 0)
    return abs(a - b) <= 1e-6 * max(1.0, abs(a), abs(b))


def clip(v):
    return max(-INF, min(INF, v))


def ours(path):
    p = ondrel.problem()
    p.read(path)
    p.controls.outputlog = 0
    p.lpoptimize()
    p.postsolve()
    n, m = p.attributes.originalcols, p.attributes.originalrows
    rstat, cstat = [], []
    p.getbasis(rstat, cstat)
    t0 = time.perf_counter()
    clo, cup, rlo, rup = [], [], [], []
    p.objsa(list(range(n)), clo, cup)
    p.rhssa(list(range(m)), rlo, rup)
    return (clo, cup, rlo, rup, rstat, cstat), time.perf_counter() - t0


def theirs(path, rstat, cstat):
    """HiGHS's ranging at the same basis as ours (a degenerate LP has several
    optimal bases, and the ranges belong to the basis)."""
    h = highspy.Highs()
    h.setOptionValue("output_flag", False)
    h.readModel(path)
    st = highspy.HighsBasisStatus
    code = {0: st.kLower, 1: st.kBasic, 2: st.kUpper, 3: st.kZero}
    basis = highspy.HighsBasis()
    basis.col_status = [code[c] for c in cstat]
    basis.row_status = [code[r] for r in rstat]
    basis.valid = True
    h.setBasis(basis)
    h.run()
    t0 = time.perf_counter()
    status, r = h.getRanging()
    t = time.perf_counter() - t0
    return (r.col_cost_dn.value_, r.col_cost_up.value_, r.row_bound_dn.value_, r.row_bound_up.value_), t


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--only", default="")
    args = ap.parse_args()
    names = [n for n in LP if not args.only or n in args.only.split(",")]
    print("load average: %.2f %.2f %.2f" % os.getloadavg())
    print("%-10s %8s %8s %8s %8s %10s %10s" % ("instance", "costs", "agree", "rhs", "agree", "ondrel s", "highspy s"))
    for name in names:
        path = os.path.join(INSTANCES, name + ".mps")
        if not os.path.exists(path):
            continue
        (clo, cup, rlo, rup, rstat, cstat), t_ours = ours(path)
        (hclo, hcup, hrlo, hrup), t_theirs = theirs(path, rstat, cstat)
        costs = sum(close(clo[j], clip(hclo[j])) and close(cup[j], clip(hcup[j])) for j in range(len(clo)))
        binding = [i for i in range(len(rlo)) if rstat[i] != 1]
        rhs = sum(close(rlo[i], clip(hrlo[i])) and close(rup[i], clip(hrup[i])) for i in binding)
        print("%-10s %8d %8d %8d %8d %10.4f %10.4f" % (name, len(clo), costs, len(binding), rhs, t_ours, t_theirs))
    print("load average: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
