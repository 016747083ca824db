// ondrel.branchobj: a branching object of the tree search, made from
// Python (optionally from constraints, one branch per element) or handed to
// a chgbranchobject callback. It owns its library object until store()
// succeeds or a chgbranchobject callback hands it to the search.
#include <cmath>
#include <cstring>
#include <vector>
#include "callbacks/kinds.h"
#include "model/model.h"
#include "module/convert.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/access.h"
#include "problem/convert_expr.h"
#include "problem/problem.h"

namespace {

struct BranchObject {
  PyObject_HEAD
  ONDRbranchobject bo;  // null when detached
  PyObject *problem;    // owned; null when detached
  int isoriginal;
};

BranchObject *B(PyObject *o) { return (BranchObject *)o; }

PyObject *branchobj_new(PyTypeObject *type, PyObject *, PyObject *) {
  BranchObject *o = (BranchObject *)type->tp_alloc(type, 0);
  if (!o) return nullptr;
  o->bo = nullptr;
  o->problem = nullptr;
  o->isoriginal = 1;
  return (PyObject *)o;
}

void branchobj_dealloc(PyObject *self) {
  BranchObject *o = B(self);
  if (o->bo) ONDR_bo_destroy(o->bo);
  o->bo = nullptr;
  Py_CLEAR(o->problem);
  Py_TYPE(self)->tp_free(self);
}

// Failure through the last-error rule with the object as source.
PyObject *lib_error(PyObject *self) {
  setOndrErrIfNull(self, nullptr);
  return nullptr;
}

// The library object, or null with a RuntimeError for a detached object.
ONDRbranchobject attached(PyObject *self) {
  if (!B(self)->bo)
    PyErr_SetString(PyExc_RuntimeError,
                    "The branching object holds no library object: it was stored or handed to the search");
  return B(self)->bo;
}

int col_code(PyObject *self) { return B(self)->isoriginal ? CONV_COL : CONV_INT; }
PyObject *prob_of(PyObject *self) { return B(self)->problem ? B(self)->problem : Py_None; }

// ---- the constructor ----

const char kCreateMsg[] =
    "Incorrect creation of branching object: must provide a problem and, optionally, a list of "
    "branches and a True/False flag. The flag must be True if the list of branches is provided";

int branch_bounds(PyObject *self, ProblemObject *p, int i, PyObject *con, PyObject *x, double a,
                  double constant) {
  if (a == 0.0) {
    PyErr_SetString(PyExc_RuntimeError, "Coefficient zero in branch");
    return -1;
  }
  int col = var_column(p, x);
  if (col == -2) return -1;
  if (col < 0) {
    PyErr_SetString(PyExc_RuntimeError, "Variable in branching object has not been added to problem yet");
    return -1;
  }
  ConstraintObject *c = (ConstraintObject *)con;
  // The body's constant moves to the bounds: lb <= a x + k <= ub.
  double lb = c->lb, ub = c->ub;
  bool has_lb = lb > -5e19, has_ub = ub < 5e19;
  double cand_lo = 0, cand_up = 0;
  bool lo_ok = false, up_ok = false;
  if (a > 0) {
    if (has_lb) cand_lo = (lb - constant) / a, lo_ok = true;
    if (has_ub) cand_up = (ub - constant) / a, up_ok = true;
  } else {
    if (has_ub) cand_lo = (ub - constant) / a, lo_ok = true;
    if (has_lb) cand_up = (lb - constant) / a, up_ok = true;
  }
  char types[2];
  int cols[2];
  double vals[2];
  int n = 0;
  if (lo_ok && cand_lo > -1e20) types[n] = 'L', cols[n] = col, vals[n++] = cand_lo;
  if (up_ok && cand_up < 1e20) types[n] = 'U', cols[n] = col, vals[n++] = cand_up;
  if (ONDR_bo_addbounds(B(self)->bo, i, n, types, cols, vals) != 0) return lib_error(self), -1;
  return 0;
}

int branch_row(PyObject *self, ProblemObject *p, int i, PyObject *con) {
  Converted cv;
  PyObject *body = constraint_body(con);  // made from a compact body on first use
  if (!body || convertExpr(p, body, cv, false) != 0) return -1;
  char sense = 'N';
  double rhs = -cv.constant, range = 0.0;
  rhs = getRhsSense(con, &sense, &rhs, &range);
  if (PyErr_Occurred()) return -1;
  if (sense == 'N') {
    PyErr_SetString(PyExc_RuntimeError, "Branch cannot have a free row");
    return -1;
  }
  int ne = (int)cv.lin_cols.size();
  int starts[2] = {0, ne};
  auto one = [&](char t, double r) {
    return ONDR_bo_addrows(B(self)->bo, i, 1, ne, &t, &r, starts, cv.lin_cols.data(), cv.lin_vals.data());
  };
  int rc = sense == 'R' ? one('G', rhs - range) : one(sense, rhs);
  if (rc == 0 && sense == 'R') rc = one('L', rhs);
  if (rc != 0) return lib_error(self), -1;
  return 0;
}

int branch_constraint(PyObject *self, ProblemObject *p, int i, PyObject *con) {
  PyObject *body = constraint_body(con);  // a compact body is made an expression
  if (!body) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Invalid constraint in addbounds");
    return -1;
  }
  int kind = operandKind(body);
  bool nonlinear = kind == kQuadTerm || kind == kNonlinear ||
                   (kind == kExpression && expression_hasQuadratic(body));
  if (nonlinear) {
    PyErr_Format(PyExc_RuntimeError, "Branch %i contains a quadratic or nonlinear constraint, invalid", i);
    return -1;
  }
  if (kind == kVariable) return branch_bounds(self, p, i, con, body, 1.0, 0.0);
  if (kind == kLinTerm) return branch_bounds(self, p, i, con, asLin(body)->var, asLin(body)->coef, 0.0);
  if (kind == kExpression) {
    PyObject *lin = asExpr(body)->linear;
    if (lin && PyDict_Size(lin) == 1) {
      Py_ssize_t pos = 0;
      PyObject *x, *a;
      PyDict_Next(lin, &pos, &x, &a);
      if (!is_var(x)) {
        PyErr_SetString(PyExc_RuntimeError, "Invalid constraint in addbounds");
        return -1;
      }
      double coef = PyFloat_AsDouble(a);
      if (coef == -1.0 && PyErr_Occurred()) return -1;
      return branch_bounds(self, p, i, con, x, coef, asExpr(body)->constant);
    }
  }
  return branch_row(self, p, i, con);
}

