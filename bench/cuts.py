"""Subtour cuts through the cut pool against the full formulation.

For random Euclidean travelling salesman problems of n cities it solves
  - full: every subtour row (2 < |S| <= n/2) in the matrix, HiGHS's MIP;
  - delayed: the same rows marked as delayed rows, the library's search;
  - pool: only the degree rows, subtours of each node LP stored in the cut
    pool (once) and loaded where violated, from an optnode callback;
and prints the optimum of each, the rows of the matrix against the most
rows a node LP held, and the CPU time of each relative to full, with the
load average of the machine.

Run: .venv/bin/python bench/cuts.py [--cities 10 11 12] [--seed 3]
"""
import argparse
import itertools
import math
import os
import random
import time

import ondrel


def tsp(n, seed):
    rng = random.Random(seed)
    pts = [(rng.random(), rng.random()) for _ in range(n)]
    p = ondrel.problem()
    p.controls.outputlog = 0
    x = {e: ondrel.var(vartype=ondrel.binary) for e in itertools.combinations(range(n), 2)}
    p.addVariable(list(x.values()))
    for i in range(n):
        p.addConstraint(ondrel.Sum(x[min(i, j), max(i, j)] for j in range(n) if j != i) == 2)
    p.setObjective(ondrel.Sum(math.dist(pts[i], pts[j]) * v for (i, j), v in x.items()))
    return p, x


def subtours(n, x):
    rows = []
    for k in range(3, n // 2 + 1):
        for s in itertools.combinations(range(n), k):
            if k < n - k or 0 in s:
                inside = set(s)
                rows.append(ondrel.Sum(v for (i, j), v in x.items() if i in inside and j in inside) <= k - 1)
    return rows


def components(n, edges):
    parent = list(range(n))

    def find(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]
            a = parent[a]
        return a

    for i, j in edges:
        parent[find(i)] = find(j)
    return len({find(i) for i in range(n)}), [find(i) for i in range(n)]


def separator(p, x, n):
    cols = {e: p.getIndex(v) for e, v in x.items()}

    def optnode(prob, data):
        sol = []
        prob.getlpsol(sol, None, None, None)
        count, root = components(n, [e for e in x if sol[cols[e]] > 1e-6])
        if count > 1:
            rtype, rhs, start, mcols, vals = [], [], [0], [], []
            for r in set(root):
                inside = {i for i in range(n) if root[i] == r}
                for (i, j) in x:
                    if i in inside and j in inside:
                        mcols.append(cols[i, j])
                        vals.append(1.0)
                rtype.append("L")
                rhs.append(len(inside) - 1)
                start.append(len(mcols))
            prob.storecuts(1, [1] * len(rtype), rtype, rhs, start, [], mcols, vals)
        cuts = []
        prob.getcpcutlist(1, 1, 1e-6, 100000, cuts, [])
        if cuts:
            prob.loadcuts(1, 1, cuts)
        return 0

    return optnode


def timed(f):
    t0 = time.process_time()
    f()
    return time.process_time() - t0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cities", type=int, nargs="+", default=[10, 11, 12])
    ap.add_argument("--seed", type=int, default=3)
    args = ap.parse_args()
    print("load average %.2f %.2f %.2f" % os.getloadavg())
    print("%6s %-8s %12s %8s %10s %8s %9s" % ("cities", "method", "optimum", "rows", "LP rows", "nodes",
                                              "time/full"))
    for n in args.cities:
        full, fx = tsp(n, args.seed)
        full.addConstraint(subtours(n, fx))
        full.controls.mipsolver = 1
        t_full = timed(full.solve)
        lazy, lx = tsp(n, args.seed)
        extra = subtours(n, lx)
        lazy.addConstraint(extra)
        lazy.loaddelayedrows(extra)
        t_lazy = timed(lazy.solve)
        pool, px = tsp(n, args.seed)
        pool.addcboptnode(separator(pool, px, n))
        t_pool = timed(pool.mipoptimize)
        for name, p, t in (("full", full, t_full), ("delayed", lazy, t_lazy), ("pool", pool, t_pool)):
            a = p.attributes
            lp_rows = a.maxnodelprows if name != "full" else a.rows
            print("%6d %-8s %12.6f %8d %10d %8d %9.2f" % (n, name, a.mipobjval, a.rows, lp_rows, a.nodes,
                                                         t / max(t_full, 1e-9)))
    print("load average %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
