"""A problem's id -> index maps under heavy churn: long runs of additions,
deletions in scattered batches (both the in-place renumbering and the
rebuilding path), re-additions, copies, resets and refused calls. Every
step is checked against a plain Python model of what the indices must be."""
import random

import pytest

import ondrel


def indices_match(p, alive_vars, alive_cons, gone=()):
    assert p.getVariable() == alive_vars
    assert [p.getIndex(v) for v in alive_vars] == list(range(len(alive_vars)))
    assert p.getConstraint() == alive_cons
    assert [p.getIndex(c) for c in alive_cons] == list(range(len(alive_cons)))
    assert p.attributes.cols == len(alive_vars) and p.attributes.rows == len(alive_cons)
    for o in gone:
        with pytest.raises(RuntimeError):
            p.getIndex(o)


def test_scattered_deletions_and_readditions_keep_every_index():
    rng = random.Random(7)
    p = ondrel.problem()
    xs = [ondrel.var(ub=5) for _ in range(3000)]
    p.addVariable(xs)
    pairs = [(i, (i * 7) % 3000) for i in range(0, 3000, 2)]
    cons = [xs[i] + 2 * xs[j] <= 3 + i % 5 for i, j in pairs]
    uses = {id(c): (xs[i], xs[j]) for c, (i, j) in zip(cons, pairs)}
    p.addConstraint(cons)
    alive_vars, alive_cons, gone = list(xs), list(cons), []
    for rnd in range(6):
        # rows first (their variables must stay), by object and by index
        drop = sorted(rng.sample(range(len(alive_cons)), 150))
        if rnd % 2:
            p.delConstraint([alive_cons[i] for i in drop])
        else:
            p.delConstraint(drop)
        gone += [alive_cons[i] for i in drop]
        alive_cons = [c for i, c in enumerate(alive_cons) if i not in set(drop)]
        used = {id(v) for c in alive_cons for v in uses[id(c)]}
        free = [i for i, v in enumerate(alive_vars) if id(v) not in used]
        dropv = sorted(rng.sample(free, min(100, len(free))))
        p.delVariable([alive_vars[i] for i in dropv])
        gone_v = [alive_vars[i] for i in dropv]
        alive_vars = [v for i, v in enumerate(alive_vars) if i not in set(dropv)]
        indices_match(p, alive_vars, alive_cons, gone + gone_v)
        # a deleted variable may come back, as a new last column
        back = gone_v[: 10]
        p.addVariable(back)
        alive_vars += back
        indices_match(p, alive_vars, alive_cons)
    p.delVariable(first=0, last=9)
    alive_vars = alive_vars[10:]
    indices_match(p, alive_vars, alive_cons)


def test_copy_and_reset_keep_their_maps_apart():
    p = ondrel.problem()
    xs = [ondrel.var() for _ in range(500)]
    p.addVariable(xs)
    cs = [x <= 1 for x in xs[:200]]
    p.addConstraint(cs)
    q = p.copy()
    p.delVariable(xs[300:])
    p.delConstraint(cs[:50])
    assert [q.getIndex(x) for x in xs] == list(range(500))
    assert [q.getIndex(c) for c in cs] == list(range(200))
    indices_match(p, xs[:300], cs[50:], xs[300:] + cs[:50])
    q.reset()
    with pytest.raises(RuntimeError):
        q.getIndex(xs[0])
    q.addVariable(xs[::-1])  # after a reset the same objects may be added anew
    assert q.getIndex(xs[0]) == 499 and q.getIndex(xs[-1]) == 0
    indices_match(p, xs[:300], cs[50:])


def test_refused_additions_leave_the_maps_as_they_were():
    p = ondrel.problem()
    xs = [ondrel.var() for _ in range(100)]
    p.addVariable(xs)
    stray = ondrel.var()
    good = [x >= 0.5 for x in xs]
    with pytest.raises(RuntimeError, match="not been added"):
        p.addConstraint(good[:60], stray + xs[0] <= 1, good[60:])
    indices_match(p, xs, [], good)
    with pytest.raises(RuntimeError, match="already added"):
        p.addVariable([ondrel.var() for _ in range(50)], xs[3])
    indices_match(p, xs, [])
    with pytest.raises(RuntimeError, match="already added"):
        p.addConstraint(good, good[5])
    indices_match(p, xs, [], good)
    p.addConstraint(good)
    indices_match(p, xs, good)


def test_sets_and_objective_lookups_follow_deletions():
    p = ondrel.problem()
    xs = [ondrel.var(ub=1) for _ in range(40)]
    p.addVariable(xs)
    sets = [ondrel.sos(xs[i:i + 4], [1, 2, 3, 4], type=1) for i in range(0, 40, 4)]
    p.addSOS(sets)
    assert [p.getIndex(s) for s in sets] == list(range(10))
    p.delSOS([sets[2], sets[7]])
    keep = [s for i, s in enumerate(sets) if i not in (2, 7)]
    assert [p.getIndex(s) for s in keep] == list(range(8))
    with pytest.raises(RuntimeError):
        p.getIndex(sets[2])


def rows_of(p):
    s, c, v = [], [], []
    n = p.attributes.rows
    p.getrows(s, c, v, 10 ** 6, 0, n - 1)
    return [{str(c[k]): v[k] for k in range(s[i], s[i + 1])} for i in range(n)]


def test_mixed_batches_give_the_rows_they_describe():
    class Sub(ondrel.var):
        pass

    x = [ondrel.var(name=f"x{i}") for i in range(3)]
    s = Sub(name="s")  # a subclass keeps its constraint's body an expression
    p = ondrel.problem()
    p.addVariable(x, s)
    batch = [ondrel.Sum(x) <= 1,                                   # compact
             ondrel.constraint(body=2 * x[0] - x[1], lb=0),         # given body
             s + 3 * x[2] >= 2,                                     # not compact
             x[0] * x[1] + x[2] <= 4,                               # quadratic
             ondrel.Sum([]) <= 1]                                   # empty
    p.addConstraint(batch, (x[1] - x[2] == 0,))
    assert rows_of(p) == [{"x0": 1.0, "x1": 1.0, "x2": 1.0}, {"x0": 2.0, "x1": -1.0},
                          {"s": 1.0, "x2": 3.0}, {"x2": 1.0}, {}, {"x1": 1.0, "x2": -1.0}]
    rhs = []
    p.getrhs(rhs, 0, 5)
    assert rhs == [1.0, 0.0, 2.0, 4.0, 1.0, 0.0]
    indices_match(p, x + [s], batch + [p.getConstraint(5)])


@pytest.mark.parametrize("stride", [2, 64, 512])
def test_objects_made_with_a_stride_are_found_after_churn(stride):
    # Only every stride-th variable made goes into the problem, so the ids
    # it holds are evenly spaced rather than consecutive.
    kept = [[ondrel.var() for _ in range(stride)][0] for _ in range(1000)]
    p = ondrel.problem()
    p.addVariable(kept)
    alive = list(kept)
    for rnd in range(4):
        p.delVariable(alive[rnd::3])
        alive = [v for k, v in enumerate(alive) if k < rnd or (k - rnd) % 3]
        fresh = [ondrel.var() for _ in range(300)]
        p.addVariable(fresh)
        alive += fresh
        assert p.getVariable() == alive
        assert [p.getIndex(v) for v in alive] == list(range(len(alive)))
