#include "lp/qpmethod.h"
#include "controls/ids.h"

namespace ondr {

bool qp_by_interior_point(const ControlValues &c, const Model &m) {
  size_t entries = 0;
  for (const auto &q : m.qobj)
    if (q.second != 0.0) ++entries;
  if (entries == 0 || !m.nlcoefs.empty()) return false;
  switch (c.geti(id::QPSOLVER)) {
    case 1: return false;
    case 2: return true;
    default: return m.ncols() > kActiveSetMaxCols || entries > kActiveSetMaxQEntries;
  }
}

}  // namespace ondr
