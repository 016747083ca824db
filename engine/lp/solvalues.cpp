// ONDRgetsolvalues: single entries of the last solution, so that reading one
// variable's value after a solve costs the same on any model size.
#include "env/shell.h"
#include "lp/solve.h"
#include "ondr.h"

namespace ondr {

const char *lpstatus_name(int s);

const std::vector<double> &solution_vector(ONDRprob prob, int which) {
  const Results &r = prob->results;
  const Model &m = prob->model;
  ONDR_REQUIRE(which >= ONDR_SOL_X && which <= ONDR_SOL_MIPSLACK, "Invalid solution vector %d", which);
  if (r.lpstatus == 0 && r.mipstatus == 0) fail(ERR_STATE, "no solution available: the problem has not been solved");
  const bool mip = which >= ONDR_SOL_MIPX;
  if (mip && !r.has_mipsol) fail(ERR_STATE, "no integer solution available: the last solve found none");
  if (!mip && !r.has_lpsol)
    fail(ERR_STATE, "no solution available: the last solve found none (LP status %s)", lpstatus_name(r.lpstatus));
  const std::vector<double> &xs = mip ? r.mipx : r.x, &ss = mip ? r.mipslack : r.slack;
  if (xs.size() != (size_t)m.ncols() || ss.size() != (size_t)m.nrows())
    fail(ERR_STATE, "no solution available: the problem has changed since it was solved");
  if ((which == ONDR_SOL_DUAL || which == ONDR_SOL_DJ) && !r.has_dual)
    fail(ERR_STATE, "no dual solution available: the last solve (LP status %s) gave none", lpstatus_name(r.lpstatus));
  switch (which) {
    case ONDR_SOL_X: return r.x;
    case ONDR_SOL_SLACK: return r.slack;
    case ONDR_SOL_DUAL: return r.dual;
    case ONDR_SOL_DJ: return r.dj;
    case ONDR_SOL_MIPX: return r.mipx;
  }
  return r.mipslack;
}

namespace {

void get_solution_values(ONDRprob prob, int which, int n, const int index[], double out[]) {
  const std::vector<double> &v = solution_vector(prob, which);
  ONDR_REQUIRE(n >= 0, "Invalid number of entries %d", n);
  if (n > 0) ONDR_REQUIRE(index && out, "NULL index or value array");
  const bool cols = which == ONDR_SOL_X || which == ONDR_SOL_DJ || which == ONDR_SOL_MIPX;
  for (int k = 0; k < n; ++k)
    ONDR_REQUIRE(index[k] >= 0 && (size_t)index[k] < v.size(), "Entry %d: invalid %s index %d (the problem has %d %s)",
                 k, cols ? "column" : "row", index[k], (int)v.size(), cols ? "columns" : "rows");
  for (int k = 0; k < n; ++k) out[k] = v[(size_t)index[k]];
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetsolvalues(ONDRprob prob, int which, int n, const int index[], double out[]) {
  return guard_prob(prob, [&] { get_solution_values(prob, which, n, index, out); });
}
