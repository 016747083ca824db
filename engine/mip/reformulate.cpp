#include "mip/reformulate.h"
#include <algorithm>
#include <cmath>
#include <numeric>
#include "env/error.h"

namespace ondr {

namespace {

// HiGHS caps the upper bound of a semi-continuous column at this value and
// only warns when the cap may have cut the optimum off; beyond it the
// engine's own selector formulation is used.
constexpr double kSemiNativeMax = 1e5;

struct Builder {
  const Model &m;
  LpData d;
  explicit Builder(const Model &model) : m(model) {}

  std::string col(int j) const { return m.name_or_default(2, j); }
  std::string row(int i) const { return m.name_or_default(1, i); }
  int selector() { return d.add_col(0.0, 0.0, 1.0, KIND_INT); }

  // x = 0 when the selector z is 0, lo <= x <= up when it is 1 (the
  // column's own bounds are to hold [min(lo,0), max(up,0)]).
  void switch_rows(int x, int z, double lo, double up) {
    if (up != 0) d.add_row(-kInf, 0.0, {{x, 1.0}, {z, -up}});
    if (lo != 0) d.add_row(0.0, kInf, {{x, 1.0}, {z, -lo}});
  }

  // Store columns, first and in order; helpers are appended later.
  std::vector<int> semi_switched, partial;
  void columns() {
    mult.assign((size_t)m.ncols(), 1.0);
    for (int j = 0; j < m.ncols(); ++j) {
      double c = m.obj[(size_t)j], lb = m.lb[(size_t)j], ub = m.ub[(size_t)j];
      char t = m.coltype[(size_t)j];
      switch (t) {
        case 'B': d.add_col(c, std::max(lb, 0.0), std::min(ub, 1.0), KIND_INT); break;
        case 'I': d.add_col(c, lb, ub, KIND_INT); break;
        case 'S':
        case 'R': semi_column(j, t == 'R'); break;
        case 'P': partial_column(j); break;
        default: d.add_col(c, lb, ub, KIND_CONT); break;
      }
    }
  }

  // Multipliers of the store's columns (see scale_columns), applied once
  // every row is in place.
  std::vector<double> mult;

  void semi_column(int j, bool integer) {
    double c = m.obj[(size_t)j];
    double on = std::max(m.lb[(size_t)j], m.limit[(size_t)j]), up = m.ub[(size_t)j];
    int plain = integer ? KIND_INT : KIND_CONT;
    if (up < on) {  // only 0 is left
      d.add_col(c, 0.0, 0.0, KIND_CONT);
      return;
    }
    if (on <= 0 && up >= 0) {  // 0 lies inside the range
      d.add_col(c, on, up, plain);
      return;
    }
    if (on > 0 && up >= kInf)
      fail(ERR_STATE,
           "Semi-continuous column %s has no finite upper bound: the MIP solver needs one",
           col(j).c_str());
    if (up < 0 && on <= -kInf)
      fail(ERR_STATE,
           "Semi-continuous column %s has no finite lower bound: the MIP solver needs one",
           col(j).c_str());
    // HiGHS takes a semi-continuous range above 0; a range below 0 is
    // turned round by negating the column.
    double sign = up < 0 ? -1.0 : 1.0;
    double far = up < 0 ? -on : up;
    if (far <= kSemiNativeMax) {
      d.add_col(c, on, up, integer ? KIND_SEMIINT : KIND_SEMICONT);
      mult[(size_t)j] = sign;
    } else if (!integer) {
      // Scale the column by a power of 2 to bring its bound within reach.
      d.add_col(c, on, up, KIND_SEMICONT);
      mult[(size_t)j] = sign * std::ldexp(1.0, (int)std::ceil(std::log2(far / kSemiNativeMax)));
    } else {
      // Integrality forbids scaling: a selector, with an integrality
      // tolerance small enough that a selector within tolerance of 0 still
      // forces the integer column to 0.
      d.add_col(c, std::min(on, 0.0), std::max(up, 0.0), plain);
      semi_switched.push_back(j);
      d.integrality_cap = std::min(d.integrality_cap, 0.5 / far);
    }
  }

