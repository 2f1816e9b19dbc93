// history_pipeline: the four histories formatted and written while the
// stepping goes on, on a worker thread and, when the worker falls behind,
// on the stepping thread too, so that a run uses a second core. It lives
// for all the runs of a program: the worker formats one run's rows while
// the next run steps. The steps' values travel in blocks of rows; each file
// takes the blocks strictly in order, one thread at a time, so that it
// receives exactly the bytes one thread would write. With one thread, or
// without histories, every row is written where it is recorded.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "model/model_state.h"
#include "util/status.h"

class history_pipeline {
 public:
  // With s.threads > 1 and the histories open, the four history files are
  // the pipeline's until finish().
  explicit history_pipeline(model_state& s);
  // Stops the worker without waiting for the rows still queued.
  ~history_pipeline();
  history_pipeline(const history_pipeline&) = delete;
  history_pipeline& operator=(const history_pipeline&) = delete;

  // The row of the current step (after advance, before shift_state).
  void record();

  // The first failed write so far, as far as the writing has got.
  status write_status() const;

  // At the end of each run: with one thread, hands the rows to the
  // operating system; reports the first failed write so far.
  status end_of_run();

  // Hands over the last rows, writes what is queued, waits for the worker,
  // flushes the files and reports their first failed write; the files are
  // the caller's again.
  status finish();

 private:
  static constexpr int rows_per_block = 64;
  // At most this many blocks are not yet in every file: the stepping stays
  // within 960 rows of the writing, so that a failed write stops it soon.
  static constexpr int blocks_in_flight = 15;
  static constexpr int file_count = 4;
  static constexpr int spin_limit = 2000;  // pauses, some 50 microseconds

  struct block {
    std::vector<double> values;  // rows of width_ values
    int files_done = 0;
  };
  // A file's place in the queue: the sequence number of its next block.
  struct lane {
    long next = 0;
    bool busy = false;
  };
  struct task {
    int file = -1;
    block* rows = nullptr;
  };

  void hand_over_block();
  // Under the lock: a file whose next block is queued and that no thread
  // is writing, claimed; file -1 when there is none.
  task claim();
  // Writes the block into the file (the lock not held), then releases it.
  void run(task t, std::unique_lock<std::mutex>& hold);
  // Under the lock: tells the other thread that the queue or a file moved
  // on; wait_for_change() returns once one did (or spuriously).
  void announce_change();
  // Under the lock: writes a file's next block where one is free, or waits.
  void write_or_wait(std::unique_lock<std::mutex>& hold);
  void wait_for_change(std::unique_lock<std::mutex>& hold);
  void work();
  void stop();

  model_state& s_;
  const int width_;  // values per row: time, force, sumx, sumv, x[nd], v[nd]
  bool threaded_;
  std::vector<double> filling_;
  int rows_filled_ = 0;

  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::deque<block> queued_;  // blocks first_sequence_, first_sequence_ + 1, ...
  long first_sequence_ = 0;
  std::vector<std::vector<double>> spare_;
  std::array<lane, file_count> lanes_{};
  bool closing_ = false, abandoning_ = false;
  status failure_ = status::success();  // the first failed write
  std::atomic<bool> failed_{false};
  std::atomic<long> version_{0};  // counts the changes announced
  std::thread worker_;
};
