// Methods for what the tree search takes from the problem besides its
// model: branching directives (and their files), rows kept out of the node
// LPs until violated, and secure rows and columns.
#include <algorithm>
#include "api/wrap.h"
#include "problem/doc.h"

using namespace wrap;

namespace {

// loaddirs (selector 0) and loadpresolvedirs (selector 1).
template <int Presolved>
PyObject *load_dirs(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mcols", "mpri", "qbr", "dupc", "ddpc", nullptr};
  PyObject *mcols = nullptr, *mpri = nullptr, *qbr = nullptr, *dupc = nullptr, *ddpc = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|OOOO", (char **)kwlist, &mcols, &mpri, &qbr, &dupc, &ddpc))
    return nullptr;
  if (usable(self) != 0) return nullptr;
  CArray<int> cols, pri;
  CArray<char> dir;
  CArray<double> up, down;
  int64_t n = -1;
  if (conv(self, &n, mcols, cols, CONV_COL) != 0 || conv(self, &n, mpri, pri, CONV_INT) != 0 ||
      conv(self, &n, qbr, dir, CONV_CHAR) != 0 || conv(self, &n, dupc, up, CONV_DOUBLE) != 0 ||
      conv(self, &n, ddpc, down, CONV_DOUBLE) != 0)
    return done(self, -1);
  int cnt = 0;
  if (as_int(n, &cnt) != 0) return nullptr;
  // Without any array the count stays -1 and the library refuses it.
  if (n < 0) cnt = -1;
  auto f = Presolved ? ONDRloadpresolvedirs : ONDRloaddirs;
  return done(self, f(P(self)->prob, cnt, cols.get(), pri.get(), dir.get(), up.get(), down.get()));
}

PyObject *ONDR_PY_loadbranchdirs(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mcols", "mbranch", nullptr};
  PyObject *mcols = nullptr, *mbranch = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|O", (char **)kwlist, &mcols, &mbranch)) return nullptr;
  if (require("Must provide argument mcols", {mcols}) != 0 || usable(self) != 0) return nullptr;
  CArray<int> cols, br;
  int64_t n = -1;
  int cnt = 0;
  if (conv(self, &n, mcols, cols, CONV_COL) != 0 || conv(self, &n, mbranch, br, CONV_INT) != 0 ||
      as_int(n, &cnt) != 0)
    return done(self, -1);
  return done(self, ONDRloadbranchdirs(P(self)->prob, cnt, cols.get(), br.get()));
}

// loaddelayedrows and loadmodelcuts.
template <int ModelCuts>
PyObject *load_rows(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mrows", nullptr};
  PyObject *mrows = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &mrows)) return nullptr;
  if (require(ModelCuts ? "Must provide argument" : "Must provide argument mrows", {mrows}) != 0 ||
      usable(self) != 0)
    return nullptr;
  CArray<int> rows;
  int64_t n = -1;
  int cnt = 0;
  if (conv(self, &n, mrows, rows, CONV_ROW) != 0 || as_int(n, &cnt) != 0) return done(self, -1);
  auto f = ModelCuts ? ONDRloadmodelcuts : ONDRloaddelayedrows;
  return done(self, f(P(self)->prob, cnt, rows.get()));
}

PyObject *ONDR_PY_loadsecurevecs(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mrow", "mcol", nullptr};
  PyObject *mrow = nullptr, *mcol = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO", (char **)kwlist, &mrow, &mcol)) return nullptr;
  if (usable(self) != 0) return nullptr;
  CArray<int> rows, cols;
  int64_t nr = -1, nc = -1;
  if (conv_own(self, &nr, mrow, rows, CONV_ROW) != 0 || conv_own(self, &nc, mcol, cols, CONV_COL) != 0)
    return done(self, -1);
  int r = 0, c = 0;
  if (as_int(nr, &r) != 0 || as_int(nc, &c) != 0) return nullptr;
  return done(self, ONDRloadsecurevecs(P(self)->prob, nr < 0 ? -1 : r, nc < 0 ? -1 : c, rows.get(), cols.get()));
}

