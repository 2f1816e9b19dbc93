// child_process: another program run without a shell, its output
// discarded and the first line of its errors brought back as the failure.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

status run_quietly(const std::string& program, const std::vector<std::string>& args);

// `program` looked up on the PATH and fed `input` on its standard input,
// its output discarded. Fails with the first line of its errors, or when
// it cannot be started (not on the PATH).
status run_with_input(const std::string& program, const std::vector<std::string>& args, const std::string& input);
