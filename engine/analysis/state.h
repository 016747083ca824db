// What the analysis functions share: checks of the problem's state, the LP
// a basis belongs to (the problem's relaxation or its presolved form), and
// a HiGHS instance holding that basis for basis solves.
#pragma once
#include <memory>
#include <vector>
#include "env/problem.h"
#include "lp/lpdata.h"

namespace ondr {

// A linear program in bound form: columns lo <= x <= up with costs, rows
// rlo <= A x <= rup, A by columns. Infinite sides are +-kInf.
struct LpView {
  int sense = 1;
  double offset = 0.0;
  std::vector<double> cost, lo, up, rlo, rup;
  Csc a;
  int ncols() const { return (int)cost.size(); }
  int nrows() const { return (int)rlo.size(); }
  // rhs - activity, the rhs being the upper end when finite, else the lower.
  double slack_of(int i, double activity) const;
};

// The continuous relaxation of the store, unscaled.
LpView store_view(const Model &m);

// Throws ERR_STATE naming `what` unless the last solve left an LP solution
// of the current model (with duals when `duals`).
const Results &solution_of(ONDRprob prob, const char *what, bool duals);

// Throws ERR_STATE naming `what` while another call is solving the problem:
// the solver's instance is in use.
void require_idle(ONDRprob prob, const char *what);

// Statuses fitted to the bounds of `v` (see fit_status).
void fit_basis(const LpView &v, std::vector<int> &cs, std::vector<int> &rs);

// Checks a basis given by the caller: one status 0..3 each.
void check_statuses(const int rstatus[], const int cstatus[], int nrows, int ncols);

// Derives a start basis for the next LP solve from a (partial) solution of
// the problem `v` describes (its relaxation) and makes it the warm basis.
// Returns 0 when the derived basis was square, 1 when basic variables had
// to be added or removed.
int derive_start_basis(ONDRprob prob, const LpView &v, const double x[], const double slack[],
                       const double dual[], const double dj[]);

// A HiGHS instance holding the current basis of the problem, or of its
// presolved form while that is held, ready for basis solves.
struct BasisSolver {
  void *highs = nullptr;
  std::shared_ptr<const LpView> lp;
  std::vector<int> cstat, rstat;  // the basis held (public codes)
  int nrows() const { return lp->nrows(); }
  // The basic variables in pivot order (rows i, columns nrows + j).
  std::vector<int> pivot_order() const;
  // x = B^-1 rhs (by positions), y = B^-T rhs (by rows).
  std::vector<double> solve(const std::vector<double> &rhs) const;
  std::vector<double> solve_transposed(const std::vector<double> &rhs) const;
};
// `what` names the query in the error raised when there is no basis.
BasisSolver basis_solver(ONDRprob prob, const char *what);

}  // namespace ondr
