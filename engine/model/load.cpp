#include "model/load.h"
#include <cmath>
#include "env/shell.h"
#include "ondr.h"

namespace ondr {

void check_row_type(char t, int row) {
  ONDR_REQUIRE(t == 'L' || t == 'G' || t == 'E' || t == 'R' || t == 'N',
               "Invalid row type '%c' for row %d", t, row);
}

void check_col_type(char t, int col) {
  ONDR_REQUIRE(t == 'C' || t == 'B' || t == 'I' || t == 'S' || t == 'R' || t == 'P',
               "Invalid column type '%c' for column %d", t, col);
}

template <class Start>
Model build_lp(const char *probname, int ncols, int nrows, const char qrtype[],
               const double rhs[], const double range[], const double obj[],
               const Start mstart[], const int mnel[], const int mrwind[],
               const double dmatval[], const double dlb[], const double dub[]) {
  ONDR_REQUIRE(ncols >= 0, "Invalid number of columns %d", ncols);
  ONDR_REQUIRE(nrows >= 0, "Invalid number of rows %d", nrows);
  ONDR_REQUIRE(nrows == 0 || qrtype, "Row types missing for %d rows", nrows);
  Model m;
  m.name = probname ? probname : "";
  m.rowtype.resize((size_t)nrows);
  m.rhs.assign((size_t)nrows, 0.0);
  m.range.assign((size_t)nrows, 0.0);
  m.rows.resize((size_t)nrows);
  m.indcol.assign((size_t)nrows, -1);
  m.indcomp.assign((size_t)nrows, 0);
  for (int i = 0; i < nrows; ++i) {
    char t = qrtype[i];
    check_row_type(t, i);
    m.rowtype[(size_t)i] = t;
    double r = rhs ? rhs[i] : 0.0;
    ONDR_REQUIRE(!std::isnan(r), "Right-hand side of row %d is NaN", i);
    m.rhs[(size_t)i] = t == 'N' ? 0.0 : r;
    if (t == 'R') {
      double g = range ? range[i] : 0.0;
      ONDR_REQUIRE(!std::isnan(g) && g >= 0, "Invalid range %g of row %d", g, i);
      m.range[(size_t)i] = g;
    }
  }
  m.obj.assign((size_t)ncols, 0.0);
  m.lb.assign((size_t)ncols, 0.0);
  m.ub.assign((size_t)ncols, kInf);
  m.coltype.assign((size_t)ncols, 'C');
  m.limit.assign((size_t)ncols, 0.0);
  for (int j = 0; j < ncols; ++j) {
    if (obj) {
      ONDR_REQUIRE(!std::isnan(obj[j]), "Objective coefficient of column %d is NaN", j);
      m.obj[(size_t)j] = obj[j];
    }
    double l = dlb ? dlb[j] : 0.0, u = dub ? dub[j] : kInf;
    ONDR_REQUIRE(!std::isnan(l) && !std::isnan(u), "Bound of column %d is NaN", j);
    m.lb[(size_t)j] = l <= -kInf ? -kInf : l;
    m.ub[(size_t)j] = u >= kInf ? kInf : u;
  }
  if (ncols > 0 && mstart) {
    for (int j = 0; j < ncols; ++j) {
      int64_t b = (int64_t)mstart[j];
      int64_t e = mnel ? b + mnel[j] : (int64_t)mstart[j + 1];
      ONDR_REQUIRE(b >= 0 && e >= b, "Invalid start or length of column %d", j);
      if (e > b) ONDR_REQUIRE(mrwind && dmatval, "Matrix arrays missing");
      for (int64_t k = b; k < e; ++k) {
        int r = mrwind[k];
        ONDR_REQUIRE(r >= 0 && r < nrows, "Row index %d out of range in column %d", r, j);
        ONDR_REQUIRE(!std::isnan(dmatval[k]), "Matrix value of column %d is NaN", j);
        if (dmatval[k] != 0.0) m.rows[(size_t)r].push_back({j, dmatval[k]});
      }
    }
    // Merge repeated (row, column) entries by adding them.
    std::vector<int> pos((size_t)ncols, -1);
    for (auto &row : m.rows) {
      size_t out = 0;
      for (size_t k = 0; k < row.size(); ++k) {
        int c = row[k].index;
        if (pos[(size_t)c] >= 0) {
          row[(size_t)pos[(size_t)c]].value += row[k].value;
        } else {
          pos[(size_t)c] = (int)out;
          row[out++] = row[k];
        }
      }
      row.resize(out);
      for (const auto &e : row) pos[(size_t)e.index] = -1;
    }
  }
  return m;
}

template Model build_lp<int>(const char *, int, int, const char[], const double[],
                             const double[], const double[], const int[], const int[],
                             const int[], const double[], const double[], const double[]);
template Model build_lp<int64_t>(const char *, int, int, const char[], const double[],
                                 const double[], const double[], const int64_t[], const int[],
                                 const int[], const double[], const double[], const double[]);

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRloadlp(ONDRprob prob, const char *probname, int ncols, int nrows,
                        const char qrtype[], const double rhs[], const double range[],
                        const double obj[], const int mstart[], const int mnel[],
                        const int mrwind[], const double dmatval[], const double dlb[],
                        const double dub[]) {
  return guard_prob(prob, [&] {
    Model m = build_lp<int>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                            mrwind, dmatval, dlb, dub);
    prob->model = std::move(m);
    prob->results.clear();
  });
}

ONDR_API int ONDRloadlp64(ONDRprob prob, const char *probname, int ncols, int nrows,
                          const char qrtype[], const double rhs[], const double range[],
                          const double obj[], const int64_t mstart[], const int mnel[],
                          const int mrwind[], const double dmatval[], const double dlb[],
                          const double dub[]) {
  return guard_prob(prob, [&] {
    Model m = build_lp<int64_t>(probname, ncols, nrows, qrtype, rhs, range, obj, mstart, mnel,
                                mrwind, dmatval, dlb, dub);
    prob->model = std::move(m);
    prob->results.clear();
  });
}
