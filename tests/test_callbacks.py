"""Callbacks: registration and removal of every kind, callbacks firing in
real solves with their results acting, references of callables and data,
failing callables, and the module's global environment services."""
import gc
import sys
import threading

import pytest

import ondrel

OPTIMIZER_KINDS = [
    "bariteration", "barlog", "chgbranchobject", "cutlog", "destroymt", "gapnotify", "globallog",
    "infnode", "intsol", "lplog", "message", "mipthread", "newnode", "nodecutoff", "optnode",
    "preintsol", "prenode", "usersolnotify"]
NONLINEAR_KINDS = [
    "cascadeend", "cascadestart", "cascadevar", "cascadevarfail", "coefevalerror", "construct",
    "destroy", "drcol", "formula", "iterend", "iterstart", "itervar", "msjobend", "msjobstart",
    "mswinner", "slpend", "slpnode", "slpstart"]
# Kinds that no solver path of an LP calls: a solve refuses to start with them.
UNFIRED = ["chgbranchobject", "destroymt", "infnode", "mipthread", "newnode", "nodecutoff",
           "optnode", "preintsol", "prenode"]


def nlp_problem():
    """min exp(x) + (y - 1)^2 with x^2 + y^2 <= 4: solved by the nonlinear layer."""
    p = ondrel.problem()
    x, y = ondrel.var(lb=-10, ub=10), ondrel.var(lb=-10, ub=10)
    p.addVariable(x, y)
    p.addConstraint(x * x + y * y <= 4)
    p.setObjective(ondrel.exp(x) + (y - 1) ** 2)
    return p, x, y


def lp_problem():
    p = ondrel.problem()
    x = ondrel.var(ub=4)
    p.addVariable(x)
    p.addConstraint(2 * x <= 5)
    p.setObjective(x, sense=ondrel.maximize)
    return p, x


def released(*objs):
    for o in objs:
        del o
    gc.collect()


def nothing(*args):
    return 0


@pytest.mark.parametrize("kind", OPTIMIZER_KINDS)
def test_optimizer_kind_add_and_remove(kind):
    p = ondrel.problem()
    add, remove = getattr(p, "addcb" + kind), getattr(p, "removecb" + kind)
    d = object()
    add(nothing, d, 3)
    add(nothing)
    with pytest.raises(RuntimeError, match="^Callback not found$"):
        remove(nothing, object())
    remove(nothing, d)          # only the record with that data
    remove(nothing)             # the one left
    remove()                    # empty slot, no filter: nothing to do
    with pytest.raises(RuntimeError, match="^Cannot remove callback from an empty set$"):
        remove(nothing)
    assert getattr(p, "addcb" + kind).__doc__.startswith("Purpose:")


@pytest.mark.parametrize("kind", NONLINEAR_KINDS)
def test_nonlinear_kind_set(kind):
    p = ondrel.problem()
    getattr(p, "setcb" + kind)(nothing, None, 2)
    getattr(p, "setcb" + kind)(callback=nothing)
    assert not hasattr(p, "removecb" + kind)


@pytest.mark.parametrize("call, exc, msg", [
    (lambda p: p.addcbintsol(5), TypeError, "Cannot add callback"),
    (lambda p: p.addcbintsol(), TypeError, "Cannot add callback"),
    (lambda p: p.addcbintsol(nothing, None, "high"), TypeError, "Cannot add callback"),
    (lambda p: p.setcbslpend(nothing, bogus=1), TypeError, "Cannot add callback"),
    (lambda p: p.removecbintsol(5), TypeError, "Cannot remove callback"),
    (lambda p: p.removecbintsol(nothing, None, 3), TypeError, "Cannot remove callback"),
    (lambda p: p.copycallbacks(3), RuntimeError,
     "copycallbacks() must be called with the source problem as argument"),
    (lambda p: p.copycallbacks(), RuntimeError,
     "copycallbacks() must be called with the source problem as argument"),
])
def test_argument_errors(call, exc, msg):
    p = ondrel.problem()
    with pytest.raises(exc) as e:
        call(p)
    assert str(e.value) == msg


def test_removal_matches_by_identity_and_removes_every_match():
    p = ondrel.problem()
    d1, d2 = [1], [1]           # equal but distinct
    p.addcbmessage(nothing, d1)
    p.addcbmessage(nothing, d1)
    p.addcbmessage(nothing, d2)
    with pytest.raises(RuntimeError, match="Callback not found"):
        p.removecbmessage(lambda *a: 0, d1)
    p.removecbmessage(nothing, d1)   # both registrations with d1
    with pytest.raises(RuntimeError, match="Callback not found"):
        p.removecbmessage(nothing, d1)
    p.removecbmessage(data=d2)
    with pytest.raises(RuntimeError, match="empty set"):
        p.removecbmessage(nothing)


