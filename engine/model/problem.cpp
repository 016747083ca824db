// Problems: create, destroy, copy, names.
#include <cstring>
#include "controls/ids.h"
#include "cuts/state.h"
#include "env/environment.h"
#include "env/shell.h"
#include "model/hook.h"
#include "model/ops.h"
#include "ondr.h"

namespace ondr {

void destroy_problem_record(ONDRprob p) {
  p->magic = 0;
  delete p;
}

static void check_kind(int type) {
  ONDR_REQUIRE(type >= 1 && type <= 3, "Invalid name type %d (1 rows, 2 columns, 3 sets)", type);
}

static int count_of(const Model &m, int type) {
  return type == 1 ? m.nrows() : type == 2 ? m.ncols() : (int)m.sets.size();
}

static void check_range(const Model &m, int type, int first, int last) {
  int n = count_of(m, type);
  ONDR_REQUIRE(first >= 0 && last < n && first <= last + 1,
               "Invalid range %d..%d of %s (the problem has %d)", first, last,
               type == 1 ? "rows" : type == 2 ? "columns" : "sets", n);
}

void create_prob(ONDRprob *prob) {
  ONDR_REQUIRE(prob, "NULL problem pointer");
  *prob = nullptr;
  if (!started()) fail(ERR_NOTSTARTED, "The library has not been started (ONDRinit)");
  ONDRprob p = new ondr_problem_s();
  register_problem(p);
  *prob = p;
}

void destroy_prob(ONDRprob prob) {
  if (!prob) fail(ERR_ARGUMENT, "Problem handle is NULL");
  if (!problem_alive(prob)) fail(ERR_ARGUMENT, "Problem handle is not a live problem");
  if (prob->slp && slp_alive(prob->slp))
    fail(ERR_STATE, "Destroy the nonlinear problem before its optimizer problem");
  unregister_problem(prob);
  destroy_problem_record(prob);
}

void copy_prob(ONDRprob dest, ONDRprob src, const char *name) {
  check_problem(src);
  if (dest == src) return;
  Model m = src->model;  // copy first: a failure leaves dest unchanged
  WarmBasis warm = src->warm;
  ControlValues controls = src->controls;
  if (name && *name) m.name = name;
  m.names_changed();
  dest->model = std::move(m);
  dest->warm = std::move(warm);  // the copy starts its next solve where src would
  dest->controls = std::move(controls);
  dest->results.clear();
  model_changed(dest, change_of(Change::Replace));
}

void set_probname(ONDRprob prob, const char *name) {
  ONDR_REQUIRE(name, "NULL problem name");
  prob->model.name = name;
}

void get_probname(ONDRprob prob, char *name, int maxbytes) {
  ONDR_REQUIRE(name, "NULL name buffer");
  ONDR_REQUIRE(maxbytes > 0, "Invalid buffer size %d", maxbytes);
  const std::string &n = prob->model.name;
  ONDR_REQUIRE(n.size() < (size_t)maxbytes, "Buffer of %d bytes too small for the name",
               maxbytes);
  memcpy(name, n.c_str(), n.size() + 1);
}

void add_names(ONDRprob prob, int type, const char *names, int first, int last) {
  Model &m = prob->model;
  check_kind(type);
  check_range(m, type, first, last);
  ONDR_REQUIRE(names || last < first, "NULL names buffer");
  int maxlen = (int)prob->controls.geti(id::MAXNAMELENGTH);
  std::vector<std::string> parsed;
  const char *p = names;
  for (int i = first; i <= last; ++i) {
    size_t len = strlen(p);
    ONDR_REQUIRE((int)len <= maxlen, "Name of %zu characters exceeds the limit of %d", len,
                 maxlen);
    parsed.emplace_back(p, len);
    p += len + 1;
  }
  auto &v = m.names_of(type);
  int n = count_of(m, type);
  if ((int)v.size() < n) v.resize((size_t)n);
  for (int i = first; i <= last; ++i) v[(size_t)i] = std::move(parsed[(size_t)(i - first)]);
  m.names_changed();
}

void get_names(ONDRprob prob, int type, char *names, int first, int last) {
  const Model &m = prob->model;
  check_kind(type);
  check_range(m, type, first, last);
  ONDR_REQUIRE(names || last < first, "NULL names buffer");
  char *p = names;
  for (int i = first; i <= last; ++i) {
    std::string n = m.name_or_default(type, i);
    memcpy(p, n.c_str(), n.size() + 1);
    p += n.size() + 1;
  }
}

void get_index(ONDRprob prob, int type, const char *name, int *index) {
  ONDR_REQUIRE(index, "NULL index pointer");
  *index = -1;
  check_kind(type);
  ONDR_REQUIRE(name, "NULL name");
  int i = prob->model.find_name(type, name);
  if (i < 0)
    fail(ERR_ARGUMENT, "No %s named '%s' in the problem",
         type == 1 ? "row" : type == 2 ? "column" : "set", name);
  *index = i;
}

}  // namespace ondr

using namespace ondr;

ONDR_API int ONDRcreateprob(ONDRprob *prob) {
  return guard_env( [&] { create_prob(prob); });
}

ONDR_API int ONDRdestroyprob(ONDRprob prob) {
  return guard_env( [&] { destroy_prob(prob); });
}

ONDR_API int ONDRcopyprob(ONDRprob dest, ONDRprob src, const char *name) {
  return guard_prob(dest, [&] {
    check_not_busy(dest);
    copy_prob(dest, src, name);
    cuts::copy_marks(dest, src);
  });
}

ONDR_API int ONDRsetprobname(ONDRprob prob, const char *name) {
  return guard_mut(prob, [&] { set_probname(prob, name); });
}

ONDR_API int ONDRgetprobname(ONDRprob prob, char *name, int maxbytes) {
  return guard_prob(prob, [&] { get_probname(prob, name, maxbytes); });
}

ONDR_API int ONDRaddnames(ONDRprob prob, int type, const char *names, int first, int last) {
  return guard_mut(prob, [&] { add_names(prob, type, names, first, last); });
}

ONDR_API int ONDRgetnames(ONDRprob prob, int type, char *names, int first, int last) {
  return guard_prob(prob, [&] { get_names(prob, type, names, first, last); });
}

ONDR_API int ONDRgetindex(ONDRprob prob, int type, const char *name, int *index) {
  return guard_prob(prob, [&] { get_index(prob, type, name, index); });
}
