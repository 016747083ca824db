"""Irreducible infeasible subsystems. Every set found is checked on its own
by re-solving a fresh copy of the problem through the ordinary solve path:
infeasible with only the set's sides, feasible with any one of them dropped.
Also the Farkas proof, numbering, files, isolations, and that a search
leaves the problem as it was."""
import math
import os

import numpy as np
import pytest

import ondrel

INSTANCES = os.path.join(os.path.dirname(__file__), "..", "..", "shared", "data", "instances")
if not os.path.isdir(INSTANCES):
    INSTANCES = "/work/shared/data/instances"
INFEASIBLE = ["woodinfe", "bgetam", "box1", "forest6", "galenet", "refinery"]
INF = 1e20


# ---- problems ----

def three_lp():
    """x, y <= 1; c1: x + y >= 5; c2: z + x <= 10; c3: x + y + z <= 1; c4: z >= 3."""
    p = ondrel.problem()
    x, y, z = ondrel.var(name="x", ub=1), ondrel.var(name="y", ub=1), ondrel.var(name="z")
    p.addVariable(x, y, z)
    p.addConstraint(ondrel.constraint(x + y >= 5, name="c1"), ondrel.constraint(z + x <= 10, name="c2"),
                    ondrel.constraint(x + y + z <= 1, name="c3"), ondrel.constraint(z >= 3, name="c4"))
    p.setObjective(x + 2 * y)
    return p


def integrality_only():
    """2x + 2y = 3 with x, y integer: the LP relaxation is feasible."""
    p = ondrel.problem()
    x, y = ondrel.var(vartype=ondrel.integer, ub=4), ondrel.var(vartype=ondrel.integer, ub=4)
    w = ondrel.var(ub=10)
    p.addVariable(x, y, w)
    p.addConstraint(2 * x + 2 * y == 3, x + w <= 7)
    return p


def binary_mip():
    """Three binaries, at least two on, but each pair excludes the other: a
    MIP whose relaxation is feasible (all at 2/3), plus a linear conflict."""
    p = ondrel.problem()
    b = [ondrel.var(vartype=ondrel.binary, name=f"b{k}") for k in range(3)]
    u = ondrel.var(name="u", ub=1)
    p.addVariable(*b, u)
    p.addConstraint(b[0] + b[1] + b[2] >= 2, b[0] + b[1] <= 1, b[1] + b[2] <= 1, b[0] + b[2] <= 1,
                    u >= 2, u + b[0] <= 8)
    p.setObjective(b[0] + u)
    return p


def ranged_lp():
    """Ranged and equality rows used by one side or both."""
    p = ondrel.problem()
    x, y = ondrel.var(name="x", lb=-INF), ondrel.var(name="y")
    p.addVariable(x, y)
    p.addConstraint(ondrel.constraint(body=x + y, lb=2, ub=4, name="r"), ondrel.constraint(x - y == 10, name="e"),
                    ondrel.constraint(x <= 3, name="cap"))
    return p


def quadratic():
    """A disc that the half-plane x + y >= 2 misses; z is bystander."""
    p = ondrel.problem()
    x, y, z = ondrel.var(name="x", lb=-10), ondrel.var(name="y", lb=-10), ondrel.var(name="z")
    p.addVariable(x, y, z)
    p.addConstraint(ondrel.constraint(x * x + y * y <= 1, name="disc"),
                    ondrel.constraint(x + y >= 2, name="cut"), ondrel.constraint(z + x <= 5, name="zz"))
    return p


def reader(name):
    def make():
        p = ondrel.problem()
        p.read(os.path.join(INSTANCES, name + ".mps"))
        return p
    return make


def solve(p):
    if p.attributes.mipents > 0:
        p.mipoptimize()
        return p.attributes.mipstatus != 5
    p.lpoptimize()
    return p.attributes.lpstatus != 2


def solved(make):
    p = make()
    assert not solve(p)
    return p


# ---- the independent check ----

