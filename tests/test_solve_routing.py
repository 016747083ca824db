"""solve() takes the nonlinear route whenever the nonlinear layer holds
coefficients, also those loaded through its low-level methods; and the
counts a solve reports."""
import pytest

import ondrel


def linear_problem():
    # min -2x - y  s.t.  x + y <= 2, 0 <= x, y <= 5: LP optimum x = 2, y = 0
    p = ondrel.problem()
    x, y = ondrel.var(name="x", ub=5), ondrel.var(name="y", ub=5)
    p.addVariable(x, y)
    c = x + y <= 2
    p.addConstraint(c)
    p.setObjective(-2 * x - y)
    return p, x, y, c


@pytest.mark.parametrize("how", ["chgccoef", "loadcoefs", "addcoefs"])
def test_low_level_coefficients_make_the_solve_nonlinear(how):
    p, x, y, c = linear_problem()
    p.solve()
    assert p.getObjVal() == pytest.approx(-4)
    # the row becomes x + y + x^2 <= 2: optimum x = 1/2, y = 5/4, objective -9/4
    if how == "chgccoef":
        p.chgccoef(c, x, 1.0, "x")
    else:
        # tokens: column x (10, index 0), end of formula (0, 0)
        getattr(p, how)([c], [x], [1.0], [0, 2], True, [10, 0], [0, 0])
    p.solve()
    assert p.getProbStatusString().startswith("nlp_")
    assert p.getSolution([x, y]) == pytest.approx([0.5, 1.25], abs=1e-4)
    assert p.getObjVal() == pytest.approx(-2.25, abs=1e-5)
    # every coefficient deleted: linear again
    p.delcoefs([c], [x])
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    assert p.getObjVal() == pytest.approx(-4)


def test_iteration_counts_of_a_mip_are_never_negative():
    # HiGHS reports counts that do not apply to a MIP run (crossover, QP) as -1
    p = ondrel.problem()
    x = [ondrel.var(vartype=ondrel.integer, ub=10) for _ in range(3)]
    p.addVariable(x)
    p.addConstraint(2 * x[0] + 3 * x[1] + 4 * x[2] <= 11)
    p.setObjective(-(3 * x[0] + 4 * x[1] + 5 * x[2]))
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.attributes.simplexiter >= 0 and p.attributes.bariter >= 0
