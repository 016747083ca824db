"""Callbacks of the HiGHS solver paths firing in real solves, their results
acting, user solutions with usersolnotify, the destroy callback, and many
threads solving MIPs with callbacks at once."""
import gc
import os
import subprocess
import sys
import threading
import time

import pytest

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data"))
P0033 = os.path.join(DATA, "miplib3", "p0033.mps")
AFIRO = os.path.join(DATA, "instances", "afiro.mps")

pytestmark = pytest.mark.skipif(not (os.path.exists(P0033) and os.path.exists(AFIRO)),
                                reason="instance files not present")


def read(path):
    p = ondrel.problem()
    p.read(path)
    return p


def counter(result=0, log=None):
    """A callable counting its calls, returning `result`."""
    calls = []

    def f(prob, data, *rest):
        calls.append(rest)
        if log is not None:
            log(prob)
        return result
    return f, calls


# ---- continuous runs ----

def test_lplog_fires_during_the_simplex_and_a_nonzero_result_stops_it():
    p = read(AFIRO)
    f, calls = counter()
    p.addcblplog(f)
    p.lpoptimize("d")
    assert len(calls) > 5 and p.attributes.lpstatus == 1
    q = read(AFIRO)
    stop, scalls = counter(1)
    q.addcblplog(stop)
    q.lpoptimize("d")
    assert len(scalls) == 1
    assert q.attributes.lpstatus == 4 and q.attributes.stopstatus == ondrel.stop_user


@pytest.mark.parametrize("kind", ["barlog", "bariteration"])
def test_barrier_callbacks_fire_per_iteration_and_stop_on_request(kind):
    p = read(AFIRO)
    f, calls = counter()
    getattr(p, "addcb" + kind)(f)
    p.lpoptimize("b")
    assert len(calls) >= 3 and p.attributes.lpstatus == 1
    q = read(AFIRO)
    stop, scalls = counter(1)
    getattr(q, "addcb" + kind)(stop)
    q.lpoptimize("b")
    assert len(scalls) == 1 and q.attributes.stopstatus == ondrel.stop_user


# ---- MIP runs ----

def test_intsol_sees_each_incumbent_and_the_last_is_the_optimum():
    p = read(P0033)
    seen = []

    def intsol(prob, data):
        a = prob.attributes
        seen.append((a.mipobjval, a.bestbound, prob.getSolution()))

    p.addcbintsol(intsol)
    p.mipoptimize()
    assert seen, "no incumbent reported"
    objs = [s[0] for s in seen]
    assert all(b < a + 1e-9 for a, b in zip(objs, objs[1:]))      # minimising: improving
    assert objs[-1] == pytest.approx(3089) == p.attributes.mipobjval
    assert all(s[1] <= s[0] + 1e-6 for s in seen)                 # bound below incumbent
    assert seen[-1][2] == pytest.approx(p.getSolution(), abs=1e-6)
    assert len(seen) == p.attributes.mipsols


def test_intsol_fires_once_for_a_problem_without_integers_solved_as_a_mip():
    p = read(AFIRO)
    f, calls = counter()
    p.addcbintsol(f)
    p.mipoptimize()
    assert len(calls) == 1
    with pytest.raises(RuntimeError, match="The intsol callback is not called by this solver path"):
        p.lpoptimize()


def test_gapnotify_targets_notify_once_unless_replaced():
    p = read(P0033)
    p.controls.miprelgapnotify = 1e10       # reached at the first check with an incumbent
    f, calls = counter((None, None, None, None))
    p.addcbgapnotify(f)
    p.mipoptimize()
    assert len(calls) == 1                   # spent once reached
    assert p.attributes.mipobjval == pytest.approx(3089)
    q = read(P0033)
    q.controls.miprelgapnotify = 1e10
    again, acalls = counter((1e10, None, None, None))
    q.addcbgapnotify(again)
    q.mipoptimize()
    assert len(acalls) > 1                   # replaced by itself: every check
    assert q.attributes.mipobjval == pytest.approx(3089)


def test_gapnotify_objective_target_and_a_stop_from_inside():
    p = read(P0033)
    p.controls.mipabsgapnotifyobj = 3500
    objs = []

    def notify(prob, data):
        objs.append(prob.attributes.mipobjval)
        prob.interrupt(ondrel.stop_user)
        return (None, None, None, None)

    p.addcbgapnotify(notify)
    p.mipoptimize()
    if objs:                                 # the search may end before a check
        assert len(objs) == 1 and objs[0] <= 3500
        assert p.attributes.stopstatus == ondrel.stop_user or p.attributes.mipstatus == 6


