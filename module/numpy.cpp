#define ONDREL_NUMPY_IMPORT
#include "module/numpy.h"
#include "module/types.h"
#include <cstring>
#include "module/allocator.h"
#include "module/convert.h"
#include "module/pyref.h"

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

// ---- NumPy arrays as conversion input ----

namespace {

int count_check(int64_t *count, npy_intp len) {
  if (count) {
    if (*count >= 0 && *count != len) {
      PyErr_Format(PyExc_RuntimeError, "Mismatched lengths in arguments: expected %d, found %d", (int)*count,
                   (int)len);
      return -1;
    }
    *count = len;
  }
  return 0;
}

void *alloc_elems(npy_intp len, size_t es) {
  void *p = nullptr;
  if (ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_DefaultHeap, len ? (size_t)len * es : 1, &p) != 0) {
    PyErr_NoMemory();
    return nullptr;
  }
  return p;
}

// A C-contiguous, aligned, native-order copy or view of `arr` as `type`;
// `force` allows casts that lose information (integers to double).
PyArrayObject *as_carray(PyArrayObject *arr, int type, bool force) {
  if (PyArray_TYPE(arr) == type && PyArray_ISCARRAY_RO(arr) && PyArray_ISNOTSWAPPED(arr)) {
    Py_INCREF(arr);
    return arr;
  }
  return (PyArrayObject *)PyArray_FromAny((PyObject *)arr, PyArray_DescrFromType(type), 1, 1,
                                          NPY_ARRAY_CARRAY_RO | (force ? NPY_ARRAY_FORCECAST : 0), nullptr);
}

bool is_index_code(int code) {
  return code == CONV_ROW || code == CONV_COL || code == CONV_SET || code == CONV_INT || code == CONV_INT64;
}

}  // namespace

int numpy_obj2arr(PyObject *obj, int64_t *count, void **out, int code) {
  if (!ONDREL_OPT_ARRAY_API || !PyArray_Check(obj)) return 1;
  PyArrayObject *arr = (PyArrayObject *)obj;
  if (PyArray_NDIM(arr) != 1) {
    PyErr_SetString(PyExc_RuntimeError, "Invalid sequence of objects");
    return -1;
  }
  const char kind = PyArray_DESCR(arr)->kind;
  const npy_intp len = PyArray_DIM(arr, 0);
  const bool numeric = kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f';
  if (code == CONV_DOUBLE && numeric) {
    PyArrayObject *c = as_carray(arr, NPY_DOUBLE, true);
    if (!c) return -1;
    PyRef owner((PyObject *)c);
    if (count_check(count, len) != 0 || !(*out = alloc_elems(len, sizeof(double)))) return -1;
    if (len) memcpy(*out, PyArray_DATA(c), (size_t)len * sizeof(double));
    return 0;
  }
  if ((code == CONV_INT || code == CONV_INT64) && kind == 'f') {
    PyErr_Format(PyExc_RuntimeError, "Integer expected, found an array of %R", (PyObject *)PyArray_DESCR(arr));
    return -1;
  }
  if (is_index_code(code) && code != CONV_INT64 && PyArray_TYPE(arr) == NPY_INT32 && PyArray_ISCARRAY_RO(arr) &&
      PyArray_ISNOTSWAPPED(arr)) {
    if (count_check(count, len) != 0 || !(*out = alloc_elems(len, sizeof(int)))) return -1;
    if (len) memcpy(*out, PyArray_DATA(arr), (size_t)len * sizeof(int));
    return 0;
  }
  if (is_index_code(code) && (kind == 'i' || kind == 'u')) {
    // Safe casting only: an unsigned 64-bit array is refused, not wrapped.
    PyArrayObject *c = as_carray(arr, NPY_INT64, false);
    if (!c) return -1;
    PyRef owner((PyObject *)c);
    const int64_t *src = (const int64_t *)PyArray_DATA(c);
    if (code == CONV_INT64) {
      if (count_check(count, len) != 0 || !(*out = alloc_elems(len, sizeof(int64_t)))) return -1;
      if (len) memcpy(*out, src, (size_t)len * sizeof(int64_t));
      return 0;
    }
    static const char *what[] = {"Row index", "Column index", "Set index", "Integer value"};
    for (npy_intp i = 0; i < len; ++i)
      if (src[i] < INT32_MIN || src[i] > INT32_MAX) {
        PyErr_Format(PyExc_OverflowError, "%s %lld is out of range (%d to %d)", what[code], (long long)src[i],
                     INT32_MIN, INT32_MAX);
        return -1;
      }
    if (count_check(count, len) != 0 || !(*out = alloc_elems(len, sizeof(int)))) return -1;
    int *dst = (int *)*out;
    for (npy_intp i = 0; i < len; ++i) dst[i] = (int)src[i];
    return 0;
  }
  if (code == CONV_CHAR && (kind == 'U' || kind == 'S')) {
    const npy_intp width = PyArray_ITEMSIZE(arr) / (kind == 'U' ? 4 : 1);
    // Longer strings (the element rule gives the error), other byte order.
    if (width != 1 || !PyArray_ISNOTSWAPPED(arr)) return 1;
    if (count_check(count, len) != 0 || !(*out = alloc_elems(len, 1))) return -1;
    char *dst = (char *)*out;
    for (npy_intp i = 0; i < len; ++i) {
      const char *item = (const char *)PyArray_GETPTR1(arr, i);
      uint32_t ch = 0;
      if (kind == 'S') ch = (unsigned char)item[0];
      else memcpy(&ch, item, 4);  // UCS4 in native order
      if (ch == 0) {
        // An empty string is no single character.
        ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_DefaultHeap, out);
        PyErr_SetString(PyExc_TypeError, "expected a string of length 1, got ''");
        return -1;
      }
      dst[i] = (char)(ch & 0xff);
    }
    return 0;
  }
  return 1;  // object arrays and other kinds: element by element
}
