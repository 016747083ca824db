// The compiled form of a problem for the local nonlinear solvers: every row
// as linear part + quadratic part (x'Qx) + nonlinear coefficients
// (factor * x[col] * formula(x)), the objective as linear + 0.5 x'Qx +
// constant, with exact first and second derivatives by automatic
// differentiation over the token formulas. Built from a snapshot of the
// model, so it stays valid while the solvers run.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>
#include "ondr_base.h"

namespace ondr {

struct Model;

// A sparsity pattern of (row, col) pairs; for the Hessian, the lower
// triangle (row >= col) of the Lagrangian's Hessian.
struct Pattern {
  std::vector<int> rows, cols;
  size_t size() const { return rows.size(); }
};

// Exported (outside the C interface) so that the engine's own tests can
// check the derivatives directly.
class __attribute__((visibility("default"))) NlpModel {
 public:
  // `slp` supplies the user functions (may be NULL when there are none).
  NlpModel(const Model &m, OSLPprob slp);
  ~NlpModel();
  NlpModel(const NlpModel &) = delete;
  NlpModel &operator=(const NlpModel &) = delete;

  int ncols() const;
  int nrows() const;
  // True when some row has nonlinear coefficients (not only quadratics).
  bool has_formulas() const;

  // Objective (minimization sense as stored: the caller applies objsense).
  double objective(const double *x) const;
  void objective_gradient(const double *x, double *grad) const;

  // Row activities: the left-hand side of every row at x.
  void rows(const double *x, double *activity) const;
  const Pattern &jacobian_pattern() const;
  void jacobian_values(const double *x, double *values) const;

  // Hessian of obj_factor * objective + sum_i lambda[i] * row_i.
  const Pattern &hessian_pattern() const;
  void hessian_values(const double *x, double obj_factor, const double *lambda,
                      double *values) const;

  // Evaluation errors (log of a negative number, division by zero, a user
  // function that fails) throw ondr::Error with a message naming the row;
  // the problem's coefevalerror callbacks hear of them first.

  // The optimizer problem whose callbacks the evaluations call (may be null).
  ONDRprob problem() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ondr
