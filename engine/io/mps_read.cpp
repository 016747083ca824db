// Reading MPS files, free (fields separated by white space) or fixed
// (fields at their classic columns, names may hold spaces).
#include <cmath>
#include <cstring>
#include "io/formats.h"
#include "io/nltext.h"

namespace ondr::io {

namespace {

enum class Sec {
  None, Name, ObjSense, ObjName, Rows, Columns, Rhs, Ranges, Bounds, QuadObj, QMatrix,
  QcMatrix, Sos, Indicators, NlCoefs, NlDetRows, NlRowStatus
};

constexpr int kObjRow = -2;  // row reference meaning the objective

enum BoundKind { UP, LO, FX, FR, MI, PL, BV, LI, UI, SC, SI, PI, SL };
struct BoundName {
  const char *name;
  BoundKind kind;
  int value;  // 2 required, 1 optional, 0 none
};
const BoundName kBounds[] = {
    {"UP", UP, 2}, {"LO", LO, 2}, {"FX", FX, 2}, {"FR", FR, 0}, {"MI", MI, 0},
    {"PL", PL, 0}, {"BV", BV, 1}, {"LI", LI, 2}, {"UI", UI, 2}, {"SC", SC, 1},
    {"SI", SI, 1}, {"PI", PI, 2}, {"SL", SL, 2},
};

struct VecEntry {
  int vec, row;
  double value;
  int line;
};
struct BoundEntry {
  int vec;
  BoundKind kind;
  int col;
  bool has_value;
  double value;
  int line;
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string_view unquote(std::string_view s) {
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') return s.substr(1, s.size() - 2);
  return s;
}

// The six classic fields of a data line. Fixed format: columns 2-3, 5-12,
// 15-22, 25-36, 40-47, 50-61; a number field runs on to the next white
// space, so that numbers written with full precision fit.
struct Fields {
  std::string_view f[6];
};

std::string_view slice(std::string_view line, size_t b, size_t e) {
  if (line.size() <= b) return {};
  return trim(line.substr(b, std::min(e, line.size()) - b));
}

// A number starting in columns b+1..e; `end` receives where it stops.
std::string_view number_slice(std::string_view line, size_t b, size_t e, size_t *end = nullptr) {
  size_t i = b;
  while (i < e && i < line.size() && is_space(line[i])) ++i;
  if (end) *end = i;
  if (i >= e || i >= line.size()) return {};
  size_t k = i;
  while (k < line.size() && !is_space(line[k])) ++k;
  if (end) *end = k;
  return line.substr(i, k - i);
}

Fields fixed_fields(std::string_view line) {
  Fields r;
  r.f[0] = slice(line, 1, 3);
  r.f[1] = slice(line, 4, 12);
  r.f[2] = slice(line, 14, 22);
  size_t end4 = 0;
  r.f[3] = number_slice(line, 24, 36, &end4);
  if (end4 <= 39) {
    r.f[4] = slice(line, 39, 47);
    r.f[5] = number_slice(line, 49, 61);
  } else {
    // A long number pushes fields 5 and 6 to its right.
    std::vector<std::string_view> rest;
    split_ws(line.substr(end4), rest);
    if (rest.size() > 0) r.f[4] = rest[0];
    if (rest.size() > 1) r.f[5] = rest[1];
  }
  return r;
}

class MpsReader {
 public:
  MpsReader(const ReadOptions &opt, std::string_view text, bool fixed)
      : b_(opt), text_(text), fixed_(fixed) {}
  Model read();

 private:
  void header(std::string_view line);
  void data(std::string_view line);
  void close_section();
  void need_columns(std::string_view kw);
  int rowref(std::string_view name);
  int vector_index(std::vector<std::string_view> &names, std::string_view name);
  int chosen(const std::vector<std::string_view> &names, const std::string &preferred);

  void rows_line();
  void columns_line(std::string_view line);
  void vector_line(std::string_view line, std::vector<VecEntry> &out,
                   std::vector<std::string_view> &names, const char *what);
  void bounds_line(std::string_view line);
  void quad_line(std::string_view line);
  void sos_line(std::string_view line);
  void indicator_line(std::string_view line);
  void objsense(std::string_view word);

  void apply_vectors();
  void apply_bound(const BoundEntry &e);

