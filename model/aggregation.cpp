// Sum, Prod and Dot over collections of modelling objects, built by one
// in-place accumulation, and vars, the indexed families of variables.
#include <cstdint>
#include <string>
#include <vector>
#include "model/dispatch.h"
#include "module/errors.h"
#include "module/numpy.h"

namespace {

// One step of a reduction: accumulator (None at first), element, and the
// last-step argument (null except for the last element).
using StepFn = PyObject *(*)(PyObject *acc, PyObject *x, PyObject *last);

class Reduction {
 public:
  Reduction(StepFn step, PyObject *last) : step_(step), last_(last), acc_(newRef(Py_None)) {}
  bool add(PyObject *x, bool is_last) {
    if (x == Py_None) return true;
    PyObject *r = step_(acc_.get(), x, is_last ? last_ : nullptr);
    if (!r) return false;
    acc_.reset(r);
    return true;
  }
  PyObject *result() { return acc_.release(); }

 private:
  StepFn step_;
  PyObject *last_;
  PyRef acc_;
};

// The cyclic collector is paused while a reduction runs and its previous
// state restored afterwards. Every step makes objects that the accumulator
// keeps, so the collections the steps would start find nothing to free, yet
// each costs time that grows with the objects already accumulated (most of
// the time of a long sum of nonlinear terms). Cyclic garbage that a user's
// generator makes meanwhile is collected after the reduction.
class CollectorPause {
 public:
  CollectorPause() : was_enabled_(PyGC_Disable() != 0) {}
  ~CollectorPause() {
    if (was_enabled_) PyGC_Enable();
  }
  CollectorPause(const CollectorPause &) = delete;
  CollectorPause &operator=(const CollectorPause &) = delete;

 private:
  bool was_enabled_;
};

// Reduces the arguments: a single argument is the collection, several are
// the collection themselves. Returns the accumulator (None when empty).
PyObject *reduce(PyObject *args, StepFn step, PyObject *last) {
  PyObject *coll = PyTuple_GET_SIZE(args) == 1 ? PyTuple_GET_ITEM(args, 0) : args;
  CollectorPause pause;
  Reduction red(step, last);
  if (PyTuple_Check(coll) || PyList_Check(coll)) {
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(coll); ++i) {
      PyRef x(newRef(PySequence_Fast_GET_ITEM(coll, i)));
      if (!red.add(x.get(), i == PySequence_Fast_GET_SIZE(coll) - 1)) return nullptr;
    }
  } else if (isNdarray(coll) && PyArray_NDIM((PyArrayObject *)coll) == 0) {
    // A 0-dimensional array stands for the one element it holds.
    PyRef x(PyArray_GETITEM((PyArrayObject *)coll, (const char *)PyArray_DATA((PyArrayObject *)coll)));
    if (!x || !red.add(x.get(), true)) return nullptr;
  } else if (PySequence_Check(coll)) {
    const Py_ssize_t n = PySequence_Size(coll);
    if (n < 0) {
      PyErr_Clear();
      return modelError("Invalid sequence of objects");
    }
    for (Py_ssize_t i = 0; i < n; ++i) {
      PyRef x(PySequence_GetItem(coll, i));
      if (!x || !red.add(x.get(), i == n - 1)) return nullptr;
    }
  } else if (PyDict_Check(coll)) {
    PyRef values(PyDict_Values(coll));
    if (!values) return nullptr;
    const Py_ssize_t n = PyList_GET_SIZE(values.get());
    for (Py_ssize_t i = 0; i < n; ++i)
      if (!red.add(PyList_GET_ITEM(values.get(), i), i == n - 1)) return nullptr;
  } else if (Py_TYPE(coll)->tp_iter) {
    PyRef it(PyObject_GetIter(coll));
    if (!it) {
      PyErr_Clear();
      return modelError("Invalid sequence of objects");
    }
    PyRef x(PyIter_Next(it.get()));
    while (x) {
      PyRef next(PyIter_Next(it.get()));
      if (!next && PyErr_Occurred()) return nullptr;
      if (!red.add(x.get(), !next)) return nullptr;
      x = std::move(next);
    }
    if (PyErr_Occurred()) return nullptr;
  } else {
    if (operandKind(coll) == kInvalid) return modelError("Invalid object in cumulative operator");
    if (!red.add(coll, true)) return nullptr;
  }
  return red.result();
}

