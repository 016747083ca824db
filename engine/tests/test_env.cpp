// Environment, errors, controls, attributes and problems.
#include <string>
#include "check.h"
#include "oslp.h"

TEST(init_is_repeatable) {
  CHECK_OK(ONDRinit(nullptr));
  CHECK_OK(ONDRinit(nullptr));
  CHECK_OK(ONDRfree());
  ONDRprob p = nullptr;
  CHECK_FAIL(ONDRcreateprob(&p));  // stopped
  CHECK(p == nullptr);
  CHECK_CONTAINS(check::lasterror(nullptr), "not been started");
  CHECK_OK(ONDRinit(nullptr));
  CHECK_OK(ONDRcreateprob(&p));
  CHECK_OK(ONDRfree());            // releases the live problem with the library
  CHECK_OK(ONDRinit(nullptr));
  int n = 0;
  CHECK_FAIL(ONDRgetintattrib(p, ONDR_ORIGINALCOLS, &n));  // stale handle refused, not dereferenced
}

TEST(version_banner_checked_mode) {
  ONDRinit(nullptr);
  char v[32] = {0}, b[528] = {0};
  CHECK_OK(ONDRgetversion(v));
  CHECK(strlen(v) > 0);
  CHECK_OK(ONDRgetbanner(b));
  CHECK(strlen(b) > 0);
  int m = -1;
  CHECK_OK(ONDRsetcheckedmode(0));
  CHECK_OK(ONDRgetcheckedmode(&m));
  CHECK(m == 0);
  CHECK_OK(ONDRsetcheckedmode(1));
  CHECK_OK(ONDRgetcheckedmode(&m));
  CHECK(m == 1);
}

TEST(control_list_is_consistent) {
  ONDRinit(nullptr);
  const int *ids, *flags;
  const char *const *names;
  CHECK_OK(ONDRgetcalist_c(nullptr, &ids, &names, &flags));
  Fixture f;
  int count = 0;
  for (int i = 0; ids[i]; ++i, ++count) {
    // every listed entry reads through its type's getter on a fresh problem
    int iv; double dv; char sv[2048];
    bool control = flags[i] & ONDR_CA_CONTROL;
    int rc;
    if (flags[i] & ONDR_CA_INT) rc = control ? ONDRgetintcontrol(f.prob, ids[i], &iv) : ONDRgetintattrib(f.prob, ids[i], &iv);
    else if (flags[i] & ONDR_CA_DOUBLE) rc = control ? ONDRgetdblcontrol(f.prob, ids[i], &dv) : ONDRgetdblattrib(f.prob, ids[i], &dv);
    else rc = control ? ONDRgetstrcontrol(f.prob, ids[i], sv) : ONDRgetstringattrib(f.prob, ids[i], sv);
    if (rc) fprintf(stderr, "  cannot read %s\n", names[i]);
    CHECK(rc == 0);
  }
  CHECK(count > 40);
  // fixed ids exist with their types
  int v;
  double d;
  CHECK_OK(ONDRgetintcontrol(f.prob, ONDR_KEEPBASIS, &v));
  CHECK_OK(ONDRgetintattrib(f.prob, ONDR_PROBNAMELENGTH, &v));
  CHECK_OK(ONDRgetdblattrib(f.prob, ONDR_LPOBJVAL, &d));
  CHECK_FAIL(ONDRgetdblattrib(f.prob, ONDR_LPSTATUS, &d));  // wrong type
  CHECK_FAIL(ONDRgetintattrib(f.prob, 999999, &v));
  CHECK_CONTAINS(check::lasterror(f.prob), "Unknown attribute id 999999");
}

