// The problem record behind an ONDRprob handle.
#pragma once
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "ondr_base.h"
#include "cb/registry.h"
#include "controls/values.h"
#include "model/basis.h"
#include "model/store.h"

namespace ondr {

class Session;  // lp/session.h
struct PresolveView;  // analysis/presolve.h
namespace cuts {
struct CutState;  // cuts/state.h
}
namespace iis { struct State; }  // iis/search.h
struct SessionDeleter {
  void operator()(Session *s) const noexcept;
};

// Results of the last solve. Statuses use the public codes: lpstatus 0
// unstarted, 1 optimal, 2 infeasible, 3 cutoff, 4 unfinished, 5 unbounded,
// 6 cutoff in dual, 7 unsolved, 8 nonconvex; mipstatus 0 not loaded,
// 1 lp not optimal, 2 lp optimal, 3 no solution found, 4 solution,
// 5 infeasible, 6 optimal, 7 unbounded.
struct Results {
  int lpstatus = 0;
  int mipstatus = 0;
  int stopstatus = 0;       // why the last solve stopped early (stop_* codes)
  double lpobjval = 0.0;
  double mipobjval = 0.0;
  double bestbound = 0.0;
  double time = 0.0;        // seconds of the last solve
  int64_t simplexiter = 0, bariter = 0, nodes = 0, mipsols = 0;
  // has_lpsol: x and slack hold the LP solution; has_dual: dual and dj too.
  bool has_lpsol = false, has_dual = false, has_mipsol = false;
  std::vector<double> x, slack, dual, dj;    // LP solution, as loaded
  std::vector<double> mipx, mipslack;        // best integer solution
  // Final basis of the last LP solve (0 at lower, 1 basic, 2 at upper,
  // 3 free at zero; row statuses describe the row activity), when valid.
  std::vector<int> cstat, rstat;
  // The last LP solve may leave the problem in its presolved form
  // (analysis/presolve.h), which is built when first asked for.
  bool presolve_allowed = false;
  std::shared_ptr<PresolveView> presolve;
  // The tree search's node being processed while a callback runs (numbers
  // from 1, 0 none; root depth 0), and its open nodes (after the search:
  // those left open).
  int64_t currentnode = 0, parentnode = 0, activenodes = 0;
  int nodedepth = 0;
  double repairviolation = 0.0;  // minimum penalised violation of the last repair
  // The IIS search made on the infeasibility this solve found (iis/search.h).
  std::shared_ptr<iis::State> iis;
  void clear() { *this = Results(); }
};

// A start solution given by the user (mip/usersol.h): values of some or all
// of the store's columns, handed to the next MIP search.
struct UserSolution {
  std::string name;
  std::vector<int> cols;   // column of each value
  std::vector<double> vals;
  bool notify = true;      // reported through usersolnotify
};

}  // namespace ondr

struct ondr_problem_s {
  ondr::Model model;
  ondr::ControlValues controls{0};
  ondr::Results results;
  // Start basis of the next LP solve, kept in step with the model; unlike
  // the results it survives model changes (see model/basis.h).
  ondr::WarmBasis warm;
  // The HiGHS instance kept with the problem (lp/session.h), made on first use.
  std::unique_ptr<ondr::Session, ondr::SessionDeleter> session;
  std::string lasterror;
  int lasterror_code = 0;
  std::atomic<int> interrupt_reason{0};   // nonzero: a running solve must stop
  // The number of non-continuous columns while the model is unchanged (-1:
  // count again); model_changed() clears it.
  mutable std::atomic<int64_t> mipents{-1};
  // A solve is running on this problem (see BusyScope in env/shell.h): the
  // thread running it may still change the problem (callbacks run there),
  // every other thread is refused. Written under the environment's lock.
  std::atomic<bool> busy{false};
  std::thread::id busy_owner;
  int editors = 0;                        // changes in progress (env/shell.h EditScope)
  OSLPprob slp = nullptr;                 // nonlinear layer driving this problem
  std::string logfile;                    // messages are appended here when set
  std::map<int, int> msgstatus;           // message number -> 0 suppressed, 1 shown
  std::mutex lock;                        // guards lasterror and logfile across threads
  ondr::cb::Registry callbacks;           // registered callbacks, by kind
  std::vector<ondr::UserSolution> usersols;  // starts of the next MIP search
  int usersol_count = 0;                  // user solutions given so far (default names)
  std::shared_ptr<ondr::cuts::CutState> cutstate;  // cut pool, marked rows, directives (cuts/state.h)
  // Controls the tuner tries and their values (tune/method.h); empty: the default method.
  std::vector<std::pair<int, std::vector<double>>> tunermethod;
  // A worker problem of the tree search (bb/workers.h): the problem whose
  // search it serves. Its callbacks are that problem's.
  ONDRprob search_owner = nullptr;
  uint32_t magic = 0x4f4e4452;            // 'ONDR' while alive
};
