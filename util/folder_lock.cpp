#include "util/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "util/message.h"

folder_lock::~folder_lock() {
  if (fd_ >= 0) close(fd_);
}

status folder_lock::acquire(const char* holder) {
  char folder[PATH_MAX];
  if (!getcwd(folder, sizeof folder)) std::strcpy(folder, ".");
  fd_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return status::error(message("cannot open the folder %s: %s", folder, std::strerror(errno)));
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return status::success();
  if (errno == EWOULDBLOCK) {
    return status::error(
        message("another %s run is working in %s: expected one run at a time in a folder; "
                "nothing was changed",
                holder, folder));
  }
  return status::error(message("cannot lock the folder %s: %s", folder, std::strerror(errno)));
}
