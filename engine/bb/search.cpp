// The search runs in one of two ways.
//
// On the calling thread (no workers): nodes are taken best bound first,
// with a depth-first dive below each (the preferred child is processed next
// while its bound stays close to the best), on one node LP.
//
// With k workers (bb/workers.h), in synchronous rounds, so that a fixed
// thread count gives the same nodes and the same solution on every run:
//   1. Each worker in turn (0, 1, ..., k-1) gets one node: the child it
//      chose to dive into in the previous round, else the best open node
//      (bound, then creation order). The root goes alone to worker 0, whose
//      cut rounds are then copied into every other worker's LP.
//   2. The workers process their nodes at once, each on its own problem and
//      LP, against the incumbent value of the round's start (lowered by the
//      solutions the worker itself finds in its node), with a copy of the
//      pseudocosts of the round's start. Node callbacks fire on the worker
//      (prenode, optnode, infnode, nodecutoff) with the worker's handle,
//      one worker at a time.
//   3. When all are done, the results are merged in worker order: node
//      counts, pseudocost observations, candidate solutions (intsol fires),
//      children numbered and announced (newnode, on the worker's handle) and
//      queued or kept for the worker's dive.
// Nothing a worker does depends on another worker's timing: a worker's LP
// sees only the nodes given to it, in a fixed order. Limits, interrupts and
// the gap are checked between rounds (and interrupts inside LPs).
//
// Everything a node's processing decides is decided on the thread that
// processes it, with that lane's problem handle: the node callbacks' cuts
// and children (cuts::NodeContext), the branching object stored for the
// node or given by chgbranchobject (bb::NodeContext, UserBranching), the
// marked rows taken into the lane's LP (cuts::SearchRows, one per lane), and
// preintsol on each candidate the node yields (against the incumbent of the
// round's start; a cutoff it sets applies to the rest of that node and, in
// worker order, to the search from the merge on). The cut pool is the
// solving problem's: a worker problem's pool is its owner's (cuts/state.h),
// and pool changes are made under the pool's lock. The separators' root
// cuts go into the pool and into every lane's LP after the root round.
// Candidates are kept (intsol) and children numbered (newnode) at the merge.
// Searches whose node relaxations are nonlinear run on one lane: on the
// calling thread, or on one worker when mipthread or destroymt is set.
#include "bb/search.h"
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include "bb/branch.h"
#include "bb/branchobj.h"
#include "bb/cuts.h"
#include "bb/heuristics.h"
#include "bb/nodelp.h"
#include "bb/propagate.h"
#include "bb/workers.h"
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

// Values below this threshold improve on t.
double below(double t) {
  if (!std::isfinite(t)) return kPosInf;
  return t - 1e-9 * std::max(1.0, std::fabs(t));
}

// What processing one node leaves for the search to apply.
struct NodeWork {
  bool counted = false;
  bool requeue = false;       // back to the open nodes: the search is stopping
  int stop = 0;
  bool unbounded = false;     // the root LP has no bound
  std::vector<std::pair<std::vector<double>, double>> found;  // candidate solutions
  bool cutoff_set = false;    // preintsol set the cutoff to `cutoff`
  double cutoff = kInf;
  bool branch = false;
  Branching b;                // the branching to apply (the user's when given)
  std::vector<std::vector<uint64_t>> extra;  // per child: cuts beyond the node's
  std::shared_ptr<const std::vector<uint64_t>> cuts;  // the node's cuts
  double obj = 0.0;
  std::vector<double> x;
  std::shared_ptr<const Basis> basis;
  // The root LP after its cuts: objective, solution, reduced costs and the
  // bounds it was solved with (reduced-cost fixing).
  bool root_lp = false;
  double root_z = 0.0;
  std::vector<double> root_x, root_dj, root_lo, root_up;
};

// One worker's tools, or the calling thread's when the search has none.
struct Lane {
  ONDRprob prob = nullptr;      // the problem its node events fire on
  NodeEvents ev;
  std::unique_ptr<NodeLp> lp;
  std::unique_ptr<Heuristics> heur;
  Pseudocosts pc{0};            // with workers: the search's at the round's start
  std::vector<PseudocostObservation> journal;
  int64_t last_solved = -1;     // node whose LP state the LP holds, -1 none
  int64_t nodes_view = 0;       // node count its events see
  std::optional<Node> next;     // with workers: the child to dive into next round
  std::optional<Node> slot;     // with workers: the node of the current round
  NodeWork work;
  std::unique_ptr<cuts::SearchRows> rows;  // marked rows and node cuts in its LP
  UserBranching user;           // branching objects and node rows (bb/branchobj.h)
  int64_t max_lp_rows = 0;
};

