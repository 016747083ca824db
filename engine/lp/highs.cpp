#include "lp/highs.h"
#include <algorithm>
#include <cmath>
#include <mutex>
#include "cb/events.h"
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
  // The scheduler is the process's: a count kept per thread goes stale as
  // soon as another thread (a tree search's worker) restarts it.
  static std::mutex m;
  static int current = -1;
  std::lock_guard<std::mutex> g(m);
  if (threads <= 0 || threads == current) return;
  Highs_resetGlobalScheduler(1);
  current = threads;
}

int qp_iteration_cap(int ncols, int nrows) { return 2 * (ncols + nrows) + 1000; }

Alg effective_alg(const ControlValues &c, Alg alg) {
  if (alg != Alg::Auto) return alg;
  switch (c.geti(id::DEFAULTALG)) {
    case 2: return Alg::Dual;
    case 3: return Alg::Primal;
    case 4: return Alg::Barrier;
    default: return Alg::Auto;
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

namespace {

int clamp_int(int64_t v) { return v > 2147483647 ? 2147483647 : (int)v; }

int to_public(HighsInt s) {
  switch (s) {
    case kHighsBasisStatusBasic: return 1;
    case kHighsBasisStatusUpper: return 2;
    case kHighsBasisStatusZero: return 3;
    default: return 0;
  }
}

// HiGHS reports "no value" with its own infinity.
bool finite(double v) { return std::fabs(v) < 1e30; }

void highs_callback(int type, const char *message, const HighsCallbackDataOut *out,
                    HighsCallbackDataIn *in, void *user) {
  auto *st = static_cast<HighsHandle::Callback *>(user);
  const RunHooks &h = st->hooks;
  if (type != kHighsCallbackLogging && std::this_thread::get_id() == st->owner)
    st->deliver_waiting();
  switch (type) {
    case kHighsCallbackLogging:
      if (h.log && message) st->log_text(message);
      return;
    case kHighsCallbackMipImprovingSolution: {
      MipIncumbent inc;
      if (out) {
        inc.x = out->mip_solution;
        inc.n = (int)out->mip_solution_size;
        inc.objective = out->objective_function_value;
        inc.bound = finite(out->mip_dual_bound) ? out->mip_dual_bound : (h.sense > 0 ? -kInf : kInf);
        inc.nodes = out->mip_node_count;
      }
      st->improved(inc);
      return;
    }
    case kHighsCallbackMipLogging:
      if (h.events) cb::fire_log(h.prob, cb::k_globallog);
      return;
    case kHighsCallbackMipGetCutPool:
      if (h.events) cb::fire_log(h.prob, cb::k_cutlog);
      return;
    case kHighsCallbackSimplexInterrupt:
      if (h.events) cb::fire_log(h.prob, cb::k_lplog);
      break;
    case kHighsCallbackIpmInterrupt:
      if (h.events && !cb::fire_log(h.prob, cb::k_barlog)) cb::fire_bariteration(h.prob);
      break;
    case kHighsCallbackMipInterrupt:
      if (h.events && out)
        st->gap_check(out->mip_primal_bound, out->mip_dual_bound, finite(out->mip_primal_bound));
      break;
    default:
      return;
  }
  int r = h.stop ? h.stop() : 0;
  if (r != 0 && in) {
    std::lock_guard<std::mutex> g(st->lock);
    if (!st->stop_reason) st->stop_reason = r;
    in->user_interrupt = 1;
  }
}

}  // namespace

void HighsHandle::Callback::log_text(const char *text) {
  bool here = std::this_thread::get_id() == owner;
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> g(lock);
    partial += text;
    size_t start = 0, nl;
    std::vector<std::string> &to = here ? lines : waiting;
    while ((nl = partial.find('\n', start)) != std::string::npos) {
      to.push_back(partial.substr(start, nl - start));
      start = nl + 1;
    }
    partial.erase(0, start);
  }
  if (!here) return;
  deliver_waiting();
  for (const auto &l : lines) emit_message(hooks.prob, 1, l);
}

void HighsHandle::Callback::deliver_waiting() {
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> g(lock);
    if (waiting.empty()) return;
    lines.swap(waiting);
  }
  for (const auto &l : lines) emit_message(hooks.prob, 1, l);
}

void HighsHandle::Callback::improved(const MipIncumbent &in) {
  MipIncumbent inc = in;
  {
    std::lock_guard<std::mutex> g(lock);
    inc.count = ++improving;
    // Kept under the lock: HiGHS may report from several threads.
    if (hooks.incumbent && inc.x) hooks.incumbent(inc);
  }
  if (hooks.events && inc.x) cb::fire_intsol(hooks.prob);
}

