// The callback registry through the C interface: ordering by priority,
// removal by (function, data), changes from inside a callback, global
// message handlers, registration from another thread during a solve, and
// kinds that no solver path calls refused when a solve starts.
#include <string>
#include <thread>
#include <vector>
#include "nlps_helpers.h"

namespace {

struct Log {
  std::vector<std::string> calls;
  ONDRprob remove_from = nullptr;  // set: the callback removes `victim`
  void *victim = nullptr;
  int other_thread_rc = 0, same_thread_rc = -1;
};

void tag_a(ONDRprob, void *d, const char *, int, int) { ((Log *)d)->calls.push_back("a"); }
void tag_b(ONDRprob, void *d, const char *, int, int) { ((Log *)d)->calls.push_back("b"); }
void remover(ONDRprob p, void *d, const char *, int, int) {
  Log *l = (Log *)d;
  l->calls.push_back("r");
  if (l->remove_from) ONDRremovecbmessage(l->remove_from, tag_b, l->victim);
  l->remove_from = nullptr;
}
void text_of(ONDRprob, void *d, const char *msg, int len, int type) {
  if (msg && (int)strlen(msg) == len && type == 1) ((Log *)d)->calls.push_back(msg);
}

// A small SLP-solved problem: min (x-1)^2 + (y-2)^2 with x + y <= 2.
void load_small(ONDRprob p) {
  Qcqp q(2, -10, 10);
  q.qobj = {{0, 0, 1}, {1, 1, 1}};
  q.obj = {-2, -4};
  q.row('L', 2).lin = {{0, 1}, {1, 1}};
  q.row('L', 10).quad = {{0, 0, 1}, {1, 1, 1}};
  CHECK_OK(q.load(p));
}

struct Counts {
  int slpstart = 0, iterstart = 0, iterend = 0, itervar = 0, slpend = 0;
  int stop_after = -1;  // iterend returns 1 once it has run this often
};
int on_slpstart(OSLPprob, void *d) { return ++((Counts *)d)->slpstart, 0; }
int on_iterstart(OSLPprob, void *d) { return ++((Counts *)d)->iterstart, 0; }
int on_itervar(OSLPprob, void *d, int) { return ++((Counts *)d)->itervar, 0; }
int on_slpend(OSLPprob, void *d) { return ++((Counts *)d)->slpend, 0; }
int on_iterend(OSLPprob, void *d) {
  Counts *c = (Counts *)d;
  return ++c->iterend == c->stop_after ? 1 : 0;
}

// Solves the small problem with the iteration log on: every log line goes
// through the message callbacks.
int speak(SlpFixture &f, int solver = 2) {
  CHECK_OK(OSLPsetintcontrol(f.slp, 12402, 1));
  CHECK_OK(OSLPsetintcontrol(f.slp, 12400, solver));
  return OSLPnlpoptimize(f.slp, nullptr);
}

}  // namespace

TEST(priority_then_registration_order_and_removal_by_pair) {
  SlpFixture f;
  load_small(f.prob);
  Log l1, l2;
  CHECK_OK(ONDRaddcbmessage(f.prob, tag_b, &l1, 5));
  CHECK_OK(ONDRaddcbmessage(f.prob, tag_a, &l1, 0));
  CHECK_OK(ONDRaddcbmessage(f.prob, tag_b, &l2, 5));  // other data: its own registration
  CHECK_OK(ONDRaddcbmessage(f.prob, tag_a, &l1, 5));  // same pair again, later
  CHECK_OK(speak(f));
  size_t lines = l2.calls.size();
  CHECK(lines >= 2);
  CHECK(l1.calls.size() == 3 * lines);
  CHECK((std::vector<std::string>(l1.calls.begin(), l1.calls.begin() + 3) ==
         std::vector<std::string>{"a", "b", "a"}));
  // removal takes exactly one registration of the pair
  CHECK_OK(ONDRremovecbmessage(f.prob, tag_a, &l1));
  CHECK_OK(ONDRremovecbmessage(f.prob, tag_b, &l2));
  CHECK_FAIL(ONDRremovecbmessage(f.prob, tag_b, &l2));
  CHECK_CONTAINS(check::lasterror(f.prob), "No message callback");
  CHECK_FAIL(ONDRaddcbmessage(f.prob, nullptr, &l1, 0));
  l1.calls.clear();
  CHECK_OK(speak(f));
  CHECK(l1.calls.size() == 2 * lines);
  CHECK((std::vector<std::string>(l1.calls.begin(), l1.calls.begin() + 2) ==
         std::vector<std::string>{"b", "a"}));
}

TEST(problem_copies_do_not_take_the_callbacks) {
  SlpFixture f, g;
  load_small(f.prob);
  Log l;
  CHECK_OK(ONDRaddcbmessage(f.prob, tag_a, &l, 0));
  CHECK_OK(ONDRcopyprob(g.prob, f.prob, "copy"));
  CHECK_OK(OSLPcopyprob(g.slp, f.slp, "copy"));
  CHECK_OK(speak(g));
  CHECK(l.calls.empty());
  CHECK_FAIL(ONDRremovecbmessage(g.prob, tag_a, &l));
}

TEST(a_callback_may_remove_one_that_has_not_run_yet) {
  SlpFixture f;
  load_small(f.prob);
  Log l;
  l.remove_from = f.prob;
  l.victim = &l;
  CHECK_OK(ONDRaddcbmessage(f.prob, remover, &l, 0));
  CHECK_OK(ONDRaddcbmessage(f.prob, tag_b, &l, 1));
  CHECK_OK(speak(f));
  // the first line runs the remover only; tag_b never runs
  for (const std::string &c : l.calls) CHECK(c == "r");
  CHECK_FAIL(ONDRremovecbmessage(f.prob, tag_b, &l));
}

