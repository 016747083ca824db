#include "tune/method.h"
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include "controls/ids.h"
#include "controls/table.h"
#include "env/error.h"

namespace ondr {

namespace {

// Rows of the default methods: a control and the values to try.
struct DefaultRow {
  int id;
  bool lp, mip;
  std::vector<double> values;
};

const std::vector<DefaultRow> &default_rows() {
  static const std::vector<DefaultRow> rows = {
      {id::MIPSOLVER, false, true, {1, 2}},
      {id::PRESOLVE, true, true, {1, 0}},
      {id::SCALING, true, true, {1, 0}},
      {id::DEFAULTALG, true, false, {1, 2, 3, 4}},
      {id::DEFAULTALG, false, true, {1, 2, 3}},
      // Settings of the library's own tree search (used with MIPSOLVER 2, or
      // when the automatic choice takes it).
      {id::BRANCHRELIABILITY, false, true, {4, 1, 8}},
      {id::BRANCHMAXSTRONG, false, true, {10, 0, 30}},
      {id::CUTROUNDS, false, true, {20, 0, 5}},
  };
  return rows;
}

const ParamDef &tunable(const char *name, const char *where) {
  const ParamDef *p = find_param_by_name(name);
  if (!p || !p->control || p->layer != LAYER_OPT)
    fail(ERR_ARGUMENT, "%s: '%s' is not a control of the optimizer", where, name);
  if (p->type != PT_INT && p->type != PT_DBL)
    fail(ERR_ARGUMENT, "%s: control %s is not numeric and cannot be tuned", where, p->name);
  // The tuner sets these itself for each trial.
  if (p->id == id::TIMELIMIT || p->id == id::TUNERMAXTIME || p->id == id::TUNERTRIALTIME)
    fail(ERR_ARGUMENT, "%s: control %s limits the tuner's trials and cannot be tuned", where, p->name);
  return *p;
}

}  // namespace

TuneMethod default_method(bool mip) {
  TuneMethod m;
  for (const DefaultRow &r : default_rows())
    if (mip ? r.mip : r.lp) m.push_back({r.id, r.values});
  return m;
}

TuneMethod method_of(ONDRprob prob, bool mip) {
  return prob->tunermethod.empty() ? default_method(mip) : prob->tunermethod;
}

// The file is text, one control per line: its name (any case) and the
// values to try, separated by blanks. Blank lines and lines whose first word
// starts with '#' are skipped. Every value is checked against the control's
// type and range, so a method read is one the tuner can apply.
TuneMethod read_method(const char *path) {
  if (!path || !*path) fail(ERR_ARGUMENT, "No tuner method file name given");
  std::ifstream in(path);
  if (!in) fail(ERR_FILE, "Cannot open tuner method file %s: %s", path, strerror(errno));
  TuneMethod m;
  std::string line;
  int lineno = 0;
  while (std::getline(in, line)) {
    ++lineno;
    std::istringstream words(line);
    std::string name;
    if (!(words >> name) || name[0] == '#') continue;
    std::string where = format("%s, line %d", path, lineno);
    const ParamDef &p = tunable(name.c_str(), where.c_str());
    for (const auto &row : m)
      if (row.first == p.id) fail(ERR_ARGUMENT, "%s: control %s is listed twice", where.c_str(), p.name);
    std::vector<double> values;
    std::string w;
    while (words >> w) {
      char *end = nullptr;
      double v = strtod(w.c_str(), &end);
      if (*end || !std::isfinite(v))
        fail(ERR_ARGUMENT, "%s: '%s' is not a number", where.c_str(), w.c_str());
      if (v < p.lo || v > p.hi || (p.type == PT_INT && v != std::floor(v)))
        fail(ERR_ARGUMENT, "%s: %s does not accept the value %s (%s from %g to %g)",
             where.c_str(), p.name, w.c_str(), p.type == PT_INT ? "integers" : "numbers", p.lo,
             p.hi);
      values.push_back(v);
    }
    if (values.empty()) fail(ERR_ARGUMENT, "%s: no values given for %s", where.c_str(), p.name);
    m.push_back({p.id, values});
  }
  if (in.bad()) fail(ERR_FILE, "Error reading tuner method file %s", path);
  if (m.empty()) fail(ERR_ARGUMENT, "Tuner method file %s lists no controls", path);
  return m;
}

void write_method(const char *path, const TuneMethod &method) {
  if (!path || !*path) fail(ERR_ARGUMENT, "No tuner method file name given");
  std::ostringstream out;
  out << "# Tuner method: a control on each line, then the values the tuner tries for it.\n";
  out.precision(17);
  for (const auto &row : method) {
    const ParamDef *p = find_param(LAYER_OPT, row.first);
    out << (p ? p->name : "?");
    for (double v : row.second) out << ' ' << v;
    out << '\n';
  }
  std::ofstream f(path, std::ios::trunc);
  if (!f) fail(ERR_FILE, "Cannot write tuner method file %s: %s", path, strerror(errno));
  f << out.str();
  f.close();
  if (!f) fail(ERR_FILE, "Error writing tuner method file %s", path);
}

}  // namespace ondr
