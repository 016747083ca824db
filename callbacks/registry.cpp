#include "callbacks/registry.h"

int problem_copy_callbacks(ProblemObject *dst, ProblemObject *src) {
  for (int i = 0; i < kCallbackKinds; ++i) {
    if (!src->callbacks[i]) continue;
    PyObject *l = PyList_GetSlice(src->callbacks[i], 0, PyList_GET_SIZE(src->callbacks[i]));
    if (!l) return -1;
    Py_XSETREF(dst->callbacks[i], l);
  }
  return 0;
}

void problem_clear_callbacks(ProblemObject *p) {
  for (int i = 0; i < kCallbackKinds; ++i) Py_CLEAR(p->callbacks[i]);
}
