// The cut methods: cuts of the current node and of the cut pool, stored
// bounds and strong branching. Most of them are called from node callbacks,
// on the problem object the callback receives.
#include <algorithm>
#include "api/wrap.h"
#include "callbacks/trampoline.h"
#include "module/types.h"
#include "problem/doc.h"

using namespace wrap;

namespace {

#define CUT_DOC(purpose, synopsis, args, example, info) \
  METHOD_DOC(purpose, synopsis, args, example, info,    \
             "storecuts, loadcuts, delcuts, getcpcutlist, getcutlist, getcpcuts")

// A list of ondrel.poolcut (code 9) into handles; None: n = -1 and null.
int cut_list(PyObject *self, PyObject *obj, CArray<void *> &arr, int *n) {
  int64_t cnt = -1;
  if (conv(self, &cnt, obj, arr, CONV_CUT) != 0) return -1;
  if (cnt < 0) {
    *n = -1;
    return 0;
  }
  return as_int(cnt, n);
}

// addcuts (selector 1) and storecuts (selector 0): the cut arrays
// converted in the order rtype, mstart, rhs, mcols, dmatval, mtype.
template <int Store>
PyObject *cuts_add(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kw_store[] = {"nodupl", "mtype", "rtype", "rhs", "mstart", "mindex", "mcols", "dmatval",
                                   nullptr};
  static const char *kw_add[] = {"mtype", "rtype", "rhs", "mstart", "mcols", "dmatval", nullptr};
  long nodupl = 0;
  PyObject *mtype = nullptr, *rtype = nullptr, *rhs = nullptr, *mstart = nullptr, *mindex = nullptr,
           *mcols = nullptr, *dmatval = nullptr;
  int ok = Store ? PyArg_ParseTupleAndKeywords(args, kw, "lOOOOOOO", (char **)kw_store, &nodupl, &mtype, &rtype,
                                               &rhs, &mstart, &mindex, &mcols, &dmatval)
                 : PyArg_ParseTupleAndKeywords(args, kw, "OOOOOO", (char **)kw_add, &mtype, &rtype, &rhs, &mstart,
                                               &mcols, &dmatval);
  if (!ok) return nullptr;
  if (require(Store ? "Must provide arguments mtype, rtype, rhs, mstart"
                    : "Must provide arguments mtype, rtype, rhs, mstart",
              {mtype, rtype, rhs, mstart}) != 0 ||
      (Store && outputs_ok({mindex}) != 0) || usable(self) != 0)
    return nullptr;
  CArray<char> types;
  CArray<int64_t> starts;
  CArray<double> rhsv, vals;
  CArray<int> cols, utype;
  int64_t n = -1;
  if (conv(self, &n, rtype, types, CONV_CHAR) != 0) return done(self, -1);
  int ncuts = 0;
  if (as_int(n, &ncuts) != 0) return nullptr;
  int64_t ns = (int64_t)ncuts + 1, nnz = 0;
  if ((ncuts != 0 && conv(self, &ns, mstart, starts, CONV_INT64) != 0) || conv(self, &n, rhs, rhsv, CONV_DOUBLE) != 0)
    return done(self, -1);
  if (ncuts > 0) nnz = starts[(size_t)ncuts];
  if (nnz < 0) {
    PyErr_Format(PyExc_RuntimeError, "Invalid number of nonzeros %lld: the last start is negative", (long long)nnz);
    return nullptr;
  }
  int64_t ne = nnz;
  if ((nnz > 0 && conv(self, &ne, mcols, cols, CONV_COL) != 0) || conv(self, &ne, dmatval, vals, CONV_DOUBLE) != 0 ||
      conv(self, &n, mtype, utype, CONV_INT) != 0)
    return done(self, -1);
  if (nnz > 0 && (!cols.get() || !vals.get())) {
    PyErr_SetString(PyExc_RuntimeError, "Must provide arguments mcols, dmatval for the cuts' coefficients");
    return nullptr;
  }
  ONDRprob prob = P(self)->prob;
  if (!Store)
    return done(self, ONDRaddcuts64(prob, ncuts, utype.get(), types.get(), rhsv.get(), starts.get(), cols.get(),
                                    vals.get()));
  CArray<void *> handles;
  if (!handles.alloc((size_t)ncuts)) return nullptr;
  if (ONDRstorecuts64(prob, ncuts, (int)nodupl, utype.get(), types.get(), rhsv.get(), starts.get(),
                      (ONDRcut *)handles.get(), cols.get(), vals.get()) != 0)
    return done(self, -1);
  return done(self, conv_arr2obj(self, ncuts, handles.get(), mindex, CONV_CUT));
}

// loadcuts and delcpcuts: the cuts of `cutind` with their type selection
// (itype, interp) handed to `call`.
PyObject *cut_selection_call(PyObject *self, PyObject *args, PyObject *kw,
                             int (*call)(ONDRprob, int, int, int, const ONDRcut *)) {
  static const char *kwlist[] = {"itype", "interp", "cutind", nullptr};
  long itype = 0, interp = 0;
  PyObject *cutind = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "llO", (char **)kwlist, &itype, &interp, &cutind)) return nullptr;
  if (usable(self) != 0) return nullptr;
  CArray<void *> h;
  int n = -1;
  if (cut_list(self, cutind, h, &n) != 0) return done(self, -1);
  return done(self, call(P(self)->prob, (int)itype, (int)interp, n, (const ONDRcut *)h.get()));
}

