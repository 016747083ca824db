// The search driver: root propagation and LP, then nodes taken best bound
// first with depth-first dives below each, each node propagated, its LP
// solved warm, its solution checked, rounded and dived from, and branched
// on; incumbent, cutoff and gap kept throughout; time, node, solution and
// gap limits and interrupts end it with the best solution kept.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>
#include "bb/model.h"
#include "bb/node.h"
#include "env/problem.h"

namespace ondr {
namespace bb {

// The search's state when an event fires, in minimization form: what the
// callbacks read while they run.
struct SearchView {
  const std::vector<double> *lp_x = nullptr;  // the event's node LP solution, when solved
  double lp_obj = 0.0;
  int64_t nodes = 0, solutions = 0;
  double bound = -kInf;                       // best bound of the open nodes
  bool has_incumbent = false;
  const std::vector<double> *incumbent = nullptr;
  double value = kInf;
  // The event's node: number (from 1), depth (root 0), parent's number (0
  // for the root), and the open nodes besides it.
  int64_t node = 0, parent = 0, active = 0;
  int depth = 0;
};

// Points where node-level callbacks attach: each is called, when set, at
// the one place of the search where that event happens. A nonzero result
// of `prenode` or `optnode` drops the node.
struct NodeEvents {
  std::function<int(const Node &)> prenode;        // before the node's LP
  std::function<int(const Node &)> optnode;        // the node's LP is optimal
  std::function<void(const Node &)> infnode;       // the node is infeasible
  std::function<void(const Node &)> nodecutoff;    // the node is cut off by the incumbent
  std::function<void(const Node &, const Node &, int)> newnode;  // (parent, child, branch)
  std::function<void(const std::vector<double> &, double)> intsol;  // new incumbent
  // Called before each event above, with the state the event sees.
  std::function<void(const SearchView &)> publish;
  // After each new incumbent and before each node: (incumbent value, bound).
  std::function<void(double, double)> progress;
  // A node is branched: offers the search's branching object `cand` (node
  // bounds and the publish above describe the node) and returns the one to
  // use: `cand` itself, or another whose ownership passes to the search.
  std::function<ONDRbranchobject(const Node &, ONDRbranchobject cand)> chgbranchobject;
  // Before an integer solution of type `soltype` (SOL_* below) is accepted:
  // returns nonzero to reject it; may change `cutoff` (minimization form,
  // kInf none), which then acts whether or not the solution is accepted.
  std::function<int(int soltype, double &cutoff)> preintsol;
  // The events of a worker problem (bb/workers.h) of this search: the same
  // kinds, fired on the worker's handle. Unset: workers fire none.
  std::function<NodeEvents(ONDRprob)> for_worker;
};

// Kinds of candidate integer solutions offered to preintsol.
enum SolutionType { SOL_NODE = 0, SOL_HEURISTIC = 1, SOL_USER = 2 };

struct SearchLimits {
  double timelimit = kInf;      // seconds from the start
  int64_t maxnode = INT64_MAX;
  int64_t maxsol = INT64_MAX;
  double relgap = 1e-4, absgap = 1e-6;
  double cutoff = kInf;         // minimization form: solutions must be below it
  double feastol = 1e-6, inttol = 1e-6;
  // Worker threads (bb/workers.h); 0: the search runs on the calling thread.
  int threads = 0;
};

// The limits the controls `c` set, in minimization form for an objective
// of sense `sense` (1 minimize, -1 maximize).
SearchLimits limits_of(const ControlValues &c, int sense);

enum class SearchEnd { Optimal, Infeasible, Unbounded, Stopped };

struct SearchOutcome {
  SearchEnd end = SearchEnd::Stopped;
  int stop_reason = 0;          // stop_* code when stopped (5: gap)
  bool has_incumbent = false;
  std::vector<double> x;
  double value = kInf;          // minimization form
  double bound = -kInf;         // minimization form
  int64_t nodes = 0, lp_iterations = 0, solutions = 0;
  int64_t open_nodes = 0;       // nodes left open when the search ended
};

// Runs the search for `prob` on `bm` (built from prob's model), on the
// calling thread or, with `lim.threads` workers, in rounds (search.cpp).
SearchOutcome run_search(ONDRprob prob, const BbModel &bm, const SearchLimits &lim,
                         const NodeEvents &events);

}  // namespace bb
}  // namespace ondr
