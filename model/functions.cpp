// The module's mathematical functions: exp, log, ..., sqrt on numbers,
// modelling objects and NumPy arrays, and the n-ary max, min and user.
#include <cmath>
#include "model/dispatch.h"
#include "module/numpy.h"

namespace {

double sign(double x) { return x < 0 ? -1.0 : x > 0 ? 1.0 : 0.0; }
double log10_(double x) { return std::log(x) * 0.4342944819032518; }

// The C function of a unary operator code, for plain numbers.
double apply_number(int code, double x) {
  switch (code) {
    case kOpExp: return std::exp(x);
    case kOpLog: return std::log(x);
    case kOpLog10: return log10_(x);
    case kOpSin: return std::sin(x);
    case kOpCos: return std::cos(x);
    case kOpTan: return std::tan(x);
    case kOpAsin: return std::asin(x);
    case kOpAcos: return std::acos(x);
    case kOpAtan: return std::atan(x);
    case kOpAbs: return std::fabs(x);
    case kOpSign: return sign(x);
    case kOpErf: return std::erf(x);
    case kOpErfc: return std::erfc(x);
    case kOpSqrt: return std::sqrt(x);
  }
  return NAN;
}

PyObject *apply_unary(int code, PyObject *x);

// A C-ordered copy of the array with the function applied to every element.
// Object arrays stay object arrays; numeric ones are computed as doubles.
PyObject *apply_array(int code, PyObject *x) {
  PyArrayObject *arr = (PyArrayObject *)x;
  const bool objects = PyArray_TYPE(arr) == NPY_OBJECT;
  PyRef copy(objects ? PyArray_NewCopy(arr, NPY_CORDER)
                     : PyArray_FromAny(x, PyArray_DescrFromType(NPY_DOUBLE), 0, 0,
                                       NPY_ARRAY_CARRAY | NPY_ARRAY_ENSURECOPY, nullptr));
  if (!copy) return modelError("Cannot iterate on sequence of arguments");
  PyArrayObject *out = (PyArrayObject *)copy.get();
  const npy_intp n = PyArray_SIZE(out);
  if (!objects) {
    double *d = (double *)PyArray_DATA(out);
    for (npy_intp i = 0; i < n; ++i) d[i] = apply_number(code, d[i]);
    return copy.release();
  }
  PyObject **items = (PyObject **)PyArray_DATA(out);
  for (npy_intp i = 0; i < n; ++i) {
    PyObject *r = apply_unary(code, items[i] ? items[i] : Py_None);
    if (!r) return nullptr;
    Py_XSETREF(items[i], r);
  }
  return copy.release();
}

PyObject *apply_unary(int code, PyObject *x) {
  if (isNdarray(x)) return apply_array(code, x);
  if (PyTuple_Check(x) || PyList_Check(x))
    return modelError("Could not create a unary nonlinear expression: the argument must be a single expression");
  const int kind = operandKind(x);
  if (kind == kConstant) {
    double v;
    if (!constValue(x, &v)) return nullptr;
    return newFloat(apply_number(code, v));
  }
  if (kind == kInvalid) return modelError("Invalid object in unary operation");
  return nonlin_create(false, code, x);
}

}  // namespace

#define ONDREL_UNARY_FUNCTION(name, code) \
  PyObject *ondrelmod_##name(PyObject *, PyObject *x) { return apply_unary(code, x); }

ONDREL_UNARY_FUNCTION(exp, kOpExp)
ONDREL_UNARY_FUNCTION(log, kOpLog)
ONDREL_UNARY_FUNCTION(log10, kOpLog10)
ONDREL_UNARY_FUNCTION(sin, kOpSin)
ONDREL_UNARY_FUNCTION(cos, kOpCos)
ONDREL_UNARY_FUNCTION(tan, kOpTan)
ONDREL_UNARY_FUNCTION(asin, kOpAsin)
ONDREL_UNARY_FUNCTION(acos, kOpAcos)
ONDREL_UNARY_FUNCTION(atan, kOpAtan)
ONDREL_UNARY_FUNCTION(abs, kOpAbs)
ONDREL_UNARY_FUNCTION(sign, kOpSign)
ONDREL_UNARY_FUNCTION(erf, kOpErf)
ONDREL_UNARY_FUNCTION(erfc, kOpErfc)
ONDREL_UNARY_FUNCTION(sqrt, kOpSqrt)

PyObject *ondrelmod_max(PyObject *, PyObject *args) { return nonlin_create(true, kOpMax, args); }
PyObject *ondrelmod_min(PyObject *, PyObject *args) { return nonlin_create(true, kOpMin, args); }
PyObject *ondrelmod_user(PyObject *, PyObject *args) { return nonlin_create(true, kOpUser, args); }