PyObject *ONDR_PY_loadcuts(PyObject *self, PyObject *args, PyObject *kw) {
  return cut_selection_call(self, args, kw, ONDRloadcuts);
}

PyObject *ONDR_PY_delcuts(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ibasis", "itype", "interp", "delta", "cutind", nullptr};
  long ibasis = 0, itype = 0, interp = 0;
  double delta = 0.0;
  PyObject *cutind = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "llldO", (char **)kwlist, &ibasis, &itype, &interp, &delta, &cutind))
    return nullptr;
  if (usable(self) != 0) return nullptr;
  CArray<void *> h;
  int n = -1;
  if (cut_list(self, cutind, h, &n) != 0) return done(self, -1);
  return done(self, ONDRdelcuts(P(self)->prob, (int)ibasis, (int)itype, (int)interp, delta, n,
                                (const ONDRcut *)h.get()));
}

PyObject *ONDR_PY_delcpcuts(PyObject *self, PyObject *args, PyObject *kw) {
  return cut_selection_call(self, args, kw, ONDRdelcpcuts);
}

PyObject *ONDR_PY_setbranchcuts(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mindex", nullptr};
  PyObject *mindex = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &mindex)) return nullptr;
  if (require("Must provide argument mindex", {mindex}) != 0 || usable(self) != 0) return nullptr;
  CArray<void *> h;
  int n = -1;
  if (cut_list(self, mindex, h, &n) != 0) return done(self, -1);
  return done(self, ONDRsetbranchcuts(P(self)->prob, n, (const ONDRcut *)h.get()));
}

PyObject *ONDR_PY_getcutslack(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"cut", nullptr};
  PyObject *cut = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &cut) || !PyObject_TypeCheck(cut, &poolcut_type)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "getcutslack must be provided a single cut as the only argument");
    return nullptr;
  }
  if (usable(self) != 0) return nullptr;
  double slack = 0.0;
  if (ONDRgetcutslack(P(self)->prob, (ONDRcut)handle_object_get(cut, &poolcut_type), &slack) != 0)
    return done(self, -1);
  return PyFloat_FromDouble(slack);
}

PyObject *ONDR_PY_getcutmap(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"cuts", "cutmap", nullptr};
  PyObject *cuts = nullptr, *cutmap = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &cuts, &cutmap)) return nullptr;
  if (require("Must provide arguments cuts, cutmap", {cuts, cutmap}) != 0 || outputs_ok({cutmap}) != 0 ||
      usable(self) != 0)
    return nullptr;
  CArray<void *> h;
  CArray<int> rows;
  int n = -1;
  if (cut_list(self, cuts, h, &n) != 0 || !rows.alloc((size_t)std::max(n, 0))) return done(self, -1);
  if (ONDRgetcutmap(P(self)->prob, n, (const ONDRcut *)h.get(), rows.get()) != 0) return done(self, -1);
  return done(self, conv_arr2obj(self, n, rows.get(), cutmap, CONV_INT));
}

