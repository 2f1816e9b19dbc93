#include "control/design_compare.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "control/design_files.h"
#include "util/child_process.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

std::string drive_of(const design_file& f) {
  return message("%g V at %g m, %s space", f.voltage, f.distance, f.full_space ? "full" : "half");
}

// A name gnuplot can quote and a CSV field can hold.
std::string plain_label(std::string label) {
  for (char& c : label)
    if (c == '\'' || c == '"' || c == ',' || c == '\n') c = ' ';
  return label;
}

// A folder for the tables the pictures are drawn from, removed with it.
struct scratch_folder {
  std::string path;
  scratch_folder() {
    char name[] = "/tmp/acoustic_compare.XXXXXX";
    if (mkdtemp(name)) path = name;
  }
  ~scratch_folder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

std::string comparison_table(const std::vector<compared_design>& designs) {
  std::vector<std::pair<std::string, std::string>> columns;  // quantity, unit
  for (const compared_design& d : designs)
    for (const summary_row& r : d.result.summary.rows)
      if (std::find_if(columns.begin(), columns.end(), [&](const auto& c) { return c.first == r.quantity; }) ==
          columns.end())
        columns.emplace_back(r.quantity, r.named ? "" : r.unit);
  std::string text = "design";
  for (const auto& [quantity, unit] : columns) text += "," + quantity + (unit.empty() ? "" : "[" + unit + "]");
  text += "\n";
  for (const compared_design& d : designs) {
    text += plain_label(d.label);
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

status write_comparison(const std::vector<compared_design>& designs, const std::string& dir, const std::string& plot,
                        const std::string& heading, const reporter& report) {
  const std::string title = (heading.empty() ? "" : plain_label(heading) + "; ") + comparison_title(designs);
  RETURN_IF_ERROR(ensure_folder(dir));
  const std::string summary = dir + "/compare_summary.csv", picture = dir + "/compare.png",
                    transient_picture = dir + "/compare_transient.png";
  const bool transients = designs.front().has_transient;
  std::vector<std::string> names = {summary, picture};
  if (transients) names.push_back(transient_picture);
  const output_set outputs(names);
  RETURN_IF_ERROR(outputs.check_replaceable());
  outputs.discard();
  status written = write_text(output_set::working_name(summary), comparison_table(designs));
  if (!written.ok()) {
    outputs.discard();
    return written;
  }
  scratch_folder tables;
  if (tables.path.empty()) return status::error("cannot create a scratch folder in /tmp for the comparison");
  std::vector<std::string> args = {"--compare", output_set::working_name(picture), "--title", title};
  std::vector<std::string> transient_args = {"--compare-transient", output_set::working_name(transient_picture),
                                             "--title", title};
  for (std::size_t i = 0; i < designs.size(); ++i) {
    const compared_design& d = designs[i];
    const std::string table = message("%s/%zu.csv", tables.path.c_str(), i);
    RETURN_IF_ERROR(write_response_table(table, d.result.points, columns_of(d.result.drive)));
    args.insert(args.end(), {"--curve", plain_label(d.label), table});
    if (transients) {
      const std::string transient_table = message("%s/%zu_transient.csv", tables.path.c_str(), i);
      RETURN_IF_ERROR(write_transient_table(transient_table, d.transient));
      transient_args.insert(transient_args.end(), {"--curve", plain_label(d.label), transient_table});
    }
  }
  status drawn = run_quietly(plot, args);
  if (drawn.ok() && transients) drawn = run_quietly(plot, transient_args);
  if (!drawn.ok()) {
    report.warning("no comparison picture: " + drawn.message);
    for (const std::string& p : {picture, transient_picture}) {
      std::remove(output_set::working_name(p).c_str());
      std::remove(p.c_str());
    }
  }
  written = outputs.commit();
  if (!written.ok()) {
    outputs.discard();
    return written;
  }
  std::printf("wrote %s%s\n", summary.c_str(),
              drawn.ok() ? (", " + picture + (transients ? ", " + transient_picture : "")).c_str() : "");
  return status::success();
}
