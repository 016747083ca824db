"""Node callbacks fired by the tree search in real solves: counts against
the node attribute, the numbering of new nodes, what a callback reads
through the problem while it runs, and node results that drop nodes or
stop the search."""
import os

import pytest

import ondrel

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "data"))
P0033 = os.path.join(DATA, "miplib3", "p0033.mps")

pytestmark = pytest.mark.skipif(not os.path.exists(P0033), reason="instance files not present")

NODE_KINDS = ["prenode", "optnode", "infnode", "nodecutoff", "newnode"]


def p0033(solver=0):
    p = ondrel.problem()
    p.read(P0033)
    p.controls.mipsolver = solver    # 0: a node callback takes the tree search
    return p


def recorder(calls, result=None, look=None):
    def f(prob, data, *args):
        calls.append(args if look is None else (args, look(prob)))
        return result
    return f


def test_every_node_kind_fires_and_agrees_with_the_search():
    p = p0033()
    calls = {k: [] for k in NODE_KINDS + ["intsol"]}
    for k in calls:
        getattr(p, "addcb" + k)(recorder(calls[k]))
    p.mipoptimize()
    a = p.attributes
    assert a.mipstatus == 6 and a.mipobjval == pytest.approx(3089)
    # prenode sees each node the search counts, optnode those whose LP solved.
    assert len(calls["prenode"]) == a.nodes
    assert 1 <= len(calls["optnode"]) <= a.nodes
    assert len(calls["intsol"]) == a.mipsols >= 1
    # Children are numbered once each, after the root (1), with parents
    # already known; branches of one parent are 0, 1, ...
    known = {1}
    for parent, child, branch in calls["newnode"]:
        assert parent in known and child not in known and branch in (0, 1)
        known.add(child)
    assert len(calls["newnode"]) == len(known) - 1 >= 2
    assert all(n in known for (n,) in calls["nodecutoff"])
    assert all(args == () for args in calls["infnode"])
    # Processed nodes end one way each: branched, cut off, infeasible or a leaf.
    branched = len({parent for parent, _, _ in calls["newnode"]})
    assert branched + len(calls["infnode"]) <= a.nodes


def test_a_callback_reads_the_node_lp_and_the_incumbent():
    p = p0033()
    n = p.attributes.cols
    seen = []

    def optnode(prob, data):
        x, s = [], []
        prob.getlpsol(x, s)
        a = prob.attributes
        inc = None
        if a.mipsols:
            inc = []
            prob.getmipsol(inc)
        seen.append((x, a.lpobjval, a.nodes, a.bestbound, a.mipsols, a.mipobjval, inc))
        return 0

    p.addcboptnode(optnode)
    p.mipoptimize()
    assert seen
    nodes = [s[2] for s in seen]
    assert nodes == sorted(nodes) and nodes[0] == 1 and nodes[-1] <= p.attributes.nodes
    for x, lpobj, _, bound, sols, mipobj, inc in seen:
        assert len(x) == n
        assert bound <= lpobj + 1e-6             # minimising: the open bound is below
        if sols:
            assert len(inc) == n and mipobj >= 3089 - 1e-6
            assert bound <= mipobj + 1e-6
    # The results after the solve are the solve's again.
    assert p.attributes.mipobjval == pytest.approx(3089)
    assert p.attributes.lpstatus in (1, 4)


def test_prenode_dropping_nodes_leaves_a_valid_answer():
    p = p0033()
    calls = []
    p.addcbprenode(recorder(calls, 1))       # every node, the root too, is dropped
    p.mipoptimize()
    assert len(calls) == 1 and p.attributes.nodes == 0
    assert p.attributes.mipstatus == 5       # nothing left: reported infeasible
    q = p0033()
    seen = []

    def deep(prob, data):
        seen.append(1)
        return 1 if len(seen) > 20 else 0    # a partial search, then drops
    q.addcbprenode(deep)
    q.mipoptimize()
    a = q.attributes
    assert a.mipstatus in (4, 5, 6)
    if a.mipstatus in (4, 6):
        assert a.mipobjval >= 3089 - 1e-6
        x = []
        q.getmipsol(x)
        assert all(min(abs(v), abs(v - 1)) <= 1e-6 for v in x)   # binaries


def test_optnode_marking_the_root_infeasible_ends_the_search():
    p = p0033()
    calls = []
    p.addcboptnode(recorder(calls, 1))
    news = []
    p.addcbnewnode(recorder(news))
    p.mipoptimize()
    assert len(calls) == 1 and news == []
    assert p.attributes.mipstatus in (4, 5)  # only a root heuristic could have found one


@pytest.mark.parametrize("kind", NODE_KINDS)
def test_a_raising_node_callback_stops_the_search_and_is_raised(kind, capsys):
    p = p0033()
    calls = []

    def bad(prob, data, *args):
        calls.append(args)
        raise KeyError(kind)

    getattr(p, "addcb" + kind)(bad)
    with pytest.raises(KeyError, match=kind):
        p.mipoptimize()
    assert len(calls) == 1
    getattr(p, "removecb" + kind)()
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)


def test_node_kinds_are_refused_when_highs_is_asked_for():
    p = p0033(solver=1)
    p.addcbprenode(recorder([]))
    with pytest.raises(RuntimeError, match="The prenode callback is not called by this solver path"):
        p.mipoptimize()
    p.controls.mipsolver = 2
    p.mipoptimize()
    assert p.attributes.mipobjval == pytest.approx(3089)


def test_gapnotify_fires_on_the_tree_search():
    p = p0033(solver=2)
    p.controls.miprelgapnotify = 1e10
    calls = []
    p.addcbgapnotify(recorder(calls, (None, None, None, None)))
    p.mipoptimize()
    assert len(calls) == 1
    assert p.attributes.mipobjval == pytest.approx(3089)
