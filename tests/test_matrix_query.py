"""Structure queries and the argument conversions shared by the matrix
methods: output lists filled in place, ranges, required outputs, and
lists, tuples, iterators and NumPy arrays of every dtype as input."""
import numpy as np
import pytest

import ondrel


@pytest.fixture
def p():
    """x, y, z; a: x + 2y <= 4, b: 3x + z >= 1, c: free row without entries."""
    p = ondrel.problem()
    p.loadproblem("q", ["L", "G", "N"], [4, 1, 0], None, [1, 2, 3], [0, 2, 3, 4], None, [0, 1, 0, 1],
                  [1, 3, 2, 1], [0, -1, 0], [10, 5, 1e20], colnames=["x", "y", "z"], rownames=["a", "b", "c"])
    return p


def test_getrows_gives_variables_and_respects_size(p):
    s, c, v = [], [], []
    assert p.getrows(s, c, v, 10, 0, 2) is None
    x, y, z = p.getVariable()
    assert s == [0, 2, 4, 4] and c == [x, y, x, z] and v == [1, 2, 3, 1]
    s, c, v = [9] * 8, [9] * 8, [9] * 8
    p.getrows(s, c, v, 3, "a", "b")
    assert len(s) == 3 and c == [x, y, x] and v == [1, 2, 3]
    p.getrows(None, c, None, 10, 1, 1)
    assert c == [x, z]


def test_getcols_gives_constraints_and_none_without_entries(p):
    s, r, v = [], [], []
    p.getcols(s, r, v, 10, "x", "z")
    a, b, _ = p.getConstraint()
    assert s == [0, 2, 3, 4] and r == [a, b, a, b] and v == [1, 3, 2, 1]
    p.addcols([0], [0, 0], [], [], [0], [1])
    s, r, v = ["keep"], ["keep"], ["keep"]
    assert p.getcols(s, r, v, 10, 3, 3) is None
    assert s == r == v == ["keep"]


def test_dense_getters_and_default_range(p):
    o, r, rg, t, ct, lb, ub = [], [], [], [], [], [], []
    p.getobj(o, 0, 2), p.getrhs(r, "a", "c"), p.getrhsrange(rg, 0, 0), p.getrowtype(t, 0, 2)
    p.getcoltype(ct, 0, 2), p.getlb(lb), p.getub(ub, 1)
    assert o == [1, 2, 3] and r == [4, 1, 0] and rg == [1e20] and t == ["L", "G", "N"] and ct == ["C"] * 3
    assert lb == [0, -1, 0] and ub == [5, 1e20]
    assert p.getlb(lb, 3, 2) is None and lb == [0, -1, 0]
    assert p.getcoef("b", "z") == 1 and p.getcoef(2, 0) == 0


@pytest.mark.parametrize("call,message", [
    (lambda p: p.getobj(None, 0, 1), "Must provide argument obj"),
    (lambda p: p.getrhs(None, 0, 1), "Must provide argument: rhs or range"),
    (lambda p: p.getrhsrange(None, 0, 1), "Must provide argument: rhs or range"),
    (lambda p: p.getrowtype(None, 0, 1), "Must provide argument qrtype"),
    (lambda p: p.getcoltype(None, 0, 1), "Must provide argument coltype"),
    (lambda p: p.getcols(None, [], [], 5, 0, 1), "Must provide arguments mstart, mrwind, dmatval"),
    (lambda p: p.getqrows(None), "Must provide argument qcrows"),
    (lambda p: p.getobj([], 2, 1), "Empty range of columns requested"),
    (lambda p: p.getrhs([], 2, 1), "Empty range of rows requested"),
    (lambda p: p.getrowtype([], 1, 0), "Empty range of rows requested"),
    (lambda p: p.getcoltype([], 1, 0), "Empty or invalid range of columns requested"),
    (lambda p: p.getrows([], [], [], 5, 2, 1), "Empty range of rows requested"),
    (lambda p: p.getcols([], [], [], 5, 2, 1), "Empty range of columns requested"),
    (lambda p: p.getmqobj([], [], [], 5, 2, 1), "Empty range of columns requested"),
    (lambda p: p.getqrowqmatrix(0, [], [], [], 5, 2, 1), "Empty range of columns requested"),
    (lambda p: p.getobj((), 0, 1), "Argument of type List required"),
    (lambda p: p.getrows([], (), [], 5, 0, 1), "Argument of type List required"),
    (lambda p: p.getglobal([], [], [], [], [], {}, []), "Argument of type List required"),
    (lambda p: p.getobj([], 0, 7), "out of range|range"),
    (lambda p: p.getobj([], "x", "nope"), "nope"),
    (lambda p: p.getobj([], 0, p.getConstraint()[0]), "Invalid variable object"),
    (lambda p: p.getrhs([], 0, p.getVariable()[0]), "Invalid constraint object"),
    (lambda p: p.getrhs([], 0, ondrel.var() <= 2), "Constraint .* not in problem"),
    (lambda p: p.getcoef(0, ondrel.var()), "Variable .* not in problem"),
    (lambda p: p.getqrowcoeff(0, 0, 9), "out of range"),
    (lambda p: p.getqrowqmatrixtriplets(9, [], [], []), "out of range"),
])
def test_query_refusals(p, call, message):
    with pytest.raises(RuntimeError, match=message):
        call(p)


