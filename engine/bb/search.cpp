#include "bb/search.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include "bb/branch.h"
#include "bb/branchobj.h"
#include "bb/cuts.h"
#include "bb/heuristics.h"
#include "bb/nodelp.h"
#include "bb/propagate.h"
#include "controls/ids.h"
#include "cuts/dirs.h"
#include "cuts/lprows.h"
#include "cuts/node.h"
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
constexpr int kUserCutRounds = 50; // optnode rounds of one node that change its cuts

class Search {
 public:
  Search(ONDRprob prob, const BbModel &bm, const SearchLimits &lim, const NodeEvents &ev)
      : prob_(prob), bm_(bm), lim_(lim), ev_(ev),
        lp_(prob, bm, prob->controls, [this] { return external_stop(); }),
        heur_(bm, prob->model, lim.feastol, lim.inttol), pc_(bm.ncols()),
        rows_(prob, prob->model), dirs_(prob, bm.ncols()) {
    bs_.inttol = lim.inttol;
    bs_.feastol = lim.feastol;
    log_ = prob->controls.geti(id::OUTPUTLOG) != 0;
    dirs_.seed(pc_);
    bs_.reliability = (int)prob->controls.geti(id::BRANCHRELIABILITY);
    bs_.max_strong = (int)prob->controls.geti(id::BRANCHMAXSTRONG);
  }
  // Figures of the rows kept out of the model, for the problem's attributes.
  void report_rows() const;
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
  void incumbent(const std::vector<double> &x, double v, int soltype = SOL_NODE);
  void show(const Node &n, const std::vector<double> *lp_x = nullptr, double lp_obj = 0.0);
  void cutoff_event(const Node &n, const std::vector<double> *lp_x = nullptr, double lp_obj = 0.0);
  void infeasible_event(const Node &n);
  void process(Node &node, std::optional<Node> &next);
  // `cuts`: the node's cuts, which every child inherits; each child also
  // gets the cuts and rows its branch names (b.cuts, b.rows).
  void branch_node(Node &node, const Branching &b, double obj, const std::vector<double> &x,
                   const std::shared_ptr<const Basis> &basis, std::optional<Node> &next,
                   const std::shared_ptr<const std::vector<uint64_t>> &cuts = nullptr);
  // Per child of b: its cuts, and its rows made cuts of this search (which
  // leave the problem when the search ends).
  std::vector<std::vector<uint64_t>> child_cuts(const Branching &b);
  void log_line(const char *what);
  LpStatus root_cuts(double &obj, std::vector<double> &x);
  // The node's LP rows made to hold the marked rows taken and `active`.
  void sync_rows(const std::vector<uint64_t> &active);
  // The separators' cuts put in the problem's cut pool (those of an
  // earlier search leave it).
  void publish_root_cuts();
  // Re-solves the node's LP after its rows changed; false when the node is
  // done with (infeasible, cut off or requeued on a stop).
  bool resolve(Node &node, const cuts::NodeContext &ctx, double &obj, std::vector<double> &x);
  // Takes the marked rows x violates into the LP and re-solves until none
  // is violated; false as for resolve.
  bool settle_marked(Node &node, cuts::NodeContext &ctx, double &obj, std::vector<double> &x);

