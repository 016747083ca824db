"""Nonlinear content as the library holds it: the formulas written for
constraints and objectives (read back from the problem file's nonlinear
section), round trips through files, and user functions."""
import math
import re

import pytest

import ondrel

CON, COL, FUN, IFUN, RB, OP = 1, 10, 11, 12, 22, 31
SIN, MAX, EXP = 27, 34, 16


def nonlinear_section(p, tmp_path):
    f = tmp_path / "nl.mps"
    p.write(str(f))
    text = f.read_text()
    m = re.search(r"^NLCOEFS\n(.*?)^(?=\S)", text, re.S | re.M)
    items = []
    for line in (m.group(1).splitlines() if m else []):
        row, col, factor, *tokens = line.replace("'", "").split()
        toks = []
        for t in tokens:
            ty, val = t.split(":", 1)
            toks.append((int(ty), val if int(ty) == COL else float(val)))
        items.append((row, col, float(factor), toks))
    return items


@pytest.fixture
def xyz():
    p = ondrel.problem()
    x, y, z, w = (ondrel.var(name=n, lb=-5, ub=5) for n in "xyzw")
    p.addVariable(x, y, z, w)
    return p, x, y, z, w


def test_formula_shapes(xyz, tmp_path):
    p, x, y, z, w = xyz
    p.addConstraint(ondrel.constraint(ondrel.sin(x) + y <= 1, name="c0"),
                    ondrel.constraint(x * ondrel.sin(y) >= -1, name="c1"),
                    ondrel.constraint(z - ondrel.sin(x) <= 3, name="c2"),
                    ondrel.constraint(ondrel.max(x, y, z, w) <= 4, name="c3"))
    items = {row: (col, factor, toks) for row, col, factor, toks in nonlinear_section(p, tmp_path)}
    assert items["c0"] == ("UNIT", 1.0, [(RB, 0.0), (COL, "x"), (IFUN, SIN)])
    assert items["c1"] == ("x", 1.0, [(RB, 0.0), (COL, "y"), (IFUN, SIN)])
    assert items["c2"] == ("UNIT", -1.0, [(RB, 0.0), (COL, "x"), (IFUN, SIN)])
    assert [t for t, _ in items["c3"][2]] == [RB, RB, COL, COL, IFUN, RB, COL, COL, IFUN, IFUN]
    assert p.getAttrib("rows") == 4


def test_nonlinear_model_round_trip_solves_the_same(xyz, tmp_path):
    p, x, y, z, w = xyz
    p.addConstraint(x ** 2 + y ** 2 <= 4, ondrel.exp(x) + y >= 1, z == ondrel.cos(w))
    p.setObjective((1 - x) ** 2 + (y - 0.5) ** 2 + z)
    p.solve()
    ref = p.getSolution()
    f = str(tmp_path / "m.lp")
    p.write(f, "l")
    q = ondrel.problem()
    q.read(f, "l")
    q.solve()
    assert q.getProbStatusString() == "nlp_solution"
    got = q.getSolution()[:4]
    assert got == pytest.approx(ref[:4], abs=1e-4)
    assert q.getObjVal() == pytest.approx(p.getObjVal(), abs=1e-6)


def test_example_from_the_tracker():
    x, y = ondrel.var(lb=-10), ondrel.var(lb=-10)
    p = ondrel.problem()
    p.addVariable(x, y)
    p.addConstraint(x ** 2 + y ** 2 <= 4, ondrel.exp(x) + y >= 1)
    p.setObjective((1 - x) ** 2 + 100 * (y - x ** 2) ** 2)
    p.solve()
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getProbStatus() == ondrel.nlp_locally_optimal
    assert p.getSolution(x) == pytest.approx(1, abs=1e-5)
    assert p.getSolution(y) == pytest.approx(1, abs=1e-5)
    assert p.getObjVal() == pytest.approx(0, abs=1e-8)
    assert len(p.getSlack()) == 2  # the user's two constraints, not the objective's transfer row
    assert len(p.getDual()) == 2 and len(p.getRCost()) == 2


@pytest.mark.parametrize("with_derivatives", [False, True])
def test_user_functions(with_derivatives):
    calls = []

    def f(a, b):
        calls.append((a, b))
        v = (a - 1) ** 2 + (b - 2) ** 2
        return (v, 2 * (a - 1), 2 * (b - 2)) if with_derivatives else v

    x, y = ondrel.var(lb=-5, ub=5), ondrel.var(lb=-5, ub=5)
    p = ondrel.problem()
    p.addVariable(x, y)
    p.addConstraint(x + y >= 0)
    p.setObjective(ondrel.user(f, x, y) + ondrel.user(f, x, y))  # registered once
    p.solve()
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getSolution() [:2] == pytest.approx([1, 2], abs=1e-4)
    assert calls


def test_user_function_exception_is_what_solve_raises():
    class Boom(Exception):
        pass

    def bad(a):
        raise Boom("inside")

    x = ondrel.var(ub=3)
    p = ondrel.problem()
    p.addVariable(x)
    p.addConstraint(ondrel.user(bad, x) <= 3)
    p.setObjective(x)
    with pytest.raises(Boom, match="inside"):
        p.solve()
    p.reset()
    p.addVariable(x)
    p.setObjective(x)
    p.solve()
    assert p.getObjVal() == 0


def test_evaluation_error_is_reported_not_crashed():
    x = ondrel.var(lb=-5, ub=5)
    p = ondrel.problem()
    p.addVariable(x)
    p.addConstraint(ondrel.log(x) >= -100)
    p.setObjective(x)
    try:
        p.solve()
    except RuntimeError as e:
        assert "log" in str(e) or "ln" in str(e)
    else:
        assert p.getProbStatusString().startswith("nlp_")


def test_integer_columns_with_nonlinear_content_are_solved():
    x = ondrel.var(vartype=ondrel.integer, ub=4)
    p = ondrel.problem()
    p.addVariable(x)
    p.addConstraint(ondrel.sin(x) <= 0.5)
    p.setObjective(x, sense=ondrel.maximize)
    p.solve()
    # sin(x) <= 0.5 holds at 0, 3 and 4; a formula row proves nothing.
    assert p.getProbStatusString() == "nlp_solution"
    assert p.getSolution(x) == pytest.approx(4)  # found after a second start at the node
