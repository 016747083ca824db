"""Solution analysis methods: bases, basis solves against dense algebra,
rays as Farkas certificates, ranging against re-solves with perturbed data,
calculations against the solver's own values, and the state errors."""
import numpy as np
import pytest

import ondrel


A = np.array([[1.0, 2.0], [3.0, 1.0]])


def lp(presolve=0, cost=(-1.0, -1.0), rhs=(4.0, 6.0)):
    """min -x - y  s.t.  x + 2y <= 4,  3x + y <= 6,  x, y >= 0."""
    p = ondrel.problem()
    x, y = ondrel.var(name="x"), ondrel.var(name="y")
    p.addVariable(x, y)
    c1, c2 = x + 2 * y <= rhs[0], 3 * x + y <= rhs[1]
    p.addConstraint(c1, c2)
    p.setObjective(cost[0] * x + cost[1] * y)
    p.controls.presolve = presolve
    return p, (x, y), (c1, c2)


def solved(presolve=0):
    p, v, c = lp(presolve)
    p.lpoptimize()
    assert p.attributes.lpstatus == 1
    return p, v, c


def dense_basis(p):
    """The basis matrix in pivot order, from the problem's own rows."""
    piv = []
    p.getpivotorder(piv)
    rows = p.attributes.rows
    variables = p.getVariable()
    constraints = p.getConstraint()
    B = np.zeros((rows, rows))
    for k, obj in enumerate(piv):
        if isinstance(obj, ondrel.constraint):
            B[[i for i, o in enumerate(constraints) if o is obj][0], k] = 1.0
        else:
            B[:, k] = A[:, [j for j, o in enumerate(variables) if o is obj][0]]
    return B


def test_btran_ftran_agree_with_a_dense_solve():
    p, _, _ = solved()
    B = dense_basis(p)
    r = [1.0, -2.5]
    f, b = list(r), list(r)
    p.ftran(f)
    p.btran(b)
    assert np.allclose(f, np.linalg.solve(B, r))
    assert np.allclose(b, np.linalg.solve(B.T, r))
    assert p.basisstability(0, 1, 0) == pytest.approx(np.linalg.cond(B, 1), rel=1e-9)
    with pytest.raises(RuntimeError):
        p.ftran([1.0])          # wrong length
    t = (1.0, 2.0)
    with pytest.raises(RuntimeError, match="Argument of type List required"):
        p.btran(t)


def test_loaded_optimal_basis_resolves_without_iterations():
    p, _, _ = solved()
    r, c = [], []
    p.getbasis(r, c)
    assert c == [1, 1] and r == [2, 2]       # binding rows sit at their upper end
    q, _, _ = lp()
    q.loadbasis(r, c)
    q.lpoptimize()
    assert q.attributes.lpstatus == 1 and q.attributes.simplexiter == 0
    with pytest.raises(RuntimeError, match="Must provide argument rstatus, cstatus"):
        q.loadbasis(None, c)
    with pytest.raises(RuntimeError, match="Basis status 7 of column 0"):
        q.loadbasis(r, [7, 1])
    with pytest.raises(RuntimeError, match=r"Must provide arguments \(as lists\) of get\[presolve\]basis"):
        q.getbasis([], None)


def test_loadlpsol_gives_a_warm_start():
    p, _, _ = solved()
    x, s = [], []
    p.getlpsol(x, s)
    q, _, _ = lp()
    assert q.loadlpsol(x, s) == 0
    q.lpoptimize()
    assert q.attributes.simplexiter == 0
    assert q.loadlpsol() in (0, 1)


@pytest.mark.parametrize("which", ["objsa", "rhssa"])
def test_ranging_matches_re_solves(which):
    p, v, c = solved()
    lo, up = [], []
    getattr(p, which)(list(v) if which == "objsa" else list(c), lo, up)
    r0, c0 = [], []
    p.getbasis(r0, c0)
    for k in range(2):
        for edge, inside in ((lo[k], 1), (up[k], -1)):
            # Just inside the range the optimal basis stays; just outside it changes.
            for step, same in ((inside * 1e-3, True), (-inside * 1e-3, False)):
                data = [-1.0, -1.0] if which == "objsa" else [4.0, 6.0]
                data[k] = edge + step
                q, _, _ = lp(**{"cost" if which == "objsa" else "rhs": data})
                q.lpoptimize()
                r, cc = [], []
                q.getbasis(r, cc)
                assert ((r, cc) == (r0, c0)) == same, (which, k, data)
    with pytest.raises(RuntimeError, match="Must provide arguments mindex, lower, and upper"):
        getattr(p, which)(None, lo, up)


