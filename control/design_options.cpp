#include "control/design_options.h"

#include <cmath>
#include <cstdlib>

#include "design/nonlinear_sheet.h"
#include "design/units.h"
#include "util/command_line.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

// "FROM:TO:PER_OCTAVE", the frequencies in Hz (a trailing "Hz" allowed).
status parse_grid(const std::string& text, const char* option, const char* example, double& from, double& to,
                  int& per_octave) {
  const auto bad = [&]() {
    return status::error(message("option %s is %s: expected FROM:TO:PER_OCTAVE, e.g. %s (Hz, "
                                 "0 < FROM < TO, PER_OCTAVE a whole number from 1 to 1000)",
                                 option, quoted(text).c_str(), example));
  };
  const std::size_t first = text.find(':'), second = text.find(':', first + 1);
  if (first == std::string::npos || second == std::string::npos) return bad();
  auto frequency = [](std::string part, double& value) {
    if (part.size() > 2 && part.compare(part.size() - 2, 2, "Hz") == 0) part.resize(part.size() - 2);
    while (!part.empty() && part.back() == ' ') part.pop_back();
    return parse_real(part, value) == read_result::ok && std::isfinite(value) && value > 0;
  };
  if (!frequency(text.substr(0, first), from) || !frequency(text.substr(first + 1, second - first - 1), to) ||
      !(to > from) || parse_int(text.substr(second + 1), per_octave) != read_result::ok || per_octave < 1 ||
      per_octave > 1000)
    return bad();
  return status::success();
}

// A quantity as typed, or a bare number in the documented unit.
bool quantity_or_number(const std::string& text, dimension d, double& si) {
  if (parse_real(text, si) == read_result::ok) return std::isfinite(si);
  return parse_quantity(text, d, si).ok();
}

// "step", "impulse", "burst:FREQ:CYCLES" or "sine:FREQ:SECONDS".
status parse_signal(const std::string& text, voltage_signal& signal) {
  const auto bad = [&]() {
    return status::error(message("option --transient is %s: expected step, impulse, burst:FREQ:CYCLES (e.g. "
                                 "burst:40Hz:8) or sine:FREQ:SECONDS (e.g. sine:40Hz:2s), FREQ from 0 to 20 kHz, "
                                 "CYCLES a whole number from 1 to 1000, SECONDS up to 60 s",
                                 quoted(text).c_str()));
  };
  if (text == "step" || text == "impulse") {
    signal.kind = text == "step" ? signal_kind::step : signal_kind::impulse;
    return status::success();
  }
  const std::size_t first = text.find(':'), second = text.find(':', first + 1);
  if (first == std::string::npos || second == std::string::npos) return bad();
  const std::string kind = text.substr(0, first), frequency = text.substr(first + 1, second - first - 1),
                    last = text.substr(second + 1);
  if (kind != "burst" && kind != "sine") return bad();
  signal.kind = kind == "burst" ? signal_kind::burst : signal_kind::sine;
  if (!quantity_or_number(frequency, dimension::frequency, signal.frequency) || !(signal.frequency > 0) ||
      signal.frequency > 20000)
    return bad();
  if (signal.kind == signal_kind::burst)
    return parse_int(last, signal.cycles) == read_result::ok && signal.cycles >= 1 && signal.cycles <= 1000
               ? status::success()
               : bad();
  return quantity_or_number(last, dimension::time, signal.seconds) && signal.seconds > 0 && signal.seconds <= 60
             ? status::success()
             : bad();
}

// "45Hz,60 Hz,1kHz": frequencies, each with its unit or in Hz.
status parse_frequencies(const std::string& text, std::vector<double>& out) {
  const auto bad = [&]() {
    return status::error(message("option --at is %s: expected frequencies separated by commas, e.g. 45Hz,60Hz (each "
                                 "above 0 and up to 100 kHz)",
                                 quoted(text).c_str()));
  };
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    std::string part = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    while (!part.empty() && part.front() == ' ') part.erase(part.begin());
    while (!part.empty() && part.back() == ' ') part.pop_back();
    double f = 0;
    if (!quantity_or_number(part, dimension::frequency, f) || !(f > 0) || f > 1e5) return bad();
    out.push_back(f);
    if (comma == std::string::npos) return status::success();
    from = comma + 1;
  }
}

}  // namespace

