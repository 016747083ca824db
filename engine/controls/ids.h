// The control and attribute ids of both layers under their short names
// (id::ROWS, id::NLPSOLVER), taken from the public list in ondr_ids.h so
// that each number is written once. The table in table.cpp gives each its
// name, type, layer, default and bounds.
#pragma once
#include "ondr_ids.h"

namespace ondr {
namespace id {

#define ONDR_SHORT_ID_(name, value, type, kind) constexpr int name = ONDR_##name;
#define OSLP_SHORT_ID_(name, value, type, kind) constexpr int name = OSLP_##name;
ONDR_ID_LIST(ONDR_SHORT_ID_)
OSLP_ID_LIST(OSLP_SHORT_ID_)
#undef ONDR_SHORT_ID_
#undef OSLP_SHORT_ID_

// OBJSENSE names the attribute; the short name keeps it apart from the
// nonlinear control NLPOBJSENSE in code that uses both.
constexpr int OBJSENSE_ATTR = ONDR_OBJSENSE;
// Not an attribute: the function-context object id (see ondr_ids.h).
constexpr int NLPFUNCOBJECT = OSLP_NLPFUNCOBJECT;

}  // namespace id
}  // namespace ondr
