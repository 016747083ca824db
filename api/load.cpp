// loadproblem: a whole matrix (linear part, quadratic objective, quadratic
// rows, global entities, sets) loaded in one library call, with modelling
// objects made for every row and column.
#include <string>
#include "api/wrap.h"
#include "problem/doc.h"
#include "problem/indexmap.h"

using namespace wrap;

namespace {

// The containers and maps of a problem as they were before a load, put
// back when the load fails so that a refused call changes nothing.
class ContainerSnapshot {
 public:
  explicit ContainerSnapshot(ProblemObject *p) : p_(p) {}
  int take() {
    PyObject *lists[] = {p_->variables, p_->constraints, p_->sets};
    PyObject *maps[] = {p_->varmap, p_->conmap, p_->sosmap};
    for (int i = 0; i < 3; ++i) {
      lists_[i].reset(PyList_GetSlice(lists[i], 0, PyList_GET_SIZE(lists[i])));
      maps_[i].reset(indexmap_copy(maps[i]));
      if (!lists_[i] || !maps_[i]) return -1;
    }
    return 0;
  }
  // Empties the containers: the load replaces everything the library holds.
  int clear() {
    PyObject *lists[] = {p_->variables, p_->constraints, p_->sets};
    PyObject *maps[] = {p_->varmap, p_->conmap, p_->sosmap};
    for (int i = 0; i < 3; ++i) {
      if (PyList_SetSlice(lists[i], 0, PyList_GET_SIZE(lists[i]), nullptr) != 0) return -1;
      indexmap_clear(maps[i]);
    }
    return 0;
  }
  // Puts the saved containers back, keeping the pending exception.
  void restore() {
    PyObject *t, *v, *tb;
    PyErr_Fetch(&t, &v, &tb);
    PyObject *lists[] = {p_->variables, p_->constraints, p_->sets};
    PyObject *maps[] = {p_->varmap, p_->conmap, p_->sosmap};
    for (int i = 0; i < 3; ++i) {
      PyList_SetSlice(lists[i], 0, PyList_GET_SIZE(lists[i]), lists_[i].get());
      // Never fails: the saved table is handed over whole.
      if (maps[i]) indexmap_swap(maps[i], maps_[i].get());
    }
    PyErr_Clear();
    PyErr_Restore(t, v, tb);
  }

