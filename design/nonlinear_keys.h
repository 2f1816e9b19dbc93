// The readers of [nonlinear], [distortion] and enclosure.port_loss for the
// design file; each failure is one line naming the key.
#pragma once

#include <string>
#include <toml++/toml.h>

#include "design/nonlinear_sheet.h"
#include "util/status.h"

status read_nonlinear_table(const toml::table& table, nonlinear_sheet& sheet);
status read_distortion_table(const toml::table& table, distortion_sheet& sheet);

// enclosure.port_loss: the port's loss coefficient xi, a plain number >= 0.
status read_port_loss(const toml::node& node, const std::string& key, double& xi);
