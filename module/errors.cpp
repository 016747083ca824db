#include <cstdarg>
#include "module/errors.h"
#include <cstring>
#include "engine/include/oslp.h"
#include "module/allocator.h"
#include "module/env.h"
#include "module/pyref.h"
#include "module/types.h"
#include "problem/problem.h"

static bool raise_text(const char *buf) {
  if (buf[0] == '\0') return false;
  PyErr_SetString(PyExc_RuntimeError, buf);
  return true;
}

void setOndrErrIfNull(PyObject *owner, PyObject *result) {
  if (result != nullptr) return;
  if (PyErr_Occurred()) return;
  char buf[512];
  if (owner && PyObject_TypeCheck(owner, &problem_type)) {
    ProblemObject *p = (ProblemObject *)owner;
    memset(buf, 0, sizeof buf);
    if (p->prob && ONDRgetlasterror(p->prob, buf) == 0 && raise_text(buf)) return;
    if (ond_py_env.slp_state != 0) {
      int code = 0;
      memset(buf, 0, sizeof buf);
      if (OSLPgetlasterror(p->slpprob, &code, buf) == 0 && raise_text(buf)) return;
    }
  } else if (owner && branchobj_lasterror(owner, buf, sizeof buf)) {
    if (raise_text(buf)) return;
  }
  memset(buf, 0, sizeof buf);
  if (ONDR_ge_getlasterror(nullptr, buf, 512, nullptr) != 0) {
    PyErr_SetString(PyExc_RuntimeError,
                    owner ? "Problem in Ondrel API reporting" : "Problem accessing Ondrel environment");
    return;
  }
  if (!raise_text(buf)) PyErr_SetString(PyExc_RuntimeError, "Unable to terminate API call");
}

bool isObjInt(PyObject *obj) {
  if (PyLong_Check(obj)) return true;
  return numpy_is_int_scalar(obj);
}

char *pyStrToStr(PyObject *obj) {
  const char *src;
  Py_ssize_t len;
  PyRef enc;
  if (PyUnicode_Check(obj)) {
    enc.reset(PyUnicode_AsUTF8String(obj));
    if (!enc) return nullptr;
    src = PyBytes_AS_STRING(enc.get());
    len = PyBytes_GET_SIZE(enc.get());
  } else if (PyBytes_Check(obj)) {
    src = PyBytes_AS_STRING(obj);
    len = PyBytes_GET_SIZE(obj);
  } else {
    return nullptr;
  }
  void *out = nullptr;
  if (ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_DefaultHeap, (size_t)len + 1, &out) != 0)
    return nullptr;
  memcpy(out, src, (size_t)len);
  ((char *)out)[len] = '\0';
  return (char *)out;
}

PyObject *strFromLib(const char *text, const char *what) {
  const size_t len = text ? strlen(text) : 0;
  PyObject *s = PyUnicode_DecodeUTF8(text ? text : "", (Py_ssize_t)len, nullptr);
  if (s || !PyErr_ExceptionMatches(PyExc_UnicodeDecodeError)) return s;
  PyErr_Clear();
  PyRef raw(PyBytes_FromStringAndSize(text, (Py_ssize_t)len));
  if (!raw) return nullptr;
  PyErr_Format(PyExc_ValueError, "%s %R from the library is not valid UTF-8", what, raw.get());
  return nullptr;
}

Py_ssize_t pyStrLen(PyObject *obj) {
  if (PyUnicode_Check(obj)) {
    PyRef enc(PyUnicode_AsUTF8String(obj));
    if (!enc) {
      PyErr_Clear();
      return -1;
    }
    return PyBytes_GET_SIZE(enc.get());
  }
  if (PyBytes_Check(obj)) return PyBytes_GET_SIZE(obj);
  return 0;
}

int raiseUnlessPending(const char *msg, ...) {
  if (PyErr_Occurred()) return -1;
  va_list ap;
  va_start(ap, msg);
  PyErr_FormatV(PyExc_RuntimeError, msg, ap);
  va_end(ap);
  return -1;
}
