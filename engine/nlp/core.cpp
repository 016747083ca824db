// The nonlinear layer's environment, problems, controls and attributes.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include "controls/ids.h"
#include "controls/table.h"
#include "env/environment.h"
#include "env/shell.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"

namespace ondr {

void set_slp_error(OSLPprob s, int code, const std::string &msg) {
  ONDRprob prob = nullptr;
  if (s) {
    auto live = hold_if_alive(s);
    if (live.owns_lock()) {
      std::lock_guard<std::mutex> g(s->lock);
      s->lasterror = msg;
      s->lasterror_code = code;
      prob = s->prob;
    }
  }
  // The optimizer problem's text is read first by callers: keep it current.
  if (prob) set_problem_error(prob, code, msg);
  else set_global_error(code, msg);
}

void check_slp(OSLPprob s) {
  if (!started()) fail(ERR_NOTSTARTED, "The library has not been started (ONDRinit)");
  if (!s) fail(ERR_ARGUMENT, "Nonlinear problem handle is NULL");
  if (!slp_alive(s)) fail(ERR_ARGUMENT, "Nonlinear problem handle is not a live problem");
  if (!problem_alive(s->prob)) fail(ERR_STATE, "The optimizer problem behind the nonlinear problem is gone");
}

void destroy_slp_record(OSLPprob s) { delete s; }

static int64_t nlp_userfunc_count(OSLPprob s) {
  std::lock_guard<std::mutex> g(s->lock);
  return (int64_t)s->userfuncs.size();
}

static int64_t nlp_int_attrib(OSLPprob s, int pid) {
  const Model &m = s->prob->model;
  switch (pid) {
    case id::NLPROWS: return m.nrows();
    case id::NLPCOLS: return m.ncols();
    case id::NLPCOEFS: return (int64_t)m.nlcoefs.size();
    case id::NLPITER: return s->results.iter;
    case id::NLPUNITCOLUMN: return kUnitColumn;
    case id::NLPSTATUS: return s->results.status;
    case id::NLPSTATE: return s->results.state;
    case id::NLPSOLVERUSED: return s->results.solverused;
    case id::NLPUSERFUNCS: return nlp_userfunc_count(s);
    case id::NLPVALIDATIONSTATUS: return s->results.valid_status;
    case id::NLPTOLSETS: return (int64_t)s->tolsets.size();
  }
  fail(ERR_ARGUMENT, "Unknown nonlinear attribute id %d", pid);
}

static double nlp_dbl_attrib(OSLPprob s, int pid) {
  switch (pid) {
    case id::NLPOBJVAL: return s->results.objval;
    case id::NLPMAXINFEAS: return s->results.maxinfeas;
    case id::NLPTIME: return s->results.time;
    case id::NLPVALIDATIONABS: return s->results.valid_abs;
    case id::NLPVALIDATIONREL: return s->results.valid_rel;
    case id::NLPKKTSTATIONARITY: return s->results.kkt_stat;
    case id::NLPKKTCOMPLEMENTARITY: return s->results.kkt_compl;
  }
  fail(ERR_ARGUMENT, "Unknown nonlinear attribute id %d", pid);
}

static const ParamDef *nlp_param(int pid, int type, bool control) {
  const ParamDef *p = find_param(LAYER_NLP, pid);
  if (!p || p->control != control)
    fail(ERR_ARGUMENT, "Unknown nonlinear %s id %d", control ? "control" : "attribute", pid);
  if (p->type != type) fail(ERR_ARGUMENT, "%s (id %d) is not of the type asked", p->name, pid);
  return p;
}

}  // namespace ondr

using namespace ondr;

namespace {
struct SlpList {
  std::vector<int> ids;
  std::vector<const char *> names;
  SlpList() {
    ids.push_back(0);
    names.push_back("(unused)");  // entry 0 is a placeholder
    for (const ParamDef *p = kParams; p->id; ++p) {
      if (p->layer != LAYER_NLP || p->type == PT_PTR) continue;
      ids.push_back(p->id);
      names.push_back(p->name);
    }
    ids.push_back(0);
    names.push_back("");
  }
};
}  // namespace

