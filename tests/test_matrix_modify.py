"""Matrix modification methods: each does its work, references come as
index, name or object, and every refusal leaves the problem as it was."""
import numpy as np
import pytest

import ondrel
from matrix_helpers import same, snapshot


@pytest.fixture
def p():
    """min -x - y: x + 2y <= 4 (a), 3x + y <= 6 (b); x, y in [0, 10]."""
    p = ondrel.problem()
    p.loadproblem("m", ["L", "L"], [4, 6], None, [-1, -1], [0, 2, 4], None, [0, 1, 0, 1], [1, 3, 2, 1],
                  [0, 0], [10, 10], colnames=["x", "y"], rownames=["a", "b"])
    return p


def test_addrows_makes_constraints_and_sends_names(p):
    p.addrows(["G", "R"], [1, 5], [0, 1, 3], ["x", 0, p.getVariable()[1]], np.array([1.0, 1, 1]),
              range=[0, 2], names=["c", "d"])
    cs = p.getConstraint()
    assert len(cs) == p.attributes.rows == 4 and [c.name for c in cs[2:]] == ["c", "d"]
    assert p.getIndex(cs[3]) == 3 and p.getcoef("d", "y") == 1.0 and p.getcoef(cs[2], 1) == 0.0
    t, r = [], []
    p.getrowtype(t, 2, 3)
    p.getrhsrange(r, "d", "d")
    assert t == ["G", "R"] and r == [2.0]


def test_addcols_makes_variables_with_types(p):
    p.addcols([1, 2], [0, 1, 2], ["a", p.getConstraint()[1]], [5, 6], [0, 1], [3, 4], names=["z", "w"],
              types=["I", "B"])
    xs = p.getVariable()
    assert [x.name for x in xs[2:]] == ["z", "w"]
    assert [x.vartype for x in xs[2:]] == [ondrel.integer, ondrel.binary]
    ct = []
    p.getcoltype(ct, "z", "w")
    assert ct == ["I", "B"] and p.getcoef("b", "w") == 6.0
    p.addcols([0], [0, 0], [], [], [0], [1])
    assert p.getVariable()[4].name.startswith("C")


