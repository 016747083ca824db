// ONDRwritebasis and ONDRreadbasis: a basis as statuses by name.
//
//   ONDRBASIS 1
//   NAME <problem name>
//   SIZE <rows> <columns>
//   C <status> <column name>     one line per column
//   R <status> <row name>        one line per row
//   END
//
// Statuses: 0 nonbasic at lower bound, 1 basic, 2 nonbasic at upper bound,
// 3 free at zero (superbasic); row statuses describe the row activity.
// Names are escaped (io/solcommon.h). The basis written is the one the next
// LP solve starts from: the final basis of the last solve, or a basis
// loaded or read since. Reading makes the file's basis that start basis,
// so that the basis of an optimal LP read back re-solves it in no
// iterations. The file must name every row and column of the problem once
// (in any order) and give the problem's sizes; an unknown or repeated name,
// a status outside 0-3, a wrong size or a missing END fails naming the
// line, and the problem is unchanged.
//
// Without a file name both use "<problem name>.bss". Neither takes flags.
#include "env/shell.h"
#include "io/solcommon.h"
#include "io/solfiles.h"
#include "io/source.h"
#include "io/text.h"
#include "ondr.h"

namespace ondr::io {

void write_basis(ONDRprob prob, const char *filename, const char *flags) {
  parse_file_flags(flags, "", "basis file");
  std::string file = file_or_default(prob, filename, ".bss");
  const Model &m = prob->model;
  const WarmBasis &b = prob->warm;
  if (!b.fits(m)) fail(ERR_STATE, "No basis to write: solve the problem or load a basis first");
  std::string out = "ONDRBASIS 1\nNAME " + escape_name(m.name) + format("\nSIZE %d %d\n", m.nrows(), m.ncols());
  for (int j = 0; j < m.ncols(); ++j)
    out += format("C %d ", b.cstat[(size_t)j]) + escape_name(m.name_or_default(2, j)) + "\n";
  for (int i = 0; i < m.nrows(); ++i)
    out += format("R %d ", b.rstat[(size_t)i]) + escape_name(m.name_or_default(1, i)) + "\n";
  out += "END\n";
  write_file(file, out);
  file_message(prob, kMsgBasisWritten, format("Basis written to '%s'", file.c_str()));
}

void read_basis(ONDRprob prob, const char *filename, const char *flags) {
  parse_file_flags(flags, "", "basis file");
  std::string file = file_or_default(prob, filename, ".bss");
  const Model &m = prob->model;
  std::string text = read_text_file(file, nullptr);
  LineReader lr(text);
  std::string_view line;
  std::vector<std::string_view> w;
  if (!lr.next(line) || trim(line) != "ONDRBASIS 1")
    parse_fail(file, lr.lineno(), "not a basis file (the first line must read 'ONDRBASIS 1')");
  WarmBasis b;
  b.cstat.assign((size_t)m.ncols(), -1);
  b.rstat.assign((size_t)m.nrows(), -1);
  bool sized = false, ended = false;
  std::string name;
  while (lr.next(line)) {
    split_ws(line, w);
    if (w.empty()) continue;
    if (ended) parse_fail(file, lr.lineno(), "text after END");
    if (w[0] == "END" && w.size() == 1) {
      ended = true;
    } else if (w[0] == "NAME") {
      continue;  // informational
    } else if (w[0] == "SIZE") {
      double r, c;
      if (w.size() != 3 || !parse_number(w[1], r) || !parse_number(w[2], c))
        parse_fail(file, lr.lineno(), "SIZE must be followed by the numbers of rows and columns");
      if (r != m.nrows() || c != m.ncols())
        parse_fail(file, lr.lineno(), "the basis is of a problem of %g rows and %g columns, this one has %d and %d",
                   r, c, m.nrows(), m.ncols());
      sized = true;
    } else if ((w[0] == "C" || w[0] == "R") && w.size() == 3) {
      if (!sized) parse_fail(file, lr.lineno(), "statuses before the SIZE line");
      bool col = w[0] == "C";
      if (w[1].size() != 1 || w[1][0] < '0' || w[1][0] > '3')
        parse_fail(file, lr.lineno(), "invalid basis status '%.*s' (0-3)", (int)w[1].size(), w[1].data());
      if (!unescape_name(w[2], name))
        parse_fail(file, lr.lineno(), "malformed name '%.*s'", (int)w[2].size(), w[2].data());
      int idx = m.find_name(col ? 2 : 1, name);
      if (idx < 0) parse_fail(file, lr.lineno(), "the problem has no %s named %s", col ? "column" : "row", quoted(name).c_str());
      int &slot = (col ? b.cstat : b.rstat)[(size_t)idx];
      if (slot >= 0) parse_fail(file, lr.lineno(), "%s is listed twice", quoted(name).c_str());
      slot = w[1][0] - '0';
    } else {
      parse_fail(file, lr.lineno(), "expected 'C|R <status> <name>', found '%.*s'", (int)trim(line).size(),
                 trim(line).data());
    }
  }
  if (!ended) parse_fail(file, lr.lineno(), "the file is truncated (no END line)");
  for (int j = 0; j < m.ncols(); ++j)
    if (b.cstat[(size_t)j] < 0) parse_fail(file, lr.lineno(), "column %s has no status", quoted(m.name_or_default(2, j)).c_str());
  for (int i = 0; i < m.nrows(); ++i)
    if (b.rstat[(size_t)i] < 0) parse_fail(file, lr.lineno(), "row %s has no status", quoted(m.name_or_default(1, i)).c_str());
  prob->warm = std::move(b);
  file_message(prob, kMsgBasisRead, format("Basis read from '%s'", file.c_str()));
}

}  // namespace ondr::io

ONDR_API int ONDRwritebasis(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_prob(prob, [&] {
    ondr::check_not_busy(prob);  // a solve on another thread writes what is written
    ondr::io::write_basis(prob, filename, flags);
  });
}

ONDR_API int ONDRreadbasis(ONDRprob prob, const char *filename, const char *flags) {
  return ondr::guard_mut(prob, [&] { ondr::io::read_basis(prob, filename, flags); });
}
