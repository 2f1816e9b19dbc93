#include "design/nonlinear_keys.h"

#include <cmath>
#include <cstdlib>

#include "design/units.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

struct unit_scale {
  const char* name;
  double to_si;
};

const unit_scale lengths[] = {{"mm", 1e-3}, {"cm", 1e-2}, {"m", 1}, {"in", 0.0254}};

// The units a curve's order-0 coefficient takes; a coefficient of order k
// takes them per length^k. A stiffness also reads N/mm2 as N/mm per mm.
struct curve_units {
  const char* key;
  std::vector<unit_scale> base;
  bool stiffness = false;
  int first_order = 0;  // Le_i starts at i^1
};

const curve_units bl_units{"Bl", {{"T*m", 1}, {"Tm", 1}, {"N/A", 1}}};
const curve_units kms_units{"Kms", {{"N/mm", 1e3}, {"N/cm", 1e2}, {"N/m", 1}}, true};
const curve_units cms_units{"Cms", {{"mm/N", 1e-3}, {"um/N", 1e-6}, {"m/N", 1}}};
const curve_units le_units{"Le", {{"mH", 1e-3}, {"uH", 1e-6}, {"H", 1}}};

std::string power_suffix(int p) { return p > 1 ? std::to_string(p) : std::string(); }

status wrong(const std::string& key, const std::string& expected) {
  return status::error(message("%s: expected %s", key.c_str(), expected.c_str()));
}

std::string expected_unit(const curve_units& u, int k) {
  if (k == 0) return u.base.front().name;
  if (u.stiffness) return std::string("N/mm") + power_suffix(k + 1);
  return std::string(u.base.front().name) + "/mm" + power_suffix(k);
}

std::string unit_choices(const curve_units& u, int k) {
  std::string list;
  for (const unit_scale& b : u.base) list += std::string(list.empty() ? "" : ", ") + b.name;
  if (k == 0) return list;
  return list + " per mm" + power_suffix(k) + ", cm" + power_suffix(k) + ", m" + power_suffix(k) + " or in" +
         power_suffix(k);
}

// "NUMBER UNIT": the number and the unit's text, trimmed.
bool split_number(const std::string& text, double& number, std::string& unit) {
  const char* begin = text.c_str();
  char* end = nullptr;
  number = std::strtod(begin, &end);
  if (end == begin) return false;
  unit.assign(static_cast<const char*>(end), begin + text.size());
  while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
  while (!unit.empty() && unit.back() == ' ') unit.pop_back();
  return true;
}

// Coefficient k of a curve in SI (unit per m^k), or 0 when the unit does
// not fit.
bool coefficient_scale(const curve_units& u, int k, const std::string& unit, double& scale) {
  for (const unit_scale& b : u.base)
    if (k == 0 && unit == b.name) return scale = b.to_si, true;
  if (k == 0) return false;
  for (const unit_scale& l : lengths) {
    for (const unit_scale& b : u.base)
      if (unit == std::string(b.name) + "/" + l.name + power_suffix(k)) return scale = b.to_si / std::pow(l.to_si, k), true;
    if (u.stiffness && unit == std::string("N/") + l.name + power_suffix(k + 1))
      return scale = 1 / std::pow(l.to_si, k + 1), true;
  }
  return false;
}

status read_coefficient(const toml::node& node, const std::string& key, const curve_units& u, int k, double& si) {
  const auto text = node.value<std::string>();
  if (!text) {
    const auto number = node.value<double>();
    if (number)
      return wrong(key + message(" = %g", *number),
                   message("a string with its unit, e.g. \"%g %s\"", *number, expected_unit(u, k).c_str()));
    return wrong(key, message("a string with its unit, e.g. \"1 %s\"", expected_unit(u, k).c_str()));
  }
  double number = 0, scale = 0;
  std::string unit;
  if (!split_number(*text, number, unit) || !std::isfinite(number))
    return wrong(key + " = " + quoted(*text), message("a finite number and its unit %s", expected_unit(u, k).c_str()));
  if (!coefficient_scale(u, k, unit, scale))
    return wrong(key + " = " + quoted(*text),
                 message("%s for order %d (%s)", expected_unit(u, k).c_str(), k, unit_choices(u, k).c_str()));
  si = number * scale;
  return status::success();
}

