#include "iis/filter.h"
#include <algorithm>
#include "env/error.h"

namespace ondr::iis {

bool Budget::take() {
  if (stopped) return false;
  if (left <= 0 || (prob && prob->interrupt_reason.load() != 0)) {
    stopped = true;
    return false;
  }
  --left;
  return true;
}

Test decide(Oracle &o, const Flags &keep) {
  Test t = o.test(keep);
  if (t.verdict == Verdict::Unknown)
    fail(ERR_SOLVER, "IIS search: the solver could not decide whether a subsystem is feasible (%s)",
         t.why.c_str());
  return t;
}

namespace {
// Members of `v` that are also in the sorted list `keep`.
void intersect(std::vector<int> &v, const std::vector<int> &sorted) {
  v.erase(std::remove_if(v.begin(), v.end(),
                         [&](int k) { return !std::binary_search(sorted.begin(), sorted.end(), k); }),
          v.end());
}
}  // namespace

std::vector<int> deletion_filter(Oracle &o, const Members &mb, std::vector<int> cand,
                                 Budget &budget) {
  std::vector<int> keep;  // members known to be needed
  Flags flags = flags_of(mb, cand);
  size_t block = std::max<size_t>(1, cand.size() / 4);
  while (!cand.empty()) {
    if (!budget.take()) {
      keep.insert(keep.end(), cand.begin(), cand.end());
      break;
    }
    size_t take = std::min(block, cand.size());
    for (size_t k = 0; k < take; ++k) flags[(size_t)cand[k]] = 0;
    Test t = decide(o, flags);
    if (t.verdict == Verdict::Infeasible) {
      cand.erase(cand.begin(), cand.begin() + (long)take);
      if (!t.support.empty()) {
        // The certificate needs every member kept so far (each was needed
        // in a larger subsystem); members it does not use can go.
        std::vector<int> before = cand;
        intersect(cand, t.support);
        for (int k : before)
          if (!std::binary_search(t.support.begin(), t.support.end(), k)) flags[(size_t)k] = 0;
      }
      block = std::min(block * 2, std::max<size_t>(1, cand.size()));
    } else {
      for (size_t k = 0; k < take; ++k) flags[(size_t)cand[k]] = 1;
      if (take == 1) {
        keep.push_back(cand.front());
        cand.erase(cand.begin());
      } else {
        block = (take + 1) / 2;
      }
    }
  }
  std::sort(keep.begin(), keep.end());
  return keep;
}

bool is_irreducible(Oracle &o, const Members &mb, const std::vector<int> &set, Budget &budget) {
  Flags flags = flags_of(mb, set);
  if (!budget.take() || decide(o, flags).verdict != Verdict::Infeasible) return false;
  for (int k : set) {
    flags[(size_t)k] = 0;
    if (!budget.take() || decide(o, flags).verdict != Verdict::Feasible) return false;
    flags[(size_t)k] = 1;
  }
  return true;
}

}  // namespace ondr::iis
