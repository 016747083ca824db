"""Nonlinear expression trees: the module's functions, the n-ary sums and
products, their shortcuts, in-place forms and printing."""
import math

import numpy as np
import pytest

import ondrel
from algebra_helpers import check_result, kind, names


@pytest.fixture
def env():
    x, y, z = names("x", "y", "z")
    env = {"x": x, "y": y, "z": z, "np": np}
    env.update({n: getattr(ondrel, n) for n in ("sin", "cos", "exp", "log", "sqrt", "max", "min", "user")})
    return env


FUNCTIONS = ["exp", "log", "log10", "sin", "cos", "tan", "asin", "acos", "atan", "abs", "sqrt", "sign", "erf", "erfc"]
REFERENCE = {
    "exp": math.exp, "log": math.log, "log10": math.log10, "sin": math.sin, "cos": math.cos,
    "tan": math.tan, "asin": math.asin, "acos": math.acos, "atan": math.atan, "abs": abs,
    "sqrt": math.sqrt, "erf": math.erf, "erfc": math.erfc,
    "sign": lambda v: math.copysign(1.0, v) if v else 0.0,
}


@pytest.mark.parametrize("name", FUNCTIONS)
def test_functions_on_numbers_objects_and_arrays(name):
    f = getattr(ondrel, name)
    value = f(0.5)
    assert type(value) is float and value == pytest.approx(REFERENCE[name](0.5), rel=1e-12)
    x = ondrel.var(name="x")
    node = f(x)
    assert kind(node) == "nonlinear" and str(node) == f"{name} (x)"
    assert str(f(2 * x + 1)) == f"{name} (1 +2 x)"
    # Integer arrays give float results (never truncated), in a new array.
    ints = np.array([[0, 1], [1, 0]])
    out = f(ints * 0.25 + 0.25)
    assert out.dtype == np.float64 and out.shape == (2, 2)
    assert out[0, 1] == pytest.approx(REFERENCE[name](0.5))
    objs = f(np.array([x, 0.5], dtype=object))
    assert objs.dtype == object and str(objs[0]) == f"{name} (x)" and objs[1] == pytest.approx(REFERENCE[name](0.5))


def test_function_special_values():
    assert ondrel.sin(0) == 0.0
    assert ondrel.log10(100) == pytest.approx(2.0)
    assert ondrel.sign(-3) == -1.0 and ondrel.sign(0) == 0.0 and ondrel.sign(np.float32(2)) == 1.0
    assert ondrel.exp(np.array([1, 2])).tolist() == pytest.approx([math.e, math.e**2])
    assert math.isnan(ondrel.log(-1)) and ondrel.log(0) == -math.inf
    a = np.arange(6.0).reshape(2, 3)[:, ::2]  # not contiguous
    assert np.allclose(ondrel.sqrt(a), np.sqrt(a))
    zero_d = ondrel.exp(np.array(0.0))
    assert zero_d.shape == () and float(zero_d) == 1.0


@pytest.mark.parametrize(
    "call,message",
    [
        ("sin([x])", "Could not create a unary nonlinear expression: the argument must be a single expression"),
        ("sin((x, y))", "Could not create a unary nonlinear expression: the argument must be a single expression"),
        ("sin('a')", "Invalid object in unary operation"),
        ("sin(None)", "Invalid object in unary operation"),
        ("exp(np.array(['a', 'b']))", "Cannot iterate on sequence of arguments"),
        ("exp(np.array([x, 'a'], dtype=object))", "Invalid object in unary operation"),
        ("max(x, [y])", "Invalid object in n-ary operation"),
        ("min(x, np.array([1]))", "Invalid object in n-ary operation"),
        ("max(x, 'a')", "Invalid object in n-ary operation"),
        ("user(x, len)", "Invalid object in n-ary operation"),
        ("sin(x) / 0", "Division by zero"),
    ],
)
def test_function_errors(env, call, message):
    with pytest.raises(RuntimeError) as err:
        eval(call, env)
    assert str(err.value) == message


