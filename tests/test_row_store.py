"""The matrix through long sequences of additions, changes and deletions,
checked against a dense copy kept beside it: rows that grow one column at a
time, entries inserted and removed in the middle of rows, deletions of rows
and columns in between, and solves whose results must match a problem
loaded afresh from the dense copy."""
import numpy as np
import pytest

import ondrel as xp


def dense(p):
    m, n = p.attributes.rows, p.attributes.cols
    a = np.zeros((m, n))
    if m == 0:
        return a
    s, c, v = [], [], []
    p.getrows(s, c, v, p.attributes.elems, 0, m - 1)
    for i in range(m):
        cols = [p.getIndex(x) for x in c[s[i]:s[i + 1]]]
        assert cols == sorted(set(cols)), f"row {i} not sorted or repeats a column"
        a[i, cols] = v[s[i]:s[i + 1]]
    return a


def add_rows(p, ref, rng, k, dup=False):
    m, n = ref.shape
    starts, idx, val, new = [0], [], [], np.zeros((k, n))
    for i in range(k):
        cols = list(rng.choice(n, size=rng.integers(0, min(n, 6) + 1), replace=False))
        if dup and cols:
            cols.append(cols[0])  # a column given twice gets the sum
        rng.shuffle(cols)
        for j in cols:
            x = float(rng.integers(1, 9))
            idx.append(int(j)), val.append(x)
            new[i, j] += x
        starts.append(len(idx))
    p.addrows(["L"] * k, [10.0] * k, starts, idx, val)
    return np.vstack([ref, new])


def add_col(p, ref, rng, share):
    m = ref.shape[0]
    rows = [int(i) for i in np.nonzero(rng.random(m) < share)[0]]
    vals = [float(rng.integers(1, 9)) for _ in rows]
    p.addcols([-1.0], [0, len(rows)], rows, vals, [0.0], [5.0])
    col = np.zeros((m, 1))
    col[rows, 0] = vals
    return np.hstack([ref, col])


@pytest.mark.parametrize("seed", [1, 2])
def test_matrix_follows_a_long_edit_sequence(seed):
    rng = np.random.default_rng(seed)
    p = xp.problem()
    p.controls.outputlog = 0
    p.addcols([-1.0] * 6, [0] * 7, [], [], [0.0] * 6, [5.0] * 6)
    ref = add_rows(p, np.zeros((0, 6)), rng, 200, dup=True)
    assert np.array_equal(dense(p), ref)
    # Columns one at a time, each in most rows: every row keeps growing.
    for _ in range(80):
        ref = add_col(p, ref, rng, 0.7)
    assert np.array_equal(dense(p), ref)
    assert p.attributes.elems == np.count_nonzero(ref)
    # Entries set, inserted in the middle of rows and removed (value 0).
    m, n = ref.shape
    r = [int(x) for x in rng.integers(0, m, 200)]
    c = [int(x) for x in rng.integers(0, n, 200)]
    v = [float(x) for x in rng.integers(0, 3, 200)]  # a third are zeros
    p.chgmcoef(r, c, v)
    for i, j, x in zip(r, c, v):
        ref[i, j] = x
    assert np.array_equal(dense(p), ref)
    # Deletions, then growth again on the compacted store.
    dr = sorted(set(int(x) for x in rng.integers(0, m, 15)))
    dc = sorted(set(int(x) for x in rng.integers(0, n, 20)))
    p.delrows(dr)
    ref = np.delete(ref, dr, axis=0)
    assert np.array_equal(dense(p), ref)
    p.delcols(dc)
    ref = np.delete(ref, dc, axis=1)
    assert np.array_equal(dense(p), ref)
    ref = add_rows(p, ref, rng, 25)
    for _ in range(10):
        ref = add_col(p, ref, rng, 0.5)
    assert np.array_equal(dense(p), ref)
    assert p.attributes.elems == np.count_nonzero(ref)


def fresh(ref, obj):
    m, n = ref.shape
    q = xp.problem()
    q.controls.outputlog = 0
    a = ref.T.copy()
    mstart = [0]
    rows, vals = [], []
    for j in range(n):
        nz = np.nonzero(a[j])[0]
        rows += [int(i) for i in nz]
        vals += [float(a[j, i]) for i in nz]
        mstart.append(len(rows))
    q.loadproblem("fresh", ["L"] * m, [10.0] * m, None, obj, mstart, None, rows, vals,
                  [0.0] * n, [5.0] * n)
    q.solve()
    return q.getObjVal()


def test_solves_between_edits_see_the_edited_matrix():
    rng = np.random.default_rng(7)
    p = xp.problem()
    p.controls.outputlog = 0
    p.addcols([-1.0] * 4, [0] * 5, [], [], [0.0] * 4, [5.0] * 4)
    ref = add_rows(p, np.zeros((0, 4)), rng, 12)
    p.solve()
    for step in range(6):
        # The session holds HiGHS's copy: each edit must reach it.
        ref = add_col(p, ref, rng, 0.6)
        i, j = int(rng.integers(0, ref.shape[0])), int(rng.integers(0, ref.shape[1]))
        x = float(rng.integers(0, 4))
        p.chgcoef(i, j, x)
        ref[i, j] = x
        if step % 2:
            p.delrows([0])
            ref = ref[1:]
        ref = add_rows(p, ref, rng, 3)
        p.solve()
        assert p.getObjVal() == pytest.approx(fresh(ref, [-1.0] * ref.shape[1]), abs=1e-7)
    assert np.array_equal(dense(p), ref)


def test_mip_paths_that_need_the_rows_after_the_search():
    # Unbounded relaxation: a feasibility run on the rows follows the search.
    p = xp.problem()
    p.controls.outputlog = 0
    x, y = xp.var(vartype=xp.integer), xp.var()
    p.addVariable(x, y)
    p.addConstraint(x - y <= 1.5, x + y >= 0.5)
    p.setObjective(x + y, sense=xp.maximize)
    p.solve()
    assert p.getProbStatusString() == "mip_unbounded"
    p.addConstraint(x + y <= 2.5)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(2.5)
    # A set: the LP with the solution fixed is solved on a copy of the rows.
    q = xp.problem()
    q.controls.outputlog = 0
    a = [xp.var(ub=3) for _ in range(3)]
    z = xp.var(vartype=xp.binary)
    q.addVariable(a, z)
    q.addSOS(xp.sos(a, [1, 2, 3], type=1))
    c = xp.Sum(a) + z <= 3.5
    q.addConstraint(c)
    q.setObjective(a[0] + 2 * a[1] + 3 * a[2] + z, sense=xp.maximize)
    q.solve()
    assert q.getProbStatusString() == "mip_optimal"
    assert q.getObjVal() == pytest.approx(9)  # a[2] = 3, z = 0
    assert q.getSlack(c) == pytest.approx(0.5, abs=1e-7)
