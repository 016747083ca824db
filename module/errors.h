// The error step shared by every Python-facing function, and basic helpers.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>

// When `result` is null and no exception is pending, raise RuntimeError with
// the library's last error text for `owner` (an ondrel.problem, an
// ondrel.branchobj, or null for module-level calls).
void setOndrErrIfNull(PyObject *owner, PyObject *result);

// Raise RuntimeError `msg` (printf-style) unless an exception is already
// pending: an error raised by the caller's own objects (KeyboardInterrupt
// from a generator, an exception of __index__ or __float__) propagates as it
// is. Returns -1.
int raiseUnlessPending(const char *msg, ...);

// True for a Python int (bool included) or a NumPy C-int/C-long scalar.
bool isObjInt(PyObject *obj);
// A new NUL-terminated copy (module allocator) of a str (UTF-8) or bytes;
// null when neither, not encodable (error pending) or out of memory.
char *pyStrToStr(PyObject *obj);
// A str from a NUL-terminated UTF-8 text of the library; null with a
// ValueError naming `what` when the bytes are not valid UTF-8.
PyObject *strFromLib(const char *text, const char *what);
// Byte length of a str in UTF-8 (-1 if not encodable) or bytes; 0 otherwise.
Py_ssize_t pyStrLen(PyObject *obj);
