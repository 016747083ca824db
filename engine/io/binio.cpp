#include "io/binio.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include "env/error.h"

namespace ondr::io {

void BinWriter::u32(uint32_t v) {
  for (int k = 0; k < 4; ++k) out_.push_back((char)((v >> (8 * k)) & 0xff));
}

void BinWriter::i64(int64_t v) {
  uint64_t u = (uint64_t)v;
  for (int k = 0; k < 8; ++k) out_.push_back((char)((u >> (8 * k)) & 0xff));
}

void BinWriter::f64(double v) {
  uint64_t u;
  memcpy(&u, &v, sizeof u);
  i64((int64_t)u);
}

void BinWriter::str(const std::string &s) {
  u32((uint32_t)s.size());
  bytes(s);
}

void BinWriter::f64s(const std::vector<double> &v) {
  u32((uint32_t)v.size());
  for (double d : v) f64(d);
}

void BinWriter::i32s(const std::vector<int> &v) {
  u32((uint32_t)v.size());
  for (int d : v) i32(d);
}

void BinReader::bad(const char *fmt, ...) const {
  va_list ap;
  va_start(ap, fmt);
  char buf[512];
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  fail(ERR_FILE, "%s: %s (at byte %zu)", file_.c_str(), buf, pos_);
}

const char *BinReader::take(size_t n) {
  if (data_.size() - pos_ < n) bad("the file is truncated");
  const char *p = data_.data() + pos_;
  pos_ += n;
  return p;
}

uint8_t BinReader::u8() { return (uint8_t)*take(1); }

uint32_t BinReader::u32() {
  const unsigned char *p = (const unsigned char *)take(4);
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= (uint32_t)p[k] << (8 * k);
  return v;
}

int64_t BinReader::i64() {
  const unsigned char *p = (const unsigned char *)take(8);
  uint64_t v = 0;
  for (int k = 0; k < 8; ++k) v |= (uint64_t)p[k] << (8 * k);
  return (int64_t)v;
}

double BinReader::f64() {
  uint64_t u = (uint64_t)i64();
  double d;
  memcpy(&d, &u, sizeof d);
  return d;
}

void BinReader::expect(std::string_view magic, const char *what) {
  if (data_.size() - pos_ < magic.size() || data_.substr(pos_, magic.size()) != magic)
    bad("not %s (wrong magic)", what);
  pos_ += magic.size();
}

uint32_t BinReader::count(size_t size) {
  uint32_t n = u32();
  if ((data_.size() - pos_) / size < n) bad("the file is truncated (a count of %u exceeds the data)", n);
  return n;
}

std::string BinReader::str() {
  uint32_t n = count(1);
  return std::string(take(n), n);
}

std::vector<double> BinReader::f64s() {
  uint32_t n = count(8);
  std::vector<double> v(n);
  for (auto &d : v) d = f64();
  return v;
}

std::vector<int> BinReader::i32s() {
  uint32_t n = count(4);
  std::vector<int> v(n);
  for (auto &d : v) d = i32();
  return v;
}

}  // namespace ondr::io
