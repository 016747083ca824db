// Matrix modification: addrows and addcols (which also make modelling
// objects for what they add), the chg* families over arrays of rows or
// columns, single coefficients, quadratic matrices, the objective sense and
// scaling.
#include <array>
#include <string>
#include <utility>
#include "api/wrap.h"
#include "problem/access.h"
#include "problem/convert_expr.h"
#include "problem/doc.h"
#include "problem/indexmap.h"

using namespace wrap;

namespace {

#define DOC(purpose, synopsis, args, example)                                                          \
  METHOD_DOC(purpose, synopsis, args "\n  Rows and columns are given by index, name or modelling object.", \
             example, "Fails, changing nothing, when a reference, letter or value is invalid.",           \
             "getrows, getcols, getobj, getrhs, getlb, getub")

// Objects appended to a container (and their map entries) by a call that
// then failed are taken out again, keeping the pending exception.
void drop_tail(PyObject *list, PyObject *map, Py_ssize_t len, int64_t (*id)(PyObject *)) {
  PyObject *t, *v, *tb;
  PyErr_Fetch(&t, &v, &tb);
  for (Py_ssize_t i = len; i < PyList_GET_SIZE(list); ++i) indexmap_erase(map, id(PyList_GET_ITEM(list, i)));
  PyList_SetSlice(list, len, PyList_GET_SIZE(list), nullptr);
  PyErr_Clear();
  PyErr_Restore(t, v, tb);
}

PyObject *ONDR_PY_addrows(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"qrtype", "rhs", "mstart", "mclind", "dmatval", "range", "names", nullptr};
  static const char *missing = "Must provide arguments qrtype, rhs, mstart, mclind, dmatval";
  PyObject *qrtype = nullptr, *rhs = nullptr, *mstart = nullptr, *mclind = nullptr, *dmatval = nullptr,
           *range = nullptr, *names = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOO|OO", (char **)kwlist, &qrtype, &rhs, &mstart, &mclind,
                                   &dmatval, &range, &names)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, missing);
    return nullptr;
  }
  if (require(missing, {qrtype, rhs, mstart, mclind, dmatval}) != 0 || usable(self) != 0) return nullptr;
  ProblemObject *p = P(self);
  CArray<char> types;
  CArray<double> rhsv, rngv, vals;
  CArray<int64_t> starts;
  CArray<int> cols;
  int64_t n = -1;
  if (conv(self, &n, qrtype, types, CONV_CHAR) != 0) return done(self, -1);
  int nrows = 0;
  if (as_int(n, &nrows) != 0) return nullptr;
  if (nrows == 0) {
    PyErr_SetString(PyExc_RuntimeError, "No rows to add: qrtype is empty");
    return nullptr;
  }
  int64_t ns = (int64_t)nrows + 1;
  if (conv(self, &ns, mstart, starts, CONV_INT64) != 0 || conv(self, &n, rhs, rhsv, CONV_DOUBLE) != 0 ||
      conv(self, &n, range, rngv, CONV_DOUBLE) != 0)
    return done(self, -1);
  int64_t nnz = starts[nrows];
  if (nnz < 0) {
    PyErr_Format(PyExc_RuntimeError, "Invalid number of nonzeros %lld: the last start is negative", (long long)nnz);
    return nullptr;
  }
  int64_t ne = nnz;
  if ((nnz != 0 && conv(self, &ne, mclind, cols, CONV_COL) != 0) || conv(self, &ne, dmatval, vals, CONV_DOUBLE) != 0)
    return done(self, -1);
  int first = 0;
  std::string packed;
  if (!absent(names)) {
    Py_ssize_t have = PySequence_Size(names);
    if (have < nrows) {
      PyErr_Clear();
      PyErr_Format(PyExc_RuntimeError, "Cannot get row name indexed by %d", have < 0 ? 0 : (int)have);
      return nullptr;
    }
  }
  if (attrib(self, ONDR_ORIGINALROWS, &first) != 0 ||
      packNames(self, names, nrows, "Cannot convert constraint name", packed) != 0)
    return done(self, -1);
  Py_ssize_t before = PyList_GET_SIZE(p->constraints);
  if (addRowsAsConstraints(self, names, first, nrows) != 0 ||
      ONDRaddrows64(p->prob, nrows, nnz, types.get(), rhsv.get(), rngv.get(), starts.get(), cols.get(),
                    vals.get()) != 0) {
    setOndrErrIfNull(self, nullptr);
    drop_tail(p->constraints, p->conmap, before, con_id);
    return nullptr;
  }
  return done(self, sendRowColNames(self, 1, packed, first, nrows));
}

