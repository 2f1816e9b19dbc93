#include "design/plausibility.h"

#include <algorithm>
#include <cmath>

#include "design/units.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

// Wide enough for a table of real drivers from a 1-inch dome tweeter to a
// 21-inch subwoofer, narrow enough that a unit slipped by 10 or 1000
// leaves one of them.
const std::vector<plausible_range> ranges = {
    {"fs", "Hz", 5, 5000},
    {"Qms", "", 0.2, 200},  // the textbook's nearly lossless driver too
    {"Qes", "", 0.05, 10},
    {"Qts", "", 0.03, 5},
    {"Vas", "l", 1e-4, 5000},
    {"Mms", "g", 0.05, 2000},
    {"Cms", "mm/N", 0.005, 10},
    {"Kms", "N/mm", 0.1, 200},
    {"Rms", "kg/s", 0.02, 60},
    {"Bl", "T*m", 0.5, 60},
    {"Sd", "cm2", 1, 3000},
    {"diameter", "mm", 10, 800},
    {"Re", "ohm", 0.2, 100},
    {"Le", "mH", 0.001, 20},
    {"Xmax", "mm", 0.05, 60},
    {"Pe", "W", 0.5, 10000},
    {"eta0", "%", 0.005, 20},
    {"Mms/Sd", "g/cm2", 0.02, 1.5},
    {"sensitivity", "dB", 60, 120},
    {"Znom", "ohm", 1, 100},
    {"Vb", "l", 0.05, 10000},
    {"port_diameter", "mm", 5, 1000},
    {"port_area", "cm2", 0.2, 8000},
    {"port_length", "mm", 5, 5000},
    {"driver_volume", "l", 0.001, 200},
    {"depth", "mm", 10, 5000},
    {"radiator_Sd", "cm2", 1, 3000},
    {"Mmp", "g", 0.1, 5000},
    {"fp", "Hz", 1, 1000},
};

const plausible_range& range_of(const std::string& figure) {
  for (const plausible_range& r : ranges)
    if (figure == r.figure) return r;
  return ranges.front();  // every caller names a listed figure
}

// "120 mm", "0.4" for a plain number; never a NaN whose sign the build
// decides.
std::string shown(double value, const char* unit) {
  if (std::isnan(value)) return "not a number";
  return *unit ? message("%.3g %s", value, unit) : message("%.3g", value);
}

struct problem {
  std::string text;      // the figure, its value and its range
  std::string accepted;  // the warning it becomes with --accept-unusual
};

struct findings {
  std::vector<problem> problems;
  std::vector<std::string> warnings;
  status hard;  // the design cannot be completed or compiled
};

// The figure's value (in its range's unit) against the range.
void check(findings& f, const std::string& figure, double value, const std::string& described) {
  const plausible_range& r = range_of(figure);
  if (value >= r.low && value <= r.high) return;
  const std::string space = *r.unit ? " " : "";
  const std::string text = message("%s lies outside what loudspeakers have (%g%s%s to %g%s%s)", described.c_str(),
                                   r.low, space.c_str(), r.unit, r.high, space.c_str(), r.unit);
  f.problems.push_back({text, text + ": going on with it (--accept-unusual)"});
}

double shown_value(double si, const plausible_range& r) { return *r.unit ? in_unit(si, r.unit) : si; }

// A typed value: `driver.Xmax = "12 cm" (120 mm)`.
void check_typed(findings& f, const std::string& key, const given_value& v, const std::string& figure) {
  if (!v.given) return;
  const plausible_range& r = range_of(figure);
  const double value = shown_value(v.value, r);
  std::string described = key + " = " + (v.typed.unit.empty() ? v.text : quoted(v.text));
  if (!v.typed.unit.empty() && v.typed.unit != r.unit) described += " (" + shown(value, r.unit) + ")";
  check(f, figure, value, described);
}

