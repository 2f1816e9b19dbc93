#include "design/driver.h"

#include <cmath>

#include "design/units.h"
#include "util/message.h"

namespace {

status missing(const char* key, const char* expected) {
  return status::error(message("driver.%s is missing: expected %s", key, expected));
}

// The redundant figure `given` against `derived`, both in `unit`.
void compare(const char* key, double given, double derived, double scale, const char* unit, const char* from,
             std::vector<std::string>& warnings) {
  const double difference = std::fabs(given - derived) / derived;
  if (!(difference > 0.02)) return;
  const std::string space = *unit ? " " : "";
  warnings.push_back(message("driver.%s = %.4g%s%s disagrees with %.4g%s%s from %s (%.0f %%): the design uses %.4g%s%s",
                             key, given / scale, space.c_str(), unit, derived / scale, space.c_str(), unit, from,
                             difference * 100, derived / scale, space.c_str(), unit));
}

void warn_outside(const std::string& key, double si, const char* unit, double low, double high,
                  std::vector<std::string>& warnings) {
  const std::string w = range_warning(key, si, unit, low, high);
  if (!w.empty()) warnings.push_back(w);
}

}  // namespace

std::string range_warning(const std::string& key, double si, const char* unit, double low, double high) {
  const double value = in_unit(si, unit);
  if (value >= low && value <= high) return "";
  std::string text = message("%s = %g %s lies outside what loudspeakers have (%g %s to %g %s)", key.c_str(), value,
                             unit, low, unit, high, unit);
  for (double factor : {1e3, 1e-3, 1e2, 1e-2, 10.0, 0.1, 1e6, 1e-6}) {
    const double guess = value * factor;
    if (guess >= low && guess <= high) return text + message(": did you mean %g %s?", guess, unit);
  }
  return text;
}

status complete_driver(const driver_sheet& in, driver_parameters& d, std::vector<std::string>& warnings) {
  d.name = in.name;
  if (!in.fs.given) return missing("fs", "the driver's resonance, e.g. \"28 Hz\"");
  if (!in.Re.given) return missing("Re", "the coil's resistance, e.g. \"5.6 ohm\"");
  if (!in.Sd.given && !in.diameter.given) return missing("Sd", "the piston area (or diameter), e.g. \"220 cm2\"");
  if (!in.Qes.given && !(in.Qts.given && in.Qms.given))
    return missing("Qes", "the electrical Q (or Qts with Qms)");
  if (!in.Qms.given && !(in.Qts.given && in.Qes.given)) return missing("Qms", "the mechanical Q");
  if (!in.Vas.given && !in.Mms.given && !in.Cms.given) return missing("Vas", "Vas, Mms or Cms");

  d.fs = in.fs.value;
  d.re = in.Re.value;
  d.le = in.Le.given ? in.Le.value : 0;
  d.sd = in.Sd.given ? in.Sd.value : pi * in.diameter.value * in.diameter.value / 4;
  if (in.Sd.given && in.diameter.given)
    compare("diameter", in.diameter.value, std::sqrt(4 * d.sd / pi), 1e-3, "mm", "Sd", warnings);
  if (in.Qms.given && in.Qes.given) {
    d.qms = in.Qms.value;
    d.qes = in.Qes.value;
  } else if (in.Qms.given) {
    d.qms = in.Qms.value;
    if (!(in.Qts.value < d.qms))
      return status::error(message("driver.Qts = %g is not below Qms = %g: expected Qts < Qms", in.Qts.value, d.qms));
    d.qes = 1 / (1 / in.Qts.value - 1 / d.qms);
  } else {
    d.qes = in.Qes.value;
    if (!(in.Qts.value < d.qes))
      return status::error(message("driver.Qts = %g is not below Qes = %g: expected Qts < Qes", in.Qts.value, d.qes));
    d.qms = 1 / (1 / in.Qts.value - 1 / d.qes);
  }
  d.qts = d.qms * d.qes / (d.qms + d.qes);
  if (in.Qts.given && in.Qms.given && in.Qes.given) compare("Qts", in.Qts.value, d.qts, 1, "", "Qes and Qms", warnings);

  const double ws = two_pi * d.fs;
  if (in.Vas.given) {
    d.cms = in.Vas.value / (rho_c2 * d.sd * d.sd);
    d.mms = 1 / (ws * ws * d.cms);
    if (in.Cms.given) compare("Cms", in.Cms.value, d.cms, 1e-3, "mm/N", "Vas and Sd", warnings);
    if (in.Mms.given) compare("Mms", in.Mms.value, d.mms, 1e-3, "g", "fs, Vas and Sd", warnings);
  } else if (in.Cms.given) {
    d.cms = in.Cms.value;
    d.mms = 1 / (ws * ws * d.cms);
    if (in.Mms.given) compare("Mms", in.Mms.value, d.mms, 1e-3, "g", "fs and Cms", warnings);
  } else {
    d.mms = in.Mms.value;
    d.cms = 1 / (ws * ws * d.mms);
  }
  d.vas = rho_c2 * d.sd * d.sd * d.cms;
  d.rms = ws * d.mms / d.qms;
  d.bl = std::sqrt(ws * d.mms * d.re / d.qes);
  if (in.Rms.given) compare("Rms", in.Rms.value, d.rms, 1, "kg/s", "fs, Mms and Qms", warnings);
  if (in.Bl.given) compare("Bl", in.Bl.value, d.bl, 1, "T*m", "fs, Mms, Re and Qes", warnings);
  d.xmax = in.Xmax.given ? in.Xmax.value : 0;
  d.pe = in.Pe.given ? in.Pe.value : 0;

  // What was typed, not what follows from it: one slip, one warning.
  warn_outside("driver.fs", d.fs, "Hz", 5, 5000, warnings);
  if (in.Mms.given) warn_outside("driver.Mms", in.Mms.value, "g", 0.1, 2000, warnings);
  if (in.Sd.given) warn_outside("driver.Sd", in.Sd.value, "cm2", 1, 5000, warnings);
  if (in.diameter.given) warn_outside("driver.diameter", in.diameter.value, "mm", 11, 800, warnings);
  if (in.Vas.given) warn_outside("driver.Vas", in.Vas.value, "l", 0.01, 5000, warnings);
  warn_outside("driver.Re", d.re, "ohm", 0.5, 100, warnings);
  if (d.le > 0) warn_outside("driver.Le", d.le, "mH", 0, 20, warnings);
  if (d.xmax > 0) warn_outside("driver.Xmax", d.xmax, "mm", 0.1, 50, warnings);
  return status::success();
}
