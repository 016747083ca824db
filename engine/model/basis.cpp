#include "model/basis.h"

namespace ondr {

int fit_status(int s, double lo, double up) {
  if (s == BS_BASIC) return s;
  bool has_lo = lo > -kInf, has_up = up < kInf;
  switch (s) {
    case BS_UPPER:
      return has_up ? BS_UPPER : has_lo ? BS_LOWER : BS_ZERO;
    case BS_ZERO:
      // A column that was free may have gained a bound.
      return has_lo ? BS_LOWER : has_up ? BS_UPPER : BS_ZERO;
    default:
      return has_lo ? BS_LOWER : has_up ? BS_UPPER : BS_ZERO;
  }
}

void warm_rows_added(WarmBasis &w, const Model &m, int added) noexcept {
  if (w.empty()) return;
  size_t before = (size_t)(m.nrows() - added);
  if (w.rstat.size() != before || w.cstat.size() != (size_t)m.ncols()) {
    w.clear();
    return;
  }
  try {
    w.rstat.resize((size_t)m.nrows(), BS_BASIC);
  } catch (...) {
    w.clear();
  }
}

void warm_cols_added(WarmBasis &w, const Model &m, int added) noexcept {
  if (w.empty()) return;
  size_t before = (size_t)(m.ncols() - added);
  if (w.cstat.size() != before || w.rstat.size() != (size_t)m.nrows()) {
    w.clear();
    return;
  }
  try {
    w.cstat.reserve((size_t)m.ncols());
  } catch (...) {
    w.clear();
    return;
  }
  for (size_t j = before; j < (size_t)m.ncols(); ++j)
    w.cstat.push_back(fit_status(BS_LOWER, m.lb[j], m.ub[j]));
}

}  // namespace ondr
