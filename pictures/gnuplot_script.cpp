#include "pictures/gnuplot_script.h"

#include <cstdlib>

#include "util/message.h"

std::string gnuplot_quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\n') continue;
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string data_block(const std::string& name, const std::vector<std::string>& lines) {
  std::string out = "$" + name + " << EOD\n";
  for (const std::string& l : lines) out += l + "\n";
  return out + "EOD\n";
}

std::string picture_start(int width, int height, const std::string& output) {
  return message("reset\nset terminal pngcairo size %d,%d noenhanced font 'Sans,11'\nset output %s\n", width, height,
                 gnuplot_quoted(output).c_str()) +
         "set datafile separator ','\nset grid\nset format x '%g'\nset format y '%g'\n";
}

std::string picture_end() { return "unset multiplot\nset output\n"; }

std::vector<std::string> phase_lines(const std::vector<std::vector<std::string>>& rows, int x, int y) {
  std::vector<std::string> out;
  double last = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double value = std::strtod(rows[i][y - 1].c_str(), nullptr);
    if (i > 0 && (value - last > 180 || last - value > 180)) out.push_back("");
    out.push_back(rows[i][x - 1] + "," + rows[i][y - 1]);
    last = value;
  }
  return out;
}
