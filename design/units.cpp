#include "design/units.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "util/message.h"
#include "util/token_reader.h"

namespace {

struct unit {
  const char* name;
  dimension d;
  double to_si;
};

constexpr double inch = 0.0254;

const unit units[] = {
    {"Hz", dimension::frequency, 1},
    {"kHz", dimension::frequency, 1e3},
    {"g", dimension::mass, 1e-3},
    {"kg", dimension::mass, 1},
    {"l", dimension::volume, 1e-3},
    {"L", dimension::volume, 1e-3},
    {"m3", dimension::volume, 1},
    {"cm3", dimension::volume, 1e-6},
    {"ft3", dimension::volume, 12 * inch * 12 * inch * 12 * inch},
    {"cm2", dimension::area, 1e-4},
    {"m2", dimension::area, 1},
    {"mm2", dimension::area, 1e-6},
    {"in2", dimension::area, inch * inch},
    {"mm", dimension::length, 1e-3},
    {"cm", dimension::length, 1e-2},
    {"m", dimension::length, 1},
    {"in", dimension::length, inch},
    {"ohm", dimension::resistance, 1},
    {"mH", dimension::inductance, 1e-3},
    {"H", dimension::inductance, 1},
    {"T*m", dimension::force_factor, 1},
    {"Tm", dimension::force_factor, 1},
    {"N/A", dimension::force_factor, 1},
    {"W", dimension::power, 1},
    {"V", dimension::voltage, 1},
    {"m/s", dimension::velocity, 1},
    {"mm/N", dimension::compliance, 1e-3},
    {"m/N", dimension::compliance, 1},
    {"kg/s", dimension::mechanical_resistance, 1},
    {"N*s/m", dimension::mechanical_resistance, 1},
    {"Ns/m", dimension::mechanical_resistance, 1},
    {"s", dimension::time, 1},
    {"ms", dimension::time, 1e-3},
};

const unit* find_unit(const std::string& name, dimension d) {
  for (const unit& u : units)
    if (u.d == d && name == u.name) return &u;
  return nullptr;
}

}  // namespace

const char* unit_list(dimension d) {
  switch (d) {
    case dimension::frequency: return "Hz, kHz";
    case dimension::mass: return "g, kg";
    case dimension::volume: return "l, m3, cm3, ft3";
    case dimension::area: return "cm2, m2, mm2, in2";
    case dimension::length: return "mm, cm, m, in";
    case dimension::resistance: return "ohm";
    case dimension::inductance: return "mH, H";
    case dimension::force_factor: return "T*m, Tm, N/A";
    case dimension::power: return "W";
    case dimension::voltage: return "V";
    case dimension::velocity: return "m/s";
    case dimension::compliance: return "mm/N, m/N";
    case dimension::time: return "s, ms";
    default: return "kg/s, N*s/m";
  }
}

status parse_quantity(const std::string& text, dimension d, double& si) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  const auto bad = [&](const char* what) {
    return status::error(message("%s %s: expected a number and one of the units %s", quoted(text).c_str(), what,
                                 unit_list(d)));
  };
  if (end == begin) return bad("has no number");
  if (!std::isfinite(number)) return bad("is not a finite number");
  std::string name(static_cast<const char*>(end), begin + text.size());
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return bad("has no unit");
  const unit* u = find_unit(name, d);
  if (!u) return bad(message("has the unit \"%s\"", name.c_str()).c_str());
  si = number * u->to_si;
  return status::success();
}

double in_unit(double si, const char* name) {
  for (const unit& u : units)
    if (std::strcmp(u.name, name) == 0) return si / u.to_si;
  return si;
}
