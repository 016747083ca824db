"""Building models into a problem: variables, constraints, objective,
sets, indicators, lookup and deletion, checked through what the library
holds (its attributes and files)."""
import os

import numpy as np
import pytest

import ondrel


def same(found, expected):
    """The same objects in the same order (identity: modelling objects
    build constraints when compared with ==)."""
    return len(found) == len(expected) and all(a is b for a, b in zip(found, expected))


@pytest.fixture
def p():
    return ondrel.problem("build")


def cols(p):
    return p.getAttrib("cols")


def rows(p):
    return p.getAttrib("rows")


def test_add_variables_in_any_nesting(p):
    x, y, z, w = (ondrel.var(name=n) for n in "xyzw")
    p.addVariable()
    p.addVariable([], ())
    assert cols(p) == 0
    p.addVariable(x, [y, (z,)], {"a": w})
    assert [v.name for v in p.getVariable()] == ["x", "y", "z", "w"]
    assert [p.getIndex(v) for v in (x, y, z, w)] == [0, 1, 2, 3]
    a = np.array([ondrel.var() for _ in range(3)], dtype=object)
    p.addVariable(iter(a))
    assert cols(p) == 7 and p.getIndex(a[2]) == 6


@pytest.mark.parametrize("make, message", [
    (lambda: [3], "Incorrect objects added as variables to problem"),
    (lambda: [ondrel.var(vartype=ondrel.semicontinuous, lb=2, ub=5, threshold=1)],
     "Incorrect semi-continuous, semi-integer, or partially integer variable"),
    (lambda: [ondrel.var(name=5)], "Invalid variable name"),
])
def test_add_variable_errors_leave_problem_unchanged(p, make, message):
    before = ondrel.var()
    p.addVariable(before)
    with pytest.raises(RuntimeError, match=message):
        p.addVariable(ondrel.var(), make())
    assert cols(p) == 1 and same(p.getVariable(), [before])


def test_add_variable_twice_is_refused_atomically(p):
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x)
    with pytest.raises(RuntimeError, match="Variable already added to problem"):
        p.addVariable(y, x)
    with pytest.raises(RuntimeError, match="Variable already added to problem"):
        p.addVariable([y, y])
    assert cols(p) == 1
    p.addVariable(y)
    assert p.getIndex(y) == 1


def test_nesting_limit(p):
    deep = ondrel.var()
    for _ in range(33):
        deep = [deep]
    with pytest.raises(RuntimeError, match="Maximum recursion \\(inclusion\\) level reached"):
        p.addVariable(deep)


def test_variable_types_and_long_names(tmp_path):
    p = ondrel.problem()
    b01 = ondrel.var(vartype=ondrel.integer, lb=0, ub=1)
    i02 = ondrel.var(vartype=ondrel.integer, lb=0, ub=2)
    sc = ondrel.var(vartype=ondrel.semicontinuous, lb=0, ub=10, threshold=2)
    long = ondrel.var(name="n" * 200)
    p.addVariable(b01, i02, sc, long)
    f = str(tmp_path / "t.lp")
    p.write(f, "l")
    q = ondrel.problem()
    q.read(f, "l")
    vs = q.getVariable()
    assert [v.vartype for v in vs] == [ondrel.binary, ondrel.integer, ondrel.semicontinuous,
                                       ondrel.continuous]
    # Names are kept whole: the long one reads back and is found as given.
    assert vs[3].name == "n" * 200
    assert q.getIndex(vs[3]) == 3


def test_constraints_rows_and_roundtrip(p, tmp_path):
    x, y = ondrel.var(name="x"), ondrel.var(name="y", lb=-5, ub=5)
    p.addVariable(x, y)
    c1 = ondrel.constraint(x + 2 * y <= 4, name="c1")
    p.addConstraint(c1, [x - y >= -1, 3 * x * y + x ** 2 <= 10], {"k": 1 <= x + y})
    assert rows(p) == 4
    assert [p.getIndex(c) for c in p.getConstraint()] == [0, 1, 2, 3]
    f = str(tmp_path / "m.mps")
    p.write(f)
    q = ondrel.problem()
    q.read(f)
    cons = q.getConstraint()
    assert cons[0].name == "c1" and cons[0].ub == 4 and cons[0].lb <= -1e20
    assert cons[1].lb == -1
    assert q.getAttrib("qconstraints") == 1


