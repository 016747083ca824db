"""Constraints from comparisons and from the constructor, special ordered
sets, and their copies."""
import numpy as np
import pytest

import ondrel
from algebra_helpers import kind, names

INF = 1e20


@pytest.fixture
def env():
    x, y = names("x", "y")
    return {"x": x, "y": y, "ondrel": ondrel, "np": np, "sin": ondrel.sin}


COMPARISONS = [
    # expression, printed body, lb, ub
    ("x <= 4", "  x", -INF, 4.0),  # the body is the expression x - 4 without its constant
    ("4 >= x", "  x", -INF, 4.0),
    ("x >= 4", "  x", 4.0, INF),
    ("x == 4", "  x", 4.0, 4.0),
    ("x <= 0", "x", -INF, 0.0),
    ("x + 2*y <= 4", "  x +2 y", -INF, 4.0),
    ("x + 1 == 3", "  x", 2.0, 2.0),
    ("3*x - 2 >= y", " 3 x - y", 2.0, INF),
    ("x*y + 1 <= 2", "  x*y", -INF, 1.0),
    ("x*y <= x", " - x + x*y", -INF, 0.0),
    ("2*x <= 2*x", "0.0", -INF, 0.0),
    ("x <= x", "0.0", -INF, 0.0),
    ("x + y >= x*y - 3", "  x + y - x*y", -3.0, INF),
    ("sin(x) - 1 <= 0", "sin (x)", -INF, 1.0),
    ("2 - sin(x) <= 0", "sin (x)", 2.0, INF),
    ("sin(x) <= y", "(sin (x) - y)", -INF, 0.0),
    ("x - sin(y) >= 1", "(x - sin (y))", 1.0, INF),
]


@pytest.mark.parametrize("text,body,lb,ub", COMPARISONS, ids=[c[0] for c in COMPARISONS])
def test_constraints_from_comparisons(env, text, body, lb, ub):
    c = eval(text, env)
    assert kind(c) == "constraint"
    assert str(c.body) == body and (c.lb, c.ub) == (lb, ub)
    assert str(c) == c.name and c.name.startswith("R")


@pytest.mark.parametrize(
    "text,message",
    [
        ("x < 1", "Invalid constraint: cannot enforce f(x) != 0, f(x) > 0, or f(x) < 0"),
        ("x > y", "Invalid constraint: cannot enforce f(x) != 0, f(x) > 0, or f(x) < 0"),
        ("(x + 1) != 2", "Invalid constraint: cannot enforce f(x) != 0, f(x) > 0, or f(x) < 0"),
        ("sin(x) < np.array([1.0])", "Invalid constraint: cannot enforce f(x) != 0, f(x) > 0, or f(x) < 0"),
        ("x <= 'a'", "Invalid object in operation"),
        ("x == None", "Invalid object in operation"),
        ("x <= [1, 2]", "Invalid object in operation"),
    ],
)
def test_comparison_errors(env, text, message):
    with pytest.raises(RuntimeError) as err:
        eval(text, env)
    assert str(err.value) == message


def test_comparisons_never_answer_true_or_false(env):
    x, y = env["x"], env["y"]
    assert kind(x == y) == "constraint"
    # Membership first tries identity, then asks the truth of x == y.
    assert x in [x]
    with pytest.raises(TypeError, match="no truth value"):
        x in [y]
    assert {x: 1, y: 2}[y] == 2  # dictionaries rely on the identifier only
    assert x in {x: 1} and y not in {x: 1}
    assert x in {x, y}


def test_body_shares_an_expression_amended_later(env):
    x, y = env["x"], env["y"]
    e = x + y
    c = ondrel.constraint(body=e, lb=1)
    e += 2 * y
    assert c.body is e and str(c.body) == "  x +3 y"


CONSTRUCTOR_CASES = [
    ({"body": "x", "sense": ondrel.leq, "rhs": 4}, "x", -INF, 4.0),
    ({"body": "x", "sense": ondrel.geq, "rhs": 4}, "x", 4.0, INF),
    ({"body": "x", "sense": ondrel.eq, "rhs": 4}, "x", 4.0, 4.0),
    ({"body": "x", "sense": ondrel.range, "rhs": 5}, "x", 5.0, 5.0),
    ({"body": "x", "sense": ondrel.leq}, "x", -INF, INF),
    ({"body": "x", "lb": 1}, "x", 1.0, INF),
    ({"body": "x", "ub": 1}, "x", -INF, 1.0),
    ({"body": "x", "lb": -1, "ub": 1}, "x", -1.0, 1.0),
    ({"body": "x + 3", "lb": 0}, "3 + x", 0.0, INF),  # the constant stays in the body
    ({"body": "3", "lb": 0}, "3", 0.0, INF),
    ({"body": "np.array([x + 1, y])", "ub": 2}, "1 + x", -INF, 2.0),
    ({"body": "np.array([[sin(x)]])", "ub": 2}, "sin (x)", -INF, 2.0),
]


@pytest.mark.parametrize("kwargs,body,lb,ub", CONSTRUCTOR_CASES)
def test_constraint_constructor(env, kwargs, body, lb, ub):
    args = {k: (eval(v, env) if k == "body" else v) for k, v in kwargs.items()}
    c = ondrel.constraint(**args)
    assert str(c.body) == body and (c.lb, c.ub) == (lb, ub)
    assert c.name == f"R{int(c.name[1:])}"


