#include "lp/highs_run.h"
#include <algorithm>
#include <cmath>
#include <mutex>
#include "controls/ids.h"
#include "env/environment.h"
#include "env/error.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr {

const char *highs_status_name(int s) {
  static const char *const names[] = {
      "not set",        "load error",       "model error",         "presolve error",
      "solve error",    "postsolve error",  "empty model",         "optimal",
      "infeasible",     "unbounded or infeasible", "unbounded",    "objective bound reached",
      "objective target reached", "time limit reached", "iteration limit reached", "unknown",
      "solution limit reached",   "interrupted"};
  return s >= 0 && s <= HMS_INTERRUPT ? names[s] : "unknown";
}

void prepare_scheduler(int threads) {
  static thread_local int current = -1;
  if (threads <= 0 || threads == current) return;
  Highs_resetGlobalScheduler(1);
  current = threads;
}

int qp_iteration_cap(int ncols, int nrows) { return 2 * (ncols + nrows) + 1000; }

namespace {

// State shared with the HiGHS callback during one run.
struct CallbackState {
  ONDRprob prob = nullptr;
  bool log = false;
  std::mutex lock;          // HiGHS may call back from its worker threads
  std::string partial;      // log text not yet ended by a newline
  int stop_reason = 0;
  int64_t improving = 0;

