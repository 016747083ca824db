#include "lp/highs_run.h"
#include <algorithm>
#include "controls/ids.h"
#include "env/error.h"

namespace ondr {

RunSettings run_settings(const ControlValues &c, const RunRequest &req, const LpData &d) {
  RunSettings s;
  s.alg = req.alg;
  s.mip = req.mip;
  s.presolve_off = req.presolve_off;
  s.quadratic = !d.hessian.empty();
  s.ncols = d.ncols();
  s.nrows = d.nrows();
  s.sense = d.sense;
  double tol = std::min(c.getd(id::MIPTOL), d.integrality_cap) * req.tolerance_factor;
  s.mip_tolerance = std::max(kMinMipTolerance, tol);
  return s;
}

RunHooks problem_hooks(ONDRprob prob, const ControlValues &c, bool mip, int sense) {
  RunHooks hooks;
  hooks.prob = prob;
  hooks.log = c.geti(id::OUTPUTLOG) != 0;
  hooks.mip = mip;
  hooks.stop = [prob] { return prob->interrupt_reason.load(); };
  hooks.events = true;
  hooks.sense = sense;
  const int targets[4] = {id::MIPRELGAPNOTIFY, id::MIPABSGAPNOTIFY, id::MIPABSGAPNOTIFYOBJ,
                          id::MIPABSGAPNOTIFYBOUND};
  for (int k = 0; k < 4; ++k) hooks.gap_targets[k] = c.getd(targets[k]);
  return hooks;
}

namespace {

// Keeps a new incumbent of a run on `d` in the problem's results, so that
// the attributes and the MIP solution read it inside intsol.
void keep_incumbent(ONDRprob prob, const LpData &d, const MipIncumbent &inc) {
  const Model &m = prob->model;
  if (inc.n != d.ncols() || d.ncols() < m.ncols()) return;
  Results &r = prob->results;
  r.mipx.assign(inc.x, inc.x + m.ncols());
  unscale_primal(d, r.mipx);
  r.mipslack = store_slacks(m, r.mipx);
  r.mipobjval = inc.objective;
  r.bestbound = inc.bound;
  r.nodes = inc.nodes;
  r.mipsols = inc.count;
  r.has_mipsol = true;
  r.mipstatus = 4;
}

}  // namespace

bool can_warm_start(const RunRequest &req, const LpData &d, const ControlValues &c) {
  if (!req.start_cstat || !req.start_rstat) return false;
  if (req.start_cstat->size() != (size_t)d.ncols() || req.start_rstat->size() != (size_t)d.nrows())
    return false;
  return !d.has_integers() && d.hessian.empty() && effective_alg(c, req.alg) != Alg::Barrier;
}

bool run_failed(int rc, int model_status) {
  return rc == -1 || (model_status >= HMS_LOAD_ERROR && model_status <= HMS_POSTSOLVE_ERROR);
}

RunOutcome run_highs(ONDRprob prob, const RunRequest &req) {
  const LpData &d = *req.data;
  // Controls are read once, before the run.
  ControlValues controls = prob->controls;
  HighsHandle h;
  h.apply_controls(controls, run_settings(controls, req, d));
  h.pass_model(d);
  // A refused start basis leaves nothing behind: the model is passed afresh.
  bool warm = can_warm_start(req, d, controls);
  if (warm && !h.set_basis(*req.start_cstat, *req.start_rstat)) {
    h.pass_model(d);
    warm = false;
  }
  if (req.release_rows) std::vector<std::vector<Entry>>().swap(req.release_rows->rows);
  bool mip = req.mip && d.has_integers();
  if (mip && req.start_x) h.set_start(*req.start_x);
  prepare_scheduler((int)controls.geti(id::THREADS));
  RunHooks hooks = problem_hooks(prob, controls, mip, d.sense);
  hooks.events = req.events;
  if (mip && req.events)
    hooks.incumbent = [prob, &d](const MipIncumbent &inc) { keep_incumbent(prob, d, inc); };
  int rc = h.run(hooks);

  RunOutcome out;
  if (run_failed(rc, h.model_status())) {
    if (warm) {
      // The start basis may be what HiGHS stumbled on: never let it fail
      // a solve that a cold start could finish.
      RunRequest cold = req;
      cold.start_cstat = cold.start_rstat = nullptr;
      return run_highs(prob, cold);
    }
    out.model_status = h.model_status();
    out.stop_reason = h.stop_reason();
    out.improving = h.improving();
    out.failed = true;
    if (!req.allow_failure)
      fail(ERR_SOLVER, "HiGHS failed to solve the problem (%s)",
           highs_status_name(out.model_status));
    return out;
  }
  h.read(out, mip, !d.has_integers());
  return out;
}

}  // namespace ondr