// ---- Dot -------------------------------------------------------------------------

enum ElemKind { kElemInt, kElemDouble, kElemObject };

int elem_kind(PyArrayObject *a) {
  const int t = PyArray_TYPE(a);
  if (t == NPY_OBJECT) return kElemObject;
  if (t == NPY_DOUBLE) return kElemDouble;
  if (PyArray_ISSIGNED(a) && PyArray_ITEMSIZE(a) == 8) return kElemInt;
  return -1;
}

int elem_type_num(int kind) { return kind == kElemObject ? NPY_OBJECT : kind == kElemInt ? NPY_INT64 : NPY_DOUBLE; }

bool same_shape(PyArrayObject *a, const std::vector<npy_intp> &shape) {
  if (PyArray_NDIM(a) != (int)shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i)
    if (PyArray_DIM(a, (int)i) != shape[i]) return false;
  return true;
}

// Copies `result` into a given output array of the same element type and
// shape, or hands `result` back.
PyObject *deliver(PyRef &result, PyObject *out) {
  if (!out || out == Py_None) return result.release();
  if (PyArray_CopyInto((PyArrayObject *)out, (PyArrayObject *)result.get()) != 0) return nullptr;
  return newRef(out);
}

bool check_out(PyObject *out, int kind, const std::vector<npy_intp> &shape) {
  if (!out || out == Py_None) return true;
  if (!isNdarray(out) || elem_kind((PyArrayObject *)out) != kind ||
      PyArray_TYPE((PyArrayObject *)out) != elem_type_num(kind)) {
    modelError("Output argument set with wrong type");
    return false;
  }
  if (!same_shape((PyArrayObject *)out, shape)) {
    modelError("Cannot set up dot product");
    return false;
  }
  return true;
}

// element += v*o for a number v: the first contribution is v*o itself
// (a copy the element owns), later ones are summed in place. A variable or
// linear term added to an expression goes straight into its linear part,
// which is what the incremental sum does in that case.
bool accumulate_scaled(PyRef &elem, PyObject *o, double v) {
  if (!elem) {
    elem.reset(general_copy(o, v));
    return (bool)elem;
  }
  if (v != 0 && Py_TYPE(elem.get()) == &expression_type) {
    if (Py_TYPE(o) == &var_type) return expression_addToLinTerm(elem.get(), o, v) == 0;
    if (Py_TYPE(o) == &linterm_type) return expression_addToLinTerm(elem.get(), asLin(o)->var, v * asLin(o)->coef) == 0;
  }
  elem.reset(nonlin_incremental_alg_sum(elem.get(), o, v));
  return (bool)elem;
}

// element += a*b for two objects.
bool accumulate_product(PyRef &elem, PyObject *a, PyObject *b) {
  PyRef product(general_mul(a, b));
  if (!product) return false;
  if (!elem) {
    // An operand returned unchanged must not become an accumulator that
    // later steps amend in place.
    if (product.get() == a || product.get() == b) product.reset(general_copy(product.get(), 1.0));
    elem = std::move(product);
    return (bool)elem;
  }
  elem.reset(nonlin_incremental_alg_sum(elem.get(), product.get(), 1.0));
  return (bool)elem;
}

