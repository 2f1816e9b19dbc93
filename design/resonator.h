// A resonator shaped from its table: the air of its necks (or tube), its
// cavity, its tuning and its losses, as the branch of the network it
// becomes: an internal duct into a closed side chamber.
#pragma once

#include <string>
#include <vector>

#include "design/air.h"
#include "design/design_file.h"
#include "model/model_state.h"
#include "util/status.h"

struct resonator_shape {
  std::string label;             // its name, or "resonator i"
  bool quarter_wave = false;
  double area = 0;               // every neck together (the tube's), m^2
  double radius = 0;             // of one neck, m
  double physical_length = 0;    // of a neck or the tube, m
  double end_correction = 0;     // m: both ends of a neck, the mouth of a tube
  double effective_length = 0;   // the duct's: L + delta, or (L + delta) / 2 for a tube's first mode
  double volume = 0;             // the closed chamber, m^3: (8 / pi^2) S (L + delta) for a tube
  double tuning = 0;             // uncoupled, Hz
  double q = 0;                  // at the tuning
  double resistance = 0;         // on the duct's displacement, kg/s
  int element = 0;               // its internal duct
};

// The end correction of one end, in radii.
constexpr double flanged_end = 0.85, free_end = 0.61;

// Kirchhoff's wide-tube attenuation in a tube of radius a, per metre:
// (1 / (a c)) sqrt(w nu / 2) (1 + (gamma - 1) / sqrt(Pr)), Pr = 0.71.
double viscothermal_attenuation(double w, double radius, const air_properties& air);

// Fails naming resonator[index].KEY: both or neither of a pair, or a
// tuning whose neck would have no length (naming the smallest neck or
// the largest volume that tunes).
status shape_resonator(const resonator_sheet& sheet, int index, const air_properties& air, resonator_shape& out);

// Appends each resonator as branch n+1.. of `s` (before it is derived):
// an internal duct of the necks' air and loss into a closed side chamber,
// whose external duct is a wall (no area, no mass: it never moves). The
// external ducts of the branches already there move up with n.
void add_resonator_branches(model_state& s, std::vector<resonator_shape>& resonators);

// A closed chamber's external duct: it stays at rest in the steady state
// and in the time stepping.
constexpr double wall_damping = 1;  // kg/s
inline bool is_wall(const model_state& s, int element) { return element > s.n && s.A[element] == 0; }
