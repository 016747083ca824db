// The IIS entry points (ondr_iis.h): thin shells over iis/search.h, and the
// readers of what a search found.
#include <algorithm>
#include "env/shell.h"
#include "iis/search.h"
#include "ondr_iis.h"

namespace ondr::iis {

namespace {

char row_letter(const Model &m, const Item &e) {
  if (e.lo >= 0 && e.up >= 0) return m.rowtype[(size_t)e.index] == 'E' ? 'E' : 'R';
  return e.lo >= 0 ? 'G' : 'L';
}

char col_letter(const Members &mb, const Item &e) {
  if (e.lo >= 0 && e.up >= 0) return mb.value[(size_t)e.lo] == mb.value[(size_t)e.up] ? 'F' : 'R';
  return e.lo >= 0 ? 'L' : 'U';
}

// The multiplier of an entry: those of its member sides added.
double entry_mult(const Set &s, const Item &e) {
  double v = 0.0;
  for (int k : {e.lo, e.up}) {
    if (k < 0) continue;
    auto it = std::lower_bound(s.members.begin(), s.members.end(), k);
    v += s.mult[(size_t)(it - s.members.begin())];
  }
  return v;
}

void get_data(ONDRprob prob, int num, int *rows, int *cols, int miisrow[], int miiscol[],
              char constrainttype[], char colbndtype[], double duals[], double rdcs[],
              char isolationrows[], char isolationcols[]) {
  State &st = state_of(prob);
  Set &s = set_of(prob, num);
  std::vector<Item> re = rows_of(st.mb, s), ce = cols_of(st.mb, s);
  if (duals || rdcs) measure(prob, st, s);
  if (rows) *rows = (int)re.size();
  if (cols) *cols = (int)ce.size();
  for (size_t k = 0; k < re.size(); ++k) {
    if (miisrow) miisrow[k] = re[k].index;
    if (constrainttype) constrainttype[k] = row_letter(st.model, re[k]);
    if (duals) duals[k] = entry_mult(s, re[k]);
    if (isolationrows) isolationrows[k] = s.iso_rows.empty() ? (char)-1 : (char)s.iso_rows[k];
  }
  for (size_t k = 0; k < ce.size(); ++k) {
    if (miiscol) miiscol[k] = ce[k].index;
    if (colbndtype) colbndtype[k] = col_letter(st.mb, ce[k]);
    if (rdcs) rdcs[k] = entry_mult(s, ce[k]);
    if (isolationcols) isolationcols[k] = s.iso_cols.empty() ? (char)-1 : (char)s.iso_cols[k];
  }
}

void get_status(ONDRprob prob, int *count, int rowsizes[], int colsizes[], double suminfeas[],
                int numinfeas[]) {
  ONDR_REQUIRE(count, "NULL count");
  if (!prob->results.iis) {
    *count = 0;
    return;
  }
  State &st = *prob->results.iis;
  int n = (int)st.sets.size();
  bool measures = suminfeas || numinfeas;
  for (int k = 0; k < n; ++k) {
    Set &s = st.sets[(size_t)k];
    if (measures) measure(prob, st, s);
    if (rowsizes) rowsizes[k] = (int)rows_of(st.mb, s).size();
    if (colsizes) colsizes[k] = (int)cols_of(st.mb, s).size();
    if (suminfeas) suminfeas[k] = s.suminfeas;
    if (numinfeas) numinfeas[k] = s.numinfeas;
  }
  *count = n;
}

}  // namespace

}  // namespace ondr::iis

using namespace ondr;
using namespace ondr::iis;

namespace {
// The problem counts as being solved while a search or a measure runs: no
// other thread may change it meanwhile, and no search starts inside a solve.
template <class F>
int guard_iis(ONDRprob prob, F &&f) {
  return guard_prob(prob, [&] {
    BusyScope busy(prob, ~0u);  // every callback kind is fine here
    f();
  });
}
}  // namespace

ONDR_API int ONDRiisfirst(ONDRprob prob, int iismode, int *status) {
  return guard_iis(prob, [&] {
    int s = iis_first(prob, iismode);
    if (status) *status = s;
  });
}

ONDR_API int ONDRiisnext(ONDRprob prob, int *status) {
  return guard_iis(prob, [&] {
    int s = iis_next(prob);
    if (status) *status = s;
  });
}

ONDR_API int ONDRiisall(ONDRprob prob) {
  return guard_iis(prob, [&] { iis_all(prob); });
}

ONDR_API int ONDRiisclear(ONDRprob prob) {
  return guard_iis(prob, [&] { iis_clear(prob); });
}

ONDR_API int ONDRiisisolations(ONDRprob prob, int num) {
  return guard_iis(prob, [&] { isolations(prob, state_of(prob), set_of(prob, num)); });
}

ONDR_API int ONDRiiswrite(ONDRprob prob, int num, const char *filename, int type,
                          const char *typeflags) {
  return guard_iis(prob, [&] { write_set(prob, num, filename, type, typeflags); });
}

ONDR_API int ONDRiisstatus(ONDRprob prob, int *count, int rowsizes[], int colsizes[],
                           double suminfeas[], int numinfeas[]) {
  return guard_iis(prob, [&] { get_status(prob, count, rowsizes, colsizes, suminfeas, numinfeas); });
}

ONDR_API int ONDRgetiisdata(ONDRprob prob, int num, int *rows, int *cols, int miisrow[],
                            int miiscol[], char constrainttype[], char colbndtype[],
                            double duals[], double rdcs[], char isolationrows[],
                            char isolationcols[]) {
  return guard_iis(prob, [&] {
    get_data(prob, num, rows, cols, miisrow, miiscol, constrainttype, colbndtype, duals, rdcs,
             isolationrows, isolationcols);
  });
}
