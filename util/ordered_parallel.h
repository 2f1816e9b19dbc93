// ordered_parallel: items 0 .. count-1 computed on worker threads and
// handed to the calling thread strictly in order, so that what the caller
// writes is the same, byte for byte, as a loop on one thread. The caller
// may stop early (a failed write, an interruption): the workers finish the
// item in hand and take no other.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "util/status.h"
#include "util/worker_thread.h"

// compute(j) -> Value runs on `threads` workers (none when threads <= 1:
// everything runs on the caller); consume(j, value) -> status runs on the
// caller. At most `window` items are computed ahead of the consumer.
template <typename Value, typename Compute, typename Consume>
status for_each_in_order(int count, int threads, Compute compute, Consume consume, int window = 64) {
  if (threads <= 1 || count <= 1) {
    for (int j = 0; j < count; ++j) RETURN_IF_ERROR(consume(j, compute(j)));
    return status::success();
  }
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::optional<Value>> ready(window);
  int next_claim = 0, next_consume = 0;
  bool stopping = false;

  auto work = [&] {
    for (;;) {
      int j;
      {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return stopping || next_claim >= count || next_claim < next_consume + window; });
        if (stopping || next_claim >= count) return;
        j = next_claim++;
      }
      Value value = compute(j);
      {
        std::lock_guard<std::mutex> hold(lock);
        ready[j % window] = std::move(value);
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.push_back(start_worker_thread(work));

  status outcome = status::success();
  for (int j = 0; j < count && outcome.ok(); ++j) {
    Value value;
    {
      std::unique_lock<std::mutex> hold(lock);
      changed.wait(hold, [&] { return ready[j % window].has_value(); });
      value = std::move(*ready[j % window]);
      ready[j % window].reset();
      next_consume = j + 1;
    }
    changed.notify_all();
    outcome = consume(j, value);
  }
  {
    std::lock_guard<std::mutex> hold(lock);
    stopping = true;
  }
  changed.notify_all();
  for (std::thread& worker : workers) worker.join();
  return outcome;
}
