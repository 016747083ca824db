// Low-level methods over the library's solution analysis: solutions,
// bases, infeasibilities, rays, ranging, basis solves and pivots, and
// values computed for given vectors. The method table is in analysis.cpp;
// each method's implementation is in analysis_solution.cpp or
// analysis_basis.cpp.
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include "module/pyref.h"
#include "problem/problem.h"

namespace analysis {

// 0 with the library handle checked; -1 with RuntimeError when there is none.
int require_prob(ProblemObject *p);
// An integer attribute, -1 with the library's error raised on failure.
int int_attr(ProblemObject *p, int id, int *value);
// Allocates `n` elements for an output list that is given (not None).
template <class T>
bool alloc_if(CArray<T> &a, PyObject *list, int64_t n) {
  return !list || list == Py_None || a.alloc((size_t)n);
}
// Ends a method: the common error step, then the result.
PyObject *finish(PyObject *self, PyObject *result);
// A pivot-order number (row i, or rows + j for column j) as the problem's
// constraint or variable object (-1 for a negative number).
PyObject *pivot_object(ProblemObject *p, int rows, int number);
// Fills `list` with n pivot numbers as objects (in the presolved form,
// the original rows and columns they stand for).
int pivots_to_list(ProblemObject *p, int rows, const int *numbers, int64_t n, PyObject *list);

}  // namespace analysis

// The methods (self, args, kw).
#define ANALYSIS_METHOD(name) PyObject *ONDR_PY_##name(PyObject *, PyObject *, PyObject *)
ANALYSIS_METHOD(getlpsol); ANALYSIS_METHOD(getpresolvesol); ANALYSIS_METHOD(getmipsol);
ANALYSIS_METHOD(getbasis); ANALYSIS_METHOD(getpresolvebasis);
ANALYSIS_METHOD(loadbasis); ANALYSIS_METHOD(loadpresolvebasis); ANALYSIS_METHOD(loadlpsol);
ANALYSIS_METHOD(getinfeas); ANALYSIS_METHOD(getscaledinfeas); ANALYSIS_METHOD(getpresolvemap);
ANALYSIS_METHOD(calcobjective); ANALYSIS_METHOD(calcslacks); ANALYSIS_METHOD(calcreducedcosts);
ANALYSIS_METHOD(calcsolinfo);
ANALYSIS_METHOD(getpivotorder); ANALYSIS_METHOD(getpivots);
ANALYSIS_METHOD(getprimalray); ANALYSIS_METHOD(getdualray);
ANALYSIS_METHOD(hasprimalray); ANALYSIS_METHOD(hasdualray); ANALYSIS_METHOD(getunbvec);
ANALYSIS_METHOD(objsa); ANALYSIS_METHOD(rhssa); ANALYSIS_METHOD(btran); ANALYSIS_METHOD(ftran);
ANALYSIS_METHOD(basisstability); ANALYSIS_METHOD(fixglobals); ANALYSIS_METHOD(postsolve);
#undef ANALYSIS_METHOD
