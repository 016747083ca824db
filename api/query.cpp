// Structure queries: rows, columns and quadratic matrices in start form,
// dense range getters (objective, right-hand sides, bounds, types,
// indicators), single coefficients, quadratic rows and global entities.
// Results are written into caller-supplied lists.
#include <algorithm>
#include <array>
#include <utility>
#include "api/wrap.h"
#include "problem/doc.h"

using namespace wrap;

namespace {

// first and last resolved as rows or columns; n = last - first + 1.
int resolve_range(PyObject *self, PyObject *first, PyObject *last, int kind, int *f, int *l) {
  return ObjInt2int(first, self, f, kind) != 0 || ObjInt2int(last, self, l, kind) != 0 ? -1 : 0;
}

int64_t clamp_size(int64_t size, int64_t nels) { return std::max<int64_t>(0, std::min(size, nels)); }

// ---- two-call sparse queries over 64-bit starts ----

struct SparseQuery {
  const char *name;
  const char *kw[7];
  int kind;        // index kind of first and last
  int index_code;  // conversion code of the index output
  const char *missing;  // null: outputs may be None
  const char *empty;
  int result;      // 0 None (None also without nonzeros), 1 the number of nonzeros
  int (*call)(ONDRprob, int64_t *, int *, double *, int64_t, int64_t *, int, int);
  const char *doc;
};

const SparseQuery kSparse[] = {
    {"getrows", {"mstart", "mclind", "dmatval", "size", "first", "last"}, KIND_ROW, CONV_COL, nullptr,
     "Empty range of rows requested", 0, ONDRgetrows64,
     METHOD_DOC("Reads rows of the matrix.", "p.getrows(mstart, mclind, dmatval, size, first, last)",
                "mstart: list for the n+1 starts; mclind: list for the columns (variables);\n"
                "  dmatval: list for the values; size: room for entries; first, last: the rows.",
                "p.getrows(s, c, v, 100, 0, 2)", "At most size entries are returned.", "getcols, addrows")},
    {"getcols", {"mstart", "mrwind", "dmatval", "size", "first", "last"}, KIND_COL, CONV_ROW,
     "Must provide arguments mstart, mrwind, dmatval", "Empty range of columns requested", 0, ONDRgetcols64,
     METHOD_DOC("Reads columns of the matrix.", "p.getcols(mstart, mrwind, dmatval, size, first, last)",
                "mstart: list for the n+1 starts; mrwind: list for the rows (constraints);\n"
                "  dmatval: list for the values; size: room for entries; first, last: the columns.",
                "p.getcols(s, r, v, 100, x, y)",
                "At most size entries are returned; a range without entries leaves the\n  lists as they were.",
                "getrows, addcols")},
    {"getmqobj", {"mstart", "mclind", "dobjval", "size", "first", "last"}, KIND_COL, CONV_COL, nullptr,
     "Empty range of columns requested", 1, ONDRgetmqobj64,
     METHOD_DOC("Reads the quadratic objective of columns.", "p.getmqobj(mstart, mclind, dobjval, size, first, last)",
                "mstart: list for the n+1 starts; mclind: list for the columns; dobjval: list\n"
                "  for the entries of Q in 0.5 x'Qx (both triangles); size: room for entries.",
                "n = p.getmqobj(s, c, v, 100, 0, p.attributes.cols - 1)",
                "Returns the number of entries in the range.", "chgmqobj, getqobj")},
};
constexpr int kNumSparse = sizeof kSparse / sizeof kSparse[0];

template <int I>
PyObject *sparse_query(PyObject *self, PyObject *args, PyObject *kw) {
  const SparseQuery &q = kSparse[I];
  PyObject *ms = nullptr, *ind = nullptr, *val = nullptr, *fo = nullptr, *lo = nullptr;
  long long size = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOLOO", (char **)q.kw, &ms, &ind, &val, &size, &fo, &lo)) return nullptr;
  if ((q.missing && require(q.missing, {ms, ind, val}) != 0) || outputs_ok({ms, ind, val}) != 0 ||
      usable(self) != 0)
    return nullptr;
  int first = 0, last = 0;
  if (resolve_range(self, fo, lo, q.kind, &first, &last) != 0) return done(self, -1);
  int64_t n = (int64_t)last - first + 1;
  if (n <= 0) {
    PyErr_SetString(PyExc_RuntimeError, q.empty);
    return nullptr;
  }
  ProblemObject *p = P(self);
  int64_t nels = 0;
  if (q.call(p->prob, nullptr, nullptr, nullptr, size, &nels, first, last) != 0) return done(self, -1);
  if (nels <= 0) {
    if (q.result == 1) return PyLong_FromLong(0);
    Py_RETURN_NONE;
  }
  int64_t room = clamp_size(size, nels);
  CArray<int64_t> starts;
  CArray<int> idx;
  CArray<double> vals;
  if ((!absent(ms) && !starts.alloc((size_t)n + 1)) || (!absent(ind) && !idx.alloc((size_t)room)) ||
      (!absent(val) && !vals.alloc((size_t)room)))
    return nullptr;
  int64_t got = 0;
  if (q.call(p->prob, starts.get(), idx.get(), vals.get(), room, &got, first, last) != 0 ||
      conv_arr2obj(self, n + 1, starts.get(), ms, CONV_INT64) != 0 ||
      conv_arr2obj(self, room, idx.get(), ind, q.index_code) != 0 ||
      conv_arr2obj(self, room, vals.get(), val, CONV_DOUBLE) != 0)
    return done(self, -1);
  if (q.result == 1) return PyLong_FromLongLong(nels);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_getqrowqmatrix(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"irow", "mstart", "mclind", "dqe", "size", "first", "last", nullptr};
  PyObject *ro, *ms, *ind, *val, *fo, *lo;
  int size = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOiOO", (char **)kwlist, &ro, &ms, &ind, &val, &size, &fo, &lo))
    return nullptr;
  if (outputs_ok({ms, ind, val}) != 0 || usable(self) != 0) return nullptr;
  int row = 0, first = 0, last = 0;
  if (ObjInt2int(ro, self, &row, KIND_ROW) != 0 || resolve_range(self, fo, lo, KIND_COL, &first, &last) != 0)
    return done(self, -1);
  int64_t n = (int64_t)last - first + 1;
  if (n <= 0) {
    PyErr_SetString(PyExc_RuntimeError, "Empty range of columns requested");
    return nullptr;
  }
  ProblemObject *p = P(self);
  int nels = 0;
  if (ONDRgetqrowqmatrix(p->prob, row, nullptr, nullptr, nullptr, size, &nels, first, last) != 0)
    return done(self, -1);
  if (nels <= 0) return PyLong_FromLong(nels);
  int room = (int)clamp_size(size, nels), got = 0;
  CArray<int> starts, idx;
  CArray<double> vals;
  if ((!absent(ms) && !starts.alloc((size_t)n + 1)) || (!absent(ind) && !idx.alloc((size_t)room)) ||
      (!absent(val) && !vals.alloc((size_t)room)))
    return nullptr;
  if (ONDRgetqrowqmatrix(p->prob, row, starts.get(), idx.get(), vals.get(), room, &got, first, last) != 0 ||
      conv_arr2obj(self, n + 1, starts.get(), ms, CONV_INT) != 0 ||
      conv_arr2obj(self, room, idx.get(), ind, CONV_COL) != 0 ||
      conv_arr2obj(self, room, vals.get(), val, CONV_DOUBLE) != 0)
    return done(self, -1);
  return PyLong_FromLong(nels);
}

// ---- dense getters over a range of rows or columns ----

struct DenseQuery {
  const char *name;
  const char *kw[5];
  int kind;
  int codes[2];          // conversion codes of the outputs, -1 past the last
  const char *missing;   // null: no required output
  const char *empty;     // null: an empty range returns None
  bool whole_default;    // first and last optional: all columns
  int (*call)(ONDRprob, void *, void *, int, int);
  const char *doc;
};

#define DOC(purpose, synopsis, args, example) \
  METHOD_DOC(purpose, synopsis, args, example, "first and last are inclusive.", "getrows, getcols, chgobj, chgbounds")
const DenseQuery kDense[] = {
    {"getobj", {"obj", "first", "last"}, KIND_COL, {CONV_DOUBLE, -1}, "Must provide argument obj",
     "Empty range of columns requested", false,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetobj(h, (double *)a, f, l); },
     DOC("Reads objective coefficients.", "p.getobj(obj, first, last)", "obj: list for the coefficients.",
         "p.getobj(c, 0, 2)")},
    {"getrhs", {"rhs", "first", "last"}, KIND_ROW, {CONV_DOUBLE, -1}, "Must provide argument: rhs or range",
     "Empty range of rows requested", false,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetrhs(h, (double *)a, f, l); },
     DOC("Reads right-hand sides.", "p.getrhs(rhs, first, last)", "rhs: list for the right-hand sides.",
         "p.getrhs(b, 0, 1)")},
    {"getrhsrange", {"range", "first", "last"}, KIND_ROW, {CONV_DOUBLE, -1}, "Must provide argument: rhs or range",
     "Empty range of rows requested", false,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetrhsrange(h, (double *)a, f, l); },
     DOC("Reads row ranges.", "p.getrhsrange(range, first, last)",
         "range: list for the ranges (0 for 'E' rows, 1e20 for 'L', 'G', 'N').", "p.getrhsrange(r, 0, 1)")},
    {"getlb", {"lb", "first", "last"}, KIND_COL, {CONV_DOUBLE, -1}, nullptr, nullptr, true,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetlb(h, (double *)a, f, l); },
     DOC("Reads lower bounds of columns.", "p.getlb(lb, first=0, last=cols-1)", "lb: list for the bounds.",
         "p.getlb(lb)")},
    {"getub", {"ub", "first", "last"}, KIND_COL, {CONV_DOUBLE, -1}, nullptr, nullptr, true,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetub(h, (double *)a, f, l); },
     DOC("Reads upper bounds of columns.", "p.getub(ub, first=0, last=cols-1)", "ub: list for the bounds.",
         "p.getub(ub)")},
    {"getrowtype", {"qrtype", "first", "last"}, KIND_ROW, {CONV_CHAR, -1}, "Must provide argument qrtype",
     "Empty range of rows requested", false,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetrowtype(h, (char *)a, f, l); },
     DOC("Reads row types.", "p.getrowtype(qrtype, first, last)", "qrtype: list for the letters.",
         "p.getrowtype(t, 0, 3)")},
    {"getcoltype", {"coltype", "first", "last"}, KIND_COL, {CONV_CHAR, -1}, "Must provide argument coltype",
     "Empty or invalid range of columns requested", false,
     [](ONDRprob h, void *a, void *, int f, int l) { return ONDRgetcoltype(h, (char *)a, f, l); },
     DOC("Reads column types.", "p.getcoltype(coltype, first, last)", "coltype: list for the letters.",
         "p.getcoltype(t, x, y)")},
    {"getindicators", {"inds", "comps", "first", "last"}, KIND_ROW, {CONV_COL, CONV_INT}, nullptr, nullptr, false,
     [](ONDRprob h, void *a, void *b, int f, int l) { return ONDRgetindicators(h, (int *)a, (int *)b, f, l); },
     DOC("Reads the indicators of rows.", "p.getindicators(inds, comps, first, last)",
         "inds: list for the indicator columns (-1: none); comps: list for the flags\n"
         "  (1 enforced at 1, -1 at 0, 0 none).",
         "p.getindicators(i, c, 0, 3)")},
};
#undef DOC
constexpr int kNumDense = sizeof kDense / sizeof kDense[0];

