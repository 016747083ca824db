"""Cuts in real searches: a travelling salesman problem whose subtour
cuts go through the cut pool (stored once, loaded when violated) against
the full formulation, delayed rows and model cuts, node-local cuts and the
children a callback gives, and the refusals of bad cuts and foreign
handles, which change nothing."""
import itertools
import math
import random

import pytest

import ondrel


def tsp(n, seed):
    rng = random.Random(seed)
    pts = [(rng.random(), rng.random()) for _ in range(n)]
    p = ondrel.problem()
    x = {e: ondrel.var(vartype=ondrel.binary) for e in itertools.combinations(range(n), 2)}
    p.addVariable(list(x.values()))
    for i in range(n):
        p.addConstraint(ondrel.Sum(x[min(i, j), max(i, j)] for j in range(n) if j != i) == 2)
    p.setObjective(ondrel.Sum(math.dist(pts[i], pts[j]) * v for (i, j), v in x.items()))
    return p, x


def subsets(n):
    # Every S with 2 < |S| <= n/2 (|S| = 2 is implied by the degree rows
    # for binaries; a set and its complement give the same cut).
    for k in range(3, n // 2 + 1):
        for s in itertools.combinations(range(n), k):
            if k < n - k or 0 in s:
                yield s


def subtour_rows(x, s):
    inside = set(s)
    return ondrel.Sum(v for (i, j), v in x.items() if i in inside and j in inside) <= len(s) - 1


def components(n, edges):
    parent = list(range(n))

    def find(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]
            a = parent[a]
        return a

    for i, j in edges:
        parent[find(i)] = find(j)
    groups = {}
    for i in range(n):
        groups.setdefault(find(i), []).append(i)
    return list(groups.values())


def pool_separator(p, x, n, log):
    """An optnode callback: the subtours of the node LP's support become
    pool cuts (stored once), and the pool cuts violated there are loaded."""
    cols = {e: p.getIndex(v) for e, v in x.items()}

    def optnode(prob, data):
        sol = []
        prob.getlpsol(sol, None, None, None)
        comps = components(n, [e for e in x if sol[cols[e]] > 1e-6])
        if len(comps) > 1:
            rtype, rhs, start, mcols, vals = [], [], [0], [], []
            for c in comps:
                inside = set(c)
                for (i, j) in x:
                    if i in inside and j in inside:
                        mcols.append(cols[i, j])
                        vals.append(1.0)
                rtype.append("L")
                rhs.append(len(c) - 1)
                start.append(len(mcols))
            handles = []
            prob.storecuts(1, [1] * len(rtype), rtype, rhs, start, handles, mcols, vals)
            assert len(handles) == len(rtype)
            assert all(isinstance(h, ondrel.poolcut) for h in handles)
            log["stored"] += len(handles)
        cuts, viol = [], []
        count = prob.getcpcutlist(1, 1, 1e-6, 10000, cuts, viol)
        assert count == len(cuts) == len(viol) and all(v >= 1e-6 for v in viol)
        if cuts:
            prob.loadcuts(1, 1, cuts)
            log["loaded"] += len(cuts)
        return 0

    return optnode


def tour_of(p, x, n):
    sol = p.getSolution(list(x.values()))
    return components(n, [e for e, v in zip(x, sol) if v > 0.5])


def test_tsp_with_pool_cuts_reaches_the_full_formulations_optimum_with_fewer_rows():
    n = 9
    full, fx = tsp(n, seed=3)
    rows = [subtour_rows(fx, s) for s in subsets(n)]
    full.addConstraint(rows)
    full.controls.mipsolver = 1          # HiGHS's MIP on every subtour row
    full.solve()
    assert full.getProbStatusString() == "mip_optimal"
    full_rows = full.attributes.rows

    p, x = tsp(n, seed=3)
    log = {"stored": 0, "loaded": 0}
    p.addcboptnode(pool_separator(p, x, n, log))
    p.mipoptimize()
    a = p.attributes
    assert a.mipstatus == 6
    assert a.mipobjval == pytest.approx(full.getObjVal(), rel=1e-7)
    assert len(tour_of(p, x, n)) == 1
    assert log["stored"] >= 1 and log["loaded"] >= 1
    assert a.poolcuts >= 1
    assert n < a.maxnodelprows < full_rows
    # The pool lasts: a second solve finds the cuts stored already, and
    # stores none again (nodupl 1).
    stored = log["stored"]
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(full.getObjVal(), rel=1e-7)
    assert p.attributes.poolcuts == a.poolcuts
    assert p.attributes.maxnodelprows < full_rows


def test_pool_cuts_removed_during_a_search():
    n = 9
    p, x = tsp(n, seed=3)
    log = {"stored": 0, "loaded": 0}
    separate = pool_separator(p, x, n, log)
    gone = []

    def optnode(prob, data):
        separate(prob, data)
        if not gone and prob.attributes.poolcuts:
            # Drop every user cut from the pool: the node keeps those it
            # loaded; the next rounds store and load them again.
            prob.delcpcuts(1, 1, None)
            gone.append(prob.attributes.poolcuts)
        return 0

    p.addcboptnode(optnode)
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and len(tour_of(p, x, n)) == 1
    assert gone


def test_delayed_rows_and_model_cuts_give_the_full_optimum_with_fewer_active_rows():
    n = 8
    ref, rx = tsp(n, seed=11)
    ref.addConstraint([subtour_rows(rx, s) for s in subsets(n)])
    ref.controls.mipsolver = 1
    ref.solve()
    for method in ("loaddelayedrows", "loadmodelcuts"):
        p, x = tsp(n, seed=11)
        extra = [subtour_rows(x, s) for s in subsets(n)]
        p.addConstraint(extra)
        getattr(p, method)(extra)       # automatic: marked rows take the tree search
        p.solve()
        a = p.attributes
        assert p.getProbStatusString() == "mip_optimal", method
        assert a.mipobjval == pytest.approx(ref.getObjVal(), rel=1e-7), method
        assert len(tour_of(p, x, n)) == 1
        assert 0 < a.lazyrowsadded < len(extra)
        assert a.maxnodelprows < a.rows


def test_marks_follow_deleted_rows_and_an_empty_list_clears_them():
    p, x = tsp(6, seed=2)
    extra = [subtour_rows(x, s) for s in subsets(6)]
    p.addConstraint(extra)
    p.loaddelayedrows(extra[-2:])
    p.delConstraint(extra[:2])
    p.solve()
    assert p.attributes.maxnodelprows <= p.attributes.rows
    p.loaddelayedrows([])
    p.controls.mipsolver = 0
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    with pytest.raises(RuntimeError, match="Must provide argument mrows"):
        p.loaddelayedrows(None)
    with pytest.raises(RuntimeError, match="Must provide argument"):
        p.loadmodelcuts(None)
    with pytest.raises(RuntimeError, match="out of range"):
        p.loaddelayedrows([10 ** 6])


def knapsack():
    # max 5a + 4b + 3c, 2a + 3b + c <= 5, 4a + b + 2c <= 11, 3a + 4b + 2c <= 8:
    # optimum 13 at (2, 0, 1).
    p = ondrel.problem()
    v = [ondrel.var(vartype=ondrel.integer, ub=10) for _ in range(3)]
    p.addVariable(v)
    a, b, c = v
    p.addConstraint(2 * a + 3 * b + c <= 5, 4 * a + b + 2 * c <= 11, 3 * a + 4 * b + 2 * c <= 8)
    p.setObjective(5 * a + 4 * b + 3 * c, sense=ondrel.maximize)
    return p, v


def test_stored_cuts_load_as_given_and_leave_the_subtree():
    p, v = knapsack()
    ia, ib = p.getIndex(v[0]), p.getIndex(v[1])
    seen = []

    def optnode(prob, data):
        node = prob.attributes.nodes
        if not seen:
            idx = []
            # a + b <= 2 is valid; a copy under nodupl 1 gives the same cut.
            prob.storecuts(0, [3], ["L"], [2.0], [0, 2], idx, [ia, ib], [1.0, 1.0])
            again = []
            prob.storecuts(1, [3], ["L"], [2.0], [0, 2], again, [ia, ib], [1.0, 1.0])
            prob.loadcuts(0, -1, idx)
            got = []
            prob.getcutlist(3, 1, 10, got)
            t, r, s, c, val, rhs = [], [], [], [], [], []
            prob.getcpcuts(got, 10, t, r, s, c, val, rhs)
            seen.append(("root", node, len(got), t, r, s, c, val, rhs, prob.attributes.poolcuts))
            return 0
        got, rows = [], []
        prob.getcutlist(3, 1, 10, got)
        if got:
            prob.getcutmap(got, rows)
            seen.append(("child", node, rows, prob.getcutslack(got[0])))
        return 0

    p.addcboptnode(optnode)
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(13)
    root = seen[0]
    assert root[2] == 1 and root[3:9] == ([3], ["L"], [0, 2], [v[0], v[1]], [1.0, 1.0], [2.0])
    assert root[9] == 1
    for entry in seen[1:]:
        assert entry[2][0] >= 3 and entry[3] >= -1e-7


def test_children_given_by_a_callback_replace_the_search_branching():
    p, v = knapsack()
    lo = p.storebounds([v[0]], ["U"], [1.0])
    hi = p.storebounds([v[0]], ["L"], [2.0])
    assert isinstance(lo, ondrel.generic)
    kids = []
    done = []

    def optnode(prob, data):
        if not done:
            done.append(1)
            prob.setbranchbounds(lo)
            prob.setbranchbounds(hi)
        return 0

    p.addcboptnode(optnode)
    p.addcbnewnode(lambda prob, data, parent, node, branch: kids.append((parent, branch)))
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(13)
    assert kids[:2] == [(1, 0), (1, 1)]
    # Outside a search the stored bounds cannot be applied; a generic
    # holding nothing, or of another problem, is refused in a search too.
    with pytest.raises(RuntimeError, match="can only be called from a callback"):
        p.setbranchbounds(lo)
    q, w = knapsack()
    foreign = q.storebounds([w[0]], ["U"], [1.0])
    errors = []

    def bad(prob, data):
        for obj in (foreign, ondrel.generic(), 5):
            try:
                prob.setbranchbounds(obj)
            except RuntimeError as e:
                errors.append(str(e))
        return 0

    p.removecboptnode()
    p.addcboptnode(bad)
    p.mipoptimize()
    assert len(errors) >= 3 and all("not a set of bounds stored for this problem" in e for e in errors[:3])


def test_setbranchcuts_children_and_addcuts_in_prenode():
    p, v = knapsack()
    ia, ib, ic = (p.getIndex(t) for t in v)
    kids, done = [], []

    def optnode(prob, data):
        if not done:
            done.append(1)
            le, ge = [], []
            prob.storecuts(0, [0], ["L"], [1.0], [0, 1], le, [ia], [1.0])
            prob.storecuts(0, [0], ["G"], [2.0], [0, 1], ge, [ia], [1.0])
            prob.setbranchcuts(le)
            prob.setbranchcuts(ge)
        return 0

    def prenode(prob, data):
        # A valid cut added before the node's LP: c <= 5.
        prob.addcuts([0], ["L"], [5.0], [0, 1], [ic], [1.0])
        return 0

    p.addcboptnode(optnode)
    p.addcbprenode(prenode)
    p.addcbnewnode(lambda prob, data, parent, node, branch: kids.append((parent, branch)))
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(13)
    assert kids[:2] == [(1, 0), (1, 1)]


def test_delcuts_takes_slack_cuts_out_of_the_node():
    p, v = knapsack()
    ia = p.getIndex(v[0])
    counts = []

    def optnode(prob, data):
        got = []
        prob.getcutlist(4, 1, 10, got)
        if not counts:
            idx = []
            prob.storecuts(0, [4, 4], ["L", "L"], [50.0, 2.0], [0, 1, 2], idx, [ia, ia], [1.0, 1.0])
            prob.loadcuts(4, 1, None)       # every type-4 pool cut
        elif len(counts) == 1:
            prob.delcuts(0, 4, 1, 1.0, None)  # a <= 50 has slack >= 1 and goes
        counts.append(len(got))
        return 0

    p.addcboptnode(optnode)
    p.mipoptimize()
    assert counts[:3] == [0, 2, 1]
    assert p.attributes.mipobjval == pytest.approx(13)


def test_bad_cut_arrays_are_refused_and_change_nothing():
    p, v = knapsack()
    ia = p.getIndex(v[0])
    before = p.attributes.poolcuts
    cases = [
        (([0], ["L", "L"], [1.0], [0, 1, 2], [ia, ia], [1.0, 1.0]), "Mismatched lengths"),
        (([0], ["L"], [1.0], [0, 1], [ia, ia], [1.0]), "Mismatched lengths"),
        (([0, 0], ["L", "L"], [1.0, 1.0], [0, 1, 2], [ia, 99], [1.0, 1.0]), "out of range|Invalid|index"),
        (([0, 0], ["L", "L"], [1.0, 1.0], [0, 1, 2], [ia, ia], [1.0, float("nan")]), "not a finite number"),
        (([0], ["Q"], [1.0], [0, 1], [ia], [1.0]), "Invalid row type"),
        (([0], ["L"], [float("inf")], [0, 1], [ia], [1.0]), "not a finite number"),
    ]
    for args, msg in cases:
        out = []
        with pytest.raises((RuntimeError, TypeError, IndexError), match=msg):
            p.storecuts(0, args[0], args[1], args[2], args[3], out, args[4], args[5])
        assert out == [] and p.attributes.poolcuts == before
    with pytest.raises(RuntimeError, match="getcutslack must be provided a single cut as the only argument"):
        p.getcutslack(3)
    # A cut of another problem, and a cut holding no handle.
    q, w = knapsack()
    theirs = []
    q.storecuts(0, [0], ["L"], [1.0], [0, 1], theirs, [0], [1.0])
    for cut in (theirs[0], ondrel.poolcut()):
        with pytest.raises(RuntimeError, match="not a cut of this problem"):
            p.getcpcuts([cut], 10, [], [], [], [], [], [])
        with pytest.raises(RuntimeError, match="not a cut of this problem"):
            p.delcpcuts(0, -1, [cut])
    with pytest.raises(RuntimeError, match="Invalid object"):
        p.delcpcuts(0, -1, [theirs[0], 7])
    assert q.attributes.poolcuts == 1


def test_node_methods_outside_a_search_say_so():
    p, v = knapsack()
    ia = p.getIndex(v[0])
    idx = []
    p.storecuts(0, [0], ["L"], [1.0], [0, 1], idx, [ia], [1.0])   # the pool is always there
    calls = [
        lambda: p.addcuts([0], ["L"], [1.0], [0, 1], [ia], [1.0]),
        lambda: p.loadcuts(0, -1, idx),
        lambda: p.delcuts(0, 0, -1, 0.0, idx),
        lambda: p.setbranchcuts(idx),
        lambda: p.getcutslack(idx[0]),
        lambda: p.getcutmap(idx, []),
        lambda: p.getcutlist(0, -1, 10, []),
    ]
    for call in calls:
        with pytest.raises(RuntimeError, match="can only be called from a callback during the branch-and-bound"):
            call()
    # Violations outside a search are at the last LP solution.
    with pytest.raises(RuntimeError, match="needs an LP solution"):
        p.getcpcutlist(0, -1, 0.0, 10, [], [])
    p.lpoptimize()
    cuts, viol = [], []
    n = p.getcpcutlist(0, -1, -1e20, 10, cuts, viol)
    assert n == 1 and len(viol) == 1
    p.delcpcuts(0, -1, idx)
    assert p.getcpcutlist(0, -1, -1e20, 10, [], []) == 0
