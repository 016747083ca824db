// Branching: what an LP solution violates (fractional integer columns,
// semi-continuous columns between 0 and their threshold, sets with too many
// nonzero members, indicator rows whose enforcing value the solution takes
// while the row does not hold), and the children that cut it off.
// Integer columns are chosen by reliability branching: pseudocosts, those
// of columns with too few observations first measured by strong branching.
#pragma once
#include <cstdint>
#include <vector>
#include "bb/model.h"
#include "bb/node.h"
#include "bb/lazy.h"

namespace ondr {
namespace bb {

class NodeLp;

// One branching decision: the children's bound changes. `col` >= 0 for a
// single-column branch (its pseudocost is updated by the children's LPs).
struct Branching {
  int col = -1;
  double value = 0.0;                   // the column's LP value
  std::vector<std::vector<BoundChange>> children;
  int preferred = 0;                    // child to dive into
  std::vector<std::vector<NodeRow>> rows;  // rows of each child (none when shorter)
  std::vector<std::vector<uint64_t>> cuts; // cut pool tokens of each child (none when shorter)
};

// One pseudocost observation, as Pseudocosts::add records it.
struct PseudocostObservation {
  int col;
  bool up;
  double gain;
};

class Pseudocosts {
 public:
  // When set, every observation is also appended here (a worker's
  // observations, replayed into the search's pseudocosts in a fixed order).
  std::vector<PseudocostObservation> *journal = nullptr;
  explicit Pseudocosts(int n) : sum_(2 * (size_t)n, 0.0), cnt_(2 * (size_t)n, 0) {}
  void add(int col, bool up, double gain_per_unit);
  int count(int col, bool up) const { return cnt_[idx(col, up)]; }
  // Average gain per unit, the average over all columns when none observed.
  double get(int col, bool up) const;

 private:
  size_t idx(int col, bool up) const { return 2 * (size_t)col + (up ? 1 : 0); }
  std::vector<double> sum_;
  std::vector<int> cnt_;
  double all_sum_[2] = {0, 0};
  int all_cnt_[2] = {0, 0};
};

struct BranchSettings {
  double inttol = 1e-6, feastol = 1e-6;
  int reliability = 4;          // observations per direction before pseudocosts are trusted
  int max_strong = 10;          // candidates measured by strong branching at one node
  int64_t strong_iters = 100;   // iteration limit of one strong-branching LP
};

// Fractional integer-type columns of x under bounds (lo, up).
std::vector<int> fractional_columns(const BbModel &bm, const std::vector<double> &x,
                                    const std::vector<double> &lo, const std::vector<double> &up,
                                    double inttol);

// A branching on something other than an integer column that x violates,
// or false when x satisfies every set, semi-continuous threshold and
// indicator row.
bool special_branching(const BbModel &bm, const std::vector<double> &x,
                       const std::vector<double> &lo, const std::vector<double> &up,
                       const BranchSettings &s, Branching &out);

// The integer column to branch on among `cands` (not empty), by
// reliability branching on `lp` (which holds the node's solved LP with
// objective `obj`; its bounds and basis are restored afterwards).
Branching choose_integer_branch(const BbModel &bm, NodeLp &lp, const std::vector<double> &x,
                                double obj, const std::vector<int> &cands, Pseudocosts &pc,
                                const BranchSettings &s, double cutoff);

}  // namespace bb
}  // namespace ondr
