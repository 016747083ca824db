// ONDRwriteslxsol and ONDRreadslxsol: a text solution file of names and
// values.
//
//   ONDRSLX 1
//   NAME <problem name>
//   SOLUTION LP|MIP
//   OBJECTIVE <value>
//   C <column name> <value>          one line per column
//   D <row name> <dual>              with flag 'd': one per row
//   J <column name> <reduced cost>   with flag 'd': one per column
//   END
//
// Names are escaped (io/solcommon.h), numbers written with round-trip
// precision (inf, -inf for infinities). Writer flags: 'l' the LP solution,
// 'm' the MIP solution (default: the MIP solution when there is one), 'd'
// also the duals and reduced costs of an LP solution.
//
// Reading loads the file's values as the problem's current solution, to be
// read back as a solve's would be: columns the file does not list are 0,
// slacks follow from the values, the objective is computed at them, and the
// duals and reduced costs are the file's (0 where not listed) when it has
// any D or J line. It is not a solve: the LP status reads "unfinished"
// (and, for a MIP solution, the MIP status "solution found", with the
// values also the problem's integer solution). The next solve replaces it.
// Reader flag: 'a' skips names the problem does not have (by default they
// make the read fail). Every fault (bad header, unknown or repeated name,
// bad number, no END) fails naming the line, and the problem is unchanged.
#include <vector>
#include "env/shell.h"
#include "io/solcommon.h"
#include "io/solfiles.h"
#include "io/source.h"
#include "io/text.h"
#include "lp/lpdata.h"
#include "ondr.h"

namespace ondr::io {

namespace {

// One name-value section of the file being read: values by index, and
// which indices were given.
struct Section {
  std::vector<double> v;
  std::vector<char> seen;
  bool any = false;
  explicit Section(int n) : v((size_t)n, 0.0), seen((size_t)n, 0) {}
};

}  // namespace

void write_slxsol(ONDRprob prob, const char *filename, const char *flags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  std::string f = parse_file_flags(flags, "lmd", "slx solution file");
  SolutionView s = choose_solution(prob, f);
  bool duals = has_flag(f, 'd');
  if (duals && !s.dual) fail(ERR_STATE, "No duals to write: the solution has none (flag 'd')");
  const Model &m = prob->model;
  std::string out = "ONDRSLX 1\nNAME " + escape_name(m.name) + "\nSOLUTION " + (s.mip ? "MIP" : "LP") +
                    "\nOBJECTIVE " + number_text(s.objval) + "\n";
  for (int j = 0; j < m.ncols(); ++j)
    out += "C " + escape_name(m.name_or_default(2, j)) + " " + number_text((*s.x)[(size_t)j]) + "\n";
  if (duals) {
    for (int i = 0; i < m.nrows(); ++i)
      out += "D " + escape_name(m.name_or_default(1, i)) + " " + number_text((*s.dual)[(size_t)i]) + "\n";
    for (int j = 0; j < m.ncols(); ++j)
      out += "J " + escape_name(m.name_or_default(2, j)) + " " + number_text((*s.dj)[(size_t)j]) + "\n";
  }
  out += "END\n";
  write_file(filename, out);
  file_message(prob, kMsgSolutionWritten, format("Solution written to '%s'", filename));
}

void read_slxsol(ONDRprob prob, const char *filename, const char *flags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  bool skip_unknown = has_flag(parse_file_flags(flags, "a", "slx solution file"), 'a');
  const Model &m = prob->model;
  std::string file = filename;
  std::string text = read_text_file(file, nullptr);
  LineReader lr(text);
  std::string_view line;
  std::vector<std::string_view> w;
  if (!lr.next(line) || trim(line) != "ONDRSLX 1")
    parse_fail(file, lr.lineno(), "not an slx solution file (the first line must read 'ONDRSLX 1')");
  Section x(m.ncols()), dual(m.nrows()), dj(m.ncols());
  bool mip = false, ended = false;
  std::string name;
  while (lr.next(line)) {
    split_ws(line, w);
    if (w.empty()) continue;
    if (ended) parse_fail(file, lr.lineno(), "text after END");
    if (w[0] == "END" && w.size() == 1) {
      ended = true;
      continue;
    }
    if (w[0] == "NAME" || w[0] == "OBJECTIVE") continue;  // informational
    if (w[0] == "SOLUTION") {
      if (w.size() != 2 || (w[1] != "LP" && w[1] != "MIP"))
        parse_fail(file, lr.lineno(), "SOLUTION must be followed by LP or MIP");
      mip = w[1] == "MIP";
      continue;
    }
    bool col = w[0] == "C" || w[0] == "J";
    if ((!col && w[0] != "D") || w.size() != 3)
      parse_fail(file, lr.lineno(), "expected 'C|D|J <name> <value>', found '%.*s'", (int)trim(line).size(),
                 trim(line).data());
    if (!unescape_name(w[1], name)) parse_fail(file, lr.lineno(), "malformed name '%.*s'", (int)w[1].size(), w[1].data());
    double v;
    if (!parse_number(w[2], v)) parse_fail(file, lr.lineno(), "bad number '%.*s'", (int)w[2].size(), w[2].data());
    int idx = m.find_name(col ? 2 : 1, name);
    if (idx < 0) {
      if (skip_unknown) continue;
      parse_fail(file, lr.lineno(), "the problem has no %s named %s", col ? "column" : "row", quoted(name).c_str());
    }
    Section &s = w[0] == "C" ? x : w[0] == "D" ? dual : dj;
    if (s.seen[(size_t)idx]) parse_fail(file, lr.lineno(), "%s is listed twice", quoted(name).c_str());
    s.seen[(size_t)idx] = 1;
    s.v[(size_t)idx] = v;
    s.any = true;
  }
  if (!ended) parse_fail(file, lr.lineno(), "the file is truncated (no END line)");

  Results r;
  r.lpstatus = 4;
  r.x = std::move(x.v);
  r.slack = store_slacks(m, r.x);
  r.lpobjval = objective_at(m, r.x);
  r.has_lpsol = true;
  if (dual.any || dj.any) {
    r.dual = std::move(dual.v);
    r.dj = std::move(dj.v);
    r.has_dual = true;
  }
  if (mip) {
    r.mipstatus = 4;
    r.mipx = r.x;
    r.mipslack = r.slack;
    r.mipobjval = r.lpobjval;
    r.has_mipsol = true;
    r.mipsols = 1;
  }
  prob->results = std::move(r);
  file_message(prob, kMsgSolutionRead, format("Solution read from '%s'", filename));
}

}  // namespace ondr::io

ONDR_API int ONDRwriteslxsol(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_prob(prob, [&] {
    ondr::check_not_busy(prob);  // a solve on another thread writes what is written
    ondr::io::write_slxsol(prob, filename, flags);
  });
}

ONDR_API int ONDRreadslxsol(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_mut(prob, [&] { ondr::io::read_slxsol(prob, filename, flags); });
}
