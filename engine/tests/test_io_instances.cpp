// Every public test instance reads, with the sizes an independent scan of
// the file finds, and comes back unchanged through both formats.
#include <dirent.h>
#include <algorithm>
#include <chrono>
#include <set>
#include <sstream>
#include "io_util.h"

using namespace io_test;

namespace {

std::vector<std::string> instances(const char *ext) {
  std::vector<std::string> out;
  DIR *d = opendir(instance_dir().c_str());
  if (!d) return out;
  while (dirent *e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > strlen(ext) && n.compare(n.size() - strlen(ext), strlen(ext), ext) == 0)
      out.push_back(n);
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

bool have_instances() {
  if (!instances(".mps").empty()) return true;
  printf("  note: instance folder '%s' absent, skipping\n", instance_dir().c_str());
  return false;
}

// Rows (without the objective, the first N row), columns and nonzero
// matrix entries, counted straight from the ROWS and COLUMNS sections.
struct Counts {
  int rows = 0, cols = 0, nnz = 0;
};

Counts scan_mps(const std::string &path) {
  Counts c;
  std::istringstream in(slurp(path));
  std::string line, section, objective, lastcol;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '*') continue;
    std::istringstream ls(line);
    std::vector<std::string> t;
    for (std::string w; ls >> w;) t.push_back(w);
    if (t.empty()) continue;
    if (line[0] != ' ' && line[0] != '\t') {
      section = t[0];
      if (section == "ENDATA") break;
      continue;
    }
    if (section == "ROWS") {
      if (t[0] == "N" && objective.empty()) objective = t[1];
      else ++c.rows;
    } else if (section == "COLUMNS") {
      if (t.size() == 3 && t[1] == "'MARKER'") continue;
      if (t[0] != lastcol) ++c.cols, lastcol = t[0];
      for (size_t k = 1; k + 1 < t.size(); k += 2)
        if (t[k] != objective && atof(t[k + 1].c_str()) != 0.0) ++c.nnz;
    }
  }
  return c;
}

}  // namespace

TEST(every_mps_instance_reads_with_its_sizes) {
  if (!have_instances()) return;
  Fixture f;
  int n = 0;
  for (const auto &name : instances(".mps")) {
    std::string path = instance_dir() + "/" + name;
    Counts want = scan_mps(path);
    int rc = ONDRreadprob(f.prob, path.c_str(), "");
    if (rc) fprintf(stderr, "  %s: %s\n", name.c_str(), check::lasterror(f.prob).c_str());
    CHECK(rc == 0);
    if (rc) continue;
    ++n;
    bool same = intattr(f.prob, ONDR_ORIGINALROWS) == want.rows &&
                intattr(f.prob, ONDR_ORIGINALCOLS) == want.cols &&
                intattr(f.prob, ONDR_ELEMS) == want.nnz;
    if (!same)
      fprintf(stderr, "  %s: %d/%d/%d rows/cols/nnz, the file has %d/%d/%d\n", name.c_str(),
              intattr(f.prob, ONDR_ORIGINALROWS), intattr(f.prob, ONDR_ORIGINALCOLS),
              intattr(f.prob, ONDR_ELEMS), want.rows,
              want.cols, want.nnz);
    CHECK(same);
  }
  CHECK(n >= 39);
}

TEST(known_sizes_and_features_of_some_instances) {
  if (!have_instances()) return;
  Fixture f;
  struct Known {
    const char *file;
    int rows, cols, nnz, qelems, qrows, ents;
    double objconst;
    const char *probname;
  } known[] = {
      {"afiro.mps", 27, 32, 83, 0, 0, 0, 0.0, "AFIRO"},
      {"qjh.mps", 1, 3, 2, 4, 0, 0, 0.0, "qjh"},
      {"semi-continuous.mps", 4, 4, 8, 0, 0, 1, 0.0, "lp_solve_sc"},
      {"small_mip.mps", 5, 8, 14, 0, 0, 2, 0.0, ""},
      {"qcqp.lp", 4, 2, 4, 1, 4, 0, 0.0, ""},
      {"qptestnw.lp", 3, 2, 6, 2, 0, 0, 0.0, ""},
  };
  for (const auto &k : known) {
    std::string path = instance_dir() + "/" + k.file;
    CHECK_OK(ONDRreadprob(f.prob, path.c_str(), ""));
    CHECK(intattr(f.prob, ONDR_ORIGINALROWS) == k.rows);
    CHECK(intattr(f.prob, ONDR_ORIGINALCOLS) == k.cols);
    CHECK(intattr(f.prob, ONDR_ELEMS) == k.nnz);
    CHECK(intattr(f.prob, ONDR_QELEMS) == k.qelems);
    CHECK(intattr(f.prob, ONDR_QCONSTRAINTS) == k.qrows);
    CHECK(intattr(f.prob, ONDR_MIPENTS) == k.ents);
    char pname[256] = {0};
    CHECK_OK(ONDRgetprobname(f.prob, pname, sizeof pname));
    if (*k.probname) CHECK(std::string(pname) == k.probname);
  }
  // Names as in the file; the objective row is not a row.
  CHECK_OK(ONDRreadprob(f.prob, (instance_dir() + "/afiro.mps").c_str(), ""));
  CHECK(name_of(f.prob, 1, 0) == "R09");
  CHECK(name_of(f.prob, 1, 26) == "X51");
  CHECK(name_of(f.prob, 2, 0) == "X01");
  int idx = -1;
  CHECK_FAIL(ONDRgetindex(f.prob, 1, "COST", &idx));
  // The semi-continuous column: x = 0 or 1.1 <= x <= 10, maximised.
  CHECK_OK(ONDRreadprob(f.prob, (instance_dir() + "/semi-continuous.mps").c_str(), ""));
  CHECK(intattr(f.prob, ONDR_OBJSENSE) == -1);
  TempDir tmp;
  std::string lp = tmp.path("sc.lp");
  CHECK_OK(ONDRwriteprob(f.prob, lp.c_str(), ""));
  std::string text = slurp(lp);
  CHECK_CONTAINS(text, "Maximize");
  CHECK_CONTAINS(text, "1.1 <= x3 <= 10");
  CHECK_CONTAINS(text, "Semi-continuous\n x3\n");
  CHECK_CONTAINS(text, "Generals\n x3\n");  // inside the integer markers: semi-integer
}

