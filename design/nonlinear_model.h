// The large-signal driver built from [nonlinear] and the datasheet: the
// curves in SI (a curves table through a monotone-preserving spline),
// their range, the port's loss, and the linear network of the curves'
// values at rest, which the time stepping extends and the distortion's
// linear reference solves.
#pragma once

#include <string>
#include <vector>

#include "design/design_file.h"
#include "design/driver.h"
#include "design/network_compiler.h"
#include "simulation/nonlinear_driver.h"
#include "util/status.h"

struct large_signal_design {
  large_signal model;
  driver_parameters driver;  // the datasheet with Bl, Cms and Le at rest from the curves
  compiled_design compiled;  // its network
};

// Fails naming the key: a coefficient at rest more than 20 % from the
// datasheet (over 2 % is a warning), no range and no Xmax, a curve that is
// not positive within +-range (Bl, Kms, the tangent stiffness, Le, or the
// incremental inductance for currents up to `current`, A), port_loss
// without a port, an unreadable curves table.
status build_large_signal(const design_file& file, const driver_parameters& datasheet, double current,
                          large_signal_design& out, std::vector<std::string>& warnings);

// x[mm],Bl[T*m],Kms[N/mm] and optionally Le[mH] as measurement systems
// export them, x ascending and outward.
status read_curves_table(const std::string& path, std::vector<double>& x, std::vector<double>& bl,
                         std::vector<double>& kms, std::vector<double>& le);

// XBl and XC: the smaller |x| on either side where Bl falls to 82 % of
// Bl(0) and Cms to 75 % of Cms(0); 0 when it does not within +-range.
double bl_limit(const large_signal& m);
double compliance_limit(const large_signal& m);
