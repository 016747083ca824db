"""Multistart: the job pool runs at the next solve, the callbacks see each
job and the winner, the best result is kept, and the problem's own data
come back after the jobs."""
import gc
import weakref

import pytest

import ondrel


def two_valleys():
    """min (x^2 - 1)^2 + 0.3 x on [-2, 2]: local minima near -1 (the best) and +1."""
    p = ondrel.problem()
    x = ondrel.var(lb=-2, ub=2)
    p.addVariable(x)
    p.setObjective((x ** 2 - 1) ** 2 + 0.3 * x)
    p.chgvar(x, initvalue=1.5)
    return p, x


class Job:
    def __init__(self, name):
        self.name = name


def test_best_job_wins_and_callbacks_see_every_job():
    p, x = two_valleys()
    p.nlpoptimize()
    assert p.getSolution(x) == pytest.approx(1.0, abs=0.1)      # one start: the near valley
    seen, won = [], []
    p.setcbmsjobstart(lambda prob, data, job, desc: seen.append(("start", job.name, desc)) or 0)
    p.setcbmsjobend(lambda prob, data, job, desc: seen.append(("end", job.name, desc)) or 0)
    p.setcbmswinner(lambda prob, data, job, desc: won.append(job.name) or 0)
    p.msaddjob("right", [x], [1.5], {}, Job("A"))
    p.msaddjob("left", [x], [-1.5], {"nlpsolver": 2}, Job("B"))
    p.nlpoptimize()
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)
    assert seen == [("start", "A", "right"), ("end", "A", "right"), ("start", "B", "left"), ("end", "B", "left")]
    assert won == ["B"]
    assert p.controls.nlpsolver == 0                                # the job's control came back
    assert p.getvar(x)[5] == 1.5                                    # and the initial value


def test_a_skipped_job_does_not_run():
    p, x = two_valleys()
    p.setcbmsjobstart(lambda prob, data, job, desc: 1 if desc == "left" else 0)
    p.msaddjob("right", [x], [1.5], {}, None)
    p.msaddjob("left", [x], [-1.5], {}, None)
    p.nlpoptimize()
    assert p.getSolution(x) == pytest.approx(1.0, abs=0.1)


def test_job_objects_live_until_msclear():
    p, x = two_valleys()
    job = Job("kept")
    ref = weakref.ref(job)
    p.msaddjob("only", [x], [-1.5], {}, job)
    del job
    gc.collect()
    assert ref() is not None
    p.nlpoptimize()
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)
    p.msclear()
    gc.collect()
    assert ref() is None
    p.nlpoptimize()                                                 # a single solve again
    assert p.getSolution(x) == pytest.approx(1.0, abs=0.1)


def test_presets_add_their_jobs():
    p, x = two_valleys()
    names = []
    p.setcbmsjobstart(lambda prob, data, job, desc: names.append(desc) or 0)
    p.msaddpreset("random", ondrel.msset_initialvalues, 6, None)
    p.nlpoptimize()
    assert names == ["random %d" % k for k in range(1, 7)]
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)
    p.msclear()
    names.clear()
    p.msaddcustompreset("solvers", ondrel.msset_solvers, 2, [x], [-1.5], {"nlpiterlimit": 200}, None)
    p.nlpoptimize()
    assert names == ["solvers 1", "solvers 2"]
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)
    assert p.controls.nlpiterlimit == 1000


def test_no_job_with_a_solution_is_an_error():
    p, x = two_valleys()
    p.setcbmsjobend(lambda prob, data, job, desc: 1)               # discard every result
    p.msaddjob("a", [x], [0.5], {}, None)
    with pytest.raises(RuntimeError, match="No multistart job"):
        p.nlpoptimize()


def test_globalsol_finds_the_better_valley_and_keeps_the_pool():
    p, x = two_valleys()
    p.globalsol()
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)
    p.nlpoptimize()                                                 # no pool was left behind
    assert p.getSolution(x) == pytest.approx(1.0, abs=0.1)


# ---- parallel jobs ----

def failing_valleys():
    """two_valleys with a term that cannot be evaluated left of x = -1.8."""
    p = ondrel.problem()
    x = ondrel.var(lb=-2, ub=2)
    p.addVariable(x)
    p.setObjective((x ** 2 - 1) ** 2 + 0.3 * x + 0.01 * ondrel.sqrt(x + 1.8))
    return p, x


def test_parallel_jobs_fire_their_callbacks_on_the_thread_that_runs_them():
    import threading
    p, x = failing_valleys()
    p.setControl("threads", 2)
    events, msgs = [], []
    p.setcbmsjobstart(lambda prob, data, job, desc: events.append(("start", desc, threading.get_ident())) or 0)
    p.setcbmsjobend(lambda prob, data, job, desc: events.append(("end", desc, threading.get_ident())) or 0)
    won = []
    p.setcbmswinner(lambda prob, data, job, desc: won.append(desc) or 0)
    p.addcbmessage(lambda prob, data, msg, n, t: msgs.append(msg))
    starts = {"bad": -1.95, "right": 1.5, "left": -1.5, "bad2": -1.9, "right2": 0.8, "left2": -0.7}
    for desc, x0 in starts.items():
        p.msaddjob(desc, [x], [x0], {"nlpsolver": 2} if desc.endswith("2") else {}, None)
    p.nlpoptimize()
    # every job started and ended, each on one worker thread, none on the caller's
    main = threading.get_ident()
    thread_of = {}
    for kind, desc, ident in events:
        assert ident != main
        assert thread_of.setdefault(desc, ident) == ident
    assert sorted(d for k, d, _ in events if k == "start") == sorted(starts)
    assert sorted(d for k, d, _ in events if k == "end") == sorted(starts)
    # the failing jobs said so, the others went on, and the best was kept
    assert sum('Multistart job "bad' in m and "failed" in m for m in msgs) == 2
    assert won and won[0] in ("left", "left2")
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)


@pytest.mark.parametrize("threads", [1, 3])
def test_equal_objectives_go_to_the_lowest_job_number(threads):
    for _ in range(3):
        p, x = two_valleys()
        p.setControl("threads", threads)
        won = []
        p.setcbmswinner(lambda prob, data, job, desc: won.append(desc) or 0)
        for k in range(5):  # the same start: the same objective to the last bit
            p.msaddjob(f"job{k}", [x], [-1.5], {}, None)
        p.nlpoptimize()
        assert won == ["job0"]


def test_every_job_failing_fails_the_solve_with_the_reason():
    p, x = failing_valleys()
    p.setControl("threads", 2)
    for k in range(3):
        p.msaddjob(f"bad{k}", [x], [-1.95], {}, None)
    with pytest.raises(Exception, match="No multistart job gave a solution.*sqrt"):
        p.nlpoptimize()
    # the problem is still usable
    p.msclear()
    p.chgvar(x, initvalue=-1.5)
    p.nlpoptimize()
    assert p.getSolution(x) == pytest.approx(-1.0, abs=0.1)