PyObject *ONDR_PY_addcols(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"objx", "mstart", "mrwind", "dmatval", "bdl", "bdu", "names", "types", nullptr};
  PyObject *objx = nullptr, *mstart = nullptr, *mrwind = nullptr, *dmatval = nullptr, *bdl = nullptr,
           *bdu = nullptr, *names = nullptr, *types = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOOO|OO", (char **)kwlist, &objx, &mstart, &mrwind, &dmatval, &bdl,
                                   &bdu, &names, &types))
    return nullptr;
  if (require("Must provide arguments objx, mstart, mrwind, dmatval, bdl, bdu",
              {objx, mstart, mrwind, dmatval, bdl, bdu}) != 0 ||
      usable(self) != 0)
    return nullptr;
  ProblemObject *p = P(self);
  CArray<double> obj, vals, lb, ub;
  CArray<int64_t> starts;
  CArray<int> rows;
  CArray<char> letters;
  int64_t n = -1, ne = -1;
  int ncols = 0;
  if (conv(self, &n, objx, obj, CONV_DOUBLE) != 0 || as_int(n, &ncols) != 0) return done(self, -1);
  int64_t ns = (int64_t)ncols + 1;
  if ((ncols != 0 && conv(self, &ns, mstart, starts, CONV_INT64) != 0) ||
      conv(self, &ne, mrwind, rows, CONV_ROW) != 0 || conv(self, &ne, dmatval, vals, CONV_DOUBLE) != 0 ||
      conv(self, &n, bdl, lb, CONV_DOUBLE) != 0 || conv(self, &n, bdu, ub, CONV_DOUBLE) != 0 ||
      conv(self, &n, types, letters, CONV_CHAR) != 0)
    return done(self, -1);
  int first = 0;
  std::string packed;
  if (attrib(self, ONDR_ORIGINALCOLS, &first) != 0) return nullptr;
  if (!absent(names) && PySequence_Size(names) != ncols) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "Incorrect length of variable name list");
    return nullptr;
  }
  if (packNames(self, names, ncols, "Erroneous name for variable %d", packed) != 0) return done(self, -1);
  Py_ssize_t before = PyList_GET_SIZE(p->variables);
  if (addColsAsVariables(self, names, types, 0, nullptr, nullptr, nullptr, first, ncols) != 0 ||
      ONDRaddcols64(p->prob, ncols, ne < 0 ? 0 : ne, obj.get(), starts.get(), rows.get(), vals.get(), lb.get(),
                    ub.get()) != 0) {
    setOndrErrIfNull(self, nullptr);
    drop_tail(p->variables, p->varmap, before, var_id);
    return nullptr;
  }
  int rc = sendRowColNames(self, 2, packed, first, ncols);
  if (rc == 0 && letters.get()) {
    CArray<int> idx;
    if (!idx.alloc((size_t)ncols)) return nullptr;
    for (int i = 0; i < ncols; ++i) idx[i] = first + i;
    rc = ONDRchgcoltype(p->prob, ncols, idx.get(), letters.get());
  }
  return done(self, rc);
}

// ---- changes over arrays of rows or columns, one shared length ----

struct ArrayFamily {
  const char *name;
  const char *kw[4];
  int codes[3];
  const char *missing;  // null: a None array is passed as null
  bool missing_on_parse;
  bool unconstruct;     // take the nonlinear layer out of its constructed state first
  int (*call)(ONDRprob, int64_t n, void *const a[3]);
  const char *doc;
  // Run after a successful call: keeps the modelling objects in step with it.
  void (*after)(ProblemObject *p, int64_t n, void *const a[3]);
};

// The variables of changed columns take their new type, so that x.vartype
// reads what the problem holds.
void retype_variables(ProblemObject *p, int64_t n, void *const a[3]) {
  const int *cols = (const int *)a[0];
  const char *types = (const char *)a[1];
  Py_ssize_t nvars = PyList_GET_SIZE(p->variables);
  for (int64_t i = 0; i < n; ++i) {
    if (cols[i] < 0 || cols[i] >= nvars) continue;
    PyObject *v = PyList_GET_ITEM(p->variables, cols[i]);
    int vt = type_of_letter(types[i]);
    if (is_var(v) && vt >= 0) var_set(v, var_lb(v), var_ub(v), vt);
  }
}