PyObject *ONDR_PY_getcutlist(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"itype", "interp", "size", "cutind", nullptr};
  long itype = 0, interp = 0, size = 0;
  PyObject *cutind = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "lllO", (char **)kwlist, &itype, &interp, &size, &cutind))
    return nullptr;
  if (require("Must provide argument cutind", {cutind}) != 0 || outputs_ok({cutind}) != 0 || usable(self) != 0)
    return nullptr;
  ONDRprob prob = P(self)->prob;
  int count = 0;
  if (ONDRgetcutlist(prob, (int)itype, (int)interp, &count, 0, nullptr) != 0) return done(self, -1);
  int m = (int)std::max(0L, std::min((long)count, size));
  CArray<void *> h;
  if (!h.alloc((size_t)m)) return nullptr;
  if (ONDRgetcutlist(prob, (int)itype, (int)interp, &count, m, (ONDRcut *)h.get()) != 0) return done(self, -1);
  return done(self, conv_arr2obj(self, m, h.get(), cutind, CONV_CUT));
}

PyObject *ONDR_PY_getcpcutlist(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"itype", "interp", "delta", "size", "cutind", "viol", nullptr};
  long itype = 0, interp = 0, size = 0;
  double delta = 0.0;
  PyObject *cutind = nullptr, *viol = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "lldlOO", (char **)kwlist, &itype, &interp, &delta, &size, &cutind,
                                   &viol))
    return nullptr;
  if (outputs_ok({cutind, viol}) != 0 || usable(self) != 0) return nullptr;
  ONDRprob prob = P(self)->prob;
  int count = 0;
  if (ONDRgetcpcutlist(prob, (int)itype, (int)interp, delta, &count, 0, nullptr, nullptr) != 0)
    return done(self, -1);
  int m = (int)std::max(0L, std::min((long)count, size));
  CArray<void *> h;
  CArray<double> v;
  if (!h.alloc((size_t)m) || !v.alloc((size_t)m)) return nullptr;
  if (ONDRgetcpcutlist(prob, (int)itype, (int)interp, delta, &count, m, (ONDRcut *)h.get(), v.get()) != 0 ||
      conv_arr2obj(self, m, h.get(), cutind, CONV_CUT) != 0 || conv_arr2obj(self, m, v.get(), viol, CONV_DOUBLE) != 0)
    return done(self, -1);
  return result(self, PyLong_FromLong(count));
}

PyObject *ONDR_PY_getcpcuts(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"index", "size", "type", "rtype", "mstart", "mcols", "dmatval", "drhs", nullptr};
  PyObject *index = nullptr, *type = nullptr, *rtype = nullptr, *mstart = nullptr, *mcols = nullptr,
           *dmatval = nullptr, *drhs = nullptr;
  long size = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OlOOOOOO", (char **)kwlist, &index, &size, &type, &rtype, &mstart,
                                   &mcols, &dmatval, &drhs))
    return nullptr;
  if (require("Must provide argument index", {index}) != 0 ||
      outputs_ok({type, rtype, mstart, mcols, dmatval, drhs}) != 0 || usable(self) != 0)
    return nullptr;
  CArray<void *> h;
  int n = -1;
  if (cut_list(self, index, h, &n) != 0) return done(self, -1);
  n = std::max(n, 0);
  ONDRprob prob = P(self)->prob;
  CArray<int64_t> starts;
  if (!starts.alloc((size_t)n + 1)) return nullptr;
  if (ONDRgetcpcuts64(prob, (const ONDRcut *)h.get(), n, 0, nullptr, nullptr, starts.get(), nullptr, nullptr,
                      nullptr) != 0)
    return done(self, -1);
  int64_t m = std::max<int64_t>(0, std::min<int64_t>(size, starts[(size_t)n]));
  CArray<int> types, cols;
  CArray<char> letters;
  CArray<double> vals, rhs;
  if (!types.alloc((size_t)n) || !letters.alloc((size_t)n) || !rhs.alloc((size_t)n) || !cols.alloc((size_t)m) ||
      !vals.alloc((size_t)m))
    return nullptr;
  if (ONDRgetcpcuts64(prob, (const ONDRcut *)h.get(), n, m, types.get(), letters.get(), starts.get(), cols.get(),
                      vals.get(), rhs.get()) != 0)
    return done(self, -1);
  int rc = conv_arr2obj(self, n, types.get(), type, CONV_INT) != 0 ||
                   conv_arr2obj(self, n, letters.get(), rtype, CONV_CHAR) != 0 ||
                   conv_arr2obj(self, (int64_t)n + 1, starts.get(), mstart, CONV_INT64) != 0 ||
                   conv_arr2obj(self, m, cols.get(), mcols, CONV_COL) != 0 ||
                   conv_arr2obj(self, m, vals.get(), dmatval, CONV_DOUBLE) != 0 ||
                   conv_arr2obj(self, n, rhs.get(), drhs, CONV_DOUBLE) != 0
               ? -1
               : 0;
  return done(self, rc);
}

