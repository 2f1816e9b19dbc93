// The pictures of what acoustic_sim and acoustic_steady left in a folder:
//   design.png     SPL, impedance (with a voice coil), excursion with the
//                  Xmax line, duct air velocities with their limit, group
//                  delay and phase (steady_state_design.csv)
//   response.png   level and phase of the sweep, with the steady-state
//                  curve when steady_state_response.csv exists
//   elements.png   piston excursion and duct air velocities
//   spectrum.png   the spectrum of the last run when it was a one-time run
//   history.png    its time histories
#pragma once

#include <string>
#include <vector>

#include "util/status.h"

struct picture_script {
  std::string output;  // the picture's name, as given to the user
  std::string script;
};

// The scripts for the pictures the files in `dir` allow, each drawing
// into the working name (util/output_set) of dir/NAME. Fails with one line on a malformed file or when there is
// nothing to draw.
status companion_pictures(const std::string& dir, std::vector<picture_script>& out);