  void partial_column(int j) {
    double c = m.obj[(size_t)j], lb = m.lb[(size_t)j], ub = m.ub[(size_t)j];
    double lim = m.limit[(size_t)j];
    if (lim <= lb) {  // no values below the limit: continuous
      d.add_col(c, lb, ub, KIND_CONT);
    } else if (lim > ub) {  // every value below the limit: integer
      d.add_col(c, lb, ub, KIND_INT);
    } else if (std::floor(lim) < std::ceil(lb)) {  // no integer below the limit
      d.add_col(c, lim, ub, KIND_CONT);
    } else {
      if (lb <= -kInf || ub >= kInf)
        fail(ERR_STATE,
             "Partially integer column %s needs finite bounds for the MIP solver (lb %g, ub %g)",
             col(j).c_str(), lb, ub);
      d.add_col(c, lb, ub, KIND_CONT);
      partial.push_back(j);
    }
  }

  void rows() {
    for (int i = 0; i < m.nrows(); ++i) {
      double lo, up;
      row_bounds(m, i, lo, up);
      d.add_row(lo, up, m.rows[(size_t)i]);
    }
  }

  void helpers() {
    for (int j : semi_switched) {
      double on = std::max(m.lb[(size_t)j], m.limit[(size_t)j]);
      switch_rows(j, selector(), on, m.ub[(size_t)j]);
    }
    for (int j : partial) {
      double lb = m.lb[(size_t)j], ub = m.ub[(size_t)j], lim = m.limit[(size_t)j];
      double fl = std::floor(lim);
      int y = d.add_col(0.0, std::ceil(lb), fl, KIND_INT);
      int w = d.add_col(0.0, 0.0, ub - fl, KIND_CONT);
      int z = selector();
      d.add_row(0.0, 0.0, {{j, 1.0}, {y, -1.0}, {w, -1.0}});  // x = y + w
      d.add_row(-kInf, 0.0, {{w, 1.0}, {z, -(ub - fl)}});    // w = 0 unless z
      d.add_row(lb, kInf, {{j, 1.0}, {z, -(lim - lb)}});      // x >= L when z
    }
  }

  // Bounds of member j for a set's big-M, failing where one is infinite.
  void member_bounds(int s, int j, double &lo, double &up) {
    col_hull(m, j, lo, up);
    if (up >= kInf || lo <= -kInf)
      fail(ERR_STATE,
           "Set %s: member column %s needs finite bounds for the MIP solver (lb %g, ub %g)",
           m.name_or_default(3, s).c_str(), col(j).c_str(), lo <= -kInf ? -kInf : lo,
           up >= kInf ? kInf : up);
  }

  void sets() {
    for (int s = 0; s < (int)m.sets.size(); ++s) {
      const SetDef &set = m.sets[(size_t)s];
      size_t n = set.cols.size();
      if (set.type == '1') {
        if (n <= 1) continue;
        std::vector<Entry> pick;
        for (int j : set.cols) {
          double lo, up;
          member_bounds(s, j, lo, up);
          int z = selector();
          switch_rows(j, z, lo, up);
          pick.push_back({z, 1.0});
        }
        d.add_row(-kInf, 1.0, std::move(pick));
      } else {
        if (n <= 2) continue;
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
          return set.refs[a] < set.refs[b];
        });
        std::vector<int> seg(n - 1);
        std::vector<Entry> pick;
        for (auto &z : seg) {
          z = selector();
          pick.push_back({z, 1.0});
        }
        for (size_t p = 0; p < n; ++p) {
          int j = set.cols[order[p]];
          double lo, up;
          member_bounds(s, j, lo, up);
          std::vector<int> cover;
          if (p > 0) cover.push_back(seg[p - 1]);
          if (p + 1 < n) cover.push_back(seg[p]);
          if (up > 0) {
            std::vector<Entry> e{{j, 1.0}};
            for (int z : cover) e.push_back({z, -up});
            d.add_row(-kInf, 0.0, std::move(e));
          }
          if (lo < 0) {
            std::vector<Entry> e{{j, 1.0}};
            for (int z : cover) e.push_back({z, -lo});
            d.add_row(0.0, kInf, std::move(e));
          }
        }
        d.add_row(-kInf, 1.0, std::move(pick));
      }
    }
  }

