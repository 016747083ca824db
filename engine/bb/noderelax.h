// Node relaxations of the tree search. A node's relaxation is the
// continuous problem under the node's bounds: an LP, a QP (quadratic
// objective, linear rows) on HiGHS, or an NLP (quadratic rows, formulas,
// or a quadratic objective HiGHS's QP solver cannot take) on the local
// solver, started from the parent's solution. Every kind answers to the
// same interface, so the search, branching, diving and cuts need not know
// which one solves.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "bb/node.h"
#include "controls/values.h"
#include "env/problem.h"
#include "model/store.h"
#include "nlp/local_solver.h"

namespace ondr {

class HighsHandle;
class NlpModel;

namespace bb {

struct BbModel;

// HiGHS's index type (HighsInt is int in the wheel the library is built on).
using HighsIntLike = int;

enum class LpStatus { Optimal, Infeasible, Cutoff, Unbounded, IterLimit, Stopped };

enum class RelaxKind { Lp, Qp, Nlp };

// What a search over a nonlinear problem shares between its relaxations:
// the continuous relaxation of the store (integrality dropped, sets gone,
// indicator rows free), its evaluator, the true bounds of its rows and
// whether every node relaxation is convex.
struct NonlinearPart {
  RelaxKind kind = RelaxKind::Nlp;
  // Convex: a local optimum of a node's relaxation is its global one, so
  // node values are valid bounds and local infeasibility is infeasibility.
  bool convex = false;
  std::string why;                  // why not convex
  double sense = 1.0;               // internal (minimization) value = sense * stored objective
  Model relaxed;
  OSLPprob slp = nullptr;           // user functions of the formulas (may be null)
  std::unique_ptr<NlpModel> eval;   // evaluates `relaxed` (under eval_lock)
  mutable std::mutex eval_lock;
  std::vector<char> nonlinear_row;  // rows with quadratic or formula terms
  std::vector<double> glo, gup;     // bounds of every row of `relaxed` (indicator rows: enforced)
  LocalOptions options;             // node solves: tolerances, iteration limit
  std::vector<double> start;        // the root's start: the columns' initial values, else 0
  // Set when a node's value bounded nothing: a nonconvex relaxation, or a
  // local solve that failed; the search then proves nothing.
  mutable std::atomic<bool> unproven{false};
  NonlinearPart();
  ~NonlinearPart();
};

// Whether the store has content the LP relaxation does not hold: a
// quadratic objective, quadratic rows or nonlinear coefficients.
bool has_nonlinear_content(const Model &m);

// The search's model of a problem with nonlinear content: build_model's,
// with the objective in `sense` (1 minimize, -1 maximize), the rows with
// nonlinear terms free for propagation and rounding (their linear part
// alone bounds nothing), the quadratic objective as the LP's Hessian for
// node QPs, and the nonlinear part attached. Indicator rows with
// nonlinear terms are refused.
// `o` gives the node solves' tolerances and iteration limit.
BbModel build_nonlinear_model(const Model &m, OSLPprob slp, int sense, const LocalOptions &o);

// Internal objective value of x (minimization form, constant included).
double nonlinear_objective(const NonlinearPart &part, const std::vector<double> &x);
// Whether x keeps the rows with nonlinear terms within feastol (scaled by
// the size of the bound, as the linear rows are checked).
bool nonlinear_rows_hold(const NonlinearPart &part, const std::vector<double> &x, double feastol);
// Row activities of the store's rows at x, quadratic and formula terms
// included.
std::vector<double> nonlinear_activities(const NonlinearPart &part, const std::vector<double> &x);

class NodeRelax {
 public:
  virtual ~NodeRelax() = default;
  virtual void set_col_bounds(const std::vector<double> &lo, const std::vector<double> &up) = 0;
  virtual void set_row_bounds(const std::vector<double> &lo, const std::vector<double> &up) = 0;
  virtual const std::vector<double> &col_lo() const = 0;
  virtual const std::vector<double> &col_up() const = 0;
  virtual void row_bounds(std::vector<double> &lo, std::vector<double> &up) const = 0;
  virtual void add_rows(const std::vector<double> &lo, const std::vector<HighsIntLike> &start,
                        const std::vector<HighsIntLike> &index, const std::vector<double> &value) = 0;
  virtual void delete_extra_rows(const std::vector<int> &extra) = 0;
  virtual bool set_basis(const Basis &b) = 0;
  virtual std::shared_ptr<Basis> basis() const = 0;
  virtual LpStatus solve(double cutoff, int64_t iter_limit) = 0;
  virtual double objective() const = 0;
  virtual const std::vector<double> &x() const = 0;
  virtual const std::vector<double> &row_activity() const = 0;
  // Reduced costs of the columns at the last solution; empty when unknown.
  virtual const std::vector<double> &reduced_costs() const { return no_values_; }
  virtual int stop_reason() const = 0;
  virtual int64_t iterations() const = 0;
  // The HiGHS instance that solves, null when the local solver does.
  virtual HighsHandle *highs() { return nullptr; }

 private:
  std::vector<double> no_values_;
};

// Node relaxation on HiGHS: LP, or QP when bm.lp has a Hessian. With
// `soft_failure`, a run HiGHS cannot finish ends Stopped with stop reason
// 0 (the caller hands the node to another solver) instead of failing.
std::unique_ptr<NodeRelax> make_highs_relax(ONDRprob prob, const BbModel &bm,
                                            const ControlValues &c, std::function<int()> stop,
                                            bool soft_failure);
// Node relaxation on the local nonlinear solver.
std::unique_ptr<NodeRelax> make_nlp_relax(const BbModel &bm, std::function<int()> stop);

// Solves a problem with integer columns (sets, indicators) and nonlinear
// content by the tree search over nonlinear relaxations; fills `res` as
// solve_tree does. Statuses: with every relaxation proven convex, the MIP
// statuses of a proven search (optimal, infeasible); otherwise the search
// proves nothing: "solution found" (4) for the best point, "no solution
// found" (3) when none, and no best bound.
void solve_nonlinear_tree(ONDRprob prob, Results &res);
// The same for the nonlinear layer's solve (objective sense and limits of
// the nonlinear layer); fills the nonlinear results too: globally optimal
// (2) only for a convex problem, else a solution (1), locally infeasible
// (3) or infeasible (4), unfinished (6) when a limit stopped it.
void solve_nonlinear_tree(OSLPprob s);

}  // namespace bb
}  // namespace ondr