int fill_branches(PyObject *self, ProblemObject *p, PyObject *branches) {
  static const char kBad[] =
      "The branches parameter must be a list or a tuple of elements. Each element of the list/tuple "
      "must be a constraint, a variable bound, or a list/tuple thereof.";
  if (!PyList_Check(branches) && !PyTuple_Check(branches)) {
    PyErr_SetString(PyExc_RuntimeError, kBad);
    return -1;
  }
  Py_ssize_t nb = PySequence_Fast_GET_SIZE(branches);
  if (nb > INT32_MAX) {
    PyErr_SetString(PyExc_RuntimeError, kBad);
    return -1;
  }
  if (ONDR_bo_addbranches(B(self)->bo, (int)nb) != 0) return lib_error(self), -1;
  for (Py_ssize_t i = 0; i < nb; ++i) {
    // Re-read each time: a list may change while constraints convert.
    if (!(PyList_Check(branches) ? i < PyList_GET_SIZE(branches) : true)) {
      PyErr_Format(PyExc_RuntimeError, "Branch %i is invalid: %s", (int)i, "could not get element of branch");
      return -1;
    }
    PyRef el = PyRef::borrow(PySequence_Fast_GET_ITEM(branches, i));
    std::vector<PyRef> items;
    if (PyObject_TypeCheck(el.get(), &constraint_type)) {
      items.push_back(std::move(el));
    } else if (PyList_Check(el.get()) || PyTuple_Check(el.get())) {
      PyRef fast(PySequence_Fast(el.get(), "branch"));
      if (!fast) {
        PyErr_Clear();
        PyErr_Format(PyExc_RuntimeError, "Branch %i is invalid: %s", (int)i, "could not get element of branch");
        return -1;
      }
      for (Py_ssize_t k = 0; k < PySequence_Fast_GET_SIZE(fast.get()); ++k)
        items.push_back(PyRef::borrow(PySequence_Fast_GET_ITEM(fast.get(), k)));
    } else {
      items.push_back(std::move(el));
    }
    for (const PyRef &it : items) {
      if (!PyObject_TypeCheck(it.get(), &constraint_type)) {
        PyErr_Format(PyExc_RuntimeError, "Branch %i is invalid: %s", (int)i,
                     "element of branch not of the valid type (constraint)");
        return -1;
      }
      if (!constraint_body(it.get())) {
        if (PyErr_Occurred()) return -1;
        PyErr_SetString(PyExc_RuntimeError, "Invalid constraint in addbounds");
        return -1;
      }
      if (branch_constraint(self, p, (int)i, it.get()) != 0) return -1;
    }
  }
  return 0;
}

