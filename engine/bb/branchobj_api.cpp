// The C entry points of branching objects (ondr_bo.h).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include "cuts/state.h"
#include "bb/branchobj.h"
#include "bb/lazy.h"
#include "env/shell.h"
#include "ondr_bo.h"

namespace ondr {
namespace bb {
namespace {

// Runs `f` for `bo`: a failure leaves its text on the object and on its
// problem.
template <class F>
int guard_bo(ONDRbranchobject bo, F &&f) {
  if (!bo) {
    set_global_error(ERR_ARGUMENT, "No branching object given");
    return ERR_ARGUMENT;
  }
  int code = OK;
  std::string msg;
  try {
    check_problem(bo->prob);
    f();
    return OK;
  } catch (const Error &e) {
    code = e.code();
    msg = e.what();
  } catch (const std::bad_alloc &) {
    code = ERR_MEMORY;
    msg = "Out of memory";
  } catch (const std::exception &e) {
    code = ERR_GENERAL;
    msg = e.what();
  }
  bo->lasterror = msg;
  bo->lasterror_code = code;
  set_problem_error(bo->prob, code, msg);
  return code;
}

BoBranch &branch_at(ONDRbranchobject bo, int ibranch) {
  ONDR_REQUIRE(ibranch >= 0 && (size_t)ibranch < bo->branches.size(),
               "Branch %d does not exist: the branching object has %zu branches", ibranch,
               bo->branches.size());
  return bo->branches[(size_t)ibranch];
}

void check_value(double v, const char *what, int i) {
  ONDR_REQUIRE(!std::isnan(v) && std::fabs(v) < kInf, "The %s of entry %d is %g: it must be finite",
               what, i, v);
}

void check_col(ONDRbranchobject bo, int col, int i) {
  int n = bo->prob->model.ncols();
  ONDR_REQUIRE(col >= 0 && col < n, "Column %d of entry %d is out of range (the problem has %d columns)",
               col, i, n);
}

// Checked rows in compressed form (the end of the last row is `nelems`);
// duplicate columns of a row are summed and zeros dropped.
std::vector<std::pair<char, std::pair<double, std::vector<Entry>>>> checked_rows(
    ONDRbranchobject bo, int nrows, int64_t nelems, const char types[], const double rhs[],
    const int starts[], const int cols[], const double values[]) {
  ONDR_REQUIRE(nrows >= 0, "The number of rows is negative (%d)", nrows);
  ONDR_REQUIRE(nelems >= 0, "The number of elements is negative (%lld)", (long long)nelems);
  std::vector<std::pair<char, std::pair<double, std::vector<Entry>>>> out;
  if (nrows == 0) return out;
  ONDR_REQUIRE(types && rhs && starts, "Row types, right-hand sides and starts are needed");
  ONDR_REQUIRE(nelems == 0 || (cols && values), "Columns and values of the elements are needed");
  auto start = [&](int i) -> int64_t { return starts[i]; };
  ONDR_REQUIRE(start(0) == 0, "The first row must start at element 0, not %lld", (long long)start(0));
  for (int i = 0; i < nrows; ++i) {
    char t = types[i];
    ONDR_REQUIRE(t == 'L' || t == 'G' || t == 'E',
                 "Row %d has type '%c': a row here must be of type 'L', 'G' or 'E'", i,
                 t ? t : '?');
    check_value(rhs[i], "right-hand side", i);
    int64_t b = start(i), e = i + 1 < nrows ? start(i + 1) : nelems;
    ONDR_REQUIRE(b <= e && e <= nelems, "The starts of the rows must increase up to the element "
                 "count %lld (row %d: %lld to %lld)", (long long)nelems, i, (long long)b, (long long)e);
    std::map<int, double> sum;
    for (int64_t k = b; k < e; ++k) {
      check_col(bo, cols[k], (int)k);
      check_value(values[k], "coefficient", (int)k);
      sum[cols[k]] += values[k];
    }
    std::vector<Entry> coefs;
    for (const auto &kv : sum)
      if (kv.second != 0.0) coefs.push_back({kv.first, kv.second});
    out.push_back({t, {rhs[i], std::move(coefs)}});
  }
  return out;
}

}  // namespace
}  // namespace bb
}  // namespace ondr

