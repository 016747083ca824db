// Nonlinear formulas as token arrays, and their text form.
//
// A formula is a pair of parallel arrays, token types and token values, ended
// by the END token. Two forms exist:
//
//  * parsed (postfix): what coefficients store and what is evaluated.
//      CON v       push the constant v
//      COL j       push x[j]
//      OP 1        unary minus of the top value
//      OP 2..6     binary ^ * / + - of the two top values (left pushed first)
//      RB          mark the start of a function's arguments
//      IFUN k      internal function k of every value pushed since the
//                  matching RB (unary functions take exactly one, min and
//                  max one or more)
//      FUN n       user function number n of the values since the matching RB
//    e.g. max(a, b) * 2  ->  RB a b IFUN 34 CON 2 OP 3 END
//
//  * unparsed (infix): the tokens of the text in reading order, with LB '(',
//    RB ')' and DEL ',' for brackets and argument separators, a function
//    token directly followed by LB, and OP 1 for a minus that negates.
//    e.g.  max ( a , b ) * 2  ->  IFUN 34 LB a DEL b RB OP 3 CON 2 END
//
// Text syntax (OSLPchgccoef, OSLPgetccoef, OSLPparsecformula):
//    expr    := term { ('+' | '-') term }
//    term    := unary { ('*' | '/') unary }
//    unary   := ('-' | '+') unary | power
//    power   := primary [ ('^' | '**') unary ]        (right associative)
//    primary := number | column | function '(' expr { ',' expr } ')' | '(' expr ')'
//  A column is its name (letters, digits, '_', '.', '$', starting with a
//  letter or '_'), any name in single or double quotes (the quote doubled
//  inside), or '#' and its 0-based index. A function is one of exp, ln (also
//  log), log10, sin, cos, tan, asin, acos, atan, abs, sign, erf, erfc, sqrt,
//  min, max, the name of a user function, or '@' and a user function number.
//  A minus directly before a number (not raised to a power) makes a negative
//  constant. Printing writes every token separated by one space, with the
//  fewest brackets that give back the same tokens.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>
#include "ondr_ids.h"

namespace ondr {

// Token types.
namespace tok {
enum : int {
  END = OSLP_TOK_EOF, CON = OSLP_TOK_CON, COL = OSLP_TOK_COL, FUN = OSLP_TOK_FUN, IFUN = OSLP_TOK_IFUN,
  LB = OSLP_TOK_LB, RB = OSLP_TOK_RB, DEL = OSLP_TOK_DEL, OP = OSLP_TOK_OP
};
}
// Operator codes (value of an OP token).
namespace opcode {
enum : int {
  NEG = OSLP_OP_UMINUS, POW = OSLP_OP_EXPONENT, MUL = OSLP_OP_MULTIPLY, DIV = OSLP_OP_DIVIDE,
  ADD = OSLP_OP_PLUS, SUB = OSLP_OP_MINUS
};
}
// Internal function codes (value of an IFUN token).
namespace ifun {
enum : int {
  LOG10 = OSLP_IFUN_LOG10, LN = OSLP_IFUN_LN, EXP = OSLP_IFUN_EXP, ABS = OSLP_IFUN_ABS,
  SQRT = OSLP_IFUN_SQRT, SIN = OSLP_IFUN_SIN, COS = OSLP_IFUN_COS, TAN = OSLP_IFUN_TAN,
  ASIN = OSLP_IFUN_ASIN, ACOS = OSLP_IFUN_ACOS, ATAN = OSLP_IFUN_ATAN, MIN = OSLP_IFUN_MIN,
  MAX = OSLP_IFUN_MAX, SIGN = OSLP_IFUN_SIGN, ERF = OSLP_IFUN_ERF, ERFC = OSLP_IFUN_ERFC
};
}

struct FuncDef {
  int code;
  const char *name;   // printed name
  bool nary;          // false: exactly one argument; true: one or more
};
// The internal function of that code or name (aliases: log = ln, arcsin...),
// NULL when none.
const FuncDef *find_ifun(int code);
const FuncDef *find_ifun(const std::string &name);

// Longest formula accepted, in tokens.
constexpr size_t kMaxFormulaTokens = 50000000;

// A token array ended by END (either form).
struct Formula {
  std::vector<int> types;
  std::vector<double> values;
  size_t size() const { return types.size(); }
  void push(int t, double v) {
    types.push_back(t);
    values.push_back(v);
  }
};

// What formulas may refer to: used for checking and for the text form. A
// negative count means "not checked".
struct FormulaContext {
  int ncols = -1;
  int nuserfuncs = -1;
  // Text form. Column and user function lookups by name return -1 (and for
  // functions 0) when unknown; names given back are used as they are.
  std::function<int(const std::string &)> column_index;
  std::function<std::string(int)> column_name;
  std::function<int(const std::string &)> userfunc_number;  // 0 unknown, -1 ambiguous
  std::function<std::string(int)> userfunc_name;            // "" when none
};

// Number of tokens up to and including the first END, looking at no more
// than `max` tokens; 0 when there is no END within them.
size_t formula_length(const int *types, size_t max);

// Checks a parsed formula of `n` tokens (the last must be END). Returns 0
// when valid, else the 1-based number of the first bad token, with the
// reason in `why`.
size_t check_postfix(const int *types, const double *values, size_t n, const FormulaContext &ctx,
                     std::string *why);

// Reads one formula from token arrays: up to its END, which must come within
// `max` tokens. `parsed` 1: postfix, checked; 0: unparsed, converted to
// postfix. Throws Error(ERR_ARGUMENT) naming the bad token. `what` names the
// formula in messages ("formula 3").
Formula read_formula(const int *types, const double *values, size_t max, bool parsed,
                     const FormulaContext &ctx, const std::string &what);

// Unparsed (infix) tokens -> postfix. Throws on a syntax error.
Formula infix_to_postfix(const Formula &infix, const FormulaContext &ctx);
// Postfix -> unparsed (infix) tokens with the fewest brackets.
Formula postfix_to_infix(const Formula &postfix);

// Text -> unparsed tokens; the names of the user functions called are
// appended to `userfuncs` (NULL-ok) in order. Throws on a syntax error or an
// unknown name.
Formula text_to_infix(const std::string &text, const FormulaContext &ctx,
                      std::vector<std::string> *userfuncs);
// Text -> postfix.
Formula parse_text(const std::string &text, const FormulaContext &ctx);
// Postfix or unparsed tokens -> text, tokens separated by single spaces.
std::string postfix_to_text(const Formula &postfix, const FormulaContext &ctx);
std::string infix_to_text(const Formula &infix, const FormulaContext &ctx);
// Number of tokens of a text (what text_to_infix gives, without END), from
// its characters alone: names are not looked up. Throws on a lexical error.
int count_text_tokens(const std::string &text);

// How a name is written in text: as it is when it reads back as one name,
// else in single quotes.
std::string quote_name(const std::string &name);

}  // namespace ondr
