"""The nonlinear layer's own methods doing their work: SLP variables and
step rules change the iterates, tolerance sets end the solve, derivative
factors and row weights reach the linearization and the penalties,
cascading recomputes determined columns, and the validation methods give
the residuals computed by hand."""
import math

import pytest

import ondrel


def quartic(ub=10):
    """min (x - 4)^4, x in [-10, ub], started at 0: SLP crawls to 4."""
    p = ondrel.problem()
    x = ondrel.var(lb=-10, ub=ub)
    p.addVariable(x)
    p.setObjective((x - 4) ** 4)
    p.controls.nlpsolver = 2
    p.chgvar(x, initvalue=0.0)
    return p, x


def slp_x(p, iterlimit):
    p.controls.nlpiterlimit = iterlimit
    p.nlpoptimize()
    x = []
    p.getslpsol(x)
    return x


def test_step_bound_and_delta_rules_limit_every_step():
    p, x = quartic()
    free = slp_x(p, 5)[0]
    assert free > 3.0                               # the solver's own steps grow
    p.chgvar(x, stepbound=0.25)
    capped = slp_x(p, 5)[0]
    assert 0.2 < capped <= 5 * 0.25 + 1e-9
    assert p.getvar(x)[2] == 0.25
    p.chgvar(x, stepbound=0.0)
    p.chgdeltatype([x], [1], [0.1])                 # absolute cap
    assert slp_x(p, 5)[0] <= 0.5 + 1e-9
    p.chgdeltatype([x], [2], [0.1])                 # relative to max(1, |x|)
    assert slp_x(p, 3)[0] <= 0.3 + 1e-9
    assert p.getvar(x)[11] == 2                     # delta: the step rule
    p.chgdeltatype([x], [0], None)
    assert slp_x(p, 5)[0] == pytest.approx(free)


def test_tolerance_set_ends_the_solve_and_marks_columns():
    p, x = quartic()
    slp_x(p, 200)
    full = p.getAttrib("nlpiter")
    p.loadtolsets([1e3] + [0.0] * 8)               # closure within 1000: at once
    p.chgvar(x, tolset=1)
    slp_x(p, 200)
    assert p.getAttrib("nlpiter") < full
    assert p.getAttrib("nlpiter") <= 2
    var = p.getvar(x)
    assert var[7] == 1 and var[9] == 1 and var[8] >= 1   # tolset, converged by TC, history
    assert p.getProbStatus() in (1, 2) or p.getAttrib("nlpstatus") == 1


def test_tolerance_sets_load_change_get_delete():
    p, x = quartic()
    p.loadtolsets([0.1] * 18)
    assert p.getAttrib("nlptolsets") == 2
    tols = []
    assert p.gettolset(2, tols) == 0x1ff
    assert tols == [0.1] * 9
    p.addtolsets([0.0] * 4 + [0.5] + [0.0] * 4)
    assert p.gettolset(3, None) == 1 << 4
    p.chgtolset(3, 3, [0.2] * 9)
    assert p.gettolset(3, tols) == 3 and tols == [0.2] * 9
    p.chgvar(x, tolset=3)
    p.deltolsets([1])
    assert p.getAttrib("nlptolsets") == 2
    assert p.getvar(x)[7] == 2                     # renumbered with its set
    p.deltolsets([2])
    assert p.getvar(x)[7] == 0


def coupled():
    """min -x - y with exp(x) + y <= 5 and x, y in [0, 3] (solution on the curve)."""
    p = ondrel.problem()
    x, y = ondrel.var(lb=0, ub=3), ondrel.var(lb=0, ub=3)
    p.addVariable(x, y)
    c = ondrel.exp(x) + y <= 5
    p.addConstraint(c)
    p.setObjective(-x - y)
    p.controls.nlpsolver = 2
    return p, x, y, c


def test_row_weight_scales_the_penalty_of_its_row():
    p, x, y, c = coupled()
    p.nlpoptimize()
    base = p.getrowinfo(ondrel.rowinfo_currentpenaltyfactor, c)
    assert base > 0
    assert isinstance(p.getrowinfo(ondrel.rowinfo_penaltycolumnplus, c), int)
    p.chgrowwt(c, 10.0)
    assert p.getrowwt(c) == 10.0
    p.nlpoptimize()
    assert p.getrowinfo(ondrel.rowinfo_currentpenaltyfactor, c) == pytest.approx(10 * base)


