"""Lifetimes of controls/attributes, module-level control values, integer
narrowing, NaN bounds and UTF-8 names."""
import gc

import pytest

import ondrel


def test_controls_of_a_temporary_problem_are_readable():
    assert ondrel.problem().controls.presolve in (0, 1)
    assert isinstance(ondrel.problem().attributes.rows, int)


def test_controls_keep_their_problem_alive():
    p = ondrel.problem()
    p.controls.feastol = 1e-3
    c, a = p.controls, p.attributes
    del p
    gc.collect()
    q = ondrel.problem()
    assert q.controls.feastol != 1e-3
    assert c.feastol == 1e-3
    assert a.cols == 0


def test_problem_and_controls_cycle_is_collected():
    def live():
        return sum(type(o) is ondrel.problem for o in gc.get_objects())
    gc.collect()
    before = live()
    p = ondrel.problem()
    p.controls, p.attributes
    del p
    gc.collect()
    assert live() == before


def test_dict_of_controls_cannot_break_other_problems():
    p = ondrel.problem()
    d = p.controls.__dict__
    with pytest.raises((TypeError, AttributeError)):
        d.clear()
    with pytest.raises(TypeError):
        d['presolve'] = 3
    assert ondrel.problem().controls.presolve in (0, 1)
    assert 'presolve' in p.controls.__dict__


@pytest.mark.parametrize("value, error", [
    (7, ValueError),
    (-5, ValueError),
    (2**70, ValueError),
    ("x", RuntimeError),
])
def test_module_level_control_refuses_bad_value(value, error):
    before = ondrel.controls.presolve
    with pytest.raises(error):
        ondrel.controls.presolve = value
    assert ondrel.controls.presolve == before
    assert ondrel.problem().controls.presolve == before


def test_module_level_control_accepts_good_value():
    before = ondrel.controls.presolve
    try:
        ondrel.controls.presolve = 0
        assert ondrel.problem().controls.presolve == 0
    finally:
        ondrel.controls.presolve = before


@pytest.mark.parametrize("value", [2**31, -2**31 - 1, 2**70])
def test_problem_integer_control_out_of_range(value):
    p = ondrel.problem()
    with pytest.raises(OverflowError, match="out of range"):
        p.controls.presolve = value
    assert p.controls.presolve in (0, 1)


@pytest.mark.parametrize("kwargs", [{"history": 2**70}, {"history": 2**32}, {"converged": -2**40}])
def test_chgvar_integer_arguments_overflow(kwargs):
    p = ondrel.problem()
    x = ondrel.var()
    p.addVariable(x)
    with pytest.raises(OverflowError, match="out of range"):
        p.chgvar(x, **kwargs)


def test_chgvar_column_index_does_not_wrap():
    p = ondrel.problem()
    x = ondrel.var()
    p.addVariable(x)
    with pytest.raises(OverflowError, match="Column index"):
        p.chgvar(2**32, history=1)


def _pair():
    return ondrel.var(), ondrel.var()


@pytest.mark.parametrize("build", [
    lambda x, y: x + y <= float('nan'),
    lambda x, y: x + y >= float('nan'),
    lambda x, y: x + y == float('nan'),
    lambda x, y: float('nan') <= x + y,
    lambda x, y: ondrel.sin(x) <= float('nan'),
    lambda x, y: float('nan') - ondrel.sin(x) <= 0,
    lambda x, y: ondrel.constraint(body=x + y, lb=float('nan')),
    lambda x, y: ondrel.constraint(body=x + y, ub=float('nan')),
    lambda x, y: ondrel.constraint(body=x + y, sense=ondrel.leq, rhs=float('nan')),
])
def test_nan_bound_is_refused(build):
    x, y = _pair()
    with pytest.raises(RuntimeError, match="NaN"):
        build(x, y)


def test_vartype_doc_matches_constants():
    doc = ondrel.var.vartype.__doc__
    for name in ("continuous", "binary", "integer", "semicontinuous", "semiinteger", "partiallyinteger"):
        assert f"{name} ({getattr(ondrel, name)})" in doc


