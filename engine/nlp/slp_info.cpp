// Row and column information about the last nonlinear solve, written to
// the 16-byte information area: the value in bytes 0-7, its kind (1 int,
// 2 double) as an int at byte 8.
#include <cstring>
#include "env/shell.h"
#include "nlp/slp_ops.h"
#include "nlp/slpprob.h"
#include "oslp.h"
#include "oslp_slp.h"

namespace ondr {

namespace {

void put_int(void *info, int v) {
  std::memset(info, 0, 16);
  std::memcpy(info, &v, sizeof v);
  int kind = 1;
  std::memcpy((char *)info + 8, &kind, sizeof kind);
}
void put_dbl(void *info, double v) {
  std::memset(info, 0, 16);
  std::memcpy(info, &v, sizeof v);
  int kind = 2;
  std::memcpy((char *)info + 8, &kind, sizeof kind);
}

const NlpResults &solved(OSLPprob s) {
  const NlpResults &r = s->results;
  const Model &m = s->prob->model;
  if (!r.has_sol) fail(ERR_STATE, "No nonlinear solution: the problem has not been solved");
  if ((int)r.x.size() != m.ncols() || (int)r.slack.size() != m.nrows())
    fail(ERR_STATE, "The problem has changed since the last nonlinear solve: solve it again");
  return r;
}

const SlpInfo &slp_info(const NlpResults &r) {
  if (r.slp.rows.size() != r.slack.size() || r.slp.cols.size() != r.x.size())
    fail(ERR_STATE, "The last nonlinear solve did not use SLP: this information is kept by SLP solves only");
  return r.slp;
}

}  // namespace

void slp_getrowinfo(OSLPprob s, int infotype, int rowindex, void *info) {
  ONDR_REQUIRE(info, "NULL information area");
  const Model &m = s->prob->model;
  ONDR_REQUIRE(rowindex >= 0 && rowindex < m.nrows(), "Invalid row index %d (the problem has %d rows)",
               rowindex, m.nrows());
  ONDR_REQUIRE(infotype >= OSLP_ROWINFO_SLACK && infotype <= OSLP_ROWINFO_PENALTYCOLUMNMINUSDJ,
               "Invalid row information type %d", infotype);
  const NlpResults &r = solved(s);
  if (infotype == OSLP_ROWINFO_SLACK) return put_dbl(info, r.slack[rowindex]);
  if (infotype == OSLP_ROWINFO_DUAL) return put_dbl(info, r.dual[rowindex]);
  const SlpRowInfo &ri = slp_info(r).rows[rowindex];
  switch (infotype) {
    case OSLP_ROWINFO_NUMPENALTYERRORS: return put_int(info, ri.nerr);
    case OSLP_ROWINFO_MAXPENALTYERROR: return put_dbl(info, ri.maxerr);
    case OSLP_ROWINFO_TOTALPENALTYERROR: return put_dbl(info, ri.toterr);
    case OSLP_ROWINFO_CURRENTPENALTYERROR: return put_dbl(info, ri.curerr);
    case OSLP_ROWINFO_CURRENTPENALTYFACTOR: return put_dbl(info, ri.weight);
    case OSLP_ROWINFO_PENALTYCOLUMNPLUS: return put_int(info, ri.pluscol);
    case OSLP_ROWINFO_PENALTYCOLUMNPLUSVALUE: return put_dbl(info, ri.plusval);
    case OSLP_ROWINFO_PENALTYCOLUMNPLUSDJ: return put_dbl(info, ri.plusdj);
    case OSLP_ROWINFO_PENALTYCOLUMNMINUS: return put_int(info, ri.minuscol);
    case OSLP_ROWINFO_PENALTYCOLUMNMINUSVALUE: return put_dbl(info, ri.minusval);
    default: return put_dbl(info, ri.minusdj);
  }
}

void slp_getcolinfo(OSLPprob s, int infotype, int colindex, void *info) {
  ONDR_REQUIRE(info, "NULL information area");
  const Model &m = s->prob->model;
  ONDR_REQUIRE(colindex >= 0 && colindex < m.ncols(), "Invalid column index %d (the problem has %d columns)",
               colindex, m.ncols());
  ONDR_REQUIRE(infotype >= OSLP_COLINFO_VALUE && infotype <= OSLP_COLINFO_SBDUAL,
               "Invalid column information type %d", infotype);
  const NlpResults &r = solved(s);
  if (infotype == OSLP_COLINFO_VALUE) return put_dbl(info, r.x[colindex]);
  if (infotype == OSLP_COLINFO_RDJ) return put_dbl(info, r.dj[colindex]);
  const SlpColInfo &ci = slp_info(r).cols[colindex];
  switch (infotype) {
    case OSLP_COLINFO_DELTAINDEX: return put_int(info, ci.deltaindex);
    case OSLP_COLINFO_DELTA: return put_dbl(info, ci.delta);
    case OSLP_COLINFO_DELTADJ: return put_dbl(info, ci.deltadj);
    case OSLP_COLINFO_UPDATEROW: return put_int(info, ci.updaterow);
    case OSLP_COLINFO_SB: return put_dbl(info, ci.sb);
    default: return put_dbl(info, ci.sbdual);
  }
}

}  // namespace ondr
