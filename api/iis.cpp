// Irreducible infeasible sets: the search (iisfirst, iisnext, iisall), its
// summary (iisstatus), the data of one set (getiisdata), isolations,
// writing a set and discarding them all.
#include "api/wrap.h"
#include "module/types.h"
#include "problem/doc.h"

using namespace wrap;

namespace {

// The status of a search call, as an int.
PyObject *status_result(PyObject *self, int rc, int status) {
  if (rc != 0) return done(self, rc);
  return PyLong_FromLong(status);
}

PyObject *iisfirst(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"iismode", nullptr};
  int mode = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i", (char **)kwlist, &mode)) return nullptr;
  if (usable(self) != 0) return nullptr;
  int status = 0;
  int rc = ONDRiisfirst(P(self)->prob, mode, &status);
  return status_result(self, rc, status);
}

PyObject *iisnext(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "", (char **)kwlist)) return nullptr;
  if (usable(self) != 0) return nullptr;
  int status = 0;
  int rc = ONDRiisnext(P(self)->prob, &status);
  return status_result(self, rc, status);
}

// Methods without arguments that return None.
template <int (*F)(ONDRprob)>
PyObject *no_args(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "", (char **)kwlist)) return nullptr;
  if (usable(self) != 0) return nullptr;
  return done(self, F(P(self)->prob));
}

PyObject *iisisolations(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"num", nullptr};
  int num = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i", (char **)kwlist, &num)) return nullptr;
  if (usable(self) != 0) return nullptr;
  return done(self, ONDRiisisolations(P(self)->prob, num));
}

PyObject *iiswrite(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"num", "fn", "type", "typeflags", nullptr};
  int num = 0, type = 0;
  const char *fn = nullptr, *flags = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "isis", (char **)kwlist, &num, &fn, &type, &flags))
    return nullptr;
  if (usable(self) != 0) return nullptr;
  return done(self, ONDRiiswrite(P(self)->prob, num, fn, type, flags));
}

PyObject *iisstatus(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"rowsizes", "colsizes", "suminfeas", "numinfeas", nullptr};
  PyObject *o[4] = {nullptr, nullptr, nullptr, nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOO", (char **)kwlist, &o[0], &o[1], &o[2], &o[3]))
    return nullptr;
  if (usable(self) != 0) return nullptr;
  ONDRprob prob = P(self)->prob;
  int count = 0;
  if (ONDRiisstatus(prob, &count, nullptr, nullptr, nullptr, nullptr) != 0) return done(self, 1);
  if (count == 0) Py_RETURN_NONE;
  CArray<int> rows, cols, num;
  CArray<double> sum;
  size_t n = (size_t)count + 1;
  if ((!absent(o[0]) && !rows.alloc(n)) || (!absent(o[1]) && !cols.alloc(n)) ||
      (!absent(o[2]) && !sum.alloc(n)) || (!absent(o[3]) && !num.alloc(n)))
    return nullptr;
  if (ONDRiisstatus(prob, &count, rows.get(), cols.get(), sum.get(), num.get()) != 0)
    return done(self, 1);
  if (conv_arr2obj(self, count, rows.get(), o[0], CONV_INT) != 0 ||
      conv_arr2obj(self, count, cols.get(), o[1], CONV_INT) != 0 ||
      conv_arr2obj(self, count, sum.get(), o[2], CONV_DOUBLE) != 0 ||
      conv_arr2obj(self, count, num.get(), o[3], CONV_INT) != 0)
    return result(self, nullptr);
  return PyLong_FromLong(count - 1);
}

PyObject *getiisdata(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"num", "miisrow", "miiscol", "constrainttype", "colbndtype",
                                 "duals", "rdcs", "isolationrows", "isolationcols", nullptr};
  int num = 0;
  PyObject *o[8] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i|OOOOOOOO", (char **)kwlist, &num, &o[0], &o[1],
                                   &o[2], &o[3], &o[4], &o[5], &o[6], &o[7]))
    return nullptr;
  if (usable(self) != 0) return nullptr;
  ONDRprob prob = P(self)->prob;
  int rows = 0, cols = 0;
  if (ONDRgetiisdata(prob, num, &rows, &cols, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr) != 0)
    return done(self, 1);
  if (rows == 0 && cols == 0) Py_RETURN_NONE;
  CArray<int> mrow, mcol;
  CArray<char> ctype, btype, isor, isoc;
  CArray<double> duals, rdcs;
  auto want = [&](int k) { return !absent(o[k]); };
  size_t r = (size_t)rows, c = (size_t)cols;
  if ((want(0) && !mrow.alloc(r)) || (want(1) && !mcol.alloc(c)) || (want(2) && !ctype.alloc(r)) ||
      (want(3) && !btype.alloc(c)) || (want(4) && !duals.alloc(r)) || (want(5) && !rdcs.alloc(c)) ||
      (want(6) && !isor.alloc(r)) || (want(7) && !isoc.alloc(c)))
    return nullptr;
  if (ONDRgetiisdata(prob, num, &rows, &cols, mrow.get(), mcol.get(), ctype.get(), btype.get(),
                     duals.get(), rdcs.get(), isor.get(), isoc.get()) != 0)
    return done(self, 1);
  if (conv_arr2obj(self, rows, mrow.get(), o[0], CONV_ROW) != 0 ||
      conv_arr2obj(self, cols, mcol.get(), o[1], CONV_COL) != 0 ||
      conv_arr2obj(self, rows, ctype.get(), o[2], CONV_CHAR) != 0 ||
      conv_arr2obj(self, cols, btype.get(), o[3], CONV_CHAR) != 0 ||
      conv_arr2obj(self, rows, duals.get(), o[4], CONV_DOUBLE) != 0 ||
      conv_arr2obj(self, cols, rdcs.get(), o[5], CONV_DOUBLE) != 0 ||
      conv_arr2obj(self, rows, isor.get(), o[6], CONV_BYTE) != 0 ||
      conv_arr2obj(self, cols, isoc.get(), o[7], CONV_BYTE) != 0)
    return result(self, nullptr);
  Py_RETURN_NONE;
}

}  // namespace

