"""The problem's containers, index maps and library problem stay in step:
through objective changes (the nonlinear objective's transfer column and
row), refused additions, failed reads, errors raised by the caller's own
objects, and names of any length."""
import math

import pytest

import ondrel


def check_in_step(p):
    """Every object's index is its place, results have one entry per object."""
    vs, cs = p.getVariable(), p.getConstraint()
    assert [p.getIndex(v) for v in vs] == list(range(len(vs)))
    assert [p.getIndex(c) for c in cs] == list(range(len(cs)))
    assert p.attributes.cols == len(vs) and p.attributes.rows == len(cs)


def test_objective_changes_keep_every_index_true():
    p = ondrel.problem()
    x, y = ondrel.var(lb=0.5, ub=3, name="x"), ondrel.var(lb=0.5, ub=3, name="y")
    p.addVariable(x, y)
    p.setObjective(ondrel.exp(x) + y ** 3)          # nonlinear
    z = ondrel.var(lb=1, ub=2, name="z")
    p.addVariable(z)
    c = ondrel.constraint(x + y + z >= 3, name="c")
    p.addConstraint(c)
    check_in_step(p)
    p.setObjective(ondrel.sin(x) + ondrel.exp(z) + y)  # nonlinear again
    w = ondrel.var(lb=0, ub=1, name="w")
    p.addVariable(w)
    d = ondrel.constraint(w + z <= 5, name="d")
    p.addConstraint(d)
    bb = ondrel.var(vartype=ondrel.binary, name="bb")
    p.addVariable(bb)
    p.addIndicator(bb == 1, ondrel.constraint(w <= 1, name="ind"))
    check_in_step(p)
    p.delConstraint("ind")
    p.delVariable(bb)   # integer columns are for linear problems only
    check_in_step(p)
    p.setObjective(x + y + z + w)                    # linear
    check_in_step(p)
    p.setObjective(ondrel.exp(x) + w * w + z)        # nonlinear
    p.delVariable(y)
    p.delConstraint(c)
    v = ondrel.var(lb=0, ub=1, name="v")
    p.addVariable(v)
    p.addConstraint(ondrel.constraint(v + x >= 1, name="e"))
    check_in_step(p)
    p.solve()
    sol = p.getSolution()
    assert len(sol) == len(p.getVariable()) == 4
    # Pairing the full vector with the variables gives each its own value.
    for var, value in zip(p.getVariable(), sol):
        assert p.getSolution(var) == value == p.getSolution(var.name)
    assert p.getSolution(v) + p.getSolution(x) >= 1 - 1e-6
    assert p.getSolution(z) == pytest.approx(1, abs=1e-5)
    assert p.getObjVal() == pytest.approx(math.e ** 0.5 + 1, abs=1e-4)
    n = len(p.getConstraint())
    assert len(p.getSlack()) == n
    with pytest.raises(RuntimeError, match="out of range"):
        p.getSolution(4)      # the transfer column is not the user's
    with pytest.raises(RuntimeError, match="out of range"):
        p.getSlack(n)


def test_refused_objective_keeps_the_previous_one_and_its_transfer():
    p = ondrel.problem()
    x = ondrel.var(lb=0, ub=2)
    p.addVariable(x)
    p.addConstraint(x >= 1)
    p.setObjective(ondrel.exp(x))
    for bad in (ondrel.exp(x) + math.nan, ondrel.exp(x) + math.inf, x * math.nan):
        with pytest.raises(RuntimeError, match="NaN or infinite"):
            p.setObjective(bad)
    check_in_step(p)
    p.solve()
    assert p.getObjVal() == pytest.approx(math.e, abs=1e-5)


def test_nonlinear_objective_survives_write_and_read(tmp_path):
    p = ondrel.problem()
    x, y = ondrel.var(lb=0.5, ub=3, name="x"), ondrel.var(lb=0, ub=3, name="y")
    p.addVariable(x, y)
    p.addConstraint(ondrel.constraint(x + y >= 2, name="c"))
    p.setObjective(ondrel.exp(x) + y * y)
    f = str(tmp_path / "nl.lp")
    p.write(f, "l")
    q = ondrel.problem()
    q.read(f, "l")
    assert [v.name for v in q.getVariable()] == ["x", "y"]
    assert [c.name for c in q.getConstraint()] == ["c"]
    check_in_step(q)
    q.solve()
    p.solve()
    assert q.getObjVal() == pytest.approx(p.getObjVal(), abs=1e-5)
    assert len(q.getSolution()) == 2
    # The read problem's objective can be replaced like one set here.
    q.setObjective(q.getVariable(0))
    q.addVariable(ondrel.var(name="t"))
    check_in_step(q)


