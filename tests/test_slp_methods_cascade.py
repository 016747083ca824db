"""Cascading order, limits and failures, determining rows inside the SLP,
and the row-level services around them."""
import math

import pytest

import ondrel


def chain():
    """z determined by z - y = 1, y by y - 2x = 0 (rows given in that order);
    a formula row keeps the problem nonlinear."""
    p = ondrel.problem()
    x = ondrel.var(name="x", lb=-10, ub=10)
    y = ondrel.var(name="y", lb=-100, ub=100)
    z = ondrel.var(name="z", lb=-100, ub=8)
    p.addVariable(x, y, z)
    rz = z - y == 1
    ry = y - 2 * x == 0
    p.addConstraint(rz, ry, ondrel.exp(x / 10) + z <= 50)
    p.setObjective(x)
    p.chgvar(x, initvalue=3.0)
    p.chgvar(y, initvalue=0.0, detrow=ry)
    p.chgvar(z, initvalue=0.0, detrow=rz)
    return p, x, y, z, ry, rz


def test_dependencies_order_the_cascade_in_one_pass():
    p, x, y, z, ry, rz = chain()
    order = []
    p.setcbcascadevar(lambda prob, data, col: order.append(col) or 0)
    p.chgcascadenlimit(y, 1)
    p.chgcascadenlimit(z, 1)
    p.cascade()
    # y first (z's row holds y), each once, and z from the new y.
    assert order == [1, 2]
    assert p.getvar(y)[6] == pytest.approx(6.0)
    assert p.getvar(z)[6] == pytest.approx(7.0)


def test_sequence_numbers_come_before_dependencies():
    p, x, y, z, ry, rz = chain()
    p.loadvars([y, z], [0, 0], [ry, rz], [2, 1], [0, 0], [0.0, 0.0], [0.0, 0.0])
    p.chgvar(x, initvalue=3.0)
    order = []
    p.setcbcascadevar(lambda prob, data, col: order.append(col) or 0)
    p.chgcascadenlimit(y, 1)
    p.chgcascadenlimit(z, 1)
    p.cascade()
    assert order == [2, 1]                      # z (number 1) before y (number 2)
    assert p.getvar(z)[6] == pytest.approx(1.0)  # from y = 0, before y was recomputed


def test_out_of_bounds_and_excluded_columns():
    p, x, y, z, ry, rz = chain()
    p.chgvar(x, initvalue=5.0)                  # y = 10, z = 11 > its bound 8
    failed = []
    p.setcbcascadevarfail(lambda prob, data, col: failed.append(col) or 0)
    p.cascade()
    assert failed == [2]
    assert p.getvar(z)[6] == 8.0                # kept at the bound
    p.chgvar(y, vartype=1, value=-1.0)          # never cascaded
    p.cascade()
    assert p.getvar(y)[6] == -1.0
    assert p.getvar(z)[6] == pytest.approx(0.0)


def test_slp_cascades_with_the_determining_rows():
    p, x, y, z, ry, rz = chain()
    p.controls.nlpsolver = 2
    p.nlpoptimize()
    sol = []
    p.getslpsol(sol)
    assert sol[1] == pytest.approx(2 * sol[0], abs=1e-6)
    assert sol[2] == pytest.approx(sol[1] + 1, abs=1e-6)
    assert p.getcolinfo(ondrel.colinfo_updaterow, y) == 1
    assert p.getcolinfo(ondrel.colinfo_updaterow, x) == -1
    assert p.getvar(z)[13] == 0                 # updaterow in getvar too


def test_tolerance_sets_replaced_by_a_shorter_load_drop_references():
    p, x, y, z, ry, rz = chain()
    p.loadtolsets([0.1] * 27)
    p.chgvar(x, tolset=3)
    p.chgvar(y, tolset=1)
    p.loadtolsets([0.2] * 9)
    assert p.getvar(x)[7] == 0 and p.getvar(y)[7] == 1


def test_bound_tolerance_marks_a_column_at_its_bound():
    p = ondrel.problem()
    x = ondrel.var(lb=0, ub=1)
    p.addVariable(x)
    p.setObjective(ondrel.exp(x))               # optimum at the lower bound
    p.controls.nlpsolver = 2
    p.loadtolsets([0.0] * 8 + [1e-9])           # only the distance to a bound
    p.chgvar(x, tolset=1, initvalue=0.5)
    p.nlpoptimize()
    assert p.getSolution(x) == pytest.approx(0.0, abs=1e-9)
    assert p.getvar(x)[9] == 9                  # converged by the ninth test


def test_row_status_and_validation_of_a_violated_row():
    p = ondrel.problem()
    x = ondrel.var(lb=-10, ub=10)
    p.addVariable(x)
    c = ondrel.exp(x) >= 100
    p.addConstraint(c)
    p.setObjective(x)
    p.chgrowstatus(c, 0x4)
    assert p.getrowstatus(c) == 0x4
    p.chgrowstatus(c, None)
    assert p.getrowstatus(c) == 0x4
    p.controls.nlpsolver = 2
    p.controls.nlpiterlimit = 1
    p.chgvar(x, initvalue=0.0)
    p.nlpoptimize()
    p.validaterow(c)
    x1 = p.getSolution(x)
    assert math.exp(x1) < 99                    # one step from 0 cannot get there
    assert p.getAttrib("nlpvalidationstatus") == 0
    assert p.getAttrib("nlpvalidationabs") == pytest.approx(100 - math.exp(x1))
    assert p.getAttrib("nlpvalidationrel") == pytest.approx((100 - math.exp(x1)) / 100)
    p.controls.nlpiterlimit = 500
    p.nlpoptimize()
    p.validaterow(c)
    assert p.getAttrib("nlpvalidationstatus") == 1
    assert p.getSolution(x) == pytest.approx(math.log(100), abs=1e-6)
