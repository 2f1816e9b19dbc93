// acoustic_design --align DRIVER.toml: the textbook boxes for a driver
// (closed boxes of Qtc 0.5, 0.577, 0.707 and 1.0, and the fourth-order
// vented alignment its Qts reaches), each with the port that keeps the
// air within its limit, printed and written as NAME_alignments.csv;
// --write DIR writes each as a design file to start from.
#pragma once

#include <string>
#include <vector>

#include "control/design_options.h"
#include "design/design_file.h"
#include "util/reporter.h"
#include "util/status.h"

struct alignment_row {
  std::string name;          // "closed" or "B4", "QB3", "C4"
  std::string property;      // what the alignment fixes
  double qtc = 0;            // closed boxes
  double vb = 0, fc = 0, fb = 0, f3 = 0;  // m^3, Hz
  double port_diameter = 0;  // m; 0: no port
  double port_length = 0;    // m, physical
  double lossy_f3 = 0;       // Hz, the same box with the design's leak and Le
};

// The rows the driver reaches; `notes` says which it does not, and why.
// The driver is gated first as every design is; `warnings` gets what the
// gate lets pass.
status compute_alignments(const std::string& path, std::vector<alignment_row>& rows, std::vector<std::string>& notes,
                          std::string& name, bool accept_unusual = false, std::vector<std::string>* warnings = nullptr);

// The same for a file already read; fails on a figure that is not finite.
status align_driver(const design_file& base, std::vector<alignment_row>& rows, std::vector<std::string>& notes,
                    bool accept_unusual = false, std::vector<std::string>* warnings = nullptr);

// "alignment,Qtc,Vb[l],fc[Hz],fb[Hz],F3[Hz],port_diameter[mm],port_length[mm]" and a row each.
std::string alignment_table(const std::vector<alignment_row>& rows);

// Prints the rows and writes the table; with --write, each row's design
// file, once it has been worked out as acoustic_design would work it out.
status run_alignments(const design_options& o, const reporter& report);