def test_primal_ray_of_an_unbounded_lp():
    p = ondrel.problem()
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x, y)
    p.addConstraint(x - y <= 1)
    p.setObjective(-x - y)
    p.lpoptimize()
    assert p.attributes.lpstatus == 5
    assert p.hasprimalray() and not p.hasdualray()
    d = []
    p.getprimalray(d)
    d = np.array(d)
    assert (d >= -1e-9).all() and d[0] - d[1] <= 1e-9 and -d.sum() < -1e-9
    assert p.getunbvec() in (1, 2)
    unchanged = ["keep"]
    assert p.getdualray(unchanged) is None and unchanged == ["keep"]
    with pytest.raises(RuntimeError, match="Must provide argument to retrieve"):
        p.getprimalray(None)


def test_dual_ray_of_an_infeasible_lp_is_a_farkas_certificate():
    p = ondrel.problem()
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x, y)
    p.addConstraint(x + y <= 1, x + 2 * y >= 3)
    p.setObjective(x + y)
    p.lpoptimize()
    assert p.attributes.lpstatus == 2 and p.hasdualray()
    yv = []
    p.getdualray(yv)
    A = np.array([[1.0, 1.0], [1.0, 2.0]])
    yv = np.array(yv)
    s = 1.0 if yv[0] <= 1e-12 else -1.0
    yv = s * yv                      # L row <= 0, G row >= 0
    assert yv[0] <= 1e-9 and yv[1] >= -1e-9
    assert (A.T @ yv <= 1e-9).all()  # no column x, y >= 0 can use it
    assert yv @ np.array([1.0, 3.0]) > 1e-9
    with pytest.raises(RuntimeError, match="did not find the problem unbounded"):
        p.getunbvec()


def test_calculations_agree_with_the_solver():
    p, v, c = solved()
    x, s, d, dj = [], [], [], []
    p.getlpsol(x, s, d, dj)
    assert p.calcobjective(x) == pytest.approx(p.attributes.lpobjval)
    s2, dj2, dj3 = [], [], []
    p.calcslacks(x, s2)
    p.calcreducedcosts(d, None, dj2)
    p.calcreducedcosts(d, x, dj3)
    assert s2 == pytest.approx(s) and dj2 == pytest.approx(dj) and dj3 == pytest.approx(dj)
    for prop in (ondrel.solinfo_absprimalinfeas, ondrel.solinfo_relprimalinfeas,
                 ondrel.solinfo_absdualinfeas, ondrel.solinfo_reldualinfeas,
                 ondrel.solinfo_maxmipfractional):
        assert p.calcsolinfo(x, d, prop) == pytest.approx(0, abs=1e-9)
    assert p.calcsolinfo([4.0, 0.0], d, ondrel.solinfo_absprimalinfeas) == pytest.approx(6)
    lists = [["keep"] for _ in range(4)]
    assert p.getinfeas(*lists) is None and lists == [["keep"]] * 4
    for call, msg in ((lambda: p.calcobjective(None), "Must provide argument solution"),
                      (lambda: p.calcslacks(x, None), "Must provide arguments solution and calculatedslacks"),
                      (lambda: p.calcreducedcosts(None, x, []), "Must provide arguments duals and calculateddjs"),
                      (lambda: p.calcsolinfo(x, None, 0), "Must provide arguments solution and dual"),
                      (lambda: p.calcsolinfo(x, d, 9), "Unknown solution property 9")):
        with pytest.raises(RuntimeError, match=msg):
            call()


@pytest.mark.parametrize("scaled", [False, True])
def test_infeasibility_lists_name_the_violations(scaled):
    # Stopped before the first iteration at x = y = 0: the row x + y >= 2
    # is violated, and -x - y gives both columns a wrong-signed reduced cost.
    for objective, alg, expected in ((1, "d", (0, 1, 0, 0)), (-1, "p", (0, 0, 0, 2))):
        p = ondrel.problem()
        x, y = ondrel.var(ub=5), ondrel.var(ub=5)
        p.addVariable(x, y)
        c = (x + y >= 2) if objective > 0 else (x + y <= 2)
        p.addConstraint(c)
        p.setObjective(objective * (x + 2 * y))
        p.controls.presolve = 0
        p.controls.lpiterlimit = 0
        p.lpoptimize(alg)
        lists = [[], [], [], []]
        assert (p.getscaledinfeas if scaled else p.getinfeas)(*lists) is None
        assert tuple(len(l) for l in lists) == expected
        if expected[1]:
            assert lists[1] == [c]
        if expected[3]:
            assert lists[3] == [x, y]
    p.setObjective(x)
    with pytest.raises(RuntimeError, match="has not been solved"):
        p.getinfeas([], [], [], [])


