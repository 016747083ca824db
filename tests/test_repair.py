"""Infeasibility repair: the minimum weighted violation against slack models
built by hand, phase 2 against the hand model with the violation limited,
the repaired solution as the problem's solution, the problem left as it
was, and the refusals of bad input."""
import math

import pytest

import ondrel

INF = 1e20


def model(integer=False):
    """x + y >= 25 (weight grp[0]), x - y <= 1, 2x + y <= 18 (lrp), x, y in [0, 10]:
    infeasible. Objective min x + 2y."""
    p = ondrel.problem(name="infeas")
    vt = ondrel.integer if integer else ondrel.continuous
    x = ondrel.var(name="x", ub=10, vartype=vt)
    y = ondrel.var(name="y", ub=10, vartype=vt)
    p.addVariable(x, y)
    rows = [ondrel.constraint(x + y >= 25, name="cover"),
            ondrel.constraint(x - y <= 1, name="diff"),
            ondrel.constraint(2 * x + y <= 18, name="cap")]
    p.addConstraint(*rows)
    p.setObjective(x + 2 * y)
    return p, (x, y), rows


def hand_model(grp, lrp, lbp, ubp, integer=False, limit=None):
    """The same problem with explicit slack columns: min sum of weighted slacks,
    or, given `limit`, the original objective with the weighted slacks at
    most `limit`. Returns (optimal objective, x, y)."""
    q = ondrel.problem()
    vt = ondrel.integer if integer else ondrel.continuous
    x = ondrel.var(lb=-INF, ub=INF, vartype=vt)
    y = ondrel.var(lb=-INF, ub=INF, vartype=vt)
    s = [ondrel.var() for _ in range(7)]
    q.addVariable(x, y, *s)
    q.addConstraint(x + y + s[0] >= 25, x - y - s[1] <= 1, 2 * x + y - s[2] <= 18,
                    x + s[3] >= 0, y + s[4] >= 0, x - s[5] <= 10, y - s[6] <= 10)
    w = [grp[0], lrp[1], lrp[2], lbp[0], lbp[1], ubp[0], ubp[1]]
    for wk, sk in zip(w, s):
        if wk == 0:
            q.addConstraint(sk == 0)
    viol = ondrel.Sum(wk * sk for wk, sk in zip(w, s))
    if limit is None:
        q.setObjective(viol)
    else:
        q.addConstraint(viol <= limit + 1e-9)
        q.setObjective(x + 2 * y)
    q.solve()
    return q.getObjVal(), q.getSolution(x), q.getSolution(y)


def snapshot(p, tmp_path, tag):
    """Everything the problem holds: its LP file and the matrix read back."""
    f = tmp_path / f"{tag}.lp"
    p.write(str(f), "l")
    rows, cols = p.attributes.rows, p.attributes.cols
    obj, lb, ub, rhs, rt, ct = [], [], [], [], [], []
    p.getobj(obj, 0, cols - 1), p.getlb(lb), p.getub(ub)
    p.getrhs(rhs, 0, rows - 1), p.getrowtype(rt, 0, rows - 1), p.getcoltype(ct, 0, cols - 1)
    start, ind, val = [], [], []
    p.getrows(start, ind, val, 100, 0, rows - 1)
    names = [v.name for v in p.getVariable()] + [c.name for c in p.getConstraint()]
    return (f.read_text(), obj, lb, ub, rhs, rt, ct, start, [str(i) for i in ind], val, names,
            p.attributes.objsense, p.controls.presolve)


WEIGHTS = [  # grp, lrp, lbp, ubp (per row / column)
    ([1, 0, 0], [0, 1, 1], [0, 0], [0, 0]),
    ([2, 0, 0], [0, 1, 3], [0, 0], [1, 1]),
    ([5, 0, 0], [0, 0, 1], [1, 1], [0.5, 4]),
]


