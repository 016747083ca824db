"""loadproblem: whole problems from arrays, the loader each set of parts
selects, the group and length checks, and that a refused load changes
nothing."""
import os
import re

import numpy as np
import pytest

import ondrel
from matrix_helpers import load_arrays, same, snapshot

HERE = os.path.dirname(os.path.abspath(__file__))
INSTANCES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data", "instances"))

ROUND_TRIP = [("afiro", -4.6475314286e+02), ("adlittle", 2.2549496316e+05), ("israel", -8.9664482186e+05),
              ("scrs8", 9.0429695380e+02), ("stair", -2.5126695119e+02), ("standata", 1.2576995000e+03),
              ("lseu", 1120), ("p0548", 8691), ("flugpl", 1201500), ("egout", 568.1007)]


@pytest.mark.skipif(not os.path.isdir(INSTANCES), reason="instance folder not present")
@pytest.mark.parametrize("name,optimum", ROUND_TRIP, ids=[n for n, _ in ROUND_TRIP])
@pytest.mark.parametrize("as_numpy", [False, True], ids=["lists", "numpy"])
def test_instance_read_back_and_loaded_reaches_its_optimum(name, optimum, as_numpy):
    src = ondrel.problem()
    src.read(os.path.join(INSTANCES, name + ".mps"))
    kw = load_arrays(src)
    if as_numpy:
        for k, v in kw.items():
            if isinstance(v, list) and k not in ("colnames", "rownames") and v:
                kw[k] = np.array(v)
    p = ondrel.problem()
    p.loadproblem(**kw)
    assert len(p.getVariable()) == p.attributes.cols == src.attributes.cols
    assert len(p.getConstraint()) == p.attributes.rows == src.attributes.rows
    a, b = snapshot(src), snapshot(p)
    for k in ("variables", "constraints"):
        a.pop(k), b.pop(k)
    same(a, b)
    # the modelling layer sees the loaded problem: names and variable types
    assert [v.name for v in p.getVariable()] == [v.name for v in src.getVariable()]
    assert [v.vartype for v in p.getVariable()] == [v.vartype for v in src.getVariable()]
    j = next(j for j in range(len(kw["colnames"])) if kw["mstart"][j + 1] > kw["mstart"][j])
    k = kw["mstart"][j]
    assert p.getcoef(kw["rownames"][kw["mrwind"][k]], kw["colnames"][j]) == kw["dmatval"][k]
    p.solve()
    assert p.getObjVal() == pytest.approx(optimum, rel=2e-4 if "qgtype" in kw else 1e-6)


def small(**extra):
    """max x + y: x + 2y <= 4, 3x + y <= 6, x, y in [0, 10]"""
    kw = dict(probname="small", qrtypes=["L", "L"], rhs=[4, 6], range=None, obj=[-1, -1],
              mstart=[0, 2, 4], mnel=None, mrwind=[0, 1, 0, 1], dmatval=[1, 3, 2, 1], dlb=[0, 0], dub=[10, 10])
    kw.update(extra)
    return kw


def solved(p):
    p.lpoptimize() if not p.attributes.mipents and not p.attributes.sets else p.mipoptimize()
    return p.getObjVal(), p.getSolution()


def test_required_keywords_only_load_an_lp_with_default_names():
    p = ondrel.problem()
    p.loadproblem(**small())
    xs, cs = p.getVariable(), p.getConstraint()
    assert all(re.fullmatch(r"C\d+", x.name) for x in xs) and xs[0].name != xs[1].name
    assert all(re.fullmatch(r"R\d+", c.name) for c in cs) and cs[0].name != cs[1].name
    assert p.getIndex(xs[1]) == 1 and p.getIndex(cs[1]) == 1
    obj, x = solved(p)
    assert obj == pytest.approx(-2.8) and x == pytest.approx([1.6, 1.2])


def test_mnel_starts_have_one_entry_per_column():
    p = ondrel.problem()
    # entry 2 belongs to no column: with mnel, columns need not be contiguous
    p.loadproblem(**small(mstart=[0, 3], mnel=[2, 2], mrwind=[0, 1, 0, 0, 1], dmatval=[1, 3, 99, 2, 1]))
    assert solved(p)[0] == pytest.approx(-2.8)
    with pytest.raises(RuntimeError, match="expected 2, found 3"):
        ondrel.problem().loadproblem(**small(mstart=[0, 2, 4], mnel=[2, 2]))


def test_names_reach_the_library_and_the_objects():
    p = ondrel.problem()
    p.loadproblem(**small(colnames=["x", "y"], rownames=["a", "b"]))
    assert p.getVariable()[0].name == "x" and p.getConstraint()[1].name == "b"
    assert p.getcoef("b", "x") == 3.0


def test_global_entities_set_the_variable_types():
    p = ondrel.problem()
    p.loadproblem(**small(qgtype=["I"], mgcols=[1]))
    assert [x.vartype for x in p.getVariable()] == [ondrel.continuous, ondrel.integer]
    obj, x = solved(p)
    assert x[1] == pytest.approx(round(x[1])) and obj == pytest.approx(-8 / 3)
    t = []
    p.getcoltype(t, 0, 1)
    assert t == ["C", "I"]


def test_semicontinuous_limits_and_sets_load():
    p = ondrel.problem()
    p.loadproblem(**small(qgtype=["S"], mgcols=[0], dlim=[1.5], qstype=["1"], msstart=[0, 2], mscols=[0, 1],
                          dref=[1, 2]))
    g = [[] for _ in range(7)]
    p.getglobal(*g)
    assert g[:3] == [["S"], [0], [1.5]]
    assert g[3:5] == [["1"], [0, 2]] and g[5] == p.getVariable() and g[6] == [1.0, 2.0]
    obj, x = solved(p)
    assert min(x) == pytest.approx(0, abs=1e-9)  # at most one of the set nonzero


