// Feasibility tests of subsystems. The LP test keeps one HiGHS instance
// with the problem's continuous relaxation and changes only its bounds
// between tests (warm starts); an infeasible answer comes with the members
// its Farkas certificate uses. The general test solves the subsystem's own
// model (integer columns, sets, indicator and quadratic rows) on a scratch
// problem through the library's MIP and LP paths, after the LP test of its
// relaxation where that is one.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "env/problem.h"
#include "iis/members.h"
#include "lp/highs.h"

namespace ondr::iis {

enum class Verdict { Feasible, Infeasible, Unknown };

struct Test {
  Verdict verdict = Verdict::Unknown;
  // Infeasible: the members a certificate of infeasibility uses (empty when
  // the test has none).
  std::vector<int> support;
  std::string why;  // Unknown: what the solver reported
};

class Oracle {
 public:
  virtual ~Oracle() = default;
  virtual Test test(const Flags &keep) = 0;
  int64_t solves = 0;
};

// The continuous relaxation of `m` (its linear rows; indicator rows free),
// solved for `prob` (controls, interrupt).
std::unique_ptr<Oracle> lp_oracle(ONDRprob prob, const Model &m, const Members &mb);
// Subsystems of `m` as they are: MIP or quadratic solves on a scratch problem.
std::unique_ptr<Oracle> general_oracle(ONDRprob prob, const Model &m, const Members &mb);
// The oracle a problem's subsystems need.
std::unique_ptr<Oracle> oracle_for(ONDRprob prob, const Model &m, const Members &mb);
// Whether subsystems of `m` are decided by LP solves alone.
bool is_linear(const Model &m);

// The continuous relaxation of a subsystem as HiGHS data (zero costs).
LpData relaxation_of(const Model &m, const Members &mb, const Flags &keep);

// The elastic form of the subsystem `members` of `m` (proof.cpp): each
// member side may be violated through a column e >= 0 of cost one.
struct Elastic {
  Model m;
  std::vector<int> elastic;  // column of each member's elastic variable
  std::vector<int> row;      // row carrying each member
};
Elastic elastic_model(const Model &m, const Members &mb, const std::vector<int> &members);

// A scratch problem with `prob`'s controls, quiet; destroyed with the owner.
class Scratch {
 public:
  explicit Scratch(ONDRprob prob);
  ~Scratch();
  Scratch(const Scratch &) = delete;
  Scratch &operator=(const Scratch &) = delete;
  ONDRprob get() const { return p_; }
  // Replaces the scratch model and solves it: a MIP solve when `mip`, else
  // an LP (or local) solve. Throws with the scratch problem's error.
  void solve(Model m, bool mip);
 private:
  ONDRprob p_ = nullptr;
};

}  // namespace ondr::iis
