#include "design/resonator.h"

#include <cmath>

#include "util/message.h"

double viscothermal_attenuation(double w, double radius, const air_properties& air) {
  constexpr double prandtl = 0.71;
  const double nu = air_viscosity(air.temperature) / air.density;
  return std::sqrt(w * nu / 2) * (1 + (air_gamma - 1) / std::sqrt(prandtl)) / (radius * air.speed());
}

namespace {

status pair_given(bool a, bool b, const std::string& prefix, const char* key_a, const char* key_b) {
  if (a && b) return status::error(message("%s%s and %s%s both given: expected one of them", prefix.c_str(), key_a,
                                           prefix.c_str(), key_b));
  if (!a && !b) return status::error(message("%s%s is missing: expected %s or %s", prefix.c_str(), key_a, key_a, key_b));
  return status::success();
}

double end_correction_factor(const resonator_sheet& r) {
  if (r.type == resonator_type::quarter_wave) return r.ends == port_ends::free_free ? free_end : flanged_end;
  switch (r.ends) {
    case port_ends::flanged_flanged: return 2 * flanged_end;
    case port_ends::free_free: return 2 * free_end;
    default: return flanged_end + free_end;
  }
}

}  // namespace

status shape_resonator(const resonator_sheet& r, int index, const air_properties& air, resonator_shape& g) {
  const bool tube = r.type == resonator_type::quarter_wave;
  const std::string prefix = message("resonator[%d].", index);
  g.label = r.name.empty() ? message("resonator %d", index) : r.name;
  g.quarter_wave = tube;
  if (!tube) {
    if (!r.volume.given) return status::error(prefix + "volume is missing: expected the cavity's volume, e.g. \"5 l\"");
    RETURN_IF_ERROR(pair_given(r.neck_diameter.given, r.neck_area.given, prefix, "neck_diameter", "neck_area"));
    RETURN_IF_ERROR(pair_given(r.neck_length.given, r.fr.given, prefix, "neck_length", "fr"));
  } else {
    if (!r.neck_diameter.given) return status::error(prefix + "diameter is missing: expected the tube's diameter");
    RETURN_IF_ERROR(pair_given(r.neck_length.given, r.fr.given, prefix, "length", "fr"));
  }
  RETURN_IF_ERROR(pair_given(r.Q.given, r.viscothermal, prefix, "Q", "losses"));
  const double one = r.neck_area.given ? r.neck_area.value : exact_pi * std::pow(r.neck_diameter.value, 2) / 4;
  const int necks = tube ? 1 : r.necks;
  g.area = one * necks;
  g.radius = std::sqrt(one / exact_pi);
  const double k = end_correction_factor(r);
  g.end_correction = k * g.radius;
  const double c = air.speed(), c2 = air.c2();
  if (tube) {
    // The first mode of a tube closed at its far end: (L + delta) = c / (4 fr).
    if (r.fr.given) {
      g.physical_length = c / (4 * r.fr.value) - g.end_correction;
      if (!(g.physical_length > 0))
        return status::error(message("%sfr = %g Hz would need a tube of %.1f mm: expected a tube of less than %.1f mm "
                                     "diameter or a lower fr",
                                     prefix.c_str(), r.fr.value, g.physical_length * 1e3,
                                     2 * c / (4 * r.fr.value) / k * 1e3));
    } else {
      g.physical_length = r.neck_length.value;
    }
    const double acoustic_length = g.physical_length + g.end_correction;
    g.effective_length = acoustic_length / 2;
    g.volume = 8 / (exact_pi * exact_pi) * g.area * acoustic_length;
  } else {
    g.volume = r.volume.value;
    if (r.fr.given) {
      const double w = 2 * exact_pi * r.fr.value;
      g.effective_length = c2 * g.area / (w * w * g.volume);
      g.physical_length = g.effective_length - g.end_correction;
      if (!(g.physical_length > 0)) {
        // As for a port: Leff = c^2 N A1 / (w^2 V) grows with A1 faster
        // than its end correction k sqrt(A1 / pi).
        const double a1_min = std::pow(k * w * w * g.volume / (c2 * necks), 2) / exact_pi;
        const double v_max = c2 * g.area / (w * w * g.end_correction);
        return status::error(message(
            "%sfr = %g Hz: a neck of %g mm diameter on %g l would be %.1f mm long: expected a neck of more than %.1f mm "
            "diameter (%.4g cm2) or a volume of less than %.3g l",
            prefix.c_str(), r.fr.value, 2 * g.radius * 1e3, g.volume * 1e3, g.physical_length * 1e3,
            2 * std::sqrt(a1_min / exact_pi) * 1e3, a1_min * 1e4, v_max * 1e3));
      }
    } else {
      g.physical_length = r.neck_length.value;
      g.effective_length = g.physical_length + g.end_correction;
    }
  }
  g.tuning = std::sqrt(c2 * g.area / (g.volume * g.effective_length)) / (2 * exact_pi);
  const double w0 = 2 * exact_pi * g.tuning;
  const double mass = air.density * g.area * g.effective_length;
  if (r.Q.given) {
    g.q = r.Q.value;
  } else {
    // A line of attenuation alpha has Q = k / (2 alpha); the loss lies
    // on the physical length only, spread over the acoustic one.
    const double alpha = viscothermal_attenuation(w0, g.radius, air);
    const double acoustic_length = tube ? 2 * g.effective_length : g.effective_length;
    g.q = (w0 / c) * acoustic_length / (2 * alpha * g.physical_length);
  }
  g.resistance = w0 * mass / g.q;
  return status::success();
}

void add_resonator_branches(model_state& s, std::vector<resonator_shape>& resonators) {
  const int before = s.n, after = before + static_cast<int>(resonators.size());
  // The open chambers' external ducts, n+1..2n, move to after+1..after+n.
  for (int i = before; i >= 1; --i) {
    s.A[after + i] = s.A[before + i];
    s.L[after + i] = s.L[before + i];
    s.C[after + i] = s.C[before + i];
    s.Kd[after + i] = s.Kd[before + i];
  }
  for (std::size_t k = 0; k < resonators.size(); ++k) {
    resonator_shape& r = resonators[k];
    const int i = before + 1 + static_cast<int>(k);
    r.element = i;
    s.V[i] = r.volume * 1e3;
    s.A[i] = r.area * 1e4;
    s.L[i] = r.effective_length * 1e3;
    s.C[i] = r.resistance;
    s.Kd[i] = 0;
    s.A[after + i] = 0;
    s.L[after + i] = 0;
    s.C[after + i] = wall_damping;
    s.Kd[after + i] = 0;
  }
  s.n = after;
}
