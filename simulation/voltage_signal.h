// The voltages a transient drives a voice coil with: a step, an impulse, a
// tone burst and a sine switched on at t = 0.
#pragma once

enum class signal_kind { step, impulse, burst, sine };

struct voltage_signal {
  signal_kind kind = signal_kind::step;
  double peak = 0;       // V: sqrt(2) x the drive's rms voltage
  double frequency = 0;  // Hz (burst, sine)
  int cycles = 0;        // burst: N cycles under a raised-cosine window
  double seconds = 0;    // sine: the record's length, s
};

// An impulse is a Dirac of area peak x impulse_width (volt seconds).
constexpr double impulse_width = 1e-3;  // s

// v(t) for t >= 0; at a jump, the value just after it. An impulse is 0
// here: its area enters as the state it leaves at 0+.
double voltage_at(const voltage_signal& signal, double t);

// The signal's frequency, 0 for a step or an impulse.
double signal_frequency(const voltage_signal& signal);

// "step", "impulse", "40 Hz burst of 8 cycles", "sine at 40 Hz".
const char* signal_kind_name(signal_kind kind);
