// Simple low-level methods that pass scalars and strings straight to the
// library: getIndexFromName, copycontrols, setprobname, setlogfile,
// setmessagestatus, getmessagestatus, setdefaults, dumpcontrols and the
// pair getattribinfo / getcontrolinfo.
#include "module/errors.h"
#include "module/types.h"
#include "problem/doc.h"
#include "problem/problem.h"

namespace {

// The problem's library handle, or null with a RuntimeError.
ONDRprob handle(PyObject *self) {
  ProblemObject *p = (ProblemObject *)self;
  if (!p->prob) PyErr_SetString(PyExc_RuntimeError, "The problem has no library problem (the library was stopped)");
  return p->prob;
}

PyObject *done(PyObject *self, int rc) {
  if (rc != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  Py_RETURN_NONE;
}

PyObject *ONDR_PY_getIndexFromName(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"type", "name", nullptr};
  int type;
  const char *name;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "is", (char **)kwlist, &type, &name)) return nullptr;
  ONDRprob h = handle(self);
  int index = -1;
  if (!h) return nullptr;
  if (ONDRgetindex(h, type, name, &index) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  return PyLong_FromLong(index);
}

PyObject *ONDR_PY_copycontrols(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"src", nullptr};
  PyObject *src;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &src)) return nullptr;
  if (!PyObject_TypeCheck(src, &problem_type)) {
    PyErr_SetString(PyExc_RuntimeError, "A problem must be passed for copying controls");
    return nullptr;
  }
  ONDRprob h = handle(self), s = handle(src);
  if (!h || !s) return nullptr;
  if (problem_check_idle((ProblemObject *)self) != 0) return nullptr;
  return done(self, ONDRcopycontrols(h, s));
}

// Methods of one string argument.
using StrCall = int (*)(ONDRprob, const char *);
template <StrCall Call>
PyObject *str_method(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *probname[] = {"probname", nullptr}, *filename[] = {"filename", nullptr};
  const char *value;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)(Call == ONDRsetprobname ? probname : filename), &value))
    return nullptr;
  ONDRprob h = handle(self);
  if (!h) return nullptr;
  if (Call == ONDRsetprobname && problem_check_idle((ProblemObject *)self) != 0) return nullptr;
  return done(self, Call(h, value));
}

// Methods without arguments: any given are ignored.
using NoArgCall = int (*)(ONDRprob);
template <NoArgCall Call>
PyObject *noarg_method(PyObject *self, PyObject *, PyObject *) {
  ONDRprob h = handle(self);
  if (!h) return nullptr;
  if (Call == ONDRsetdefaults && problem_check_idle((ProblemObject *)self) != 0) return nullptr;
  return done(self, Call(h));
}

PyObject *ONDR_PY_setmessagestatus(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"errcode", "status", nullptr};
  int code, status;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "ii", (char **)kwlist, &code, &status)) return nullptr;
  ONDRprob h = handle(self);
  if (!h) return nullptr;
  return done(self, ONDRsetmessagestatus(h, code, status));
}

PyObject *ONDR_PY_getmessagestatus(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"errcode", nullptr};
  int code, status = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "i", (char **)kwlist, &code)) return nullptr;
  ONDRprob h = handle(self);
  if (!h) return nullptr;
  if (ONDRgetmessagestatus(h, code, &status) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  return PyLong_FromLong(status);
}

// The pair getattribinfo (selector 0) / getcontrolinfo (selector 1).
using InfoCall = int (*)(ONDRprob, const char *, int *, int *);
constexpr InfoCall kInfoCalls[] = {ONDRgetattribinfo, ONDRgetcontrolinfo};

template <int Selector>
PyObject *info_method(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"name", nullptr};
  const char *name;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "s", (char **)kwlist, &name)) return nullptr;
  ONDRprob h = handle(self);
  if (!h) return nullptr;
  int id = 0, type = 0;
  if (kInfoCalls[Selector](h, name, &id, &type) != 0) return setOndrErrIfNull(self, nullptr), nullptr;
  return Py_BuildValue("(ii)", id, type);
}