class Search {
 public:
  Search(ONDRprob prob, const BbModel &bm, const SearchLimits &lim, const NodeEvents &ev)
      : prob_(prob), bm_(bm), lim_(lim), ev_(ev), pc_(bm.ncols()), dirs_(prob, bm.ncols()) {
    bs_.inttol = lim.inttol;
    bs_.feastol = lim.feastol;
    log_ = prob->controls.geti(id::OUTPUTLOG) != 0;
    dirs_.seed(pc_);
    bs_.reliability = (int)prob->controls.geti(id::BRANCHRELIABILITY);
    bs_.max_strong = (int)prob->controls.geti(id::BRANCHMAXSTRONG);
    integral_objective_ = !bm.nonlinear;
    for (int j = 0; j < bm.ncols() && integral_objective_; ++j) {
      double c = bm.lp.cost[(size_t)j];
      if (c != 0.0 && (!bm.is_integer_rule(j) || c != std::round(c))) integral_objective_ = false;
    }
  }
  ~Search();
  SearchOutcome run();

 private:
  int external_stop() const {
    int r = prob_->interrupt_reason.load();
    if (!r && workers_) r = workers_->interrupt_reason();
    if (r) return r;
    return clock_.seconds() >= lim_.timelimit ? kStopTime : 0;
  }
  double threshold() const {
    double inc = out_.has_incumbent ? out_.value : kPosInf;
    return std::min(improving(inc), below(lim_.cutoff < kInf ? lim_.cutoff : kPosInf));
  }
  // Values below this threshold improve on a solution of value v: with
  // integer costs on integer columns alone, by 1 at least.
  double improving(double v) const {
    if (!integral_objective_ || !std::isfinite(v) || std::fabs(v) > 1e12) return below(v);
    return v - 1 + std::min(1e-2, 1e-6 * std::max(1.0, std::fabs(v)));
  }
  bool gap_closed(double lb) const {
    if (!out_.has_incumbent || !std::isfinite(lb)) return false;
    double gap = out_.value - lb;
    return gap <= lim_.absgap || gap <= lim_.relgap * std::fabs(out_.value);
  }
  Pseudocosts &costs(Lane &L) { return workers_ ? L.pc : pc_; }
  // Workers fire their node events one at a time, as a search on one
  // thread does: callbacks need not be reentrant.
  std::unique_lock<std::mutex> serialise() {
    return workers_ ? std::unique_lock<std::mutex>(events_lock_) : std::unique_lock<std::mutex>();
  }
  void make_lane(Lane &L, ONDRprob prob, const NodeEvents &ev);
  bool prepare_root();
  SearchOutcome finish();
  SearchOutcome run_here();
  SearchOutcome run_rounds();
  void take_round_nodes();
  void incumbent(Lane &L, const Node &n, const std::vector<double> &x, double v);
  void show(const NodeEvents &ev, int64_t nodes, const Node &n,
            const std::vector<double> *lp_x = nullptr, double lp_obj = 0.0) const;
  void cutoff_event(Lane &L, const Node &n, const std::vector<double> *lp_x = nullptr,
                    double lp_obj = 0.0);
  void infeasible_event(Lane &L, const Node &n);
  void process(Lane &L, Node &node, double thr, int64_t seen, int64_t ordinal, NodeWork &w);
  void apply(Lane &L, Node &node, NodeWork &w, std::optional<Node> &next);
  void branch_node(Lane &L, Node &node, NodeWork &w, std::optional<Node> &next);
  // The branching of a node to apply, decided on L: the search's own `own`,
  // or a user's (stored object or chgbranchobject), with each child's cuts.
  void decide_branching(Lane &L, Node &node, Branching own, double obj,
                        const std::vector<double> &x, NodeWork &w);
  // Per child of b: its cuts, and its rows made cuts of this search (which
  // leave the problem when the search ends).
  std::vector<std::vector<uint64_t>> child_cuts(const Branching &b);
  void log_line(const char *what);
  void fix_by_reduced_costs();
  LpStatus root_cuts(Lane &L, double &obj, std::vector<double> &x, double thr);
  // L's LP rows made to hold the marked rows L took and `active`.
  void sync_rows(Lane &L, const std::vector<uint64_t> &active);
  // The separators' cuts put in the problem's cut pool (those of an
  // earlier search leave it).
  void publish_root_cuts();
  // Re-solves the node's LP after its rows changed; false when the node is
  // done with (infeasible, cut off or requeued on a stop).
  bool resolve(Lane &L, Node &node, const cuts::NodeContext &ctx, double thr, double &obj,
               std::vector<double> &x, NodeWork &w);
  // Takes the marked rows x violates into the LP and re-solves until none
  // is violated; false as for resolve.
  bool settle_marked(Lane &L, Node &node, cuts::NodeContext &ctx, double thr, double &obj,
                     std::vector<double> &x, NodeWork &w);
  // Figures of the rows kept out of the model, for the problem's attributes.
  void report_rows() const;