CONSTRUCTOR_ERRORS = [
    ({"body": "x", "lb": 0, "rhs": 1}, "Cannot create constraint by specifying both rhs AND either or both of lb/ub."),
    ({"body": "x"}, "Arguments required for ondrel.constraint(): constraint OR {body, lb and/or ub} OR {body,sense,rhs}."),
    ({"body": "x", "rhs": 3}, "Arguments required for ondrel.constraint(): constraint OR {body, lb and/or ub} OR {body,sense,rhs}."),
    ({"lb": 0}, "Arguments required for ondrel.constraint(): constraint OR {body, lb and/or ub} OR {body,sense,rhs}."),
    ({}, "Arguments required for ondrel.constraint(): constraint OR {body, lb and/or ub} OR {body,sense,rhs}."),
    ({"constraint": "True"}, "Attempt to generate an empty constraint failed. Consider using ondrel.constraint(body=..., sense=..., rhs=...) instead."),
    ({"constraint": "x"}, "Attempt to generate an empty constraint failed. Consider using ondrel.constraint(body=..., sense=..., rhs=...) instead."),
    ({"body": "'x'", "lb": 0}, "Invalid expression passed as body of constraint"),
    ({"body": "[x]", "lb": 0}, "Invalid expression passed as body of constraint"),
    ({"body": "np.array([], dtype=object)", "lb": 0}, "Invalid expression passed as body of constraint"),
    ({"body": "np.array(['a'])", "lb": 0}, "Invalid expression passed as body of constraint"),
]


@pytest.mark.parametrize("kwargs,message", CONSTRUCTOR_ERRORS)
def test_constraint_constructor_errors(env, kwargs, message):
    args = {k: (eval(v, env) if k in ("body", "constraint") else v) for k, v in kwargs.items()}
    with pytest.raises(RuntimeError) as err:
        ondrel.constraint(**args)
    assert str(err.value) == message


def test_constraint_from_a_constraint_and_failed_reinitialisation(env):
    x = env["x"]
    c = x + 1 <= 3
    d = ondrel.constraint(constraint=c, name="d", lb=-7)
    assert d.body is c.body and (d.lb, d.ub) == (-INF, 2.0) and d.name == "d"
    with pytest.raises(RuntimeError):
        d.__init__(body=x, lb=0, rhs=1)
    assert d.body is c.body and (d.lb, d.ub, d.name) == (-INF, 2.0, "d")  # untouched


def test_constraint_copy(env):
    x, y = env["x"], env["y"]
    c = ondrel.constraint(body=x + y, lb=1, ub=4, name="R7")
    d = c.copy()
    new_id = int(d.name.split("_")[0][1:])
    assert d.name == f"R{new_id}_copy_R7" and new_id > 0
    assert (d.lb, d.ub) == (1.0, 4.0) and d.body is not c.body and str(d.body) == "  x + y"
    d.body += x
    assert str(c.body) == "  x + y"
    assert (x <= 0).copy().body is x
    assert ondrel.constraint.copy.__doc__ == "Return a copy of the constraint as a new object"


def test_members_are_assignable(env):
    c = env["x"] <= 1
    c.name, c.lb, c.body = "mine", -5, env["y"]
    assert (str(c), c.lb, c.body) == ("mine", -5.0, env["y"])
    c.name = 42
    assert str(c) == "42"


SOS_ERRORS = [
    ("[x, y], [1, 2], 3", "SOS type must be 1 or 2"),
    ("[x, y], [1, 2], 0", "SOS type must be 1 or 2"),
    ("[x, y], [1, 2], 257", "SOS type must be 1 or 2"),
    ("[x, y], [1, 2], 'a'", "SOS type must be 1 or 2"),
    ("[x, y], (1, 2)", "SOS weights must be passed as a list"),
    ("(x, y), (1, 2)", "SOS weights must be passed as a list"),
    ("(x, y), [1, 2]", "SOS indices must be passed as a list"),
]


@pytest.mark.parametrize("args,message", SOS_ERRORS)
def test_sos_errors(env, args, message):
    with pytest.raises(RuntimeError) as err:
        eval(f"ondrel.sos({args})", env)
    assert str(err.value) == message


def test_sos_and_copy(env):
    x, y = env["x"], env["y"]
    ind, w = [x, y], [1, 2]
    s = ondrel.sos(ind, w)
    assert type(s).__name__ == "SOS" and str(s).startswith("sos")
    t = ondrel.sos(ind, w, 2, "mine")
    assert str(t) == "mine"
    c = t.copy()
    assert str(c) == f"sos{int(str(s)[3:]) + 1}_copy_mine"
    ind.append(x)
    assert str(c) != str(t) and ondrel.sos.copy.__doc__ == "Return a copy of the SOS as a new object"


def test_rhs_sense_of_half_built_records_never_crash():
    c = ondrel.constraint.__new__(ondrel.constraint)
    assert str(c).startswith("R") and c.body is None
    assert c.copy().body is None
    s = ondrel.sos.__new__(ondrel.sos)
    assert str(s).startswith("sos")
    with pytest.raises(RuntimeError, match="^Could not get a copy of a SOS$"):
        s.copy()
    v = ondrel.var.__new__(ondrel.var)
    assert str(v) == f"C{hash(v)}" and str(2 * v) == f"2*C{hash(v)}"
