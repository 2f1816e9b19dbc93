// The large-signal driver's distortion sweep for acoustic_design: every
// level at every frequency of its grid, the points computed in parallel
// and written in order (the same bytes on any number of threads), as
// NAME_distortion.csv, and the two-tone intermodulation as NAME_imd.csv.
#pragma once

#include <string>
#include <vector>

#include "analysis/distortion_picture.h"
#include "analysis/distortion_sweep.h"
#include "control/design_program.h"
#include "util/status.h"

struct distortion_request {
  std::vector<double> voltages;  // V rms
  std::vector<double> grid;      // Hz
  int threads = 1;
};

struct distortion_result {
  bool computed = false;
  std::vector<distortion_row> rows;  // by frequency, then level as given
  std::vector<imd_row> imd;          // per level, with two tones
  std::vector<level_limit> limits;   // per frequency
  std::vector<double> xmax_voltage, xmax_spl;  // the linear network's Xmax limit per frequency; empty without Xmax
  double criterion = 0.10;
  bool port = false;
  distortion_picture picture;  // NAME_distortion.png's data
};

// The setup the sweep and the transient share: the network of the curves'
// values at rest and its coil.
distortion_setup large_signal_setup(const design_result& r);

status compute_distortion(const design_file& file, const design_result& r, const distortion_request& request,
                          distortion_result& out);

status write_distortion_table(const std::string& path, const distortion_result& d);
status write_imd_table(const std::string& path, const distortion_result& d);

// The rows a large-signal driver adds to the summary: XBl, XC and X_limit
// in mm; a warning when Xmax exceeds X_limit.
void large_signal_summary(const design_result& r, design_summary& summary, std::vector<std::string>& warnings);

// The large-signal driver of a worked-out design (r.large), its rows in
// the summary and its warnings; currents are checked up to what the
// largest of the file's voltages drives through Re.
status prepare_large_signal(const design_file& file, design_result& r);

// With [distortion] or --distortion: the sweep and the distortion-limited
// max SPL (r.distortion), the lowest of which joins r.summary and is
// printed, and the picture's data.
status run_distortion(const design_options& o, const std::string& path, const design_file& file, design_result& r);

status write_maxspl_table(const std::string& path, const distortion_result& d);

// The central difference stays stable at the step `delta` where the
// curves are stiffest (w delta < 2); fails naming the step it needs.
status check_large_signal_step(const design_result& r, double delta);
