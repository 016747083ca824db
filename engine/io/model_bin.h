// A whole model in the binary encoding of io/binio.h, for snapshots: every
// field of the store (names, types, bounds, rows, quadratic parts, sets,
// indicators, nonlinear content, scaling), in the order of model/store.h.
// The reader checks every index, type and size, so that a model it returns
// is as consistent as one built by the loaders.
#pragma once
#include "io/binio.h"
#include "model/store.h"

namespace ondr::io {

void write_model(BinWriter &w, const Model &m);
Model read_model(BinReader &rd);

}  // namespace ondr::io
