#include "simulation/voltage_signal.h"

#include <cmath>

#include "model/model_state.h"

double voltage_at(const voltage_signal& signal, double t) {
  const double f = signal.frequency;
  switch (signal.kind) {
    case signal_kind::step:
      return signal.peak;
    case signal_kind::impulse:
      return 0;
    case signal_kind::burst: {
      const double n = signal.cycles;
      if (t > n / f) return 0;
      return signal.peak * (1 - std::cos(2 * exact_pi * f * t / n)) / 2 * std::sin(2 * exact_pi * f * t);
    }
    case signal_kind::sine:
      return signal.peak * std::sin(2 * exact_pi * f * t);
  }
  return 0;
}

double signal_frequency(const voltage_signal& signal) {
  return signal.kind == signal_kind::burst || signal.kind == signal_kind::sine ? signal.frequency : 0;
}

const char* signal_kind_name(signal_kind kind) {
  switch (kind) {
    case signal_kind::step: return "step";
    case signal_kind::impulse: return "impulse";
    case signal_kind::burst: return "burst";
    default: return "sine";
  }
}