TEST(controls_set_validate_default_copy) {
  Fixture f;
  double d;
  CHECK_OK(ONDRsetdblcontrol(f.prob, ONDR_FEASTOL, 1e-4));
  CHECK_OK(ONDRgetdblcontrol(f.prob, ONDR_FEASTOL, &d));
  CHECK(d == 1e-4);
  CHECK_FAIL(ONDRsetdblcontrol(f.prob, ONDR_FEASTOL, -1.0));  // out of range
  CHECK_FAIL(ONDRsetdblcontrol(f.prob, ONDR_FEASTOL, NAN));
  CHECK_OK(ONDRgetdblcontrol(f.prob, ONDR_FEASTOL, &d));
  CHECK(d == 1e-4);                                    // unchanged by the failures
  ONDRprob q;
  CHECK_OK(ONDRcreateprob(&q));
  CHECK_OK(ONDRcopycontrols(q, f.prob));
  CHECK_OK(ONDRgetdblcontrol(q, ONDR_FEASTOL, &d));
  CHECK(d == 1e-4);
  CHECK_OK(ONDRsetdefaultcontrol(q, ONDR_FEASTOL));
  CHECK_OK(ONDRgetdblcontrol(q, ONDR_FEASTOL, &d));
  CHECK(d == 1e-6);
  int id, type;
  CHECK_OK(ONDRgetcontrolinfo(q, "feastol", &id, &type));
  CHECK(id == ONDR_FEASTOL && type == 3);
  CHECK_OK(ONDRgetattribinfo(q, "LPSTATUS", &id, &type));
  CHECK(id == ONDR_LPSTATUS && type == 1);
  CHECK_OK(ONDRgetcontrolinfo(q, "nonsense", &id, &type));
  CHECK(id == 0 && type == 0);
  char s[2048];
  CHECK_OK(ONDRsetstrcontrol(q, ONDR_MPSRHSNAME, "MYRHS"));
  CHECK_OK(ONDRgetstringcontrol(q, ONDR_MPSRHSNAME, s));
  CHECK(std::string(s) == "MYRHS");
  CHECK_OK(ONDRdestroyprob(q));
}

TEST(problem_names_and_copy) {
  Fixture f;
  CHECK_OK(ONDRloadlp(f.prob, "noname", 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr, nullptr, nullptr));
  int len = 0;
  CHECK_OK(ONDRgetintattrib(f.prob, ONDR_PROBNAMELENGTH, &len));
  CHECK(len == 7);
  char buf[64];
  CHECK_OK(ONDRgetprobname(f.prob, buf, len));
  CHECK(std::string(buf) == "noname");
  CHECK_OK(ONDRsetprobname(f.prob, ""));
  CHECK_OK(ONDRgetintattrib(f.prob, ONDR_PROBNAMELENGTH, &len));
  CHECK(len >= 1);
  // a 2x3 LP with names
  const char rt[] = {'L', 'G'};
  double rhs[] = {4, 1}, obj[] = {1, 2, 3}, lb[] = {0, 0, 0}, ub[] = {1e20, 1e20, 1e20};
  int start[] = {0, 2, 3, 4}, rind[] = {0, 1, 0, 1};
  double val[] = {1, 1, 2, 3};
  CHECK_OK(ONDRloadlp(f.prob, "lp", 3, 2, rt, rhs, nullptr, obj, start, nullptr, rind, val, lb, ub));
  CHECK_OK(ONDRaddnames(f.prob, 2, "x\0y\0z", 0, 2));
  int idx = -5;
  CHECK_OK(ONDRgetindex(f.prob, 2, "y", &idx));
  CHECK(idx == 1);
  CHECK_FAIL(ONDRgetindex(f.prob, 2, "w", &idx));
  CHECK(idx == -1);
  CHECK_CONTAINS(check::lasterror(f.prob), "No column named 'w'");
  CHECK_FAIL(ONDRaddnames(f.prob, 2, "a\0b", 2, 3));   // beyond the last column
  CHECK_OK(ONDRgetindex(f.prob, 2, "z", &idx));        // names unchanged by the failure
  CHECK(idx == 2);
  char names[64];
  CHECK_OK(ONDRgetnames(f.prob, 1, names, 0, 1));      // default row names
  CHECK(std::string(names) == "R1" && std::string(names + 3) == "R2");
  ONDRprob q;
  CHECK_OK(ONDRcreateprob(&q));
  CHECK_OK(ONDRcopyprob(q, f.prob, ""));
  int n;
  CHECK_OK(ONDRgetintattrib(q, ONDR_ORIGINALCOLS, &n));
  CHECK(n == 3);
  CHECK_OK(ONDRgetintattrib(q, ONDR_ORIGINALROWS, &n));
  CHECK(n == 2);
  CHECK_OK(ONDRgetindex(q, 2, "z", &idx));
  CHECK(idx == 2);
  CHECK_OK(ONDRdestroyprob(q));
  CHECK_FAIL(ONDRdestroyprob(q));                      // twice is refused, not a crash
}

