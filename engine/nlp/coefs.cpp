// Nonlinear coefficients and formulas: the C interface over Model::nlcoefs
// and the formula module.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include "env/shell.h"
#include "nlp/coefs.h"
#include "nlp/formula.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "nlp/tape.h"
#include "nlp/userfunc.h"
#include "oslp.h"

namespace ondr {

void nlp_model_changed(OSLPprob s) {
  s->results.state &= ~(OSLP_STATE_CONSTRUCTED | OSLP_STATE_PRESOLVED);
  s->hard_rows.clear();  // fixed penalties hold for the problem they were fixed on
}

FormulaContext formula_context(OSLPprob s) {
  const Model &m = s->prob->model;
  FormulaContext fc;
  fc.ncols = m.ncols();
  fc.nuserfuncs = (int)s->userfuncs.size();
  fc.column_index = [&m](const std::string &name) { return m.find_name(2, name); };
  fc.column_name = [&m](int j) { return m.name_or_default(2, j); };
  fc.userfunc_number = [s](const std::string &name) {
    int found = 0;
    for (size_t i = 0; i < s->userfuncs.size(); ++i)
      if (s->userfuncs[i].name == name) {
        if (found) return -1;
        found = (int)i + 1;
      }
    return found;
  };
  fc.userfunc_name = [s](int k) {
    return k >= 1 && k <= (int)s->userfuncs.size() ? s->userfuncs[k - 1].name : std::string();
  };
  return fc;
}

std::vector<double> current_point(OSLPprob s) {
  const Model &m = s->prob->model;
  const size_t n = (size_t)m.ncols();
  const Results &pr = s->prob->results;
  if (s->results.has_sol && s->results.x.size() == n) return s->results.x;
  if (pr.has_mipsol && pr.mipx.size() == n) return pr.mipx;
  if (pr.has_lpsol && pr.x.size() == n) return pr.x;
  std::vector<double> x(n, 0.0);
  for (size_t j = 0; j < n; ++j) {
    auto it = m.slpvars.find((int)j);
    if (it != m.slpvars.end() && it->second.has_value) {
      x[j] = it->second.value;
    } else if (it != m.slpvars.end() && it->second.has_initvalue) {
      x[j] = it->second.initvalue;
    } else {
      if (j < m.lb.size() && m.lb[j] > -kInf && x[j] < m.lb[j]) x[j] = m.lb[j];
      if (j < m.ub.size() && m.ub[j] < kInf && x[j] > m.ub[j]) x[j] = m.ub[j];
    }
  }
  return x;
}

}  // namespace ondr

using namespace ondr;

