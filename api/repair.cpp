// Low-level methods of infeasibility repair, MIP solution refinement and
// row analysis: repairinfeas, repairweightedinfeas,
// repairweightedinfeasbounds, refinemipsol, presolverow and
// estimaterowdualranges.
#include <algorithm>
#include "api/wrap.h"
#include "module/types.h"
#include "problem/doc.h"

namespace {

using wrap::absent;
using wrap::conv;
using wrap::done;

// Penalty or limit arrays sized by the rows or columns (attributes 1124 and
// 1214); an absent array stays null.
int sized(PyObject *self, PyObject *obj, int n, CArray<double> &arr) {
  int64_t count = n;
  return conv(self, &count, obj, arr, CONV_DOUBLE);
}

PyObject *status_result(PyObject *self, int rc, int status) {
  if (rc != 0) return done(self, rc);
  return wrap::result(self, PyLong_FromLong(status));
}

PyObject *ONDR_PY_repairinfeas(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"pflags", "oflags", "gflags", "lrp", "grp", "lbp", "ubp", "delta", nullptr};
  char pflags, oflags, gflags;
  double lrp, grp, lbp, ubp, delta;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "CCCddddd", (char **)kwlist, &pflags, &oflags, &gflags, &lrp,
                                   &grp, &lbp, &ubp, &delta))
    return nullptr;
  if (wrap::usable(self) != 0) return nullptr;
  int status = -1;
  int rc = ONDRrepairinfeas(wrap::P(self)->prob, &status, pflags, oflags, gflags, lrp, grp, lbp, ubp, delta);
  return status_result(self, rc, status);
}

// repairweightedinfeas (bounds false) and repairweightedinfeasbounds.
PyObject *weighted(PyObject *self, PyObject *args, PyObject *kw, bool bounds) {
  static const char *kw4[] = {"lrp_array", "grp_array", "lbp_array", "ubp_array", "phase2", "delta", "optflags",
                              nullptr};
  static const char *kw8[] = {"lrp_array", "grp_array", "lbp_array", "ubp_array", "lrb_array", "grb_array",
                              "lbb_array", "ubb_array", "phase2",    "delta",     "optflags",  nullptr};
  PyObject *o[8] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  char phase2;
  double delta;
  const char *optflags;
  int ok = bounds ? PyArg_ParseTupleAndKeywords(args, kw, "OOOOOOOOCds", (char **)kw8, &o[0], &o[1], &o[2], &o[3],
                                                &o[4], &o[5], &o[6], &o[7], &phase2, &delta, &optflags)
                  : PyArg_ParseTupleAndKeywords(args, kw, "OOOOCds", (char **)kw4, &o[0], &o[1], &o[2], &o[3],
                                                &phase2, &delta, &optflags);
  if (!ok || wrap::usable(self) != 0) return nullptr;
  int rows = 0, cols = 0;
  if (wrap::attrib(self, ONDR_ORIGINALROWS, &rows) != 0 || wrap::attrib(self, ONDR_ORIGINALCOLS, &cols) != 0)
    return nullptr;
  // Keyword order: row, row, column, column (then the same for the limits).
  CArray<double> a[8];
  for (int k = 0; k < (bounds ? 8 : 4); ++k)
    if (sized(self, o[k], (k % 4) < 2 ? rows : cols, a[k]) != 0) return done(self, -1);
  ONDRprob h = wrap::P(self)->prob;
  int status = -1;
  int rc = bounds ? ONDRrepairweightedinfeasbounds(h, &status, a[0].get(), a[1].get(), a[2].get(), a[3].get(),
                                                   a[4].get(), a[5].get(), a[6].get(), a[7].get(), phase2, delta,
                                                   optflags)
                  : ONDRrepairweightedinfeas(h, &status, a[0].get(), a[1].get(), a[2].get(), a[3].get(), phase2,
                                             delta, optflags);
  return status_result(self, rc, status);
}

PyObject *ONDR_PY_repairweightedinfeas(PyObject *self, PyObject *args, PyObject *kw) {
  return weighted(self, args, kw, false);
}

PyObject *ONDR_PY_repairweightedinfeasbounds(PyObject *self, PyObject *args, PyObject *kw) {
  return weighted(self, args, kw, true);
}

