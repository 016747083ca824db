#include "io/text.h"
#include "io/source.h"
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ondr::io {

namespace {
struct FileCloser {
  void operator()(FILE *f) const {
    if (f) fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;
}  // namespace

std::string read_file(const std::string &path) {
  FilePtr f(fopen(path.c_str(), "rb"));
  if (!f) fail(ERR_FILE, "Cannot open '%s' for reading: %s", path.c_str(), strerror(errno));
  std::string text;
  char buf[1 << 16];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f.get())) > 0) text.append(buf, n);
  if (ferror(f.get())) fail(ERR_FILE, "Cannot read '%s': %s", path.c_str(), strerror(errno));
  return text;
}

void write_file(const std::string &path, const std::string &text) {
  FILE *raw = fopen(path.c_str(), "wb");
  if (!raw) fail(ERR_FILE, "Cannot open '%s' for writing: %s", path.c_str(), strerror(errno));
  size_t n = fwrite(text.data(), 1, text.size(), raw);
  int werr = n == text.size() ? 0 : errno;
  if (fclose(raw) != 0 && !werr) werr = errno;
  if (werr) fail(ERR_FILE, "Cannot write '%s': %s", path.c_str(), strerror(werr));
}

bool LineReader::next(std::string_view &line) {
  if (pos_ >= text_.size()) return false;
  size_t end = text_.find('\n', pos_);
  if (end == std::string_view::npos) end = text_.size();
  line = text_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos_ = end + 1;
  ++lineno_;
  return true;
}

void parse_fail(const std::string &file, int line, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char buf[768];
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  std::string msg = file;
  if (line > 0) msg += ":" + std::to_string(line);
  msg += ": ";
  msg += buf;
  throw Error(ERR_FILE, msg);
}

bool parse_number(std::string_view s, double &v) {
  if (s.empty()) return false;
  bool neg = false;
  std::string_view t = s;
  if (t[0] == '+' || t[0] == '-') {
    neg = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  if (iequals(t, "inf") || iequals(t, "infinity")) {
    v = neg ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  // from_chars would also take "nan" and "inf" spelled differently; accept
  // only digits, a point and an exponent.
  char c0 = t[0];
  if (!((c0 >= '0' && c0 <= '9') || c0 == '.')) return false;
  double x = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), x, std::chars_format::general);
  if (r.ptr != t.data() + t.size()) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow or underflow: let strtod say which.
    std::string copy(t);
    x = strtod(copy.c_str(), nullptr);
  } else if (r.ec != std::errc()) {
    return false;
  }
  if (std::isnan(x)) return false;
  v = neg ? -x : x;
  return true;
}

std::string format_number(double v) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

void split_ws(std::string_view s, std::vector<std::string_view> &out) {
  out.clear();
  size_t i = 0, n = s.size();
  while (i < n) {
    while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\f' || s[i] == '\v')) ++i;
    if (i >= n) break;
    size_t b = i;
    while (i < n && !(s[i] == ' ' || s[i] == '\t' || s[i] == '\f' || s[i] == '\v')) ++i;
    out.push_back(s.substr(b, i - b));
  }
}

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string lower(std::string_view s) {
  std::string r(s);
  for (char &c : r)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return r;
}

std::string quoted(std::string_view name) {
  bool cut = name.size() > 64;
  if (cut) {
    // Cut at a character boundary, not inside a character's UTF-8 bytes.
    size_t n = 60;
    while (n > 0 && ((unsigned char)name[n] & 0xC0) == 0x80) --n;
    name = name.substr(0, n);
  }
  std::string out = "'";
  if (valid_utf8(name)) {
    out += name;
  } else {
    // Messages are UTF-8 text: bytes of a name that is not are shown as \xNN.
    char hex[8];
    for (char c : name) {
      if ((unsigned char)c < 0x80) {
        out += c;
      } else {
        snprintf(hex, sizeof hex, "\\x%02x", (unsigned char)c);
        out += hex;
      }
    }
  }
  return out + (cut ? "...'" : "'");
}

}  // namespace ondr::io
