// Command lines parsed with CLI11 and its failures shaped as one error
// line: "unknown option "--bogus": see --help", "option --out needs a
// value: see --help". Options that take numbers are best declared as
// strings and checked by the caller, so that a bad value is named the
// program's own way.
#pragma once

#include <CLI/CLI.hpp>

#include "util/status.h"

// Parses argv into `app`. With --help, prints the app's help on standard
// output and sets `help_shown`.
status parse_command_line(CLI::App& app, int argc, const char* const* argv, bool& help_shown);
