#include "design/network_compiler.h"

#include <cmath>

#include "design/units.h"
#include "model/network_checks.h"
#include "model/parameters.h"
#include "util/message.h"

namespace {

// The external duct of an open side chamber is open on both ends and
// undriven: a small mass that never moves.
constexpr double idle_duct_area_cm2 = 1, idle_duct_length_mm = 1;

const char* type_name(enclosure_type t) {
  switch (t) {
    case enclosure_type::closed: return "a closed box";
    case enclosure_type::vented: return "a vented box";
    case enclosure_type::bandpass4: return "a bandpass4";
    case enclosure_type::passive_radiator: return "a passive radiator box";
    default: return "a baffle";
  }
}

// End corrections of one port, both ends, in units of its radius.
double end_factor(port_ends ends) {
  constexpr double flanged = 0.85, free_end = 0.61;
  switch (ends) {
    case port_ends::flanged_flanged: return 2 * flanged;
    case port_ends::free_free: return 2 * free_end;
    default: return flanged + free_end;
  }
}

status require(const given_value& v, const char* key, enclosure_type t) {
  if (v.given) return status::success();
  return status::error(message("enclosure.%s is missing: %s needs it", key, type_name(t)));
}

status refuse(bool given, const char* key, enclosure_type t) {
  if (!given) return status::success();
  return status::error(message("enclosure.%s does not apply to %s", key, type_name(t)));
}

status shape_port(const enclosure_sheet& e, double vb, const air_properties& air, port_geometry& g) {
  if (e.port_area.given && e.port_diameter.given)
    return status::error("enclosure: port_diameter and port_area both given: expected one of them");
  if (!e.port_area.given && !e.port_diameter.given)
    return status::error("enclosure.port_diameter is missing: expected the port's diameter or port_area");
  if (e.fb.given == e.port_length.given)
    return status::error(message("enclosure: %s: expected fb or port_length", e.fb.given ? "fb and port_length both given"
                                                                                          : "no fb and no port_length"));
  const double one = e.port_area.given ? e.port_area.value : pi * e.port_diameter.value * e.port_diameter.value / 4;
  g.area = one * e.ports;
  g.radius = std::sqrt(one / pi);
  const double k = end_factor(e.ends);
  g.end_correction = k * g.radius;
  const double c2 = air.c2();
  if (e.fb.given) {
    const double wb = two_pi * e.fb.value;
    g.effective_length = c2 * g.area / (wb * wb * vb);
    g.physical_length = g.effective_length - g.end_correction;
    if (!(g.physical_length > 0)) {
      // Leff = c^2 N A1 / (wb^2 Vb) grows with the port's area A1 faster
      // than its end correction k sqrt(A1 / pi): the smallest port and the
      // largest box whose port has a length.
      const double a1_min = std::pow(k * wb * wb * vb / (c2 * e.ports), 2) / pi;
      const double vb_max = c2 * g.area / (wb * wb * g.end_correction);
      // Tenths of a millimetre for a port, a few figures for the values
      // an unusual design lets through.
      const auto mm = [](double m) { return std::fabs(m) < 1e3 ? message("%.1f", m * 1e3) : message("%.4g", m * 1e3); };
      const std::string port = message("a port of %g mm diameter tuning %g l to %g Hz would be %s mm long: expected ",
                                       2 * g.radius * 1e3, vb * 1e3, e.fb.value, mm(g.physical_length).c_str());
      if (!std::isfinite(a1_min)) return status::error(port + message("a box of less than %.3g l", vb_max * 1e3));
      return status::error(port + message("a port of more than %s mm diameter (%.4g cm2) or a box of less than %.3g l",
                                          mm(2 * std::sqrt(a1_min / pi)).c_str(), a1_min * 1e4, vb_max * 1e3));
    }
  } else {
    g.physical_length = e.port_length.value;
    g.effective_length = g.physical_length + g.end_correction;
  }
  g.tuning = std::sqrt(c2 * g.area / (vb * g.effective_length)) / two_pi;
  return status::success();
}

status check_keys(const enclosure_sheet& e) {
  const enclosure_type t = e.type;
  const bool ported = t == enclosure_type::vented || t == enclosure_type::bandpass4;
  if (t != enclosure_type::baffle) RETURN_IF_ERROR(require(e.Vb, "Vb", t));
  if (t == enclosure_type::bandpass4) RETURN_IF_ERROR(require(e.Vr, "Vr", t));
  RETURN_IF_ERROR(refuse(t == enclosure_type::baffle && e.Vb.given, "Vb", t));
  RETURN_IF_ERROR(refuse(t != enclosure_type::bandpass4 && e.Vr.given, "Vr", t));
  if (!ported) {
    RETURN_IF_ERROR(refuse(e.fb.given, "fb", t));
    RETURN_IF_ERROR(refuse(e.port_length.given, "port_length", t));
    RETURN_IF_ERROR(refuse(e.port_diameter.given, "port_diameter", t));
    RETURN_IF_ERROR(refuse(e.port_area.given, "port_area", t));
    if (t != enclosure_type::passive_radiator) RETURN_IF_ERROR(refuse(e.Ql.given, "Ql", t));
  }
  return status::success();
}

// The radiator's figures: Sd, Mmp, Qmp and one of fp and Cmp.
status check_radiator(const passive_radiator_sheet& r, bool wanted) {
  if (!wanted) {
    if (r.given) return status::error("[passive_radiator] given: expected enclosure.type = \"passive_radiator\" with it");
    return status::success();
  }
  if (!r.given) return status::error("no [passive_radiator] table: a passive radiator box needs Sd, Mmp, fp or Cmp, and Qmp");
  for (const auto& [v, key] : {std::pair<const given_value*, const char*>{&r.Sd, "Sd"}, {&r.Mmp, "Mmp"}, {&r.Qmp, "Qmp"}})
    if (!v->given) return status::error(message("passive_radiator.%s is missing: expected Sd, Mmp, fp or Cmp, and Qmp", key));
  if (r.fp.given == r.Cmp.given)
    return status::error(r.fp.given ? "passive_radiator: fp and Cmp both given: expected one of them"
                                    : "passive_radiator: no fp and no Cmp: expected its free-air resonance or compliance");
  return status::success();
}

// Sets the parameter file's values of the network, then derives and
// checks it as the parameter file's network is.
status build_network(model_state& s, const driver_parameters& d, double suspension_stiffness,
                     const air_properties& air) {
  s.air_density = air.density;
  s.air_pressure = air.pressure;
  s.m0 = d.mms * 1e3;
  s.radius = std::sqrt(d.sd * 1e4 / pi);
  s.f0 = std::sqrt(suspension_stiffness / (d.mms * 39.47840117785601));
  s.HCR = design_hcr;
  s.ND = 2 * s.n + 1;
  s.division = 100;
  s.delta = 1e-4;  // the damping terms of the recursion need a step; the steady state does not
  RETURN_IF_ERROR(derive_piston(s));
  return derive_checked_network(s);
}

// Element 1 (a port or a passive radiator, set by the caller) radiates
// from an open side chamber; the leak, unless Ql = inf, is element 2:
// Ral = Ql / (wb Cab), Cab = Vb / (rho c^2), a resistance from the box to
// the room, here a duct of the piston's area without air. The external
// ducts of the open chambers never move.
void open_to_the_room(model_state& s, compiled_design& out, const enclosure_sheet& e, const driver_parameters& d,
                      double vb, double tuning, const air_properties& air) {
  const bool leaky = !e.Ql.given || std::isfinite(e.Ql.value);
  s.n = leaky ? 2 : 1;
  s.V[1] = INFINITY;
  out.radiators.push_back({1, -1});
  if (leaky) {
    const double ql = e.Ql.given ? e.Ql.value : 10;
    out.leak = 2;
    out.leak_resistance = ql * air.bulk_modulus / (two_pi * tuning * vb);
    s.V[2] = INFINITY;
    s.A[2] = d.sd * 1e4;
    s.L[2] = 0;
    s.C[2] = out.leak_resistance * d.sd * d.sd;
    out.radiators.push_back({2, -1});
  }
  for (int i = s.n + 1; i <= 2 * s.n; ++i) {
    s.A[i] = idle_duct_area_cm2;
    s.L[i] = idle_duct_length_mm;
  }
}

// A flow source needs a chamber to drive and no piston behind it;
// resonators need a chamber to sit on.
status check_branch_tables(const design_file& file) {
  const enclosure_type t = file.enclosure.type;
  if (file.source.volume_velocity && (t == enclosure_type::baffle || t == enclosure_type::bandpass4))
    return status::error(message("[source] volume_velocity drives the main chamber: %s has %s", type_name(t),
                                 t == enclosure_type::baffle ? "none" : "its driver's rear chamber behind it"));
  if (!file.resonators.empty() && t == enclosure_type::baffle)
    return status::error("[[resonator]] on a baffle: expected an enclosure with a chamber to sit on");
  return status::success();
}

status add_resonators(const design_file& file, const air_properties& air, model_state& s, compiled_design& out) {
  if (file.resonators.empty()) return status::success();
  const int branches = s.n + static_cast<int>(file.resonators.size());
  if (branches > MAX_BRANCHES)
    return status::error(message("%d branches (%d of the enclosure's ports, passive radiators and leak, %zu "
                                 "resonators): expected at most %d",
                                 branches, s.n, file.resonators.size(), MAX_BRANCHES));
  for (std::size_t i = 0; i < file.resonators.size(); ++i) {
    out.resonators.emplace_back();
    RETURN_IF_ERROR(shape_resonator(file.resonators[i], static_cast<int>(i) + 1, air, out.resonators.back()));
  }
  add_resonator_branches(s, out.resonators);
  return status::success();
}

}  // namespace