// A derived value: `driver Mms = 0.0179 g (from fs = "28 Hz", ...)`.
void check_derived(findings& f, const std::string& name, double value, const std::string& figure,
                   const std::string& origin) {
  const plausible_range& r = range_of(figure);
  check(f, figure, value, message("the derived %s = %s (from %s)", name.c_str(), shown(value, r.unit).c_str(),
                                  origin.c_str()));
}

void typed_driver(findings& f, const driver_sheet& in) {
  const std::pair<const char*, const given_value*> typed[] = {
      {"fs", &in.fs},   {"Qms", &in.Qms}, {"Qes", &in.Qes}, {"Qts", &in.Qts}, {"Vas", &in.Vas},
      {"Mms", &in.Mms}, {"Cms", &in.Cms}, {"Kms", &in.Kms}, {"Rms", &in.Rms}, {"Bl", &in.Bl},
      {"Sd", &in.Sd},   {"diameter", &in.diameter},         {"Re", &in.Re},   {"Le", &in.Le},
      {"Xmax", &in.Xmax}, {"Pe", &in.Pe}, {"sensitivity", &in.sensitivity}, {"Znom", &in.Znom}};
  for (const auto& [figure, v] : typed) check_typed(f, std::string("driver.") + figure, *v, figure);
}

// The passband level at the sheet's drive, half space, 1 m, against the
// sheet's: p = rho Sd Bl V / (2 pi r Re Mms).
status check_sensitivity(findings& f, const driver_sheet& in, const driver_parameters& d) {
  if (!in.sensitivity.given) {
    if (in.sensitivity_drive.given) return status::error("driver.sensitivity_drive given: expected driver.sensitivity with it");
    return status::success();
  }
  double volts = 2.83;
  std::string drive = "2.83 V";
  if (in.sensitivity_drive.given) {
    drive = in.sensitivity_drive.text;
    volts = in.sensitivity_drive.value;
    if (in.drive_in_watts) {
      if (!in.Znom.given)
        return status::error(message("driver.sensitivity_drive = %s is a power into the rated impedance: expected "
                                     "driver.Znom with it, e.g. \"8 ohm\"",
                                     quoted(in.sensitivity_drive.text).c_str()));
      volts = std::sqrt(in.Znom.value * in.sensitivity_drive.value);
      drive += message(" into %s (%.3g V)", in.Znom.text.c_str(), volts);
    }
  }
  const double pressure = rho * d.sd * d.bl * volts / (2 * pi * d.re * d.mms);
  const double derived = 20 * std::log10(pressure / 20e-6);
  const double typed = in.sensitivity.value;
  if (std::fabs(typed - derived) > sensitivity_tolerance_db)
    f.warnings.push_back(message("driver.sensitivity = %.4g dB at %s disagrees with %.4g dB from the driver's "
                                 "figures at that drive, half space, 1 m (%.2g dB apart): the design goes on with its "
                                 "figures",
                                 typed, drive.c_str(), derived, std::fabs(typed - derived)));
  return status::success();
}

