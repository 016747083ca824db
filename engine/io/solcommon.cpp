#include "io/solcommon.h"
#include <cstring>
#include "env/environment.h"
#include "env/error.h"
#include "io/source.h"
#include "io/text.h"
#include "model/store.h"

namespace ondr::io {

std::string parse_file_flags(const char *flags, const char *allowed, const char *what) {
  std::string out;
  for (const char *p = flags ? flags : ""; *p; ++p) {
    if (*p == ' ') continue;
    if (!*allowed || !strchr(allowed, *p)) {
      if (!*allowed) fail(ERR_ARGUMENT, "Unknown %s flag '%c': it takes no flags", what, *p);
      fail(ERR_ARGUMENT, "Unknown %s flag '%c' (flags: %s)", what, *p, allowed);
    }
    out += *p;
  }
  return out;
}

std::string escape_name(std::string_view name) {
  if (name.empty()) return "%";
  static const char hex[] = "0123456789ABCDEF";
  // Bytes past ASCII stay as they are in UTF-8 names and are escaped in
  // others, so the file is always valid UTF-8 text.
  bool utf8 = valid_utf8(name);
  std::string out;
  out.reserve(name.size());
  for (unsigned char c : name) {
    if (c <= ' ' || c == 127 || c == '%' || (c >= 128 && !utf8)) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += (char)c;
    }
  }
  return out;
}

static int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool unescape_name(std::string_view s, std::string &name) {
  name.clear();
  if (s == "%") return true;
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = (unsigned char)s[i];
    if (c <= ' ' || c == 127) return false;
    if (c != '%') {
      name += (char)c;
      continue;
    }
    if (i + 2 >= s.size()) return false;
    int hi = hexval(s[i + 1]), lo = hexval(s[i + 2]);
    if (hi < 0 || lo < 0) return false;
    name += (char)(hi * 16 + lo);
    i += 2;
  }
  return true;
}

std::string number_text(double v) {
  if (v >= kInf) return "inf";
  if (v <= -kInf) return "-inf";
  return format_number(v);
}

SolutionView choose_solution(ONDRprob prob, const std::string &flags) {
  const Results &r = prob->results;
  const Model &m = prob->model;
  bool want_mip = has_flag(flags, 'm'), want_lp = has_flag(flags, 'l');
  if (want_mip && want_lp) fail(ERR_ARGUMENT, "The flags 'l' (LP solution) and 'm' (MIP solution) exclude each other");
  if (r.lpstatus == 0 && r.mipstatus == 0 && !r.has_lpsol && !r.has_mipsol)
    fail(ERR_STATE, "No solution to write: the problem has not been solved");
  SolutionView v;
  v.mip = want_mip || (!want_lp && r.has_mipsol);
  if (v.mip) {
    if (!r.has_mipsol) fail(ERR_STATE, "No integer solution to write: the last solve found none");
    v.x = &r.mipx;
    v.slack = &r.mipslack;
    v.objval = r.mipobjval;
  } else {
    if (!r.has_lpsol) fail(ERR_STATE, "No solution to write: the last solve found none");
    v.x = &r.x;
    v.slack = &r.slack;
    v.objval = r.lpobjval;
    if (r.has_dual) {
      v.dual = &r.dual;
      v.dj = &r.dj;
    }
  }
  if (v.x->size() != (size_t)m.ncols() || v.slack->size() != (size_t)m.nrows() ||
      (v.dual && (v.dual->size() != (size_t)m.nrows() || v.dj->size() != (size_t)m.ncols())))
    fail(ERR_STATE, "No solution to write: the problem has changed since it was solved");
  return v;
}

double objective_at(const Model &m, const std::vector<double> &x) {
  double v = -m.objconst_neg;
  for (int j = 0; j < m.ncols(); ++j) v += m.obj[(size_t)j] * x[(size_t)j];
  for (const auto &q : m.qobj) {
    int i = q.first.first, j = q.first.second;
    double t = q.second * x[(size_t)i] * x[(size_t)j];
    v += i == j ? 0.5 * t : t;  // 0.5 (Q_ij x_i x_j + Q_ji x_j x_i)
  }
  return v;
}

std::string file_or_default(ONDRprob prob, const char *filename, const char *ext) {
  if (filename && *filename) return filename;
  const std::string &n = prob->model.name;
  return (n.empty() ? std::string("noname") : n) + ext;
}

void file_message(ONDRprob prob, int code, const std::string &text) { emit_message(prob, 1, text, code); }

}  // namespace ondr::io
