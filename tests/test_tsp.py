"""Symmetric travelling salesman problems solved by the tree search with
subtour elimination rows given only during the search: lazily, through
preintsol rejecting candidate tours that have a subtour (the node then
branches into one child holding the violated rows, by a stored branching
object), and as cuts from optnode on fractional node solutions; and with a
user branching rule through chgbranchobject.

No TSPLIB instance files are on this machine (neither in the shared data
nor in a package of the registry here), so the instances are generated:
cities at seeded random integer coordinates, distances rounded Euclidean.
Each optimum is computed independently by the Held-Karp dynamic program
below, and for one instance also by a complete MTZ formulation solved by
HiGHS's MIP."""
import itertools
import math
import random

import pytest

import ondrel


def instance(n, seed):
    rng = random.Random(seed)
    pts = [(rng.randint(0, 100), rng.randint(0, 100)) for _ in range(n)]
    return [[int(round(math.dist(a, b))) for b in pts] for a in pts]


def held_karp(d):
    """Length of an optimal tour, by dynamic programming over subsets."""
    n = len(d)
    best = {(1 << 0 | 1 << j, j): d[0][j] for j in range(1, n)}
    for size in range(3, n + 1):
        for sub in itertools.combinations(range(1, n), size - 1):
            mask = 1 | sum(1 << j for j in sub)
            for j in sub:
                prev = mask & ~(1 << j)
                best[(mask, j)] = min(best[(prev, k)] + d[k][j] for k in sub if k != j)
    full = (1 << n) - 1
    return min(best[(full, j)] + d[j][0] for j in range(1, n))


class Tsp:
    """Degree-2 formulation on the edges i < j; subtour rows come later."""

    def __init__(self, d):
        self.n = n = len(d)
        self.p = p = ondrel.problem()
        self.edges = [(i, j) for i in range(n) for j in range(i + 1, n)]
        self.x = {e: ondrel.var(vartype=ondrel.binary, name="x_%d_%d" % e) for e in self.edges}
        p.addVariable(list(self.x.values()))
        for i in range(n):
            p.addConstraint(ondrel.Sum(self.x[e] for e in self.edges if i in e) == 2)
        p.setObjective(ondrel.Sum(d[i][j] * self.x[(i, j)] for i, j in self.edges))
        p.controls.mipsolver = 2
        self.index = {e: k for k, e in enumerate(self.edges)}
        self.rows = 0

    def values(self, prob):
        x = []
        prob.getlpsol(x, None, None, None)
        return {e: x[self.index[e]] for e in self.edges}

    def components(self, val, eps):
        """Connected components of the edges with value above eps."""
        seen, comps = set(), []
        for s in range(self.n):
            if s in seen:
                continue
            comp, todo = set(), [s]
            while todo:
                i = todo.pop()
                if i in comp:
                    continue
                comp.add(i)
                todo += [j for j in range(self.n) if j != i and val[tuple(sorted((i, j)))] > eps]
            seen |= comp
            comps.append(sorted(comp))
        return comps

    def subtours(self, val, eps, violated_by=1e-6):
        """The edges inside each component S of the edges above eps that is
        not the whole tour and whose row sum of x inside S <= |S| - 1 val
        violates."""
        comps = self.components(val, eps)
        found = []
        for comp in comps if len(comps) > 1 else []:
            inside = list(itertools.combinations(comp, 2))
            if sum(val[e] for e in inside) > len(comp) - 1 + violated_by:
                found.append((inside, len(comp) - 1))
        self.rows += len(found)
        return found

    def constraints(self, subtours):
        return [ondrel.Sum(self.x[e] for e in inside) <= rhs for inside, rhs in subtours]

    def add_cuts(self, prob, subtours):
        """The subtour rows as cuts of the node being processed."""
        if not subtours:
            return
        start, cols = [0], []
        for inside, _ in subtours:
            cols += [self.x[e] for e in inside]
            start.append(len(cols))
        prob.addcuts([0] * len(subtours), ["L"] * len(subtours), [r for _, r in subtours],
                     start, cols, [1.0] * len(cols))

    def tour_length(self, d):
        sol = self.p.getSolution(list(self.x.values()))
        chosen = [e for e, v in zip(self.edges, sol) if v > 0.5]
        assert len(chosen) == self.n
        assert len(self.components({e: (1.0 if e in chosen else 0.0) for e in self.edges}, 0.5)) == 1
        return sum(d[i][j] for i, j in chosen)


