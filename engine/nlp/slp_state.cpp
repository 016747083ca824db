// State changes of the nonlinear layer (construct, reinitialize, presolve)
// and its services: scaling, initial values from the current point, the
// unique prefix, the linearization, fixed penalties, solution files,
// messages and timing.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
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

double sense_of(OSLPprob s) { return s->controls.getd(id::NLPOBJSENSE) < 0 ? -1.0 : 1.0; }

void check_tolset_refs(OSLPprob s) {
  for (const auto &v : s->prob->model.slpvars)
    if (v.second.tolset > (int)s->tolsets.size())
      fail(ERR_ARGUMENT, "Column %d refers to tolerance set %d, which does not exist", v.first, v.second.tolset);
}

}  // namespace

void slp_construct(OSLPprob s) {
  const Model &m = s->prob->model;
  check_tolset_refs(s);
  NlpModel nm(m, s);  // compiles (and so checks) every formula
  LocalProblem p = build_local_problem(m, nm, sense_of(s), nullptr);
  (void)p;
  s->results.state |= OSLP_STATE_CONSTRUCTED;
  cb::fire_nlp(s->prob, cb::k_construct);
}

void slp_reinitialize(OSLPprob s) {
  s->results = NlpResults();
  s->hard_rows.clear();
  s->linearization.clear();
  for (auto &v : s->prob->model.slpvars) {
    v.second.has_value = false;
    v.second.history = v.second.converged = 0;
    v.second.oldvalue = 0.0;
  }
}

void slp_presolve(OSLPprob s) {
  const Model &m = s->prob->model;
  check_tolset_refs(s);
  std::vector<double> x = current_point(s);
  NlpModel nm(m, s);
  LocalProblem p = build_local_problem(m, nm, sense_of(s), &x);
  for (int j = 0; j < p.n; ++j)
    if (p.xl[j] > p.xu[j])
      fail(ERR_ARGUMENT, "Column %d has lower bound %g above its upper bound %g", j, p.xl[j], p.xu[j]);
  std::vector<double> act(p.m);
  nm.rows(p.x0.data(), act.data());
  nm.objective(p.x0.data());
  s->results.state |= OSLP_STATE_CONSTRUCTED | OSLP_STATE_PRESOLVED;
}

void slp_scaling(OSLPprob s) {
  Model &m = s->prob->model;
  std::vector<double> x = current_point(s);
  NlpModel nm(m, s);
  const Pattern &jp = nm.jacobian_pattern();
  std::vector<double> jac(jp.size()), jmax(m.nrows(), 0.0);
  nm.jacobian_values(x.data(), jac.data());
  for (size_t k = 0; k < jp.size(); ++k) jmax[jp.rows[k]] = std::max(jmax[jp.rows[k]], std::fabs(jac[k]));
  for (int i = 0; i < m.nrows(); ++i) {
    if (m.rowwt.count(i) || jmax[i] == 0.0) continue;
    double w = std::min(1e4, std::max(1e-4, 1.0 / jmax[i]));
    if (w != 1.0) m.rowwt[i] = w;
  }
  nlp_model_changed(s);
}

void slp_setcurrentiv(OSLPprob s) {
  Model &m = s->prob->model;
  std::vector<double> x = current_point(s);
  for (int j = 0; j < m.ncols(); ++j) {
    SlpVar &v = m.slpvars[j];
    v.initvalue = x[j];
    v.has_initvalue = true;
  }
  nlp_model_changed(s);
}

void slp_setuniqueprefix(OSLPprob s) {
  const Model &m = s->prob->model;
  auto clashes = [&m](const std::string &pre) {
    for (int kind = 1; kind <= 2; ++kind)
      for (const auto &n : m.names_of(kind))
        if (n.compare(0, pre.size(), pre) == 0) return true;
    return false;
  };
  std::string pre = "slp_";
  for (int k = 1; clashes(pre); ++k) pre = format("slp%d_", k);
  s->uniqueprefix = pre;
}

void slp_updatelinearization(OSLPprob s) {
  const Model &m = s->prob->model;
  std::vector<double> x = current_point(s);
  NlpModel nm(m, s);
  std::vector<double> act(m.nrows()), jac(nm.jacobian_pattern().size());
  nm.rows(x.data(), act.data());
  nm.jacobian_values(x.data(), jac.data());
  for (size_t k = 0; k < jac.size(); ++k)
    if (!std::isfinite(jac[k]))
      fail(ERR_SOLVER, "The derivative of row %d with respect to column %d is not finite at the current point",
           nm.jacobian_pattern().rows[k], nm.jacobian_pattern().cols[k]);
  s->linearization = std::move(jac);
}

