// Module-level functions of the modelling algebra, and the set-up of the
// algebra's type objects before they are readied.
#include "model/dispatch.h"
#include "module/types.h"

// functions.cpp
#define ONDREL_UNARY(name) PyObject *ondrelmod_##name(PyObject *, PyObject *);
ONDREL_UNARY(exp)
ONDREL_UNARY(log)
ONDREL_UNARY(log10)
ONDREL_UNARY(sin)
ONDREL_UNARY(cos)
ONDREL_UNARY(tan)
ONDREL_UNARY(asin)
ONDREL_UNARY(acos)
ONDREL_UNARY(atan)
ONDREL_UNARY(abs)
ONDREL_UNARY(sign)
ONDREL_UNARY(erf)
ONDREL_UNARY(erfc)
ONDREL_UNARY(sqrt)
#undef ONDREL_UNARY
PyObject *ondrelmod_max(PyObject *, PyObject *);
PyObject *ondrelmod_min(PyObject *, PyObject *);
PyObject *ondrelmod_user(PyObject *, PyObject *);
// aggregation.cpp
PyObject *ondrelmod_Sum(PyObject *, PyObject *);
PyObject *ondrelmod_Prod(PyObject *, PyObject *);
PyObject *ondrelmod_Dot(PyObject *, PyObject *, PyObject *);
PyObject *ondrelmod_vars(PyObject *, PyObject *, PyObject *);

#define UNARY_DOC(name, purpose, example)                                                        \
  "Purpose:\n  " purpose "\n\n"                                                                   \
  "Synopsis:\n  y = ondrel." name "(x)\n\n"                                                       \
  "Arguments:\n  x: a number, a variable, a term, an expression, a nonlinear expression,\n"       \
  "  or a NumPy array of these.\n\n"                                                              \
  "Example:\n  " example "\n\n"                                                                   \
  "Further information:\n  A number gives the number computed at once; a modelling object gives a\n" \
  "  nonlinear expression; an array gives a new array with the function applied to\n"            \
  "  every element. Lists and tuples are refused.\n\n"                                            \
  "Related topics:\n  exp, log, sin, cos, sqrt, abs, max, min, user"

