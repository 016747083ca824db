"""MIP solution refinement, row presolve and dual range estimates, checked
against solutions and rows worked out by hand and against re-solves."""
import pytest

import ondrel


def knapsack():
    """max 5a + 4b + 3c + 2d (as min of the negation) with 2a + 3b + c + 4d <= 5
    over binaries, and a continuous z <= 2 + a paid 1 each: optimum a = b = 1,
    z = 3, objective -12."""
    p = ondrel.problem()
    xs = [ondrel.var(vartype=ondrel.binary, name=n) for n in "abcd"]
    z = ondrel.var(name="z", ub=10)
    p.addVariable(*xs, z)
    a, b, c, d = xs
    p.addConstraint(2 * a + 3 * b + c + 4 * d <= 5, z <= 2 + a)
    p.setObjective(-5 * a - 4 * b - 3 * c - 2 * d - z)
    return p, xs + [z]


def test_refinement_improves_keeps_and_repairs():
    p, v = knapsack()
    p.mipoptimize()
    opt = p.getObjVal()
    assert opt == pytest.approx(-12)
    # Integer part optimal, continuous part poor: the LP step alone fixes z.
    out = []
    assert p.refinemipsol(1, "", [1, 0, 1, 0, 0.5], out) == 0
    assert out == pytest.approx([1, 0, 1, 0, 3])
    assert p.calcobjective(out) == pytest.approx(-11)
    # A feasible but poor solution: the local search finds the optimum
    # within one of each binary.
    out = []
    assert p.refinemipsol(0, "", [0, 0, 0, 1, 0], out) == 0
    assert p.calcobjective(out) == pytest.approx(opt)
    # The optimum itself is kept.
    out = []
    assert p.refinemipsol(0, "", [1, 1, 0, 0, 3], out) == 1
    assert out == pytest.approx([1, 1, 0, 0, 3])
    # An infeasible input (a + b + d too heavy) is repaired nearby.
    out = []
    assert p.refinemipsol(0, "", [1, 1, 0, 1, 0], out) == 2
    slack = []
    p.calcslacks(out, slack)
    assert min(slack) >= -1e-9 and all(abs(t - round(t)) < 1e-9 for t in out[:4])
    # Without the local search an infeasible input stays as it is.
    out = []
    assert p.refinemipsol(1, "", [1, 1, 0, 1, 0], out) == 3
    assert out == [1, 1, 0, 1, 0]


@pytest.mark.parametrize("call,message", [
    (lambda p: p.refinemipsol(0, "", None, []), "Must provide arguments solution and refined_solution"),
    (lambda p: p.refinemipsol(0, "", [0] * 5, None), "Must provide arguments solution and refined_solution"),
    (lambda p: p.refinemipsol(0, "", [0] * 4, []), "Mismatched lengths"),
    (lambda p: p.refinemipsol(7, "", [0] * 5, []), "Invalid refinement options 7"),
    (lambda p: p.refinemipsol(0, "q", [0] * 5, []), "Unknown optimize flag 'q'"),
    (lambda p: p.refinemipsol(0, "", [0, 0, 0, float("nan"), 0], []), "not a finite number"),
])
def test_refinement_refusals(call, message):
    p, _ = knapsack()
    with pytest.raises(RuntimeError, match=message):
        call(p)


def rowmodel():
    p = ondrel.problem()
    x = ondrel.var(vartype=ondrel.binary, name="x")
    y = ondrel.var(vartype=ondrel.binary, name="y")
    f = ondrel.var(lb=2, ub=2, name="f")          # fixed
    w = ondrel.var(ub=3, name="w")
    p.addVariable(x, y, f, w)
    p.addConstraint(x + y + w >= 0)
    return p, (x, y, f, w)