@pytest.mark.parametrize("integer", [False, True], ids=["lp", "mip"])
@pytest.mark.parametrize("grp,lrp,lbp,ubp", WEIGHTS)
def test_minimum_violation_and_phase2_match_hand_built_slack_models(integer, grp, lrp, lbp, ubp, tmp_path):
    p, (x, y), _ = model(integer)
    before = snapshot(p, tmp_path, "before")
    st = p.repairweightedinfeas(lrp_array=lrp, grp_array=grp, lbp_array=lbp, ubp_array=ubp,
                                phase2="f", delta=0.0, optflags="")
    assert st == 0
    vmin, _, _ = hand_model(grp, lrp, lbp, ubp, integer)
    assert p.attributes.repairviolation == pytest.approx(vmin, abs=1e-6)

    for delta in (0.0, 1.5):
        st = p.repairweightedinfeas(lrp, grp, lbp, ubp, "o", delta, "")
        assert st == 0
        best, hx, hy = hand_model(grp, lrp, lbp, ubp, integer, limit=vmin + delta)
        assert p.getObjVal() == pytest.approx(best, abs=1e-5)
        sx, sy = p.getSolution(x), p.getSolution(y)
        assert sx + 2 * sy == pytest.approx(best, abs=1e-5)
        if integer:
            assert sx == pytest.approx(round(sx), abs=1e-6)
    assert snapshot(p, tmp_path, "after") == before


def test_repaired_solution_is_the_problems_solution():
    p, (x, y), rows = model()
    assert p.repairinfeas("c", "o", "g", 1, 1, 0, 0, 0.0) == 0
    xs = []
    slack = []
    p.getlpsol(xs, slack)
    assert xs == pytest.approx([p.getSolution(x), p.getSolution(y)])
    # Slacks are those of the problem's own rows: the violated cover row
    # (x + y >= 25 met only up to 20) shows a positive slack rhs - activity.
    act = [xs[0] + xs[1], xs[0] - xs[1], 2 * xs[0] + xs[1]]
    assert slack == pytest.approx([25 - act[0], 1 - act[1], 18 - act[2]], abs=1e-6)
    assert p.getSlack(rows[0]) == pytest.approx(slack[0])
    assert p.attributes.lpstatus == 1
    assert p.attributes.lpobjval == pytest.approx(xs[0] + 2 * xs[1])
    # A repair of a MIP is read as its integer solution.
    q, (a, b), _ = model(integer=True)
    assert q.repairinfeas("c", "o", "g", 1, 1, 0, 0, 0.0) == 0
    mx = []
    q.getmipsol(mx)
    assert mx == pytest.approx([q.getSolution(a), q.getSolution(b)])
    assert q.attributes.mipstatus == 6


def test_quadratic_and_count_penalties():
    p, (x, y), _ = model()
    # Only the cover row may be violated: x + y reaches 14 at most (y = 10,
    # x = 4 by the cap row), so it falls 11 short.
    assert p.repairweightedinfeas(None, [1, 0, 0], None, None, "f", 0, "") == 0
    assert p.attributes.repairviolation == pytest.approx(11)
    assert p.repairinfeas("q", "f", "g", 0, 2, 0, 0, 0.0) == 0
    assert p.attributes.repairviolation == pytest.approx(2 * 121, rel=1e-5)
    # Squared, the violation is shared with the upper bound of y: raising y
    # by u lets x + y reach 14 + u/2; s^2 + u^2 with s = 11 - u/2 is least
    # at u = 4.4, s = 8.8.
    assert p.repairinfeas("q", "f", "g", 0, 1, 0, 1, 0.0) == 0
    assert p.attributes.repairviolation == pytest.approx(8.8 ** 2 + 4.4 ** 2, rel=1e-4)
    assert p.getSolution(y) == pytest.approx(14.4, rel=1e-4)
    # Counting: one violated side (cover, weight 3) is enough.
    assert p.repairinfeas("n", "o", "g", 0, 3, 0, 0, 0.0) == 0
    assert p.attributes.repairviolation == pytest.approx(3)
    assert p.getObjVal() == pytest.approx(0.0, abs=1e-6)  # phase 2: cover freely violated


@pytest.mark.parametrize("lb,ub,lrp,grp,expected", [
    (25, 25, 0, 1, 5),       # equality above reach: its >= side falls 5 short
    (25, 25, 1, 0, None),    # ... and its <= side cannot help
    (-3, -3, 2, 0, 6),       # equality below zero: the <= side exceeded by 3
    (22, 30, 0, 3, 6),       # range row: the lower end 2 out of reach
    (-9, -1, 1, 0, 1),       # range row: the upper end 1 below zero
])
def test_equality_and_range_rows_relax_the_side_that_binds(lb, ub, lrp, grp, expected):
    p = ondrel.problem()
    x, y = ondrel.var(ub=10), ondrel.var(ub=10)
    p.addVariable(x, y)
    p.addConstraint(ondrel.constraint(body=x + y, lb=lb, ub=ub))
    st = p.repairinfeas("c", "f", "g", lrp, grp, 0, 0, 0.0)
    if expected is None:
        assert st == 1
    else:
        assert st == 0 and p.attributes.repairviolation == pytest.approx(expected)


