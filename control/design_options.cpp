#include "control/design_options.h"

#include <cmath>
#include <cstdlib>

#include "util/command_line.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

// "FROM:TO:PER_OCTAVE", the frequencies in Hz (a trailing "Hz" allowed).
status parse_grid(const std::string& text, design_options& o) {
  const auto bad = [&]() {
    return status::error(message("option --grid is %s: expected FROM:TO:PER_OCTAVE, e.g. 5:1000:48 (Hz, "
                                 "0 < FROM < TO, PER_OCTAVE a whole number from 1 to 1000)",
                                 quoted(text).c_str()));
  };
  const std::size_t first = text.find(':'), second = text.find(':', first + 1);
  if (first == std::string::npos || second == std::string::npos) return bad();
  auto frequency = [](std::string part, double& value) {
    if (part.size() > 2 && part.compare(part.size() - 2, 2, "Hz") == 0) part.resize(part.size() - 2);
    while (!part.empty() && part.back() == ' ') part.pop_back();
    return parse_real(part, value) == read_result::ok && std::isfinite(value) && value > 0;
  };
  if (!frequency(text.substr(0, first), o.grid_from) ||
      !frequency(text.substr(first + 1, second - first - 1), o.grid_to) || !(o.grid_to > o.grid_from) ||
      parse_int(text.substr(second + 1), o.grid_per_octave) != read_result::ok || o.grid_per_octave < 1 ||
      o.grid_per_octave > 1000)
    return bad();
  return status::success();
}

}  // namespace

status parse_design_options(int argc, const char* const* argv, design_options& o) {
  CLI::App app{
      "A loudspeaker design from a driver's datasheet and an enclosure (a TOML design file): its response,\n"
      "limits and summary as NAME.csv, NAME_summary.csv and NAME.png, NAME the design file's stem.",
      "acoustic_design"};
  std::string grid;
  app.add_option("DESIGN", o.design_path, "the design file (TOML)");
  app.add_option("--out", o.out_dir, "the folder for the outputs (default: the design file's)");
  app.add_option("--grid", grid, "FROM:TO:PER_OCTAVE, the logarithmic frequency grid in Hz (default 5:1000:48)");
  app.add_option("--emit-parameters", o.emit_dir,
                 "write parameters.txt and answers.txt there, so that acoustic_sim simulates the design");
  RETURN_IF_ERROR(parse_command_line(app, argc, argv, o.help));
  if (o.help) return status::success();
  if (o.design_path.empty()) return status::error("no design file: expected acoustic_design DESIGN.toml (see --help)");
  if (app.count("--grid") > 0) RETURN_IF_ERROR(parse_grid(grid, o));
  if (app.count("--out") > 0 && o.out_dir.empty()) return status::error("option --out is \"\": expected a folder");
  return status::success();
}
