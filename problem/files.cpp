// problem.read and problem.write: problem files through the library, and a
// modelling face (new variables, constraints and sets) for what was read.
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
  NameReader(ProblemObject *p, int kind, int count, int slot) : p_(p), kind_(kind), count_(count), slot_(slot) {}
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
    if (ONDRgetnames(p_->prob, kind_, buf.data(), first, last) != 0) return -1;
    const char *s = buf.data();
    for (int i = first; i <= last; ++i) {
      block_.emplace_back(s);
      s += block_.back().size() + 1;
    }
    return 0;
  }
  ProblemObject *p_;
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

// Builds the new containers aside; the problem's are replaced only when all
// objects were made.
int build_face(ProblemObject *p, PyObject *vars, PyObject *varmap, PyObject *cons, PyObject *conmap,
               PyObject *sets, PyObject *sosmap) {
  int ncols = 0, nrows = 0, nsets = 0, namelen = 0;
  if (prob_int_attrib(p, kCols, &ncols) || prob_int_attrib(p, kRows, &nrows) || prob_int_attrib(p, kSets, &nsets) ||
      prob_int_attrib(p, kNameLength, &namelen))
    return -1;
  const int slot = 8 * namelen + 1;
  NameReader cols(p, 2, ncols, slot), rows(p, 1, nrows, slot), setnames(p, 3, nsets, slot);
  if (ncols > 0) {
    std::vector<double> lb((size_t)ncols), ub((size_t)ncols);
    std::vector<char> types((size_t)ncols);
    if (ONDRgetlb(p->prob, lb.data(), 0, ncols - 1) || ONDRgetub(p->prob, ub.data(), 0, ncols - 1) ||
        ONDRgetcoltype(p->prob, types.data(), 0, ncols - 1))
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
    if (ONDRgetrhs(p->prob, rhs.data(), 0, nrows - 1) || ONDRgetrhsrange(p->prob, range.data(), 0, nrows - 1) ||
        ONDRgetrowtype(p->prob, types.data(), 0, nrows - 1))
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

PyObject *problem_read(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"filename", "options", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  const char *filename, *options = "";
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s|s", (char **)kwlist, &filename, &options)) return nullptr;
  if (!p->prob) {
    PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem (the library was stopped)");
    return nullptr;
  }
  int rc;
  Py_BEGIN_ALLOW_THREADS
  rc = ONDRreadprob(p->prob, filename, options);
  if (rc != 0 && p->slpprob) rc = OSLPreadprob(p->slpprob, filename, options);
  Py_END_ALLOW_THREADS
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  // The file replaced the whole problem: everything bound to the old one goes.
  PyRef vars(PyList_New(0)), varmap(PyDict_New()), cons(PyList_New(0)), conmap(PyDict_New()), sets(PyList_New(0)),
      sosmap(PyDict_New());
  if (!vars || !varmap || !cons || !conmap || !sets || !sosmap) return nullptr;
  if (build_face(p, vars.get(), varmap.get(), cons.get(), conmap.get(), sets.get(), sosmap.get()) != 0) return nullptr;
  Py_SETREF(p->variables, vars.release());
  Py_SETREF(p->varmap, varmap.release());
  Py_SETREF(p->constraints, cons.release());
  Py_SETREF(p->conmap, conmap.release());
  Py_SETREF(p->sets, sets.release());
  Py_SETREF(p->sosmap, sosmap.release());
  p->nonlinear_objective = 0;
  p->obj_transfer_col = p->obj_transfer_row = -1;
  int ncoefs = 0;
  p->nonlinear_count = (p->slpprob && OSLPgetintattrib(p->slpprob, kNlpCoefs, &ncoefs) == 0 && ncoefs > 0) ? 1 : 0;
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
