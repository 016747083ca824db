#include "lp/session.h"
#include <algorithm>
#include "cuts/state.h"
#include "controls/ids.h"
#include "env/error.h"
#include "lp/highs_run.h"
#include "lp/lpdata.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {

void SessionDeleter::operator()(Session *s) const noexcept { delete s; }

Session &session_of(ONDRprob prob) {
  if (!prob->session) prob->session.reset(new Session());
  return *prob->session;
}

void model_changed(ONDRprob prob, const Change &c) noexcept {
  if (prob) prob->mipents.store(-1);
  if (prob && prob->session) prob->session->apply(prob, c);
  if (prob) cuts::follow_change(prob, c);
}

namespace {

bool ok(HighsInt rc) { return rc != kHighsStatusError; }

std::vector<int> sorted_set(const std::vector<int> &v) {
  std::vector<int> s(v);
  std::sort(s.begin(), s.end());
  s.erase(std::unique(s.begin(), s.end()), s.end());
  return s;
}

// Marks the session as running for a scope: changes made meanwhile (from
// a callback) are not applied to the running instance.
struct Running {
  bool &flag;
  explicit Running(bool &f) : flag(f) { flag = true; }
  ~Running() { flag = false; }
};

// Relaxed bounds of store columns and rows in HiGHS's terms.
void col_bounds_of(const Model &m, const std::vector<int> &set, double inf,
                   std::vector<double> &lo, std::vector<double> &up) {
  lo.resize(set.size());
  up.resize(set.size());
  for (size_t k = 0; k < set.size(); ++k) {
    col_hull(m, set[k], lo[k], up[k]);
    lo[k] = to_highs(lo[k], inf);
    up[k] = to_highs(up[k], inf);
  }
}
void row_bounds_of(const Model &m, const std::vector<int> &set, double inf,
                   std::vector<double> &lo, std::vector<double> &up) {
  lo.resize(set.size());
  up.resize(set.size());
  for (size_t k = 0; k < set.size(); ++k) {
    relaxed_row_bounds(m, set[k], lo[k], up[k]);
    lo[k] = to_highs(lo[k], inf);
    up[k] = to_highs(up[k], inf);
  }
}

}  // namespace

// The relaxation of an unscaled store handed to HiGHS directly: the
// column-wise matrix is made from the store's rows in one pass, without the
// intermediate copy of the rows an LpData holds.
static bool pass_unscaled(HighsHandle &hh, const Model &m) {
  int n = m.ncols(), r = m.nrows();
  double inf = hh.infinity();
  std::vector<double> lo((size_t)n), up((size_t)n), rlo((size_t)r), rup((size_t)r);
  for (int j = 0; j < n; ++j) {
    col_hull(m, j, lo[(size_t)j], up[(size_t)j]);
    lo[(size_t)j] = to_highs(lo[(size_t)j], inf);
    up[(size_t)j] = to_highs(up[(size_t)j], inf);
  }
  for (int i = 0; i < r; ++i) {
    relaxed_row_bounds(m, i, rlo[(size_t)i], rup[(size_t)i]);
    rlo[(size_t)i] = to_highs(rlo[(size_t)i], inf);
    rup[(size_t)i] = to_highs(rup[(size_t)i], inf);
  }
  std::vector<HighsInt> start((size_t)n + 1, 0);
  for (const auto &row : m.rows)
    for (const Entry &e : row)
      if (e.value != 0.0) ++start[(size_t)e.index + 1];
  for (int j = 0; j < n; ++j) start[(size_t)j + 1] += start[(size_t)j];
  std::vector<HighsInt> index((size_t)start[(size_t)n]);
  std::vector<double> value(index.size());
  std::vector<HighsInt> next(start.begin(), start.end() - 1);
  for (int i = 0; i < r; ++i)
    for (const Entry &e : m.rows[(size_t)i]) {
      if (e.value == 0.0) continue;
      HighsInt k = next[(size_t)e.index]++;
      index[(size_t)k] = i;
      value[(size_t)k] = e.value;
    }
  // The Hessian's lower triangle by columns: pairs (i <= j) are keyed by
  // column i, ordered by row j.
  std::vector<HighsInt> qstart, qindex;
  std::vector<double> qvalue;
  for (const auto &q : m.qobj)
    if (q.second != 0.0) {
      qindex.push_back(q.first.second);
      qvalue.push_back(q.second);
    }
  if (!qindex.empty()) {
    qstart.assign((size_t)n + 1, 0);
    for (const auto &q : m.qobj)
      if (q.second != 0.0) ++qstart[(size_t)q.first.first + 1];
    for (int j = 0; j < n; ++j) qstart[(size_t)j + 1] += qstart[(size_t)j];
  }
  HighsInt qnz = (HighsInt)qindex.size();
  HighsInt rc = Highs_passModel(
      hh.get(), n, r, (HighsInt)index.size(), qnz, kHighsMatrixFormatColwise,
      kHighsHessianFormatTriangular, m.objsense < 0 ? kHighsObjSenseMaximize : kHighsObjSenseMinimize,
      -m.objconst_neg, n ? m.obj.data() : nullptr, n ? lo.data() : nullptr,
      n ? up.data() : nullptr, r ? rlo.data() : nullptr, r ? rup.data() : nullptr, start.data(),
      index.empty() ? nullptr : index.data(), value.empty() ? nullptr : value.data(),
      qnz ? qstart.data() : nullptr, qnz ? qindex.data() : nullptr,
      qnz ? qvalue.data() : nullptr, nullptr);
  if (rc == kHighsStatusError) fail(ERR_SOLVER, "HiGHS refused the model");
  return qnz > 0;
}

