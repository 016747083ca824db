// ONDRsave and ONDRrestore: a snapshot of the whole problem, so that a
// restored problem reads as the saved one did: the model with its names,
// the controls, the start basis of the next solve and the results of the
// last solve (statuses, objective values, counts, solutions, duals and the
// final basis), and the nonlinear layer's controls and results when a
// nonlinear layer drives the problem (they are restored when one drives
// the problem restored into). User functions, strings of the nonlinear
// layer, callbacks, the log file and message statuses are not part of it.
//
// ONDRsave writes "<problem name>.svf" ("noname.svf" for an unnamed
// problem) in the working folder; ONDRrestore(probname) reads
// "<probname>.svf" (the problem's own name when probname is empty) and
// replaces the problem by the snapshot. Neither takes flags.
//
// Layout (little-endian, doubles IEEE 754, see io/binio.h):
//   8 bytes  magic "ONDRSNAP", u32 format version 1
//   model    as io/model_bin.cpp writes it
//   controls u32 count, then per control i32 id, u8 type (1 integer,
//            2 double, 3 string) and the value (i64, f64 or string)
//   basis    start basis: column statuses, row statuses (i32 vectors)
//   results  as io/results_bin.h describes
//   u8       1 when a nonlinear section follows, else 0; the section holds
//            the nonlinear layer's controls (as above) and results
//   4 bytes  end mark "SEND"
//
// The whole file is read and checked before the problem changes: a wrong
// magic or version, an unknown control, an index or size that does not fit
// the model, a truncated file or bytes after the end mark fail, and the
// problem is unchanged.
#include "controls/table.h"
#include "env/environment.h"
#include "env/shell.h"
#include "io/model_bin.h"
#include "io/results_bin.h"
#include "io/solcommon.h"
#include "io/solfiles.h"
#include "io/text.h"
#include "model/load.h"
#include "nlp/slpprob.h"
#include "ondr.h"

namespace ondr::io {

namespace {

constexpr const char *kMagic = "ONDRSNAP";
constexpr uint32_t kVersion = 1;

void write_controls(BinWriter &w, const ControlValues &c) {
  std::vector<const ParamDef *> list;
  for (const ParamDef *p = kParams; p->id; ++p)
    if (p->control && p->layer == c.layer() && p->type != PT_PTR) list.push_back(p);
  w.u32((uint32_t)list.size());
  for (const ParamDef *p : list) {
    w.i32(p->id);
    w.u8((uint8_t)p->type);
    if (p->type == PT_INT) w.i64(c.geti(p->id));
    else if (p->type == PT_DBL) w.f64(c.getd(p->id));
    else w.str(c.gets(p->id));
  }
}

ControlValues read_controls(BinReader &rd, int layer) {
  ControlValues c{layer};
  uint32_t n = rd.count(5);
  for (uint32_t k = 0; k < n; ++k) {
    int id = rd.i32();
    int type = rd.u8();
    const ParamDef *p = find_param(layer, id);
    if (!p || !p->control || p->type != type) rd.bad("unknown control id %d of type %d", id, type);
    try {
      if (type == PT_INT) c.seti(id, rd.i64());
      else if (type == PT_DBL) c.setd(id, rd.f64());
      else c.sets(id, rd.str());
    } catch (const Error &e) {
      if (e.code() == ERR_FILE) throw;
      rd.bad("control %s: %s", p->name, e.what());
    }
  }
  return c;
}

}  // namespace

void save_snapshot(ONDRprob prob) {
  std::string file = file_or_default(prob, nullptr, ".svf");
  BinWriter w;
  w.bytes(kMagic);
  w.u32(kVersion);
  write_model(w, prob->model);
  {
    std::lock_guard<std::mutex> g(prob->lock);
    write_controls(w, prob->controls);
  }
  w.i32s(prob->warm.cstat);
  w.i32s(prob->warm.rstat);
  write_results(w, prob->results);
  OSLPprob slp = prob->slp && slp_alive(prob->slp) ? prob->slp : nullptr;
  w.u8(slp ? 1 : 0);
  if (slp) {
    write_controls(w, slp->controls);
    write_nlp_results(w, slp->results);
  }
  w.bytes("SEND");
  write_file(file, w.data());
  file_message(prob, kMsgSnapshotSaved, format("Problem saved to '%s'", file.c_str()));
}

void restore_snapshot(ONDRprob prob, const char *probname, const char *flags) {
  parse_file_flags(flags, "", "restore");
  std::string file = file_or_default(prob, probname, "");
  file += ".svf";
  std::string data = read_file(file);
  BinReader rd(data, file);
  rd.expect(kMagic, "a problem snapshot");
  uint32_t version = rd.u32();
  if (version != kVersion) rd.bad("format version %u, this library reads version %u", version, kVersion);
  Model m = read_model(rd);
  ControlValues controls = read_controls(rd, LAYER_OPT);
  WarmBasis warm;
  warm.cstat = rd.i32s();
  warm.rstat = rd.i32s();
  if (!warm.empty() && !warm.fits(m)) rd.bad("the start basis does not fit the model");
  for (const auto *v : {&warm.cstat, &warm.rstat})
    for (int s : *v)
      if (s < 0 || s > 3) rd.bad("invalid basis status %d", s);
  Results res = read_results(rd, m.ncols(), m.nrows());
  uint8_t nonlinear = rd.u8();
  if (nonlinear > 1) rd.bad("invalid nonlinear section flag %u", nonlinear);
  ControlValues nlp_controls{LAYER_NLP};
  NlpResults nlp_res;
  if (nonlinear) {
    nlp_controls = read_controls(rd, LAYER_NLP);
    nlp_res = read_nlp_results(rd, m.ncols(), m.nrows());
  }
  rd.expect("SEND", "a complete problem snapshot");
  if (!rd.at_end()) rd.bad("unexpected data after the end mark");

  commit_model(prob, std::move(m));
  {
    std::lock_guard<std::mutex> g(prob->lock);
    prob->controls = std::move(controls);
  }
  prob->warm = std::move(warm);
  prob->results = std::move(res);
  if (prob->slp && slp_alive(prob->slp)) {
    OSLPprob slp = prob->slp;
    if (nonlinear) slp->controls = std::move(nlp_controls);
    slp->results = nonlinear ? std::move(nlp_res) : NlpResults();
  }
  file_message(prob, kMsgSnapshotRestored, format("Problem restored from '%s'", file.c_str()));
}

}  // namespace ondr::io

ONDR_API int ONDRsave(ONDRprob prob) {
  return ondr::guard_prob(prob, [&] {
    ondr::check_not_busy(prob);  // a solve on another thread writes what is written
    ondr::io::save_snapshot(prob);
  });
}

ONDR_API int ONDRrestore(ONDRprob prob, const char *probname, const char *flags) {
  return ondr::guard_mut(prob, [&] { ondr::io::restore_snapshot(prob, probname, flags); });
}
