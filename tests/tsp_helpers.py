"""Helpers of the travelling salesman tests: a degree-2 formulation whose
subtour rows come only during the tree search, and the callbacks that give
them (lazily through preintsol, as cuts through optnode) or that replace the
search's branching (chgbranchobject)."""
import itertools

import pytest

import ondrel


class Tsp:
    """Degree-2 formulation on the edges i < j; subtour rows come later."""

    def __init__(self, d):
        self.n = n = len(d)
        self.p = p = ondrel.problem()
        self.edges = [(i, j) for i in range(n) for j in range(i + 1, n)]
        self.x = {e: ondrel.var(vartype=ondrel.binary, name="x_%d_%d" % e) for e in self.edges}
        p.addVariable(list(self.x.values()))
        for i in range(n):
            p.addConstraint(ondrel.Sum(self.x[e] for e in self.edges if i in e) == 2)
        p.setObjective(ondrel.Sum(d[i][j] * self.x[(i, j)] for i, j in self.edges))
        p.controls.mipsolver = 2
        self.index = {e: k for k, e in enumerate(self.edges)}
        self.rows = 0

    def values(self, prob):
        x = []
        prob.getlpsol(x, None, None, None)
        return {e: x[self.index[e]] for e in self.edges}

    def components(self, val, eps):
        """Connected components of the edges with value above eps."""
        seen, comps = set(), []
        for s in range(self.n):
            if s in seen:
                continue
            comp, todo = set(), [s]
            while todo:
                i = todo.pop()
                if i in comp:
                    continue
                comp.add(i)
                todo += [j for j in range(self.n) if j != i and val[tuple(sorted((i, j)))] > eps]
            seen |= comp
            comps.append(sorted(comp))
        return comps

    def subtours(self, val, eps, violated_by=1e-6):
        """The edges inside each component S of the edges above eps that is
        not the whole tour and whose row sum of x inside S <= |S| - 1 val
        violates."""
        comps = self.components(val, eps)
        found = []
        for comp in comps if len(comps) > 1 else []:
            inside = list(itertools.combinations(comp, 2))
            if sum(val[e] for e in inside) > len(comp) - 1 + violated_by:
                found.append((inside, len(comp) - 1))
        self.rows += len(found)
        return found

    def constraints(self, subtours):
        return [ondrel.Sum(self.x[e] for e in inside) <= rhs for inside, rhs in subtours]

    def add_cuts(self, prob, subtours):
        """The subtour rows as cuts of the node being processed."""
        if not subtours:
            return
        start, cols = [0], []
        for inside, _ in subtours:
            cols += [self.x[e] for e in inside]
            start.append(len(cols))
        prob.addcuts([0] * len(subtours), ["L"] * len(subtours), [r for _, r in subtours],
                     start, cols, [1.0] * len(cols))

    def tour_length(self, d):
        sol = self.p.getSolution(list(self.x.values()))
        chosen = [e for e, v in zip(self.edges, sol) if v > 0.5]
        assert len(chosen) == self.n
        assert len(self.components({e: (1.0 if e in chosen else 0.0) for e in self.edges}, 0.5)) == 1
        return sum(d[i][j] for i, j in chosen)


def lazy_preintsol(t, log):
    """Rejects candidates with a subtour; at a node solution, the node gets
    one child that holds the subtour rows."""
    def preintsol(prob, data, soltype, cutoff):
        val = t.values(prob)
        if len(t.components(val, 0.5)) == 1:
            return (0, None)
        log.append(soltype)
        if soltype == 0:
            bo = ondrel.branchobj(prob, [t.constraints(t.subtours(val, 0.5))])
            assert bo.store() == 0
        return (1, None)
    return preintsol


def cuts_optnode(t):
    def optnode(prob, data):
        t.add_cuts(prob, t.subtours(t.values(prob), 1e-6, violated_by=0.01))
        return 0
    return optnode


needs_addcuts = pytest.mark.skipif(not hasattr(ondrel.problem, "addcuts"),
                                   reason="the cut methods are not in this build")


def edge_nearest_half_one_first(t, rule):
    """A chgbranchobject rule: branch on the fractional edge nearest 0.5,
    the child that takes the edge first; the search's own object where the
    node solution has no fractional edge. rule counts the calls."""
    def change(prob, data, bo):
        rule["calls"] += 1
        val = t.values(prob)
        frac = [e for e in t.edges if 1e-6 < val[e] < 1 - 1e-6]
        if not frac:
            rule["own"] += 1
            return bo
        e = min(frac, key=lambda e: abs(val[e] - 0.5))
        new = ondrel.branchobj(prob, [[t.x[e] >= 1], [t.x[e] <= 0]])
        new.setpreferredbranch(0)
        return new
    return change
