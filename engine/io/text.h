// Text helpers shared by the problem-file readers and writers: whole-file
// reading and writing, line walking, number parsing and formatting, and the
// "file:line: message" errors every reader reports.
#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "env/error.h"

namespace ondr::io {

// Reads the whole file; throws ERR_FILE naming the file when it cannot.
std::string read_file(const std::string &path);
// Writes `text` as the whole file; throws ERR_FILE naming the file when it cannot.
void write_file(const std::string &path, const std::string &text);

// Walks a text line by line (without the line end, "\r\n" included),
// counting lines from 1.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool next(std::string_view &line);
  int lineno() const { return lineno_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int lineno_ = 0;
};

// Throws ERR_FILE with "<file>:<line>: <message>".
[[noreturn]] void parse_fail(const std::string &file, int line, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

// Parses the whole of `s` as a number: decimal forms with an optional sign,
// and the words inf/infinity (any case, optional sign). NaN and text are
// refused. Magnitudes beyond the double range give +-infinity.
bool parse_number(std::string_view s, double &v);
// The shortest text that reads back as exactly `v`.
std::string format_number(double v);
inline void append_number(std::string &out, double v) { out += format_number(v); }

void split_ws(std::string_view s, std::vector<std::string_view> &out);
std::string_view trim(std::string_view s);
bool iequals(std::string_view a, std::string_view b);
std::string lower(std::string_view s);
// Quotes a name for an error message, shortening very long names.
std::string quoted(std::string_view name);

}  // namespace ondr::io
