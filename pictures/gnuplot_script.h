// The pieces every picture's gnuplot script is made of: the terminal, a
// quoted string, a data block holding a table's rows as written.
#pragma once

#include <string>
#include <vector>

// 'text' with every quote doubled, as gnuplot reads a single-quoted string.
std::string gnuplot_quoted(const std::string& text);

// "$NAME << EOD", the lines, "EOD".
std::string data_block(const std::string& name, const std::vector<std::string>& lines);

// The PNG terminal at WIDTHxHEIGHT drawing into `output`, commas between
// fields, a grid and numbers as %g.
std::string picture_start(int width, int height, const std::string& output);

// Closes the picture's file so that the next one starts afresh.
std::string picture_end();

// The rows' fields `x` and `y` (columns from 1), with a blank line (a break
// in the curve) where y, a phase in degrees, wraps around +-180.
std::vector<std::string> phase_lines(const std::vector<std::vector<std::string>>& rows, int x, int y);
