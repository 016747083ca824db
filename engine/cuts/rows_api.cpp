// Rows marked before a search: ONDRloaddelayedrows, ONDRloadmodelcuts,
// ONDRloadsecurevecs.
#include "cuts/state.h"
#include "env/shell.h"
#include "ondr.h"

namespace ondr {
namespace cuts {
namespace {

std::set<int> checked_rows(ONDRprob prob, int n, const int mrows[], const char *what) {
  const Model &m = prob->model;
  ONDR_REQUIRE(n >= 0, "%s: negative number of rows (%d)", what, n);
  ONDR_REQUIRE(n == 0 || mrows, "%s: NULL row array", what);
  std::set<int> out;
  for (int k = 0; k < n; ++k) {
    int i = mrows[k];
    ONDR_REQUIRE(i >= 0 && i < m.nrows(), "%s: row index %d out of range [0, %d)", what, i, m.nrows());
    ONDR_REQUIRE((size_t)i >= m.indcol.size() || m.indcol[(size_t)i] < 0,
                 "%s: row %d is an indicator row", what, i);
    ONDR_REQUIRE(!m.qrows.count(i) || m.qrows.at(i).empty(), "%s: row %d has a quadratic part", what, i);
    out.insert(i);
  }
  return out;
}

}  // namespace
}  // namespace cuts
}  // namespace ondr

using namespace ondr;
using namespace ondr::cuts;

ONDR_API int ONDRloaddelayedrows(ONDRprob prob, int n, const int mrows[]) {
  return guard_prob(prob, [&] {
    check_not_busy(prob);
    std::set<int> rows = checked_rows(prob, n, mrows, "loaddelayedrows");
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    st.delayed = std::move(rows);
  });
}

ONDR_API int ONDRloadmodelcuts(ONDRprob prob, int n, const int mrows[]) {
  return guard_prob(prob, [&] {
    check_not_busy(prob);
    std::set<int> rows = checked_rows(prob, n, mrows, "loadmodelcuts");
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    st.modelcuts = std::move(rows);
  });
}

ONDR_API int ONDRloadsecurevecs(ONDRprob prob, int nrows, int ncols, const int mrow[], const int mcol[]) {
  return guard_prob(prob, [&] {
    const Model &m = prob->model;
    bool rows = nrows >= 0 && mrow, cols = ncols >= 0 && mcol;
    ONDR_REQUIRE(nrows >= -1 && ncols >= -1, "loadsecurevecs: invalid counts (%d, %d)", nrows, ncols);
    ONDR_REQUIRE(!(nrows > 0 && !mrow) && !(ncols > 0 && !mcol), "loadsecurevecs: NULL array");
    std::set<int> r, c;
    for (int k = 0; rows && k < nrows; ++k) {
      ONDR_REQUIRE(mrow[k] >= 0 && mrow[k] < m.nrows(), "loadsecurevecs: row index %d out of range [0, %d)",
                   mrow[k], m.nrows());
      r.insert(mrow[k]);
    }
    for (int k = 0; cols && k < ncols; ++k) {
      ONDR_REQUIRE(mcol[k] >= 0 && mcol[k] < m.ncols(),
                   "loadsecurevecs: column index %d out of range [0, %d)", mcol[k], m.ncols());
      c.insert(mcol[k]);
    }
    CutState &st = state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    if (rows) st.securerows = std::move(r);
    if (cols) st.securecols = std::move(c);
  });
}
