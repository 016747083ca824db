// The elastic form of a set: each member side gets a column e >= 0 at a
// cost of one that lets it be violated (row i: a.x + e >= lo, a.x - e <=
// up; a bound moves into a row of its own: x_j + e >= lo, x_j - e <= up).
// Its optimum is the least total violation; for a linear set its row duals
// are the multipliers of a Farkas certificate (see ondr_iis.h).
#include <cmath>
#include "controls/ids.h"
#include "env/error.h"
#include "iis/search.h"
#include "lp/solve.h"

namespace ondr::iis {

namespace {

}  // namespace

Elastic elastic_model(const Model &model, const Members &mb, const std::vector<int> &members) {
  Elastic e;
  e.m = subsystem_model(model, mb, flags_of(mb, members));
  Model &m = e.m;
  auto add_col = [&](double cost) {
    m.obj.push_back(cost);
    m.lb.push_back(0.0);
    m.ub.push_back(kInf);
    m.coltype.push_back('C');
    m.limit.push_back(0.0);
    if (!m.colnames.empty()) m.colnames.emplace_back();
    if (!m.colscale.empty()) m.colscale.push_back(0);
    return m.ncols() - 1;
  };
  auto add_row = [&](std::vector<ondr::Entry> entries, double lo, double up) {
    m.rowtype.push_back('N');
    m.rhs.push_back(0.0);
    m.range.push_back(0.0);
    m.rows.push_back(std::move(entries));
    if (!m.rownames.empty()) m.rownames.emplace_back();
    if (!m.rowscale.empty()) m.rowscale.push_back(0);
    if (!m.indcol.empty()) m.indcol.push_back(-1), m.indcomp.push_back(0);
    set_row_bounds(m, m.nrows() - 1, lo, up);
    return m.nrows() - 1;
  };
  for (int k : members) {
    int c = add_col(1.0);
    double sign = mb.upper(k) ? -1.0 : 1.0;
    int r;
    if (mb.is_row(k)) {
      r = mb.index(k);
      // Entries stay sorted by column: the elastic columns come last.
      m.rows[(size_t)r].push_back(ondr::Entry{c, sign});
    } else {
      int j = mb.index(k);
      double v = mb.value[(size_t)k];
      (mb.upper(k) ? m.ub : m.lb)[(size_t)j] = mb.upper(k) ? kInf : -kInf;
      r = add_row({ondr::Entry{j, 1.0}, ondr::Entry{c, sign}}, mb.upper(k) ? -kInf : v,
                  mb.upper(k) ? v : kInf);
    }
    e.elastic.push_back(c);
    e.row.push_back(r);
  }
  return e;
}

namespace {

// The continuous relaxation of a model: types dropped (their hull kept),
// no sets, indicator rows free.
Model relaxed(const Model &src) {
  Model m = src;
  for (int j = 0; j < m.ncols(); ++j) {
    type_hull(m, j, m.lb[(size_t)j], m.ub[(size_t)j]);
    m.coltype[(size_t)j] = 'C';
  }
  m.sets.clear();
  m.setnames.clear();
  for (size_t i = 0; i < m.indcol.size(); ++i)
    if (m.indcol[i] >= 0) {
      m.indcol[i] = -1;
      m.indcomp[i] = 0;
      set_row_bounds(m, (int)i, -kInf, kInf);
    }
  return m;
}

}  // namespace

void measure(ONDRprob prob, State &st, Set &s) {
  if (s.measured) return;
  Elastic e = elastic_model(st.model, st.mb, s.members);
  double tol = prob->controls.getd(id::FEASTOL);
  Scratch sc(prob);
  bool mip = has_entities(e.m);
  sc.get()->controls.seti(id::MAXMIPSOL, prob->controls.geti(id::MAXMIPSOL));
  const Results &r = sc.get()->results;
  // The least violation (with the column types when there are any).
  sc.solve(mip ? e.m : relaxed(e.m), mip);
  const std::vector<double> *x = nullptr;
  if (mip && r.has_mipsol) x = &r.mipx;
  else if (!mip && r.has_lpsol) x = &r.x;
  if (!x) fail(ERR_SOLVER, "IIS: the elastic form of a set could not be solved (status %d)",
               mip ? r.mipstatus : r.lpstatus);
  double sum = 0.0;
  int num = 0;
  for (int c : e.elastic) {
    double v = std::max(0.0, (*x)[(size_t)c]);
    sum += v;
    if (v > tol) ++num;
  }
  // The multipliers, from the elastic LP (the relaxation of a MIP's).
  std::vector<double> mult(s.members.size(), 0.0);
  if (mip) sc.solve(relaxed(e.m), false);
  if (r.has_dual && r.lpobjval > tol)
    for (size_t k = 0; k < mult.size(); ++k) mult[k] = r.dual[(size_t)e.row[k]];
  s.suminfeas = sum;
  s.numinfeas = num;
  s.mult = std::move(mult);
  s.measured = true;
}

}  // namespace ondr::iis
