#include "io/model_bin.h"
#include <cmath>
#include <cstring>
#include "env/error.h"
#include "nlp/formula.h"

namespace ondr::io {

namespace {

void write_qmap(BinWriter &w, const QMap &q) {
  w.u32((uint32_t)q.size());
  for (const auto &e : q) {
    w.i32(e.first.first);
    w.i32(e.first.second);
    w.f64(e.second);
  }
}

void write_intmap(BinWriter &w, const std::map<int, int> &mp) {
  w.u32((uint32_t)mp.size());
  for (const auto &e : mp) {
    w.i32(e.first);
    w.i32(e.second);
  }
}

void write_chars(BinWriter &w, const std::vector<char> &v) { w.str(std::string(v.begin(), v.end())); }

void write_strings(BinWriter &w, const std::vector<std::string> &v) {
  w.u32((uint32_t)v.size());
  for (const auto &s : v) w.str(s);
}

// Reading, with the checks that keep the model consistent.
class ModelReader {
 public:
  explicit ModelReader(BinReader &rd) : rd_(rd) {}

  Model read() {
    Model m;
    m.name = rd_.str();
    m.obj = rd_.f64s();
    int n = (int)m.obj.size();
    m.lb = sized_f64s(n, "lower bound");
    m.ub = sized_f64s(n, "upper bound");
    m.coltype = sized_chars(n, "column type", "CBISRP");
    m.limit = sized_f64s(n, "column limit");
    m.colnames = sized_strings(n, "column name");
    m.rowtype = chars("LGERN", "row type");
    int r = m.nrows();
    m.rhs = sized_f64s(r, "right-hand side");
    m.range = sized_f64s(r, "range");
    m.rows.resize((size_t)r);
    for (RowRef row : m.rows) {
      uint32_t k = rd_.count(12);
      row.resize(k);
      int last = -1;
      for (auto &e : row) {
        e.index = index(n, "row entry");
        e.value = value("coefficient");
        if (e.index <= last) rd_.bad("row entries out of order");
        last = e.index;
      }
    }
    m.rownames = sized_strings(r, "row name");
    m.objsense = rd_.i32();
    if (m.objsense != 1 && m.objsense != -1) rd_.bad("invalid objective sense %d", m.objsense);
    m.objconst_neg = value("objective constant");
    m.qobj = qmap(n);
    uint32_t nq = rd_.count(8);
    for (uint32_t k = 0; k < nq; ++k) {
      int row = index(r, "quadratic row");
      m.qrows[row] = qmap(n);
    }
    uint32_t ns = rd_.count(9);
    m.sets.resize(ns);
    for (auto &s : m.sets) {
      s.type = (char)rd_.u8();
      if (s.type != '1' && s.type != '2') rd_.bad("invalid set type %d", s.type);
      std::vector<int> cols = rd_.i32s();
      for (int c : cols)
        if (c < 0 || c >= n) rd_.bad("set member column %d out of range", c);
      s.cols = std::move(cols);
      s.refs = sized_f64s((int)s.cols.size(), "set weight");
    }
    m.setnames = sized_strings((int)ns, "set name");
    m.indcol = rd_.i32s();
    m.indcomp = rd_.i32s();
    if (m.indcol.size() != (size_t)r || m.indcomp.size() != (size_t)r)
      rd_.bad("indicator data of the wrong size");
    for (size_t i = 0; i < m.indcol.size(); ++i)
      if (m.indcol[i] < -1 || m.indcol[i] >= n || (m.indcol[i] >= 0 && m.indcomp[i] != 1 && m.indcomp[i] != -1))
        rd_.bad("invalid indicator of row %zu", i);
    uint32_t nc = rd_.count(24);
    m.nlcoefs.resize(nc);
    for (auto &c : m.nlcoefs) {
      c.row = index(r, "nonlinear coefficient row");
      c.col = rd_.i32();
      if (c.col != kUnitColumn && (c.col < 0 || c.col >= n)) rd_.bad("nonlinear coefficient column out of range");
      c.factor = value("nonlinear factor");
      c.types = rd_.i32s();
      c.values = sized_f64s((int)c.types.size(), "formula token");
      FormulaContext ctx;
      ctx.ncols = n;
      std::string why;
      if (c.types.empty() || check_postfix(c.types.data(), c.values.data(), c.types.size(), ctx, &why) != 0)
        rd_.bad("invalid nonlinear formula of row %d: %s", c.row, why.empty() ? "empty" : why.c_str());
    }
    m.rowstatus = intmap(r, -1);
    m.detrow = intmap(n, r);
    uint32_t nv = rd_.count(4 + 6 * 8 + 2 + 4 * 4);
    for (uint32_t k = 0; k < nv; ++k) {
      int c = index(n, "SLP variable column");
      SlpVar &v = m.slpvars[c];
      for (double *d : {&v.initstepbound, &v.stepbound, &v.penalty, &v.damp, &v.initvalue, &v.value})
        *d = rd_.f64();
      v.has_initvalue = rd_.u8() != 0;
      v.has_value = rd_.u8() != 0;
      for (int *i : {&v.tolset, &v.history, &v.converged, &v.vartype}) *i = rd_.i32();
    }
    m.rowscale = rd_.i32s();
    m.colscale = rd_.i32s();
    // Each scaling is absent or one exponent per row (column), in [-64, 64].
    for (const auto *sc : {&m.rowscale, &m.colscale}) {
      if (!sc->empty() && sc->size() != (size_t)(sc == &m.rowscale ? r : n)) rd_.bad("scaling of the wrong size");
      for (int e : *sc)
        if (e < -64 || e > 64) rd_.bad("scale exponent %d out of range", e);
    }
    return m;
  }