def test_limits_bound_each_violation():
    p, (x, y), _ = model()
    lrp, grp = [1, 1, 1], [1, 1, 1]
    # Nothing may be relaxed: the penalty model is the problem itself.
    assert p.repairweightedinfeas(None, None, None, None, "o", 0, "") == 1
    # Even with the other rows relaxed the bounds keep x + y at most 20: the
    # cover row falls 5 short, beyond its limit of 3.
    st = p.repairweightedinfeasbounds(lrp, grp, None, None, [INF] * 3, [3, INF, INF], None, None, "f", 0, "")
    assert st == 1
    assert p.attributes.lpstatus != 1
    with pytest.raises(RuntimeError):
        p.getSolution()
    # With the cap row free to move, x + y reaches 20 and the cover limit of 5 holds.
    st = p.repairweightedinfeasbounds(lrp, grp, None, None, None, [5, INF, INF], None, None, "f", 0, "")
    assert st == 0
    sx, sy = p.getSolution(x), p.getSolution(y)
    assert sx <= 10 + 1e-6 and sy <= 10 + 1e-6 and sx + sy >= 20 - 1e-6
    assert 25 - sx - sy <= 5 + 1e-6


def test_feasible_problem_and_relaxation_flag():
    p = ondrel.problem()
    x = ondrel.var(ub=4, vartype=ondrel.integer)
    y = ondrel.var(ub=4)
    p.addVariable(x, y)
    p.addConstraint(2 * x + 2 * y <= 7)
    p.setObjective(-x - y, sense=ondrel.minimize)
    p.solve()
    best = p.getObjVal()
    assert p.repairinfeas("c", "o", "g", 1, 1, 1, 1, 0.0) == 0
    assert p.attributes.repairviolation == pytest.approx(0, abs=1e-9)
    assert p.getObjVal() == pytest.approx(best)
    # 'l' repairs the continuous relaxation: x need not be integer.
    assert p.repairinfeas("c", "o", "l", 1, 1, 1, 1, 0.0) == 0
    assert p.getObjVal() == pytest.approx(-3.5)


BAD = [
    (lambda p: p.repairinfeas("c", "o", "g", -1, 1, 0, 0, 0), "Invalid penalty lrp"),
    (lambda p: p.repairinfeas("c", "o", "g", 1, math.nan, 0, 0, 0), "Invalid penalty grp"),
    (lambda p: p.repairinfeas("c", "o", "g", 1, 1, 0, 0, -1), "Invalid delta"),
    (lambda p: p.repairinfeas("z", "o", "g", 1, 1, 0, 0, 0), "Invalid penalty flag 'z'"),
    (lambda p: p.repairinfeas("c", "x", "g", 1, 1, 0, 0, 0), "Invalid phase 2 flag 'x'"),
    (lambda p: p.repairinfeas("c", "o", "x", 1, 1, 0, 0, 0), "Invalid integrality flag 'x'"),
    (lambda p: p.repairweightedinfeas([1, 1], None, None, None, "f", 0, ""), "Mismatched lengths"),
    (lambda p: p.repairweightedinfeas([1, -2, 1], None, None, None, "f", 0, ""), "negative"),
    (lambda p: p.repairweightedinfeas(None, None, [math.nan, 1], None, "f", 0, ""), "NaN"),
    (lambda p: p.repairweightedinfeas(None, None, [math.inf, 1], None, "f", 0, ""), "infinite"),
    (lambda p: p.repairweightedinfeas([1] * 3, None, None, None, "f", 0, "z"), "Unknown optimize flag 'z'"),
    (lambda p: p.repairweightedinfeasbounds([1] * 3, None, None, None, [-1, 1, 1], None, None, None, "f", 0, ""),
     "negative"),
    (lambda p: p.repairweightedinfeasbounds([1] * 3, None, None, None, None, None, [1], None, "f", 0, ""),
     "Mismatched lengths"),
]


@pytest.mark.parametrize("call,message", BAD)
def test_bad_input_is_refused_and_changes_nothing(call, message, tmp_path):
    p, _, _ = model()
    p.lpoptimize()
    before = snapshot(p, tmp_path, "before")
    with pytest.raises(RuntimeError, match=message):
        call(p)
    assert snapshot(p, tmp_path, "after") == before
    assert p.attributes.lpstatus == 2  # the results of the last solve stay


def test_flags_are_single_characters():
    p, _, _ = model()
    with pytest.raises(TypeError):
        p.repairinfeas("cc", "o", "g", 1, 1, 0, 0, 0.0)
