#include "io/builder.h"
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace ondr::io {

void ModelBuilder::fail(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char buf[768];
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  parse_fail(opt.file, line, "%s", buf);
}

void ModelBuilder::check_name(std::string_view name, const char *kind) {
  if ((int)name.size() > opt.maxnamelen)
    fail("%s name of %zu characters exceeds the limit of %d", kind, name.size(), opt.maxnamelen);
}

int ModelBuilder::add_row(std::string_view name, char type) {
  check_name(name, "row");
  int i = m.nrows();
  if (!name.empty() && !rowidx_.emplace(std::string(name), i).second)
    fail("duplicate row name %s", quoted(name).c_str());
  m.rowtype.push_back(type);
  m.rhs.push_back(0.0);
  m.range.push_back(0.0);
  m.rows.emplace_back();
  m.rownames.emplace_back(name);
  m.indcol.push_back(-1);
  m.indcomp.push_back(0);
  indline_.push_back(0);
  return i;
}

int ModelBuilder::add_col(std::string_view name) {
  check_name(name, "column");
  int j = m.ncols();
  if (!name.empty() && !colidx_.emplace(std::string(name), j).second)
    fail("duplicate column name %s", quoted(name).c_str());
  m.obj.push_back(0.0);
  m.lb.push_back(0.0);
  m.ub.push_back(kInf);
  m.coltype.push_back('C');
  m.limit.push_back(0.0);
  m.colnames.emplace_back(name);
  lb_set.push_back(0);
  ub_set.push_back(0);
  limit_set.push_back(0);
  limit_line.push_back(0);
  return j;
}

int ModelBuilder::add_set(std::string_view name, char type) {
  check_name(name, "set");
  int k = (int)m.sets.size();
  if (!name.empty() && !setidx_.emplace(std::string(name), k).second)
    fail("duplicate set name %s", quoted(name).c_str());
  SetDef s;
  s.type = type;
  m.sets.push_back(std::move(s));
  m.setnames.emplace_back(name);
  return k;
}

int ModelBuilder::row(std::string_view name) {
  int i = find_row(name);
  if (i < 0) fail("unknown row %s", quoted(name).c_str());
  return i;
}

int ModelBuilder::col(std::string_view name) {
  int j = find_col(name);
  if (j < 0) fail("unknown column %s", quoted(name).c_str());
  return j;
}

int ModelBuilder::col_or_new(std::string_view name) {
  int j = find_col(name);
  return j >= 0 ? j : add_col(name);
}

void ModelBuilder::add_q(QMap &q, int i, int j, double v) {
  if (v == 0.0) return;
  auto key = std::make_pair(std::min(i, j), std::max(i, j));
  auto it = q.find(key);
  if (it == q.end()) {
    q.emplace(key, v);
  } else {
    it->second += v;
    if (it->second == 0.0) q.erase(it);
  }
}

void ModelBuilder::set_indicator(int r, int c, int value) {
  if (value != 0 && value != 1) fail("indicator value must be 0 or 1, not %d", value);
  if (m.indcol[(size_t)r] >= 0)
    fail("row %s has a second indicator", quoted(m.rownames[(size_t)r]).c_str());
  m.indcol[(size_t)r] = c;
  m.indcomp[(size_t)r] = value == 1 ? 1 : -1;
  indline_[(size_t)r] = line;
}

double ModelBuilder::number(std::string_view text, const char *what) {
  double v;
  if (!parse_number(text, v)) fail("bad number %s for %s", quoted(text).c_str(), what);
  return v;
}

double ModelBuilder::bound_number(std::string_view text, const char *what) {
  double v = number(text, what);
  if (v >= kInf) return kInf;
  if (v <= -kInf) return -kInf;
  return v;
}

double ModelBuilder::coef_number(std::string_view text, const char *what) {
  double v = number(text, what);
  if (!std::isfinite(v)) fail("infinite value %s for %s", quoted(text).c_str(), what);
  return v;
}

Model ModelBuilder::finish(bool binary_defaults) {
  int n = m.ncols();
  for (int j = 0; j < n; ++j) {
    char t = m.coltype[(size_t)j];
    if (t == 'S' || t == 'R') {
      if (!limit_set[(size_t)j]) {
        // x = 0 or limit <= x <= ub: a positive lower bound in the file is
        // the limit, and the column itself may still be 0.
        if (m.lb[(size_t)j] > 0) {
          m.limit[(size_t)j] = m.lb[(size_t)j];
          m.lb[(size_t)j] = 0.0;
        } else {
          m.limit[(size_t)j] = 0.0;
        }
      }
    } else if (t == 'P') {
      if (!limit_set[(size_t)j])
        parse_fail(opt.file, 0, "partially integer column %s has no limit",
                   quoted(m.colnames[(size_t)j]).c_str());
    } else {
      if (limit_set[(size_t)j]) {
        line = limit_line[(size_t)j];
        fail("limit given for column %s, which is not semi-continuous, semi-integer or "
             "partially integer", quoted(m.colnames[(size_t)j]).c_str());
      }
      m.limit[(size_t)j] = 0.0;
      if (t == 'B' && binary_defaults) {
        if (!lb_set[(size_t)j]) m.lb[(size_t)j] = 0.0;
        if (!ub_set[(size_t)j]) m.ub[(size_t)j] = 1.0;
      }
    }
  }
  // Indicator columns must be binary.
  for (int r = 0; r < m.nrows(); ++r) {
    int c = m.indcol[(size_t)r];
    if (c < 0) continue;
    char t = m.coltype[(size_t)c];
    bool binary = t == 'B' || (t == 'I' && m.lb[(size_t)c] >= 0 && m.ub[(size_t)c] <= 1);
    if (!binary) {
      line = indline_[(size_t)r];
      fail("indicator column %s of row %s is not binary", quoted(m.colnames[(size_t)c]).c_str(),
           quoted(m.rownames[(size_t)r]).c_str());
    }
  }
  for (auto it = m.qrows.begin(); it != m.qrows.end();) {
    if (it->second.empty()) it = m.qrows.erase(it);
    else ++it;
  }
  m.names_changed();
  return std::move(m);
}

}  // namespace ondr::io