def iis_members(p, num):
    """The members of set num as (kind, index, side) with side 'lo'/'up'."""
    rows, cols, ct, bt = [], [], [], []
    p.getiisdata(num, rows, cols, ct, bt)
    members = []
    for r, t in zip(rows, ct):
        i = p.getIndex(r)
        members += [("row", i, s) for s in {"G": ["lo"], "L": ["up"], "E": ["lo", "up"], "R": ["lo", "up"]}[t]]
    for c, t in zip(cols, bt):
        j = p.getIndex(c)
        members += [("col", j, s) for s in {"L": ["lo"], "U": ["up"], "F": ["lo", "up"], "R": ["lo", "up"]}[t]]
    return members


def row_bounds(p):
    n = p.attributes.rows
    rhs, rng, rt = [], [], []
    p.getrhs(rhs, 0, n - 1)
    p.getrhsrange(rng, 0, n - 1)
    p.getrowtype(rt, 0, n - 1)
    out = []
    for b, r, t in zip(rhs, rng, rt):
        out.append({"L": (-INF, b), "G": (b, INF), "E": (b, b), "R": (b - r, b), "N": (-INF, INF)}[t])
    return out


def restrict(make, members):
    """A fresh problem with only the given sides (and no objective)."""
    q = make()
    n, m = q.attributes.cols, q.attributes.rows
    q.chgobj(range(n), [0.0] * n)
    keep = set(members)
    types, rhs, rng = [], [], []
    for i, (lo, up) in enumerate(row_bounds(q)):
        lo = lo if ("row", i, "lo") in keep else -INF
        up = up if ("row", i, "up") in keep else INF
        if lo > -INF and up < INF:
            types.append("E" if lo == up else "R"); rhs.append(up); rng.append(up - lo)
        elif lo > -INF:
            types.append("G"); rhs.append(lo); rng.append(0.0)
        elif up < INF:
            types.append("L"); rhs.append(up); rng.append(0.0)
        else:
            types.append("N"); rhs.append(0.0); rng.append(0.0)
    if m:
        q.chgrowtype(range(m), types)
        q.chgrhs(range(m), rhs)
        ranged = [i for i, t in enumerate(types) if t == "R"]
        if ranged:
            q.chgrhsrange(ranged, [rng[i] for i in ranged])
    idx, bt, bv = [], [], []
    for j in range(n):
        if ("col", j, "lo") not in keep:
            idx.append(j); bt.append("L"); bv.append(-INF)
        if ("col", j, "up") not in keep:
            idx.append(j); bt.append("U"); bv.append(INF)
    if idx:
        q.chgbounds(idx, bt, bv)
    return q


def assert_irreducible(make, members):
    assert members, "an IIS has members"
    assert not solve(restrict(make, members)), "the set alone must be infeasible"
    for k, m in enumerate(members):
        rest = members[:k] + members[k + 1:]
        assert solve(restrict(make, rest)), f"dropping {m} must make the set feasible"


def all_sets(p):
    r, c, s, n = [], [], [], []
    found = p.iisstatus(r, c, s, n)
    return found, r, c, s, n


# ---- every IIS found is irreducible ----

HAND_MADE = {"three_lp": three_lp, "integrality_only": integrality_only, "binary_mip": binary_mip,
             "ranged_lp": ranged_lp, "quadratic": quadratic}


@pytest.mark.parametrize("name", sorted(HAND_MADE))
def test_hand_made_sets_are_irreducible(name):
    make = HAND_MADE[name]
    p = solved(make)
    assert p.iisfirst(1) == 0
    p.iisall()
    found, rows, cols, suminf, numinf = all_sets(p)
    assert found >= 1
    seen = set()
    for k in range(1, found + 1):
        members = iis_members(p, k)
        assert_irreducible(make, members)
        key = tuple(sorted(members))
        assert key not in seen, "each IIS is found once"
        seen.add(key)
        assert suminf[k] > 0 and numinf[k] >= 1
    assert p.iisnext() == 1  # all found


@pytest.mark.parametrize("name", INFEASIBLE)
@pytest.mark.parametrize("method", [0, 1])
def test_instances_first_iis_is_irreducible(name, method):
    make = reader(name)
    p = solved(make)
    p.controls.iismethod = method
    assert p.iisfirst(1) == 0
    assert_irreducible(make, iis_members(p, 1))


