#include "io/nltext.h"
#include <cmath>
#include "ondr_ids.h"

namespace ondr::io {

namespace {

// Token types of parsed formulas.
enum : int { TOK_EOF = OSLP_TOK_EOF, TOK_CON = OSLP_TOK_CON, TOK_COL = OSLP_TOK_COL,
             TOK_FUN = OSLP_TOK_FUN, TOK_IFUN = OSLP_TOK_IFUN, TOK_RB = OSLP_TOK_RB,
             TOK_OP = OSLP_TOK_OP };

int integer_value(ModelBuilder &b, double v, const char *what) {
  if (!(v == std::floor(v)) || std::fabs(v) > 2e9) b.fail("%s must be an integer", what);
  return (int)v;
}

// Checks that the tokens form one postfix formula (or none): operators find
// their operands, and each function finds the bracket opening its arguments.
void check_formula(ModelBuilder &b, const NlCoef &c) {
  int values = 0;               // operands on the stack above the last bracket
  std::vector<int> saved;       // operand counts below open brackets
  for (size_t k = 0; k < c.types.size(); ++k) {
    int t = c.types[k];
    double v = c.values[k];
    switch (t) {
      case TOK_CON:
      case TOK_COL:
        ++values;
        break;
      case TOK_RB:
        saved.push_back(values);
        values = 0;
        break;
      case TOK_OP: {
        int op = integer_value(b, v, "operator code");
        if (op < 1 || op > 6) b.fail("unknown operator code %d in token %zu", op, k + 1);
        int need = op == 1 ? 1 : 2;
        if (values < need) b.fail("operator in token %zu lacks operands", k + 1);
        values -= need - 1;
        break;
      }
      case TOK_FUN:
      case TOK_IFUN: {
        int f = integer_value(b, v, "function number");
        if (f < 1) b.fail("bad function number %d in token %zu", f, k + 1);
        if (saved.empty() || values < 1)
          b.fail("function in token %zu lacks its bracket or arguments", k + 1);
        values = saved.back() + 1;
        saved.pop_back();
        break;
      }
      default:
        b.fail("unknown token type %d in token %zu", t, k + 1);
    }
  }
  if (!saved.empty() || values > 1 || (values == 0 && !c.types.empty()))
    b.fail("the formula does not reduce to one value");
}

int unit_or_col(ModelBuilder &b, std::string_view name) {
  return name == kUnitName ? kUnitColumn : b.col(name);
}

}  // namespace

void read_nlcoef(ModelBuilder &b, const std::vector<std::string_view> &tok) {
  if (tok.size() < 3) b.fail("a coefficient needs a row, a column and a factor");
  NlCoef c;
  c.row = b.row(tok[0]);
  c.col = unit_or_col(b, tok[1]);
  c.factor = b.coef_number(tok[2], "the factor");
  for (size_t k = 3; k < tok.size(); ++k) {
    std::string_view s = tok[k];
    size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0)
      b.fail("token %s is not of the form type:value", quoted(s).c_str());
    int type = integer_value(b, b.number(s.substr(0, colon), "a token type"), "a token type");
    std::string_view val = s.substr(colon + 1);
    double v;
    if (type == TOK_COL) v = (double)unit_or_col(b, val);
    else v = b.coef_number(val, "a token value");
    if (type == TOK_EOF) b.fail("end-of-formula token inside a formula");
    c.types.push_back(type);
    c.values.push_back(v);
  }
  check_formula(b, c);
  c.types.push_back(TOK_EOF);
  c.values.push_back(0.0);
  b.m.nlcoefs.push_back(std::move(c));
}

void read_detrow(ModelBuilder &b, const std::vector<std::string_view> &tok) {
  if (tok.size() != 2) b.fail("a determining row line holds a column and a row");
  int j = unit_or_col(b, tok[0]);
  int r = b.row(tok[1]);
  if (!b.m.detrow.emplace(j, r).second)
    b.fail("column %s has a second determining row", quoted(tok[0]).c_str());
}

void read_rowstatus(ModelBuilder &b, const std::vector<std::string_view> &tok) {
  if (tok.size() != 2) b.fail("a row status line holds a row and its status");
  int r = b.row(tok[0]);
  int bits = integer_value(b, b.number(tok[1], "a row status"), "a row status");
  if (!b.m.rowstatus.emplace(r, bits).second)
    b.fail("row %s has a second status", quoted(tok[0]).c_str());
}

bool has_nonlinear(const Model &m) {
  if (!m.nlcoefs.empty()) return true;
  for (const auto &s : m.rowstatus)
    if (s.second) return true;
  for (const auto &d : m.detrow)
    if (d.second >= 0) return true;
  return false;
}

void write_nl_sections(std::string &out, const Model &m, const OutputNames &names,
                       const char *const headers[3]) {
  auto col_name = [&](int j) -> const std::string & {
    static const std::string unit = kUnitName;
    if (j == kUnitColumn) return unit;
    if (j < 0 || j >= m.ncols()) fail(ERR_STATE, "Nonlinear coefficient refers to column %d, which does not exist", j);
    return names.cols[(size_t)j];
  };
  auto row_name = [&](int r) -> const std::string & {
    if (r < 0 || r >= m.nrows()) fail(ERR_STATE, "Nonlinear content refers to row %d, which does not exist", r);
    return names.rows[(size_t)r];
  };
  if (!m.nlcoefs.empty()) {
    out += headers[0];
    out += '\n';
    for (const auto &c : m.nlcoefs) {
      out += "    ";
      out += row_name(c.row);
      out += ' ';
      out += col_name(c.col);
      out += ' ';
      append_number(out, c.factor);
      for (size_t k = 0; k < c.types.size() && c.types[k] != TOK_EOF; ++k) {
        out += ' ';
        out += std::to_string(c.types[k]);
        out += ':';
        if (c.types[k] == TOK_COL) out += col_name((int)c.values[k]);
        else append_number(out, c.values[k]);
      }
      out += '\n';
    }
  }
  bool any = false;
  for (const auto &d : m.detrow) {
    if (d.second < 0) continue;
    if (!any) {
      out += headers[1];
      out += '\n';
      any = true;
    }
    out += "    " + col_name(d.first) + ' ' + row_name(d.second) + '\n';
  }
  any = false;
  for (const auto &s : m.rowstatus) {
    if (!s.second) continue;
    if (!any) {
      out += headers[2];
      out += '\n';
      any = true;
    }
    out += "    " + row_name(s.first) + ' ' + std::to_string(s.second) + '\n';
  }
}

}  // namespace ondr::io