def test_message_callbacks_receive_every_line_with_none_as_default_data():
    p, x, y = nlp_problem()
    p.controls.nlplog = 1
    lines = []
    p.addcbmessage(lambda prob, data, msg, length, mtype: lines.append((data, msg, length, mtype)))
    p.solve()
    assert lines and all(d is None and len(m) == n and t in (1, 3, 4) for d, m, n, t in lines)
    assert any("Nonlinear solve" in m for _, m, _, _ in lines)


def test_nonlinear_callbacks_fire_with_the_same_modelling_objects():
    p, x, y = nlp_problem()
    events = []

    def iterend(prob, data):
        events.append("end")
        # a problem object reading through the invocation's handle
        assert isinstance(prob, ondrel.problem) and prob is not p
        assert prob.controls.nlpiterlimit == p.controls.nlpiterlimit
        return 0

    p.setcbconstruct(lambda prob, data: events.append("construct"))
    p.setcbslpstart(lambda prob, data: events.append(("start", data)) and None, "s")
    p.setcbiterstart(lambda prob, data: events.append("it"))
    p.setcbitervar(lambda prob, data, col: events.append(("var", col)))
    p.setcbiterend(iterend)
    p.setcbslpend(lambda prob, data: events.append("slpend"))
    p.solve()
    assert events[:2] == ["construct", ("start", "s")] and events[-1] == "slpend"
    its = events.count("it")
    assert its >= 1 and events.count("end") == its
    cols = {e[1] for e in events if isinstance(e, tuple) and e[0] == "var"}
    assert {0, 1} <= cols
    assert p.getProbStatus() in (1, 2)


@pytest.mark.parametrize("stopper", ["construct", "slpstart", "iterstart", "iterend"])
def test_a_result_asking_to_stop_ends_the_solve_unfinished(stopper):
    p, x, y = nlp_problem()
    calls = []

    def stop(prob, data):
        calls.append(1)
        return 1

    getattr(p, "setcb" + stopper)(stop)
    p.solve()
    assert len(calls) == 1
    assert p.attributes.nlpstatus == 6      # unfinished


def test_the_newest_set_callback_replaces_the_library_one():
    p, x, y = nlp_problem()
    first, second = [], []
    p.setcbslpstart(lambda prob, d: first.append(1))
    p.setcbslpstart(lambda prob, d: second.append(1))
    p.solve()
    assert first == [] and second == [1]


def test_a_raising_callback_stops_the_solve_and_solve_raises_it(capsys):
    p, x, y = nlp_problem()
    calls = []

    def bad(prob, data):
        calls.append(1)
        raise ValueError("boom")

    p.setcbiterstart(bad)
    p.setcbiterend(lambda prob, d: calls.append("later"))
    with pytest.raises(ValueError, match="boom"):
        p.solve()
    assert calls == [1]                      # nothing more was called
    assert capsys.readouterr().err.count("Problem in callback, stopping optimization") == 1
    # the problem is usable again
    p.setcbiterstart(nothing)
    p.removecbmessage()
    p.solve()


def test_own_code_trampoline_failure_and_non_integer_results(capsys):
    p, x, y = nlp_problem()
    p.setcbitervar(lambda prob, d, col: 1 / 0)
    with pytest.raises(ZeroDivisionError):
        p.nlpoptimize()
    assert "Problem in itervar() callback, stopping optimization" in capsys.readouterr().err
    # iterend returning a non-integer gives -1: nonzero, so the solve stops
    q, x, y = nlp_problem()
    ends = []
    q.setcbiterend(lambda prob, d: ends.append(1) or "x")
    q.solve()
    assert ends == [1] and q.attributes.nlpstatus == 6


def test_removing_callbacks_from_inside_a_callback():
    p, x, y = nlp_problem()
    p.controls.nlplog = 1
    seen = []

    def once(prob, data, msg, n, t):
        seen.append(msg)
        prob.removecbmessage(once)       # through the problem object handed in
        prob.addcbmessage(later)         # goes to the registering problem

    def later(prob, data, msg, n, t):
        seen.append("later")

    p.addcbmessage(once)
    p.solve()
    assert seen[0] != "later" and seen.count("later") == len(seen) - 1 and len(seen) > 1
    p.removecbmessage(later)
    with pytest.raises(RuntimeError, match="empty set"):
        p.removecbmessage(later)


def test_solve_from_inside_its_own_callback_is_refused_clearly():
    p, x, y = nlp_problem()
    errors = []

    def again(prob, data):
        try:
            p.solve()
        except RuntimeError as e:
            errors.append(str(e))

    p.setcbslpstart(again)
    p.solve()
    assert errors and "already" in errors[0]
    assert p.getProbStatus() in (1, 2)      # the outer solve went on


@pytest.mark.parametrize("kind", UNFIRED)
def test_a_kind_no_solver_calls_is_refused_at_solve_start(kind):
    p, x = lp_problem()
    getattr(p, "addcb" + kind)(nothing)
    with pytest.raises(RuntimeError) as e:
        p.solve()
    assert str(e.value) == (
        "The %s callback is not called by this solver path; remove it before solving" % kind)
    with pytest.raises(RuntimeError, match=kind):
        p.lpoptimize()
    getattr(p, "removecb" + kind)()
    p.solve()
    assert p.getSolution(x) == pytest.approx(2.5)


