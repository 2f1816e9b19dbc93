// Where the lumped duct stops holding, and the ducts solved as lines: a
// port or a resonator's neck whose line tuning departs from its lumped one
// (by more than fr / (8 Q) for a resonator, 1 % for a port) or whose first
// pipe resonance lies below the grid's top. [model] ducts = "lumped" warns
// of them, "auto" makes exactly them lines, "distributed" every duct; a
// quarter-wave tube is always a line.
#pragma once

#include <string>
#include <vector>

#include "design/design_file.h"
#include "design/network_compiler.h"

struct duct_check {
  std::string label;       // "port", "resonator 1 (120 Hz trap)"
  int element = 0;
  double lumped_tuning = 0;  // Hz
  double line_tuning = 0;    // Hz, the first root of kL tan kL = S L / V
  double pipe_resonance = 0; // Hz, the second
  bool departs = false;      // the lumped model does not hold on the grid
};

// Every port and resonator neck of the compiled design (tubes left out).
std::vector<duct_check> check_ducts(const compiled_design& c, double grid_top);

// Sets the network's lines for the file's [model] ducts; appends the
// lumped-validity warnings (only for a file with [[resonator]] or [model]).
void apply_duct_model(const design_file& file, double grid_top, compiled_design& c, std::vector<std::string>& warnings);
