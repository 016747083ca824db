// The tree search's view of a problem: the continuous relaxation in
// minimization form (what every node LP starts from), the column types the
// search enforces by branching, the rows by rows and by columns (for
// propagation and heuristics), the sets and the indicator rows.
#pragma once
#include <memory>
#include <vector>
#include "lp/lpdata.h"
#include "model/store.h"

namespace ondr {
namespace bb {

struct NonlinearPart;

// What a column's type asks of its value.
enum ColRule : char {
  RULE_CONT = 0,      // nothing
  RULE_INT,           // integer ('B', 'I')
  RULE_SEMICONT,      // 0 or within [on, up] ('S')
  RULE_SEMIINT,       // 0 or an integer within [on, up] ('R')
  RULE_PARTINT,       // integer below `on`, continuous from `on` up ('P')
};

struct Indicator {
  int row, col;
  double active;      // value of `col` (0 or 1) that enforces the row
  double lo, up;      // the row's bounds when enforced
};

struct SetOrder {
  char type;                 // '1' or '2'
  std::vector<int> cols;     // members by increasing reference value
};

struct BbModel {
  LpData lp;                 // relaxation: sense 1 (costs negated when maximizing)
  int sense = 1;             // the user's sense: user value = sense * internal value
  std::vector<char> rule;    // ColRule per column
  std::vector<double> on;    // threshold of semi-continuous, semi-integer, partially integer
  std::vector<double> top;   // upper end of a semi-continuous or semi-integer range
  // Rows by columns (every row, indicator rows included).
  std::vector<std::vector<Entry>> cols;
  std::vector<Indicator> indicators;
  std::vector<int> indicator_of_row;   // index into `indicators`, -1 none
  std::vector<SetOrder> sets;
  // A quadratic objective, quadratic rows or formulas (bb/noderelax.h);
  // null for a linear problem.
  std::shared_ptr<const NonlinearPart> nonlinear;
  int ncols() const { return lp.ncols(); }
  int nrows() const { return lp.nrows(); }
  bool is_integer_rule(int j) const { return rule[(size_t)j] == RULE_INT; }
};

// Builds the search's model from the store. Infinite bounds are allowed
// everywhere: sets and indicators are enforced by branching, not big-M.
BbModel build_model(const Model &m);

// Whether v lies in the gap of a semi-continuous or semi-integer column
// j: strictly (by tol) between 0 and its range [on, top]. A range holding 0
// has no gap.
bool in_gap(const BbModel &bm, int j, double v, double tol);

// Objective value (internal, minimization form) of x, nonlinear terms
// included.
double objective_of(const BbModel &bm, const std::vector<double> &x);

}  // namespace bb
}  // namespace ondr
