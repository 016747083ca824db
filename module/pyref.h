// Small RAII owners used throughout the module: an owned Python reference,
// an owned temporary C array from the module allocator, and scoped release
// and re-take of the interpreter lock.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <utility>
#include "module/allocator.h"

class PyRef {
 public:
  PyRef() = default;
  explicit PyRef(PyObject *owned) : p_(owned) {}   // takes over a new reference
  static PyRef borrow(PyObject *p) {
    Py_XINCREF(p);
    return PyRef(p);
  }
  ~PyRef() { Py_XDECREF(p_); }
  PyRef(PyRef &&o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  PyRef &operator=(PyRef &&o) noexcept {
    if (this != &o) {
      Py_XDECREF(p_);
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }
  PyRef(const PyRef &) = delete;
  PyRef &operator=(const PyRef &) = delete;

  PyObject *get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up ownership: the caller now owns the reference.
  PyObject *release() {
    PyObject *p = p_;
    p_ = nullptr;
    return p;
  }
  void reset(PyObject *owned = nullptr) {
    PyObject *old = p_;
    p_ = owned;
    Py_XDECREF(old);
  }

 private:
  PyObject *p_ = nullptr;
};

// A temporary C array taken from the module's default heap, released on
// every exit path. `addr()` is what the conversion functions fill.
template <class T>
class CArray {
 public:
  CArray() = default;
  ~CArray() { ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_DefaultHeap, (void **)&p_); }
  CArray(const CArray &) = delete;
  CArray &operator=(const CArray &) = delete;
  // Allocates room for n elements (at least one byte); false on failure
  // with a MemoryError set.
  bool alloc(size_t n) {
    ol_MemoryAllocator_Free_Untyped(ol_MemoryAllocator_DefaultHeap, (void **)&p_);
    if (ol_MemoryAllocator_Alloc_Untyped(ol_MemoryAllocator_DefaultHeap, n ? n * sizeof(T) : 1,
                                         (void **)&p_) != 0) {
      PyErr_NoMemory();
      return false;
    }
    return true;
  }
  T *get() const { return p_; }
  T **addr() { return &p_; }
  T &operator[](size_t i) const { return p_[i]; }

 private:
  T *p_ = nullptr;
};

// Releases the interpreter lock for the lifetime of the object.
class GilRelease {
 public:
  GilRelease() : s_(PyEval_SaveThread()) {}
  ~GilRelease() { PyEval_RestoreThread(s_); }
  GilRelease(const GilRelease &) = delete;
  GilRelease &operator=(const GilRelease &) = delete;

 private:
  PyThreadState *s_;
};

// Takes the interpreter lock from any thread for the lifetime of the object.
class GilEnsure {
 public:
  GilEnsure() : s_(PyGILState_Ensure()) {}
  ~GilEnsure() { PyGILState_Release(s_); }
  GilEnsure(const GilEnsure &) = delete;
  GilEnsure &operator=(const GilEnsure &) = delete;

 private:
  PyGILState_STATE s_;
};
