#include "bb/workers.h"
#include <algorithm>
#include "cb/registry.h"
#include "env/error.h"
#include "model/ops.h"

namespace ondr {
namespace bb {

namespace {

constexpr int kMaxWorkers = 64;
constexpr int kAutoWorkers = 4;  // at most, when the solver chooses

void fire_mipthread(ONDRprob owner, ONDRprob worker) {
  cb::each(owner, cb::k_mipthread, [&](cb::Fn fn, void *data) {
    ((ondr_cb_mipthread)fn)(owner, data, worker);
  });
}

void fire_destroymt(ONDRprob worker) {
  cb::each(worker, cb::k_destroymt, [&](cb::Fn fn, void *data) {
    ((ondr_cb_notify)fn)(worker, data);
  });
}

// A problem of its own for a worker: the owner's model and controls, the
// owner's callbacks (through search_owner).
ONDRprob make_worker_problem(ONDRprob owner) {
  ONDRprob w = nullptr;
  create_prob(&w);
  try {
    copy_prob(w, owner, nullptr);
  } catch (...) {
    destroy_prob(w);
    throw;
  }
  w->search_owner = owner;
  return w;
}

}  // namespace

int search_workers(ONDRprob prob, int64_t threads) {
  int n = (int)std::min<int64_t>(threads, kMaxWorkers);
  if (threads <= 0) {
    unsigned hw = std::thread::hardware_concurrency();
    n = std::min(hw ? (int)hw : 1, kAutoWorkers);
  }
  if (n > 1) return n;
  const cb::Registry &reg = cb::registry_of(prob);
  return reg.has(cb::k_mipthread) || reg.has(cb::k_destroymt) ? 1 : 0;
}

WorkerPool::WorkerPool(ONDRprob prob, int count) : owner_(prob) {
  workers_.resize((size_t)std::max(1, count));
  try {
    for (Worker &w : workers_) w.prob = make_worker_problem(prob);
    for (size_t i = 0; i < workers_.size(); ++i)
      workers_[i].thread = std::thread([this, i] { loop((int)i); });
  } catch (...) {
    shutdown();
    throw;
  }
  // Every worker has announced itself once this first round is done.
  run([](int) {});
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::shutdown() noexcept {
  {
    std::lock_guard<std::mutex> g(m_);
    quit_ = true;
  }
  start_cv_.notify_all();
  for (Worker &w : workers_)
    if (w.thread.joinable()) w.thread.join();
  for (Worker &w : workers_)
    if (w.prob) {
      try {
        destroy_prob(w.prob);
      } catch (...) {
      }
      w.prob = nullptr;
    }
}

int WorkerPool::interrupt_reason() const {
  for (const Worker &w : workers_)
    if (w.prob) {
      int r = w.prob->interrupt_reason.load();
      if (r) return r;
    }
  return 0;
}

void WorkerPool::run(const std::function<void(int)> &task) {
  std::unique_lock<std::mutex> g(m_);
  task_ = &task;
  busy_ = (int)workers_.size();
  for (Worker &w : workers_) w.error = nullptr;
  ++round_;
  start_cv_.notify_all();
  done_cv_.wait(g, [&] { return busy_ == 0; });
  task_ = nullptr;
  for (Worker &w : workers_)
    if (w.error) std::rethrow_exception(w.error);
}

void WorkerPool::loop(int i) {
  Worker &me = workers_[(size_t)i];
  {
    std::lock_guard<std::mutex> one(announce_);
    fire_mipthread(owner_, me.prob);
  }
  uint64_t seen = 0;
  std::unique_lock<std::mutex> g(m_);
  for (;;) {
    start_cv_.wait(g, [&] { return quit_ || round_ > seen; });
    if (round_ == seen) break;  // quit, no round pending
    seen = round_;
    const std::function<void(int)> *task = task_;
    g.unlock();
    try {
      (*task)(i);
    } catch (...) {
      me.error = std::current_exception();
    }
    g.lock();
    if (--busy_ == 0) done_cv_.notify_all();
  }
  g.unlock();
  std::lock_guard<std::mutex> one(announce_);
  fire_destroymt(me.prob);
}

}  // namespace bb
}  // namespace ondr
