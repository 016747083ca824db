// One run of HiGHS on an LpData in a fresh instance: options from the
// problem's controls, the problem's interrupt and log hooked in, everything
// the result code needs read back (see lp/highs.h).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "env/problem.h"
#include "lp/highs.h"
#include "lp/lpdata.h"

namespace ondr {

struct RunRequest {
  const LpData *data = nullptr;
  Alg alg = Alg::Auto;
  bool mip = false;            // the MIP controls act (gaps, nodes, solutions, cutoff)
  bool presolve_off = false;   // overrides PRESOLVE
  bool allow_failure = false;  // report a HiGHS failure in `failed` instead of throwing
  double tolerance_factor = 1; // multiplies the MIP integrality tolerance
  // Start basis in the order of `data`'s columns and rows (public status
  // codes, each naming a bound the column or row has). Used only by a
  // simplex run of a linear, continuous model of exactly these sizes; when
  // HiGHS refuses it, or the run fails with it, the run starts cold.
  const std::vector<int> *start_cstat = nullptr, *start_rstat = nullptr;
  // Start solution of a MIP run, values of `data`'s columns (null: none).
  const std::vector<double> *start_x = nullptr;
  bool events = true;          // the problem's solver callbacks fire during the run
  // When set (to the object `data` points to), the rows of the model are
  // freed once HiGHS holds its own copy, before the run: the caller builds
  // them again should it need them after the run.
  LpData *release_rows = nullptr;
};

// The options of a run of `req` on a model like `d`.
RunSettings run_settings(const ControlValues &c, const RunRequest &req, const LpData &d);

// Hooks of a run for `prob`: its interrupt stops the run, its log control
// decides on the log, its solver callbacks fire (gapnotify targets from the
// controls, for a model of objective sense `sense`).
RunHooks problem_hooks(ONDRprob prob, const ControlValues &c, bool mip, int sense = 1);

// Whether a start basis can be used by a run of `req` on `d`.
bool can_warm_start(const RunRequest &req, const LpData &d, const ControlValues &c);

// Runs HiGHS. Throws ondr::Error (ERR_SOLVER) when HiGHS refuses the model
// or fails; limits, interrupts, infeasibility and unboundedness are
// reported through model_status.
RunOutcome run_highs(ONDRprob prob, const RunRequest &req);

// True when a run's HiGHS status and model status mean HiGHS failed.
bool run_failed(int rc, int model_status);

}  // namespace ondr
