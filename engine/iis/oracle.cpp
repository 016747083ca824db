#include "iis/oracle.h"
#include <algorithm>
#include <cmath>
#include "controls/ids.h"
#include "env/error.h"
#include "model/ops.h"
#include "lp/highs_run.h"
#include "lp/solve.h"
#include "model/hook.h"
#include "ondr.h"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "interfaces/highs_c_api.h"
#pragma GCC diagnostic pop

namespace ondr::iis {

bool is_linear(const Model &m) { return !has_entities(m) && !has_quadratic_rows(m); }

namespace {
bool indicator_row(const Model &m, int i) {
  return i < (int)m.indcol.size() && m.indcol[(size_t)i] >= 0;
}
}  // namespace

LpData relaxation_of(const Model &m, const Members &mb, const Flags &keep) {
  LpData d;
  int n = m.ncols(), r = m.nrows();
  d.cost.assign((size_t)n, 0.0);
  d.kind.assign((size_t)n, KIND_CONT);
  d.collo.resize((size_t)n);
  d.colup.resize((size_t)n);
  for (int j = 0; j < n; ++j) {
    col_sides(mb, keep, j, d.collo[(size_t)j], d.colup[(size_t)j]);
    type_hull(m, j, d.collo[(size_t)j], d.colup[(size_t)j]);
  }
  d.rowlo.resize((size_t)r);
  d.rowup.resize((size_t)r);
  for (int i = 0; i < r; ++i) {
    if (indicator_row(m, i)) d.rowlo[(size_t)i] = -kInf, d.rowup[(size_t)i] = kInf;
    else row_sides(mb, keep, i, d.rowlo[(size_t)i], d.rowup[(size_t)i]);
  }
  d.rows = m.rows;
  return d;
}

namespace {

bool decided(int ms) {
  return ms == HMS_OPTIMAL || ms == HMS_EMPTY || ms == HMS_INFEASIBLE ||
         ms == HMS_UNBOUNDED_OR_INFEASIBLE;
}

class LpOracle : public Oracle {
 public:
  LpOracle(ONDRprob prob, const Model &m, const Members &mb) : prob_(prob), m_(m), mb_(mb) {
    LpData d = relaxation_of(m, mb, Flags((size_t)mb.count(), 1));
    RunSettings s;
    s.alg = Alg::Dual;
    s.presolve_off = true;  // the dual ray needs the unreduced LP
    s.ncols = d.ncols();
    s.nrows = d.nrows();
    h_.apply_controls(prob->controls, s);
    h_.set("time_limit", 1e30);
    h_.set("solver", "simplex");
    h_.set("simplex_strategy", 1);
    h_.pass_model(d);
    a_ = column_wise(d);
  }

  Test test(const Flags &keep) override {
    ++solves;
    LpData d = relaxation_of(m_, mb_, keep);
    double inf = h_.infinity();
    lo_ = d.collo, up_ = d.colup, rlo_ = d.rowlo, rup_ = d.rowup;
    std::vector<double> lo(lo_), up(up_), rlo(rlo_), rup(rup_);
    for (auto *v : {&lo, &up, &rlo, &rup})
      for (double &x : *v) x = to_highs(x, inf);
    void *h = h_.get();
    int n = d.ncols(), r = d.nrows();
    if (n > 0) Highs_changeColsBoundsByRange(h, 0, n - 1, lo.data(), up.data());
    if (r > 0) Highs_changeRowsBoundsByRange(h, 0, r - 1, rlo.data(), rup.data());
    prepare_scheduler((int)prob_->controls.geti(id::THREADS));
    RunHooks hooks;
    hooks.prob = prob_;
    hooks.stop = [p = prob_] { return p->interrupt_reason.load(); };
    int rc = h_.run(hooks);
    int ms = h_.model_status();
    // A warm start can leave HiGHS undecided: once more from scratch, then
    // with its presolve (which gives no certificate).
    for (int again = 0; again < 2 && !decided(ms) && !prob_->interrupt_reason.load(); ++again) {
      h_.clear_solver();
      if (again == 1) h_.set("presolve", "on");
      rc = h_.run(hooks);
      ms = h_.model_status();
      if (again == 1) h_.set("presolve", "off");
    }
    Test t;
    if (ms == HMS_OPTIMAL || ms == HMS_EMPTY) {
      t.verdict = Verdict::Feasible;
    } else if (ms == HMS_INFEASIBLE || ms == HMS_UNBOUNDED_OR_INFEASIBLE) {
      // With no costs the LP cannot be unbounded.
      t.verdict = Verdict::Infeasible;
      if (ms == HMS_INFEASIBLE) certificate(t.support);
    } else {
      t.why = format("HiGHS: %s%s", highs_status_name(ms), rc == kHighsStatusError ? ", error" : "");
    }
    return t;
  }

