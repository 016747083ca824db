"""The matrix-level methods driven with random argument types and lengths:
nothing crashes, a refused call raises a clean exception and changes
nothing that the queries can see, and the containers stay in step."""
import random

import numpy as np

import ondrel

from .budget import seeds
from matrix_helpers import same, snapshot

CLEAN = (TypeError, ValueError, IndexError, KeyError, RuntimeError, ArithmeticError)


def base():
    p = ondrel.problem()
    p.loadproblem("f", ["L", "G", "E"], [4, 1, 2], None, [1, -1, 2], [0, 2, 3, 5], None, [0, 1, 0, 1, 2],
                  [1, 3, 2, 1, 1], [0, -1, 0], [10, 5, 8], colnames=["x", "y", "z"], rownames=["a", "b", "c"])
    return p


def ref(rng, p, kind):
    """A reference that may or may not be valid."""
    objs = p.getVariable() if kind == "col" else p.getConstraint()
    return rng.choice([rng.randrange(-2, 5), rng.choice(objs), rng.choice(["x", "a", "nope", ""]),
                       ondrel.var(), 1.5, None, np.int64(rng.randrange(3)), [0]])


def value(rng):
    return rng.choice([rng.uniform(-5, 5), rng.randrange(-3, 4), float("nan"), "s", None, 1e30, True])


def letter(rng, letters):
    return rng.choice(list(letters) + ["", "XY", 3, None])


def array(rng, make, n):
    items = [make() for _ in range(n)]
    shape = rng.randrange(6)
    if shape == 0:
        return tuple(items)
    if shape == 1:
        return iter(items)
    if shape == 2:
        try:
            return np.array(items)
        except (ValueError, TypeError):
            return items
    if shape == 3:
        return {i: v for i, v in enumerate(items)}
    if shape == 4 and rng.random() < 0.3:
        return None
    return items


def call(rng, p):
    n = rng.choice([0, 1, 2, 3, 4])
    m = n if rng.random() < 0.7 else rng.randrange(5)
    col, row = (lambda: ref(rng, p, "col")), (lambda: ref(rng, p, "row"))
    num = lambda: value(rng)
    kind = rng.randrange(14)
    if kind == 0:
        p.chgobj(array(rng, col, n), array(rng, num, m))
    elif kind == 1:
        p.chgbounds(array(rng, col, n), array(rng, lambda: letter(rng, "LUBF"), m), array(rng, num, n))
    elif kind == 2:
        p.chgrhs(array(rng, row, n), array(rng, num, m))
    elif kind == 3:
        p.chgrowtype(array(rng, row, n), array(rng, lambda: letter(rng, "LGERN"), m))
    elif kind == 4:
        p.chgmcoef(array(rng, row, n), array(rng, col, m), array(rng, num, n))
    elif kind == 5:
        p.chgcoltype(array(rng, col, n), array(rng, lambda: letter(rng, "CBISRP"), m))
    elif kind == 6:
        p.chgcoef(row(), col(), rng.choice([1.0, 2, "x"]))
    elif kind == 7:
        k = rng.randrange(3)
        p.addrows(array(rng, lambda: letter(rng, "LGE"), k), array(rng, num, k),
                  array(rng, lambda: rng.randrange(-1, 3), k + 1), array(rng, col, m), array(rng, num, m),
                  names=rng.choice([None, ["r%d" % i for i in range(k)], [1] * k]))
    elif kind == 8:
        k = rng.randrange(3)
        p.addcols(array(rng, num, k), array(rng, lambda: rng.randrange(-1, 3), k + 1), array(rng, row, m),
                  array(rng, num, m), array(rng, num, k), array(rng, num, k),
                  types=rng.choice([None, array(rng, lambda: letter(rng, "CIB"), k)]))
    elif kind == 9:
        p.addqmatrix(row(), array(rng, col, n), array(rng, col, m), array(rng, num, n))
    elif kind == 10:
        p.chgmqobj(array(rng, col, n), array(rng, col, n), array(rng, num, m))
    elif kind == 12:
        k = rng.randrange(1, 4)
        starts = sorted(rng.randrange(-1, 5) for _ in range(k + 1))
        p.loadproblem("z", array(rng, lambda: letter(rng, "LGE"), rng.choice([2, 3])), array(rng, num, 3), None,
                      array(rng, num, k), array(rng, lambda: rng.choice(starts), k + 1),
                      rng.choice([None, array(rng, lambda: rng.randrange(-1, 3), k)]),
                      array(rng, lambda: rng.randrange(-1, 4), m), array(rng, num, m), None, None,
                      qgtype=rng.choice([None, ["I"], ["B", "Q"]]), mgcols=rng.choice([None, [0], [k]]))
    elif kind == 13:
        out = [[] for _ in range(3)]
        getattr(p, rng.choice(["getrows", "getcols", "getmqobj"]))(
            *[rng.choice([o, None, ()]) for o in out], rng.choice([0, 1, 3, 100, -5, 2 ** 40]),
            ref(rng, p, "row"), ref(rng, p, "row"))
    else:
        out = rng.choice([[], (), None, [1, 2, 3, 4, 5, 6]])
        getattr(p, rng.choice(["getobj", "getrhs", "getrowtype"]))(out, ref(rng, p, "row"), ref(rng, p, "row"))


def test_random_matrix_calls_fail_cleanly_and_change_nothing_when_refused():
    for seed in seeds(150):
        rng = random.Random(seed)
        p = base()
        for step in range(12):
            before = snapshot(p)
            try:
                call(rng, p)
            except CLEAN:
                after = snapshot(p)
                same(before, after)
            a = p.attributes
            assert (a.cols, a.rows) == (len(p.getVariable()), len(p.getConstraint())), (seed, step)
