// The baseline writer the benchmarks compare against: the same text_file
// interface, but every value goes through its own stdio call on a normally
// buffered FILE, as a plain fprintf("%f") program would write it.
#include <cerrno>
#include <cstring>

#include "simulation/signal_file.h"
#include "util/message.h"
#include "util/text_file.h"

text_file::~text_file() {
  if (file_) std::fclose(file_);
}

status text_file::open(const std::string& name, const char* mode) {
  if (file_) RETURN_IF_ERROR(close());
  name_ = name;
  error_ = 0;
  file_ = std::fopen(name.c_str(), mode);
  if (!file_) return status::error(message("cannot create %s: %s", name.c_str(), std::strerror(errno)));
  return status::success();
}

void text_file::put(char c) {
  if (file_) std::fputc(c, file_);
}
void text_file::put(std::string_view text) {
  if (file_) std::fwrite(text.data(), 1, text.size(), file_);
}
void text_file::put_fixed(double x) {
  if (file_) std::fprintf(file_, "%f", x);
}
void text_file::put_int(int v) {
  if (file_) std::fprintf(file_, "%d", v);
}

void text_file::drain() {}
status text_file::failure() const { return status::error(name_ + ": " + std::strerror(error_)); }

status text_file::flush() {
  if (file_ && std::fflush(file_) != 0) error_ = errno;
  return error_ ? failure() : status::success();
}

status text_file::close() {
  if (!file_) return status::success();
  if (std::fclose(file_) != 0 && error_ == 0) error_ = errno;
  file_ = nullptr;
  return error_ ? failure() : status::success();
}