const PyMethodDef problem_iis_methods[] = {
    kw_method("iisfirst", iisfirst,
              METHOD_DOC("Starts a search for irreducible infeasible subsystems (IIS).",
                         "status = p.iisfirst(iismode)",
                         "iismode: 1 finds an IIS; 0 only the initial infeasible subsystem.",
                         "p.solve(); p.iisfirst(1)",
                         "Needs a problem its last solve found infeasible. Status 0: found;\n"
                         "  1: none; 2: stopped by a limit.",
                         "iisnext, iisall, getiisdata, iisstatus")),
    kw_method("iisnext", iisnext,
              METHOD_DOC("Finds another IIS, different from those found.", "status = p.iisnext()", "none",
                         "while p.iisnext() == 0: pass",
                         "Status 0: found; 1: every IIS has been found; 2: stopped by a limit.",
                         "iisfirst, iisall")),
    kw_method("iisall", no_args<ONDRiisall>,
              METHOD_DOC("Finds every IIS.", "p.iisall()", "none", "p.iisall(); p.iisstatus(r, c, s, n)",
                         "At most the IISMAXCOUNT control's number when it is positive.",
                         "iisfirst, iisnext, iisstatus")),
    kw_method("iisclear", no_args<ONDRiisclear>,
              METHOD_DOC("Discards every IIS found.", "p.iisclear()", "none", "p.iisclear()",
                         "A change of the problem or a new solve discards them too.", "iisfirst")),
    kw_method("iisisolations", iisisolations,
              METHOD_DOC("Finds the isolations of an IIS.", "p.iisisolations(num)",
                         "num: the number of the IIS (0 the initial subsystem).", "p.iisisolations(1)",
                         "A member is an isolation when dropping it alone makes the problem\n"
                         "  feasible; getiisdata reports the flags.",
                         "getiisdata")),
    kw_method("iiswrite", iiswrite,
              METHOD_DOC("Writes an IIS to a file.", "p.iiswrite(num, fn, type, typeflags)",
                         "num: the number of the IIS; fn: file name; type: 0 a problem file,\n"
                         "  1 a CSV table; typeflags: as for write ('l' LP, 'x' fixed MPS).",
                         "p.iiswrite(1, 'iis.lp', 0, 'l')",
                         "The problem file holds only the IIS, so it is itself infeasible.", "write")),
    kw_method("iisstatus", iisstatus,
              METHOD_DOC("Summarises the IIS found.", "n = p.iisstatus(rowsizes, colsizes, suminfeas, numinfeas)",
                         "Lists (or None) receiving, per set, its rows, columns, the least total\n"
                         "  violation and the number of members violated then.",
                         "r, c, s, v = [], [], [], []; p.iisstatus(r, c, s, v)",
                         "Entry 0 is the initial infeasible subsystem; returns the number of IIS,\n"
                         "  None before any search.",
                         "getiisdata")),
    kw_method("getiisdata", getiisdata,
              METHOD_DOC("Reads one IIS.",
                         "p.getiisdata(num, miisrow, miiscol, constrainttype, colbndtype, duals, rdcs,\n"
                         "             isolationrows, isolationcols)",
                         "num: the IIS; lists (or None) receiving its constraints and variables,\n"
                         "  row types ('L', 'G', 'E', 'R'), bound types ('L', 'U', 'F', 'R'), the\n"
                         "  Farkas multipliers of rows and columns, and isolation flags.",
                         "rows, cols = [], []; p.getiisdata(1, rows, cols)",
                         "Isolation flags read -1 until iisisolations computes them.",
                         "iisstatus, iisisolations")),
    {nullptr, nullptr, 0, nullptr}};
