"""Strong branching against each branch's LP solved from scratch: outside
a search on the LP relaxation, inside one on the node's LP (the model's
rows and the node's cuts), the per-branch callable, and bad input."""
import pytest

import ondrel

BRANCHES = ([0, 0, 1, 1, 2], ["U", "L", "U", "B", "L"], [1.0, 2.0, 0.0, 1.0, 4.0])


def knapsack():
    # max 5a + 4b + 3c, 2a + 3b + c <= 5, 4a + b + 2c <= 11, 3a + 4b + 2c <= 8,
    # bounds that propagation cannot tighten: the search's root LP is the
    # model's LP relaxation.
    p = ondrel.problem()
    v = [ondrel.var(vartype=ondrel.integer, ub=u) for u in (2, 1, 4)]
    p.addVariable(v)
    a, b, c = v
    p.addConstraint(2 * a + 3 * b + c <= 5, 4 * a + b + 2 * c <= 11, 3 * a + 4 * b + 2 * c <= 8)
    p.setObjective(5 * a + 4 * b + 3 * c, sense=ondrel.maximize)
    return p, v


def from_scratch(col, btype, val, cuts=()):
    """The LP relaxation with the bound change (and the cut rows) alone."""
    q, w = knapsack()
    q.chgcoltype(w, ["C"] * 3)
    for cols, coefs, sense, rhs in cuts:
        body = ondrel.Sum(k * w[j] for j, k in zip(cols, coefs))
        q.addConstraint(body <= rhs if sense == "L" else body >= rhs if sense == "G" else body == rhs)
    q.chgbounds([w[col]], [btype], [val])
    q.lpoptimize()
    return q.attributes.lpstatus, q.attributes.lpobjval


def test_outside_a_search_each_branch_is_the_relaxation_with_its_bound():
    p, v = knapsack()
    obj, st = [], []
    p.strongbranch([v[j] for j in BRANCHES[0]], BRANCHES[1], BRANCHES[2], 1000, obj, st)
    assert len(obj) == len(st) == 5
    for k in range(5):
        status, value = from_scratch(BRANCHES[0][k], BRANCHES[1][k], BRANCHES[2][k])
        assert st[k] == status
        if status == 1:
            assert obj[k] == pytest.approx(value, rel=1e-9)
    # The problem itself is unchanged: its bounds and its results.
    lb, ub = [], []
    p.getlb(lb, 0, 2)
    p.getub(ub, 0, 2)
    assert lb == [0, 0, 0] and ub == [2, 1, 4]
    assert p.attributes.lpstatus == 0


def test_inside_a_search_each_branch_is_the_node_lp_with_its_bound():
    p, v = knapsack()
    found, added = [], []

    def optnode(prob, data):
        if not added:
            # A cut the node's LP solves again with: 5a + 4b + 3c <= 13.
            cols = [p.getIndex(t) for t in v]
            prob.addcuts([0], ["L"], [13.0], [0, 3], cols, [5.0, 4.0, 3.0])
            added.append(1)
            return 0
        if found:
            return 0
        obj, st, cuts = [], [], []
        prob.strongbranch([v[j] for j in BRANCHES[0]], BRANCHES[1], BRANCHES[2], 1000, obj, st)
        prob.getcutlist(0, -1, 1000, cuts)
        rows = []
        if cuts:
            t, r, s, c, val, rhs = [], [], [], [], [], []
            prob.getcpcuts(cuts, 10000, t, r, s, c, val, rhs)
            for k in range(len(cuts)):
                rows.append(([p.getIndex(x) for x in c[s[k]:s[k + 1]]], val[s[k]:s[k + 1]], r[k], rhs[k]))
        # The node's own LP solution is still what the callback reads.
        x = []
        prob.getlpsol(x, None, None, None)
        found.append((obj, st, rows, x, prob.attributes.lpobjval))
        return 0

    p.addcboptnode(optnode)
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(13)
    obj, st, rows, x, lpobj = found[0]
    assert any(r[3] == 13.0 for r in rows)
    for k in range(5):
        status, value = from_scratch(BRANCHES[0][k], BRANCHES[1][k], BRANCHES[2][k], rows)
        assert st[k] == status, k
        if status == 1:
            assert obj[k] == pytest.approx(value, rel=1e-7), k
    assert lpobj == pytest.approx(from_scratch(0, "L", 0.0, rows)[1], rel=1e-7)


def test_the_callable_sees_each_branch_and_can_stop():
    p, v = knapsack()
    seen = []

    def solved(prob, ctx, branch):
        x = []
        prob.getlpsol(x, None, None, None)
        seen.append((ctx, branch, x, prob.attributes.lpobjval))
        return 1 if branch == 2 else 0

    obj, st = [], []
    p.strongbranchcb([v[j] for j in BRANCHES[0]], BRANCHES[1], BRANCHES[2], 1000, obj, st, solved, "ctx")
    assert [s[1] for s in seen] == [0, 1, 2] and all(s[0] == "ctx" for s in seen)
    assert seen[0][2][0] <= 1 + 1e-9 and seen[1][2][0] >= 2 - 1e-9    # a <= 1, then a >= 2
    assert seen[0][3] == pytest.approx(obj[0])
    assert st[3:] == [7, 7] and st[0] == 1

    def fails(prob, ctx, branch):
        raise ValueError("no more")

    with pytest.raises(ValueError, match="no more"):
        p.strongbranchcb([v[0]], ["U"], [1.0], 1000, [], [], fails, None)
    with pytest.raises(RuntimeError, match="callable"):
        p.strongbranchcb([v[0]], ["U"], [1.0], 1000, [], [], 5, None)


def test_iteration_limit_and_bad_input():
    p, v = knapsack()
    obj, st = [], []
    p.strongbranch([v[0]], ["U"], [0.0], 1, obj, st)
    assert st[0] in (1, 4)
    for args, msg in [
        (([v[0], v[1]], ["U"], [1.0]), "Mismatched lengths"),
        (([v[0]], ["X"], [1.0]), "invalid bound type"),
        (([v[0]], ["U"], [float("nan")]), "not a number"),
        (([99], ["U"], [1.0]), "out of range|Invalid|index"),
    ]:
        out, sts = [9], [9]
        with pytest.raises((RuntimeError, IndexError, TypeError), match=msg):
            p.strongbranch(*args, 100, out, sts)
        assert out == [9] and sts == [9]


def test_the_callable_in_a_search_and_the_node_afterwards():
    p, v = knapsack()
    seen = []

    def optnode(prob, data):
        if seen:
            return 0
        before = []
        prob.getlpsol(before, None, None, None)
        inside = []

        def solved(q, ctx, branch):
            x = []
            q.getlpsol(x, None, None, None)
            inside.append(x)
            return 0

        obj, st = [], []
        prob.strongbranchcb([v[1], v[1]], ["U", "L"], [0.0, 1.0], 1000, obj, st, solved, None)
        after = []
        prob.getlpsol(after, None, None, None)
        seen.append((before, inside, after, st))
        return 0

    p.addcboptnode(optnode)
    p.mipoptimize()
    assert p.attributes.mipstatus == 6 and p.attributes.mipobjval == pytest.approx(13)
    before, inside, after, st = seen[0]
    assert st == [1, 1]
    assert inside[0][1] == pytest.approx(0.0) and inside[1][1] == pytest.approx(1.0)
    assert after == before
