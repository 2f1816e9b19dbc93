// The design file's [[resonator]] tables and its [source]: side branches
// on the main chamber and a flow that drives the chamber in the driver's
// place. Read here, shaped into the network by design/resonator.
#pragma once

#include <string>
#include <toml++/toml.h>

#include "design/design_file.h"
#include "util/status.h"

// Every [[resonator]] table in order; fails naming "resonator[i].KEY" and
// what was expected (an unknown key with the closest known one).
status read_resonator_tables(const toml::node& node, design_file& d);

// "1 l/s", "0.001 m3/s", "1000 cm3/s" in m^3/s, positive and finite.
status parse_volume_velocity(const std::string& text, double& si);

// [source] needs type = "volume_velocity" with its volume_velocity, and no
// [driver] beside it.
status check_source_table(const design_file& d);