 private:
  int index(int n, const char *what) {
    int i = rd_.i32();
    if (i < 0 || i >= n) rd_.bad("%s %d out of range", what, i);
    return i;
  }
  double value(const char *what) {
    double v = rd_.f64();
    if (std::isnan(v)) rd_.bad("%s is NaN", what);
    return v;
  }
  std::vector<double> sized_f64s(int n, const char *what) {
    std::vector<double> v = rd_.f64s();
    if (v.size() != (size_t)n) rd_.bad("%zu values of %s for %d items", v.size(), what, n);
    for (double d : v)
      if (std::isnan(d)) rd_.bad("a %s is NaN", what);
    return v;
  }
  std::vector<char> chars(const char *allowed, const char *what) {
    std::string s = rd_.str();
    for (char c : s)
      if (!c || !strchr(allowed, c)) rd_.bad("invalid %s '%c'", what, c);
    return std::vector<char>(s.begin(), s.end());
  }
  std::vector<char> sized_chars(int n, const char *what, const char *allowed) {
    std::vector<char> v = chars(allowed, what);
    if (v.size() != (size_t)n) rd_.bad("%zu entries of %s for %d items", v.size(), what, n);
    return v;
  }
  // Names: at most one per item (items past the end have none).
  std::vector<std::string> sized_strings(int n, const char *what) {
    uint32_t k = rd_.count(4);
    if (k > (uint32_t)n) rd_.bad("%u entries of %s for %d items", k, what, n);
    std::vector<std::string> v(k);
    for (auto &s : v) s = rd_.str();
    return v;
  }
  QMap qmap(int n) {
    QMap q;
    uint32_t k = rd_.count(16);
    for (uint32_t e = 0; e < k; ++e) {
      int i = index(n, "quadratic column"), j = index(n, "quadratic column");
      double v = value("quadratic coefficient");
      if (i > j) rd_.bad("quadratic pair (%d, %d) out of order", i, j);
      q[{i, j}] = v;
    }
    return q;
  }
  // Keys in [0, nkeys); values in [0, nvals) unless nvals < 0.
  std::map<int, int> intmap(int nkeys, int nvals) {
    std::map<int, int> mp;
    uint32_t k = rd_.count(8);
    for (uint32_t e = 0; e < k; ++e) {
      int key = index(nkeys, "map key");
      int v = nvals < 0 ? rd_.i32() : index(nvals, "map value");
      mp[key] = v;
    }
    return mp;
  }
  BinReader &rd_;
};

}  // namespace

void write_model(BinWriter &w, const Model &m) {
  w.str(m.name);
  for (const auto *v : {&m.obj, &m.lb, &m.ub}) w.f64s(*v);
  write_chars(w, m.coltype);
  w.f64s(m.limit);
  write_strings(w, m.colnames);
  write_chars(w, m.rowtype);
  w.f64s(m.rhs);
  w.f64s(m.range);
  for (const auto &row : m.rows) {
    w.u32((uint32_t)row.size());
    for (const Entry &e : row) {
      w.i32(e.index);
      w.f64(e.value);
    }
  }
  write_strings(w, m.rownames);
  w.i32(m.objsense);
  w.f64(m.objconst_neg);
  write_qmap(w, m.qobj);
  w.u32((uint32_t)m.qrows.size());
  for (const auto &q : m.qrows) {
    w.i32(q.first);
    write_qmap(w, q.second);
  }
  w.u32((uint32_t)m.sets.size());
  for (const auto &s : m.sets) {
    w.u8((uint8_t)s.type);
    w.i32s(s.cols);
    w.f64s(s.refs);
  }
  write_strings(w, m.setnames);
  w.i32s(m.indcol);
  w.i32s(m.indcomp);
  w.u32((uint32_t)m.nlcoefs.size());
  for (const auto &c : m.nlcoefs) {
    w.i32(c.row);
    w.i32(c.col);
    w.f64(c.factor);
    w.i32s(c.types);
    w.f64s(c.values);
  }
  write_intmap(w, m.rowstatus);
  write_intmap(w, m.detrow);
  w.u32((uint32_t)m.slpvars.size());
  for (const auto &e : m.slpvars) {
    const SlpVar &v = e.second;
    w.i32(e.first);
    for (double d : {v.initstepbound, v.stepbound, v.penalty, v.damp, v.initvalue, v.value}) w.f64(d);
    w.u8(v.has_initvalue ? 1 : 0);
    w.u8(v.has_value ? 1 : 0);
    for (int i : {v.tolset, v.history, v.converged, v.vartype}) w.i32(i);
  }
  w.i32s(m.rowscale);
  w.i32s(m.colscale);
}

Model read_model(BinReader &rd) { return ModelReader(rd).read(); }

}  // namespace ondr::io
