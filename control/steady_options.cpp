#include "control/steady_options.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "util/message.h"
#include "util/token_reader.h"

const char* const steady_usage =
    "usage: acoustic_steady [options]   (in a folder with parameters.txt)\n"
    "The exact steady state of the network from 10 to 400 Hz: steady_state_response.csv,\n"
    "steady_state_elements.csv and steady_state_design.csv, and the design figures on the console.\n"
    "  --vector-sum N            the answer to the vector sum question (0: all ducts)\n"
    "  --voltage V               drive the piston through a voice coil at V volts rms\n"
    "  --bl BL                   its force factor, T m         (with --voltage)\n"
    "  --re RE                   its resistance, ohm           (with --voltage)\n"
    "  --le LE                   its inductance, mH            (default 0)\n"
    "  --distance R              listening distance, m         (default 1)\n"
    "  --space half|full         half space (a box on the floor or in a baffle) or full space\n"
    "                            (default half)\n"
    "  --xmax MM                 peak one-way piston excursion limit, mm\n"
    "  --duct-velocity-limit MS  peak duct air velocity limit, m/s (default 17)\n"
    "  --help                    this text\n";

namespace {

status bad_value(const char* option, const std::string& text, const char* expected) {
  return status::error(message("option %s is %s: expected %s", option, quoted(text).c_str(), expected));
}

status number(const char* option, const std::string& text, double& value, bool zero_allowed) {
  if (parse_real(text, value) != read_result::ok || !std::isfinite(value) || value < 0 || (!zero_allowed && value == 0))
    return bad_value(option, text, zero_allowed ? "a number of 0 or more" : "a positive number");
  return status::success();
}

}  // namespace

status parse_steady_options(int argc, const char* const* argv, steady_options& o) {
  bool voltage = false, bl = false, re = false, any = false;
  double le_mh = 0;
  const struct {
    const char* name;
    double* value;
    bool zero_allowed;
    bool* given;
  } numbers[] = {{"--voltage", &o.coil.voltage, false, &voltage},
                 {"--bl", &o.coil.bl, false, &bl},
                 {"--re", &o.coil.re, false, &re},
                 {"--le", &le_mh, true, &any},
                 {"--distance", &o.at.distance, false, &any},
                 {"--xmax", &o.xmax_mm, false, &any},
                 {"--duct-velocity-limit", &o.duct_velocity_limit, false, &any}};
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i], text;
    if (option == "--help") {
      o.help = true;
      continue;
    }
    const std::size_t equals = option.find('=');
    if (equals != std::string::npos) {
      text = option.substr(equals + 1);
      option = option.substr(0, equals);
    }
    const auto number_option = std::find_if(std::begin(numbers), std::end(numbers),
                                            [&](const auto& candidate) { return option == candidate.name; });
    if (number_option == std::end(numbers) && option != "--vector-sum" && option != "--space") {
      return status::error(message("unknown option %s: see --help", quoted(option).c_str()));
    }
    if (equals == std::string::npos) {
      if (i + 1 >= argc) return status::error(message("option %s needs a value: see --help", option.c_str()));
      text = argv[++i];
    }
    const char* name = option.c_str();
    if (number_option != std::end(numbers)) {
      RETURN_IF_ERROR(number(name, text, *number_option->value, number_option->zero_allowed));
      *number_option->given = true;
    } else if (option == "--vector-sum") {
      if (parse_int(text, o.vector_sum) != read_result::ok) return bad_value(name, text, "a whole number");
      o.vector_sum_given = true;
    } else {
      if (text != "half" && text != "full") return bad_value(name, text, "half or full");
      o.at.full_space = text == "full";
    }
  }
  o.coil.le = le_mh * 1e-3;
  o.coil_given = voltage || bl || re;
  if (o.coil_given && !(voltage && bl && re)) {
    const char* missing = !voltage ? "--voltage" : !bl ? "--bl" : "--re";
    return status::error(message("a voice coil needs --voltage, --bl and --re together: %s is missing", missing));
  }
  return status::success();
}