def test_constraint_errors(p):
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x)
    c = x + y <= 3
    with pytest.raises(RuntimeError, match="has not been added to problem yet"):
        p.addConstraint(x >= 0, c)
    assert rows(p) == 0 and p.getConstraint() == []
    with pytest.raises(RuntimeError, match="Invalid constraint"):
        p.addConstraint(x)
    ok = x <= 1
    p.addConstraint(ok)
    with pytest.raises(RuntimeError, match="Constraint already added to problem"):
        p.addConstraint(ok)
    assert rows(p) == 1


def test_objective_replacement(p):
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x, y)
    p.addConstraint(x + y <= 4)
    p.setObjective(x ** 2 + y)
    assert p.getAttrib("qelems") == 1
    p.setObjective(x + 2 * y, sense=ondrel.maximize)
    assert p.getAttrib("qelems") == 0
    p.setObjective(5)
    assert p.getAttrib("objconstant") == 5
    with pytest.raises(RuntimeError, match="Invalid optimization sense"):
        p.setObjective(x, sense=2)
    with pytest.raises(RuntimeError, match="Only one objective can be set"):
        p.setObjective(np.array([x, y], dtype=object))
    p.setObjective(np.array([x], dtype=object))
    with pytest.raises(RuntimeError, match="Invalid object set as objective"):
        p.setObjective("x")
    z = ondrel.var()
    with pytest.raises(RuntimeError, match="has not been added"):
        p.setObjective(x + z)
    assert p.getAttrib("objconstant") == 0  # the previous objective (x) stays


def test_nonlinear_objective_transfer_comes_and_goes(p):
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x, y)
    p.addConstraint(x + y <= 4)
    n, m = cols(p), rows(p)
    p.setObjective(ondrel.exp(x) + y)
    # The transfer column and row are the module's, not the user's.
    assert cols(p) == n and rows(p) == m
    assert p.getAttrib("nlpcols") == n and p.getAttrib("nlprows") == m
    p.setObjective(x + y)
    assert cols(p) == n and rows(p) == m


def test_lookup_and_delete(p):
    v = [ondrel.var(name=f"v{i}") for i in range(5)]
    p.addVariable(v)
    assert p.getVariable(first=2, last=4) == v[2:5]
    assert p.getVariable(index=3) is v[3]
    assert same(p.getVariable(index=[3, 1]), [v[3], v[1]])
    with pytest.raises(RuntimeError, match="must be both nonnegative"):
        p.getVariable(first=2)
    with pytest.raises(RuntimeError, match="At least one parameter must be specified"):
        p.delVariable()
    p.delVariable([2, 3])
    assert same(p.getVariable(), [v[0], v[1], v[4]])
    assert p.getIndex(v[4]) == 2 and cols(p) == 3
    p.addVariable(v[2])
    assert p.getIndex(v[2]) == 3
    p.delVariable("v0")
    p.delVariable(v[1])
    assert [p.getIndex(x) for x in (v[4], v[2])] == [0, 1]
    with pytest.raises(RuntimeError, match="Incorrect object"):
        p.getIndex(v[0])
    c = [x >= i for i, x in enumerate((v[4], v[2]))]
    p.addConstraint(c)
    with pytest.raises(RuntimeError, match="Parameter 'first' must be less than, or equal to, 'last'"):
        p.delConstraint(first=1, last=0)
    p.delConstraint(first=0, last=0)
    assert same(p.getConstraint(), [c[1]]) and p.getIndex(c[1]) == 0


def test_copy_shares_objects_but_not_structure(p):
    x, y = ondrel.var(), ondrel.var()
    p.addVariable(x, y)
    q = p.copy()
    assert same(q.getVariable(), [x, y])
    q.delVariable(x)
    assert same(p.getVariable(), [x, y]) and same(q.getVariable(), [y])
    z = ondrel.var()
    q.addVariable(z)
    p.addVariable(z)
    assert q.getIndex(z) == 1 and p.getIndex(z) == 2


