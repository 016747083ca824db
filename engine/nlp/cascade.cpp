// Cascading outside a solve: determined columns recomputed from their
// determining rows at the current point, in cascade order, with the
// cascade callbacks.
#include <algorithm>
#include <cmath>
#include "cb/registry.h"
#include "controls/ids.h"
#include "env/environment.h"
#include "env/shell.h"
#include "nlp/coefs.h"
#include "nlp/local_solver.h"
#include "nlp/nlpmodel.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

namespace ondr {

namespace {

// Determining rows that cannot be used, named in the error.
void check_determining_rows(const Model &m, const LocalProblem &p) {
  for (const auto &d : m.detrow) {
    bool used = std::any_of(p.determined.begin(), p.determined.end(),
                            [&](const LocalProblem::Determined &e) { return e.col == d.first; });
    auto v = m.slpvars.find(d.first);
    bool skipped = v != m.slpvars.end() && (v->second.vartype & OSLP_VAR_NOCASCADE);
    if (used || skipped || (m.rowstatus.count(d.second) && (m.rowstatus.at(d.second) & OSLP_ROWSTATUS_DETROW)))
      continue;
    if (d.second < 0 || d.second >= m.nrows() || m.rowtype[d.second] != 'E')
      fail(ERR_ARGUMENT, "Row %d cannot determine column %d: it is not an equality row", d.second, d.first);
    fail(ERR_ARGUMENT, "Row %d cannot determine column %d: the column must enter the row linearly, "
         "with a nonzero coefficient, and not inside its nonlinear terms", d.second, d.first);
  }
}

}  // namespace

void slp_cascadeorder(OSLPprob s) {
  const Model &m = s->prob->model;
  NlpModel nm(m, s);
  LocalProblem p = build_local_problem(m, nm, 1.0, nullptr);
  check_determining_rows(m, p);
}

void slp_cascade(OSLPprob s) {
  ONDRprob prob = s->prob;
  Model &m = prob->model;
  std::vector<double> x = current_point(s);
  NlpModel nm(m, s);
  LocalProblem p = build_local_problem(m, nm, 1.0, &x);
  check_determining_rows(m, p);
  x = p.x0;
  if (cb::fire_nlp(prob, cb::k_cascadestart) != 0) return;
  std::vector<double> act(p.m);
  std::vector<int> done(p.determined.size(), 0);
  std::vector<char> failed(p.determined.size(), 0);
  int passes = 0;
  for (const auto &d : p.determined) passes = std::max(passes, d.limit);
  for (int pass = 0; pass < passes; ++pass) {
    bool moved = false;
    for (size_t k = 0; k < p.determined.size(); ++k) {
      const auto &d = p.determined[k];
      if (done[k] >= d.limit || failed[k]) continue;
      ++done[k];
      bool ok = true;
      double v = x[d.col];
      try {
        nm.rows(x.data(), act.data());
        v = x[d.col] + (p.gl[d.row] - act[d.row]) / d.coef;
        ok = std::isfinite(v);
      } catch (const std::exception &e) {
        emit_message(prob, 3, format("Cascading column %d from row %d failed: %s", d.col, d.row, e.what()));
        ok = false;
      }
      if (ok && bound_violation(v, p.xl[d.col], p.xu[d.col]) > 0) {
        emit_message(prob, 3, format("Cascading column %d from row %d gives %g, outside its bounds: kept "
                                     "at the bound", d.col, d.row, v));
        x[d.col] = clamp_to_bounds(v, p.xl[d.col], p.xu[d.col]);
        ok = false;
      }
      if (!ok) {
        failed[k] = 1;
        cb::fire_nlp_col(prob, cb::k_cascadevarfail, d.col);
        continue;
      }
      bool changed = v != x[d.col];
      moved = moved || changed;
      x[d.col] = v;
      // Once per column, and again whenever a later pass moves it.
      if (pass == 0 || changed) cb::fire_nlp_col(prob, cb::k_cascadevar, d.col);
    }
    if (!moved) break;
  }
  cb::fire_nlp(prob, cb::k_cascadeend);
  // The result is the current point: the solution when there is one, else
  // the columns' values.
  if (s->results.has_sol && s->results.x.size() == x.size()) {
    for (const auto &d : p.determined) s->results.x[d.col] = x[d.col];
  } else {
    for (const auto &d : p.determined) {
      SlpVar &v = m.slpvars[d.col];
      v.value = x[d.col];
      v.has_value = true;
    }
  }
}

}  // namespace ondr