TEST(load_rejects_bad_input_and_keeps_model) {
  Fixture f;
  const char rt[] = {'L'};
  double rhs[] = {1}, lb[] = {0}, ub[] = {1};
  int start[] = {0, 1}, rind[] = {0};
  double val[] = {1};
  CHECK_OK(ONDRloadlp(f.prob, "a", 1, 1, rt, rhs, nullptr, nullptr, start, nullptr, rind, val, lb, ub));
  int bad[] = {5};
  CHECK_FAIL(ONDRloadlp(f.prob, "b", 1, 1, rt, rhs, nullptr, nullptr, start, nullptr, bad, val, lb, ub));
  CHECK_CONTAINS(check::lasterror(f.prob), "Row index 5 out of range");
  const char badt[] = {'X'};
  CHECK_FAIL(ONDRloadlp(f.prob, "b", 1, 1, badt, rhs, nullptr, nullptr, start, nullptr, rind, val, lb, ub));
  int n = 0;
  CHECK_OK(ONDRgetintattrib(f.prob, ONDR_ORIGINALCOLS, &n));
  CHECK(n == 1);
  char buf[8];
  CHECK_OK(ONDRgetprobname(f.prob, buf, 8));
  CHECK(std::string(buf) == "a");
}

TEST(nonlinear_layer_problems_and_controls) {
  ONDRinit(nullptr);
  CHECK_OK(OSLPinit());
  Fixture f;
  OSLPprob s = nullptr;
  CHECK_OK(OSLPcreateprob(&s, &f.prob));
  CHECK_OK(OSLPsetintcontrol(s, OSLP_NLPECHOMESSAGES, 0));
  CHECK_OK(OSLPsetdblcontrol(s, OSLP_NLPOBJSENSE, -1.0));
  double d;
  CHECK_OK(OSLPgetdblcontrol(s, OSLP_NLPOBJSENSE, &d));
  CHECK(d == -1.0);
  void *ptr = nullptr;
  CHECK_OK(OSLPgetptrattrib(s, OSLP_NLPOPTIMIZER, &ptr));
  CHECK(ptr == f.prob);
  CHECK_FAIL(ONDRdestroyprob(f.prob));  // its nonlinear problem is still alive
  const int *ids;
  const char *const *names;
  CHECK_OK(OSLPgetcalist(s, &ids, &names));
  for (int i = 1; names[i][0]; ++i) {
    int flags = -1;
    CHECK_OK(OSLPcontrolname(ids[i], nullptr, &flags));
    CHECK(flags & (OSLP_CA_INT | OSLP_CA_DOUBLE | OSLP_CA_STRING));
  }
  int code;
  char msg[512];
  CHECK_FAIL(OSLPsetintcontrol(s, 999, 1));
  CHECK_OK(OSLPgetlasterror(s, &code, msg));
  CHECK_CONTAINS(msg, "Unknown control id 999");
  CHECK_OK(OSLPgetlasterror(nullptr, &code, msg) == 0 ? 1 : 0);  // a NULL handle is refused safely
  CHECK_OK(OSLPdestroyprob(s));
  CHECK_OK(OSLPfree());
}
