// HiGHS's own IIS of a linear problem, mapped to members.
#include <algorithm>
#include "controls/ids.h"
#include "env/error.h"
#include "iis/search.h"
#include "lp/highs.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr::iis {

bool highs_iis(ONDRprob prob, const Model &m, const Members &mb, std::vector<int> &out) {
  LpData d = relaxation_of(m, mb, Flags((size_t)mb.count(), 1));
  HighsHandle h;
  RunSettings s;
  s.ncols = d.ncols();
  s.nrows = d.nrows();
  h.apply_controls(prob->controls, s);
  h.pass_model(d);
  // An irreducible set from HiGHS's elastic LP.
  h.set("iis_strategy", (int)kHighsIisStrategyFromLpRowPriority);
  int n = d.ncols(), r = d.nrows();
  std::vector<HighsInt> ci((size_t)n + 1), ri((size_t)r + 1), cb((size_t)n + 1), rb((size_t)r + 1),
      cs((size_t)n + 1), rs((size_t)r + 1);
  HighsInt nc = 0, nr = 0;
  prepare_scheduler((int)prob->controls.geti(id::THREADS));
  int rc = h.run_call([&](void *hh) {
    return (int)Highs_getIis(hh, &nc, &nr, ci.data(), ri.data(), cb.data(), rb.data(), cs.data(),
                             rs.data());
  });
  if (rc == kHighsStatusError || (nc == 0 && nr == 0)) return false;
  out.clear();
  auto add = [&](int lo_member, HighsInt bound) {
    if (bound == kHighsIisBoundLower || bound == kHighsIisBoundBoxed) out.push_back(lo_member);
    if (bound == kHighsIisBoundUpper || bound == kHighsIisBoundBoxed) out.push_back(lo_member + 1);
  };
  for (HighsInt k = 0; k < nr; ++k) add(mb.row_member((int)ri[(size_t)k], false), rb[(size_t)k]);
  for (HighsInt k = 0; k < nc; ++k) add(mb.col_member((int)ci[(size_t)k], false), cb[(size_t)k]);
  // Only sides that exist can be members.
  out.erase(std::remove_if(out.begin(), out.end(), [&](int k) { return !mb.exists(k); }), out.end());
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return true;
}

}  // namespace ondr::iis