template <int I>
PyObject *dense_query(PyObject *self, PyObject *args, PyObject *kw) {
  const DenseQuery &q = kDense[I];
  const int nout = q.codes[1] >= 0 ? 2 : 1;
  PyObject *out[2] = {nullptr, nullptr}, *fo = nullptr, *lo = nullptr;
  int ok = nout == 2 ? PyArg_ParseTupleAndKeywords(args, kw, "OOOO", (char **)q.kw, &out[0], &out[1], &fo, &lo)
                     : PyArg_ParseTupleAndKeywords(args, kw, q.whole_default ? "O|OO" : "OOO", (char **)q.kw,
                                                   &out[0], &fo, &lo);
  if (!ok) return nullptr;
  if ((q.missing && require(q.missing, {out[0]}) != 0) || outputs_ok({out[0], out[1]}) != 0 || usable(self) != 0)
    return nullptr;
  int first = 0, last = 0;
  if (q.whole_default && absent(lo)) {
    if (attrib(self, ONDR_COLS, &last) != 0) return nullptr;
    --last;
  } else if (ObjInt2int(lo, self, &last, q.kind) != 0) {
    return done(self, -1);
  }
  if (!(q.whole_default && absent(fo)) && ObjInt2int(fo, self, &first, q.kind) != 0) return done(self, -1);
  int64_t n = (int64_t)last - first + 1;
  if (n <= 0) {
    if (!q.empty) Py_RETURN_NONE;
    PyErr_SetString(PyExc_RuntimeError, q.empty);
    return nullptr;
  }
  CArray<char> arr[2];
  for (int i = 0; i < nout; ++i)
    if (!arr[i].alloc((size_t)n * conv_elem_size(q.codes[i]))) return nullptr;
  if (q.call(P(self)->prob, arr[0].get(), arr[1].get(), first, last) != 0) return done(self, -1);
  for (int i = 0; i < nout; ++i)
    if (conv_arr2obj(self, n, arr[i].get(), out[i], q.codes[i]) != 0) return done(self, -1);
  Py_RETURN_NONE;
}

