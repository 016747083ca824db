// Problem files with every feature the model holds: the MPS and LP
// readers agree on what a file means, and a written model reads back as
// the same model in every format. Models are compared through their free
// MPS text, which the writer produces deterministically.
#include <cmath>
#include "io_util.h"

using namespace io_test;

namespace {

// Every MPS feature: OBJSENSE, extra free rows, integer markers, all bound
// kinds (with the negative upper bound rule), RANGES on L, G and E rows of
// both signs, the objective constant, QUADOBJ, QCMATRIX, SOS, INDICATORS,
// semi-continuous, semi-integer and partially integer columns.
const char *kAllMps = R"(* every feature
NAME          allfeat
OBJSENSE
    MAX
ROWS
 N  cost
 L  lim1
 G  lim2
 E  bal
 E  eqneg
 L  rl
 G  rg
 N  free1
 L  quad1
 L  ind1
 G  ind0
 E  empty
COLUMNS
    x         cost      1.5        lim1      1
    x         lim2      2          bal       1
    MARKER    'MARKER'  'INTORG'
    i1        cost      -2         lim1      3
    i1        rl        1
    MARKER    'MARKER'  'INTEND'
    y         cost      1          lim2      -1
    y         eqneg     1          rg        2
    y         free1     4          quad1     1
    z         rl        1
    w         rl        1
    f         rg        1
    fx        rg        1
    b         ind1      1
    b2        ind0      1
    li        lim2      1
    ui        lim2      1
    s         lim1      1
    si        lim1      1
    p         lim2      1
    s2        lim1      1
    lonely    cost      0
RHS
    RHS       cost      -12.5      lim1      10
    RHS       lim2      1          bal       2
    RHS       eqneg     3          rl        5
    RHS       rg        -1         free1     7
    RHS       quad1     8          ind1      1
    RHS       empty     0
RANGES
    RNG       bal       4          eqneg     -2
    RNG       rl        -3         rg        2.5
BOUNDS
 UP BND       x         4
 MI BND       y
 UP BND       y         -1
 UP BND       z         -2
 LO BND       w         0
 UP BND       w         -3
 FR BND       f
 FX BND       fx        2.5
 BV BND       b
 BV BND       b2
 LI BND       li        -3
 UI BND       ui        7
 SC BND       s         10
 LO BND       s         2
 SI BND       si        8
 LO BND       p         1
 PI BND       p         3
 SC BND       s2
 LO BND       s2        -1
 SL BND       s2        0.5
QUADOBJ
    x         x         2
    x         y         3
QCMATRIX   quad1
    x         x         1
    x         y         0.5
    y         x         0.5
SOS
 S1 SOS       set1
    set1      x         1
    set1      y         2
 S2 SOS       set2
    set2      i1        1
    set2      fx        2
    set2      f         3
INDICATORS
 IF ind1      b         1
 IF ind0      b2        0
ENDATA
)";

// The same model as an LP file written by hand in other spellings:
// reversed and shifted rows, bounds in pieces, a quadratic row with both
// triangles, a set over two lines.
const char *kAllLp = R"(\ hand-written
\ Problem name: allfeat
maximize
  obj: 1.5 x - 2 i1 + y + 0 z + 0 w + 0 f + 0 fx + 0 b + 0 b2 + 0 li + 0 ui + 0 s
     + 0 si + 0 p + 0 s2 + 0 lonely + [ 2 x^2 + 6 x*y ] / 2 + 12.5
subject to
 lim1: x + 3 i1 + s + si + s2 <= 10
 lim2: 2 x - y + li + ui + p >= 1
 bal: 6 >= x >= 2
 eqneg: -1 <= y - 2 <= 1
 rl: 2 <= i1 + z + w <= 5
 rg: -1 <= 2 y + f + fx <= 1.5
 free1: 4 y <= +infinity
 quad1: y + [ x * x + 0.5 x * y + 0.5 y * x ] <= 8
 ind1: b = 1 -> b <= 1
 ind0: b2 = 0 -> b2 >= 0
 empty: 0 x = 0
bounds
 x <= 4
 y <= -1
 y >= -inf
 z >= -infinity
 z <= -2
 w <= -3
 f free
 fx = 2.5
 -3 <= li
 ui <= 7
 s <= 10
 s >= 2
 si <= 8
 p >= 1
 s2 >= -1
general
 i1 li
 ui si
binary
 b b2
semi-continuous
 s si s2:0.5
partial-integers
 p:3
sos
 set1: S1:: x:1 y:2
 set2: S2:: i1:1 fx:2
   f:3
end
)";

