// The air the design's network is filled with. Without an [air] table it is
// the programs' reference air, rho 1.2 kg/m^3 and rho c^2 = 1.4 x 101300 Pa
// (about 20.93 C); with one, an ideal gas at the temperature and pressure
// given.
#pragma once

#include <cmath>
#include <string>

#include "design/design_file.h"
#include "model/model_state.h"
#include "util/status.h"

constexpr double gas_constant = 8.314462618;    // J/(mol K)
constexpr double air_molar_mass = 0.0289647;    // kg/mol
constexpr double air_gamma = 1.4;               // heat capacity ratio
constexpr double celsius_zero = 273.15;         // K
constexpr double standard_pressure = 101325.0;  // Pa, the [air] table's default

struct air_properties {
  double temperature = 0;                // K
  double pressure = p0;                  // Pa
  double density = rho;                  // kg/m^3
  double bulk_modulus = air_gamma * p0;  // rho c^2, Pa
  double speed() const { return std::sqrt(bulk_modulus / density); }
  double c2() const { return bulk_modulus / density; }
};

// rho 1.2 kg/m^3 and rho c^2 = 1.4 p0, at the temperature that makes
// them an ideal gas at p0.
air_properties reference_air();

// c = sqrt(1.4 R T / M), rho = P M / (R T).
air_properties air_at(double temperature_kelvin, double pressure_pascal);

// Dynamic viscosity by Sutherland's law, 1.81e-5 Pa s at 20 C.
double air_viscosity(double temperature_kelvin);

// "20 C", "293.15 K" in kelvin; fails without a unit, or at or below 0 K.
status parse_temperature(const std::string& text, double& kelvin);

// "101325 Pa", "101.3 kPa", "1013 hPa", "1 bar"; positive and finite.
status parse_pressure(const std::string& text, double& pascal);

// The file's [air], or the reference air without one.
air_properties air_of(const design_file& file);