namespace {

Model &model_of(OSLPprob s) { return s->prob->model; }

void check_row(const Model &m, int r) {
  ONDR_REQUIRE(r >= 0 && r < m.nrows(), "Invalid row index %d (the problem has %d rows)", r, m.nrows());
}
void check_coef_col(const Model &m, int c) {
  ONDR_REQUIRE(c == kUnitColumn || (c >= 0 && c < m.ncols()),
               "Invalid column index %d (the problem has %d columns; the unit column is %d)", c, m.ncols(),
               kUnitColumn);
}

int find_coef(const Model &m, int r, int c) {
  for (size_t i = 0; i < m.nlcoefs.size(); ++i)
    if (m.nlcoefs[i].row == r && m.nlcoefs[i].col == c) return (int)i;
  return -1;
}

int find_existing(const Model &m, int r, int c) {
  check_row(m, r);
  check_coef_col(m, c);
  int k = find_coef(m, r, c);
  if (k < 0) fail(ERR_ARGUMENT, "There is no nonlinear coefficient in row %d, column %d", r, c);
  return k;
}

int64_t coef_key(int r, int c) { return ((int64_t)r << 32) | (uint32_t)c; }

// Appends the tokens of `c` without its END, multiplied by `factor`.
void append_scaled(Formula &f, const NlCoef &c, double factor) {
  f.types.insert(f.types.end(), c.types.begin(), c.types.end() - 1);
  f.values.insert(f.values.end(), c.values.begin(), c.values.end() - 1);
  if (factor != 1) {
    f.push(tok::CON, factor);
    f.push(tok::OP, opcode::MUL);
  }
}

// Coefficients at one place become one, summed in a single pass so that k
// additions cost the total size of their formulas, not k times it: with one
// factor f shared by all, f * (F1 + ... + Fk); else 1 * (f1 * F1 + ... + fk * Fk).
void combine(NlCoef &into, const std::vector<const NlCoef *> &adds) {
  bool same = true;
  size_t total = into.types.size() + 1;
  for (const NlCoef *a : adds) {
    same = same && a->factor == into.factor;
    total += a->types.size() + 3;
  }
  Formula f;
  f.types.reserve(total);
  f.values.reserve(total);
  append_scaled(f, into, same ? 1.0 : into.factor);
  for (const NlCoef *a : adds) {
    append_scaled(f, *a, same ? 1.0 : a->factor);
    f.push(tok::OP, opcode::ADD);
  }
  f.push(tok::END, 0);
  if (!same) into.factor = 1.0;
  into.types = std::move(f.types);
  into.values = std::move(f.values);
}

void set_coefs(OSLPprob s, int n, const int rows[], const int cols[], const double factor[],
               const int fstart[], int parsed, const int type[], const double value[], bool replace) {
  Model &m = model_of(s);
  ONDR_REQUIRE(n >= 0, "Invalid number of coefficients %d", n);
  ONDR_REQUIRE(parsed == 0 || parsed == 1, "Invalid parsed flag %d (1 postfix, 0 infix tokens)", parsed);
  if (n > 0) ONDR_REQUIRE(rows && cols && fstart && type && value, "NULL coefficient array");
  FormulaContext fc = formula_context(s);
  std::vector<NlCoef> add((size_t)n);
  for (int i = 0; i < n; ++i) {
    NlCoef &c = add[i];
    c.row = rows[i];
    c.col = cols[i];
    ONDR_REQUIRE(c.row >= 0 && c.row < m.nrows(), "Coefficient %d: invalid row index %d (the problem has %d rows)", i,
                 c.row, m.nrows());
    ONDR_REQUIRE(c.col == kUnitColumn || (c.col >= 0 && c.col < m.ncols()),
                 "Coefficient %d: invalid column index %d (the problem has %d columns; the unit column is %d)", i,
                 c.col, m.ncols(), kUnitColumn);
    c.factor = factor ? factor[i] : 1.0;
    ONDR_REQUIRE(std::isfinite(c.factor), "Coefficient %d: the factor is not a finite number", i);
    ONDR_REQUIRE(fstart[i] >= 0 && fstart[i + 1] > fstart[i],
                 "Coefficient %d: invalid formula starts %d and %d", i, fstart[i], fstart[i + 1]);
    Formula f = read_formula(type + fstart[i], value + fstart[i], (size_t)(fstart[i + 1] - fstart[i]), parsed == 1,
                             fc, format("The formula of coefficient %d", i));
    c.types = std::move(f.types);
    c.values = std::move(f.values);
  }
  // Everything is checked: now change the model.
  std::vector<NlCoef> fresh;
  std::vector<NlCoef> &dest = replace ? fresh : m.nlcoefs;
  std::unordered_map<int64_t, size_t> where;
  if (!replace && n > 0) {
    std::unordered_set<int> batch_rows(rows, rows + n);
    for (size_t k = 0; k < dest.size(); ++k)
      if (batch_rows.count(dest[k].row)) where[coef_key(dest[k].row, dest[k].col)] = k;
  }
  // Coefficients that meet one already in place (or earlier in the batch)
  // are gathered per place and summed once at the end.
  std::unordered_map<size_t, std::vector<const NlCoef *>> joins;
  for (NlCoef &c : add) {
    auto it = where.find(coef_key(c.row, c.col));
    if (it != where.end()) {
      joins[it->second].push_back(&c);
    } else {
      where[coef_key(c.row, c.col)] = dest.size();
      dest.push_back(std::move(c));
    }
  }
  for (auto &j : joins) combine(dest[j.first], j.second);
  if (replace) m.nlcoefs.swap(fresh);
  nlp_model_changed(s);
}

void change_coef(OSLPprob s, int r, int c, const double *factor, const Formula *f) {
  Model &m = model_of(s);
  check_row(m, r);
  check_coef_col(m, c);
  if (factor) ONDR_REQUIRE(std::isfinite(*factor), "The factor is not a finite number");
  int k = find_coef(m, r, c);
  if (k < 0) {
    ONDR_REQUIRE(f, "There is no nonlinear coefficient in row %d, column %d: give a formula to create one", r, c);
    NlCoef nc;
    nc.row = r;
    nc.col = c;
    nc.factor = factor ? *factor : 1.0;
    nc.types = f->types;
    nc.values = f->values;
    m.nlcoefs.push_back(std::move(nc));
  } else {
    NlCoef &e = m.nlcoefs[k];
    if (factor) e.factor = *factor;
    if (f) {
      e.types = f->types;
      e.values = f->values;
    }
  }
  nlp_model_changed(s);
}

// Value of a formula at the current point.
double evaluate_at_current(OSLPprob s, const Formula &f) {
  std::vector<double> x = current_point(s);
  UserFuncTable uf = UserFuncTable::of(s);
  Tape t(f, false);
  TapeWork w;
  return t.forward(x.data(), w, 0, &uf);
}

}  // namespace

