#include "analysis/presolve.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "analysis/analysis.h"
#include "controls/ids.h"
#include "env/shell.h"
#include "lp/highs_run.h"
#include "lp/solve.h"
#include "ondr_analysis.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {

void allow_presolved_form(ONDRprob prob, Results &res) {
  const Model &m = prob->model;
  res.presolve_allowed = prob->controls.geti(id::PRESOLVE) != 0 && res.lpstatus == 1 &&
                         m.ncols() > 0 && m.qobj.empty() && !has_quadratic_rows(m);
}

namespace {

const char *const kNotHeld =
    "the problem is not in a presolved form (an optimal ONDRlpoptimize with presolve on leaves "
    "it in one, until ONDRpostsolve, a change of the model or the next solve)";

// Hands `v` to HiGHS; column j is named "c<j>" and row i "r<i>" when
// `named`, so that the presolved LP's names tell where each part came from.
void pass_view(HighsHandle &h, const LpView &v, bool named) {
  double inf = h.infinity();
  auto hv = [inf](std::vector<double> x) {
    for (double &e : x) e = to_highs(e, inf);
    return x;
  };
  std::vector<double> lo = hv(v.lo), up = hv(v.up), rlo = hv(v.rlo), rup = hv(v.rup);
  std::vector<HighsInt> start(v.a.start.begin(), v.a.start.end()), index(v.a.index.begin(), v.a.index.end());
  if (start.empty()) start.push_back(0);
  HighsInt none = 0;
  HighsInt rc = Highs_passLp(h.get(), v.ncols(), v.nrows(), (HighsInt)index.size(),
                             kHighsMatrixFormatColwise,
                             v.sense < 0 ? kHighsObjSenseMaximize : kHighsObjSenseMinimize,
                             v.offset, v.cost.data(), lo.data(), up.data(), rlo.data(), rup.data(),
                             start.data(), index.empty() ? &none : index.data(),
                             v.a.value.empty() ? nullptr : v.a.value.data());
  if (rc == kHighsStatusError) fail(ERR_SOLVER, "HiGHS refused the model to presolve");
  if (!named) return;
  char name[32];
  for (int j = 0; j < v.ncols(); ++j) {
    std::snprintf(name, sizeof name, "c%d", j);
    Highs_passColName(h.get(), j, name);
  }
  for (int i = 0; i < v.nrows(); ++i) {
    std::snprintf(name, sizeof name, "r%d", i);
    Highs_passRowName(h.get(), i, name);
  }
}

// The original index a presolved name "<kind><index>" stands for.
int index_of(const char *name, char kind, int limit) {
  char *end = nullptr;
  long k = name[0] == kind ? std::strtol(name + 1, &end, 10) : -1;
  if (!end || *end || k < 0 || k >= limit)
    fail(ERR_SOLVER, "The presolver renamed a %s (\"%s\")", kind == 'c' ? "column" : "row", name);
  return (int)k;
}

std::shared_ptr<PresolveView> build(ONDRprob prob) {
  const Model &m = prob->model;
  auto v = std::make_shared<PresolveView>();
  LpView orig = store_view(m);
  RunSettings settings;
  v->pre.apply_controls(prob->controls, settings);
  pass_view(v->pre, orig, true);
  if (Highs_presolve(v->pre.get()) == kHighsStatusError) fail(ERR_SOLVER, "HiGHS's presolve failed");
  HighsInt nc = Highs_getPresolvedNumCol(v->pre.get()), nr = Highs_getPresolvedNumRow(v->pre.get());
  HighsInt nz = Highs_getPresolvedNumNz(v->pre.get());
  if (nc == m.ncols() && nr == m.nrows()) return nullptr;  // nothing removed
  auto lp = std::make_shared<LpView>();
  lp->cost.resize((size_t)nc);
  lp->lo.resize((size_t)nc);
  lp->up.resize((size_t)nc);
  lp->rlo.resize((size_t)nr);
  lp->rup.resize((size_t)nr);
  std::vector<HighsInt> start((size_t)nc + 1, 0), index((size_t)nz + 1), integrality((size_t)nc + 1);
  lp->a.value.resize((size_t)nz + 1);
  HighsInt c2, r2, z2, sense;
  if (Highs_getPresolvedLp(v->pre.get(), kHighsMatrixFormatColwise, &c2, &r2, &z2, &sense,
                           &lp->offset, lp->cost.data(), lp->lo.data(), lp->up.data(),
                           lp->rlo.data(), lp->rup.data(), start.data(), index.data(),
                           lp->a.value.data(), integrality.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS gave no presolved problem");
  lp->sense = sense == kHighsObjSenseMaximize ? -1 : 1;
  for (auto *vec : {&lp->lo, &lp->up, &lp->rlo, &lp->rup})
    for (double &e : *vec) e = from_highs(e);
  lp->a.start.assign(start.begin(), start.end());
  lp->a.index.assign(index.begin(), index.begin() + nz);
  lp->a.value.resize((size_t)nz);
  char name[kHighsMaximumStringLength + 1];
  v->colmap.resize((size_t)nc);
  v->rowmap.resize((size_t)nr);
  for (HighsInt j = 0; j < nc; ++j) {
    if (Highs_getPresolvedColName(v->pre.get(), j, name) != kHighsStatusOk)
      fail(ERR_SOLVER, "The presolver gave no name for column %d", (int)j);
    v->colmap[(size_t)j] = index_of(name, 'c', m.ncols());
  }
  for (HighsInt i = 0; i < nr; ++i) {
    if (Highs_getPresolvedRowName(v->pre.get(), i, name) != kHighsStatusOk)
      fail(ERR_SOLVER, "The presolver gave no name for row %d", (int)i);
    v->rowmap[(size_t)i] = index_of(name, 'r', m.nrows());
  }
  v->data = lp;
  if (nc > 0) pass_view(v->lp, *lp, false);
  return v;
}

// Solves the presolved LP, from `cs`/`rs` when given, and keeps its
// solution and basis.
void solve_view(ONDRprob prob, PresolveView &v, const std::vector<int> *cs,
                const std::vector<int> *rs) {
  const LpView &d = *v.data;
  v.solved = false;
  if (d.ncols() == 0) {
    // Reduced to rows without columns (or to nothing): every activity is 0.
    v.x.clear();
    v.dj.clear();
    v.slack.resize((size_t)d.nrows());
    for (int i = 0; i < d.nrows(); ++i) v.slack[(size_t)i] = d.slack_of(i, 0.0);
    v.dual.assign((size_t)d.nrows(), 0.0);
    v.solved = true;
    return;
  }
  ControlValues controls = prob->controls;
  RunSettings settings;
  settings.presolve_off = true;
  settings.ncols = d.ncols();
  settings.nrows = d.nrows();
  settings.sense = d.sense;
  v.lp.apply_controls(controls, settings);
  if (cs && rs) {
    if (!v.lp.set_basis(*cs, *rs)) fail(ERR_ARGUMENT, "HiGHS refused the presolved basis");
  } else {
    v.lp.clear_solver();
  }
  int rc = v.lp.run(problem_hooks(prob, controls, false));
  if (run_failed(rc, v.lp.model_status()) || v.lp.model_status() != HMS_OPTIMAL)
    fail(ERR_SOLVER, "The presolved problem could not be solved (%s)",
         highs_status_name(v.lp.model_status()));
  RunOutcome o;
  v.lp.read(o, false, true);
  v.x = o.colval;
  v.dj = o.coldual;
  v.dual = o.rowdual;
  v.slack.resize((size_t)d.nrows());
  for (int i = 0; i < d.nrows(); ++i) v.slack[(size_t)i] = d.slack_of(i, o.rowval[(size_t)i]);
  v.solved = true;
}

}  // namespace

PresolveView *presolved_form(ONDRprob prob) {
  Results &r = prob->results;
  if (!r.presolve_allowed) return nullptr;
  if (r.presolve) return r.presolve.get();
  try {
    r.presolve = build(prob);
  } catch (const std::exception &) {
    // No presolved form can be made: the problem stays in its own.
    r.presolve.reset();
  }
  if (!r.presolve) r.presolve_allowed = false;
  return r.presolve.get();
}

PresolveView &solved_presolved_form(ONDRprob prob, const char *what) {
  PresolveView *v = presolved_form(prob);
  if (!v) fail(ERR_STATE, "%s: %s", what, kNotHeld);
  if (!v->solved) solve_view(prob, *v, nullptr, nullptr);
  return *v;
}

void get_presolve_sol(ONDRprob prob, double x[], double slack[], double dual[], double dj[]) {
  PresolveView &v = solved_presolved_form(prob, "No presolved solution");
  if (x) std::copy(v.x.begin(), v.x.end(), x);
  if (slack) std::copy(v.slack.begin(), v.slack.end(), slack);
  if (dual) std::copy(v.dual.begin(), v.dual.end(), dual);
  if (dj) std::copy(v.dj.begin(), v.dj.end(), dj);
}

void get_presolve_map(ONDRprob prob, int rowmap[], int colmap[]) {
  PresolveView *v = presolved_form(prob);
  if (!v) fail(ERR_STATE, "No presolve map: %s", kNotHeld);
  if (rowmap) std::copy(v->rowmap.begin(), v->rowmap.end(), rowmap);
  if (colmap) std::copy(v->colmap.begin(), v->colmap.end(), colmap);
}

void get_presolve_basis(ONDRprob prob, int rstatus[], int cstatus[]) {
  require_idle(prob, "No presolved basis");
  PresolveView &v = solved_presolved_form(prob, "No presolved basis");
  std::vector<int> cs, rs((size_t)v.data->nrows(), BS_BASIC);
  if (v.data->ncols() > 0 && !v.lp.get_basis(cs, rs))
    fail(ERR_STATE, "No presolved basis: HiGHS holds none for the presolved problem");
  if (rstatus) std::copy(rs.begin(), rs.end(), rstatus);
  if (cstatus) std::copy(cs.begin(), cs.end(), cstatus);
}

void load_presolve_basis(ONDRprob prob, const int rstatus[], const int cstatus[]) {
  require_idle(prob, "Cannot load a presolved basis");
  PresolveView *v = presolved_form(prob);
  if (!v) fail(ERR_STATE, "Cannot load a presolved basis: %s", kNotHeld);
  const LpView &d = *v->data;
  check_statuses(rstatus, cstatus, d.nrows(), d.ncols());
  std::vector<int> cs(cstatus, cstatus + d.ncols()), rs(rstatus, rstatus + d.nrows());
  fit_basis(d, cs, rs);
  solve_view(prob, *v, &cs, &rs);
  if (d.ncols() == 0) return;
  // The presolved solution, postsolved, gives the start of the next solve.
  if (Highs_postsolve(v->pre.get(), v->x.data(), v->dj.data(),
                      v->dual.empty() ? nullptr : v->dual.data()) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS could not postsolve the presolved solution");
  const Model &m = prob->model;
  std::vector<double> x((size_t)m.ncols()), dj((size_t)m.ncols()), act((size_t)m.nrows()),
      dual((size_t)m.nrows());
  Highs_getSolution(v->pre.get(), x.data(), dj.data(), act.data(), dual.data());
  LpView orig = store_view(m);
  std::vector<double> slack((size_t)m.nrows());
  for (int i = 0; i < m.nrows(); ++i) slack[(size_t)i] = orig.slack_of(i, act[(size_t)i]);
  derive_start_basis(prob, orig, x.data(), slack.data(), dual.data(), dj.data());
}

void post_solve(ONDRprob prob) {
  require_idle(prob, "Cannot postsolve");
  prob->results.presolve.reset();
  prob->results.presolve_allowed = false;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRgetpresolvebasis(ONDRprob prob, int rstatus[], int cstatus[]) {
  return guard_prob(prob, [&] { get_presolve_basis(prob, rstatus, cstatus); });
}
ONDR_API int ONDRloadpresolvebasis(ONDRprob prob, const int rstatus[], const int cstatus[]) {
  return guard_mut(prob, [&] { load_presolve_basis(prob, rstatus, cstatus); });
}
ONDR_API int ONDRgetpresolvemap(ONDRprob prob, int rowmap[], int colmap[]) {
  return guard_prob(prob, [&] { get_presolve_map(prob, rowmap, colmap); });
}
ONDR_API int ONDRgetpresolvesol(ONDRprob prob, double x[], double slack[], double dual[],
                                double dj[]) {
  return guard_prob(prob, [&] { get_presolve_sol(prob, x, slack, dual, dj); });
}
ONDR_API int ONDRpostsolve(ONDRprob prob) {
  return guard_mut(prob, [&] { post_solve(prob); });
}
