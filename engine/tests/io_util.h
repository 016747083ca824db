// Helpers for the problem-file tests: a scratch folder, whole-file reads
// and writes, and a problem's model as free MPS text (the writer is
// deterministic, so equal texts mean equal models).
#pragma once
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "check.h"
#include "oslp.h"

namespace io_test {

inline std::string instance_dir() { return ONDR_INSTANCE_DIR; }

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/ondr_io_XXXXXX";
    const char *d = mkdtemp(tmpl);
    dir_ = d ? d : "/tmp";
  }
  ~TempDir() {
    for (const auto &f : files_) unlink(f.c_str());
    rmdir(dir_.c_str());
  }
  // A path in the folder, removed with it.
  std::string path(const std::string &name) {
    std::string p = dir_ + "/" + name;
    files_.push_back(p);
    return p;
  }

 private:
  std::string dir_;
  std::vector<std::string> files_;
};

inline std::string slurp(const std::string &path) {
  std::string s;
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  fclose(f);
  return s;
}

inline void spit(const std::string &path, const std::string &text) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) return;
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

// The problem's model written as free MPS ("" when the write fails).
inline std::string mps_text(ONDRprob p, TempDir &tmp, const char *flags = "") {
  static int n = 0;
  std::string path = tmp.path("snapshot" + std::to_string(n++) + ".mps");
  if (ONDRwriteprob(p, path.c_str(), flags) != 0) return "";
  return slurp(path);
}

inline int intattr(ONDRprob p, int id) {
  int v = -1;
  ONDRgetintattrib(p, id, &v);
  return v;
}

inline std::string name_of(ONDRprob p, int type, int i) {
  char buf[1100] = {0};
  if (ONDRgetnames(p, type, buf, i, i) != 0) return "<none>";
  return buf;
}

}  // namespace io_test
