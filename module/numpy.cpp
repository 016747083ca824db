#define ONDREL_NUMPY_IMPORT
#include "module/numpy.h"
#include "module/types.h"

int numpy_bind(void) {
  if (PyArray_ImportNumPyAPI() < 0) {
    if (!PyErr_Occurred())
      PyErr_SetString(PyExc_ImportError, "numpy.core.multiarray failed to import");
    return -1;
  }
  if (_import_umath() < 0) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_ImportError, "numpy.core.umath failed to import");
    return -1;
  }
  return 0;
}

bool numpy_is_int_scalar(PyObject *obj) {
  if (!ONDREL_OPT_ARRAY_API) return false;
  return PyObject_TypeCheck(obj, &PyIntArrType_Type) || PyObject_TypeCheck(obj, &PyLongArrType_Type);
}
