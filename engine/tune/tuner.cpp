// The tuner (ondr_tune.h): a coordinate search over the controls of the
// tuner method. Each trial solves a scratch copy of the problem under one
// setting with a time limit; a change of one control is kept when its
// trial beats the best so far (finished before stopped, then faster, or for
// stopped MIP trials a smaller gap). The best settings are left set.
#include <algorithm>
#include <cmath>
#include <limits>
#include "controls/control_ops.h"
#include "controls/ids.h"
#include "controls/table.h"
#include "env/shell.h"
#include "lp/solve.h"
#include "repair/scratch.h"
#include "tune/method.h"
#include "ondr.h"

namespace ondr {

namespace {

using Setting = std::vector<double>;  // one value per row of the method

struct Score {
  bool finished = false;  // the solve ended with a definite status
  double time = std::numeric_limits<double>::infinity();
  double gap = std::numeric_limits<double>::infinity();
};

// A kept change must be this much faster, so that timing noise does not
// decide.
constexpr double kMargin = 0.97;

bool better(const Score &a, const Score &b) {
  if (a.finished != b.finished) return a.finished;
  if (a.finished) return a.time < kMargin * b.time;
  if (a.gap != b.gap) return a.gap < b.gap;
  return a.time < kMargin * b.time;
}

double value_of(ONDRprob prob, int pid) {
  const ParamDef *p = find_param(LAYER_OPT, pid);
  return p && p->type == PT_INT ? (double)prob->controls.geti(pid) : prob->controls.getd(pid);
}

void apply(ONDRprob prob, int pid, double v, bool locked) {
  const ParamDef *p = find_param(LAYER_OPT, pid);
  bool integer = p && p->type == PT_INT;
  if (locked) {
    if (integer) set_int_control(prob, pid, (int64_t)v);
    else set_dbl_control(prob, pid, v);
  } else if (integer) {
    prob->controls.seti(pid, (int64_t)v);
  } else {
    prob->controls.setd(pid, v);
  }
}

class Tuner {
 public:
  Tuner(ONDRprob prob, bool mip, TuneMethod method)
      : prob_(prob), mip_(mip), method_(std::move(method)) {
    budget_ = prob->controls.getd(id::TUNERMAXTIME);
    trial_cap_ = prob->controls.getd(id::TUNERTRIALTIME);
    user_limit_ = prob->controls.getd(id::TIMELIMIT);
  }

  Setting run() {
    Setting best;
    for (const auto &row : method_) best.push_back(value_of(prob_, row.first));
    Score best_score = trial(best);
    for (size_t k = 0; k < method_.size(); ++k)
      for (double v : method_[k].second) {
        if (v == best[k]) continue;
        if (remaining() <= 0) return best;
        Setting s = best;
        s[k] = v;
        Score sc = trial(s, &best_score);
        if (better(sc, best_score)) best = s, best_score = sc;
      }
    return best;
  }

 private:
  double remaining() const { return budget_ - clock_.seconds(); }

  // The time limit of a trial: within the budget and the problem's own
  // limit, and a few times the best time so far.
  double limit(const Score *best) const {
    double t = std::min(remaining(), user_limit_);
    if (trial_cap_ > 0) t = std::min(t, trial_cap_);
    else if (best && best->finished) t = std::min(t, std::max(3.0 * best->time, 0.5));
    return std::max(t, 0.01);
  }

  Score once(const Setting &s, const Score *best) {
    Scratch copy(prob_);
    for (size_t k = 0; k < method_.size(); ++k) apply(copy.get(), method_[k].first, s[k], false);
    copy.get()->controls.setd(id::TIMELIMIT, limit(best));
    if (!mip_) copy.relax_integrality();
    Score sc;
    Stopwatch clock;
    try {
      copy.optimize(mip_, "");
    } catch (const Error &) {
      return sc;  // a setting the problem cannot be solved under
    }
    sc.time = clock.seconds();
    const Results &r = copy.results();
    if (mip_) {
      sc.finished = r.mipstatus == 5 || r.mipstatus == 6 || r.mipstatus == 7;
      if (r.has_mipsol)
        sc.gap = std::fabs(r.mipobjval - r.bestbound) / std::max(1e-10, std::fabs(r.mipobjval));
    } else {
      sc.finished = r.lpstatus == 1 || r.lpstatus == 2 || r.lpstatus == 5;
      sc.gap = sc.finished ? 0.0 : sc.gap;
    }
    return sc;
  }

  // Short solves are timed a few times (the fastest counts).
  Score trial(const Setting &s, const Score *best = nullptr) {
    Score sc = once(s, best);
    for (int rep = 0; rep < 2 && sc.finished && sc.time < 0.05 && remaining() > 0; ++rep) {
      Score again = once(s, best);
      if (again.finished) sc.time = std::min(sc.time, again.time);
    }
    return sc;
  }

  ONDRprob prob_;
  bool mip_;
  TuneMethod method_;
  double budget_, trial_cap_, user_limit_;
  Stopwatch clock_;
};

void tune(ONDRprob prob, const char *flags) {
  bool mip = has_entities(prob->model);
  for (const char *p = flags ? flags : ""; *p; ++p) {
    if (*p == 'l') mip = false;
    else if (*p == 'g') mip = true;
    else if (*p != ' ')
      fail(ERR_ARGUMENT, "Unknown tuner flag '%c' (l: tune the LP solve, g: the MIP search)", *p);
  }
  if (!prob->model.nlcoefs.empty())
    fail(ERR_STATE, "The tuner needs a problem without nonlinear coefficients");
  TuneMethod method = method_of(prob, mip);
  Setting best = Tuner(prob, mip, method).run();
  for (size_t k = 0; k < method.size(); ++k) apply(prob, method[k].first, best[k], true);
}

}  // namespace

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRtune(ONDRprob prob, const char *flags) {
  return guard_mut(prob, [&] { tune(prob, flags); });
}

ONDR_API int ONDRtunerreadmethod(ONDRprob prob, const char *methodfile) {
  return guard_mut(prob, [&] { prob->tunermethod = read_method(methodfile); });
}

ONDR_API int ONDRtunerwritemethod(ONDRprob prob, const char *methodfile) {
  return guard_prob(prob, [&] { write_method(methodfile, method_of(prob, has_entities(prob->model))); });
}