NODE_CASES = [
    ("max(x, y, 3)", ("nonlinear", "max (x, y, 3)")),
    ("min(x)", ("nonlinear", "min (x)")),
    ("max()", ("nonlinear", "max ()")),
    ("user(len, x, 2*y)", ("nonlinear", "user (user, x, 2*y)")),
    ("sqrt(x)", ("nonlinear", "sqrt (x)")),
    ("sin(x) + x", ("nonlinear", "(sin (x) + x)")),
    ("x + sin(x)", ("nonlinear", "(sin (x) + x)")),
    ("3 + sin(x)", ("nonlinear", "(sin (x) + 3)")),
    ("sin(x) + 0", ("nonlinear", "sin (x)")),
    ("sin(x) - 0", ("nonlinear", "sin (x)")),
    ("0 - sin(x)", ("nonlinear", "- (sin (x))")),
    ("sin(x) - cos(y)", ("nonlinear", "(sin (x) - cos (y))")),
    ("x - sin(x)", ("nonlinear", "(x - sin (x))")),
    ("(x + y) - sin(x)", ("nonlinear", "(- (sin (x)) +   x + y)")),
    ("(sin(x) + x) + (cos(y) + y)", ("nonlinear", "(sin (x) + cos (y) +   x + y)")),
    ("(sin(x) + x) - (cos(y) + y)", ("nonlinear", "(sin (x) + - (cos (y)) +   x - y)")),
    ("(sin(x) + x) + 1 - x", ("nonlinear", "(sin (x) + 1)")),
    ("(sin(x) + 2) - 2", ("nonlinear", "(sin (x))")),
    ("x + (sin(x) + y)", ("nonlinear", "(sin (x) +   x + y)")),
    ("sin(x) * 2", ("nonlinear", "(sin (x) * 2)")),
    ("2 * sin(x)", ("nonlinear", "(sin (x) * 2)")),
    ("sin(x) * 0", 0.0),
    ("0 * sin(x)", 0.0),
    ("sin(x) * 1", ("same", "s")),
    ("sin(x) * -1", ("nonlinear", "- (sin (x))")),
    ("-1 * sin(x)", ("nonlinear", "- (sin (x))")),
    ("sin(x) * cos(y)", ("nonlinear", "(sin (x) * cos (y))")),
    ("x * y * z", ("nonlinear", "(z * x*y)")),
    ("sin(x) / 1", ("same", "s")),
    ("0 / sin(x)", 0.0),
    ("sin(x) / cos(x)", ("nonlinear", "(sin (x) / cos (x))")),
    ("sin(x) ** 0", 1.0),
    ("sin(x) ** 1", ("same", "s")),
    ("0 ** sin(x)", 0.0),
    ("1 ** sin(x)", 1.0),
    ("sin(x) ** 2", ("nonlinear", "(sin (x) ** 2)")),
    ("-sin(x)", ("nonlinear", "- (sin (x))")),
    ("abs(sin(x))", ("nonlinear", "abs (sin (x))")),
    ("(x*x) * sin(y)", ("nonlinear", "(sin (y) * x**2)")),
    ("(x + 1) * sin(y)", ("nonlinear", "(sin (y) * 1 + x)")),
    ("sin(sin(sin(x)))", ("nonlinear", "sin (sin (sin (x)))")),
]


@pytest.mark.parametrize("text,expected", NODE_CASES, ids=[c[0] for c in NODE_CASES])
def test_node_results(env, text, expected):
    env["s"] = env["sin"](env["x"])
    text = text.replace("sin(x) * 1", "s * 1").replace("sin(x) / 1", "s / 1").replace("sin(x) ** 1", "s ** 1")
    check_result(eval(text, env), expected, env)


def test_inplace_sums_fold_the_polynomial_part(env):
    x, y, sin, cos = env["x"], env["y"], env["sin"], env["cos"]
    n = sin(x) + x
    m = n
    n += y
    assert n is m and str(n) == "(sin (x) +   x + y)"
    n += cos(y)
    assert str(n) == "(sin (x) + cos (y) +   x + y)"
    n -= x + y  # the polynomial part is now an empty expression
    assert str(n) == "(sin (x) + cos (y) + 0)"
    n += sin(y) + 4
    assert str(n) == "(sin (x) + cos (y) + sin (y) + 4)"
    n += n
    assert str(n) == "(sin (x) + cos (y) + sin (y) + sin (x) + cos (y) + sin (y) + 8)"


def test_inplace_products_keep_one_constant_last(env):
    x, y, sin = env["x"], env["y"], env["sin"]
    p = x * x * y
    assert str(p) == "(y * x**2)"
    p *= 3
    p *= 2
    assert str(p) == "(y * x**2 * 6.0)"
    p *= sin(x)
    assert str(p) == "(y * x**2 * sin (x) * 6.0)"
    q = sin(y) * 0.5
    p *= q
    assert str(p) == "(y * x**2 * sin (x) * sin (y) * 3.0)"
    p *= 1 / 3.0
    assert str(p) == "(y * x**2 * sin (x) * sin (y))"
    p *= 0  # appended, as the product does not end with a constant
    assert str(p) == "(y * x**2 * sin (x) * sin (y) * 0)"
    p *= 5
    assert p == 0.0


def test_inplace_quotients_and_powers(env):
    x, y, z, sin = env["x"], env["y"], env["z"], env["sin"]
    d = sin(x) / y
    d /= z
    assert str(d) == "(sin (x) / y*z)"
    den = x * y * z
    q = sin(x) / den
    q /= 2.0
    assert str(q) == "((sin (x) / (z * x*y)) * 0.5)"
    q2 = sin(x) / den
    q2 /= y
    assert str(q2) == "(sin (x) / (z * y * x*y))"
    assert str(den) == "(z * x*y)"  # the user's denominator is not touched
    w = sin(x) ** y
    w **= 3
    assert str(w) == "(sin (x) ** 3*y)"
    w **= 1
    assert str(w) == "(sin (x) ** 3*y)"
    with pytest.raises(RuntimeError, match="^Cannot obtain a power with a vector as an exponent$"):
        w **= np.array([1.0])


