"""Worker threads of the tree search: the same answer and the same tree on
every run for a given thread count, the workers announced by mipthread and
retired by destroymt on their own threads, node callbacks receiving the
worker's problem, failures and interrupts from any thread stopping every
worker, and many threaded solves at once from several Python threads."""
import subprocess
import sys
import threading

import pytest

import ondrel

from test_bb_callbacks import NODE_KINDS, P0033, pytestmark  # noqa: F401


def p0033(threads=2):
    p = ondrel.problem()
    p.read(P0033)
    p.controls.mipsolver = 2
    p.controls.threads = threads
    return p


def knapsack(n=16, seed=0, threads=2):
    """max sum v x, sum w x <= W, two side rows: small, and a real tree."""
    import random
    rnd = random.Random(seed)
    p = ondrel.problem()
    x = [ondrel.var(vartype=ondrel.binary) for _ in range(n)]
    p.addVariable(x)
    w = [rnd.randint(5, 40) for _ in range(n)]
    u = [rnd.randint(5, 40) for _ in range(n)]
    v = [wi + rnd.randint(-4, 8) for wi in w]
    p.addConstraint(ondrel.Sum(w[i] * x[i] for i in range(n)) <= sum(w) // 2)
    p.addConstraint(ondrel.Sum(u[i] * x[i] for i in range(n)) <= sum(u) // 2)
    p.setObjective(ondrel.Sum(v[i] * x[i] for i in range(n)), sense=ondrel.maximize)
    p.controls.mipsolver = 2
    p.controls.threads = threads
    p.controls.outputlog = 0
    return p


def tree_of(p):
    """The search's tree as the callbacks see it, and its answer."""
    news, cut = [], []
    p.addcbnewnode(lambda prob, data, parent, node, branch: news.append((parent, node, branch)))
    p.addcbnodecutoff(lambda prob, data, node: cut.append(node))
    p.mipoptimize()
    x = []
    p.getmipsol(x)
    a = p.attributes
    return (a.nodes, a.mipsols, a.mipobjval, sorted(news), sorted(cut), x)


@pytest.mark.parametrize("threads", [2, 3])
def test_same_threads_give_the_same_tree_and_solution(threads):
    runs = [tree_of(p0033(threads)) for _ in range(3)]
    assert runs[0][2] == pytest.approx(3089)
    assert runs[1] == runs[0] and runs[2] == runs[0]
    # The single-threaded search agrees on the optimum.
    q = p0033(1)
    q.mipoptimize()
    assert q.attributes.mipobjval == pytest.approx(3089)


def test_workers_are_announced_and_retired_on_their_threads():
    p = p0033(2)
    log = []

    def mipthread(prob, data, tprob):
        k = sum(1 for e in log if e[0] == "mipthread")
        tprob.setprobname("worker%d" % k)
        log.append(("mipthread", "worker%d" % k, threading.get_ident()))
        keep.append(tprob)

    def event(kind):
        def f(prob, data, *args):
            log.append((kind, prob.name(), threading.get_ident()))
            return 0
        return f

    keep = []
    p.addcbmipthread(mipthread)
    p.addcbdestroymt(event("destroymt"))
    for k in ["prenode", "optnode", "infnode", "nodecutoff"]:
        getattr(p, "addcb" + k)(event(k))
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)
    starts = [e for e in log if e[0] == "mipthread"]
    ends = [e for e in log if e[0] == "destroymt"]
    assert sorted(e[1] for e in starts) == sorted(e[1] for e in ends) == ["worker0", "worker1"]
    thread_of = {e[1]: e[2] for e in starts}
    assert len(set(thread_of.values())) == 2
    assert threading.get_ident() not in thread_of.values()
    nodes = [e for e in log if e[0] not in ("mipthread", "destroymt")]
    assert len([e for e in nodes if e[0] == "prenode"]) == p.attributes.nodes
    for i, (kind, name, tid) in enumerate(log):
        assert name in thread_of and tid == thread_of[name]   # the worker's problem, on its thread
        if kind == "destroymt":
            assert all(e[1] != name for e in log[i + 1:])        # nothing of it afterwards
        if kind == "mipthread":
            assert all(e[1] != name for e in log[:i])
    # The thread problem objects do not outlive their callback.
    with pytest.raises(Exception):
        keep[0].name()
    # The answer is the problem's own, not a worker's.
    assert p.name() != "worker0"


def test_one_thread_still_announces_its_worker_and_auto_routes_to_the_tree():
    p = p0033(1)
    p.controls.mipsolver = 0          # the worker callbacks alone choose the tree search
    calls = []
    p.addcbmipthread(lambda prob, data, tprob: calls.append("start"))
    p.addcbdestroymt(lambda prob, data: calls.append("end"))
    p.mipoptimize()
    assert calls == ["start", "end"]
    assert p.attributes.mipobjval == pytest.approx(3089)


@pytest.mark.parametrize("kind", ["mipthread", "destroymt", "prenode", "optnode", "newnode"])
def test_a_raising_callback_in_a_worker_stops_the_search_and_is_raised(kind, capsys):
    p = p0033(2)
    calls = []

    def bad(prob, data, *args):
        calls.append(args)
        raise KeyError(kind)

    getattr(p, "addcb" + kind)(bad)
    with pytest.raises(KeyError, match=kind):
        p.mipoptimize()
    assert len(calls) == 1
    assert "stopping optimization" in capsys.readouterr().err
    if kind != "destroymt":
        assert p.attributes.stopstatus == ondrel.stop_user
    getattr(p, "removecb" + kind)()
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)


