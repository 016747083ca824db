// A small test harness for the library's own tests: each test file is one
// executable whose cases register themselves with TEST(name).
#pragma once
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "ondr.h"

namespace check {
struct Case {
  const char *name;
  std::function<void()> fn;
};
inline std::vector<Case> &cases() {
  static std::vector<Case> v;
  return v;
}
inline int &failures() {
  static int n = 0;
  return n;
}
struct Reg {
  Reg(const char *n, std::function<void()> f) { cases().push_back({n, std::move(f)}); }
};
inline std::string lasterror(ONDRprob p) {
  char buf[512] = {0};
  if (p) ONDRgetlasterror(p, buf);
  else ONDR_ge_getlasterror(nullptr, buf, 512, nullptr);
  return buf;
}
}  // namespace check

#define TEST(name)                                       \
  static void test_##name();                             \
  static check::Reg reg_##name(#name, test_##name);      \
  static void test_##name()

#define CHECK(cond)                                                                 \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      fprintf(stderr, "  %s:%d: CHECK(%s) failed\n", __FILE__, __LINE__, #cond);    \
      ++check::failures();                                                          \
    }                                                                               \
  } while (0)

#define CHECK_OK(call)                                                              \
  do {                                                                              \
    int rc_ = (call);                                                               \
    if (rc_ != 0) {                                                                 \
      fprintf(stderr, "  %s:%d: %s returned %d\n", __FILE__, __LINE__, #call, rc_);  \
      ++check::failures();                                                          \
    }                                                                               \
  } while (0)

#define CHECK_FAIL(call)                                                            \
  do {                                                                              \
    if ((call) == 0) {                                                              \
      fprintf(stderr, "  %s:%d: %s succeeded, expected failure\n", __FILE__, __LINE__, #call); \
      ++check::failures();                                                          \
    }                                                                               \
  } while (0)

#define CHECK_NEAR(a, b, tol)                                                       \
  do {                                                                              \
    double a_ = (a), b_ = (b);                                                      \
    if (!(std::fabs(a_ - b_) <= (tol) * (1 + std::fabs(b_)))) {                     \
      fprintf(stderr, "  %s:%d: %s = %.12g, expected %.12g\n", __FILE__, __LINE__, #a, a_, b_); \
      ++check::failures();                                                          \
    }                                                                               \
  } while (0)

#define CHECK_CONTAINS(text, part)                                                  \
  do {                                                                              \
    std::string t_ = (text);                                                        \
    if (t_.find(part) == std::string::npos) {                                       \
      fprintf(stderr, "  %s:%d: \"%s\" does not contain \"%s\"\n", __FILE__, __LINE__, t_.c_str(), part); \
      ++check::failures();                                                          \
    }                                                                               \
  } while (0)

// A started library and one fresh problem, released at the end of a case.
struct Fixture {
  ONDRprob prob = nullptr;
  Fixture() {
    ONDRinit(nullptr);
    ONDRcreateprob(&prob);
  }
  ~Fixture() {
    if (prob) ONDRdestroyprob(prob);
  }
};

int main() {
  int failed_cases = 0;
  for (auto &c : check::cases()) {
    int before = check::failures();
    c.fn();
    bool ok = check::failures() == before;
    printf("%s %s\n", ok ? "PASS" : "FAIL", c.name);
    if (!ok) ++failed_cases;
  }
  ONDRfree();
  printf("%zu cases, %d failed\n", check::cases().size(), failed_cases);
  return failed_cases ? 1 : 0;
}
