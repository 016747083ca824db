// The model store: everything a problem holds, independent of any solver.
// Solvers get a model built from it at solve time.
#pragma once
#include <cstdint>
#include <map>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>
#include "model/rowstore.h"

namespace ondr {

constexpr double kInf = 1e20;
// The nonlinear layer's unit column: a virtual column whose value is always
// 1, so that it stays valid through any addition or deletion of columns.
constexpr int kUnitColumn = 1 << 30;
inline bool is_inf_bound(double v) { return v >= kInf || v <= -kInf; }

// Quadratic terms keyed by the ordered pair (min(i,j), max(i,j)). The value
// is the entry Q_ij = Q_ji of the symmetric matrix Q; zero entries are never
// stored.
using QMap = std::map<std::pair<int, int>, double>;

struct SetDef {
  char type = '1';               // '1' or '2'
  std::vector<int> cols;         // member columns
  std::vector<double> refs;      // reference values (weights)
};

// A nonlinear coefficient of a row: factor * x[col] * formula(x).
// `formula` holds parsed postfix tokens (types and values) ended by the
// end-of-formula token.
struct NlCoef {
  int row = -1;
  int col = -1;
  double factor = 1.0;
  std::vector<int> types;
  std::vector<double> values;
};

// Data of an SLP variable set by OSLPchgvar (its determining row is in
// Model::detrow). A value of 0 for a step bound, penalty or tolerance set
// means "the solver's default".
struct SlpVar {
  double initstepbound = 0.0, stepbound = 0.0, penalty = 0.0, damp = 1.0;
  double initvalue = 0.0, value = 0.0;
  bool has_initvalue = false, has_value = false;
  int tolset = 0, history = 0, converged = 0, vartype = 0;
  // Step rule (OSLP_DELTA_*, oslp_slp.h) and its size; cascade sequence
  // number (0: by dependencies) and limit of recomputations per cascade
  // (0: the library's); the value before the last SLP step.
  int deltatype = 0, seqnum = 0, cascadenlimit = 0;
  double deltasize = 0.0, oldvalue = 0.0;
};

struct Model {
  std::string name;

  // Columns.
  std::vector<double> obj, lb, ub;
  // 'C','B','I','S','R','P'. 'B' means integer in {0,1} whatever lb and ub
  // hold (the bounds are kept as given; solvers intersect them with [0,1]).
  std::vector<char> coltype;
  // Threshold of 'S','R','P' columns (0 when none was given): 'S' is 0 or in
  // [limit, ub]; 'R' is 0 or an integer in [limit, ub]; 'P' is an integer
  // below limit and continuous from limit up to ub. Kept, but unused, while
  // the column has another type.
  std::vector<double> limit;
  std::vector<std::string> colnames;  // empty string: no name given

  // Rows. `rows[i]` holds the linear entries of row i (column, value),
  // sorted by column, at most one entry per column; an entry may hold an
  // explicit 0.0 when it was added so (it is removed only by setting it 0).
  // All rows share one pool of entries (model/rowstore.h).
  std::vector<char> rowtype;          // 'L','G','E','R','N'
  std::vector<double> rhs, range;     // range used for 'R' rows only (>= 0)
  RowStore rows;
  std::vector<std::string> rownames;

  // Objective: sense 1 minimize, -1 maximize. `objconst_neg` is the value
  // stored at objective index -1, which is minus the objective constant.
  int objsense = 1;
  double objconst_neg = 0.0;
  QMap qobj;                          // 0.5 x'Qx, pair stored once

  // Quadratic parts of rows (x'Qx, pair stored once), by row index.
  std::map<int, QMap> qrows;

  // Special ordered sets.
  std::vector<SetDef> sets;
  std::vector<std::string> setnames;

  // Indicator constraints, by row: column (-1: none) and complement flag
  // (1: enforced when the column is 1, -1: when it is 0).
  std::vector<int> indcol, indcomp;

  // Nonlinear content: coefficients (row, col, factor, formula) kept in the
  // order added; status bits of rows (0x800: defines a column); the
  // determining row of a column (column -> row). Column kUnitColumn stands
  // for a column fixed at 1 that is never a real column.
  std::vector<NlCoef> nlcoefs;
  std::map<int, int> rowstatus;
  std::map<int, int> detrow;
  std::map<int, SlpVar> slpvars;      // column -> SLP variable data
  std::map<int, double> rowwt;        // row -> SLP penalty weight factor (default 1)
  std::map<std::pair<int, int>, double> dfs;  // (column, row) -> derivative factor (default 1)

  // Scaling exponents given by ONDRscale: row i is multiplied by 2^rowscale[i]
  // and column j by 2^colscale[j] in the model handed to the LP solver
  // (results are unscaled on the way back). Empty: no scaling given; when
  // not empty the size follows nrows()/ncols().
  std::vector<int> rowscale, colscale;

  // Name lookup, built on demand; any change to names (or to the number of
  // rows, columns or sets) must call names_changed().
  mutable std::unordered_map<std::string, int> name_index[3];
  mutable bool name_index_valid[3] = {false, false, false};
  void names_changed() { name_index_valid[0] = name_index_valid[1] = name_index_valid[2] = false; }
  // kind 1 rows, 2 columns, 3 sets
  std::vector<std::string> &names_of(int kind) {
    return kind == 1 ? rownames : kind == 2 ? colnames : setnames;
  }
  const std::vector<std::string> &names_of(int kind) const {
    return kind == 1 ? rownames : kind == 2 ? colnames : setnames;
  }
  // The name of item i, or the default name ("R1", "C1", "S1": 1-based) when none was given.
  std::string name_or_default(int kind, int i) const;
  // Index of the item of that name, -1 when none.
  int find_name(int kind, const std::string &name) const;

  int ncols() const { return (int)obj.size(); }
  int nrows() const { return (int)rowtype.size(); }
  int64_t nnz() const { return rows.nnz(); }
};

}  // namespace ondr
