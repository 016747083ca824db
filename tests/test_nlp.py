"""Nonlinear and quadratically constrained problems through the modelling API:
statuses of both routes (the nonlinear layer for formulas, the optimizer for
quadratic-only content), both local solvers on classic problems, and the
errors a user meets (evaluation errors, failing user functions, integer
columns with nonlinear content)."""
import math

import pytest

import ondrel
import nlp_problems as hs

INF = ondrel.infinity

# The nonlinear layer's own methods (Part of the low-level wrappers).
needs_slp_methods = pytest.mark.skipif(
    not all(hasattr(ondrel.problem, m) for m in ("chgvar", "nlpoptimize")),
    reason="the module has no chgvar/nlpoptimize methods yet")


def build(p, start=None):
    """Problem `p` of nlp_problems as an ondrel problem, started at `start`
    (at the published start when given and the module can set it)."""
    prob = ondrel.problem(p.name)
    x = [ondrel.var(name="x%d" % (j + 1), lb=p.lb[j], ub=p.ub[j]) for j in range(p.n)]
    prob.addVariable(x)
    for body, lo, hi in p.constraints(x, ondrel):
        prob.addConstraint(ondrel.constraint(body=body, lb=lo, ub=hi))
    prob.setObjective(p.objective(x, ondrel))
    if hasattr(prob, "chgvar"):
        for j, v in enumerate(start or p.x0):
            prob.chgvar(x[j], initvalue=v)
    return prob, x


def test_problem_set_transcription():
    """The published solutions satisfy the transcribed problems and give the
    published objective values (checks the problem set itself)."""
    assert len(hs.PROBLEMS) >= 30
    kinds = {p.kind for p in hs.PROBLEMS}
    assert {"qcqp-convex", "qcqp-nonconvex", "nlp"} <= kinds
    for p in hs.PROBLEMS:
        if p.xstar is None:
            continue
        f = p.objective(list(map(float, p.xstar)), math)
        assert f == pytest.approx(p.fstar, rel=1e-6, abs=1e-6), p.name
        for body, lo, hi in p.constraints(list(map(float, p.xstar)), math):
            assert lo - 1e-6 * max(1, abs(lo)) <= body <= hi + 1e-6 * max(1, abs(hi)), p.name


# Problems both local solvers solve from the published start (measured with
# bench/nlp.py); a regression on any of them is a fault.
SOLVED_BY_BOTH = ["hs6", "hs7", "hs10", "hs14", "hs15", "hs19", "hs29", "hs34", "hs40", "hs43",
                  "hs60", "hs64", "hs65", "hs71", "hs73", "hs77", "hs83", "hs100", "hs113"]


@needs_slp_methods
@pytest.mark.parametrize("solver", [1, 2])
@pytest.mark.parametrize("name", SOLVED_BY_BOTH)
def test_local_solvers_reach_the_published_optimum(name, solver):
    p = hs.BY_NAME[name]
    prob, x = build(p)
    prob.setControl("nlpsolver", solver)
    prob.nlpoptimize()
    assert prob.getAttrib("nlpstatus") in (1, 2)
    assert prob.getAttrib("nlpobjval") == pytest.approx(p.fstar, rel=1e-5, abs=1e-5)


def test_routes_and_status_strings():
    # formulas: the nonlinear layer, nlp_* statuses
    prob, x = build(hs.BY_NAME["hs71"])
    prob.solve()
    assert prob.getProbStatusString() == "nlp_solution"
    assert prob.getObjVal() == pytest.approx(17.0140173, rel=1e-6)
    assert prob.getSolution(x[0]) == pytest.approx(1.0, abs=1e-5)
    # convex quadratic rows: the optimizer's local solve, proven optimal
    prob, x = build(hs.BY_NAME["hs43"])
    prob.solve()
    assert prob.getProbStatusString() == "lp_optimal"
    assert prob.getObjVal() == pytest.approx(-44, rel=1e-6)
    # nonconvex quadratic rows: a local solution, said so
    prob, x = build(hs.BY_NAME["hs18"])
    prob.solve()
    assert prob.getProbStatusString() == "lp_nonconvex"
    assert prob.getObjVal() == pytest.approx(5, rel=1e-5)


def test_duals_of_a_nonlinear_problem_price_the_rhs():
    # min x + y  s.t.  exp(x) + y^2 <= 4 ... maximize instead to bind the row:
    # max x + y s.t. exp(x) + y*y <= 4; the dual is d(obj)/d(rhs).
    def solve(rhs):
        prob = ondrel.problem()
        x, y = ondrel.var(lb=-INF), ondrel.var(lb=-INF)
        prob.addVariable(x, y)
        c = ondrel.exp(x) + y * y <= rhs
        prob.addConstraint(c)
        prob.setObjective(x + y, sense=ondrel.maximize)
        prob.solve()
        assert prob.getProbStatusString() == "nlp_solution"
        return prob.getObjVal(), prob.getDual(c), prob.getSlack(c)

    f0, dual, slack = solve(4.0)
    f1, _, _ = solve(4.0 + 1e-4)
    assert dual == pytest.approx((f1 - f0) / 1e-4, rel=1e-3)
    assert dual > 0 and slack == pytest.approx(0, abs=1e-6)


def test_evaluation_error_is_raised_with_the_row():
    # a free column starts at 0, where ln is undefined: nowhere to step from
    prob = ondrel.problem()
    x = ondrel.var(lb=-INF)
    prob.addVariable(x)
    c = ondrel.log(x) <= 10
    prob.addConstraint(c)
    prob.setObjective(x)
    with pytest.raises(RuntimeError, match="ln of 0"):
        prob.solve()
    assert prob.getProbStatusString() == "nlp_unfinished"


def test_failing_user_function_raises_and_stops():
    calls = []

    def f(v):
        calls.append(v)
        if len(calls) > 3:
            raise ValueError("boom")
        return v * v

    prob = ondrel.problem()
    x = ondrel.var(lb=-INF)
    prob.addVariable(x)
    prob.setObjective(ondrel.user(f, x) + (x - 3) * (x - 3))
    with pytest.raises((RuntimeError, ValueError)):
        prob.solve()
    assert len(calls) == 4  # never called again after it raised


def test_integer_columns_with_nonlinear_content_are_solved_by_the_tree_search():
    prob = ondrel.problem()
    x = ondrel.var(vartype=ondrel.integer, ub=10)
    prob.addVariable(x)
    prob.setObjective(ondrel.exp(x) - 3 * x)
    prob.solve()
    # Formulas: no convexity proof, so a solution rather than a global optimum.
    assert prob.getProbStatusString() == "nlp_solution"
    assert prob.getSolution(x) == pytest.approx(1.0)
    assert prob.getObjVal() == pytest.approx(math.e - 3, abs=1e-6)


def test_iteration_limit_is_unfinished_not_an_error():
    prob, x = build(hs.BY_NAME["hs100"])
    prob.setControl("nlpiterlimit", 2)
    prob.solve()
    assert prob.getProbStatusString() == "nlp_unfinished"
    assert len(prob.getSolution()) == len(x)  # the user's columns only