// kAllMps with nonlinear content: 2 * x * sin(y) in lim1, 3 * max(x, y, 2)
// on the unit column in quad1, a determining row and a row status.
std::string nonlinear_mps() {
  std::string s = kAllMps;
  s.resize(s.find("ENDATA"));
  return s + R"(NLCOEFS
    lim1 x 2 22:0 10:y 12:27
    quad1 'UNIT' 3 22:0 22:0 10:x 10:y 12:34 1:2 12:34
    rg y -1 10:x 10:y 31:3 1:0.5 31:5
NLDETROWS
    f rg
NLROWSTATUS
    rg 2048
ENDATA
)";
}

}  // namespace

TEST(mps_and_lp_readers_agree_on_every_feature) {
  Fixture f;
  TempDir tmp;
  std::string mps = tmp.path("all.mps"), lp = tmp.path("all.lp");
  spit(mps, kAllMps);
  spit(lp, kAllLp);
  CHECK_OK(ONDRreadprob(f.prob, mps.c_str(), ""));
  std::string from_mps = mps_text(f.prob, tmp);
  CHECK_OK(ONDRreadprob(f.prob, lp.c_str(), ""));
  std::string from_lp = mps_text(f.prob, tmp);
  CHECK(!from_mps.empty());
  if (from_mps != from_lp) fprintf(stderr, "--- from MPS\n%s--- from LP\n%s", from_mps.c_str(), from_lp.c_str());
  CHECK(from_mps == from_lp);

  CHECK(intattr(f.prob, ONDR_ORIGINALROWS) == 11);   // rows: the objective is not one, free1 is
  CHECK(intattr(f.prob, ONDR_ORIGINALCOLS) == 16);
  CHECK(intattr(f.prob, ONDR_ORIGINALSETS) == 2);    // sets
  CHECK(intattr(f.prob, ONDR_SETMEMBERS) == 5);    // set members
  CHECK(intattr(f.prob, ONDR_QELEMS) == 2);    // objective pairs
  CHECK(intattr(f.prob, ONDR_QCONSTRAINTS) == 1);    // quadratic rows
  CHECK(intattr(f.prob, ONDR_INDICATORS) == 2);    // indicators
  CHECK(intattr(f.prob, ONDR_OBJSENSE) == -1);   // maximise
  double k = 0;
  CHECK_OK(ONDRgetdblattrib(f.prob, ONDR_OBJCONSTANT, &k));
  CHECK(k == 12.5);                     // RHS -12.5 on the objective
  char pname[64] = {0};
  CHECK_OK(ONDRgetprobname(f.prob, pname, sizeof pname));
  CHECK(std::string(pname) == "allfeat");
  CHECK(name_of(f.prob, 1, 6) == "free1");
  CHECK(name_of(f.prob, 2, 15) == "lonely");
  CHECK(name_of(f.prob, 3, 1) == "set2");
}

TEST(what_the_mps_sections_mean) {
  // Checked on the written LP text, where each value reads plainly.
  Fixture f;
  TempDir tmp;
  std::string mps = tmp.path("all.mps"), lp = tmp.path("out.lp");
  spit(mps, kAllMps);
  CHECK_OK(ONDRreadprob(f.prob, mps.c_str(), ""));
  CHECK_OK(ONDRwriteprob(f.prob, lp.c_str(), ""));
  std::string t = slurp(lp);
  const char *expect[] = {
      "bal: 2 <= x <= 6",                  // E, range +4: [rhs, rhs+R]
      "eqneg: 1 <= y <= 3",                // E, range -2: [rhs+R, rhs]
      "rl: 2 <= i1 + z + w <= 5",          // L, range -3: [rhs-|R|, rhs]
      "rg: -1 <= 2 y + f + fx <= 1.5",     // G, range 2.5: [rhs, rhs+|R|]
      "free1: 4 y >= -infinity",           // further N rows stay, their RHS ignored
      "+ 12.5 + [ 2 x ^ 2 + 6 x * y ] / 2",  // constant and QUADOBJ (one triangle)
      "quad1: y + [ x ^ 2 + x * y ] <= 8",   // QCMATRIX: both triangles of x'Qx
      "ind1: b = 1 -> b <= 1",
      "ind0: b2 = 0 -> b2 >= 0",
      "empty: [ ] = 0",
      "-infinity <= z <= -2",              // UP < 0 with the lower bound left at 0
      " w <= -3",                          // ... but not when LO 0 was given
      "2 <= s <= 10",                      // SC 10 with LO 2: x = 0 or 2 <= x <= 10
      "Semi-continuous\n s\n si\n s2:0.5\n",
      "Partial-integers\n p:3\n",
      "Generals\n i1 li ui si\n",
      "Binaries\n b b2\n",
      "set2: S2:: i1:1 fx:2 f:3",
  };
  for (const char *e : expect) CHECK_CONTAINS(t, e);
}

