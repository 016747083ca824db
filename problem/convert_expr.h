// Conversion of modelling expressions into what the library takes: a
// constant, linear entries, quadratic entries and nonlinear coefficients
// (column, factor, postfix token formula).
#pragma once
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <vector>
#include "problem/problem.h"

struct Converted {
  double constant = 0.0;
  std::vector<int> lin_cols;
  std::vector<double> lin_vals;
  std::vector<int> q_col1, q_col2;
  std::vector<double> q_vals;
  // Nonlinear coefficients: column, factor, and the formula's tokens from
  // f_starts[k] to f_starts[k+1] (f_starts has one entry per formula plus one).
  std::vector<int> f_cols;
  std::vector<double> f_factors;
  std::vector<int> f_starts{0};
  std::vector<int> tok_types;
  std::vector<double> tok_vals;

  size_t nformulas() const { return f_cols.size(); }
  void clear() { *this = Converted(); }
};

// Converts `expr` into `out` (appending to it). `doubling` doubles every
// quadratic coefficient (the objective's 0.5 x'Qx convention). 0, or -1
// with an exception set (out's content is then meaningless).
int convertExpr(ProblemObject *p, PyObject *expr, Converted &out, bool doubling);

// Registers a Python callable as a user function of the nonlinear layer
// (once per problem) and gives its number. 0, or nonzero with an exception.
int createUserFunction(ProblemObject *p, PyObject *args, int *number);

// Takes the nonlinear layer out of its constructed state before the
// objective changes. 0 or nonzero with an exception set.
int check_nl_unconstruct(ProblemObject *p);

// Row type, right-hand side and range of a constraint with bounds lb, ub
// whose body has constant `constant` moved to the right.
char rhs_sense(double lb, double ub, double constant, double *rhs, double *range);

// Column of a variable in the problem, or -1 (no exception) when it was
// not added. Never fails.
int var_column(ProblemObject *p, PyObject *var);
