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
from tsp_helpers import Tsp, cuts_optnode, edge_nearest_half_one_first, lazy_preintsol, needs_addcuts


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
    t.p.addcbchgbranchobject(edge_nearest_half_one_first(t, rule))
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
