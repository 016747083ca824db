// Controls and attributes as Python objects (ondrel.control, ondrel.attribute).
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>

struct ControlObject {
  PyObject_HEAD
  PyObject *problem;   // the owning ondrel.problem (a counted reference), or null
  PyObject *dict;      // a problem's: the shared table; module level: name -> default
  int bound;           // 1 when made for a problem (problem may be cleared by the collector)
};
using AttributeObject = ControlObject;

// Build both name tables (and the module-level defaults) from the library.
int ctrl_attr_fill_typeobj(int flag);
PyObject *ctrl_base(PyObject *problem);
PyObject *attr_base(PyObject *problem);
PyObject *ctrl_copy(PyObject *obj);
PyObject *attr_copy(PyObject *obj);
// Set one control of a problem: 0, or nonzero with an exception set.
int problem_setControl_single(PyObject *problem, int id, int type, int layer, PyObject *value);
PyObject *problem_getInfo_single(PyObject *problem, int id, int type, int is_control, int layer);
int check_setCtrl(int type, PyObject *value);
