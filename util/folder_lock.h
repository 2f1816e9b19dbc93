// folder_lock: one run at a time in the working folder. An advisory lock
// on the folder itself, so that no lock file is left behind; the kernel
// releases it when the process ends, however it ends.
#pragma once

#include "util/status.h"

class folder_lock {
 public:
  folder_lock() = default;
  ~folder_lock();
  folder_lock(const folder_lock&) = delete;
  folder_lock& operator=(const folder_lock&) = delete;

  // Takes the lock on the working folder without waiting; fails naming the
  // folder when another process holds it.
  status acquire(const char* holder);

 private:
  int fd_ = -1;
};
