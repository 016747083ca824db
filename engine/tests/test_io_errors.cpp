// Faulty problem files and arguments: each fails with a message that names
// the file and line, and leaves the problem as it was.
#include <sys/stat.h>
#include "io_util.h"

using namespace io_test;

namespace {

const char *kGood = R"(NAME good
ROWS
 N obj
 L c1
 G c2
COLUMNS
    x obj 1 c1 1
    x c2 1
    MARKER 'MARKER' 'INTORG'
    n c1 2
    MARKER 'MARKER' 'INTEND'
    b c2 1
RHS
    rhs c1 4 c2 1
BOUNDS
 BV bnd b
ENDATA
)";

// kGood with the line that starts with `from` replaced by `to` (several
// lines when `to` holds line ends, none when it is empty).
std::string edit(const std::string &from, const std::string &to) {
  std::string s = kGood;
  size_t p = s.find(from);
  if (p == std::string::npos) return "missing " + from;
  size_t e = s.find('\n', p);
  return s.substr(0, p) + to + s.substr(e + 1);
}

// A problem holding kGood, and its text to compare against after a failure.
struct Loaded {
  Fixture f;
  TempDir tmp;
  std::string ref = tmp.path("ref.mps"), before;
  Loaded() {
    spit(ref, kGood);
    CHECK_OK(ONDRreadprob(f.prob, ref.c_str(), ""));
    before = mps_text(f.prob, tmp);
    CHECK(!before.empty());
  }
};

struct Bad {
  const char *file;     // name of the file (its extension picks the format)
  std::string text;
  int line;             // expected line in the message (0: none)
  const char *says;     // expected part of the message
};

}  // namespace

