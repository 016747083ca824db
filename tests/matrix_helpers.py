"""Reading a whole problem back through the matrix-level queries: as the
arrays loadproblem takes, and as one comparable snapshot."""
import math


def _rows(p):
    return p.attributes.rows


def _cols(p):
    return p.attributes.cols


def load_arrays(p):
    """The problem's arrays in loadproblem's keywords (indices as ints)."""
    n, m = _cols(p), _rows(p)
    qrtypes, rhs, rng = [], [], []
    if m:
        p.getrowtype(qrtypes, 0, m - 1)
        p.getrhs(rhs, 0, m - 1)
        p.getrhsrange(rng, 0, m - 1)
    obj, lb, ub = [], [], []
    p.getobj(obj, 0, n - 1)
    p.getlb(lb)
    p.getub(ub)
    mstart, mrwind, dmatval = [], [], []
    nnz = p.attributes.elems
    p.getcols(mstart, mrwind, dmatval, nnz, 0, n - 1)
    if not mstart:
        mstart = [0] * (n + 1)
    kw = dict(probname="copy", qrtypes=qrtypes, rhs=rhs, range=rng, obj=obj, mstart=mstart,
              mnel=None, mrwind=[p.getIndex(r) for r in mrwind], dmatval=dmatval, dlb=lb, dub=ub)
    g = [[] for _ in range(7)]
    p.getglobal(*g)
    qgtype, mgcols, dlim, qstype, msstart, mscols, dref = g
    if qgtype:
        kw.update(qgtype=qgtype, mgcols=mgcols, dlim=dlim)
    if qstype:
        kw.update(qstype=qstype, msstart=msstart, mscols=[p.getIndex(c) for c in mscols], dref=dref)
    s, c, v = [], [], []
    if p.getmqobj(s, c, v, 10 ** 9, 0, n - 1):
        # both triangles come back: pass each pair once, the diagonal as it is
        c1, c2, q = [], [], []
        for j in range(n):
            for k in range(s[j], s[j + 1]):
                i = p.getIndex(c[k])
                if i >= j:
                    c1.append(j), c2.append(i), q.append(v[k])
        kw.update(mqcol1=c1, mqcol2=c2, dqe=q)
    kw["colnames"] = [x.name for x in p.getVariable()]
    kw["rownames"] = [r.name for r in p.getConstraint()]
    return kw


def snapshot(p):
    """Everything the queries show of a problem, with objects as indices,
    and the containers' lengths and identities."""
    kw = load_arrays(p)
    kw.pop("probname")
    inds, comps = [], []
    if _rows(p):
        p.getindicators(inds, comps, 0, _rows(p) - 1)
    ct = []
    p.getcoltype(ct, 0, _cols(p) - 1)
    qrows = []
    p.getqrows(qrows)
    q = []
    for r in qrows:
        a, b, v = [], [], []
        p.getqrowqmatrixtriplets(r, a, b, v)
        q.append((p.getIndex(r), [p.getIndex(x) for x in a], [p.getIndex(x) for x in b], v))
    kw.update(coltype=ct, comps=comps, inds=[i if i == -1 else p.getIndex(i) for i in inds], qrows=q,
              sense=p.attributes.objsense if hasattr(p.attributes, "objsense") else None,
              variables=[id(x) for x in p.getVariable()], constraints=[id(c) for c in p.getConstraint()])
    return kw


def same(a, b):
    """Snapshots equal, NaN-free floats compared exactly."""
    assert a.keys() == b.keys()
    for k in a:
        assert a[k] == b[k], k
    return True


def finite(xs):
    return all(math.isfinite(x) for x in xs)