PyObject *dot_product(PyArrayObject *A, PyArrayObject *B, PyObject *out) {
  const int ka = elem_kind(A), kb = elem_kind(B);
  if (ka < 0 || kb < 0) return modelError("Dot product must be between long, double, and expressions/variables");
  const int kr = (ka == kElemObject || kb == kElemObject) ? kElemObject
                 : (ka == kElemInt && kb == kElemInt) ? kElemInt
                                                      : kElemDouble;
  const int nda = PyArray_NDIM(A), ndb = PyArray_NDIM(B);
  const char *size_err = "Dot product must have matching sizes in the multiplying dimension";
  if ((nda == 0) != (ndb == 0)) return modelError(size_err);
  // Result[m, p, l] = sum_k A[m, k] * B[p, k, l] over flattened leading axes.
  npy_intp M = 1, K = 1, P = 1, L = 1;
  std::vector<npy_intp> shape;
  if (nda > 0) {
    K = PyArray_DIM(A, nda - 1);
    const npy_intp Kb = ndb == 1 ? PyArray_DIM(B, 0) : PyArray_DIM(B, ndb - 2);
    if (K != Kb) return modelError(size_err);
    for (int i = 0; i < nda - 1; ++i) {
      M *= PyArray_DIM(A, i);
      shape.push_back(PyArray_DIM(A, i));
    }
    if (ndb >= 2) {
      for (int i = 0; i < ndb - 2; ++i) {
        P *= PyArray_DIM(B, i);
        shape.push_back(PyArray_DIM(B, i));
      }
      L = PyArray_DIM(B, ndb - 1);
      shape.push_back(L);
    }
  }
  if (!check_out(out, kr, shape)) return nullptr;
  PyRef Ac((PyObject *)PyArray_GETCONTIGUOUS(A));
  PyRef Bc((PyObject *)PyArray_GETCONTIGUOUS(B));
  if (!Ac || !Bc) return modelError("Cannot set up dot product");
  const int rtype = elem_type_num(kr);
  PyRef result(kr == kElemObject ? PyArray_SimpleNew((int)shape.size(), shape.data(), rtype)
                                 : PyArray_ZEROS((int)shape.size(), shape.data(), rtype, 0));
  if (!result) return modelError("Could not initialize result of dot product");
  char *a = (char *)PyArray_DATA((PyArrayObject *)Ac.get());
  char *b = (char *)PyArray_DATA((PyArrayObject *)Bc.get());
  char *r = (char *)PyArray_DATA((PyArrayObject *)result.get());
  const npy_intp sa = PyArray_ITEMSIZE((PyArrayObject *)Ac.get()), sb = PyArray_ITEMSIZE((PyArrayObject *)Bc.get());
  auto aptr = [&](npy_intp m, npy_intp k) { return a + (m * K + k) * sa; };
  auto bptr = [&](npy_intp p, npy_intp k, npy_intp l) { return b + ((p * K + k) * L + l) * sb; };
  auto object_at = [](char *ptr) -> PyObject * {
    PyObject *o = *(PyObject **)ptr;
    return o ? o : Py_None;
  };
  auto number_at = [](char *ptr, int kind) -> double {
    return kind == kElemInt ? (double)*(int64_t *)ptr : *(double *)ptr;
  };
  npy_intp idx = 0;
  for (npy_intp m = 0; m < M; ++m)
    for (npy_intp p = 0; p < P; ++p)
      for (npy_intp l = 0; l < L; ++l, ++idx) {
        if (kr == kElemInt) {
          uint64_t sum = 0;  // wraps like the machine's integers, never undefined
          for (npy_intp k = 0; k < K; ++k)
            sum += (uint64_t) * (int64_t *)aptr(m, k) * (uint64_t) * (int64_t *)bptr(p, k, l);
          ((int64_t *)r)[idx] = (int64_t)sum;
        } else if (kr == kElemDouble) {
          double sum = 0;
          for (npy_intp k = 0; k < K; ++k) {
            const double x = ka == kElemInt ? (double)*(int64_t *)aptr(m, k) : *(double *)aptr(m, k);
            const double y = kb == kElemInt ? (double)*(int64_t *)bptr(p, k, l) : *(double *)bptr(p, k, l);
            sum += x * y;
          }
          ((double *)r)[idx] = sum;
        } else {
          PyRef elem;
          for (npy_intp k = 0; k < K; ++k) {
            char *pa = aptr(m, k), *pb = bptr(p, k, l);
            bool ok;
            if (ka != kElemObject)
              ok = accumulate_scaled(elem, object_at(pb), number_at(pa, ka));
            else if (kb != kElemObject)
              ok = accumulate_scaled(elem, object_at(pa), number_at(pb, kb));
            else
              ok = accumulate_product(elem, object_at(pa), object_at(pb));
            if (!ok) return nullptr;
          }
          ((PyObject **)r)[idx] = elem ? elem.release() : newRef(Py_None);
        }
      }
  return deliver(result, out);
}