namespace ondr {

void slp_addcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[], const double factor[],
                  const int fstart[], int parsed, const int type[], const double value[]) {
  set_coefs(s, n, rowindex, colindex, factor, fstart, parsed, type, value, false);
}

void slp_loadcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[], const double factor[],
                   const int fstart[], int parsed, const int type[], const double value[]) {
  set_coefs(s, n, rowindex, colindex, factor, fstart, parsed, type, value, true);
}

void slp_delcoefs(OSLPprob s, int n, const int rowindex[], const int colindex[]) {
  Model &m = model_of(s);
  ONDR_REQUIRE(n >= 0, "Invalid number of coefficients %d", n);
  if (n == 0) return;
  ONDR_REQUIRE(rowindex && colindex, "NULL coefficient array");
  std::vector<char> drop(m.nlcoefs.size(), 0);
  for (int i = 0; i < n; ++i) drop[find_existing(m, rowindex[i], colindex[i])] = 1;
  size_t k = 0;
  m.nlcoefs.erase(std::remove_if(m.nlcoefs.begin(), m.nlcoefs.end(), [&](const NlCoef &) { return drop[k++]; }),
                  m.nlcoefs.end());
  nlp_model_changed(s);
}

void slp_getcoefs(OSLPprob s, int *n, int rowindex[], int colindex[]) {
  ONDR_REQUIRE(n, "NULL count pointer");
  const Model &m = model_of(s);
  *n = (int)m.nlcoefs.size();
  for (size_t i = 0; i < m.nlcoefs.size(); ++i) {
    if (rowindex) rowindex[i] = m.nlcoefs[i].row;
    if (colindex) colindex[i] = m.nlcoefs[i].col;
  }
}

void slp_chgcoef(OSLPprob s, int rowindex, int colindex, const double *factor, int parsed, const int type[],
                 const double value[]) {
  ONDR_REQUIRE(parsed == 0 || parsed == 1, "Invalid parsed flag %d (1 postfix, 0 infix tokens)", parsed);
  ONDR_REQUIRE(!type == !value, "Give both token arrays or neither");
  Formula f;
  if (type) f = read_formula(type, value, kMaxFormulaTokens, parsed == 1, formula_context(s), "The formula");
  change_coef(s, rowindex, colindex, factor, type ? &f : nullptr);
}

void slp_chgccoef(OSLPprob s, int rowindex, int colindex, const double *factor, const char *formula) {
  Formula f;
  if (formula) f = parse_text(formula, formula_context(s));
  change_coef(s, rowindex, colindex, factor, formula ? &f : nullptr);
}

void slp_getccoef(OSLPprob s, int rowindex, int colindex, double *factor, char *formula, int flen) {
  ONDR_REQUIRE(formula && flen >= 1, "Invalid formula buffer (length %d)", flen);
  const Model &m = model_of(s);
  const NlCoef &c = m.nlcoefs[find_existing(m, rowindex, colindex)];
  Formula f;
  f.types = c.types;
  f.values = c.values;
  std::string text = postfix_to_text(f, formula_context(s));
  if ((int64_t)text.size() + 1 > flen)
    fail(ERR_ARGUMENT, "The formula text needs %zu bytes; the buffer has %d", text.size() + 1, flen);
  memcpy(formula, text.c_str(), text.size() + 1);
  if (factor) *factor = c.factor;
}

void slp_getcoefformula(OSLPprob s, int rowindex, int colindex, double *factor, int parsed, int bufsize,
                        int *ntoken, int type[], double value[]) {
  ONDR_REQUIRE(ntoken, "NULL token count pointer");
  ONDR_REQUIRE(parsed == 0 || parsed == 1, "Invalid parsed flag %d (1 postfix, 0 infix tokens)", parsed);
  const Model &m = model_of(s);
  const NlCoef &c = m.nlcoefs[find_existing(m, rowindex, colindex)];
  Formula f;
  f.types = c.types;
  f.values = c.values;
  if (!parsed) f = postfix_to_infix(f);
  if ((type || value) && (int64_t)f.size() > bufsize)
    fail(ERR_ARGUMENT, "The formula has %zu tokens; the buffer holds %d", f.size(), bufsize);
  for (size_t i = 0; i < f.size(); ++i) {
    if (type) type[i] = f.types[i];
    if (value) value[i] = f.values[i];
  }
  *ntoken = (int)f.size();
  if (factor) *factor = c.factor;
}

