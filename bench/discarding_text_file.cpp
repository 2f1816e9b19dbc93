// A writer that drops every file but the signal file "dftv.txt", which the
// analysis must read back. Timing a run with it against a normal run gives
// the share of the run spent formatting and writing the other files.
#include <cerrno>
#include <cstring>

#include "simulation/signal_file.h"
#include "util/message.h"
#include "util/output_set.h"
#include "util/text_file.h"

// This writer buffers nothing, so used_ holds whether the file is kept,
// decided once at open.

text_file::~text_file() {
  if (file_) std::fclose(file_);
}

status text_file::open(const std::string& name, const char* mode) {
  if (file_) RETURN_IF_ERROR(close());
  name_ = name;
  error_ = 0;
  used_ = name == output_set::working_name(signal_file_name);
  file_ = std::fopen(name.c_str(), mode);
  if (!file_) return status::error(message("cannot create %s: %s", name.c_str(), std::strerror(errno)));
  return status::success();
}

void text_file::put(char c) {
  if (file_ && used_ != 0) std::fputc(c, file_);
}
void text_file::put(std::string_view text) {
  if (file_ && used_ != 0) std::fwrite(text.data(), 1, text.size(), file_);
}
void text_file::put_fixed(double x) {
  if (!file_ || used_ == 0) return;
  char text[fixed6_max_chars];
  std::fwrite(text, 1, format_fixed6(x, text), file_);
}
void text_file::put_int(int v) {
  if (file_ && used_ != 0) std::fprintf(file_, "%d", v);
}

void text_file::drain() {}
status text_file::failure() const { return status::error(name_ + ": " + std::strerror(error_)); }
status text_file::flush() { return status::success(); }

status text_file::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  return status::success();
}
