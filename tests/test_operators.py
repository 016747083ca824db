"""Result kinds, collapse rules and printed forms of the operators on
variables, terms and expressions."""
import pytest

import ondrel
from algebra_helpers import check_result, kind, names


@pytest.fixture
def env():
    x, y, z = names("x", "y", "z")
    return {"x": x, "y": y, "z": z, "ondrel": ondrel}


VARIABLE_CASES = [
    ("x + y", ("expression", "  x + y")),
    ("x + x", ("linterm", "2*x")),
    ("x + 0", ("same", "x")),
    ("0 + x", ("expression", "  x")),
    ("x + 2", ("expression", "2 + x")),
    ("x - y", ("expression", "  x - y")),
    ("x - x", 0.0),
    ("x - 0", ("same", "x")),
    ("x - 2", ("expression", "-2 + x")),
    ("2 - x", ("expression", "2 - x")),
    ("x * y", ("quadterm", "x*y")),
    ("y * x", ("quadterm", "x*y")),
    ("x * x", ("quadterm", "x**2")),
    ("x * 0", 0.0),
    ("x * 1", ("same", "x")),
    ("x * 3", ("linterm", "3*x")),
    ("2.5 * x", ("linterm", "2.5*x")),
    ("x / 2", ("linterm", "0.5*x")),
    ("x / 1", ("same", "x")),
    ("x / x", 1.0),
    ("x / y", ("nonlinear", "(x / y)")),
    ("0 / x", 0.0),
    ("2 / x", ("nonlinear", "(2 / x)")),
    ("x ** 1", ("same", "x")),
    ("x ** 0", 1.0),
    ("x ** 2", ("quadterm", "x**2")),
    ("x ** 3", ("nonlinear", "(x ** 3)")),
    ("x ** y", ("nonlinear", "(x ** y)")),
    ("2 ** x", ("nonlinear", "(2 ** x)")),
    ("-x", ("linterm", "-1*x")),
    ("abs(x)", ("nonlinear", "abs (x)")),
]

LINEAR_TERM_CASES = [
    ("3*x + 2*x", ("linterm", "5*x")),
    ("3*x - 3*x", 0.0),
    ("3*x + 2*y", ("expression", " 3 x +2 y")),
    ("3*x + x", ("linterm", "4*x")),
    ("x - 3*x", ("linterm", "-2*x")),
    ("3*x + y", ("expression", " 3 x + y")),
    ("y - 3*x", ("expression", "  y -3 x")),
    ("3*x + 0", ("linterm", "3*x")),
    ("0 - 3*x", ("linterm", "-3*x")),
    ("3*x + 1", ("expression", "1 +3 x")),
    ("1 - 3*x", ("expression", "1 -3 x")),
    ("(3*x) * 0", 0.0),
    ("(3*x) * 2", ("linterm", "6*x")),
    ("(3*x) * y", ("quadterm", "3*x*y")),
    ("y * (3*x)", ("quadterm", "3*x*y")),
    ("(3*x) * (2*y)", ("quadterm", "6*x*y")),
    ("(3*x) / 2", ("linterm", "1.5*x")),
    ("(3*x) / x", 3.0),
    ("x / (2*x)", 0.5),
    ("(3*x) / (6*x)", 0.5),
    ("(3*x) / y", ("nonlinear", "(3*x / y)")),
    ("2 / (3*x)", ("nonlinear", "(2 / 3*x)")),
    ("(3*x) ** 0", 1.0),
    ("(3*x) ** 2", ("quadterm", "9*x**2")),
    ("(3*x) ** 3", ("nonlinear", "(3*x ** 3)")),
    ("2 ** (3*x)", ("nonlinear", "(2 ** 3*x)")),
    ("-(3*x)", ("linterm", "-3*x")),
    ("abs(3*x)", ("nonlinear", "abs (3*x)")),
]

