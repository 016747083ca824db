// problem.read and problem.write: problem files through the library, and a
// modelling face (new variables, constraints and sets) for what was read.
#include <cstring>
#include <string>
#include <vector>
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/access.h"
#include "problem/binding.h"

namespace {

constexpr int kCols = ONDR_ORIGINALCOLS, kRows = ONDR_ORIGINALROWS, kSets = ONDR_ORIGINALSETS,
              kNameLength = ONDR_NAMELENGTH, kNlpCoefs = OSLP_NLPCOEFS;

// The names of all items of a kind, fetched from the library in blocks of
// 256 as they are asked for in order.
class NameReader {
 public:
  NameReader(ProblemObject *p, ONDRprob src, int kind, int count, int slot)
      : p_(p), src_(src), kind_(kind), count_(count), slot_(slot) {}
  // A new str with the name of item i; null with an error set on failure.
  PyObject *name(int i) {
    if (i % 256 == 0 && fetch(i, std::min(count_, i + 256) - 1) != 0) {
      setOndrErrIfNull((PyObject *)p_, nullptr);
      return nullptr;
    }
    return strFromLib(block_[(size_t)(i % 256)].c_str(), "Name");
  }

 private:
  int fetch(int first, int last) {
    block_.clear();
    std::vector<char> buf((size_t)(last - first + 1) * (size_t)slot_ + 1, 0);
    if (ONDRgetnames(src_, kind_, buf.data(), first, last) != 0) return -1;
    const char *s = buf.data();
    for (int i = first; i <= last; ++i) {
      block_.emplace_back(s);
      s += block_.back().size() + 1;
    }
    return 0;
  }
  ProblemObject *p_;
  ONDRprob src_;
  int kind_, count_, slot_;
  std::vector<std::string> block_;
};

int vartype_of(char c) {
  switch (c) {
    case 'B': return 1;
    case 'I': return 2;
    case 'S': return 3;
    case 'R': return 4;
    case 'P': return 5;
  }
  return 0;
}

int src_int_attrib(ProblemObject *p, ONDRprob src, int id, int *v) {
  if (ONDRgetintattrib(src, id, v) == 0) return 0;
  setOndrErrIfNull((PyObject *)p, nullptr);
  return -1;
}

// True when the last column and row of what was read are a nonlinear
// objective's transfer column and row (as this module writes them): they
// become the problem's transfer again, not objects of the user.
bool read_transfer(ProblemObject *p, ONDRprob src, OSLPprob slp, int ncols, int nrows) {
  if (!slp || ncols < 1 || nrows < 1) return false;
  int namelen = 0, status = 0;
  if (ONDRgetintattrib(src, kNameLength, &namelen) != 0) return false;
  // Names are at most 8 * namelen bytes.
  std::vector<char> col((size_t)namelen * 8 + 1, 0), row((size_t)namelen * 8 + 1, 0);
  if (ONDRgetnames(src, 2, col.data(), ncols - 1, ncols - 1) != 0 ||
      ONDRgetnames(src, 1, row.data(), nrows - 1, nrows - 1) != 0 || OSLPgetrowstatus(slp, nrows - 1, &status) != 0) {
    (void)p;
    return false;
  }
  return strcmp(col.data(), "objtransfercol") == 0 && strcmp(row.data(), "objtransferrow") == 0 && (status & 0x800);
}

// Builds the new containers aside from the library problem `src` (the
// transfer column and row, when `transfer`, left out); the problem's are
// replaced only when all objects were made.
int build_face(ProblemObject *p, ONDRprob src, bool transfer, PyObject *vars, PyObject *varmap, PyObject *cons,
               PyObject *conmap, PyObject *sets, PyObject *sosmap) {
  int ncols = 0, nrows = 0, nsets = 0, namelen = 0;
  if (src_int_attrib(p, src, kCols, &ncols) || src_int_attrib(p, src, kRows, &nrows) ||
      src_int_attrib(p, src, kSets, &nsets) || src_int_attrib(p, src, kNameLength, &namelen))
    return -1;
  if (transfer) --ncols, --nrows;
  const int slot = 8 * namelen + 1;
  NameReader cols(p, src, 2, ncols, slot), rows(p, src, 1, nrows, slot), setnames(p, src, 3, nsets, slot);
  if (ncols > 0) {
    std::vector<double> lb((size_t)ncols), ub((size_t)ncols);
    std::vector<char> types((size_t)ncols);
    if (ONDRgetlb(src, lb.data(), 0, ncols - 1) || ONDRgetub(src, ub.data(), 0, ncols - 1) ||
        ONDRgetcoltype(src, types.data(), 0, ncols - 1))
      return setOndrErrIfNull((PyObject *)p, nullptr), -1;
    for (int v = 0; v < ncols; ++v) {
      PyRef name(cols.name(v));
      PyRef var(name ? var_create(name.get()) : nullptr);
      if (!var) return -1;
      var_set(var.get(), lb[(size_t)v], ub[(size_t)v], vartype_of(types[(size_t)v]));
      if (PyList_Append(vars, var.get()) != 0 || map_store(varmap, var_id(var.get()), v) != 0) {
        PyErr_SetString(PyExc_RuntimeError, "Could not read problem");
        return -1;
      }
    }
  }
  if (nrows > 0) {
    std::vector<double> rhs((size_t)nrows), range((size_t)nrows);
    std::vector<char> types((size_t)nrows);
    if (ONDRgetrhs(src, rhs.data(), 0, nrows - 1) || ONDRgetrhsrange(src, range.data(), 0, nrows - 1) ||
        ONDRgetrowtype(src, types.data(), 0, nrows - 1))
      return setOndrErrIfNull((PyObject *)p, nullptr), -1;
    for (int i = 0; i < nrows; ++i) {
      PyRef name(rows.name(i));
      PyRef con(name ? con_create(name.get()) : nullptr);
      if (!con) return -1;
      double r = rhs[(size_t)i], lo = -1e20, up = 1e20;
      switch (types[(size_t)i]) {
        case 'E': lo = up = r; break;
        case 'G': lo = r; break;
        case 'L': up = r; break;
        case 'R': up = r; lo = r - range[(size_t)i]; break;
        default: break;
      }
      con_set_bounds(con.get(), lo, up);
      if (PyList_Append(cons, con.get()) != 0 || map_store(conmap, con_id(con.get()), i) != 0) {
        PyErr_SetString(PyExc_RuntimeError, "Cannot read constraint from problem");
        return -1;
      }
    }
  }
  for (int i = 0; i < nsets; ++i) {
    PyRef name(setnames.name(i));
    PyRef sos(name ? sos_create(name.get()) : nullptr);
    if (!sos || PyList_Append(sets, sos.get()) != 0 || map_store(sosmap, sos_id(sos.get()), i) != 0) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Cannot read SOS from problem");
      return -1;
    }
  }
  return 0;
}