def test_instance_second_iis_differs():
    make = reader("galenet")
    p = solved(make)
    p.iisfirst(1)
    assert p.iisnext() == 0
    first, second = iis_members(p, 1), iis_members(p, 2)
    assert sorted(first) != sorted(second)
    assert_irreducible(make, second)


def test_three_lp_has_all_its_sets():
    p = solved(three_lp)
    p.iisall()
    found, rows, cols, _, _ = all_sets(p)
    names = set()
    for k in range(1, found + 1):
        r = []
        p.getiisdata(k, r)
        names.add(tuple(sorted(c.name for c in r)))
    # {c1, x<=1, y<=1}; {c3, c4, x>=0, y>=0}; {c1, c3, z>=0}; {c1, c3, c4}
    assert names == {("c1",), ("c3", "c4"), ("c1", "c3"), ("c1", "c3", "c4")} and found == 4


def test_integrality_only_needs_the_types():
    p = solved(integrality_only)
    p.lpoptimize()  # the relaxation is feasible
    assert p.attributes.lpstatus == 1
    p = solved(integrality_only)
    assert p.iisfirst(1) == 0
    rows, cols, ct, bt = [], [], [], []
    p.getiisdata(1, rows, cols, ct, bt)
    assert len(rows) == 1 and ct == ["E"] and cols == []


# ---- the proof ----

@pytest.mark.parametrize("make", [three_lp, ranged_lp, reader("galenet"), reader("forest6")])
def test_duals_and_reduced_costs_form_a_farkas_certificate(make):
    p = solved(make)
    p.iisfirst(1)
    rows, cols, ct, bt, y, d = [], [], [], [], [], []
    p.getiisdata(1, rows, cols, ct, bt, y, d)
    _, _, _, suminf, _ = all_sets(p)
    ri = [p.getIndex(r) for r in rows]
    ci = [p.getIndex(c) for c in cols]
    n = p.attributes.cols
    bounds = row_bounds(p)
    lb, ub = [], []
    p.getlb(lb)
    p.getub(ub)
    aty = np.zeros(n)
    for i, yi in zip(ri, y):
        start, ind, val = [], [], []
        p.getrows(start, ind, val, 10 ** 6, i, i)
        for c, v in zip(ind, val):
            aty[p.getIndex(c)] += v * yi
    gap = 0.0
    for i, yi in zip(ri, y):
        lo, up = bounds[i]
        gap += yi * (lo if yi > 0 else up)
    for j, dj in zip(ci, d):
        assert dj == pytest.approx(-aty[j], abs=1e-7)
        gap += dj * (lb[j] if dj > 0 else ub[j])
    # columns outside the set carry no multiplier
    outside = [j for j in range(n) if j not in ci]
    assert np.allclose(aty[outside], 0, atol=1e-7)
    assert gap == pytest.approx(suminf[1], rel=1e-6) and gap > 0


def test_integrality_only_set_has_no_linear_certificate():
    p = solved(integrality_only)
    p.iisfirst(1)
    y = []
    p.getiisdata(1, None, None, None, None, y)
    assert y == [0.0]


# ---- numbering, summary, isolations, files ----

def test_status_numbering_and_mode_zero():
    p = solved(three_lp)
    r, c, s, n = [7], [7], [7], [7]
    assert p.iisstatus(r, c, s, n) is None and r == [7]
    assert p.iisfirst(0) == 0
    found, r, c, s, n = all_sets(p)
    assert found == 0 and len(r) == 1  # only the initial subsystem
    assert p.iisnext() == 0
    found, r, c, s, n = all_sets(p)
    assert found == 1 and len(r) == 2
    p.iisclear()
    assert p.iisstatus([], [], [], []) is None


def test_isolations():
    p = solved(ranged_lp)   # one IIS only: each of its members is an isolation
    p.iisall()
    found = p.iisstatus(None, None, None, None)
    isor, isoc = [], []
    p.getiisdata(1, None, None, None, None, None, None, isor, isoc)
    assert set(isor + isoc) == {"-1"}
    p.iisisolations(1)
    p.getiisdata(1, None, None, None, None, None, None, isor, isoc)
    assert set(isor + isoc) == ({"1"} if found == 1 else {"0", "1"})
    q = solved(three_lp)   # several IIS: c1 is in three of four, no member in all
    q.iisfirst(1)
    q.iisisolations(1)
    q.getiisdata(1, None, None, None, None, None, None, isor, isoc)
    assert set(isor + isoc) == {"0"}


