// The summary lines that say what decides a design: the limit that sets its
// lowest max SPL, whether its port fits the box, what it does at the rated
// power, and the high-pass before the amplifier; with the warnings a
// designer must not miss (the drive beyond a limit, a port that crowds or
// outgrows the box).
#pragma once

#include <string>
#include <vector>

#include "analysis/design_response.h"
#include "control/design_summary.h"
#include "design/design_file.h"
#include "design/network_compiler.h"

// lowest_max_SPL_limited_by: its unit column names the limit at the
// lowest max SPL's frequency, its value is that limit's number in
// binding_limit's order (0 none, 1 Xmax, 2 port, 3 Pe, 4 radiator_Xmax).
void add_binding_limit(design_summary& s, const std::vector<design_point>& points);

// One warning per limit the drive voltage exceeds somewhere on the grid:
// the limit, the frequency where it allows the least, and that least
// voltage (the highest that stays within it everywhere).
std::vector<std::string> drive_beyond_limits(const design_drive& drive, const std::vector<design_point>& points);

// port_air_volume (all ports, area x physical length), gross_volume (the
// chambers, the ports' air and the driver's own volume) and
// port_pipe_resonance_estimate (c / (2 L_eff)); warnings when the ports'
// air exceeds 10 % of Vb or a port with one diameter of clearance is
// longer than the box is deep.
void add_port_fit(design_summary& s, const design_file& file, const compiled_design& c,
                  std::vector<std::string>& warnings);

// With Pe: the frequency below which the excursion at Pe exceeds Xmax, and
// the highest port velocity at Pe with its frequency.
void add_rated_power(design_summary& s, const design_drive& drive, const std::vector<design_point>& points);

// highpass_order, highpass_frequency and, for order 2, highpass_Q.
void add_highpass(design_summary& s, const highpass_filter& f);
