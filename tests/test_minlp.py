"""Integer columns with a quadratic objective, quadratic rows or nonlinear
formulas: the tree search over QP and NLP node relaxations.

Convex problems must reach the global optimum with the proven statuses.
Nonconvex ones must report the honest status (a solution, never a proven
optimum) and a feasible point, the best known one where the search finds it.
References are published values where the problem is a published one, and
otherwise the optimum by exhaustive enumeration of the integer points (done
here, so the reference does not depend on the solver).
"""
import itertools
import math

import pytest

import ondrel

INF = 1e20


def ivar(lb, ub):
    return ondrel.var(vartype=ondrel.integer, lb=lb, ub=ub)


def enumerate_min(f, feasible, ranges):
    best = None
    for pt in itertools.product(*ranges):
        if feasible(pt):
            v = f(pt)
            if best is None or v < best:
                best = v
    return best


# ---- published problems -------------------------------------------------

def synthes1():
    """Duran & Grossmann (1986), Example 1; MINLPLib `synthes1`, best known
    value 6.0097589 at x = (1.301, 0, 1), y = (0, 1, 0)."""
    p = ondrel.problem()
    x1, x2, x3 = ondrel.var(ub=2), ondrel.var(ub=2), ondrel.var(ub=1)
    y = [ondrel.var(vartype=ondrel.binary) for _ in range(3)]
    p.addVariable(x1, x2, x3, y)
    l1, l2 = ondrel.log(1 + x2), ondrel.log(1 + x1 - x2)
    p.addConstraint(0.8 * l1 + 0.96 * l2 - 0.8 * x3 >= 0,
                    l1 + 1.2 * l2 - x3 - 2 * y[2] >= -2,
                    x2 - x1 <= 0, x2 - 2 * y[0] <= 0, x1 - x2 - 2 * y[1] <= 0,
                    y[0] + y[1] <= 1)
    p.setObjective(5 * y[0] + 6 * y[1] + 8 * y[2] + 10 * x1 - 7 * x3 - 18 * l1 - 19.2 * l2 + 10)
    return p, [x1, x2, x3] + y


def ex1221():
    """Kocis & Grossmann (1988); MINLPLib `ex1221`, best known value
    7.6671803 at x = (1.118, 1.310), y = (0, 1, 1). Nonconvex (nonlinear
    equalities)."""
    p = ondrel.problem()
    x2, x3 = ondrel.var(ub=10), ondrel.var(ub=10)
    b = [ondrel.var(vartype=ondrel.binary) for _ in range(3)]
    p.addVariable(x2, x3, b)
    p.addConstraint(x2 ** 2 + b[0] == 1.25, x3 ** 1.5 + 1.5 * b[1] == 3, x2 + b[0] <= 1.6,
                    1.333 * x3 + b[1] <= 3, -b[0] - b[1] + b[2] <= 0)
    p.setObjective(2 * x2 + 3 * x3 + 1.5 * b[0] + 2 * b[1] - 0.5 * b[2])
    return p, [x2, x3] + b


def ex1221_value(v):
    x2, x3, b0, b1, b2 = v
    return 2 * x2 + 3 * x3 + 1.5 * b0 + 2 * b1 - 0.5 * b2


def ex1221_feasible(v, tol=1e-5):
    x2, x3, b0, b1, b2 = v
    return (abs(x2 ** 2 + b0 - 1.25) <= tol and abs(max(x3, 0) ** 1.5 + 1.5 * b1 - 3) <= tol
            and x2 + b0 <= 1.6 + tol and 1.333 * x3 + b1 <= 3 + tol and b2 <= b0 + b1 + tol)


def test_synthes1_reaches_the_published_optimum():
    p, v = synthes1()
    p.solve()
    # Formulas: convexity is not proven, so a solution rather than "globally optimal".
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getObjVal() == pytest.approx(6.0097589, abs=1e-5)
    x = p.getSolution(v)
    assert [round(t) for t in x[3:]] == [0, 1, 0]
    assert x[0] == pytest.approx(math.exp(1 / 1.2) - 1, abs=1e-5)