def test_a_callback_removing_itself_on_a_worker_removes_it_from_the_search():
    p = p0033(2)
    calls = []

    def once(prob, data):
        calls.append(1)
        prob.removecbprenode(once)
        return 0

    p.addcbprenode(once)
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)
    assert 1 <= len(calls) <= 2       # each worker may have entered it once


def test_interrupt_from_another_thread_stops_every_worker():
    p = knapsack(n=60, seed=1, threads=2)      # some 900 nodes
    started = threading.Event()

    def prenode(prob, data):
        started.set()
        return 0

    p.addcbprenode(prenode)
    ends = []
    p.addcbdestroymt(lambda prob, data: ends.append(1))

    def stopper():
        started.wait(30)
        p.interrupt(ondrel.stop_user)

    t = threading.Thread(target=stopper)
    t.start()
    p.mipoptimize()
    t.join()
    a = p.attributes
    assert len(ends) == 2
    if a.mipstatus != 6:              # the search may have been quicker than the stop
        assert a.stopstatus == ondrel.stop_user and a.mipstatus in (3, 4)


CTRL_C = r"""
import os, random, signal, threading, time
import ondrel
rng = random.Random(1)
p = ondrel.problem()
x = [ondrel.var(vartype=ondrel.binary) for _ in range(30)]
p.addVariable(x)
for _ in range(4):                      # a market split: hard to prove optimal
    a = [rng.randint(0, 99) for _ in range(30)]
    p.addConstraint(ondrel.Sum(a[j] * x[j] for j in range(30)) == sum(a) // 2)
p.controls.mipsolver = 2
p.controls.threads = 2
p.controls.timelimit = 60
ends = []
p.addcbdestroymt(lambda prob, data: ends.append(1))
threading.Timer(1.5, lambda: os.kill(os.getpid(), signal.SIGINT)).start()
t0 = time.time()
try:
    p.mipoptimize()
    print("not interrupted")
except KeyboardInterrupt:
    print("interrupted after", round(time.time() - t0, 1), "retired", len(ends))
"""


def test_ctrl_c_stops_every_worker_and_raises():
    out = subprocess.run([sys.executable, "-c", CTRL_C], capture_output=True, text=True,
                         timeout=180)
    assert out.returncode == 0, out.stderr
    words = out.stdout.split()
    assert words[:2] == ["interrupted", "after"], out.stdout
    assert float(words[2]) < 30 and words[3:] == ["retired", "2"]


def test_many_threaded_solves_on_several_python_threads():
    kinds = NODE_KINDS + ["intsol", "gapnotify", "mipthread", "destroymt"]
    seeds = [0, 1, 3, 5, 9]            # trees of some 50 to 200 nodes
    optimum = {}
    for s in seeds:
        m = knapsack(seed=s)
        m.controls.mipsolver = 1
        m.mipoptimize()
        optimum[s] = m.attributes.mipobjval
    failures = []

    def one(s):
        p = knapsack(seed=s)
        p.controls.miprelgapnotify = 0.5
        counts = {k: 0 for k in kinds}
        lock = threading.Lock()

        def counter(k):
            def f(prob, data, *args):
                with lock:
                    counts[k] += 1
                return (None, None, None, None) if k == "gapnotify" else 0
            return f

        for k in kinds:
            getattr(p, "addcb" + k)(counter(k))
        p.mipoptimize()
        a = p.attributes
        ok = (a.mipstatus == 6 and abs(a.mipobjval - optimum[s]) < 1e-6
              and counts["prenode"] == a.nodes and counts["intsol"] == a.mipsols
              and counts["mipthread"] == counts["destroymt"] == 2
              and counts["optnode"] <= a.nodes and counts["gapnotify"] <= 1)
        if not ok:
            failures.append((s, a.mipstatus, a.mipobjval, a.nodes, a.mipsols, dict(counts)))

    def worker(first):
        for i in range(25):
            one(seeds[(first + i) % len(seeds)])

    threads = [threading.Thread(target=worker, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(600)
    assert not any(t.is_alive() for t in threads), "a solve did not return"
    assert failures == []