status read_curve(const toml::node& node, const std::string& key, const curve_units& u, std::vector<double>& out) {
  const toml::array* array = node.as_array();
  const int most = max_curve_coefficients - u.first_order;
  if (!array || array->empty())
    return wrong(key, message("an array of coefficients with their units, e.g. [\"1 %s\", \"0.1 %s\"]",
                              expected_unit(u, u.first_order).c_str(), expected_unit(u, u.first_order + 1).c_str()));
  if (static_cast<int>(array->size()) > most)
    return wrong(key + message(" with %d coefficients", static_cast<int>(array->size())),
                 message("at most %d (orders %d to 8)", most, u.first_order));
  out.clear();
  for (std::size_t j = 0; j < array->size(); ++j) {
    const int k = static_cast<int>(j) + u.first_order;
    double si = 0;
    RETURN_IF_ERROR(read_coefficient(*array->get(j), key + message("[%d]", static_cast<int>(j)), u, k, si));
    out.push_back(si);
  }
  return status::success();
}

// Le_i: q_k in 1/A^k, written "0.01 /A", "-0.02 /A2".
status read_current_curve(const toml::node& node, const std::string& key, std::vector<double>& out) {
  const toml::array* array = node.as_array();
  if (!array || array->empty()) return wrong(key, "an array of coefficients per ampere, e.g. [\"0.01 /A\", \"-0.02 /A2\"]");
  if (array->size() > max_curve_coefficients - 1)
    return wrong(key + message(" with %d coefficients", static_cast<int>(array->size())), "at most 8 (orders 1 to 8)");
  out.clear();
  for (std::size_t j = 0; j < array->size(); ++j) {
    const int k = static_cast<int>(j) + 1;
    const std::string item = key + message("[%d]", static_cast<int>(j));
    const std::string unit_wanted = "/A" + power_suffix(k);
    const auto text = array->get(j)->value<std::string>();
    double number = 0;
    std::string unit;
    if (!text) return wrong(item, message("a string with its unit, e.g. \"0.01 %s\"", unit_wanted.c_str()));
    if (!split_number(*text, number, unit) || !std::isfinite(number) || (unit != unit_wanted && unit != "1" + unit_wanted))
      return wrong(item + " = " + quoted(*text), message("a number per ampere^%d, e.g. \"0.01 %s\"", k, unit_wanted.c_str()));
    out.push_back(number);
  }
  return status::success();
}

status read_positive(const toml::node& node, const std::string& key, dimension dim, const char* example, double& si) {
  const auto text = node.value<std::string>();
  if (!text) return wrong(key, message("a string with its unit, e.g. \"%s\"", example));
  const status parsed = parse_quantity(*text, dim, si);
  if (!parsed.ok()) return status::error(key + " = " + parsed.message);
  if (!(si > 0)) return wrong(key + " = " + quoted(*text), "a positive value");
  return status::success();
}

}  // namespace

status read_nonlinear_table(const toml::table& table, nonlinear_sheet& sheet) {
  sheet = nonlinear_sheet();
  sheet.given = true;
  for (const auto& [name, node] : table) {
    const std::string k(name.str()), key = "nonlinear." + k;
    if (k == "Bl") {
      RETURN_IF_ERROR(read_curve(node, key, bl_units, sheet.bl));
    } else if (k == "Kms") {
      RETURN_IF_ERROR(read_curve(node, key, kms_units, sheet.kms));
    } else if (k == "Cms") {
      RETURN_IF_ERROR(read_curve(node, key, cms_units, sheet.cms));
    } else if (k == "Le") {
      RETURN_IF_ERROR(read_curve(node, key, le_units, sheet.le));
    } else if (k == "Le_i") {
      RETURN_IF_ERROR(read_current_curve(node, key, sheet.le_i));
    } else if (k == "range") {
      RETURN_IF_ERROR(read_positive(node, key, dimension::length, "15 mm", sheet.range));
    } else if (k == "curves") {
      const auto text = node.value<std::string>();
      if (!text || text->empty()) return wrong(key, "the name of a table x[mm],Bl[T*m],Kms[N/mm],Le[mH]");
      sheet.curves = *text;
    } else {
      return status::error(message("unknown key %s: expected Bl, Kms or Cms, Le, Le_i, range or curves", key.c_str()));
    }
  }
  if (!sheet.kms.empty() && !sheet.cms.empty())
    return status::error("nonlinear: Kms and Cms both given: expected one of them");
  if (!sheet.curves.empty()) {
    for (const auto& [given, what] : {std::pair<bool, const char*>{!sheet.bl.empty(), "Bl"},
                                      {!sheet.kms.empty() || !sheet.cms.empty(), "Kms"},
                                      {!sheet.le.empty(), "Le"},
                                      {sheet.range > 0, "range"}})
      if (given)
        return status::error(message("nonlinear.%s given with curves: expected the table alone (its span is the range)", what));
    return status::success();
  }
  if (sheet.bl.empty()) return status::error("nonlinear.Bl is missing: expected Bl(x)'s coefficients or curves");
  if (sheet.kms.empty() && sheet.cms.empty())
    return status::error("nonlinear.Kms is missing: expected Kms(x) or Cms(x)'s coefficients");
  return status::success();
}

