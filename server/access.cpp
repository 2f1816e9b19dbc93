#include "server/access.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/message.h"

status new_token(std::string& token) {
  unsigned char bytes[16];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return status::error(message("cannot draw the page's token: getrandom: %s", std::strerror(errno)));
    got += static_cast<std::size_t>(n);
  }
  static const char hex[] = "0123456789abcdef";
  token.clear();
  for (unsigned char b : bytes) {
    token += hex[b >> 4];
    token += hex[b & 15];
  }
  return status::success();
}

bool same_token(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  volatile unsigned char differ = 0;
  for (std::size_t i = 0; i < a.size(); ++i) differ = differ | (static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]));
  return differ == 0;
}

std::vector<std::string> allowed_hosts(const std::string& listen, int port) {
  const std::string at = ":" + std::to_string(port);
  if (listen == "127.0.0.1" || listen == "localhost" || listen == "::1")
    return {"127.0.0.1" + at, "localhost" + at, "[::1]" + at};
  const bool v6 = listen.find(':') != std::string::npos;
  return {(v6 ? "[" + listen + "]" : listen) + at};
}

bool host_allowed(const std::string& host, const std::vector<std::string>& hosts) {
  return std::find(hosts.begin(), hosts.end(), host) != hosts.end();
}

bool origin_allowed(const std::string& origin, const std::vector<std::string>& hosts) {
  const std::string scheme = "http://";
  return origin.compare(0, scheme.size(), scheme) == 0 && host_allowed(origin.substr(scheme.size()), hosts);
}

std::string cookie_value(const std::string& header, const std::string& name) {
  std::size_t at = 0;
  while (at < header.size()) {
    const std::size_t end = std::min(header.find(';', at), header.size());
    std::size_t first = at;
    while (first < end && header[first] == ' ') ++first;
    const std::size_t equals = header.find('=', first);
    if (equals < end && header.compare(first, equals - first, name) == 0 && equals - first == name.size())
      return header.substr(equals + 1, end - equals - 1);
    at = end + 1;
  }
  return "";
}
