"""Sum, Prod, Dot and vars."""
import numpy as np
import pytest

import ondrel
from algebra_helpers import kind, names


@pytest.fixture
def xyz():
    return names("x", "y", "z")


def _gen(items):
    yield from items


SUM_CASES = [
    ("Sum()", "expression", "0"),
    ("Sum([])", "expression", "0"),
    ("Sum(())", "expression", "0"),
    ("Sum([1, 2])", "expression", "3"),
    ("Sum(3)", "expression", "3"),
    ("Sum(1, 2.5)", "expression", "3.5"),
    ("Sum([x, None, y])", "expression", "  x + y"),
    ("Sum(x, y, 2*x)", "expression", " 3 x + y"),
    ("Sum({'a': x, 'b': y})", "expression", "  x + y"),
    ("Sum({x, x})", "var", "x"),
    ("Sum(_gen([x, y, z]))", "expression", "  x + y + z"),
    ("Sum(i * v for i, v in enumerate([x, y, z]))", "expression", "  y +2 z"),
    ("Sum([3*x])", "linterm", "3*x"),
    ("Sum([x*y, x*y])", "quadterm", "2*x*y"),
    ("Sum([x*y, x, 1])", "expression", "1 + x + x*y"),
    ("Sum([x, ondrel.sin(y), 2])", "nonlinear", "(sin (y) + 2 + x)"),
    ("Sum(np.array([x, y, 3], dtype=object))", "expression", "3 + x + y"),
    ("Sum(np.array([1.5, 2.5]))", "expression", "4"),
    ("Sum(np.array(x + 1))", "expression", "1 + x"),
    ("Prod([x, y, z])", "nonlinear", "(z * x*y)"),
    ("Prod([2, x])", "linterm", "2*x"),
    ("Prod([x, y])", "quadterm", "x*y"),
    ("Prod(2, 3)", "float", "6.0"),
    ("Prod([x + 1, 2])", "expression", "2 +2 x"),
    ("Prod([ondrel.sin(x), 2, 3])", "nonlinear", "(sin (x) * 6.0)"),
    ("Prod([])", "float", "0.0"),
    ("Prod(_gen([x, None, y]))", "quadterm", "x*y"),
    ("Dot()", "float", "0.0"),
]


@pytest.mark.parametrize("text,result_kind,printed", SUM_CASES, ids=[c[0] for c in SUM_CASES])
def test_sum_and_prod(xyz, text, result_kind, printed):
    x, y, z = xyz
    env = {"x": x, "y": y, "z": z, "np": np, "ondrel": ondrel, "_gen": _gen,
           "Sum": ondrel.Sum, "Prod": ondrel.Prod, "Dot": ondrel.Dot}
    r = eval(text, env)
    assert kind(r) == result_kind and str(r) == printed


def test_single_variable_is_returned_itself(xyz):
    x = xyz[0]
    assert ondrel.Sum(x) is x and ondrel.Sum([x]) is x and ondrel.Sum(v for v in [x]) is x


def test_sum_leaves_its_operands_unchanged(xyz):
    x, y, z = xyz
    first = x + y
    items = [first, z, 2 * x, x * y]
    s = ondrel.Sum(items)
    assert str(first) == "  x + y" and str(s) == " 3 x + y + z + x*y"
    s2 = ondrel.Sum(items)
    assert s2 is not s and str(s2) == str(s)


@pytest.mark.parametrize(
    "args,message",
    [
        (("a",), "Invalid object being copied"),
        ((object(),), "Invalid object in cumulative operator"),
        (([[1, 2], 3],), "Invalid object being copied"),
        (([1, "a"],), "Invalid object in operation"),
    ],
)
def test_sum_errors(args, message):
    with pytest.raises(RuntimeError) as err:
        ondrel.Sum(*args)
    assert str(err.value) == message


def test_sum_of_a_generator_that_fails_passes_the_error_on(xyz):
    def broken():
        yield xyz[0]
        raise KeyError("boom")

    with pytest.raises(KeyError):
        ondrel.Sum(broken())