def test_operands_inside_trees_are_never_amended(env):
    """Amending a tree in place leaves the objects it was built from as they were."""
    x, y, z, sin, cos = env["x"], env["y"], env["z"], env["sin"], env["cos"]
    e = x + 2 * y
    n = sin(z) + e
    n += x
    assert str(e) == "  x +2 y"
    assert str(n) == "(sin (z) +  2 x +2 y)"
    s = ondrel.Sum([sin(x) + e, y, 3])
    assert str(e) == "  x +2 y" and str(s) == "(sin (x) + 3 + x +3 y)"
    total = sin(x) + x
    t2 = ondrel.Sum([0, total, y])
    assert str(total) == "(sin (x) + x)" and str(t2) == "(sin (x) +   x + y)"
    lst = [cos(y) + 1, sin(x)]
    ondrel.Sum(lst)
    assert str(lst[0]) == "(cos (y) + 1)"


def test_sums_built_by_plus_are_independent_of_their_left_operand(env):
    """`a + b` shares the arguments of a sum but not its list or its linear part."""
    x, y, z, sin, cos = env["x"], env["y"], env["z"], env["sin"], env["cos"]
    a = sin(x) + 2 * x
    t = a + 3 * y
    u = a - cos(z)
    a += z
    a += cos(y)
    assert str(a) == "(sin (x) + cos (y) +  2 x + z)"
    assert str(t) == "(sin (x) +  2 x +3 y)"
    assert str(u) == "(sin (x) + - (cos (z)) + 2*x)"
    t += x  # amends t's own linear part only
    assert str(t) == "(sin (x) +  3 x +3 y)" and str(u) == "(sin (x) + - (cos (z)) + 2*x)"
    # A long chain through the built-in sum holds every term once, in order.
    terms = [sin(x) * k for k in range(1, 2001)]
    chain = sum(terms, 0)
    assert str(chain).count("sin") == 2000 and str(terms[0]) == "sin (x)"


def test_constants_in_constraints_built_from_trees(env):
    x, sin = env["x"], env["sin"]
    n = sin(x) + 3
    c = n <= 5
    assert str(c.body) == "(sin (x))" and c.ub == 2.0 and c.lb == -1e20
    assert str(n) == "(sin (x) + 3)"
    c2 = sin(x) - 1 <= 0
    assert str(c2.body) == "sin (x)" and c2.ub == 1.0
    c3 = 2 - sin(x) <= 0
    assert str(c3.body) == "sin (x)" and c3.lb == 2.0 and c3.ub == 1e20
    c4 = 2 - sin(x) >= 0
    assert str(c4.body) == "sin (x)" and c4.ub == 2.0 and c4.lb == -1e20
    c5 = 2 - sin(x) == 0
    assert (c5.lb, c5.ub) == (2.0, 2.0)


def test_user_functions_are_shared_by_copies(env):
    x = env["x"]

    def f(a):
        return a * a

    u = ondrel.user(f, x)
    v = u + 1
    assert str(v) == "(user (user, x) + 1)"
    assert str(u * 2 + 0) == "(user (user, x) * 2)"
    c = ondrel.constraint(body=u, lb=0).copy()
    assert str(c.body) == "user (user, x)"


def _nest(depth, x):
    node = x
    for _ in range(depth):
        node = ondrel.sin(node)
    return node


def test_printing_stops_at_64_levels(env):
    x = env["x"]
    full = str(_nest(64, x))
    assert "[MAX RECURS LEV]" not in full and full.count("sin (") == 64
    cut = str(_nest(65, x))
    assert cut == "sin (" * 64 + "[MAX RECURS LEV]" + ")" * 64


def test_very_deep_trees_are_handled_without_crashing(env):
    x = env["x"]
    deep = _nest(200000, x)
    assert str(deep).endswith(")" * 64)
    with pytest.raises(RecursionError):
        deep + 1  # a sum copies its left operand
    assert str(deep * 2)[:6] == "(sin ("
    del deep  # released without exhausting the C stack


def test_nonlinear_nodes_cannot_be_made_from_python(env):
    node_type = type(ondrel.sin(env["x"]))
    for t in (node_type, type(env["x"] + 1), type(2 * env["x"]), type(env["x"] * env["y"])):
        with pytest.raises(TypeError, match="made by the modelling algebra"):
            t()
        with pytest.raises(TypeError):
            t.__new__(t)
        with pytest.raises(TypeError):
            object.__new__(t)
