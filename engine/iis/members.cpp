#include "iis/members.h"
#include <algorithm>

namespace ondr::iis {

std::vector<int> Members::all() const {
  std::vector<int> out;
  for (int k = 0; k < count(); ++k)
    if (exists(k)) out.push_back(k);
  return out;
}

Members members_of(const Model &m) {
  Members mb;
  mb.nrows = m.nrows();
  mb.ncols = m.ncols();
  mb.value.resize(2 * ((size_t)mb.nrows + (size_t)mb.ncols));
  for (int i = 0; i < mb.nrows; ++i)
    row_bounds(m, i, mb.value[2 * (size_t)i], mb.value[2 * (size_t)i + 1]);
  for (int j = 0; j < mb.ncols; ++j) {
    size_t k = 2 * ((size_t)mb.nrows + (size_t)j);
    double lo = m.lb[(size_t)j], up = m.ub[(size_t)j];
    mb.value[k] = lo <= -kInf ? -kInf : lo;
    mb.value[k + 1] = up >= kInf ? kInf : up;
  }
  return mb;
}

Flags flags_of(const Members &mb, const std::vector<int> &set) {
  Flags f((size_t)mb.count(), 0);
  for (int k : set) f[(size_t)k] = 1;
  return f;
}

namespace {
void sides(const Members &mb, const Flags &keep, int k, double &lo, double &up) {
  lo = keep[(size_t)k] ? mb.value[(size_t)k] : -kInf;
  up = keep[(size_t)k + 1] ? mb.value[(size_t)k + 1] : kInf;
}
}  // namespace

void row_sides(const Members &mb, const Flags &keep, int i, double &lo, double &up) {
  sides(mb, keep, mb.row_member(i, false), lo, up);
}

void col_sides(const Members &mb, const Flags &keep, int j, double &lo, double &up) {
  sides(mb, keep, mb.col_member(j, false), lo, up);
}

void set_row_bounds(Model &m, int i, double lo, double up) {
  size_t r = (size_t)i;
  bool l = lo > -kInf, u = up < kInf;
  m.range[r] = 0.0;
  if (l && u && lo == up) {
    m.rowtype[r] = 'E';
    m.rhs[r] = lo;
  } else if (l && u) {
    m.rowtype[r] = 'R';
    m.rhs[r] = up;
    m.range[r] = up - lo;
  } else if (l) {
    m.rowtype[r] = 'G';
    m.rhs[r] = lo;
  } else if (u) {
    m.rowtype[r] = 'L';
    m.rhs[r] = up;
  } else {
    m.rowtype[r] = 'N';
    m.rhs[r] = 0.0;
  }
}

Model subsystem_model(const Model &m, const Members &mb, const Flags &keep) {
  Model s = m;
  std::fill(s.obj.begin(), s.obj.end(), 0.0);
  s.qobj.clear();
  s.objconst_neg = 0.0;
  for (int i = 0; i < mb.nrows; ++i) {
    double lo, up;
    row_sides(mb, keep, i, lo, up);
    set_row_bounds(s, i, lo, up);
  }
  for (int j = 0; j < mb.ncols; ++j) col_sides(mb, keep, j, s.lb[(size_t)j], s.ub[(size_t)j]);
  return s;
}

}  // namespace ondr::iis