def test_ex1221_nonconvex_local_then_published_value_by_globalsol():
    p, v = ex1221()
    p.solve()
    assert p.getProbStatusString() == "nlp_solution"
    x = p.getSolution(v)
    assert ex1221_feasible(x)
    assert p.getObjVal() == pytest.approx(ex1221_value(x), abs=1e-6)
    assert p.getObjVal() >= 7.6671803 - 1e-5
    # Several starts find the best known point; still only a solution.
    p, v = ex1221()
    p.globalsol()
    assert p.getProbStatusString() == "nlp_solution"
    assert ex1221_feasible(p.getSolution(v))
    assert p.getObjVal() == pytest.approx(7.6671803, abs=1e-5)


def test_kocis_grossmann_selection_nonconvex_quadratic_row():
    """Kocis & Grossmann (1987), the two-variable example also used by
    Floudas (1995, ch. 6): min 2x + y, 1.25 - x^2 - y <= 0, x + y <= 1.6,
    0 <= x <= 1.6, y binary; optimum 2 at x = 0.5, y = 1. The quadratic row
    is reverse convex."""
    p = ondrel.problem()
    x, y = ondrel.var(ub=1.6), ondrel.var(vartype=ondrel.binary)
    p.addVariable(x, y)
    p.addConstraint(1.25 - x * x - y <= 0, x + y <= 1.6)
    p.setObjective(2 * x + y)
    p.solve()
    assert p.getProbStatusString() == "mip_solution"  # not proven: nonconvex row
    assert p.attributes.bestbound <= -1e19            # and no bound claimed
    sx, sy = p.getSolution([x, y])
    assert round(sy) == sy and x.lb - 1e-9 <= sx <= 1.6 + 1e-9
    assert 1.25 - sx * sx - sy <= 1e-6 and sx + sy <= 1.6 + 1e-9
    assert p.getObjVal() == pytest.approx(2.0, abs=1e-6)


def test_gear_train_node_limit_keeps_the_best_solution():
    """Sandgren (1990) gear train: min (1/6.931 - x1 x2 / (x3 x4))^2, integers
    in [12, 60]; best known 2.700857e-12 at (16, 19, 43, 49). A node limit
    ends the search early with its best point kept."""
    p = ondrel.problem()
    x = [ivar(12, 60) for _ in range(4)]
    p.addVariable(x)
    p.setObjective((1 / 6.931 - x[0] * x[1] / (x[2] * x[3])) ** 2)
    p.controls.maxnode = 30
    p.solve()
    assert p.getProbStatusString() in ("nlp_unfinished", "nlp_solution")
    s = p.getSolution(x)
    assert all(12 <= t <= 60 and abs(t - round(t)) < 1e-6 for t in s)
    value = (1 / 6.931 - s[0] * s[1] / (s[2] * s[3])) ** 2
    assert p.getObjVal() == pytest.approx(value, abs=1e-9)
    assert p.getObjVal() >= 2.700857e-12 - 1e-15
    assert p.attributes.nodes <= 30


# ---- convex problems: global optimum, proven statuses --------------------

@pytest.mark.parametrize("qp_iterations", [None, 1])
def test_integer_least_squares_miqp(qp_iterations):
    """Closest lattice point of an ill-conditioned basis: min |Ax - b|^2.
    With one QP iteration allowed, HiGHS gives up on every node QP and the
    local solver takes them: the same optimum."""
    A = [[3, 1, 0], [1, 2.5, 1], [0, 1, 2], [1, 0, 1]]
    b = [2.3, -1.7, 4.1, 0.6]
    p = ondrel.problem()
    x = [ivar(-5, 5) for _ in range(3)]
    p.addVariable(x)
    p.setObjective(ondrel.Sum((ondrel.Sum(a * xi for a, xi in zip(row, x)) - bi) ** 2 for row, bi in zip(A, b)))
    if qp_iterations:
        p.controls.lpiterlimit = qp_iterations
    p.solve()
    f = lambda v: sum((sum(a * t for a, t in zip(row, v)) - bi) ** 2 for row, bi in zip(A, b))
    ref = enumerate_min(f, lambda v: True, [range(-5, 6)] * 3)
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(ref, abs=1e-6)
    assert f(p.getSolution(x)) == pytest.approx(ref, abs=1e-6)
    assert p.attributes.bestbound <= p.getObjVal() + 1e-6