std::string output_folder(const design_options& o, const std::string& path) {
  if (!o.out_dir.empty()) return o.out_dir;
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

status parse_design_options(int argc, const char* const* argv, design_options& o) {
  CLI::App app{
      "A loudspeaker design from a driver's datasheet and an enclosure (a TOML design file): its response,\n"
      "limits and summary as NAME.csv, NAME_summary.csv and NAME.png, NAME the design file's stem.",
      "acoustic_design"};
  std::string grid;
  app.add_option("DESIGN", o.design_paths, "the design file (TOML); several are compared");
  app.add_option("--vary", o.vary,
                 "KEY=FROM:TO:STEP: the design once per value of a key, compared (e.g. enclosure.Vb=20l:80l:10l); "
                 "twice: once per pair of values, a grid of at most 1000 designs");
  app.add_flag("--no-picture", o.no_picture, "write the tables alone, without drawing any picture");
  app.add_option("--out", o.out_dir, "the folder for the outputs (default: the design file's)");
  app.add_option("--grid", grid, "FROM:TO:PER_OCTAVE, the logarithmic frequency grid in Hz (default 5:1000:48)");
  std::string refine;
  app.add_option("--refine", refine, "N: rows per bandwidth f/Q merged into the grid around each resonator (default 8)");
  app.add_option("--emit-parameters", o.emit_dir,
                 "write parameters.txt and answers.txt there, so that acoustic_sim simulates the design");
  std::string signal, duration;
  app.add_option("--transient", signal,
                 "step, impulse, burst:FREQ:CYCLES or sine:FREQ:SECONDS: the design driven through its coil in the "
                 "time domain, written as NAME_transient.csv and NAME_transient.png");
  app.add_option("--duration", duration, "the transient's record, e.g. 500ms (default: until it has settled, at most 2 s)");
  std::string distortion, distortion_grid;
  app.add_option("--distortion", distortion,
                 "LEVELS, e.g. 2.83V,10V,20V (rms): the large-signal driver's distortion at each level, as "
                 "NAME_distortion.csv (needs [nonlinear]; replaces [distortion] voltages)");
  app.add_option("--distortion-grid", distortion_grid,
                 "FROM:TO:PER_OCTAVE, the distortion sweep's grid in Hz (default 10:500:12)");
  std::string at;
  app.add_option("--at", at,
                 "F1,F2,...: after each design's summary, NAME.csv's header and its row at exactly these frequencies "
                 "(e.g. 45Hz,60Hz)");
  app.add_option("--align", o.align_path,
                 "DRIVER.toml: the closed and vented alignments of its driver, as NAME_alignments.csv");
  app.add_option("--write", o.write_dir, "with --align: write each alignment as a design file into this folder");
  app.add_flag("--accept-unusual", o.accept_unusual,
               "go on with a figure outside what loudspeakers have, or a datasheet contradicting itself by more than "
               "20 %, as a warning (a ribbon tweeter, a plenum of 20 m3)");
  app.add_flag("--serve", o.serve, "the live design page: a local server whose address is printed (see docs/live_page.md)");
  app.add_option("--port", o.port, "with --serve: its port (default 0: a free one)");
  app.add_option("--listen", o.listen, "with --serve: the address to listen on (default 127.0.0.1)");
  RETURN_IF_ERROR(parse_command_line(app, argc, argv, o.help));
  if (o.help) return status::success();
  if (!o.serve && (app.count("--port") > 0 || app.count("--listen") > 0))
    return status::error("options --port and --listen need --serve: see --help");
  if (o.serve) {
    if (!o.vary.empty() || !o.align_path.empty() || app.count("--transient") > 0 || !o.emit_dir.empty() ||
        !o.out_dir.empty() || app.count("--grid") > 0)
      return status::error("option --serve takes design files, --port and --listen only");
    if (o.port < 0 || o.port > 65535) return status::error("option --port: expected a port from 0 to 65535");
    return status::success();
  }
  if (!o.write_dir.empty() && o.align_path.empty()) return status::error("option --write needs --align: see --help");
  if (!o.align_path.empty()) {
    if (!o.design_paths.empty() || !o.vary.empty() || app.count("--transient") > 0 || !o.emit_dir.empty() ||
        app.count("--at") > 0)
      return status::error("option --align works on the driver alone: expected no design file, --vary, --transient, "
                           "--at or --emit-parameters with it");
    return status::success();
  }
  if (o.design_paths.empty()) return status::error("no design file: expected acoustic_design DESIGN.toml (see --help)");
  o.design_path = o.design_paths.front();
  if (o.vary.size() > 2)
    return status::error(message("option --vary is given %zu times: expected at most 2 (a grid of two keys)",
                                 o.vary.size()));
  if (!o.vary.empty() && o.design_paths.size() > 1)
    return status::error("option --vary studies one design: expected one design file");
  if (!o.emit_dir.empty() && (o.design_paths.size() > 1 || !o.vary.empty()))
    return status::error("option --emit-parameters writes one design: expected one design file and no --vary");
  if (app.count("--grid") > 0)
    RETURN_IF_ERROR(parse_grid(grid, "--grid", "5:1000:48", o.grid_from, o.grid_to, o.grid_per_octave));
  if (app.count("--distortion") > 0) RETURN_IF_ERROR(parse_voltage_list(distortion, "option --distortion", o.distortion_voltages));
  if (app.count("--distortion-grid") > 0)
    RETURN_IF_ERROR(parse_grid(distortion_grid, "--distortion-grid", "20:500:12", o.distortion_from, o.distortion_to,
                               o.distortion_per_octave));
  if (app.count("--at") > 0) RETURN_IF_ERROR(parse_frequencies(at, o.at));
  if (app.count("--refine") > 0 &&
      (parse_int(refine, o.refine_per_bandwidth) != read_result::ok || o.refine_per_bandwidth < 1 ||
       o.refine_per_bandwidth > 1000))
    return status::error(message("option --refine is %s: expected a whole number of rows per bandwidth from 1 to 1000",
                                 ::quoted(refine).c_str()));
  if (app.count("--transient") > 0) {
    RETURN_IF_ERROR(parse_signal(signal, o.signal));
    o.transient = true;
    // The steady state a burst or a sine is set against is the grid's.
    const double f = signal_frequency(o.signal);
    if (f > 0 && (f < o.grid_from * (1 - 1e-12) || f > o.grid_to * (1 + 1e-12)))
      return status::error(message("option --transient is %s: its frequency %g Hz lies outside the grid, %g Hz to %g "
                                   "Hz (see --grid)",
                                   ::quoted(signal).c_str(), f, o.grid_from, o.grid_to));
  }
  if (app.count("--duration") > 0) {
    if (!o.transient) return status::error("option --duration needs --transient: see --help");
    if (!quantity_or_number(duration, dimension::time, o.duration) || !(o.duration > 0) || o.duration > 60)
      return status::error(message("option --duration is %s: expected a time above 0 and up to 60 s, e.g. 500ms",
                                   ::quoted(duration).c_str()));
  }
  if (app.count("--out") > 0 && o.out_dir.empty()) return status::error("option --out is \"\": expected a folder");
  return status::success();
}