REFUSED = [
    ("addrows", ([], [], [0], [], []), "No rows to add"),
    ("addrows", (["L"], [1], [0, 2, 3], [0, 1], [1, 1]), "expected 2, found 3"),
    ("addrows", (["L"], [1], [0, 2], [0, 1, 1], [1, 1, 1]), "expected 2, found 3"),
    ("addrows", (["L"], [1], [0, 2], [0, 7], [1, 1]), "out of range"),
    ("addrows", (["L"], [1], [0, 2], [0, "nope"], [1, 1]), "nope"),
    ("addrows", (["L"], [float("nan")], [0, 1], [0], [1]), "NaN"),
    ("addrows", (["L"], [1], [0, 1], [0], [1], None, []), "Cannot get row name indexed by 0"),
    ("addrows", (["L"], [1], [0, 1], [0], [1], None, [7]), "Cannot convert constraint name"),
    ("addrows", (["L"], None, [0, 1], [0], [1]), "Must provide arguments qrtype, rhs, mstart, mclind, dmatval"),
    ("addrows", (["L"],), "Must provide arguments qrtype, rhs, mstart, mclind, dmatval"),
    ("addrows", (["L"], [1], [0, 1], [ondrel.var() <= 1], [1]), "Invalid variable object"),
    ("addcols", ([1], [0, 1], [0], [1], [0], [1], ["z"], ["Q"]), "Incorrect variable type"),
    ("addcols", ([1], [0, 1], [5], [1], [0], [1]), "out of range"),
    ("addcols", ([1], [0, 1], [0], [1], [0]), None),
    ("addcols", ([1], [0, 1], [0], [1], [0], None), "Must provide arguments objx, mstart, mrwind, dmatval, bdl, bdu"),
    ("addcols", ([1], [0, 1], [0], [1], [0], [1], ["z", "w"]), "Incorrect length of variable name list"),
    ("addcols", ([1], [0, 1], [0, 1], [1], [0], [1]), "expected 2, found 1"),
    ("chgobj", ([0, 1], [1]), "Mismatched lengths in arguments: expected 2, found 1"),
    ("chgobj", ([0], None), "Must provide arguments mindex, obj"),
    ("chgobj", ([9], [1]), "out of range"),
    ("chgobj", (["nope"], [1]), "nope"),
    ("chgobj", ([ondrel.var()], [1]), "not in problem"),
    ("chgobj", ([ondrel.var() <= 1], [1]), "Invalid variable object"),
    ("chgobj", ({0: 1}, [1]), "Invalid sequence of objects"),
    ("chgobj", ([0], ["x"]), "must be real number|float"),
    ("chgrhs", ([ondrel.var()], [1]), "Invalid constraint object"),
    ("chgrhs", ([0], None), "Must provide arguments mindex, rhs"),
    ("chgrhs", ([0], [float("nan")]), "NaN"),
    ("chgrhsrange", ([0], None), "Must provide arguments mindex, rng"),
    ("chgrhsrange", ([0], [1]), "'R'|range"),
    ("chgrowtype", ([0], None), "Must provide arguments mindex and qrtype"),
    ("chgrowtype", ([0], ["Z"]), "type"),
    ("chgrowtype", ([0], ["LL"]), "string of length 1"),
    ("chgcoltype", ([0], None), "Must provide arguments mindex, qctype"),
    ("chgcoltype", ([0], ["Z"]), "type"),
    ("chgbounds", ([0], ["U"], None), "Must provide arguments mindex, qbtype, bnd"),
    ("chgbounds", ([0], ["X"], [1]), "ound"),
    ("chgbounds", ([0], ["U"], [float("nan")]), "NaN"),
    ("chgmcoef", ([0], [0]), "Must provide arguments mrow, mcol, dval"),
    ("chgmcoef", ([0], [0], [1, 2]), "expected 1, found 2"),
    ("chgmcoef", ([5], [0], [1]), "out of range"),
    ("chgmqobj", ([0], [0], None), "Must provide arguments mqcol1, mqcol2, dval"),
    ("chgmqobj", ([0], [5], [1]), "out of range"),
    ("chgglblimit", ([0], None), "Must provide arguments mindex, dlimit"),
    ("chgglblimit", ([0], [1]), "'S'|limit|semi"),
    ("chgcoef", (0, 9, 1.0), "out of range"),
    ("chgcoef", ("a", "nope", 1.0), "nope"),
    ("chgcoef", (0, 0, "v"), None),
    ("chgqobj", (0, 7, 1.0), "out of range"),
    ("chgqrowcoeff", (0, 0, 7, 1.0), "out of range"),
    ("addqmatrix", (0, [0], [1], None), "Must provide arguments mqc1, mqc2, dqe"),
    ("addqmatrix", (7, [0], [1], [1]), "out of range"),
    ("addqmatrix", (0, [0], [1, 0], [1]), "expected 1, found 2"),
    ("delqmatrix", (7,), "out of range"),
    ("delqmatrix", (ondrel.var(),), "Invalid constraint object"),
    ("setindicators", ([0], [5], [1]), "out of range"),
    ("scale", ([1],), "expected 2, found 1"),
    ("scale", ([1, 1], [1.5, 0]), "Integer expected"),
    ("scale", ([1, 1], [100, 0]), "64|range"),
    ("chgobjsense", ("max",), None),
]


@pytest.mark.parametrize("method,args,message", REFUSED,
                         ids=[f"{m}-{i}" for i, (m, _, _) in enumerate(REFUSED)])
def test_refused_change_leaves_the_problem_as_it_was(p, method, args, message):
    before = snapshot(p)
    with pytest.raises((RuntimeError, TypeError, ValueError, OverflowError)) as err:
        getattr(p, method)(*args)
    if message:
        import re
        assert re.search(message, str(err.value)), str(err.value)
    same(before, snapshot(p))


