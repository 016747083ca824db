"""Random build/delete/solve sequences on one problem: after every step
the problem's sizes equal its containers, whether the step worked or was
refused."""
import random

import pytest

import ondrel

from .budget import seeds

CLEAN = (TypeError, ValueError, IndexError, KeyError, RuntimeError, ArithmeticError)


def check(p, seed, step):
    a = p.attributes
    got = (a.cols, a.rows, a.sets)
    want = (len(p.getVariable()), len(p.getConstraint()), len(p.getSOS()))
    assert got == want, f"seed {seed} step {step}: attributes {got} != containers {want}"


def step(rng, p):
    xs = p.getVariable()
    kind = rng.randrange(8)
    if kind == 0:
        vt = rng.choice([ondrel.continuous, ondrel.binary, ondrel.integer])
        p.addVariable([ondrel.var(vartype=vt, lb=rng.choice([0, -5]), ub=rng.choice([3, 10]))
                       for _ in range(rng.randrange(1, 4))])
    elif kind == 1 and xs:
        lhs = sum(rng.uniform(-3, 3) * rng.choice(xs) for _ in range(rng.randrange(1, 4)))
        if rng.random() < 0.3:
            lhs = lhs + rng.choice(xs) * rng.choice(xs)
        p.addConstraint(lhs <= rng.uniform(0, 10) if rng.random() < .5 else lhs >= -rng.uniform(0, 10))
    elif kind == 2 and xs:
        p.addSOS(ondrel.sos(rng.sample(xs, min(len(xs), 2)), [1.0, 2.0][:min(len(xs), 2)]))
    elif kind == 3 and xs:
        p.delVariable(rng.sample(range(len(xs)), rng.randrange(1, len(xs) + 1)))
    elif kind == 4:
        cons = p.getConstraint()
        if cons:
            p.delConstraint(rng.choice(cons))
        else:
            p.delConstraint([0])
    elif kind == 5:
        sets = p.getSOS()
        p.delSOS(rng.choice(sets) if sets else [7])
    elif kind == 6 and xs:
        p.setObjective(sum(rng.uniform(-2, 2) * x for x in xs))
    elif kind == 7:
        p.solve()


def test_random_build_delete_solve():
    for seed in seeds(60):
        rng = random.Random(seed)
        p = ondrel.problem(f"fuzz{seed}")
        for i in range(25):
            try:
                step(rng, p)
            except CLEAN:
                pass
            check(p, seed, i)