#define A(i, T) ((const T *)a[i])
const ArrayFamily kFamilies[] = {
    {"chgrowtype", {"mindex", "qrtype"}, {CONV_ROW, CONV_CHAR}, "Must provide arguments mindex and qrtype", false,
     false, [](ONDRprob h, int64_t n, void *const a[3]) { return ONDRchgrowtype(h, (int)n, A(0, int), A(1, char)); },
     DOC("Changes the types of rows.", "p.chgrowtype(mindex, qrtype)", "mindex: rows; qrtype: their new types 'L', 'G', 'E', 'R' or 'N'.",
     "p.chgrowtype([0, 'r2'], ['G', 'E'])")},
    {"chgrhs", {"mindex", "rhs"}, {CONV_ROW, CONV_DOUBLE}, "Must provide arguments mindex, rhs", false, false,
     [](ONDRprob h, int64_t n, void *const a[3]) { return ONDRchgrhs(h, (int)n, A(0, int), A(1, double)); },
     DOC("Changes the right-hand sides of rows.", "p.chgrhs(mindex, rhs)", "mindex: rows; rhs: their new right-hand sides.", "p.chgrhs([c1, c2], [4, 5])")},
    {"chgrhsrange", {"mindex", "rng"}, {CONV_ROW, CONV_DOUBLE}, "Must provide arguments mindex, rng", false, false,
     [](ONDRprob h, int64_t n, void *const a[3]) { return ONDRchgrhsrange(h, (int)n, A(0, int), A(1, double)); },
     DOC("Changes the ranges of range rows.", "p.chgrhsrange(mindex, rng)", "mindex: range rows; rng: their new ranges (at least 0).",
     "p.chgrhsrange([0], [2.5])")},
    {"chgobj", {"mindex", "obj"}, {CONV_COL, CONV_DOUBLE}, "Must provide arguments mindex, obj", false, true,
     [](ONDRprob h, int64_t n, void *const a[3]) { return ONDRchgobj(h, (int)n, A(0, int), A(1, double)); },
     DOC("Changes objective coefficients of columns.", "p.chgobj(mindex, obj)", "mindex: columns (-1: the objective constant); obj: their new coefficients.",
     "p.chgobj([x, y], [1, -2])")},
    {"chgglblimit", {"mindex", "dlimit"}, {CONV_COL, CONV_DOUBLE}, "Must provide arguments mindex, dlimit", false,
     false, [](ONDRprob h, int64_t n, void *const a[3]) { return ONDRchgglblimit(h, (int)n, A(0, int), A(1, double)); },
     DOC("Changes the limits of semi-continuous and partially integer columns.", "p.chgglblimit(mindex, dlimit)", "mindex: semi-continuous, semi-integer or partially integer columns;\n"
     "  dlimit: their new limits.", "p.chgglblimit([x], [2])")},
    {"chgcoltype", {"mindex", "qctype"}, {CONV_COL, CONV_CHAR}, "Must provide arguments mindex, qctype", false, false,
     [](ONDRprob h, int64_t n, void *const a[3]) { return ONDRchgcoltype(h, (int)n, A(0, int), A(1, char)); },
     DOC("Changes the types of columns.", "p.chgcoltype(mindex, qctype)", "mindex: columns; qctype: their new types 'C', 'B', 'I', 'S', 'R' or 'P'.",
     "p.chgcoltype([x, 'y'], ['I', 'B'])"), retype_variables},
    {"chgbounds", {"mindex", "qbtype", "bnd"}, {CONV_COL, CONV_CHAR, CONV_DOUBLE},
     "Must provide arguments mindex, qbtype, bnd", false, false,
     [](ONDRprob h, int64_t n, void *const a[3]) {
       return ONDRchgbounds(h, (int)n, A(0, int), A(1, char), A(2, double));
     },
     DOC("Changes bounds of columns.", "p.chgbounds(mindex, qbtype, bnd)",
     "mindex: columns; qbtype: 'L' lower, 'U' upper, 'B' both or 'F' fixed;\n  bnd: the new bounds.",
     "p.chgbounds([x, x], ['L', 'U'], [0, 4])")},
    {"chgmcoef", {"mrow", "mcol", "dval"}, {CONV_ROW, CONV_COL, CONV_DOUBLE}, "Must provide arguments mrow, mcol, dval",
     true, false,
     [](ONDRprob h, int64_t n, void *const a[3]) {
       return ONDRchgmcoef(h, (int)n, A(0, int), A(1, int), A(2, double));
     },
     DOC("Changes matrix coefficients.", "p.chgmcoef(mrow, mcol, dval)", "mrow, mcol: rows and columns of the entries; dval: new values (0 removes).",
     "p.chgmcoef([c1, c2], [x, y], [2, 0])")},
    {"chgmqobj", {"mqcol1", "mqcol2", "dval"}, {CONV_COL, CONV_COL, CONV_DOUBLE},
     "Must provide arguments mqcol1, mqcol2, dval", false, false,
     [](ONDRprob h, int64_t n, void *const a[3]) {
       return ONDRchgmqobj64(h, n, A(0, int), A(1, int), A(2, double));
     },
     DOC("Changes quadratic objective coefficients.", "p.chgmqobj(mqcol1, mqcol2, dval)",
     "mqcol1, mqcol2: column pairs; dval: entries of the objective's Q in 0.5 x'Qx (0 removes).",
     "p.chgmqobj([x], [y], [3])")},
    {"setindicators", {"mrows", "inds", "comps"}, {CONV_ROW, CONV_COL, CONV_INT}, nullptr, false, false,
     [](ONDRprob h, int64_t n, void *const a[3]) {
       return ONDRsetindicators(h, (int)n, A(0, int), A(1, int), A(2, int));
     },
     DOC("Makes rows indicator constraints, or ordinary rows again.", "p.setindicators(mrows, inds, comps)",
     "mrows: rows; inds: their indicator columns; comps: 1 enforces the row when the\n"
     "  column is 1, -1 when it is 0, 0 makes it an ordinary row again.",
     "p.setindicators([c], [b], [1])")},
};
#undef A
constexpr int kNumFamilies = sizeof kFamilies / sizeof kFamilies[0];

