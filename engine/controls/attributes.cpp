#include "controls/attributes.h"
#include <algorithm>
#include "controls/ids.h"
#include "cuts/state.h"
#include "controls/table.h"
#include "env/shell.h"
#include "analysis/presolve.h"

namespace ondr {

static const ParamDef *attrib_of(int pid, int type) {
  const ParamDef *p = find_param(LAYER_OPT, pid);
  if (!p || p->control) fail(ERR_ARGUMENT, "Unknown attribute id %d", pid);
  if (p->type != type) fail(ERR_ARGUMENT, "Attribute %s (id %d) is not of the type asked", p->name, pid);
  return p;
}

int64_t int_attrib(ONDRprob prob, int pid) {
  attrib_of(pid, PT_INT);
  const Model &m = prob->model;
  const Results &r = prob->results;
  switch (pid) {
    case id::ROWS:
      if (const PresolveView *v = presolved_form(prob)) return v->data->nrows();
      return m.nrows();
    case id::COLS:
      if (const PresolveView *v = presolved_form(prob)) return v->data->ncols();
      return m.ncols();
    case id::ORIGINALROWS: return m.nrows();
    case id::ORIGINALCOLS: return m.ncols();
    case id::SETS: case id::ORIGINALSETS: return (int64_t)m.sets.size();
    case id::SETMEMBERS: {
      int64_t n = 0;
      for (const auto &s : m.sets) n += (int64_t)s.cols.size();
      return n;
    }
    case id::ELEMS: return m.nnz();
    case id::QELEMS: return (int64_t)m.qobj.size();
    case id::QCONSTRAINTS: {
      int64_t n = 0;
      for (const auto &q : m.qrows) n += q.second.empty() ? 0 : 1;
      return n;
    }
    case id::INDICATORS:
      return (int64_t)std::count_if(m.indcol.begin(), m.indcol.end(), [](int c) { return c >= 0; });
    case id::LPSTATUS: return r.lpstatus;
    case id::MIPSTATUS: return r.mipstatus;
    case id::SIMPLEXITER: return r.simplexiter;
    case id::BARITER: return r.bariter;
    case id::NODES: return r.nodes;
    case id::MIPSOLS: return r.mipsols;
    case id::STOPSTATUS: return r.stopstatus;
    case id::SPAREROWS: return 0;
    case id::NAMELENGTH: {
      size_t len = 8;
      for (int k = 1; k <= 3; ++k)
        for (const auto &n : m.names_of(k)) len = std::max(len, n.size());
      // default names such as "C123456" are at most 11 characters
      len = std::max<size_t>(len, 12);
      return (int64_t)((len + 7) / 8);
    }
    case id::MIPENTS: {
      // Counted once per model state: result reads ask for it every time.
      int64_t n = prob->mipents.load();
      if (n < 0) {
        n = (int64_t)std::count_if(m.coltype.begin(), m.coltype.end(), [](char t) { return t != 'C'; });
        prob->mipents.store(n);
      }
      return n;
    }
    case id::PROBNAMELENGTH: return (int64_t)m.name.size() + 1;
    case id::OBJSENSE_ATTR: return m.objsense;
    case id::CURRENTNODE: return r.currentnode;
    case id::PARENTNODE: return r.parentnode;
    case id::NODEDEPTH: return r.nodedepth;
    case id::ACTIVENODES: return r.activenodes;
    case id::MAXNODELPROWS: case id::POOLCUTS: case id::LAZYROWSADDED: return cuts::int_attrib(prob, pid);
  }
  fail(ERR_ARGUMENT, "Unknown attribute id %d", pid);
}

double dbl_attrib(ONDRprob prob, int pid) {
  attrib_of(pid, PT_DBL);
  const Results &r = prob->results;
  switch (pid) {
    case id::LPOBJVAL: return r.lpobjval;
    case id::MIPOBJVAL: return r.mipobjval;
    case id::BESTBOUND: return r.bestbound;
    case id::MIPRELGAP: {
      if (!r.has_mipsol) return kInf;
      double d = std::abs(r.mipobjval - r.bestbound);
      return d / std::max(1e-10, std::abs(r.mipobjval));
    }
    case id::SOLVETIME: return r.time;
    case id::OBJCONSTANT: return -prob->model.objconst_neg;
    case id::REPAIRVIOLATION: return r.repairviolation;
  }
  fail(ERR_ARGUMENT, "Unknown attribute id %d", pid);
}

std::string str_attrib(ONDRprob prob, int pid) {
  attrib_of(pid, PT_STR);
  if (pid == id::MATRIXNAME) return prob->model.name;
  fail(ERR_ARGUMENT, "Unknown attribute id %d", pid);
}

}  // namespace ondr