  ModelBuilder b_;
  std::string_view text_;
  bool fixed_;
  std::vector<std::string_view> tok_;
  Sec sec_ = Sec::None;
  bool ended_ = false, rows_seen_ = false, cols_seen_ = false;

  std::string objname_;           // objective row (given by OBJNAME or the first N row)
  bool objname_given_ = false, obj_found_ = false;
  int objsense_ = 1;
  std::string probname_;

  // COLUMNS state
  std::vector<int> rowmark_;      // last column with an entry in each row
  int cur_col_ = -1;
  std::string_view cur_name_;
  bool cur_obj_ = false;          // current column has an objective entry
  bool in_int_ = false;
  int marker_line_ = 0;

  int qrow_ = -1;                 // QCMATRIX row
  int cur_set_ = -1;

  std::vector<VecEntry> rhs_, ranges_;
  std::vector<std::string_view> rhs_names_, range_names_, bound_names_;
  std::vector<BoundEntry> bounds_;
};

int MpsReader::rowref(std::string_view name) {
  if (obj_found_ && name == objname_) return kObjRow;
  return b_.row(name);
}

int MpsReader::vector_index(std::vector<std::string_view> &names, std::string_view name) {
  for (size_t k = 0; k < names.size(); ++k)
    if (names[k] == name) return (int)k;
  names.push_back(name);
  return (int)names.size() - 1;
}

int MpsReader::chosen(const std::vector<std::string_view> &names, const std::string &preferred) {
  for (size_t k = 0; k < names.size(); ++k)
    if (names[k] == preferred) return (int)k;
  return 0;
}

void MpsReader::objsense(std::string_view w) {
  if (iequals(w, "MAX") || iequals(w, "MAXIMIZE") || iequals(w, "MAXIMISE")) objsense_ = -1;
  else if (iequals(w, "MIN") || iequals(w, "MINIMIZE") || iequals(w, "MINIMISE")) objsense_ = 1;
  else b_.fail("unknown objective sense %s", quoted(w).c_str());
}

void MpsReader::need_columns(std::string_view kw) {
  if (!cols_seen_)
    b_.fail("section %s comes before COLUMNS", std::string(kw).c_str());
}

void MpsReader::close_section() {
  if (sec_ == Sec::Columns && in_int_) {
    b_.line = marker_line_;
    b_.fail("MARKER INTORG without a closing INTEND");
  }
  if (sec_ == Sec::Rows && objname_given_ && !obj_found_)
    b_.fail("the objective row %s named by OBJNAME is not among the N rows",
            quoted(objname_).c_str());
}

void MpsReader::header(std::string_view line) {
  split_ws(line, tok_);
  std::string kw(tok_[0]);
  for (char &c : kw)
    if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
  close_section();
  std::string_view arg = tok_.size() > 1 ? tok_[1] : std::string_view();
  if (kw == "NAME") {
    probname_ = std::string(arg);
    sec_ = Sec::Name;
  } else if (kw == "OBJSENSE") {
    if (!arg.empty()) {
      objsense(arg);
      sec_ = Sec::Name;  // no data lines follow
    } else {
      sec_ = Sec::ObjSense;
    }
  } else if (kw == "OBJNAME") {
    if (rows_seen_) b_.fail("OBJNAME comes after ROWS");
    if (!arg.empty()) {
      objname_ = std::string(arg);
      objname_given_ = true;
      sec_ = Sec::Name;
    } else {
      sec_ = Sec::ObjName;
    }
  } else if (kw == "ROWS") {
    if (rows_seen_) b_.fail("a second ROWS section");
    rows_seen_ = true;
    sec_ = Sec::Rows;
  } else if (kw == "COLUMNS") {
    if (!rows_seen_) b_.fail("section COLUMNS comes before ROWS");
    if (cols_seen_) b_.fail("a second COLUMNS section");
    cols_seen_ = true;
    rowmark_.assign((size_t)b_.m.nrows(), -1);
    sec_ = Sec::Columns;
  } else if (kw == "RHS") {
    need_columns(kw);
    sec_ = Sec::Rhs;
  } else if (kw == "RANGES") {
    need_columns(kw);
    sec_ = Sec::Ranges;
  } else if (kw == "BOUNDS") {
    need_columns(kw);
    sec_ = Sec::Bounds;
  } else if (kw == "QUADOBJ") {
    need_columns(kw);
    sec_ = Sec::QuadObj;
  } else if (kw == "QMATRIX") {
    need_columns(kw);
    sec_ = Sec::QMatrix;
  } else if (kw == "QSECTION" || kw == "QCMATRIX") {
    need_columns(kw);
    if (arg.empty()) b_.fail("%s needs the name of its row", kw.c_str());
    int r = rowref(arg);
    if (r == kObjRow) {
      // On the objective: QSECTION lists one triangle, QCMATRIX the whole matrix.
      sec_ = kw == "QSECTION" ? Sec::QuadObj : Sec::QMatrix;
    } else {
      qrow_ = r;
      sec_ = Sec::QcMatrix;
    }
  } else if (kw == "SOS") {
    need_columns(kw);
    cur_set_ = -1;
    sec_ = Sec::Sos;
  } else if (kw == "INDICATORS") {
    need_columns(kw);
    sec_ = Sec::Indicators;
  } else if (kw == "NLCOEFS" || kw == "NLDETROWS" || kw == "NLROWSTATUS") {
    if (!b_.opt.nonlinear)
      b_.fail("the file has nonlinear content; read it through the nonlinear layer (section %s)",
              kw.c_str());
    need_columns(kw);
    sec_ = kw == "NLCOEFS" ? Sec::NlCoefs : kw == "NLDETROWS" ? Sec::NlDetRows : Sec::NlRowStatus;
  } else if (kw == "ENDATA") {
    ended_ = true;
  } else {
    b_.fail("unknown section %s", quoted(tok_[0]).c_str());
  }
}

void MpsReader::rows_line() {
  if (tok_.size() != 2) b_.fail("a ROWS line holds a row type and a name");
  std::string_view t = tok_[0], name = tok_[1];
  char type = t.size() == 1 ? (char)toupper((unsigned char)t[0]) : '?';
  if (type != 'N' && type != 'L' && type != 'G' && type != 'E')
    b_.fail("unknown row type %s", quoted(t).c_str());
  if (type == 'N' && !obj_found_ && (!objname_given_ || name == objname_)) {
    if (b_.find_row(name) >= 0) b_.fail("duplicate row name %s", quoted(name).c_str());
    objname_ = std::string(name);
    obj_found_ = true;
    return;
  }
  if (obj_found_ && name == objname_) b_.fail("duplicate row name %s", quoted(name).c_str());
  b_.add_row(name, type);
}

void MpsReader::columns_line(std::string_view line) {
  std::string_view colname, pair[2][2];
  bool marker = false;
  std::string_view marker_kind;
  if (fixed_) {
    Fields f = fixed_fields(line);
    colname = f.f[1];
    if (iequals(unquote(f.f[2]), "MARKER")) {
      marker = true;
      marker_kind = f.f[4];
    } else {
      pair[0][0] = f.f[2], pair[0][1] = f.f[3], pair[1][0] = f.f[4], pair[1][1] = f.f[5];
    }
  } else {
    split_ws(line, tok_);
    if (tok_.size() == 3 && iequals(unquote(tok_[1]), "MARKER")) {
      marker = true;
      marker_kind = tok_[2];
    } else if (tok_.size() == 3 || tok_.size() == 5) {
      colname = tok_[0];
      pair[0][0] = tok_[1], pair[0][1] = tok_[2];
      if (tok_.size() == 5) pair[1][0] = tok_[3], pair[1][1] = tok_[4];
    } else {
      b_.fail("a COLUMNS line holds a column and one or two (row, value) pairs");
    }
  }
  if (marker) {
    std::string_view k = unquote(marker_kind);
    if (iequals(k, "INTORG")) {
      if (in_int_) b_.fail("MARKER INTORG inside an integer block");
      in_int_ = true;
      marker_line_ = b_.line;
    } else if (iequals(k, "INTEND")) {
      if (!in_int_) b_.fail("MARKER INTEND without INTORG");
      in_int_ = false;
    } else {
      b_.fail("unknown MARKER kind %s", quoted(marker_kind).c_str());
    }
    return;
  }
  if (colname.empty()) b_.fail("a COLUMNS line without a column name");
  if (cur_col_ < 0 || colname != cur_name_) {
    if (b_.find_col(colname) >= 0)
      b_.fail("column %s appears again after other columns", quoted(colname).c_str());
    cur_col_ = b_.add_col(colname);
    cur_name_ = colname;
    cur_obj_ = false;
    if (in_int_) b_.m.coltype[(size_t)cur_col_] = 'I';
  }
  for (int p = 0; p < 2; ++p) {
    if (pair[p][0].empty() && pair[p][1].empty()) {
      if (p == 0) b_.fail("a COLUMNS line without a row");
      continue;
    }
    if (pair[p][0].empty() || pair[p][1].empty()) b_.fail("a (row, value) pair lacks a part");
    int r = rowref(pair[p][0]);
    double v = b_.coef_number(pair[p][1], "a matrix coefficient");
    if (r == kObjRow) {
      if (cur_obj_) b_.fail("a second objective entry for column %s", quoted(colname).c_str());
      cur_obj_ = true;
      b_.m.obj[(size_t)cur_col_] = v;
    } else {
      if (rowmark_[(size_t)r] == cur_col_)
        b_.fail("a second entry for column %s in row %s", quoted(colname).c_str(),
                quoted(pair[p][0]).c_str());
      rowmark_[(size_t)r] = cur_col_;
      if (v != 0.0) b_.m.rows[(size_t)r].push_back({cur_col_, v});
    }
  }
}

void MpsReader::vector_line(std::string_view line, std::vector<VecEntry> &out,
                            std::vector<std::string_view> &names, const char *what) {
  std::string_view vec, pair[2][2];
  if (fixed_) {
    Fields f = fixed_fields(line);
    vec = f.f[1];
    pair[0][0] = f.f[2], pair[0][1] = f.f[3], pair[1][0] = f.f[4], pair[1][1] = f.f[5];
  } else {
    split_ws(line, tok_);
    size_t n = tok_.size(), k = 0;
    if (n == 3 || n == 5) vec = tok_[k++];
    else if (n != 2 && n != 4) b_.fail("a %s line holds an optional vector name and one or two (row, value) pairs", what);
    pair[0][0] = tok_[k], pair[0][1] = tok_[k + 1];
    if (n - k == 4) pair[1][0] = tok_[k + 2], pair[1][1] = tok_[k + 3];
  }
  int v = vector_index(names, vec);
  for (int p = 0; p < 2; ++p) {
    if (pair[p][0].empty() && pair[p][1].empty()) {
      if (p == 0) b_.fail("a %s line without a row", what);
      continue;
    }
    if (pair[p][0].empty() || pair[p][1].empty()) b_.fail("a (row, value) pair lacks a part");
    int r = rowref(pair[p][0]);
    double x = b_.bound_number(pair[p][1], what);
    out.push_back({v, r, x, b_.line});
  }
}

void MpsReader::bounds_line(std::string_view line) {
  std::string_view type, vec, colname, value;
  if (fixed_) {
    Fields f = fixed_fields(line);
    type = f.f[0], vec = f.f[1], colname = f.f[2], value = f.f[3];
  } else {
    split_ws(line, tok_);
    if (tok_.size() < 2 || tok_.size() > 4) b_.fail("a BOUNDS line holds a type, an optional vector name, a column and a value");
    type = tok_[0];
  }
  const BoundName *bn = nullptr;
  for (const auto &x : kBounds)
    if (iequals(type, x.name)) bn = &x;
  if (!bn) b_.fail("unknown bound type %s", quoted(type).c_str());
  if (!fixed_) {
    size_t n = tok_.size();
    if (n == 4) {
      vec = tok_[1], colname = tok_[2], value = tok_[3];
    } else if (n == 3) {
      double dummy;
      bool second_is_value = parse_number(tok_[2], dummy);
      // Without a vector name: type column value; with one: type vector column.
      if (bn->value == 2 && !second_is_value && b_.find_col(tok_[2]) >= 0)
        b_.fail("bound %s needs a value", bn->name);
      if (bn->value == 2 || (bn->value == 1 && second_is_value && b_.find_col(tok_[1]) >= 0 &&
                             b_.find_col(tok_[2]) < 0)) {
        colname = tok_[1], value = tok_[2];
      } else {
        vec = tok_[1], colname = tok_[2];
      }
    } else {
      colname = tok_[1];
    }
  }
  if (colname.empty()) b_.fail("a BOUNDS line without a column");
  BoundEntry e;
  e.vec = vector_index(bound_names_, vec);
  e.kind = bn->kind;
  e.col = b_.col(colname);
  e.has_value = !value.empty() && bn->value > 0;
  if (bn->value == 2 && value.empty()) b_.fail("bound %s needs a value", bn->name);
  e.value = e.has_value ? b_.bound_number(value, "a bound") : 0.0;
  e.line = b_.line;
  bounds_.push_back(e);
}

void MpsReader::quad_line(std::string_view line) {
  std::string_view c1, c2, val;
  if (fixed_) {
    Fields f = fixed_fields(line);
    c1 = f.f[1], c2 = f.f[2], val = f.f[3];
  } else {
    split_ws(line, tok_);
    if (tok_.size() != 3) b_.fail("a quadratic line holds two columns and a value");
    c1 = tok_[0], c2 = tok_[1], val = tok_[2];
  }
  if (c1.empty() || c2.empty() || val.empty()) b_.fail("a quadratic line holds two columns and a value");
  int i = b_.col(c1), j = b_.col(c2);
  double v = b_.coef_number(val, "a quadratic coefficient");
  if (sec_ == Sec::QuadObj) ModelBuilder::add_q(b_.m.qobj, i, j, v);
  else if (sec_ == Sec::QMatrix) ModelBuilder::add_q(b_.m.qobj, i, j, i == j ? v : v / 2);
  else ModelBuilder::add_q(b_.m.qrows[qrow_], i, j, v);
}

void MpsReader::sos_line(std::string_view line) {
  std::string_view settype, setname, member_set, colname, weight;
  bool header = false;
  if (fixed_) {
    Fields f = fixed_fields(line);
    if (!f.f[0].empty()) {
      header = true;
      settype = f.f[0];
      setname = iequals(f.f[1], "SOS") || f.f[2].size() ? f.f[2] : f.f[1];
    } else {
      member_set = f.f[1], colname = f.f[2], weight = f.f[3];
    }
  } else {
    split_ws(line, tok_);
    size_t n = tok_.size();
    double dummy;
    std::string_view cur = cur_set_ >= 0 ? std::string_view(b_.m.setnames[(size_t)cur_set_]) : std::string_view();
    if (n == 3 && cur_set_ >= 0 && tok_[0] == cur && parse_number(tok_[2], dummy)) {
      member_set = tok_[0], colname = tok_[1], weight = tok_[2];
    } else if (n == 2 && parse_number(tok_[1], dummy)) {
      colname = tok_[0], weight = tok_[1];
    } else if (n == 1 && tok_[0].find(':') != std::string_view::npos) {
      size_t c = tok_[0].rfind(':');
      colname = tok_[0].substr(0, c), weight = tok_[0].substr(c + 1);
    } else if (n >= 2 && n <= 4 && (iequals(tok_[0], "S1") || iequals(tok_[0], "S2"))) {
      header = true;
      settype = tok_[0];
      setname = iequals(tok_[1], "SOS") && n >= 3 ? tok_[2] : tok_[1];
    } else if (cur_set_ < 0) {
      b_.fail("a set member before any set header");
    } else {
      b_.fail("an SOS line is a set header (S1 or S2, SOS, name) or a member (set, column, weight)");
    }
  }
  if (header) {
    char t = iequals(settype, "S1") ? '1' : iequals(settype, "S2") ? '2' : 0;
    if (!t) b_.fail("unknown set type %s", quoted(settype).c_str());
    cur_set_ = b_.add_set(setname, t);
    return;
  }
  if (cur_set_ < 0) b_.fail("a set member before any set header");
  if (!member_set.empty() && member_set != b_.m.setnames[(size_t)cur_set_])
    b_.fail("a member of set %s inside set %s", quoted(member_set).c_str(),
            quoted(b_.m.setnames[(size_t)cur_set_]).c_str());
  if (colname.empty() || weight.empty()) b_.fail("a set member needs a column and a weight");
  SetDef &s = b_.m.sets[(size_t)cur_set_];
  s.cols.push_back(b_.col(colname));
  s.refs.push_back(b_.coef_number(weight, "a set weight"));
}

void MpsReader::indicator_line(std::string_view line) {
  std::string_view kind, rowname, colname, val;
  if (fixed_) {
    Fields f = fixed_fields(line);
    kind = f.f[0], rowname = f.f[1], colname = f.f[2], val = f.f[3];
  } else {
    split_ws(line, tok_);
    if (tok_.size() != 4) b_.fail("an INDICATORS line holds IF, a row, a column and 0 or 1");
    kind = tok_[0], rowname = tok_[1], colname = tok_[2], val = tok_[3];
  }
  if (!iequals(kind, "IF")) b_.fail("an INDICATORS line starts with IF");
  int r = rowref(rowname);
  if (r == kObjRow) b_.fail("the objective cannot have an indicator");
  int c = b_.col(colname);
  double v = b_.number(val, "an indicator value");
  if (v != 0.0 && v != 1.0) b_.fail("indicator value must be 0 or 1");
  b_.set_indicator(r, c, (int)v);
}

void MpsReader::data(std::string_view line) {
  switch (sec_) {
    case Sec::None:
    case Sec::Name:
      b_.fail("a data line outside any section");
    case Sec::ObjSense:
      split_ws(line, tok_);
      if (tok_.size() != 1) b_.fail("OBJSENSE takes one word (MIN or MAX)");
      objsense(tok_[0]);
      sec_ = Sec::Name;
      break;
    case Sec::ObjName:
      split_ws(line, tok_);
      if (tok_.size() != 1) b_.fail("OBJNAME takes one row name");
      objname_ = std::string(tok_[0]);
      objname_given_ = true;
      sec_ = Sec::Name;
      break;
    case Sec::Rows:
      if (fixed_) {
        Fields f = fixed_fields(line);
        tok_.assign({f.f[0], f.f[1]});
        if (f.f[1].empty()) tok_.pop_back();
      } else {
        split_ws(line, tok_);
      }
      rows_line();
      break;
    case Sec::Columns: columns_line(line); break;
    case Sec::Rhs: vector_line(line, rhs_, rhs_names_, "a right-hand side"); break;
    case Sec::Ranges: vector_line(line, ranges_, range_names_, "a range"); break;
    case Sec::Bounds: bounds_line(line); break;
    case Sec::QuadObj:
    case Sec::QMatrix:
    case Sec::QcMatrix: quad_line(line); break;
    case Sec::Sos: sos_line(line); break;
    case Sec::Indicators: indicator_line(line); break;
    case Sec::NlCoefs:
    case Sec::NlDetRows:
    case Sec::NlRowStatus:
      split_ws(line, tok_);
      if (sec_ == Sec::NlCoefs) read_nlcoef(b_, tok_);
      else if (sec_ == Sec::NlDetRows) read_detrow(b_, tok_);
      else read_rowstatus(b_, tok_);
      break;
  }
}

void MpsReader::apply_bound(const BoundEntry &e) {
  Model &m = b_.m;
  size_t j = (size_t)e.col;
  char &t = m.coltype[j];
  auto to_int = [&] {
    if (t == 'C' || t == 'B') t = 'I';
    else if (t == 'S') t = 'R';
  };
  auto set_ub = [&](double v) {
    m.ub[j] = v;
    b_.ub_set[j] = 1;
    // A negative upper bound on a column whose lower bound the file left
    // at 0 makes the lower bound minus infinity.
    if (v < 0 && m.lb[j] == 0.0 && !b_.lb_set[j]) m.lb[j] = -kInf;
  };
  auto set_lb = [&](double v) {
    m.lb[j] = v;
    b_.lb_set[j] = 1;
  };
  switch (e.kind) {
    case UP: set_ub(e.value); break;
    case LO: set_lb(e.value); break;
    case FX: set_lb(e.value); m.ub[j] = e.value; b_.ub_set[j] = 1; break;
    case FR: set_lb(-kInf); m.ub[j] = kInf; b_.ub_set[j] = 1; break;
    case MI: set_lb(-kInf); break;
    case PL: m.ub[j] = kInf; b_.ub_set[j] = 1; break;
    case BV: t = 'B'; set_lb(0.0); m.ub[j] = 1.0; b_.ub_set[j] = 1; break;
    case LI: to_int(); set_lb(e.value); break;
    case UI: to_int(); set_ub(e.value); break;
    case SC:
      t = (t == 'I' || t == 'B' || t == 'R') ? 'R' : 'S';
      m.ub[j] = e.has_value ? e.value : kInf;
      b_.ub_set[j] = 1;
      break;
    case SI:
      t = 'R';
      m.ub[j] = e.has_value ? e.value : kInf;
      b_.ub_set[j] = 1;
      break;
    case PI:
      t = 'P';
      m.limit[j] = e.value;
      b_.limit_set[j] = 1;
      b_.limit_line[j] = e.line;
      break;
    case SL:
      m.limit[j] = e.value;
      b_.limit_set[j] = 1;
      b_.limit_line[j] = e.line;
      break;
  }
}

void MpsReader::apply_vectors() {
  Model &m = b_.m;
  int nrows = m.nrows();
  std::vector<int> seen((size_t)nrows, 0);
  bool obj_seen = false;
  auto check_dup = [&](const VecEntry &e, const char *what) {
    bool dup = e.row == kObjRow ? obj_seen : seen[(size_t)e.row] != 0;
    if (dup) {
      b_.line = e.line;
      b_.fail("a second %s for row %s", what,
              e.row == kObjRow ? quoted(objname_).c_str() : quoted(m.rownames[(size_t)e.row]).c_str());
    }
    if (e.row == kObjRow) obj_seen = true;
    else seen[(size_t)e.row] = 1;
  };
  int rv = chosen(rhs_names_, b_.opt.rhsname);
  for (const auto &e : rhs_) {
    if (e.vec != rv) continue;
    check_dup(e, "right-hand side");
    // The right-hand side of the objective is minus its constant.
    if (e.row == kObjRow) m.objconst_neg = e.value;
    else if (m.rowtype[(size_t)e.row] != 'N') m.rhs[(size_t)e.row] = e.value;
  }
  seen.assign((size_t)nrows, 0);
  obj_seen = false;
  int gv = chosen(range_names_, b_.opt.rngname);
  for (const auto &e : ranges_) {
    if (e.vec != gv) continue;
    check_dup(e, "range");
    if (e.row == kObjRow) continue;
    size_t r = (size_t)e.row;
    char &t = m.rowtype[r];
    double rhs = m.rhs[r], g = e.value, a = std::fabs(g);
    if (t == 'N') continue;
    if (a >= kInf) {
      // An infinite range leaves one side.
      if (t == 'E') t = g > 0 ? 'G' : 'L';
      continue;
    }
    if (t == 'L') {
      t = 'R';
      m.range[r] = a;
    } else if (t == 'G') {
      t = 'R';
      m.rhs[r] = rhs + a;
      m.range[r] = a;
    } else if (t == 'E' && g != 0.0) {
      t = 'R';
      m.rhs[r] = g > 0 ? rhs + g : rhs;
      m.range[r] = a;
    }
  }
  int bv = chosen(bound_names_, b_.opt.bndname);
  for (const auto &e : bounds_) {
    if (e.vec != bv) continue;
    b_.line = e.line;
    apply_bound(e);
  }
}

Model MpsReader::read() {
  LineReader lr(text_);
  std::string_view line;
  while (!ended_ && lr.next(line)) {
    b_.line = lr.lineno();
    if (line.empty() || line[0] == '*' || trim(line).empty()) continue;
    if (!is_space(line[0])) header(line);
    else data(line);
  }
  b_.line = lr.lineno();
  if (!ended_) b_.fail("the file ends without ENDATA");
  if (!rows_seen_) b_.fail("the file has no ROWS section");
  if (!cols_seen_) b_.fail("the file has no COLUMNS section");
  apply_vectors();
  Model m = b_.finish(false);
  m.name = probname_;
  m.objsense = objsense_;
  return m;
}

}  // namespace

Model read_mps(const ReadOptions &opt, std::string_view text, bool fixed) {
  MpsReader r(opt, text, fixed);
  return r.read();
}

}  // namespace ondr::io