template <int I>
PyObject *array_family(PyObject *self, PyObject *args, PyObject *kw) {
  const ArrayFamily &f = kFamilies[I];
  const int nargs = f.kw[2] ? 3 : 2;
  PyObject *o[3] = {nullptr, nullptr, nullptr};
  int ok = nargs == 3 ? PyArg_ParseTupleAndKeywords(args, kw, "OOO", (char **)f.kw, &o[0], &o[1], &o[2])
                      : PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)f.kw, &o[0], &o[1]);
  if (!ok) {
    if (f.missing_on_parse) {
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, f.missing);
    }
    return nullptr;
  }
  if ((f.missing && require(f.missing, {o[0], o[1], nargs == 3 ? o[2] : Py_True}) != 0) || usable(self) != 0)
    return nullptr;
  CArray<char> arr[3];  // freed as raw memory whatever the element kind
  int64_t n = -1;
  for (int i = 0; i < nargs; ++i)
    if (conv(self, &n, o[i], arr[i], f.codes[i]) != 0) return done(self, -1);
  if (f.unconstruct && check_nl_unconstruct(P(self)) != 0) return done(self, -1);
  void *const a[3] = {arr[0].get(), arr[1].get(), arr[2].get()};
  int rc = f.call(P(self)->prob, n < 0 ? 0 : n, a);
  if (rc == 0 && f.after) f.after(P(self), n < 0 ? 0 : n, a);
  return done(self, rc);
}

// ---- single coefficients ----

struct SingleCoef {
  const char *name;
  const char *kw[5];
  int kinds[3];  // index kinds of the references, -1 past the last
  int (*call)(ONDRprob, const int idx[3], double);
  const char *doc;
};

const SingleCoef kSingles[] = {
    {"chgcoef", {"irow", "icol", "dval"}, {KIND_ROW, KIND_COL, -1},
     [](ONDRprob h, const int i[3], double d) { return ONDRchgcoef(h, i[0], i[1], d); }, DOC("Changes one matrix coefficient.", "p.chgcoef(irow, icol, dval)",
     "irow: a row; icol: a column; dval: the new coefficient (0 removes it).", "p.chgcoef(c, x, 2.0)")},
    {"chgqobj", {"icol", "jcol", "dval"}, {KIND_COL, KIND_COL, -1},
     [](ONDRprob h, const int i[3], double d) { return ONDRchgqobj(h, i[0], i[1], d); }, DOC("Changes one quadratic objective coefficient.", "p.chgqobj(icol, jcol, dval)",
     "icol, jcol: columns; dval: the entry Q_ij = Q_ji of the objective's 0.5 x'Qx.", "p.chgqobj(x, y, 1.0)")},
    {"chgqrowcoeff", {"irow", "icol", "jcol", "dval"}, {KIND_ROW, KIND_COL, KIND_COL},
     [](ONDRprob h, const int i[3], double d) { return ONDRchgqrowcoeff(h, i[0], i[1], i[2], d); },
     DOC("Changes one quadratic coefficient of a row.", "p.chgqrowcoeff(irow, icol, jcol, dval)", "irow: a row; icol, jcol: columns; dval: the entry Q_ij of the row's x'Qx.",
     "p.chgqrowcoeff(c, x, x, 1.0)")},
};
constexpr int kNumSingles = sizeof kSingles / sizeof kSingles[0];