def test_gapnotify_result_of_the_wrong_shape_stops_the_solve(capsys):
    p = read(P0033)
    p.controls.miprelgapnotify = 1e10
    f, calls = counter((1, 2))
    p.addcbgapnotify(f)
    p.mipoptimize()
    if calls:
        assert "must return tuple of four elements" in capsys.readouterr().err
        assert p.attributes.stopstatus == ondrel.stop_user


@pytest.mark.parametrize("kind", ["globallog", "cutlog"])
def test_mip_log_and_cut_callbacks_fire_and_stop_on_request(kind):
    p = read(P0033)
    f, calls = counter()
    getattr(p, "addcb" + kind)(f)
    p.mipoptimize()
    assert len(calls) >= 1 and p.attributes.mipstatus == 6
    q = read(P0033)
    stop, scalls = counter(1)
    getattr(q, "addcb" + kind)(stop)
    q.mipoptimize()
    assert len(scalls) >= 1 and q.attributes.stopstatus == ondrel.stop_user


def test_a_raising_intsol_stops_the_search_and_mipoptimize_raises_it(capsys):
    p = read(P0033)
    p.controls.threads = 4

    def bad(prob, data):
        raise KeyError("incumbent")

    p.addcbintsol(bad)
    with pytest.raises(KeyError, match="incumbent"):
        p.mipoptimize()
    assert capsys.readouterr().err.count("Problem in callback, stopping optimization") == 1
    p.removecbintsol()
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)


# ---- user solutions ----

def optimum():
    p = read(P0033)
    p.mipoptimize()
    return p.getSolution()


def test_user_solutions_are_checked_completed_and_reported():
    x = optimum()
    p = read(P0033)
    notes = []
    p.addcbusersolnotify(lambda prob, data, name, status: notes.append((name, status)))
    n = len(x)
    p.addmipsol(x, None, "full")
    p.addmipsol(x[:20], list(range(20)), "part")
    p.addmipsol([0.5] * n, None, "fractional")
    p.addmipsol([1] * n)                                  # unnamed
    p.mipoptimize()
    names = [nm for nm, _ in notes]
    assert names == ["full", "part", "fractional", "usersol4"]
    status = dict(notes)
    assert status["full"] == 1 and status["part"] == 3 and status["fractional"] == 4
    assert status["usersol4"] in (3, 4)
    assert p.attributes.mipobjval == pytest.approx(3089)
    notes.clear()
    p.mipoptimize()                                       # reported once, then forgotten
    assert notes == []
    # a partial solution alone is completed
    p.addmipsol(x[:20], list(range(20)), "alone")
    p.mipoptimize()
    assert notes == [("alone", 2)]


def test_loadmipsol_checks_at_once_and_argument_errors():
    x = optimum()
    p = read(P0033)
    assert p.loadmipsol(x) == 0
    assert p.loadmipsol([0.5] * len(x)) == 1
    with pytest.raises(RuntimeError, match="Must provide argument dsol"):
        p.loadmipsol(None)
    with pytest.raises(RuntimeError, match="Must provide argument mipsolval"):
        p.addmipsol(None)
    with pytest.raises(RuntimeError):
        p.addmipsol([1, 2])                              # one value per column needed
    with pytest.raises(RuntimeError, match="appears twice"):
        p.addmipsol([1, 1], [0, 0])
    with pytest.raises(RuntimeError, match="finite"):
        p.addmipsol([float("nan")], [0])
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)


# ---- nonlinear layer ----

def test_destroy_fires_when_the_problem_goes_and_on_reset():
    p = ondrel.problem()
    x = ondrel.var(lb=-1, ub=1)
    p.addVariable(x)
    p.setObjective(ondrel.exp(x))
    seen = []
    p.setcbdestroy(lambda prob, data: seen.append(data), "first")
    p.reset()
    assert seen == ["first"]
    p.setcbdestroy(lambda prob, data: seen.append(prob.attributes.cols), "second")
    del p
    gc.collect()
    assert seen[1:] == [0] or seen[1:] == [1]


def test_drcol_hears_of_a_determined_value_outside_the_bounds_and_its_result_is_used():
    # y is determined by y = x^2; the linearization lets x pass 1, where y
    # would exceed its upper bound 1.
    def model():
        p = ondrel.problem()
        x, y = ondrel.var(lb=0, ub=2), ondrel.var(lb=0, ub=1)
        p.addVariable(x, y)
        c = ondrel.constraint(y - x * x == 0)
        p.addConstraint(c)
        p.setObjective(ondrel.exp(-x) + 0.01 * y)
        p.controls.nlpsolver = 2
        p.chgvar(y, detrow=c)
        p.chgvar(x, initvalue=0.5)
        return p, x, y

    p, x, y = model()
    seen = []

    def drcol(prob, data, col, value, lo, up):
        seen.append((col, value, lo, up))
        return up

    p.setcbdrcol(drcol)
    p.solve()
    assert seen and all(c == 1 and (v < lo or v > up) and (lo, up) == (0, 1) for c, v, lo, up in seen)
    assert p.getSolution() == pytest.approx([1, 1], abs=1e-6)
    q, x, y = model()
    q.setcbdrcol(lambda prob, data, col, value, lo, up: 1 / 0)
    with pytest.raises(ZeroDivisionError):
        q.solve()


