#include "simulation/history_pipeline.h"

#include <algorithm>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "simulation/history_files.h"
#include "util/worker_thread.h"

namespace {

void spin_pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

}  // namespace

history_pipeline::history_pipeline(model_state& s)
    : s_(s), width_(4 + 2 * s.ND), threaded_(s.threads > 1 && s.write_histories && s.velocity.is_open()) {
  if (!threaded_) return;
  filling_.resize(static_cast<std::size_t>(rows_per_block) * width_);
  worker_ = start_worker_thread([this] { work(); });
}

history_pipeline::~history_pipeline() { stop(); }

void history_pipeline::record() {
  const model_state& s = s_;
  if (!threaded_) {
    write_history_row(s_);
    return;
  }
  double* row = filling_.data() + static_cast<std::size_t>(rows_filled_) * width_;
  row[0] = s.tempo;
  row[1] = s.forte;
  row[2] = s.sumx;
  row[3] = s.sumv;
  std::copy(s.xc, s.xc + s.ND, row + 4);
  std::copy(s.vc, s.vc + s.ND, row + 4 + s.ND);
  if (++rows_filled_ == rows_per_block) hand_over_block();
}

void history_pipeline::hand_over_block() {
  filling_.resize(static_cast<std::size_t>(rows_filled_) * width_);
  std::unique_lock<std::mutex> hold(lock_);
  queued_.push_back(block{std::move(filling_), 0});
  if (spare_.empty()) {
    filling_ = std::vector<double>();
  } else {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  }
  announce_change();
  // Too far ahead: write rather than wait, where a file is free.
  while (queued_.size() >= static_cast<std::size_t>(blocks_in_flight)) {
    write_or_wait(hold);
  }
  hold.unlock();
  filling_.resize(static_cast<std::size_t>(rows_per_block) * width_);
  rows_filled_ = 0;
}

history_pipeline::task history_pipeline::claim() {
  const long end = first_sequence_ + static_cast<long>(queued_.size());
  for (int f = 0; f < file_count; ++f) {
    lane& l = lanes_[f];
    if (l.busy || l.next >= end) continue;
    l.busy = true;
    return {f, &queued_[static_cast<std::size_t>(l.next - first_sequence_)]};
  }
  return {};
}

void history_pipeline::run(task t, std::unique_lock<std::mutex>& hold) {
  hold.unlock();
  const history which = all_histories[t.file];
  text_file& out = history_file(s_, which);
  // After a failed write the rows are dropped: the run is about to stop.
  if (!failed_.load(std::memory_order_relaxed)) {
    const int nd = s_.ND;
    const std::vector<double>& values = t.rows->values;
    for (std::size_t at = 0; at < values.size(); at += width_) {
      const double* row = values.data() + at;
      write_history_file_row(out, which, {row[0], row[1], row[2], row[3], row + 4, row + 4 + nd, s_.R, nd});
    }
  }
  const status written = out.write_status();
  hold.lock();
  if (!written.ok() && failure_.ok()) {
    failure_ = written;
    failed_.store(true, std::memory_order_relaxed);
  }
  lanes_[t.file].busy = false;
  ++lanes_[t.file].next;
  ++t.rows->files_done;
  while (!queued_.empty() && queued_.front().files_done == file_count) {
    spare_.push_back(std::move(queued_.front().values));
    queued_.pop_front();
    ++first_sequence_;
  }
  announce_change();
}

void history_pipeline::announce_change() {
  version_.fetch_add(1, std::memory_order_release);
  changed_.notify_all();
}

void history_pipeline::wait_for_change(std::unique_lock<std::mutex>& hold) {
  // Waking a sleeping thread costs tens of microseconds on a virtual
  // machine, as long as a block takes to write: the other thread usually
  // brings news sooner, so look for it a little while before sleeping.
  const long seen = version_.load(std::memory_order_relaxed);
  hold.unlock();
  for (int i = 0; i < spin_limit && version_.load(std::memory_order_acquire) == seen; ++i) spin_pause();
  hold.lock();
  // Every change happens under the lock, so none can slip in between this
  // test and the wait.
  if (version_.load(std::memory_order_relaxed) == seen) changed_.wait(hold);
}

void history_pipeline::write_or_wait(std::unique_lock<std::mutex>& hold) {
  const task t = claim();
  if (t.file >= 0) {
    run(t, hold);
  } else {
    wait_for_change(hold);
  }
}

void history_pipeline::work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    if (abandoning_ || (closing_ && queued_.empty())) return;
    write_or_wait(hold);
  }
}

status history_pipeline::write_status() const {
  if (!threaded_) {
    for (history which : all_histories) RETURN_IF_ERROR(history_file(s_, which).write_status());
    return status::success();
  }
  if (!failed_.load(std::memory_order_relaxed)) return status::success();
  std::lock_guard<std::mutex> hold(lock_);
  return failure_;
}

status history_pipeline::end_of_run() {
  if (threaded_) return write_status();
  for (history which : all_histories) RETURN_IF_ERROR(history_file(s_, which).flush());
  return status::success();
}

status history_pipeline::finish() {
  if (!threaded_) return status::success();
  if (rows_filled_ > 0) hand_over_block();
  {
    std::unique_lock<std::mutex> hold(lock_);
    closing_ = true;
    announce_change();
    while (!queued_.empty()) {
      write_or_wait(hold);
    }
  }
  worker_.join();
  threaded_ = false;
  RETURN_IF_ERROR(failure_);
  for (history which : all_histories) RETURN_IF_ERROR(history_file(s_, which).flush());
  return status::success();
}

void history_pipeline::stop() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    abandoning_ = true;
    announce_change();
  }
  worker_.join();
  threaded_ = false;
}
