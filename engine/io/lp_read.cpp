// Reading LP files: sections found by their keywords at the start of a
// line, their text read as a stream of tokens (numbers, names, operators).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <charconv>
#include "io/formats.h"
#include "io/lp_keywords.h"
#include "io/nltext.h"

namespace ondr::io {

namespace {

enum class TK { Num, Name, Op };

struct Tok {
  TK kind;
  std::string_view text;  // operators normalised: "<=", ">=", "=", "->", "::", ...
  double num;
  int line;
};

struct SectionText {
  LpSection kind;
  int line;  // of the header
  std::vector<std::pair<int, std::string_view>> lines;
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

bool is_inf_word(const Tok &t) {
  return t.kind == TK::Name && (iequals(t.text, "inf") || iequals(t.text, "infinity"));
}

// A parsed expression: linear terms, quadratic terms (the polynomial's own
// coefficients) and a constant.
struct Expr {
  std::vector<std::pair<int, double>> lin;
  std::vector<std::pair<std::pair<int, int>, double>> quad;
  double constant = 0.0;
  bool empty() const { return lin.empty() && quad.empty() && constant == 0.0; }
};

class LpReader {
 public:
  LpReader(const ReadOptions &opt, std::string_view text) : b_(opt), text_(text) {}
  Model read();

 private:
  void split_sections();
  void tokenize(const SectionText &s);

  // Token stream of the current section.
  const Tok *peek(size_t k = 0) const { return pos_ + k < toks_.size() ? &toks_[pos_ + k] : nullptr; }
  bool at_end() const { return pos_ >= toks_.size(); }
  const Tok &take();
  bool is_op(size_t k, const char *op) const {
    const Tok *t = peek(k);
    return t && t->kind == TK::Op && t->text == op;
  }
  bool is_cmp(size_t k) const { return is_op(k, "<=") || is_op(k, ">=") || is_op(k, "="); }
  [[noreturn]] void fail_here(const char *what);

  // A signed number or infinity word; `word_inf` tells the words apart.
  double signed_value(bool *word_inf = nullptr);
  bool starts_value() const;
  void expr(Expr &e);
  void bracket(Expr &e, double sign);
  int column(const Tok &t);

  void objective(bool maximize);
  void constraints();
  void constraint();
  void bounds();
  void names(LpSection kind);
  void sets();
  void ranges();
  void nonlinear(const SectionText &s);
  void add_row(const std::string &name, const Expr &e, char type, double rhs, double range,
               int indcol, int indval);
  void apply_types();

