#include "callbacks/registry.h"
#include <string>
#include <utility>
#include <vector>
#include "callbacks/kinds.h"
#include "callbacks/trampoline.h"
#include "module/env.h"
#include "module/errors.h"
#include "module/pyref.h"
#include "module/types.h"

namespace {

std::vector<PyObject *> g_deferred;  // records the library may still be calling

void drain_deferred() {
  if (callbacks_running() || problems_any_solving()) return;
  std::vector<PyObject *> old;
  old.swap(g_deferred);
  for (PyObject *r : old) Py_DECREF(r);
}

// A new record. Item 0 refers to the problem without owning it, so the list
// is kept away from the cyclic collector, which would count that reference.
PyObject *make_record(ProblemObject *p, PyObject *callable, PyObject *data, int priority) {
  PyRef prio(PyLong_FromLong(priority));
  PyObject *rec = prio ? PyList_New(4) : nullptr;
  if (!rec) return nullptr;
  PyObject_GC_UnTrack(rec);
  PyList_SET_ITEM(rec, 0, (PyObject *)p);
  Py_INCREF(callable);
  PyList_SET_ITEM(rec, 1, callable);
  Py_INCREF(data);
  PyList_SET_ITEM(rec, 2, data);
  PyList_SET_ITEM(rec, 3, prio.release());
  return rec;
}

// Replaces the not-owned back-reference by None.
void unlink_record(PyObject *rec) {
  if (PyList_Check(rec) && PyList_GET_SIZE(rec) > 0 && PyList_GET_ITEM(rec, 0) != Py_None &&
      PyObject_TypeCheck(PyList_GET_ITEM(rec, 0), &problem_type)) {
    Py_INCREF(Py_None);
    PyList_SET_ITEM(rec, 0, Py_None);
  }
}

int remove_from_list(PyObject *list, PyObject *rec) {
  for (Py_ssize_t i = PyList_GET_SIZE(list) - 1; i >= 0; --i)
    if (PyList_GET_ITEM(list, i) == rec) return PySequence_DelItem(list, i);
  return 0;
}

}  // namespace

void release_record(PyObject *record) {
  if (callbacks_running() || problems_any_solving()) {
    g_deferred.push_back(record);
    return;
  }
  Py_DECREF(record);
  drain_deferred();
}

int callbackInList(ProblemObject *p, int kind, PyObject *callable, PyObject *data, int priority) {
  if (kind < 0 || kind >= kCallbackKinds) {
    PyErr_SetString(PyExc_RuntimeError, "Incorrect callback function");
    return -3;
  }
  const CallbackKind &k = kCallbackKindTable[kind];
  if (!p->prob || (k.nonlinear && !p->slpprob)) {
    PyErr_SetString(PyExc_RuntimeError, k.nonlinear && p->prob ? "The nonlinear layer is not available"
                                                                : "The problem has no library problem");
    return -3;
  }
  PyRef rec(make_record(p, callable, data ? data : Py_None, priority));
  if (!rec) {
    PyErr_SetString(PyExc_RuntimeError, "Cannot add callback");
    return -3;
  }
  PyObject *&slot = p->callbacks[kind];
  if (!slot) {
    slot = PyList_New(0);
    if (!slot) {
      unlink_record(rec.get());
      PyErr_SetString(PyExc_RuntimeError, "Cannot add callback");
      return -3;
    }
  }
  if (PyList_Append(slot, rec.get()) != 0) {
    unlink_record(rec.get());
    return -3;
  }
  int rc = k.add(p->prob, p->slpprob, rec.get(), priority);
  if (rc != 0) {
    // Not registered: the record leaves the slot again.
    unlink_record(rec.get());
    remove_from_list(slot, rec.get());
    if (PyList_GET_SIZE(slot) == 0) Py_CLEAR(slot);
    setOndrErrIfNull((PyObject *)p, nullptr);
    return rc;
  }
  rec.release();  // the library's reference
  drain_deferred();
  return 0;
}

