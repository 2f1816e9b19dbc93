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

#include "util/fixed_format.h"
#include "util/status.h"

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

  // Out of line, so that the benchmarks can link the same program with
  // writers of their own (bench/) without compiling it again.
  void put(char c);
  void put_fixed(double x);
  void put_int(int v);
  void put(std::string_view text);

  // The first write failure so far, without flushing.
  status write_status() const { return error_ ? failure() : status::success(); }

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
