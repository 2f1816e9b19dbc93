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
  const char* plain = nullptr;  // the plain name of an alias ("cm2" for "cm²")
  int family = 0;  // units a slip confuses share a family; 0: none
};

constexpr double inch = 0.0254;

// UTF-8: ² U+00B2, ³ U+00B3, Ω U+2126 (ohm sign) and U+03A9 (omega),
// µ U+00B5 (micro sign) and U+03BC (mu).
const unit units[] = {
    {"Hz", dimension::frequency, 1},
    {"kHz", dimension::frequency, 1e3},
    {"g", dimension::mass, 1e-3, nullptr, 1},
    {"kg", dimension::mass, 1, nullptr, 1},
    {"l", dimension::volume, 1e-3, nullptr, 2},
    {"L", dimension::volume, 1e-3, "l"},
    {"m3", dimension::volume, 1, nullptr, 2},
    {"m\xC2\xB3", dimension::volume, 1, "m3"},
    {"cm3", dimension::volume, 1e-6, nullptr, 2},
    {"cm\xC2\xB3", dimension::volume, 1e-6, "cm3"},
    {"ft3", dimension::volume, 12 * inch * 12 * inch * 12 * inch, nullptr, 2},
    {"cm2", dimension::area, 1e-4, nullptr, 3},
    {"cm\xC2\xB2", dimension::area, 1e-4, "cm2"},
    {"m2", dimension::area, 1, nullptr, 3},
    {"m\xC2\xB2", dimension::area, 1, "m2"},
    {"mm2", dimension::area, 1e-6, nullptr, 3},
    {"mm\xC2\xB2", dimension::area, 1e-6, "mm2"},
    {"in2", dimension::area, inch * inch},
    {"mm", dimension::length, 1e-3, nullptr, 4},
    {"cm", dimension::length, 1e-2, nullptr, 4},
    {"m", dimension::length, 1, nullptr, 4},
    {"in", dimension::length, inch},
    {"ohm", dimension::resistance, 1},
    {"Ohm", dimension::resistance, 1, "ohm"},
    {"ohms", dimension::resistance, 1, "ohm"},
    {"Ohms", dimension::resistance, 1, "ohm"},
    {"\xE2\x84\xA6", dimension::resistance, 1, "ohm"},
    {"\xCE\xA9", dimension::resistance, 1, "ohm"},
    {"mH", dimension::inductance, 1e-3, nullptr, 5},
    {"H", dimension::inductance, 1, nullptr, 5},
    {"uH", dimension::inductance, 1e-6, nullptr, 5},
    {"\xC2\xB5H", dimension::inductance, 1e-6, "uH"},
    {"\xCE\xBCH", dimension::inductance, 1e-6, "uH"},
    {"T*m", dimension::force_factor, 1},
    {"Tm", dimension::force_factor, 1, "T*m"},
    {"N/A", dimension::force_factor, 1, "T*m"},
    {"W", dimension::power, 1, nullptr, 6},
    {"kW", dimension::power, 1e3, nullptr, 6},
    {"V", dimension::voltage, 1},
    {"m/s", dimension::velocity, 1},
    {"mm/N", dimension::compliance, 1e-3, nullptr, 7},
    {"m/N", dimension::compliance, 1, nullptr, 7},
    {"N/mm", dimension::stiffness, 1e3, nullptr, 8},
    {"N/m", dimension::stiffness, 1, nullptr, 8},
    {"kg/s", dimension::mechanical_resistance, 1},
    {"N*s/m", dimension::mechanical_resistance, 1, "kg/s"},
    {"Ns/m", dimension::mechanical_resistance, 1, "kg/s"},
    {"s", dimension::time, 1},
    {"ms", dimension::time, 1e-3},
    {"dB", dimension::level, 1},
};

const unit* find_unit(const std::string& name, dimension d) {
  for (const unit& u : units)
    if (u.d == d && name == u.name) return &u;
  return nullptr;
}

const unit* find_plain(const std::string& name) {
  for (const unit& u : units)
    if (!u.plain && name == u.name) return &u;
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
    case dimension::inductance: return "mH, H, uH";
    case dimension::force_factor: return "T*m, Tm, N/A";
    case dimension::power: return "W, kW";
    case dimension::voltage: return "V";
    case dimension::velocity: return "m/s";
    case dimension::compliance: return "mm/N, m/N";
    case dimension::time: return "s, ms";
    case dimension::stiffness: return "N/mm, N/m";
    case dimension::level: return "dB";
    default: return "kg/s, N*s/m";
  }
}

status parse_quantity(const std::string& text, dimension d, double& si) {
  typed_quantity typed;
  return parse_quantity(text, d, si, typed);
}

status parse_quantity(const std::string& text, dimension d, double& si, typed_quantity& typed) {
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
  typed.number = number;
  typed.unit = u->plain ? u->plain : u->name;
  return status::success();
}

double in_unit(double si, const char* name) {
  for (const unit& u : units)
    if (std::strcmp(u.name, name) == 0) return si / u.to_si;
  return si;
}

std::vector<std::string> slip_units(const std::string& name) {
  std::vector<std::string> family;
  const unit* typed = find_plain(name);
  if (!typed || typed->family == 0) return family;
  for (const unit& u : units)
    if (!u.plain && u.family == typed->family && name != u.name) family.push_back(u.name);
  return family;
}

double unit_to_si(const std::string& name) {
  const unit* u = find_plain(name);
  return u ? u->to_si : 0;
}