PyObject *ONDR_PY_refinemipsol(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"options", "flags", "solution", "refined_solution", nullptr};
  int options;
  const char *flags;
  PyObject *sol = nullptr, *out = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "isOO", (char **)kwlist, &options, &flags, &sol, &out)) return nullptr;
  if (wrap::require("Must provide arguments solution and refined_solution", {sol, out}) != 0) return nullptr;
  if (wrap::usable(self) != 0) return nullptr;
  int cols = 0;
  if (wrap::attrib(self, ONDR_ORIGINALCOLS, &cols) != 0) return nullptr;
  int64_t n = -1;
  CArray<double> x, refined;
  if (conv(self, &n, sol, x, CONV_DOUBLE) != 0) return done(self, -1);
  if (n != cols) {
    PyErr_Format(PyExc_RuntimeError, "Mismatched lengths in arguments: expected %d, found %d", cols, (int)n);
    return nullptr;
  }
  if (!refined.alloc((size_t)std::max<int64_t>(n, 1))) return done(self, -1);
  int status = -1;
  int rc = ONDRrefinemipsol(wrap::P(self)->prob, options, flags, x.get(), refined.get(), &status);
  if (rc != 0) return done(self, rc);
  if (conv_arr2obj(self, n, refined.get(), out, CONV_DOUBLE) != 0) return done(self, -1);
  return wrap::result(self, PyLong_FromLong(status));
}

PyObject *ONDR_PY_presolverow(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"qrtype", "mcolso", "dvalo", "drhso", "maxcoeffs", "mcolsp", "dvalp", nullptr};
  char qrtype;
  PyObject *mcolso = nullptr, *dvalo = nullptr, *mcolsp = nullptr, *dvalp = nullptr;
  double drhso;
  int maxcoeffs;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "COOdiOO", (char **)kwlist, &qrtype, &mcolso, &dvalo, &drhso,
                                   &maxcoeffs, &mcolsp, &dvalp))
    return nullptr;
  if (wrap::require("Must provide arguments mcolso, dvalo, mcolsp, dvalp", {mcolso, dvalo, mcolsp, dvalp}) != 0)
    return nullptr;
  if (wrap::usable(self) != 0) return nullptr;
  int cols = 0;
  if (wrap::attrib(self, ONDR_COLS, &cols) != 0) return nullptr;
  int64_t n = -1;
  CArray<int> ci, co;
  CArray<double> vi, vo;
  if (conv(self, &n, mcolso, ci, CONV_COL) != 0 || conv(self, &n, dvalo, vi, CONV_DOUBLE) != 0)
    return done(self, -1);
  int nn = 0;
  if (wrap::as_int(n, &nn) != 0) return nullptr;
  if (maxcoeffs > cols) maxcoeffs = cols;  // the output arrays hold one entry per column
  if (!co.alloc((size_t)std::max(cols, 1)) || !vo.alloc((size_t)std::max(cols, 1))) return done(self, -1);
  int count = 0, status = -1;
  double rhs = 0.0;
  int rc = ONDRpresolverow(wrap::P(self)->prob, qrtype, nn, ci.get(), vi.get(), drhso, maxcoeffs, &count, co.get(),
                           vo.get(), &rhs, &status);
  if (rc != 0) return done(self, rc);
  int64_t m = std::max(0, std::min(count, maxcoeffs));
  if (conv_arr2obj(self, m, co.get(), mcolsp, CONV_INT) != 0 || conv_arr2obj(self, m, vo.get(), dvalp, CONV_DOUBLE) != 0)
    return done(self, -1);
  return wrap::result(self, Py_BuildValue("(di)", rhs, status));
}

PyObject *ONDR_PY_estimaterowdualranges(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowIndices", "iterationLimit", "minDualActivity", "maxDualActivity", nullptr};
  PyObject *rows_obj = nullptr, *lo = nullptr, *up = nullptr;
  int limit;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OiOO", (char **)kwlist, &rows_obj, &limit, &lo, &up)) return nullptr;
  if (wrap::require("Must provide arguments minDualActivity, maxDualActivity", {lo, up}) != 0) return nullptr;
  if (wrap::usable(self) != 0) return nullptr;
  int64_t n = -1;
  CArray<int> rows;
  if (conv(self, &n, rows_obj, rows, CONV_ROW) != 0) return done(self, -1);
  int nn = 0;
  if (wrap::as_int(n, &nn) != 0) return nullptr;
  CArray<double> mn, mx;
  if (!mn.alloc((size_t)std::max(nn, 1)) || !mx.alloc((size_t)std::max(nn, 1))) return done(self, -1);
  int rc = ONDRestimaterowdualranges(wrap::P(self)->prob, nn, rows.get(), limit, mn.get(), mx.get());
  if (rc != 0) return done(self, rc);
  if (conv_arr2obj(self, nn, mn.get(), lo, CONV_DOUBLE) != 0 || conv_arr2obj(self, nn, mx.get(), up, CONV_DOUBLE) != 0)
    return done(self, -1);
  Py_RETURN_NONE;
}

}  // namespace

#define M(name, doc) wrap::kw_method(#name, ONDR_PY_##name, doc)