TEST(message_text_length_and_type_reach_callbacks_and_global_handlers) {
  SlpFixture f;
  load_small(f.prob);
  Log l;
  CHECK_OK(ONDRaddcbmessage(f.prob, text_of, &l, 0));
  struct Seen {
    std::vector<std::string> lines;
    void *object = nullptr;
  } seen;
  auto handler = [](void *obj, void *d, void *thread, const char *msg, int, int) {
    Seen *s = (Seen *)d;
    s->object = obj;
    if (thread && msg) s->lines.push_back(msg);
    return 0;
  };
  CHECK_OK(ONDR_ge_addcbmsghandler(handler, &seen, 0));
  CHECK_OK(speak(f));
  CHECK(!l.calls.empty());
  CHECK(l.calls == seen.lines);
  CHECK(seen.object == (void *)f.prob);
  CHECK_CONTAINS(l.calls.front(), "Nonlinear solve");
  CHECK_OK(ONDR_ge_removecbmsghandler(handler, &seen));
  CHECK_FAIL(ONDR_ge_removecbmsghandler(handler, &seen));
  seen.lines.clear();
  CHECK_OK(speak(f));
  CHECK(seen.lines.empty());
}

TEST(nonlinear_events_fire_in_order_and_iterend_can_stop) {
  SlpFixture f;
  load_small(f.prob);
  Counts c;
  CHECK_OK(OSLPsetcbslpstart(f.slp, on_slpstart, &c));
  CHECK_OK(OSLPsetcbiterstart(f.slp, on_iterstart, &c));
  CHECK_OK(OSLPsetcbiterend(f.slp, on_iterend, &c));
  CHECK_OK(OSLPsetcbitervar(f.slp, on_itervar, &c));
  CHECK_OK(OSLPsetcbslpend(f.slp, on_slpend, &c));
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));  // automatic: SLP, which calls them
  int used = 0;
  CHECK_OK(OSLPgetintattrib(f.slp, 12064, &used));
  CHECK(used == 2);
  CHECK(nlpstatus(f.slp) == 1 || nlpstatus(f.slp) == 2);
  CHECK(c.slpstart == 1 && c.slpend == 1);
  CHECK(c.iterstart >= 1 && c.iterend == c.iterstart);
  CHECK(c.itervar == 2 * c.iterend);
  // iterend asking to stop after the first iteration
  Counts stop;
  stop.stop_after = 1;
  CHECK_OK(OSLPsetcbiterend(f.slp, on_iterend, &stop));  // replaces the first
  CHECK_OK(OSLPsetcbiterstart(f.slp, on_iterstart, &stop));
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(stop.iterend == 1 && stop.iterstart == 1);
  CHECK(c.iterend == c.iterstart);  // the replaced callbacks ran no more
  CHECK(nlpstatus(f.slp) == 6);
  // Ipopt chosen explicitly never calls the iteration callbacks: refused
  CHECK_OK(OSLPsetintcontrol(f.slp, 12400, 1));
  CHECK_FAIL(OSLPnlpoptimize(f.slp, nullptr));
  CHECK_CONTAINS(slp_error(f.slp), "The iterstart callback is called by the SLP local solver only");
}

TEST(kinds_no_solver_calls_are_refused_when_a_solve_starts) {
  Fixture f;
  double lb = 0, ub = 1, c = -1;
  int64_t st = 0;
  CHECK_OK(ONDRaddcols64(f.prob, 1, 0, &c, &st, nullptr, nullptr, &lb, &ub));
  auto intsol = [](ONDRprob, void *) {};
  CHECK_OK(ONDRaddcbintsol(f.prob, intsol, nullptr, 0));
  CHECK_FAIL(ONDRlpoptimize(f.prob, ""));
  CHECK_CONTAINS(check::lasterror(f.prob),
                 "The intsol callback is not called by this solver path; remove it before solving");
  // The MIP call fires intsol (an LP's optimum is its integer solution).
  CHECK_OK(ONDRmipoptimize(f.prob, ""));
  auto optnode = [](ONDRprob, void *, int *) {};
  CHECK_OK(ONDRaddcboptnode(f.prob, optnode, nullptr, 0));
  CHECK_FAIL(ONDRmipoptimize(f.prob, ""));
  CHECK_CONTAINS(check::lasterror(f.prob), "The optnode callback is not called");
  CHECK_OK(ONDRremovecboptnode(f.prob, optnode, nullptr));
  CHECK_OK(ONDRremovecbintsol(f.prob, intsol, nullptr));
  CHECK_OK(ONDRlpoptimize(f.prob, ""));  // the refused solve left the problem idle
  CHECK(lpstatus(f.prob) == 1);
}

TEST(registration_from_another_thread_during_a_solve_is_refused) {
  SlpFixture f;
  load_small(f.prob);
  struct Ctx {
    ONDRprob prob;
    int other = 0, same = -1;
  } ctx{f.prob};
  auto cb = [](OSLPprob, void *d) {
    Ctx *c = (Ctx *)d;
    auto noop = [](ONDRprob, void *, const char *, int, int) {};
    std::thread t([&] { c->other = ONDRaddcbmessage(c->prob, noop, nullptr, 0); });
    t.join();
    c->same = ONDRaddcbmessage(c->prob, noop, c, 0);
    return 0;
  };
  CHECK_OK(OSLPsetcbslpstart(f.slp, cb, &ctx));
  CHECK_OK(OSLPnlpoptimize(f.slp, nullptr));
  CHECK(ctx.other == 35);  // ERR_STATE
  CHECK(ctx.same == 0);
}