void HighsHandle::Callback::gap_check(double primal, double dual, bool has_incumbent) {
  if (!has_incumbent) return;
  double t[4];
  {
    std::lock_guard<std::mutex> g(lock);
    std::copy(targets, targets + 4, t);
  }
  if (!finite(dual)) dual = hooks.sense > 0 ? -kInf : kInf;
  if (!cb::notify_gap(hooks.prob, hooks.sense, primal, dual, t)) return;
  std::lock_guard<std::mutex> g(lock);
  std::copy(t, t + 4, targets);
}

void HighsHandle::Callback::flush() {
  deliver_waiting();
  if (!partial.empty()) emit_message(hooks.prob, 1, partial);
  partial.clear();
}

HighsHandle::HighsHandle() : h_(Highs_create()) {
  if (!h_) fail(ERR_MEMORY, "Cannot create a HiGHS instance");
  // Quiet until a run asks for its log: HiGHS prints a banner otherwise.
  Highs_setBoolOptionValue(h_, "output_flag", 0);
  Highs_setBoolOptionValue(h_, "log_to_console", 0);
  HighsInt v = 0;
  Highs_getIntOptionValue(h_, "threads", &v);
  defaults_.threads = (int)v;
  Highs_getIntOptionValue(h_, "simplex_scale_strategy", &v);
  defaults_.scale_strategy = (int)v;
  Highs_getIntOptionValue(h_, "simplex_strategy", &v);
  defaults_.simplex_strategy = (int)v;
  Highs_getDoubleOptionValue(h_, "time_limit", &defaults_.time_limit);
  char solver[kHighsMaximumStringLength] = {0};
  Highs_getStringOptionValue(h_, "solver", solver);
  defaults_.solver = solver;
}

namespace {
// HiGHS resets the calling thread's task scheduler when an instance is
// destroyed, which breaks a run in progress (one on another thread, or the
// run whose callback released a problem). An instance destroyed while any
// run is in progress waits for the last run to end.
std::mutex g_runs_lock;
int g_runs = 0;
std::vector<void *> g_waiting_destroy;
}  // namespace

HighsHandle::~HighsHandle() {
  std::lock_guard<std::mutex> g(g_runs_lock);
  if (g_runs > 0) g_waiting_destroy.push_back(h_);
  else Highs_destroy(h_);
}