  ONDRprob prob_;
  const BbModel &bm_;
  SearchLimits lim_;
  const NodeEvents &ev_;
  Stopwatch clock_;
  std::unique_ptr<WorkerPool> workers_;
  std::mutex events_lock_;
  std::vector<Lane> lanes_;
  Pseudocosts pc_;
  CutPool pool_;
  cuts::SearchDirs dirs_;
  std::vector<uint64_t> resident_;  // pool tokens of pool_'s cuts, in LP order
  BranchSettings bs_;
  NodeQueue queue_;
  std::vector<double> root_lo_, root_up_;
  NodeWork root_;  // the root LP's results (root_lp set), for reduced-cost fixing
  SearchOutcome out_;
  int64_t next_id_ = 0;
  int stop_ = 0;
  bool root_unbounded_ = false, log_ = false;
  bool integral_objective_ = false;  // every solution's value is the offset plus an integer
};

Search::~Search() {
  if (!workers_) return;
  // Each worker's HiGHS instance goes on the worker's thread, before the
  // workers retire.
  try {
    workers_->run([this](int i) {
      Lane &L = lanes_[(size_t)i];
      L.lp.reset();
    });
  } catch (...) {
  }
}

void Search::make_lane(Lane &L, ONDRprob prob, const NodeEvents &ev) {
  L.prob = prob;
  L.ev = ev;
  L.ev.progress = nullptr;  // progress is the search's, fired by the caller's events
  ControlValues c = prob_->controls;
  // A worker's LPs run on its thread alone.
  if (workers_) c.seti(id::THREADS, 1);
  L.lp = std::make_unique<NodeLp>(prob, bm_, c, [this] { return external_stop(); });
  L.heur = std::make_unique<Heuristics>(bm_, prob_->model, lim_.feastol, lim_.inttol);
  L.rows = std::make_unique<cuts::SearchRows>(prob_, prob_->model);
}

void Search::log_line(const char *what) {
  if (!log_) return;
  double lb = queue_.best_bound();
  emit_message(prob_, 1,
               format("%s nodes %lld open %zu bound %.10g best %s time %.2fs", what,
                      (long long)out_.nodes, queue_.size(), bm_.sense * (std::isfinite(lb) ? lb : out_.value),
                      out_.has_incumbent ? format("%.10g", bm_.sense * out_.value).c_str() : "none",
                      clock_.seconds()));
}

// Keeps a candidate that passed the marked rows and preintsol on its lane.
void Search::incumbent(Lane &L, const Node &n, const std::vector<double> &x, double v) {
  if (v >= threshold()) return;
  out_.has_incumbent = true;
  out_.x = x;
  out_.value = v;
  ++out_.solutions;
  queue_.prune(threshold());
  if (L.ev.intsol) {
    show(L.ev, L.nodes_view, n);
    L.ev.intsol(x, v);
  }
  if (ev_.progress) {
    show(ev_, out_.nodes, n);
    ev_.progress(out_.value, std::min(queue_.best_bound(), out_.value));
  }
  log_line("solution");
  fix_by_reduced_costs();
  if (out_.solutions >= lim_.maxsol && !stop_) stop_ = kStopSolutions;
}

void Search::show(const NodeEvents &ev, int64_t nodes, const Node &n,
                  const std::vector<double> *lp_x, double lp_obj) const {
  if (!ev.publish) return;
  SearchView v;
  v.lp_x = lp_x;
  v.lp_obj = lp_obj;
  v.nodes = nodes;
  v.solutions = out_.solutions;
  v.bound = std::min(n.bound, queue_.best_bound());
  v.has_incumbent = out_.has_incumbent;
  v.incumbent = &out_.x;
  v.value = out_.value;
  v.node = n.id + 1;
  v.parent = n.parent + 1;
  v.depth = n.depth;
  v.active = (int64_t)queue_.size();
  ev.publish(v);
}

void Search::cutoff_event(Lane &L, const Node &n, const std::vector<double> *lp_x, double lp_obj) {
  if (!L.ev.nodecutoff) return;
  auto one = serialise();
  show(L.ev, L.nodes_view, n, lp_x, lp_obj);
  L.ev.nodecutoff(n);
}

void Search::infeasible_event(Lane &L, const Node &n) {
  if (!L.ev.infnode) return;
  auto one = serialise();
  show(L.ev, L.nodes_view, n);
  L.ev.infnode(n);
}

