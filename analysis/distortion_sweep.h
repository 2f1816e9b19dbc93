// The large-signal driver's periodic steady state under a sine (or two
// tones sharing a period), stepped by the network's own time stepping with
// a whole number of steps per period until each state repeats within 1e-7
// of its peak, and the far-field pressure's harmonics taken by a DFT over
// that period, without a window.
#pragma once

#include <complex>
#include <vector>

#include "analysis/design_figures.h"
#include "model/drive_filter.h"
#include "model/enclosure.h"
#include "model/model_state.h"
#include "model/voice_coil.h"
#include "simulation/nonlinear_driver.h"

// Everything the sweep needs of a design: its network at rest (copied per
// time step), the coil with the curves' values at rest, the radiators and
// where the pressure is taken.
struct distortion_setup {
  const model_state* network = nullptr;
  voice_coil coil;  // bl = Bl(0), le = Le(0); voltage unused
  const large_signal* model = nullptr;
  std::vector<radiator> radiators;
  int port = -1;
  listening_point at;
  highpass_filter highpass;  // before the amplifier: scales and shifts the sine
};

enum class periodic_status { ok, beyond_range, unsettled };
const char* status_name(periodic_status s);  // ok, beyond_range, unsettled

// One period of the settled response, sampled at the steps.
struct periodic_response {
  int steps = 0;                   // per period
  double delta = 0;                // s
  int periods = 0;                 // stepped until settled
  bool settled = false;
  std::vector<double> pressure;    // Pa at the listening point
  std::vector<double> excursion;   // m, along the coil's force
  std::vector<double> port_velocity;  // m/s, empty without a port
  std::vector<double> voltage, current;  // V, A
  std::vector<double> cone_velocity;     // m/s, along the coil's force
  std::vector<std::vector<double>> velocity;  // per element, m/s (network signs)
};

// The fastest rate the stepping must resolve, rad/s: the network's
// highest natural frequency with the largest tangent stiffness over
// +-range, the coil's Re / Le(x) over +-range, the cone's damping.
double fastest_rate(const distortion_setup& setup);

// The steps per period of frequency f: at least 50 per period of its 5th
// harmonic and 10 per period of the fastest of the network's natural
// frequencies with the largest tangent stiffness over +-range, the coil's
// rate Re / Le(x) over +-range and the cone's damping; even.
int distortion_steps(const distortion_setup& setup, double f);

// The periodic state under v(t) = sum of amplitude_n sin(2 pi n f t +
// phase_n) (n a whole harmonic of f, amplitudes peak volts before the
// high-pass), starting from the linear steady state when `start` is
// empty, else from `start` scaled by `scale`; settled when every state
// repeats within `settled_fraction` of its peak over a period.
struct harmonic_drive {
  int n = 1;
  double amplitude = 0;  // V peak
};
struct periodic_state {
  std::vector<double> previous, current;
  double i = 0, u = 0;
  bool empty() const { return current.empty(); }
};
periodic_response periodic_steady_state(const distortion_setup& setup, double f, int steps,
                                        const std::vector<harmonic_drive>& drive, periodic_state& start,
                                        double scale, int most_periods = 600, double settled_fraction = 1e-7);

// The DFT bin n of one period: (2 / N) sum x_k e^(-i 2 pi n k / N); bin 0
// is the mean.
std::complex<double> period_bin(const std::vector<double>& samples, int n);

struct distortion_row {
  double frequency = 0, voltage = 0;  // Hz, V rms
  double spl = 0, spl_linear = 0, compression = 0;  // dB
  double h2 = 0, h3 = 0, thd = 0;  // fractions
  double dc_offset = 0;            // m, outward positive
  double excursion_out = 0, excursion_in = 0;  // m, both >= 0
  double port_velocity = 0;        // m/s, peak
  periodic_status status = periodic_status::ok;
};

// Every level at f, in the order given; each level starts from the
// periodic state of the level below it.
std::vector<distortion_row> distortion_at(const distortion_setup& setup, double f, const std::vector<double>& voltages);

struct imd_row {
  double f1 = 0, f2 = 0, voltage = 0;
  double imd2 = 0, imd3 = 0;  // fractions
  periodic_status status = periodic_status::ok;
};
imd_row two_tone_at(const distortion_setup& setup, double f1, double f2, double ratio, double voltage);

// The highest level at f whose THD stays within `criterion` and whose
// excursion stays within +-range, found by doubling the level from
// `lowest` and halving the last step (in dB) seven times, to 0.05 dB;
// `most` caps it.
struct level_limit {
  double frequency = 0;
  double voltage = 0;  // V rms
  double spl = 0;      // dB, the fundamental's at that level
  const char* limited_by = "none";  // THD, range, unsettled or none
};
level_limit distortion_limited_level(const distortion_setup& setup, double f, double criterion, double lowest,
                                     double most);