void Session::build(ONDRprob prob) {
  stale_ = true;
  const Model &m = prob->model;
  if (m.rowscale.empty() && m.colscale.empty()) {
    quadratic_ = pass_unscaled(h_, m);
    colmult_.clear();
    rowmult_.clear();
  } else {
    LpData d = relaxation(m);
    h_.pass_model(d);
    colmult_ = std::move(d.colmult);
    rowmult_ = std::move(d.rowmult);
    quadratic_ = !d.hessian.empty();
  }
  stale_ = false;
  ++rebuilds_;
}

void Session::ensure_loaded(ONDRprob prob) {
  const Model &m = prob->model;
  if (stale_ || h_.ncols() != m.ncols() || h_.nrows() != m.nrows()) build(prob);
}

RunOutcome Session::run(ONDRprob prob, const RunSettings &s, const std::vector<int> *cs,
                        const std::vector<int> *rs, bool allow_failure) {
  ensure_loaded(prob);
  ControlValues controls = prob->controls;
  h_.apply_controls(controls, s);
  bool warm = cs && rs && !quadratic_ && effective_alg(controls, s.alg) != Alg::Barrier;
  // A start basis HiGHS already holds (the last solve's, kept through
  // in-place changes) is not set again, so that HiGHS keeps its
  // factorization. Without a start basis the run starts cold, as on a
  // fresh instance.
  std::vector<int> hc, hr;
  bool held = warm && h_.get_basis(hc, hr) && hc == *cs && hr == *rs;
  if (!held && (!warm || !h_.set_basis(*cs, *rs))) {
    h_.clear_solver();
    warm = false;
  }
  prepare_scheduler((int)controls.geti(id::THREADS));
  int rc;
  {
    Running r(running_);
    rc = h_.run(problem_hooks(prob, controls, false));
  }
  if (stale_) fail(ERR_STATE, "The model was changed while it was being solved");
  RunOutcome out;
  if (run_failed(rc, h_.model_status())) {
    // The start basis may be what HiGHS stumbled on: never let it fail a
    // solve that a cold start could finish.
    if (warm) return run(prob, s, nullptr, nullptr, allow_failure);
    out.model_status = h_.model_status();
    out.stop_reason = h_.stop_reason();
    out.failed = true;
    if (!allow_failure)
      fail(ERR_SOLVER, "HiGHS failed to solve the problem (%s)",
           highs_status_name(out.model_status));
    return out;
  }
  h_.read(out, false, true);
  return out;
}

void Session::set_col_bounds(const std::vector<int> &cols, const std::vector<double> &lo,
                             const std::vector<double> &up) {
  double inf = h_.infinity();
  for (size_t k = 0; k < cols.size(); ++k) {
    size_t j = (size_t)cols[k];
    double mult = j < colmult_.size() ? colmult_[j] : 1.0;
    double l = lo[k] <= -kInf ? lo[k] : lo[k] / mult, u = up[k] >= kInf ? up[k] : up[k] / mult;
    if (mult < 0) std::swap(l, u);
    if (!ok(Highs_changeColBounds(h_.get(), cols[k], to_highs(l, inf), to_highs(u, inf))))
      fail(ERR_SOLVER, "HiGHS refused bounds of column %d", cols[k]);
  }
}

void Session::restore_col_bounds(ONDRprob prob, const std::vector<int> &cols) {
  if (!colmult_.empty()) {
    stale_ = true;  // a scaled model is rebuilt rather than restored
    return;
  }
  apply(prob, change_of(Change::ColBounds, (int64_t)cols.size(), cols.data()));
}

void Session::apply(ONDRprob prob, const Change &c) noexcept {
  if (stale_) return;
  try {
    if (running_ || !apply_in_place(prob, c)) stale_ = true;
  } catch (...) {
    stale_ = true;
  }
  const Model &m = prob->model;
  if (!stale_ && (h_.ncols() != m.ncols() || h_.nrows() != m.nrows())) stale_ = true;
}

