#include "nlp/renumber.h"
#include "env/error.h"
#include "nlp/formula.h"

namespace ondr {

namespace {

int mapped(const std::vector<int> &newindex, int i) {
  return i >= 0 && i < (int)newindex.size() ? newindex[i] : -1;
}

template <class V>
std::map<int, V> renumber_keys(const std::map<int, V> &in, const std::vector<int> &newindex) {
  std::map<int, V> out;
  for (const auto &e : in) {
    int k = mapped(newindex, e.first);
    if (k >= 0) out[k] = e.second;
  }
  return out;
}

}  // namespace

void nlp_check_delete_cols(const Model &m, const std::vector<int> &newindex) {
  for (const NlCoef &c : m.nlcoefs) {
    if (c.col != kUnitColumn && mapped(newindex, c.col) < 0)
      fail(ERR_ARGUMENT, "Column %d has a nonlinear coefficient in row %d: delete the coefficient first", c.col, c.row);
    for (size_t k = 0; k < c.types.size(); ++k)
      if (c.types[k] == tok::COL && mapped(newindex, (int)c.values[k]) < 0)
        fail(ERR_ARGUMENT, "Column %d is used by the nonlinear coefficient in row %d: delete the coefficient first",
             (int)c.values[k], c.row);
  }
}

void nlp_renumber_rows(Model &m, const std::vector<int> &newindex) {
  std::vector<NlCoef> kept;
  kept.reserve(m.nlcoefs.size());
  for (NlCoef &c : m.nlcoefs) {
    int r = mapped(newindex, c.row);
    if (r < 0) continue;
    c.row = r;
    kept.push_back(std::move(c));
  }
  m.nlcoefs.swap(kept);
  m.rowstatus = renumber_keys(m.rowstatus, newindex);
  std::map<int, int> det;
  for (const auto &e : m.detrow) {
    int r = mapped(newindex, e.second);
    if (r >= 0) det[e.first] = r;
  }
  m.detrow.swap(det);
}

void nlp_renumber_cols(Model &m, const std::vector<int> &newindex) {
  for (NlCoef &c : m.nlcoefs) {
    if (c.col != kUnitColumn) c.col = mapped(newindex, c.col);
    for (size_t k = 0; k < c.types.size(); ++k)
      if (c.types[k] == tok::COL) c.values[k] = mapped(newindex, (int)c.values[k]);
  }
  m.detrow = renumber_keys(m.detrow, newindex);
  m.slpvars = renumber_keys(m.slpvars, newindex);
}

}  // namespace ondr
