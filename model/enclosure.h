// What an enclosure designer reads off the network: which elements
// radiate into the room, the piston's small-signal parameters, the
// closed-box resonance and the tuning of every port.
#pragma once

#include <cmath>
#include <vector>

#include "model/model_state.h"

// A chamber with an infinite volume is open to the room (stiffness 0).
inline bool chamber_is_open(const model_state& s, int chamber) { return std::isinf(s.V[chamber]); }

// The piston, every external duct, and every internal duct whose side
// chamber is open (a port from the main chamber to the room).
bool radiates(const model_state& s, int element);

// An element whose air reaches the room, and the sign that turns its
// displacement (positive into the chamber it pushes on) into an outward
// flow.
struct radiator {
  int element = 0;
  double outward = 1;
};

struct small_signal_parameters {
  double fs = 0;            // piston resonance on its suspension, Hz
  double qms = 0;           // mechanical Q, 2 pi fs M[0] / C[0]
  double vas_litres = 0;    // air volume as stiff as the suspension, l
  double qes = 0, qts = 0;  // electrical and total Q (with a coil)
};

// Thiele-Small parameters of the piston; qes and qts need bl and re (a bl
// of 0 leaves them 0). Needs Ku and M.
small_signal_parameters piston_parameters(const model_state& s, double bl, double re);

// n = 0 with a closed main chamber: the resonance of the piston on
// suspension and box, sqrt((Ku + KS[0]) / M[0]) / 2 pi, and its Q with the
// mechanical (and electrical, bl^2 / re) damping.
double closed_box_resonance(const model_state& s);
double closed_box_q(const model_state& s, double bl, double re);

// The Helmholtz tuning of internal duct i on the main chamber, for an open
// side chamber: sqrt(K[i][i] / M[i]) / 2 pi. Needs K.
double port_tuning(const model_state& s, int duct);