def test_array_changes_by_index_name_and_object(p):
    x, y = p.getVariable()
    a, b = p.getConstraint()
    p.chgobj([x, "y"], [2, 3])
    p.chgrhs(np.array([0, 1]), [5, 7])
    p.chgrowtype(["a"], ["G"])
    p.chgbounds([y, y], ["L", "U"], [1, 2])
    p.chgmcoef([a, 1], ["x", y], [4, 0])
    p.chgcoltype([0], ["I"])
    o, r, t, lb, ub, ct = [], [], [], [], [], []
    p.getobj(o, 0, 1), p.getrhs(r, 0, 1), p.getrowtype(t, a, b), p.getlb(lb), p.getub(ub), p.getcoltype(ct, 0, 1)
    assert (o, r, t, lb, ub, ct) == ([2, 3], [5, 7], ["G", "L"], [0, 1], [10, 2], ["I", "C"])
    assert p.getcoef(0, 0) == 4 and p.getcoef("b", "y") == 0
    p.chgcoef(b, x, 0.5)
    assert p.getcoef(1, 0) == 0.5
    # a repeated index in one list takes the last value
    p.chgobj([0, 0], [8, 9])
    p.getobj(o, 0, 0)
    assert o == [9]


def test_range_rows_and_limits(p):
    p.chgrowtype([0], ["R"])
    p.chgrhsrange([0], [3])
    r = []
    p.getrhsrange(r, 0, 1)
    assert r == [3.0, 1e20]
    p.chgcoltype([1], ["S"])
    p.chgglblimit([1], [0.5])
    g = [[] for _ in range(7)]
    p.getglobal(*g)
    assert g[:3] == [["S"], [1], [0.5]]


def test_quadratic_objective_and_rows(p):
    p.chgmqobj([0, 0], [0, 1], [2, 1])
    assert p.getqobj(0, 0) == 2 and p.getqobj(1, 0) == 1
    p.chgqobj("y", "y", 4)
    s, c, v = [], [], []
    assert p.getmqobj(s, c, v, 100, 0, 1) == 4
    assert s == [0, 2, 4] and c == [p.getVariable()[i] for i in (0, 1, 0, 1)] and v == [2, 1, 1, 4]
    p.delqmatrix(-1)
    assert p.getmqobj([], [], [], 100, 0, 1) == 0
    row = p.getConstraint()[1]
    p.addqmatrix(row, [0, 1], [1, 1], [0.5, 2])
    p.addqmatrix(1, [0], [1], [0.5])
    assert p.getqrowcoeff(row, 1, 0) == 1.0 and p.getqrowcoeff("b", "y", "y") == 2.0
    p.chgqrowcoeff(1, 0, 0, 3)
    a, b, v = [], [], []
    p.getqrowqmatrixtriplets(row, a, b, v)
    assert [(p.getIndex(i), p.getIndex(j)) for i, j in zip(a, b)] == [(0, 0), (0, 1), (1, 1)] and v == [3, 1, 2]
    s, m, v = [], [], []
    assert p.getqrowqmatrix(row, s, m, v, 2, 0, 1) == 4
    assert s[0] == 0 and len(m) == len(v) == 2
    p.delqmatrix(row)
    q = []
    p.getqrows(q)
    assert q == []


def test_objective_sense_any_value_but_one_maximizes(p):
    p.chgobjsense(0)
    p.lpoptimize()
    assert p.getObjVal() == pytest.approx(0)
    p.chgobjsense(1)
    p.lpoptimize()
    assert p.getObjVal() == pytest.approx(-2.8)


