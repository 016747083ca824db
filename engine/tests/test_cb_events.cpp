// Callbacks of the HiGHS runs through the C interface: lplog stopping a
// simplex, intsol reading its incumbent, user solutions checked and
// reported to usersolnotify, and the argument errors of ONDRaddmipsol.
#include <cmath>
#include <string>
#include <utility>
#include <vector>
#include "check.h"
#include "lpbuild.h"

namespace {

// max 3x + 2y + z, x + y + z <= 4.5, x - y <= 2.5, x, y integer in [0, 10],
// z in [0, 0.5]; presolve off so that the search and the simplex run.
void load_mip(ONDRprob p) {
  LpBuild b;
  int x = b.col(3, 0, 10), y = b.col(2, 0, 10), z = b.col(1, 0, 0.5);
  b.row('L', 4.5, {{x, 1}, {y, 1}, {z, 1}});
  b.row('L', 2.5, {{x, 1}, {y, -1}});
  CHECK_OK(b.load(p));
  int cols[] = {0, 1};
  CHECK_OK(ONDRchgcoltype(p, 2, cols, "II"));
  CHECK_OK(ONDRchgobjsense(p, -1));
  CHECK_OK(ONDRsetintcontrol(p, ONDR_PRESOLVE, 0));
}

struct Seen {
  std::vector<double> objs;
  bool solution_matches = true;
  std::vector<std::pair<std::string, int>> notes;
  int lplogs = 0, stop_at = 0;
};

void on_intsol(ONDRprob p, void *d) {
  Seen *s = (Seen *)d;
  double obj = dblattr(p, ONDR_MIPOBJVAL), x[3];
  CHECK_OK(ONDRgetmipsol(p, x, nullptr));
  s->objs.push_back(obj);
  if (std::fabs(3 * x[0] + 2 * x[1] + x[2] - obj) > 1e-6) s->solution_matches = false;
}
void on_note(ONDRprob, void *d, const char *name, int status) {
  ((Seen *)d)->notes.push_back({name ? name : "", status});
}
int on_lplog(ONDRprob, void *d) {
  Seen *s = (Seen *)d;
  return ++s->lplogs == s->stop_at ? 1 : 0;
}

}  // namespace

TEST(intsol_reads_the_incumbent_it_reports) {
  Fixture f;
  load_mip(f.prob);
  Seen s;
  CHECK_OK(ONDRaddcbintsol(f.prob, on_intsol, &s, 0));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(!s.objs.empty() && s.solution_matches);
  CHECK_NEAR(s.objs.back(), dblattr(f.prob, ONDR_MIPOBJVAL), 1e-9);
  CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), 11.5, 1e-9);  // x = 3, y = 1, z = 0.5
  CHECK((int)s.objs.size() == intattr(f.prob, ONDR_MIPSOLS));
}

TEST(lplog_result_stops_the_simplex) {
  Fixture f;
  load_mip(f.prob);
  Seen s;
  s.stop_at = 1;
  CHECK_OK(ONDRaddcblplog(f.prob, on_lplog, &s, 0));
  CHECK_OK(ONDRlpoptimize(f.prob, "d"));
  CHECK(s.lplogs == 1);
  CHECK(intattr(f.prob, ONDR_LPSTATUS) == 4 && intattr(f.prob, ONDR_STOPSTATUS) == 9);
  s.stop_at = 0;
  s.lplogs = 0;
  CHECK_OK(ONDRlpoptimize(f.prob, "d"));
  CHECK(s.lplogs >= 1 && intattr(f.prob, ONDR_LPSTATUS) == 1);
}

TEST(user_solutions_are_checked_and_reported_in_order) {
  Fixture f;
  load_mip(f.prob);
  Seen s;
  CHECK_OK(ONDRaddcbusersolnotify(f.prob, on_note, &s, 0));
  double full[] = {2, 2, 0.5}, bad[] = {5, 0, 0}, half[] = {1.5};
  int ycol[] = {1}, xcol[] = {0};
  double y1[] = {1};
  CHECK_OK(ONDRaddmipsol(f.prob, 3, full, nullptr, "full"));       // 10.5
  CHECK_OK(ONDRaddmipsol(f.prob, 1, y1, ycol, nullptr));           // completed: 11.5
  CHECK_OK(ONDRaddmipsol(f.prob, 3, bad, nullptr, "rows"));        // breaks x + y + z <= 4.5
  CHECK_OK(ONDRaddmipsol(f.prob, 1, half, xcol, "fraction"));      // x must be integer
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  std::vector<std::pair<std::string, int>> want = {
      {"full", ONDR_USERSOL_NOTUSED}, {"usersol2", ONDR_USERSOL_COMPLETED},
      {"rows", ONDR_USERSOL_INFEASIBLE}, {"fraction", ONDR_USERSOL_INFEASIBLE}};
  CHECK(s.notes == want);
  CHECK_NEAR(dblattr(f.prob, ONDR_MIPOBJVAL), 11.5, 1e-9);
  // reported once: the next search has none
  s.notes.clear();
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(s.notes.empty());
  int status = -1;
  CHECK_OK(ONDRloadmipsol(f.prob, full, &status));
  CHECK(status == 0);
  CHECK_OK(ONDRloadmipsol(f.prob, bad, &status));
  CHECK(status == 1);
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(s.notes.empty());  // loaded solutions are not reported
}

TEST(addmipsol_refuses_bad_arguments_and_keeps_nothing) {
  Fixture f;
  load_mip(f.prob);
  double v[] = {1, 2}, nan[] = {NAN};
  int dup[] = {0, 0}, out[] = {0, 7};
  CHECK_FAIL(ONDRaddmipsol(f.prob, 2, v, nullptr, "short"));
  CHECK_CONTAINS(check::lasterror(f.prob), "one value per column (3), not 2");
  CHECK_FAIL(ONDRaddmipsol(f.prob, 2, v, dup, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob), "appears twice");
  CHECK_FAIL(ONDRaddmipsol(f.prob, 2, v, out, nullptr));
  CHECK_CONTAINS(check::lasterror(f.prob), "out of range");
  CHECK_FAIL(ONDRaddmipsol(f.prob, 1, nan, dup, nullptr));
  CHECK_FAIL(ONDRaddmipsol(f.prob, -1, v, dup, nullptr));
  CHECK_FAIL(ONDRloadmipsol(f.prob, nullptr, nullptr));
  Seen s;
  CHECK_OK(ONDRaddcbusersolnotify(f.prob, on_note, &s, 0));
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  CHECK(s.notes.empty());
}
