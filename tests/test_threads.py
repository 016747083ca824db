# Problems used from several Python threads: a problem being solved refuses
# changes and result reads from other threads, solves in several threads
# give correct results, and Ctrl-C reaches the main thread's solve.
import itertools
import random
import subprocess
import sys
import threading

import pytest

import ondrel

BUSY = "The problem is being solved"


def market_split(n=30, m=4, seed=1):
    rng = random.Random(seed)
    p = ondrel.problem("market split")
    x = [ondrel.var(vartype=ondrel.binary) for _ in range(n)]
    p.addVariable(x)
    for _ in range(m):
        a = [rng.randint(0, 99) for _ in range(n)]
        p.addConstraint(ondrel.Sum(a[j] * x[j] for j in range(n)) == sum(a) // 2)
    return p, x


MUTATIONS = {
    "reset": lambda p, x: p.reset(),
    "read": lambda p, x: p.read("/nonexistent.lp"),
    "addVariable": lambda p, x: p.addVariable(ondrel.var()),
    "addConstraint": lambda p, x: p.addConstraint(x[0] + x[1] <= 1),
    "delVariable": lambda p, x: p.delVariable(x[0]),
    "setObjective": lambda p, x: p.setObjective(x[0]),
    "setControl": lambda p, x: p.setControl("timelimit", 1),
    "getSolution": lambda p, x: p.getSolution(),
    "copy": lambda p, x: p.copy(),
    "controls": lambda p, x: setattr(p.controls, "timelimit", 1),
    "free": lambda p, x: ondrel.free(),
    "writesol": lambda p, x: p.writesol("/nonexistent/x.sol"),
    "restore": lambda p, x: p.restore("/nonexistent/x"),
}


@pytest.mark.parametrize("name", sorted(MUTATIONS))
def test_changes_from_another_thread_during_a_solve_are_refused(name):
    p, x = market_split()
    p.controls.timelimit = 2
    errors = []

    def meddle():
        try:
            MUTATIONS[name](p, x)
            errors.append(None)
        except Exception as e:  # noqa: BLE001 - the exception is the result
            errors.append(e)

    timer = threading.Timer(0.5, meddle)
    timer.start()
    p.solve()
    timer.join()
    assert len(errors) == 1 and isinstance(errors[0], RuntimeError), errors
    assert BUSY in str(errors[0]) or "being solved" in str(errors[0])
    # The problem is intact and usable once the solve has returned.
    assert p.attributes.cols == 30 and p.attributes.rows == 4
    assert p.getProbStatusString().startswith("mip_")
    assert p.controls.timelimit == 2


# Methods fetched before the solve and called from another thread during it.
BOUND = {
    "addVariable": lambda f, x: f(ondrel.var()),
    "delVariable": lambda f, x: f(x[0]),
    "setObjective": lambda f, x: f(x[0]),
    "getSolution": lambda f, x: f(),
    "getObjVal": lambda f, x: f(),
}


@pytest.mark.parametrize("name", sorted(BOUND))
def test_methods_fetched_before_a_solve_are_refused_during_it(name):
    p, x = market_split()
    p.controls.timelimit = 2
    method = getattr(p, name)
    errors = []

    def meddle():
        try:
            BOUND[name](method, x)
            errors.append(None)
        except Exception as e:  # noqa: BLE001 - the exception is the result
            errors.append(e)

    timer = threading.Timer(0.5, meddle)
    timer.start()
    p.solve()
    timer.join()
    assert len(errors) == 1 and isinstance(errors[0], RuntimeError), errors
    assert "being solved" in str(errors[0])
    assert p.attributes.cols == 30 and p.attributes.rows == 4
    assert p.controls.timelimit == 2


def knapsack(seed):
    rng = random.Random(seed)
    n = 12
    v = [rng.randint(1, 40) for _ in range(n)]
    w = [rng.randint(1, 30) for _ in range(n)]
    cap = sum(w) // 2
    best = max(sum(v[i] for i in s) for k in range(n + 1) for s in itertools.combinations(range(n), k)
               if sum(w[i] for i in s) <= cap)
    p = ondrel.problem()
    x = [ondrel.var(vartype=ondrel.binary) for _ in range(n)]
    p.addVariable(x)
    p.addConstraint(ondrel.Sum(w[i] * x[i] for i in range(n)) <= cap)
    p.setObjective(ondrel.Sum(v[i] * x[i] for i in range(n)), sense=ondrel.maximize)
    return p, best


@pytest.mark.parametrize("method", ["solve", "mipoptimize"])
def test_problems_solved_in_several_threads_at_once_give_their_optima(method):
    problems = [knapsack(seed) for seed in range(6)]
    results = [None] * len(problems)

    def run(i):
        p, _ = problems[i]
        for _ in range(3):
            getattr(p, method)()
        results[i] = p.getObjVal()

    threads = [threading.Thread(target=run, args=(i,)) for i in range(len(problems))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [pytest.approx(best) for _, best in problems]


CTRL_C_TWO_THREADS = r"""
import os, random, signal, threading, time
import ondrel

def market_split(seed):
    rng = random.Random(seed)
    p = ondrel.problem("market split")
    x = [ondrel.var(vartype=ondrel.binary) for _ in range(30)]
    p.addVariable(x)
    for _ in range(4):
        a = [rng.randint(0, 99) for _ in range(30)]
        p.addConstraint(ondrel.Sum(a[j] * x[j] for j in range(30)) == sum(a) // 2)
    p.controls.timelimit = 60
    return p

other = market_split(2)
def solve_other():
    other.METHOD()
worker = threading.Thread(target=solve_other)
worker.start()
time.sleep(0.3)
p = market_split(1)
threading.Timer(1.5, lambda: os.kill(os.getpid(), signal.SIGINT)).start()
t0 = time.time()
try:
    p.METHOD()
    print("not interrupted")
except KeyboardInterrupt:
    print("interrupted after", round(time.time() - t0, 1))
worker.join()
print("other stopped after", round(time.time() - t0, 1))
p.controls.timelimit = 0.3
p.METHOD()
print("again", p.getProbStatusString())
"""


@pytest.mark.parametrize("method", ["solve", "mipoptimize"])
def test_ctrl_c_with_two_threads_solving_interrupts_both_and_raises_in_main(method):
    script = CTRL_C_TWO_THREADS.replace("METHOD", method)
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=180)
    assert out.returncode == 0, out.stderr
    lines = out.stdout.splitlines()
    assert lines[0].startswith("interrupted after"), out.stdout
    assert float(lines[0].split()[-1]) < 30
    assert float(lines[1].split()[-1]) < 30
    assert lines[2].startswith("again mip_")
