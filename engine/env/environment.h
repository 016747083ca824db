// The process-wide environment: started flag, live problems, messages.
#pragma once
#include <string>
#include "ondr_base.h"

namespace ondr {

bool started();
// Registry of live handles, so that ONDRfree can release what is left and
// stale handles are refused instead of dereferenced.
void register_problem(ONDRprob p);
void unregister_problem(ONDRprob p);
bool problem_alive(ONDRprob p);
void register_slp(OSLPprob s);
void unregister_slp(OSLPprob s);
bool slp_alive(OSLPprob s);

// Message types: 1 information, 3 warning, 4 error.
void emit_message(ONDRprob prob, int msgtype, const std::string &text);

// Destroys an optimizer or nonlinear problem record (no checks).
void destroy_problem_record(ONDRprob p);
void destroy_slp_record(OSLPprob s);

}  // namespace ondr
