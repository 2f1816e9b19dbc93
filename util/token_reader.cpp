#include "util/token_reader.h"

#include <cstdio>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "util/message.h"

namespace {

// White space as the C locale's isspace() has it.
bool is_blank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool token_reader::next_token(std::string& text) {
  text.clear();
  // One lock per token rather than one per character: a stream that a
  // program with worker threads reads would otherwise take a lock for each.
  flockfile(stream_);
  int c = getc_unlocked(stream_);
  while (c != EOF && is_blank(c)) c = getc_unlocked(stream_);
  while (c != EOF && !is_blank(c)) {
    text.push_back(static_cast<char>(c));
    if (text.size() > max_token_length) break;  // no number is this long
    c = getc_unlocked(stream_);
  }
  if (c == EOF && std::ferror(stream_)) error_ = errno ? errno : EIO;
  funlockfile(stream_);
  return !text.empty();
}

read_result token_reader::read_int(int& value, std::string& text) {
  if (!next_token(text)) return missing();
  return text.size() > max_token_length ? read_result::not_a_number : parse_int(text, value);
}

read_result token_reader::read_real(double& value, std::string& text) {
  if (!next_token(text)) return missing();
  return text.size() > max_token_length ? read_result::not_a_number : parse_real(text, value);
}

read_result parse_int(const std::string& text, int& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(begin, &end, 10);
  // The whole token, up to its last byte: an embedded NUL is not its end.
  if (end == begin || end != begin + text.size()) return read_result::not_a_number;
  if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return read_result::out_of_range;
  value = static_cast<int>(parsed);
  return read_result::ok;
}

read_result parse_real(const std::string& text, double& value) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double parsed = std::strtod(begin, &end);
  if (end == begin || end != begin + text.size()) return read_result::not_a_number;
  // Overflow gives an infinity and underflow a tiny value, as scanning
  // would; the callers decide what range they accept.
  value = parsed;
  return read_result::ok;
}

std::string quoted(const std::string& token) {
  constexpr std::size_t shown = 32;
  std::string text = "\"";
  for (std::size_t i = 0; i < token.size() && i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(token[i]);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      static const char hex[] = "0123456789abcdef";
      text += {'\\', 'x', hex[c >> 4], hex[c & 15]};
    }
  }
  if (token.size() > shown) text += "...";
  text += '"';
  if (token.size() > max_token_length) text += message(" (longer than %zu characters)", max_token_length);
  return text;
}
