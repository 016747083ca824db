// The search's model of a problem with nonlinear content, and the
// evaluations the search makes of candidate points (objective, nonlinear
// rows) outside the node solves.
#include <algorithm>
#include <cmath>
#include "bb/model.h"
#include "bb/noderelax.h"
#include "env/error.h"
#include "lp/convex.h"
#include "lp/lpdata.h"
#include "nlp/nlpmodel.h"

namespace ondr {
namespace bb {

NonlinearPart::NonlinearPart() = default;
NonlinearPart::~NonlinearPart() = default;

namespace {

bool any_nonzero(const QMap &q) {
  for (const auto &e : q)
    if (e.second != 0.0) return true;
  return false;
}

bool within(double v, double lo, double up, double tol) {
  return (lo <= -kInf || v >= lo - tol * std::max(1.0, std::fabs(lo))) &&
         (up >= kInf || v <= up + tol * std::max(1.0, std::fabs(up)));
}

}  // namespace

bool has_nonlinear_content(const Model &m) {
  if (!m.nlcoefs.empty() || any_nonzero(m.qobj)) return true;
  for (const auto &q : m.qrows)
    if (any_nonzero(q.second)) return true;
  return false;
}

BbModel build_nonlinear_model(const Model &m, OSLPprob slp, int sense, const LocalOptions &o) {
  BbModel bm = build_model(m);
  sense = sense < 0 ? -1 : 1;
  if (sense != bm.sense) {
    for (double &c : bm.lp.cost) c = -c;
    bm.lp.offset = -bm.lp.offset;
    bm.sense = sense;
  }
  auto part = std::make_shared<NonlinearPart>();
  part->sense = sense;
  part->slp = slp;
  part->options = o;
  int n = m.ncols(), r = m.nrows();

  part->nonlinear_row.assign((size_t)r, 0);
  for (const auto &q : m.qrows)
    if (q.first >= 0 && q.first < r && any_nonzero(q.second)) part->nonlinear_row[(size_t)q.first] = 1;
  for (const NlCoef &c : m.nlcoefs)
    if (c.row >= 0 && c.row < r) part->nonlinear_row[(size_t)c.row] = 1;

  // The continuous relaxation: integrality dropped, each column within the
  // hull of the values its type allows, sets gone, indicator rows free
  // (the search enforces them by switching their bounds at the nodes).
  Model &rel = part->relaxed;
  rel = m;
  for (int j = 0; j < n; ++j) {
    col_hull(m, j, rel.lb[(size_t)j], rel.ub[(size_t)j]);
    rel.coltype[(size_t)j] = 'C';
  }
  for (int i = 0; i < r && i < (int)m.indcol.size(); ++i) {
    if (m.indcol[(size_t)i] < 0) continue;
    if (part->nonlinear_row[(size_t)i])
      fail(ERR_STATE, "Indicator row %s has quadratic or nonlinear terms: the search enforces "
           "indicator rows on linear rows only", m.name_or_default(1, i).c_str());
    rel.rowtype[(size_t)i] = 'N';
  }
  rel.indcol.assign(rel.indcol.size(), -1);
  rel.indcomp.assign(rel.indcomp.size(), 0);
  rel.sets.clear();
  rel.setnames.clear();
  rel.rowscale.clear();
  rel.colscale.clear();

  part->glo.resize((size_t)r);
  part->gup.resize((size_t)r);
  for (int i = 0; i < r; ++i) row_bounds(m, i, part->glo[(size_t)i], part->gup[(size_t)i]);
  // A row with nonlinear terms bounds nothing through its linear part alone.
  for (int i = 0; i < r; ++i)
    if (part->nonlinear_row[(size_t)i]) {
      bm.lp.rowlo[(size_t)i] = -kInf;
      bm.lp.rowup[(size_t)i] = kInf;
    }

  bool rows_nonlinear = std::any_of(part->nonlinear_row.begin(), part->nonlinear_row.end(),
                                    [](char c) { return c != 0; });
  bool qobj = any_nonzero(m.qobj);
  part->convex = m.nlcoefs.empty() && quadratic_content_convex(rel, sense, &part->why);
  if (!m.nlcoefs.empty()) part->why = "the problem has nonlinear formulas";
  if (!rows_nonlinear && m.nlcoefs.empty() && (!qobj || quadratic_is_convex(m.qobj, sense))) {
    part->kind = qobj ? RelaxKind::Qp : RelaxKind::Lp;
    // Node QPs: the objective's Hessian in minimization form.
    for (const auto &q : m.qobj)
      if (q.second != 0.0) bm.lp.hessian[q.first] = sense * q.second;
  } else {
    part->kind = RelaxKind::Nlp;
  }
  part->eval = std::make_unique<NlpModel>(rel, slp);
  part->start.assign((size_t)n, 0.0);
  for (const auto &v : m.slpvars)
    if (v.first >= 0 && v.first < n && v.second.has_initvalue)
      part->start[(size_t)v.first] = v.second.initvalue;
  bm.nonlinear = std::move(part);
  return bm;
}

double nonlinear_objective(const NonlinearPart &part, const std::vector<double> &x) {
  std::lock_guard<std::mutex> lock(part.eval_lock);
  try {
    double v = part.sense * part.eval->objective(x.data());
    return std::isfinite(v) ? v : kInf;
  } catch (const std::exception &) {
    return kInf;  // a point whose objective cannot be evaluated is no candidate
  }
}

std::vector<double> nonlinear_activities(const NonlinearPart &part, const std::vector<double> &x) {
  std::vector<double> act((size_t)part.relaxed.nrows(), 0.0);
  std::lock_guard<std::mutex> lock(part.eval_lock);
  part.eval->rows(x.data(), act.data());
  return act;
}

bool nonlinear_rows_hold(const NonlinearPart &part, const std::vector<double> &x, double feastol) {
  std::vector<double> act;
  try {
    act = nonlinear_activities(part, x);
  } catch (const std::exception &) {
    return false;
  }
  for (size_t i = 0; i < act.size(); ++i)
    if (part.nonlinear_row[i] && !within(act[i], part.glo[i], part.gup[i], feastol)) return false;
  return true;
}

}  // namespace bb
}  // namespace ondr
