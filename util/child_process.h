// child_process: another program run without a shell, its output
// discarded and the first line of its errors brought back as the failure.
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

status run_quietly(const std::string& program, const std::vector<std::string>& args);
