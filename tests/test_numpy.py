"""Arrays of modelling objects: the array rules of the operators, and the
comparisons that build arrays of constraints while leaving every other
NumPy comparison as NumPy makes it."""
import numpy as np
import pytest

import ondrel
from algebra_helpers import kind, names


@pytest.fixture
def xy():
    return names("x", "y")


def texts(arr):
    return [str(e) for e in np.asarray(arr, dtype=object).ravel()]


def bounds(arr):
    return [(c.lb, c.ub) for c in np.asarray(arr, dtype=object).ravel()]


# ---- operators with arrays ------------------------------------------------------


ARRAY_RULES = [
    ("x + A", ["1 + x", "2 + x"]),
    ("A + x", ["1 + x", "2 + x"]),
    ("x - A", ["-1 + x", "-2 + x"]),
    ("A - x", ["1 - x", "2 - x"]),
    ("x * A", ["x", "2*x"]),
    ("A * x", ["x", "2*x"]),
    ("x / A", ["x", "0.5*x"]),
    ("(2*x) * A", ["2*x", "4*x"]),
    ("(x*y) + A", ["1 + x*y", "2 + x*y"]),
    ("(x + y) * A", ["  x + y", " 2 x +2 y"]),
    ("ondrel.sin(x) + A", ["(sin (x) + 1)", "(sin (x) + 2)"]),
    ("ondrel.sin(x) / A", ["sin (x)", "(sin (x) * 0.5)"]),
]


@pytest.mark.parametrize("text,printed", ARRAY_RULES, ids=[c[0] for c in ARRAY_RULES])
def test_array_rules(xy, text, printed):
    x, y = xy
    r = eval(text, {"x": x, "y": y, "A": np.array([1, 2]), "ondrel": ondrel})
    assert isinstance(r, np.ndarray) and r.dtype == object and texts(r) == printed


@pytest.mark.parametrize("base", ["x", "2*x", "x*y", "x + y", "ondrel.sin(x)"])
def test_power_with_array_exponent_is_refused(xy, base):
    x, y = xy
    b = eval(base, {"x": x, "y": y, "ondrel": ondrel})
    with pytest.raises(RuntimeError, match="^Cannot obtain a power with a vector as an exponent$"):
        b ** np.array([1, 2])
    with pytest.raises(RuntimeError, match="^Cannot obtain a power with a vector as an exponent$"):
        b **= np.array([1, 2])


def test_inplace_operators_with_arrays(xy):
    x, y = xy
    e = x + y
    r = e
    r += np.array([1.0, 2.0])
    assert isinstance(r, np.ndarray) and texts(r) == ["1 + x + y", "2 + x + y"]
    assert str(e) == "  x + y"
    t = 2 * x
    t *= np.array([0.5, 1.0])
    assert texts(t) == ["x", "2*x"]
    n = ondrel.sin(x)
    n -= np.array([1.0])
    assert texts(n) == ["(sin (x) + -1.0)"]


def test_matrix_products_and_functions_of_arrays(xy):
    x, y = xy
    A = np.array([[1.0, 2.0], [0.0, 3.0]])
    v = np.array([x, y])
    assert texts(A @ v) == ["  x +2 y", " 0 x +3 y"] or texts(A @ v) == ["  x +2 y", "3*y"]
    assert texts(ondrel.exp(v)) == ["exp (x)", "exp (y)"]
    assert texts(ondrel.Dot(A, v)) == ["  x +2 y", "3*y"]


# ---- comparisons ------------------------------------------------------------------


def test_numeric_comparisons_are_numpy_own():
    a = np.array([1, 2, 3])
    for r, want in [(a <= 2, [True, True, False]), (a >= 2, [False, True, True]), (a == 2, [False, True, False]),
                    (a < 2, [True, False, False]), (a != 2, [True, False, True]),
                    (a == [1, 0, 3], [True, False, True]), (2 >= a, [True, True, False])]:
        assert r.dtype == np.bool_ and r.tolist() == want
    assert (np.array(1.0) <= 2) is np.True_
    assert (np.array([]) <= 1).dtype == np.bool_


def test_object_arrays_without_modelling_objects_are_numpy_own(xy):
    x, _ = xy
    s = np.array(["a", "b"], dtype=object)
    r = s == np.array(["a", "c"], dtype=object)
    assert r.dtype == np.bool_ and r.tolist() == [True, False]
    assert (np.array([1, "b"], dtype=object) == 1).tolist() == [True, False]
    # First elements decide: a later modelling object is compared by NumPy itself.
    # and the constraint it builds has no truth value.
    with pytest.raises(TypeError, match="no truth value"):
        np.array([1, x], dtype=object) == 1
    empty = np.array([], dtype=object) <= x
    assert empty.dtype == np.bool_ and empty.shape == (0,)


