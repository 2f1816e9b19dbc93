#include "simulation/time_stepping.h"

#include "simulation/excitation.h"

namespace {

double displacement_sum_mm(const model_state& s) {
  double sum = 0;
  for (int j = 0; j < s.ND; ++j) sum = s.xc[j] * s.R[j] * 1000 + sum;
  return sum;
}

double velocity_sum(const model_state& s) {
  double sum = 0;
  sum = s.vc[0] * s.R[0] + sum;
  for (int j = first_summed_duct(s); j < s.ND; ++j) sum = s.vc[j] * s.R[j] + sum;
  return sum;
}

}  // namespace

void advance(model_state& s, int k) {
  excite(s, k);
  s.sumx = displacement_sum_mm(s);
  for (int i = 0; i < s.ND; ++i) {
    // x+ = Q x - (MM/MP) x- + force;  v = (x - x-) / delta
    double next = 0;
    for (int j = 0; j < s.ND; ++j) next = next + s.Q[i][j] * s.xc[j];
    s.xn[i] = next - s.MM[i] / s.MP[i] * s.xp[i] + s.force[i];
    s.vc[i] = (s.xc[i] - s.xp[i]) / s.delta;
  }
  s.sumv = velocity_sum(s);
}

void shift_state(model_state& s) {
  for (int i = 0; i < s.ND; ++i) {
    s.xp[i] = s.xc[i];
    s.xc[i] = s.xn[i];
  }
}
