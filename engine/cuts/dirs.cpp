// Branching directives: the search's view, and ONDRloaddirs,
// ONDRloadpresolvedirs, ONDRloadbranchdirs, ONDRgetdirs, ONDRreaddirs,
// ONDRwritedirs.
#include "cuts/dirs.h"
#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>
#include "bb/branch.h"
#include "cuts/state.h"
#include "env/shell.h"
#include "ondr.h"

namespace ondr {
namespace cuts {

SearchDirs::SearchDirs(ONDRprob prob, int ncols) {
  CutState *st = state_if(prob);
  if (!st) return;
  std::lock_guard<std::mutex> g(st->mu);
  if (st->dirs.empty()) return;
  any_ = true;
  pri_.assign((size_t)ncols, Directive().priority);
  dir_.assign((size_t)ncols, 'N');
  upc_.assign((size_t)ncols, -1.0);
  downc_.assign((size_t)ncols, -1.0);
  for (const auto &kv : st->dirs) {
    if (kv.first < 0 || kv.first >= ncols) continue;
    size_t j = (size_t)kv.first;
    pri_[j] = kv.second.priority;
    dir_[j] = kv.second.dir;
    upc_[j] = kv.second.upc;
    downc_[j] = kv.second.downc;
  }
}

std::vector<int> SearchDirs::best(const std::vector<int> &cands) const {
  int top = INT_MAX;
  for (int j : cands) top = std::min(top, pri_[(size_t)j]);
  std::vector<int> out;
  for (int j : cands)
    if (pri_[(size_t)j] == top) out.push_back(j);
  return out;
}

int SearchDirs::preferred(int j) const {
  if (!any_ || j < 0 || (size_t)j >= dir_.size()) return -1;
  return dir_[(size_t)j] == 'U' ? 1 : dir_[(size_t)j] == 'D' ? 0 : -1;
}

void SearchDirs::seed(bb::Pseudocosts &pc) const {
  for (size_t j = 0; j < upc_.size(); ++j) {
    if (upc_[j] >= 0) pc.add((int)j, true, upc_[j]);
    if (downc_[j] >= 0) pc.add((int)j, false, downc_[j]);
  }
}

namespace {

void check_col(const Model &m, int j, int k) {
  ONDR_REQUIRE(j >= 0 && j < m.ncols(), "Column index %d of directive %d out of range [0, %d)", j, k,
               m.ncols());
}

void load_dirs(ONDRprob prob, int n, const int mcols[], const int mpri[], const char qbr[],
               const double dupc[], const double ddpc[]) {
  const Model &m = prob->model;
  ONDR_REQUIRE(n >= 0, "Negative number of directives (%d)", n);
  ONDR_REQUIRE(n == 0 || mcols, "NULL directive columns");
  std::map<int, Directive> add;
  CutState &st = state(prob);
  std::lock_guard<std::mutex> g(st.mu);
  for (int k = 0; k < n; ++k) {
    check_col(m, mcols[k], k);
    ONDR_REQUIRE(m.coltype[(size_t)mcols[k]] != 'C',
                 "Directive %d is for column %d, which is continuous", k, mcols[k]);
    auto old = st.dirs.find(mcols[k]);
    Directive d = old == st.dirs.end() ? Directive() : old->second;
    if (mpri) d.priority = mpri[k];
    if (qbr) {
      char c = qbr[k];
      ONDR_REQUIRE(c == 'U' || c == 'D' || c == 'N',
                   "Invalid branching direction '%c' of directive %d (expected U, D or N)", c, k);
      d.dir = c;
    }
    if (dupc) {
      ONDR_REQUIRE(std::isfinite(dupc[k]), "Up pseudocost of directive %d is not a number", k);
      d.upc = dupc[k];
    }
    if (ddpc) {
      ONDR_REQUIRE(std::isfinite(ddpc[k]), "Down pseudocost of directive %d is not a number", k);
      d.downc = ddpc[k];
    }
    add[mcols[k]] = d;
  }
  for (auto &kv : add) st.dirs[kv.first] = kv.second;
}

}  // namespace
}  // namespace cuts
}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRloaddirs(ONDRprob prob, int n, const int mcols[], const int mpri[], const char qbr[],
                          const double dupc[], const double ddpc[]) {
  return guard_prob(prob, [&] { cuts::load_dirs(prob, n, mcols, mpri, qbr, dupc, ddpc); });
}

ONDR_API int ONDRloadpresolvedirs(ONDRprob prob, int n, const int mcols[], const int mpri[],
                                  const char qbr[], const double dupc[], const double ddpc[]) {
  return guard_prob(prob, [&] { cuts::load_dirs(prob, n, mcols, mpri, qbr, dupc, ddpc); });
}

