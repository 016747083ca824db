// Formulas: checking postfix tokens, converting between the parsed (postfix)
// and unparsed (infix) token forms, and reading and writing text.
#include "nlp/formula.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "env/error.h"

namespace ondr {

namespace {

const FuncDef kFuncs[] = {
    {ifun::LOG10, "log10", false}, {ifun::LN, "ln", false},     {ifun::EXP, "exp", false},
    {ifun::ABS, "abs", false},     {ifun::SQRT, "sqrt", false}, {ifun::SIN, "sin", false},
    {ifun::COS, "cos", false},     {ifun::TAN, "tan", false},   {ifun::ASIN, "asin", false},
    {ifun::ACOS, "acos", false},   {ifun::ATAN, "atan", false}, {ifun::MIN, "min", true},
    {ifun::MAX, "max", true},      {ifun::SIGN, "sign", false}, {ifun::ERF, "erf", false},
    {ifun::ERFC, "erfc", false},
};

struct Alias {
  const char *name;
  int code;
};
const Alias kAliases[] = {{"log", ifun::LN}, {"arcsin", ifun::ASIN}, {"arccos", ifun::ACOS},
                          {"arctan", ifun::ATAN}};

bool is_int_value(double v, double lo, double hi) {
  return std::isfinite(v) && v == std::floor(v) && v >= lo && v <= hi;
}

const char *op_symbol(int code) {
  switch (code) {
    case opcode::NEG: return "-";
    case opcode::POW: return "^";
    case opcode::MUL: return "*";
    case opcode::DIV: return "/";
    case opcode::ADD: return "+";
    case opcode::SUB: return "-";
  }
  return "?";
}

std::string lower(std::string s) {
  for (char &c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}

bool is_name_start(char c) { return std::isalpha((unsigned char)c) || c == '_'; }
bool is_name_char(char c) {
  return std::isalnum((unsigned char)c) || c == '_' || c == '.' || c == '$';
}

// Shortest decimal text that reads back as exactly v.
std::string number_text(double v) {
  char buf[40];
  for (int prec = 15; prec <= 17; ++prec) {
    snprintf(buf, sizeof buf, "%.*g", prec, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  return buf;
}

}  // namespace

const FuncDef *find_ifun(int code) {
  for (const FuncDef &f : kFuncs)
    if (f.code == code) return &f;
  return nullptr;
}

const FuncDef *find_ifun(const std::string &name) {
  std::string l = lower(name);
  for (const FuncDef &f : kFuncs)
    if (l == f.name) return &f;
  for (const Alias &a : kAliases)
    if (l == a.name) return find_ifun(a.code);
  return nullptr;
}

size_t formula_length(const int *types, size_t max) {
  if (!types) return 0;
  for (size_t i = 0; i < max; ++i)
    if (types[i] == tok::END) return i + 1;
  return 0;
}

size_t check_postfix(const int *types, const double *values, size_t n, const FormulaContext &ctx,
                     std::string *why) {
  std::string dummy;
  if (!why) why = &dummy;
  // Values pushed at each bracket level; level 0 is the whole formula.
  std::vector<int> level(1, 0);
  for (size_t i = 0; i < n; ++i) {
    const int t = types[i];
    const double v = values[i];
    auto bad = [&](const std::string &msg) {
      *why = msg;
      return i + 1;
    };
    switch (t) {
      case tok::END:
        if (level.size() != 1) return bad("a function's arguments (opened by RB) are not closed");
        if (level[0] == 0) return bad("the formula has no value");
        if (level[0] > 1) return bad(format("%d values are left: an operator is missing", level[0]));
        if (i + 1 != n) return bad("END before the last token");
        return 0;
      case tok::CON:
        if (!std::isfinite(v)) return bad("the constant is not a finite number");
        ++level.back();
        break;
      case tok::COL:
        if (!is_int_value(v, 0, 2147483647.0) || (ctx.ncols >= 0 && v >= ctx.ncols))
          return bad(ctx.ncols >= 0 ? format("column %g is not a column of the problem (0..%d)", v, ctx.ncols - 1)
                                    : format("column %g is not a column index", v));
        ++level.back();
        break;
      case tok::OP: {
        if (!is_int_value(v, 1, 6)) return bad(format("unknown operator %g", v));
        int need = v == opcode::NEG ? 1 : 2;
        if (level.back() < need)
          return bad(format("operator '%s' needs %d operand%s", op_symbol((int)v), need, need > 1 ? "s" : ""));
        level.back() -= need - 1;
        break;
      }
      case tok::RB:
        level.push_back(0);
        break;
      case tok::IFUN:
      case tok::FUN: {
        std::string fname;
        bool nary = true;
        if (t == tok::IFUN) {
          const FuncDef *f = is_int_value(v, 0, 1e9) ? find_ifun((int)v) : nullptr;
          if (!f) return bad(format("unknown internal function %g", v));
          fname = f->name;
          nary = f->nary;
        } else {
          if (!is_int_value(v, 1, 2147483647.0) || (ctx.nuserfuncs >= 0 && v > ctx.nuserfuncs))
            return bad(format("user function %g is not registered", v));
          fname = format("user function %g", v);
        }
        if (level.size() < 2) return bad(format("%s has no RB token before its arguments", fname.c_str()));
        int m = level.back();
        if (t == tok::IFUN && !nary && m != 1)
          return bad(format("%s takes one argument, not %d", fname.c_str(), m));
        if (t == tok::IFUN && nary && m < 1) return bad(format("%s needs at least one argument", fname.c_str()));
        level.pop_back();
        ++level.back();
        break;
      }
      default:
        return bad(format("token type %d is not allowed in a parsed formula", t));
    }
  }
  *why = "the formula has no END token";
  return n ? n : 1;
}

Formula read_formula(const int *types, const double *values, size_t max, bool parsed,
                     const FormulaContext &ctx, const std::string &what) {
  ONDR_REQUIRE(types && values, "NULL token array for %s", what.c_str());
  size_t n = formula_length(types, max);
  if (!n) fail(ERR_ARGUMENT, "%s has no END token (type 0) within its %zu tokens", what.c_str(), max);
  Formula f;
  f.types.assign(types, types + n);
  f.values.assign(values, values + n);
  if (!parsed) {
    try {
      return infix_to_postfix(f, ctx);
    } catch (const Error &e) {
      fail(e.code(), "%s: %s", what.c_str(), e.what());
    }
  }
  std::string why;
  if (size_t bad = check_postfix(f.types.data(), f.values.data(), n, ctx, &why))
    fail(ERR_ARGUMENT, "%s: token %zu (type %d, value %g): %s", what.c_str(), bad, f.types[bad - 1],
         f.values[bad - 1], why.c_str());
  return f;
}

// ---- unparsed (infix) tokens -> postfix ----

namespace {

class InfixParser {
 public:
  InfixParser(const Formula &in, const FormulaContext &ctx) : in_(in), ctx_(ctx) {}

  Formula run() {
    expr();
    if (type() != tok::END) error("an operator or the end was expected");
    out_.push(tok::END, 0);
    std::string why;
    if (size_t bad = check_postfix(out_.types.data(), out_.values.data(), out_.size(), ctx_, &why))
      fail(ERR_ARGUMENT, "%s (token %zu of the parsed form)", why.c_str(), bad);
    return std::move(out_);
  }

 private:
  const Formula &in_;
  const FormulaContext &ctx_;
  Formula out_;
  size_t p_ = 0;
  int depth_ = 0;

  int type() const { return p_ < in_.size() ? in_.types[p_] : tok::END; }
  double value() const { return p_ < in_.size() ? in_.values[p_] : 0.0; }
  bool is_op(int code) const { return type() == tok::OP && value() == code; }
  bool next_is_pow() const {
    return p_ + 1 < in_.size() && in_.types[p_ + 1] == tok::OP && in_.values[p_ + 1] == opcode::POW;
  }
  [[noreturn]] void error(const char *msg) const {
    if (p_ < in_.size())
      fail(ERR_ARGUMENT, "token %zu (type %d, value %g): %s", p_ + 1, in_.types[p_], in_.values[p_], msg);
    fail(ERR_ARGUMENT, "the formula ends early: %s", msg);
  }

  void expr() {
    if (++depth_ > 2000) error("brackets are nested too deeply");
    term();
    while (is_op(opcode::ADD) || is_op(opcode::SUB)) {
      int c = (int)value();
      ++p_;
      term();
      out_.push(tok::OP, c);
    }
    --depth_;
  }
  void term() {
    unary();
    while (is_op(opcode::MUL) || is_op(opcode::DIV)) {
      int c = (int)value();
      ++p_;
      unary();
      out_.push(tok::OP, c);
    }
  }
  void unary() {
    if (++depth_ > 2000) error("operators are nested too deeply");
    if (is_op(opcode::NEG) || is_op(opcode::SUB)) {
      ++p_;
      // A minus before a plain non-negative number makes a negative constant.
      if (type() == tok::CON && !std::signbit(value()) && !next_is_pow()) {
        out_.push(tok::CON, -value());
        ++p_;
      } else {
        unary();
        out_.push(tok::OP, opcode::NEG);
      }
    } else if (is_op(opcode::ADD)) {
      ++p_;
      unary();
    } else {
      power();
    }
    --depth_;
  }
  void power() {
    primary();
    if (is_op(opcode::POW)) {
      ++p_;
      unary();
      out_.push(tok::OP, opcode::POW);
    }
  }
  void primary() {
    switch (type()) {
      case tok::CON:
      case tok::COL:
        out_.push(type(), value());
        ++p_;
        return;
      case tok::IFUN:
      case tok::FUN: {
        int t = type();
        double code = value();
        const FuncDef *f = t == tok::IFUN && is_int_value(code, 0, 1e9) ? find_ifun((int)code) : nullptr;
        if (t == tok::IFUN && !f) error("unknown internal function");
        ++p_;
        if (type() != tok::LB) error("'(' expected after a function");
        ++p_;
        out_.push(tok::RB, 0);
        int m = 0;
        if (t == tok::FUN && type() == tok::RB) {
          ++p_;  // a user function of no arguments
        } else {
          for (;;) {
            expr();
            ++m;
            if (type() == tok::DEL) {
              ++p_;
              continue;
            }
            if (type() != tok::RB) error("',' or ')' expected in a function's arguments");
            ++p_;
            break;
          }
        }
        if (f && !f->nary && m != 1) fail(ERR_ARGUMENT, "%s takes one argument, not %d", f->name, m);
        out_.push(t, code);
        return;
      }
      case tok::LB:
        ++p_;
        expr();
        if (type() != tok::RB) error("')' expected");
        ++p_;
        return;
      case tok::END:
        error("an operand is missing");
      default:
        error("an operand was expected");
    }
  }
};

// Expression tree of a postfix formula, for printing.
struct TNode {
  int type;
  double value;
  std::vector<int> kids;
  int depth;
};

int precedence(const TNode &n) {
  switch (n.type) {
    case tok::CON: return std::signbit(n.value) ? 3 : 5;
    case tok::OP:
      switch ((int)n.value) {
        case opcode::NEG: return 3;
        case opcode::POW: return 4;
        case opcode::MUL:
        case opcode::DIV: return 2;
        default: return 1;
      }
    default: return 5;
  }
}

class InfixWriter {
 public:
  explicit InfixWriter(const Formula &post) {
    std::string why;
    if (size_t bad = check_postfix(post.types.data(), post.values.data(), post.size(), FormulaContext(), &why))
      fail(ERR_ARGUMENT, "token %zu: %s", bad, why.c_str());
    std::vector<int> stack;  // node indices, -1 for a bracket mark
    for (size_t i = 0; i + 1 < post.size(); ++i) {
      int t = post.types[i];
      double v = post.values[i];
      if (t == tok::RB) {
        stack.push_back(-1);
        continue;
      }
      TNode n{t, v, {}, 1};
      if (t == tok::OP) {
        int k = v == opcode::NEG ? 1 : 2;
        n.kids.assign(stack.end() - k, stack.end());
        stack.resize(stack.size() - k);
      } else if (t == tok::IFUN || t == tok::FUN) {
        size_t j = stack.size();
        while (stack[j - 1] != -1) --j;
        n.kids.assign(stack.begin() + j, stack.end());
        stack.resize(j - 1);
      }
      int depth = 1;
      for (int k : n.kids) depth = std::max(depth, nodes_[k].depth + 1);
      if (depth > 2000) fail(ERR_ARGUMENT, "the formula is nested more than 2000 levels deep");
      n.depth = depth;
      nodes_.push_back(std::move(n));
      stack.push_back((int)nodes_.size() - 1);
    }
    root_ = stack.back();
  }

  Formula run() {
    emit(root_);
    out_.push(tok::END, 0);
    return std::move(out_);
  }

 private:
  std::vector<TNode> nodes_;
  int root_ = -1;
  Formula out_;

  void bracketed(int k, bool br) {
    if (br) out_.push(tok::LB, 0);
    emit(k);
    if (br) out_.push(tok::RB, 0);
  }
  void emit(int k) {
    const TNode &n = nodes_[k];
    switch (n.type) {
      case tok::CON:
      case tok::COL:
        out_.push(n.type, n.value);
        return;
      case tok::IFUN:
      case tok::FUN:
        out_.push(n.type, n.value);
        out_.push(tok::LB, 0);
        for (size_t i = 0; i < n.kids.size(); ++i) {
          if (i) out_.push(tok::DEL, 0);
          emit(n.kids[i]);
        }
        out_.push(tok::RB, 0);
        return;
    }
    const int code = (int)n.value;
    const int p = precedence(n);
    if (code == opcode::NEG) {
      const TNode &c = nodes_[n.kids[0]];
      out_.push(tok::OP, opcode::NEG);
      // "- 2" would read back as the constant -2: keep the negation visible.
      bool plain_number = c.type == tok::CON && !std::signbit(c.value);
      bracketed(n.kids[0], precedence(c) < 3 || plain_number);
      return;
    }
    const TNode &l = nodes_[n.kids[0]], &r = nodes_[n.kids[1]];
    bool lbr = code == opcode::POW ? precedence(l) <= 4 : precedence(l) < p;
    bool rbr = code == opcode::POW ? precedence(r) < 3 : precedence(r) <= p;
    bracketed(n.kids[0], lbr);
    out_.push(tok::OP, code);
    bracketed(n.kids[1], rbr);
  }
};

// ---- text ----

struct Lexeme {
  enum Kind { NUM, NAME, QNAME, HASH, AT, OPC, LP, RP, COMMA } kind;
  std::string text;
  double value = 0;
  char op = 0;
  size_t pos = 0;
};

[[noreturn]] void text_error(size_t pos, const char *fmt, const std::string &arg = "") {
  fail(ERR_ARGUMENT, "Formula text, position %zu: %s", pos + 1, format(fmt, arg.c_str()).c_str());
}

std::vector<Lexeme> lex(const std::string &s) {
  std::vector<Lexeme> out;
  size_t i = 0, n = s.size();
  while (i < n) {
    char c = s[i];
    if (std::isspace((unsigned char)c)) {
      ++i;
      continue;
    }
    Lexeme l;
    l.pos = i;
    if (std::isdigit((unsigned char)c) || (c == '.' && i + 1 < n && std::isdigit((unsigned char)s[i + 1]))) {
      size_t j = i;
      while (j < n && std::isdigit((unsigned char)s[j])) ++j;
      if (j < n && s[j] == '.') {
        ++j;
        while (j < n && std::isdigit((unsigned char)s[j])) ++j;
      }
      if (j < n && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < n && std::isdigit((unsigned char)s[k])) {
          while (k < n && std::isdigit((unsigned char)s[k])) ++k;
          j = k;
        }
      }
      if (j < n && is_name_char(s[j])) text_error(i, "invalid number '%s'", s.substr(i, j - i + 1));
      l.kind = Lexeme::NUM;
      l.text = s.substr(i, j - i);
      l.value = std::strtod(l.text.c_str(), nullptr);
      if (!std::isfinite(l.value)) text_error(i, "the number %s is too large", l.text);
      i = j;
    } else if (is_name_start(c)) {
      size_t j = i;
      while (j < n && is_name_char(s[j])) ++j;
      l.kind = Lexeme::NAME;
      l.text = s.substr(i, j - i);
      i = j;
    } else if (c == '\'' || c == '"') {
      size_t j = i + 1;
      for (;;) {
        if (j >= n) text_error(i, "the quoted name is not closed");
        if (s[j] == c) {
          if (j + 1 < n && s[j + 1] == c) {
            l.text += c;
            j += 2;
            continue;
          }
          break;
        }
        l.text += s[j++];
      }
      if (l.text.empty()) text_error(i, "empty name");
      l.kind = Lexeme::QNAME;
      i = j + 1;
    } else if (c == '#' || c == '@') {
      size_t j = i + 1;
      while (j < n && std::isdigit((unsigned char)s[j])) ++j;
      if (j == i + 1 || (j < n && is_name_char(s[j])))
        text_error(i, "'%s' must be followed by a number", std::string(1, c));
      l.kind = c == '#' ? Lexeme::HASH : Lexeme::AT;
      l.text = s.substr(i, j - i);
      l.value = std::strtod(s.c_str() + i + 1, nullptr);
      if (l.value > 2147483647.0) text_error(i, "the number in '%s' is too large", l.text);
      i = j;
    } else if (c == '*' && i + 1 < n && s[i + 1] == '*') {
      l.kind = Lexeme::OPC;
      l.op = '^';
      i += 2;
    } else if (strchr("+-*/^", c)) {
      l.kind = Lexeme::OPC;
      l.op = c;
      ++i;
    } else if (c == '(' || c == ')' || c == ',') {
      l.kind = c == '(' ? Lexeme::LP : c == ')' ? Lexeme::RP : Lexeme::COMMA;
      ++i;
    } else {
      text_error(i, "unexpected character '%s'", std::string(1, c));
    }
    out.push_back(std::move(l));
  }
  return out;
}

// True when a sign at this place negates (nothing, an operator, '(' or ','
// comes before it).
bool sign_is_unary(const std::vector<Lexeme> &lx, size_t i) {
  if (i == 0) return true;
  Lexeme::Kind k = lx[i - 1].kind;
  return k == Lexeme::OPC || k == Lexeme::LP || k == Lexeme::COMMA;
}

}  // namespace

Formula infix_to_postfix(const Formula &infix, const FormulaContext &ctx) {
  return InfixParser(infix, ctx).run();
}

Formula postfix_to_infix(const Formula &postfix) { return InfixWriter(postfix).run(); }

Formula text_to_infix(const std::string &text, const FormulaContext &ctx, std::vector<std::string> *userfuncs) {
  std::vector<Lexeme> lx = lex(text);
  if (lx.empty()) fail(ERR_ARGUMENT, "The formula text is empty");
  Formula out;
  for (size_t i = 0; i < lx.size(); ++i) {
    const Lexeme &l = lx[i];
    bool call = i + 1 < lx.size() && lx[i + 1].kind == Lexeme::LP;
    switch (l.kind) {
      case Lexeme::NUM:
        out.push(tok::CON, l.value);
        break;
      case Lexeme::NAME:
      case Lexeme::QNAME:
        if (call) {
          const FuncDef *f = l.kind == Lexeme::NAME ? find_ifun(l.text) : nullptr;
          if (f) {
            out.push(tok::IFUN, f->code);
            break;
          }
          int num = ctx.userfunc_number ? ctx.userfunc_number(l.text) : 0;
          if (num < 0) text_error(l.pos, "the user function name '%s' is not unique: call it by its number (@n)", l.text);
          if (num == 0) text_error(l.pos, "unknown function '%s'", l.text);
          out.push(tok::FUN, num);
          if (userfuncs) userfuncs->push_back(l.text);
        } else {
          int j = ctx.column_index ? ctx.column_index(l.text) : -1;
          if (j < 0) text_error(l.pos, "unknown column '%s'", l.text);
          out.push(tok::COL, j);
        }
        break;
      case Lexeme::HASH:
        if (ctx.ncols >= 0 && l.value >= ctx.ncols) text_error(l.pos, "no column %s", l.text);
        out.push(tok::COL, l.value);
        break;
      case Lexeme::AT:
        if (!call) text_error(l.pos, "'(' expected after the user function %s", l.text);
        if (l.value < 1 || (ctx.nuserfuncs >= 0 && l.value > ctx.nuserfuncs))
          text_error(l.pos, "no user function %s", l.text);
        out.push(tok::FUN, l.value);
        if (userfuncs) userfuncs->push_back(ctx.userfunc_name ? ctx.userfunc_name((int)l.value) : "");
        break;
      case Lexeme::OPC:
        switch (l.op) {
          case '-': out.push(tok::OP, sign_is_unary(lx, i) ? opcode::NEG : opcode::SUB); break;
          case '+':
            if (!sign_is_unary(lx, i)) out.push(tok::OP, opcode::ADD);
            break;
          case '*': out.push(tok::OP, opcode::MUL); break;
          case '/': out.push(tok::OP, opcode::DIV); break;
          case '^': out.push(tok::OP, opcode::POW); break;
        }
        break;
      case Lexeme::LP: out.push(tok::LB, 0); break;
      case Lexeme::RP: out.push(tok::RB, 0); break;
      case Lexeme::COMMA: out.push(tok::DEL, 0); break;
    }
  }
  out.push(tok::END, 0);
  return out;
}

Formula parse_text(const std::string &text, const FormulaContext &ctx) {
  Formula in = text_to_infix(text, ctx, nullptr);
  return infix_to_postfix(in, ctx);
}

int count_text_tokens(const std::string &text) {
  std::vector<Lexeme> lx = lex(text);
  int n = 0;
  for (size_t i = 0; i < lx.size(); ++i)
    if (!(lx[i].kind == Lexeme::OPC && lx[i].op == '+' && sign_is_unary(lx, i))) ++n;
  return n;
}

std::string quote_name(const std::string &name) {
  bool plain = !name.empty() && is_name_start(name[0]);
  for (char c : name) plain = plain && is_name_char(c);
  if (plain) return name;
  std::string q = "'";
  for (char c : name) {
    q += c;
    if (c == '\'') q += c;
  }
  return q + "'";
}

std::string infix_to_text(const Formula &infix, const FormulaContext &ctx) {
  std::string out;
  for (size_t i = 0; i < infix.size() && infix.types[i] != tok::END; ++i) {
    if (!out.empty()) out += ' ';
    double v = infix.values[i];
    switch (infix.types[i]) {
      case tok::CON: out += number_text(v); break;
      case tok::COL: {
        int j = (int)v;
        std::string name = ctx.column_name ? ctx.column_name(j) : "";
        if (!name.empty() && ctx.column_index && ctx.column_index(name) == j) out += quote_name(name);
        else out += format("#%d", j);
        break;
      }
      case tok::IFUN: {
        const FuncDef *f = find_ifun((int)v);
        out += f ? f->name : format("?%g", v);
        break;
      }
      case tok::FUN: {
        int num = (int)v;
        std::string name = ctx.userfunc_name ? ctx.userfunc_name(num) : "";
        if (!name.empty() && !find_ifun(name) && ctx.userfunc_number && ctx.userfunc_number(name) == num)
          out += quote_name(name);
        else out += format("@%d", num);
        break;
      }
      case tok::LB: out += '('; break;
      case tok::RB: out += ')'; break;
      case tok::DEL: out += ','; break;
      case tok::OP: out += op_symbol((int)v); break;
      default: out += format("?%d", infix.types[i]);
    }
  }
  return out;
}

std::string postfix_to_text(const Formula &postfix, const FormulaContext &ctx) {
  return infix_to_text(postfix_to_infix(postfix), ctx);
}

}  // namespace ondr
