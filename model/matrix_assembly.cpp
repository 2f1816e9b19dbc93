#include "model/matrix_assembly.h"

namespace {

void clear_state(model_state& s) {
  for (int i = 0; i < MAX_ELEMENTS; ++i) {
    s.xp[i] = s.xc[i] = s.xn[i] = s.force[i] = 0;
    for (int j = 0; j < MAX_ELEMENTS; ++j) s.KH[i][j] = s.K[i][j] = s.Q[i][j] = 0;
  }
}

void assemble_standard_stiffness(model_state& s) {
  const int n = s.n;
  // The piston and every internal duct push into the main chamber.
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j) s.KH[i][j] = s.KS[0];
  s.KH[0][0] = s.KH[0][0] + s.Ku;
  for (int i = 1; i <= n; ++i) s.KH[i][i] = s.KH[i][i] + s.KS[i];
  // Side chamber i couples internal duct i with external duct n+i.
  for (int i = 1; i <= n; ++i) {
    s.KH[n + i][i] = -s.KS[i];
    s.KH[i][n + i] = -s.KS[i];
  }
  for (int i = 1; i <= n; ++i) s.KH[n + i][n + i] = s.KS[i];
}

void assemble_iteration_matrix(model_state& s) {
  const int nd = s.ND;
  for (int i = 0; i < nd; ++i)
    for (int j = 0; j < nd; ++j) s.MK[i][j] = 0;
  for (int i = 0; i < nd; ++i) s.MK[i][i] = s.M[i];
  for (int i = 0; i < nd; ++i)
    for (int j = 0; j < nd; ++j) s.MK[i][j] = (s.MK[i][j] * 2 - s.delta * s.delta * s.K[i][j]) * 2;
  for (int i = 0; i < nd; ++i)
    for (int j = 0; j < nd; ++j) s.Q[i][j] = s.MK[i][j] / s.MP[i];
}

}  // namespace

void assemble_matrices(model_state& s) {
  clear_state(s);
  assemble_standard_stiffness(s);
  for (int i = 0; i < s.ND; ++i)
    for (int j = 0; j < s.ND; ++j) s.K[i][j] = s.KH[i][j] * s.R[i] * s.R[j];
  // A duct's own suspension (a passive radiator's) holds it to rest.
  for (int i = 0; i < s.ND; ++i)
    if (s.Kd[i] != 0) s.K[i][i] = s.K[i][i] + s.Kd[i];
  assemble_iteration_matrix(s);
}