def test_dot_of_vectors_and_matrices(xyz):
    x, y, z = xyz
    r = ondrel.Dot(np.array([1.0, 2.0]), np.array([x, y]))
    assert isinstance(r, np.ndarray) and r.shape == () and str(r.item()) == "  x +2 y"
    A = np.array([[1.0, 0.0, 2.0], [0.0, 3.0, 0.0]])
    v = np.array([x, y, z], dtype=object)
    rows = ondrel.Dot(A, v)
    assert rows.shape == (2,) and [str(e) for e in rows] == ["  x +2 z", "3*y"]  # zero factors add nothing
    Q = np.array([[1.0, 1.0], [0.0, 2.0]])
    q = ondrel.Dot(np.array([x, y]), Q, np.array([x, y]))
    assert q.shape == () and str(q.item()) == "  x*y + x**2 +2 y**2"
    ints = ondrel.Dot(np.array([[1, 2], [3, 4]]), np.array([5, 6]))
    assert ints.dtype == np.int64 and ints.tolist() == [17, 39]
    mixed = ondrel.Dot(np.array([[1, 2], [3, 4]]), np.array([[0.5], [1.0]]))
    assert mixed.dtype == np.float64 and mixed.tolist() == [[2.5], [5.5]]
    batch = ondrel.Dot(np.ones((2, 3)), np.arange(24.0).reshape(2, 3, 4))
    assert batch.shape == (2, 2, 4) and np.allclose(batch, np.dot(np.ones((2, 3)), np.arange(24.0).reshape(2, 3, 4)))


def test_dot_accumulates_without_touching_its_operands(xyz):
    x, y, z = xyz
    s = ondrel.sin(x) + y
    e = x + y
    r = ondrel.Dot(np.array([1, 1, 1], dtype=object), np.array([s, e, z]))
    assert str(r.item()) == "(sin (x) +   x +2 y + z)"
    assert str(s) == "(sin (x) + y)" and str(e) == "  x + y"
    r2 = ondrel.Dot(np.array([0.0, 1.0, 2.0]), np.array([e, s, e]))
    assert str(e) == "  x + y" and str(s) == "(sin (x) + y)"
    assert str(r2.item()) == "(sin (x) +  3 y +2 x)"


def test_dot_with_out_argument(xyz):
    x, y = xyz[:2]
    out = np.empty(2, dtype=object)
    r = ondrel.Dot(np.eye(2), np.array([x, y]), out=out)
    assert r is out and [str(e) for e in out] == ["x", "y"]
    fout = np.zeros(2)
    assert ondrel.Dot(np.eye(2), np.array([1.0, 2.0]), out=fout) is fout and fout.tolist() == [1.0, 2.0]
    single = np.zeros(2)
    assert ondrel.Dot([np.array([3.0, 4.0])], out=single) is single and single.tolist() == [3.0, 4.0]


@pytest.mark.parametrize(
    "a,b,kwargs,message",
    [
        ("[1, 2]", "[x, y]", {}, "Dot product can only occur between NumPy arrays"),
        ("np.ones(2)", "[x, y]", {}, "Dot product can only occur between NumPy arrays"),
        ("np.ones((2, 3))", "np.ones(2)", {}, "Dot product must have matching sizes in the multiplying dimension"),
        ("np.ones(2)", "np.array(1.0)", {}, "Dot product must have matching sizes in the multiplying dimension"),
        ("np.ones(2, dtype=np.float32)", "np.ones(2)", {},
         "Dot product must be between long, double, and expressions/variables"),
        ("np.ones(2, dtype=np.int32)", "np.ones(2)", {},
         "Dot product must be between long, double, and expressions/variables"),
        ("np.ones(2)", "np.ones(2)", {"out": "np.zeros((), dtype=object)"}, "Output argument set with wrong type"),
        ("np.ones(2)", "np.ones(2)", {"out": "[0.0]"}, "Output argument set with wrong type"),
        ("np.ones((2, 2))", "np.ones(2)", {"out": "np.zeros(3)"}, "Cannot set up dot product"),
    ],
)
def test_dot_errors(xyz, a, b, kwargs, message):
    env = {"np": np, "x": xyz[0], "y": xyz[1]}
    kw = {k: eval(v, env) for k, v in kwargs.items()}
    with pytest.raises(RuntimeError) as err:
        ondrel.Dot(eval(a, env), eval(b, env), **kw)
    assert str(err.value) == message