int branchobj_init(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"prob", "branches", "isoriginal", nullptr};
  PyObject *prob = nullptr, *branches = nullptr, *flag = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|OO", (char **)kwlist, &prob, &branches, &flag) ||
      !PyObject_TypeCheck(prob, &problem_type)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, kCreateMsg);
    return -1;
  }
  int isoriginal = 0;
  if (!flag || flag == Py_True) {
    isoriginal = 1;
  } else if (isObjInt(flag)) {
    int overflow = 0;
    long v = PyLong_AsLongAndOverflow(flag, &overflow);
    if (v == -1 && PyErr_Occurred()) PyErr_Clear();
    isoriginal = !overflow && v == 1;
  }
  if (branches == Py_None) branches = nullptr;
  if (!isoriginal && branches) {
    PyErr_SetString(PyExc_RuntimeError,
                    "Cannot define the branches of a branching object if the isoriginal flag is false");
    return -1;
  }
  // A second initialisation starts over with a new library object.
  BranchObject *o = B(self);
  if (o->bo) ONDR_bo_destroy(o->bo);
  o->bo = nullptr;
  Py_INCREF(prob);
  Py_XSETREF(o->problem, prob);
  o->isoriginal = isoriginal;
  ProblemObject *p = (ProblemObject *)prob;
  ONDRbranchobject bo = nullptr;
  if (ONDR_bo_create(&bo, p->prob, isoriginal) != 0) {
    setOndrErrIfNull(prob, nullptr);
    return -1;
  }
  o->bo = bo;
  if (!branches) return 0;
  return fill_branches(self, p, branches);
}

// ---- methods ----

template <class F>
PyObject *status_call(PyObject *self, F &&f, bool detach) {
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  int status = 0;
  if (f(bo, &status) != 0) return lib_error(self);
  if (detach) {
    B(self)->bo = nullptr;  // the search owns it now
    Py_CLEAR(B(self)->problem);
  }
  return PyLong_FromLong(status);
}

PyObject *bo_validate(PyObject *self, PyObject *, PyObject *) {
  return status_call(self, ONDR_bo_validate, false);
}

PyObject *bo_store(PyObject *self, PyObject *, PyObject *) {
  return status_call(self, ONDR_bo_store, true);
}

// Methods of one int keyword.
template <int (*F)(ONDRbranchobject, int)>
PyObject *int_call(PyObject *self, PyObject *args, PyObject *kw, const char *name) {
  const char *kwlist[] = {name, nullptr};
  int v = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i", (char **)kwlist, &v)) return nullptr;
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  if (F(bo, v) != 0) return lib_error(self);
  Py_RETURN_NONE;
}
PyObject *bo_setpriority(PyObject *self, PyObject *a, PyObject *k) {
  return int_call<ONDR_bo_setpriority>(self, a, k, "priority");
}
PyObject *bo_setpreferredbranch(PyObject *self, PyObject *a, PyObject *k) {
  return int_call<ONDR_bo_setpreferredbranch>(self, a, k, "ibranch");
}
PyObject *bo_addbranches(PyObject *self, PyObject *a, PyObject *k) {
  return int_call<ONDR_bo_addbranches>(self, a, k, "nbranches");
}

