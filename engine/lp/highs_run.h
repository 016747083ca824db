// One run of HiGHS on an LpData: options from the problem's controls, log
// lines and interrupt requests through the HiGHS callback, and everything
// the result code needs read back. Only the HiGHS C API is used.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "env/problem.h"
#include "lp/lpdata.h"

namespace ondr {

// LP algorithm: automatic, dual simplex, primal simplex, barrier.
enum class Alg { Auto, Dual, Primal, Barrier };

// HiGHS's active-set QP solver can cycle on degenerate problems. Its
// iterations are capped at this many for a problem of these sizes, so that
// a stalled QP can be handed to the interior-point local solver instead.
int qp_iteration_cap(int ncols, int nrows);

struct RunRequest {
  const LpData *data = nullptr;
  Alg alg = Alg::Auto;
  bool mip = false;            // the MIP controls act (gaps, nodes, solutions, cutoff)
  bool presolve_off = false;   // overrides PRESOLVE
  bool keep_instance = false;  // hand the HiGHS instance back after the run
  bool allow_failure = false;  // report a HiGHS failure in `failed` instead of throwing
  double tolerance_factor = 1; // multiplies the MIP integrality tolerance
  // Start basis in the order of `data`'s columns and rows (public status
  // codes, each naming a bound the column or row has). Used only by a
  // simplex run of a linear, continuous model of exactly these sizes; when
  // HiGHS refuses it, or the run fails with it, the run starts cold.
  const std::vector<int> *start_cstat = nullptr, *start_rstat = nullptr;
};

// The smallest integrality tolerance HiGHS accepts.
constexpr double kMinMipTolerance = 1e-10;

// HiGHS model statuses (values of kHighsModelStatus*).
enum HighsModelStatusCode : int {
  HMS_NOTSET = 0, HMS_LOAD_ERROR = 1, HMS_MODEL_ERROR = 2, HMS_PRESOLVE_ERROR = 3,
  HMS_SOLVE_ERROR = 4, HMS_POSTSOLVE_ERROR = 5, HMS_EMPTY = 6, HMS_OPTIMAL = 7,
  HMS_INFEASIBLE = 8, HMS_UNBOUNDED_OR_INFEASIBLE = 9, HMS_UNBOUNDED = 10,
  HMS_OBJECTIVE_BOUND = 11, HMS_OBJECTIVE_TARGET = 12, HMS_TIME_LIMIT = 13,
  HMS_ITERATION_LIMIT = 14, HMS_UNKNOWN = 15, HMS_SOLUTION_LIMIT = 16, HMS_INTERRUPT = 17,
};
const char *highs_status_name(int model_status);

struct RunOutcome {
  int model_status = HMS_NOTSET;
  bool failed = false;             // HiGHS failed (only with allow_failure)
  double objective = 0.0;          // user sense, constant included
  bool primal = false;             // column and row values valid
  bool primal_feasible = false;    // ... and feasible
  bool dual = false;               // duals valid
  std::vector<double> colval, coldual, rowval, rowdual;
  bool basis = false;              // statuses valid (values 0 lower, 1 basic, 2 upper, 3 superbasic)
  std::vector<int> colstat, rowstat;
  int64_t simplexiter = 0, bariter = 0, nodes = 0;
  double bestbound = 0.0;          // MIP dual bound, user sense (+-kInf when none)
  int64_t improving = 0;           // improving MIP solutions found
  int stop_reason = 0;             // interrupt reason acted on, 0 none
  std::shared_ptr<void> instance;  // the HiGHS instance, when kept
};

// Runs HiGHS. Throws ondr::Error (ERR_SOLVER) when HiGHS refuses the model
// or fails; limits, interrupts, infeasibility and unboundedness are
// reported through model_status.
RunOutcome run_highs(ONDRprob prob, const RunRequest &req);

// Prepares the calling thread's HiGHS task scheduler for `threads` worker
// threads (0: HiGHS's choice). HiGHS keeps one scheduler per calling thread
// and refuses a run whose thread count differs from it, so a change of
// count restarts this thread's scheduler.
void prepare_scheduler(int threads);

}  // namespace ondr