void Search::branch_node(Lane &L, Node &node, NodeWork &w, std::optional<Node> &next) {
  const Branching &b = w.b;
  std::vector<Node> kids;
  for (size_t k = 0; k < b.children.size(); ++k) {
    Node c;
    c.id = next_id_++;
    c.parent = node.id;
    c.depth = node.depth + 1;
    c.bound = w.obj;
    auto d = std::make_shared<Delta>();
    d->parent = node.delta;
    d->own = b.children[k];
    c.delta = std::move(d);
    c.basis = w.basis;
    c.cuts = w.cuts;
    if (k < w.extra.size() && !w.extra[k].empty()) {
      auto all = std::make_shared<std::vector<uint64_t>>(w.cuts ? *w.cuts : std::vector<uint64_t>());
      all->insert(all->end(), w.extra[k].begin(), w.extra[k].end());
      c.cuts = std::move(all);
    }
    if (b.col >= 0) {
      c.branch.col = b.col;
      c.branch.up = k == 1;
      c.branch.dist = k == 0 ? b.value - std::floor(b.value) : std::ceil(b.value) - b.value;
      c.branch.parent_obj = w.obj;
    }
    if (L.ev.newnode) {
      show(L.ev, L.nodes_view, node, &w.x, w.obj);
      L.ev.newnode(node, c, (int)k);
    }
    kids.push_back(std::move(c));
  }
  if (kids.empty()) return;
  size_t pref = (size_t)b.preferred < kids.size() ? (size_t)b.preferred : 0;
  double lb = queue_.best_bound();
  bool dive = !out_.has_incumbent || !std::isfinite(lb) ||
              w.obj <= lb + 0.3 * (out_.value - lb);
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

void Search::decide_branching(Lane &L, Node &node, Branching own, double obj,
                              const std::vector<double> &x, NodeWork &w) {
  // A branching object stored for the node, or one chgbranchobject gives,
  // replaces the search's own branching (or the children a callback gave
  // with setbranchbounds/setbranchcuts, which chgbranchobject is offered).
  if (L.user.replaces(L.ev)) {
    std::vector<double> lo = root_lo_, up = root_up_;
    apply_path(node, lo, up);
    auto one = serialise();
    show(L.ev, L.nodes_view, node, &x, obj);
    own = L.user.branching(L.ev, node, own, lo, up);
  }
  w.extra = child_cuts(own);
  w.b = std::move(own);
  w.branch = true;
}

void Search::sync_rows(Lane &L, const std::vector<uint64_t> &active) {
  if (!L.lp->linear()) {
    // Nonlinear node relaxations hold the model's rows only.
    if (!active.empty() || L.rows->taken() > 0)
      fail(ERR_STATE, "Cuts, branch rows and delayed rows need linear node relaxations; this "
                      "problem's node relaxations are nonlinear");
    return;
  }
  L.rows->sync(*L.lp, bm_.nrows(), (int)pool_.cuts().size(), active);
  L.max_lp_rows = std::max<int64_t>(L.max_lp_rows, L.lp->highs().nrows());
}

bool Search::resolve(Lane &L, Node &node, const cuts::NodeContext &ctx, double thr, double &obj,
                     std::vector<double> &x, NodeWork &w) {
  NodeLp &lp = *L.lp;
  LpStatus st = lp.solve(thr);
  switch (st) {
    case LpStatus::Optimal: break;
    case LpStatus::Infeasible: infeasible_event(L, node); return false;
    case LpStatus::Cutoff: cutoff_event(L, node); return false;
    case LpStatus::Unbounded:
      fail(ERR_SOLVER, "A node LP of the search is unbounded after rows were added to it");
    default:
      w.counted = false;
      w.requeue = true;
      w.stop = lp.stop_reason() ? lp.stop_reason() : kStopTime;
      node.cuts = std::make_shared<const std::vector<uint64_t>>(ctx.active);
      return false;
  }
  obj = lp.objective();
  x = lp.x();
  node.bound = std::max(node.bound, obj);
  if (obj >= thr) {
    cutoff_event(L, node, &x, obj);
    return false;
  }
  return true;
}

bool Search::settle_marked(Lane &L, Node &node, cuts::NodeContext &ctx, double thr, double &obj,
                           std::vector<double> &x, NodeWork &w) {
  while (L.rows->take_violated(x, lim_.feastol) > 0) {
    sync_rows(L, ctx.active);
    if (!resolve(L, node, ctx, thr, obj, x, w)) return false;
  }
  return true;
}

// Processes `node` on L's LP against the threshold `thr`, with `seen` nodes
// counted before it (it is the `ordinal`-th node given out), leaving in `w`
// what the search must apply. Only L, `w` and the pool (under its lock)
// change; the search's state is read.
void Search::process(Lane &L, Node &node, double thr, int64_t seen, int64_t ordinal,
                     NodeWork &w) {
  NodeLp &lp = *L.lp;
  L.nodes_view = seen;
  w.cutoff = lim_.cutoff;
  if (node.bound >= thr) {
    cutoff_event(L, node);
    return;
  }
  std::vector<double> lo = root_lo_, up = root_up_;
  apply_path(node, lo, up);
  // What the branching object and cut entry points see during this node's
  // callbacks on this thread, for the lane's problem.
  ContextScope user_scope(L.user.context(L.prob));
  NodeScope node_scope(L.user.context());
  cuts::NodeContext ctx;
  ctx.prob = L.prob;
  ctx.sense = bm_.sense;
  if (node.cuts) ctx.active = *node.cuts;
  ctx.lp = &lp;
  ctx.bm = &bm_;
  ctx.lo = &lo;
  ctx.up = &up;
  ctx.resident = &resident_;
  ctx.row_of = [this, &L](uint64_t t) {
    for (size_t k = 0; k < resident_.size(); ++k)
      if (resident_[k] == t) return bm_.nrows() + (int)k;
    return L.rows->row_of(t);
  };
  cuts::ContextScope scope(&ctx);
  if (L.ev.prenode) {
    auto one = serialise();
    // No worker starts a node once the search is asked to stop (an earlier
    // callback may have asked).
    if (workers_) {
      if (int r = external_stop()) {
        w.requeue = true;
        w.stop = r;
        return;
      }
    }
    show(L.ev, L.nodes_view, node);
    ctx.open = true;
    int drop = L.ev.prenode(node);
    ctx.open = false;
    if (drop) return;
  }
  std::vector<int> seeds;
  if (node.delta)
    for (const BoundChange &c : node.delta->own) seeds.push_back(c.col);
  w.counted = true;
  L.nodes_view = seen + 1;
  bool empty = empty_range(lo, up);  // a user branch may leave a column no value
  Propagation p;
  if (!empty) p = propagate(bm_, lo, up, seeds, lim_.feastol);
  if (empty || p.infeasible) {
    infeasible_event(L, node);
    return;
  }
  if (!p.changed.empty()) {
    auto d = std::make_shared<Delta>();
    d->parent = node.delta;
    for (int j : p.changed) d->own.push_back({j, lo[(size_t)j], up[(size_t)j]});
    node.delta = std::move(d);
  }
  lp.set_col_bounds(lo, up);
  std::vector<double> rlo, rup;
  node_row_bounds(bm_, lo, up, rlo, rup);
  lp.set_row_bounds(rlo, rup);
  sync_rows(L, ctx.active);
  // A child solved right after its parent starts from the basis HiGHS holds.
  if (node.basis && node.parent != L.last_solved &&
      (!lp.linear() || node.basis->rows.size() == (size_t)lp.highs().nrows()))
    lp.set_basis(*node.basis);
  LpStatus st = lp.solve(thr);
  L.last_solved = -1;
  auto stopped = [&] {
    w.counted = false;
    w.requeue = true;
    w.stop = lp.stop_reason() ? lp.stop_reason() : kStopTime;
  };
  switch (st) {
    case LpStatus::Infeasible:
      infeasible_event(L, node);
      return;
    case LpStatus::Cutoff:
      cutoff_event(L, node);
      return;
    case LpStatus::Unbounded:
      if (node.depth == 0) {
        w.unbounded = true;
        return;
      }
      fail(ERR_SOLVER, "A node LP of the search is unbounded although the root LP is not");
    case LpStatus::Stopped:
    case LpStatus::IterLimit:
      stopped();
      return;
    case LpStatus::Optimal: break;
  }
  double obj = lp.objective();
  std::vector<double> x = lp.x();
  Pseudocosts &pc = costs(L);
  if (node.branch.col >= 0 && node.branch.dist > 0)
    pc.add(node.branch.col, node.branch.up,
           std::max(0.0, obj - node.branch.parent_obj) / node.branch.dist);
  node.bound = std::max(node.bound, obj);
  if (obj >= thr) {
    cutoff_event(L, node, &x, obj);
    return;
  }
  // The separators' rounds run on the LP of the model's rows alone.
  if (node.depth == 0 && !L.rows->any_in_lp() && prob_->controls.geti(id::CUTSTRATEGY) != 0) {
    LpStatus cs = root_cuts(L, obj, x, thr);
    if (cs == LpStatus::Stopped) {
      stopped();
      return;
    }
    if (cs != LpStatus::Optimal || obj >= thr) {
      cutoff_event(L, node, cs == LpStatus::Optimal ? &x : nullptr, obj);
      return;
    }
    node.bound = std::max(node.bound, obj);
  }
  if (!settle_marked(L, node, ctx, thr, obj, x, w)) return;
  if (node.depth == 0) {
    // The root LP with its cuts and the marked rows it broke: a relaxation
    // of every node (reduced costs of LP relaxations only).
    w.root_lp = true;
    w.root_z = obj;
    w.root_x = x;
    w.root_dj = lp.reduced_costs();
    w.root_lo = lo;
    w.root_up = up;
  }
  if (L.ev.optnode) {
    // Cuts the callback adds or removes make the node's LP solve again, and
    // the callback sees the new solution, until it changes nothing.
    for (int round = 0;; ++round) {
      ctx.x = &x;
      ctx.obj = obj;
      ctx.changed = false;
      ctx.restore = [&lp, &lo, &up] {
        lp.set_col_bounds(lo, up);
        lp.solve(kPosInf);
      };
      int drop;
      {
        auto one = serialise();
        show(L.ev, L.nodes_view, node, &x, obj);
        ctx.open = true;
        drop = L.ev.optnode(node);
        ctx.open = false;
      }
      if (drop) return;
      if (!ctx.changed || round + 1 >= kUserCutRounds) break;
      sync_rows(L, ctx.active);
      if (!resolve(L, node, ctx, thr, obj, x, w)) return;
      if (!settle_marked(L, node, ctx, thr, obj, x, w)) return;
    }
  }
  w.cuts = ctx.active.empty() ? nullptr
                              : std::make_shared<const std::vector<uint64_t>>(ctx.active);
  L.last_solved = node.id;
  std::shared_ptr<const Basis> basis = lp.basis();
  std::vector<int> frac = fractional_columns(bm_, x, lo, up, lim_.inttol);
  Branching b;
  // A candidate breaking a marked row not in the LP is refused (the row
  // joins the LP of this lane's next nodes); preintsol then decides, here
  // on the lane's thread; a cutoff it sets holds for the rest of the node.
  auto found = [&](std::vector<double> sol, double v, int soltype) {
    if (v >= thr) return;
    if (L.rows->rejects(sol, lim_.feastol)) return;
    if (L.ev.preintsol) {
      auto one = serialise();
      show(L.ev, L.nodes_view, node, &sol, v);
      double cut = w.cutoff;
      bool ok = L.user.accepts(L.ev, soltype, out_, cut);
      if (cut != w.cutoff) {
        w.cutoff = cut;
        w.cutoff_set = true;
        thr = std::min(thr, below(cut));
      }
      if (!ok || v >= thr) return;
    }
    thr = improving(v);
    w.found.emplace_back(std::move(sol), v);
  };
  if (frac.empty()) {
    if (!special_branching(bm_, x, lo, up, bs_, b)) {
      if (is_feasible(bm_, prob_->model, x, lim_.feastol, lim_.inttol)) found(x, obj, SOL_NODE);
      // A solution preintsol rejected: branched by the object it stored, or
      // by the children a callback gave.
      if (ctx.branches.empty() && !L.user.stored()) return;
    }
  } else {
    std::vector<double> rounded;
    if (L.heur->round(x, lo, up, rounded)) {
      double v = objective_of(bm_, rounded);
      found(std::move(rounded), v, SOL_HEURISTIC);
    }
    if (ctx.branches.empty()) {
      std::vector<int> cands = dirs_.any() ? dirs_.best(frac) : frac;
      b = choose_integer_branch(bm_, lp, x, obj, cands, pc, bs_, thr);
      int pref = b.col >= 0 ? dirs_.preferred(b.col) : -1;
      if (pref >= 0 && (size_t)pref < b.children.size()) b.preferred = pref;
    }
    bool has = out_.has_incumbent || !w.found.empty();
    int every = has ? kDiveEvery : kDiveEveryUntilSolution;
    if (ordinal == 1 || ordinal % every == 0) {
      std::vector<double> dived;
      if (L.heur->dive(lp, lo, up, x, thr, kDiveLps, dived)) {
        double v = objective_of(bm_, dived);
        found(std::move(dived), v, SOL_HEURISTIC);
      }
      L.last_solved = -1;
    }
  }
  if (!ctx.branches.empty()) {
    // The children a node callback gave replace the search's own choice.
    Branching ub;
    for (const cuts::UserBranch &u : ctx.branches) {
      ub.children.push_back(u.bounds);
      ub.cuts.push_back(u.cuts);
    }
    b = std::move(ub);
  }
  w.obj = obj;
  w.basis = std::move(basis);
  decide_branching(L, node, std::move(b), obj, x, w);
  w.x = std::move(x);
}

void Search::apply(Lane &L, Node &node, NodeWork &w, std::optional<Node> &next) {
  if (w.counted) ++out_.nodes;
  if (w.unbounded) root_unbounded_ = true;
  if (w.cutoff_set) lim_.cutoff = w.cutoff;
  if (w.requeue) {
    queue_.push(node);
    stop_ = w.stop;
  }
  if (w.root_lp) {
    root_.root_lp = true;
    root_.root_z = w.root_z;
    root_.root_x = std::move(w.root_x);
    root_.root_dj = std::move(w.root_dj);
    root_.root_lo = std::move(w.root_lo);
    root_.root_up = std::move(w.root_up);
    fix_by_reduced_costs();
  }
  for (auto &f : w.found) incumbent(L, node, f.first, f.second);
  if (w.branch) branch_node(L, node, w, next);
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
  // Each lane takes the marked rows its nodes break: the figures are the
  // largest lane's.
  int64_t rows = 0, taken = 0;
  for (const Lane &L : lanes_) {
    rows = std::max(rows, L.max_lp_rows);
    if (L.rows) taken = std::max(taken, L.rows->taken());
  }
  st.max_lp_rows = rows;
  st.lazy_added = taken;
}

// Every integer solution with integer column j at k units from the bound
// where the root LP left it is worse than the root objective by at least
// k |reduced cost|: columns whose move would pass the incumbent get their
// range narrowed for the rest of the search (open nodes read the root
// bounds; bounds branched at a node stay as set there).
void Search::fix_by_reduced_costs() {
  const NodeWork &r = root_;
  if (!r.root_lp || !out_.has_incumbent || r.root_dj.size() != (size_t)bm_.ncols()) return;
  double gap = out_.value - r.root_z;
  if (!(gap >= 0) || !std::isfinite(gap)) return;
  constexpr double kMinDj = 1e-6;
  for (int j = 0; j < bm_.ncols(); ++j) {
    if (!bm_.is_integer_rule(j)) continue;
    size_t k = (size_t)j;
    double lo = r.root_lo[k], up = r.root_up[k], d = r.root_dj[k], xj = r.root_x[k];
    if (is_inf_bound(lo) || is_inf_bound(up) || lo >= up) continue;
    if (d > kMinDj && xj <= lo + 1e-9) {
      double top = lo + std::floor(gap / d + 1e-6);
      if (top < root_up_[k]) root_up_[k] = std::max(top, root_lo_[k]);
    } else if (d < -kMinDj && xj >= up - 1e-9) {
      double bottom = up - std::floor(gap / -d + 1e-6);
      if (bottom > root_lo_[k]) root_lo_[k] = std::min(bottom, root_up_[k]);
    }
  }
}

// Rounds of Gomory, cover and rounding cuts on the root LP (solved, objective obj, solution
// x), until a round finds none or the bound stalls; obj and x follow.
LpStatus Search::root_cuts(Lane &L, double &obj, std::vector<double> &x, double thr) {
  NodeLp &lp = *L.lp;
  if (!lp.linear()) return LpStatus::Optimal;  // the cuts come from an LP's tableau
  int stalls = 0;
  for (int round = 0; round < prob_->controls.geti(id::CUTROUNDS) && stalls < 2; ++round) {
    std::vector<Cut> cuts = gomory_cuts(bm_, lp, pool_, x, lim_.inttol, kCutsPerRound);
    for (Cut &c : cover_cuts(bm_, lp.col_lo(), lp.col_up(), bm_.lp.rowlo, bm_.lp.rowup, x,
                             kCutsPerRound))
      cuts.push_back(std::move(c));
    for (Cut &c : mir_cuts(bm_, lp.col_lo(), lp.col_up(), bm_.lp.rowlo, bm_.lp.rowup, x,
                           kCutsPerRound))
      cuts.push_back(std::move(c));
    if (cuts.empty()) break;
    pool_.add(lp, std::move(cuts));
    LpStatus st = lp.solve(thr);
    if (st != LpStatus::Optimal) return st;
    if (pool_.age(lp, lp.x(), kCutMaxAge) > 0) {
      st = lp.solve(thr);
      if (st != LpStatus::Optimal) return st;
    }
    double gain = lp.objective() - obj;
    stalls = gain < 1e-4 * std::max(1.0, std::fabs(obj)) ? stalls + 1 : 0;
    obj = lp.objective();
    x = lp.x();
  }
  if (log_) log_line(format("root cuts %zu", pool_.cuts().size()).c_str());
  publish_root_cuts();
  return LpStatus::Optimal;
}

// Root bounds with integral columns rounded; false when they (or the
// integer rows, or propagation) show the problem infeasible.
bool Search::prepare_root() {
  root_lo_ = bm_.lp.collo;
  root_up_ = bm_.lp.colup;
  for (int j = 0; j < bm_.ncols(); ++j) {
    if (!integral_here(bm_, j, root_lo_[(size_t)j], root_up_[(size_t)j])) continue;
    if (!is_inf_bound(root_lo_[(size_t)j])) root_lo_[(size_t)j] = std::ceil(root_lo_[(size_t)j] - lim_.inttol);
    if (!is_inf_bound(root_up_[(size_t)j])) root_up_[(size_t)j] = std::floor(root_up_[(size_t)j] + lim_.inttol);
  }
  for (int j = 0; j < bm_.ncols(); ++j)
    if (root_lo_[(size_t)j] > root_up_[(size_t)j]) return false;
  if (integer_rows_infeasible(bm_)) return false;
  return !propagate(bm_, root_lo_, root_up_, {}, lim_.feastol).infeasible;
}

SearchOutcome Search::run() {
  // The NLP solver's relaxations are solved on one thread at a time.
  if (bm_.nonlinear && bm_.nonlinear->kind == RelaxKind::Nlp) lim_.threads = std::min(lim_.threads, 1);
  if (lim_.threads <= 0) return run_here();
  workers_ = std::make_unique<WorkerPool>(prob_, lim_.threads);
  lanes_.resize((size_t)workers_->size());
  // Each worker builds its LP on its own thread (HiGHS's scheduler is per thread).
  workers_->run([this](int i) {
    ONDRprob w = workers_->problem(i);
    NodeEvents none;
    make_lane(lanes_[(size_t)i], w, ev_.for_worker ? ev_.for_worker(w) : none);
  });
  return run_rounds();
}

SearchOutcome Search::run_here() {
  lanes_.resize(1);
  make_lane(lanes_[0], prob_, ev_);
  Lane &L = lanes_[0];
  std::optional<Node> next;
  if (prepare_root()) {
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
    L.nodes_view = out_.nodes;
    if (node.bound >= threshold()) {
      cutoff_event(L, node);
      continue;
    }
    if (ev_.progress && out_.has_incumbent) {
      show(ev_, out_.nodes, node);
      ev_.progress(out_.value, lb);
    }
    NodeWork w;
    process(L, node, threshold(), out_.nodes, out_.nodes + 1, w);
    apply(L, node, w, next);
    if (root_unbounded_) break;
    if (log_ && out_.nodes % kLogEvery == 0) log_line("search");
  }
  if (next) queue_.push(std::move(*next));
  return finish();
}

// Gives each worker its node of the round (its dive, else the best open
// node), within the node limit (which leaves room for one at least).
void Search::take_round_nodes() {
  int64_t room = lim_.maxnode - out_.nodes;
  int64_t given = 0;
  for (Lane &L : lanes_) {
    L.slot.reset();
    if (L.next) {
      L.slot = std::move(*L.next);
      L.next.reset();
    }
  }
  for (Lane &L : lanes_)
    if (!L.slot && !queue_.empty()) L.slot = queue_.pop_best();
  for (Lane &L : lanes_) {
    if (!L.slot) continue;
    if (given >= room) {
      queue_.push(std::move(*L.slot));
      L.slot.reset();
      continue;
    }
    ++given;
  }
}

SearchOutcome Search::run_rounds() {
  if (prepare_root()) {
    Node root;
    root.id = next_id_++;
    root.bound = -kPosInf;
    queue_.push(std::move(root));
  }
  while (!stop_) {
    double lb = queue_.best_bound();
    bool open = !queue_.empty();
    for (const Lane &L : lanes_)
      if (L.next) {
        lb = std::min(lb, L.next->bound);
        open = true;
      }
    if (!open) break;
    if (gap_closed(lb)) {
      stop_ = kStopGap;
      break;
    }
    int r = external_stop();
    if (!r && out_.nodes >= lim_.maxnode) r = kStopNodes;
    if (r) {
      stop_ = r;
      break;
    }
    take_round_nodes();
    const Node *first = nullptr;
    for (const Lane &L : lanes_)
      if (L.slot && !first) first = &*L.slot;
    if (ev_.progress && out_.has_incumbent) {
      show(ev_, out_.nodes, *first);
      ev_.progress(out_.value, lb);
    }
    double thr = threshold();
    int64_t seen = out_.nodes, ordinal = out_.nodes;
    std::vector<int64_t> ordinals(lanes_.size(), 0);
    bool root_round = false;
    for (size_t i = 0; i < lanes_.size(); ++i) {
      Lane &L = lanes_[i];
      L.work = NodeWork();
      L.pc = pc_;
      L.journal.clear();
      L.pc.journal = &L.journal;
      if (!L.slot) continue;
      ordinals[i] = ++ordinal;
      root_round |= L.slot->depth == 0;
    }
    workers_->run([&](int i) {
      Lane &L = lanes_[(size_t)i];
      if (L.slot) process(L, *L.slot, thr, seen, ordinals[(size_t)i], L.work);
    });
    int64_t before = out_.nodes;
    for (Lane &L : lanes_) {
      if (!L.slot) continue;
      for (const PseudocostObservation &o : L.journal) pc_.add(o.col, o.up, o.gain);
      L.nodes_view = seen + 1;
      apply(L, *L.slot, L.work, L.next);
      L.slot.reset();
    }
    if (root_round && !pool_.cuts().empty() && lanes_.size() > 1) {
      // The other workers' LPs take the root's cuts as rows after the model's.
      workers_->run([this](int i) {
        if (i == 0) return;
        CutPool copy;
        copy.add(*lanes_[(size_t)i].lp, pool_.cuts());
      });
    }
    if (root_unbounded_) break;
    if (log_ && out_.nodes / kLogEvery != before / kLogEvery) log_line("search");
  }
  for (Lane &L : lanes_) {
    if (L.next) queue_.push(std::move(*L.next));
    L.next.reset();
  }
  return finish();
}

SearchOutcome Search::finish() {
  out_.lp_iterations = 0;
  for (const Lane &L : lanes_)
    if (L.lp) out_.lp_iterations += L.lp->iterations();
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
