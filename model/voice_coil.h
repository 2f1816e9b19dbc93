// A voice coil on the piston: the current I = (V - P BL v0) / (RE + i w LE)
// pushes the piston with P BL I, so the back-EMF damps it. P, the
// polarity, is +1 when a positive current pushes the piston into the main
// chamber and -1 when it pulls it out. The steady state and the
// transients drive the network through it.
#pragma once

struct voice_coil {
  double voltage = 0;   // V rms (the steady state's drive; a transient has its own signal)
  double bl = 0;        // force factor, T m
  double re = 0;        // resistance, ohm
  double le = 0;        // inductance, H
  double polarity = 1;  // +1 or -1
};