void slp_fixpenalties(OSLPprob s, int *status) {
  ONDR_REQUIRE(status, "NULL status pointer");
  const NlpResults &r = s->results;
  const Model &m = s->prob->model;
  if (!r.has_sol || r.slp.rows.size() != (size_t)m.nrows())
    fail(ERR_STATE, "Penalties can be fixed only after an SLP solve of the problem as it is");
  s->hard_rows.clear();
  for (int i = 0; i < m.nrows(); ++i)
    if (r.slp.rows[i].pluscol >= 0 && r.slp.rows[i].nerr == 0) s->hard_rows.push_back(i);
  *status = (int)s->hard_rows.size();
}

void slp_filesol(OSLPprob s, const char *filename) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  const NlpResults &r = s->results;
  const Model &m = s->prob->model;
  if (!r.has_sol || (int)r.x.size() != m.ncols() || (int)r.slack.size() != m.nrows())
    fail(ERR_STATE, "No nonlinear solution of the problem as it is to write");
  FILE *f = fopen(filename, "w");
  if (!f) fail(ERR_FILE, "Cannot open \"%s\" for writing", filename);
  fprintf(f, "* nonlinear solution: status %d, objective %.17g\n", r.status, r.objval);
  for (int j = 0; j < m.ncols(); ++j)
    fprintf(f, "C %s %.17g %.17g\n", m.name_or_default(2, j).c_str(), r.x[j], r.dj[j]);
  for (int i = 0; i < m.nrows(); ++i)
    fprintf(f, "R %s %.17g %.17g\n", m.name_or_default(1, i).c_str(), r.slack[i], r.dual[i]);
  bool bad = ferror(f) != 0;
  if (fclose(f) != 0 || bad) fail(ERR_FILE, "Writing \"%s\" failed", filename);
}

void slp_printmsg(OSLPprob s, int msgtype, const char *msg) {
  ONDR_REQUIRE(msg, "NULL message");
  ONDR_REQUIRE(msgtype == 1 || msgtype == 3 || msgtype == 4, "Invalid message type %d (1, 3 or 4)", msgtype);
  emit_message(s->prob, msgtype, msg);
}

void slp_printevalinfo(OSLPprob s) {
  const Model &m = s->prob->model;
  emit_message(s->prob, 1, format("%zu nonlinear coefficients, %zu user functions", m.nlcoefs.size(),
                                  s->userfuncs.size()));
  for (const auto &c : m.nlcoefs) {
    double v = 0.0;
    std::string text;
    try {
      slp_evaluatecoef(s, c.row, c.col, &v);
      text = format("%.10g", v);
    } catch (const std::exception &e) {
      text = std::string("not evaluable: ") + e.what();
    }
    emit_message(s->prob, 1, format("  row %s column %s: %zu tokens, value %s", m.name_or_default(1, c.row).c_str(),
                                    c.col == kUnitColumn ? "(unit)" : m.name_or_default(2, c.col).c_str(),
                                    c.types.size(), text.c_str()));
  }
}

void slp_printmemory(OSLPprob s) {
  const Model &m = s->prob->model;
  size_t tokens = 0;
  for (const auto &c : m.nlcoefs) tokens += c.types.size();
  size_t coef_bytes = tokens * (sizeof(int) + sizeof(double)) + m.nlcoefs.size() * sizeof(NlCoef);
  size_t var_bytes = m.slpvars.size() * (sizeof(SlpVar) + 4 * sizeof(void *));
  size_t sol_bytes = (s->results.x.size() + s->results.dj.size() + s->results.slack.size() + s->results.dual.size()) *
                     sizeof(double);
  emit_message(s->prob, 1, format("Nonlinear layer memory: coefficients %zu bytes (%zu tokens), SLP variables "
                                  "%zu bytes, tolerance sets %zu bytes, solution %zu bytes",
                                  coef_bytes, tokens, var_bytes, s->tolsets.size() * sizeof(TolSet), sol_bytes));
}

void slp_getmessagetype(int code, int *type) {
  ONDR_REQUIRE(type, "NULL type pointer");
  switch (code) {
    case OK: *type = 1; return;
    case ERR_GENERAL: case ERR_NOTSTARTED: case ERR_ARGUMENT: case ERR_MEMORY:
    case ERR_FILE: case ERR_STATE: case ERR_SOLVER: *type = 4; return;
  }
  fail(ERR_ARGUMENT, "Unknown message code %d", code);
}

void slp_getdtime(OSLPprob s, double *time) {
  ONDR_REQUIRE(time, "NULL time pointer");
  double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  *time = now - s->created;
}

}  // namespace ondr