def test_derivative_factor_changes_the_iterates_not_the_answer():
    p, x, y, c = coupled()
    p.controls.nlpiterlimit = 2
    p.nlpoptimize()
    plain = []
    p.getslpsol(plain)
    assert p.chgdf(x, c, 0.3) == 0.3
    assert p.getdf(x, c) == 0.3 and p.getdf(y, c) == 1.0
    p.nlpoptimize()
    damped = []
    p.getslpsol(damped)
    assert damped != pytest.approx(plain)
    p.controls.nlpiterlimit = 500
    p.nlpoptimize()
    sol = []
    p.getslpsol(sol)
    # max x + y with exp(x) + y <= 5 in the box: x = 0 ... the optimum has
    # y = 3 and x = log 2.
    assert sol == pytest.approx([math.log(2), 3.0], abs=1e-4)
    assert p.chgdf(x, c, None) == 0.0 and p.getdf(x, c) == 0.3
    p.loaddfs([y], [c], [2.0])
    assert p.getdf(x, c) == 1.0 and p.getdf(y, c) == 2.0
    p.adddfs([x], [c], [0.5])
    assert p.getdf(x, c) == 0.5 and p.getdf(y, c) == 2.0


def determined():
    """y determined by y - 2x = 1; a nonlinear row keeps the layer busy."""
    p = ondrel.problem()
    x, y = ondrel.var(lb=-10, ub=10), ondrel.var(lb=-100, ub=100)
    p.addVariable(x, y)
    d = y - 2 * x == 1
    p.addConstraint(d, ondrel.sin(x) + y <= 50)
    p.setObjective(x)
    return p, x, y, d


def test_cascade_recomputes_determined_columns_with_callbacks():
    p, x, y, d = determined()
    p.chgvar(x, initvalue=3.0)
    p.chgvar(y, initvalue=0.0, detrow=d)
    seen = []
    p.setcbcascadestart(lambda prob, data: seen.append("start") or 0)
    p.setcbcascadevar(lambda prob, data, col: seen.append(col) or 0)
    p.setcbcascadeend(lambda prob, data: seen.append("end") or 0)
    p.cascadeorder()
    p.cascade()
    assert p.getvar(y)[6] == pytest.approx(7.0)
    assert seen == ["start", 1, "end"]
    p.chgcascadenlimit(y, 1)
    assert p.getvar(y)[0] == 0


def test_cascade_rejects_a_row_that_cannot_determine():
    p, x, y, d = determined()
    other = ondrel.sin(y) + x <= 3
    p.addConstraint(other)
    p.chgvar(y, detrow=other)
    with pytest.raises(RuntimeError, match="not an equality row"):
        p.cascade()


def test_loadvars_and_addvars_set_the_variable_data():
    p, x, y, d = determined()
    p.loadtolsets([0.0] * 9)
    p.loadvars([x, y], [0, 1], [-1, d], [0, 2], [1, 0], [1.5, 2.5], [0.5, 0.0])
    gx, gy = p.getvar(x), p.getvar(y)
    assert gx[:2] == (-1, 0.5) and gx[5] == 1.5 and gx[7] == 1 and gx[10] == 0
    assert gy[0] == 0 and gy[5] == 2.5 and gy[10] == 1
    assert len(gx) == 15 and gx[12] == -1
    p.addvars([x], [0], [-1], [0], [0], [4.0], [0.0])
    assert p.getvar(x)[5] == 4.0
    p.delvars([x])
    assert p.getvar(x)[5] == 0.0 and p.getvar(x)[7] == 0


def kkt_problem():
    """min (x - 2)^2 + exp(y) with x + y >= 3, x, y in [0, 10]."""
    p = ondrel.problem()
    x, y = ondrel.var(lb=0, ub=10), ondrel.var(lb=0, ub=10)
    p.addVariable(x, y)
    c = x + y >= 3
    p.addConstraint(c, ondrel.exp(y) - x <= 100)
    p.setObjective((x - 2) ** 4 + ondrel.exp(y))
    return p, x, y, c


