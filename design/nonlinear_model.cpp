#include "design/nonlinear_model.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "model/matrix_assembly.h"
#include "util/message.h"

namespace {

// The datasheet's rule for a figure given twice: beyond 2 % a warning,
// beyond 20 % an error.
status compare_at_rest(const char* key, double curve, double sheet, const char* unit, double to_unit,
                       std::vector<std::string>& warnings) {
  if (!(sheet > 0)) return status::success();
  const double off = std::abs(curve / sheet - 1);
  const std::string what = message("nonlinear.%s at rest %.4g %s differs from the datasheet's %.4g %s by %.1f %%", key,
                                   curve * to_unit, unit, sheet * to_unit, unit, off * 100);
  if (off > 0.20) return status::error(what + ": expected within 20 %");
  if (off > 0.02) warnings.push_back(what + ": the large-signal figures use the curves");
  return status::success();
}

curve polynomial(const std::vector<double>& c) {
  curve k;
  k.poly = c;
  return k;
}

status from_table(const design_file& file, large_signal& m) {
  const std::string& name = file.nonlinear.curves;
  const std::string path = name.front() == '/' || file.nonlinear.folder.empty() ? name : file.nonlinear.folder + "/" + name;
  std::vector<double> x, bl, kms, le;
  const status read = read_curves_table(path, x, bl, kms, le);
  if (!read.ok()) return status::error("nonlinear.curves: " + read.message);
  for (double& v : x) v *= 1e-3;
  for (double& v : kms) v *= 1e3;
  for (double& v : le) v *= 1e-3;
  if (!(x.front() < 0 && x.back() > 0))
    return status::error(message("nonlinear.curves: %s spans %g to %g mm: expected x on both sides of 0", path.c_str(),
                                 x.front() * 1e3, x.back() * 1e3));
  m.bl = monotone_spline(x, bl);
  m.kms = monotone_spline(x, kms);
  if (!le.empty()) m.le = monotone_spline(x, le);
  m.range = std::min(-x.front(), x.back());
  return status::success();
}

double falls_to(const curve& c, double fraction, double range, bool reciprocal) {
  const double at_rest = reciprocal ? 1 / c.value(0) : c.value(0);
  double nearest = 0;
  constexpr int points = 4000;
  for (int side = -1; side <= 1; side += 2) {
    for (int j = 1; j <= points; ++j) {
      const double x = side * range * j / points;
      const double v = reciprocal ? 1 / c.value(x) : c.value(x);
      if (v <= fraction * at_rest) {
        if (nearest == 0 || std::abs(x) < nearest) nearest = std::abs(x);
        break;
      }
    }
  }
  return nearest;
}

}  // namespace

double bl_limit(const large_signal& m) { return falls_to(m.bl, 0.82, m.range, false); }
double compliance_limit(const large_signal& m) { return falls_to(m.kms, 0.75, m.range, true); }

status read_curves_table(const std::string& path, std::vector<double>& x, std::vector<double>& bl,
                         std::vector<double>& kms, std::vector<double>& le) {
  std::ifstream in(path);
  if (!in) return status::error(message("cannot open %s: expected a table x[mm],Bl[T*m],Kms[N/mm],Le[mH]", path.c_str()));
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const bool with_le = line == "x[mm],Bl[T*m],Kms[N/mm],Le[mH]";
  if (!with_le && line != "x[mm],Bl[T*m],Kms[N/mm]")
    return status::error(message("%s: header %s: expected x[mm],Bl[T*m],Kms[N/mm],Le[mH]", path.c_str(), line.c_str()));
  int row = 1;
  while (std::getline(in, line)) {
    ++row;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::string cell;
    std::vector<double> values;
    while (std::getline(fields, cell, ',')) {
      char* end = nullptr;
      const double v = std::strtod(cell.c_str(), &end);
      if (end == cell.c_str() || *end != '\0' || !std::isfinite(v))
        return status::error(message("%s: line %d: %s: expected a number", path.c_str(), row, cell.c_str()));
      values.push_back(v);
    }
    if (values.size() != (with_le ? 4u : 3u))
      return status::error(message("%s: line %d: expected %d numbers", path.c_str(), row, with_le ? 4 : 3));
    if (!x.empty() && !(values[0] > x.back()))
      return status::error(message("%s: line %d: x %g mm: expected x rising", path.c_str(), row, values[0]));
    x.push_back(values[0]);
    bl.push_back(values[1]);
    kms.push_back(values[2]);
    if (with_le) le.push_back(values[3]);
  }
  if (x.size() < 3) return status::error(message("%s: expected at least 3 rows", path.c_str()));
  return status::success();
}