TEST(quadratic_objective_sections_agree) {
  // 0.5 x'Qx with Q = [[2, 3], [3, 4]]: QUADOBJ and QSECTION list one
  // triangle, QMATRIX the whole matrix.
  Fixture f;
  TempDir tmp;
  std::string head = "NAME q\nROWS\n N obj\n L c\nCOLUMNS\n    x obj 1 c 1\n    y c 1\nRHS\n    rhs c 4\n";
  const char *bodies[] = {
      "QUADOBJ\n    x x 2\n    y x 3\n    y y 4\n",
      "QSECTION obj\n    x x 2\n    x y 3\n    y y 4\n",
      "QMATRIX\n    x x 2\n    x y 3\n    y x 3\n    y y 4\n",
      "QCMATRIX obj\n    x x 2\n    x y 3\n    y x 3\n    y y 4\n",
  };
  std::string first;
  for (const char *body : bodies) {
    std::string path = tmp.path("q.mps");
    spit(path, head + body + "ENDATA\n");
    CHECK_OK(ONDRreadprob(f.prob, path.c_str(), ""));
    std::string t = mps_text(f.prob, tmp);
    if (first.empty()) first = t;
    CHECK(t == first);
  }
  CHECK_CONTAINS(first, "QUADOBJ\n    x x 2\n    x y 3\n    y y 4\n");
  // A quadratic row: QCMATRIX lists both triangles, QSECTION on a row too.
  std::string a = tmp.path("qc1.mps"), b = tmp.path("qc2.mps");
  spit(a, head + "QCMATRIX c\n    x y 1.5\n    y x 1.5\n    y y 1\nENDATA\n");
  spit(b, head + "QSECTION c\n    x y 1.5\n    y x 1.5\n    y y 1\nENDATA\n");
  CHECK_OK(ONDRreadprob(f.prob, a.c_str(), ""));
  std::string ta = mps_text(f.prob, tmp);
  std::string lp = tmp.path("qc.lp");
  CHECK_OK(ONDRwriteprob(f.prob, lp.c_str(), ""));
  CHECK_CONTAINS(slurp(lp), "c: x + y + [ 3 x * y + y ^ 2 ] <= 4");
  CHECK_OK(ONDRreadprob(f.prob, b.c_str(), ""));
  CHECK(mps_text(f.prob, tmp) == ta);
}

TEST(every_format_gives_back_the_same_model) {
  Fixture f;
  TempDir tmp;
  std::string src = tmp.path("all.mps");
  spit(src, kAllMps);
  CHECK_OK(ONDRreadprob(f.prob, src.c_str(), ""));
  std::string want = mps_text(f.prob, tmp);
  struct Way {
    const char *file, *wflags, *rflags;
  } ways[] = {
      {"a.mps", "", ""}, {"a.lp", "", ""}, {"a.fix", "x", "x"}, {"a.txt", "l", "l"},
      {"a.LP", "", ""},  {"a.mps", "l", "l"},
  };
  for (const auto &w : ways) {
    std::string path = tmp.path(w.file);
    CHECK_OK(ONDRwriteprob(f.prob, path.c_str(), w.wflags));
    CHECK_OK(ONDRreadprob(f.prob, path.c_str(), w.rflags));
    bool same = mps_text(f.prob, tmp) == want;
    if (!same) fprintf(stderr, "  differs after %s with '%s'\n", w.file, w.wflags);
    CHECK(same);
  }
  // A name without extension finds name.mps.
  std::string base = tmp.path("noext");
  std::string withext = tmp.path("noext.mps");
  CHECK_OK(ONDRwriteprob(f.prob, withext.c_str(), ""));
  CHECK_OK(ONDRreadprob(f.prob, base.c_str(), ""));
  CHECK(mps_text(f.prob, tmp) == want);
}

