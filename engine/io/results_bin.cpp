#include "io/results_bin.h"

namespace ondr::io {

void write_results(BinWriter &w, const Results &r) {
  w.i32(r.lpstatus);
  w.i32(r.mipstatus);
  w.i32(r.stopstatus);
  for (double d : {r.lpobjval, r.mipobjval, r.bestbound, r.time}) w.f64(d);
  for (int64_t v : {r.simplexiter, r.bariter, r.nodes, r.mipsols}) w.i64(v);
  w.u8((uint8_t)((r.has_lpsol ? 1 : 0) | (r.has_dual ? 2 : 0) | (r.has_mipsol ? 4 : 0)));
  for (const auto *v : {&r.x, &r.slack, &r.dual, &r.dj, &r.mipx, &r.mipslack}) w.f64s(*v);
  w.i32s(r.cstat);
  w.i32s(r.rstat);
}

Results read_results(BinReader &rd, int ncols, int nrows) {
  Results r;
  r.lpstatus = rd.i32();
  r.mipstatus = rd.i32();
  r.stopstatus = rd.i32();
  if (r.lpstatus < 0 || r.lpstatus > 8 || r.mipstatus < 0 || r.mipstatus > 7)
    rd.bad("invalid solve statuses %d and %d", r.lpstatus, r.mipstatus);
  for (double *d : {&r.lpobjval, &r.mipobjval, &r.bestbound, &r.time}) *d = rd.f64();
  for (int64_t *v : {&r.simplexiter, &r.bariter, &r.nodes, &r.mipsols}) *v = rd.i64();
  uint8_t bits = rd.u8();
  if (bits & ~7u) rd.bad("invalid solution flags %u", bits);
  r.has_lpsol = bits & 1;
  r.has_dual = bits & 2;
  r.has_mipsol = bits & 4;
  const char *names[] = {"x", "slack", "dual", "reduced cost", "MIP x", "MIP slack"};
  std::vector<double> *vecs[] = {&r.x, &r.slack, &r.dual, &r.dj, &r.mipx, &r.mipslack};
  const bool by_col[] = {true, false, false, true, true, false};
  const bool needed[] = {r.has_lpsol, r.has_lpsol, r.has_dual, r.has_dual, r.has_mipsol, r.has_mipsol};
  for (int k = 0; k < 6; ++k) {
    *vecs[k] = rd.f64s();
    size_t want = by_col[k] ? (size_t)ncols : (size_t)nrows;
    if (!vecs[k]->empty() && vecs[k]->size() != want)
      rd.bad("the %s vector has %zu entries for a problem of %zu", names[k], vecs[k]->size(), want);
    if (needed[k] && vecs[k]->size() != want) rd.bad("the %s vector is missing", names[k]);
  }
  r.cstat = rd.i32s();
  r.rstat = rd.i32s();
  bool empty = r.cstat.empty() && r.rstat.empty();
  if (!empty && (r.cstat.size() != (size_t)ncols || r.rstat.size() != (size_t)nrows))
    rd.bad("the basis has %zu column and %zu row statuses for a problem of %d columns and %d rows",
           r.cstat.size(), r.rstat.size(), ncols, nrows);
  for (const auto *v : {&r.cstat, &r.rstat})
    for (int s : *v)
      if (s < 0 || s > 3) rd.bad("invalid basis status %d", s);
  return r;
}

void write_nlp_results(BinWriter &w, const NlpResults &r) {
  w.i32(r.status);
  w.i32(r.state);
  w.i32(r.solverused);
  w.i64(r.iter);
  for (double d : {r.objval, r.maxinfeas, r.time}) w.f64(d);
  w.u8(r.has_sol ? 1 : 0);
  for (const auto *v : {&r.x, &r.slack, &r.dual, &r.dj}) w.f64s(*v);
}

NlpResults read_nlp_results(BinReader &rd, int ncols, int nrows) {
  NlpResults r;
  r.status = rd.i32();
  r.state = rd.i32();
  r.solverused = rd.i32();
  r.iter = rd.i64();
  for (double *d : {&r.objval, &r.maxinfeas, &r.time}) *d = rd.f64();
  uint8_t sol = rd.u8();
  if (sol > 1) rd.bad("invalid nonlinear solution flag %u", sol);
  r.has_sol = sol == 1;
  std::vector<double> *vecs[] = {&r.x, &r.slack, &r.dual, &r.dj};
  const bool by_col[] = {true, false, false, true};
  for (int k = 0; k < 4; ++k) {
    *vecs[k] = rd.f64s();
    size_t want = by_col[k] ? (size_t)ncols : (size_t)nrows;
    if (!vecs[k]->empty() && vecs[k]->size() != want)
      rd.bad("a nonlinear solution vector has %zu entries for a problem of %zu", vecs[k]->size(), want);
  }
  if (r.has_sol && (r.x.size() != (size_t)ncols || r.slack.size() != (size_t)nrows))
    rd.bad("the nonlinear solution is missing");
  return r;
}

}  // namespace ondr::io
