// acoustic_design --serve: the live design page on this machine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "util/reporter.h"
#include "util/status.h"

struct server_settings {
  std::vector<std::string> designs;  // the files the page opens; none: a blank driver in a closed box
  std::string listen = "127.0.0.1";
  int port = 0;  // 0: a free one
};

// Serves until SIGINT or SIGTERM, after printing the address to open on
// one flushed line of standard output.
status run_design_server(const server_settings& settings, const reporter& report);

// The same on a thread of the caller's: `started` gets the address once
// the server listens, and the server stops when `stop` is called from
// there (the tests).
class design_server;
status serve_design_page(const server_settings& settings, const std::function<void(const std::string& address,
                                                                                 std::function<void()> stop)>& started);