def test_miqp_mixed_maximize_concave_with_linear_rows():
    # max -(x - 2.7)^2 - (y - 1.3)^2 - (z - 0.4)^2 + w, x + y + z + w <= 5,
    # x, y integer, z, w continuous in [0, 2]: for fixed integers the best
    # (z, w) follows by hand; enumerate x, y.
    p = ondrel.problem()
    x, y = ivar(0, 5), ivar(0, 5)
    z, w = ondrel.var(ub=2), ondrel.var(ub=2)
    p.addVariable(x, y, z, w)
    p.addConstraint(x + y + z + w <= 5)
    p.setObjective(-(x - 2.7) ** 2 - (y - 1.3) ** 2 - (z - 0.4) ** 2 + w, sense=ondrel.maximize)
    p.solve()

    def best_zw(room):
        # max -(z - .4)^2 + w, z + w <= room, 0 <= z, w <= 2: dw/dz = -1 at z = -0.1 < 0,
        # so z = min(0.4, room) unless w is worth more: z* = max(0, min(.4, room)) is
        # optimal when w takes the rest (up to 2) -- check a fine grid instead.
        best = -INF
        for k in range(0, 2001):
            zz = k / 1000
            ww = min(2.0, room - zz)
            if ww < 0:
                break
            best = max(best, -(zz - 0.4) ** 2 + ww)
        return best

    ref = max(-(a - 2.7) ** 2 - (c - 1.3) ** 2 + best_zw(5 - a - c)
              for a in range(6) for c in range(6) if a + c <= 5)
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(ref, abs=1e-4)
    assert p.attributes.bestbound >= p.getObjVal() - 1e-6  # maximizing: bound above


def test_convex_miqcp_ball():
    # max x + 2y + 3z in the ball x^2 + y^2 + z^2 <= 10, integers in [-3, 3].
    p = ondrel.problem()
    x = [ivar(-3, 3) for _ in range(3)]
    p.addVariable(x)
    p.addConstraint(x[0] ** 2 + x[1] ** 2 + x[2] ** 2 <= 10)
    p.setObjective(x[0] + 2 * x[1] + 3 * x[2], sense=ondrel.maximize)
    p.solve()
    ref = -enumerate_min(lambda v: -(v[0] + 2 * v[1] + 3 * v[2]),
                         lambda v: sum(t * t for t in v) <= 10, [range(-3, 4)] * 3)
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(ref, abs=1e-6)
    assert sum(t * t for t in p.getSolution(x)) <= 10 + 1e-6


def test_convex_miqcp_mixed_disc():
    # min -x - y, x^2 + y^2 <= 4, x integer: x = 1, y = sqrt 3.
    p = ondrel.problem()
    x, y = ivar(0, 10), ondrel.var(ub=10)
    p.addVariable(x, y)
    c = x * x + y * y <= 4
    p.addConstraint(c)
    p.setObjective(-x - y)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(-1 - math.sqrt(3), abs=1e-6)
    assert p.getSlack(c) == pytest.approx(0, abs=1e-5)  # slack counts the quadratic terms
    with pytest.raises(RuntimeError, match="Cannot retrieve dual variables in a MIP"):
        p.getDual()


def test_convex_formulas_separable_exponentials():
    # min sum exp(x_i / 2) - c_i x_i over integers in [-4, 6], sum x_i >= 4.
    c = [1.3, 0.4, 2.2]
    p = ondrel.problem()
    x = [ivar(-4, 6) for _ in c]
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(x) >= 4)
    p.setObjective(ondrel.Sum(ondrel.exp(xi / 2) - ci * xi for xi, ci in zip(x, c)))
    p.solve()
    f = lambda v: sum(math.exp(t / 2) - ci * t for t, ci in zip(v, c))
    ref = enumerate_min(f, lambda v: sum(v) >= 4, [range(-4, 7)] * 3)
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getObjVal() == pytest.approx(ref, abs=1e-6)