PyObject *ONDR_PY_getdirs(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"mcols", "mpri", "qbr", "dupc", "ddpc", nullptr};
  PyObject *mcols = nullptr, *mpri = nullptr, *qbr = nullptr, *dupc = nullptr, *ddpc = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OOOOO", (char **)kwlist, &mcols, &mpri, &qbr, &dupc, &ddpc))
    return nullptr;
  if (usable(self) != 0) return nullptr;
  ONDRprob prob = P(self)->prob;
  int n = 0;
  if (ONDRgetdirs(prob, &n, nullptr, nullptr, nullptr, nullptr, nullptr) != 0) return done(self, -1);
  if (n == 0) Py_RETURN_NONE;
  for (PyObject *o : {mcols, mpri, qbr, dupc, ddpc})
    if (!PyList_Check(o)) {
      PyErr_SetString(PyExc_RuntimeError, "Must provide arguments (as lists) to getdirs");
      return nullptr;
    }
  CArray<int> cols, pri;
  CArray<char> dir;
  CArray<double> up, down;
  if (!cols.alloc((size_t)n) || !pri.alloc((size_t)n) || !dir.alloc((size_t)n) || !up.alloc((size_t)n) ||
      !down.alloc((size_t)n))
    return nullptr;
  if (ONDRgetdirs(prob, &n, cols.get(), pri.get(), dir.get(), up.get(), down.get()) != 0) return done(self, -1);
  int rc = conv_arr2obj(self, n, cols.get(), mcols, CONV_COL) != 0 ||
                   conv_arr2obj(self, n, pri.get(), mpri, CONV_INT) != 0 ||
                   conv_arr2obj(self, n, dir.get(), qbr, CONV_CHAR) != 0 ||
                   conv_arr2obj(self, n, up.get(), dupc, CONV_DOUBLE) != 0 ||
                   conv_arr2obj(self, n, down.get(), ddpc, CONV_DOUBLE) != 0
               ? -1
               : 0;
  return done(self, rc);
}

// readdirs and writedirs.
template <int Write>
PyObject *dir_file(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"filename", nullptr};
  const char *fn = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)kwlist, &fn)) return nullptr;
  if (usable(self) != 0) return nullptr;
  return done(self, Write ? ONDRwritedirs(P(self)->prob, fn) : ONDRreaddirs(P(self)->prob, fn));
}

#define DIR_DOC(purpose, synopsis, args, example, info) \
  METHOD_DOC(purpose, synopsis, args, example, info, "loaddirs, getdirs, readdirs, writedirs")

}  // namespace

const PyMethodDef *problem_directive_methods() {
  static std::vector<PyMethodDef> table;
  if (!table.empty()) return table.data();
  table = {
      kw_method("loaddirs", load_dirs<0>,
                DIR_DOC("Gives columns branching directives.", "p.loaddirs(mcols, mpri=None, qbr=None, dupc=None, ddpc=None)",
                        "mcols: integer-type columns; mpri: priorities (smaller branches first);\n"
                        "  qbr: 'U' up branch first, 'D' down first, 'N' the search's choice;\n"
                        "  dupc, ddpc: up and down pseudocosts.",
                        "p.loaddirs([x, y], [1, 2])", "Used by the library's tree search.")),
      kw_method("loadpresolvedirs", load_dirs<1>,
                DIR_DOC("Gives columns of the presolved problem branching directives.",
                        "p.loadpresolvedirs(mcols, mpri=None, qbr=None, dupc=None, ddpc=None)",
                        "as loaddirs.", "p.loadpresolvedirs([0, 1], [1, 2])",
                        "The tree search branches on the original columns.")),
      kw_method("loadbranchdirs", ONDR_PY_loadbranchdirs,
                DIR_DOC("Sets the branch taken first for columns.", "p.loadbranchdirs(mcols, mbranch=None)",
                        "mcols: columns; mbranch: 0 down first, 1 up first, -1 the search's choice\n"
                        "  (None: up first).",
                        "p.loadbranchdirs([x], [0])", "A directive's direction.")),
      kw_method("loaddelayedrows", load_rows<0>,
                DIR_DOC("Marks rows as delayed rows.", "p.loaddelayedrows(mrows)",
                        "mrows: the rows, left out of the node LPs until a node solution or a\n"
                        "  candidate violates them.",
                        "p.loaddelayedrows([c1, c2])", "An empty list clears the marks.")),
      kw_method("loadmodelcuts", load_rows<1>,
                DIR_DOC("Marks rows as model cuts.", "p.loadmodelcuts(mrows)",
                        "mrows: the rows, left out of the node LPs until violated.", "p.loadmodelcuts([c1])",
                        "An empty list clears the marks.")),
      kw_method("loadsecurevecs", ONDR_PY_loadsecurevecs,
                DIR_DOC("Marks rows and columns no reduction may remove.", "p.loadsecurevecs(mrow, mcol)",
                        "mrow: rows, mcol: columns; None leaves that list as it is.", "p.loadsecurevecs([c1], None)",
                        "")),
      kw_method("getdirs", ONDR_PY_getdirs,
                DIR_DOC("Reads the branching directives.", "p.getdirs(mcols, mpri, qbr, dupc, ddpc)",
                        "lists for the columns, priorities, directions and pseudocosts.",
                        "p.getdirs(c, pr, d, u, l)", "Returns None; the lists stay as they are without directives.")),
      kw_method("readdirs", dir_file<0>,
                DIR_DOC("Reads branching directives from a file.", "p.readdirs(filename)",
                        "filename: lines 'column priority U|D|N up-pseudocost down-pseudocost'.",
                        "p.readdirs('p.dir')", "Replaces every directive.")),
      kw_method("writedirs", dir_file<1>,
                DIR_DOC("Writes the branching directives to a file.", "p.writedirs(filename)",
                        "filename: the file, read back by readdirs.", "p.writedirs('p.dir')", "")),
      {nullptr, nullptr, 0, nullptr},
  };
  return table.data();
}
