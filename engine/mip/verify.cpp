#include "mip/verify.h"
#include <algorithm>
#include <cmath>
#include <numeric>
#include "env/error.h"
#include "lp/lpdata.h"

namespace ondr {

namespace {

bool integral(double v, double tol) { return std::fabs(v - std::round(v)) <= tol; }

}  // namespace

std::string mip_violation(const Model &m, const std::vector<double> &x, double feastol,
                          double inttol) {
  for (int j = 0; j < m.ncols(); ++j) {
    double v = x[(size_t)j];
    std::string name = m.name_or_default(2, j);
    switch (m.coltype[(size_t)j]) {
      case 'B':
      case 'I':
        if (!integral(v, inttol)) return format("column %s = %.10g is not integer", name.c_str(), v);
        break;
      case 'S':
      case 'R': {
        if (std::fabs(v) <= feastol) break;
        double on = std::max(m.lb[(size_t)j], m.limit[(size_t)j]), up = m.ub[(size_t)j];
        if (v < on - feastol || v > up + feastol)
          return format("column %s = %.10g is neither 0 nor within [%g, %g]", name.c_str(), v, on,
                        up);
        if (m.coltype[(size_t)j] == 'R' && !integral(v, inttol))
          return format("column %s = %.10g is not integer", name.c_str(), v);
        break;
      }
      case 'P':
        if (v < m.limit[(size_t)j] - feastol && !integral(v, inttol))
          return format("column %s = %.10g is below its limit %g and not integer", name.c_str(),
                        v, m.limit[(size_t)j]);
        break;
      default: break;
    }
  }
  for (size_t s = 0; s < m.sets.size(); ++s) {
    const SetDef &set = m.sets[s];
    std::vector<size_t> order(set.cols.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return set.refs[a] < set.refs[b]; });
    std::vector<size_t> nonzero;
    for (size_t p = 0; p < order.size(); ++p)
      if (std::fabs(x[(size_t)set.cols[order[p]]]) > feastol) nonzero.push_back(p);
    bool ok = set.type == '1' ? nonzero.size() <= 1
                              : nonzero.size() <= 1 ||
                                    (nonzero.size() == 2 && nonzero[1] == nonzero[0] + 1);
    if (!ok)
      return format("set %s has %zu nonzero members", m.name_or_default(3, (int)s).c_str(),
                    nonzero.size());
  }
  for (int i = 0; i < m.nrows() && i < (int)m.indcol.size(); ++i) {
    int c = m.indcol[(size_t)i], comp = m.indcomp[(size_t)i];
    if (c < 0 || comp == 0) continue;
    bool active = comp > 0 ? x[(size_t)c] > 0.5 : x[(size_t)c] < 0.5;
    if (!active) continue;
    double act = 0;
    for (const Entry &e : m.rows[(size_t)i]) act += e.value * x[(size_t)e.index];
    double lo, up;
    row_bounds(m, i, lo, up);
    if ((lo > -kInf && act < lo - feastol * std::max(1.0, std::fabs(lo))) ||
        (up < kInf && act > up + feastol * std::max(1.0, std::fabs(up))))
      return format("indicator row %s is active and violated (activity %.10g)",
                    m.name_or_default(1, i).c_str(), act);
  }
  return std::string();
}

}  // namespace ondr