template <int I>
PyObject *single_coef(PyObject *self, PyObject *args, PyObject *kw) {
  const SingleCoef &f = kSingles[I];
  PyObject *o[3] = {nullptr, nullptr, nullptr};
  double d = 0;
  int ok = f.kinds[2] >= 0
               ? PyArg_ParseTupleAndKeywords(args, kw, "OOOd", (char **)f.kw, &o[0], &o[1], &o[2], &d)
               : PyArg_ParseTupleAndKeywords(args, kw, "OOd", (char **)f.kw, &o[0], &o[1], &d);
  if (!ok || usable(self) != 0) return nullptr;
  int idx[3] = {0, 0, 0};
  for (int i = 0; i < 3 && f.kinds[i] >= 0; ++i)
    if (ObjInt2int(o[i], self, &idx[i], f.kinds[i]) != 0) return done(self, -1);
  return done(self, f.call(P(self)->prob, idx, d));
}

// ---- quadratic matrices, sense, scaling ----

PyObject *ONDR_PY_addqmatrix(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"irow", "mqc1", "mqc2", "dqe", nullptr};
  PyObject *irow, *c1, *c2, *v;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOO", (char **)kwlist, &irow, &c1, &c2, &v)) return nullptr;
  if (require("Must provide arguments mqc1, mqc2, dqe", {c1, c2, v}) != 0 || usable(self) != 0) return nullptr;
  int row = 0;
  CArray<int> a1, a2;
  CArray<double> vals;
  int64_t n = -1;
  if (ObjInt2int(irow, self, &row, KIND_ROW) != 0 || conv(self, &n, c1, a1, CONV_COL) != 0 ||
      conv(self, &n, c2, a2, CONV_COL) != 0 || conv(self, &n, v, vals, CONV_DOUBLE) != 0)
    return done(self, -1);
  return done(self, ONDRaddqmatrix64(P(self)->prob, row, n < 0 ? 0 : n, a1.get(), a2.get(), vals.get()));
}

PyObject *ONDR_PY_delqmatrix(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"row", nullptr};
  PyObject *obj;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &obj) || usable(self) != 0) return nullptr;
  int row = -1;
  // The integer -1 stands for the objective and is not resolved as a row.
  bool objective = isObjInt(obj) && PyLong_Check(obj) && PyLong_AsLong(obj) == -1 && !PyErr_Occurred();
  PyErr_Clear();
  if (!objective && ObjInt2int(obj, self, &row, KIND_ROW) != 0) return done(self, -1);
  return done(self, ONDRdelqmatrix(P(self)->prob, row));
}

PyObject *ONDR_PY_chgobjsense(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"sense", nullptr};
  int sense;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i", (char **)kwlist, &sense) || usable(self) != 0) return nullptr;
  ProblemObject *p = P(self);
  // Any value other than 1 (minimize) maximizes.
  if (problem_is_nonlinear(p)) {
    if (!p->slpprob) {
      PyErr_SetString(PyExc_RuntimeError, "The nonlinear layer is not available");
      return nullptr;
    }
    return done(self, OSLPsetdblcontrol(p->slpprob, OSLP_NLPOBJSENSE, sense == 1 ? 1.0 : -1.0));
  }
  return done(self, ONDRchgobjsense(p->prob, sense == 1 ? 1 : -1));
}

PyObject *ONDR_PY_scale(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mrscal", "mcscal", nullptr};
  PyObject *r = nullptr, *c = nullptr;
  if (usable(self) != 0) return nullptr;
  int rows = 0, cols = 0;
  if (attrib(self, ONDR_ORIGINALROWS, &rows) != 0 || attrib(self, ONDR_ORIGINALCOLS, &cols) != 0) return nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|OO", (char **)kwlist, &r, &c)) return nullptr;
  CArray<int> rs, cs;
  int64_t nr = rows, nc = cols;
  if (conv(self, &nr, r, rs, CONV_INT) != 0 || conv(self, &nc, c, cs, CONV_INT) != 0) return done(self, -1);
  return done(self, ONDRscale(P(self)->prob, rs.get(), cs.get()));
}