// Everything about the driver; `d` completed unless f.hard fails.
void driver_findings(const driver_sheet& in, driver_parameters& d, findings& f, bool check_typed_values = true) {
  if (check_typed_values) typed_driver(f, in);
  driver_account account;
  f.hard = complete_driver(in, d, account);
  if (!f.hard.ok()) return;
  const struct {
    const char* figure;
    double value;  // SI
  } derived[] = {{"fs", d.fs},   {"Qms", d.qms}, {"Qes", d.qes}, {"Qts", d.qts}, {"Vas", d.vas},
                 {"Mms", d.mms}, {"Cms", d.cms}, {"Rms", d.rms}, {"Bl", d.bl}};
  for (const auto& x : derived) {
    const auto& taken = account.taken_as_given;
    if (std::find(taken.begin(), taken.end(), x.figure) != taken.end()) continue;
    const plausible_range& r = range_of(x.figure);
    check_derived(f, std::string("driver.") + x.figure, shown_value(x.value, r), x.figure, account.origin[x.figure]);
  }
  const double c = std::sqrt(rho_c2 / rho);
  const double eta0 = 4 * pi * pi * std::pow(d.fs, 3) * d.vas / (std::pow(c, 3) * d.qes) * 100;
  check_derived(f, "eta0", eta0, "eta0", account.origin["Vas"] + ", " + account.origin["Qes"]);
  check_derived(f, "Mms/Sd", d.mms * 1e3 / (d.sd * 1e4), "Mms/Sd", account.origin["Mms"]);
  for (const datasheet_contradiction& c : account.contradictions) {
    if (c.difference > contradiction_limit) {
      f.problems.push_back({message("%s: expected the sheet's figures within %g %% of each other (driver.trust names "
                                    "the ones that win)",
                                    c.account.c_str(), contradiction_limit * 100),
                            c.account + ": the design uses " + c.goes_on});
    } else {
      f.warnings.push_back(c.account + ": the design uses " + c.goes_on);
    }
  }
  const status sensitivity = check_sensitivity(f, in, d);
  if (!sensitivity.ok()) f.hard = sensitivity;
}

std::string port_origin(const enclosure_sheet& e) {
  std::string text = "Vb = " + quoted(e.Vb.text);
  for (const auto& [key, v] : {std::pair<const char*, const given_value*>{"fb", &e.fb},
                               {"port_diameter", &e.port_diameter},
                               {"port_area", &e.port_area}})
    if (v->given) text += message(", %s = %s", key, quoted(v->text).c_str());
  if (e.ports > 1) text += message(", ports = %d", e.ports);
  return text;
}

void design_findings(const design_file& file, driver_parameters& d, compiled_design& c, findings& f) {
  const enclosure_sheet& e = file.enclosure;
  typed_driver(f, file.driver);
  check_typed(f, "enclosure.Vb", e.Vb, "Vb");
  check_typed(f, "enclosure.Vr", e.Vr, "Vb");
  check_typed(f, "enclosure.port_diameter", e.port_diameter, "port_diameter");
  check_typed(f, "enclosure.port_area", e.port_area, "port_area");
  check_typed(f, "enclosure.port_length", e.port_length, "port_length");
  check_typed(f, "enclosure.depth", e.depth, "depth");
  check_typed(f, "driver.driver_volume", file.driver.volume, "driver_volume");
  if (file.radiator.given) {
    check_typed(f, "passive_radiator.Sd", file.radiator.Sd, "radiator_Sd");
    check_typed(f, "passive_radiator.Mmp", file.radiator.Mmp, "Mmp");
    check_typed(f, "passive_radiator.fp", file.radiator.fp, "fp");
    check_typed(f, "passive_radiator.Xmax", file.radiator.Xmax, "Xmax");
  }
  driver_findings(file.driver, d, f, false);
  if (!f.hard.ok()) return;
  f.hard = compile_design(file, d, c, f.warnings);
  if (!f.hard.ok() || c.port < 0) return;
  const port_geometry& g = c.port_shape;
  if (e.fb.given)
    check_derived(f, "port length", g.physical_length * 1e3, "port_length", port_origin(e));
  const double air = g.area * g.physical_length;
  if (air > e.Vb.value) {
    const std::string text = message("the ports' air (their area times their physical length) = %.3g l (from %s) "
                                     "lies outside what loudspeakers have (up to the box's %.3g l)",
                                     air * 1e3, port_origin(e).c_str(), e.Vb.value * 1e3);
    f.problems.push_back({text, text + ": going on with it (--accept-unusual)"});
  }
}

bool clean(const findings& f) { return f.hard.ok() && f.problems.empty(); }

using field = given_value& (*)(design_file&);

struct slippable {
  const char* key;
  field value;
};