 private:
  // The members that the dual ray of the last solve uses, when the ray is a
  // certificate: multipliers y of the rows and d = -A'y of the columns
  // whose sides, weighted, sum to a positive number.
  void certificate(std::vector<int> &support) {
    int n = (int)lo_.size(), r = (int)rlo_.size();
    std::vector<double> y((size_t)r + 1, 0.0);
    HighsInt has = 0;
    if (Highs_getDualRay(h_.get(), &has, y.data()) == kHighsStatusError || !has) return;
    double ymax = 0.0;
    for (int i = 0; i < r; ++i) ymax = std::max(ymax, std::fabs(y[(size_t)i]));
    if (ymax == 0.0) return;
    for (int i = 0; i < r; ++i)
      if (std::fabs(y[(size_t)i]) <= 1e-9 * ymax) y[(size_t)i] = 0.0;
    std::vector<double> dj((size_t)n, 0.0), mag((size_t)n, 0.0);
    for (int j = 0; j < n; ++j)
      for (int k = a_.start[(size_t)j]; k < a_.start[(size_t)j + 1]; ++k) {
        double v = a_.value[(size_t)k] * y[(size_t)a_.index[(size_t)k]];
        dj[(size_t)j] -= v;
        mag[(size_t)j] += std::fabs(v);
      }
    for (double sign : {1.0, -1.0}) {
      std::vector<int> used;
      double gap = 0.0;
      bool ok = true;
      auto side = [&](double coef, double lo, double up, int member_lo) {
        if (coef == 0.0 || !ok) return;
        double b = coef > 0 ? lo : up;
        if (b <= -kInf || b >= kInf) {
          ok = false;
          return;
        }
        gap += coef * b;
        used.push_back(member_lo + (coef > 0 ? 0 : 1));
      };
      for (int i = 0; i < r && ok; ++i)
        side(sign * y[(size_t)i], rlo_[(size_t)i], rup_[(size_t)i], mb_.row_member(i, false));
      for (int j = 0; j < n && ok; ++j) {
        double c = sign * dj[(size_t)j];
        if (std::fabs(c) <= 1e-9 * std::max(mag[(size_t)j], 1e-300)) continue;
        side(c, lo_[(size_t)j], up_[(size_t)j], mb_.col_member(j, false));
      }
      if (ok && gap > 1e-12 * ymax) {
        std::sort(used.begin(), used.end());
        support = std::move(used);
        return;
      }
    }
  }

  ONDRprob prob_;
  const Model &m_;
  const Members &mb_;
  HighsHandle h_;
  Csc a_;
  std::vector<double> lo_, up_, rlo_, rup_;  // bounds of the last test
};

class GeneralOracle : public Oracle {
 public:
  GeneralOracle(ONDRprob prob, const Model &m, const Members &mb)
      : prob_(prob), m_(m), mb_(mb), scratch_(prob), mip_(has_entities(m)) {
    // The linear relaxation settles many tests at the price of an LP;
    // quadratic rows have none that the LP could take.
    if (!has_quadratic_rows(m)) lp_ = lp_oracle(prob, m, mb);
  }

  Test test(const Flags &keep) override {
    ++solves;
    if (lp_) {
      Test t = lp_->test(keep);
      if (t.verdict == Verdict::Infeasible) return t;
    }
    const Results &r = scratch_.get()->results;
    Test t;
    if (!mip_) {
      // A local solver settles a feasible problem far more reliably than it
      // proves infeasibility: the least violation of the kept sides decides.
      std::vector<int> kept;
      for (int k = 0; k < mb_.count(); ++k)
        if (keep[(size_t)k]) kept.push_back(k);
      scratch_.solve(elastic_model(m_, mb_, kept).m, false);
      double tol = 10 * prob_->controls.getd(id::FEASTOL);
      if (r.lpstatus == 1 || (r.lpstatus == 8 && r.has_lpsol))
        t.verdict = r.lpobjval > tol ? Verdict::Infeasible : Verdict::Feasible;
      else t.why = format("LP status %d, stop status %d", r.lpstatus, r.stopstatus);
      return t;
    }
    scratch_.solve(subsystem_model(m_, mb_, keep), true);
    if (r.mipstatus == 4 || r.mipstatus == 6) t.verdict = Verdict::Feasible;
    else if (r.mipstatus == 5) t.verdict = Verdict::Infeasible;
    else t.why = format("MIP status %d, stop status %d", r.mipstatus, r.stopstatus);
    return t;
  }

 private:
  ONDRprob prob_;
  const Model &m_;
  const Members &mb_;
  Scratch scratch_;
  bool mip_;
  std::unique_ptr<Oracle> lp_;
};

}  // namespace

std::unique_ptr<Oracle> lp_oracle(ONDRprob prob, const Model &m, const Members &mb) {
  return std::make_unique<LpOracle>(prob, m, mb);
}
std::unique_ptr<Oracle> general_oracle(ONDRprob prob, const Model &m, const Members &mb) {
  return std::make_unique<GeneralOracle>(prob, m, mb);
}
std::unique_ptr<Oracle> oracle_for(ONDRprob prob, const Model &m, const Members &mb) {
  if (is_linear(m)) return lp_oracle(prob, m, mb);
  return general_oracle(prob, m, mb);
}

Scratch::Scratch(ONDRprob prob) {
  create_prob(&p_);
  p_->controls = prob->controls;
  p_->controls.seti(id::OUTPUTLOG, 0);
  p_->controls.seti(id::MAXMIPSOL, 1);  // one solution proves feasibility
}

Scratch::~Scratch() {
  try {
    if (p_) destroy_prob(p_);
  } catch (...) {
  }
}

void Scratch::solve(Model m, bool mip) {
  p_->model = std::move(m);
  p_->model.names_changed();
  p_->results.clear();
  p_->warm.clear();
  model_changed(p_, change_of(Change::Replace));
  p_->interrupt_reason.store(0);
  int rc = mip ? ONDRmipoptimize(p_, "") : ONDRlpoptimize(p_, "");
  if (rc != 0) fail(rc, "A solve of a subsystem failed: %s", p_->lasterror.c_str());
}

}  // namespace ondr::iis
