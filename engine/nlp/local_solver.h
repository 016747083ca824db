// The local nonlinear solvers (Ipopt and our successive linear programming)
// and what they share: a continuous problem compiled from the model, solver
// options, and a result that the callers turn into the optimizer's or the
// nonlinear layer's solution.
#pragma once
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "ondr_base.h"

namespace ondr {

class NlpModel;
struct Model;

// A continuous problem: minimize sense * f(x) subject to gl <= g(x) <= gu and
// xl <= x <= xu, with f and g evaluated by an NlpModel.
struct LocalProblem {
  const NlpModel *model = nullptr;
  int n = 0, m = 0;
  double sense = 1.0;                  // +1 minimize, -1 maximize
  std::vector<double> xl, xu;          // column bounds (+-1e20: none)
  std::vector<double> gl, gu;          // row bounds from type, rhs and range
  std::vector<double> rhs;             // rhs of each row for slacks (0 for free rows)
  std::vector<char> nonlinear_row;     // row with quadratic or formula terms
  std::vector<char> nonlinear_col;     // column inside a quadratic or formula term
  std::vector<double> x0;              // starting point
  std::vector<double> stepbound0;      // SLP: initial step bound of a column (0: the default)
  // Columns computed from their determining row (cascading): the column
  // enters that row linearly with coefficient `coef` and nowhere nonlinearly.
  struct Determined {
    int col, row;
    double coef;
    int limit;                         // most recomputations in one cascade
  };
  std::vector<Determined> determined;
  std::vector<std::string> rownames;   // for messages
  // SLP only. Step caps of a column: absolute (0 none), relative to
  // max(1, |x|) (0 none), or no step bound at all.
  std::vector<double> stepcap, steprel;
  std::vector<char> nostep;
  std::vector<char> softstep;          // the step may pass its bound at a cost (penalty delta)
  std::vector<double> steppenalty;     // that cost per unit (0: the solver's)
  std::vector<double> damp;            // share of the LP step taken (1: all)
  std::vector<double> rowwt;           // penalty weight factor of each row
  std::vector<char> hard_row;          // rows kept without penalty columns
  struct Df {
    int col, row;
    double factor;
  };
  std::vector<Df> dfs;                 // derivative factors of the linearization
  struct Tol {
    int status;
    double tol[9];
  };
  std::vector<Tol> tolsets;            // set k is tolsets[k - 1]
  std::vector<int> coltol;             // tolerance set of each column (0 none)
};

// What an SLP solve leaves about its last LP and its iterations, by row
// and by column (OSLPgetrowinfo / OSLPgetcolinfo / OSLPgetvar).
struct SlpRowInfo {
  int nerr = 0;                        // LPs whose penalty columns were used
  double maxerr = 0.0, toterr = 0.0, curerr = 0.0, weight = 0.0;
  int pluscol = -1, minuscol = -1;     // LP column indices, -1 none
  double plusval = 0.0, plusdj = 0.0, minusval = 0.0, minusdj = 0.0;
};
struct SlpColInfo {
  int deltaindex = -1, updaterow = -1, converged = 0, history = 0, penaltydelta = -1;
  double delta = 0.0, deltadj = 0.0, sb = 0.0, sbdual = 0.0, oldvalue = 0.0;
};
struct SlpInfo {
  std::vector<SlpRowInfo> rows;
  std::vector<SlpColInfo> cols;
};

struct LocalOptions {
  int64_t iterlimit = 1000;
  double feastol = 1e-6, opttol = 1e-6;
  double compltol = 0.0;                // Ipopt: complementarity tolerance (0: its own)
  double timelimit = 1e20;             // seconds of wall time
  double stepbound = 1.0;              // SLP: initial step bound (relative)
  double penalty = 1000.0;             // SLP: initial penalty weight (relative)
  bool log = false;
  bool echo = false;                   // SLP: the LP solver's own log too
  bool exact_hessian = true;           // Ipopt: false for a quasi-Newton Hessian
  // Ipopt: linear rows and a quadratic objective (a QP), so the Jacobian
  // and the Hessian of the Lagrangian are constant and evaluated once; a
  // convex QP also takes Mehrotra's predictor-corrector steps.
  bool qp = false;
  bool convex_qp = false;
  ONDRprob msgprob = nullptr;          // log lines go through its message path
  std::function<int()> interrupted;    // nonzero: stop at the next check
};

enum class LocalStatus {
  Optimal,            // locally optimal within the tolerances
  LocallyInfeasible,  // converged to a point that minimizes infeasibility
  Infeasible,         // infeasible (linear constraints or bounds)
  Unbounded,
  IterLimit,
  TimeLimit,
  Interrupted,
  EvalError,          // a function could not be evaluated and the solver could not go on
  Stalled,            // no more progress possible: a solution when the point is feasible
  Failed,             // numerical failure
};

struct LocalResult {
  LocalStatus status = LocalStatus::Failed;
  std::string message;                 // why it stopped, when it did not converge
  bool has_x = false;
  std::vector<double> x;               // final point
  // Row multipliers: derivative of the optimal sense * f with respect to the
  // active bound of the row (0 for inactive and free rows).
  std::vector<double> y;
  int64_t iter = 0;
  // A fatal evaluation error ended the solve: nothing may be evaluated any
  // more; `obj` is the objective at the last point evaluated (NAN: none).
  bool fatal = false;
  double obj = NAN;
  SlpInfo info;                        // SLP solves only
};

const char *local_status_name(LocalStatus s);

// An evaluation error after which the solve must stop at once: a user
// function that failed (its caller may hold a pending error of its own and
// must not be called again). Other errors (log of a negative number at a
// trial point) only reject that point.
bool fatal_eval_error(const std::string &message);

LocalResult solve_ipopt(const LocalProblem &p, const LocalOptions &o);
LocalResult solve_slp(const LocalProblem &p, const LocalOptions &o);

// `initial` (may be NULL or shorter than the columns) gives starting values;
// the rest start at 0 moved into their bounds.
LocalProblem build_local_problem(const Model &m, const NlpModel &nm, double sense,
                                 const std::vector<double> *initial);

// The solution in the optimizer's conventions: objective in the model's own
// sense (constant included), slack = rhs - activity, duals with objective
// change = dual * rhs change, reduced costs = gradient - duals' rows.
struct LocalSolution {
  double obj = 0.0, maxinfeas = 0.0;
  std::vector<double> x, slack, dual, dj;
};
LocalSolution finish_solution(const LocalProblem &p, const LocalResult &r);

// Sets every determined column from its row so that the row holds (within
// the column's bounds). False, with the error, when the rows cannot be
// evaluated at x.
bool cascade_point(const LocalProblem &p, std::vector<double> &x, std::string *error);
// Puts determined columns in cascade order: sequence numbers first, then
// each column after the determined columns its row holds. `row_nlcols`:
// the columns inside each row's nonlinear terms.
void order_determined(const Model &m, const std::vector<std::set<int>> &row_nlcols,
                      std::vector<LocalProblem::Determined> &det);

// How far v lies outside [lo, hi]; infinite bounds (+-1e20) never bind.
inline double bound_violation(double v, double lo, double hi) {
  double d = 0.0;
  if (lo > -1e20 && lo - v > d) d = lo - v;
  if (hi < 1e20 && v - hi > d) d = v - hi;
  return d;
}

// v moved into [lo, hi]; infinite bounds (+-1e20) do not move it.
inline double clamp_to_bounds(double v, double lo, double hi) {
  if (lo > -1e20 && v < lo) v = lo;
  if (hi < 1e20 && v > hi) v = hi;
  return v;
}

// Largest violation of rows and bounds at x (rows given as activities).
double max_violation(const LocalProblem &p, const double *x, const double *activity);

// Convexity of the quadratic content: the objective in the sense given (1
// minimize, -1 maximize) and every quadratic row in its direction. `why`
// gets the first reason it is not.
bool quadratic_content_convex(const Model &m, int sense, std::string *why);

}  // namespace ondr
