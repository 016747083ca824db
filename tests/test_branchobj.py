"""ondrel.branchobj: the constructor turning constraints into bounds and
rows with its messages, the methods and their argument checks, detached
objects, and branching objects inside tree-search callbacks (store() from a
node callback, chgbranchobject replacing the search's choice, invalid
objects failing the solve)."""
import pytest

import ondrel


VALUE = [29, 18, 33, 21, 35, 32, 40, 36, 33, 30]
WEIGHTS = ([21, 5, 19, 29, 12, 25, 6, 10, 8, 16], [20, 12, 17, 22, 8, 23, 12, 5, 28, 11])
CAPACITY = (75.5, 79.5)


def best_packing():
    """The optimum by enumeration of all 2^10 packings."""
    n = len(VALUE)
    return max(sum(VALUE[i] for i in range(n) if m >> i & 1) for m in range(1 << n)
               if all(sum(w[i] for i in range(n) if m >> i & 1) <= c
                      for w, c in zip(WEIGHTS, CAPACITY)))


OPTIMUM = best_packing()


def knapsack():
    """A two-row knapsack of 10 binaries whose relaxation needs branching."""
    p = ondrel.problem()
    x = [ondrel.var(vartype=ondrel.binary, name="x%d" % i) for i in range(len(VALUE))]
    p.addVariable(x)
    for w, c in zip(WEIGHTS, CAPACITY):
        p.addConstraint(ondrel.Sum(wi * xi for wi, xi in zip(w, x)) <= c)
    p.setObjective(ondrel.Sum(v * xi for v, xi in zip(VALUE, x)), sense=ondrel.maximize)
    p.controls.mipsolver = 2
    return p, x


def bounds(bo, ib):
    t, c, v = [], [], []
    n = bo.getbounds(ib, 10, t, c, v)
    return n, list(zip(t, c, v))


def rows(bo, ib):
    t, r, b, c, v = [], [], [], [], []
    bo.getrows(ib, 10, 10, t, r, b, c, v)
    return t, r, b, c, v


def test_constructor_turns_constraints_into_bounds_and_rows():
    p, x = knapsack()
    bo = ondrel.branchobj(p, [x[0] >= 1, [x[0] <= 0], [-2 * x[1] >= 4], [x[2] >= -1e20],
                              [x[0] + x[1] >= 1, x[0] + x[1] <= 3],
                              (ondrel.constraint(body=x[0] + x[1], lb=1, ub=3),),
                              [x[3] <= 1e20, x[3] >= 0.5]])
    assert bo.getbranches() == 7
    assert bounds(bo, 0) == (1, [("L", x[0], 1.0)])
    assert bounds(bo, 1) == (1, [("U", x[0], 0.0)])
    # -2 x1 >= 4 is x1 <= -2; an infinite side gives no bound.
    assert bounds(bo, 2) == (1, [("U", x[1], -2.0)])
    assert bo.getbounds(3, 10, [], [], []) is None
    assert bounds(bo, 6) == (1, [("L", x[3], 0.5)])
    assert rows(bo, 4) == (["G", "L"], [1.0, 3.0], [0, 2], [x[0], x[1]] * 2, [1.0] * 4)
    # A ranged constraint is split into its two ends.
    t, r, b, c, v = rows(bo, 5)
    assert t == ["G", "L"] and r == [1.0, 3.0] and b == [0, 2]
    assert bo.validate() == 2            # branch 3 holds nothing
    assert bo.getid() >= 1


@pytest.mark.parametrize("make,message", [
    (lambda p, x: ondrel.branchobj(3), "Incorrect creation of branching object"),
    (lambda p, x: ondrel.branchobj(p, [x[0] >= 1], False), "isoriginal flag is false"),
    (lambda p, x: ondrel.branchobj(p, x[0] >= 1), "must be a list or a tuple"),
    (lambda p, x: ondrel.branchobj(p, [3]), "Branch 0 is invalid: element of branch not of the valid type"),
    (lambda p, x: ondrel.branchobj(p, [[x[0] >= 1, 3]]), "Branch 0 is invalid"),
    (lambda p, x: ondrel.branchobj(p, [[], [x[0] * x[1] >= 1]]),
     "Branch 1 contains a quadratic or nonlinear constraint, invalid"),
    (lambda p, x: ondrel.branchobj(p, [ondrel.exp(x[0]) >= 1]), "quadratic or nonlinear"),
    (lambda p, x: ondrel.branchobj(p, [ondrel.var() >= 1]), "has not been added to problem yet"),
    (lambda p, x: ondrel.branchobj(p, [ondrel.constraint(body=x[0] + x[1], sense=ondrel.leq)]),
     "Branch cannot have a free row"),
])
def test_constructor_messages(make, message):
    p, x = knapsack()
    with pytest.raises(RuntimeError, match=message):
        make(p, x)


