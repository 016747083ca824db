"""The tree search's node features on worker threads: pool cuts loaded by
node callbacks, children given by a callback, delayed rows, preintsol and
chgbranchobject all run on the worker that processes the node, reach the
solving problem's pool, give the optimum, and give the same tree on every
run; nonlinear relaxations keep the search to one worker."""
import math
import threading

import pytest

import ondrel
from test_cuts import pool_separator, subsets, subtour_rows, tour_of, tsp


def solve_logged(p):
    news = []
    p.addcbnewnode(lambda prob, data, parent, node, branch: news.append((parent, node, branch)))
    p.solve()
    a = p.attributes
    return a.nodes, a.mipobjval, sorted(news)


def tsp_with_separator(n, seed, threads):
    p, x = tsp(n, seed)
    log = {"stored": 0, "loaded": 0, "threads": set()}
    sep = pool_separator(p, x, n, log)

    def optnode(prob, data):
        log["threads"].add(threading.get_ident())
        return sep(prob, data)

    p.addcboptnode(optnode)
    p.controls.threads = threads
    p.controls.mipsolver = 2
    return p, x, log


def test_pool_cuts_from_worker_callbacks_reach_the_optimum_and_repeat():
    n = 9
    ref, rx = tsp(n, seed=3)
    ref.addConstraint([subtour_rows(rx, s) for s in subsets(n)])
    ref.controls.mipsolver = 1
    ref.solve()
    runs = []
    for _ in range(2):
        p, x, log = tsp_with_separator(n, 3, threads=3)
        runs.append(solve_logged(p))
        assert p.getProbStatusString() == "mip_optimal"
        assert len(tour_of(p, x, n)) == 1
        assert log["stored"] > 0 and log["loaded"] > 0
        assert threading.get_ident() not in log["threads"]
        # The cuts stored from the workers are in the solving problem's pool.
        assert p.attributes.poolcuts > 0
    assert runs[0][1] == pytest.approx(ref.getObjVal(), rel=1e-7)
    assert runs[1] == runs[0]


@pytest.mark.parametrize("method", ["loaddelayedrows", "loadmodelcuts"])
def test_delayed_rows_on_workers(method):
    n = 8
    ref, rx = tsp(n, seed=11)
    ref.addConstraint([subtour_rows(rx, s) for s in subsets(n)])
    ref.controls.mipsolver = 1
    ref.solve()
    p, x = tsp(n, seed=11)
    extra = [subtour_rows(x, s) for s in subsets(n)]
    p.addConstraint(extra)
    getattr(p, method)(extra)
    p.controls.threads = 3
    p.solve()
    a = p.attributes
    assert p.getProbStatusString() == "mip_optimal"
    assert a.mipobjval == pytest.approx(ref.getObjVal(), rel=1e-7)
    assert len(tour_of(p, x, n)) == 1
    assert 0 < a.lazyrowsadded < len(extra)


def knapsack(n=14, seed=2):
    import random
    rnd = random.Random(seed)
    p = ondrel.problem()
    x = [ondrel.var(vartype=ondrel.binary) for _ in range(n)]
    p.addVariable(x)
    w = [rnd.randint(5, 40) for _ in range(n)]
    v = [wi + rnd.randint(-4, 8) for wi in w]
    p.addConstraint(ondrel.Sum(w[i] * x[i] for i in range(n)) <= sum(w) // 2)
    p.setObjective(ondrel.Sum(v[i] * x[i] for i in range(n)), sense=ondrel.maximize)
    p.controls.mipsolver = 2
    p.controls.outputlog = 0
    p.controls.cutstrategy = 0   # a tree, not a root closed by cuts
    return p, x, w, v


def best(w, v, cap, allowed):
    n, top = len(w), 0
    for m in range(1 << n):
        if not allowed(m):
            continue
        if sum(w[i] for i in range(n) if m >> i & 1) <= cap:
            top = max(top, sum(v[i] for i in range(n) if m >> i & 1))
    return top


def test_preintsol_on_workers_rejects_heuristic_solutions_and_repeats():
    p, x, w, v = knapsack()
    p.controls.threads = 3
    cols = [p.getIndex(xi) for xi in x]
    seen = {"calls": 0, "threads": set(), "types": set()}

    def preintsol(prob, data, soltype, cutoff):
        seen["calls"] += 1
        seen["threads"].add(threading.get_ident())
        seen["types"].add(soltype)
        sol = []
        prob.getlpsol(sol, None, None, None)
        assert len(sol) == len(cols)
        # The heuristics' solutions are refused: the node LPs find the optimum.
        return (1 if soltype == 1 else 0), None

    p.addcbpreintsol(preintsol)
    first = solve_logged(p)
    assert seen["calls"] > 0 and threading.get_ident() not in seen["threads"]
    assert p.getProbStatusString() == "mip_optimal"
    assert first[1] == pytest.approx(best(w, v, sum(w) // 2, lambda m: True))
    assert first[0] > 1
    q, _, _, _ = knapsack()
    q.controls.threads = 3
    q.addcbpreintsol(preintsol)
    assert solve_logged(q) == first


def test_chgbranchobject_and_stored_objects_on_workers():
    p, x, w, v = knapsack()
    p.controls.threads = 2
    offered = {"n": 0, "threads": set()}

    def change(prob, data, bo):
        offered["n"] += 1
        offered["threads"].add(threading.get_ident())
        n = bo.getbranches()
        new = ondrel.branchobj(prob)
        new.addbranches(n)
        for k in range(n):
            types, cs, vals = [], [], []
            bo.getbounds(k, 10, types, cs, vals)
            new.addbounds(k, types, cs, vals)
        new.setpreferredbranch(n - 1)
        return new

    p.addcbchgbranchobject(change)
    first = solve_logged(p)
    assert p.getProbStatusString() == "mip_optimal"
    assert first[1] == pytest.approx(best(w, v, sum(w) // 2, lambda m: True))
    assert offered["n"] > 0 and threading.get_ident() not in offered["threads"]

    q, y, _, _ = knapsack()
    q.controls.threads = 2
    stored = []

    def optnode(prob, data):
        if prob.attributes.currentnode == 1:
            bo = ondrel.branchobj(prob, [[y[3] <= 0], [y[3] >= 1]])
            bo.setpreferredbranch(1)
            assert bo.store() == 0
            stored.append(1)
        return 0

    q.addcboptnode(optnode)
    kids = solve_logged(q)[2]
    assert stored == [1]
    assert [(a, b) for a, b, _ in kids if a == 1] == [(1, 2), (1, 3)]
    assert q.getObjVal() == pytest.approx(first[1])


def test_nlp_relaxations_use_one_worker():
    c = [1.3, 0.4, 2.2]
    p = ondrel.problem()
    x = [ondrel.var(lb=-4, ub=6, vartype=ondrel.integer) for _ in c]
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(x) >= 4)
    p.setObjective(ondrel.Sum(ondrel.exp(xi / 2) - ci * xi for xi, ci in zip(x, c)))
    p.controls.threads = 4
    workers = []
    p.addcbmipthread(lambda prob, data, tprob: workers.append(tprob))
    p.solve()
    assert len(workers) == 1
    f = lambda t: sum(math.exp(a / 2) - ci * a for a, ci in zip(t, c))
    assert p.getObjVal() == pytest.approx(
        min(f((a, b, d)) for a in range(-4, 7) for b in range(-4, 7) for d in range(-4, 7)
            if a + b + d >= 4), abs=1e-6)
