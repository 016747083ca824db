// The callback methods of ondrel.problem: addcb<kind> and removecb<kind>
// for the optimizer kinds, setcb<kind> for the nonlinear ones, generated
// from the kind table, and copycallbacks.
#include <string>
#include <utility>
#include <vector>
#include "callbacks/kinds.h"
#include "callbacks/registry.h"
#include "callbacks/trampoline.h"
#include "module/pyref.h"
#include "module/types.h"

namespace {

PyObject *add_impl(PyObject *self, PyObject *args, PyObject *kw, int kind) {
  static const char *kwlist[] = {"callback", "data", "priority", nullptr};
  PyObject *callable = nullptr, *data = Py_None;
  long priority = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O|Ol", (char **)kwlist, &callable, &data, &priority) ||
      !PyCallable_Check(callable)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_TypeError, "Cannot add callback");
    return nullptr;
  }
  // Through the problem object of a callback, the registering problem gets
  // the record: the temporary object lives for that call only.
  ProblemObject *p = callbacks_owner((ProblemObject *)self);
  if (callbackInList(p, kind, callable, data, (int)priority) != 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *remove_impl(PyObject *self, PyObject *args, PyObject *kw, int kind) {
  static const char *kwlist[] = {"callback", "data", nullptr};
  PyObject *callable = nullptr, *data = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "|OO", (char **)kwlist, &callable, &data) ||
      (callable && callable != Py_None && !PyCallable_Check(callable))) {
    PyErr_Clear();
    PyErr_SetString(PyExc_TypeError, "Cannot remove callback");
    return nullptr;
  }
  ProblemObject *p = callbacks_owner((ProblemObject *)self);
  if (removeCallback(p, &p->callbacks[kind], callable, data, kind) != 0) return nullptr;
  Py_RETURN_NONE;
}

template <int K>
PyObject *add_method(PyObject *self, PyObject *args, PyObject *kw) {
  return add_impl(self, args, kw, K);
}
template <int K>
PyObject *remove_method(PyObject *self, PyObject *args, PyObject *kw) {
  return remove_impl(self, args, kw, K);
}

PyObject *ONDR_PY_copycallbacks(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"src", nullptr};
  PyObject *src = nullptr;
  ProblemObject *dst = callbacks_owner((ProblemObject *)self);
  if (!PyArg_ParseTupleAndKeywords(args, kw, "O", (char **)kwlist, &src) ||
      !PyObject_TypeCheck(src, &problem_type) || !dst->prob || !((ProblemObject *)src)->prob) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "copycallbacks() must be called with the source problem as argument");
    return nullptr;
  }
  if (problem_copy_callbacks(dst, callbacks_owner((ProblemObject *)src)) != 0) return nullptr;
  Py_RETURN_NONE;
}

struct Generated {
  std::vector<std::string> texts;  // names and docs the table points into
  std::vector<PyMethodDef> defs;
};

std::string doc_of(const std::string &method, const char *kind, bool remove, bool nonlinear) {
  std::string d = "Purpose:\n  ";
  d += remove ? std::string("Removes ") + kind + " callbacks from the problem.\n\n"
              : std::string(nonlinear ? "Sets" : "Adds") + " a " + kind + " callback of the problem.\n\n";
  d += "Synopsis:\n  p." + method + (remove ? "(callback=None, data=None)" : "(callback, data=None, priority=0)") +
       "\n\nArguments:\n";
  d += remove ? "  callback: the function to remove, or None for any.\n  data: the data it was added with, or None "
                "for any.\n\n"
              : "  callback: a function called as callback(problem, data, ...).\n  data: any object, passed back "
                "to the function (None if absent).\n  priority: the order among callbacks of the kind.\n\n";
  d += "Example:\n  p." + method + (remove ? "(f)" : "(f, mydata)") + "\n\n";
  d += "Further information:\n  ";
  d += remove ? "Records are matched by identity; with no argument every one is removed.\n\n"
              : "The function receives the problem being solved and the data; its result\n  is used as the kind "
                "defines.\n\n";
  d += "Related topics:\n  copycallbacks";
  return d;
}

template <size_t... I>
Generated build(std::index_sequence<I...>) {
  Generated g;
  PyCFunction adds[] = {(PyCFunction)(void (*)(void))add_method<(int)I>...};
  PyCFunction removes[] = {(PyCFunction)(void (*)(void))remove_method<(int)I>...};
  g.texts.reserve(4 * kCallbackKinds);
  for (int k = 0; k < kCallbackKinds; ++k) {
    const CallbackKind &kind = kCallbackKindTable[k];
    std::string add = std::string(kind.nonlinear ? "setcb" : "addcb") + kind.name;
    g.texts.push_back(add);
    g.texts.push_back(doc_of(add, kind.name, false, kind.nonlinear));
    if (!kind.nonlinear) {
      std::string rm = std::string("removecb") + kind.name;
      g.texts.push_back(rm);
      g.texts.push_back(doc_of(rm, kind.name, true, false));
    }
  }
  size_t t = 0;
  for (int k = 0; k < kCallbackKinds; ++k) {
    const char *name = g.texts[t++].c_str(), *doc = g.texts[t++].c_str();
    g.defs.push_back({name, adds[k], METH_VARARGS | METH_KEYWORDS, doc});
    if (!kCallbackKindTable[k].nonlinear) {
      name = g.texts[t++].c_str();
      doc = g.texts[t++].c_str();
      g.defs.push_back({name, removes[k], METH_VARARGS | METH_KEYWORDS, doc});
    }
  }
  g.defs.push_back({"copycallbacks", (PyCFunction)(void (*)(void))ONDR_PY_copycallbacks,
                    METH_VARARGS | METH_KEYWORDS,
                    "Purpose:\n  Adds the callbacks of another problem to this one.\n\n"
                    "Synopsis:\n  p.copycallbacks(src)\n\n"
                    "Arguments:\n  src: the problem whose callbacks are copied.\n\n"
                    "Example:\n  p2.copycallbacks(p1)\n\n"
                    "Further information:\n  The same functions and data are registered again, after those p "
                    "already has.\n\n"
                    "Related topics:\n  copy"});
  g.defs.push_back({nullptr, nullptr, 0, nullptr});
  return g;
}

}  // namespace

const PyMethodDef *callback_methods() {
  static Generated g = build(std::make_index_sequence<kCallbackKinds>());
  return g.defs.data();
}