def test_methods_check_their_arguments_and_keep_the_object():
    p, x = knapsack()
    bo = ondrel.branchobj(p)
    bo.addbranches(2)
    with pytest.raises(RuntimeError, match="Mismatched lengths"):
        bo.addbounds(0, ["L", "U"], [x[0]], [1.0])
    with pytest.raises(RuntimeError, match="type 'X'"):
        bo.addbounds(0, ["X"], [x[0]], [1.0])
    with pytest.raises(RuntimeError, match="must be finite"):
        bo.addbounds(0, ["L"], [x[0]], [float("nan")])
    with pytest.raises(RuntimeError, match="Branch 5 does not exist"):
        bo.addbounds(5, ["L"], [x[0]], [1.0])
    with pytest.raises(RuntimeError, match="not in problem"):
        bo.addbounds(0, ["L"], [ondrel.var()], [1.0])
    assert bo.getbounds(0, 10, [], [], []) is None
    # Starts: nrows + 1 of them.
    with pytest.raises(RuntimeError, match="expected 2, found 1"):
        bo.addrows(0, ["G"], [1.0], [0], [x[0], x[1]], [1.0, 1.0])
    with pytest.raises(RuntimeError, match="type 'N'"):
        bo.addrows(0, ["N"], [1.0], [0, 2], [x[0], x[1]], [1.0, 1.0])
    bo.addrows(0, ["G"], [1.0], [0, 2], [x[0], x[1]], [1.0, 1.0])
    assert rows(bo, 0) == (["G"], [1.0], [0], [x[0], x[1]], [1.0, 1.0])
    bo.addcuts(0, [])                    # no cuts: nothing to do
    assert bo.validate() == 2
    bo.addbounds(1, ["U"], [x[0]], [0.0])
    assert bo.validate() == 0
    with pytest.raises(RuntimeError, match="does not exist"):
        bo.setpreferredbranch(2)
    bo.setpreferredbranch(1)
    bo.setpriority(3)
    code, msg = bo.getlasterror()
    assert isinstance(code, int) and "does not exist" in msg
    # Outside a node callback there is nothing to store into: still ours.
    with pytest.raises(RuntimeError, match="only from a prenode, optnode or preintsol"):
        bo.store()
    assert bo.getbranches() == 2


def test_plain_indices_when_not_original():
    p, x = knapsack()
    bo = ondrel.branchobj(p, isoriginal=False)
    bo.addbranches(1)
    bo.addbounds(0, ["U"], [2], [0.0])
    assert bounds(bo, 0) == (1, [("U", 2, 0.0)])
    with pytest.raises(RuntimeError, match="Integer expected"):
        bo.addbounds(0, ["U"], [x[2]], [0.0])


def test_store_in_a_node_callback_detaches_and_branches_the_node():
    p, x = knapsack()
    seen = {"stored": 0, "depths": set()}

    def optnode(prob, data):
        a = prob.attributes
        seen["depths"].add(a.nodedepth)
        if a.currentnode == 1:
            # Branch the root on x3 first, preferring x3 = 1.
            bo = ondrel.branchobj(prob, [[x[3] <= 0], [x[3] >= 1]])
            bo.setpreferredbranch(1)
            assert bo.store() == 0
            assert bo.getid() is None and bo.getbranches() == 0 and bo.getrows(0, 1, 1) is None
            with pytest.raises(RuntimeError):
                bo.addbranches(1)
            seen["stored"] += 1
        return 0

    children = []
    p.addcboptnode(optnode)
    p.addcbnewnode(lambda prob, data, parent, node, branch: children.append((parent, node)))
    p.controls.mipsolver = 2
    p.solve()
    assert p.getObjVal() == pytest.approx(OPTIMUM)
    assert seen["stored"] == 1
    assert [c for c in children if c[0] == 1] == [(1, 2), (1, 3)]


def test_chgbranchobject_sees_the_candidate_and_may_replace_it():
    p, x = knapsack()
    offered = []

    def change(prob, data, bo):
        n = bo.getbranches()
        offered.append([bounds(bo, k) for k in range(n)])
        if len(offered) % 2:
            return bo                      # keep the search's own choice
        # The same dichotomy, the other branch first.
        new = ondrel.branchobj(prob)
        new.addbranches(n)
        for k in range(n):
            _, b = bounds(bo, k)
            new.addbounds(k, [t for t, _, _ in b], [c for _, c, _ in b], [v for _, _, v in b])
        new.setpreferredbranch(n - 1)
        return new

    p.addcbchgbranchobject(change)
    p.solve()
    assert p.getProbStatusString() == "mip_optimal"
    assert p.getObjVal() == pytest.approx(OPTIMUM)
    assert offered
    # The search's candidates are dichotomies on a column: x <= 0 or x >= 1.
    for branches in offered:
        assert len(branches) == 2
        (n0, b0), (n1, b1) = branches
        assert b0[0][0] == "U" and b1[0][0] == "L" and b0[0][1] is b1[0][1]


@pytest.mark.parametrize("result,message", [
    (lambda prob, bo: ondrel.branchobj(prob, [[], [x0 <= 0]]), "is not valid"),
    (lambda prob, bo: ondrel.branchobj(prob), "has no branch"),
])
def test_an_invalid_object_from_chgbranchobject_fails_the_solve(result, message):
    global x0
    p, x = knapsack()
    x0 = x[0]
    p.addcbchgbranchobject(lambda prob, data, bo: result(prob, bo))
    with pytest.raises(RuntimeError, match=message):
        p.solve()


def test_chgbranchobject_returning_none_stops_the_solve(capfd):
    p, x = knapsack()
    p.addcbchgbranchobject(lambda prob, data, bo: None)
    p.solve()
    assert "returned object from chgbranchobject() should be a branching object" in capfd.readouterr().err
    assert p.attributes.stopstatus == ondrel.stop_user
