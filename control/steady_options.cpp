#include "control/steady_options.h"

#include <cmath>
#include <string>

#include "util/command_line.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

status bad_value(const char* option, const std::string& text, const char* expected) {
  return status::error(message("option %s is %s: expected %s", option, quoted(text).c_str(), expected));
}

// A number option as typed, checked here so that a bad value is named.
struct number_option {
  const char* name;
  const char* help;
  double* value;
  bool zero_allowed;
  std::string text;
};

status check_number(const number_option& o) {
  double& value = *o.value;
  if (parse_real(o.text, value) != read_result::ok || !std::isfinite(value) || value < 0 ||
      (!o.zero_allowed && value == 0))
    return bad_value(o.name, o.text, o.zero_allowed ? "a number of 0 or more" : "a positive number");
  return status::success();
}

}  // namespace

status parse_steady_options(int argc, const char* const* argv, steady_options& o) {
  CLI::App app{
      "The exact steady state of the network in parameters.txt (in the current folder) from 10 to 400 Hz:\n"
      "steady_state_response.csv, steady_state_elements.csv and steady_state_design.csv, and the design\n"
      "figures on the console.",
      "acoustic_steady"};
  double le_mh = 0;
  number_option numbers[] = {
      {"--voltage", "drive the piston through a voice coil at V volts rms", &o.coil.voltage, false, ""},
      {"--bl", "its force factor, T m (with --voltage)", &o.coil.bl, false, ""},
      {"--re", "its resistance, ohm (with --voltage)", &o.coil.re, false, ""},
      {"--le", "its inductance, mH (default 0)", &le_mh, true, ""},
      {"--distance", "listening distance, m (default 1)", &o.at.distance, false, ""},
      {"--xmax", "peak one-way piston excursion limit, mm", &o.xmax_mm, false, ""},
      {"--duct-velocity-limit", "peak duct air velocity limit, m/s (default 17)", &o.duct_velocity_limit, false, ""},
  };
  std::string vector_sum, space;
  app.add_option("--vector-sum", vector_sum, "the answer to the vector sum question (0: all ducts)");
  for (number_option& n : numbers) app.add_option(n.name, n.text, n.help);
  app.add_option("--space", space, "half (a box on the floor or in a baffle, default) or full space");
  RETURN_IF_ERROR(parse_command_line(app, argc, argv, o.help));
  if (o.help) return status::success();

  for (const number_option& n : numbers)
    if (app.count(n.name) > 0) RETURN_IF_ERROR(check_number(n));
  if (app.count("--vector-sum") > 0) {
    if (parse_int(vector_sum, o.vector_sum) != read_result::ok)
      return bad_value("--vector-sum", vector_sum, "a whole number");
    o.vector_sum_given = true;
  }
  if (app.count("--space") > 0) {
    if (space != "half" && space != "full") return bad_value("--space", space, "half or full");
    o.at.full_space = space == "full";
  }
  o.coil.le = le_mh * 1e-3;
  const bool voltage = app.count("--voltage") > 0, bl = app.count("--bl") > 0, re = app.count("--re") > 0;
  o.coil_given = voltage || bl || re;
  if (o.coil_given && !(voltage && bl && re)) {
    const char* missing = !voltage ? "--voltage" : !bl ? "--bl" : "--re";
    return status::error(message("a voice coil needs --voltage, --bl and --re together: %s is missing", missing));
  }
  return status::success();
}