def test_iteration_callbacks_with_ipopt_chosen_are_refused():
    p, x, y = nlp_problem()
    p.controls.nlpsolver = 1
    p.setcbiterend(nothing)
    with pytest.raises(RuntimeError, match="iterend callback is called by the SLP local solver only"):
        p.solve()


def test_references_of_callables_and_data():
    def f(*a):
        return 0
    data = object()
    base_f, base_d = sys.getrefcount(f), sys.getrefcount(data)
    p = ondrel.problem()
    p.addcbmessage(f, data)
    p.setcbslpend(f, data)
    assert sys.getrefcount(f) == base_f + 2 and sys.getrefcount(data) == base_d + 2
    q = p.copy()
    r = ondrel.problem()
    r.copycallbacks(p)
    r.copycallbacks(p)                       # appended again
    assert sys.getrefcount(f) == base_f + 8
    p.removecbmessage(f, data)
    assert sys.getrefcount(f) == base_f + 7
    del p, q, r
    gc.collect()
    assert sys.getrefcount(f) == base_f and sys.getrefcount(data) == base_d


def test_reset_drops_the_callbacks():
    p, x, y = nlp_problem()
    p.addcbmessage(nothing)
    p.setcbslpstart(nothing)
    p.reset()
    with pytest.raises(RuntimeError, match="empty set"):
        p.removecbmessage(nothing)
    p.addcbmessage(nothing)       # registers on the new library problem
    p.removecbmessage(nothing)


def test_copied_callbacks_fire_on_the_copy_with_the_copy_as_owner():
    p, x, y = nlp_problem()
    owners = []
    p.setcbslpstart(lambda prob, d: owners.append(d), "tag")
    q = p.copy()
    r, _, _ = nlp_problem()
    r.copycallbacks(q)
    r.copycallbacks(q)
    q.solve()
    r.solve()                                # the newest set callback only
    assert owners == ["tag", "tag"]


def test_a_callback_raising_on_another_python_thread_reaches_that_threads_solve():
    p, x, y = nlp_problem()
    p.setcbslpstart(lambda prob, d: 1 / 0)
    out = []

    def run():
        try:
            p.solve()
        except ZeroDivisionError:
            out.append("raised")

    t = threading.Thread(target=run)
    t.start()
    t.join()
    assert out == ["raised"]


# ---- module-level services ----

def test_version_banner_and_last_error():
    assert isinstance(ondrel.getversion(), str) and ondrel.getversion()
    assert isinstance(ondrel.getbanner(), str)
    code, msg = ondrel.getlasterror()
    assert isinstance(code, int) and isinstance(msg, str)


def test_checked_mode_only_true_turns_it_on():
    try:
        ondrel.setcheckedmode(1)
        assert ondrel.getcheckedmode() is False
        ondrel.setcheckedmode(True)
        assert ondrel.getcheckedmode() is True
    finally:
        ondrel.setcheckedmode(True)


def test_message_handlers():
    got = []

    def handler(obj, data, thread, msg, mtype, number):
        got.append((type(obj).__name__, data, type(thread).__name__, msg, mtype, number))

    with pytest.raises(RuntimeError, match="^Incorrect arguments in addcbmsghandler. Must provide "
                                           "correct list of three arguments$"):
        ondrel.addcbmsghandler(handler, None)
    with pytest.raises(RuntimeError, match="^Incorrect arguments in removecbmsghandler"):
        ondrel.removecbmsghandler(handler)
    ondrel.addcbmsghandler(handler, "d", 0)
    try:
        p, x, y = nlp_problem()
        p.controls.nlplog = 1
        p.solve()
        assert got and got[0][:3] == ("ondrobject", "d", "generic")
        assert any("Nonlinear solve" in g[3] for g in got)
    finally:
        ondrel.removecbmsghandler(handler, None)
    got.clear()
    p.solve()
    assert got == []
    with pytest.raises(RuntimeError, match="Callback not found"):
        ondrel.removecbmsghandler(handler, None)


def test_a_problem_object_kept_from_a_callback_is_unusable_afterwards():
    p, x, y = nlp_problem()
    kept = []
    p.setcbslpstart(lambda prob, d: kept.append(prob))
    p.solve()
    with pytest.raises(RuntimeError):
        kept[0].lpoptimize()
    with pytest.raises(RuntimeError):
        kept[0].addcbmessage(nothing)
    assert p.getProbStatus() in (1, 2)


def test_callbacks_of_problems_solved_on_several_threads_at_once():
    counts, errors = {}, []

    def work(i):
        try:
            p, x, y = nlp_problem()
            p.controls.nlplog = 1
            p.addcbmessage(lambda prob, d, *a: counts.__setitem__(d, counts.get(d, 0) + 1), i)
            p.setcbiterend(lambda prob, d: 0)
            for _ in range(3):
                p.solve()
        except Exception as e:  # reported below
            errors.append(e)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == [] and sorted(counts) == [0, 1, 2, 3]
