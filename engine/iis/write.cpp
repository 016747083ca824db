// Writing a set: as a problem file holding only the set (its rows, the
// columns they use or bound, and whatever keeps column types meaning what
// they did: sets, indicator columns), or as a CSV table of its members.
#include <cstdio>
#include <sstream>
#include "io/formats.h"
#include "io/source.h"
#include "iis/search.h"
#include "model/ops.h"

namespace ondr::iis {

namespace {

// The set's own problem: rows and columns outside it deleted, names fixed
// first so that every row and column keeps the name it had.
Model set_problem(ONDRprob prob, const State &st, const Set &s) {
  const Members &mb = st.mb;
  Model m = subsystem_model(st.model, mb, flags_of(mb, s.members));
  m.name = st.model.name.empty() ? "iis" : st.model.name + "_iis";
  int nr = m.nrows(), nc = m.ncols();
  m.rownames.resize((size_t)nr);
  m.colnames.resize((size_t)nc);
  for (int i = 0; i < nr; ++i) m.rownames[(size_t)i] = st.model.name_or_default(1, i);
  for (int j = 0; j < nc; ++j) m.colnames[(size_t)j] = st.model.name_or_default(2, j);
  m.names_changed();
  std::vector<char> row_in((size_t)nr, 0), col_in((size_t)nc, 0);
  for (const Item &e : rows_of(mb, s)) row_in[(size_t)e.index] = 1;
  for (const Item &e : cols_of(mb, s)) col_in[(size_t)e.index] = 1;
  for (int i = 0; i < nr; ++i) {
    if (!row_in[(size_t)i]) continue;
    for (const ondr::Entry &en : m.rows[(size_t)i]) col_in[(size_t)en.index] = 1;
    auto q = m.qrows.find(i);
    if (q != m.qrows.end())
      for (const auto &t : q->second) col_in[(size_t)t.first.first] = col_in[(size_t)t.first.second] = 1;
    if (i < (int)m.indcol.size() && m.indcol[(size_t)i] >= 0) col_in[(size_t)m.indcol[(size_t)i]] = 1;
  }
  for (const SetDef &sd : m.sets)
    for (int j : sd.cols) col_in[(size_t)j] = 1;
  std::vector<int> drows, dcols;
  for (int i = 0; i < nr; ++i)
    if (!row_in[(size_t)i]) drows.push_back(i);
  for (int j = 0; j < nc; ++j)
    if (!col_in[(size_t)j]) dcols.push_back(j);
  Scratch sc(prob);
  sc.get()->model = std::move(m);
  if (!drows.empty()) del_rows(sc.get(), (int)drows.size(), drows.data());
  if (!dcols.empty()) del_cols(sc.get(), (int)dcols.size(), dcols.data());
  return std::move(sc.get()->model);
}

std::string csv_field(const std::string &s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string table(ONDRprob prob, State &st, Set &s) {
  measure(prob, st, s);
  const Members &mb = st.mb;
  std::ostringstream o;
  o.precision(17);
  o << "kind,name,index,type,side,value,multiplier,isolation\n";
  for (size_t k = 0; k < s.members.size(); ++k) {
    int m = s.members[k];
    bool row = mb.is_row(m);
    int idx = mb.index(m);
    auto entries = row ? rows_of(mb, s) : cols_of(mb, s);
    const std::vector<signed char> &iso = row ? s.iso_rows : s.iso_cols;
    int flag = -1;
    for (size_t e = 0; e < entries.size(); ++e)
      if (entries[e].index == idx && e < iso.size()) flag = iso[e];
    o << (row ? "row" : "column") << ',' << csv_field(st.model.name_or_default(row ? 1 : 2, idx))
      << ',' << idx << ',' << (row ? st.model.rowtype[(size_t)idx] : st.model.coltype[(size_t)idx])
      << ',' << (row ? (mb.upper(m) ? "upper" : "lower") : (mb.upper(m) ? "ub" : "lb")) << ','
      << mb.value[(size_t)m] << ',' << s.mult[k] << ',' << flag << '\n';
  }
  return o.str();
}

}  // namespace

void write_set(ONDRprob prob, int num, const char *filename, int type, const char *typeflags) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  ONDR_REQUIRE(type == 0 || type == 1,
               "Unknown IIS file type %d: 0 (a problem file) or 1 (a CSV table)", type);
  State &st = state_of(prob);
  Set &s = set_of(prob, num);
  if (type == 0) io::write_problem(set_problem(prob, st, s), filename, typeflags, prob->controls);
  else io::write_text_file(filename, table(prob, st, s));
}

}  // namespace ondr::iis
