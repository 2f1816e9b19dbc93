// Who may talk to the live design page's server: a token drawn from the
// kernel's random source, compared in constant time, and the Host and
// Origin a browser on this machine sends, so that neither another site
// nor a name rebound to 127.0.0.1 reaches the design files.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

// 128 bits from getrandom(2), as 32 lower-case hex digits.
status new_token(std::string& token);

// Equal texts, in a time that depends on the lengths only.
bool same_token(const std::string& a, const std::string& b);

// The Host values a browser sends for the server at ADDR:PORT: with the
// loopback address, 127.0.0.1, localhost and [::1] at the port; otherwise
// ADDR:PORT alone.
std::vector<std::string> allowed_hosts(const std::string& listen, int port);

bool host_allowed(const std::string& host, const std::vector<std::string>& hosts);

// An Origin header ("http://HOST") names one of the hosts.
bool origin_allowed(const std::string& origin, const std::vector<std::string>& hosts);

// The value of cookie `name` in a Cookie header, or "".
std::string cookie_value(const std::string& header, const std::string& name);