 private:
  ProblemObject *p_;
  PyRef lists_[3], maps_[3];
};

// Every column j spans mstart[j]..end(j)-1 inside the nnz matrix entries,
// so that the library never reads past the arrays it is given.
int check_spans(const int64_t *mstart, const int *mnel, int ncols, int64_t nnz) {
  for (int j = 0; j < ncols; ++j) {
    int64_t b = mstart[j], e = mnel ? b + mnel[j] : mstart[j + 1];
    if (b < 0 || e < b || e > nnz) {
      PyErr_Format(PyExc_RuntimeError, "Invalid start or length of column %d", j);
      return -1;
    }
  }
  return 0;
}

// The arrays of one loadproblem call, converted.
struct LoadArgs {
  const char *probname = nullptr;
  PyObject *o[27] = {nullptr};  // the array keywords in order, then colnames, rownames
  CArray<char> qrtypes, qgtype, qstype;
  CArray<double> rhs, range, obj, dmatval, dlb, dub, dqe, qcdqval, dlim, dref;
  CArray<int64_t> mstart, qcnquads, msstart;
  CArray<int> mnel, mrwind, mqcol1, mqcol2, qcrows, qcmqcol1, qcmqcol2, mgcols, mscols;
  int nrows = 0, ncols = 0, nqcrows = 0, ngents = 0, nsets = 0;
  int64_t nnz = 0, nqtr = 0;
};

enum {
  QRTYPES, RHS, RANGE, OBJ, MSTART, MNEL, MRWIND, DMATVAL, DLB, DUB, MQCOL1, MQCOL2, DQE, QCROWS, QCNQUADS,
  QCMQCOL1, QCMQCOL2, QCDQVAL, QGTYPE, MGCOLS, DLIM, QSTYPE, MSSTART, MSCOLS, DREF, COLNAMES, ROWNAMES
};

// Each optional group is given whole or not at all.
int check_groups(PyObject *const *o) {
  auto any = [&](std::initializer_list<int> ks) {
    for (int k : ks)
      if (!absent(o[k])) return true;
    return false;
  };
  auto all = [&](std::initializer_list<int> ks) {
    for (int k : ks)
      if (absent(o[k])) return false;
    return true;
  };
  struct Group {
    bool ok;
    const char *msg;
  } groups[] = {
      {!any({MQCOL1, MQCOL2, DQE}) || all({MQCOL1, MQCOL2, DQE}),
       "Incomplete list of parameters specified for the quadratic objective component"},
      {!any({QCROWS, QCNQUADS, QCMQCOL1, QCMQCOL2, QCDQVAL}) || all({QCROWS, QCNQUADS, QCMQCOL1, QCMQCOL2, QCDQVAL}),
       "Incomplete list of parameters specified for the quadratic rows component"},
      {!any({QGTYPE, MGCOLS, DLIM}) || all({QGTYPE, MGCOLS}),
       "Incomplete list of parameters specified for the global entities"},
      {!any({QSTYPE, MSSTART, MSCOLS, DREF}) || all({QSTYPE, MSSTART, MSCOLS, DREF}),
       "Incomplete list of parameters specified for the SOS"},
  };
  for (const Group &g : groups)
    if (!g.ok) {
      PyErr_SetString(PyExc_RuntimeError, g.msg);
      return -1;
    }
  return 0;
}

// The linear part: row arrays, column arrays and the matrix.
int convert_lp(PyObject *self, LoadArgs &a) {
  PyObject *const *o = a.o;
  int64_t n = -1;
  if (conv(self, &n, o[QRTYPES], a.qrtypes, CONV_CHAR) || conv(self, &n, o[RHS], a.rhs, CONV_DOUBLE) ||
      conv(self, &n, o[RANGE], a.range, CONV_DOUBLE) || as_int(n, &a.nrows))
    return -1;
  const bool has_mnel = !absent(o[MNEL]);
  n = -1;
  if (conv(self, &n, o[OBJ], a.obj, CONV_DOUBLE)) return -1;
  // Without obj the start array fixes the number of columns.
  int64_t ns = n < 0 ? -1 : n + (has_mnel ? 0 : 1);
  if (ns != 0 && conv(self, &ns, o[MSTART], a.mstart, CONV_INT64)) return -1;
  if (n < 0 && a.mstart.get()) n = has_mnel ? ns : ns - 1;
  if (conv(self, &n, o[MNEL], a.mnel, CONV_INT) || as_int(n, &a.ncols)) return -1;
  if (!a.mstart.get() || a.ncols == 0) {
    PyErr_SetString(PyExc_RuntimeError, "A problem to load needs at least one column: provide obj and mstart");
    return -1;
  }
  a.nnz = has_mnel ? a.mstart[a.ncols - 1] + a.mnel[a.ncols - 1] : a.mstart[a.ncols];
  if (check_spans(a.mstart.get(), a.mnel.get(), a.ncols, a.nnz) != 0) return -1;
  n = a.nnz;
  if ((a.nnz != 0 && conv(self, &n, o[MRWIND], a.mrwind, CONV_INT)) ||
      conv(self, &n, o[DMATVAL], a.dmatval, CONV_DOUBLE))
    return -1;
  n = a.ncols;
  return conv(self, &n, o[DLB], a.dlb, CONV_DOUBLE) || conv(self, &n, o[DUB], a.dub, CONV_DOUBLE) ? -1 : 0;
}

// Quadratic objective, quadratic rows, global entities and sets.
int convert_rest(PyObject *self, LoadArgs &a) {
  PyObject *const *o = a.o;
  int64_t n = -1;
  if (conv(self, &n, o[MQCOL1], a.mqcol1, CONV_INT) || conv(self, &n, o[MQCOL2], a.mqcol2, CONV_INT) ||
      conv(self, &n, o[DQE], a.dqe, CONV_DOUBLE))
    return -1;
  a.nqtr = n < 0 ? 0 : n;
  n = -1;
  if (conv(self, &n, o[QCROWS], a.qcrows, CONV_INT) || conv(self, &n, o[QCNQUADS], a.qcnquads, CONV_INT64) ||
      as_int(n, &a.nqcrows))
    return -1;
  int64_t terms = 0;
  for (int r = 0; r < a.nqcrows; ++r) {
    if (a.qcnquads[r] < 0) {
      PyErr_Format(PyExc_RuntimeError, "Invalid number of quadratic terms %lld for quadratic row %d",
                   (long long)a.qcnquads[r], r);
      return -1;
    }
    terms += a.qcnquads[r];
  }
  n = terms;
  if ((a.nqcrows != 0 && conv(self, &n, o[QCMQCOL1], a.qcmqcol1, CONV_INT)) ||
      conv(self, &n, o[QCMQCOL2], a.qcmqcol2, CONV_INT) || conv(self, &n, o[QCDQVAL], a.qcdqval, CONV_DOUBLE))
    return -1;
  n = -1;
  if (conv(self, &n, o[QGTYPE], a.qgtype, CONV_CHAR) || conv(self, &n, o[MGCOLS], a.mgcols, CONV_INT) ||
      conv(self, &n, o[DLIM], a.dlim, CONV_DOUBLE) || as_int(n, &a.ngents))
    return -1;
  n = -1;
  if (conv(self, &n, o[QSTYPE], a.qstype, CONV_CHAR) || as_int(n, &a.nsets)) return -1;
  if (a.qstype.get()) {
    n = (int64_t)a.nsets + 1;
    if (conv(self, &n, o[MSSTART], a.msstart, CONV_INT64)) return -1;
    int64_t members = a.msstart[a.nsets];
    for (int s = 0; s < a.nsets; ++s)
      if (a.msstart[s] < 0 || a.msstart[s + 1] < a.msstart[s] || a.msstart[s + 1] > members) {
        PyErr_Format(PyExc_RuntimeError, "Invalid start of set %d", s);
        return -1;
      }
    n = members;
    if ((members != 0 && conv(self, &n, o[MSCOLS], a.mscols, CONV_INT)) ||
        conv(self, &n, o[DREF], a.dref, CONV_DOUBLE))
      return -1;
  }
  return 0;
}

// The loader for the parts given.
int load(ProblemObject *p, const LoadArgs &a) {
  const bool qobj = a.mqcol1.get() != nullptr, qrows = a.qcrows.get() != nullptr;
  const bool global = a.qgtype.get() != nullptr || a.qstype.get() != nullptr;
#define LP_PART                                                                                            \
  p->prob, a.probname, a.ncols, a.nrows, a.qrtypes.get(), a.rhs.get(), a.range.get(), a.obj.get(),         \
      a.mstart.get(), a.mnel.get(), a.mrwind.get(), a.dmatval.get(), a.dlb.get(), a.dub.get()
#define QOBJ_PART a.nqtr, a.mqcol1.get(), a.mqcol2.get(), a.dqe.get()
#define QROWS_PART a.nqcrows, a.qcrows.get(), a.qcnquads.get(), a.qcmqcol1.get(), a.qcmqcol2.get(), a.qcdqval.get()
#define GLOBAL_PART                                                                                      \
  a.ngents, a.nsets, a.qgtype.get(), a.mgcols.get(), a.dlim.get(), a.qstype.get(), a.msstart.get(), \
      a.mscols.get(), a.dref.get()
  if (qrows && global) return ONDRloadqcqpglobal64(LP_PART, QOBJ_PART, QROWS_PART, GLOBAL_PART);
  if (qobj && global) return ONDRloadqglobal64(LP_PART, QOBJ_PART, GLOBAL_PART);
  if (qrows) return ONDRloadqcqp64(LP_PART, QOBJ_PART, QROWS_PART);
  if (qobj) return ONDRloadqp64(LP_PART, QOBJ_PART);
  if (global) return ONDRloadglobal64(LP_PART, GLOBAL_PART);
  return ONDRloadlp64(LP_PART);
#undef LP_PART
#undef QOBJ_PART
#undef QROWS_PART
#undef GLOBAL_PART
}

PyObject *ONDR_PY_loadproblem(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"probname", "qrtypes", "rhs", "range", "obj", "mstart", "mnel", "mrwind",
                                 "dmatval", "dlb", "dub", "mqcol1", "mqcol2", "dqe", "qcrows", "qcnquads",
                                 "qcmqcol1", "qcmqcol2", "qcdqval", "qgtype", "mgcols", "dlim", "qstype",
                                 "msstart", "mscols", "dref", "colnames", "rownames", nullptr};
  ProblemObject *p = P(self);
  LoadArgs a;
  PyObject **o = a.o;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "sOOOOOOOOOO|OOOOOOOOOOOOOOOOO", (char **)kwlist, &a.probname,
                                   &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8], &o[9], &o[10],
                                   &o[11], &o[12], &o[13], &o[14], &o[15], &o[16], &o[17], &o[18], &o[19], &o[20],
                                   &o[21], &o[22], &o[23], &o[24], &o[25], &o[26]))
    return nullptr;
  if (usable(self) != 0 || check_groups(o) != 0) return nullptr;
  if (convert_lp(self, a) != 0 || convert_rest(self, a) != 0) return done(self, -1);
  // Names are checked before anything changes, and sent after the load.
  std::string colnames, rownames;
  if (!absent(o[COLNAMES]) && PySequence_Size(o[COLNAMES]) != a.ncols) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Incorrect length of variable name list");
    return nullptr;
  }
  Py_ssize_t nrownames = absent(o[ROWNAMES]) ? a.nrows : PySequence_Size(o[ROWNAMES]);
  if (nrownames < a.nrows) {
    PyErr_Clear();
    PyErr_Format(PyExc_RuntimeError, "Cannot get row name indexed by %d", nrownames < 0 ? 0 : (int)nrownames);
    return nullptr;
  }
  if (packNames(self, o[COLNAMES], a.ncols, "Erroneous name for variable %d", colnames) != 0 ||
      packNames(self, o[ROWNAMES], a.nrows, "Cannot convert constraint name", rownames) != 0)
    return done(self, -1);
  ContainerSnapshot saved(p);
  if (saved.take() != 0 || saved.clear() != 0) return done(self, -1);
  if (addColsAsVariables(self, o[COLNAMES], nullptr, a.ngents, a.mgcols.get(), a.qgtype.get(), a.dlim.get(), 0,
                         a.ncols) != 0 ||
      addRowsAsConstraints(self, o[ROWNAMES], 0, a.nrows) != 0 || load(p, a) != 0) {
    setOndrErrIfNull(self, nullptr);
    saved.restore();
    return nullptr;
  }
  // The loaded problem has no nonlinear content; the nonlinear layer's
  // unit column is read again when next needed.
  p->nonlinear_count = 0;
  p->nonlinear_objective = 0;
  p->obj_transfer_col = p->obj_transfer_row = -1;
  p->slp_unit_col = -1;
  int rc = sendRowColNames(self, 2, colnames, 0, a.ncols) || sendRowColNames(self, 1, rownames, 0, a.nrows);
  return done(self, rc);
}

}  // namespace