// ---- single coefficients ----

struct SingleQuery {
  const char *name;
  const char *kw[4];
  int kinds[3];
  int (*call)(ONDRprob, const int idx[3], double *);
  const char *doc;
};

const SingleQuery kSingle[] = {
    {"getcoef", {"irow", "icol"}, {KIND_ROW, KIND_COL, -1},
     [](ONDRprob h, const int i[3], double *v) { return ONDRgetcoef(h, i[0], i[1], v); },
     METHOD_DOC("Reads one matrix coefficient.", "p.getcoef(irow, icol)", "irow: a row; icol: a column.",
                "a = p.getcoef(c, x)", "Returns 0.0 where the matrix has no entry.", "chgcoef, getrows")},
    {"getqobj", {"icol", "jcol"}, {KIND_COL, KIND_COL, -1},
     [](ONDRprob h, const int i[3], double *v) { return ONDRgetqobj(h, i[0], i[1], v); },
     METHOD_DOC("Reads one quadratic objective coefficient.", "p.getqobj(icol, jcol)", "icol, jcol: columns.",
                "q = p.getqobj(x, y)", "The entry Q_ij of the objective's 0.5 x'Qx.", "chgqobj, getmqobj")},
    {"getqrowcoeff", {"irow", "icol", "jcol"}, {KIND_ROW, KIND_COL, KIND_COL},
     [](ONDRprob h, const int i[3], double *v) { return ONDRgetqrowcoeff(h, i[0], i[1], i[2], v); },
     METHOD_DOC("Reads one quadratic coefficient of a row.", "p.getqrowcoeff(irow, icol, jcol)",
                "irow: a row; icol, jcol: columns.", "q = p.getqrowcoeff(c, x, x)",
                "The entry Q_ij of the row's x'Qx.", "chgqrowcoeff, getqrowqmatrix")},
};
constexpr int kNumSingle = sizeof kSingle / sizeof kSingle[0];