def test_presolverow_substitutes_tightens_and_classifies():
    p, (x, y, f, w) = rowmodel()
    # 3x + 2y + 5f <= 14: f = 2 moves 10 to the rhs; 3x + 2y <= 4 then
    # tightens to x + y <= 1 (the same 0/1 points).
    cols, vals = [], []
    rhs, st = p.presolverow("L", [x, y, f], [3, 2, 5], 14, 10, cols, vals)
    assert st == 0 and rhs == pytest.approx(1)
    assert cols == [0, 1] and vals == pytest.approx([1, 1])
    # The same row as >= (negated) gives the negated result.
    cols, vals = [], []
    rhs, st = p.presolverow("G", [x, y, f], [-3, -2, -5], -14, 10, cols, vals)
    assert (rhs, st) == (pytest.approx(-1), 0) and vals == pytest.approx([-1, -1])
    # A negative coefficient of a binary: 2w - 8x <= 1 with w <= 3 is
    # redundant when x = 1 by more than it needs: -8 becomes 1 - 6 = -5.
    cols, vals = [], []
    rhs, st = p.presolverow("L", [w, x], [2, -8], 1, 10, cols, vals)
    assert st == 0 and rhs == pytest.approx(1)
    assert dict(zip(cols, vals)) == pytest.approx({3: 2, 0: -5})
    # Redundant and infeasible rows; an equality only loses its fixed column.
    assert p.presolverow("L", [x, w], [1, 1], 4, 10, [], [])[1] == 1
    assert p.presolverow("G", [x, w], [1, 1], 5, 10, [], [])[1] == 2
    cols, vals = [], []
    assert p.presolverow("E", [x, f], [1, 1], 3, 10, cols, vals) == (pytest.approx(1), 0)
    assert cols == [0] and vals == [1]
    # maxcoeffs caps the entries written.
    cols, vals = [], []
    p.presolverow("L", [x, y, w], [1, 1, 1], 4.5, 1, cols, vals)
    assert len(cols) == 1 and len(vals) == 1


@pytest.mark.parametrize("call,message", [
    (lambda p, v: p.presolverow("L", None, [1], 1, 5, [], []), "Must provide arguments mcolso, dvalo, mcolsp, dvalp"),
    (lambda p, v: p.presolverow("L", [v[0]], [1], 1, 5, [], None), "Must provide arguments mcolso, dvalo, mcolsp, dvalp"),
    (lambda p, v: p.presolverow("N", [v[0]], [1], 1, 5, [], []), "Invalid row type 'N'"),
    (lambda p, v: p.presolverow("L", [v[0], v[1]], [1], 1, 5, [], []), "Mismatched lengths"),
    (lambda p, v: p.presolverow("L", [v[0]], [float("nan")], 1, 5, [], []), "not a finite number"),
    (lambda p, v: p.presolverow("L", [v[0]], [1], 1, -1, [], []), "Invalid maxcoeffs"),
])
def test_presolverow_refusals(call, message):
    p, v = rowmodel()
    with pytest.raises(RuntimeError, match=message):
        call(p, v)


def small_lp():
    """min -x - y  s.t.  x + 2y <= 4,  3x + y <= 6: duals -0.4 and -0.2."""
    p = ondrel.problem()
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x, y)
    rows = [x + 2 * y <= 4, 3 * x + y <= 6]
    p.addConstraint(*rows)
    p.setObjective(-x - y)
    return p, rows


def duals_along(rhs_values, k):
    """The dual of row k re-solved with its rhs at each value."""
    out = []
    for b in rhs_values:
        q, rows = small_lp()
        q.chgrhs([rows[k]], [b])
        q.lpoptimize()
        if q.attributes.lpstatus == 1:
            out.append(q.getDual(rows[k]))
    return out


def test_dual_ranges_contain_the_dual_and_come_from_neighbouring_bases():
    p, rows = small_lp()
    lo, up = [], []
    assert p.estimaterowdualranges(rows, 0, lo, up) is None
    seen = [duals_along([0.5 * i for i in range(0, 40)], k) for k in range(2)]
    for k, y in enumerate((-0.4, -0.2)):
        assert lo[k] <= y + 1e-9 <= up[k] + 2e-9
        assert any(abs(lo[k] - d) < 1e-7 for d in seen[k])
        assert any(abs(up[k] - d) < 1e-7 for d in seen[k])
    # The problem is not solved by the estimate.
    assert p.attributes.lpstatus == 0


def test_dual_range_refusals():
    p, rows = small_lp()
    with pytest.raises(RuntimeError, match="Must provide arguments minDualActivity, maxDualActivity"):
        p.estimaterowdualranges(rows, 0, None, [])
    with pytest.raises(RuntimeError, match="Invalid iteration limit"):
        p.estimaterowdualranges(rows, -1, [], [])
    q = ondrel.problem()
    x = ondrel.var(ub=1)
    q.addVariable(x)
    c = x >= 2
    q.addConstraint(c)
    with pytest.raises(RuntimeError, match="optimal LP"):
        q.estimaterowdualranges([c], 0, [], [])
