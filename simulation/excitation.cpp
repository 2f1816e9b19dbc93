#include "simulation/excitation.h"

#include <cmath>
#include <cstdlib>

void excite(model_state& s, int k) {
  s.tempo = k * s.delta;
  const double t = s.tempo;
  if (s.choice == 0) {
    s.forte = std::sin(s.F * 6.283184 * t) * s.b;
  } else if (s.choice == 1) {
    // Phase 2 pi phi t^2: the instantaneous frequency is 2 phi t.
    s.forte = std::sin(s.phi * 6.283184 * t * t) * s.b;
  } else {
    // One of 100 levels from -b to 0.98 b; rand is never seeded, so every
    // run draws the same sequence.
    const int r = std::rand();
    s.forte = (static_cast<double>(r % 100 - 50) * (s.b + s.b)) / 100;
  }
  s.force[0] = s.delta * 2 * s.delta / s.MP[0] * s.forte;
}
