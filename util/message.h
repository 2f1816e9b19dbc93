// message: the one way messages are built, printf-style into a string, so
// that numbers in errors and warnings read as they do in the program's
// files.
#pragma once

#include <string>

std::string message(const char* format, ...) __attribute__((format(printf, 1, 2)));
