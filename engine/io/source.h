// Reading a problem file's text with limits: plain or gzip-compressed
// (recognised by its magic bytes, whatever the name), lines of at most
// kMaxLineBytes, text only (no NUL byte, valid UTF-8), and a read that stops
// when the problem is interrupted. Writing compresses when the name ends in
// ".gz".
#pragma once
#include <atomic>
#include <string>
#include <string_view>

namespace ondr::io {

constexpr size_t kMaxLineBytes = size_t(1) << 20;  // 1 MiB
// Bytes read between two looks at the interrupt flag.
constexpr size_t kInterruptStride = size_t(1) << 16;

// Reads and checks the whole file; throws ERR_FILE "<file>:<line>: ..." on
// binary content, invalid UTF-8 or an over-long line, ERR_FILE naming the
// file when it cannot be read, and ERR_STATE when `interrupt` (may be null)
// becomes nonzero while reading.
std::string read_text_file(const std::string &path, const std::atomic<int> *interrupt);

// True when `s` is valid UTF-8 (no overlong forms, surrogates or code
// points past U+10FFFF).
bool valid_utf8(std::string_view s);

// Writes `text` as the whole file, gzip-compressed when `path` ends in ".gz".
void write_text_file(const std::string &path, const std::string &text);

}  // namespace ondr::io
