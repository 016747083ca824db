// The problem-file entry points of both layers: choose the format, read
// into a new model and replace the problem's only when the whole file was
// read; write from the stored model.
#include <sys/stat.h>
#include <cstring>
#include "controls/ids.h"
#include "env/environment.h"
#include "env/shell.h"
#include "io/formats.h"
#include "io/source.h"
#include "model/load.h"
#include "nlp/slpprob.h"
#include "oslp.h"

namespace ondr::io {

namespace {

struct Format {
  bool lp = false;
  bool fixed = false;
};

bool ends_with_ci(const std::string &s, const char *ext) {
  size_t n = strlen(ext);
  return s.size() >= n && iequals(std::string_view(s).substr(s.size() - n), ext);
}

bool exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

Format choose_format(const std::string &file, const char *flags) {
  bool lp = false, fixed = false;
  for (const char *p = flags ? flags : ""; *p; ++p) {
    if (*p == 'l') lp = true;
    else if (*p == 'x') fixed = true;
    else if (*p != ' ')
      fail(ERR_ARGUMENT, "Unknown problem file flag '%c' (flags: 'l' LP format, 'x' fixed-column MPS)", *p);
  }
  if (lp && fixed) fail(ERR_ARGUMENT, "The flags 'l' (LP format) and 'x' (fixed MPS) exclude each other");
  Format f;
  f.fixed = fixed;
  f.lp = lp || (!fixed && ends_with_ci(file, ".lp"));
  return f;
}

// The file as named; when that does not exist and its name has no
// extension, the name with .mps or .lp added.
std::string locate(const std::string &file) {
  if (exists(file)) return file;
  size_t slash = file.find_last_of('/');
  size_t dot = file.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    for (const char *ext : {".mps", ".lp"})
      if (exists(file + ext)) return file + ext;
  }
  return file;
}

// A vector or objective name from a control, or the default when the
// control's value cannot be written.
std::string usable_name(const std::string &v, const char *def, bool fixed) {
  if (v.empty() || (fixed && v.size() > 8)) return def;
  for (char c : v)
    if ((unsigned char)c <= ' ') return def;
  return v;
}

Model read_problem(const char *filename, const char *flags, const ControlValues &c, bool nonlinear,
                   const std::atomic<int> *interrupt) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  std::string path = locate(filename);
  Format f = choose_format(path, flags);
  ReadOptions o;
  o.file = path;
  o.maxnamelen = (int)c.geti(id::MAXNAMELENGTH);
  o.nonlinear = nonlinear;
  o.rhsname = c.gets(id::MPSRHSNAME);
  o.bndname = c.gets(id::MPSBOUNDNAME);
  o.rngname = c.gets(id::MPSRANGENAME);
  std::string text = read_text_file(path, interrupt);
  return f.lp ? read_lp(o, text) : read_mps(o, text, f.fixed);
}

}  // namespace

void write_problem(const Model &m, const char *filename, const char *flags, const ControlValues &c) {
  ONDR_REQUIRE(filename && *filename, "No file name given");
  Format f = choose_format(filename, flags);
  WriteOptions o;
  o.fixed = f.fixed;
  o.objname = usable_name(c.gets(id::MPSOBJNAME), "OBJ", f.fixed);
  o.rhsname = usable_name(c.gets(id::MPSRHSNAME), "RHS", f.fixed);
  o.bndname = usable_name(c.gets(id::MPSBOUNDNAME), "BND", f.fixed);
  o.rngname = usable_name(c.gets(id::MPSRANGENAME), "RNG", f.fixed);
  std::string text = f.lp ? write_lp(m, o) : write_mps(m, o);
  write_text_file(filename, text);
}

namespace {

// The new model replaces the problem's as a load does; results of earlier
// solves (of both layers) no longer apply.
void replace_model(ONDRprob prob, Model &&m) {
  commit_model(prob, std::move(m));
  if (prob->slp && slp_alive(prob->slp)) prob->slp->results = NlpResults();
}

}  // namespace
}  // namespace ondr::io

using namespace ondr;

ONDR_API int ONDRreadprob(ONDRprob prob, const char *filename, const char *flags) {
  return guard_mut(prob, [&] {
    // A read stops when ONDRinterrupt is called from another thread; an
    // interrupt from before the read does not stop it.
    prob->interrupt_reason.store(0);
    Model m = io::read_problem(filename, flags, prob->controls, false, &prob->interrupt_reason);
    io::replace_model(prob, std::move(m));
  });
}

ONDR_API int ONDRwriteprob(ONDRprob prob, const char *filename, const char *flags) {
  return guard_prob(prob, [&] { io::write_problem(prob->model, filename, flags, prob->controls); });
}

ONDR_API int OSLPreadprob(OSLPprob slp, const char *filename, const char *flags) {
  return guard_slp(slp, [&] {
    check_not_busy(slp->prob);
    slp->prob->interrupt_reason.store(0);
    Model m = io::read_problem(filename, flags, slp->prob->controls, true,
                               &slp->prob->interrupt_reason);
    io::replace_model(slp->prob, std::move(m));
  });
}

ONDR_API int OSLPwriteprob(OSLPprob slp, const char *filename, const char *flags) {
  return guard_slp(slp, [&] {
    io::write_problem(slp->prob->model, filename, flags, slp->prob->controls);
  });
}