COMPARISON_CASES = [
    # expression, printed bodies, bounds. A modelling object on the left
    # subtracts the right side (x - 3 is the expression "  x" once its
    # constant has moved to the bound); a number on the left gives the
    # other side as the body.
    ("A <= 3", ["  x", "  y"], [(-1e20, 3.0), (-1e20, 3.0)]),
    ("A >= 3", ["  x", "  y"], [(3.0, 1e20), (3.0, 1e20)]),
    ("A == B", ["  x", "  y"], [(1.0, 1.0), (2.0, 2.0)]),
    ("A == 0", ["x", "y"], [(0.0, 0.0), (0.0, 0.0)]),
    ("B <= A", ["x", "y"], [(1.0, 1e20), (2.0, 1e20)]),
    ("B >= A", ["x", "y"], [(-1e20, 1.0), (-1e20, 2.0)]),
    ("3 >= A", ["  x", "  y"], [(-1e20, 3.0), (-1e20, 3.0)]),
    ("A <= [1, 2]", ["  x", "  y"], [(-1e20, 1.0), (-1e20, 2.0)]),
    ("x <= B", ["  x", "  x"], [(-1e20, 1.0), (-1e20, 2.0)]),
    ("B <= x", ["x", "x"], [(1.0, 1e20), (2.0, 1e20)]),
    ("x == B", ["  x", "  x"], [(1.0, 1.0), (2.0, 2.0)]),
    ("(x + 1) <= B", ["  x", "  x"], [(-1e20, 0.0), (-1e20, 1.0)]),
    ("A <= A", ["0.0", "0.0"], [(-1e20, 0.0), (-1e20, 0.0)]),
    ("A + 1 >= B", ["  x", "  y"], [(0.0, 1e20), (1.0, 1e20)]),
    ("ondrel.Dot(M, A) <= B", ["  x +2 y", " 3 y"], [(-1e20, 1.0), (-1e20, 2.0)]),
    ("np.array([x, 1], dtype=object) <= 2", ["  x", "True"], None),
]


@pytest.mark.parametrize("text,bodies,bnds", COMPARISON_CASES, ids=[c[0] for c in COMPARISON_CASES])
def test_comparisons_build_arrays_of_constraints(xy, text, bodies, bnds):
    x, y = xy
    env = {"x": x, "y": y, "A": np.array([x, y]), "B": np.array([1.0, 2.0]), "np": np, "ondrel": ondrel,
           "M": np.array([[1.0, 2.0], [0.0, 3.0]])}
    r = eval(text, env)
    assert isinstance(r, np.ndarray) and r.dtype == object and r.shape == (2,)
    got = [str(c.body) if kind(c) == "constraint" else str(c) for c in r]
    assert got == bodies
    if bnds:
        assert bounds(r) == bnds


def test_broadcasting_and_zero_dimensional_arrays(xy):
    x, y = xy
    col = np.array([[x], [y]])
    r = col <= np.array([1.0, 2.0, 3.0])
    assert r.shape == (2, 3) and [c.ub for c in r.ravel()] == [1.0, 2.0, 3.0] * 2
    assert texts([c.body for c in r.ravel()]) == ["  x"] * 3 + ["  y"] * 3
    one = np.array(x, dtype=object) <= 3
    assert kind(one) == "constraint" and one.ub == 3.0
    d = ondrel.Dot(np.array([1.0, 2.0]), np.array([x, y])) == 4
    assert kind(d) == "constraint" and (d.lb, d.ub) == (4.0, 4.0) and str(d.body) == "  x +2 y"
    s = np.float64(3) <= x
    assert kind(s) == "constraint" and (s.lb, s.ub) == (3.0, 1e20)
    with pytest.raises(ValueError):
        np.array([x, y]) <= np.array([1.0, 2.0, 3.0])


def test_comparison_errors_inside_arrays(xy):
    x, y = xy
    with pytest.raises(RuntimeError, match="^Invalid object in operation$"):
        np.array([x, y]) <= np.array(["a", 1], dtype=object)
    with pytest.raises(TypeError):
        np.array([x, "a"], dtype=object) <= 1  # the pair ('a', 1) is compared by Python
    with pytest.raises(RuntimeError, match="^Invalid constraint: cannot enforce"):
        x < np.array([1.0])
    with pytest.raises(RuntimeError, match="^Invalid constraint: cannot enforce"):
        np.array([x]) < 1  # NumPy's own comparison asks the element


def test_numpy_ufuncs_and_other_array_types_are_untouched(xy):
    x, y = xy
    A = np.array([x, y])
    assert np.less_equal(np.array([1, 2]), 1).tolist() == [True, False]
    with pytest.raises(TypeError, match="no truth value"):
        np.less_equal(A, 1)  # NumPy's own ufunc asks the truth of each constraint
    m = np.ma.masked_array([1, 2, 3], mask=[0, 1, 0])
    assert (m <= 2).tolist() == [True, None, False]


def test_interpreter_exits_cleanly_with_arrays_of_constraints_alive():
    import subprocess
    import sys

    code = (
        "import numpy as np, ondrel\n"
        "class Sub(np.ndarray): pass\n"
        "x = ondrel.var()\n"
        "keep = [np.array([x]) <= 1, np.zeros(3).view(Sub)]\n"
        "class Late:\n"
        "    def __del__(self):\n"
        "        print((keep[1] <= 1).tolist())\n"
        "late = Late()\n"
    )
    r = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
