// Little-endian binary encoding for the binary solution and snapshot files:
// fixed-width integers and IEEE doubles written byte by byte, so a file
// reads the same on any host. The reader checks every length against what
// is left of the file and throws ERR_FILE "<file>: ..." on a short read.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ondr::io {

class BinWriter {
 public:
  void u8(uint8_t v) { out_.push_back((char)v); }
  void u32(uint32_t v);
  void i32(int32_t v) { u32((uint32_t)v); }
  void i64(int64_t v);
  void f64(double v);
  void bytes(std::string_view s) { out_.append(s.data(), s.size()); }
  void str(const std::string &s);                  // u32 length, then the bytes
  void f64s(const std::vector<double> &v);         // u32 count, then the values
  void i32s(const std::vector<int> &v);
  const std::string &data() const { return out_; }

 private:
  std::string out_;
};

class BinReader {
 public:
  BinReader(std::string_view data, std::string file) : data_(data), file_(std::move(file)) {}
  uint8_t u8();
  uint32_t u32();
  int32_t i32() { return (int32_t)u32(); }
  int64_t i64();
  double f64();
  void expect(std::string_view magic, const char *what);
  std::string str();
  std::vector<double> f64s();
  std::vector<int> i32s();
  // A count of items of `size` bytes each, checked against what is left.
  uint32_t count(size_t size);
  bool at_end() const { return pos_ == data_.size(); }
  size_t pos() const { return pos_; }
  [[noreturn]] void bad(const char *fmt, ...) const __attribute__((format(printf, 2, 3)));

 private:
  const char *take(size_t n);
  std::string_view data_;
  std::string file_;
  size_t pos_ = 0;
};

}  // namespace ondr::io
