// A private copy of a problem for the services that solve variants of it
// (infeasibility repair, refinement, dual range estimates, the tuner): the
// model, controls and warm basis of the source, no callbacks, no results.
// The copy is changed with the model operations (model/ops.h) and solved
// through the public optimize calls; the source is never touched.
#pragma once
#include <string>
#include <vector>
#include "env/problem.h"

namespace ondr {

class Scratch {
 public:
  explicit Scratch(ONDRprob src);
  ~Scratch();
  Scratch(const Scratch &) = delete;
  Scratch &operator=(const Scratch &) = delete;

  ONDRprob get() const { return p_; }
  Model &model() { return p_->model; }
  const Results &results() const { return p_->results; }
  // Solves the copy as a MIP (ONDRmipoptimize) or a continuous problem
  // (ONDRlpoptimize) with `flags`; a failing call throws its error.
  void optimize(bool mip, const std::string &flags);
  // The continuous relaxation: columns made continuous, sets dropped,
  // indicator rows freed.
  void relax_integrality();

 private:
  ONDRprob p_ = nullptr;
};

// Whether a finished solve of the copy holds a usable solution: an integer
// one for a MIP solve, else the LP solution.
bool has_solution(const Results &r, bool mip);
// The solution vector of the copy's columns `0..ncols-1`.
std::vector<double> solution_prefix(const Results &r, bool mip, int ncols);

}  // namespace ondr
