// A loudspeaker design's figures per frequency, from the exact steady state
// of its network driven through the voice coil: SPL of the outward flows,
// phase and group delay, excursion, port air velocity, impedance, and the
// largest voltage and SPL the limits allow.
#pragma once

#include <cmath>
#include <vector>

#include "analysis/design_figures.h"
#include "analysis/steady_state.h"
#include "model/drive_filter.h"
#include "model/enclosure.h"

struct design_limits {
  double xmax = 0;           // peak one-way excursion, m; 0: none
  double port_velocity = 0;  // peak, m/s; 0: none
  double power = 0;          // rated power V^2 / Re, W; 0: none
  double radiator_xmax = 0;  // a passive radiator's peak excursion, m; 0: none
};

struct design_drive {
  voice_coil coil;                  // rms voltage, polarity
  std::vector<radiator> radiators;  // outward flows
  int port = -1;                    // element, or -1
  int passive = -1;                 // a passive radiator's element, or -1
  listening_point at;
  design_limits limits;
  highpass_filter highpass;         // before the amplifier; order 0: none
  // A design with side branches or a flow source: its main chamber's
  // pressure and its resonators' neck velocities too.
  bool branches = false;
  std::vector<int> resonators;      // their internal ducts
  double flow = 0;                  // a volume-velocity source's, rms m^3/s; 0: the coil drives
};

// The limit that sets max_voltage at a frequency: the first to be reached
// as the voltage rises.
enum class binding_limit { none, xmax, port, power, radiator_xmax };
constexpr int binding_limits = 5;

// As the tables name it: none, Xmax, port, Pe, radiator_Xmax.
const char* limit_name(binding_limit l);

struct design_point {
  double frequency = 0;       // Hz
  double spl = 0;             // dB re 20 uPa
  double spl_unfiltered = 0;  // dB, the same without the high-pass
  double phase = 0;           // of the pressure against the voltage, degrees
  double group_delay_ms = 0;  // -d(phase)/dw
  double excursion_mm = 0;    // peak
  double excursion_unfiltered_mm = 0;  // peak, the same without the high-pass
  double port_velocity = 0;   // peak, m/s (0 without a port)
  double radiator_excursion_mm = 0;  // a passive radiator's, peak (0 without one)
  complex impedance;          // V / I, ohm
  double max_voltage = 0;     // V rms within every limit given (inf: none given)
  double max_spl = 0;         // dB at max_voltage
  binding_limit limited_by = binding_limit::none;
  // The voltage each limit alone allows, by binding_limit (inf: not given).
  double limit_voltage[binding_limits] = {INFINITY, INFINITY, INFINITY, INFINITY, INFINITY};
  // At the rated power: the filter's input at sqrt(Pe Re), so the coil
  // gets |H| sqrt(Pe Re); 0 without Pe.
  double excursion_at_pe_mm = 0;   // peak
  double port_velocity_at_pe = 0;  // peak, m/s (0 without a port)
  // With branches (design_drive::branches): rms pressures, the radiated
  // one at the listening point; peak neck velocities; the insertion loss
  // against the same design without its resonators, set by its caller.
  complex radiated_pressure;
  complex chamber_pressure;
  std::vector<double> resonator_velocity;
  double il = 0, il_chamber = 0;  // dB
};

// Driven by the coil, or by the flow when drive.flow > 0 (then only the
// figures that need no coil: SPL, phase and group delay when something
// radiates, port velocity, a radiator's excursion and the branches').
design_point evaluate_design(const model_state& s, const design_drive& drive, double frequency);

// The name of the point's first figure that is NaN or infinite, or null
// when all are finite; max_voltage and max_SPL are inf exactly when no
// limit is given.
const char* overflowing_figure(const design_point& p);
// The main chamber's pressure, rms Pa with the coil's or the flow's rms
// amplitudes: its stiffness times the volume every element pushes into it.
complex chamber_pressure(const model_state& s, const steady_point& p);

// FROM x 2^(k / per_octave) up to the last point not above TO.
std::vector<double> log_grid(double from, double to, int per_octave);

// Walking down from the last grid point not above `start`: the first
// frequency where SPL falls below `level`, interpolated in log f between
// the grid points around it; 0 when it never does.
double frequency_below(const std::vector<design_point>& points, double start, double level);
