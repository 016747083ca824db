// Primal heuristics of the search and the check every candidate solution
// passes: simple rounding of an LP solution (towards the side no row can
// object to, else the nearest) and fractional diving (round the column
// nearest to an integer, propagate, solve, repeat) on the worker's LP.
#pragma once
#include <cstdint>
#include <vector>
#include "bb/model.h"
#include "model/store.h"

namespace ondr {
namespace bb {

class NodeLp;

// Whether x keeps the root bounds, the rows (indicator rows where
// enforced) and every column type, set and indicator of the store.
bool is_feasible(const BbModel &bm, const Model &m, const std::vector<double> &x,
                 double feastol, double inttol);

class Heuristics {
 public:
  Heuristics(const BbModel &bm, const Model &m, double feastol, double inttol);
  // A rounding of the LP solution x within (lo, up) that is feasible.
  bool round(const std::vector<double> &x, const std::vector<double> &lo,
             const std::vector<double> &up, std::vector<double> &out) const;
  // Dives from the node whose LP `lp` holds (bounds lo, up, solution x);
  // `lp`'s bounds are left changed (the next node sets its own). At most
  // `max_lps` LP solves; LPs stop at `cutoff`.
  bool dive(NodeLp &lp, std::vector<double> lo, std::vector<double> up, std::vector<double> x,
            double cutoff, int max_lps, std::vector<double> &out) const;

 private:
  const BbModel &bm_;
  const Model &m_;
  double feastol_, inttol_;
  std::vector<int> down_locks_, up_locks_;
};

}  // namespace bb
}  // namespace ondr