using namespace ondr;
using namespace ondr::bb;

ONDR_API int ONDR_bo_create(ONDRbranchobject *bo, ONDRprob prob, int isoriginal) {
  return guard_prob(prob, [&] {
    ONDR_REQUIRE(bo, "No place given for the new branching object");
    *bo = make_branchobj(prob, isoriginal);
  });
}

ONDR_API int ONDR_bo_destroy(ONDRbranchobject bo) {
  delete bo;
  return OK;
}

ONDR_API int ONDR_bo_validate(ONDRbranchobject bo, int *status) {
  return guard_bo(bo, [&] {
    ONDR_REQUIRE(status, "No place given for the status");
    std::string why;
    *status = validate_branchobj(*bo, why);
    if (*status) {
      bo->lasterror = why;
      bo->lasterror_code = 0;
    }
  });
}

ONDR_API int ONDR_bo_store(ONDRbranchobject bo, int *status) {
  return guard_bo(bo, [&] {
    std::string why;
    int st = validate_branchobj(*bo, why);
    if (status) *status = st;
    if (st) fail(ERR_ARGUMENT, "The branching object cannot be stored: %s", why.c_str());
    NodeContext *ctx = node_context(bo->prob);
    if (!ctx)
      fail(ERR_STATE, "A branching object can be stored only from a prenode, optnode or preintsol "
                      "callback of the tree search, for the node being processed");
    // The search owns the object from here on; of several, the one with
    // the lowest priority value is used.
    OwnedBranchObject owned(bo);
    if (!ctx->stored || bo->priority <= ctx->stored_priority) {
      ctx->stored_priority = bo->priority;
      ctx->stored = std::move(owned);
    }
  });
}

ONDR_API int ONDR_bo_setpriority(ONDRbranchobject bo, int priority) {
  return guard_bo(bo, [&] { bo->priority = priority; });
}

ONDR_API int ONDR_bo_setpreferredbranch(ONDRbranchobject bo, int ibranch) {
  return guard_bo(bo, [&] {
    branch_at(bo, ibranch);
    bo->preferred = ibranch;
  });
}

ONDR_API int ONDR_bo_addbranches(ONDRbranchobject bo, int nbranches) {
  return guard_bo(bo, [&] {
    ONDR_REQUIRE(nbranches >= 0, "The number of branches to add is negative (%d)", nbranches);
    ONDR_REQUIRE(bo->branches.size() + (size_t)nbranches <= 1000000,
                 "Too many branches for one branching object");
    bo->branches.resize(bo->branches.size() + (size_t)nbranches);
  });
}

ONDR_API int ONDR_bo_addbounds(ONDRbranchobject bo, int ibranch, int nbounds, const char types[],
                               const int cols[], const double values[]) {
  return guard_bo(bo, [&] {
    BoBranch &br = branch_at(bo, ibranch);
    ONDR_REQUIRE(nbounds >= 0, "The number of bounds is negative (%d)", nbounds);
    if (nbounds == 0) return;
    ONDR_REQUIRE(types && cols && values, "Bound types, columns and values are needed");
    for (int i = 0; i < nbounds; ++i) {
      ONDR_REQUIRE(types[i] == 'L' || types[i] == 'U',
                   "Bound %d has type '%c': a bound must be of type 'L' (lower) or 'U' (upper)", i,
                   types[i] ? types[i] : '?');
      check_col(bo, cols[i], i);
      check_value(values[i], "value", i);
    }
    br.btype.insert(br.btype.end(), types, types + nbounds);
    br.bcol.insert(br.bcol.end(), cols, cols + nbounds);
    br.bval.insert(br.bval.end(), values, values + nbounds);
  });
}