def test_quadratic_objective_with_sos1_and_indicator():
    # min sum (x_i - t_i)^2 with at most one x_i nonzero (SOS1), and an
    # indicator: b = 1 forces x_2 >= 3 and costs 0.5.
    t = [1.0, 2.5, 3.2, -1.5]
    p = ondrel.problem()
    x = [ondrel.var(lb=-5, ub=5) for _ in t]
    b = ondrel.var(vartype=ondrel.binary)
    p.addVariable(x, b)
    p.addSOS(ondrel.sos(x, [1, 2, 3, 4], type=1))
    p.addIndicator(b == 1, x[2] >= 3)
    p.setObjective(ondrel.Sum((xi - ti) ** 2 for xi, ti in zip(x, t)) + 0.5 * b - 2 * b)
    p.solve()
    # One member at its target, the rest at 0; b = 1 pays 0.5 - 2 and needs x_2 >= 3.
    total = sum(ti * ti for ti in t)
    options = [total - max(ti * ti for ti in t),    # b = 0: the largest target
               total - t[2] ** 2 - 1.5]             # b = 1: x_2 = 3.2 >= 3
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(min(options), abs=1e-6)
    s = p.getSolution(x)
    assert sum(1 for v in s if abs(v) > 1e-6) <= 1


# ---- nonconvex problems: honest status, feasible point -------------------

def test_indefinite_miqp_reports_a_solution_not_optimality():
    # min x y - 2x + 0.5 y^2 - z^2 over integers: indefinite.
    p = ondrel.problem()
    x, y, z = ivar(-3, 4), ivar(-3, 4), ivar(-2, 2)
    p.addVariable(x, y, z)
    p.addConstraint(x + y + z <= 4)
    p.setObjective(x * y - 2 * x + 0.5 * y * y - z * z)
    p.solve()
    f = lambda v: v[0] * v[1] - 2 * v[0] + 0.5 * v[1] ** 2 - v[2] ** 2
    ref = enumerate_min(f, lambda v: sum(v) <= 4, [range(-3, 5), range(-3, 5), range(-2, 3)])
    assert p.getProbStatusString() == "mip_solution"
    s = p.getSolution([x, y, z])
    assert all(abs(t - round(t)) < 1e-6 for t in s) and sum(s) <= 4 + 1e-6
    assert p.getObjVal() == pytest.approx(f(s), abs=1e-6)
    assert p.getObjVal() >= ref - 1e-6


def test_integer_points_on_a_circle():
    # min x + 2y with x^2 + y^2 = 25, x, y integer: (-3, -4) gives -11.
    p = ondrel.problem()
    x, y = ivar(-6, 6), ivar(-6, 6)
    p.addVariable(x, y)
    p.addConstraint(x * x + y * y == 25)
    p.setObjective(x + 2 * y)
    p.solve()
    ref = enumerate_min(lambda v: v[0] + 2 * v[1], lambda v: v[0] ** 2 + v[1] ** 2 == 25,
                        [range(-6, 7)] * 2)
    status = p.getProbStatusString()
    assert status in ("mip_solution", "mip_no_sol_found")  # never optimal nor infeasible
    if status == "mip_solution":
        s = p.getSolution([x, y])
        assert s[0] ** 2 + s[1] ** 2 == pytest.approx(25, abs=1e-5)
        assert p.getObjVal() >= ref - 1e-6


def test_nonconvex_formula_periodic_objective():
    # min sin(x) + 0.05 x over integers in [0, 30]: many local minima.
    p = ondrel.problem()
    x = ivar(0, 30)
    p.addVariable(x)
    p.setObjective(ondrel.sin(x) + 0.05 * x)
    p.solve()
    ref = min(math.sin(k) + 0.05 * k for k in range(31))
    assert p.getProbStatusString() == "nlp_solution"
    s = p.getSolution(x)
    assert abs(s - round(s)) < 1e-6
    assert p.getObjVal() == pytest.approx(math.sin(s) + 0.05 * s, abs=1e-6)
    assert p.getObjVal() >= ref - 1e-9