// False: the change needs a rebuild.
bool Session::apply_in_place(ONDRprob prob, const Change &c) {
  const Model &m = prob->model;
  void *h = h_.get();
  // Scaled models are rebuilt: every value would need the scale factors.
  if (!colmult_.empty() || !rowmult_.empty() || !m.rowscale.empty() || !m.colscale.empty())
    return false;
  double inf = h_.infinity();
  std::vector<int> set = sorted_set(c.index);
  std::vector<HighsInt> hset(set.begin(), set.end());
  HighsInt n = (HighsInt)set.size();
  std::vector<double> lo, up;
  switch (c.kind) {
    case Change::ColBounds:
      col_bounds_of(m, set, inf, lo, up);
      return n == 0 || ok(Highs_changeColsBoundsBySet(h, n, hset.data(), lo.data(), up.data()));
    case Change::RowBounds:
      row_bounds_of(m, set, inf, lo, up);
      return n == 0 || ok(Highs_changeRowsBoundsBySet(h, n, hset.data(), lo.data(), up.data()));
    case Change::ColCosts: {
      std::vector<double> cost(set.size());
      for (size_t k = 0; k < set.size(); ++k) cost[k] = m.obj[(size_t)set[k]];
      return n == 0 || ok(Highs_changeColsCostBySet(h, n, hset.data(), cost.data()));
    }
    case Change::Objective:
      return ok(Highs_changeObjectiveSense(
                 h, m.objsense < 0 ? kHighsObjSenseMaximize : kHighsObjSenseMinimize)) &&
             ok(Highs_changeObjectiveOffset(h, -m.objconst_neg));
    case Change::Coefs:
      for (const auto &rc : c.coefs) {
        const auto &row = m.rows[(size_t)rc.first];
        auto it = std::lower_bound(row.begin(), row.end(), rc.second,
                                   [](const Entry &e, int col) { return e.index < col; });
        double v = it != row.end() && it->index == rc.second ? it->value : 0.0;
        if (!ok(Highs_changeCoeff(h, rc.first, rc.second, v))) return false;
      }
      return true;
    case Change::QRows:
      return true;  // the continuous model leaves quadratic rows out
    case Change::AddRows: {
      std::vector<int> rows;
      std::vector<HighsInt> start, index;
      std::vector<double> value;
      for (int i = c.first; i < c.first + c.count; ++i) {
        rows.push_back(i);
        start.push_back((HighsInt)index.size());
        for (const Entry &e : m.rows[(size_t)i])
          if (e.value != 0.0) index.push_back(e.index), value.push_back(e.value);
      }
      row_bounds_of(m, rows, inf, lo, up);
      HighsInt none = 0;
      return c.count == 0 ||
             ok(Highs_addRows(h, c.count, lo.data(), up.data(), (HighsInt)index.size(),
                              start.data(), index.empty() ? &none : index.data(),
                              value.empty() ? nullptr : value.data()));
    }
    case Change::AddCols: {
      if (quadratic_) return false;
      std::vector<int> cols;
      for (int j = c.first; j < c.first + c.count; ++j) cols.push_back(j);
      col_bounds_of(m, cols, inf, lo, up);
      // New columns hold the largest indices: they end every sorted row.
      std::vector<std::vector<std::pair<int, double>>> bycol((size_t)c.count);
      for (int i = 0; i < m.nrows(); ++i) {
        const auto &row = m.rows[(size_t)i];
        for (auto it = row.rbegin(); it != row.rend() && it->index >= c.first; ++it)
          if (it->value != 0.0) bycol[(size_t)(it->index - c.first)].push_back({i, it->value});
      }
      std::vector<HighsInt> start, index;
      std::vector<double> value, cost;
      for (int k = 0; k < c.count; ++k) {
        start.push_back((HighsInt)index.size());
        auto &col = bycol[(size_t)k];
        std::sort(col.begin(), col.end());
        for (auto &e : col) index.push_back(e.first), value.push_back(e.second);
        cost.push_back(m.obj[(size_t)(c.first + k)]);
      }
      HighsInt none = 0;
      return c.count == 0 ||
             ok(Highs_addCols(h, c.count, cost.data(), lo.data(), up.data(),
                              (HighsInt)index.size(), start.data(),
                              index.empty() ? &none : index.data(),
                              value.empty() ? nullptr : value.data()));
    }
    case Change::DelRows:
      return n == 0 || ok(Highs_deleteRowsBySet(h, n, hset.data()));
    case Change::DelCols: {
      if (quadratic_) return false;
      if (n == 0) return true;
      if (!ok(Highs_deleteColsBySet(h, n, hset.data()))) return false;
      // A row whose indicator column went is an ordinary row now, where the
      // relaxation left it free: every row's bounds are set again.
      std::vector<int> all((size_t)m.nrows());
      for (int i = 0; i < m.nrows(); ++i) all[(size_t)i] = i;
      row_bounds_of(m, all, inf, lo, up);
      return m.nrows() == 0 ||
             ok(Highs_changeRowsBoundsByRange(h, 0, m.nrows() - 1, lo.data(), up.data()));
    }
    case Change::QObjective:
    case Change::Replace:
      return false;
  }
  return false;
}

}  // namespace ondr

using namespace ondr;

// For the library's own tests: how often the problem's session was built
// from scratch (0 when it has none).
ONDR_API int ondr_internal_session_rebuilds(ONDRprob prob, int64_t *count) {
  if (!prob || !count) return 1;
  *count = prob->session ? prob->session->rebuilds() : 0;
  return 0;
}