void HighsHandle::set(const char *name, int v) {
  if (Highs_setIntOptionValue(h_, name, v) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s = %d", name, v);
}
void HighsHandle::set(const char *name, double v) {
  if (Highs_setDoubleOptionValue(h_, name, v) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s = %g", name, v);
}
void HighsHandle::set(const char *name, const char *v) {
  if (Highs_setStringOptionValue(h_, name, v) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s = %s", name, v);
}
void HighsHandle::set_flag(const char *name, bool v) {
  if (Highs_setBoolOptionValue(h_, name, v ? 1 : 0) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused option %s", name);
}

void HighsHandle::apply_controls(const ControlValues &c, const RunSettings &s) {
  set_flag("log_to_console", false);
  set_flag("output_flag", c.geti(id::OUTPUTLOG) != 0);
  set("threads", defaults_.threads);
  set("time_limit", defaults_.time_limit);
  set("simplex_scale_strategy", defaults_.scale_strategy);
  set("simplex_strategy", defaults_.simplex_strategy);
  set("solver", defaults_.solver.c_str());
  set("presolve", s.presolve_off || c.geti(id::PRESOLVE) == 0 ? "off" : "choose");
  int threads = (int)c.geti(id::THREADS);
  if (threads > 0) set("threads", threads);
  double tl = c.getd(id::TIMELIMIT);
  if (tl < kInf) set("time_limit", tl);
  set("primal_feasibility_tolerance", c.getd(id::FEASTOL));
  set("dual_feasibility_tolerance", c.getd(id::OPTIMALITYTOL));
  set("ipm_optimality_tolerance", c.getd(id::BARGAPSTOP));
  set("random_seed", clamp_int(c.geti(id::RANDOMSEED)));
  if (c.geti(id::SCALING) == 0) set("simplex_scale_strategy", 0);
  set("run_crossover", c.geti(id::CROSSOVER) ? "on" : "off");
  if (s.mip) {
    set("mip_rel_gap", c.getd(id::MIPRELSTOP));
    set("mip_abs_gap", c.getd(id::MIPABSSTOP));
    set("mip_feasibility_tolerance", s.mip_tolerance);
    set("mip_max_nodes", clamp_int(c.geti(id::MAXNODE)));
    set("mip_max_improving_sols", clamp_int(c.geti(id::MAXMIPSOL)));
    double cutoff = c.getd(id::MIPABSCUTOFF);
    // HiGHS compares the bound with the objective in minimization form.
    if (std::fabs(cutoff) < kInf) set("objective_bound", s.sense < 0 ? -cutoff : cutoff);
    return;
  }
  int iters = clamp_int(c.geti(id::LPITERLIMIT));
  set("simplex_iteration_limit", iters);
  set("ipm_iteration_limit", iters);
  set("qp_iteration_limit",
      s.quadratic ? std::min(iters, qp_iteration_cap(s.ncols, s.nrows)) : iters);
  if (s.quadratic) return;  // the QP solver has no algorithm choice
  switch (effective_alg(c, s.alg)) {
    case Alg::Dual: set("solver", "simplex"); set("simplex_strategy", 1); break;
    case Alg::Primal: set("solver", "simplex"); set("simplex_strategy", 4); break;
    case Alg::Barrier: set("solver", "ipm"); break;
    case Alg::Auto: break;
  }
}

void HighsHandle::pass_model(const LpData &d) {
  int n = d.ncols(), m = d.nrows();
  double inf = infinity();
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
      h_, n, m, (HighsInt)a.index.size(), qnz, kHighsMatrixFormatColwise,
      kHighsHessianFormatTriangular, d.sense < 0 ? kHighsObjSenseMaximize : kHighsObjSenseMinimize,
      d.offset, n ? d.cost.data() : nullptr, n ? lo.data() : nullptr, n ? up.data() : nullptr,
      m ? rlo.data() : nullptr, m ? rup.data() : nullptr, n ? a.start.data() : &zero,
      a.index.empty() ? nullptr : a.index.data(), a.value.empty() ? nullptr : a.value.data(),
      qnz ? q.start.data() : nullptr, qnz ? q.index.data() : nullptr,
      qnz ? q.value.data() : nullptr, integrality.empty() ? nullptr : integrality.data());
  if (rc == kHighsStatusError) fail(ERR_SOLVER, "HiGHS refused the model");
}

int HighsHandle::run(const RunHooks &hooks) {
  cb_.hooks = hooks;
  cb_.partial.clear();
  cb_.stop_reason = 0;
  cb_.improving = 0;
  cb_.owner = std::this_thread::get_id();
  cb_.waiting.clear();
  std::copy(hooks.gap_targets, hooks.gap_targets + 4, cb_.targets);
  Highs_setCallback(h_, highs_callback, &cb_);
  // Only what the run needs: each started type costs HiGHS a call per event.
  auto wants = [&](cb::Kind k) { return hooks.events && hooks.prob->callbacks.has(k); };
  bool mip = hooks.mip;
  struct Start {
    int type;
    bool on;
  } starts[] = {
      {kHighsCallbackLogging, hooks.log},
      {kHighsCallbackSimplexInterrupt, hooks.stop || wants(cb::k_lplog)},
      {kHighsCallbackIpmInterrupt,
       hooks.stop || wants(cb::k_barlog) || wants(cb::k_bariteration)},
      {kHighsCallbackMipInterrupt, mip && (hooks.stop || wants(cb::k_gapnotify))},
      {kHighsCallbackMipImprovingSolution, mip},
      {kHighsCallbackMipLogging, mip && wants(cb::k_globallog)},
      {kHighsCallbackMipGetCutPool, mip && wants(cb::k_cutlog)},
  };
  for (const Start &st : starts)
    if (st.on) Highs_startCallback(h_, st.type);
  // HiGHS reports its MIP progress lines only with its output on; without
  // the log they go nowhere else.
  HighsInt output = 0;
  Highs_getBoolOptionValue(h_, "output_flag", &output);
  bool quiet_log = mip && wants(cb::k_globallog) && !output;
  if (quiet_log) Highs_setBoolOptionValue(h_, "output_flag", 1);
  {
    std::lock_guard<std::mutex> g(g_runs_lock);
    ++g_runs;
  }
  HighsInt rc = Highs_run(h_);
  {
    std::lock_guard<std::mutex> g(g_runs_lock);
    if (--g_runs == 0) {
      for (void *h : g_waiting_destroy) Highs_destroy(h);
      g_waiting_destroy.clear();
    }
  }
  cb_.flush();
  // The callbacks are switched off again: the next run asks for its own.
  for (const Start &st : starts) Highs_stopCallback(h_, st.type);
  if (quiet_log) Highs_setBoolOptionValue(h_, "output_flag", 0);
  Highs_setCallback(h_, nullptr, nullptr);
  cb_.hooks = RunHooks();
  return (int)rc;
}

int HighsHandle::run_call(const std::function<int(void *)> &f) {
  {
    std::lock_guard<std::mutex> g(g_runs_lock);
    ++g_runs;
  }
  struct End {
    ~End() {
      std::lock_guard<std::mutex> g(g_runs_lock);
      if (--g_runs == 0) {
        for (void *h : g_waiting_destroy) Highs_destroy(h);
        g_waiting_destroy.clear();
      }
    }
  } end;
  return f(h_);
}

int HighsHandle::model_status() const { return (int)Highs_getModelStatus(h_); }
int HighsHandle::ncols() const { return (int)Highs_getNumCol(h_); }
int HighsHandle::nrows() const { return (int)Highs_getNumRow(h_); }
double HighsHandle::infinity() const { return Highs_getInfinity(h_); }
void HighsHandle::clear_solver() { Highs_clearSolver(h_); }

void HighsHandle::set_start(const std::vector<double> &x) {
  if (x.size() != (size_t)ncols() ||
      Highs_setSolution(h_, x.data(), nullptr, nullptr, nullptr) == kHighsStatusError)
    fail(ERR_SOLVER, "HiGHS refused the start solution");
}

void HighsHandle::read(RunOutcome &out, bool mip, bool continuous) const {
  out.model_status = model_status();
  out.stop_reason = cb_.stop_reason;
  out.improving = cb_.improving;
  HighsInt pstat = 0, dstat = 0, it = 0;
  Highs_getIntInfoValue(h_, "primal_solution_status", &pstat);
  Highs_getIntInfoValue(h_, "dual_solution_status", &dstat);
  out.primal = pstat != kHighsSolutionStatusNone;
  out.primal_feasible = pstat == kHighsSolutionStatusFeasible;
  out.dual = dstat != kHighsSolutionStatusNone && continuous;
  out.objective = from_highs(Highs_getObjectiveValue(h_));
  static const char *const simplex_counts[] = {"simplex_iteration_count",
                                               "crossover_iteration_count", "qp_iteration_count"};
  // A count that does not apply to the run (crossover or QP iterations of a
  // MIP run) is reported as -1.
  for (const char *name : simplex_counts)
    if (Highs_getIntInfoValue(h_, name, &it) == kHighsStatusOk && it > 0) out.simplexiter += it;
  if (Highs_getIntInfoValue(h_, "ipm_iteration_count", &it) == kHighsStatusOk && it > 0)
    out.bariter += it;
  if (mip) {
    int64_t nodes = 0;
    double bound = 0.0;
    if (Highs_getInt64InfoValue(h_, "mip_node_count", &nodes) == kHighsStatusOk) out.nodes = nodes;
    if (Highs_getDoubleInfoValue(h_, "mip_dual_bound", &bound) == kHighsStatusOk)
      out.bestbound = from_highs(bound);
  }
  int n = ncols(), m = nrows();
  if (out.primal || out.dual) {
    out.colval.assign((size_t)n, 0.0);
    out.coldual.assign((size_t)n, 0.0);
    out.rowval.assign((size_t)m, 0.0);
    out.rowdual.assign((size_t)m, 0.0);
    Highs_getSolution(h_, out.colval.data(), out.coldual.data(), out.rowval.data(),
                      out.rowdual.data());
  }
  if (continuous) out.basis = get_basis(out.colstat, out.rowstat);
}

bool HighsHandle::get_basis(std::vector<int> &cs, std::vector<int> &rs) const {
  HighsInt bvalid = 0;
  Highs_getIntInfoValue(h_, "basis_validity", &bvalid);
  if (bvalid != kHighsBasisValidityValid) return false;
  int n = ncols(), m = nrows();
  std::vector<HighsInt> hc((size_t)n), hr((size_t)m);
  HighsInt none = 0;
  if (Highs_getBasis(h_, n ? hc.data() : &none, m ? hr.data() : &none) != kHighsStatusOk)
    return false;
  cs.resize((size_t)n);
  rs.resize((size_t)m);
  for (int j = 0; j < n; ++j) cs[(size_t)j] = to_public(hc[(size_t)j]);
  for (int i = 0; i < m; ++i) rs[(size_t)i] = to_public(hr[(size_t)i]);
  return true;
}

bool HighsHandle::set_basis(const std::vector<int> &cs, const std::vector<int> &rs) {
  if (cs.size() != (size_t)ncols() || rs.size() != (size_t)nrows()) return false;
  // Public codes and HiGHS's agree (lower 0, basic 1, upper 2, zero 3).
  std::vector<HighsInt> hc(cs.begin(), cs.end()), hr(rs.begin(), rs.end());
  // HiGHS reads arrays of length n and m; an empty one still needs a pointer.
  HighsInt none = 0;
  return Highs_setBasis(h_, hc.empty() ? &none : hc.data(), hr.empty() ? &none : hr.data()) !=
         kHighsStatusError;
}

}  // namespace ondr
