// Loading a whole problem from column-wise arrays into a fresh Model.
#pragma once
#include <cstdint>
#include "model/store.h"
#include "ondr_base.h"

namespace ondr {

// The LP part of every loader. Starts are 32- or 64-bit; `mnel` (may be
// NULL) gives column lengths, otherwise column j ends at mstart[j+1].
template <class Start>
Model build_lp(const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[],
               const Start mstart[], const int mnel[], const int mrwind[],
               const double dmatval[], const double dlb[], const double dub[]);

// Makes `m` the whole model of `prob` (every loader and problem reader ends
// here): the results of earlier solves go, and the warm basis stays only
// when KEEPBASIS is 1 and `m` has as many rows and columns as it describes.
// Cannot fail.
void commit_model(ONDRprob prob, Model &&m) noexcept;

void check_row_type(char t, int row);
void check_col_type(char t, int col);

}  // namespace ondr
