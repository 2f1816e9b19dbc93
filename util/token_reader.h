// token_reader: reads white-space separated numbers from a stream, the way
// formatted scanning skips any run of blanks, tabs and line ends between
// values, but checks each one: a value must be a whole token that parses
// completely as the number asked for, and no longer than any number needs.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

enum class read_result { ok, end_of_input, unreadable, not_a_number, out_of_range };

// No value at all: the input ended or could not be read.
inline bool is_missing(read_result r) { return r == read_result::end_of_input || r == read_result::unreadable; }

// Longer tokens are not numbers; reading stops there instead of holding an
// endless stream of non-blank bytes in memory.
constexpr std::size_t max_token_length = 4096;

class token_reader {
 public:
  explicit token_reader(std::FILE* stream) : stream_(stream) {}

  // Reads the next token into text (at most max_token_length + 1 chars);
  // false at the end of the input or on a read error (then error() is the
  // errno).
  bool next_token(std::string& text);
  int error() const { return error_; }

  read_result read_int(int& value, std::string& text);
  read_result read_real(double& value, std::string& text);

 private:
  read_result missing() const { return error_ ? read_result::unreadable : read_result::end_of_input; }

  std::FILE* stream_;
  int error_ = 0;
};

// Parses a whole token; the text must hold nothing else.
read_result parse_int(const std::string& text, int& value);
read_result parse_real(const std::string& text, double& value);

// A token as an error line shows it: in quotes, at most 32 characters,
// control and other unprintable bytes as \xNN, "..." where it was cut.
std::string quoted(const std::string& token);