def test_validatekkt_figures_match_hand_computed_residuals():
    p, x, y, c = kkt_problem()
    p.controls.nlpiterlimit = 1
    p.controls.nlpsolver = 2
    p.nlpoptimize()
    sol, slack, dual, dj = [], [], [], []
    p.getslpsol(sol, slack, dual, dj)
    p.validatekkt(0, 0, 0, 1e-6)
    # Minimization: stationarity = the largest reduced cost; complementarity
    # |dual| times the distance of the row to its active side.
    assert p.getAttrib("nlpkktstationarity") == pytest.approx(max(abs(v) for v in dj), rel=1e-6, abs=1e-9)
    expected = 0.0
    for i, yv in enumerate(dual):
        if yv > 0:                      # >= row side: activity - rhs = -slack
            expected = max(expected, abs(yv) * max(0.0, -slack[i]))
        elif yv < 0:
            expected = max(expected, abs(yv) * max(0.0, slack[i]))
    assert p.getAttrib("nlpkktcomplementarity") == pytest.approx(expected, rel=1e-6, abs=1e-9)
    p.controls.nlpiterlimit = 500
    p.nlpoptimize()
    p.validatekkt(0, 1, 0, 1e-5)
    assert p.getAttrib("nlpvalidationstatus") == 1
    before = []
    p.getslpsol(dual=before)
    p.validatekkt(1, 1, 1, 1e-5)
    assert p.getAttrib("nlpkktstationarity") <= 1e-5
    after = []
    p.getslpsol(dual=after)
    assert after == pytest.approx(before, abs=1e-4)


def test_validatevector_sums_row_and_bound_violations():
    p = ondrel.problem()
    x, y = ondrel.var(lb=0, ub=0.5), ondrel.var(lb=0, ub=10)
    p.addVariable(x, y)
    p.addConstraint(2 * x + 2 * y <= 3, ondrel.exp(x) >= 2)
    p.setObjective(x + 3 * y)
    suminf, scaled, obj = p.validatevector([1.0, 1.0])
    # row 1: 4 - 3 = 1 (scaled by 3); exp(1) >= 2 holds; x over its bound by 0.5
    assert suminf == pytest.approx(1.5)
    assert scaled == pytest.approx(1 / 3 + 0.5)
    assert obj == pytest.approx(4.0)
    with pytest.raises(RuntimeError, match="^Wrong vector size in validatevector$"):
        p.validatevector([1.0])
    with pytest.raises(RuntimeError, match="finite"):
        p.validatevector([float("nan"), 1.0])


def test_validate_and_validaterow_after_a_solve():
    p, x, y, c = kkt_problem()
    with pytest.raises(RuntimeError, match="not been solved"):
        p.validate()
    p.nlpoptimize()
    p.validate()
    assert p.getAttrib("nlpvalidationstatus") == 1
    assert p.getAttrib("nlpvalidationabs") <= 1e-6
    p.validaterow(c)
    assert p.getAttrib("nlpvalidationstatus") == 1


def test_information_after_slp_and_ipopt():
    p, x, y, c = kkt_problem()
    p.controls.nlpsolver = 1
    p.nlpoptimize()
    assert p.getrowinfo(ondrel.rowinfo_slack, c) == pytest.approx(p.getSlack(c), abs=1e-7)
    assert isinstance(p.getcolinfo(ondrel.colinfo_value, x), float)
    with pytest.raises(RuntimeError, match="did not use SLP"):
        p.getcolinfo(ondrel.colinfo_sb, x)
    p.controls.nlpsolver = 2
    p.nlpoptimize()
    assert p.getcolinfo(ondrel.colinfo_deltaindex, x) in (-1, 0)
    assert p.getcolinfo(ondrel.colinfo_sb, x) >= 0.0
    assert p.getrowinfo(ondrel.rowinfo_numpenaltyerrors, c) >= 0
    assert p.fixpenalties() >= 0


