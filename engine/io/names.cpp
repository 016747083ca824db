#include "io/names.h"
#include <cstring>
#include <unordered_set>
#include "env/error.h"
#include "io/lp_keywords.h"
#include "io/source.h"
#include "io/text.h"

namespace ondr::io {

bool lp_name_ok(const std::string &name) {
  if (name.empty()) return false;
  char c0 = name[0];
  if ((c0 >= '0' && c0 <= '9') || c0 == '.') return false;
  for (char c : name) {
    if ((unsigned char)c <= ' ' || (unsigned char)c == 127) return false;
    if (strchr(kLpOperatorChars, c)) return false;
  }
  return !lp_reserved_word(name);
}

namespace {

const char *kind_word(int kind) { return kind == 1 ? "Row" : kind == 2 ? "Column" : "Set"; }

void check_style(const std::string &n, int kind, NameStyle style) {
  const char *fmt = style == NameStyle::Lp ? "LP" : style == NameStyle::FixedMps ? "fixed MPS" : "MPS";
  // The readers take only UTF-8 text.
  if (!valid_utf8(n))
    fail(ERR_ARGUMENT, "%s name %s cannot be written in %s format: it is not valid UTF-8",
         kind_word(kind), quoted(n).c_str(), fmt);
  if (style == NameStyle::Lp) {
    if (!lp_name_ok(n))
      fail(ERR_ARGUMENT,
           "%s name %s cannot be written in LP format (it is a keyword, starts with a digit "
           "or a point, or holds a space or one of %s); write MPS instead",
           kind_word(kind), quoted(n).c_str(), kLpOperatorChars);
    return;
  }
  for (char c : n)
    if ((unsigned char)c <= ' ')
      fail(ERR_ARGUMENT, "%s name %s cannot be written in %s format: it holds white space",
           kind_word(kind), quoted(n).c_str(), fmt);
  if (style == NameStyle::FixedMps && n.size() > 8)
    fail(ERR_ARGUMENT,
         "%s name %s is longer than the 8 characters of fixed MPS; write free MPS instead",
         kind_word(kind), quoted(n).c_str());
}

// Names of one kind: given names first (so that they keep their text),
// then default names; a name already taken gets a suffix _2, _3, ...
std::vector<std::string> unique_names(const Model &m, int kind, int n, NameStyle style,
                                      std::unordered_set<std::string> &used) {
  std::vector<std::string> out((size_t)n);
  const auto &given = m.names_of(kind);
  auto take = [&](int i) {
    std::string base = m.name_or_default(kind, i);
    check_style(base, kind, style);
    std::string name = base;
    for (int k = 2; !used.insert(name).second; ++k) name = base + "_" + std::to_string(k);
    if (name.size() != base.size()) check_style(name, kind, style);
    out[(size_t)i] = std::move(name);
  };
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < n; ++i) {
      bool has = i < (int)given.size() && !given[(size_t)i].empty();
      if (has == (pass == 0)) take(i);
    }
  return out;
}

}  // namespace

OutputNames output_names(const Model &m, const std::string &objname, NameStyle style) {
  OutputNames on;
  std::unordered_set<std::string> rows, cols, sets;
  on.rows = unique_names(m, 1, m.nrows(), style, rows);
  on.cols = unique_names(m, 2, m.ncols(), style, cols);
  on.sets = unique_names(m, 3, (int)m.sets.size(), style, sets);
  std::string base = objname;
  if (base.empty() || (style == NameStyle::Lp && !lp_name_ok(base))) base = "obj";
  for (char &c : base)
    if ((unsigned char)c <= ' ') c = '_';
  if (style == NameStyle::FixedMps && base.size() > 8) base = "obj";
  std::string name = base;
  for (int k = 2; rows.count(name); ++k) name = base + "_" + std::to_string(k);
  if (style == NameStyle::FixedMps && name.size() > 8) {
    // Fixed MPS: find a short name not used by a row.
    for (int k = 0; rows.count(name) || name.size() > 8; ++k) name = "OBJ" + std::to_string(k);
  }
  on.obj = name;
  return on;
}

}  // namespace ondr::io
