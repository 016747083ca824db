// The members of subsystems (row sides and column bounds) and the models a
// subsystem stands for. A member is a number: 2i and 2i+1 are the lower
// and upper side of row i, 2(rows+j) and 2(rows+j)+1 the lower and upper
// bound of column j. A subsystem is a flag per member: kept or dropped.
#pragma once
#include <vector>
#include "lp/lpdata.h"
#include "model/store.h"

namespace ondr::iis {

struct Members {
  int nrows = 0, ncols = 0;
  // The value of each member's side (+-kInf where the side does not exist).
  std::vector<double> value;
  int count() const { return (int)value.size(); }
  bool exists(int k) const { return value[(size_t)k] > -kInf && value[(size_t)k] < kInf; }
  bool is_row(int k) const { return k < 2 * nrows; }
  int index(int k) const { return is_row(k) ? k / 2 : k / 2 - nrows; }
  bool upper(int k) const { return (k & 1) != 0; }
  int row_member(int i, bool up) const { return 2 * i + (up ? 1 : 0); }
  int col_member(int j, bool up) const { return 2 * (nrows + j) + (up ? 1 : 0); }
  // Every member whose side exists.
  std::vector<int> all() const;
};

Members members_of(const Model &m);

// A subsystem as flags (1 kept) over all members.
using Flags = std::vector<char>;
Flags flags_of(const Members &mb, const std::vector<int> &set);

// Bounds of row i and column j in a subsystem: a dropped side is infinite.
void row_sides(const Members &mb, const Flags &keep, int i, double &lo, double &up);
void col_sides(const Members &mb, const Flags &keep, int j, double &lo, double &up);

// type_hull (lp/lpdata.h) gives the smallest box of column j's values
// given its type and the bounds lo..up, as the continuous relaxation takes it.

// The model of a subsystem: `m` with every dropped side made infinite,
// rows left without sides made free ('N'), and no objective.
Model subsystem_model(const Model &m, const Members &mb, const Flags &keep);

// Sets row i of `m` to the bounds lo..up (either may be infinite).
void set_row_bounds(Model &m, int i, double lo, double up);

}  // namespace ondr::iis