PyObject *ONDR_PY_storebounds(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mcols", "type", "bds", nullptr};
  PyObject *mcols = nullptr, *type = nullptr, *bds = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOO", (char **)kwlist, &mcols, &type, &bds)) return nullptr;
  if (require("Must provide arguments mcols, type, bds", {mcols, type, bds}) != 0 || usable(self) != 0)
    return nullptr;
  CArray<int> cols;
  CArray<char> types;
  CArray<double> vals;
  int64_t n = -1;
  int cnt = 0;
  if (conv(self, &n, mcols, cols, CONV_COL) != 0 || conv(self, &n, type, types, CONV_CHAR) != 0 ||
      conv(self, &n, bds, vals, CONV_DOUBLE) != 0 || as_int(n, &cnt) != 0)
    return done(self, -1);
  void *handle = nullptr;
  if (ONDRstorebounds(P(self)->prob, cnt, cols.get(), types.get(), vals.get(), &handle) != 0) return done(self, -1);
  return result(self, handle_object_new(&generic_type, handle));
}

PyObject *ONDR_PY_setbranchbounds(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mindex", nullptr};
  PyObject *mindex = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &mindex)) return nullptr;
  if (usable(self) != 0) return nullptr;
  // Anything but an ondrel.generic passes no handle, which the library refuses.
  return done(self, ONDRsetbranchbounds(P(self)->prob, handle_object_get(mindex, &generic_type)));
}

// The library's strong-branch callback: the record is [problem, callable,
// data]; the callable gets (problem, data, branch) and its integer result
// goes back (an exception stops strong branching and stays pending).
int strongbranch_solvecb(ONDRprob h, void *rec, int branch) {
  Invocation i(h, nullptr, rec);
  if (!i.ok()) return 1;
  PyRef r(i.call("(OOi)", i.problem(), i.data(), branch));
  if (!r) return 1;
  return int_rule(r.get(), 0);
}

// strongbranch (no callable) and strongbranchcb.
template <int WithCb>
PyObject *strong(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kw_plain[] = {"mbndind", "cbndtype", "dbndval", "itrlimit", "dsbobjval", "msbstatus", nullptr};
  static const char *kw_cb[] = {"bndind", "bndtype", "bndval", "itrlimit", "objval", "status", "sbsolvecb",
                                "vContext", nullptr};
  PyObject *ind = nullptr, *type = nullptr, *val = nullptr, *objout = nullptr, *statout = nullptr, *fn = nullptr,
           *ctx = Py_None;
  int itr = 0;
  long itrl = 0;
  int ok = WithCb ? PyArg_ParseTupleAndKeywords(args, kw, "OOOlOOOO", (char **)kw_cb, &ind, &type, &val, &itrl,
                                                &objout, &statout, &fn, &ctx)
                  : PyArg_ParseTupleAndKeywords(args, kw, "OOOiOO", (char **)kw_plain, &ind, &type, &val, &itr,
                                                &objout, &statout);
  if (!ok) return nullptr;
  if (WithCb) {
    if (itrl > INT32_MAX || itrl < INT32_MIN) {
      PyErr_SetString(PyExc_OverflowError, "itrlimit does not fit in a C int");
      return nullptr;
    }
    itr = (int)itrl;
  }
  if (require(WithCb ? "Must provide arguments bndind, bndtype, bndval, objval, status"
                     : "Must provide arguments mbndind, cbndtype, dbndval, dsbobjval, msbstatus",
              {ind, type, val, objout, statout}) != 0 ||
      outputs_ok({objout, statout}) != 0 || usable(self) != 0)
    return nullptr;
  if (WithCb && !PyCallable_Check(fn)) {
    PyErr_SetString(PyExc_RuntimeError, "sbsolvecb must be a callable");
    return nullptr;
  }
  CArray<int> cols, status;
  CArray<char> types;
  CArray<double> vals, obj;
  int64_t n = -1;
  int cnt = 0;
  if (conv(self, &n, ind, cols, CONV_COL) != 0 || conv(self, &n, type, types, CONV_CHAR) != 0 ||
      conv(self, &n, val, vals, CONV_DOUBLE) != 0 || as_int(n, &cnt) != 0)
    return done(self, -1);
  if (!obj.alloc((size_t)cnt) || !status.alloc((size_t)cnt)) return nullptr;
  int rc;
  if (WithCb) {
    PyRef rec(Py_BuildValue("[OOO]", self, fn, ctx));
    if (!rec) return nullptr;
    rc = ONDRstrongbranchcb(P(self)->prob, cnt, cols.get(), types.get(), vals.get(), itr, obj.get(), status.get(),
                            strongbranch_solvecb, rec.get());
    if (PyErr_Occurred()) return nullptr;
  } else {
    rc = ONDRstrongbranch(P(self)->prob, cnt, cols.get(), types.get(), vals.get(), itr, obj.get(), status.get());
  }
  if (rc != 0 || conv_arr2obj(self, cnt, obj.get(), objout, CONV_DOUBLE) != 0 ||
      conv_arr2obj(self, cnt, status.get(), statout, CONV_INT) != 0)
    return done(self, -1);
  Py_RETURN_NONE;
}

}  // namespace