def test_state_services():
    p, x, y, c = kkt_problem()
    p.construct()
    assert p.getAttrib("nlpstate") & 1
    p.unconstruct()
    assert not p.getAttrib("nlpstate") & 1
    p.presolve()
    assert p.getAttrib("nlpstate") & 0x20000000
    p.chgvar(x, initvalue=1.25)
    p.setcurrentiv()
    assert p.getvar(y)[5] == 0.0 and p.getvar(x)[5] == 1.25
    p.nlpoptimize()
    p.setcurrentiv()
    assert p.getvar(x)[5] == pytest.approx(p.getSolution(x))
    p.reinitialize()
    with pytest.raises(RuntimeError, match="not been solved"):
        p.getslpsol([])
    p.setuniqueprefix()
    assert p.getAttrib("nlpuniqueprefix")
    p.updatelinearization()
    p.scaling()
    assert p.getdtime() >= 0.0
    assert p.getmessagetype(32) == 4
    p.printmsg(1, "a line")
    p.printevalinfo()
    p.printmemory()
    p.msclear()


def test_filesol_writes_every_column_and_row(tmp_path):
    p, x, y, c = kkt_problem()
    p.nlpoptimize()
    f = tmp_path / "sol.txt"
    p.filesol(str(f))
    lines = f.read_text().splitlines()
    # the nonlinear objective has its own row and column
    assert sum(1 for l in lines if l.startswith("C ")) == 3
    assert sum(1 for l in lines if l.startswith("R ")) == 3
    x_line = [l for l in lines if l.startswith("C " + x.name + " ")][0]
    assert float(x_line.split()[2]) == pytest.approx(p.getSolution(x))
    with pytest.raises(RuntimeError):
        p.filesol(str(tmp_path / "no" / "such" / "dir.txt"))


def test_copy_keeps_tolerance_sets_and_slp_data():
    p, x = quartic()
    p.loadtolsets([1e3] + [0.0] * 8)
    p.chgvar(x, tolset=1, stepbound=0.5)
    q = p.copy()
    assert q.getAttrib("nlptolsets") == 1
    assert q.gettolset(1, None) == 1
    q.controls.nlpiterlimit = 50
    q.nlpoptimize()                                 # the column's set exists in the copy
    assert q.getAttrib("nlpiter") <= 2


def test_fixed_penalties_leave_the_next_linearizations_without_penalty_columns():
    p, x, y, c = coupled()
    p.nlpoptimize()
    assert p.getrowinfo(ondrel.rowinfo_penaltycolumnplus, c) >= 0
    assert p.getrowinfo(ondrel.rowinfo_numpenaltyerrors, c) == 0    # never needed
    assert p.fixpenalties() == 1
    p.nlpoptimize()
    assert p.getrowinfo(ondrel.rowinfo_penaltycolumnplus, c) == -1
    sol = []
    p.getslpsol(sol)
    assert sol == pytest.approx([math.log(2), 3.0], abs=1e-4)
    p.chgrowwt(c, 3.0)                              # a change gives them back
    p.nlpoptimize()
    assert p.getrowinfo(ondrel.rowinfo_penaltycolumnplus, c) >= 0


def test_penalty_delta_lets_a_step_pass_its_bound_at_a_price():
    p, x = quartic(ub=2.0)                                  # optimum on the bound, one LP step away
    p.chgvar(x, stepbound=0.25, vartype=2, penalty=1e-9)   # cheap: the bound hardly binds
    assert slp_x(p, 1)[0] == pytest.approx(2.0)
    assert p.getvar(x)[12] >= 1                             # the LP column of the penalty delta
    p.chgvar(x, penalty=1e9)                                # dear: as a hard bound
    assert slp_x(p, 5)[0] <= 5 * 0.25 + 1e-6
    p.chgvar(x, vartype=0)
    slp_x(p, 5)
    assert p.getvar(x)[12] == -1
    # Too cheap for a wide box: rejected steps make it dearer, and SLP gets there.
    q, z = quartic()
    q.chgvar(z, stepbound=0.25, vartype=2, penalty=1e-9)
    assert slp_x(q, 20)[0] == pytest.approx(4.0, abs=0.05)


def test_damping_takes_a_share_of_each_step():
    p, x = quartic()
    full = slp_x(p, 1)[0]
    p.chgvar(x, damp=0.5)
    assert slp_x(p, 1)[0] == pytest.approx(full / 2)
    with pytest.raises(RuntimeError, match="damping"):
        p.chgvar(x, damp=0.0)
    assert p.getvar(x)[4] == 0.5