status read_distortion_table(const toml::table& table, distortion_sheet& sheet) {
  sheet = distortion_sheet();
  sheet.given = true;
  for (const auto& [name, node] : table) {
    const std::string k(name.str()), key = "distortion." + k;
    if (k == "voltages") {
      const toml::array* array = node.as_array();
      if (!array || array->empty() || array->size() > 10)
        return wrong(key, "1 to 10 rms voltages, e.g. [\"2.83 V\", \"10 V\"]");
      sheet.voltages.clear();
      for (std::size_t j = 0; j < array->size(); ++j) {
        double v = 0;
        RETURN_IF_ERROR(read_positive(*array->get(j), key + message("[%d]", static_cast<int>(j)), dimension::voltage,
                                      "2.83 V", v));
        sheet.voltages.push_back(v);
      }
    } else if (k == "criterion") {
      const auto text = node.value<std::string>();
      double number = 0;
      std::string unit;
      if (!text || !split_number(*text, number, unit) || unit != "%" || !(number > 0 && number < 100))
        return wrong(key, "a THD in percent above 0 and below 100, e.g. \"10 %\"");
      sheet.criterion = number / 100;
    } else if (k == "two_tone") {
      const toml::table* t = node.as_table();
      if (!t) return wrong(key, "a table { f1 = \"40 Hz\", f2 = \"400 Hz\", ratio = 4 }");
      two_tone_sheet& tt = sheet.two_tone;
      tt.given = true;
      for (const auto& [sub, value] : *t) {
        const std::string s(sub.str());
        if (s == "f1") {
          RETURN_IF_ERROR(read_positive(value, key + ".f1", dimension::frequency, "40 Hz", tt.f1));
        } else if (s == "f2") {
          RETURN_IF_ERROR(read_positive(value, key + ".f2", dimension::frequency, "400 Hz", tt.f2));
        } else if (s == "ratio") {
          const auto r = value.value<double>();
          if (!r || !(*r > 0) || !std::isfinite(*r)) return wrong(key + ".ratio", "a positive number U1 / U2");
          tt.ratio = *r;
        } else {
          return status::error(message("unknown key %s.%s: expected f1, f2 and ratio", key.c_str(), s.c_str()));
        }
      }
      if (!(tt.f1 > 0) || !(tt.f2 > 0)) return wrong(key, "both f1 and f2");
      if (!(tt.f2 > 2 * tt.f1))
        return wrong(key + message(".f2 = %g Hz", tt.f2), message("more than 2 f1 = %g Hz", 2 * tt.f1));
      const double multiple = tt.f2 / tt.f1;
      if (std::abs(multiple - std::round(multiple)) > 1e-9 * multiple)
        return wrong(key + message(".f2 = %g Hz", tt.f2), message("a whole multiple of f1 = %g Hz", tt.f1));
    } else {
      return status::error(message("unknown key %s: expected voltages, criterion or two_tone", key.c_str()));
    }
  }
  if (sheet.voltages.empty()) return status::error("distortion.voltages is missing: expected 1 to 10 rms voltages");
  return status::success();
}

status read_port_loss(const toml::node& node, const std::string& key, double& xi) {
  const auto number = node.value<double>();
  if (!number || !std::isfinite(*number) || *number < 0)
    return wrong(key, "a number >= 0 without a unit (about 1.5 for an unflared port)");
  xi = *number;
  return status::success();
}

status parse_voltage_list(const std::string& text, const std::string& what, std::vector<double>& volts) {
  volts.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    double number = 0;
    std::string unit;
    if (!split_number(item, number, unit) || (unit != "V" && !unit.empty()) || !std::isfinite(number) || !(number > 0))
      return status::error(message("%s: %s: expected positive rms voltages, e.g. 2.83V,10V,20V", what.c_str(),
                                   quoted(item).c_str()));
    volts.push_back(number);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (volts.size() > 10) return status::error(what + ": expected at most 10 voltages");
  return status::success();
}
