// Writing MPS files (free or fixed), one entry per line, numbers in the
// shortest form that reads back exactly.
#include <algorithm>
#include "io/formats.h"
#include "io/names.h"
#include "io/nltext.h"

namespace ondr::io {

namespace {

class MpsWriter {
 public:
  MpsWriter(const Model &m, const WriteOptions &opt)
      : m_(m), opt_(opt),
        names_(output_names(m, opt.objname, opt.fixed ? NameStyle::FixedMps : NameStyle::FreeMps)) {}
  std::string write();

 private:
  // A data line: field 1 (a type), names in fields 2 and 3, a value in
  // field 4. Free format separates fields by spaces; fixed format puts
  // them at columns 2, 5, 15 and 25.
  void line(const char *f1, const std::string &f2, const std::string &f3, double v);
  void line(const char *f1, const std::string &f2, const std::string &f3);
  void pad_to(size_t col);
  void columns();
  void rhs_ranges();
  void bounds();
  void bound(const char *type, int j, double v) { line(type, opt_.bndname, names_.cols[(size_t)j], v); }
  void bound(const char *type, int j) {
    line(type, opt_.bndname, names_.cols[(size_t)j]);
    out_ += '\n';
  }
  void quadratics();
  void sets_indicators();

  const Model &m_;
  const WriteOptions &opt_;
  OutputNames names_;
  std::string out_;
  size_t line_start_ = 0;
};

void MpsWriter::pad_to(size_t col) {
  size_t len = out_.size() - line_start_;
  if (len < col) out_.append(col - len, ' ');
  else out_ += ' ';
}

void MpsWriter::line(const char *f1, const std::string &f2, const std::string &f3) {
  line_start_ = out_.size();
  if (opt_.fixed) {
    out_ += ' ';
    out_ += f1;
    pad_to(4);
    out_ += f2;
    if (!f3.empty()) {
      pad_to(14);
      out_ += f3;
    }
  } else {
    out_ += *f1 ? " " : "   ";
    out_ += f1;
    out_ += ' ';
    out_ += f2;
    if (!f3.empty()) {
      out_ += ' ';
      out_ += f3;
    }
  }
}

void MpsWriter::line(const char *f1, const std::string &f2, const std::string &f3, double v) {
  line(f1, f2, f3);
  if (opt_.fixed) pad_to(24);
  else out_ += ' ';
  append_number(out_, v);
  out_ += '\n';
}

void MpsWriter::columns() {
  out_ += "COLUMNS\n";
  int n = m_.ncols();
  // Entries by column.
  std::vector<int64_t> start((size_t)n + 1, 0);
  for (const auto &row : m_.rows)
    for (const auto &e : row) ++start[(size_t)e.index + 1];
  for (int j = 0; j < n; ++j) start[(size_t)j + 1] += start[(size_t)j];
  std::vector<int> rowind((size_t)start[(size_t)n]);
  std::vector<double> val((size_t)start[(size_t)n]);
  std::vector<int64_t> pos(start.begin(), start.end() - 1);
  for (int r = 0; r < m_.nrows(); ++r)
    for (const auto &e : m_.rows[(size_t)r]) {
      int64_t p = pos[(size_t)e.index]++;
      rowind[(size_t)p] = r;
      val[(size_t)p] = e.value;
    }
  bool in_int = false;
  int markers = 0;
  auto marker = [&](const char *kind) {
    std::string name = "MARKER" + std::to_string(markers++);
    if (opt_.fixed) {
      line_start_ = out_.size();
      out_ += "    " + name;
      pad_to(14);
      out_ += "'MARKER'";
      pad_to(39);
      out_ += kind;
      out_ += '\n';
    } else {
      out_ += "    " + name + " 'MARKER' " + kind + "\n";
    }
  };
  for (int j = 0; j < n; ++j) {
    bool is_int = m_.coltype[(size_t)j] == 'I';
    if (is_int != in_int) {
      marker(is_int ? "'INTORG'" : "'INTEND'");
      in_int = is_int;
    }
    const std::string &c = names_.cols[(size_t)j];
    bool any = start[(size_t)j + 1] > start[(size_t)j];
    // A column without entries still appears, with its objective entry.
    if (m_.obj[(size_t)j] != 0.0 || !any) line("", c, names_.obj, m_.obj[(size_t)j]);
    for (int64_t p = start[(size_t)j]; p < start[(size_t)j + 1]; ++p)
      line("", c, names_.rows[(size_t)rowind[(size_t)p]], val[(size_t)p]);
  }
  if (in_int) marker("'INTEND'");
}

void MpsWriter::rhs_ranges() {
  bool any = m_.objconst_neg != 0.0;
  for (int r = 0; r < m_.nrows() && !any; ++r)
    any = m_.rowtype[(size_t)r] != 'N' && m_.rhs[(size_t)r] != 0.0;
  if (any) {
    out_ += "RHS\n";
    // The objective's right-hand side is minus its constant.
    if (m_.objconst_neg != 0.0) line("", opt_.rhsname, names_.obj, m_.objconst_neg);
    for (int r = 0; r < m_.nrows(); ++r)
      if (m_.rowtype[(size_t)r] != 'N' && m_.rhs[(size_t)r] != 0.0)
        line("", opt_.rhsname, names_.rows[(size_t)r], m_.rhs[(size_t)r]);
  }
  // A range row is written as an L row with its range: rhs - range <= row <= rhs.
  if (std::find(m_.rowtype.begin(), m_.rowtype.end(), 'R') != m_.rowtype.end()) {
    out_ += "RANGES\n";
    for (int r = 0; r < m_.nrows(); ++r)
      if (m_.rowtype[(size_t)r] == 'R') line("", opt_.rngname, names_.rows[(size_t)r], m_.range[(size_t)r]);
  }
}

void MpsWriter::bounds() {
  size_t mark = out_.size();
  out_ += "BOUNDS\n";
  size_t body = out_.size();
  for (int j = 0; j < m_.ncols(); ++j) {
    char t = m_.coltype[(size_t)j];
    double lb = m_.lb[(size_t)j], ub = m_.ub[(size_t)j], lim = m_.limit[(size_t)j];
    bool lb_inf = lb <= -kInf, ub_inf = ub >= kInf;
    if (t == 'B') {
      bound("BV", j);
      if (lb != 0.0) lb_inf ? bound("MI", j) : bound("LO", j, lb);
      if (ub != 1.0) bound("UP", j, ub);
      continue;
    }
    if (t == 'S' || t == 'R') {
      const char *kind = t == 'S' ? "SC" : "SI";
      if (lb == 0.0 && lim >= 0.0) {
        // The classic form: x = 0 or lo <= x <= ub, the limit as lower bound.
        bound(kind, j, ub_inf ? kInf : ub);
        if (lim != 0.0) bound("LO", j, lim);
      } else {
        lb_inf ? bound("MI", j) : bound("LO", j, lb);
        bound(kind, j, ub_inf ? kInf : ub);
        bound("SL", j, lim);
      }
      continue;
    }
    // C, I and P columns: defaults 0 and infinity.
    if (lb_inf && ub_inf) {
      bound("FR", j);
    } else if (lb == ub) {
      bound("FX", j, lb);
    } else {
      if (lb_inf) bound("MI", j);
      else if (lb != 0.0 || ub < 0.0) bound("LO", j, lb);  // an explicit 0 keeps a negative ub from freeing it
      if (!ub_inf) bound("UP", j, ub);
    }
    if (t == 'P') bound("PI", j, lim);
  }
  if (out_.size() == body) out_.resize(mark);
}

void MpsWriter::quadratics() {
  if (!m_.qobj.empty()) {
    // One triangle; each pair stands for both Q_ij and Q_ji of 0.5 x'Qx.
    out_ += "QUADOBJ\n";
    for (const auto &q : m_.qobj)
      line("", names_.cols[(size_t)q.first.first], names_.cols[(size_t)q.first.second], q.second);
  }
  for (const auto &qr : m_.qrows) {
    if (qr.second.empty()) continue;
    // The whole symmetric matrix of x'Qx: an off-diagonal pair is split in two halves.
    out_ += "QCMATRIX   " + names_.rows[(size_t)qr.first] + "\n";
    for (const auto &q : qr.second) {
      const std::string &a = names_.cols[(size_t)q.first.first];
      const std::string &b = names_.cols[(size_t)q.first.second];
      if (q.first.first == q.first.second) {
        line("", a, b, q.second);
      } else {
        line("", a, b, q.second / 2);
        line("", b, a, q.second / 2);
      }
    }
  }
}

void MpsWriter::sets_indicators() {
  if (!m_.sets.empty()) {
    out_ += "SOS\n";
    for (size_t k = 0; k < m_.sets.size(); ++k) {
      const SetDef &s = m_.sets[k];
      line(s.type == '2' ? "S2" : "S1", "SOS", names_.sets[k]);
      out_ += '\n';
      for (size_t i = 0; i < s.cols.size(); ++i)
        line("", names_.sets[k], names_.cols[(size_t)s.cols[i]], i < s.refs.size() ? s.refs[i] : 0.0);
    }
  }
  bool any = false;
  for (int r = 0; r < m_.nrows(); ++r) {
    int c = r < (int)m_.indcol.size() ? m_.indcol[(size_t)r] : -1;
    if (c < 0) continue;
    if (!any) out_ += "INDICATORS\n";
    any = true;
    line("IF", names_.rows[(size_t)r], names_.cols[(size_t)c], m_.indcomp[(size_t)r] < 0 ? 0.0 : 1.0);
  }
}

std::string MpsWriter::write() {
  out_ += "NAME";
  if (!m_.name.empty()) {
    out_.append(opt_.fixed ? 10 : 1, ' ');
    out_ += m_.name;
  }
  out_ += '\n';
  if (m_.objsense < 0) out_ += "OBJSENSE\n    MAX\n";
  out_ += "ROWS\n";
  line("N", names_.obj, "");
  out_ += '\n';
  for (int r = 0; r < m_.nrows(); ++r) {
    char t = m_.rowtype[(size_t)r];
    const char type[2] = {t == 'R' ? 'L' : t, 0};
    line(type, names_.rows[(size_t)r], "");
    out_ += '\n';
  }
  columns();
  rhs_ranges();
  bounds();
  quadratics();
  sets_indicators();
  static const char *const nl_headers[3] = {"NLCOEFS", "NLDETROWS", "NLROWSTATUS"};
  write_nl_sections(out_, m_, names_, nl_headers);
  out_ += "ENDATA\n";
  return std::move(out_);
}

}  // namespace

std::string write_mps(const Model &m, const WriteOptions &opt) {
  MpsWriter w(m, opt);
  return w.write();
}

}  // namespace ondr::io
