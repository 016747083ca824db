"""Result reads: objective without a solution, single names, subclasses
that skip the base __init__, and the result methods' documentation."""
import pytest

import ondrel


def small_lp():
    p = ondrel.problem("lp")
    x = ondrel.var(name="x", lb=0, ub=10)
    y = ondrel.var(name="y", lb=0, ub=10)
    p.addVariable(x, y)
    c = ondrel.constraint(x + y <= 4, name="c")
    p.addConstraint(c)
    p.setObjective(-x - 2 * y)
    return p, x, y, c


class NoBaseInit(ondrel.problem):
    def __init__(self, *args):
        self.tag = args


@pytest.mark.parametrize("call", [
    lambda p: p.getVariable(),
    lambda p: p.getConstraint(),
    lambda p: p.name(),
    lambda p: p.controls.presolve,
    lambda p: p.getAttrib("cols"),
])
def test_subclass_without_base_init_is_complete(call):
    p = NoBaseInit("ignored")
    call(p)


def test_subclass_without_base_init_models_and_solves():
    p = NoBaseInit()
    assert p.getVariable() == [] and p.name() == "noname"
    x = ondrel.var(name="x", ub=3)
    p.addVariable(x)
    p.setObjective(-x)
    p.solve()
    assert p.getSolution(x) == pytest.approx(3)
    assert p.getVariable() == [x]
    q = p.copy()
    assert type(q) is NoBaseInit and q.getAttrib("cols") == 1


def infeasible_lp():
    p = ondrel.problem()
    x = ondrel.var(lb=0, ub=1)
    p.addVariable(x)
    p.addConstraint(x >= 2)
    p.setObjective(x)
    p.solve()
    return p


@pytest.mark.parametrize("make", [
    lambda: ondrel.problem(),      # never solved
    lambda: small_lp()[0],          # built, not solved
    infeasible_lp,
])
def test_objective_without_solution_fails(make):
    p = make()
    with pytest.raises(RuntimeError):
        p.getObjVal()


def test_objective_with_solution():
    p, x, y, c = small_lp()
    p.solve()
    assert p.getObjVal() == pytest.approx(-8)


@pytest.mark.parametrize("method, name, obj", [
    ("getSolution", "x", "x"),
    ("getRCost", "x", "x"),
    ("getSlack", "c", "c"),
    ("getDual", "c", "c"),
])
def test_single_name_is_single_value(method, name, obj):
    p, x, y, c = small_lp()
    p.solve()
    objects = {"x": x, "c": c}
    read = getattr(p, method)
    by_name = read(name)
    assert isinstance(by_name, float)
    assert by_name == pytest.approx(read(objects[obj]))
    assert read([name]) == pytest.approx([by_name])


@pytest.mark.parametrize("method, words", [
    ("getSolution", ["p.getSolution("]),
    ("getSlack", ["p.getSlack(", "rhs - a'x"]),
    ("getDual", ["p.getDual(", "per unit increase"]),
    ("getRCost", ["p.getRCost(", "c - A'y"]),
])
def test_result_docstrings_are_their_own(method, words):
    doc = getattr(ondrel.problem, method).__doc__
    sections = ["Purpose:", "Synopsis:", "Arguments:", "Example:", "Further information:", "Related topics:"]
    positions = [doc.index(s) for s in sections]
    assert positions == sorted(positions)
    for w in words:
        assert w in doc, (method, w)
    assert "p.get...(" not in doc


def test_deleting_a_variable_documents_its_rows():
    doc = ondrel.problem.delVariable.__doc__
    assert "Rows that use a deleted variable" in doc


def test_deleting_a_variable_keeps_its_rows():
    p, x, y, c = small_lp()
    p.delVariable(x)
    p.solve()
    assert p.getConstraint() == [c]
    assert p.getSolution(y) == pytest.approx(4)


@pytest.mark.parametrize("bad", [float("nan"), float("inf"), -float("inf")])
@pytest.mark.parametrize("nonlinear", [False, True])
def test_refused_objective_keeps_the_old_one(bad, nonlinear):
    p = ondrel.problem()
    x = ondrel.var(name="x", lb=0, ub=2)
    p.addVariable(x)
    old = ondrel.exp(x) - 3 * x if nonlinear else -x
    p.setObjective(old)
    cols, rows = p.getAttrib("cols"), p.getAttrib("rows")
    with pytest.raises(RuntimeError):
        p.setObjective(x + bad)
    assert (p.getAttrib("cols"), p.getAttrib("rows")) == (cols, rows)
    p.solve()
    expected = (1.0986123, 3 - 3 * 1.0986123) if nonlinear else (2.0, -2.0)
    assert p.getSolution(x) == pytest.approx(expected[0], abs=1e-4)
    assert p.getObjVal() == pytest.approx(expected[1], abs=1e-4)
