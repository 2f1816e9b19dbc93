#include "pictures/summary_figures.h"

#include <cstdlib>
#include <fstream>

std::string summary_figures::text(const std::string& quantity) const {
  for (const auto& [q, v] : values)
    if (q == quantity) return v;
  return "";
}

double summary_figures::value(const std::string& quantity) const { return std::strtod(text(quantity).c_str(), nullptr); }

status read_summary_figures(const std::string& path, summary_figures& out) {
  out = summary_figures{};
  std::ifstream in(path);
  if (!in) return status::error(path + ": cannot read it: expected the design's summary");
  std::string line;
  if (!std::getline(in, line) || line != "quantity,value,unit")
    return status::error(path + ": header \"" + line + "\": expected quantity,value,unit");
  while (std::getline(in, line)) {
    const std::size_t a = line.find(','), b = line.find(',', a == std::string::npos ? a : a + 1);
    if (a == std::string::npos || b == std::string::npos) return status::error(path + ": line \"" + line + "\": expected quantity,value,unit");
    out.values.emplace_back(line.substr(0, a), line.substr(a + 1, b - a - 1));
  }
  return status::success();
}

std::vector<std::pair<std::string, std::string>> frequency_marks(const summary_figures& s) {
  std::vector<std::pair<std::string, std::string>> marks;
  for (const char* name : {"F3", "fc", "fb", "fp_box"})
    if (s.has(name)) marks.emplace_back(name, s.text(name));
  return marks;
}