template <int I>
PyObject *single_query(PyObject *self, PyObject *args, PyObject *kw) {
  const SingleQuery &q = kSingle[I];
  PyObject *o[3] = {nullptr, nullptr, nullptr};
  int ok = q.kinds[2] >= 0 ? PyArg_ParseTupleAndKeywords(args, kw, "OOO", (char **)q.kw, &o[0], &o[1], &o[2])
                           : PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)q.kw, &o[0], &o[1]);
  if (!ok || usable(self) != 0) return nullptr;
  int idx[3] = {0, 0, 0};
  for (int i = 0; i < 3 && q.kinds[i] >= 0; ++i)
    if (ObjInt2int(o[i], self, &idx[i], q.kinds[i]) != 0) return done(self, -1);
  double v = 0;
  if (q.call(P(self)->prob, idx, &v) != 0) return done(self, -1);
  return PyFloat_FromDouble(v);
}

// ---- quadratic rows and global entities ----

PyObject *ONDR_PY_getqrows(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"qcrows", nullptr};
  PyObject *out = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &out)) return nullptr;
  if (require("Must provide argument qcrows", {out}) != 0 || outputs_ok({out}) != 0 || usable(self) != 0)
    return nullptr;
  int n = 0;
  CArray<int> rows;
  if (ONDRgetqrows(P(self)->prob, &n, nullptr) != 0) return done(self, -1);
  if (!rows.alloc((size_t)std::max(n, 0))) return nullptr;
  if (ONDRgetqrows(P(self)->prob, &n, rows.get()) != 0 || conv_arr2obj(self, n, rows.get(), out, CONV_ROW) != 0)
    return done(self, -1);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_getqrowqmatrixtriplets(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"irow", "mqcol1", "mqcol2", "dqe", nullptr};
  PyObject *ro, *c1 = nullptr, *c2 = nullptr, *v = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|OOO", (char **)kwlist, &ro, &c1, &c2, &v)) return nullptr;
  if (outputs_ok({c1, c2, v}) != 0 || usable(self) != 0) return nullptr;
  int row = 0, n = 0;
  if (ObjInt2int(ro, self, &row, KIND_ROW) != 0 ||
      ONDRgetqrowqmatrixtriplets(P(self)->prob, row, &n, nullptr, nullptr, nullptr) != 0)
    return done(self, -1);
  if (n <= 0) Py_RETURN_NONE;
  CArray<int> a1, a2;
  CArray<double> vals;
  if (!a1.alloc((size_t)n) || !a2.alloc((size_t)n) || !vals.alloc((size_t)n)) return nullptr;
  if (ONDRgetqrowqmatrixtriplets(P(self)->prob, row, &n, a1.get(), a2.get(), vals.get()) != 0 ||
      conv_arr2obj(self, n, a1.get(), c1, CONV_COL) != 0 || conv_arr2obj(self, n, a2.get(), c2, CONV_COL) != 0 ||
      conv_arr2obj(self, n, vals.get(), v, CONV_DOUBLE) != 0)
    return done(self, -1);
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_getglobal(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"qgtype", "mgcols", "dlim", "qstype", "msstart", "mscols", "dref", nullptr};
  PyObject *o[7];
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOOOO", (char **)kwlist, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5],
                                   &o[6]))
    return nullptr;
  if (outputs_ok({o[0], o[1], o[2], o[3], o[4], o[5], o[6]}) != 0 || usable(self) != 0) return nullptr;
  ProblemObject *p = P(self);
  int ne = 0, ns = 0, members = 0;
  if (ONDRgetglobal64(p->prob, &ne, &ns, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != 0 ||
      attrib(self, ONDR_SETMEMBERS, &members) != 0)
    return done(self, -1);
  ne = std::max(ne, 0);
  ns = std::max(ns, 0);
  members = std::max(members, 0);
  CArray<char> gt, st;
  CArray<int> gc, sc;
  CArray<double> lim, ref;
  CArray<int64_t> ss;
  if (!gt.alloc(ne) || !gc.alloc(ne) || !lim.alloc(ne) || !st.alloc(ns) || !ss.alloc((size_t)ns + 1) ||
      !sc.alloc(members) || !ref.alloc(members))
    return nullptr;
  if (ONDRgetglobal64(p->prob, &ne, &ns, gt.get(), gc.get(), lim.get(), st.get(), ss.get(), sc.get(), ref.get()) !=
      0)
    return done(self, -1);
  struct {
    int64_t n;
    const void *data;
    int code;
  } outs[7] = {{ne, gt.get(), CONV_CHAR},      {ne, gc.get(), CONV_INT},      {ne, lim.get(), CONV_DOUBLE},
               {ns, st.get(), CONV_CHAR},      {ns + 1, ss.get(), CONV_INT64}, {members, sc.get(), CONV_COL},
               {members, ref.get(), CONV_DOUBLE}};
  for (int i = 0; i < 7; ++i)
    if (conv_arr2obj(self, outs[i].n, outs[i].data, o[i], outs[i].code) != 0) return done(self, -1);
  Py_RETURN_NONE;
}