def test_nonlinear_problem_sense_goes_to_the_nonlinear_layer():
    p = ondrel.problem()
    x = ondrel.var(lb=-5, ub=5)
    p.addVariable(x)
    p.setObjective(ondrel.exp(x))
    p.chgobjsense(-1)
    p.solve()
    assert p.getSolution(x) == pytest.approx(5, abs=1e-4)
    p.chgobjsense(1)
    p.solve()
    assert p.getSolution(x) == pytest.approx(-5, abs=1e-4)


def test_indicators_set_and_read_back(p):
    p.addcols([0], [0, 0], [], [], [0], [1], names=["b"], types=["B"])
    p.setindicators(["a"], ["b"], [-1])
    inds, comps = [], []
    p.getindicators(inds, comps, 0, 1)
    assert inds == [p.getVariable()[2], -1] and comps == [-1, 0]
    p.setindicators([0], [2], [0])
    p.getindicators(inds, comps, 0, 1)
    assert inds == [-1, -1]
    assert p.getindicators(inds, comps, 1, 0) is None


def test_scale_keeps_the_results(p):
    p.scale([1, -2], np.array([3, 0], dtype=np.int32))
    p.scale()
    p.lpoptimize()
    assert p.getObjVal() == pytest.approx(-2.8) and p.getSolution() == pytest.approx([1.6, 1.2])


def test_chgobj_after_a_solve_and_the_constant(p):
    p.lpoptimize()
    p.chgobj([-1], [5])
    assert p.attributes.objconstant == -5
    p.lpoptimize()
    assert p.getObjVal() == pytest.approx(-2.8 - 5)


def test_refused_addrows_takes_its_objects_out_again(p):
    n = len(p.getConstraint())
    with pytest.raises(RuntimeError):
        p.addrows(["L", "L"], [1, 2], [0, 1, 2], [0, 9], [1, 1], names=["u", "v"])
    assert len(p.getConstraint()) == n == p.attributes.rows
    p.addrows(["L"], [1], [0, 1], [0], [1])
    assert p.getIndex(p.getConstraint()[-1]) == n


def test_delrows_delcols_delsets_follow_the_modelling_objects(p):
    p.addcols([0, 0], [0, 0, 0], [], [], [0, 0], [1, 1], names=["s1", "s2"])
    p.addSOS(ondrel.sos(p.getVariable()[2:], [1, 2], type=1))
    before = snapshot(p)
    with pytest.raises(RuntimeError, match="Index out of bounds"):
        p.delrows([0, 7])
    with pytest.raises(RuntimeError, match="^Must provide argument indices$"):
        p.delcols(None)
    assert same(snapshot(p), before)
    p.delsets(0)
    assert p.attributes.sets == 0 and p.getSOS() == []
    p.delcols(["s1", p.getVariable()[3]])
    p.delrows("a")
    assert [x.name for x in p.getVariable()] == ["x", "y"] and [c.name for c in p.getConstraint()] == ["b"]
    b = p.getConstraint()[0]
    assert p.getIndex(b) == 0 and p.getcoef(b, "x") == 3.0
    p.delcols(0)
    assert p.getIndex(p.getVariable()[0]) == 0 and p.getcoef(0, 0) == 1.0  # y moved to column 0
    p.solve()
    assert p.getObjVal() == pytest.approx(-6.0)


def test_chgcoltype_retypes_the_variables():
    p = ondrel.problem()
    x, y = ondrel.var("x", ub=5), ondrel.var("y", lb=1, ub=3)
    p.addVariable(x, y)
    p.chgcoltype([x, 1], ["I", "S"])
    assert (x.vartype, y.vartype) == (ondrel.integer, ondrel.semicontinuous)
    assert (x.ub, y.lb, y.ub) == (5, 1, 3)
    # a refused change leaves both the problem and the variables as they were
    with pytest.raises(RuntimeError):
        p.chgcoltype([x, y], ["C", "Z"])
    assert (x.vartype, y.vartype) == (ondrel.integer, ondrel.semicontinuous)
    ct = []
    p.getcoltype(ct, 0, 1)
    assert ct == ["I", "S"]
