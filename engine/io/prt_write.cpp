// ONDRwriteprtsol: a solution report for people to read. A header with the
// problem name, the solution reported (LP or MIP), the statuses in words
// and the objective, then a table of the columns (number, name, type,
// value, reduced cost, lower and upper bound) and one of the rows (number,
// name, type, activity, slack, dual, lower and upper bound), in aligned
// columns of 6 significant digits. Infinite bounds read "inf"; reduced
// costs and duals read "." when the solution has none.
//
// Flags: 'l' the LP solution, 'm' the MIP solution (default: the MIP
// solution when there is one), 'c' columns only, 'r' rows only.
#include <algorithm>
#include "env/shell.h"
#include "io/solcommon.h"
#include "io/solfiles.h"
#include "io/text.h"
#include "lp/lpdata.h"
#include "ondr.h"

namespace ondr::io {

namespace {

const char *mipstatus_name(int s) {
  static const char *const names[] = {"not loaded",  "LP not optimal", "LP optimal",
                                      "no solution", "solution found", "infeasible",
                                      "optimal",     "unbounded"};
  return s >= 0 && s <= 7 ? names[s] : "unknown";
}

std::string cell(double v) {
  if (v >= kInf) return "inf";
  if (v <= -kInf) return "-inf";
  return format("%.6g", v);
}

std::string opt_cell(const std::vector<double> *v, int i) { return v ? cell((*v)[(size_t)i]) : "."; }

// One table: a title line, a header and one line per item; the name column
// is as wide as the longest name.
struct Table {
  std::vector<std::string> names;
  std::vector<char> types;
  std::vector<std::vector<std::string>> cells;
};

void print_table(std::string &out, const char *title, const std::vector<const char *> &heads, const Table &t) {
  size_t w = 4;
  for (const auto &n : t.names) w = std::max(w, n.size());
  out += format("\n%s\n", title);
  out += format("%8s  %-*s  %-4s", "Number", (int)w, "Name", "Type");
  for (const char *h : heads) out += format("  %14s", h);
  out += "\n";
  for (size_t i = 0; i < t.names.size(); ++i) {
    out += format("%8zu  %-*s  %-4c", i, (int)w, t.names[i].c_str(), t.types[i]);
    for (const auto &c : t.cells[i]) out += format("  %14s", c.c_str());
    out += "\n";
  }
}

}  // namespace

void write_prtsol(ONDRprob prob, const char *filename, const char *flags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  std::string f = parse_file_flags(flags, "lmcr", "printable solution");
  SolutionView s = choose_solution(prob, f);
  const Model &m = prob->model;
  const Results &r = prob->results;
  std::string out = format("Problem name: %s\n", m.name.c_str());
  out += format("Solution:     %s\n", s.mip ? "integer (MIP)" : "continuous (LP)");
  out += format("LP status:    %s\nMIP status:   %s\n", lpstatus_name(r.lpstatus), mipstatus_name(r.mipstatus));
  out += format("Objective:    %.12g (%s)\n", s.objval, m.objsense < 0 ? "maximize" : "minimize");
  out += format("Rows: %d   Columns: %d\n", m.nrows(), m.ncols());
  if (!has_flag(f, 'r') || has_flag(f, 'c')) {
    Table t;
    for (int j = 0; j < m.ncols(); ++j) {
      t.names.push_back(m.name_or_default(2, j));
      t.types.push_back(m.coltype[(size_t)j]);
      t.cells.push_back({cell((*s.x)[(size_t)j]), opt_cell(s.dj, j), cell(m.lb[(size_t)j]),
                         cell(m.ub[(size_t)j])});
    }
    print_table(out, "Columns", {"Value", "Reduced cost", "Lower", "Upper"}, t);
  }
  if (!has_flag(f, 'c') || has_flag(f, 'r')) {
    Table t;
    for (int i = 0; i < m.nrows(); ++i) {
      double lo, up;
      row_bounds(m, i, lo, up);
      double rhs = m.rowtype[(size_t)i] == 'N' ? 0.0 : m.rhs[(size_t)i];
      t.names.push_back(m.name_or_default(1, i));
      t.types.push_back(m.rowtype[(size_t)i]);
      t.cells.push_back({cell(rhs - (*s.slack)[(size_t)i]), cell((*s.slack)[(size_t)i]),
                         opt_cell(s.dual, i), cell(lo), cell(up)});
    }
    print_table(out, "Rows", {"Activity", "Slack", "Dual", "Lower", "Upper"}, t);
  }
  write_file(filename, out);
  file_message(prob, kMsgSolutionWritten, format("Printable solution written to '%s'", filename));
}

}  // namespace ondr::io

ONDR_API int ONDRwriteprtsol(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_prob(prob, [&] {
    ondr::check_not_busy(prob);  // a solve on another thread writes what is written
    ondr::io::write_prtsol(prob, filename, flags);
  });
}