def test_vars_names_keys_and_attributes():
    v = ondrel.vars([0, 1], ["a", "b", "c"])
    assert list(v) == [(0, "a"), (0, "b"), (0, "c"), (1, "a"), (1, "b"), (1, "c")]
    assert [str(e) for e in v.values()] == ["x(0,a)", "x(0,b)", "x(0,c)", "x(1,a)", "x(1,b)", "x(1,c)"]
    hashes = [hash(e) for e in v.values()]
    assert hashes == sorted(hashes) and len(set(hashes)) == 6
    w = ondrel.vars(["a", "b"], name="y", vartype=ondrel.integer)
    assert list(w) == ["a", "b"] and str(w["a"]) == "y(a)" and w["b"].vartype == ondrel.integer
    g = ondrel.vars(2, 3)
    assert list(g)[0] == (0, 0) and list(g)[-1] == (1, 2) and str(g[1, 2]) == "x(1,2)"
    b = ondrel.vars(np.int64(2), [b"k"], vartype=ondrel.binary, lb=-1, ub=5, threshold=3)
    e = b[1, b"k"]
    assert str(e) == "x(1,k)" and (e.lb, e.ub, e.threshold, e.vartype) == (-1.0, 5.0, 3.0, 1)
    d = ondrel.vars(1)[0]
    assert (d.lb, d.ub, d.threshold, d.vartype) == (0.0, 1e20, -1e20, 0)
    long_name = ondrel.vars(["n" * 5000], name="p" * 3000)
    assert len(str(long_name["n" * 5000])) == 8002


@pytest.mark.parametrize(
    "args,kwargs,error,message",
    [
        ((["a", "a"],), {}, RuntimeError,
         "Duplicate entry in vars: <x(a)>. Check arguments for duplicate entries in one or more of the lists"),
        ((0,), {}, RuntimeError, "Invalid index: empty dimension in creation of variables"),
        ((-2,), {}, RuntimeError, "Invalid index: empty dimension in creation of variables"),
        (([],), {}, RuntimeError, "Invalid index: empty dimension in creation of variables"),
        (([1.5],), {}, RuntimeError, "Element of index tuple in vars() cannot be represented"),
        (("ab",), {}, RuntimeError,
         "Invalid index: a call to ondrel.vars() must have a tuple of lists or integer numbers as its first argument"),
        (((1, 2),), {}, RuntimeError,
         "Invalid index: a call to ondrel.vars() must have a tuple of lists or integer numbers as its first argument"),
        ((), {}, RuntimeError, "ondrel.vars must be invoked with one or more lists of indices"),
        (([b"\xff"],), {}, RuntimeError, "Invalid variable name"),
        (([1],), {"indices": [1]}, TypeError, None),
        (([1],), {"name": 3}, TypeError, None),
    ],
)
def test_vars_errors(args, kwargs, error, message):
    with pytest.raises(error) as err:
        ondrel.vars(*args, **kwargs)
    if message:
        assert str(err.value) == message


MODULE_FUNCTIONS = ["exp", "log", "log10", "sin", "cos", "tan", "asin", "acos", "atan", "abs", "sqrt", "sign",
                    "erf", "erfc", "max", "min", "user", "Sum", "Prod", "Dot", "vars"]


@pytest.mark.parametrize("name", MODULE_FUNCTIONS)
def test_module_functions_are_documented(name):
    doc = getattr(ondrel, name).__doc__
    sections = ["Purpose:", "Synopsis:", "Arguments:", "Example:", "Further information:", "Related topics:"]
    assert [doc.index(s) for s in sections] == sorted(doc.index(s) for s in sections)


def test_published_types_and_first_identifier():
    import subprocess
    import sys

    code = ("import ondrel; v = ondrel.var(); w = ondrel.var();"
            "print(v, w, ondrel.sos.__name__, ondrel.constraint.__name__,"
            " hasattr(ondrel, 'expression'), hasattr(ondrel, 'linterm'), hasattr(ondrel, 'nonlinear'))")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.split() == ["C1", "C2", "SOS", "constraint", "False", "False", "False"]
