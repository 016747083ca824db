// ONDRwritesol: the solution listing, a text file for programs to read.
//
//   PROBLEM <name>
//   SOLUTION LP|MIP
//   STATUS <lpstatus> <mipstatus>
//   OBJECTIVE <value>
//   COLUMNS <n>
//   <index> <name> <type> <value> <reduced cost> <lower> <upper>
//   ROWS <m>
//   <index> <name> <type> <activity> <slack> <dual> <lower> <upper>
//   END
//
// Names are escaped as in every text solution file (io/solcommon.h);
// indices count from 0; numbers are written with round-trip precision;
// infinite bounds are written as inf and -inf. Reduced costs and duals are
// "-" when the solution has none (MIP solutions, or an LP solve that gave
// no duals). Activity is the row's value at the solution, slack the right-
// hand side minus the activity.
//
// Flags: 'l' the LP solution, 'm' the MIP solution (default: the MIP
// solution when there is one), 'c' columns only, 'r' rows only.
#include "env/shell.h"
#include "io/solcommon.h"
#include "io/solfiles.h"
#include "io/text.h"
#include "lp/lpdata.h"
#include "ondr.h"

namespace ondr::io {

namespace {

std::string opt_num(const std::vector<double> *v, int i) { return v ? number_text((*v)[(size_t)i]) : "-"; }

}  // namespace

void write_sol(ONDRprob prob, const char *filename, const char *flags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  std::string f = parse_file_flags(flags, "lmcr", "solution file");
  SolutionView s = choose_solution(prob, f);
  const Model &m = prob->model;
  bool cols = !has_flag(f, 'r') || has_flag(f, 'c'), rows = !has_flag(f, 'c') || has_flag(f, 'r');
  std::string out = "PROBLEM " + escape_name(m.name) + "\nSOLUTION " + (s.mip ? "MIP" : "LP") + "\n";
  out += format("STATUS %d %d\nOBJECTIVE %s\n", prob->results.lpstatus, prob->results.mipstatus,
                number_text(s.objval).c_str());
  if (cols) {
    out += format("COLUMNS %d\n", m.ncols());
    for (int j = 0; j < m.ncols(); ++j)
      out += format("%d %s %c %s %s %s %s\n", j, escape_name(m.name_or_default(2, j)).c_str(),
                    m.coltype[(size_t)j], number_text((*s.x)[(size_t)j]).c_str(), opt_num(s.dj, j).c_str(),
                    number_text(m.lb[(size_t)j]).c_str(), number_text(m.ub[(size_t)j]).c_str());
  }
  if (rows) {
    out += format("ROWS %d\n", m.nrows());
    for (int i = 0; i < m.nrows(); ++i) {
      double lo, up;
      row_bounds(m, i, lo, up);
      double rhs = m.rowtype[(size_t)i] == 'N' ? 0.0 : m.rhs[(size_t)i];
      out += format("%d %s %c %s %s %s %s %s\n", i, escape_name(m.name_or_default(1, i)).c_str(),
                    m.rowtype[(size_t)i], number_text(rhs - (*s.slack)[(size_t)i]).c_str(),
                    number_text((*s.slack)[(size_t)i]).c_str(), opt_num(s.dual, i).c_str(), number_text(lo).c_str(),
                    number_text(up).c_str());
    }
  }
  out += "END\n";
  write_file(filename, out);
  file_message(prob, kMsgSolutionWritten, format("Solution written to '%s'", filename));
}

}  // namespace ondr::io

ONDR_API int ONDRwritesol(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_prob(prob, [&] {
    ondr::check_not_busy(prob);  // a solve on another thread writes what is written
    ondr::io::write_sol(prob, filename, flags);
  });
}