// A library problem (and nonlinear problem when the layer is on) to read
// into, with the controls of the problem it is for; destroyed at scope end.
struct ReadScratch {
  ONDRprob prob = nullptr;
  OSLPprob slp = nullptr;
  int open(ProblemObject *p) {
    if (ONDRcreateprob(&prob) != 0) {
      prob = nullptr;
      return setOndrErrIfNull(nullptr, nullptr), -1;
    }
    if (p->slpprob && OSLPcreateprob(&slp, &prob) != 0) {
      slp = nullptr;
      return setOndrErrIfNull(nullptr, nullptr), -1;
    }
    if (ONDRcopycontrols(prob, p->prob) != 0 || (slp && OSLPcopycontrols(slp, p->slpprob) != 0))
      return setOndrErrIfNull((PyObject *)p, nullptr), -1;
    return 0;
  }
  ~ReadScratch() {
    if (slp) OSLPdestroyprob(slp);
    if (prob) ONDRdestroyprob(prob);
  }
};

bool has_row_coefs_besides(OSLPprob slp, int row) {
  int n = 0;
  if (OSLPgetcoefs(slp, &n, nullptr, nullptr) != 0 || n <= 0) return false;
  std::vector<int> rows((size_t)n), cols((size_t)n);
  if (OSLPgetcoefs(slp, &n, rows.data(), cols.data()) != 0) return false;
  for (int r : rows)
    if (r != row) return true;
  return false;
}

// The modelling face of a library problem, built aside: new containers and
// the nonlinear bookkeeping that goes with them.
struct Face {
  PyRef vars, varmap, cons, conmap, sets, sosmap;
  bool transfer = false;
  int ncols = 0, nrows = 0;
  bool nonlinear = false;
};