status compile_design(const design_file& file, const driver_parameters& d, compiled_design& out,
                      std::vector<std::string>& /*warnings: none of its own yet*/) {
  const enclosure_sheet& e = file.enclosure;
  RETURN_IF_ERROR(check_keys(e));
  RETURN_IF_ERROR(check_radiator(file.radiator, e.type == enclosure_type::passive_radiator));
  RETURN_IF_ERROR(check_branch_tables(file));
  const air_properties air = air_of(file);
  out.air = air;
  out.flow = file.source.volume_velocity ? file.source.flow.value : 0;
  out.network = std::make_unique<model_state>();
  model_state& s = *out.network;
  const enclosure_type t = e.type;
  const bool ported = t == enclosure_type::vented || t == enclosure_type::bandpass4;
  const double vb = e.Vb.value;
  double suspension = 1 / d.cms;
  if (t == enclosure_type::bandpass4) suspension += air.bulk_modulus * d.sd * d.sd / e.Vr.value;

  s.V[0] = t == enclosure_type::baffle ? INFINITY : vb * 1e3;
  s.C[0] = d.rms;
  // The cone's front faces the room, so a forward (outward) motion is a
  // negative displacement into the box; the bandpass4's front chamber is
  // the main chamber, and only its port and leak reach the room.
  out.coil_polarity = t == enclosure_type::bandpass4 ? 1 : -1;
  // A flow source radiates nothing itself.
  if (t != enclosure_type::bandpass4 && out.flow == 0) out.radiators.push_back({0, -1});
  if (ported) {
    RETURN_IF_ERROR(shape_port(e, vb, air, out.port_shape));
    out.port = 1;
    s.A[1] = out.port_shape.area * 1e4;
    s.L[1] = out.port_shape.effective_length * 1e3;
    open_to_the_room(s, out, e, d, vb, out.port_shape.tuning, air);
  }
  if (t == enclosure_type::passive_radiator) {
    // One element for all the radiators: their area and mass add, as do
    // their suspensions' stiffnesses and their damping.
    const passive_radiator_sheet& p = file.radiator;
    const double n = p.count, area = n * p.Sd.value, mass = n * p.Mmp.value;
    const double cmp = p.Cmp.given ? p.Cmp.value : 1 / (std::pow(2 * pi * p.fp.value, 2) * p.Mmp.value);
    const double fp = p.fp.given ? p.fp.value : 1 / (2 * pi * std::sqrt(p.Mmp.value * cmp));
    const double stiffness = n / cmp, damping = n * 2 * pi * fp * p.Mmp.value / p.Qmp.value;
    out.passive = 1;
    s.A[1] = area * 1e4;
    s.L[1] = mass / (air.density * area) * 1e3;
    s.C[1] = damping;
    s.Kd[1] = stiffness;
    // Its tuning in the box, fp' = sqrt((n / Cmp + rho c^2 A^2 / Vb) / M) / 2 pi.
    const double tuning = std::sqrt((stiffness + air.bulk_modulus * area * area / vb) / mass) / (2 * pi);
    open_to_the_room(s, out, e, d, vb, tuning, air);
  }
  RETURN_IF_ERROR(add_resonators(file, air, s, out));
  const status built = build_network(s, d, suspension, air);
  if (!built.ok()) {
    // The checks speak of the parameter file this design never had.
    std::string detail = built.message;
    const std::string file = std::string(parameter_file_name) + ": ";
    if (detail.compare(0, file.size(), file) == 0) detail.erase(0, file.size());
    return status::error("the design's values overflow the network (" + detail + "): expected values a "
                         "loudspeaker has");
  }
  return status::success();
}