TEST(every_instance_comes_back_through_both_formats) {
  if (!have_instances()) return;
  Fixture f;
  TempDir tmp;
  std::vector<std::string> all = instances(".mps");
  for (const auto &n : instances(".lp")) all.push_back(n);
  int lp_skipped = 0;
  for (const auto &name : all) {
    std::string path = instance_dir() + "/" + name;
    if (ONDRreadprob(f.prob, path.c_str(), "") != 0) continue;  // reported above
    std::string original = mps_text(f.prob, tmp);
    CHECK(!original.empty());
    std::string mps = tmp.path(name + ".back.mps"), lp = tmp.path(name + ".back.lp");
    // MPS: read back, write again.
    CHECK_OK(ONDRwriteprob(f.prob, mps.c_str(), ""));
    if (ONDRwriteprob(f.prob, lp.c_str(), "") != 0) {
      // Only names the LP format cannot hold may stop it.
      CHECK_CONTAINS(check::lasterror(f.prob), "cannot be written in LP format");
      ++lp_skipped;
      lp.clear();
    }
    CHECK_OK(ONDRreadprob(f.prob, mps.c_str(), ""));
    bool same = mps_text(f.prob, tmp) == original;
    if (!same) fprintf(stderr, "  %s: MPS round trip differs\n", name.c_str());
    CHECK(same);
    if (lp.empty()) continue;
    int rc = ONDRreadprob(f.prob, lp.c_str(), "");
    if (rc) fprintf(stderr, "  %s: %s\n", name.c_str(), check::lasterror(f.prob).c_str());
    CHECK(rc == 0);
    same = mps_text(f.prob, tmp) == original;
    if (!same) fprintf(stderr, "  %s: LP round trip differs\n", name.c_str());
    CHECK(same);
  }
  if (lp_skipped) printf("  note: %d instances have names the LP format cannot hold\n", lp_skipped);
}

TEST(fixed_columns_read_like_free_fields) {
  if (!have_instances()) return;
  Fixture f;
  TempDir tmp;
  for (const char *name : {"afiro.mps", "adlittle.mps", "lseu.mps"}) {
    std::string path = instance_dir() + "/" + name;
    CHECK_OK(ONDRreadprob(f.prob, path.c_str(), ""));
    std::string free_text = mps_text(f.prob, tmp);
    CHECK_OK(ONDRreadprob(f.prob, path.c_str(), "x"));
    CHECK(mps_text(f.prob, tmp) == free_text);
    // Our own fixed output reads back the same.
    std::string fixed = tmp.path(std::string(name) + ".fixed");
    CHECK_OK(ONDRwriteprob(f.prob, fixed.c_str(), "x"));
    CHECK_OK(ONDRreadprob(f.prob, fixed.c_str(), "x"));
    CHECK(mps_text(f.prob, tmp) == free_text);
  }
}

TEST(a_megabyte_file_reads_in_well_under_a_second) {
  if (!have_instances()) return;
  Fixture f;
  std::string path = instance_dir() + "/80bau3b.mps";
  auto t0 = std::chrono::steady_clock::now();
  CHECK_OK(ONDRreadprob(f.prob, path.c_str(), ""));
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  CHECK(secs < 0.5);
  CHECK(intattr(f.prob, ONDR_ORIGINALCOLS) == 9799);
}
