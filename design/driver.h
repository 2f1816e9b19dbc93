// The driver as the network needs it, completed from its datasheet. The
// small-signal set fs, Qms, Qes, Vas, Sd, Re determines the rest with the
// programs' air; redundant figures are compared with it.
#pragma once

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "design/design_file.h"
#include "model/model_state.h"
#include "util/status.h"

constexpr double design_hcr = 1.4;              // air's heat capacity ratio
constexpr double rho_c2 = design_hcr * p0;      // Pa, the bulk modulus of air
inline double speed_of_sound() { return std::sqrt(rho_c2 / rho); }  // m/s

struct driver_parameters {
  std::string name;
  double fs = 0;         // Hz
  double qms = 0, qes = 0, qts = 0;
  double vas = 0;        // m^3
  double mms = 0;        // kg
  double cms = 0;        // m/N
  double rms = 0;        // kg/s
  double bl = 0;         // T m
  double sd = 0;         // m^2
  double re = 0;         // ohm
  double le = 0;         // H
  double xmax = 0;       // m, peak one-way; 0 when not given
  double pe = 0;         // W; 0 when not given
};

// Where the completed driver's figures came from, and how the sheet's
// redundant figures agree with them.
struct datasheet_contradiction {
  std::string key;      // "Mms"
  double difference;    // |given - derived| / derived
  std::string account;  // "driver.Mms = 0.038 g disagrees with 38.24 g from fs, Vas and Sd (100 %)"
  std::string goes_on;  // "38.24 g", what the design uses
};

struct driver_account {
  std::vector<datasheet_contradiction> contradictions;
  // For each figure, the typed values it follows from: "fs = \"28 Hz\",
  // Vas = \"58 l\", Sd = \"220 cm2\"".
  std::map<std::string, std::string> origin;
  // The figures the design takes as the sheet gives them.
  std::vector<std::string> taken_as_given;
};

// The figures `trust` may name.
const std::vector<std::string>& trustable_figures();

// Completes the driver from any sufficient set of its figures: fs, Mms and
// a compliance (Vas, Cms or Kms), two of them fixing the third; Qms or Rms;
// Qes or Bl; Qts in place of one of the last two. Where the sheet gives
// more, the figures named in `trust` win, else fs, Vas, Cms, Kms, Mms,
// Qms, Rms, Qes, Bl in that order; the others are compared. Fails naming a
// missing figure or a bad trust list.
status complete_driver(const driver_sheet& sheet, driver_parameters& d, driver_account& account);

// The same, each contradiction over 2 % a warning saying which figure the
// design uses.
status complete_driver(const driver_sheet& sheet, driver_parameters& d, std::vector<std::string>& warnings);
