// Comparisons of NumPy arrays that hold modelling objects.
//
// `A <= B`, `A >= B` and `A == B`, where one side is an array whose first
// element (or the other side) is a modelling object, give object arrays of
// constraints, element by element with NumPy's broadcasting. Every other
// comparison is NumPy's own. The module wraps the rich comparison of
// NumPy's array type while it is loaded; the elementwise work is done by
// three object-only ufuncs whose loops build the constraints.
#include "model/dispatch.h"
#include "module/numpy.h"

namespace {

richcmpfunc g_numpy_richcompare = nullptr;  // NumPy's own
PyObject *g_ufuncs[3] = {nullptr, nullptr, nullptr};

int ufunc_index(int op) { return op == Py_LE ? 0 : op == Py_GE ? 1 : op == Py_EQ ? 2 : -1; }

// The element loop: a constraint for every pair in which a modelling object
// occurs, the plain comparison result for pairs of other objects.
void compare_loop(char **args, npy_intp const *dims, npy_intp const *steps, int op) {
  char *in1 = args[0], *in2 = args[1], *out = args[2];
  for (npy_intp i = 0; i < dims[0]; ++i, in1 += steps[0], in2 += steps[1], out += steps[2]) {
    PyObject *a = *(PyObject **)in1, *b = *(PyObject **)in2;
    if (!a) a = Py_None;
    if (!b) b = Py_None;
    PyObject *r = (isModelObject(a) || isModelObject(b)) ? make_constraint(a, b, op) : PyObject_RichCompare(a, b, op);
    if (!r) return;  // NumPy sees the pending exception
    Py_XSETREF(*(PyObject **)out, r);
  }
}

void leq_con(char **args, npy_intp const *dims, npy_intp const *steps, void *) {
  compare_loop(args, dims, steps, Py_LE);
}
void geq_con(char **args, npy_intp const *dims, npy_intp const *steps, void *) {
  compare_loop(args, dims, steps, Py_GE);
}
void eq_con(char **args, npy_intp const *dims, npy_intp const *steps, void *) {
  compare_loop(args, dims, steps, Py_EQ);
}

PyUFuncGenericFunction g_loops[3][1] = {{leq_con}, {geq_con}, {eq_con}};
void *g_loop_data[1] = {nullptr};
char g_loop_types[3] = {NPY_OBJECT, NPY_OBJECT, NPY_OBJECT};

// The first element of an array (new reference); null without error when
// the array is empty.
PyObject *first_item(PyArrayObject *arr) {
  if (PyArray_SIZE(arr) == 0) return nullptr;
  return PyArray_GETITEM(arr, (const char *)PyArray_DATA(arr));
}

// Whether `self <op> other` builds constraints: NumPy would compare object
// elements (one side has object elements, or the other side is a
// modelling object) and the first element of either side is a modelling
// object. Lists and tuples on the other side are converted as NumPy would;
// the conversion is left in `converted`. -1 on error.
int wants_constraints(PyObject *self, PyObject *other, PyRef &converted) {
  PyArrayObject *a = (PyArrayObject *)self;
  bool objects = PyArray_TYPE(a) == NPY_OBJECT;
  const bool other_model = isModelObject(other);
  PyObject *other_arr = isNdarray(other) ? other : nullptr;
  if (!other_model && !other_arr && (PyList_Check(other) || PyTuple_Check(other))) {
    converted.reset(PyArray_FromAny(other, nullptr, 0, 0, 0, nullptr));
    if (!converted) {
      PyErr_Clear();  // NumPy's own comparison reports what it makes of it
      return 0;
    }
    other_arr = converted.get();
  }
  if (other_arr) objects = objects || PyArray_TYPE((PyArrayObject *)other_arr) == NPY_OBJECT;
  if (!objects && !other_model) return 0;
  if (PyArray_SIZE(a) == 0 || (other_arr && PyArray_SIZE((PyArrayObject *)other_arr) == 0)) return 0;
  if (other_model) return 1;
  PyRef self_first(first_item(a));
  if (!self_first) return -1;
  if (isModelObject(self_first.get())) return 1;
  if (!other_arr) return 0;
  PyRef other_first(first_item((PyArrayObject *)other_arr));
  if (!other_first) return -1;
  return isModelObject(other_first.get()) ? 1 : 0;
}

PyObject *array_richcompare(PyObject *self, PyObject *other, int op) {
  const int i = ufunc_index(op);
  if (i >= 0 && g_ufuncs[i] && PyArray_Check(self)) {
    PyRef converted;
    const int use = wants_constraints(self, other, converted);
    if (use < 0) return nullptr;
    if (use) return PyObject_CallFunctionObjArgs(g_ufuncs[i], self, converted ? converted.get() : other, nullptr);
  }
  return g_numpy_richcompare(self, other, op);
}

}  // namespace

PyObject *array_compare(PyObject *a, PyObject *b, int op) {
  const int i = ufunc_index(op);
  if (i < 0 || !g_ufuncs[i]) return modelError("Invalid constraint: unrecognized comparison operator");
  return PyObject_CallFunctionObjArgs(g_ufuncs[i], a, b, nullptr);
}

int numpy_compare_install() {
  static const char *names[3] = {"less_equal", "greater_equal", "equal"};
  static const char *docs[3] = {"Return constraint lhs <= rhs", "Return constraint lhs >= rhs",
                                "Return constraint lhs == rhs"};
  for (int i = 0; i < 3; ++i) {
    if (g_ufuncs[i]) continue;
    g_ufuncs[i] = PyUFunc_FromFuncAndData(g_loops[i], g_loop_data, g_loop_types, 1, 2, 1, PyUFunc_None, names[i],
                                          docs[i], 0);
    if (!g_ufuncs[i]) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Could not set up NumPy usage");
      return -1;
    }
  }
  if (PyArray_Type.tp_richcompare != array_richcompare) {
    g_numpy_richcompare = PyArray_Type.tp_richcompare;
    PyArray_Type.tp_richcompare = array_richcompare;
    PyType_Modified(&PyArray_Type);
  }
  return 0;
}

void numpy_compare_restore() {
  if (g_numpy_richcompare && PyArray_Type.tp_richcompare == array_richcompare) {
    PyArray_Type.tp_richcompare = g_numpy_richcompare;
    PyType_Modified(&PyArray_Type);
  }
  // NumPy's own comparison stays known: array subclasses made while the
  // wrapper was installed inherited it, and it then hands everything on.
  for (PyObject *&u : g_ufuncs) Py_CLEAR(u);
}
