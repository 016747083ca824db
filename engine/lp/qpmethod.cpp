#include "lp/qpmethod.h"
#include "controls/ids.h"

namespace ondr {

bool qp_by_interior_point(const ControlValues &c, const Model &m) {
  bool quadratic = false;
  for (const auto &q : m.qobj)
    if (q.second != 0.0) quadratic = true;
  if (!quadratic || !m.nlcoefs.empty()) return false;
  switch (c.geti(id::QPSOLVER)) {
    case 1: return false;
    case 2: return true;
    default: return m.ncols() > kActiveSetMaxCols;
  }
}

}  // namespace ondr