const PyMethodDef *problem_cuts_methods() {
  static std::vector<PyMethodDef> table;
  if (!table.empty()) return table.data();
  table = {
      kw_method("addcuts", cuts_add<0>,
                CUT_DOC("Adds cuts to the node being solved and its subtree.",
                        "p.addcuts(mtype, rtype, rhs, mstart, mcols, dmatval)",
                        "mtype: user types; rtype: 'L', 'G' or 'E'; rhs: right-hand sides;\n"
                        "  mstart: ncuts+1 starts into mcols (columns) and dmatval (coefficients).",
                        "p.addcuts([1], ['L'], [1.0], [0, 2], [x, y], [1.0, 1.0])",
                        "Only from a prenode or optnode callback; the node's LP is solved again.")),
      kw_method("storecuts", cuts_add<1>,
                CUT_DOC("Stores cuts in the cut pool without adding them to any LP.",
                        "p.storecuts(nodupl, mtype, rtype, rhs, mstart, mindex, mcols, dmatval)",
                        "nodupl: 0 keep duplicates, 1 a cut equal to a pool cut of its type is not\n"
                        "  stored again, 2 the same whatever the type; mindex: list that receives\n"
                        "  one ondrel.poolcut per cut; the other arguments as for addcuts.",
                        "p.storecuts(1, [1], ['L'], [1.0], [0, 2], cuts, [x, y], [1.0, 1.0])",
                        "Callable at any time; handles stay valid until delcpcuts removes the cuts.")),
      kw_method("loadcuts", ONDR_PY_loadcuts,
                CUT_DOC("Loads pool cuts into the node being solved and its subtree.",
                        "p.loadcuts(itype, interp, cutind)",
                        "itype, interp: type selection (interp -1 every cut, 1 type equal to itype,\n"
                        "  2 type sharing a bit with itype, 3 type holding every bit of itype);\n"
                        "  cutind: the cuts (None: every pool cut).",
                        "p.loadcuts(0, -1, cuts)", "Only from a prenode or optnode callback.")),
      kw_method("delcuts", ONDR_PY_delcuts,
                CUT_DOC("Removes cuts from the LP of the node being solved and its subtree.",
                        "p.delcuts(ibasis, itype, interp, delta, cutind)",
                        "ibasis: 1 keeps cuts that are binding; itype, interp: as for loadcuts;\n"
                        "  delta: only cuts with at least this slack go; cutind: the cuts (None: all).",
                        "p.delcuts(0, 0, -1, 1e-6, None)", "The cuts stay in the pool.")),
      kw_method("delcpcuts", ONDR_PY_delcpcuts,
                CUT_DOC("Removes cuts from the cut pool.", "p.delcpcuts(itype, interp, cutind)",
                        "itype, interp: as for loadcuts; cutind: the cuts (None: every pool cut).",
                        "p.delcpcuts(0, -1, cuts)", "Their handles are refused afterwards.")),
      kw_method("setbranchcuts", ONDR_PY_setbranchcuts,
                CUT_DOC("Gives the node being solved a child with these pool cuts loaded.", "p.setbranchcuts(mindex)",
                        "mindex: the cuts of the child.", "p.setbranchcuts([c1])",
                        "Children given so replace the search's own branching of the node.")),
      kw_method("getcutslack", ONDR_PY_getcutslack,
                CUT_DOC("Reads the slack of a cut at the node's LP solution.", "p.getcutslack(cut)",
                        "cut: an ondrel.poolcut.", "s = p.getcutslack(c)", "From an optnode callback.")),
      kw_method("getcutmap", ONDR_PY_getcutmap,
                CUT_DOC("Reads the LP row of each cut in the node being solved.", "p.getcutmap(cuts, cutmap)",
                        "cuts: the cuts; cutmap: list that receives the rows (-1: not in the LP).",
                        "p.getcutmap(cuts, rows)", "From a node callback.")),
      kw_method("getcutlist", ONDR_PY_getcutlist,
                CUT_DOC("Reads the cuts of the node's LP.", "p.getcutlist(itype, interp, size, cutind)",
                        "itype, interp: as for loadcuts; size: room in cutind; cutind: list for them.",
                        "p.getcutlist(0, -1, 100, cuts)", "From a node callback.")),
      kw_method("getcpcutlist", ONDR_PY_getcpcutlist,
                CUT_DOC("Reads the pool cuts violated at the node's LP solution.",
                        "p.getcpcutlist(itype, interp, delta, size, cutind, viol)",
                        "itype, interp: as for loadcuts; delta: least violation; size: room in the\n"
                        "  lists; cutind, viol: lists for the cuts and their violations.",
                        "n = p.getcpcutlist(0, -1, 1e-6, 100, cuts, viol)",
                        "Returns the number of such cuts. Outside a search: at the last LP solution.")),
      kw_method("getcpcuts", ONDR_PY_getcpcuts,
                CUT_DOC("Reads the rows of pool cuts.", "p.getcpcuts(index, size, type, rtype, mstart, mcols, dmatval, drhs)",
                        "index: the cuts; size: room for coefficients; the others: lists for types,\n"
                        "  senses, n+1 starts, columns, coefficients and right-hand sides.",
                        "p.getcpcuts(cuts, 100, t, r, s, c, v, b)", "Callable at any time.")),
      kw_method("storebounds", ONDR_PY_storebounds,
                METHOD_DOC("Stores a set of bound changes for branching.", "p.storebounds(mcols, type, bds)",
                           "mcols: columns; type: 'L' lower, 'U' upper, 'B' both; bds: the bounds.",
                           "b = p.storebounds([x], ['U'], [0.0])", "Returns an ondrel.generic for setbranchbounds.",
                           "setbranchbounds")),
      kw_method("setbranchbounds", ONDR_PY_setbranchbounds,
                METHOD_DOC("Gives the node being solved a child with stored bounds applied.",
                           "p.setbranchbounds(mindex)", "mindex: an ondrel.generic from storebounds.",
                           "p.setbranchbounds(b)", "Only from a prenode or optnode callback.", "storebounds")),
      kw_method("strongbranch", strong<0>,
                METHOD_DOC("Solves the node LP with each of a list of bound changes.",
                           "p.strongbranch(mbndind, cbndtype, dbndval, itrlimit, dsbobjval, msbstatus)",
                           "mbndind, cbndtype ('L', 'U', 'B'), dbndval: the bound changes, one per branch;\n"
                           "  itrlimit: iterations per branch; dsbobjval, msbstatus: lists for each\n"
                           "  branch's objective and LP status.",
                           "p.strongbranch([x, x], ['U', 'L'], [0, 1], 100, obj, st)",
                           "Outside a search, on the problem's LP relaxation.", "strongbranchcb")),
      kw_method("strongbranchcb", strong<1>,
                METHOD_DOC("Strong branching with a callable run after each branch.",
                           "p.strongbranchcb(bndind, bndtype, bndval, itrlimit, objval, status, sbsolvecb, vContext)",
                           "as strongbranch; sbsolvecb(problem, vContext, branch) returns 0 to go on.",
                           "p.strongbranchcb([x], ['U'], [0], 100, obj, st, f, None)",
                           "A nonzero result stops; later branches get status 7.", "strongbranch")),
      {nullptr, nullptr, 0, nullptr},
  };
  return table.data();
}