ONDR_API int ONDR_bo_addrows(ONDRbranchobject bo, int ibranch, int nrows, int nelems,
                             const char types[], const double rhs[], const int starts[],
                             const int cols[], const double values[]) {
  return guard_bo(bo, [&] {
    BoBranch &br = branch_at(bo, ibranch);
    auto rows = checked_rows(bo, nrows, nelems, types, rhs, starts, cols, values);
    for (auto &r : rows) br.rows.push_back({r.first, r.second.first, std::move(r.second.second)});
  });
}

ONDR_API int ONDR_bo_addcuts(ONDRbranchobject bo, int ibranch, int ncuts, const ONDRcut cuts[]) {
  return guard_bo(bo, [&] {
    ONDR_REQUIRE(ncuts >= 0, "The number of cuts is negative (%d)", ncuts);
    BoBranch &br = branch_at(bo, ibranch);
    // Each handle must be a cut of the object's problem (checked now, so
    // that a bad handle is never applied at a node).
    ondr::cuts::cut_tokens(bo->prob, ncuts, (const void *const *)cuts, "ONDR_bo_addcuts");
    for (int k = 0; k < ncuts; ++k) br.cuts.push_back(cuts[k]);
  });
}

ONDR_API int ONDR_bo_getbranches(ONDRbranchobject bo, int *nbranches) {
  return guard_bo(bo, [&] {
    ONDR_REQUIRE(nbranches, "No place given for the number of branches");
    *nbranches = (int)bo->branches.size();
  });
}

ONDR_API int ONDR_bo_getid(ONDRbranchobject bo, int *id) {
  return guard_bo(bo, [&] {
    ONDR_REQUIRE(id, "No place given for the id");
    *id = bo->id;
  });
}

ONDR_API int ONDR_bo_getlasterror(ONDRbranchobject bo, int *code, char *buf, int size, int *length) {
  if (!bo) {
    set_global_error(ERR_ARGUMENT, "No branching object given");
    return ERR_ARGUMENT;
  }
  if (code) *code = bo->lasterror_code;
  if (length) *length = (int)bo->lasterror.size();
  if (buf && size > 0) {
    size_t n = std::min(bo->lasterror.size(), (size_t)size - 1);
    memcpy(buf, bo->lasterror.data(), n);
    buf[n] = '\0';
  }
  return OK;
}

ONDR_API int ONDR_bo_getbounds(ONDRbranchobject bo, int ibranch, int *nbounds, int size,
                               char types[], int cols[], double values[]) {
  return guard_bo(bo, [&] {
    const BoBranch &br = branch_at(bo, ibranch);
    int n = (int)br.btype.size();
    if (nbounds) *nbounds = n;
    int m = std::min(n, std::max(size, 0));
    for (int i = 0; i < m; ++i) {
      if (types) types[i] = br.btype[(size_t)i];
      if (cols) cols[i] = br.bcol[(size_t)i];
      if (values) values[i] = br.bval[(size_t)i];
    }
  });
}

ONDR_API int ONDR_bo_getrows(ONDRbranchobject bo, int ibranch, int *nrows, int nrows_size,
                             int *nelems, int nelems_size, char types[], double rhs[], int beg[],
                             int cols[], double values[]) {
  return guard_bo(bo, [&] {
    const BoBranch &br = branch_at(bo, ibranch);
    int nr = (int)br.rows.size(), ne = 0;
    for (const BoRow &r : br.rows) ne += (int)r.coefs.size();
    if (nrows) *nrows = nr;
    if (nelems) *nelems = ne;
    int mr = std::min(nr, std::max(nrows_size, 0)), me = std::max(nelems_size, 0);
    int k = 0;
    for (int i = 0; i < mr; ++i) {
      const BoRow &r = br.rows[(size_t)i];
      if (types) types[i] = r.type;
      if (rhs) rhs[i] = r.rhs;
      if (beg) beg[i] = k;
      for (const Entry &e : r.coefs) {
        if (k < me) {
          if (cols) cols[k] = e.index;
          if (values) values[k] = e.value;
        }
        ++k;
      }
    }
  });
}
