// Keeps the nonlinear content of a Model (coefficients, the column indices
// inside their formulas, row statuses, determining rows, SLP variable data)
// in step when rows or columns are deleted.
//
// `newindex[i]` is the new index of old row/column i, or -1 when it is
// deleted; it has one entry per old row/column. Call the check first, before
// changing anything, then the renumbering together with the rest of the
// model.
#pragma once
#include <vector>
#include "model/store.h"

namespace ondr {

// Exported (outside the C interface) for the engine's own tests.
#define ONDR_TESTED __attribute__((visibility("default")))

// Throws Error(ERR_ARGUMENT) when a deleted column takes part in a
// nonlinear coefficient (as its column or inside its formula).
ONDR_TESTED void nlp_check_delete_cols(const Model &m, const std::vector<int> &newindex);
// Drops what belongs to deleted rows (their coefficients and statuses; a
// column whose determining row goes loses it) and renumbers the rest.
ONDR_TESTED void nlp_renumber_rows(Model &m, const std::vector<int> &newindex);
// Renumbers columns everywhere (after nlp_check_delete_cols); the data of
// deleted columns is dropped.
ONDR_TESTED void nlp_renumber_cols(Model &m, const std::vector<int> &newindex);

}  // namespace ondr
