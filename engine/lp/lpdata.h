// The model handed to HiGHS: columns with bounds and integrality, rows as
// bound pairs over sparse rows, an optional Hessian. It is built from the
// store at solve time; its first columns and rows are the store's own, in
// the same order, and reformulations append their helper columns and rows.
#pragma once
#include <string>
#include <vector>
#include "model/store.h"

namespace ondr {

// Column kinds as HiGHS knows them.
enum ColKind : int { KIND_CONT = 0, KIND_INT = 1, KIND_SEMICONT = 2, KIND_SEMIINT = 3 };

struct LpData {
  int sense = 1;                // 1 minimize, -1 maximize
  double offset = 0.0;          // objective constant
  std::vector<double> cost, collo, colup;
  std::vector<int> kind;        // ColKind per column
  std::vector<double> rowlo, rowup;
  std::vector<std::vector<Entry>> rows;
  QMap hessian;                 // 0.5 x'Hx, pair stored once (as in the store)
  // Rows appended to carry a second side of an original row (indicator
  // rows with two sides): (appended row, original row). Their duals add up.
  std::vector<std::pair<int, int>> side_rows;

  // Scaling of the store's columns and rows (empty: none): column j of
  // HiGHS holds x_j / colmult[j] (a multiplier may be negative); row i is
  // multiplied by rowmult[i]. Set by ONDRscale's exponents and by the MIP
  // build (semi-continuous columns HiGHS can only take scaled).
  std::vector<double> colmult, rowmult;
  // Largest integrality tolerance that keeps the MIP build's selector
  // formulations exact (kInf: no limit).
  double integrality_cap = kInf;

  int ncols() const { return (int)cost.size(); }
  int nrows() const { return (int)rowlo.size(); }
  bool has_integers() const;
  int add_col(double c, double lo, double up, int k);
  int add_row(double lo, double up, std::vector<Entry> entries);
};

// Bounds of row i of the store as (lower, upper); infinite sides are
// +-kInf. 'N' rows are free.
void row_bounds(const Model &m, int i, double &lo, double &up);

// Bounds of row i in the continuous relaxation: as row_bounds, except
// that an indicator row is free.
void relaxed_row_bounds(const Model &m, int i, double &lo, double &up);

// Smallest box holding every value column j may take: binaries within
// [0,1], semi-continuous and semi-integer columns within the hull of 0 and
// [max(lb, limit), ub].
void col_hull(const Model &m, int j, double &lo, double &up);
// The same hull applied to given bounds lo..up of column j.
void type_hull(const Model &m, int j, double &lo, double &up);

// The continuous relaxation of the store: integrality dropped, binaries
// bounded by [0,1], semi-continuous and semi-integer columns by the hull of
// {0} and their range, sets ignored, indicator rows left free (an indicator
// row constrains only some solutions, so leaving it out relaxes).
LpData relaxation(const Model &m);
// The relaxation without its rows (bounds, costs, Hessian, no scaling):
// what the solver session keeps beside the matrix it hands HiGHS.
LpData relaxation_shape(const Model &m);
// Whether ONDRscale's exponents change anything in the relaxation.
bool has_user_scaling(const Model &m);

// Replaces column j by x_j / mult[j] (for j < mult.size(); 1 leaves it):
// cost, bounds (swapped for a negative multiplier), every row's entries and
// the Hessian follow, and colmult records the product of all multipliers.
void scale_columns(LpData &d, const std::vector<double> &mult);
// Multiplies row i by mult[i] (i < mult.size()); the side rows of a row
// follow it.
void scale_rows(LpData &d, const std::vector<double> &mult);
// Applies the store's scaling exponents (ONDRscale) to `d`: row i times
// 2^rowscale[i]; continuous column j replaced by x_j / 2^colscale[j]
// (integer-type columns keep their scale, so integrality is unchanged).
void apply_user_scaling(const Model &m, LpData &d);
// Back to the store's units: primal column values, row duals and reduced
// costs of the first columns and rows.
void unscale_primal(const LpData &d, std::vector<double> &x);
void unscale_duals(const LpData &d, std::vector<double> &rowdual, std::vector<double> &coldual);

// Compressed sparse column form of the rows, for HiGHS.
struct Csc {
  std::vector<int> start, index;
  std::vector<double> value;
};
Csc column_wise(const LpData &d);
// The store's rows by columns, in one pass (explicit zeros left out).
Csc store_columns(const Model &m);
// The Hessian as HiGHS takes it: the lower triangle by columns. A pair
// (i,j) of the store's convention is exactly the entry below the diagonal.
Csc hessian_lower(const LpData &d);

// Row activities of the store's rows at x, and the slacks rhs - activity
// (the rhs of an 'N' row counts as 0).
std::vector<double> store_slacks(const Model &m, const std::vector<double> &x);

}  // namespace ondr