  ONDRprob prob_;
  const BbModel &bm_;
  SearchLimits lim_;
  const NodeEvents &ev_;
  Stopwatch clock_;
  NodeLp lp_;
  Heuristics heur_;
  Pseudocosts pc_;
  CutPool pool_;
  cuts::SearchRows rows_;
  cuts::SearchDirs dirs_;
  int64_t max_lp_rows_ = 0;
  std::vector<uint64_t> resident_;  // pool tokens of pool_'s cuts, in LP order
  BranchSettings bs_;
  NodeQueue queue_;
  std::vector<double> root_lo_, root_up_;
  SearchOutcome out_;
  const Node *current_ = nullptr;  // the node being processed, for intsol
  int64_t next_id_ = 0;
  int64_t last_solved_ = -1;  // node whose LP state HiGHS holds, -1 none
  int stop_ = 0;
  bool root_unbounded_ = false, log_ = false;
  UserBranching user_;   // branching objects and node rows (bb/branchobj.h)
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

void Search::incumbent(const std::vector<double> &x, double v, int soltype) {
  if (v >= threshold()) return;
  // A candidate that breaks a row kept out of the LP is refused; the row
  // joins the LP of the nodes solved from now on.
  if (rows_.rejects(x, lim_.feastol)) return;
  if (ev_.preintsol && current_) show(*current_, &x, v);
  if (!user_.accepts(ev_, soltype, out_, lim_.cutoff) || v >= threshold()) return;
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
  v.node = n.id + 1;
  v.parent = n.parent + 1;
  v.depth = n.depth;
  v.active = (int64_t)queue_.size();
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

void Search::branch_node(Node &node, const Branching &own, double obj, const std::vector<double> &x,
                         const std::shared_ptr<const Basis> &basis, std::optional<Node> &next,
                         const std::shared_ptr<const std::vector<uint64_t>> &cuts) {
  // A branching object stored for the node, or one chgbranchobject gives,
  // replaces the search's own branching (or the children a callback gave
  // with setbranchbounds/setbranchcuts, which chgbranchobject is offered).
  Branching by_user;
  bool user = user_.replaces(ev_);
  if (user) {
    std::vector<double> lo = root_lo_, up = root_up_;
    apply_path(node, lo, up);
    show(node, &x, obj);
    by_user = user_.branching(ev_, node, own, lo, up);
  }
  const Branching &b = user ? by_user : own;
  std::vector<std::vector<uint64_t>> extra = child_cuts(b);
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
    c.cuts = cuts;
    if (k < extra.size() && !extra[k].empty()) {
      auto all = std::make_shared<std::vector<uint64_t>>(cuts ? *cuts : std::vector<uint64_t>());
      all->insert(all->end(), extra[k].begin(), extra[k].end());
      c.cuts = std::move(all);
    }
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

std::vector<std::vector<uint64_t>> Search::child_cuts(const Branching &b) {
  std::vector<std::vector<uint64_t>> out(b.children.size());
  for (size_t k = 0; k < out.size(); ++k) {
    if (k < b.cuts.size()) out[k] = b.cuts[k];
    if (k >= b.rows.size() || b.rows[k].empty()) continue;
    cuts::CutState &st = cuts::state(prob_);
    std::lock_guard<std::mutex> g(st.mu);
    for (const NodeRow &r : b.rows[k])
      for (cuts::CutRow &c : cuts::rows_of(r.coefs, r.lo, r.up)) {
        cuts::PoolCut pc;
        pc.row = std::move(c);
        pc.listed = false;
        uint64_t t = cuts::new_token();
        st.cuts.emplace(t, std::move(pc));
        out[k].push_back(t);
      }
  }
  return out;
}

void Search::sync_rows(const std::vector<uint64_t> &active) {
  if (!lp_.linear()) {
    // Nonlinear node relaxations hold the model's rows only.
    if (!active.empty() || rows_.taken() > 0)
      fail(ERR_STATE, "Cuts, branch rows and delayed rows need linear node relaxations; this "
                      "problem's node relaxations are nonlinear");
    return;
  }
  rows_.sync(lp_, bm_.nrows(), (int)pool_.cuts().size(), active);
  max_lp_rows_ = std::max<int64_t>(max_lp_rows_, lp_.highs().nrows());
}

bool Search::resolve(Node &node, const cuts::NodeContext &ctx, double &obj, std::vector<double> &x) {
  LpStatus st = lp_.solve(threshold());
  switch (st) {
    case LpStatus::Optimal: break;
    case LpStatus::Infeasible: infeasible_event(node); return false;
    case LpStatus::Cutoff: cutoff_event(node); return false;
    case LpStatus::Unbounded:
      fail(ERR_SOLVER, "A node LP of the search is unbounded after rows were added to it");
    default:
      --out_.nodes;
      node.cuts = std::make_shared<const std::vector<uint64_t>>(ctx.active);
      queue_.push(node);
      stop_ = lp_.stop_reason() ? lp_.stop_reason() : kStopTime;
      return false;
  }
  obj = lp_.objective();
  x = lp_.x();
  node.bound = std::max(node.bound, obj);
  if (obj >= threshold()) {
    cutoff_event(node, &x, obj);
    return false;
  }
  return true;
}

bool Search::settle_marked(Node &node, cuts::NodeContext &ctx, double &obj, std::vector<double> &x) {
  while (rows_.take_violated(x, lim_.feastol) > 0) {
    sync_rows(ctx.active);
    if (!resolve(node, ctx, obj, x)) return false;
  }
  return true;
}

void Search::process(Node &node, std::optional<Node> &next) {
  std::vector<double> lo = root_lo_, up = root_up_;
  apply_path(node, lo, up);
  current_ = &node;
  NodeScope node_scope(user_.context());
  // What the cut and branching entry points see during this node's callbacks.
  cuts::NodeContext ctx;
  ctx.prob = prob_;
  ctx.sense = bm_.sense;
  if (node.cuts) ctx.active = *node.cuts;
  ctx.lp = &lp_;
  ctx.bm = &bm_;
  ctx.lo = &lo;
  ctx.up = &up;
  ctx.resident = &resident_;
  ctx.row_of = [this](uint64_t t) {
    for (size_t k = 0; k < resident_.size(); ++k)
      if (resident_[k] == t) return bm_.nrows() + (int)k;
    return rows_.row_of(t);
  };
  cuts::ContextScope scope(&ctx);
  if (ev_.prenode) {
    show(node);
    ctx.open = true;
    int drop = ev_.prenode(node);
    ctx.open = false;
    if (drop) return;
  }
  std::vector<int> seeds;
  if (node.delta)
    for (const BoundChange &c : node.delta->own) seeds.push_back(c.col);
  ++out_.nodes;
  bool empty = empty_range(lo, up);  // a user branch may leave a column no value
  Propagation p;
  if (!empty) p = propagate(bm_, lo, up, seeds, lim_.feastol);
  if (empty || p.infeasible) {
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
  sync_rows(ctx.active);
  // A child solved right after its parent starts from the basis HiGHS holds.
  if (node.basis && node.parent != last_solved_ &&
      (!lp_.linear() || node.basis->rows.size() == (size_t)lp_.highs().nrows()))
    lp_.set_basis(*node.basis);
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
  // The separators' rounds run on the LP of the model's rows alone.
  if (node.depth == 0 && !rows_.any_in_lp() && prob_->controls.geti(id::CUTSTRATEGY) != 0) {
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
  if (!settle_marked(node, ctx, obj, x)) return;
  if (ev_.optnode) {
    // Cuts the callback adds or removes make the node's LP solve again, and
    // the callback sees the new solution, until it changes nothing.
    for (int round = 0;; ++round) {
      ctx.x = &x;
      ctx.obj = obj;
      ctx.changed = false;
      ctx.restore = [this, &lo, &up] {
        lp_.set_col_bounds(lo, up);
        lp_.solve(kPosInf);
      };
      show(node, &x, obj);
      ctx.open = true;
      int drop = ev_.optnode(node);
      ctx.open = false;
      if (drop) return;
      if (!ctx.changed || round + 1 >= kUserCutRounds) break;
      sync_rows(ctx.active);
      if (!resolve(node, ctx, obj, x)) return;
      if (!settle_marked(node, ctx, obj, x)) return;
    }
  }
  auto node_cuts = ctx.active.empty() ? nullptr
                                      : std::make_shared<const std::vector<uint64_t>>(ctx.active);
  last_solved_ = node.id;
  std::shared_ptr<const Basis> basis = lp_.basis();
  std::vector<int> frac = fractional_columns(bm_, x, lo, up, lim_.inttol);
  Branching b;
  if (frac.empty()) {
    if (!special_branching(bm_, x, lo, up, bs_, b)) {
      if (is_feasible(bm_, prob_->model, x, lim_.feastol, lim_.inttol)) incumbent(x, obj);
      // A solution preintsol rejected: branched by the object it stored, or
      // by the children a callback gave.
      if (ctx.branches.empty() && !user_.stored()) return;
    }
  } else {
    std::vector<double> rounded;
    if (heur_.round(x, lo, up, rounded))
      incumbent(rounded, objective_of(bm_, rounded), SOL_HEURISTIC);
    if (ctx.branches.empty()) {
      std::vector<int> cands = dirs_.any() ? dirs_.best(frac) : frac;
      b = choose_integer_branch(bm_, lp_, x, obj, cands, pc_, bs_, threshold());
      int pref = b.col >= 0 ? dirs_.preferred(b.col) : -1;
      if (pref >= 0 && (size_t)pref < b.children.size()) b.preferred = pref;
    }
    int every = out_.has_incumbent ? kDiveEvery : kDiveEveryUntilSolution;
    if (out_.nodes == 1 || out_.nodes % every == 0) {
      std::vector<double> dived;
      if (heur_.dive(lp_, lo, up, x, threshold(), kDiveLps, dived))
        incumbent(dived, objective_of(bm_, dived), SOL_HEURISTIC);
      last_solved_ = -1;
    }
  }
  if (!ctx.branches.empty()) {
    // The children a node callback gave replace the search's own choice.
    Branching ub;
    for (const cuts::UserBranch &u : ctx.branches) {
      ub.children.push_back(u.bounds);
      ub.cuts.push_back(u.cuts);
    }
    branch_node(node, ub, obj, x, basis, next, node_cuts);
    return;
  }
  branch_node(node, b, obj, x, basis, next, node_cuts);
}

void Search::publish_root_cuts() {
  cuts::CutState &st = cuts::state(prob_);
  std::lock_guard<std::mutex> g(st.mu);
  for (auto it = st.cuts.begin(); it != st.cuts.end();)
    it = it->second.separator ? st.cuts.erase(it) : std::next(it);
  st.order.erase(std::remove_if(st.order.begin(), st.order.end(),
                                [&](uint64_t t) { return !st.cuts.count(t); }),
                 st.order.end());
  resident_.clear();
  for (const Cut &c : pool_.cuts()) {
    cuts::PoolCut pc;
    pc.separator = true;
    pc.row.type = c.kind;
    pc.row.rtype = 'G';
    pc.row.rhs = c.lo;
    pc.row.coefs = c.coefs;
    uint64_t t = cuts::new_token();
    st.cuts.emplace(t, std::move(pc));
    st.order.push_back(t);
    resident_.push_back(t);
  }
}

void Search::report_rows() const {
  cuts::drop_node_cuts(prob_);
  cuts::CutState &st = cuts::state(prob_);
  std::lock_guard<std::mutex> g(st.mu);
  st.max_lp_rows = max_lp_rows_;
  st.lazy_added = rows_.taken();
}

// Rounds of Gomory and cover cuts on the root LP (solved, objective obj, solution
// x), until a round finds none or the bound stalls; obj and x follow.
LpStatus Search::root_cuts(double &obj, std::vector<double> &x) {
  if (!lp_.linear()) return LpStatus::Optimal;  // the cuts come from an LP's tableau
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
  publish_root_cuts();
  return LpStatus::Optimal;
}

SearchOutcome Search::run() {
  ContextScope context(user_.context(prob_));
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
  out_.open_nodes = (int64_t)queue_.size();
  if (root_unbounded_) {
    report_rows();
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
  report_rows();
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
