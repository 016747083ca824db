// User functions through the C interface: registration as the module does
// it, the function context, evaluation, failures and names in text.
#include <cmath>
#include "nlp_fixture.h"
#include "nlp_userfuncs.h"

using namespace nlt;

TEST(user_functions_register_and_evaluate) {
  NlpFixture f(3, 3);
  Scale scale{1.5};
  int n1 = register_like_module(f.slp, (void *)uf_with_derivs, &scale, kCallDerivs);
  int n2 = register_like_module(f.slp, (void *)uf_value_only, nullptr, kCallValue);
  int n3 = register_like_module(f.slp, (void *)uf_nan, nullptr, kCallValue);
  CHECK(n1 == 1 && n2 == 2 && n3 == 3);
  int count = 0;
  CHECK_OK(OSLPgetintattrib(f.slp, OSLP_NLPUSERFUNCS, &count));
  CHECK(count == 3);
  void *obj = nullptr;
  CHECK_OK(OSLPgetuserfuncobject(f.slp, 1, &obj));
  CHECK(obj == &scale);
  CHECK_FAIL(OSLPgetuserfuncobject(f.slp, 4, &obj));
  CHECK_FAIL(OSLPgetfuncobject(&scale, OSLP_NLPFUNCOBJECT, &obj));  // not a function context
  CHECK_FAIL(OSLPgetfuncinfo(nullptr, nullptr, nullptr, nullptr, nullptr));

  // Tokens as the module writes them: RB, the arguments, FUN number.
  f.at({0.5, 2, 0.2});
  double v = 0;
  CHECK_OK(f.eval(user(1, {col(0), col(1)}), &v));
  CHECK_NEAR(v, 1.5 * 0.25 * 2, 1e-14);
  CHECK_OK(f.eval(binop(OSLP_OP_PLUS, user(2, {col(0), col(1), col(2)}), con(1)), &v));
  CHECK_NEAR(v, std::exp(0.5) * std::sin(2.0) + 0.008 + 1, 1e-14);
  CHECK_OK(f.add(0, f.unit(), 2.0, user(1, {col(1), col(0)})));
  CHECK_OK(OSLPevaluatecoef(f.slp, 0, f.unit(), &v));
  CHECK_NEAR(v, 2 * 1.5 * 4 * 0.5, 1e-14);

  // A function reporting an error (-3.0 without a value, or NaN).
  CHECK_FAIL(f.eval(user(2, {col(0), col(1), con(11)}), &v));
  CHECK_CONTAINS(f.err(), "(number 2) reported an error");
  CHECK_FAIL(f.eval(user(3, {unop(col(0))}), &v));
  CHECK_CONTAINS(f.err(), "number 3");
  CHECK_OK(f.eval(user(3, {col(1)}), &v));
  CHECK_NEAR(v, std::sqrt(2.0), 1e-14);
  CHECK_OK(OSLPchguserfuncaddress(f.slp, 3, nullptr));
  CHECK_FAIL(f.eval(user(3, {col(0)}), &v));
  CHECK_CONTAINS(f.err(), "no address");

  // Registration errors leave the table unchanged.
  int bad_t[3] = {OSLP_UFDESC_STRING, 99, OSLP_UFDESC_END};  // 99: no such item
  double bad_v[3] = {1, 0, 0};
  CHECK_FAIL(OSLPadduserfuncs(f.slp, 1, bad_t, bad_v));
  int lk = 0;
  CHECK_OK(OSLPsetstring(f.slp, &lk, "ViaPipe"));
  int again = 0;
  CHECK_OK(OSLPsetstring(f.slp, &again, "ViaPipe"));
  CHECK(again == lk);
  int link_t[3] = {OSLP_UFDESC_STRING, OSLP_UFDESC_STRING, OSLP_UFDESC_END};
  double link_v[3] = {1, (double)lk, 0};
  CHECK_FAIL(OSLPadduserfuncs(f.slp, 1, link_t, link_v));
  CHECK_CONTAINS(f.err(), "ViaPipe");
  int str_t[2] = {OSLP_UFDESC_STRING, OSLP_UFDESC_END};
  double str_v[2] = {99, 0};
  CHECK_FAIL(OSLPadduserfuncs(f.slp, 1, str_t, str_v));
  CHECK_FAIL(OSLPaddnames(f.slp, 5, "x", 4, 4));
  CHECK_FAIL(OSLPaddnames(f.slp, 4, "x", 1, 1));
  CHECK_FAIL(OSLPchguserfuncaddress(f.slp, 0, (void *)uf_nan));
  CHECK_OK(OSLPgetintattrib(f.slp, OSLP_NLPUSERFUNCS, &count));
  CHECK(count == 3);

  // Names of user functions serve in text when unique; "@n" always.
  char text[200];
  CHECK_OK(OSLPgetccoef(f.slp, 0, f.unit(), nullptr, text, sizeof text));
  CHECK(std::string(text) == "@1 ( C2 , C1 )");  // all three share one name
  CHECK_OK(OSLPaddnames(f.slp, 5, "scaled\0other", 1, 2));
  CHECK_OK(OSLPgetccoef(f.slp, 0, f.unit(), nullptr, text, sizeof text));
  CHECK(std::string(text) == "scaled ( C2 , C1 )");
  int nt = 0;
  std::vector<int> tt(40);
  std::vector<double> tv(40);
  CHECK_OK(OSLPparsecformula(f.slp, "scaled(C1, 2) + @2(C1, C2, C3)", &nt, tt.data(), tv.data()));
  CHECK_OK(OSLPevaluateformula(f.slp, 1, tt.data(), tv.data(), &v));
  CHECK_NEAR(v, 1.5 * 0.25 * 2 + std::exp(0.5) * std::sin(2.0) + 0.008, 1e-14);
  // The string table of the preparsed form lists the user functions called.
  const char *src = "scaled ( C1 , 2 ) + other ( C1 , C2 , C3 )";
  size_t L = strlen(src);
  std::vector<int> pt(L / 2 + 1);
  std::vector<double> pv(L / 2 + 1);
  std::vector<char> table(L);
  int ts = 0;
  CHECK_OK(OSLPpreparseformula(f.slp, src, &nt, pt.data(), pv.data(), table.data(), &ts));
  CHECK(ts == 13 && std::string(table.data()) == "scaled" && std::string(table.data() + 7) == "other");
}

TEST(copies_keep_user_functions) {
  NlpFixture f(2, 1);
  Scale scale{3};
  register_like_module(f.slp, (void *)uf_with_derivs, &scale, kCallDerivs);
  ONDRprob p2 = nullptr;
  OSLPprob s2 = nullptr;
  CHECK_OK(ONDRcreateprob(&p2));
  CHECK_OK(ONDRcopyprob(p2, f.prob, ""));
  CHECK_OK(OSLPcreateprob(&s2, &p2));
  CHECK_OK(OSLPcopyprob(s2, f.slp, ""));
  int count = 0;
  CHECK_OK(OSLPgetintattrib(s2, OSLP_NLPUSERFUNCS, &count));
  CHECK(count == 1);
  Tokens e = user(1, {con(2), con(1)}).end();
  double v = 0;
  CHECK_OK(OSLPevaluateformula(s2, 1, e.t.data(), e.v.data(), &v));
  CHECK_NEAR(v, 12, 1e-14);
  CHECK_OK(OSLPdestroyprob(s2));
  CHECK_OK(ONDRdestroyprob(p2));
}
