#include "io/source.h"
#include <zlib.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include "env/error.h"
#include "io/text.h"

namespace ondr::io {

namespace {

struct GzCloser {
  void operator()(gzFile f) const {
    if (f) gzclose(f);
  }
};
using GzPtr = std::unique_ptr<gzFile_s, GzCloser>;

bool ends_with_gz(const std::string &s) {
  return s.size() >= 3 && iequals(std::string_view(s).substr(s.size() - 3), ".gz");
}

// Checks UTF-8 one byte at a time, so that a sequence may span two chunks.
class Utf8Check {
 public:
  // False when `b` cannot continue the text as valid UTF-8.
  bool take(unsigned char b) {
    if (need_ == 0) {
      if (b < 0x80) return true;
      if (b < 0xC2 || b > 0xF4) return false;  // continuation, overlong lead or beyond U+10FFFF
      need_ = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
      lead_ = b;
      first_ = true;
      return true;
    }
    if ((b & 0xC0) != 0x80) return false;
    if (first_) {
      // Second byte limits: no overlong forms, no surrogates, nothing past U+10FFFF.
      if ((lead_ == 0xE0 && b < 0xA0) || (lead_ == 0xED && b > 0x9F) ||
          (lead_ == 0xF0 && b < 0x90) || (lead_ == 0xF4 && b > 0x8F))
        return false;
      first_ = false;
    }
    --need_;
    return true;
  }
  bool complete() const { return need_ == 0; }

 private:
  int need_ = 0;
  unsigned char lead_ = 0;
  bool first_ = false;
};

}  // namespace

bool valid_utf8(std::string_view s) {
  Utf8Check c;
  for (char ch : s)
    if (!c.take((unsigned char)ch)) return false;
  return c.complete();
}

std::string read_text_file(const std::string &path, const std::atomic<int> *interrupt) {
  // gzread passes a file without the gzip magic bytes through unchanged.
  GzPtr f(gzopen(path.c_str(), "rb"));
  if (!f) fail(ERR_FILE, "Cannot open '%s' for reading: %s", path.c_str(), strerror(errno));
  gzbuffer(f.get(), 1 << 16);
  std::string text;
  Utf8Check utf8;
  int line = 1;
  size_t line_len = 0;
  char buf[1 << 16];
  static_assert(sizeof buf <= kInterruptStride, "one look at the interrupt flag per chunk");
  for (;;) {
    if (interrupt && interrupt->load())
      fail(ERR_STATE, "Reading '%s' was interrupted at line %d; the problem is unchanged",
           path.c_str(), line);
    int n = gzread(f.get(), buf, sizeof buf);
    if (n < 0) {
      int zerr = 0;
      const char *msg = gzerror(f.get(), &zerr);
      parse_fail(path, line, "cannot read the file: %s",
                 zerr == Z_ERRNO ? strerror(errno) : (msg ? msg : "corrupt compressed data"));
    }
    if (n == 0) break;
    for (int i = 0; i < n; ++i) {
      unsigned char b = (unsigned char)buf[i];
      if (b == 0) parse_fail(path, line, "binary content (a NUL byte): this is not a text problem file");
      if (!utf8.take(b)) parse_fail(path, line, "the text is not valid UTF-8");
      if (b == '\n') {
        ++line;
        line_len = 0;
      } else if (++line_len > kMaxLineBytes) {
        parse_fail(path, line, "line longer than %zu bytes", kMaxLineBytes);
      }
    }
    text.append(buf, (size_t)n);
  }
  if (!utf8.complete()) parse_fail(path, line, "the text is not valid UTF-8 (it ends inside a character)");
  return text;
}

void write_text_file(const std::string &path, const std::string &text) {
  if (!ends_with_gz(path)) {
    write_file(path, text);
    return;
  }
  gzFile raw = gzopen(path.c_str(), "wb");
  if (!raw) fail(ERR_FILE, "Cannot open '%s' for writing: %s", path.c_str(), strerror(errno));
  size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    unsigned chunk = (unsigned)std::min(text.size() - done, size_t(1) << 20);
    int w = gzwrite(raw, text.data() + done, chunk);
    ok = w == (int)chunk;
    done += chunk;
  }
  int cerr = gzclose(raw);
  if (!ok || cerr != Z_OK) fail(ERR_FILE, "Cannot write '%s'", path.c_str());
}

}  // namespace ondr::io
