// Convexity of a problem's quadratic content: the objective in its sense and
// every quadratic row in its direction (a <= row needs a positive
// semidefinite Q, a >= row a negative semidefinite one, a two-sided row none).
#include <string>
#include "lp/convex.h"
#include "model/store.h"
#include "nlp/local_solver.h"

namespace ondr {

bool quadratic_content_convex(const Model &m, int sense, std::string *why) {
  auto say = [&](const std::string &s) {
    if (why) *why = s;
    return false;
  };
  if (!quadratic_is_convex(m.qobj, sense))
    return say(sense >= 0 ? "the quadratic objective is not convex"
                               : "the quadratic objective is not concave (maximization)");
  for (const auto &qr : m.qrows) {
    int i = qr.first;
    if (i < 0 || i >= m.nrows() || m.rowtype[i] == 'N') continue;
    if (i < (int)m.indcol.size() && m.indcol[i] >= 0) continue;  // not part of the relaxation
    bool any = false;
    for (const auto &e : qr.second) any = any || e.second != 0.0;
    if (!any) continue;
    char t = m.rowtype[i];
    std::string name = m.name_or_default(1, i);
    if (t == 'E' || t == 'R')
      return say("quadratic row " + name + " has two sides, so its feasible set is not convex");
    if (!quadratic_is_convex(qr.second, t == 'L' ? 1 : -1))
      return say("quadratic row " + name + (t == 'L' ? " (<=) is not convex" : " (>=) is not concave"));
  }
  return true;
}

}  // namespace ondr
