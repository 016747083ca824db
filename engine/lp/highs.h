// The library's one wrapper around a HiGHS instance: ownership, options
// (raw and from a problem's controls), the callback that sends HiGHS's log
// to a problem's messages line by line and stops a run on request, and
// reading back solution, basis and counts. Only the HiGHS C API is used.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "controls/values.h"
#include "env/problem.h"
#include "lp/lpdata.h"

namespace ondr {

// LP algorithm: automatic, dual simplex, primal simplex, barrier.
enum class Alg { Auto, Dual, Primal, Barrier };
// The algorithm of a run: `alg`, else the DEFAULTALG control's.
Alg effective_alg(const ControlValues &c, Alg alg);

// HiGHS's active-set QP solver can cycle on degenerate problems. Its
// iterations are capped at this many for a problem of these sizes, so that
// a stalled QP can be handed to the interior-point local solver instead.
int qp_iteration_cap(int ncols, int nrows);

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

// Prepares the calling thread's HiGHS task scheduler for `threads` worker
// threads (0: HiGHS's choice). HiGHS keeps one scheduler per calling thread
// and refuses a run whose thread count differs from it, so a change of
// count restarts this thread's scheduler.
void prepare_scheduler(int threads);

// A new incumbent as HiGHS reports it: values of the run model's columns,
// objective (user sense), best bound, nodes and improving solutions so far.
struct MipIncumbent {
  const double *x = nullptr;
  int n = 0;
  double objective = 0.0, bound = 0.0;
  int64_t nodes = 0, count = 0;
};

// What a run reports through the callback.
struct RunHooks {
  ONDRprob prob = nullptr;     // destination of log lines (may be null: no log)
  bool log = false;            // HiGHS's log goes to prob's messages
  bool mip = false;            // also watch the MIP search (interrupts, improving solutions)
  // Nonzero: the run must stop, the value being the reason recorded.
  std::function<int()> stop;
  // The problem's solver callbacks fire: lplog (simplex iterations), barlog
  // and bariteration (interior point), and on MIP runs globallog (log
  // lines), intsol (after `incumbent`), gapnotify (at the interrupt checks)
  // and cutlog (the root cut pool).
  bool events = false;
  int sense = 1;                  // objective sense (gapnotify targets)
  // gapnotify targets: relative gap, absolute gap (< 0: none), objective,
  // bound (|value| >= kInf: none).
  double gap_targets[4] = {-1, -1, 1e20, 1e20};
  // MIP: keeps a new incumbent (HiGHS's column values) before intsol fires.
  std::function<void(const MipIncumbent &)> incumbent;
};

// Everything read back after a run.
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
};

// The options a problem's controls set on a run.
struct RunSettings {
  Alg alg = Alg::Auto;
  bool mip = false;            // the MIP controls act (gaps, nodes, solutions, cutoff)
  bool presolve_off = false;   // overrides PRESOLVE
  bool quadratic = false;      // the model has a Hessian
  int ncols = 0, nrows = 0;    // sizes (for the QP iteration cap)
  int sense = 1;               // objective sense (for the cutoff)
  double mip_tolerance = 1e-6; // integrality tolerance of a MIP run
};

class HighsHandle {
 public:
  HighsHandle();  // throws ERR_MEMORY
  ~HighsHandle();
  HighsHandle(const HighsHandle &) = delete;
  HighsHandle &operator=(const HighsHandle &) = delete;
  void *get() const { return h_; }

  // Options; throw ERR_SOLVER when HiGHS refuses one.
  void set(const char *name, int v);
  void set(const char *name, double v);
  void set(const char *name, const char *v);
  void set_flag(const char *name, bool v);
  // What `c` and `s` ask for; options an earlier call set are reset first.
  void apply_controls(const ControlValues &c, const RunSettings &s);

  // Hands HiGHS the model `d` (replacing any model it holds). Throws
  // ERR_SOLVER when HiGHS refuses it.
  void pass_model(const LpData &d);

  // Runs HiGHS with `hooks` attached for the run; returns HiGHS's status
  // (kHighsStatus*). Log text not ended by a newline is sent at the end.
  int run(const RunHooks &hooks);
  int model_status() const;
  // Calls `f` with the instance as a run of its own (for HiGHS calls that
  // solve, such as its IIS): instances destroyed meanwhile wait for its end.
  int run_call(const std::function<int(void *)> &f);
  int stop_reason() const { return cb_.stop_reason; }
  int64_t improving() const { return cb_.improving; }

  // Reads the outcome of the last run into `out`: statuses, objective,
  // iteration counts, the MIP bound and nodes when `mip`, solution and
  // basis (statuses in public codes; basis and duals only when `continuous`).
  void read(RunOutcome &out, bool mip, bool continuous) const;
  // The current basis in public codes; false when HiGHS has no valid one.
  bool get_basis(std::vector<int> &cs, std::vector<int> &rs) const;
  // Sets a basis in public codes; false when HiGHS refuses it.
  bool set_basis(const std::vector<int> &cs, const std::vector<int> &rs);
  // Forgets solution and basis (the next run starts cold), keeps the model.
  void clear_solver();
  // A start solution of a MIP run: values of the model's columns. Throws
  // ERR_SOLVER when HiGHS refuses it.
  void set_start(const std::vector<double> &x);
  int ncols() const;
  int nrows() const;
  double infinity() const;

  // State the HiGHS callback works on during a run.
  struct Callback {
    RunHooks hooks;
    std::mutex lock;          // HiGHS may call back from its worker threads
    std::string partial;      // log text not yet ended by a newline
    // Lines logged on other threads wait for the thread running the solve:
    // a message callback then never runs on a worker while the solving
    // thread may hold what the callback needs (the interpreter lock).
    std::thread::id owner;
    std::vector<std::string> waiting;
    void deliver_waiting();
    int stop_reason = 0;
    int64_t improving = 0;
    double targets[4] = {-1, -1, 1e20, 1e20};  // current gapnotify targets
    void log_text(const char *text);
    void flush();
    // A new incumbent: counted, kept (hooks.incumbent), then intsol fires.
    void improved(const MipIncumbent &inc);
    // gapnotify when the search has reached one of the targets.
    void gap_check(double primal, double dual, bool has_incumbent);
  };

 private:
  // Values of the options apply_controls sets only in some runs, as HiGHS
  // starts with them: a later run of the same instance gets them back.
  struct Defaults {
    int threads = 0, scale_strategy = 0, simplex_strategy = 0;
    double time_limit = 0.0;
    std::string solver;
  };
  void *h_;
  Callback cb_;
  Defaults defaults_;
};

// Values between the library's infinity (kInf) and HiGHS's.
double to_highs(double v, double inf);
double from_highs(double v);

}  // namespace ondr