template <int... I>
void add_sparse(std::vector<PyMethodDef> &out, std::integer_sequence<int, I...>) {
  (out.push_back(kw_method(kSparse[I].name, sparse_query<I>, kSparse[I].doc)), ...);
}
template <int... I>
void add_dense(std::vector<PyMethodDef> &out, std::integer_sequence<int, I...>) {
  (out.push_back(kw_method(kDense[I].name, dense_query<I>, kDense[I].doc)), ...);
}
template <int... I>
void add_single(std::vector<PyMethodDef> &out, std::integer_sequence<int, I...>) {
  (out.push_back(kw_method(kSingle[I].name, single_query<I>, kSingle[I].doc)), ...);
}

}  // namespace

const PyMethodDef *problem_query_methods() {
  static std::vector<PyMethodDef> table;
  if (!table.empty()) return table.data();
  table = {
      kw_method("getqrowqmatrix", ONDR_PY_getqrowqmatrix,
                METHOD_DOC("Reads the quadratic part of a row in column-start form.",
                           "p.getqrowqmatrix(irow, mstart, mclind, dqe, size, first, last)",
                           "irow: the row; mstart: list for the n+1 starts; mclind: list for the\n"
                           "  columns; dqe: list for the entries Q_ij (both triangles); size: room\n"
                           "  for entries; first, last: the columns.",
                           "n = p.getqrowqmatrix(c, s, m, v, 100, 0, 3)",
                           "Returns the number of entries in the range.", "getqrowqmatrixtriplets, addqmatrix")),
      kw_method("getqrows", ONDR_PY_getqrows,
                METHOD_DOC("Reads which rows have quadratic terms.", "p.getqrows(qcrows)",
                           "qcrows: list for the rows (constraint objects).", "p.getqrows(rows)",
                           "The rows come in index order.", "getqrowqmatrixtriplets")),
      kw_method("getqrowqmatrixtriplets", ONDR_PY_getqrowqmatrixtriplets,
                METHOD_DOC("Reads the quadratic part of a row as triplets.",
                           "p.getqrowqmatrixtriplets(irow, mqcol1=None, mqcol2=None, dqe=None)",
                           "irow: the row; mqcol1, mqcol2: lists for the column pairs; dqe: list for\n"
                           "  the entries Q_ij of the row's x'Qx, each pair once.",
                           "p.getqrowqmatrixtriplets(c, a, b, v)", "Pairs come as addqmatrix takes them.",
                           "getqrowqmatrix, addqmatrix")),
      kw_method("getglobal", ONDR_PY_getglobal,
                METHOD_DOC("Reads the global entities and sets.",
                           "p.getglobal(qgtype, mgcols, dlim, qstype, msstart, mscols, dref)",
                           "qgtype, mgcols, dlim: lists for entity types, columns (indices) and limits;\n"
                           "  qstype, msstart, mscols, dref: lists for set types, starts, member\n"
                           "  columns (variables) and reference values. None skips a list.",
                           "p.getglobal(t, c, l, None, None, None, None)",
                           "Entities are the columns of type 'B', 'I', 'S', 'R' and 'P'.", "loadproblem")),
  };
  add_sparse(table, std::make_integer_sequence<int, kNumSparse>{});
  add_dense(table, std::make_integer_sequence<int, kNumDense>{});
  add_single(table, std::make_integer_sequence<int, kNumSingle>{});
  table.push_back({nullptr, nullptr, 0, nullptr});
  return table.data();
}
