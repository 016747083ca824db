"""The library's own tree search (controls.mipsolver = 2) through the
modelling layer: public MIP instances to their published optima, sets and
indicators without finite bounds, limits and an interrupt from another
thread keeping the best solution."""
import os
import random
import threading
import time

import pytest

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data"))

# Instances the tree search proves optimal in seconds: (folder, name, optimum).
SOLVED = [
    ("instances", "flugpl", 1201500), ("instances", "small_mip", 3.2368421),
    ("instances", "egout", 568.1007), ("miplib3", "p0033", 3089), ("miplib3", "enigma", 0),
    ("miplib3", "misc06", 12850.8607), ("miplib3", "gen", 112313), ("miplib3", "mod010", 6548),
]


def tree_problem():
    p = ondrel.problem()
    p.controls.mipsolver = 2
    return p


@pytest.mark.parametrize("folder,name,optimum", SOLVED, ids=[s[1] for s in SOLVED])
def test_instance_to_its_published_optimum(folder, name, optimum):
    path = os.path.join(DATA, folder, name + ".mps")
    if not os.path.exists(path):
        pytest.skip("instance folder not present")
    p = tree_problem()
    p.read(path)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(optimum, rel=2e-4, abs=1e-4)
    assert p.attributes.nodes >= 1
    assert p.attributes.bestbound <= p.attributes.mipobjval + 1e-6 * max(1, abs(optimum))


@pytest.mark.parametrize("name", ["semi-continuous", "semi-integer"])
@pytest.mark.parametrize("threads", [1, 2])
def test_feature_instances_agree_with_highs(name, threads):
    path = os.path.join(DATA, "instances", name + ".mps")
    if not os.path.exists(path):
        pytest.skip("instance folder not present")
    found = []
    for solver in (1, 2):
        p = ondrel.problem()
        p.read(path)
        p.controls.mipsolver = solver
        p.controls.threads = threads
        p.solve()
        found.append((p.getProbStatusString(), p.getObjVal()))
    assert found[0][0] == found[1][0] == "mip_optimal"
    assert found[1][1] == pytest.approx(found[0][1], rel=1e-6, abs=1e-6)


def test_sos2_and_indicator_without_bounds():
    # A piecewise-linear cost f(t) by SOS2 weights, t >= 2.5, points
    # (0, 4) (1, 0) (2, 3) (3, 1): t = 3, f = 1; and an indicator row on
    # unbounded columns: y >= 5 when b = 1, b worth 6 in the objective.
    p = tree_problem()
    w = [ondrel.var() for _ in range(4)]
    y = ondrel.var()
    b = ondrel.var(vartype=ondrel.binary)
    p.addVariable(w, y, b)
    p.addConstraint(ondrel.Sum(w) == 1, w[1] + 2 * w[2] + 3 * w[3] >= 2.5)
    p.addSOS(ondrel.sos(w, [0, 1, 2, 3], type=2))
    p.addIndicator(b == 1, y >= 5)
    p.setObjective(4 * w[0] + 3 * w[2] + w[3] + y - 6 * b)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(1 + 5 - 6)
    assert p.getSolution(y) == pytest.approx(5)


def market_split(seed=1):
    rng = random.Random(seed)
    p = tree_problem()
    x = [ondrel.var(vartype=ondrel.binary) for _ in range(30)]
    s = [ondrel.var() for _ in range(8)]
    p.addVariable(x, s)
    for i in range(4):
        a = [rng.randint(0, 99) for _ in range(30)]
        p.addConstraint(ondrel.Sum(a[j] * x[j] for j in range(30)) + s[2 * i] - s[2 * i + 1]
                        == sum(a) // 2)
    p.setObjective(ondrel.Sum(s))
    return p, x


@pytest.mark.parametrize("control,value,stop", [
    ("maxnode", 20, ondrel.stop_nodelimit), ("timelimit", 0.3, ondrel.stop_timelimit),
    ("maxmipsol", 1, ondrel.stop_sollimit)])
def test_limits_stop_with_their_status_and_keep_the_incumbent(control, value, stop):
    p, x = market_split()
    setattr(p.controls, control, value)
    p.solve()
    assert p.attributes.stopstatus == stop
    assert p.getProbStatusString() == "mip_solution"
    assert all(abs(v - round(v)) < 1e-6 for v in p.getSolution(x))
    if control == "maxnode":
        assert p.attributes.nodes == 20


def test_interrupt_from_another_thread():
    p, x = market_split()
    p.controls.timelimit = 60
    timer = threading.Timer(0.5, lambda: p.interrupt(ondrel.stop_user))
    t0 = time.time()
    timer.start()
    p.solve()
    timer.join()
    assert time.time() - t0 < 10
    assert p.attributes.stopstatus == ondrel.stop_user
    assert p.getProbStatusString() == "mip_solution"
    p.getSolution(x)


def test_solver_choice_is_a_checked_control():
    p = ondrel.problem()
    with pytest.raises(Exception, match="MIPSOLVER|mipsolver"):
        p.controls.mipsolver = 3
    assert p.controls.mipsolver == 0
