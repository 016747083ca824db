// Errors inside the engine are C++ exceptions; every C entry point is a thin
// shell that catches them, records the text as the last error (of the
// problem, or of the environment) and returns a nonzero status.
#pragma once
#include <stdexcept>
#include <string>
#include <cstdarg>

namespace ondr {

// Status codes returned by the C interface.
enum Status : int {
  OK = 0,
  ERR_GENERAL = 1,     // any failure not listed below
  ERR_NOTSTARTED = 2,  // ONDRinit has not been called
  ERR_ARGUMENT = 32,   // bad argument: index, length, value, NULL pointer
  ERR_MEMORY = 33,     // allocation failed
  ERR_FILE = 34,       // a file could not be read or written
  ERR_STATE = 35,      // the call is not allowed in the problem's current state
  ERR_SOLVER = 36,     // an underlying solver failed
};

class Error : public std::runtime_error {
 public:
  Error(int code, const std::string &msg) : std::runtime_error(msg), code_(code) {}
  int code() const { return code_; }
 private:
  int code_;
};

// printf-style formatting into a std::string.
std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void fail(int code, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
// Shorthand for a bad argument.
#define ONDR_REQUIRE(cond, ...) do { if (!(cond)) ::ondr::fail(::ondr::ERR_ARGUMENT, __VA_ARGS__); } while (0)

// Last error of failures without a problem, kept per thread.
void set_global_error(int code, const std::string &msg);
void clear_global_error();
int global_error_code();
std::string global_error_text();

}  // namespace ondr