TEST(values_and_names_survive_exactly) {
  // Ranges whose lower limit is not exact in binary, tiny and huge values,
  // unnamed and repeated names, an empty row, a column nothing mentions.
  Fixture f;
  TempDir tmp;
  const double rhs[] = {0.3, 1e-300, 7.0, -0.1, 1e15 + 1, 0.0};
  const double rng[] = {0.1 + 0.2, 3e-301, 0.0, 1.0 / 3.0, 0.7, 0.0};
  const char types[] = {'R', 'R', 'R', 'R', 'R', 'E'};
  const double obj[] = {1.0 / 3.0, -2.5e-7, 0.0};
  const int start[] = {0, 3, 5, 5};
  const int rowind[] = {0, 1, 2, 3, 4};
  const double val[] = {0.1, -1e300, 2.0 / 3.0, 1, 1};
  const double lb[] = {-1.5, 0.0, 0.0}, ub[] = {1e20, 3.25, 1e20};
  CHECK_OK(ONDRloadlp(f.prob, "exact", 3, 6, types, rhs, rng, obj, start, nullptr, rowind, val,
                      lb, ub));
  // Names: row 1 takes the default name of row 0, column 2 repeats column 0.
  CHECK_OK(ONDRaddnames(f.prob, 1, "R1", 1, 1));
  CHECK_OK(ONDRaddnames(f.prob, 2, "a\0b\0a", 0, 2));
  std::string want = mps_text(f.prob, tmp);
  CHECK_CONTAINS(want, " L R1_2\n");    // the unnamed row 0 makes way for the given name
  CHECK_CONTAINS(want, "    a_2 OBJ 0\n");
  // Fixed MPS too: full-precision numbers run past their field.
  for (const char *file : {"v.mps", "v.lp", "v.fix"}) {
    std::string path = tmp.path(file);
    const char *flags = strstr(file, ".fix") ? "x" : "";
    CHECK_OK(ONDRwriteprob(f.prob, path.c_str(), flags));
    CHECK_OK(ONDRreadprob(f.prob, path.c_str(), flags));
    bool same = mps_text(f.prob, tmp) == want;
    if (!same) fprintf(stderr, "  %s:\n%s\n%s", file, want.c_str(), mps_text(f.prob, tmp).c_str());
    CHECK(same);
  }
  CHECK(name_of(f.prob, 1, 1) == "R1");
  CHECK(name_of(f.prob, 2, 2) == "a_2");
}

TEST(the_optimizer_layer_refuses_nonlinear_files) {
  Fixture f;
  TempDir tmp;
  std::string path = tmp.path("nl.mps");
  spit(path, nonlinear_mps());
  std::string before = mps_text(f.prob, tmp);
  CHECK_FAIL(ONDRreadprob(f.prob, path.c_str(), ""));
  std::string err = check::lasterror(f.prob);
  CHECK_CONTAINS(err, "nl.mps:");
  CHECK_CONTAINS(err, "has nonlinear content");
  CHECK_CONTAINS(err, "read it through the nonlinear layer");
  CHECK(mps_text(f.prob, tmp) == before);
}

TEST(the_nonlinear_layer_reads_and_writes_everything) {
  Fixture f;
  TempDir tmp;
  OSLPprob s = nullptr;
  CHECK_OK(OSLPcreateprob(&s, &f.prob));
  std::string path = tmp.path("nl.mps");
  spit(path, nonlinear_mps());
  CHECK_OK(OSLPreadprob(s, path.c_str(), ""));
  int n = 0;
  CHECK_OK(OSLPgetintattrib(s, OSLP_NLPCOEFS, &n));
  CHECK(n == 3);
  CHECK(intattr(f.prob, ONDR_ORIGINALROWS) == 11);
  std::string mps = tmp.path("nl2.mps"), lp = tmp.path("nl2.lp");
  CHECK_OK(OSLPwriteprob(s, mps.c_str(), ""));
  std::string want = slurp(mps);
  CHECK_CONTAINS(want, "NLCOEFS\n    lim1 x 2 22:0 10:y 12:27\n");
  CHECK_CONTAINS(want, "    quad1 'UNIT' 3 22:0 22:0 10:x 10:y 12:34 1:2 12:34\n");
  CHECK_CONTAINS(want, "NLDETROWS\n    f rg\nNLROWSTATUS\n    rg 2048\n");
  // The optimizer layer writes what it holds, nonlinear content included.
  std::string mps3 = tmp.path("nl3.mps");
  CHECK_OK(ONDRwriteprob(f.prob, mps3.c_str(), ""));
  CHECK(slurp(mps3) == want);
  CHECK_OK(OSLPwriteprob(s, lp.c_str(), ""));
  CHECK_CONTAINS(slurp(lp), "NLCoefs\n    lim1 x 2 22:0 10:y 12:27\n");
  for (const std::string &p : {mps, lp}) {
    CHECK_OK(OSLPreadprob(s, p.c_str(), ""));
    CHECK_OK(OSLPwriteprob(s, mps.c_str(), ""));
    CHECK(slurp(mps) == want);
    CHECK_FAIL(ONDRreadprob(f.prob, p.c_str(), ""));
  }
  CHECK_OK(OSLPdestroyprob(s));
}

TEST(a_null_nonlinear_handle_fails_cleanly) {
  Fixture f;
  TempDir tmp;
  std::string path = tmp.path("nl.mps");
  spit(path, nonlinear_mps());
  CHECK_FAIL(OSLPreadprob(nullptr, path.c_str(), ""));
  CHECK(!check::lasterror(nullptr).empty());
  CHECK_FAIL(OSLPwriteprob(nullptr, path.c_str(), ""));
  CHECK(!check::lasterror(nullptr).empty());
}