QUADRATIC_TERM_CASES = [
    ("x*y + 2*x*y", ("quadterm", "3*x*y")),
    ("x*y - x*y", ("quadterm", "0*x*y")),
    ("x*y + x*x", ("expression", "  x*y + x**2")),
    ("x*y + x", ("expression", "  x + x*y")),
    ("x - x*y", ("expression", "  x - x*y")),
    ("x*y - 3*z", ("expression", " -3 z + x*y")),
    ("x*y + 0", ("quadterm", "x*y")),
    ("0 - x*y", ("quadterm", "-1*x*y")),
    ("x*y + 2", ("expression", "2 + x*y")),
    ("2 - x*y", ("expression", "2 - x*y")),
    ("(x*y) * 0", ("quadterm", "0*x*y")),
    ("(x*y) * 2", ("quadterm", "2*x*y")),
    ("(x*y) * z", ("nonlinear", "(z * x*y)")),
    ("(x*y) / 2", ("quadterm", "0.5*x*y")),
    ("(2*x*y) / x", ("linterm", "2*y")),
    ("(2*x*y) / (4*y)", ("linterm", "0.5*x")),
    ("(x*y) / z", ("nonlinear", "(x*y / z)")),
    ("(3*x) / (x*y)", ("nonlinear", "(3.0 / y)")),
    ("x / (2*x*y)", ("nonlinear", "(0.5 / y)")),
    ("z / (x*y)", ("nonlinear", "(z / x*y)")),
    ("(x*y) / (2*x*y)", 0.5),
    ("(x*y) / (2*y*z)", ("nonlinear", "(0.5*x / z)")),
    ("2 / (x*y)", ("nonlinear", "(2 / x*y)")),
    ("(x*y) ** 0", 1.0),
    ("(x*y) ** 2", ("nonlinear", "(x*y ** 2)")),
    ("1 ** (x*y)", 1.0),
    ("2 ** (x*y)", ("nonlinear", "(2 ** x*y)")),
    ("-(x*y)", ("quadterm", "-1*x*y")),
]

EXPRESSION_CASES = [
    ("x + 2*y - 3", ("expression", "-3 + x +2 y")),
    ("0 - x", ("expression", " - x")),
    ("x*y + y**2", ("expression", "  x*y + y**2")),
    ("(x + 1) * (x + 1)", ("expression", "1 +2 x + x**2")),
    ("(x + y) * (x - y)", ("expression", "  x**2 +0 x*y - y**2")),
    ("(x + 1) * (2*y)", ("expression", " 2 y +2 x*y")),
    ("(x + 1) * 3", ("expression", "3 +3 x")),
    ("(x + 1) * 0", ("expression", "0")),
    ("(x*x + 1) * 3", ("expression", "3 +3 x**2")),
    ("(x*x + 1) * x", ("nonlinear", "(x * 1 + x**2)")),
    ("(x + 1) * (x*y)", ("nonlinear", "(x*y * 1 + x)")),
    ("(x*x + 1) * ((x + 2) - x)", ("expression", "2 +2 x**2")),
    ("(x*x + 1) * (y + 2)", ("nonlinear", "(2 + y * 1 + x**2)")),
    ("(x + 1) ** 2", ("expression", "1 +2 x + x**2")),
    ("(x + 1) ** 1", ("expression", "1 + x")),
    ("(x + 1) ** 0", 1.0),
    ("(x*x + 1) ** 2", ("nonlinear", "(1 + x**2 * 1 + x**2)")),
    ("(x + 1) / 2", ("expression", "0.5 +0.5 x")),
    ("(x + 1) / y", ("nonlinear", "(1 + x / y)")),
    ("3 - (x + y)", ("expression", "3 - x - y")),
    ("(x + y) - (x + 0)", ("expression", "  y")),
    ("(x + y) + (x - y)", ("expression", " 2 x")),
    ("-(x + 2*y)", ("expression", " - x -2 y")),
    ("(x + y) + x*y", ("expression", "  x + y + x*y")),
    ("abs(x + 1)", ("nonlinear", "abs (1 + x)")),
]


@pytest.mark.parametrize(
    "text,expected",
    VARIABLE_CASES + LINEAR_TERM_CASES + QUADRATIC_TERM_CASES + EXPRESSION_CASES,
    ids=lambda v: v if isinstance(v, str) else None,
)
def test_operator_results(env, text, expected):
    check_result(eval(text, env), expected, env)


ERROR_CASES = [
    ("x / 0", "Division of variable by zero"),
    ("(3*x) / 0", "Division by zero"),
    ("(x*y) / 0", "Division by zero of a bilinear term"),
    ("(x + 1) / 0", "Division by zero"),
    ("x + 'a'", "Invalid object in operation"),
    ("'a' * x", "Invalid object in operation"),
    ("x + None", "Invalid object in operation"),
    ("(x + 1) * [1, 2]", "Invalid object in operation"),
    ("(3*x) - (1,)", "Invalid object in operation"),
    ("(x*y) + {}", "Invalid object in operation"),
    ("x * 1j", "Invalid object in operation"),
    ("pow(x, 2, 3)", "Invalid object in operation"),
]


@pytest.mark.parametrize("text,message", ERROR_CASES)
def test_operator_errors(env, text, message):
    with pytest.raises(RuntimeError) as err:
        eval(text, env)
    assert str(err.value) == message


@pytest.mark.parametrize(
    "setup,op,operand,message",
    [
        ("x", "/=", "0", "Division by zero"),
        ("3*x", "/=", "0", "Division by zero"),
        ("x*y", "/=", "0", "Division by zero"),
        ("x + 1", "/=", "0", "Division by zero"),
        ("ondrel.sin(x)", "/=", "0", "Division by zero"),
    ],
)
def test_inplace_division_by_zero(env, setup, op, operand, message):
    env["a"] = eval(setup, env)
    with pytest.raises(RuntimeError, match=f"^{message}$"):
        exec(f"a {op} {operand}", env)


