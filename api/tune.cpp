// Low-level methods of the tuner: tune, tunerreadmethod, tunerwritemethod.
#include "api/wrap.h"
#include "module/types.h"
#include "problem/doc.h"

namespace {

PyObject *ONDR_PY_tune(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"flags", nullptr};
  const char *flags = "";
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|s", (char **)kwlist, &flags)) return nullptr;
  if (wrap::usable(self) != 0) return nullptr;
  return wrap::done(self, ONDRtune(wrap::P(self)->prob, flags));
}

// tunerreadmethod (read true) and tunerwritemethod.
PyObject *method_file(PyObject *self, PyObject *args, PyObject *kw, bool read) {
  static const char *kwlist[] = {"methodfile", nullptr};
  const char *file;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)kwlist, &file)) return nullptr;
  if (read ? wrap::usable(self) != 0 : !wrap::P(self)->prob) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem");
    return nullptr;
  }
  ONDRprob h = wrap::P(self)->prob;
  return wrap::done(self, read ? ONDRtunerreadmethod(h, file) : ONDRtunerwritemethod(h, file));
}

PyObject *ONDR_PY_tunerreadmethod(PyObject *self, PyObject *args, PyObject *kw) {
  return method_file(self, args, kw, true);
}

PyObject *ONDR_PY_tunerwritemethod(PyObject *self, PyObject *args, PyObject *kw) {
  return method_file(self, args, kw, false);
}

}  // namespace

#define M(name, doc) wrap::kw_method(#name, ONDR_PY_##name, doc)

const PyMethodDef problem_tune_methods[] = {
    M(tune, METHOD_DOC("Searches for the control settings that solve the problem fastest.", "p.tune(flags='')",
                       "flags: '' the problem's kind, 'l' tune the LP solve, 'g' the MIP search.",
                       "p.controls.tunermaxtime = 30; p.tune()",
                       "Each trial solves a copy; the best settings are left set. Limited by\n"
                       "  tunermaxtime (and tunertrialtime per trial).",
                       "tunerreadmethod, tunerwritemethod")),
    M(tunerreadmethod,
      METHOD_DOC("Reads the controls and values the tuner tries.", "p.tunerreadmethod(methodfile)",
                 "methodfile: a text file, one control per line: its name, then the values to try;\n"
                 "  lines starting with # are comments.",
                 "p.tunerreadmethod('method.txt')", "Replaces the default method.", "tune, tunerwritemethod")),
    M(tunerwritemethod,
      METHOD_DOC("Writes the tuner method in use.", "p.tunerwritemethod(methodfile)",
                 "methodfile: the file to write.", "p.tunerwritemethod('method.txt')",
                 "The default method when none was read.", "tune, tunerreadmethod")),
    {nullptr, nullptr, 0, nullptr}};
