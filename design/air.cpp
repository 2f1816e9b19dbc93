#include "design/air.h"

#include <cstdlib>

#include "util/message.h"
#include "util/token_reader.h"

air_properties reference_air() {
  air_properties a;
  a.temperature = p0 * air_molar_mass / (gas_constant * rho);
  return a;
}

air_properties air_at(double temperature_kelvin, double pressure_pascal) {
  air_properties a;
  a.temperature = temperature_kelvin;
  a.pressure = pressure_pascal;
  a.density = pressure_pascal * air_molar_mass / (gas_constant * temperature_kelvin);
  a.bulk_modulus = air_gamma * pressure_pascal;
  return a;
}

air_properties air_of(const design_file& file) {
  if (!file.air.given) return reference_air();
  const double temperature = file.air.temperature.given ? file.air.temperature.value : celsius_zero + 20;
  return air_at(temperature, file.air.pressure.given ? file.air.pressure.value : standard_pressure);
}

double air_viscosity(double temperature_kelvin) {
  // mu = mu_ref (T / T_ref)^1.5 (T_ref + S) / (T + S), S = 110.4 K.
  constexpr double reference = 293.15, sutherland = 110.4, mu_reference = 1.81e-5;
  return mu_reference * std::pow(temperature_kelvin / reference, 1.5) * (reference + sutherland) /
         (temperature_kelvin + sutherland);
}

namespace {

// The number and the unit after it, blanks trimmed.
bool split(const std::string& text, double& number, std::string& unit) {
  const char* begin = text.c_str();
  char* end = nullptr;
  number = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(number)) return false;
  unit.assign(static_cast<const char*>(end), begin + text.size());
  while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
  while (!unit.empty() && unit.back() == ' ') unit.pop_back();
  return true;
}

}  // namespace

status parse_temperature(const std::string& text, double& kelvin) {
  double number = 0;
  std::string unit;
  if (!split(text, number, unit) || (unit != "C" && unit != "K"))
    return status::error(message("%s: expected a number and one of the units C, K, e.g. \"20 C\"", quoted(text).c_str()));
  kelvin = unit == "C" ? number + celsius_zero : number;
  if (!(kelvin > 0))
    return status::error(message("%s lies at or below absolute zero: expected a temperature above 0 K (-273.15 C)",
                                 quoted(text).c_str()));
  return status::success();
}

status parse_pressure(const std::string& text, double& pascal) {
  double number = 0;
  std::string unit;
  double scale = 0;
  if (split(text, number, unit)) {
    if (unit == "Pa") scale = 1;
    if (unit == "hPa") scale = 100;
    if (unit == "kPa") scale = 1e3;
    if (unit == "bar") scale = 1e5;
  }
  if (scale == 0)
    return status::error(message("%s: expected a number and one of the units Pa, hPa, kPa, bar", quoted(text).c_str()));
  pascal = number * scale;
  if (!(pascal > 0)) return status::error(message("%s: expected a positive pressure", quoted(text).c_str()));
  return status::success();
}