ONDR_API int ONDRloadbranchdirs(ONDRprob prob, int n, const int mcols[], const int mbranch[]) {
  return guard_prob(prob, [&] {
    const Model &m = prob->model;
    ONDR_REQUIRE(n >= 0, "Negative number of directives (%d)", n);
    ONDR_REQUIRE(n == 0 || mcols, "NULL directive columns");
    for (int k = 0; k < n; ++k) {
      cuts::check_col(m, mcols[k], k);
      ONDR_REQUIRE(!mbranch || (mbranch[k] >= -1 && mbranch[k] <= 1),
                   "Invalid branch %d of directive %d (expected -1, 0 or 1)", mbranch ? mbranch[k] : 0, k);
    }
    cuts::CutState &st = cuts::state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    for (int k = 0; k < n; ++k) {
      int b = mbranch ? mbranch[k] : 1;
      st.dirs[mcols[k]].dir = b == 1 ? 'U' : b == 0 ? 'D' : 'N';
    }
  });
}

ONDR_API int ONDRgetdirs(ONDRprob prob, int *n, int mcols[], int mpri[], char qbr[], double dupc[],
                         double ddpc[]) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(n, "NULL count");
    cuts::CutState *st = cuts::state_if(prob);
    *n = 0;
    if (!st) return;
    std::lock_guard<std::mutex> g(st->mu);
    int k = 0;
    for (const auto &kv : st->dirs) {
      if (mcols) mcols[k] = kv.first;
      if (mpri) mpri[k] = kv.second.priority;
      if (qbr) qbr[k] = kv.second.dir;
      if (dupc) dupc[k] = kv.second.upc;
      if (ddpc) ddpc[k] = kv.second.downc;
      ++k;
    }
    *n = k;
  });
}

ONDR_API int ONDRwritedirs(ONDRprob prob, const char *filename) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(filename && *filename, "No file name given");
    std::ostringstream out;
    out << "* branching directives: column priority direction up-pseudocost down-pseudocost\n";
    out.precision(17);
    if (cuts::CutState *st = cuts::state_if(prob)) {
      std::lock_guard<std::mutex> g(st->mu);
      for (const auto &kv : st->dirs) {
        std::string name = prob->model.name_or_default(2, kv.first);
        ONDR_REQUIRE(name.find_first_of(" \t\r\n") == std::string::npos,
                     "Column name \"%s\" holds white space: it cannot be written to a directive file",
                     name.c_str());
        out << name << ' ' << kv.second.priority << ' ' << kv.second.dir << ' ' << kv.second.upc << ' '
            << kv.second.downc << '\n';
      }
    }
    std::ofstream f(filename);
    if (!f) fail(ERR_FILE, "Cannot open directive file \"%s\" for writing", filename);
    f << out.str();
    f.close();
    if (!f) fail(ERR_FILE, "Cannot write directive file \"%s\"", filename);
  });
}

ONDR_API int ONDRreaddirs(ONDRprob prob, const char *filename) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(filename && *filename, "No file name given");
    std::ifstream f(filename);
    if (!f) fail(ERR_FILE, "Cannot open directive file \"%s\"", filename);
    const Model &m = prob->model;
    std::map<int, cuts::Directive> dirs;
    std::string line;
    int lineno = 0;
    while (std::getline(f, line)) {
      ++lineno;
      size_t first = line.find_first_not_of(" \t\r");
      if (first == std::string::npos || line[first] == '*') continue;
      std::istringstream in(line);
      std::string name, dir, extra;
      cuts::Directive d;
      if (!(in >> name >> d.priority >> dir >> d.upc >> d.downc) || (in >> extra))
        fail(ERR_FILE, "%s, line %d: expected: column priority direction up-pseudocost down-pseudocost",
             filename, lineno);
      if (dir.size() != 1 || (dir[0] != 'U' && dir[0] != 'D' && dir[0] != 'N'))
        fail(ERR_FILE, "%s, line %d: invalid direction \"%s\" (expected U, D or N)", filename, lineno,
             dir.c_str());
      if (!std::isfinite(d.upc) || !std::isfinite(d.downc))
        fail(ERR_FILE, "%s, line %d: a pseudocost is not a number", filename, lineno);
      d.dir = dir[0];
      int j = m.find_name(2, name);
      if (j < 0) fail(ERR_FILE, "%s, line %d: no column is named \"%s\"", filename, lineno, name.c_str());
      if (m.coltype[(size_t)j] == 'C')
        fail(ERR_FILE, "%s, line %d: column \"%s\" is continuous", filename, lineno, name.c_str());
      dirs[j] = d;
    }
    if (f.bad()) fail(ERR_FILE, "Cannot read directive file \"%s\"", filename);
    cuts::CutState &st = cuts::state(prob);
    std::lock_guard<std::mutex> g(st.mu);
    st.dirs = std::move(dirs);
  });
}
