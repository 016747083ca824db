#include "repair/scratch.h"
#include <algorithm>
#include "env/shell.h"
#include "model/ops.h"
#include "ondr.h"

namespace ondr {

Scratch::Scratch(ONDRprob src) {
  create_prob(&p_);
  try {
    copy_prob(p_, src, "");
  } catch (...) {
    destroy_prob(p_);
    throw;
  }
}

Scratch::~Scratch() {
  if (p_) ONDRdestroyprob(p_);
}

void Scratch::optimize(bool mip, const std::string &flags) {
  int rc = mip ? ONDRmipoptimize(p_, flags.c_str()) : ONDRlpoptimize(p_, flags.c_str());
  if (rc != 0) fail(rc, "%s", p_->lasterror.c_str());
}

void Scratch::relax_integrality() {
  Model &m = p_->model;
  std::vector<int> cols;
  for (int j = 0; j < m.ncols(); ++j)
    if (m.coltype[(size_t)j] != 'C') cols.push_back(j);
  if (!cols.empty()) {
    // A binary column keeps its 0..1 box as bounds.
    for (int j : cols)
      if (m.coltype[(size_t)j] == 'B') {
        const char t[2] = {'L', 'U'};
        const int idx[2] = {j, j};
        const double b[2] = {std::max(0.0, m.lb[(size_t)j]), std::min(1.0, m.ub[(size_t)j])};
        chg_bounds(p_, 2, idx, t, b);
      }
    std::vector<char> types(cols.size(), 'C');
    chg_coltype(p_, (int)cols.size(), cols.data(), types.data());
  }
  if (!m.sets.empty()) {
    std::vector<int> sets((size_t)m.sets.size());
    for (size_t k = 0; k < sets.size(); ++k) sets[k] = (int)k;
    del_sets(p_, (int)sets.size(), sets.data());
  }
  std::vector<int> rows, none;
  for (size_t i = 0; i < m.indcol.size(); ++i)
    if (m.indcol[i] >= 0) rows.push_back((int)i);
  if (!rows.empty()) {
    none.assign(rows.size(), -1);
    std::vector<int> comps(rows.size(), 0);
    set_indicators(p_, (int)rows.size(), rows.data(), none.data(), comps.data());
    // Without its switch an indicator row would always hold: free it instead.
    std::vector<char> free_rows(rows.size(), 'N');
    chg_rowtype(p_, (int)rows.size(), rows.data(), free_rows.data());
  }
}

bool has_solution(const Results &r, bool mip) { return mip ? r.has_mipsol : r.has_lpsol; }

std::vector<double> solution_prefix(const Results &r, bool mip, int ncols) {
  const std::vector<double> &x = mip ? r.mipx : r.x;
  return std::vector<double>(x.begin(), x.begin() + std::min<size_t>((size_t)ncols, x.size()));
}

}  // namespace ondr
