"""The tree search's root cuts on models where rounding cuts apply: fixed
charge flows (variable upper bounds on continuous flows), rows over
general integers with continuous parts, and lot sizing (rows aggregated
through continuous stocks). A cut that removes an integer
point would show as a worse optimum than HiGHS's MIP finds."""
import random

import pytest

import ondrel


def fixed_charge_flow(seed):
    """Supplies and demands on a small random network, each arc's flow
    bounded by its capacity times its binary opening."""
    rnd = random.Random(seed)
    n = 6
    arcs = [(i, j) for i in range(n) for j in range(n) if i != j and rnd.random() < 0.45]
    demand = [rnd.randint(-6, 6) for _ in range(n - 1)]
    demand.append(-sum(demand))
    p = ondrel.problem()
    x = [ondrel.var(lb=0) for _ in arcs]
    y = [ondrel.var(vartype=ondrel.binary) for _ in arcs]
    p.addVariable(x, y)
    cap = [rnd.randint(3, 12) for _ in arcs]
    for a in range(len(arcs)):
        p.addConstraint(x[a] <= cap[a] * y[a])
    for v in range(n):
        out = [x[a] for a, (i, _) in enumerate(arcs) if i == v]
        inn = [x[a] for a, (_, j) in enumerate(arcs) if j == v]
        if out or inn:
            p.addConstraint(ondrel.Sum(out) - ondrel.Sum(inn) >= demand[v])
    p.setObjective(ondrel.Sum(rnd.randint(1, 5) * x[a] + rnd.randint(5, 30) * y[a]
                              for a in range(len(arcs))))
    return p


def integer_rows(seed):
    """General integers in [0, 7] and continuous columns, rows of both
    senses with fractional coefficients."""
    rnd = random.Random(1000 + seed)
    p = ondrel.problem()
    z = [ondrel.var(vartype=ondrel.integer, lb=0, ub=7) for _ in range(6)]
    s = [ondrel.var(lb=0, ub=10) for _ in range(2)]
    p.addVariable(z, s)
    for _ in range(4):
        expr = ondrel.Sum(round(rnd.uniform(0.5, 9.5), 2) * v for v in z) \
            - ondrel.Sum(rnd.uniform(0, 3) * v for v in s)
        if rnd.random() < 0.5:
            p.addConstraint(expr >= rnd.uniform(10, 40))
        else:
            p.addConstraint(expr <= rnd.uniform(20, 60))
    p.setObjective(ondrel.Sum(rnd.randint(1, 9) * v for v in z) + ondrel.Sum(s))
    return p


def lot_sizing(seed):
    """Two items over a few periods: stock balances (equalities chaining
    the periods through continuous stocks, which rounding cuts aggregate),
    set-ups bounding production, a shared capacity."""
    rnd = random.Random(2000 + seed)
    periods = 6
    p = ondrel.problem()
    rows = []
    setup_cost, hold = rnd.randint(20, 80), rnd.randint(1, 4)
    for item in range(2):
        d = [rnd.randint(0, 9) for _ in range(periods)]
        x = [ondrel.var(lb=0) for _ in range(periods)]
        s = [ondrel.var(lb=0) for _ in range(periods)]
        y = [ondrel.var(vartype=ondrel.binary) for _ in range(periods)]
        p.addVariable(x, s, y)
        for t in range(periods):
            prev = s[t - 1] if t else 0
            p.addConstraint(prev + x[t] - s[t] == d[t])
            p.addConstraint(x[t] <= sum(d[t:]) * y[t])
        rows.append((x, s, y))
    for t in range(periods):
        p.addConstraint(ondrel.Sum(r[0][t] for r in rows) <= rnd.randint(8, 16))
    p.setObjective(ondrel.Sum(setup_cost * r[2][t] + hold * r[1][t] + r[0][t]
                              for r in rows for t in range(periods)))
    return p


def optimum(p, solver, cuts=1):
    p.controls.outputlog = 0
    p.controls.mipsolver = solver
    p.controls.cutstrategy = cuts
    p.mipoptimize()
    a = p.attributes
    return a.mipstatus, a.mipobjval if a.mipstatus == 6 else None


@pytest.mark.parametrize("make", [fixed_charge_flow, integer_rows, lot_sizing])
@pytest.mark.parametrize("seed", range(25))
def test_root_cuts_keep_the_optimum(make, seed):
    p = make(seed)
    st_h, v_h = optimum(p, 1)
    st_t, v_t = optimum(p, 2)
    assert st_t == st_h
    if st_h == 6:
        assert v_t == pytest.approx(v_h, rel=1e-6, abs=1e-6)