int make_face(ProblemObject *p, ONDRprob src, OSLPprob slp, Face &f) {
  if (src_int_attrib(p, src, kCols, &f.ncols) || src_int_attrib(p, src, kRows, &f.nrows)) return -1;
  f.transfer = read_transfer(p, src, slp, f.ncols, f.nrows);
  f.vars = PyRef(PyList_New(0));
  f.varmap = PyRef(indexmap_new());
  f.cons = PyRef(PyList_New(0));
  f.conmap = PyRef(indexmap_new());
  f.sets = PyRef(PyList_New(0));
  f.sosmap = PyRef(indexmap_new());
  if (!f.vars || !f.varmap || !f.cons || !f.conmap || !f.sets || !f.sosmap) return -1;
  if (build_face(p, src, f.transfer, f.vars.get(), f.varmap.get(), f.cons.get(), f.conmap.get(), f.sets.get(),
                 f.sosmap.get()) != 0)
    return -1;
  int ncoefs = 0;
  if (slp && OSLPgetintattrib(slp, kNlpCoefs, &ncoefs) != 0) return setOndrErrIfNull((PyObject *)p, nullptr), -1;
  // The transfer row's coefficients are the objective's, not a constraint's.
  f.nonlinear = ncoefs > 0 && (!f.transfer || has_row_coefs_besides(slp, f.nrows - 1));
  return 0;
}

void install_face(ProblemObject *p, Face &f) {
  Py_SETREF(p->variables, f.vars.release());
  Py_SETREF(p->varmap, f.varmap.release());
  Py_SETREF(p->constraints, f.cons.release());
  Py_SETREF(p->conmap, f.conmap.release());
  Py_SETREF(p->sets, f.sets.release());
  Py_SETREF(p->sosmap, f.sosmap.release());
  p->nonlinear_objective = f.transfer ? 1 : 0;
  p->obj_transfer_col = f.transfer ? f.ncols - 1 : -1;
  p->obj_transfer_row = f.transfer ? f.nrows - 1 : -1;
  p->nonlinear_count = f.nonlinear ? 1 : 0;
}

PyObject *problem_read(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"filename", "options", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  const char *filename, *options = "";
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s|s", (char **)kwlist, &filename, &options)) return nullptr;
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem (the library was stopped)");
    return nullptr;
  }
  // The file is read into a library problem of its own, with this problem's
  // controls, and its Python objects are made from that one: only when all
  // of it succeeded does it replace this problem's content on both sides.
  ReadScratch tmp;
  if (tmp.open(p) != 0) return nullptr;
  int rc;
  Py_BEGIN_ALLOW_THREADS
  rc = ONDRreadprob(tmp.prob, filename, options);
  if (rc != 0 && tmp.slp) rc = OSLPreadprob(tmp.slp, filename, options);
  Py_END_ALLOW_THREADS
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  Face face;
  if (make_face(p, tmp.prob, tmp.slp, face) != 0) return nullptr;
  // The library copy keeps the first failure free of changes; the nonlinear
  // part follows and replaces the user functions with the file's (none).
  if (ONDRcopyprob(p->prob, tmp.prob, "") != 0 || (tmp.slp && OSLPcopyprob(p->slpprob, tmp.slp, "") != 0))
    return setOndrErrIfNull(self, nullptr), nullptr;
  install_face(p, face);
  Py_CLEAR(p->userfuncs);
  Py_RETURN_NONE;
}

PyObject *problem_write(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"filename", "options", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  const char *filename, *options = "";
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s|s", (char **)kwlist, &filename, &options)) return nullptr;
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem (the library was stopped)");
    return nullptr;
  }
  int rc;
  bool nl = problem_is_nonlinear(p);
  Py_BEGIN_ALLOW_THREADS
  rc = nl ? OSLPwriteprob(p->slpprob, filename, options) : ONDRwriteprob(p->prob, filename, options);
  Py_END_ALLOW_THREADS
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

}  // namespace

int problem_refresh_face(ProblemObject *p) {
  Face face;
  if (make_face(p, p->prob, p->slpprob, face) != 0) return -1;
  install_face(p, face);
  return 0;
}

const PyMethodDef problem_file_methods[] = {
    {"read", (PyCFunction)problem_read, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Reads a problem from a file, replacing the problem's content.", "p.read(filename, options='')",
         "filename: an MPS or LP file; options: option letters for the reader\n  ('l' LP format, 'x' fixed MPS).",
         "p.read('model.mps')",
         "New variables, constraints and sets are made for what the file holds,\n"
         "  named as in the file.",
         "write, getVariable")},
    {"write", (PyCFunction)problem_write, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Writes the problem to a file.", "p.write(filename, options='')",
         "filename: the file; options: option letters for the writer\n  ('l' LP format, 'x' fixed MPS).",
         "p.write('model.lp', 'l')", "The format follows the options, or the file's extension.", "read")},
    {nullptr, nullptr, 0, nullptr}};