@pytest.mark.parametrize("fn, flags", [("iis.lp", "l"), ("iis.mps", "")])
def test_written_set_is_an_infeasible_problem(tmp_path, fn, flags):
    p = solved(reader("forest6"))
    p.iisfirst(1)
    rows, cols = [], []
    p.getiisdata(1, rows, cols)
    path = str(tmp_path / fn)
    p.iiswrite(1, path, 0, flags)
    q = ondrel.problem()
    q.read(path)
    assert q.attributes.rows == len(rows)
    assert not solve(q)
    p.iiswrite(1, str(tmp_path / "iis.csv"), 1, "")
    lines = open(tmp_path / "iis.csv").read().splitlines()
    assert lines[0].startswith("kind,name") and len(lines) > len(rows)


def test_mip_set_written_keeps_integrality(tmp_path):
    p = solved(integrality_only)
    p.iisfirst(1)
    path = str(tmp_path / "mip.lp")
    p.iiswrite(1, path, 0, "l")
    q = ondrel.problem()
    q.read(path)
    assert q.attributes.mipents >= 1 and not solve(q)


# ---- bad input and an untouched problem ----

def test_errors():
    p = three_lp()
    with pytest.raises(RuntimeError, match="has not been solved"):
        p.iisfirst(1)
    with pytest.raises(RuntimeError, match="No IIS"):
        p.getiisdata(0, [])
    p.lpoptimize()
    with pytest.raises(RuntimeError, match="Unknown IIS mode 2"):
        p.iisfirst(2)
    with pytest.raises(TypeError):
        p.iisfirst(float("nan"))
    p.iisfirst(1)
    for bad in (-1, 2, 99):
        with pytest.raises(RuntimeError, match="out of range"):
            p.getiisdata(bad, [])
        with pytest.raises(RuntimeError, match="out of range"):
            p.iisisolations(bad)
    with pytest.raises(RuntimeError, match="Unknown IIS file type"):
        p.iiswrite(1, "/tmp/never.lp", 3, "")
    with pytest.raises(RuntimeError, match="Argument of type List required"):
        p.getiisdata(1, ())
    # a change of the model discards the sets
    p.chgbounds([0], ["U"], [6.0])
    with pytest.raises(RuntimeError, match="No IIS"):
        p.getiisdata(1, [])
    q = ondrel.problem()
    x = ondrel.var()
    q.addVariable(x)
    q.addConstraint(x >= 1)
    q.lpoptimize()
    with pytest.raises(RuntimeError, match="did not find the problem infeasible"):
        q.iisfirst(1)


def snapshot(p, tmp_path, tag):
    path = str(tmp_path / f"snap{tag}.lp")
    p.write(path, "l")
    a = p.attributes
    return open(path).read(), a.lpstatus, a.mipstatus, a.rows, a.cols


@pytest.mark.parametrize("make", [three_lp, binary_mip, reader("refinery")])
def test_search_leaves_the_problem_as_it_was(tmp_path, make):
    p = solved(make)
    before = snapshot(p, tmp_path, 0)
    p.iisfirst(1)
    p.iisnext()
    p.iisisolations(1)
    p.iisstatus([], [], [], [])
    p.getiisdata(1, [], [], [], [], [], [])
    p.iiswrite(1, str(tmp_path / "w.lp"), 0, "l")
    assert snapshot(p, tmp_path, 1) == before


def test_solve_budget_stops_the_search_and_next_resumes():
    make = reader("forest6")
    p = solved(make)
    p.controls.iismaxsolves = 2
    assert p.iisfirst(1) == 2           # stopped: only the initial subsystem is held
    assert p.iisstatus(None, None, None, None) == 0
    p.controls.iismaxsolves = 100000
    assert p.iisnext() == 0
    assert_irreducible(make, iis_members(p, 1))