// The step of Dot: the first array is copied, every later one multiplies
// the accumulated array.
PyObject *dot_step(PyObject *acc, PyObject *x, PyObject *out) {
  if (acc == Py_None) {
    if (!isNdarray(x)) return modelError("Dot product can only occur between NumPy arrays");
    PyRef copy(PyArray_NewCopy((PyArrayObject *)x, NPY_CORDER));
    if (!copy) return modelError("Error in setting up dot product");
    if (out && out != Py_None) {
      PyArrayObject *src = (PyArrayObject *)copy.get();
      std::vector<npy_intp> shape(PyArray_DIMS(src), PyArray_DIMS(src) + PyArray_NDIM(src));
      const int kind = elem_kind(src);
      if (kind < 0) return modelError("Dot product must be between long, double, and expressions/variables");
      if (!check_out(out, kind, shape)) return nullptr;
    }
    return deliver(copy, out);
  }
  if (!isNdarray(acc) || !isNdarray(x)) return modelError("Dot product can only occur between NumPy arrays");
  return dot_product((PyArrayObject *)acc, (PyArrayObject *)x, out);
}

}  // namespace

PyObject *ondrelmod_Sum(PyObject *, PyObject *args) {
  PyRef r(reduce(args, general_iadd_step, nullptr));
  if (!r) return nullptr;
  if (r.get() == Py_None) return expression_new();
  if (operandKind(r.get()) == kConstant) return expression_copy(r.get(), 1.0);
  return r.release();
}

PyObject *ondrelmod_Prod(PyObject *, PyObject *args) {
  PyRef r(reduce(args, general_imul_step, nullptr));
  if (!r) return nullptr;
  if (r.get() == Py_None) return newFloat(0.0);
  return r.release();
}

PyObject *ondrelmod_Dot(PyObject *, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"out", nullptr};
  PyObject *out = nullptr;
  PyRef none(PyTuple_New(0));
  if (!none || !PyArg_ParseTupleAndKeywords(none.get(), kw, "|O", (char **)kwlist, &out)) return nullptr;
  if (out == Py_None) out = nullptr;
  PyRef r(reduce(args, dot_step, out));
  if (!r) return nullptr;
  if (r.get() == Py_None) return newFloat(0.0);
  return r.release();
}

// ---- vars -----------------------------------------------------------------------------

namespace {

// Appends one index element to a variable name.
bool append_index(std::string &name, PyObject *e) {
  if (isObjInt(e)) {
    // Printed, so an index of any size names the variable exactly.
    PyRef text(PyObject_Str(e));
    const char *s = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
    if (!s) return false;
    name += s;
    return true;
  }
  if (PyUnicode_Check(e)) {
    PyRef ascii(PyUnicode_AsUTF8String(e));
    if (!ascii) return false;
    name.append(PyBytes_AS_STRING(ascii.get()), (size_t)PyBytes_GET_SIZE(ascii.get()));
    return true;
  }
  if (PyBytes_Check(e)) {
    name.append(PyBytes_AS_STRING(e), (size_t)PyBytes_GET_SIZE(e));
    return true;
  }
  modelError("Element of index tuple in vars() cannot be represented");
  return false;
}

}  // namespace