const PyMethodDef problem_repair_methods[] = {
    M(repairinfeas,
      METHOD_DOC("Repairs an infeasible problem with one penalty per kind of side.",
                 "status = p.repairinfeas(pflags, oflags, gflags, lrp, grp, lbp, ubp, delta)",
                 "pflags: 'c' penalties times violations, 'q' times squared violations, 'n' of the\n"
                 "  violated sides; oflags: 'f' minimum violation only, 'o' then the objective within\n"
                 "  the minimum plus delta; gflags: 'g' keep integers, 'l' repair the relaxation;\n"
                 "  lrp, grp: penalties of the <= and >= sides of rows; lbp, ubp: of lower and upper\n"
                 "  bounds (0: not relaxed); delta: room above the minimum violation for phase 2.",
                 "p.repairinfeas('c', 'o', 'g', 1, 1, 0, 0, 0.0)",
                 "The problem is unchanged; its solution is the repaired one. Status 0 repaired,\n"
                 "  1 no repair within the penalties, 2 phase 2 unbounded, 3 phase 2 unfinished,\n"
                 "  4 stopped by a limit.",
                 "repairweightedinfeas, repairweightedinfeasbounds")),
    M(repairweightedinfeas,
      METHOD_DOC("Repairs an infeasible problem with a penalty per row side and bound.",
                 "status = p.repairweightedinfeas(lrp_array, grp_array, lbp_array, ubp_array, phase2, delta, "
                 "optflags)",
                 "lrp_array, grp_array: one penalty per row (None: not relaxed); lbp_array, ubp_array:\n"
                 "  one per column; phase2: 'f' or 'o' as oflags of repairinfeas; delta: room for\n"
                 "  phase 2; optflags: flags of the solves.",
                 "p.repairweightedinfeas([1, 1], None, None, None, 'o', 0.0, '')",
                 "As repairinfeas with linear penalties.", "repairinfeas, repairweightedinfeasbounds")),
    M(repairweightedinfeasbounds,
      METHOD_DOC("Repairs an infeasible problem with penalties and limits per row side and bound.",
                 "status = p.repairweightedinfeasbounds(lrp_array, grp_array, lbp_array, ubp_array, lrb_array, "
                 "grb_array, lbb_array, ubb_array, phase2, delta, optflags)",
                 "As repairweightedinfeas; lrb_array, grb_array, lbb_array, ubb_array: the largest\n"
                 "  violation of each side (None or 1e20: no limit).",
                 "p.repairweightedinfeasbounds([1, 1], None, None, None, [2, 2], None, None, None, 'f', 0, '')",
                 "Status 1 when the limits allow no repair.", "repairweightedinfeas")),
    M(refinemipsol,
      METHOD_DOC("Refines an integer solution.", "status = p.refinemipsol(options, flags, solution, refined_solution)",
                 "options: 0 or 2 fix the integers and re-solve the LP, then search nearby integer\n"
                 "  values; 1 the LP step only; flags: flags of the solves; solution: one value per\n"
                 "  column; refined_solution: list receiving the refined solution.",
                 "r = []; p.refinemipsol(0, '', x, r)",
                 "Status 0 improved, 1 kept, 2 infeasible input repaired, 3 nothing feasible found.",
                 "mipoptimize, addmipsol")),
    M(presolverow,
      METHOD_DOC("Presolves a row given on the problem's variables.",
                 "(rhs, status) = p.presolverow(qrtype, mcolso, dvalo, drhso, maxcoeffs, mcolsp, dvalp)",
                 "qrtype: 'L', 'G' or 'E'; mcolso, dvalo: the row's variables and coefficients; drhso:\n"
                 "  its right-hand side; maxcoeffs: most entries returned; mcolsp, dvalp: lists\n"
                 "  receiving the presolved row's column indices and coefficients.",
                 "c, v = [], []; p.presolverow('L', [x, y], [1, 2], 3, 10, c, v)",
                 "Status 0 done, 1 redundant, 2 infeasible, 3 uses a column presolve removed.",
                 "getpresolvemap")),
    M(estimaterowdualranges,
      METHOD_DOC("Estimates the range of the duals of rows.",
                 "p.estimaterowdualranges(rowIndices, iterationLimit, minDualActivity, maxDualActivity)",
                 "rowIndices: constraints; iterationLimit: most dual simplex iterations per estimate\n"
                 "  (0: none); minDualActivity, maxDualActivity: lists receiving the bounds.",
                 "lo, up = [], []; p.estimaterowdualranges([c], 100, lo, up)",
                 "The duals met as each right-hand side moves past its ranging interval.", "rhssa")),
    {nullptr, nullptr, 0, nullptr}};