template <int... I>
void add_families(std::vector<PyMethodDef> &out, std::integer_sequence<int, I...>) {
  (out.push_back(kw_method(kFamilies[I].name, array_family<I>, kFamilies[I].doc)), ...);
}
template <int... I>
void add_singles(std::vector<PyMethodDef> &out, std::integer_sequence<int, I...>) {
  (out.push_back(kw_method(kSingles[I].name, single_coef<I>, kSingles[I].doc)), ...);
}

}  // namespace

const PyMethodDef *problem_modify_methods() {
  static std::vector<PyMethodDef> table;
  if (!table.empty()) return table.data();
  table = {
      kw_method("addrows", ONDR_PY_addrows,
                METHOD_DOC("Adds rows to the problem.",
                           "p.addrows(qrtype, rhs, mstart, mclind, dmatval, range=None, names=None)",
                           "qrtype: row types ('L', 'G', 'E', 'R', 'N'); rhs: right-hand sides;\n"
                           "  mstart: where each row's entries start in mclind and dmatval (one\n"
                           "  more entry than rows, the last the number of entries); mclind:\n"
                           "  columns (index, name or variable); dmatval: values; range: ranges\n"
                           "  of 'R' rows; names: row names.",
                           "p.addrows(['L'], [10], [0, 2], [x, y], [1, 2], names=['cap'])",
                           "A constraint object is made for every new row; when the library\n"
                           "  refuses the rows they are taken out again.",
                           "addcols, getrows, loadproblem")),
      kw_method("addcols", ONDR_PY_addcols,
                METHOD_DOC("Adds columns to the problem.",
                           "p.addcols(objx, mstart, mrwind, dmatval, bdl, bdu, names=None, types=None)",
                           "objx: objective coefficients; mstart: where each column's entries start\n"
                           "  in mrwind and dmatval; mrwind: rows (index, name or constraint);\n"
                           "  dmatval: values; bdl, bdu: bounds; names: column names; types: column\n"
                           "  types ('C', 'B', 'I', 'S', 'R', 'P').",
                           "p.addcols([1], [0, 1], [c], [2.0], [0], [10], names=['z'])",
                           "A variable object is made for every new column; when the library\n"
                           "  refuses the columns they are taken out again.",
                           "addrows, getcols, loadproblem")),
      kw_method("addqmatrix", ONDR_PY_addqmatrix,
                METHOD_DOC("Adds quadratic terms to a row.", "p.addqmatrix(irow, mqc1, mqc2, dqe)",
                           "irow: a row; mqc1, mqc2: column pairs; dqe: entries Q_ij of the row's x'Qx.",
                           "p.addqmatrix(c, [x], [y], [0.5])", "Terms add to those the row has.",
                           "delqmatrix, getqrowqmatrix")),
      kw_method("delqmatrix", ONDR_PY_delqmatrix,
                METHOD_DOC("Deletes the quadratic part of a row or of the objective.", "p.delqmatrix(row)",
                           "row: a row, or -1 for the objective.", "p.delqmatrix(-1)",
                           "The linear part stays.", "addqmatrix, chgmqobj")),
      kw_method("chgobjsense", ONDR_PY_chgobjsense,
                METHOD_DOC("Sets the objective sense.", "p.chgobjsense(sense)",
                           "sense: 1 (ondrel.minimize) minimizes, any other value maximizes.",
                           "p.chgobjsense(ondrel.maximize)",
                           "Problems with nonlinear content set the nonlinear layer's sense.", "chgobj")),
      kw_method("scale", ONDR_PY_scale,
                METHOD_DOC("Sets scaling exponents of rows and columns.", "p.scale(mrscal=None, mcscal=None)",
                           "mrscal: one integer exponent per row; mcscal: one per column (-64..64).",
                           "p.scale([0, 1], [2, 0, 0])",
                           "Row i is multiplied by 2**mrscal[i] and column j by 2**mcscal[j] in\n"
                           "  what the LP solver sees; results are unscaled.", "lpoptimize")),
  };
  add_families(table, std::make_integer_sequence<int, kNumFamilies>{});
  add_singles(table, std::make_integer_sequence<int, kNumSingles>{});
  table.push_back({nullptr, nullptr, 0, nullptr});
  return table.data();
}
