// ondrel.SOS (made by ondrel.sos): a special ordered set of type 1 or 2
// over a list of variables with a list of weights.
#include "model/dispatch.h"
#include <structmember.h>
#include "module/env.h"
#include "module/errors.h"

static PyObject *sos_alloc(PyTypeObject *type) {
  PyObject *self = type->tp_alloc(type, 0);
  if (!self) return nullptr;
  ((SOSObject *)self)->id = ond_py_env.next_sos_id++;
  ((SOSObject *)self)->type = 1;
  return self;
}

static PyObject *sos_tp_new(PyTypeObject *type, PyObject *, PyObject *) { return sos_alloc(type); }

PyObject *sos_base() {
  PyRef s(sos_alloc(&sos_type));
  if (!s) return nullptr;
  SOSObject *set = (SOSObject *)s.get();
  set->name = printable_name(nullptr, "sos", set->id);
  return set->name ? s.release() : nullptr;
}

static int sos_init(PyObject *self, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"indices", "weights", "type", "name", nullptr};
  PyObject *indices, *weights, *type = nullptr, *name = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, kw, "OO|OO", (char **)kwlist, &indices, &weights, &type, &name))
    return -1;
  SOSObject *s = (SOSObject *)self;
  long settype = 1;
  if (type && type != Py_None) {
    settype = isObjInt(type) ? PyLong_AsLong(type) : 0;
    PyErr_Clear();
    if (settype != 1 && settype != 2) {
      modelError("SOS type must be 1 or 2");
      return -1;
    }
  }
  if (!PyList_Check(weights)) {
    modelError("SOS weights must be passed as a list");
    return -1;
  }
  if (!PyList_Check(indices)) {
    modelError("SOS indices must be passed as a list");
    return -1;
  }
  PyObject *newname = name && name != Py_None ? newRef(name) : printable_name(nullptr, "sos", s->id);
  if (!newname) return -1;
  Py_XSETREF(s->name, newname);
  Py_XSETREF(s->indices, newRef(indices));
  Py_XSETREF(s->weights, newRef(weights));
  s->type = (int32_t)settype;
  return 0;
}

static PyObject *sos_name(SOSObject *s) { return printable_name(s->name, "sos", s->id); }

static PyObject *sos_str(PyObject *self) { return sos_name((SOSObject *)self); }

static PyObject *sos_copy(PyObject *self, PyObject *) {
  SOSObject *src = (SOSObject *)self;
  PyRef copy(sos_alloc(&sos_type));
  PyRef oldname(sos_name(src));
  if (copy && oldname && src->indices && src->weights) {
    SOSObject *s = (SOSObject *)copy.get();
    s->type = src->type;
    s->indices = PyList_GetSlice(src->indices, 0, PY_SSIZE_T_MAX);
    s->weights = PyList_GetSlice(src->weights, 0, PY_SSIZE_T_MAX);
    s->name = PyUnicode_FromFormat("sos%lld_copy_%S", (long long)src->id, oldname.get());
    if (s->indices && s->weights && s->name) return copy.release();
  }
  return modelError("Could not get a copy of a SOS");
}

static void sos_dealloc(PyObject *self) {
  PyObject_GC_UnTrack(self);
  SOSObject *s = (SOSObject *)self;
  Py_CLEAR(s->name);
  Py_CLEAR(s->indices);
  Py_CLEAR(s->weights);
  Py_TYPE(self)->tp_free(self);
}

static int sos_traverse(PyObject *self, visitproc visit, void *arg) {
  SOSObject *s = (SOSObject *)self;
  Py_VISIT(s->name);
  Py_VISIT(s->indices);
  Py_VISIT(s->weights);
  return 0;
}

static int sos_clear(PyObject *self) {
  SOSObject *s = (SOSObject *)self;
  Py_CLEAR(s->name);
  Py_CLEAR(s->indices);
  Py_CLEAR(s->weights);
  return 0;
}

static PyMemberDef sos_members[] = {
    {"name", T_OBJECT, offsetof(SOSObject, name), 0, "SOS's name"},
    {nullptr, 0, 0, 0, nullptr}};

static PyMethodDef sos_methods[] = {
    {"copy", sos_copy, METH_NOARGS, "Return a copy of the SOS as a new object"},
    {nullptr, nullptr, 0, nullptr}};

PyTypeObject sos_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.SOS"};

void sos_type_setup() {
  sos_type.tp_basicsize = sizeof(SOSObject);
  sos_type.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  sos_type.tp_doc =
      "Special ordered set: sos(indices, weights, type=1, name=None), a list of variables\n"
      "with a list of weights, of type 1 (at most one nonzero) or 2 (at most two\n"
      "adjacent nonzeros).";
  sos_type.tp_new = sos_tp_new;
  sos_type.tp_init = sos_init;
  sos_type.tp_dealloc = sos_dealloc;
  sos_type.tp_traverse = sos_traverse;
  sos_type.tp_clear = sos_clear;
  sos_type.tp_str = sos_str;
  sos_type.tp_repr = sos_str;
  sos_type.tp_members = sos_members;
  sos_type.tp_methods = sos_methods;
}