void slp_evaluatecoef(OSLPprob s, int rowindex, int colindex, double *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  const Model &m = model_of(s);
  const NlCoef &c = m.nlcoefs[find_existing(m, rowindex, colindex)];
  Formula f;
  f.types = c.types;
  f.values = c.values;
  double v;
  try {
    v = evaluate_at_current(s, f);
  } catch (const Error &e) {
    fail(e.code(), "Evaluation error in the coefficient of row %d, column %d: %s", rowindex, colindex, e.what());
  }
  *value = c.factor * v;
}

int slp_tokencount(const char *record) {
  ONDR_REQUIRE(record, "NULL formula text");
  return count_text_tokens(record);
}

void slp_preparseformula(OSLPprob s, const char *formula, int *ntoken, int type[], double value[],
                         char *strtable, int *strtablesize) {
  ONDR_REQUIRE(formula && ntoken && type && value, "NULL argument to OSLPpreparseformula");
  const size_t L = strlen(formula), cap = L / 2 + 1;
  std::vector<std::string> names;
  Formula f = text_to_infix(formula, formula_context(s), &names);
  const size_t count = f.size() - 1;  // without END
  if (count > cap)
    fail(ERR_ARGUMENT,
         "The formula has %zu tokens, more than the %zu its text length allows here: separate the tokens by spaces",
         count, cap);
  std::string table;
  for (const std::string &nm : names) table.append(nm.c_str(), nm.size() + 1);
  if (strtable && table.size() > L)
    fail(ERR_ARGUMENT, "The names of the user functions need %zu bytes, more than %zu", table.size(), L);
  for (size_t i = 0; i < count; ++i) {
    type[i] = f.types[i];
    value[i] = f.values[i];
  }
  *ntoken = (int)count;
  if (strtable) memcpy(strtable, table.data(), table.size());
  if (strtablesize) *strtablesize = (int)table.size();
}

void slp_parseformula(OSLPprob s, const int intype[], const double invalue[], int *ntoken, int type[],
                      double value[]) {
  ONDR_REQUIRE(intype && invalue && ntoken && type && value, "NULL argument to OSLPparseformula");
  Formula f = read_formula(intype, invalue, kMaxFormulaTokens, false, formula_context(s), "The formula");
  std::copy(f.types.begin(), f.types.end(), type);
  std::copy(f.values.begin(), f.values.end(), value);
  *ntoken = (int)f.size();
}

void slp_parsecformula(OSLPprob s, const char *formula, int *ntoken, int type[], double value[]) {
  ONDR_REQUIRE(formula && ntoken && type && value, "NULL argument to OSLPparsecformula");
  Formula f = parse_text(formula, formula_context(s));
  std::copy(f.types.begin(), f.types.end(), type);
  std::copy(f.values.begin(), f.values.end(), value);
  *ntoken = (int)f.size();
}

void slp_validformula(const int type[], const double value[], int *badtoken, char *namebuf) {
  ONDR_REQUIRE(type && value && badtoken, "NULL argument to OSLPvalidformula");
  size_t n = formula_length(type, kMaxFormulaTokens);
  if (!n) fail(ERR_ARGUMENT, "The formula has no END token (type 0)");
  std::string why;
  size_t bad = check_postfix(type, value, n, FormulaContext(), &why);
  *badtoken = (int)bad;
  if (namebuf) snprintf(namebuf, 256, "%s", bad ? why.c_str() : "");
}

void slp_evaluateformula(OSLPprob s, int parsed, const int type[], const double value[], double *result) {
  ONDR_REQUIRE(type && value && result, "NULL argument to OSLPevaluateformula");
  ONDR_REQUIRE(parsed == 0 || parsed == 1, "Invalid parsed flag %d (1 postfix, 0 infix tokens)", parsed);
  Formula f = read_formula(type, value, kMaxFormulaTokens, parsed == 1, formula_context(s), "The formula");
  try {
    *result = evaluate_at_current(s, f);
  } catch (const Error &e) {
    fail(e.code(), "Evaluation error in the formula: %s", e.what());
  }
}

}  // namespace ondr
