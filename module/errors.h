// The error step shared by every Python-facing function, and basic helpers.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>

// When `result` is null and no exception is pending, raise RuntimeError with
// the library's last error text for `owner` (an ondrel.problem, an
// ondrel.branchobj, or null for module-level calls).
void setOndrErrIfNull(PyObject *owner, PyObject *result);

// True for a Python int (bool included) or a NumPy C-int/C-long scalar.
bool isObjInt(PyObject *obj);
// A new NUL-terminated copy (module allocator) of an ASCII str or bytes;
// null when neither, not ASCII (error pending) or out of memory.
char *pyStrToStr(PyObject *obj);
// Byte length of an ASCII str (-1 if not ASCII) or bytes; 0 otherwise.
Py_ssize_t pyStrLen(PyObject *obj);