TEST(malformed_files_fail_with_file_and_line_and_change_nothing) {
  std::string good = kGood;
  const Bad cases[] = {
      // MPS
      {"trunc.mps", good.substr(0, good.find("RHS")), 12, "ends without ENDATA"},
      {"empty.mps", "", 0, "ends without ENDATA"},
      {"sect.mps", edit("RHS", "FOO"), 13, "unknown section 'FOO'"},
      {"num.mps", edit("    x c2 1", "    x c2 1.2.3\n"), 8, "bad number '1.2.3'"},
      {"nan.mps", edit("    x c2 1", "    x c2 nan\n"), 8, "bad number 'nan'"},
      {"huge.mps", edit("    x c2 1", "    x c2 1e400\n"), 8, "infinite value"},
      {"row.mps", edit("    x c2 1", "    x nope 1\n"), 8, "unknown row 'nope'"},
      {"col.mps", edit(" BV bnd b", " UP bnd q 3\n"), 16, "unknown column 'q'"},
      {"marker.mps", edit("    MARKER 'MARKER' 'INTEND'", ""), 9, "MARKER INTORG without a closing INTEND"},
      {"intend.mps", edit("    MARKER 'MARKER' 'INTORG'", ""), 10, "MARKER INTEND without INTORG"},
      {"marker2.mps", edit("    MARKER 'MARKER' 'INTEND'", "    MARKER 'MARKER' 'SOSORG'\n"), 11, "unknown MARKER kind"},
      {"duprow.mps", edit(" G c2", " G c1\n"), 5, "duplicate row name 'c1'"},
      {"dupobj.mps", edit(" G c2", " N obj\n"), 5, "duplicate row name 'obj'"},
      {"dupent.mps", edit("    x c2 1", "    x c1 5\n"), 8, "a second entry for column 'x' in row 'c1'"},
      {"apart.mps", edit("    b c2 1", "    x c2 1\n"), 12, "column 'x' appears again"},
      {"bound.mps", edit(" BV bnd b", " XX bnd b 1\n"), 16, "unknown bound type 'XX'"},
      {"bval.mps", edit(" BV bnd b", " UP bnd b\n"), 16, "bound UP needs a value"},
      {"rowtype.mps", edit(" G c2", " Q c2\n"), 5, "unknown row type 'Q'"},
      {"order.mps", edit("COLUMNS", "RHS\n    rhs c1 4\nCOLUMNS\n"), 6, "section RHS comes before COLUMNS"},
      {"outside.mps", "    x y 1\n" + good, 1, "a data line outside any section"},
      {"duprhs.mps", edit("    rhs c1 4 c2 1", "    rhs c1 4\n    rhs c1 5\n"), 15, "a second right-hand side for row 'c1'"},
      {"ind.mps", edit("ENDATA", "INDICATORS\n IF c1 x 1\nENDATA\n"), 18, "indicator column 'x' of row 'c1' is not binary"},
      {"indval.mps", edit("ENDATA", "INDICATORS\n IF c1 b 2\nENDATA\n"), 18, "indicator value must be 0 or 1"},
      {"sos.mps", edit("ENDATA", "SOS\n    s x 1\nENDATA\n"), 18, "before any set header"},
      {"qobj.mps", edit("ENDATA", "QUADOBJ\n    x zz 1\nENDATA\n"), 18, "unknown column 'zz'"},
      {"qrow.mps", edit("ENDATA", "QCMATRIX zz\n    x x 1\nENDATA\n"), 17, "unknown row 'zz'"},
      {"sl.mps", edit(" BV bnd b", " SL bnd x 1\n"), 16, "not semi-continuous"},
      {"nl.mps", edit("ENDATA", "NLCOEFS\n    c1 x 1 1:2\nENDATA\n"), 17, "has nonlinear content"},
      {"fields.mps", edit("    x c2 1", "    x c2 1 c1\n"), 8, "a COLUMNS line holds"},
      // LP
      {"end.lp", "Minimize\n obj: x\nSubject To\n c1: x >= 1\n", 4, "ends without End"},
      {"lead.lp", "hello\nMinimize\n x\nEnd\n", 1, "text before the first section"},
      {"sign.lp", "Minimize\n x\nSubject To\n c1: x + <= 3\nEnd\n", 4, "a term is expected after the sign"},
      {"dup.lp", "Minimize\n x\nSubject To\n c1: x <= 3\n c1: x >= 1\nEnd\n", 5, "duplicate row name 'c1'"},
      {"range.lp", "Minimize\n x\nSubject To\n c1: 1 <= x = 3\nEnd\n", 4, "a range row reads"},
      {"quad.lp", "Minimize\n x * y\nEnd\n", 2, "quadratic terms belong inside [ ]"},
      {"bracket.lp", "Minimize\n [ x ^ 2\nEnd\n", 2, "a [ without its ]"},
      {"cube.lp", "Minimize\n [ x ^ 3 ] / 2\nEnd\n", 2, "only squares"},
      {"ind.lp", "Minimize\n x\nSubject To\n c1: 2 b = 1 -> x <= 1\nBinaries\n b\nEnd\n", 4, "an indicator reads"},
      {"kinds.lp", "Minimize\n x\nBinaries\n x\nSemi-continuous\n x\nEnd\n", 6, "two kinds"},
      {"obj2.lp", "Minimize\n x\nMaximize\n x\nEnd\n", 4, "a second objective"},
      {"cmp.lp", "Minimize\n x\nSubject To\n c1: x + y 3\nEnd\n", 4, "a comparison (<=, >=, =) is expected"},
      {"bnd.lp", "Minimize\n x\nBounds\n <= 3\nEnd\n", 4, "a bound is expected"},
      {"sos.lp", "Minimize\n x\nSOS\n s1: S3:: x:1\nEnd\n", 4, "a set reads"},
      {"rng.lp", "Minimize\n x\nSubject To\n c: x <= 1\nRanges\n d = 1\nEnd\n", 6, "unknown row 'd'"},
      {"nl.lp", "Minimize\n x\nNLCoefs\n c x 1 1:2\nEnd\n", 3, "has nonlinear content"},
      {"inf.lp", "Minimize\n x\nSubject To\n c: x = infinity\nEnd\n", 4, "cannot equal infinity"},
  };
  Loaded g;
  Fixture &f = g.f;
  TempDir &tmp = g.tmp;
  const std::string &before = g.before;
  for (const auto &c : cases) {
    std::string path = tmp.path(c.file);
    spit(path, c.text);
    int rc = ONDRreadprob(f.prob, path.c_str(), "");
    if (rc == 0) fprintf(stderr, "  %s: read without complaint\n", c.file);
    CHECK(rc != 0);
    std::string err = check::lasterror(f.prob);
    std::string where = path + (c.line ? ":" + std::to_string(c.line) + ":" : ":");
    if (err.find(where) == std::string::npos || err.find(c.says) == std::string::npos)
      fprintf(stderr, "  %s: message \"%s\", expected \"%s ... %s\"\n", c.file, err.c_str(),
              where.c_str(), c.says);
    CHECK_CONTAINS(err, where.c_str());
    CHECK_CONTAINS(err, c.says);
    CHECK(mps_text(f.prob, tmp) == before);
  }
}

