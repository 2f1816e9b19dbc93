// acoustic_design's command line: the design file, where the outputs go,
// the frequency grid and the parameter file for acoustic_sim.
#pragma once

#include <string>
#include <vector>

#include "simulation/voltage_signal.h"
#include "util/status.h"

struct design_options {
  bool help = false;
  std::string design_path;                // the first design file
  std::vector<std::string> design_paths;  // every design file given; several are compared
  std::vector<std::string> vary;          // --vary KEY=FROM:TO:STEP, none, one or two (a grid)
  bool no_picture = false;                // --no-picture: the tables alone
  std::string align_path;                 // --align DRIVER.toml, or empty
  std::string write_dir;                  // --write DIR with --align
  std::string out_dir;        // empty: the design file's folder
  double grid_from = 5;       // Hz
  double grid_to = 1000;      // Hz
  int grid_per_octave = 48;
  int refine_per_bandwidth = 8;  // --refine: rows per f / Q around each resonator
  std::string emit_dir;       // empty: no parameter file
  bool transient = false;     // --transient given
  voltage_signal signal;      // its shape; the peak follows from the design's voltage
  double duration = 0;        // s; 0: until the response has settled, at most 2 s
  std::vector<double> distortion_voltages;  // --distortion, V rms; empty: [distortion]'s
  double distortion_from = 10, distortion_to = 500;  // Hz
  int distortion_per_octave = 12;
  bool accept_unusual = false;  // figures no loudspeaker has are warnings, not errors
  std::vector<double> at;     // --at: Hz, each design's figures printed at exactly these
  bool serve = false;         // --serve: the live design page
  int port = 0;               // its port; 0: a free one
  std::string listen = "127.0.0.1";
};

// Where the outputs of the design file `path` go: --out, else its folder.
std::string output_folder(const design_options& o, const std::string& path);

// With --help, prints the options and sets help. Fails with one line on an
// unknown option, a missing design file or a bad grid.
status parse_design_options(int argc, const char* const* argv, design_options& options);
