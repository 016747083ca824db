// The process-wide environment: started flag, live problems, messages.
#pragma once
#include <mutex>
#include <string>
#include "ondr_base.h"

namespace ondr {

bool started();
// Registry of live handles, so that ONDRfree can release what is left and
// stale handles are refused instead of dereferenced.
void register_problem(ONDRprob p);
// Refuses (ERR_STATE) while the problem is being solved.
void unregister_problem(ONDRprob p);
bool problem_alive(ONDRprob p);
void register_slp(OSLPprob s);
// Refuses (ERR_STATE) while `driven`, the optimizer problem `s` drives, is
// being solved.
void unregister_slp(OSLPprob s, ONDRprob driven);
bool slp_alive(OSLPprob s);
// Holds the registry lock while the handle is live, so that a destroy on
// another thread waits until the caller is done with the record; the lock
// returned is empty (owns_lock() false) when the handle is not live. Take a
// record's own lock only after this one, never the other way round.
std::unique_lock<std::mutex> hold_if_alive(ONDRprob p);
std::unique_lock<std::mutex> hold_if_alive(OSLPprob s);

// The busy state of a problem being solved. acquire_busy fails with
// ERR_STATE when the problem is already being solved; release_busy ends it.
// Both take the registry lock, so a destroy or ONDRfree on another thread
// sees either a busy problem (and refuses) or none.
void acquire_busy(ONDRprob p);
void release_busy(ONDRprob p);
// A change of `p` in progress on the calling thread: begin_edit fails with
// ERR_STATE while another thread solves `p`, and acquire_busy on another
// thread waits until every change has ended, so a solve never reads a model
// halfway through a change that passed the busy check just before it began.
void begin_edit(ONDRprob p);
void end_edit(ONDRprob p);
// True when `p` is being solved by a thread other than the calling one.
bool busy_elsewhere(ONDRprob p);

// Message types: 1 information, 3 warning, 4 error. A message with a
// number (code > 0) is dropped when ONDRsetmessagestatus switched that
// number off for the problem.
void emit_message(ONDRprob prob, int msgtype, const std::string &text, int code = 0);

// Destroys an optimizer or nonlinear problem record (no checks).
void destroy_problem_record(ONDRprob p);
void destroy_slp_record(OSLPprob s);

}  // namespace ondr