@pytest.mark.parametrize("solver", [1, 2])
def test_coefevalerror_names_the_row_and_column_of_a_failing_evaluation(solver):
    p = ondrel.problem()
    x, y = ondrel.var(lb=-2, ub=2), ondrel.var(lb=-5, ub=5)
    p.addVariable(x, y)
    p.addConstraint(y == ondrel.log(x + 1))
    p.setObjective((x - 1) ** 2 + y)
    p.controls.nlpsolver = solver
    p.chgvar(x, initvalue=-1.5)          # log of a negative number at the start
    seen = []
    p.setcbcoefevalerror(lambda prob, data, row, col: seen.append((row, col)) or 0)
    with pytest.raises(RuntimeError, match="ln of"):
        p.solve()
    assert seen and set(seen) == {(0, -1)}


# ---- threads ----

def small_mip(seed):
    p = ondrel.problem()
    n = 12
    x = [ondrel.var(vartype=ondrel.integer, lb=0, ub=5) for _ in range(n)]
    p.addVariable(*x)
    w = [(seed * 7 + 3 * j) % 11 + 2 for j in range(n)]
    v = [(seed * 5 + 7 * j) % 13 + 1 for j in range(n)]
    p.addConstraint(ondrel.Sum(w[j] * x[j] for j in range(n)) <= 37)
    p.addConstraint(ondrel.Sum(x[j] for j in range(0, n, 2)) <= 4)
    p.setObjective(ondrel.Sum(v[j] * x[j] for j in range(n)), sense=ondrel.maximize)
    return p


def test_mip_solves_with_callbacks_on_four_threads_at_once():
    counts = {"intsol": 0, "message": 0, "gap": 0, "solves": 0, "mipsols": 0}
    lock = threading.Lock()
    errors = []

    def work(seed):
        try:
            for k in range(50):
                p = small_mip(seed * 100 + k)
                p.controls.outputlog = 1
                p.controls.miprelgapnotify = 1e10
                local = {"intsol": 0, "message": 0, "gap": 0}

                def bump(key):
                    local[key] += 1

                p.addcbintsol(lambda prob, d: bump("intsol"))
                p.addcbmessage(lambda prob, d, msg, n, t: bump("message"))
                p.addcbgapnotify(lambda prob, d: bump("gap") or (None, None, None, None))
                p.mipoptimize()
                assert p.attributes.mipstatus == 6
                assert local["intsol"] == p.attributes.mipsols and local["gap"] <= 1
                with lock:
                    for key in local:
                        counts[key] += local[key]
                    counts["solves"] += 1
                    counts["mipsols"] += p.attributes.mipsols
        except Exception as e:  # reported on the main thread
            errors.append(e)

    t0 = time.time()
    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
    assert not any(t.is_alive() for t in threads), "deadlock"
    assert not errors, errors[0]
    assert counts["solves"] == 200 and counts["message"] > 200
    assert counts["intsol"] == counts["mipsols"] > 0 and counts["gap"] > 0
    assert time.time() - t0 < 60


CTRL_C_SCRIPT = r"""
import os, signal, threading, time, random
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
p.controls.outputlog = 1
p.controls.miprelgapnotify = 1e10
calls = []
p.addcbmessage(lambda prob, d, msg, n, t: calls.append(1))
p.addcbintsol(lambda prob, d: calls.append(2))
p.addcbgapnotify(lambda prob, d: (1e10, None, None, None))
threading.Timer(1.0, lambda: os.kill(os.getpid(), signal.SIGINT)).start()
t0 = time.time()
try:
    p.solve()
    print("not interrupted")
except KeyboardInterrupt:
    print("interrupted after", round(time.time() - t0, 1))
print("stop", p.getAttrib("stopstatus"), len(calls) > 0)
"""


def test_ctrl_c_stops_a_solve_with_callbacks():
    out = subprocess.run([sys.executable, "-c", CTRL_C_SCRIPT], capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    lines = [ln for ln in out.stdout.splitlines() if ln.startswith(("interrupted", "stop", "not "))]
    assert lines[0].startswith("interrupted after") and float(lines[0].split()[-1]) < 30
    assert lines[1] == "stop %d True" % ondrel.stop_ctrlc
