"""Convex QPs by either method: HiGHS's active set (qpsolver 1) and the
interior-point local solver (qpsolver 2) give the same answer, and the
automatic choice takes the interior point for large QPs."""
import random

import pytest

import ondrel


def small_qp(sense):
    # Bounds and inequality rows active at the optimum, an equality row,
    # a coupling term: min (or max of the negation)
    #   (x0-1)^2 + 2 (x1-2)^2 + (x2+1)^2 + x0 x1 + 0.5 x3^2 - x3
    rng = random.Random(7)
    p = ondrel.problem("qp")
    x = [ondrel.var(lb=-5, ub=5 if j != 2 else 0.5, name=f"x{j}") for j in range(4)]
    x[2].lb = -0.25
    p.addVariable(x)
    rows = [x[0] + x[1] + x[2] + x[3] <= 2.5,
            x[0] - x[1] >= -1.5,
            2 * x[0] + x[3] == 1.2,
            x[1] + 0.5 * x[2] <= 1.4]
    p.addConstraint(rows)
    f = (x[0] - 1) ** 2 + 2 * (x[1] - 2) ** 2 + (x[2] + 1) ** 2 + x[0] * x[1] + 0.5 * x[3] ** 2 - x[3]
    f = f + ondrel.Sum(rng.uniform(-0.1, 0.1) * v for v in x)
    if sense < 0:
        p.setObjective(-f, sense=ondrel.maximize)
    else:
        p.setObjective(f)
    return p, x, rows


def solve_with(method, sense):
    p, x, rows = small_qp(sense)
    p.setControl("qpsolver", method)
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    return p.getObjVal(), p.getSolution(x), p.getSlack(rows), p.getDual(rows), p.getRCost(x)


@pytest.mark.parametrize("sense", [1, -1])
def test_interior_point_matches_active_set(sense):
    asm = solve_with(1, sense)
    ipm = solve_with(2, sense)
    assert ipm[0] == pytest.approx(asm[0], rel=1e-6, abs=1e-7)
    for a, b in zip(asm[1:], ipm[1:]):
        assert b == pytest.approx(a, abs=2e-4)
    # the active set is a real one: an inequality row and a bound hold
    # with a nonzero multiplier
    assert any(abs(d) > 1e-3 for d in asm[3][:2] + asm[3][3:])
    assert any(abs(d) > 1e-3 for d in asm[4])


def separable_qp(n):
    # min sum (x_j - t_j)^2 with sum x_j <= n/4 and 0 <= x_j <= 1, t_j in (0, 1):
    # x_j = clip(t_j - mu/2) for the multiplier mu of the one row.
    rng = random.Random(3)
    t = [rng.uniform(0.2, 1.0) for _ in range(n)]
    p = ondrel.problem("separable")
    x = [ondrel.var(lb=0, ub=1) for _ in range(n)]
    p.addVariable(x)
    row = ondrel.Sum(x[j] for j in range(n)) <= n / 4
    p.addConstraint(row)
    p.setObjective(ondrel.Sum((x[j] - t[j]) ** 2 for j in range(n)))
    return p, x, row, t


def test_large_qp_goes_to_the_interior_point_and_is_optimal():
    n = 3000
    p, x, row, t = separable_qp(n)
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    assert p.attributes.bariter > 0 and p.attributes.simplexiter == 0
    xs = p.getSolution(x)
    mu = p.getDual(row)  # the row's multiplier
    lo, hi = 0.0, 2.0
    for _ in range(100):  # the exact multiplier by bisection
        mid = (lo + hi) / 2
        if sum(min(1.0, max(0.0, tj - mid / 2)) for tj in t) > n / 4:
            lo = mid
        else:
            hi = mid
    exact = [min(1.0, max(0.0, tj - lo / 2)) for tj in t]
    # (columns at a degenerate bound are within sqrt(mu) of it)
    assert max(abs(a - b) for a, b in zip(xs, exact)) < 5e-4
    assert abs(mu) == pytest.approx(lo, rel=1e-3)
    assert p.getObjVal() == pytest.approx(sum((a - b) ** 2 for a, b in zip(exact, t)), rel=1e-6)


def dense_qp(n):
    # min (a.x)^2 + (b.x)^2 + 0.01 |x|^2 + c.x over the box: every pair of
    # columns has a quadratic entry, n (n + 1) / 2 in all
    rng = random.Random(5)
    p = ondrel.problem("dense")
    x = [ondrel.var(lb=-1, ub=1) for _ in range(n)]
    p.addVariable(x)
    a, b = (ondrel.Sum(rng.uniform(-1, 1) * v for v in x) for _ in range(2))
    p.setObjective(a * a + b * b + 0.01 * ondrel.Sum(v * v for v in x)
                   + ondrel.Sum(rng.uniform(-1, 1) * v for v in x))
    return p


@pytest.mark.parametrize("build, interior", [
    (lambda: separable_qp(250)[0], False),   # few columns, few entries
    (lambda: separable_qp(350)[0], True),    # more than 300 columns
    (lambda: dense_qp(150), False),          # 11,325 entries
    (lambda: dense_qp(200), True),           # 20,100 entries, under 300 columns
])
def test_automatic_choice_by_columns_and_quadratic_entries(build, interior):
    p = build()
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    assert (p.attributes.bariter > 0) == interior
    obj = p.getObjVal()
    p.setControl("qpsolver", 1 if interior else 2)  # the other method agrees
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    assert (p.attributes.bariter > 0) != interior
    assert p.getObjVal() == pytest.approx(obj, rel=1e-6, abs=1e-7)


def test_qpsolver_control_range():
    p = ondrel.problem()
    with pytest.raises(Exception):
        p.setControl("qpsolver", 3)
    assert p.getControl("qpsolver") == 0


@pytest.mark.parametrize("method", [1, 2])
def test_time_limit_zero_hands_over_without_solving(method):
    # A time limit of 0 gives no iteration to either method: the solve ends
    # unfinished at the time limit, and a later solve with time finishes.
    p, x, rows = small_qp(1)
    p.setControl("qpsolver", method)
    p.controls.timelimit = 0
    p.solve()
    assert p.getProbStatusString() != "lp_optimal"
    assert p.attributes.stopstatus == ondrel.stop_timelimit
    p.controls.timelimit = 1e20
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
