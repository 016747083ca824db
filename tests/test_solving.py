"""Solving and reading results back by object."""
import os
import signal
import subprocess
import sys
import threading
import time

import pytest

import ondrel


@pytest.fixture
def lp():
    # max 3x + 2y  s.t.  x + y <= 4,  x + 3y <= 7,  x <= 3  -> x=3, y=1, obj 11
    p = ondrel.problem("lp")
    x, y = ondrel.var(name="x"), ondrel.var(name="y")
    p.addVariable(x, y)
    c1, c2 = x + y <= 4, x + 3 * y <= 7
    p.addConstraint(c1, c2, x <= 3)
    p.setObjective(3 * x + 2 * y, sense=ondrel.maximize)
    return p, x, y, c1, c2


def test_lp_results_by_object(lp):
    p, x, y, c1, c2 = lp
    with pytest.raises(RuntimeError):
        p.getSolution()  # nothing solved yet
    p.solve()
    assert p.getProbStatus() == ondrel.lp_optimal
    assert p.getProbStatusString() == "lp_optimal"
    assert p.getObjVal() == pytest.approx(11)
    assert p.getSolution() == pytest.approx([3, 1])
    assert p.getSolution(x) == pytest.approx(3)
    assert p.getSolution([x]) == pytest.approx([3])
    assert p.getSolution(x, y) == pytest.approx([3, 1])
    assert p.getSolution([[x, y], [x]]) == pytest.approx([3, 1, 3])
    assert p.getSolution("y") == pytest.approx(1)
    assert p.getSolution(1) == pytest.approx(1)
    assert p.getSolution({"a": x, "b": [y]}, x) == pytest.approx([3, 1, 3])
    assert p.getSlack(c2) == pytest.approx(1)
    # duals: raising the rhs of c1 by one raises the objective by its dual
    d1 = p.getDual(c1)
    assert abs(d1) == pytest.approx(2)
    assert len(p.getRCost()) == 2
    for bad, msg in [(2, "Index out of range"), (ondrel.var(), "Index out of range"),
                     ({"a": x}, "Incorrect object\\(s\\) passed")]:
        with pytest.raises(RuntimeError, match=msg):
            p.getSolution(bad)


def test_mip_refuses_duals():
    p = ondrel.problem()
    x = ondrel.var(vartype=ondrel.integer, ub=10)
    y = ondrel.var()
    p.addVariable(x, y)
    p.addConstraint(2 * x + y <= 7.5, y <= 1)
    p.setObjective(x + y, sense=ondrel.maximize)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(4)
    assert p.getSolution(x) == pytest.approx(3)
    with pytest.raises(RuntimeError, match="Cannot retrieve dual variables in a MIP"):
        p.getDual()
    with pytest.raises(RuntimeError, match="Cannot retrieve reduced cost in a MIP"):
        p.getRCost()


def test_infeasible_and_unbounded():
    p = ondrel.problem()
    x = ondrel.var()
    p.addVariable(x)
    p.addConstraint(x >= 2, x <= 1)
    p.solve()
    assert p.getProbStatusString() == "lp_infeas"
    q = ondrel.problem()
    y = ondrel.var()
    q.addVariable(y)
    q.setObjective(y, sense=ondrel.maximize)
    q.solve()
    assert q.getProbStatusString() == "lp_unbounded"


def test_empty_problem_solves():
    p = ondrel.problem()
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    assert p.getSolution() == []


def test_quadratic_objective():
    p = ondrel.problem()
    x, y = ondrel.var(lb=-10), ondrel.var(lb=-10)
    p.addVariable(x, y)
    p.addConstraint(x + y == 1)
    p.setObjective(x ** 2 + y ** 2)
    p.solve()
    assert p.getProbStatusString() == "lp_optimal"
    assert p.getSolution() == pytest.approx([0.5, 0.5], abs=1e-5)
    assert p.getObjVal() == pytest.approx(0.5, abs=1e-6)


def test_cli_solves_the_bundled_example():
    out = subprocess.run([sys.executable, "-m", "ondrel", "--solution"], capture_output=True, text=True,
                         timeout=120)
    assert out.returncode == 0, out.stderr
    assert "mip_optimal" in out.stdout
    assert "-13" in out.stdout


def test_cli_reports_a_missing_file():
    out = subprocess.run([sys.executable, "-m", "ondrel", "/nonexistent.mps"], capture_output=True, text=True,
                         timeout=60)
    assert out.returncode != 0 and "no such file" in out.stderr


CTRL_C_SCRIPT = r"""
import os, random, signal, threading, time
import ondrel

rng = random.Random(1)
p = ondrel.problem("market split")
n, m = 30, 4
x = [ondrel.var(vartype=ondrel.binary) for _ in range(n)]
p.addVariable(x)
for i in range(m):
    a = [rng.randint(0, 99) for _ in range(n)]
    p.addConstraint(ondrel.Sum(a[j] * x[j] for j in range(n)) == sum(a) // 2)
p.controls.timelimit = 60
threading.Timer(1.0, lambda: os.kill(os.getpid(), signal.SIGINT)).start()
t0 = time.time()
try:
    p.solve()
    print("not interrupted")
except KeyboardInterrupt:
    print("interrupted after", round(time.time() - t0, 1))
print("stop", p.getAttrib("stopstatus"), p.getProbStatusString())
p.controls.timelimit = 0.5
p.solve()
print("again", p.getProbStatusString())
"""


def test_ctrl_c_interrupts_a_solve_and_leaves_the_problem_usable():
    out = subprocess.run([sys.executable, "-c", CTRL_C_SCRIPT], capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    lines = out.stdout.splitlines()
    assert lines[0].startswith("interrupted after")
    assert float(lines[0].split()[-1]) < 30
    assert lines[1].split()[:2] == ["stop", str(ondrel.stop_ctrlc)]
    assert lines[2].startswith("again mip_")


def test_deleting_an_indicator_column_makes_its_row_count_in_the_next_solve():
    # The kept solver instance left the indicator row free in the relaxation;
    # once its column is deleted the row is an ordinary constraint.
    p = ondrel.problem()
    x = ondrel.var(lb=0, ub=10)
    b = ondrel.var(vartype=ondrel.binary)
    p.addVariable(x, b)
    p.addIndicator(b == 1, x <= 3)
    p.setObjective(-x)
    p.lpoptimize('')
    assert p.attributes.lpobjval == pytest.approx(-10)
    p.delVariable(b)
    p.lpoptimize('')
    assert p.attributes.lpobjval == pytest.approx(-3)