#define UNARY_ENTRY(name, purpose, example) \
  {#name, (PyCFunction)ondrelmod_##name, METH_O, UNARY_DOC(#name, purpose, example)}

#define NARY_DOC(name, purpose, synopsis, example, info)                              \
  "Purpose:\n  " purpose "\n\n"                                                        \
  "Synopsis:\n  " synopsis "\n\n"                                                      \
  "Arguments:\n  Any number of single operands: numbers, variables, terms, expressions\n" \
  "  or nonlinear expressions (no lists, tuples or arrays).\n\n"                       \
  "Example:\n  " example "\n\n"                                                        \
  "Further information:\n  " info "\n\n"                                               \
  "Related topics:\n  max, min, user, exp, log"

const PyMethodDef model_module_methods[] = {
    UNARY_ENTRY(exp, "Exponential function.", "y = ondrel.exp(2 * x)"),
    UNARY_ENTRY(log, "Natural logarithm.", "y = ondrel.log(x + 1)"),
    UNARY_ENTRY(log10, "Logarithm in base 10.", "y = ondrel.log10(x)"),
    UNARY_ENTRY(sin, "Sine (argument in radians).", "y = ondrel.sin(x)"),
    UNARY_ENTRY(cos, "Cosine (argument in radians).", "y = ondrel.cos(x)"),
    UNARY_ENTRY(tan, "Tangent (argument in radians).", "y = ondrel.tan(x)"),
    UNARY_ENTRY(asin, "Arc sine.", "y = ondrel.asin(x)"),
    UNARY_ENTRY(acos, "Arc cosine.", "y = ondrel.acos(x)"),
    UNARY_ENTRY(atan, "Arc tangent.", "y = ondrel.atan(x)"),
    UNARY_ENTRY(abs, "Absolute value.", "y = ondrel.abs(x - 3)"),
    UNARY_ENTRY(sqrt, "Square root.", "y = ondrel.sqrt(x**2 + y**2)"),
    UNARY_ENTRY(sign, "Sign: -1 for negative, 1 for positive, 0 otherwise.", "y = ondrel.sign(x)"),
    UNARY_ENTRY(erf, "Error function.", "y = ondrel.erf(x)"),
    UNARY_ENTRY(erfc, "Complementary error function, 1 - erf(x).", "y = ondrel.erfc(x)"),
    {"max", (PyCFunction)ondrelmod_max, METH_VARARGS,
     NARY_DOC("max", "Maximum of its arguments, as a nonlinear expression.", "y = ondrel.max(a1, a2, ...)",
              "y = ondrel.max(x, y, 3)", "The result is a nonlinear expression even for numbers.")},
    {"min", (PyCFunction)ondrelmod_min, METH_VARARGS,
     NARY_DOC("min", "Minimum of its arguments, as a nonlinear expression.", "y = ondrel.min(a1, a2, ...)",
              "y = ondrel.min(x, y, 3)", "The result is a nonlinear expression even for numbers.")},
    {"user", (PyCFunction)ondrelmod_user, METH_VARARGS,
     NARY_DOC("user", "A call of a Python function inside a nonlinear expression.",
              "y = ondrel.user(f, a1, a2, ...)", "y = ondrel.user(lambda a, b: a * b, x, y)",
              "The first argument is the function, called with the values of the others as\n"
              "  floats; it returns the value, or a tuple of the value and the derivatives.")},
    {"Sum", (PyCFunction)ondrelmod_Sum, METH_VARARGS,
     "Purpose:\n  Sum of numbers and modelling objects, built in one pass.\n\n"
     "Synopsis:\n  s = ondrel.Sum(t1, t2, ...)\n  s = ondrel.Sum(collection)\n\n"
     "Arguments:\n  Numbers, variables, terms, expressions or nonlinear expressions, given one by\n"
     "  one or as a single list, tuple, dictionary (its values), NumPy array or iterator.\n"
     "  None elements are skipped.\n\n"
     "Example:\n  s = ondrel.Sum(c[i] * x[i] for i in range(n))\n\n"
     "Further information:\n  The sum is accumulated in place, so its cost is proportional to the total\n"
     "  size of the terms; prefer it to Python's sum() for large expressions, which\n"
     "  copies the growing expression at every step. The terms themselves are not\n"
     "  modified. An empty sum is an empty expression.\n\n"
     "Related topics:\n  Prod, Dot"},
    {"Prod", (PyCFunction)ondrelmod_Prod, METH_VARARGS,
     "Purpose:\n  Product of numbers and modelling objects.\n\n"
     "Synopsis:\n  p = ondrel.Prod(t1, t2, ...)\n  p = ondrel.Prod(collection)\n\n"
     "Arguments:\n  As for Sum.\n\n"
     "Example:\n  p = ondrel.Prod([x, y, z])\n\n"
     "Further information:\n  Products of more than two variables are nonlinear expressions. An empty\n"
     "  product is 0.0.\n\n"
     "Related topics:\n  Sum, Dot"},
    {"Dot", (PyCFunction)ondrelmod_Dot, METH_VARARGS | METH_KEYWORDS,
     "Purpose:\n  Matrix product of NumPy arrays of numbers and modelling objects.\n\n"
     "Synopsis:\n  r = ondrel.Dot(A, B, ..., out=None)\n\n"
     "Arguments:\n  A, B, ...: NumPy arrays of 64-bit integers, doubles or objects, multiplied\n"
     "  left to right as numpy.dot does.\n"
     "  out: an array of the result's element type and shape to receive the result.\n\n"
     "Example:\n  r = ondrel.Dot(A, x) <= b\n\n"
     "Further information:\n  The product of two vectors is a 0-dimensional array. Each element is\n"
     "  accumulated in place.\n\n"
     "Related topics:\n  Sum, Prod"},
    {"vars", (PyCFunction)ondrelmod_vars, METH_VARARGS | METH_KEYWORDS,
     "Purpose:\n  Creates an indexed family of variables.\n\n"
     "Synopsis:\n  d = ondrel.vars(index1, index2, ..., name='x', lb=0, ub=ondrel.infinity,\n"
     "                 threshold=-ondrel.infinity, vartype=ondrel.continuous)\n\n"
     "Arguments:\n  index: a list of indices, or an integer k for 0 ... k-1.\n"
     "  name, lb, ub, threshold, vartype: keyword only, as for ondrel.var.\n\n"
     "Example:\n  x = ondrel.vars([0, 1], ['a', 'b'])  # x[0, 'a'] is named x(0,a)\n\n"
     "Further information:\n  The result is a dictionary from the index (or the tuple of indices) to a new\n"
     "  variable named after the prefix and the indices.\n\n"
     "Related topics:\n  var"},
    {nullptr, nullptr, 0, nullptr}};

void model_types_setup() {
  var_type_setup();
  terms_types_setup();
  expression_type_setup();
  nonlinear_type_setup();
  constraint_type_setup();
  sos_type_setup();
}