static const PyMethodDef kLoadMethods[] = {
    {"loadproblem", (PyCFunction)ONDR_PY_loadproblem, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Loads a whole problem from arrays, replacing what the problem held.",
                "p.loadproblem(probname, qrtypes, rhs, range, obj, mstart, mnel, mrwind, dmatval,\n"
                "              dlb, dub, mqcol1=None, mqcol2=None, dqe=None, qcrows=None,\n"
                "              qcnquads=None, qcmqcol1=None, qcmqcol2=None, qcdqval=None,\n"
                "              qgtype=None, mgcols=None, dlim=None, qstype=None, msstart=None,\n"
                "              mscols=None, dref=None, colnames=None, rownames=None)",
                "probname: the problem name; qrtypes, rhs, range: row types ('L', 'G', 'E',\n"
                "  'R', 'N'), right-hand sides and ranges; obj, dlb, dub: objective and bounds\n"
                "  of the columns; mstart, mnel, mrwind, dmatval: the matrix by columns\n"
                "  (mstart has one entry more than there are columns unless mnel gives the\n"
                "  length of each column); mqcol1, mqcol2, dqe: quadratic objective terms;\n"
                "  qcrows, qcnquads, qcmqcol1, qcmqcol2, qcdqval: quadratic rows; qgtype,\n"
                "  mgcols, dlim: global entities; qstype, msstart, mscols, dref: sets;\n"
                "  colnames, rownames: names. Index arrays take plain integers.",
                "p.loadproblem('lp', ['L'], [4], None, [1, 1], [0, 1, 2], None, [0, 0],\n"
                "              [1, 2], [0, 0], [10, 10])",
                "A variable and a constraint object are made for every column and row;\n"
                "  the objects of the problem's previous content are released from it.\n"
                "  NumPy arrays of float64 and integers cross without copying per element.",
                "addrows, addcols, getrows, getcols")},
    {nullptr, nullptr, 0, nullptr}};

const PyMethodDef *problem_load_methods() { return kLoadMethods; }
