// Low-level methods for solution, basis and snapshot files: writesol,
// writeslxsol, writeprtsol, writebinsol, readslxsol, readbinsol,
// writebasis, readbasis, save and restore. All but save share one shape:
// a file (or problem) name and a flags string, passed straight to the
// library. All are refused while another thread solves the problem: the
// readers change it, the writers read what the solve writes.
#include "module/errors.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/problem.h"

namespace {

using FileCall = int (*)(ONDRprob, const char *, const char *);

enum FileKind {
  NAMED,      // (filename, flags='')
  OPTIONAL,   // (filename='', flags=''), writebasis
  RESTORE,    // (probname, flags=''), replaces the whole problem
};

int require_prob(ProblemObject *p) {
  if (p->prob) return 0;
  PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem (the library was stopped)");
  return -1;
}

template <FileCall Call, FileKind Kind>
PyObject *file_method(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *names[] = {"filename", "flags", nullptr};
  static const char *restore_names[] = {"probname", "flags", nullptr};
  ProblemObject *p = (ProblemObject *)self;
  const char *name = "", *flags = "";
  if (!PyArg_ParseTupleAndKeywords(args, kw, Kind == OPTIONAL ? "|ss" : "s|s",
                                   (char **)(Kind == RESTORE ? restore_names : names), &name, &flags))
    return nullptr;
  if (require_prob(p) != 0) return nullptr;
  if (problem_check_idle(p) != 0) return nullptr;
  if (Call(p->prob, name, flags) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  // The library problem was replaced: the variables, constraints and sets
  // of the problem are made anew for what it now holds.
  if (Kind == RESTORE && problem_refresh_face(p) != 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_save(PyObject *self, PyObject *, PyObject *) {
  ProblemObject *p = (ProblemObject *)self;
  if (require_prob(p) != 0 || problem_check_idle(p) != 0) return nullptr;
  if (ONDRsave(p->prob) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

#define FILE_METHOD(name, call, kind, purpose, synopsis, args, example, info, related)                 \
  {                                                                                                      \
    name, (PyCFunction)(void (*)())file_method<call, kind>, METH_VARARGS | METH_KEYWORDS,                \
        METHOD_DOC(purpose, synopsis, args, example, info, related)                                      \
  }

#define SOLUTION_FLAGS "flags: 'l' the LP solution, 'm' the MIP solution (default: the MIP\n  solution when there is one)"

}  // namespace

const PyMethodDef problem_solfile_methods[] = {
    FILE_METHOD("writesol", ONDRwritesol, NAMED, "Writes the solution as a listing for programs to read.",
                "p.writesol(filename, flags='')",
                "filename: the file to write;\n  " SOLUTION_FLAGS ",\n  'c' columns only, 'r' rows only.",
                "p.writesol('model.sol')",
                "One line per column (value, reduced cost, bounds) and per row (activity,\n"
                "  slack, dual, bounds); numbers with full precision.",
                "writeprtsol, writeslxsol, writebinsol"),
    FILE_METHOD("writeslxsol", ONDRwriteslxsol, NAMED, "Writes the solution as a text file of names and values.",
                "p.writeslxsol(filename, flags='')", "filename: the file to write;\n  " SOLUTION_FLAGS
                ",\n  'd' duals and reduced costs too.",
                "p.writeslxsol('model.slx')", "readslxsol reads the file back into a problem.",
                "readslxsol, writesol"),
    FILE_METHOD("writeprtsol", ONDRwriteprtsol, NAMED, "Writes a solution report for people to read.",
                "p.writeprtsol(filename, flags='')",
                "filename: the file to write;\n  " SOLUTION_FLAGS ",\n  'c' columns only, 'r' rows only.",
                "p.writeprtsol('model.prt')", "Statuses in words and aligned tables of columns and rows.",
                "writesol"),
    FILE_METHOD("writebinsol", ONDRwritebinsol, NAMED, "Writes the results of the last solve as a binary file.",
                "p.writebinsol(filename, flags='')", "filename: the file to write; flags: none.",
                "p.writebinsol('model.bsol')", "readbinsol restores the results bit for bit.",
                "readbinsol"),
    FILE_METHOD("readslxsol", ONDRreadslxsol, NAMED, "Loads a solution from a file of names and values.",
                "p.readslxsol(filename, flags='')",
                "filename: a file written by writeslxsol; flags: 'a' skips names the\n  problem does not have.",
                "p.readslxsol('model.slx')",
                "The values become the problem's current solution (columns not listed\n"
                "  are 0); the LP status then reads unfinished.",
                "writeslxsol, getSolution"),
    FILE_METHOD("readbinsol", ONDRreadbinsol, NAMED, "Restores the results of a solve from a binary file.",
                "p.readbinsol(filename, flags='')", "filename: a file written by writebinsol; flags: none.",
                "p.readbinsol('model.bsol')",
                "The file must be of a problem with as many rows and columns.", "writebinsol"),
    FILE_METHOD("writebasis", ONDRwritebasis, OPTIONAL, "Writes the basis the next LP solve starts from.",
                "p.writebasis(filename='', flags='')",
                "filename: the file to write (default: the problem's name with .bss);\n  flags: none.",
                "p.writebasis('model.bss')", "Statuses 0-3 of every column and row, by name.",
                "readbasis"),
    FILE_METHOD("readbasis", ONDRreadbasis, NAMED, "Reads a basis for the next LP solve to start from.",
                "p.readbasis(filename, flags='')", "filename: a file written by writebasis; flags: none.",
                "p.readbasis('model.bss')",
                "The basis of an optimal LP read back re-solves it without iterations.", "writebasis"),
    {"save", (PyCFunction)(void (*)())ONDR_PY_save, METH_VARARGS | METH_KEYWORDS,
     METHOD_DOC("Saves the whole problem in a snapshot file.", "p.save()", "None.", "p.save()",
                "The file is the problem's name with .svf, in the working folder; it\n"
                "  holds the model, names, controls, basis and results.",
                "restore")},
    FILE_METHOD("restore", ONDRrestore, RESTORE, "Replaces the problem by a snapshot saved with save.",
                "p.restore(probname, flags='')",
                "probname: the name the problem was saved under (the file is probname.svf);\n  flags: none.",
                "p.restore('model')",
                "New variables, constraints and sets are made for the restored problem;\n"
                "  its attributes and solution read as they did when it was saved.",
                "save"),
    {nullptr, nullptr, 0, nullptr}};
