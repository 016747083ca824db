#include "bb/search.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include "bb/branch.h"
#include "bb/cuts.h"
#include "bb/heuristics.h"
#include "bb/nodelp.h"
#include "bb/propagate.h"
#include "controls/ids.h"
#include "env/environment.h"
#include "env/error.h"
#include "lp/solve.h"

namespace ondr {
namespace bb {

namespace {

constexpr double kPosInf = std::numeric_limits<double>::infinity();
constexpr int kStopTime = 1, kStopNodes = 3, kStopGap = 5, kStopSolutions = 6;
constexpr int kDiveEvery = 100;    // nodes between dives of the diving heuristic
constexpr int kDiveEveryUntilSolution = 10;  // ... while there is no incumbent
constexpr int kDiveLps = 40;       // LP solves of one dive
constexpr int kLogEvery = 1000;    // nodes between log lines
constexpr int kCutRounds = 20;     // rounds of root cuts at most
constexpr int kCutsPerRound = 100; // cuts added by one round at most
constexpr int kCutMaxAge = 3;      // rounds a slack cut stays in the LP

class Search {
 public:
  Search(ONDRprob prob, const BbModel &bm, const SearchLimits &lim, const NodeEvents &ev)
      : prob_(prob), bm_(bm), lim_(lim), ev_(ev),
        lp_(prob, bm, prob->controls, [this] { return external_stop(); }),
        heur_(bm, prob->model, lim.feastol, lim.inttol), pc_(bm.ncols()) {
    bs_.inttol = lim.inttol;
    bs_.feastol = lim.feastol;
    log_ = prob->controls.geti(id::OUTPUTLOG) != 0;
    bs_.reliability = (int)prob->controls.geti(id::BRANCHRELIABILITY);
    bs_.max_strong = (int)prob->controls.geti(id::BRANCHMAXSTRONG);
  }
  SearchOutcome run();

 private:
  int external_stop() const {
    int r = prob_->interrupt_reason.load();
    if (r) return r;
    return clock_.seconds() >= lim_.timelimit ? kStopTime : 0;
  }
  double threshold() const {
    double inc = out_.has_incumbent ? out_.value : kPosInf;
    double t = std::min(inc, lim_.cutoff < kInf ? lim_.cutoff : kPosInf);
    if (!std::isfinite(t)) return kPosInf;
    return t - 1e-9 * std::max(1.0, std::fabs(t));
  }
  bool gap_closed(double lb) const {
    if (!out_.has_incumbent || !std::isfinite(lb)) return false;
    double gap = out_.value - lb;
    return gap <= lim_.absgap || gap <= lim_.relgap * std::fabs(out_.value);
  }
  void incumbent(const std::vector<double> &x, double v);
  void show(const Node &n, const std::vector<double> *lp_x = nullptr, double lp_obj = 0.0);
  void cutoff_event(const Node &n, const std::vector<double> *lp_x = nullptr, double lp_obj = 0.0);
  void infeasible_event(const Node &n);
  void process(Node &node, std::optional<Node> &next);
  void branch_node(Node &node, const Branching &b, double obj, const std::vector<double> &x,
                   const std::shared_ptr<const Basis> &basis, std::optional<Node> &next);
  void log_line(const char *what);
  LpStatus root_cuts(double &obj, std::vector<double> &x);

