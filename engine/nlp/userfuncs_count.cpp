#include <cstdint>
#include "nlp/slpprob.h"

namespace ondr {
// User functions are not registered by anything yet: every problem has none.
int64_t nlp_userfunc_count(OSLPprob) { return 0; }
}  // namespace ondr
