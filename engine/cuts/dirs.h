// Branching directives as one search uses them: priorities that restrict
// the branching candidates to those of the best (smallest) priority, the
// preferred child of a column, and pseudocosts given before the search.
#pragma once
#include <vector>
#include "env/problem.h"

namespace ondr {
namespace bb {
class Pseudocosts;
}
namespace cuts {

class SearchDirs {
 public:
  SearchDirs(ONDRprob prob, int ncols);
  bool any() const { return any_; }
  // The candidates of the best priority among `cands` (in their order).
  std::vector<int> best(const std::vector<int> &cands) const;
  // Child to take first on a branch of column j: 0 down, 1 up, -1 no preference.
  int preferred(int j) const;
  // The given pseudocosts as one observation each.
  void seed(bb::Pseudocosts &pc) const;

 private:
  bool any_ = false;
  std::vector<int> pri_;
  std::vector<char> dir_;
  std::vector<double> upc_, downc_;
};

}  // namespace cuts
}  // namespace ondr
