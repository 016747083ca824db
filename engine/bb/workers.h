// Worker threads of the tree search. Each worker is a thread with a problem
// of its own: a copy of the solving problem (model and controls) whose
// callbacks are the solving problem's, so that node events fired on the
// worker reach the registered callables with the worker's handle. The
// mipthread callback announces a worker on its thread before its first
// task; destroymt retires it on the same thread after its last one, before
// the pool frees its problem. Announcements run one at a time.
//
// The pool runs rounds: run(task) calls task(i) on worker i for every
// worker at once and returns when all are done, so the caller's state is
// quiet between rounds (it may read and write anything then, and fire
// callbacks on worker problems itself). An exception of a task is kept and
// rethrown by run() after the round, the lowest worker's first.
#pragma once
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include "env/problem.h"

namespace ondr {
namespace bb {

class WorkerPool {
 public:
  // Starts `count` (>= 1) workers for a search of `prob`; throws when a
  // worker problem or thread cannot be made (those made are retired).
  WorkerPool(ONDRprob prob, int count);
  ~WorkerPool();
  WorkerPool(const WorkerPool &) = delete;
  WorkerPool &operator=(const WorkerPool &) = delete;

  int size() const { return (int)workers_.size(); }
  ONDRprob problem(int i) const { return workers_[(size_t)i].prob; }
  // The first nonzero interrupt reason requested on a worker problem.
  int interrupt_reason() const;
  void run(const std::function<void(int)> &task);

 private:
  struct Worker {
    ONDRprob prob = nullptr;
    std::thread thread;
    std::exception_ptr error;
  };
  void loop(int i);
  void shutdown() noexcept;

  ONDRprob owner_;
  std::vector<Worker> workers_;
  std::mutex m_;
  std::mutex announce_;  // mipthread and destroymt run one at a time
  std::condition_variable start_cv_, done_cv_;
  const std::function<void(int)> *task_ = nullptr;
  uint64_t round_ = 0;  // rounds started
  int busy_ = 0;        // workers still in the current round
  bool quit_ = false;
};

// The number of workers a search uses for the THREADS control `threads`
// (0: min(hardware, 4)); 0 means the search runs on the calling thread,
// which it does with one thread unless a mipthread or destroymt callback
// asks for a worker to announce.
int search_workers(ONDRprob prob, int64_t threads);

}  // namespace bb
}  // namespace ondr