def test_output_lists_are_shortened_extended_or_skipped(p):
    long, short = list(range(10)), ["a"]
    p.getobj(long, 0, 2)
    p.getrhs(short, 0, 2)
    assert long == [1, 2, 3] and short == [4, 1, 0]
    t = ["keep"]
    with pytest.raises(RuntimeError, match="Argument of type List required"):
        p.getindicators(t, (), 0, 2)
    assert t == ["keep"]


def test_references_by_name_index_and_object_agree(p):
    a = p.getConstraint()[0]
    for ref in ("a", 0, a, np.int64(0), np.int32(0)):
        r = []
        p.getrhs(r, ref, ref)
        assert r == [4.0]


def test_numpy_inputs_of_every_dtype(p):
    vals = np.array([5.0, 6.0, 7.0, 8.0])
    for idx in (np.array([0, 2], dtype=np.int32), np.array([0, 2], dtype=np.int64), np.array([0, 2], dtype=np.uint8),
                np.array([0, 1, 2, 3])[::2], np.array([0, 2], dtype=">i4")):
        for val in (vals[:2], vals[::2], vals[:2].astype(np.float32), vals[:2].astype(">f8"),
                    np.array([5, 6], dtype=np.int16), np.array([5, 6], dtype=np.uint64)):
            p.chgobj(idx, val)
            o = []
            p.getobj(o, 0, 2)
            assert o[0] == val[0] and o[2] == val[1], (idx.dtype, val.dtype)
    p.chgrowtype(np.array([0, 1]), np.array(["G", "L"]))
    t = []
    p.getrowtype(t, 0, 1)
    assert t == ["G", "L"]
    p.chgrowtype(np.array([0], dtype=object), np.array(["E"], dtype=object))
    p.getrowtype(t, 0, 0)
    assert t == ["E"]


@pytest.mark.parametrize("idx,message", [
    (np.array([0.0, 1.0]), "Invalid variable object"),
    (np.array([2 ** 40, 0]), "out of range"),
    (np.array([[0, 1]]), "Invalid sequence of objects"),
    (np.array(0), "Invalid sequence of objects"),
    (np.array([True, False]), "Invalid variable object"),
    (np.array([2 ** 63 + 1, 0], dtype=np.uint64), "cast|Cannot|safe"),
])
def test_numpy_index_arrays_that_cannot_be_indices(p, idx, message):
    o = []
    p.getobj(o, 0, 2)
    with pytest.raises((RuntimeError, OverflowError, TypeError), match=message):
        p.chgobj(idx, [1.0, 2.0])
    after = []
    p.getobj(after, 0, 2)
    assert after == o


def test_integer_arrays_refuse_floats(p):
    with pytest.raises(RuntimeError, match="Integer expected"):
        p.setindicators([0], [1], [1.0])
    with pytest.raises(RuntimeError, match="Integer expected"):
        p.scale(np.zeros(3), None)
    with pytest.raises(RuntimeError, match="Integer expected, found 'x'"):
        p.scale([0, "x", 0])


def test_iterators_lengths_and_empty_lists(p):
    p.chgobj((i for i in [0, 1]), [7, 8])
    p.chgobj([], [])
    o = []
    p.getobj(o, 0, 2)
    assert o == [7, 8, 3]
    with pytest.raises(RuntimeError, match="Mismatched lengths in arguments: expected 3, found 4"):
        p.chgobj([0, 1, 2], [1, 2, 3, 4])
    # an iterator's length must agree with the arrays before it
    for idx, val in (([0], iter([1, 2, 3])), (iter([0, 1]), [1]), ([0, 1], (v for v in [1]))):
        with pytest.raises(RuntimeError, match="Mismatched lengths in arguments"):
            p.chgrhs(idx, val)
    # a thousand items from a generator are all kept
    p.addcols((0.0 for _ in range(1000)), [0] * 1001, [], [], [0] * 1000, [1] * 1000)
    assert p.attributes.cols == len(p.getVariable()) == 1003

    def broken():
        yield 0
        raise KeyError("from the generator")

    with pytest.raises(KeyError, match="from the generator"):
        p.chgobj(broken(), [1])


def test_getglobal_and_getqrows_read_what_was_loaded():
    p = ondrel.problem()
    p.loadproblem("g", ["L"], [3], None, [1, 1, 1], [0, 1, 2, 3], None, [0, 0, 0], [1, 1, 1], [0, 0, 0],
                  [5, 5, 5], qgtype=["I", "S"], mgcols=[0, 2], dlim=[0, 2], qstype=["2"], msstart=[0, 2],
                  mscols=[1, 2], dref=[1, 2], qcrows=[0], qcnquads=[1], qcmqcol1=[1], qcmqcol2=[1], qcdqval=[1])
    g = [[] for _ in range(7)]
    p.getglobal(*g)
    x = p.getVariable()
    assert g == [["I", "S"], [0, 2], [0.0, 2.0], ["2"], [0, 2], [x[1], x[2]], [1.0, 2.0]]
    q = []
    p.getqrows(q)
    assert q == p.getConstraint()
    p.getglobal(None, None, None, None, None, None, None)
