// Solution, basis and snapshot files: round trips on the instances and on a
// small model with awkward names and infinite bounds, and malformed files
// refused with the problem unchanged.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "io_util.h"

using namespace io_test;

namespace {

// A small LP: columns "x 1" in [0, inf), "y%\t" free-below, "z" in [-inf, 4];
// rows "cap a" (L), "b\n" (G), "r" (R). Maximises.
void load_small(ONDRprob p) {
  const char types[] = {'L', 'G', 'R'};
  const double rhs[] = {10, 1, 6}, range[] = {0, 0, 4}, obj[] = {3, 2, -1};
  const int start[] = {0, 3, 5, 7}, rows[] = {0, 1, 2, 0, 2, 1, 2};
  const double vals[] = {1, 1, 1, 2, 1, 1, -1}, lb[] = {0, -1e20, -1e20}, ub[] = {1e20, 5, 4};
  ONDRloadlp(p, "small", 3, 3, types, rhs, range, obj, start, nullptr, rows, vals, lb, ub);
  const char cols[] = "x 1\0y%\t\0z";
  const char rnames[] = "cap a\0b\n\0r";
  ONDRaddnames(p, 2, cols, 0, 2);
  ONDRaddnames(p, 1, rnames, 0, 2);
  ONDRchgobjsense(p, -1);
}

struct Sol {
  std::vector<double> x, slack, dual, dj;
};

Sol lpsol(ONDRprob p) {
  Sol s;
  s.x.resize((size_t)intattr(p, ONDR_ORIGINALCOLS));
  s.dj.resize(s.x.size());
  s.slack.resize((size_t)intattr(p, ONDR_ORIGINALROWS));
  s.dual.resize(s.slack.size());
  if (ONDRgetlpsol(p, s.x.data(), s.slack.data(), s.dual.data(), s.dj.data()) != 0) s.x.clear();
  return s;
}

bool same_bits(const std::vector<double> &a, const std::vector<double> &b) {
  return a.size() == b.size() && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

double dblattr(ONDRprob p, int id) {
  double v = NAN;
  ONDRgetdblattrib(p, id, &v);
  return v;
}

// Sizes, names and bounds of a problem as one text.
std::string describe(ONDRprob p) {
  int n = intattr(p, ONDR_ORIGINALCOLS), m = intattr(p, ONDR_ORIGINALROWS);
  std::string out = std::to_string(n) + " " + std::to_string(m) + " " + std::to_string(intattr(p, ONDR_ELEMS));
  std::vector<double> lb((size_t)n + 1), ub((size_t)n + 1), rhs((size_t)m + 1);
  if (n > 0) ONDRgetlb(p, lb.data(), 0, n - 1), ONDRgetub(p, ub.data(), 0, n - 1);
  if (m > 0) ONDRgetrhs(p, rhs.data(), 0, m - 1);
  for (int j = 0; j < n; ++j) out += "|" + name_of(p, 2, j) + " " + std::to_string(lb[(size_t)j]) + " " + std::to_string(ub[(size_t)j]);
  for (int i = 0; i < m; ++i) out += "|" + name_of(p, 1, i) + " " + std::to_string(rhs[(size_t)i]);
  return out;
}

ONDRprob read_instance(const char *name) {
  ONDRprob p = nullptr;
  ONDRcreateprob(&p);
  ONDRsetintcontrol(p, ONDR_OUTPUTLOG, 0);
  if (ONDRreadprob(p, (instance_dir() + "/" + name).c_str(), "") != 0) {
    ONDRdestroyprob(p);
    return nullptr;
  }
  return p;
}

}  // namespace

TEST(binary_and_slx_solutions_round_trip_on_lp_instances) {
  ONDRinit(nullptr);
  TempDir tmp;
  for (const char *inst : {"afiro.mps", "adlittle.mps"}) {
    ONDRprob a = read_instance(inst), b = read_instance(inst);
    if (!a || !b) {
      printf("  note: %s absent, skipping\n", inst);
      if (a) ONDRdestroyprob(a);
      if (b) ONDRdestroyprob(b);
      continue;
    }
    CHECK_OK(ONDRlpoptimize(a, ""));
    Sol sa = lpsol(a);
    std::string bin = tmp.path(std::string(inst) + ".bsol"), slx = tmp.path(std::string(inst) + ".slx");
    CHECK_OK(ONDRwritebinsol(a, bin.c_str(), ""));
    CHECK_OK(ONDRreadbinsol(b, bin.c_str(), ""));
    Sol sb = lpsol(b);
    CHECK(same_bits(sa.x, sb.x) && same_bits(sa.slack, sb.slack) && same_bits(sa.dual, sb.dual) &&
          same_bits(sa.dj, sb.dj));
    CHECK(intattr(b, ONDR_LPSTATUS) == 1 && intattr(b, ONDR_SIMPLEXITER) == intattr(a, ONDR_SIMPLEXITER));
    CHECK(dblattr(b, ONDR_LPOBJVAL) == dblattr(a, ONDR_LPOBJVAL));

    ONDRprob c = read_instance(inst);
    CHECK_OK(ONDRwriteslxsol(a, slx.c_str(), "d"));
    CHECK_OK(ONDRreadslxsol(c, slx.c_str(), ""));
    Sol sc = lpsol(c);
    CHECK(same_bits(sa.x, sc.x) && same_bits(sa.dual, sc.dual) && same_bits(sa.dj, sc.dj));
    CHECK_NEAR(dblattr(c, ONDR_LPOBJVAL), dblattr(a, ONDR_LPOBJVAL), 1e-9);
    CHECK(intattr(c, ONDR_LPSTATUS) == 4);  // a loaded solution is not a solve
    for (ONDRprob p : {a, b, c}) ONDRdestroyprob(p);
  }
}

TEST(mip_solution_files_keep_the_integer_solution) {
  ONDRinit(nullptr);
  TempDir tmp;
  ONDRprob a = read_instance("flugpl.mps"), b = read_instance("flugpl.mps");
  if (!a || !b) {
    printf("  note: flugpl.mps absent, skipping\n");
    if (a) ONDRdestroyprob(a);
    if (b) ONDRdestroyprob(b);
    return;
  }
  CHECK_OK(ONDRmipoptimize(a, ""));
  int n = intattr(a, ONDR_ORIGINALCOLS);
  std::vector<double> xa((size_t)n), xb((size_t)n);
  CHECK_OK(ONDRgetmipsol(a, xa.data(), nullptr));
  std::string slx = tmp.path("flugpl.slx"), bin = tmp.path("flugpl.bsol"), sol = tmp.path("flugpl.sol");
  CHECK_OK(ONDRwriteslxsol(a, slx.c_str(), ""));
  CHECK_FAIL(ONDRwriteslxsol(a, slx.c_str(), "md"));  // a MIP solution has no duals
  CHECK_OK(ONDRreadslxsol(b, slx.c_str(), ""));
  CHECK_OK(ONDRgetmipsol(b, xb.data(), nullptr));
  CHECK(same_bits(xa, xb));
  CHECK(intattr(b, ONDR_MIPSTATUS) == 4);
  CHECK_OK(ONDRwritebinsol(a, bin.c_str(), ""));
  CHECK_OK(ONDRreadbinsol(b, bin.c_str(), ""));
  CHECK(intattr(b, ONDR_MIPSTATUS) == intattr(a, ONDR_MIPSTATUS));
  CHECK(dblattr(b, ONDR_MIPOBJVAL) == dblattr(a, ONDR_MIPOBJVAL));
  CHECK_OK(ONDRwritesol(a, sol.c_str(), "c"));
  std::string text = slurp(sol);
  CHECK_CONTAINS(text, "SOLUTION MIP");
  CHECK(text.find("ROWS") == std::string::npos);
  ONDRdestroyprob(a);
  ONDRdestroyprob(b);
}

TEST(a_basis_read_back_resolves_without_iterations) {
  ONDRinit(nullptr);
  TempDir tmp;
  ONDRprob a = read_instance("afiro.mps"), b = read_instance("afiro.mps");
  if (!a || !b) {
    if (a) ONDRdestroyprob(a);
    if (b) ONDRdestroyprob(b);
    return;
  }
  std::string bss = tmp.path("afiro.bss");
  CHECK_FAIL(ONDRwritebasis(a, bss.c_str(), ""));  // no basis before a solve
  CHECK_OK(ONDRlpoptimize(a, ""));
  CHECK(intattr(a, ONDR_SIMPLEXITER) > 0);
  CHECK_OK(ONDRwritebasis(a, bss.c_str(), ""));
  CHECK_OK(ONDRreadbasis(b, bss.c_str(), ""));
  CHECK_OK(ONDRlpoptimize(b, ""));
  CHECK(intattr(b, ONDR_SIMPLEXITER) == 0);
  CHECK_NEAR(dblattr(b, ONDR_LPOBJVAL), dblattr(a, ONDR_LPOBJVAL), 1e-9);
  ONDRdestroyprob(a);
  ONDRdestroyprob(b);
}

TEST(odd_names_and_infinite_bounds_survive_every_text_file) {
  Fixture f;
  TempDir tmp;
  ONDRsetintcontrol(f.prob, ONDR_OUTPUTLOG, 0);
  load_small(f.prob);
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  Sol s = lpsol(f.prob);
  std::string slx = tmp.path("small.slx"), bss = tmp.path("small.bss"), prt = tmp.path("small.prt"),
              sol = tmp.path("small.sol");
  CHECK_OK(ONDRwriteslxsol(f.prob, slx.c_str(), "d"));
  CHECK_OK(ONDRwritebasis(f.prob, bss.c_str(), ""));
  CHECK_OK(ONDRwriteprtsol(f.prob, prt.c_str(), ""));
  CHECK_OK(ONDRwritesol(f.prob, sol.c_str(), ""));
  CHECK_CONTAINS(slurp(slx), "C x%201 ");
  CHECK_CONTAINS(slurp(slx), "C y%25%09 ");
  CHECK_CONTAINS(slurp(sol), " -inf 5\n");
  CHECK_CONTAINS(slurp(prt), "cap a");
  ONDRprob q = nullptr;
  ONDRcreateprob(&q);
  ONDRsetintcontrol(q, ONDR_OUTPUTLOG, 0);
  load_small(q);
  CHECK_OK(ONDRreadslxsol(q, slx.c_str(), ""));
  Sol t = lpsol(q);
  CHECK(same_bits(s.x, t.x) && same_bits(s.dual, t.dual) && same_bits(s.dj, t.dj));
  CHECK_OK(ONDRreadbasis(q, bss.c_str(), ""));
  CHECK_OK(ONDRlpoptimize(q, ""));
  CHECK(intattr(q, ONDR_SIMPLEXITER) == 0);
  ONDRdestroyprob(q);
}

TEST(a_restored_snapshot_reads_as_the_saved_problem) {
  Fixture f;
  TempDir tmp;
  char cwd[4096];
  CHECK(getcwd(cwd, sizeof cwd) != nullptr);
  std::string dir = tmp.path("");
  dir.pop_back();
  tmp.path("small.svf");
  CHECK(chdir(dir.c_str()) == 0);
  ONDRsetintcontrol(f.prob, ONDR_OUTPUTLOG, 0);
  load_small(f.prob);
  ONDRsetdblcontrol(f.prob, ONDR_FEASTOL, 1e-7);
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  Sol s = lpsol(f.prob);
  CHECK_OK(ONDRsave(f.prob));

  ONDRprob q = nullptr;
  ONDRcreateprob(&q);
  CHECK_FAIL(ONDRrestore(q, "missing", ""));
  CHECK_OK(ONDRrestore(q, "small", ""));
  Sol t = lpsol(q);
  CHECK(same_bits(s.x, t.x) && same_bits(s.slack, t.slack) && same_bits(s.dual, t.dual));
  for (int id : {ONDR_ORIGINALROWS, ONDR_ORIGINALCOLS, ONDR_ELEMS, ONDR_LPSTATUS, ONDR_SIMPLEXITER, ONDR_OBJSENSE})
    CHECK(intattr(q, id) == intattr(f.prob, id));
  CHECK(dblattr(q, ONDR_LPOBJVAL) == dblattr(f.prob, ONDR_LPOBJVAL));
  double tol = 0;
  ONDRgetdblcontrol(q, ONDR_FEASTOL, &tol);
  CHECK(tol == 1e-7);
  CHECK(name_of(q, 2, 1) == "y%\t" && name_of(q, 1, 1) == "b\n");
  double ub[3] = {0}, lb[3] = {0};
  ONDRgetub(q, ub, 0, 2);
  ONDRgetlb(q, lb, 0, 2);
  CHECK(ub[0] == 1e20 && lb[1] == -1e20 && lb[2] == -1e20);
  // The start basis came along: the re-solve takes no iterations.
  CHECK_OK(ONDRlpoptimize(q, ""));
  CHECK(intattr(q, ONDR_SIMPLEXITER) == 0);
  ONDRdestroyprob(q);
  CHECK(chdir(cwd) == 0);
}

TEST(malformed_files_are_refused_and_change_nothing) {
  Fixture f;
  TempDir tmp;
  char cwd[4096];
  CHECK(getcwd(cwd, sizeof cwd) != nullptr);
  std::string dir = tmp.path("");
  dir.pop_back();
  CHECK(chdir(dir.c_str()) == 0);
  ONDRsetintcontrol(f.prob, ONDR_OUTPUTLOG, 0);
  load_small(f.prob);
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  std::string bin = tmp.path("s.bsol"), slx = tmp.path("s.slx"), bss = tmp.path("s.bss"), bad = tmp.path("bad");
  tmp.path("small.svf");
  tmp.path("trunc.svf");
  CHECK_OK(ONDRwritebinsol(f.prob, bin.c_str(), ""));
  CHECK_OK(ONDRwriteslxsol(f.prob, slx.c_str(), ""));
  CHECK_OK(ONDRwritebasis(f.prob, bss.c_str(), ""));
  CHECK_OK(ONDRsave(f.prob));

  ONDRprob q = nullptr;
  ONDRcreateprob(&q);
  ONDRsetintcontrol(q, ONDR_OUTPUTLOG, 0);
  load_small(q);
  std::string before = describe(q);
  auto refused = [&](int rc, const char *part) {
    CHECK(rc != 0);
    CHECK_CONTAINS(check::lasterror(q), part);
    CHECK(intattr(q, ONDR_LPSTATUS) == 0);  // still unsolved
  };
  std::string b = slurp(bin);
  spit(bad, b.substr(0, b.size() - 9));
  refused(ONDRreadbinsol(q, bad.c_str(), ""), "truncated");
  spit(bad, "XXXX" + b.substr(4));
  refused(ONDRreadbinsol(q, bad.c_str(), ""), "wrong magic");
  spit(bad, b + "x");
  refused(ONDRreadbinsol(q, bad.c_str(), ""), "after the end mark");
  refused(ONDRreadbinsol(q, bin.c_str(), "z"), "Unknown binary solution file flag 'z'");

  std::string t = slurp(slx);
  spit(bad, t + "C nosuch 1\n");
  refused(ONDRreadslxsol(q, bad.c_str(), ""), "text after END");
  spit(bad, t.substr(0, t.find("END")) + "C nosuch 1\nEND\n");
  refused(ONDRreadslxsol(q, bad.c_str(), ""), "no column named 'nosuch'");
  CHECK_OK(ONDRreadslxsol(q, bad.c_str(), "a"));  // 'a' skips unknown names
  ONDRlpoptimize(q, "");
  ONDRdestroyprob(q);
  ONDRcreateprob(&q);
  ONDRsetintcontrol(q, ONDR_OUTPUTLOG, 0);
  load_small(q);
  spit(bad, t.substr(0, t.find("C z")) + "C x%201 2\nEND\n");
  refused(ONDRreadslxsol(q, bad.c_str(), ""), "listed twice");
  spit(bad, t.substr(0, t.find("END")));
  refused(ONDRreadslxsol(q, bad.c_str(), ""), "no END");
  spit(bad, "ONDRSLX 2\nEND\n");
  refused(ONDRreadslxsol(q, bad.c_str(), ""), "not an slx solution file");

  std::string s = slurp(bss);
  spit(bad, "ONDRBASIS 1\nSIZE 2 3\nEND\n");
  refused(ONDRreadbasis(q, bad.c_str(), ""), "of a problem of 2 rows");
  spit(bad, s.substr(0, s.find("R ")) + "END\n");
  refused(ONDRreadbasis(q, bad.c_str(), ""), "has no status");
  std::string st = s;
  st.replace(st.find("C ") + 2, 1, "7");
  spit(bad, st);
  refused(ONDRreadbasis(q, bad.c_str(), ""), "invalid basis status '7'");
  CHECK_OK(ONDRlpoptimize(q, ""));
  CHECK(intattr(q, ONDR_SIMPLEXITER) > 0);  // no basis was taken
  ONDRdestroyprob(q);
  ONDRcreateprob(&q);
  ONDRsetintcontrol(q, ONDR_OUTPUTLOG, 0);
  load_small(q);

  // Every truncation of a snapshot is refused and leaves the problem whole.
  std::string snap = slurp("small.svf");
  for (size_t cut = 0; cut < snap.size(); cut += 5) {
    spit("trunc.svf", snap.substr(0, cut));
    if (ONDRrestore(q, "trunc", "") == 0) {
      fprintf(stderr, "  restore of %zu of %zu bytes succeeded\n", cut, snap.size());
      CHECK(false);
      break;
    }
  }
  CHECK(describe(q) == before);
  ONDRdestroyprob(q);
  CHECK(chdir(cwd) == 0);
}

TEST(message_status_switches_off_a_numbered_message) {
  Fixture f;
  TempDir tmp;
  std::string log = tmp.path("out.log"), sol = tmp.path("m.sol");
  ONDRsetintcontrol(f.prob, ONDR_OUTPUTLOG, 0);
  load_small(f.prob);
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK_OK(ONDRsetlogfile(f.prob, log.c_str()));
  CHECK_OK(ONDRwritesol(f.prob, sol.c_str(), ""));
  CHECK_CONTAINS(slurp(log), "Solution written to");
  int st = -1;
  CHECK_OK(ONDRsetmessagestatus(f.prob, 1101, 0));
  CHECK_OK(ONDRgetmessagestatus(f.prob, 1101, &st));
  CHECK(st == 0);
  size_t len = slurp(log).size();
  CHECK_OK(ONDRwritesol(f.prob, sol.c_str(), ""));
  CHECK(slurp(log).size() == len);
  CHECK_OK(ONDRsetlogfile(f.prob, ""));
}

TEST(corrupted_snapshots_fail_or_give_a_usable_problem) {
  Fixture f;
  TempDir tmp;
  char cwd[4096];
  CHECK(getcwd(cwd, sizeof cwd) != nullptr);
  std::string dir = tmp.path("");
  dir.pop_back();
  CHECK(chdir(dir.c_str()) == 0);
  tmp.path("small.svf");
  tmp.path("bad.svf");
  ONDRsetintcontrol(f.prob, ONDR_OUTPUTLOG, 0);
  load_small(f.prob);
  // An unnamed set: the model holds fewer names than sets.
  const int setcols[] = {0, 1};
  const double ref[] = {1, 2};
  const char st[] = {'1'};
  const int64_t sstart[] = {0, 2};
  ONDRaddsets64(f.prob, 1, 2, st, sstart, setcols, ref);
  CHECK_OK(ONDRlpoptimize(f.prob, ""));
  CHECK_OK(ONDRsave(f.prob));
  std::string snap = slurp("small.svf");
  // Each byte in turn set to 0xff: the restore either fails or leaves a
  // problem that can be solved and queried.
  int restored = 0;
  for (size_t i = 8; i < snap.size(); ++i) {
    std::string bad = snap;
    bad[i] = (char)0xff;
    spit("bad.svf", bad);
    ONDRprob q = nullptr;
    ONDRcreateprob(&q);
    ONDRsetintcontrol(q, ONDR_OUTPUTLOG, 0);
    if (ONDRrestore(q, "bad", "") == 0) {
      ++restored;
      ONDRlpoptimize(q, "");
      ONDRmipoptimize(q, "");
      describe(q);
    }
    ONDRdestroyprob(q);
  }
  CHECK(restored > 0);
  CHECK(chdir(cwd) == 0);
}
