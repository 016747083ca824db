"""Branching directives in real searches: priorities choose the column
branched on first and the preferred direction the child dived into
(seen through the node LPs the callbacks read), directive files round
trip, and bad directives are refused with nothing changed."""
import os

import pytest

import ondrel


def triangles():
    """Three triangles of binaries, x_i + x_j <= 1 on each edge, maximising
    the sum: the root LP has every column at 0.5, and branching on a column
    makes its triangle integral in both children's LPs."""
    p = ondrel.problem()
    tri = [[ondrel.var(vartype=ondrel.binary, name="t%d_%d" % (t, k)) for k in range(3)] for t in range(3)]
    p.addVariable(tri)
    for t in tri:
        p.addConstraint(t[0] + t[1] <= 1, t[1] + t[2] <= 1, t[0] + t[2] <= 1)
    p.setObjective(ondrel.Sum(v for t in tri for v in t), sense=ondrel.maximize)
    p.controls.mipsolver = 2
    p.controls.cutstrategy = 0   # root cuts would close the triangles
    # The node LPs are read in the order the nodes are solved: one thread
    # (with workers, the nodes of a round are solved at once).
    p.controls.threads = 1
    return p, tri


def first_branch(p, tri):
    """(triangle, value) of the column fixed in the first child solved."""
    lps = []

    def optnode(prob, data):
        x = []
        prob.getlpsol(x, None, None, None)
        lps.append(x)
        return 0

    p.addcboptnode(optnode)
    p.addcbnewnode(lambda prob, data, parent, node, branch: None)
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(3)
    assert all(v == pytest.approx(0.5) for v in lps[0][:9])
    child = lps[1]
    done = [t for t in range(3) if all(abs(child[p.getIndex(v)] - 0.5) > 1e-6 for v in tri[t])]
    assert len(done) == 1
    vals = [round(child[p.getIndex(v)]) for v in tri[done[0]]]
    return done[0], vals


@pytest.mark.parametrize("favoured", [0, 2])
def test_priorities_choose_the_triangle_branched_first(favoured):
    p, tri = triangles()
    cols = [v for t in tri for v in t]
    pri = [1 if i // 3 == favoured else 5 for i in range(9)]
    p.loaddirs(cols, pri)
    got, _ = first_branch(p, tri)
    assert got == favoured


@pytest.mark.parametrize("direction,fixed", [("U", 1), ("D", 0)])
def test_the_preferred_direction_is_the_child_solved_first(direction, fixed):
    p, tri = triangles()
    # Only t1_1 may be branched on first; its preferred child comes first.
    cols = [v for t in tri for v in t]
    p.loaddirs(cols, [1 if v is tri[1][1] else 9 for v in cols], [direction] * 9)
    t, vals = first_branch(p, tri)
    assert t == 1 and vals[1] == fixed


def test_loadbranchdirs_sets_the_direction():
    p, tri = triangles()
    cols = [v for t in tri for v in t]
    p.loaddirs(cols, [1 if v is tri[2][0] else 9 for v in cols])
    p.loadbranchdirs([tri[2][0]], [0])
    t, vals = first_branch(p, tri)
    assert t == 2 and vals[0] == 0
    out = [[], [], [], [], []]
    p.getdirs(*out)
    k = next(i for i, v in enumerate(out[0]) if v is tri[2][0])
    assert out[2][k] == "D"


def test_directive_file_round_trips(tmp_path):
    p, tri = triangles()
    cols = [tri[0][0], tri[1][2], tri[2][1]]
    p.loaddirs(cols, [3, 1, 2], ["U", "N", "D"], [1.5, -1.0, 0.25], [0.5, 2.0, -1.0])
    want = [[], [], [], [], []]
    p.getdirs(*want)
    assert want[0] == cols and want[1] == [3, 1, 2] and want[2] == ["U", "N", "D"]
    fn = str(tmp_path / "tri.dir")
    p.writedirs(fn)
    q, qt = triangles()
    q.readdirs(fn)
    got = [[], [], [], [], []]
    q.getdirs(*got)
    assert [v.name for v in got[0]] == [v.name for v in want[0]]
    assert got[1:] == want[1:]
    # A problem without directives gives None and leaves the lists alone.
    r, _ = triangles()
    lists = [[7], [7], [7], [7], [7]]
    assert r.getdirs(*lists) is None and lists == [[7]] * 5
    with pytest.raises(RuntimeError, match=r"Must provide arguments \(as lists\) to getdirs"):
        p.getdirs(None, [], [], [], [])


def test_bad_directives_change_nothing(tmp_path):
    p, tri = triangles()
    p.loaddirs([tri[0][0]], [4])
    cases = [
        (lambda: p.loaddirs([tri[0][1], tri[0][2]], [1]), "Mismatched lengths"),
        (lambda: p.loaddirs([tri[0][1], tri[0][2]], [1, 2], ["U", "X"]), "Invalid branching direction"),
        (lambda: p.loaddirs([tri[0][1]], [1], None, [float("nan")]), "not a number"),
        (lambda: p.loaddirs(None), "Negative number of directives"),
        (lambda: p.loadbranchdirs(None), "Must provide argument mcols"),
        (lambda: p.loadbranchdirs([tri[0][1]], [5]), "Invalid branch"),
    ]
    for call, msg in cases:
        with pytest.raises(RuntimeError, match=msg):
            call()
    out = [[], [], [], [], []]
    p.getdirs(*out)
    assert out[0] == [tri[0][0]] and out[1] == [4]
    for text, msg in [("t0_0 1 U 0 0 extra\n", "expected"), ("t0_0 1 Q 0 0\n", "invalid direction"),
                      ("nosuch 1 U 0 0\n", "no column is named")]:
        fn = tmp_path / "bad.dir"
        fn.write_text("* comment\n" + text)
        with pytest.raises(RuntimeError, match=msg):
            p.readdirs(str(fn))
    with pytest.raises(RuntimeError, match="Cannot open"):
        p.readdirs(str(tmp_path / "missing.dir"))
    p.getdirs(*out)
    assert out[0] == [tri[0][0]] and out[1] == [4]


def test_pseudocosts_are_accepted_and_kept():
    p, tri = triangles()
    cols = [v for t in tri for v in t]
    p.loaddirs(cols, None, None, [float(i) for i in range(9)], [9.0 - i for i in range(9)])
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(3)
    out = [[], [], [], [], []]
    p.getdirs(*out)
    assert out[1] == [500] * 9 and out[3] == [float(i) for i in range(9)]


def test_a_copy_keeps_directives_and_marks():
    p, tri = triangles()
    p.loaddirs([tri[1][0]], [2], ["D"])
    p.loaddelayedrows([0, 1])
    q = p.copy()
    out = [[], [], [], [], []]
    q.getdirs(*out)
    assert out[1:3] == [[2], ["D"]] and out[0][0].name == "t1_0"
    q.solve()
    assert q.getProbStatusString() == "mip_optimal" and q.getObjVal() == pytest.approx(3)
    assert q.attributes.maxnodelprows < q.attributes.rows + 1


def test_secure_vectors_are_checked_and_kept_apart():
    p, tri = triangles()
    p.loadsecurevecs([0, 1], None)
    p.loadsecurevecs(None, [tri[0][0]])
    with pytest.raises(RuntimeError, match="out of range"):
        p.loadsecurevecs([100], None)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
