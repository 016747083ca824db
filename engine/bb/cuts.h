// Root cuts: Gomory mixed-integer cuts read from the optimal tableau (rows
// of B^-1 from HiGHS) and knapsack covers, kept in a pool whose cuts are rows of the worker's
// LP after the model's rows. A cut that stays slack for several rounds ages
// out of the LP.
#pragma once
#include <utility>
#include <vector>
#include "bb/model.h"

namespace ondr {
namespace bb {

class NodeLp;

struct Cut {
  std::vector<Entry> coefs;  // over the model's columns
  double lo = 0.0;           // coefs . x >= lo
  int age = 0;               // rounds in a row the cut was slack
  int kind = 0;              // ONDR_CUTTYPE_* of the separator that made it
};

class CutPool {
 public:
  const std::vector<Cut> &cuts() const { return cuts_; }
  // Adds `cuts` to the pool and as rows to `lp`.
  void add(NodeLp &lp, std::vector<Cut> cuts);
  // Ages the cuts slack at the LP solution x (activity above lo by more
  // than a tolerance), resets the others, and removes from the pool and
  // from `lp` those slack for more than `max_age` rounds. Returns how many.
  int age(NodeLp &lp, const std::vector<double> &x, int max_age);

 private:
  std::vector<Cut> cuts_;
};

// The at most `max_cuts` cuts of `found` (efficacy, cut) of highest
// efficacy, best first, ties in the order found; `found` is consumed.
std::vector<Cut> strongest_cuts(std::vector<std::pair<double, Cut>> &found, int max_cuts);

// Gomory mixed-integer cuts of the tableau rows of fractional integer
// basic columns of `lp` (solved to optimality, holding bounds lo, up and
// the rows of `pool` after the model's), violated at x; at most `max_cuts`,
// the most violated (relative to their norm) first.
std::vector<Cut> gomory_cuts(const BbModel &bm, NodeLp &lp, const CutPool &pool,
                             const std::vector<double> &x, double inttol, int max_cuts);

// Extended knapsack cover cuts of the model's rows read as knapsacks over
// their binary columns (negative coefficients complemented, the other
// columns at their least contribution), violated at x; at most `max_cuts`.
std::vector<Cut> cover_cuts(const BbModel &bm, const std::vector<double> &lo,
                            const std::vector<double> &up, const std::vector<double> &rlo,
                            const std::vector<double> &rup, const std::vector<double> &x,
                            int max_cuts);

// Mixed-integer rounding cuts of the model's rows, one per row and side at
// most (continuous columns over their nearer bound or variable upper
// bound, integer columns complemented at their nearer bound), violated at
// x; at most `max_cuts`, the most efficacious first (bb/mir.cpp).
std::vector<Cut> mir_cuts(const BbModel &bm, const std::vector<double> &lo,
                          const std::vector<double> &up, const std::vector<double> &rlo,
                          const std::vector<double> &rup, const std::vector<double> &x,
                          int max_cuts);

}  // namespace bb
}  // namespace ondr