@pytest.mark.parametrize(
    "setup,statement,expected",
    [
        ("x", "a += 0", ("same", "a0")),
        ("x", "a -= 0", ("same", "a0")),
        ("x", "a *= 1", ("same", "a0")),
        ("x", "a /= 1", ("same", "a0")),
        ("x", "a **= 1", ("same", "a0")),
        ("x", "a **= 0", 1.0),
        ("x", "a += y", ("expression", "  x + y")),
        ("3*x", "a *= 1", ("same", "a0")),
        ("3*x", "a += 0", ("same", "a0")),
        ("3*x", "a *= 2", ("linterm", "6*x")),
        ("x*y", "a **= 0", 1.0),
        ("x + y", "a *= 0", 0.0),
        ("x + y", "a *= 1", ("same", "a0")),
        ("x + y", "a **= 1", ("same", "a0")),
        ("x + y", "a **= 0", 1.0),
        ("x + y", "a **= 2", ("expression", "  x**2 +2 x*y + y**2")),
    ],
)
def test_inplace_shortcuts(env, setup, statement, expected):
    env["a"] = env["a0"] = eval(setup, env)
    exec(statement, env)
    check_result(env["a"], expected, env)


def test_terms_and_variables_never_change_in_place(env):
    x, y = env["x"], env["y"]
    t, q = 3 * x, x * y
    a, b, c = x, t, q
    a += y
    b *= 2
    c += x
    assert str(x) == "x" and str(t) == "3*x" and str(q) == "x*y"
    assert (str(a), str(b), str(c)) == ("  x + y", "6*x", "  x + x*y")


def test_expression_inplace_amends_every_reference(env):
    x, y, z = env["x"], env["y"], env["z"]
    e = x + y
    f = e
    e += z
    assert f is e and str(f) == "  x + y + z"
    e *= 2
    assert f is e and str(f) == " 2 x +2 y +2 z"
    e /= 4
    assert str(f) == " 0.5 x +0.5 y +0.5 z"
    e = e + z
    assert e is not f and str(f) == " 0.5 x +0.5 y +0.5 z"


def test_inplace_addition_of_an_expression_to_itself(env):
    x, y = env["x"], env["y"]
    e = 2 * x + x * y + 1
    e += e
    assert str(e) == "2 +4 x +2 x*y"
    e -= e
    assert str(e) == "0"


def test_expression_copies_are_independent(env):
    x, y = env["x"], env["y"]
    e = x + x * y
    f = e * 1  # a copy with factor 1
    f += y
    f += x * y
    assert str(e) == "  x + x*y"
    assert str(f) == "  x + y +2 x*y"


def test_variable_names_and_identity():
    a, b = ondrel.var(), ondrel.var()
    assert str(a) == f"C{hash(a)}" and repr(b) == f"C{hash(b)}"
    assert hash(b) > hash(a)
    assert ondrel.var(name=b"raw").name == b"raw"
    assert str(ondrel.var(name=b"raw") * 2) == "2*raw"


@pytest.mark.parametrize(
    "kwargs,expected",
    [
        ({}, (0.0, 1e20, 0.0, 0)),
        ({"vartype": ondrel.binary, "lb": -3, "ub": 7}, (0.0, 1.0, 0.0, 1)),
        ({"vartype": ondrel.binary, "lb": 0.5}, (0.5, 1.0, 0.0, 1)),
        ({"vartype": ondrel.integer, "lb": -3, "ub": 7}, (-3.0, 7.0, 0.0, 2)),
        ({"threshold": 2, "vartype": ondrel.semicontinuous}, (0.0, 1e20, 2.0, 3)),
    ],
)
def test_variable_attributes(kwargs, expected):
    v = ondrel.var(**kwargs)
    assert (v.lb, v.ub, v.threshold, v.vartype) == expected


@pytest.mark.parametrize("bad_name", [3, 2.5, ["x"], object()])
def test_variable_name_must_be_a_string(bad_name):
    with pytest.raises(RuntimeError, match=r"^Invalid variable name \(must be a string\)$"):
        ondrel.var(name=bad_name)


def test_reinitialising_a_variable_keeps_its_identity():
    v = ondrel.var("v")
    e = v + 1
    h = hash(v)
    v.__init__(name="w", lb=-1)
    assert hash(v) == h and v.name == "w" and v.lb == -1
    assert str(e) == "1 + w"
    assert str(e - v) == "1"


def test_kinds_of_results_are_exact_types(env):
    x = env["x"]
    assert kind(x) == "var"
    assert type(3 * x).__module__ == "ondrel"