status build_large_signal(const design_file& file, const driver_parameters& datasheet, double current,
                          large_signal_design& out, std::vector<std::string>& warnings) {
  const nonlinear_sheet& n = file.nonlinear;
  const enclosure_sheet& e = file.enclosure;
  const bool ported = e.type == enclosure_type::vented || e.type == enclosure_type::bandpass4;
  if (e.port_loss.given && !ported)
    return status::error("enclosure.port_loss given without a port: expected a vented box or a bandpass4");
  large_signal& m = out.model;
  m = large_signal();
  if (n.given && !n.curves.empty()) {
    RETURN_IF_ERROR(from_table(file, m));
  } else if (n.given) {
    m.bl = polynomial(n.bl);
    if (!n.kms.empty()) {
      m.kms = polynomial(n.kms);
    } else {
      m.kms = polynomial(n.cms);
      m.kms.reciprocal = true;
    }
    if (!n.le.empty()) m.le = polynomial(n.le);
    m.range = n.range > 0 ? n.range : 2 * datasheet.xmax;
    if (!(m.range > 0)) return status::error("nonlinear.range is missing: expected range or the driver's Xmax");
  } else {
    // The port's loss alone: the datasheet's driver at every x.
    m.bl = polynomial({datasheet.bl});
    m.kms = polynomial({1 / datasheet.cms});
    m.range = datasheet.xmax > 0 ? 2 * datasheet.xmax : 1;
  }
  m.q = n.le_i;
  if (!m.has_inductance() && datasheet.le > 0) m.le = polynomial({datasheet.le});
  if (!m.has_inductance() && !m.q.empty())
    return status::error("nonlinear.Le_i given without an inductance: expected Le or the driver's Le");
  RETURN_IF_ERROR(compare_at_rest("Bl", m.bl.value(0), datasheet.bl, "T*m", 1, warnings));
  RETURN_IF_ERROR(compare_at_rest("Kms", m.kms.value(0), 1 / datasheet.cms, "N/mm", 1e-3, warnings));
  if (m.has_inductance()) RETURN_IF_ERROR(compare_at_rest("Le", m.le.value(0), datasheet.le, "mH", 1e3, warnings));
  const char* what = "";
  double at = 0;
  if (!find_unphysical(m, current, what, at))
    return status::error(message("nonlinear: %s is not positive at x = %.4g mm: expected it positive within +-%g mm "
                                 "(range)",
                                 what, at * 1e3, m.range * 1e3));
  out.driver = datasheet;
  out.driver.bl = m.bl.value(0);
  out.driver.cms = 1 / m.kms.value(0);
  out.driver.le = m.has_inductance() ? m.le.value(0) : 0;
  std::vector<std::string> ignored;  // the datasheet's network has said them
  RETURN_IF_ERROR(compile_design(file, out.driver, out.compiled, ignored));
  // The suspension at rest exactly as the curve has it, so that the
  // stepping adds only Kms(x) - Kms(0) to the network's stiffness.
  model_state& s = *out.compiled.network;
  const double rear = e.type == enclosure_type::bandpass4 ? rho_c2 * datasheet.sd * datasheet.sd / e.Vr.value : 0;
  m.network_kms = m.kms.value(0);
  s.Ku = m.network_kms + rear;
  assemble_matrices(s);
  m.port = out.compiled.port;
  m.port_area = out.compiled.port_shape.area;
  m.port_loss = e.port_loss.given ? e.port_loss.value : 0;
  return status::success();
}
