#include "util/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/message.h"

text_file::~text_file() {
  if (file_) std::fclose(file_);
}

status text_file::open(const std::string& name, const char* mode) {
  if (file_) {
    RETURN_IF_ERROR(close());
  }
  name_ = name;
  error_ = 0;
  used_ = 0;
  file_ = std::fopen(name.c_str(), mode);
  if (!file_) {
    return status::error(message("cannot create %s: %s", name.c_str(), std::strerror(errno)));
  }
  // This object does the buffering; an unbuffered FILE reports a full disk
  // at the write that meets it.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return status::success();
}

void text_file::put(char c) {
  if (used_ + 1 > capacity) drain();
  buffer_[used_++] = c;
}

void text_file::put_fixed(double x) {
  if (used_ + fixed6_max_chars > capacity) drain();
  used_ += format_fixed6(x, buffer_.get() + used_);
}

void text_file::put_int(int v) {
  if (used_ + 12 > capacity) drain();
  used_ += format_int(v, buffer_.get() + used_);
}

void text_file::put(std::string_view text) {
  while (!text.empty()) {
    if (used_ == capacity) drain();
    const std::size_t chunk = std::min(text.size(), capacity - used_);
    std::memcpy(buffer_.get() + used_, text.data(), chunk);
    used_ += chunk;
    text.remove_prefix(chunk);
  }
}

void text_file::drain() {
  if (used_ == 0) return;
  if (file_ && error_ == 0) {
    if (std::fwrite(buffer_.get(), 1, used_, file_) != used_) {
      error_ = errno ? errno : EIO;
    }
  }
  used_ = 0;
}

status text_file::failure() const {
  return status::error(message("cannot write %s: %s", name_.c_str(), std::strerror(error_)));
}

status text_file::flush() {
  drain();
  if (file_ && error_ == 0 && std::fflush(file_) != 0) error_ = errno ? errno : EIO;
  return error_ ? failure() : status::success();
}

status text_file::close() {
  if (!file_) return status::success();
  drain();
  if (std::fclose(file_) != 0 && error_ == 0) error_ = errno ? errno : EIO;
  file_ = nullptr;
  return error_ ? failure() : status::success();
}
