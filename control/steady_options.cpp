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
  bool voltage = false, bl = false, re = false;
  double le_mh = 0;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i], text;
    const std::size_t equals = option.find('=');
    if (option == "--help") {
      o.help = true;
      continue;
    }
    if (equals != std::string::npos) {
      text = option.substr(equals + 1);
      option = option.substr(0, equals);
    }
    static const char* const known[] = {"--vector-sum", "--voltage", "--bl",
                                        "--re",         "--le",      "--distance",
                                        "--space",      "--xmax",    "--duct-velocity-limit"};
    if (std::find(std::begin(known), std::end(known), option) == std::end(known)) {
      return status::error(message("unknown option %s: see --help", quoted(option).c_str()));
    }
    if (equals == std::string::npos) {
      if (i + 1 >= argc) return status::error(message("option %s needs a value: see --help", option.c_str()));
      text = argv[++i];
    }
    const char* name = option.c_str();
    if (option == "--vector-sum") {
      if (parse_int(text, o.vector_sum) != read_result::ok) return bad_value(name, text, "a whole number");
      o.vector_sum_given = true;
    } else if (option == "--voltage") {
      RETURN_IF_ERROR(number(name, text, o.coil.voltage, false));
      voltage = true;
    } else if (option == "--bl") {
      RETURN_IF_ERROR(number(name, text, o.coil.bl, false));
      bl = true;
    } else if (option == "--re") {
      RETURN_IF_ERROR(number(name, text, o.coil.re, false));
      re = true;
    } else if (option == "--le") {
      RETURN_IF_ERROR(number(name, text, le_mh, true));
    } else if (option == "--distance") {
      RETURN_IF_ERROR(number(name, text, o.at.distance, false));
    } else if (option == "--space") {
      if (text != "half" && text != "full") return bad_value(name, text, "half or full");
      o.at.full_space = text == "full";
    } else if (option == "--xmax") {
      RETURN_IF_ERROR(number(name, text, o.xmax_mm, false));
    } else {
      RETURN_IF_ERROR(number(name, text, o.duct_velocity_limit, false));
    }
  }
  o.coil.le = le_mh * 1e-3;
  o.coil_given = voltage || bl || re;
  if (o.coil_given && !(voltage && bl && re)) {
    return status::error(
        message("a voice coil needs --voltage, --bl and --re together: %s missing", !voltage ? "--voltage is"
                                                                                    : !bl    ? "--bl is"
                                                                                             : "--re is"));
  }
  return status::success();
}