int removeCallback(ProblemObject *p, PyObject **slot, PyObject *callable, PyObject *data, int kind) {
  bool any_callable = !callable || callable == Py_None, any_data = !data || data == Py_None;
  if (!*slot) {
    if (any_callable) return 0;
    PyErr_SetString(PyExc_RuntimeError, "Cannot remove callback from an empty set");
    return -3;
  }
  // Problem records are [problem, callable, data, priority]; the module's
  // message handlers [callable, data].
  const int first = p ? 1 : 0;
  PyObject *list = *slot;
  bool found = false;
  for (Py_ssize_t i = PyList_GET_SIZE(list) - 1; i >= 0; --i) {
    if (i >= PyList_GET_SIZE(list)) continue;
    PyObject *rec = PyList_GET_ITEM(list, i);
    if (!rec || !PyList_Check(rec)) {
      PyErr_SetString(PyExc_RuntimeError, "Incorrect data stored in callback list");
      return -3;
    }
    if (PyList_GET_SIZE(rec) < first + 2) {
      PyErr_SetString(PyExc_RuntimeError, "Incorrect data stored in callback");
      return -3;
    }
    if (!(any_callable || PyList_GET_ITEM(rec, first) == callable) ||
        !(any_data || PyList_GET_ITEM(rec, first + 1) == data))
      continue;
    found = true;
    if (!p) {
      if (turnONDRon(0) != 0) return -3;
      int rc = ONDR_ge_removecbmsghandler(msghandler_trampoline(), rec);
      if (rc != 0) return setOndrErrIfNull(nullptr, nullptr), rc;
    } else if (!kCallbackKindTable[kind].nonlinear && p->prob) {
      int rc = kCallbackKindTable[kind].remove(p->prob, rec);
      if (rc != 0) return setOndrErrIfNull((PyObject *)p, nullptr), rc;
    }
    unlink_record(rec);
    Py_INCREF(rec);
    int del = PySequence_DelItem(list, i);
    release_record(rec);  // the library's reference
    if (del != 0) {
      Py_DECREF(rec);
      return -3;
    }
    Py_DECREF(rec);
  }
  if (p && ((any_callable && any_data) || PyList_GET_SIZE(list) == 0)) Py_CLEAR(*slot);
  if (!found) {
    PyErr_SetString(PyExc_RuntimeError, "Callback not found");
    return -3;
  }
  return 0;
}

int problem_copy_callbacks(ProblemObject *dst, ProblemObject *src) {
  for (int kind = 0; kind < kCallbackKinds; ++kind) {
    PyObject *list = src->callbacks[kind];
    if (!list) continue;
    PyRef keep = PyRef::borrow(list);  // registrations may not shrink it under us
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
      PyObject *rec = PyList_GET_ITEM(list, i);
      if (!PyList_Check(rec) || PyList_GET_SIZE(rec) < 4 || !PyList_GET_ITEM(rec, 1) ||
          !PyList_GET_ITEM(rec, 2)) {
        PyErr_SetString(PyExc_RuntimeError, "invalid callback to be copied");
        return -1;
      }
      long prio = PyLong_AsLong(PyList_GET_ITEM(rec, 3));
      if (prio == -1 && PyErr_Occurred()) return -1;
      PyRef callable = PyRef::borrow(PyList_GET_ITEM(rec, 1)), data = PyRef::borrow(PyList_GET_ITEM(rec, 2));
      if (callbackInList(dst, kind, callable.get(), data.get(), (int)prio) != 0) return -1;
    }
  }
  return 0;
}

void problem_clear_callbacks(ProblemObject *p) {
  callbacks_forget_error(p);
  for (int kind = 0; kind < kCallbackKinds; ++kind) {
    if (!p->callbacks[kind]) continue;
    if (!kCallbackKindTable[kind].nonlinear && p->prob &&
        removeCallback(p, &p->callbacks[kind], nullptr, nullptr, kind) != 0) {
      PyErr_Clear();
      PyErr_SetString(PyExc_RuntimeError, "Error deleting problem's callbacks");
      PyErr_WriteUnraisable((PyObject *)p);
    }
    PyObject *list = p->callbacks[kind];
    if (!list) continue;
    // Nonlinear records (and records of a library that has stopped): the
    // library forgets them with its problem.
    p->callbacks[kind] = nullptr;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
      PyObject *rec = PyList_GET_ITEM(list, i);
      unlink_record(rec);
      release_record(rec);  // the library's reference; the list holds one more
    }
    Py_DECREF(list);
  }
}
