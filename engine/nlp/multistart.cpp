// Multistart: a pool of jobs, each a local solve from its own initial
// values and control values. The next nonlinear solve runs them on worker
// threads (as many as the THREADS control says, 0 meaning one, never more
// than jobs), each job on a copy of the problem of its own, with the msjobstart
// and msjobend callbacks around each job fired on the thread that runs it,
// and mswinner for the best: a locally optimal job with the best objective
// (the lowest job number among equal ones), else the job whose point is the
// least infeasible. Its results become the problem's. A job that fails is
// reported by msjobend and in the messages; the others go on.
//
// SLP jobs solve their LPs on HiGHS instances of their own and run truly in
// parallel. Ipopt jobs take turns: Debian's Ipopt 3.11 and its sequential
// MUMPS keep process-wide state (MUMPS's MPI stand-in, Ipopt's instance
// count), so the bridge holds one lock around every Ipopt solve.
#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>
#include "cb/registry.h"
#include "controls/ids.h"
#include "controls/table.h"
#include "env/environment.h"
#include "env/shell.h"
#include "model/ops.h"
#include "nlp/coefs.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

namespace ondr {

namespace {

// The control values of a job checked against the control table (by
// applying them to copies of the problem's values).
void check_job_controls(OSLPprob s, const MsJob &j) {
  ControlValues nlp = s->controls, opt = s->prob->controls;
  for (const auto &c : j.ints) {
    if (find_param(LAYER_NLP, c.first)) nlp.seti(c.first, c.second);
    else opt.seti(c.first, c.second);
  }
  for (const auto &c : j.dbls) {
    ONDR_REQUIRE(std::isfinite(c.second), "The value of control %d is not a finite number", c.first);
    if (find_param(LAYER_NLP, c.first)) nlp.setd(c.first, c.second);
    else opt.setd(c.first, c.second);
  }
}

MsJob make_job(OSLPprob s, const char *description, int n, const int cols[], const double values[], int nint,
               const int intids[], const int intvalues[], int ndbl, const int dblids[], const double dblvalues[],
               void *object) {
  const Model &m = s->prob->model;
  ONDR_REQUIRE(n >= 0 && nint >= 0 && ndbl >= 0, "Invalid count of initial values or controls");
  ONDR_REQUIRE((n == 0 || (cols && values)) && (nint == 0 || (intids && intvalues)) &&
                   (ndbl == 0 || (dblids && dblvalues)),
               "NULL array of initial values or controls");
  MsJob j;
  j.description = description ? description : "";
  j.object = object;
  for (int k = 0; k < n; ++k) {
    ONDR_REQUIRE(cols[k] >= 0 && cols[k] < m.ncols(), "Invalid column index %d (the problem has %d columns)",
                 cols[k], m.ncols());
    ONDR_REQUIRE(std::isfinite(values[k]), "The initial value of column %d is not a finite number", cols[k]);
    j.cols.push_back(cols[k]);
    j.values.push_back(values[k]);
  }
  for (int k = 0; k < nint; ++k) j.ints.push_back({intids[k], intvalues[k]});
  for (int k = 0; k < ndbl; ++k) j.dbls.push_back({dblids[k], dblvalues[k]});
  check_job_controls(s, j);
  return j;
}

// Random starting values for job k: uniform within finite bounds, else
// within 10 (1 + |x0|) of the starting point.
std::vector<double> random_start(const Model &m, const std::vector<double> &x0, unsigned k) {
  std::mt19937_64 rng(0x9e3779b97f4a7c15ULL ^ k);
  std::vector<double> x(x0.size());
  for (size_t j = 0; j < x.size(); ++j) {
    double w = 10 * (1 + std::fabs(x0[j]));
    double lo = m.lb[j] > -kInf ? m.lb[j] : x0[j] - w, hi = m.ub[j] < kInf ? m.ub[j] : x0[j] + w;
    if (m.lb[j] > -kInf && m.ub[j] >= kInf) hi = std::max(lo, x0[j]) + w;
    if (m.ub[j] < kInf && m.lb[j] <= -kInf) lo = std::min(hi, x0[j]) - w;
    x[j] = lo + std::uniform_real_distribution<double>(0.0, 1.0)(rng) * (hi - lo);
  }
  return x;
}

// Saves the controls and initial values a job changes; restores them on
// every way out.
struct JobScope {
  OSLPprob s;
  ControlValues nlp, opt;
  std::map<int, SlpVar> vars;
  explicit JobScope(OSLPprob s_) : s(s_), nlp(s_->controls), opt(s_->prob->controls), vars(s_->prob->model.slpvars) {}
  ~JobScope() {
    s->controls = nlp;
    s->prob->controls = opt;
    s->prob->model.slpvars = vars;
  }
  void apply(const MsJob &j) {
    for (const auto &c : j.ints) (find_param(LAYER_NLP, c.first) ? s->controls : s->prob->controls).seti(c.first, c.second);
    for (const auto &c : j.dbls) (find_param(LAYER_NLP, c.first) ? s->controls : s->prob->controls).setd(c.first, c.second);
    for (size_t k = 0; k < j.cols.size(); ++k) {
      SlpVar &v = s->prob->model.slpvars[j.cols[k]];
      v.initvalue = j.values[k];
      v.has_initvalue = true;
    }
  }
};

int fire_job(OSLPprob s, cb::Kind k, const MsJob &j, int *status) {
  int result = 0;
  cb::each(s->prob, k, [&](cb::Fn fn, void *data) {
    int r = k == cb::k_mswinner ? ((oslp_cb_mswinner)fn)(s, data, j.object, j.description.c_str())
                                : ((oslp_cb_msjob)fn)(s, data, j.object, j.description.c_str(), status);
    if (!result) result = r;
  });
  return result;
}

bool better(const NlpResults &a, const NlpResults &b, double sense) {
  bool aopt = a.status == 1 || a.status == 2, bopt = b.status == 1 || b.status == 2;
  if (aopt != bopt) return aopt;
  if (aopt) return sense * a.objval < sense * b.objval;
  return a.maxinfeas < b.maxinfeas;
}

// A job's own problem: a copy of the optimizer problem and of the
// nonlinear one (model, controls, formulas, user functions, tolerance sets),
// without the callbacks (they belong to the caller's problem) and with
// HiGHS's thread count left to HiGHS: a worker must never restart the
// process's HiGHS scheduler while another worker solves.
struct JobCopy {
  ONDRprob prob = nullptr;
  OSLPprob slp = nullptr;
  explicit JobCopy(OSLPprob src) {
    create_prob(&prob);
    try {
      copy_prob(prob, src->prob, nullptr);
      prob->controls.seti(id::THREADS, 0);
      slp_createprob(&slp, &prob);
      slp_copyprob(slp, src);
      slp_copycontrols(slp, src);
      slp->hard_rows = src->hard_rows;
    } catch (...) {
      release();
      throw;
    }
  }
  ~JobCopy() { release(); }
  void release() noexcept {
    try {
      if (slp) slp_destroyprob(slp);
      if (prob) destroy_prob(prob);
    } catch (...) {
    }
    slp = nullptr;
    prob = nullptr;
  }
};

struct JobOutcome {
  bool ran = false, ok = false, discard = false;
  NlpResults results;
  std::string error;
};

int pool_threads(OSLPprob s, size_t jobs) {
  // THREADS 0 (the default) keeps one worker: the jobs and their
  // callbacks then come in job order.
  int64_t t = std::max<int64_t>(1, s->prob->controls.geti(id::THREADS));
  return (int)std::min<int64_t>(t, (int64_t)std::max<size_t>(jobs, 1));
}

void run_pool(OSLPprob s, const char *flags) {
  ONDRprob prob = s->prob;
  const std::vector<MsJob> jobs = s->msjobs;
  double sense = s->controls.getd(id::NLPOBJSENSE) < 0 ? -1.0 : 1.0;
  // The problem is solving while its jobs run: nothing may start another
  // solve on it, and an interrupt from here on is for this pool.
  bool idle = false;
  if (!s->solving.compare_exchange_strong(idle, true))
    fail(ERR_STATE, "A nonlinear solve is already running on this problem");
  struct Solving {
    std::atomic<bool> &flag;
    ~Solving() { flag.store(false); }
  } solving{s->solving};
  s->interrupt_reason.store(0);
  prob->interrupt_reason.store(0);
  std::vector<JobOutcome> out(jobs.size());
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  std::atomic<int> finished{0};
  // The copies being solved, so that an interrupt of the problem reaches them.
  std::mutex live_lock;
  std::vector<OSLPprob> live;
  std::string pool_error;
  auto run_jobs = [&] {
    for (;;) {
      if (stop.load()) return;
      size_t k = next.fetch_add(1);
      if (k >= jobs.size()) return;
      const MsJob &j = jobs[k];
      JobOutcome &o = out[k];
      int skip = 0;
      if (fire_job(s, cb::k_msjobstart, j, &skip) != 0) {  // a failing callback stops the pool
        stop.store(true);
        return;
      }
      if (skip) continue;
      o.ran = true;
      try {
        JobCopy copy(s);
        {
          std::lock_guard<std::mutex> g(live_lock);
          live.push_back(copy.slp);
        }
        struct Unlist {
          std::mutex &m;
          std::vector<OSLPprob> &v;
          OSLPprob p;
          ~Unlist() {
            std::lock_guard<std::mutex> g(m);
            v.erase(std::find(v.begin(), v.end(), p));
          }
        } unlist{live_lock, live, copy.slp};
        JobScope scope(copy.slp);
        scope.apply(j);
        nlp_single_solve(copy.slp, flags);
        o.ok = copy.slp->results.has_sol;
        o.results = copy.slp->results;
      } catch (const std::exception &e) {
        o.ok = false;
        o.error = e.what();
        emit_message(prob, 3, format("Multistart job \"%s\" failed: %s", j.description.c_str(), e.what()));
      }
      int discard = 0;
      if (fire_job(s, cb::k_msjobend, j, &discard) != 0) stop.store(true);
      o.discard = discard != 0;
    }
  };
  auto worker = [&] {
    try {
      run_jobs();
    } catch (const std::exception &e) {
      std::lock_guard<std::mutex> g(live_lock);
      if (pool_error.empty()) pool_error = e.what();
      stop.store(true);
    }
    finished.fetch_add(1);
  };
  int nthreads = pool_threads(s, jobs.size());
  std::vector<std::thread> threads;
  try {
    for (int t = 0; t < nthreads; ++t) threads.emplace_back(worker);
  } catch (const std::system_error &) {
    // fewer workers than asked: the jobs still all run
  }
  if (threads.empty()) {
    worker();
  } else {
    // This thread passes interrupts of the problem on to the running jobs.
    while (finished.load() < (int)threads.size()) {
      int r = s->interrupt_reason.load();
      if (!r) r = prob->interrupt_reason.load();
      if (r) {
        stop.store(true);
        std::lock_guard<std::mutex> g(live_lock);
        for (OSLPprob c : live) c->interrupt_reason.store(r);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (auto &t : threads) t.join();
  }
  if (!pool_error.empty()) fail(ERR_SOLVER, "Multistart stopped: %s", pool_error.c_str());

  // The winner in job order: among equal objectives the lowest job number.
  int winner = -1;
  std::string last_error;
  for (size_t k = 0; k < out.size(); ++k) {
    const JobOutcome &o = out[k];
    if (!o.error.empty()) last_error = o.error;
    if (!o.ok || o.discard) continue;
    if (winner < 0 || better(o.results, out[(size_t)winner].results, sense)) winner = (int)k;
  }
  if (winner < 0) {
    if (!last_error.empty()) fail(ERR_SOLVER, "No multistart job gave a solution: %s", last_error.c_str());
    fail(ERR_SOLVER, "No multistart job gave a solution");
  }
  int state = s->results.state;
  s->results = std::move(out[(size_t)winner].results);
  s->results.state = state;
  int none = 0;
  fire_job(s, cb::k_mswinner, jobs[(size_t)winner], &none);
}

}  // namespace

void slp_nlpoptimize(OSLPprob s, const char *flags) {
  if (s->msjobs.empty()) return nlp_single_solve(s, flags);
  if (s->solving.load()) fail(ERR_STATE, "A nonlinear solve is already running on this problem");
  run_pool(s, flags);
}

void slp_msaddjob(OSLPprob s, const char *description, int n, const int cols[], const double values[], int nint,
                  const int intids[], const int intvalues[], int ndbl, const int dblids[],
                  const double dblvalues[], void *object) {
  s->msjobs.push_back(
      make_job(s, description, n, cols, values, nint, intids, intvalues, ndbl, dblids, dblvalues, object));
}

void slp_msaddpreset(OSLPprob s, const char *description, int preset, int count, int n, const int cols[],
                     const double values[], int nint, const int intids[], const int intvalues[], int ndbl,
                     const int dblids[], const double dblvalues[], void *object) {
  ONDR_REQUIRE(count >= 0, "Invalid job count %d", count);
  ONDR_REQUIRE(preset >= 0 && preset <= 6, "Invalid multistart preset %d (0 to 6)", preset);
  if (preset == 4 || preset == 5)
    fail(ERR_ARGUMENT, "Multistart presets 4 and 5 choose a solver this library does not have");
  MsJob base = make_job(s, description, n, cols, values, nint, intids, intvalues, ndbl, dblids, dblvalues, object);
  const Model &m = s->prob->model;
  std::vector<double> x0 = current_point(s);
  std::vector<MsJob> jobs;
  // Filtered starts: of four candidates per job, those least infeasible.
  std::vector<std::vector<double>> starts;
  if (preset == 0 || preset == 3 || preset == 6) {
    unsigned first = (unsigned)s->msjobs.size() * 7919u;
    int ncand = preset == 6 ? 4 * count : count;
    for (int k = 0; k < ncand; ++k) starts.push_back(random_start(m, x0, first + (unsigned)k));
    if (preset == 6 && !starts.empty()) {
      std::vector<std::pair<double, size_t>> score;
      for (size_t k = 0; k < starts.size(); ++k) {
        double suminf = 0, scaled = 0, obj = 0;
        try {
          slp_validatevector(s, starts[k].data(), &suminf, &scaled, &obj);
        } catch (const Error &) {
          suminf = INFINITY;
        }
        score.push_back({suminf, k});
      }
      std::stable_sort(score.begin(), score.end());
      std::vector<std::vector<double>> kept;
      for (int k = 0; k < count; ++k) kept.push_back(starts[score[(size_t)k].second]);
      starts = std::move(kept);
    }
  }
  static const double kStep[] = {1.0, 0.1, 10.0, 0.01}, kPenalty[] = {10.0, 100.0, 1.0, 1000.0};
  for (int k = 0; k < count; ++k) {
    MsJob j = base;
    j.description = format("%s %d", base.description.c_str(), k + 1);
    if (!starts.empty()) {
      // The given initial values stay; the others are random.
      std::vector<double> x = starts[(size_t)k];
      std::vector<char> given(x.size(), 0);
      for (int c : base.cols) given[(size_t)c] = 1;
      for (size_t c = 0; c < x.size(); ++c)
        if (!given[c]) j.cols.push_back((int)c), j.values.push_back(x[c]);
    }
    // The preset's controls first: the caller's given ones then override them.
    if (preset == 1) j.ints.insert(j.ints.begin(), {id::NLPSOLVER, 1 + k % 2});
    if (preset == 2 || preset == 3) {
      j.ints.insert(j.ints.begin(), {id::NLPSOLVER, 2});
      j.dbls.insert(j.dbls.begin(), {{id::NLPSTEPBOUND, kStep[k % 4]}, {id::NLPPENALTY, kPenalty[(k / 4) % 4]}});
    }
    jobs.push_back(std::move(j));
  }
  s->msjobs.insert(s->msjobs.end(), jobs.begin(), jobs.end());
}

void slp_msclear(OSLPprob s) { s->msjobs.clear(); }

void slp_global(OSLPprob s) {
  if (s->solving.load()) fail(ERR_STATE, "A nonlinear solve is already running on this problem");
  // The problem's own start, then 8 filtered random starts; the pool the
  // caller built is put back afterwards.
  std::vector<MsJob> saved = std::move(s->msjobs);
  struct Restore {
    OSLPprob s;
    std::vector<MsJob> &saved;
    ~Restore() { s->msjobs = std::move(saved); }
  } restore{s, saved};
  s->msjobs.clear();
  s->msjobs.push_back(MsJob{"global start", {}, {}, {}, {}, nullptr});
  slp_msaddpreset(s, "global random start", 6, 8, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr,
                  nullptr);
  run_pool(s, nullptr);
}

}  // namespace ondr