PyObject *ondrelmod_vars(PyObject *, PyObject *args, PyObject *kw) {
  static const char *kwlist[] = {"name", "lb", "ub", "threshold", "vartype", nullptr};
  const char *prefix = "x";
  double lb = 0, ub = kInfinity, threshold = -kInfinity;
  int vartype = 0;
  PyRef none(PyTuple_New(0));
  if (!none || !PyArg_ParseTupleAndKeywords(none.get(), kw, "|sdddi", (char **)kwlist, &prefix, &lb, &ub,
                                            &threshold, &vartype))
    return nullptr;
  if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) == 0)
    return modelError("ondrel.vars must be invoked with one or more lists of indices");
  // The elements of every dimension.
  const Py_ssize_t ndim = PyTuple_GET_SIZE(args);
  std::vector<PyRef> dims;
  for (Py_ssize_t d = 0; d < ndim; ++d) {
    PyObject *arg = PyTuple_GET_ITEM(args, d);
    PyRef elems;
    if (PyList_Check(arg)) {
      elems.reset(PyList_AsTuple(arg));
    } else if (isObjInt(arg)) {
      const long k = PyLong_AsLong(arg);
      if (k == -1 && PyErr_Occurred()) return nullptr;
      elems.reset(PyTuple_New(k > 0 ? k : 0));
      for (long i = 0; elems && i < k; ++i) {
        PyObject *v = PyLong_FromLong(i);
        if (!v) return nullptr;
        PyTuple_SET_ITEM(elems.get(), i, v);
      }
    } else {
      return modelError(
          "Invalid index: a call to ondrel.vars() must have a tuple of lists or integer numbers as its "
          "first argument");
    }
    if (!elems) return modelError("No memory to create variable map");
    if (PyTuple_GET_SIZE(elems.get()) == 0)
      return modelError("Invalid index: empty dimension in creation of variables");
    dims.push_back(std::move(elems));
  }
  PyRef result(PyDict_New());
  if (!result) return modelError("No memory to create variable map");
  std::vector<Py_ssize_t> counter((size_t)ndim, 0);
  std::string name;
  for (;;) {
    name = prefix;
    name += "(";
    PyRef key(ndim == 1 ? nullptr : PyTuple_New(ndim));
    if (ndim > 1 && !key) return nullptr;
    for (Py_ssize_t d = 0; d < ndim; ++d) {
      PyObject *e = PyTuple_GET_ITEM(dims[d].get(), counter[d]);
      if (d > 0) name += ",";
      if (!append_index(name, e)) return nullptr;
      if (ndim == 1)
        key.reset(newRef(e));
      else
        PyTuple_SET_ITEM(key.get(), d, newRef(e));
    }
    name += ")";
    PyRef var(var_new());
    if (!var) return nullptr;
    VarObject *v = asVar(var.get());
    v->name = PyUnicode_DecodeUTF8(name.data(), (Py_ssize_t)name.size(), nullptr);
    if (!v->name) return modelError("Invalid variable name");
    v->lb = lb;
    v->ub = ub;
    v->threshold = threshold;
    v->vartype = vartype;
    const int present = PyDict_Contains(result.get(), key.get());
    if (present < 0) return nullptr;
    if (present) {
      PyErr_Format(PyExc_RuntimeError,
                   "Duplicate entry in vars: <%S>. Check arguments for duplicate entries in one or more of the "
                   "lists",
                   v->name);
      return nullptr;
    }
    if (PyDict_SetItem(result.get(), key.get(), var.get()) != 0) return nullptr;
    // Odometer: the last dimension turns fastest.
    Py_ssize_t d = ndim - 1;
    while (d >= 0 && ++counter[d] == PyTuple_GET_SIZE(dims[d].get())) counter[d--] = 0;
    if (d < 0) break;
  }
  return result.release();
}