def test_statuses_when_nothing_is_found():
    def solve(build):
        p = ondrel.problem()
        build(p)
        p.solve()
        return p.getProbStatusString()

    def ball(p, rhs, kind):
        x, y = ivar(-3, 3), ivar(-3, 3)
        p.addVariable(x, y)
        p.addConstraint(x * x + y * y <= rhs if kind == "<=" else x * x + y * y == rhs,
                        x + y >= 0.5)
        p.setObjective(x * x + y)

    # Convex and infeasible: proven.
    assert solve(lambda p: ball(p, 0.5, "<=")) == "mip_infeas"
    # Nonconvex (an equality on a circle of no integer point): not proven.
    assert solve(lambda p: ball(p, 2.5, "==")) == "mip_no_sol_found"

    def window(p):  # exp(x) in [2, 2.5] holds no integer
        x = ivar(-3, 3)
        p.addVariable(x)
        p.addConstraint(ondrel.exp(x) >= 2, ondrel.exp(x) <= 2.5)
        p.setObjective(x)

    assert solve(window) == "nlp_locally_infeasible"

    def unbounded(p):  # min y^2 - x, x integer without bounds
        x, y = ondrel.var(vartype=ondrel.integer, lb=-INF), ondrel.var()
        p.addVariable(x, y)
        p.setObjective(y * y - x)

    assert solve(unbounded) == "mip_unbounded"


def test_interrupt_from_intsol_keeps_the_solution():
    # The first integer solution stops the search; it stays the result.
    w = [3, 5, 7, 9, 11, 13, 4, 6]
    t = [0.5, 1.5, 0.5, 0.5, 1.5, 0.5, 0.5, 1.5]
    p = ondrel.problem()
    x = [ivar(0, 3) for _ in w]
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(a * xi for a, xi in zip(w, x)) >= 37.5)
    p.addConstraint(x[0] * x[0] + x[1] * x[1] <= 9)   # a quadratic row: node NLPs
    p.setObjective(ondrel.Sum((xi - ti) ** 2 for xi, ti in zip(x, t)))
    seen = []

    def intsol(prob, data):
        seen.append(prob.attributes.mipobjval)
        prob.interrupt(ondrel.stop_user)

    p.addcbintsol(intsol, None, 0)
    p.solve()
    assert len(seen) == 1
    assert p.getProbStatusString() == "mip_solution"
    assert p.attributes.stopstatus == ondrel.stop_user
    assert p.getObjVal() == pytest.approx(seen[0])
    s = p.getSolution(x)
    assert sum(a * b for a, b in zip(w, s)) >= 37.5 - 1e-6


def test_intsol_fires_on_the_nonlinear_path():
    # Formulas: the nonlinear layer's solve runs the tree search, whose
    # integer solutions reach intsol; the last one seen is the result.
    p = ondrel.problem()
    x, y = ivar(-3, 6), ivar(-3, 6)
    p.addVariable(x, y)
    p.addConstraint(x + y >= 2.5)
    p.setObjective(ondrel.exp(x / 2) + ondrel.exp(y / 3) - 2 * x - y)
    seen = []
    p.addcbintsol(lambda prob, data: seen.append(prob.attributes.mipobjval), None, 0)
    p.solve()
    f = lambda v: math.exp(v[0] / 2) + math.exp(v[1] / 3) - 2 * v[0] - v[1]
    ref = enumerate_min(f, lambda v: v[0] + v[1] >= 2.5, [range(-3, 7)] * 2)
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getObjVal() == pytest.approx(ref, abs=1e-6)
    assert seen and seen[-1] == pytest.approx(ref, abs=1e-6)
    assert all(a > b for a, b in zip(seen, seen[1:]))  # each one improves


# ---- routing, refusals, limits --------------------------------------------

