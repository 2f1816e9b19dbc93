// Who the live page's server lets in: the token, the Host and Origin a
// browser on this machine sends, the cookie.
#include <gtest/gtest.h>

#include <set>

#include "server/access.h"

namespace {

TEST(ServerAccess, TokenIs128RandomBits) {
  std::set<std::string> seen;
  for (int k = 0; k < 50; ++k) {
    std::string token;
    ASSERT_TRUE(new_token(token).ok());
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
    seen.insert(token);
  }
  EXPECT_EQ(seen.size(), 50u);
}

TEST(ServerAccess, SameToken) {
  const struct {
    const char *a, *b;
    bool same;
  } cases[] = {
      {"0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdef", true},
      {"0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdee", false},
      {"1123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdef", false},
      {"0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdef0", false},
      {"", "0123456789abcdef0123456789abcdef", false},
      {"", "", true},
  };
  for (const auto& c : cases) EXPECT_EQ(same_token(c.a, c.b), c.same) << c.a << " " << c.b;
}

TEST(ServerAccess, HostAndOrigin) {
  const std::vector<std::string> loopback = allowed_hosts("127.0.0.1", 8123);
  const std::vector<std::string> wide = allowed_hosts("192.168.1.5", 80);
  const struct {
    const std::vector<std::string>* hosts;
    const char* host;
    bool allowed;
  } hosts[] = {
      {&loopback, "127.0.0.1:8123", true},
      {&loopback, "localhost:8123", true},
      {&loopback, "[::1]:8123", true},
      {&loopback, "127.0.0.1:8124", false},
      {&loopback, "127.0.0.1", false},
      {&loopback, "evil.example:8123", false},   // a name rebound to 127.0.0.1
      {&loopback, "LOCALHOST:8123x", false},
      {&loopback, "", false},
      {&wide, "192.168.1.5:80", true},
      {&wide, "127.0.0.1:80", false},
  };
  for (const auto& c : hosts) EXPECT_EQ(host_allowed(c.host, *c.hosts), c.allowed) << c.host;
  const struct {
    const char* origin;
    bool allowed;
  } origins[] = {
      {"http://127.0.0.1:8123", true},   {"http://localhost:8123", true},  {"http://[::1]:8123", true},
      {"https://127.0.0.1:8123", false}, {"http://evil.example", false},   {"null", false},
      {"http://127.0.0.1:8123/", false}, {"http://127.0.0.1:81234", false},
  };
  for (const auto& c : origins) EXPECT_EQ(origin_allowed(c.origin, loopback), c.allowed) << c.origin;
  EXPECT_EQ(allowed_hosts("::1", 5), (std::vector<std::string>{"127.0.0.1:5", "localhost:5", "[::1]:5"}));
  EXPECT_EQ(allowed_hosts("fe80::1", 5), (std::vector<std::string>{"[fe80::1]:5"}));
}

TEST(ServerAccess, CookieValue) {
  const struct {
    const char *header, *value;
  } cases[] = {
      {"t=abc", "abc"},
      {"a=1; t=abc; b=2", "abc"},
      {"at=xyz; t=abc", "abc"},  // not a cookie whose name ends in t
      {"tt=abc", ""},
      {"t=", ""},
      {"", ""},
      {"a=1;t=abc", "abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(cookie_value(c.header, "t"), c.value) << c.header;
}

}  // namespace
