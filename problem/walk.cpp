#include "problem/walk.h"
#include "module/errors.h"
#include "module/pyref.h"

static const char kBadItem[] =
    "Incorrect (nested) array/list/sequence passed. Perhaps this is a NumPy array containing a tuple?";

int walkNestedObjects(PyObject *problem, PyObject *obj, const std::function<int(PyObject *)> &visit,
                      int depth) {
  if (depth < 0) {
    PyErr_SetString(PyExc_RuntimeError, "Maximum recursion (inclusion) level reached");
    return -1;
  }
  if (PyTuple_Check(obj) || PyList_Check(obj)) {
    // Index each time: a visit may not shrink the container under us.
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(obj); ++i) {
      PyRef item = PyRef::borrow(PySequence_Fast_GET_ITEM(obj, i));
      if (walkNestedObjects(problem, item.get(), visit, depth - 1) != 0) return -1;
    }
    return 0;
  }
  if (PyUnicode_Check(obj) || PyBytes_Check(obj)) return visit(obj);
  if (PySequence_Check(obj) && !PyDict_Check(obj)) {
    Py_ssize_t n = PySequence_Size(obj);
    if (n < 0) {
      // An unsized "sequence" (such as a 0-d NumPy array) is a leaf; any
      // other failure of its length is the caller's and propagates.
      if (!PyErr_ExceptionMatches(PyExc_TypeError)) return -1;
      PyErr_Clear();
      return visit(obj);
    }
    for (Py_ssize_t i = 0; i < n; ++i) {
      PyRef item(PySequence_GetItem(obj, i));
      if (!item) return raiseUnlessPending(kBadItem);
      if (walkNestedObjects(problem, item.get(), visit, depth - 1) != 0) return -1;
    }
    return 0;
  }
  if (PyDict_Check(obj)) {
    PyRef values(PyDict_Values(obj));
    if (!values) return -1;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(values.get()); ++i)
      if (walkNestedObjects(problem, PyList_GET_ITEM(values.get(), i), visit, depth - 1) != 0) return -1;
    return 0;
  }
  if (PyIter_Check(obj)) {
    PyRef it(PyObject_GetIter(obj));
    if (!it) return raiseUnlessPending("Invalid iterator on objects");
    while (PyRef item{PyIter_Next(it.get())})
      if (walkNestedObjects(problem, item.get(), visit, depth - 1) != 0) return -1;
    return PyErr_Occurred() ? -1 : 0;
  }
  return visit(obj);
}
