// Objects handed to callbacks: branching objects, cut-pool cuts, wrapped
// library objects and opaque handles. Branching objects are made by the
// library's callbacks (creating one directly from Python is refused); the
// handle holders made from Python hold no handle.
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

int refuse_init(PyObject *self, PyObject *, PyObject *) {
  PyErr_Format(PyExc_RuntimeError, "%s objects are created by the solver during callbacks only",
               Py_TYPE(self)->tp_name);
  return -1;
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
  t->tp_init = refuse_init;
  t->tp_doc = doc;
}
}  // namespace

PyTypeObject branchobj_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.branchobj"};
PyTypeObject poolcut_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.poolcut"};
PyTypeObject ondrobject_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.ondrobject"};
PyTypeObject generic_type = {PyVarObject_HEAD_INIT(nullptr, 0) "ondrel.generic"};

void callback_types_setup() {
  setup(&branchobj_type, "Branching object: a user-defined branching of the search, made in a branching callback.");
  setup(&poolcut_type, "Cut of the cut pool, as handed to and from callbacks.");
  setup(&ondrobject_type, "Solver library object handed to a message handler.");
  setup(&generic_type, "Generic object used within callback functions");
  poolcut_type.tp_init = null_init;
  ondrobject_type.tp_init = null_init;
  generic_type.tp_init = null_init;
}

// Branching objects carry no library handle of their own yet, so they never
// hold an error text.
bool branchobj_lasterror(PyObject *, char *, size_t) { return false; }

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

PyObject *branchobj_wrap(ONDRbranchobject bo, PyObject *problem) {
  PyObject *o = handle_object_new(&branchobj_type, bo);
  if (!o) return nullptr;
  Py_XINCREF(problem);
  ((HandleObject *)o)->problem = problem;
  return o;
}

void branchobj_detach(PyObject *obj) {
  if (!obj || !PyObject_TypeCheck(obj, &branchobj_type)) return;
  HandleObject *h = (HandleObject *)obj;
  h->handle = nullptr;
  Py_CLEAR(h->problem);
}