def test_reset_makes_a_fresh_problem(p):
    x = ondrel.var()
    s = ondrel.sos([x], [1.0])
    p.addVariable(x)
    p.addSOS(s)
    p.reset()
    assert p.getVariable() == [] and p.getSOS() == []
    p.addVariable(x)
    p.addSOS(s)
    assert p.getIndex(s) == 0


def test_sets_and_indicators(p):
    x = [ondrel.var(ub=10) for _ in range(3)]
    b = ondrel.var(vartype=ondrel.binary)
    p.addVariable(x, b)
    s = ondrel.sos(x, [1, 2, 3], type=2)
    p.addSOS(s)
    with pytest.raises(RuntimeError, match="SOS already added to problem"):
        p.addSOS(s)
    p.addSOS(ondrel.sos([0, 1], [1.0, 2.0]))
    assert p.getAttrib("sets") == 2
    p.addIndicator(b == 1, x[0] + x[1] <= 3)
    p.addIndicator((b == 0, x[2] >= 1))
    assert p.getAttrib("indicators") == 2
    with pytest.raises(RuntimeError, match="Indicator variable must have coefficient 1"):
        p.addIndicator(2 * b == 1, x[0] <= 1)
    with pytest.raises(RuntimeError, match="must be <variable_name> == 0 or <variable_name> == 1"):
        p.addIndicator(b >= 1, x[0] <= 1)
    with pytest.raises(RuntimeError, match="Invalid declaration of indicator constraints."):
        p.addIndicator(b == 1)
    assert p.getAttrib("indicators") == 2 and rows(p) == 2


def test_read_replaces_everything(tmp_path):
    p = ondrel.problem()
    p.addVariable(ondrel.var(), ondrel.var())
    with pytest.raises(RuntimeError):
        p.read(str(tmp_path / "missing.mps"))
    assert len(p.getVariable()) == 2  # a failed read changes nothing
    f = tmp_path / "small.lp"
    f.write_text("Minimize\n obj: a + 2 b\nSubject To\n c1: a + b >= 1\n r: 0 <= a - b <= 4\n"
                 "Bounds\n b <= 3\nGeneral\n a\nEnd\n")
    p.read(str(f), "l")
    vs, cs = p.getVariable(), p.getConstraint()
    assert [v.name for v in vs] == ["a", "b"] and vs[0].vartype == ondrel.integer
    assert [c.name for c in cs] == ["c1", "r"]
    assert cs[0].lb == 1 and cs[1].lb == 0 and cs[1].ub == 4
    assert [p.getIndex(v) for v in vs] == [0, 1]


def test_references_in_deletion_lists(p):
    v = [ondrel.var(name=f"c{i}") for i in range(6)]
    p.addVariable(v)
    cons = [x >= 0 for x in v]
    p.addConstraint(cons)
    other = ondrel.var(name="elsewhere")
    for bad, message in [
        ({"a": 1}, "Invalid sequence of objects"),
        ([v[0], other], "Variable elsewhere not in problem"),
        ([cons[0]], "Invalid variable object"),
        ([1.5], "Invalid variable object"),
        (["nosuch"], "No column named 'nosuch'"),
        ([0, 99], "Index out of bounds"),
    ]:
        with pytest.raises(RuntimeError, match=message):
            p.delVariable(bad)
        assert cols(p) == 6 and p.getVariable() == v  # nothing was deleted
    with pytest.raises(RuntimeError, match="Invalid constraint object"):
        p.delConstraint([v[0]])
    p.delVariable(x for x in (v[5], "c4", 0))  # a generator mixing objects, names and indices
    assert p.getVariable() == v[1:4]
    assert [p.getIndex(x) for x in v[1:4]] == [0, 1, 2]
    p.delConstraint(np.array([0, 2]))
    assert same(p.getConstraint(), [cons[1], cons[3], cons[4], cons[5]])