namespace ondr {

void slp_init() {
  if (!started()) fail(ERR_NOTSTARTED, "Start the optimizer library (ONDRinit) before the nonlinear layer");
}

void slp_createprob(OSLPprob *slp, ONDRprob *prob) {
  ONDR_REQUIRE(slp, "NULL nonlinear problem pointer");
  *slp = nullptr;
  ONDR_REQUIRE(prob, "NULL optimizer problem pointer");
  check_problem(*prob);
  check_not_busy(*prob);
  if ((*prob)->slp && slp_alive((*prob)->slp))
    fail(ERR_STATE, "The optimizer problem already has a nonlinear problem");
  OSLPprob s = new oslp_problem_s();
  s->prob = *prob;
  s->created = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  (*prob)->slp = s;
  register_slp(s);
  *slp = s;
}

void slp_destroyprob(OSLPprob s) {
  ONDR_REQUIRE(s && slp_alive(s), "Nonlinear problem handle is not a live problem");
  // destroy: the last callback, while the handle still answers queries.
  if (s->prob && problem_alive(s->prob) && s->prob->slp == s) cb::fire_nlp(s->prob, cb::k_destroy);
  unregister_slp(s, s->prob);
  if (s->prob && problem_alive(s->prob) && s->prob->slp == s) {
    s->prob->slp = nullptr;
    s->prob->callbacks.clear_nonlinear();  // they belong to the nonlinear problem
  }
  destroy_slp_record(s);
}

void slp_copyprob(OSLPprob dest, OSLPprob src) {
  check_slp(src);
  // Nonlinear coefficients travel with the optimizer problem's model.
  if (dest->prob != src->prob && dest->prob->model.nlcoefs.size() != src->prob->model.nlcoefs.size())
    dest->prob->model.nlcoefs = src->prob->model.nlcoefs;
  if (dest != src) {
    // Formulas of the copy call the same user functions.
    std::vector<std::string> strings;
    std::vector<UserFunc> funcs;
    {
      std::lock_guard<std::mutex> g(src->lock);
      strings = src->strings;
      funcs = src->userfuncs;
    }
    std::lock_guard<std::mutex> g(dest->lock);
    dest->strings = std::move(strings);
    dest->userfuncs = std::move(funcs);
    dest->tolsets = src->tolsets;  // the columns' tolerance set numbers refer to them
  }
  dest->results = NlpResults();
}

void slp_copycontrols(OSLPprob dest, OSLPprob src) {
  check_slp(src);
  dest->controls = src->controls;
}

void slp_getcalist(const int **ids, const char *const **names) {
  ONDR_REQUIRE(ids && names, "NULL output pointer");
  static const SlpList l;
  *ids = l.ids.data();
  *names = l.names.data();
}

void slp_controlname(int pid, char *name, int *flags) {
  const ParamDef *p = find_param(LAYER_NLP, pid);
  if (!p) fail(ERR_ARGUMENT, "Unknown nonlinear control or attribute id %d", pid);
  if (name) snprintf(name, 128, "%s", p->name);
  if (flags) {
    int f = p->type == PT_INT ? OSLP_CA_INT : p->type == PT_DBL ? OSLP_CA_DOUBLE
          : p->type == PT_STR ? OSLP_CA_STRING : 0;
    if (p->control) f |= OSLP_CA_CONTROL;
    *flags = f;
  }
}

void slp_getintattrib(OSLPprob s, int pid, int *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  nlp_param(pid, PT_INT, false);
  int64_t v = nlp_int_attrib(s, pid);
  *value = v > INT_MAX ? INT_MAX : (int)v;
}
void slp_getdblattrib(OSLPprob s, int pid, double *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  nlp_param(pid, PT_DBL, false);
  *value = nlp_dbl_attrib(s, pid);
}
void slp_getstrattrib(OSLPprob s, int pid, char *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  nlp_param(pid, PT_STR, false);
  if (pid == id::NLPUNIQUEPREFIX) {
    snprintf(value, 2048, "%s", s->uniqueprefix.c_str());
    return;
  }
  fail(ERR_ARGUMENT, "Unknown nonlinear attribute id %d", pid);
}
void slp_getptrattrib(OSLPprob s, int pid, void **value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  if (pid != id::NLPOPTIMIZER) fail(ERR_ARGUMENT, "Unknown nonlinear pointer attribute id %d", pid);
  *value = s->prob;
}
void slp_getintcontrol(OSLPprob s, int pid, int *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  *value = (int)s->controls.geti(pid);
}
void slp_getdblcontrol(OSLPprob s, int pid, double *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  *value = s->controls.getd(pid);
}
void slp_getstrcontrol(OSLPprob s, int pid, char *value) {
  ONDR_REQUIRE(value, "NULL value pointer");
  snprintf(value, 2048, "%s", s->controls.gets(pid).c_str());
}
void slp_setintcontrol(OSLPprob s, int pid, int value) {
  s->controls.seti(pid, value);
}
void slp_setdblcontrol(OSLPprob s, int pid, double value) {
  s->controls.setd(pid, value);
}
void slp_setstrcontrol(OSLPprob s, int pid, const char *value) {
  ONDR_REQUIRE(value, "NULL string value");
  s->controls.sets(pid, value);
}
void slp_setdefaultcontrol(OSLPprob s, int pid) {
  s->controls.reset(pid);
}
void slp_setdefaults(OSLPprob s) {
  s->controls.reset_all();
}

}  // namespace ondr