def test_state_errors_name_why():
    p, v, c = lp()
    for call, msg in ((lambda: p.getbasis([], []), "No basis available"),
                      (lambda: p.btran([1.0, 2.0]), "there is no basis"),
                      (lambda: p.objsa([v[0]], [], []), "not an optimal LP solve"),
                      (lambda: p.getpresolvemap([], []), "not in a presolved form"),
                      (lambda: p.fixglobals(True), "no integer solution")):
        with pytest.raises(RuntimeError, match=msg):
            call()
    assert p.hasprimalray() is False
    ray = ["keep"]
    assert p.getprimalray(ray) is None and ray == ["keep"]
    p.postsolve()  # nothing presolved: nothing to do


def test_fixglobals_fixes_integer_columns_at_the_mip_solution():
    p = ondrel.problem()
    x = ondrel.var(vartype=ondrel.integer, ub=10)
    y = ondrel.var(ub=10)
    p.addVariable(x, y)
    p.addConstraint(2 * x + y <= 7.5)
    p.setObjective(-x - y, sense=ondrel.minimize)
    p.mipoptimize()
    sol = []
    p.getmipsol(sol)
    p.fixglobals(True)
    # Fixed at 3: the LP now finds the best y for it.
    p.lpoptimize()
    v = []
    p.getlpsol(v)
    assert v == pytest.approx([round(sol[0]), 7.5 - 2 * round(sol[0])])


def test_getpivots_runs_the_ratio_test():
    p, (x, y), (c1, c2) = solved()
    out, vals = [], []
    # Row c1 leaves its bound: y leaves the basis, x rises to 2.
    obj, npiv = p.getpivots(c1, out, vals, 3)
    assert npiv == 1 and out == [y]
    assert obj == pytest.approx(-2.0)
    assert vals == pytest.approx([2.0, 0.0, 2.0, 0.0])  # slacks, then x, y
    with pytest.raises(RuntimeError, match="is basic"):
        p.getpivots(x, out, vals, 3)
    piv = []
    p.getpivotorder(piv)
    assert {id(o) for o in piv} == {id(x), id(y)}


def test_pivot_objects_of_the_presolved_form_are_the_original_ones():
    p = ondrel.problem()
    x, y, z = ondrel.var(name="x"), ondrel.var(name="y"), ondrel.var(name="z", lb=1, ub=1)
    p.addVariable(x, y, z)
    p.addConstraint(x + 2 * y <= 4, 3 * x + y + z <= 7, z <= 10)
    p.setObjective(-x - y)
    p.lpoptimize()
    if p.attributes.rows == p.attributes.originalrows or p.attributes.rows == 0:
        pytest.skip("presolve left nothing to map")
    rmap, cmap = [], []
    p.getpresolvemap(rmap, cmap)
    piv = []
    p.getpivotorder(piv)
    originals = {id(o) for o in rmap + cmap}
    assert all(id(o) in originals for o in piv)


@pytest.mark.parametrize("norm, np_norm", [(0, np.inf), (1, 1), (2, "fro")])
def test_basisstability_norms(norm, np_norm):
    p, _, _ = solved()
    B = dense_basis(p)
    Bi = np.linalg.inv(B)
    assert p.basisstability(2, norm, 0) == pytest.approx(np.linalg.norm(B, np_norm))
    assert p.basisstability(1, norm, 1) == pytest.approx(np.linalg.norm(Bi, np_norm))
    with pytest.raises(RuntimeError, match="Unknown norm 3"):
        p.basisstability(0, 3, 0)


def test_calculations_of_a_quadratic_objective():
    p = ondrel.problem()
    x, y = ondrel.var(lb=-10), ondrel.var(lb=-10)
    p.addVariable(x, y)
    c = x + y >= 1
    p.addConstraint(c)
    p.setObjective(x * x + x * y + 2 * y * y + 3 * x + 1)
    p.lpoptimize()
    sol, s, d, dj = [], [], [], []
    p.getlpsol(sol, s, d, dj)
    assert p.calcobjective(sol) == pytest.approx(p.attributes.lpobjval)
    got = []
    p.calcreducedcosts(d, sol, got)
    assert got == pytest.approx(dj, abs=1e-7)
    with pytest.raises(RuntimeError, match="A solution is needed"):
        p.calcreducedcosts(d, None, [])
    # A dual of the wrong sign for a 'G' row is a dual infeasibility.
    assert p.calcsolinfo(sol, [-1.0], ondrel.solinfo_absdualinfeas) > 0.5
