"""Problem lifecycle: construction, names, copy, reset, release."""
import gc

import pytest

import ondrel


def test_names():
    assert ondrel.problem().name() == "noname"
    assert ondrel.problem("p1").name() == "p1"
    assert ondrel.problem(name="p2").name() == "p2"
    assert str(ondrel.problem("p3")) == "p3"
    p = ondrel.problem("p4")
    p.reset()
    assert p.name() == ""
    with pytest.raises(TypeError):
        ondrel.problem(5)
    with pytest.raises(TypeError):
        ondrel.problem("a", "b")


def test_copy_is_independent():
    p = ondrel.problem("orig")
    q = p.copy()
    assert type(q) is ondrel.problem
    assert q.getAttrib("cols") == 0
    q.controls.presolve = 0
    assert p.controls.presolve == 1


def test_subclass_and_reinit():
    class Mine(ondrel.problem):
        pass

    m = Mine("sub")
    assert m.name() == "sub" and type(m.copy()) is Mine
    with pytest.raises(RuntimeError, match="already initialized"):
        m.__init__("again")
    assert m.name() == "sub"


def test_many_problems_released():
    for i in range(2000):
        p = ondrel.problem(f"p{i}")
        p.controls.feastol = 1e-5
    del p
    gc.collect()
    assert ondrel.problem().name() == "noname"


def test_lifecycle_methods_documented():
    for name in ("copy", "reset", "name", "getControl", "setControl", "getAttrib",
                 "setdefaultcontrol"):
        doc = getattr(ondrel.problem, name).__doc__
        assert doc.startswith("Purpose:"), name
    assert ondrel.problem.controls.__doc__ == "Problem's controls"
    assert ondrel.problem.attributes.__doc__ == "Problem's attributes"