  ModelBuilder b_;
  std::string_view text_;
  std::string probname_;
  std::vector<SectionText> sections_;
  std::vector<Tok> toks_;
  size_t pos_ = 0;
  int last_line_ = 0;
  bool has_objective_ = false;
  std::vector<int> colpos_;  // merge buffer for linear terms of one row
  // Column declarations: 1 general, 2 binary, 4 semi-continuous, 8 partially integer.
  std::vector<int> declared_, declared_line_;
};

const Tok &LpReader::take() {
  if (at_end()) fail_here("the section ends early");
  b_.line = toks_[pos_].line;
  return toks_[pos_++];
}

void LpReader::fail_here(const char *what) {
  if (!at_end()) {
    b_.line = toks_[pos_].line;
    b_.fail("%s (at %s)", what, quoted(toks_[pos_].text).c_str());
  }
  b_.line = toks_.empty() ? last_line_ : toks_.back().line;
  b_.fail("%s", what);
}

void LpReader::split_sections() {
  LineReader lr(text_);
  std::string_view raw;
  bool ended = false;
  while (!ended && lr.next(raw)) {
    int ln = lr.lineno();
    last_line_ = ln;
    size_t bs = raw.find('\\');
    if (bs != std::string_view::npos) {
      std::string_view comment = trim(raw.substr(bs + 1));
      const char *key = "Problem name:";
      if (sections_.empty() && comment.size() >= strlen(key) &&
          iequals(comment.substr(0, strlen(key)), key))
        probname_ = std::string(trim(comment.substr(strlen(key))));
      raw = raw.substr(0, bs);
    }
    std::string_view rest;
    LpSection kind = lp_section_header(raw, rest);
    if (kind == LpSection::End) {
      ended = true;
    } else if (kind != LpSection::None) {
      sections_.push_back({kind, ln, {}});
      if (!trim(rest).empty()) sections_.back().lines.emplace_back(ln, rest);
    } else if (!trim(raw).empty()) {
      b_.line = ln;
      if (sections_.empty()) b_.fail("text before the first section (Minimize, Maximize, Subject To, ...)");
      sections_.back().lines.emplace_back(ln, raw);
    }
  }
  if (!ended) {
    b_.line = last_line_;
    b_.fail("the file ends without End");
  }
}

void LpReader::tokenize(const SectionText &s) {
  toks_.clear();
  pos_ = 0;
  for (const auto &[ln, text] : s.lines) {
    size_t i = 0, n = text.size();
    while (i < n) {
      char c = text[i];
      if (is_space(c)) {
        ++i;
        continue;
      }
      char d = i + 1 < n ? text[i + 1] : 0;
      Tok t{TK::Op, {}, 0.0, ln};
      if ((c >= '0' && c <= '9') || (c == '.' && d >= '0' && d <= '9')) {
        auto r = std::from_chars(text.data() + i, text.data() + n, t.num, std::chars_format::general);
        size_t len = (size_t)(r.ptr - (text.data() + i));
        if (r.ec == std::errc::result_out_of_range) {
          std::string copy(text.substr(i, len));
          t.num = strtod(copy.c_str(), nullptr);
        } else if (r.ec != std::errc() || len == 0) {
          b_.line = ln;
          b_.fail("bad number at %s", quoted(text.substr(i, 20)).c_str());
        }
        t.kind = TK::Num;
        t.text = text.substr(i, len);
        i += len;
      } else if (strchr("<>=", c)) {
        // <, <=, =<  and  >, >=, =>  and  =
        size_t len = 1;
        bool less = c == '<' || (c == '=' && d == '<');
        bool greater = c == '>' || (c == '=' && d == '>');
        if ((c != '=' && d == '=') || (c == '=' && (d == '<' || d == '>'))) len = 2;
        t.text = less ? "<=" : greater ? ">=" : "=";
        i += len;
      } else if (c == '-' && d == '>') {
        t.text = "->";
        i += 2;
      } else if (c == ':' && d == ':') {
        t.text = "::";
        i += 2;
      } else if (strchr("+-*/^[]:", c)) {
        t.text = text.substr(i, 1);
        ++i;
      } else {
        size_t b = i;
        while (i < n && !is_space(text[i]) && !strchr(kLpOperatorChars, text[i])) ++i;
        t.kind = TK::Name;
        t.text = text.substr(b, i - b);
      }
      toks_.push_back(t);
    }
  }
}

int LpReader::column(const Tok &t) {
  b_.line = t.line;
  int j = b_.col_or_new(t.text);
  if ((size_t)j >= declared_.size()) {
    declared_.resize((size_t)j + 1, 0);
    declared_line_.resize((size_t)j + 1, 0);
    colpos_.resize((size_t)j + 1, -1);
  }
  return j;
}

bool LpReader::starts_value() const {
  size_t k = 0;
  while (is_op(k, "+") || is_op(k, "-")) ++k;
  const Tok *t = peek(k);
  return t && (t->kind == TK::Num || is_inf_word(*t));
}

double LpReader::signed_value(bool *word_inf) {
  double sign = 1;
  while (is_op(0, "+") || is_op(0, "-")) sign *= take().text == "-" ? -1 : 1;
  const Tok *t = peek();
  if (!t || !(t->kind == TK::Num || is_inf_word(*t))) fail_here("a number is expected");
  take();
  if (word_inf) *word_inf = t->kind == TK::Name;
  double v = t->kind == TK::Name ? HUGE_VAL : t->num;
  return sign * v;
}

void LpReader::bracket(Expr &e, double sign) {
  take();  // [
  std::vector<std::pair<std::pair<int, int>, double>> terms;
  bool first = true;
  while (!is_op(0, "]")) {
    if (at_end()) fail_here("a [ without its ]");
    double s = 1;
    bool had_sign = false;
    while (is_op(0, "+") || is_op(0, "-")) {
      s *= take().text == "-" ? -1 : 1;
      had_sign = true;
    }
    if (!first && !had_sign) fail_here("a sign is expected between quadratic terms");
    double c = 1;
    if (peek() && peek()->kind == TK::Num) c = take().num;
    const Tok *t = peek();
    if (!t || t->kind != TK::Name || is_inf_word(*t)) fail_here("a column is expected");
    int i = column(take());
    int j;
    if (is_op(0, "^")) {
      take();
      const Tok *p = peek();
      if (!p || p->kind != TK::Num || p->num != 2) fail_here("only squares (^ 2) are allowed");
      take();
      j = i;
    } else if (is_op(0, "*")) {
      take();
      const Tok *u = peek();
      if (!u || u->kind != TK::Name || is_inf_word(*u)) fail_here("a column is expected after *");
      j = column(take());
    } else {
      fail_here("a term inside [ ] must be a square or a product of two columns");
    }
    if (!std::isfinite(c)) fail_here("an infinite coefficient");
    terms.push_back({{i, j}, s * c});
    first = false;
  }
  take();  // ]
  double div = 1;
  if (is_op(0, "/")) {
    take();
    const Tok *d = peek();
    if (!d || d->kind != TK::Num || d->num == 0 || !std::isfinite(d->num))
      fail_here("a nonzero number is expected after /");
    div = take().num;
  }
  for (auto &t : terms) e.quad.push_back({t.first, sign * t.second / div});
}

void LpReader::expr(Expr &e) {
  bool first = true;
  for (;;) {
    double sign = 1;
    bool had_sign = false;
    while (is_op(0, "+") || is_op(0, "-")) {
      sign *= take().text == "-" ? -1 : 1;
      had_sign = true;
    }
    const Tok *t = peek();
    if (!had_sign && !first) return;
    first = false;
    if (t && t->kind == TK::Num) {
      double c = take().num;
      if (!std::isfinite(c)) fail_here("an infinite coefficient");
      const Tok *n = peek();
      if (n && n->kind == TK::Name && !is_inf_word(*n)) {
        int j = column(take());
        if (is_op(0, "^") || is_op(0, "*")) fail_here("quadratic terms belong inside [ ]");
        e.lin.push_back({j, sign * c});
      } else {
        e.constant += sign * c;
      }
    } else if (t && t->kind == TK::Name && !is_inf_word(*t)) {
      int j = column(take());
      if (is_op(0, "^") || is_op(0, "*")) fail_here("quadratic terms belong inside [ ]");
      e.lin.push_back({j, sign});
    } else if (is_op(0, "[")) {
      bracket(e, sign);
    } else {
      if (had_sign) fail_here("a term is expected after the sign");
      return;  // an empty expression
    }
  }
}

void LpReader::objective(bool maximize) {
  if (has_objective_) fail_here("a second objective section");
  has_objective_ = true;
  b_.m.objsense = maximize ? -1 : 1;
  if (peek() && peek()->kind == TK::Name && is_op(1, ":")) {
    take();
    take();
  }
  Expr e;
  expr(e);
  if (!at_end()) fail_here("unexpected text in the objective");
  Model &m = b_.m;
  for (const auto &t : e.lin) m.obj[(size_t)t.first] += t.second;
  // Objective terms c*x_i*x_j become 0.5 x'Qx entries: c for a pair, 2c on the diagonal.
  for (const auto &q : e.quad) {
    int i = q.first.first, j = q.first.second;
    ModelBuilder::add_q(m.qobj, i, j, i == j ? 2 * q.second : q.second);
  }
  m.objconst_neg = -e.constant;
}

void LpReader::add_row(const std::string &name, const Expr &e, char type, double rhs,
                       double range, int indcol, int indval) {
  int r = b_.add_row(name, type);
  Model &m = b_.m;
  if (type != 'N') m.rhs[(size_t)r] = rhs;
  if (type == 'R') m.range[(size_t)r] = range;
  RowRef row = m.rows[(size_t)r];
  for (const auto &t : e.lin) {
    int &p = colpos_[(size_t)t.first];
    if (p >= 0) {
      row[(size_t)p].value += t.second;
    } else {
      p = (int)row.size();
      row.push_back({t.first, t.second});
    }
  }
  size_t out = 0;
  for (size_t k = 0; k < row.size(); ++k) {
    colpos_[(size_t)row[k].index] = -1;
    if (row[k].value != 0.0) row[out++] = row[k];
  }
  row.resize(out);
  if (!e.quad.empty()) {
    QMap &q = m.qrows[r];
    for (const auto &t : e.quad) ModelBuilder::add_q(q, t.first.first, t.first.second, t.second);
  }
  if (indcol >= 0) b_.set_indicator(r, indcol, indval);
}

void LpReader::constraint() {
  std::string name;
  int start_line = peek()->line;
  if (peek()->kind == TK::Name && is_op(1, ":")) {
    name = std::string(take().text);
    take();
  }
  int indcol = -1, indval = 0;
  for (int part = 0;; ++part) {
    Expr e;
    char type;
    double rhs = 0, range = 0;
    bool lo_form = false;
    if (starts_value()) {
      // "value op ..." : a range row or a reversed row.
      size_t k = 0;
      while (is_op(k, "+") || is_op(k, "-")) ++k;
      lo_form = is_cmp(k + 1);
    }
    if (lo_form) {
      bool lo_word = false, hi_word = false;
      double v1 = signed_value(&lo_word);
      std::string_view op1 = take().text;
      expr(e);
      if (is_cmp(0)) {
        std::string_view op2 = take().text;
        double v2 = signed_value(&hi_word);
        if (op1 != op2 || op1 == "=") fail_here("a range row reads lower <= row <= upper");
        double lo = op1 == "<=" ? v1 : v2, hi = op1 == "<=" ? v2 : v1;
        bool lo_inf = op1 == "<=" ? lo_word : hi_word, hi_inf = op1 == "<=" ? hi_word : lo_word;
        if (lo_inf && lo > 0) fail_here("the lower limit of a row is +infinity");
        if (hi_inf && hi < 0) fail_here("the upper limit of a row is -infinity");
        lo -= e.constant;
        hi -= e.constant;
        if (lo_inf && hi_inf) type = 'N';
        else if (lo_inf) type = 'L', rhs = hi;
        else if (hi_inf) type = 'G', rhs = lo;
        else {
          if (lo > hi) fail_here("the lower limit of a row is above its upper limit");
          type = 'R', rhs = hi, range = hi - lo;
        }
      } else {
        // "value op expr" is "expr op' value".
        if (lo_word) fail_here("a row cannot equal infinity");
        type = op1 == "<=" ? 'G' : op1 == ">=" ? 'L' : 'E';
        rhs = v1 - e.constant;
      }
    } else {
      expr(e);
      if (!is_cmp(0)) fail_here("a comparison (<=, >=, =) is expected");
      std::string_view op = take().text;
      bool word = false;
      double v = signed_value(&word);
      if (part == 0 && is_op(0, "->")) {
        // An indicator: "column = 0|1 -> row".
        take();
        if (e.lin.size() != 1 || !e.quad.empty() || e.constant != 0 || e.lin[0].second != 1 ||
            op != "=" || (v != 0 && v != 1)) {
          b_.line = start_line;
          b_.fail("an indicator reads column = 0 or column = 1 before ->");
        }
        indcol = e.lin[0].first;
        indval = (int)v;
        continue;
      }
      if (word) {
        if (op == "=") fail_here("a row cannot equal infinity");
        bool useless = (op == ">=" && v < 0) || (op == "<=" && v > 0);
        if (!useless) fail_here("this infinite limit leaves no feasible point");
        type = 'N';
      } else {
        type = op == "<=" ? 'L' : op == ">=" ? 'G' : 'E';
        rhs = v - e.constant;
      }
    }
    // Limits of 1e20 and beyond are infinite.
    rhs = std::max(-kInf, std::min(kInf, rhs));
    range = std::min(kInf, range);
    b_.line = start_line;
    add_row(name, e, type, rhs, range, indcol, indval);
    return;
  }
}

void LpReader::constraints() {
  while (!at_end()) constraint();
}

void LpReader::bounds() {
  Model &m = b_.m;
  auto set = [&](int j, std::string_view op, double v, bool col_left) {
    v = v >= kInf ? kInf : v <= -kInf ? -kInf : v;
    // col_left: "x op v"; otherwise "v op x".
    bool upper = col_left ? op == "<=" : op == ">=";
    bool lower = col_left ? op == ">=" : op == "<=";
    if (op == "=") upper = lower = true;
    if (upper) m.ub[(size_t)j] = v, b_.ub_set[(size_t)j] = 1;
    if (lower) m.lb[(size_t)j] = v, b_.lb_set[(size_t)j] = 1;
  };
  while (!at_end()) {
    const Tok *t = peek();
    if (t->kind == TK::Name && !is_inf_word(*t)) {
      int j = column(take());
      const Tok *n = peek();
      if (n && n->kind == TK::Name && iequals(n->text, "free")) {
        take();
        set(j, "=", 0, true);
        m.lb[(size_t)j] = -kInf;
        m.ub[(size_t)j] = kInf;
      } else if (is_cmp(0)) {
        std::string_view op = take().text;
        set(j, op, signed_value(), true);
      } else {
        fail_here("a bound reads: column free, column <= value, value <= column <= value");
      }
    } else if (starts_value()) {
      double v = signed_value();
      if (!is_cmp(0)) fail_here("a comparison is expected in a bound");
      std::string_view op = take().text;
      const Tok *c = peek();
      if (!c || c->kind != TK::Name || is_inf_word(*c)) fail_here("a column is expected in a bound");
      int j = column(take());
      set(j, op, v, false);
      if (is_cmp(0)) {
        std::string_view op2 = take().text;
        set(j, op2, signed_value(), true);
      }
    } else {
      fail_here("a bound is expected");
    }
  }
}

void LpReader::names(LpSection kind) {
  int flag = kind == LpSection::Generals ? 1 : kind == LpSection::Binaries ? 2
           : kind == LpSection::Semis ? 4 : 8;
  while (!at_end()) {
    const Tok *t = peek();
    if (t->kind != TK::Name || is_inf_word(*t)) fail_here("a column name is expected");
    int j = column(take());
    declared_[(size_t)j] |= flag;
    declared_line_[(size_t)j] = b_.line;
    if (is_op(0, ":")) {
      if (flag != 4 && flag != 8) fail_here("only semi-continuous and partially integer columns take a limit");
      take();
      bool word = false;
      double v = signed_value(&word);
      if (word) fail_here("a limit must be finite");
      b_.m.limit[(size_t)j] = v;
      b_.limit_set[(size_t)j] = 1;
      b_.limit_line[(size_t)j] = b_.line;
    } else if (flag == 8) {
      fail_here("a partially integer column needs its limit (column:limit)");
    }
  }
}

void LpReader::sets() {
  while (!at_end()) {
    std::string name;
    auto is_type = [&](size_t k) {
      const Tok *t = peek(k);
      return t && t->kind == TK::Name && (iequals(t->text, "S1") || iequals(t->text, "S2")) &&
             is_op(k + 1, "::");
    };
    if (peek()->kind == TK::Name && is_op(1, ":") && is_type(2)) {
      name = std::string(take().text);
      take();
    }
    if (!is_type(0)) fail_here("a set reads name: S1:: column:weight ...");
    char type = iequals(take().text, "S1") ? '1' : '2';
    take();
    int k = b_.add_set(name, type);
    // Members: column:weight (the weight may carry a sign).
    auto member = [&] {
      if (!peek() || peek()->kind != TK::Name || !is_op(1, ":")) return false;
      size_t q = 2;
      while (is_op(q, "+") || is_op(q, "-")) ++q;
      return peek(q) && peek(q)->kind == TK::Num;
    };
    while (member()) {
      int j = column(take());
      take();
      double w = signed_value();
      SetDef &s = b_.m.sets[(size_t)k];
      s.cols.push_back(j);
      s.refs.push_back(w);
    }
  }
}

// Own section: "row = range" makes the row a range row with that range
// (its right-hand side stays), for ranges "lo <= row <= hi" cannot carry
// exactly.
void LpReader::ranges() {
  while (!at_end()) {
    const Tok *t = peek();
    if (t->kind != TK::Name || !is_op(1, "=")) fail_here("a range reads row = value");
    take();
    int r = b_.find_row(t->text);
    if (r < 0) b_.fail("unknown row %s", quoted(t->text).c_str());
    take();
    bool word = false;
    double v = signed_value(&word);
    if (word || v < 0) fail_here("a range is finite and not negative");
    Model &m = b_.m;
    if (m.rowtype[(size_t)r] == 'N' || m.rhs[(size_t)r] >= kInf)
      b_.fail("row %s has no finite upper limit for a range", quoted(t->text).c_str());
    m.rowtype[(size_t)r] = 'R';
    m.range[(size_t)r] = v;
  }
}

void LpReader::nonlinear(const SectionText &s) {
  if (!b_.opt.nonlinear) {
    b_.line = s.line;
    b_.fail("the file has nonlinear content; read it through the nonlinear layer");
  }
  std::vector<std::string_view> tok;
  for (const auto &[ln, text] : s.lines) {
    b_.line = ln;
    split_ws(text, tok);
    if (tok.empty()) continue;
    if (s.kind == LpSection::NlCoefs) read_nlcoef(b_, tok);
    else if (s.kind == LpSection::NlDetRows) read_detrow(b_, tok);
    else read_rowstatus(b_, tok);
  }
}

void LpReader::apply_types() {
  Model &m = b_.m;
  for (int j = 0; j < m.ncols(); ++j) {
    int d = declared_[(size_t)j];
    if (!d) continue;
    b_.line = declared_line_[(size_t)j];
    bool gen = d & 1, bin = d & 2, semi = d & 4, part = d & 8;
    if ((bin && (semi || part)) || (part && (gen || semi)))
      b_.fail("column %s is declared with two kinds that do not combine",
              quoted(m.colnames[(size_t)j]).c_str());
    m.coltype[(size_t)j] = bin ? 'B' : semi ? (gen ? 'R' : 'S') : part ? 'P' : 'I';
  }
}

Model LpReader::read() {
  split_sections();
  for (const auto &s : sections_) {
    b_.line = s.line;
    bool line_based = s.kind == LpSection::NlCoefs || s.kind == LpSection::NlDetRows ||
                      s.kind == LpSection::NlRowStatus;
    if (!line_based) tokenize(s);
    switch (s.kind) {
      case LpSection::Minimize: objective(false); break;
      case LpSection::Maximize: objective(true); break;
      case LpSection::Constraints: constraints(); break;
      case LpSection::Bounds: bounds(); break;
      case LpSection::Generals:
      case LpSection::Binaries:
      case LpSection::Semis:
      case LpSection::Partials: names(s.kind); break;
      case LpSection::Sos: sets(); break;
      case LpSection::Ranges: ranges(); break;
      case LpSection::NlCoefs:
      case LpSection::NlDetRows:
      case LpSection::NlRowStatus: nonlinear(s); break;
      case LpSection::None:
      case LpSection::End: break;
    }
  }
  declared_.resize((size_t)b_.m.ncols(), 0);
  declared_line_.resize((size_t)b_.m.ncols(), 0);
  apply_types();
  b_.line = last_line_;
  Model m = b_.finish(true);
  m.name = probname_;
  return m;
}

}  // namespace

Model read_lp(const ReadOptions &opt, std::string_view text) {
  LpReader r(opt, text);
  return r.read();
}

}  // namespace ondr::io