def test_a_failed_read_leaves_everything_as_it_was(tmp_path):
    p = ondrel.problem()
    x = ondrel.var(name="x")
    p.addVariable(x)
    p.addConstraint(ondrel.constraint(x <= 4, name="c"))
    bad = tmp_path / "bad.lp"
    bad.write_bytes(b"minimize\n obj: a + b\nsubject to\n r1: a + b >= 1\n r2: a + \xff\xfe >= 2\nend\n")
    late = tmp_path / "late.lp"
    late.write_bytes(b"minimize\n obj: a\nsubject to\n r1: a >= 1\n r2: a + b <= \nend\n")
    for f in (bad, late, tmp_path / "missing.lp"):
        with pytest.raises((RuntimeError, ValueError, OSError)):
            p.read(str(f), "l")
        assert p.getVariable() == [x] and p.getIndex(x) == 0
        check_in_step(p)
    p.setObjective(-x)
    p.solve()
    assert p.getSolution(x) == pytest.approx(4)


def test_refused_sets_and_indicators_leave_both_sides_as_they_were():
    p = ondrel.problem()
    b = ondrel.var(vartype=ondrel.binary)
    x, y = ondrel.var(ub=5), ondrel.var(ub=5)
    p.addVariable(b, x, y)
    long = "s" * 2000
    with pytest.raises(ValueError, match="names are at most"):
        p.addSOS(ondrel.sos([x, y], [1, 2], name=long))
    assert p.attributes.sets == 0 and p.getSOS() == []
    with pytest.raises(ValueError, match="names are at most"):
        p.addIndicator(b == 1, ondrel.constraint(x + y <= 3, name=long))
    assert p.getConstraint() == [] and p.attributes.rows == 0
    # A set that refers to a column the library does not have.
    with pytest.raises(RuntimeError):
        p.addSOS(ondrel.sos([0, 99], [1, 2]))
    assert p.attributes.sets == 0 and p.getSOS() == []
    s = ondrel.sos([x, y], [1, 2], name="ok")
    p.addSOS(s)
    p.addIndicator(b == 1, x + y <= 3)
    assert p.getIndex(s) == 0 and len(p.getConstraint()) == 1
    check_in_step(p)


def test_adds_with_a_nonlinear_objective_refused_late_keep_the_transfer():
    p = ondrel.problem()
    x = ondrel.var(lb=0, ub=2, name="x")
    p.addVariable(x)
    p.setObjective(ondrel.exp(x))
    with pytest.raises(ValueError):
        p.addVariable(ondrel.var(), ondrel.var(name="n" * 2000))
    with pytest.raises(RuntimeError):
        p.addConstraint(x >= 1, ondrel.var() <= 1)
    check_in_step(p)
    p.addConstraint(x >= 1)
    p.solve()
    assert p.getObjVal() == pytest.approx(math.e, abs=1e-5)


class BadSequence:
    def __len__(self):
        return 2

    def __getitem__(self, i):
        raise KeyboardInterrupt


def interrupting(items):
    yield from items
    raise KeyboardInterrupt


@pytest.mark.parametrize("call", [
    lambda p, v: p.addVariable(interrupting([ondrel.var()])),
    lambda p, v: p.addConstraint(interrupting([v[0] <= 1])),
    lambda p, v: p.addSOS(interrupting([])),
    lambda p, v: p.addVariable(BadSequence()),
    lambda p, v: p.getVariable(index=interrupting([0])),
    lambda p, v: p.delVariable(interrupting([0])),
    lambda p, v: (p.solve(), p.getSolution(interrupting([v[0]]))),
])
def test_errors_of_the_callers_objects_propagate_unchanged(call):
    p = ondrel.problem()
    v = [ondrel.var(), ondrel.var()]
    p.addVariable(v)
    with pytest.raises(KeyboardInterrupt):
        call(p, v)
    assert p.getVariable() == v and p.getConstraint() == [] and p.attributes.sets == 0
    check_in_step(p)


@pytest.mark.parametrize("name", ["n" * 1000, "ü" * 400, "名前" * 150])
def test_long_and_non_ascii_names_write_read_and_look_up(tmp_path, name):
    p = ondrel.problem()
    x = ondrel.var(name=name)
    p.addVariable(x)
    c = ondrel.constraint(x <= 2, name=name + "_c")
    p.addConstraint(c)
    p.addSOS(ondrel.sos([x], [1], name=name + "_s"))
    for fmt, ext in (("l", "lp"), ("", "mps")):
        f = str(tmp_path / f"t.{ext}")
        p.write(f, fmt)
        q = ondrel.problem()
        q.read(f, fmt)
        assert q.getVariable(0).name == name
        assert q.getConstraint(0).name == name + "_c"
        assert q.getSOS(0).name == name + "_s"
        q.setObjective(-q.getVariable(0))
        q.solve()
        assert q.getSolution(name) == pytest.approx(2)
        assert q.getSlack(name + "_c") == pytest.approx(0)


def test_names_over_the_library_limit_are_refused_whole():
    p = ondrel.problem()
    with pytest.raises(ValueError, match="names are at most"):
        p.addVariable(ondrel.var(), ondrel.var(name="é" * 600))   # 1200 bytes
    assert p.getVariable() == [] and p.attributes.cols == 0
    with pytest.raises(ValueError, match="names are at most"):
        ondrel.problem(name="p" * 5000)