#define KW_METHOD(name, fn, purpose, synopsis, args, example, info, related) \
  { name, (PyCFunction)(void (*)())fn, METH_VARARGS | METH_KEYWORDS, METHOD_DOC(purpose, synopsis, args, example, info, related) }

#define INFO_DOC(kind, other)                                                                               \
  METHOD_DOC("Gives the id and type of " kind " by name.", "p.get" kind "info(name)",                       \
             "name: the " kind "'s name (any case).", "p.get" kind "info('lpstatus')",                      \
             "Returns (id, type): type 1 integer, 3 double, 4 string; (0, 0) when there\n"                  \
             "  is no " kind " of that name.",                                                              \
             other)

}  // namespace

const PyMethodDef problem_simple_methods[] = {
    KW_METHOD("getIndexFromName", ONDR_PY_getIndexFromName, "Gives the index of a row or column by name.",
              "p.getIndexFromName(type, name)", "type: 1 rows, 2 columns; name: the name.",
              "p.getIndexFromName(2, 'x')", "Fails when no row or column has the name.", "getIndex"),
    KW_METHOD("copycontrols", ONDR_PY_copycontrols, "Copies the control values of another problem.",
              "p.copycontrols(src)", "src: an ondrel.problem.", "p.copycontrols(q)",
              "Every control of p takes the value it has in src.", "setdefaults, setControl"),
    KW_METHOD("setprobname", str_method<ONDRsetprobname>, "Renames the problem.", "p.setprobname(probname)",
              "probname: the new name.", "p.setprobname('blend')",
              "The name is used by files written under the problem's name (save).", "save, name"),
    KW_METHOD("setlogfile", str_method<ONDRsetlogfile>, "Sends the problem's messages to a log file too.",
              "p.setlogfile(filename)", "filename: the file the messages are appended to;\n  '' stops logging.",
              "p.setlogfile('solve.log')", "Messages keep going to the screen as the outputlog control says.",
              "setmessagestatus, addcbmessage"),
    KW_METHOD("setmessagestatus", ONDR_PY_setmessagestatus, "Switches a numbered message on or off.",
              "p.setmessagestatus(errcode, status)", "errcode: the message number; status: 0 off, 1 on.",
              "p.setmessagestatus(1101, 0)", "A message switched off reaches neither the log nor the callbacks.",
              "getmessagestatus"),
    KW_METHOD("getmessagestatus", ONDR_PY_getmessagestatus, "Tells whether a numbered message is on.",
              "p.getmessagestatus(errcode)", "errcode: the message number.", "p.getmessagestatus(1101)",
              "Returns 1 (on, the default) or 0 (off).", "setmessagestatus"),
    KW_METHOD("setdefaults", noarg_method<ONDRsetdefaults>, "Sets every control back to its default.",
              "p.setdefaults()", "None (arguments given are ignored).", "p.setdefaults()",
              "Module-level control values are not applied again.", "setdefaultcontrol, copycontrols"),
    KW_METHOD("dumpcontrols", noarg_method<ONDRdumpcontrols>, "Prints every control and its value.",
              "p.dumpcontrols()", "None (arguments given are ignored).", "p.dumpcontrols()",
              "One line 'NAME = value' per control on standard output.", "getControl"),
    {"getattribinfo", (PyCFunction)(void (*)())info_method<0>, METH_VARARGS | METH_KEYWORDS,
     INFO_DOC("attrib", "getcontrolinfo, getAttrib")},
    {"getcontrolinfo", (PyCFunction)(void (*)())info_method<1>, METH_VARARGS | METH_KEYWORDS,
     INFO_DOC("control", "getattribinfo, getControl")},
    {nullptr, nullptr, 0, nullptr}};
