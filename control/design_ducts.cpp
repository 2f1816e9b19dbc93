#include "control/design_ducts.h"

#include <cmath>

#include "analysis/duct_line.h"
#include "util/message.h"

namespace {

duct_check check_one(const std::string& label, int element, double area, double length, double volume,
                     double lumped, double tolerance, double c, double grid_top) {
  duct_check d;
  d.label = label;
  d.element = element;
  d.lumped_tuning = lumped;
  const double to_hz = c / (2 * exact_pi * length);
  d.line_tuning = line_resonance_root(area, length, volume, 1) * to_hz;
  d.pipe_resonance = line_resonance_root(area, length, volume, 2) * to_hz;
  d.departs = std::fabs(d.line_tuning - lumped) > tolerance || d.pipe_resonance < grid_top;
  return d;
}

void make_line(model_state& s, int element, double length, double physical_length, double radius, bool rigid,
               bool viscothermal, const air_properties& air) {
  s.line_length[element] = length;
  s.line_rigid_end[element] = rigid;
  // The wall's loss lies on the physical length; spread over the acoustic one.
  if (viscothermal) s.line_loss[element] = viscothermal_attenuation(1, radius, air) * physical_length / length;
}

}  // namespace

std::vector<duct_check> check_ducts(const compiled_design& c, double grid_top) {
  std::vector<duct_check> checks;
  const model_state& s = *c.network;
  const double speed = c.air.speed();
  if (c.port >= 0)
    checks.push_back(check_one("port", c.port, c.port_shape.area, c.port_shape.effective_length, s.V[0],
                               c.port_shape.tuning, 0.01 * c.port_shape.tuning, speed, grid_top));
  for (std::size_t i = 0; i < c.resonators.size(); ++i) {
    const resonator_shape& r = c.resonators[i];
    if (r.quarter_wave) continue;
    checks.push_back(check_one(r.label, r.element, r.area, r.effective_length, r.volume, r.tuning,
                               r.tuning / (8 * r.q), speed, grid_top));
  }
  return checks;
}

void apply_duct_model(const design_file& file, double grid_top, compiled_design& c, std::vector<std::string>& warnings) {
  model_state& s = *c.network;
  for (std::size_t i = 0; i < c.resonators.size(); ++i) {
    const resonator_shape& r = c.resonators[i];
    if (r.quarter_wave)
      make_line(s, r.element, 2 * r.effective_length, r.physical_length, r.radius, true,
                file.resonators[i].viscothermal, c.air);
  }
  const duct_model ducts = file.model.ducts;
  for (const duct_check& d : check_ducts(c, grid_top)) {
    const bool line = ducts == duct_model::distributed || (ducts == duct_model::automatic && d.departs);
    if (line) {
      if (d.element == c.port) {
        make_line(s, d.element, c.port_shape.effective_length, c.port_shape.physical_length, c.port_shape.radius,
                  false, false, c.air);
      } else {
        for (std::size_t i = 0; i < c.resonators.size(); ++i) {
          const resonator_shape& r = c.resonators[i];
          if (r.element == d.element)
            make_line(s, r.element, r.effective_length, r.physical_length, r.radius, false,
                      file.resonators[i].viscothermal, c.air);
        }
      }
    }
    const bool warned = file.model.given || !file.resonators.empty();
    if (ducts == duct_model::lumped && d.departs && warned)
      warnings.push_back(message("%s: the line tunes to %.2f Hz, not %.2f Hz; first pipe resonance near %.0f Hz: set "
                                 "[model] ducts = \"distributed\"",
                                 d.label.c_str(), d.line_tuning, d.lumped_tuning, d.pipe_resonance));
  }
}