  void log_text(const char *text) {
    std::vector<std::string> lines;
    {
      std::lock_guard<std::mutex> g(lock);
      partial += text;
      size_t start = 0, nl;
      while ((nl = partial.find('\n', start)) != std::string::npos) {
        lines.push_back(partial.substr(start, nl - start));
        start = nl + 1;
      }
      partial.erase(0, start);
    }
    for (const auto &l : lines) emit_message(prob, 1, l);
  }
  void flush() {
    if (!partial.empty()) emit_message(prob, 1, partial);
    partial.clear();
  }
};

void highs_callback(int type, const char *message, const HighsCallbackDataOut *,
                    HighsCallbackDataIn *in, void *user) {
  auto *st = static_cast<CallbackState *>(user);
  if (type == kHighsCallbackLogging) {
    if (st->log && message) st->log_text(message);
    return;
  }
  if (type == kHighsCallbackMipImprovingSolution) {
    std::lock_guard<std::mutex> g(st->lock);
    ++st->improving;
    return;
  }
  if (type == kHighsCallbackSimplexInterrupt || type == kHighsCallbackIpmInterrupt ||
      type == kHighsCallbackMipInterrupt) {
    int r = st->prob->interrupt_reason.load();
    if (r != 0 && in) {
      std::lock_guard<std::mutex> g(st->lock);
      if (!st->stop_reason) st->stop_reason = r;
      in->user_interrupt = 1;
    }
  }
}

// Owner of a HiGHS instance.
std::shared_ptr<void> make_highs() {
  void *h = Highs_create();
  if (!h) fail(ERR_MEMORY, "Cannot create a HiGHS instance");
  return std::shared_ptr<void>(h, [](void *p) { Highs_destroy(p); });
}

void set_opt(void *h, const char *name, int v) {
  if (Highs_setIntOptionValue(h, name, v) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s = %d", name, v);
}
void set_opt(void *h, const char *name, double v) {
  if (Highs_setDoubleOptionValue(h, name, v) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s = %g", name, v);
}
void set_opt(void *h, const char *name, const char *v) {
  if (Highs_setStringOptionValue(h, name, v) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s = %s", name, v);
}
void set_flag(void *h, const char *name, bool v) {
  if (Highs_setBoolOptionValue(h, name, v ? 1 : 0) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s", name);
}

double mip_tolerance(const ControlValues &c, const RunRequest &req) {
  double tol = std::min(c.getd(id::MIPTOL), req.data->integrality_cap) * req.tolerance_factor;
  return std::max(kMinMipTolerance, tol);
}

int clamp_int(int64_t v) { return v > 2147483647 ? 2147483647 : (int)v; }

// The LP algorithm of a run: the flag's, else DEFAULTALG's.
Alg effective_alg(const ControlValues &c, Alg alg) {
  if (alg != Alg::Auto) return alg;
  switch (c.geti(id::DEFAULTALG)) {
    case 2: return Alg::Dual;
    case 3: return Alg::Primal;
    case 4: return Alg::Barrier;
    default: return Alg::Auto;
  }
}

// The controls that act on HiGHS.
void apply_controls(void *h, const ControlValues &c, const RunRequest &req, bool quadratic) {
  set_flag(h, "log_to_console", false);
  set_flag(h, "output_flag", c.geti(id::OUTPUTLOG) != 0);
  set_opt(h, "presolve", req.presolve_off || c.geti(id::PRESOLVE) == 0 ? "off" : "choose");
  int threads = (int)c.geti(id::THREADS);
  if (threads > 0) set_opt(h, "threads", threads);
  double tl = c.getd(id::TIMELIMIT);
  if (tl < kInf) set_opt(h, "time_limit", tl);
  set_opt(h, "primal_feasibility_tolerance", c.getd(id::FEASTOL));
  set_opt(h, "dual_feasibility_tolerance", c.getd(id::OPTIMALITYTOL));
  set_opt(h, "ipm_optimality_tolerance", c.getd(id::BARGAPSTOP));
  set_opt(h, "random_seed", clamp_int(c.geti(id::RANDOMSEED)));
  if (c.geti(id::SCALING) == 0) set_opt(h, "simplex_scale_strategy", 0);
  set_opt(h, "run_crossover", c.geti(id::CROSSOVER) ? "on" : "off");
  if (req.mip) {
    set_opt(h, "mip_rel_gap", c.getd(id::MIPRELSTOP));
    set_opt(h, "mip_abs_gap", c.getd(id::MIPABSSTOP));
    set_opt(h, "mip_feasibility_tolerance", mip_tolerance(c, req));
    set_opt(h, "mip_max_nodes", clamp_int(c.geti(id::MAXNODE)));
    set_opt(h, "mip_max_improving_sols", clamp_int(c.geti(id::MAXMIPSOL)));
    double cutoff = c.getd(id::MIPABSCUTOFF);
    // HiGHS compares the bound with the objective in minimization form.
    if (std::fabs(cutoff) < kInf)
      set_opt(h, "objective_bound", req.data->sense < 0 ? -cutoff : cutoff);
    return;
  }
  int iters = clamp_int(c.geti(id::LPITERLIMIT));
  set_opt(h, "simplex_iteration_limit", iters);
  set_opt(h, "ipm_iteration_limit", iters);
  set_opt(h, "qp_iteration_limit",
          quadratic ? std::min(iters, qp_iteration_cap(req.data->ncols(), req.data->nrows())) : iters);
  if (quadratic) return;  // the QP solver has no algorithm choice
  switch (effective_alg(c, req.alg)) {
    case Alg::Dual: set_opt(h, "solver", "simplex"); set_opt(h, "simplex_strategy", 1); break;
    case Alg::Primal: set_opt(h, "solver", "simplex"); set_opt(h, "simplex_strategy", 4); break;
    case Alg::Barrier: set_opt(h, "solver", "ipm"); break;
    case Alg::Auto: break;
  }
}

double to_highs(double v, double inf) {
  if (v >= kInf) return inf;
  if (v <= -kInf) return -inf;
  return v;
}
double from_highs(double v) {
  if (v >= kInf) return kInf;
  if (v <= -kInf) return -kInf;
  return v;
}

int map_basis(HighsInt s) {
  switch (s) {
    case kHighsBasisStatusBasic: return 1;
    case kHighsBasisStatusUpper: return 2;
    case kHighsBasisStatusZero: return 3;
    default: return 0;
  }
}

void pass_model(void *h, const LpData &d) {
  int n = d.ncols(), m = d.nrows();
  double inf = Highs_getInfinity(h);
  std::vector<double> lo(d.collo), up(d.colup), rlo(d.rowlo), rup(d.rowup);
  for (auto &v : lo) v = to_highs(v, inf);
  for (auto &v : up) v = to_highs(v, inf);
  for (auto &v : rlo) v = to_highs(v, inf);
  for (auto &v : rup) v = to_highs(v, inf);
  Csc a = column_wise(d);
  std::vector<HighsInt> integrality;
  if (d.has_integers()) {
    integrality.resize((size_t)n);
    for (int j = 0; j < n; ++j) {
      switch (d.kind[(size_t)j]) {
        case KIND_INT: integrality[(size_t)j] = kHighsVarTypeInteger; break;
        case KIND_SEMICONT: integrality[(size_t)j] = kHighsVarTypeSemiContinuous; break;
        case KIND_SEMIINT: integrality[(size_t)j] = kHighsVarTypeSemiInteger; break;
        default: integrality[(size_t)j] = kHighsVarTypeContinuous; break;
      }
    }
  }
  Csc q;
  if (!d.hessian.empty()) q = hessian_lower(d);
  int qnz = (int)q.index.size();
  // HiGHS reads starts of length n; an empty array still needs a valid pointer.
  HighsInt zero = 0;
  HighsInt rc = Highs_passModel(
      h, n, m, (HighsInt)a.index.size(), qnz, kHighsMatrixFormatColwise,
      kHighsHessianFormatTriangular, d.sense < 0 ? kHighsObjSenseMaximize : kHighsObjSenseMinimize,
      d.offset, n ? d.cost.data() : nullptr, n ? lo.data() : nullptr, n ? up.data() : nullptr,
      m ? rlo.data() : nullptr, m ? rup.data() : nullptr, n ? a.start.data() : &zero,
      a.index.empty() ? nullptr : a.index.data(), a.value.empty() ? nullptr : a.value.data(),
      qnz ? q.start.data() : nullptr, qnz ? q.index.data() : nullptr,
      qnz ? q.value.data() : nullptr, integrality.empty() ? nullptr : integrality.data());
  if (rc == kHighsStatusError) fail(ERR_SOLVER, "HiGHS refused the model");
}

// Hands the request's start basis to HiGHS (after the model). False when
// the run cannot use one (none given, other sizes, integer columns, a
// Hessian, barrier) or HiGHS refuses it; the model is then passed afresh
// so that nothing of the refused basis remains.
bool set_start_basis(void *h, const RunRequest &req, const ControlValues &c) {
  const LpData &d = *req.data;
  if (!req.start_cstat || !req.start_rstat) return false;
  if (req.start_cstat->size() != (size_t)d.ncols() || req.start_rstat->size() != (size_t)d.nrows())
    return false;
  if (d.has_integers() || !d.hessian.empty() || effective_alg(c, req.alg) == Alg::Barrier)
    return false;
  std::vector<HighsInt> cs(req.start_cstat->begin(), req.start_cstat->end());
  std::vector<HighsInt> rs(req.start_rstat->begin(), req.start_rstat->end());
  // HiGHS reads arrays of length n and m; an empty one still needs a pointer.
  HighsInt none = 0;
  if (Highs_setBasis(h, cs.empty() ? &none : cs.data(), rs.empty() ? &none : rs.data()) !=
      kHighsStatusError)
    return true;
  pass_model(h, d);
  return false;
}

}  // namespace

RunOutcome run_highs(ONDRprob prob, const RunRequest &req) {
  const LpData &d = *req.data;
  // Controls are read once, before the run.
  ControlValues controls = prob->controls;
  auto inst = make_highs();
  void *h = inst.get();
  CallbackState cbs;
  cbs.prob = prob;
  cbs.log = controls.geti(id::OUTPUTLOG) != 0;
  apply_controls(h, controls, req, !d.hessian.empty());
  pass_model(h, d);
  bool warm = set_start_basis(h, req, controls);
  Highs_setCallback(h, highs_callback, &cbs);
  if (cbs.log) Highs_startCallback(h, kHighsCallbackLogging);
  Highs_startCallback(h, kHighsCallbackSimplexInterrupt);
  Highs_startCallback(h, kHighsCallbackIpmInterrupt);
  if (req.mip && d.has_integers()) {
    Highs_startCallback(h, kHighsCallbackMipInterrupt);
    Highs_startCallback(h, kHighsCallbackMipImprovingSolution);
  }
  prepare_scheduler((int)controls.geti(id::THREADS));

  HighsInt rc = Highs_run(h);
  cbs.flush();
  Highs_setCallback(h, nullptr, nullptr);

  RunOutcome out;
  out.model_status = (int)Highs_getModelStatus(h);
  out.stop_reason = cbs.stop_reason;
  out.improving = cbs.improving;
  if (rc == kHighsStatusError || (out.model_status >= HMS_LOAD_ERROR &&
                                  out.model_status <= HMS_POSTSOLVE_ERROR)) {
    if (warm) {
      // The start basis may be what HiGHS stumbled on: never let it fail
      // a solve that a cold start could finish.
      RunRequest cold = req;
      cold.start_cstat = cold.start_rstat = nullptr;
      return run_highs(prob, cold);
    }
    out.failed = true;
    if (!req.allow_failure)
      fail(ERR_SOLVER, "HiGHS failed to solve the problem (%s)",
           highs_status_name(out.model_status));
    return out;
  }

  HighsInt pstat = 0, dstat = 0, bvalid = 0, it = 0;
  Highs_getIntInfoValue(h, "primal_solution_status", &pstat);
  Highs_getIntInfoValue(h, "dual_solution_status", &dstat);
  Highs_getIntInfoValue(h, "basis_validity", &bvalid);
  out.primal = pstat != kHighsSolutionStatusNone;
  out.primal_feasible = pstat == kHighsSolutionStatusFeasible;
  out.dual = dstat != kHighsSolutionStatusNone && !d.has_integers();
  out.objective = from_highs(Highs_getObjectiveValue(h));
  if (Highs_getIntInfoValue(h, "simplex_iteration_count", &it) == kHighsStatusOk)
    out.simplexiter += it;
  if (Highs_getIntInfoValue(h, "crossover_iteration_count", &it) == kHighsStatusOk)
    out.simplexiter += it;
  if (Highs_getIntInfoValue(h, "qp_iteration_count", &it) == kHighsStatusOk)
    out.simplexiter += it;
  if (Highs_getIntInfoValue(h, "ipm_iteration_count", &it) == kHighsStatusOk)
    out.bariter += it;
  if (req.mip && d.has_integers()) {
    int64_t nodes = 0;
    double bound = 0.0;
    if (Highs_getInt64InfoValue(h, "mip_node_count", &nodes) == kHighsStatusOk) out.nodes = nodes;
    if (Highs_getDoubleInfoValue(h, "mip_dual_bound", &bound) == kHighsStatusOk)
      out.bestbound = from_highs(bound);
  }

  int n = d.ncols(), m = d.nrows();
  if (out.primal || out.dual) {
    out.colval.assign((size_t)n, 0.0);
    out.coldual.assign((size_t)n, 0.0);
    out.rowval.assign((size_t)m, 0.0);
    out.rowdual.assign((size_t)m, 0.0);
    Highs_getSolution(h, out.colval.data(), out.coldual.data(), out.rowval.data(),
                      out.rowdual.data());
  }
  if (bvalid == kHighsBasisValidityValid && !d.has_integers()) {
    std::vector<HighsInt> cs((size_t)n), rs((size_t)m);
    if (Highs_getBasis(h, cs.data(), rs.data()) == kHighsStatusOk) {
      out.basis = true;
      out.colstat.resize((size_t)n);
      out.rowstat.resize((size_t)m);
      for (int j = 0; j < n; ++j) out.colstat[(size_t)j] = map_basis(cs[(size_t)j]);
      for (int i = 0; i < m; ++i) out.rowstat[(size_t)i] = map_basis(rs[(size_t)i]);
    }
  }
  if (req.keep_instance) out.instance = inst;
  return out;
}

}  // namespace ondr
