#include "control/design_compare.h"

#include <algorithm>

#include "control/design_files.h"
#include "util/message.h"

namespace {

std::string drive_of(const design_file& f) {
  std::string drive = message("%g V at %g m, %s space", f.voltage, f.distance, f.full_space ? "full" : "half");
  if (f.highpass.order > 0) drive += message(", high-pass of order %d at %g Hz", f.highpass.order, f.highpass.frequency);
  return drive;
}

}  // namespace

std::string plain_label(std::string label) {
  for (char& c : label)
    if (c == '\'' || c == '"' || c == ',' || c == '\n') c = ' ';
  return label;
}

std::string comparison_table(const std::vector<compared_design>& designs, const std::vector<std::string>& grid_keys) {
  std::vector<std::pair<std::string, std::string>> columns;  // quantity, unit
  for (const compared_design& d : designs)
    for (const summary_row& r : d.result.summary.rows)
      if (std::find_if(columns.begin(), columns.end(), [&](const auto& c) { return c.first == r.quantity; }) ==
          columns.end())
        columns.emplace_back(r.quantity, r.named ? "" : r.unit);
  std::string text = "design";
  for (const std::string& key : grid_keys) text += "," + key;
  for (const auto& [quantity, unit] : columns) text += "," + quantity + (unit.empty() ? "" : "[" + unit + "]");
  text += "\n";
  for (const compared_design& d : designs) {
    text += plain_label(d.label);
    for (std::size_t k = 0; k < grid_keys.size() && k < d.values.size(); ++k) text += message(",%.10g", d.values[k]);
    for (const auto& column : columns) {
      text += ",";
      for (const summary_row& r : d.result.summary.rows)
        if (r.quantity == column.first) text += r.named ? r.unit : message("%.6g", r.value);
    }
    text += "\n";
  }
  return text;
}

std::string comparison_title(const std::vector<compared_design>& designs) {
  const std::string first = drive_of(designs.front().file);
  for (const compared_design& d : designs)
    if (drive_of(d.file) != first) {
      std::string drives;
      for (const compared_design& e : designs) drives += (drives.empty() ? "" : "; ") + plain_label(e.label) + ": " + drive_of(e.file);
      return "drives differ: " + drives;
    }
  return first;
}
