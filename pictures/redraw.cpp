#include "pictures/redraw.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pictures/compare_picture.h"
#include "pictures/companion_pictures.h"
#include "pictures/design_picture.h"
#include "pictures/gnuplot_run.h"
#include "pictures/transient_picture.h"
#include "util/output_set.h"

namespace {

const char* const usage =
    "usage: acoustic_plot                 (in a folder after acoustic_sim or acoustic_steady)\n"
    "       acoustic_plot --design FILE --output PNG [--title TEXT] [--xmax MM] [--port-limit M/S]\n"
    "       acoustic_plot --transient FILE --output PNG [--title TEXT] [--xmax MM] [--port-limit M/S]\n"
    "       acoustic_plot --compare PNG [--title TEXT] --curve NAME FILE [--curve NAME FILE ...]\n"
    "       acoustic_plot --compare-transient PNG [--title TEXT] --curve NAME FILE [--curve NAME FILE ...]\n"
    "Draws PNG pictures with gnuplot: design.png, response.png, elements.png,\n"
    "spectrum.png and history.png of what the programs left in the folder; with\n"
    "--design, the picture of acoustic_design's response table FILE (marked with\n"
    "F3, fc, fb or fp_box from NAME_summary.csv beside it); with --transient, the\n"
    "picture of its transient FILE.\n"
    "  --design FILE       acoustic_design's NAME.csv\n"
    "  --transient FILE    acoustic_design's NAME_transient.csv\n"
    "  --compare PNG       several response tables (NAME.csv) in one picture\n"
    "  --compare-transient PNG  the pressures of several transient tables in one picture\n"
    "  --curve NAME FILE   one design of a comparison: its legend and its table\n"
    "  --output PNG        the picture to write (with --design or --transient)\n"
    "  --title TEXT        its title\n"
    "  --xmax MM           the excursion limit line\n"
    "  --port-limit M/S    the port velocity limit line\n"
    "  --radiator-xmax MM  the passive radiator's excursion limit line\n"
    "  --help              this text\n";

struct plot_options {
  std::string design, transient, output, compare, compare_kind;
  design_labels labels;
  std::vector<std::pair<std::string, std::string>> curves;  // name, file
  bool help = false;
};

status parse(int argc, const char* const* argv, plot_options& o) {
  const std::vector<std::string> valued = {"--design", "--transient", "--output", "--title", "--xmax",
                                           "--port-limit", "--radiator-xmax", "--compare", "--compare-transient"};
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i], value;
    if (option == "--help") {
      o.help = true;
      return status::success();
    }
    const std::size_t equals = option.find('=');
    if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option = option.substr(0, equals);
    } else if (option == "--curve") {
      if (i + 2 >= argc) return status::error("option --curve needs a name and a file: see --help");
      o.curves.emplace_back(argv[i + 1], argv[i + 2]);
      i += 2;
      continue;
    } else if (std::find(valued.begin(), valued.end(), option) != valued.end()) {
      if (i + 1 >= argc) return status::error("option " + option + " needs a value: see --help");
      value = argv[++i];
    }
    if (option == "--design") o.design = value;
    else if (option == "--transient") o.transient = value;
    else if (option == "--compare") o.compare = value, o.compare_kind = "response";
    else if (option == "--compare-transient") o.compare = value, o.compare_kind = "transient";
    else if (option == "--output") o.output = value;
    else if (option == "--title") o.labels.title = value;
    else if (option == "--xmax") o.labels.xmax_mm = value;
    else if (option == "--port-limit") o.labels.port_limit = value;
    else if (option == "--radiator-xmax") o.labels.radiator_xmax_mm = value;
    else if (option.rfind("-", 0) == 0) return status::error("unknown option \"" + option + "\": see --help");
    else return status::error("unexpected argument \"" + option + "\": see --help");
  }
  if (!o.design.empty() && o.output.empty()) return status::error("option --design needs --output: see --help");
  if (!o.transient.empty() && o.output.empty()) return status::error("option --transient needs --output: see --help");
  if (!o.design.empty() && !o.transient.empty())
    return status::error("options --design and --transient draw different pictures: give one");
  return status::success();
}

// NAME_summary.csv beside NAME.csv, when it is there.
summary_figures summary_beside(const std::string& table) {
  summary_figures s;
  const std::size_t dot = table.rfind(".csv");
  if (dot != std::string::npos && dot + 4 == table.size()) {
    const status read = read_summary_figures(table.substr(0, dot) + "_summary.csv", s);
    if (!read.ok()) s = summary_figures{};
  }
  return s;
}

status pictures_of(const plot_options& o, std::vector<picture_script>& out) {
  if (!o.design.empty()) {
    csv_table t;
    RETURN_IF_ERROR(read_csv_table(o.design, design_table_header, t));
    out.push_back({o.output, design_picture_script(t, summary_beside(o.design), o.labels,
                                                   output_set::working_name(o.output))});
    return status::success();
  }
  if (!o.compare.empty()) {
    if (o.curves.empty()) return status::error("option --compare needs at least one --curve NAME FILE: see --help");
    std::vector<compare_curve> curves;
    for (const auto& [name, file] : o.curves) {
      compare_curve c;
      c.name = name;
      RETURN_IF_ERROR(read_csv_table(
          file, o.compare_kind == "response" ? "frequency[Hz],SPL[dB],phase[deg],group_delay[ms],excursion[mm]"
                                             : "time[ms],voltage[V],current[A],excursion[mm]",
          c.table));
      curves.push_back(std::move(c));
    }
    const std::string working = output_set::working_name(o.compare);
    out.push_back({o.compare, o.compare_kind == "response"
                                  ? compare_picture_script(curves, o.labels.title, "", working)
                                  : compare_transient_script(curves, o.labels.title, "", working)});
    return status::success();
  }
  if (!o.transient.empty()) {
    csv_table t;
    RETURN_IF_ERROR(read_csv_table(o.transient, transient_table_header, t));
    out.push_back({o.output, transient_picture_script(t, o.labels, output_set::working_name(o.output))});
    return status::success();
  }
  return companion_pictures(".", out);
}

}  // namespace

status run_plot_program(int argc, const char* const* argv) {
  plot_options o;
  RETURN_IF_ERROR(parse(argc, argv, o));
  if (o.help) {
    std::fputs(usage, stdout);
    return status::success();
  }
  std::vector<picture_script> pictures;
  RETURN_IF_ERROR(pictures_of(o, pictures));
  std::vector<std::string> names, scripts, drawn;
  for (const picture_script& p : pictures) {
    const std::string final_name = o.design.empty() && o.transient.empty() && o.compare.empty() ? "./" + p.output : p.output;
    names.push_back(final_name);
    drawn.push_back(output_set::working_name(final_name));
    scripts.push_back(p.script);
  }
  const output_set outputs(names);
  RETURN_IF_ERROR(outputs.check_replaceable());
  outputs.discard();
  const status ran = run_gnuplot(scripts, drawn);
  if (!ran.ok()) {
    outputs.discard();
    return ran;
  }
  RETURN_IF_ERROR(outputs.commit());
  for (const picture_script& p : pictures) std::printf("wrote %s\n", p.output.c_str());
  return status::success();
}