#define SLIP(table, name, path) {table "." name, [](design_file& d) -> given_value& { return d.path; }}
const slippable slippable_values[] = {
    SLIP("driver", "Vas", driver.Vas),          SLIP("driver", "Mms", driver.Mms),
    SLIP("driver", "Cms", driver.Cms),          SLIP("driver", "Kms", driver.Kms),
    SLIP("driver", "Sd", driver.Sd),            SLIP("driver", "diameter", driver.diameter),
    SLIP("driver", "Le", driver.Le),            SLIP("driver", "Xmax", driver.Xmax),
    SLIP("driver", "Pe", driver.Pe),            SLIP("driver", "driver_volume", driver.volume),
    SLIP("enclosure", "depth", enclosure.depth), SLIP("enclosure", "Vb", enclosure.Vb),
    SLIP("enclosure", "Vr", enclosure.Vr),      SLIP("enclosure", "port_diameter", enclosure.port_diameter),
    SLIP("enclosure", "port_area", enclosure.port_area), SLIP("enclosure", "port_length", enclosure.port_length),
    SLIP("passive_radiator", "Sd", radiator.Sd), SLIP("passive_radiator", "Mmp", radiator.Mmp),
    SLIP("passive_radiator", "Xmax", radiator.Xmax),
};
#undef SLIP

// The one typed value that, read in another unit of its dimension, brings
// every figure into range: `did you mean driver.Xmax = "12 mm" (12 in mm,
// not cm)?`; empty when none does, or more than one.
std::string slip_of(const design_file& file, bool whole_design) {
  std::string found;
  int count = 0;
  for (const slippable& s : slippable_values) {
    if (!whole_design && std::string(s.key).compare(0, 7, "driver.") != 0) continue;
    const given_value& typed = s.value(const_cast<design_file&>(file));
    if (!typed.given || typed.typed.unit.empty()) continue;
    for (const std::string& unit : slip_units(typed.typed.unit)) {
      design_file trial = file;
      given_value& v = s.value(trial);
      v.value = typed.typed.number * unit_to_si(unit);
      v.typed.unit = unit;
      v.text = message("%g %s", typed.typed.number, unit.c_str());
      findings f;
      driver_parameters d;
      compiled_design c;
      if (whole_design) {
        design_findings(trial, d, c, f);
      } else {
        driver_findings(trial.driver, d, f);
      }
      if (!clean(f)) continue;
      ++count;
      found = message("did you mean %s = %s (%g in %s, not %s)?", s.key, quoted(v.text).c_str(), typed.typed.number,
                      unit.c_str(), typed.typed.unit.c_str());
    }
  }
  return count == 1 ? found : "";
}

status verdict(const findings& f, const design_file& file, bool whole_design, bool accept_unusual,
               std::vector<std::string>& warnings) {
  if (f.problems.empty() || accept_unusual) {
    for (const problem& p : f.problems) warnings.push_back(p.accepted);
    if (!f.hard.ok()) return f.hard;
    warnings.insert(warnings.end(), f.warnings.begin(), f.warnings.end());
    return status::success();
  }
  const std::string slip = slip_of(file, whole_design);
  return status::error(f.problems.front().text + ": " +
                       (slip.empty() ? "expected a figure a loudspeaker has (--accept-unusual for a real outlier)"
                                     : slip));
}

}  // namespace

const std::vector<plausible_range>& plausible_ranges() { return ranges; }

status check_driver(const driver_sheet& sheet, bool accept_unusual, driver_parameters& d,
                    std::vector<std::string>& warnings) {
  findings f;
  driver_findings(sheet, d, f);
  design_file file;
  file.driver = sheet;
  return verdict(f, file, false, accept_unusual, warnings);
}

status check_design(const design_file& file, bool accept_unusual, driver_parameters& d, compiled_design& compiled,
                    std::vector<std::string>& warnings) {
  findings f;
  design_findings(file, d, compiled, f);
  return verdict(f, file, true, accept_unusual, warnings);
}
