// Objects handed to callbacks: cut-pool cuts, wrapped library objects and
// opaque handles (branching objects: branchobj.cpp). The library's callbacks
// make them holding a handle; those made from Python hold none, which the
// library refuses wherever a handle is needed.
#include <cstring>
#include "module/types.h"
#include "callbacks/kinds.h"

namespace {
struct HandleObject {
  PyObject_HEAD
  void *handle;
  PyObject *problem;
};

void handle_dealloc(PyObject *self) {
  Py_XDECREF(((HandleObject *)self)->problem);
  Py_TYPE(self)->tp_free(self);
}

// A handle holder made from Python holds no handle; the library refuses
// it wherever a handle is needed.
int null_init(PyObject *self, PyObject *, PyObject *) {
  ((HandleObject *)self)->handle = nullptr;
  return 0;
}

void setup(PyTypeObject *t, const char *doc) {
  t->tp_basicsize = sizeof(HandleObject);
  t->tp_dealloc = handle_dealloc;
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_init = null_init;
  t->tp_doc = doc;
}
}  // namespace

PyTypeObject poolcut_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.poolcut"};
PyTypeObject ondrobject_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.ondrobject"};
PyTypeObject generic_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.generic"};

void callback_types_setup() {
  setup(&poolcut_type, "Cut of the cut pool, as handed to and from callbacks.");
  setup(&ondrobject_type, "Solver library object handed to a message handler.");
  setup(&generic_type, "Generic object used within callback functions");
}

PyObject *handle_object_new(PyTypeObject *type, void *handle) {
  HandleObject *o = (HandleObject *)type->tp_alloc(type, 0);
  if (!o) return nullptr;
  o->handle = handle;
  o->problem = nullptr;
  return (PyObject *)o;
}

void *handle_object_get(PyObject *obj, PyTypeObject *type) {
  if (!obj || !PyObject_TypeCheck(obj, type)) return nullptr;
  return ((HandleObject *)obj)->handle;
}
