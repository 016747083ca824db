// Writing LP files. Every row is labelled; columns take their order from
// their first appearance, so the objective lists every column (zeros
// included) whenever the rest of the file would mention them out of order.
#include <cmath>
#include "io/formats.h"
#include "io/names.h"
#include "io/nltext.h"

namespace ondr::io {

namespace {

constexpr size_t kLineWidth = 78;

class LpWriter {
 public:
  LpWriter(const Model &m, const WriteOptions &opt)
      : m_(m), names_(output_names(m, opt.objname, NameStyle::Lp)),
        seen_((size_t)m.ncols(), 0) {}
  std::string write();

 private:
  void mention(int j) {
    if (!seen_[(size_t)j]) {
      seen_[(size_t)j] = 1;
      order_.push_back(j);
    }
  }
  // Appends a term to `out`, starting a new line (that begins with the
  // term's sign) when the current one is long.
  void term(std::string &out, bool first, double coef, const std::string &what);
  void quad_bracket(std::string &out, const QMap &q, bool objective);
  void objective(std::string &out, bool all_columns);
  void constraints(std::string &out);
  void bounds(std::string &out);
  void name_list(std::string &out, const char *header, char t1, char t2);
  void semis(std::string &out);
  void sets(std::string &out);

  const Model &m_;
  OutputNames names_;
  std::vector<char> seen_;
  std::vector<int> order_;
  std::string ranges_;  // rows whose range the lower limit cannot carry exactly
  size_t line_start_ = 0;
};

std::string signed_number(double v) {
  if (v >= kInf) return "+infinity";
  if (v <= -kInf) return "-infinity";
  return format_number(v);
}

void LpWriter::term(std::string &out, bool first, double coef, const std::string &what) {
  if (!first && out.size() - line_start_ > kLineWidth) {
    out += "\n  ";
    line_start_ = out.size() - 2;
  }
  bool neg = std::signbit(coef);
  double a = std::fabs(coef);
  if (first) {
    if (neg) out += "- ";
  } else {
    out += neg ? " - " : " + ";
  }
  if (what.empty() || a != 1.0) {
    append_number(out, a);
    if (!what.empty()) out += ' ';
  }
  out += what;
}

void LpWriter::quad_bracket(std::string &out, const QMap &q, bool objective) {
  // Objective: [ ... ] / 2 holds x'Qx, so a diagonal entry is written as
  // it is stored and an off-diagonal pair (standing for Q_ij and Q_ji)
  // doubled. Rows: [ ... ] holds x'Qx with each pair once, as stored.
  out += "[";
  bool first = true;
  for (const auto &e : q) {
    int i = e.first.first, j = e.first.second;
    mention(i);
    mention(j);
    double c = objective && i != j ? 2 * e.second : e.second;
    std::string what = i == j ? names_.cols[(size_t)i] + " ^ 2"
                              : names_.cols[(size_t)i] + " * " + names_.cols[(size_t)j];
    if (first) out += ' ';
    term(out, first, c, what);
    first = false;
  }
  out += objective ? " ] / 2" : " ]";
}

void LpWriter::objective(std::string &out, bool all_columns) {
  out += m_.objsense < 0 ? "Maximize\n" : "Minimize\n";
  line_start_ = out.size();
  out += " " + names_.obj + ":";
  bool first = true;
  for (int j = 0; j < m_.ncols(); ++j) {
    double c = m_.obj[(size_t)j];
    if (c == 0.0 && !all_columns) continue;
    out += first ? " " : "";
    term(out, first, c, names_.cols[(size_t)j]);
    first = false;
  }
  if (m_.objconst_neg != 0.0) {
    out += first ? " " : "";
    term(out, first, -m_.objconst_neg, "");
    first = false;
  }
  if (!m_.qobj.empty()) {
    out += first ? " " : " + ";
    quad_bracket(out, m_.qobj, true);
    first = false;
  }
  if (first) out += " 0";
  out += '\n';
}

// The lower limit of a range row, chosen so that rhs - lower gives back
// the stored range exactly where a neighbouring double allows it.
double range_lower(double rhs, double range) {
  double lo = rhs - range;
  if (rhs - lo == range) return lo;
  double down = lo, up = lo;
  for (int k = 0; k < 4; ++k) {
    down = std::nextafter(down, -HUGE_VAL);
    up = std::nextafter(up, HUGE_VAL);
    if (rhs - down == range) return down;
    if (rhs - up == range) return up;
  }
  return lo;
}

void LpWriter::constraints(std::string &out) {
  out += "Subject To\n";
  for (int r = 0; r < m_.nrows(); ++r) {
    char t = m_.rowtype[(size_t)r];
    line_start_ = out.size();
    out += " " + names_.rows[(size_t)r] + ":";
    int ic = r < (int)m_.indcol.size() ? m_.indcol[(size_t)r] : -1;
    if (ic >= 0) {
      mention(ic);
      out += " " + names_.cols[(size_t)ic] + (m_.indcomp[(size_t)r] < 0 ? " = 0 ->" : " = 1 ->");
    }
    if (t == 'R') {
      double lo = range_lower(m_.rhs[(size_t)r], m_.range[(size_t)r]);
      out += " " + format_number(lo) + " <=";
      // A range that hi - lo does not give back exactly is restated.
      if (m_.rhs[(size_t)r] - lo != m_.range[(size_t)r])
        ranges_ += " " + names_.rows[(size_t)r] + " = " + format_number(m_.range[(size_t)r]) + "\n";
    }
    out += ' ';
    bool first = true;
    for (const auto &e : m_.rows[(size_t)r]) {
      mention(e.index);
      term(out, first, e.value, names_.cols[(size_t)e.index]);
      first = false;
    }
    auto q = m_.qrows.find(r);
    if (q != m_.qrows.end() && !q->second.empty()) {
      if (!first) out += " + ";
      quad_bracket(out, q->second, false);
      first = false;
    }
    if (first) out += "[ ]";  // an empty row
    switch (t) {
      case 'L': case 'R': out += " <= "; break;
      case 'G': out += " >= "; break;
      case 'E': out += " = "; break;
      default: out += " >= -infinity\n"; continue;  // a free row
    }
    out += format_number(m_.rhs[(size_t)r]);
    out += '\n';
  }
}

void LpWriter::bounds(std::string &out) {
  std::string body;
  for (int j = 0; j < m_.ncols(); ++j) {
    char t = m_.coltype[(size_t)j];
    double lo = m_.lb[(size_t)j], hi = m_.ub[(size_t)j], dlo = 0.0, dhi = kInf;
    if (t == 'B') dhi = 1.0;
    // Semi-continuous in the classic form: the limit is the lower bound.
    if ((t == 'S' || t == 'R') && lo == 0.0 && m_.limit[(size_t)j] >= 0.0) lo = m_.limit[(size_t)j];
    if (lo <= -kInf) lo = -kInf;
    if (hi >= kInf) hi = kInf;
    if (lo == dlo && hi == dhi) continue;
    const std::string &n = names_.cols[(size_t)j];
    mention(j);
    if (lo <= -kInf && hi >= kInf) body += " " + n + " free\n";
    else if (lo == hi) body += " " + n + " = " + signed_number(lo) + "\n";
    else if (lo != dlo && hi != dhi) body += " " + signed_number(lo) + " <= " + n + " <= " + signed_number(hi) + "\n";
    else if (lo != dlo) body += " " + n + " >= " + signed_number(lo) + "\n";
    else body += " " + n + " <= " + signed_number(hi) + "\n";
  }
  if (!body.empty()) out += "Bounds\n" + body;
}

void LpWriter::name_list(std::string &out, const char *header, char t1, char t2) {
  bool any = false;
  for (int j = 0; j < m_.ncols(); ++j) {
    char t = m_.coltype[(size_t)j];
    if (t != t1 && t != t2) continue;
    if (!any) {
      out += header;
      out += "\n";
      line_start_ = out.size();
      any = true;
    } else if (out.size() - line_start_ > kLineWidth) {
      out += "\n";
      line_start_ = out.size();
    }
    mention(j);
    out += " " + names_.cols[(size_t)j];
  }
  if (any) out += "\n";
}

void LpWriter::semis(std::string &out) {
  // Semi-continuous (S) and semi-integer (R, also among the generals)
  // columns, and partially integer ones; a limit that is not the lower
  // bound is written after a colon.
  std::string semis, partials;
  for (int j = 0; j < m_.ncols(); ++j) {
    char t = m_.coltype[(size_t)j];
    if (t != 'S' && t != 'R' && t != 'P') continue;
    bool classic = t != 'P' && m_.lb[(size_t)j] == 0.0 && m_.limit[(size_t)j] >= 0.0;
    mention(j);
    std::string item = " " + names_.cols[(size_t)j];
    if (!classic) item += ":" + format_number(m_.limit[(size_t)j]);
    (t == 'P' ? partials : semis) += item + "\n";
  }
  if (!semis.empty()) out += "Semi-continuous\n" + semis;
  if (!partials.empty()) out += "Partial-integers\n" + partials;
}

void LpWriter::sets(std::string &out) {
  if (m_.sets.empty()) return;
  out += "SOS\n";
  for (size_t k = 0; k < m_.sets.size(); ++k) {
    const SetDef &s = m_.sets[k];
    line_start_ = out.size();
    out += " " + names_.sets[k] + (s.type == '2' ? ": S2::" : ": S1::");
    for (size_t i = 0; i < s.cols.size(); ++i) {
      if (out.size() - line_start_ > kLineWidth) {
        out += "\n  ";
        line_start_ = out.size() - 2;
      }
      mention(s.cols[i]);
      out += " " + names_.cols[(size_t)s.cols[i]] + ":" +
             format_number(i < s.refs.size() ? s.refs[i] : 0.0);
    }
    out += "\n";
  }
}

std::string LpWriter::write() {
  // Mentions in file order: the objective's own terms first.
  for (int j = 0; j < m_.ncols(); ++j)
    if (m_.obj[(size_t)j] != 0.0) mention(j);
  for (const auto &e : m_.qobj) {
    mention(e.first.first);
    mention(e.first.second);
  }
  std::string rest;
  constraints(rest);
  if (!ranges_.empty()) rest += "Ranges\n" + ranges_;
  bounds(rest);
  name_list(rest, "Generals", 'I', 'R');
  name_list(rest, "Binaries", 'B', 'B');
  semis(rest);
  sets(rest);
  static const char *const nl_headers[3] = {"NLCoefs", "NLDetRows", "NLRowStatus"};
  write_nl_sections(rest, m_, names_, nl_headers);
  bool in_order = order_.size() == (size_t)m_.ncols();
  for (size_t k = 0; in_order && k < order_.size(); ++k) in_order = order_[k] == (int)k;

  std::string out;
  if (!m_.name.empty()) out += "\\ Problem name: " + m_.name + "\n";
  objective(out, !in_order);
  out += rest;
  out += "End\n";
  return out;
}

}  // namespace

std::string write_lp(const Model &m, const WriteOptions &opt) {
  LpWriter w(m, opt);
  return w.write();
}

}  // namespace ondr::io