def test_quadratic_objective_and_rows_select_the_quadratic_loaders():
    # min x^2 + y^2 - x - y  with x + y >= 1.5 and x^2 <= 0.36 (row 1)
    kw = dict(probname="q", qrtypes=["G", "L"], rhs=[1.5, 0.36], range=None, obj=[-1, -1], mstart=[0, 1, 2],
              mnel=None, mrwind=[0, 0], dmatval=[1, 1], dlb=[-10, -10], dub=[10, 10],
              mqcol1=[0, 1], mqcol2=[0, 1], dqe=[2, 2])
    p = ondrel.problem()
    p.loadproblem(**kw)
    assert p.getqobj(0, 0) == 2.0 and p.getqobj(0, 1) == 0.0
    p.lpoptimize()
    assert p.getObjVal() == pytest.approx(-0.375)
    q = ondrel.problem()
    q.loadproblem(**kw, qcrows=[1], qcnquads=[1], qcmqcol1=[0], qcmqcol2=[0], qcdqval=[1])
    rows = []
    q.getqrows(rows)
    assert rows == [q.getConstraint()[1]] and q.getqrowcoeff(1, 0, 0) == 1.0
    q.solve()
    assert q.getSolution()[0] == pytest.approx(0.6, abs=1e-5)


@pytest.mark.parametrize("extra,message", [
    (dict(mqcol1=[0], mqcol2=[0]), "for the quadratic objective component"),
    (dict(qcrows=[0], qcnquads=[1], qcmqcol1=[0], qcmqcol2=[0]), "for the quadratic rows component"),
    (dict(dlim=[1]), "for the global entities"),
    (dict(qgtype=["I"]), "for the global entities"),
    (dict(qstype=["1"], msstart=[0, 1], mscols=[0]), "for the SOS"),
])
def test_incomplete_groups_are_refused(extra, message):
    p = ondrel.problem()
    with pytest.raises(RuntimeError, match="Incomplete list of parameters specified " + message):
        p.loadproblem(**small(**extra))


@pytest.mark.parametrize("extra,message", [
    (dict(rhs=[4, 6, 1]), "Mismatched lengths in arguments: expected 2, found 3"),
    (dict(obj=[1, 1], dlb=[0]), "Mismatched lengths in arguments: expected 2, found 1"),
    (dict(mstart=[0, 2]), "Mismatched lengths in arguments: expected 3, found 2"),
    (dict(mrwind=[0, 1, 0]), "Mismatched lengths in arguments: expected 4, found 3"),
    (dict(mstart=[0, 3, 2]), "Invalid start or length of column 0"),
    (dict(mstart=[1, 0], mnel=[2, 2]), "Invalid start or length of column 0"),
    (dict(mstart=[0, 2, 4], mrwind=[0, 1, 0, 5]), "Row index 5 out of range"),
    (dict(dmatval=[1, float("nan"), 2, 1]), "NaN"),
    (dict(mrwind=[0, 1, 0.0, 1]), "Integer expected, found 0.0"),
    (dict(mrwind=np.array([0.0, 1, 0, 1])), "Integer expected"),
    (dict(mrwind=np.zeros((2, 2), dtype=int)), "Invalid sequence of objects"),
    (dict(qrtypes=["L", "X"]), "row type|Row type|type 'X'"),
    (dict(qrtypes=["L", "LL"]), "string of length 1"),
    (dict(obj={0: 1, 1: 2}), "Invalid sequence of objects"),
    (dict(qcrows=[0], qcnquads=[-1], qcmqcol1=[], qcmqcol2=[], qcdqval=[]), "Invalid number of quadratic terms"),
    (dict(qstype=["1"], msstart=[0, 3], mscols=[0, 1], dref=[1, 2]), "expected 3, found 2"),
    (dict(qgtype=["Q"], mgcols=[0]), "Incorrect variable type"),
    (dict(colnames=["x"]), "Incorrect length of variable name list"),
    (dict(rownames=["a"]), "Cannot get row name indexed by 1"),
    (dict(colnames=["x", 3]), "Erroneous name for variable 1"),
    (dict(obj=[], mstart=[0]), "at least one column"),
])
def test_refused_load_changes_nothing(extra, message):
    p = ondrel.problem()
    p.loadproblem(**small(colnames=["u", "v"], rownames=["r1", "r2"]))
    p.chgcoef(0, 0, 5.0)
    before = snapshot(p)
    with pytest.raises((RuntimeError, TypeError), match=message):
        p.loadproblem(**small(**extra))
    same(before, snapshot(p))
    assert p.getcoef("r1", "u") == 5.0


def test_load_replaces_the_previous_content_and_its_objects():
    p = ondrel.problem()
    x = ondrel.var(name="old")
    p.addVariable(x)
    p.addConstraint(x <= 3)
    p.addSOS(ondrel.sos([x], [1]))
    p.loadproblem(**small())
    assert len(p.getVariable()) == 2 and len(p.getConstraint()) == 2 and p.getSOS() == []
    with pytest.raises(RuntimeError):
        p.getIndex(x)
    assert solved(p)[0] == pytest.approx(-2.8)


def test_iterators_and_tuples_are_taken_as_arrays():
    p = ondrel.problem()
    p.loadproblem(**small(qrtypes=iter("LL"), rhs=(4, 6), dmatval=(v for v in [1, 3, 2, 1]),
                          mrwind=np.array([0, 1, 0, 1], dtype=np.int32), obj=np.array([-1, -1], dtype=np.int64)))
    assert solved(p)[0] == pytest.approx(-2.8)