  static std::vector<Entry> with_term(std::vector<Entry> e, int col, double v) {
    if (v == 0.0) return e;
    for (Entry &x : e)
      if (x.index == col) {
        x.value += v;
        return e;
      }
    e.push_back({col, v});
    return e;
  }

  void indicators() {
    for (int i = 0; i < m.nrows() && i < (int)m.indcol.size(); ++i) {
      int c = m.indcol[(size_t)i];
      int comp = i < (int)m.indcomp.size() ? m.indcomp[(size_t)i] : 0;
      if (c < 0 || comp == 0 || m.rowtype[(size_t)i] == 'N') continue;
      double clo, cup;
      col_hull(m, c, clo, cup);
      char ct = m.coltype[(size_t)c];
      if (!(ct == 'B' || ct == 'I') || clo < 0 || cup > 1)
        fail(ERR_STATE, "Indicator column %s of row %s must be binary", col(c).c_str(),
             row(i).c_str());
      // Range of the row's activity within the columns' bounds.
      double amin = 0, amax = 0;
      bool min_inf = false, max_inf = false;
      for (const Entry &e : m.rows[(size_t)i]) {
        double lo, up;
        col_hull(m, e.index, lo, up);
        double a = e.value;
        double lo_t = a > 0 ? lo : up, up_t = a > 0 ? up : lo;
        if (std::fabs(lo_t) >= kInf) min_inf = true; else amin += a * lo_t;
        if (std::fabs(up_t) >= kInf) max_inf = true; else amax += a * up_t;
      }
      double lo, up;
      row_bounds(m, i, lo, up);
      // Coefficient on the indicator column and shifted bound for each side.
      double cu = 0, cl = 0;
      if (up < kInf) {
        if (max_inf)
          fail(ERR_STATE,
               "Indicator row %s needs finite bounds on its columns: its activity has no "
               "upper limit to take a big-M from",
               row(i).c_str());
        double big = amax - up;
        if (big > 0) {
          cu = comp > 0 ? big : -big;
          if (comp > 0) up += big;
        }
      }
      if (lo > -kInf) {
        if (min_inf)
          fail(ERR_STATE,
               "Indicator row %s needs finite bounds on its columns: its activity has no "
               "lower limit to take a big-M from",
               row(i).c_str());
        double big = lo - amin;
        if (big > 0) {
          cl = comp > 0 ? -big : big;
          if (comp > 0) lo -= big;
        }
      }
      const auto &base = m.rows[(size_t)i];
      if (up < kInf && lo > -kInf && cu != cl) {
        d.rows[(size_t)i] = with_term(base, c, cu);
        d.rowlo[(size_t)i] = -kInf;
        d.rowup[(size_t)i] = up;
        int extra = d.add_row(lo, kInf, with_term(base, c, cl));
        d.side_rows.push_back({extra, i});
      } else {
        d.rows[(size_t)i] = with_term(base, c, up < kInf ? cu : cl);
        d.rowlo[(size_t)i] = lo;
        d.rowup[(size_t)i] = up;
      }
    }
  }
};

}  // namespace

LpData mip_model(const Model &m) {
  Builder b(m);
  b.d.sense = m.objsense;
  b.d.offset = -m.objconst_neg;
  b.columns();
  b.rows();
  b.helpers();
  b.sets();
  b.indicators();
  for (const auto &q : m.qobj)
    if (q.second != 0.0) b.d.hessian.insert(q);
  scale_columns(b.d, b.mult);
  apply_user_scaling(m, b.d);
  return std::move(b.d);
}

}  // namespace ondr