TEST(faulty_formulas_fail_in_the_nonlinear_layer) {
  Fixture f;
  TempDir tmp;
  OSLPprob s = nullptr;
  CHECK_OK(OSLPcreateprob(&s, &f.prob));
  const struct {
    const char *tokens, *says;
  } cases[] = {
      {"31:3", "lacks operands"},
      {"10:x 10:x", "does not reduce to one value"},
      {"22:0 10:x", "does not reduce to one value"},
      {"10:x 12:27", "lacks its bracket"},
      {"10:x 1:2 31:9", "unknown operator code 9"},
      {"10:nope", "unknown column 'nope'"},
      {"7:1", "unknown token type 7"},
      {"1:abc", "bad number 'abc'"},
      {"0:0", "end-of-formula token inside"},
      {"1", "is not of the form type:value"},
  };
  std::string ref = tmp.path("ref.mps");
  spit(ref, edit("ENDATA", "NLCOEFS\n    c1 x 2 22:0 10:n 12:27\nENDATA\n"));
  CHECK_OK(OSLPreadprob(s, ref.c_str(), ""));
  std::string before = mps_text(f.prob, tmp);
  CHECK_CONTAINS(before, "NLCOEFS\n    c1 x 2 22:0 10:n 12:27\n");
  for (const auto &c : cases) {
    std::string path = tmp.path("f.mps");
    spit(path, edit("ENDATA", std::string("NLCOEFS\n    c1 'UNIT' 1 ") + c.tokens + "\nENDATA\n"));
    CHECK_FAIL(OSLPreadprob(s, path.c_str(), ""));
    std::string err = check::lasterror(f.prob);
    CHECK_CONTAINS(err, (path + ":18:").c_str());
    CHECK_CONTAINS(err, c.says);
    CHECK(mps_text(f.prob, tmp) == before);
  }
  CHECK_OK(OSLPdestroyprob(s));
}

TEST(bad_arguments_and_unwritable_models_fail_clearly) {
  Loaded g;
  Fixture &f = g.f;
  TempDir &tmp = g.tmp;
  const std::string &ref = g.ref, &before = g.before;
  struct {
    const char *file, *flags, *says;
  } reads[] = {
      {"REF", "q", "Unknown problem file flag 'q'"},
      {"REF", "lx", "exclude each other"},
      {"/nonexistent/dir/model.mps", "", "Cannot open '/nonexistent/dir/model.mps' for reading"},
      {nullptr, "", "No file name given"},
      {"", "", "No file name given"},
  };
  for (const auto &r : reads) {
    std::string file = r.file && std::string(r.file) == "REF" ? ref : r.file ? r.file : "";
    CHECK_FAIL(ONDRreadprob(f.prob, r.file ? file.c_str() : nullptr, r.flags));
    CHECK_CONTAINS(check::lasterror(f.prob), r.says);
    CHECK(mps_text(f.prob, tmp) == before);
  }
  CHECK_FAIL(ONDRreadprob(nullptr, ref.c_str(), ""));
  CHECK_FAIL(ONDRwriteprob(nullptr, ref.c_str(), ""));
  CHECK_FAIL(ONDRwriteprob(f.prob, "/nonexistent/dir/out.mps", ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "Cannot open '/nonexistent/dir/out.mps' for writing");

  // Names a format cannot hold: the writer fails and writes nothing.
  struct {
    const char *name, *file, *flags, *says;
  } names[] = {
      {"two words", "n1.mps", "", "holds white space"},
      {"two words", "n2.lp", "", "cannot be written in LP format"},
      {"2x", "n3.lp", "", "cannot be written in LP format"},
      {"a-b", "n4.lp", "", "cannot be written in LP format"},
      {"End", "n5.lp", "", "cannot be written in LP format"},
      {"longer_than_8", "n6.mps", "x", "longer than the 8 characters of fixed MPS"},
  };
  for (const auto &n : names) {
    CHECK_OK(ONDRaddnames(f.prob, 2, n.name, 0, 0));
    std::string path = tmp.path(n.file);
    CHECK_FAIL(ONDRwriteprob(f.prob, path.c_str(), n.flags));
    CHECK_CONTAINS(check::lasterror(f.prob), n.says);
    struct stat st;
    CHECK(stat(path.c_str(), &st) != 0);
  }
  // The same names are fine where the format holds them.
  CHECK_OK(ONDRaddnames(f.prob, 2, "a-b", 0, 0));
  std::string ok = tmp.path("ok.mps");
  CHECK_OK(ONDRwriteprob(f.prob, ok.c_str(), ""));
  CHECK_OK(ONDRreadprob(f.prob, ok.c_str(), ""));
  CHECK(name_of(f.prob, 2, 0) == "a-b");
}