PyObject *bo_addbounds(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ibranch", "bndtype", "bndcol", "bndval", nullptr};
  int ib = 0;
  PyObject *t = nullptr, *c = nullptr, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iOOO", (char **)kwlist, &ib, &t, &c, &v)) return nullptr;
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  int64_t n = -1;
  CArray<char> types;
  CArray<int> cols;
  CArray<double> vals;
  PyObject *pr = prob_of(self);
  if (conv_obj2arr(pr, &n, t, (void **)types.addr(), CONV_CHAR) != 0 ||
      conv_obj2arr(pr, &n, c, (void **)cols.addr(), col_code(self)) != 0 ||
      conv_obj2arr(pr, &n, v, (void **)vals.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  if (n > INT32_MAX) return PyErr_Format(PyExc_RuntimeError, "Too many bounds: %lld", (long long)n);
  if (ONDR_bo_addbounds(bo, ib, n < 0 ? 0 : (int)n, types.get(), cols.get(), vals.get()) != 0)
    return lib_error(self);
  Py_RETURN_NONE;
}

PyObject *bo_addrows(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ibranch", "rtype", "rhs", "beg", "mcol", "val", nullptr};
  int ib = 0;
  PyObject *t = nullptr, *r = nullptr, *b = nullptr, *c = nullptr, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iOOOOO", (char **)kwlist, &ib, &t, &r, &b, &c, &v))
    return nullptr;
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  PyObject *pr = prob_of(self);
  int64_t nrows = -1, nstarts = -1, nelems = -1;
  CArray<char> types;
  CArray<double> rhs, vals;
  CArray<int> beg, cols;
  if (conv_obj2arr(pr, &nrows, t, (void **)types.addr(), CONV_CHAR) != 0 ||
      conv_obj2arr(pr, &nrows, r, (void **)rhs.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  if (nrows < 0) nrows = 0;
  if (nrows > 0) {
    nstarts = nrows + 1;
    if (conv_obj2arr(pr, &nstarts, b, (void **)beg.addr(), CONV_INT) != 0) return nullptr;
    if (!beg.get())
      return PyErr_Format(PyExc_RuntimeError, "Mismatched lengths in arguments: expected %d, found %d",
                          (int)(nrows + 1), 0);
  }
  if (conv_obj2arr(pr, &nelems, c, (void **)cols.addr(), col_code(self)) != 0 ||
      conv_obj2arr(pr, &nelems, v, (void **)vals.addr(), CONV_DOUBLE) != 0)
    return nullptr;
  if (nelems < 0) nelems = 0;
  if (nrows > INT32_MAX || nelems > INT32_MAX)
    return PyErr_Format(PyExc_RuntimeError, "Too many rows or elements in one call");
  if (nrows > 0 && beg[(size_t)nrows] != (int)nelems)
    return PyErr_Format(PyExc_RuntimeError,
                        "The last start (%d) must be the number of elements (%d)", beg[(size_t)nrows],
                        (int)nelems);
  if (ONDR_bo_addrows(bo, ib, (int)nrows, (int)nelems, types.get(), rhs.get(), beg.get(), cols.get(),
                      vals.get()) != 0)
    return lib_error(self);
  Py_RETURN_NONE;
}

PyObject *bo_addcuts(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ibranch", "cutind", nullptr};
  int ib = 0;
  PyObject *cuts = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iO", (char **)kwlist, &ib, &cuts)) return nullptr;
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  int64_t n = -1;
  CArray<void *> handles;
  if (conv_obj2arr(prob_of(self), &n, cuts, (void **)handles.addr(), CONV_CUT) != 0) return nullptr;
  if (n > INT32_MAX) return PyErr_Format(PyExc_RuntimeError, "Too many cuts: %lld", (long long)n);
  if (ONDR_bo_addcuts(bo, ib, n < 0 ? 0 : (int)n, (const ONDRcut *)handles.get()) != 0)
    return lib_error(self);
  Py_RETURN_NONE;
}

PyObject *bo_getbranches(PyObject *self, PyObject *, PyObject *) {
  if (!B(self)->bo) return PyLong_FromLong(0);
  int n = 0;
  if (ONDR_bo_getbranches(B(self)->bo, &n) != 0) return lib_error(self);
  return PyLong_FromLong(n);
}

PyObject *bo_getid(PyObject *self, PyObject *, PyObject *) {
  if (!B(self)->bo) Py_RETURN_NONE;
  int id = 0;
  if (ONDR_bo_getid(B(self)->bo, &id) != 0) return lib_error(self);
  return PyLong_FromLong(id);
}

PyObject *bo_getlasterror(PyObject *self, PyObject *, PyObject *) {
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  char buf[2048];
  memset(buf, 0, sizeof buf);
  int code = 0;
  if (ONDR_bo_getlasterror(bo, &code, buf, 2047, nullptr) != 0) return lib_error(self);
  PyRef msg(strFromLib(buf, "Error text"));
  if (!msg) return nullptr;
  return Py_BuildValue("(iO)", code, msg.get());
}

bool output_list(PyObject *o) { return o && o != Py_None; }

PyObject *bo_getbounds(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ibranch", "nbounds_size", "bndtype", "bndcol", "bndval", nullptr};
  int ib = 0, size = 0;
  PyObject *t = nullptr, *c = nullptr, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iiOOO", (char **)kwlist, &ib, &size, &t, &c, &v))
    return nullptr;
  ONDRbranchobject bo = attached(self);
  if (!bo) return nullptr;
  if (!output_list(t) || !output_list(c) || !output_list(v))
    return PyErr_Format(PyExc_RuntimeError, "getbounds needs the lists bndtype, bndcol and bndval");
  if (size <= 0) Py_RETURN_NONE;
  int count = 0;
  if (ONDR_bo_getbounds(bo, ib, &count, 0, nullptr, nullptr, nullptr) != 0) return lib_error(self);
  if (count == 0) Py_RETURN_NONE;
  int m = count < size ? count : size;
  CArray<char> types;
  CArray<int> cols;
  CArray<double> vals;
  if (!types.alloc((size_t)m) || !cols.alloc((size_t)m) || !vals.alloc((size_t)m)) return nullptr;
  int again = 0;
  if (ONDR_bo_getbounds(bo, ib, &again, m, types.get(), cols.get(), vals.get()) != 0) return lib_error(self);
  PyObject *pr = prob_of(self);
  if (conv_arr2obj(pr, m, types.get(), t, CONV_CHAR) != 0 ||
      conv_arr2obj(pr, m, cols.get(), c, col_code(self)) != 0 ||
      conv_arr2obj(pr, m, vals.get(), v, CONV_DOUBLE) != 0)
    return nullptr;
  return PyLong_FromLong(count);
}

PyObject *bo_getrows(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"ibranch", "nrows_size", "nelems_size", "rtype", "rrhs",
                                 "rbeg", "mcol", "dval", nullptr};
  int ib = 0, rsize = 0, esize = 0;
  PyObject *t = Py_None, *r = Py_None, *b = Py_None, *c = Py_None, *v = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "iii|OOOOO", (char **)kwlist, &ib, &rsize, &esize, &t, &r,
                                   &b, &c, &v))
    return nullptr;
  ONDRbranchobject bo = B(self)->bo;
  if (!bo) Py_RETURN_NONE;
  int nr = 0, ne = 0;
  if (ONDR_bo_getrows(bo, ib, &nr, 0, &ne, 0, nullptr, nullptr, nullptr, nullptr, nullptr) != 0)
    return lib_error(self);
  int mr = nr < rsize ? nr : rsize, me = ne < esize ? ne : esize;
  if (mr <= 0 || me <= 0) Py_RETURN_NONE;
  CArray<char> types;
  CArray<double> rhs, vals;
  CArray<int> beg, cols;
  if ((output_list(t) && !types.alloc((size_t)mr)) || (output_list(r) && !rhs.alloc((size_t)mr)) ||
      (output_list(b) && !beg.alloc((size_t)mr)) || (output_list(c) && !cols.alloc((size_t)me)) ||
      (output_list(v) && !vals.alloc((size_t)me)))
    return nullptr;
  int nr2 = 0, ne2 = 0;
  if (ONDR_bo_getrows(bo, ib, &nr2, mr, &ne2, me, types.get(), rhs.get(), beg.get(), cols.get(),
                      vals.get()) != 0)
    return lib_error(self);
  PyObject *pr = prob_of(self);
  if (conv_arr2obj(pr, mr, types.get(), t, CONV_CHAR) != 0 ||
      conv_arr2obj(pr, mr, rhs.get(), r, CONV_DOUBLE) != 0 ||
      conv_arr2obj(pr, mr, beg.get(), b, CONV_INT) != 0 ||
      conv_arr2obj(pr, me, cols.get(), c, col_code(self)) != 0 ||
      conv_arr2obj(pr, me, vals.get(), v, CONV_DOUBLE) != 0)
    return nullptr;
  Py_RETURN_NONE;
}

#define BO_METHOD(name, doc) \
  {#name, (PyCFunction)(void (*)())bo_##name, METH_VARARGS | METH_KEYWORDS, doc}
PyMethodDef kMethods[] = {
    BO_METHOD(validate, "validate() -> status: 0 when the object can be used"),
    BO_METHOD(store, "store() -> status: hands the object to the search for the current node"),
    BO_METHOD(setpriority, "setpriority(priority): lower values win among objects stored at one node"),
    BO_METHOD(setpreferredbranch, "setpreferredbranch(ibranch): the branch to explore first"),
    BO_METHOD(addbranches, "addbranches(nbranches): adds empty branches"),
    BO_METHOD(addbounds, "addbounds(ibranch, bndtype, bndcol, bndval): bounds of a branch"),
    BO_METHOD(addrows, "addrows(ibranch, rtype, rhs, beg, mcol, val): rows of a branch"),
    BO_METHOD(addcuts, "addcuts(ibranch, cutind): cut pool cuts of a branch"),
    BO_METHOD(getbranches, "getbranches() -> number of branches"),
    BO_METHOD(getid, "getid() -> the object's id, None when detached"),
    BO_METHOD(getlasterror, "getlasterror() -> (code, message)"),
    BO_METHOD(getbounds, "getbounds(ibranch, nbounds_size, bndtype, bndcol, bndval) -> bounds of the branch"),
    BO_METHOD(getrows, "getrows(ibranch, nrows_size, nelems_size, rtype, rrhs, rbeg, mcol, dval)"),
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyTypeObject branchobj_type = [] {
  PyTypeObject t = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.branchobj"};
  t.tp_basicsize = sizeof(BranchObject);
  t.tp_dealloc = branchobj_dealloc;
  t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t.tp_doc = "Branching objects, used in callback functions. See the reference manual for their methods";
  t.tp_methods = kMethods;
  t.tp_init = branchobj_init;
  t.tp_new = branchobj_new;
  return t;
}();

bool branchobj_lasterror(PyObject *owner, char *buf, size_t size) {
  if (!owner || !PyObject_TypeCheck(owner, &branchobj_type) || size == 0) return false;
  BranchObject *o = B(owner);
  buf[0] = '\0';
  if (o->bo) {
    int len = 0;
    ONDR_bo_getlasterror(o->bo, nullptr, buf, (int)size, &len);
    if (buf[0]) return true;
  }
  ProblemObject *p = o->problem ? (ProblemObject *)o->problem : nullptr;
  if (p && p->prob && size >= 512) {
    memset(buf, 0, size);
    if (ONDRgetlasterror(p->prob, buf) == 0 && buf[0]) return true;
  }
  return false;
}

PyObject *branchobj_wrap(ONDRbranchobject bo, PyObject *problem) {
  PyObject *o = branchobj_new(&branchobj_type, nullptr, nullptr);
  if (!o) return nullptr;
  B(o)->bo = bo;
  Py_XINCREF(problem);
  B(o)->problem = problem;
  B(o)->isoriginal = 1;
  return o;
}

void branchobj_detach(PyObject *obj) {
  if (!obj || !PyObject_TypeCheck(obj, &branchobj_type)) return;
  B(obj)->bo = nullptr;
  Py_CLEAR(B(obj)->problem);
}

ONDRbranchobject branchobj_get(PyObject *obj) {
  if (!obj || !PyObject_TypeCheck(obj, &branchobj_type)) return nullptr;
  return B(obj)->bo;
}
