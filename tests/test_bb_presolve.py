"""The tree search's row strengthening: on models built so that many
coefficients exceed their row's slack, the search reaches the same optimum
with and without it (and as HiGHS's MIP does, also when integer costs let
it ask each solution to improve by 1), its solution holds the rows
as loaded, and a search with node callbacks keeps the rows as loaded."""
import random

import pytest

import ondrel


def strengthenable(seed, integral=False):
    """Rows over binaries, small general integers and a bounded continuous
    column, both senses, coefficients of both signs, often larger than the
    row's slack."""
    rnd = random.Random(seed)
    p = ondrel.problem()
    nb, ni = 9, 3
    xb = [ondrel.var(vartype=ondrel.binary) for _ in range(nb)]
    xi = [ondrel.var(vartype=ondrel.integer, lb=-1, ub=3) for _ in range(ni)]
    y = ondrel.var(lb=0, ub=5)
    cols = xb + xi + [y]
    p.addVariable(cols)
    rows = []
    for _ in range(5):
        a = [rnd.choice([-1, 1]) * rnd.randint(1, 30) for _ in cols]
        a[-1] = rnd.uniform(-4, 4)
        top = sum(ai * (c.ub if ai > 0 else c.lb) for ai, c in zip(a, cols))
        low = sum(ai * (c.lb if ai > 0 else c.ub) for ai, c in zip(a, cols))
        # Sides near the far end of the row's range: most coefficients
        # exceed the slack.
        if rnd.random() < 0.5:
            b = top - rnd.uniform(1, 25)
            p.addConstraint(ondrel.Sum(ai * c for ai, c in zip(a, cols)) <= b)
            rows.append((a, -1e30, b))
        else:
            b = low + rnd.uniform(1, 25)
            p.addConstraint(ondrel.Sum(ai * c for ai, c in zip(a, cols)) >= b)
            rows.append((a, b, 1e30))
    obj = [rnd.randint(-10, 10) for _ in cols]
    if integral:
        obj[-1] = 0  # integer costs on integer columns only: values step by 1
    p.setObjective(ondrel.Sum(o * c for o, c in zip(obj, cols)) + (0.5 if integral else 0),
                   sense=rnd.choice([ondrel.minimize, ondrel.maximize]))
    p.controls.outputlog = 0
    return p, rows


def solve(p, solver, presolve):
    p.controls.mipsolver = solver
    p.controls.presolve = presolve
    p.mipoptimize()
    a = p.attributes
    x = []
    if a.mipstatus == 6:
        p.getmipsol(x)
    return a.mipstatus, (a.mipobjval if a.mipstatus == 6 else None), x


@pytest.mark.parametrize("integral", [False, True])
@pytest.mark.parametrize("seed", range(30))
def test_strengthened_search_finds_the_loaded_models_optimum(seed, integral):
    p, rows = strengthenable(seed, integral)
    st_on, v_on, x = solve(p, 2, 1)
    st_off, v_off, _ = solve(p, 2, 0)
    st_h, v_h, _ = solve(p, 1, 1)
    assert st_on == st_off == st_h
    if st_on != 6:
        return
    assert v_on == pytest.approx(v_h, abs=1e-6) and v_off == pytest.approx(v_h, abs=1e-6)
    for a, lo, up in rows:
        act = sum(ai * xj for ai, xj in zip(a, x))
        assert lo - 1e-6 <= act <= up + 1e-6


def test_node_callbacks_see_the_rows_as_loaded():
    # Row slacks a node callback reads agree with the loaded rows at the
    # node's LP solution.
    for seed in range(6):
        p, rows = strengthenable(seed)
        seen = []

        def optnode(prob, data):
            x, slack = [], []
            prob.getlpsol(x, slack, None, None)
            seen.append((x, slack))
            return 0

        p.addcboptnode(optnode)
        p.controls.mipsolver = 2
        p.mipoptimize()
        for x, slack in seen:
            for (a, lo, up), s in zip(rows, slack):
                act = sum(ai * xj for ai, xj in zip(a, x))
                side = up if up < 1e29 else lo
                assert s == pytest.approx(side - act, abs=1e-6)