def small_miqp():
    p = ondrel.problem()
    x, y = ivar(0, 10), ivar(0, 10)
    p.addVariable(x, y)
    p.addConstraint(x + y >= 3.5)
    p.setObjective((x - 2.6) ** 2 + (y - 1.2) ** 2)
    return p, x, y


def test_mipsolver_one_refuses_what_highs_cannot_solve():
    p, x, y = small_miqp()
    p.controls.mipsolver = 1
    with pytest.raises(RuntimeError, match="mipsolver 1"):
        p.solve()
    p.controls.mipsolver = 2
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(0.2, abs=1e-7)
    p.controls.mipsolver = 0  # automatic takes the tree search as well
    p.solve()
    assert p.getObjVal() == pytest.approx(0.2, abs=1e-7)
    assert p.getSolution([x, y]) == pytest.approx([3, 1], abs=1e-6)


def test_node_limit_on_a_miqp_keeps_the_best_solution():
    # A knapsack-like convex MIQP that needs many nodes.
    w = [3, 5, 7, 9, 11, 13, 4, 6]
    t = [0.5, 1.5, 0.5, 0.5, 1.5, 0.5, 0.5, 1.5]
    p = ondrel.problem()
    x = [ivar(0, 3) for _ in w]
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(a * xi for a, xi in zip(w, x)) >= 37.5)
    p.setObjective(ondrel.Sum((xi - ti) ** 2 for xi, ti in zip(x, t)))
    p.controls.maxnode = 3
    p.solve()
    st = p.getProbStatusString()
    assert st in ("mip_solution", "mip_no_sol_found", "mip_optimal")
    if st == "mip_solution":
        s = p.getSolution(x)
        assert sum(a * b for a, b in zip(w, s)) >= 37.5 - 1e-6
        assert p.attributes.stopstatus == ondrel.stop_nodelimit
        assert p.attributes.nodes <= 3
    p.controls.maxnode = 10 ** 9
    p.solve()
    f = lambda v: sum((a - b) ** 2 for a, b in zip(v, t))
    ref = enumerate_min(f, lambda v: sum(a * b for a, b in zip(w, v)) >= 37.5, [range(4)] * len(w))
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(ref, abs=1e-6)


def test_two_threads_solving_at_once_agree_with_one():
    import threading

    def build():
        p = ondrel.problem()
        x = [ivar(-3, 3) for _ in range(3)]
        p.addVariable(x)
        p.addConstraint(x[0] ** 2 + x[1] ** 2 + x[2] ** 2 <= 10)
        p.setObjective(ondrel.exp(x[0] / 3) + x[1] * x[2] - x[0] - 2 * x[1])
        return p

    alone = build()
    alone.solve()
    expected = alone.getObjVal()
    results, errors = [], []

    def work():
        try:
            for _ in range(3):
                p = build()
                p.solve()
                results.append(p.getObjVal())
        except Exception as e:  # reported below
            errors.append(e)

    threads = [threading.Thread(target=work) for _ in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    assert results == pytest.approx([expected] * 6, abs=1e-9)


def test_nonlinear_path_duals_come_from_the_fixed_nlp():
    # min exp(x) + (y - 2)^2 + z, x + y >= 2.5, z integer, exp(z) >= 3.
    p = ondrel.problem()
    x, y = ondrel.var(lb=-5, ub=5), ondrel.var(lb=-5, ub=5)
    z = ivar(0, 5)
    p.addVariable(x, y, z)
    c = x + y >= 2.5
    p.addConstraint(c, ondrel.exp(z) >= 3)
    p.setObjective(ondrel.exp(x) + (y - 2) ** 2 + z)
    p.solve()
    assert p.getProbStatusString() == "nlp_solution"
    sx, sy, sz = p.getSolution([x, y, z])
    assert sz == pytest.approx(2)
    # KKT of the fixed NLP: exp(x) = 2 (y - 2) = dual of x + y >= 2.5, active.
    assert sx + sy == pytest.approx(2.5, abs=1e-6)
    assert math.exp(sx) == pytest.approx(2 * (sy - 2), abs=1e-5)
    assert abs(p.getDual(c)) == pytest.approx(math.exp(sx), abs=1e-5)
