#include "pictures/csv_table.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "util/message.h"

namespace {

std::vector<std::string> split_fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    out.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

// What the tables print with "%f": digits, a point, digits; or inf, nan.
bool fixed_number(const std::string& s) {
  std::size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
  const std::string rest = s.substr(i);
  if (rest == "inf" || rest == "nan") return true;
  const std::size_t point = rest.find('.');
  if (point == std::string::npos || point == 0 || point + 1 == rest.size()) return false;
  for (std::size_t k = 0; k < rest.size(); ++k)
    if (k != point && (rest[k] < '0' || rest[k] > '9')) return false;
  return true;
}

}  // namespace

int csv_table::column(const std::string& prefix) const {
  for (std::size_t i = 0; i < header.size(); ++i)
    if (header[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i) + 1;
  return 0;
}

status parse_csv_table(const std::string& path, const std::string& text, const std::string& header_start,
                       csv_table& out, int width, const std::vector<std::string>& text_columns) {
  out = csv_table{};
  out.path = path;
  if (text.empty()) return status::error(path + ": empty: expected a header and rows");
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  if (line.compare(0, header_start.size(), header_start) != 0)
    return status::error(message("%s: header \"%s\": expected %s...", path.c_str(), line.c_str(), header_start.c_str()));
  out.header = split_fields(line);
  const std::size_t fields = width > 0 ? static_cast<std::size_t>(width) : out.header.size();
  std::vector<bool> text_column(fields, false);
  for (std::size_t c = 0; c < fields && c < out.header.size(); ++c)
    text_column[c] = std::find(text_columns.begin(), text_columns.end(), out.header[c]) != text_columns.end();
  int number = 1;
  while (std::getline(in, line)) {
    ++number;
    std::vector<std::string> f = split_fields(line);
    if (f.size() != fields)
      return status::error(message("%s: line %d has %zu fields: expected %zu", path.c_str(), number, f.size(), fields));
    for (std::size_t c = 0; c < f.size(); ++c)
      if (!text_column[c] && !fixed_number(f[c]))
        return status::error(message("%s: line %d field %zu is \"%s\": expected a number", path.c_str(), number, c + 1,
                                     f[c].c_str()));
    out.lines.push_back(line);
    out.fields.push_back(std::move(f));
  }
  if (out.lines.empty()) return status::error(path + ": no rows: expected at least one");
  return status::success();
}

status read_csv_table(const std::string& path, const std::string& header_start, csv_table& out, int width,
                      const std::vector<std::string>& text_columns) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return status::error(path + ": cannot read it: expected a table there");
  std::ostringstream text;
  text << in.rdbuf();
  return parse_csv_table(path, text.str(), header_start, out, width, text_columns);
}