def lazy_preintsol(t, log):
    """Rejects candidates with a subtour; at a node solution, the node gets
    one child that holds the subtour rows."""
    def preintsol(prob, data, soltype, cutoff):
        val = t.values(prob)
        if len(t.components(val, 0.5)) == 1:
            return (0, None)
        log.append(soltype)
        if soltype == 0:
            bo = ondrel.branchobj(prob, [t.constraints(t.subtours(val, 0.5))])
            assert bo.store() == 0
        return (1, None)
    return preintsol


def cuts_optnode(t):
    def optnode(prob, data):
        t.add_cuts(prob, t.subtours(t.values(prob), 1e-6, violated_by=0.01))
        return 0
    return optnode


needs_addcuts = pytest.mark.skipif(not hasattr(ondrel.problem, "addcuts"),
                                   reason="the cut methods are not in this build")


INSTANCES = [(10, 3), (12, 7), (13, 11)]


@pytest.mark.parametrize("n,seed", INSTANCES)
def test_lazy_subtour_rows_by_preintsol(n, seed):
    d = instance(n, seed)
    t = Tsp(d)
    rejected = []
    t.p.addcbpreintsol(lazy_preintsol(t, rejected))
    t.p.solve()
    assert t.p.getProbStatusString() == "mip_optimal"
    # Without any subtour row the relaxation's first integer points have subtours.
    assert rejected and t.rows >= 1
    assert t.p.getObjVal() == pytest.approx(held_karp(d))
    assert t.tour_length(d) == pytest.approx(held_karp(d))


@needs_addcuts
@pytest.mark.parametrize("n,seed", INSTANCES[:2])
def test_subtour_cuts_from_optnode_with_lazy_check(n, seed):
    d = instance(n, seed)
    t = Tsp(d)
    rejected = []
    t.p.addcboptnode(cuts_optnode(t))
    t.p.addcbpreintsol(lazy_preintsol(t, rejected))
    t.p.solve()
    assert t.p.getProbStatusString() == "mip_optimal"
    assert t.rows >= 1
    assert t.tour_length(d) == pytest.approx(held_karp(d))


def test_user_branching_rule_reaches_the_same_optimum():
    d = instance(12, 7)
    t = Tsp(d)
    rule = {"calls": 0, "own": 0}

    def most_fractional_one_first(prob, data, bo):
        rule["calls"] += 1
        val = t.values(prob)
        frac = [e for e in t.edges if 1e-6 < val[e] < 1 - 1e-6]
        if not frac:
            rule["own"] += 1
            return bo
        e = min(frac, key=lambda e: abs(val[e] - 0.5))
        new = ondrel.branchobj(prob, [[t.x[e] >= 1], [t.x[e] <= 0]])
        new.setpreferredbranch(0)
        return new

    t.p.addcbchgbranchobject(most_fractional_one_first)
    t.p.addcbpreintsol(lazy_preintsol(t, []))
    t.p.solve()
    assert t.p.getProbStatusString() == "mip_optimal"
    assert rule["calls"] >= 1
    assert t.tour_length(d) == pytest.approx(held_karp(d))


def test_generated_optimum_agrees_with_a_complete_formulation():
    """The Held-Karp value of an instance equals the MTZ formulation's
    optimum found by HiGHS's MIP: the check of the dynamic program."""
    d = instance(10, 3)
    n = len(d)
    p = ondrel.problem()
    x = {(i, j): ondrel.var(vartype=ondrel.binary) for i in range(n) for j in range(n) if i != j}
    u = [ondrel.var(lb=1, ub=n - 1) for _ in range(n)]
    p.addVariable(list(x.values()), u)
    for i in range(n):
        p.addConstraint(ondrel.Sum(x[(i, j)] for j in range(n) if j != i) == 1,
                        ondrel.Sum(x[(j, i)] for j in range(n) if j != i) == 1)
    for i in range(1, n):
        for j in range(1, n):
            if i != j:
                p.addConstraint(u[i] - u[j] + (n - 1) * x[(i, j)] <= n - 2)
    p.setObjective(ondrel.Sum(d[i][j] * x[(i, j)] for (i, j) in x))
    p.controls.mipsolver = 1
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(held_karp(d))
