"""Mutated problem files (byte flips, truncations, duplicated lines) read
by p.read: a successful read or a clean exception, never a crash, and a
refused read leaves the problem as it was."""
import glob
import os
import random

import pytest

import ondrel

from .budget import seeds

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = os.path.normpath(os.path.join(HERE, "..", "..", "..", "shared", "data", "instances"))
EXAMPLE = os.path.join(os.path.dirname(ondrel.__file__), "data", "example.mps")
CLEAN = (ValueError, RuntimeError, OSError, TypeError, IndexError, UnicodeError,
         ArithmeticError)


def sources():
    small = [f for f in glob.glob(os.path.join(SHARED, "*.mps")) + glob.glob(os.path.join(SHARED, "*.lp"))
             if os.path.getsize(f) < 40000]
    return sorted(small) + ([EXAMPLE] if os.path.exists(EXAMPLE) else [])


def mutate(rng, data):
    kind = rng.randrange(3)
    if kind == 0:
        b = bytearray(data)
        for _ in range(rng.randrange(1, 8)):
            b[rng.randrange(len(b))] = rng.choice([rng.randrange(256), ord(" "), ord("\n"), ord("-"), 0])
        return bytes(b)
    if kind == 1:
        return data[:rng.randrange(len(data))]
    lines = data.split(b"\n")
    for _ in range(rng.randrange(1, 4)):
        i = rng.randrange(len(lines))
        lines.insert(i, lines[i])
    return b"\n".join(lines)


def state(p):
    a = p.attributes
    return (a.cols, a.rows, a.sets, [v.name for v in p.getVariable()],
            [c.name for c in p.getConstraint()])


# Seeds that once found a fault: an LP file with a non-UTF-8 name was
# loaded by the library before the name was refused, so cols/rows changed
# while the Python containers kept the old model.
REGRESSIONS = (25, 1141)


def test_mutated_files(tmp_path):
    for seed in seeds(150):
        one_case(seed, tmp_path)


@pytest.mark.parametrize("seed", REGRESSIONS)
def test_former_faults(seed, tmp_path):
    one_case(seed, tmp_path)


def one_case(seed, tmp_path):
    """One mutated file from this seed (a reproducer: one_case(seed, folder))."""
    files = sources()
    if not files:
        pytest.skip("no problem files present")
    rng = random.Random(seed)
    src = rng.choice(files)
    data = open(src, "rb").read()
    path = str(tmp_path / ("case" + os.path.splitext(src)[1]))
    with open(path, "wb") as f:
        f.write(mutate(rng, data))
    p = ondrel.problem("keep")
    x = ondrel.var(name="keepx")
    p.addVariable(x)
    p.addConstraint(x <= 3)
    before = state(p)
    try:
        p.read(path)
    except CLEAN:
        assert state(p) == before, f"seed {seed} ({os.path.basename(src)}): refused read changed the problem"
    else:
        a = p.attributes
        assert a.cols == len(p.getVariable()), f"seed {seed}"