  ONDRprob prob_;
  const BbModel &bm_;
  SearchLimits lim_;
  const NodeEvents &ev_;
  Stopwatch clock_;
  NodeLp lp_;
  Heuristics heur_;
  Pseudocosts pc_;
  CutPool pool_;
  BranchSettings bs_;
  NodeQueue queue_;
  std::vector<double> root_lo_, root_up_;
  SearchOutcome out_;
  const Node *current_ = nullptr;  // the node being processed, for intsol
  int64_t next_id_ = 0;
  int64_t last_solved_ = -1;  // node whose LP state HiGHS holds, -1 none
  int stop_ = 0;
  bool root_unbounded_ = false, log_ = false;
};

void Search::log_line(const char *what) {
  if (!log_) return;
  double lb = queue_.best_bound();
  emit_message(prob_, 1,
               format("%s nodes %lld open %zu bound %.10g best %s time %.2fs", what,
                      (long long)out_.nodes, queue_.size(), bm_.sense * (std::isfinite(lb) ? lb : out_.value),
                      out_.has_incumbent ? format("%.10g", bm_.sense * out_.value).c_str() : "none",
                      clock_.seconds()));
}

void Search::incumbent(const std::vector<double> &x, double v) {
  if (v >= threshold()) return;
  out_.has_incumbent = true;
  out_.x = x;
  out_.value = v;
  ++out_.solutions;
  queue_.prune(threshold());
  if (ev_.intsol) {
    if (current_) show(*current_);
    ev_.intsol(x, v);
  }
  if (ev_.progress) {
    if (current_) show(*current_);
    ev_.progress(out_.value, std::min(queue_.best_bound(), out_.value));
  }
  log_line("solution");
  if (out_.solutions >= lim_.maxsol && !stop_) stop_ = kStopSolutions;
}

void Search::show(const Node &n, const std::vector<double> *lp_x, double lp_obj) {
  if (!ev_.publish) return;
  SearchView v;
  v.lp_x = lp_x;
  v.lp_obj = lp_obj;
  v.nodes = out_.nodes;
  v.solutions = out_.solutions;
  v.bound = std::min(n.bound, queue_.best_bound());
  v.has_incumbent = out_.has_incumbent;
  v.incumbent = &out_.x;
  v.value = out_.value;
  ev_.publish(v);
}

void Search::cutoff_event(const Node &n, const std::vector<double> *lp_x, double lp_obj) {
  if (!ev_.nodecutoff) return;
  show(n, lp_x, lp_obj);
  ev_.nodecutoff(n);
}

void Search::infeasible_event(const Node &n) {
  if (!ev_.infnode) return;
  show(n);
  ev_.infnode(n);
}

void Search::branch_node(Node &node, const Branching &b, double obj, const std::vector<double> &x,
                         const std::shared_ptr<const Basis> &basis, std::optional<Node> &next) {
  std::vector<Node> kids;
  for (size_t k = 0; k < b.children.size(); ++k) {
    Node c;
    c.id = next_id_++;
    c.parent = node.id;
    c.depth = node.depth + 1;
    c.bound = obj;
    auto d = std::make_shared<Delta>();
    d->parent = node.delta;
    d->own = b.children[k];
    c.delta = std::move(d);
    c.basis = basis;
    if (b.col >= 0) {
      c.branch.col = b.col;
      c.branch.up = k == 1;
      c.branch.dist = k == 0 ? b.value - std::floor(b.value) : std::ceil(b.value) - b.value;
      c.branch.parent_obj = obj;
    }
    if (ev_.newnode) {
      show(node, &x, obj);
      ev_.newnode(node, c, (int)k);
    }
    kids.push_back(std::move(c));
  }
  if (kids.empty()) return;
  size_t pref = (size_t)b.preferred < kids.size() ? (size_t)b.preferred : 0;
  double lb = queue_.best_bound();
  bool dive = !out_.has_incumbent || !std::isfinite(lb) ||
              obj <= lb + 0.3 * (out_.value - lb);
  for (size_t k = 0; k < kids.size(); ++k) {
    if (k == pref && dive) next = std::move(kids[k]);
    else queue_.push(std::move(kids[k]));
  }
}

void Search::process(Node &node, std::optional<Node> &next) {
  std::vector<double> lo = root_lo_, up = root_up_;
  apply_path(node, lo, up);
  current_ = &node;
  if (ev_.prenode) {
    show(node);
    if (ev_.prenode(node)) return;
  }
  std::vector<int> seeds;
  if (node.delta)
    for (const BoundChange &c : node.delta->own) seeds.push_back(c.col);
  ++out_.nodes;
  Propagation p = propagate(bm_, lo, up, seeds, lim_.feastol);
  if (p.infeasible) {
    infeasible_event(node);
    return;
  }
  if (!p.changed.empty()) {
    auto d = std::make_shared<Delta>();
    d->parent = node.delta;
    for (int j : p.changed) d->own.push_back({j, lo[(size_t)j], up[(size_t)j]});
    node.delta = std::move(d);
  }
  lp_.set_col_bounds(lo, up);
  std::vector<double> rlo, rup;
  node_row_bounds(bm_, lo, up, rlo, rup);
  lp_.set_row_bounds(rlo, rup);
  // A child solved right after its parent starts from the basis HiGHS holds.
  if (node.basis && node.parent != last_solved_) lp_.set_basis(*node.basis);
  LpStatus st = lp_.solve(threshold());
  last_solved_ = -1;
  switch (st) {
    case LpStatus::Infeasible:
      infeasible_event(node);
      return;
    case LpStatus::Cutoff:
      cutoff_event(node);
      return;
    case LpStatus::Unbounded:
      if (node.depth == 0) {
        root_unbounded_ = true;
        return;
      }
      fail(ERR_SOLVER, "A node LP of the search is unbounded although the root LP is not");
    case LpStatus::Stopped:
    case LpStatus::IterLimit:
      --out_.nodes;
      queue_.push(node);
      stop_ = lp_.stop_reason() ? lp_.stop_reason() : kStopTime;
      return;
    case LpStatus::Optimal: break;
  }
  double obj = lp_.objective();
  std::vector<double> x = lp_.x();
  if (node.branch.col >= 0 && node.branch.dist > 0)
    pc_.add(node.branch.col, node.branch.up,
            std::max(0.0, obj - node.branch.parent_obj) / node.branch.dist);
  node.bound = std::max(node.bound, obj);
  if (obj >= threshold()) {
    cutoff_event(node, &x, obj);
    return;
  }
  if (node.depth == 0) {
    LpStatus cs = root_cuts(obj, x);
    if (cs == LpStatus::Stopped) {
      --out_.nodes;
      queue_.push(node);
      stop_ = lp_.stop_reason() ? lp_.stop_reason() : kStopTime;
      return;
    }
    if (cs != LpStatus::Optimal || obj >= threshold()) {
      cutoff_event(node, cs == LpStatus::Optimal ? &x : nullptr, obj);
      return;
    }
    node.bound = std::max(node.bound, obj);
  }
  if (ev_.optnode) {
    show(node, &x, obj);
    if (ev_.optnode(node)) return;
  }
  last_solved_ = node.id;
  std::shared_ptr<const Basis> basis = lp_.basis();
  std::vector<int> frac = fractional_columns(bm_, x, lo, up, lim_.inttol);
  Branching b;
  if (frac.empty()) {
    if (!special_branching(bm_, x, lo, up, bs_, b)) {
      if (is_feasible(bm_, prob_->model, x, lim_.feastol, lim_.inttol)) incumbent(x, obj);
      return;
    }
  } else {
    std::vector<double> rounded;
    if (heur_.round(x, lo, up, rounded)) incumbent(rounded, objective_of(bm_, rounded));
    b = choose_integer_branch(bm_, lp_, x, obj, frac, pc_, bs_, threshold());
    int every = out_.has_incumbent ? kDiveEvery : kDiveEveryUntilSolution;
    if (out_.nodes == 1 || out_.nodes % every == 0) {
      std::vector<double> dived;
      if (heur_.dive(lp_, lo, up, x, threshold(), kDiveLps, dived))
        incumbent(dived, objective_of(bm_, dived));
      last_solved_ = -1;
    }
  }
  branch_node(node, b, obj, x, basis, next);
}

// Rounds of Gomory and cover cuts on the root LP (solved, objective obj, solution
// x), until a round finds none or the bound stalls; obj and x follow.
LpStatus Search::root_cuts(double &obj, std::vector<double> &x) {
  int stalls = 0;
  for (int round = 0; round < prob_->controls.geti(id::CUTROUNDS) && stalls < 2; ++round) {
    std::vector<Cut> cuts = gomory_cuts(bm_, lp_, pool_, x, lim_.inttol, kCutsPerRound);
    for (Cut &c : cover_cuts(bm_, lp_.col_lo(), lp_.col_up(), bm_.lp.rowlo, bm_.lp.rowup, x,
                             kCutsPerRound))
      cuts.push_back(std::move(c));
    if (cuts.empty()) break;
    pool_.add(lp_, std::move(cuts));
    LpStatus st = lp_.solve(threshold());
    if (st != LpStatus::Optimal) return st;
    if (pool_.age(lp_, lp_.x(), kCutMaxAge) > 0) {
      st = lp_.solve(threshold());
      if (st != LpStatus::Optimal) return st;
    }
    double gain = lp_.objective() - obj;
    stalls = gain < 1e-4 * std::max(1.0, std::fabs(obj)) ? stalls + 1 : 0;
    obj = lp_.objective();
    x = lp_.x();
  }
  if (log_) log_line(format("root cuts %zu", pool_.cuts().size()).c_str());
  return LpStatus::Optimal;
}

SearchOutcome Search::run() {
  root_lo_ = bm_.lp.collo;
  root_up_ = bm_.lp.colup;
  for (int j = 0; j < bm_.ncols(); ++j) {
    if (!integral_here(bm_, j, root_lo_[(size_t)j], root_up_[(size_t)j])) continue;
    if (!is_inf_bound(root_lo_[(size_t)j])) root_lo_[(size_t)j] = std::ceil(root_lo_[(size_t)j] - lim_.inttol);
    if (!is_inf_bound(root_up_[(size_t)j])) root_up_[(size_t)j] = std::floor(root_up_[(size_t)j] + lim_.inttol);
  }
  bool infeasible = false;
  for (int j = 0; j < bm_.ncols(); ++j)
    if (root_lo_[(size_t)j] > root_up_[(size_t)j]) infeasible = true;
  if (!infeasible) infeasible = integer_rows_infeasible(bm_);
  if (!infeasible) infeasible = propagate(bm_, root_lo_, root_up_, {}, lim_.feastol).infeasible;
  std::optional<Node> next;
  if (!infeasible) {
    Node root;
    root.id = next_id_++;
    root.bound = -kPosInf;
    next = std::move(root);
  }
  while (!stop_) {
    if (!next) {
      if (queue_.empty()) break;
      next = queue_.pop_best();
    }
    Node node = std::move(*next);
    next.reset();
    double lb = std::min(node.bound, queue_.best_bound());
    if (gap_closed(lb)) {
      queue_.push(std::move(node));
      stop_ = kStopGap;
      break;
    }
    int r = external_stop();
    if (!r && out_.nodes >= lim_.maxnode) r = kStopNodes;
    if (r) {
      queue_.push(std::move(node));
      stop_ = r;
      break;
    }
    if (node.bound >= threshold()) {
      cutoff_event(node);
      continue;
    }
    if (ev_.progress && out_.has_incumbent) {
      show(node);
      ev_.progress(out_.value, lb);
    }
    process(node, next);
    current_ = nullptr;
    if (root_unbounded_) break;
    if (log_ && out_.nodes % kLogEvery == 0) log_line("search");
  }
  if (next) queue_.push(std::move(*next));
  out_.lp_iterations = lp_.iterations();
  if (root_unbounded_) {
    out_.end = SearchEnd::Unbounded;
    return out_;
  }
  double lb = queue_.best_bound();
  if (stop_ == kStopGap || (!stop_ && queue_.empty())) {
    out_.end = out_.has_incumbent ? SearchEnd::Optimal : SearchEnd::Infeasible;
    out_.stop_reason = stop_ == kStopGap ? kStopGap : 0;
    out_.bound = out_.has_incumbent ? std::min(lb, out_.value) : kInf;
  } else {
    out_.end = SearchEnd::Stopped;
    out_.stop_reason = stop_;
    out_.bound = std::min(lb, out_.has_incumbent ? out_.value : kPosInf);
    if (!std::isfinite(out_.bound)) out_.bound = out_.has_incumbent ? out_.value : -kInf;
  }
  log_line("end");
  return out_;
}

}  // namespace

SearchOutcome run_search(ONDRprob prob, const BbModel &bm, const SearchLimits &lim,
                         const NodeEvents &events) {
  Search s(prob, bm, lim, events);
  return s.run();
}

}  // namespace bb
}  // namespace ondr
