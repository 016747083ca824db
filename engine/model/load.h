// Loading a whole problem from column-wise arrays into a fresh Model.
#pragma once
#include <cstdint>
#include "model/store.h"

namespace ondr {

// The LP part of every loader. Starts are 32- or 64-bit; `mnel` (may be
// NULL) gives column lengths, otherwise column j ends at mstart[j+1].
template <class Start>
Model build_lp(const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[],
               const Start mstart[], const int mnel[], const int mrwind[],
               const double dmatval[], const double dlb[], const double dub[]);

void check_row_type(char t, int row);
void check_col_type(char t, int col);

}  // namespace ondr