def test_non_ascii_names_round_trip():
    p = ondrel.problem()
    x = ondrel.var(name="café")
    p.addVariable(x)
    c = ondrel.constraint(x <= 1, name="contrainte_été")
    p.addConstraint(c)
    assert p.getVariable(0).name == "café"
    assert p.getIndex(x) == 0
    assert p.getIndex(c) == 0


def test_vars_with_non_ascii_index_names_them_in_utf8():
    x = ondrel.vars(["é", 2**70], name="prix")
    assert sorted(v.name for v in x.values()) == ["prix(1180591620717411303424)", "prix(é)"]


@pytest.mark.parametrize("text", [
    "1 <= x <= 3",
    "bool(x <= 3)",
    "x in [y]",
    "[x, y] == [z, z]",
    "not (x == y)",
    "(x + y <= 1) and (x >= 0)",
    "if x == y: pass",
])
def test_constraints_have_no_truth_value(text):
    env = {"x": ondrel.var(), "y": ondrel.var(), "z": ondrel.var()}
    with pytest.raises(TypeError, match=r"ondrel\.constraint\(body, lb=\.\.\., ub=\.\.\.\)"):
        exec(text, env)


def test_identity_and_hashing_of_variables_still_work():
    x, y = ondrel.var(), ondrel.var()
    assert x in [x] and x in {x: 1} and x in {x} and y not in {x}
    assert [x, y] == [x, y]  # the same objects: equal by identity
    c = ondrel.constraint(body=x, lb=1, ub=3)
    assert (c.lb, c.ub) == (1, 3)


DEEP_SCRIPT = r"""
import sys, ondrel
x = ondrel.var()
builders = {
    "unary": lambda e, i: ondrel.sin(e) if i % 2 else ondrel.exp(e),
    "binary": lambda e, i: ondrel.exp(e) / (x + i) if i % 2 else ondrel.log(e) - x,
    "power": lambda e, i: ondrel.cos(e) ** 2,
    "negation": lambda e, i: -ondrel.sin(e),
    "nary": lambda e, i: ondrel.max(ondrel.sin(e), x),
}
e = x
for i in range(40000):
    e = builders[sys.argv[1]](e, i)
outcomes = []
def attempt(name, f):
    try:
        f()
        outcomes.append(name + ":ok")
    except RecursionError:
        outcomes.append(name + ":recursion")
attempt("str", lambda: str(e))
attempt("repr", lambda: repr(e))
attempt("arith", lambda: (e + 1, e * x, -e, e - e))
attempt("copy", lambda: ondrel.constraint(e <= 1).copy())
p = ondrel.problem()
p.addVariable(x)
attempt("objective", lambda: p.setObjective(e))
attempt("constraint", lambda: p.addConstraint(e <= 1))
# A refused tree leaves the problem as it was.
assert p.attributes.rows == (1 if "constraint:ok" in outcomes else 0)
del e, p
print(" ".join(outcomes))
"""


@pytest.mark.parametrize("shape", ["unary", "binary", "power", "negation", "nary"])
def test_deep_nonlinear_trees_never_crash(shape):
    import subprocess
    import sys
    run = subprocess.run([sys.executable, "-c", DEEP_SCRIPT, shape], capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr[-2000:]
    assert "str:" in run.stdout and "constraint:" in run.stdout


def _written_lp(tmp_path, name):
    p = ondrel.problem()
    x = ondrel.var(name=name)
    p.addVariable(x)
    p.addConstraint(ondrel.constraint(x <= 1, name="r1"))
    p.setObjective(x)
    path = str(tmp_path / "m.lp")
    p.write(path, "l")
    return path


def test_non_ascii_names_survive_a_file(tmp_path):
    q = ondrel.problem()
    q.read(_written_lp(tmp_path, "café"))
    assert [v.name for v in q.getVariable()] == ["café"]


def test_invalid_utf8_name_from_library_is_a_clear_error(tmp_path):
    path = _written_lp(tmp_path, "café")
    with open(path, "rb") as f:
        data = f.read().replace("café".encode(), b"caf\xe9")
    with open(path, "wb") as f:
        f.write(data)
    # The reader refuses the file before anything is loaded.
    p = ondrel.problem()
    with pytest.raises((RuntimeError, ValueError), match="UTF-8"):
        p.read(path)
    assert p.attributes.cols == 0 and p.getVariable() == []
