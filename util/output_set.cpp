#include "util/output_set.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "util/message.h"

status output_set::check_replaceable() const {
  for (const std::string& name : names_) {
    struct stat info;
    if (lstat(name.c_str(), &info) != 0) continue;  // nothing to replace
    if (S_ISDIR(info.st_mode)) return status::error(message("cannot replace %s: it is a folder", name.c_str()));
    // A read-only file is kept: its owner meant to keep it (rename would
    // replace it all the same).
    if (S_ISREG(info.st_mode) && ((info.st_mode & 0222) == 0 || access(name.c_str(), W_OK) != 0)) {
      return status::error(message("cannot replace %s: it is read-only", name.c_str()));
    }
  }
  return status::success();
}

void output_set::discard() const {
  for (const std::string& name : names_) std::remove(working_name(name).c_str());
}

status output_set::commit() const {
  for (const std::string& name : names_) {
    const std::string working = working_name(name);
    if (access(working.c_str(), F_OK) != 0) continue;
    if (std::rename(working.c_str(), name.c_str()) != 0) {
      return status::error(
          message("cannot move %s into place as %s: %s", working.c_str(), name.c_str(), std::strerror(errno)));
    }
  }
  return status::success();
}
