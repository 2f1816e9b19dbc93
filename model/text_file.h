// text_file: an output file written through a large buffer, with numbers
// formatted as "%f" and "%d" would format them. A failed create or write
// is remembered and reported by flush() and close(), naming the file.
// Text put into a file that is not open is dropped.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "model/fixed_format.h"
#include "model/status.h"

class text_file {
 public:
  text_file() : buffer_(new char[capacity]) {}
  ~text_file();
  text_file(const text_file&) = delete;
  text_file& operator=(const text_file&) = delete;

  // Creates or truncates the file; mode "w" or "a".
  status open(const std::string& name, const char* mode = "w");
  bool is_open() const { return file_ != nullptr; }
  const std::string& name() const { return name_; }

#ifndef ACOUSTIC_EXTERNAL_WRITER
  void put(char c) {
    if (used_ + 1 > capacity) drain();
    buffer_[used_++] = c;
  }
  void put_fixed(double x) {
    if (used_ + fixed6_max_chars > capacity) drain();
    used_ += format_fixed6(x, buffer_.get() + used_);
  }
  void put_int(int v) {
    if (used_ + 12 > capacity) drain();
    used_ += format_int(v, buffer_.get() + used_);
  }
#else
  // Defined elsewhere: the benchmarks link writers of their own (bench/).
  void put(char c);
  void put_fixed(double x);
  void put_int(int v);
#endif
  void put(std::string_view text);

  // Hands everything buffered to the operating system.
  status flush();
  // Flushes and closes; a closed file may be opened again.
  status close();

 private:
  static constexpr std::size_t capacity = std::size_t{1} << 16;

  void drain();
  status failure() const;

  std::string name_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  int error_ = 0;  // errno of the first failed write, 0 if none
};
