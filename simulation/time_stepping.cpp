#include "simulation/time_stepping.h"

#include "simulation/excitation.h"

namespace {

// y = Q x, every y[i] summed over j in ascending order from 0. Walking Q
// by columns (QT) keeps that order for each row while the rows advance
// side by side.
inline void iteration_product(const element_matrix& QT, const double* x, double* y, int nd) {
  for (int i = 0; i < nd; ++i) y[i] = 0;
  for (int j = 0; j < nd; ++j) {
    const double xj = x[j];
    const double* column = QT[j];
    for (int i = 0; i < nd; ++i) y[i] = y[i] + column[i] * xj;
  }
}

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
  iteration_product(s.QT, s.xc, s.xn, s.ND);
  for (int i = 0; i < s.ND; ++i) {
    s.xn[i] = s.xn[i] - s.MM_over_MP[i] * s.xp[i] + s.force[i];
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
