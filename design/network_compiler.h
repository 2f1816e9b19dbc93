// An enclosure by type compiled into the network the other programs
// solve: the piston and its suspension, the box as the main chamber, a
// port as the internal duct of a side chamber open to the room, and a leak
// as a massless duct with the box's leakage resistance, a passive radiator
// as a duct whose air is the radiator's cone, held by its suspension.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "design/air.h"
#include "design/design_file.h"
#include "design/driver.h"
#include "design/resonator.h"
#include "model/enclosure.h"
#include "model/model_state.h"
#include "util/status.h"

struct port_geometry {
  double area = 0;              // all ports together, m^2
  double radius = 0;            // of one port, m
  double effective_length = 0;  // m, with both end corrections
  double physical_length = 0;   // m
  double end_correction = 0;    // both ends together, m
  double tuning = 0;            // Helmholtz frequency with the box, Hz
};

struct compiled_design {
  std::unique_ptr<model_state> network;  // derived and assembled, every number finite
  double coil_polarity = -1;             // the coil's force along the network's displacement
  std::vector<radiator> radiators;       // outward flows: the cone's front, ports, the leak
  int port = -1;                         // the port's element, or -1
  int leak = -1;                         // the leak's element, or -1
  int passive = -1;                      // the passive radiator's element, or -1
  port_geometry port_shape;
  double leak_resistance = 0;  // Ral, Pa s / m^3
  air_properties air;          // what fills the ducts and chambers
  std::vector<resonator_shape> resonators;  // side branches with closed chambers, in the file's order
  double flow = 0;             // a volume-velocity source's rms flow, m^3/s; 0: the driver drives
};

// Fails naming a missing or inapplicable key, or a port that cannot tune
// the box (with the largest port or the smallest box that can); appends
// range warnings.
status compile_design(const design_file& file, const driver_parameters& driver, compiled_design& out,
                      std::vector<std::string>& warnings);
