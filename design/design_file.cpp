#include "design/design_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <toml++/toml.h>

#include "design/nonlinear_keys.h"
#include "design/air.h"
#include "design/resonator_file.h"
#include "design/units.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

using reader = std::function<status(const toml::node&, const std::string&, design_file&)>;

// How a key's value is written and where it goes.
struct key_rule {
  const char* table;
  const char* key;
  reader read;
  int dim = -1;  // the dimension of a value with a unit; -1: a plain number or a name
};

std::string full_key(const char* table, const std::string& key) { return std::string(table) + "." + key; }

status wrong(const std::string& key, const std::string& expected) {
  return status::error(message("%s: expected %s", key.c_str(), expected.c_str()));
}

std::string example_of(dimension d) {
  const std::string units = unit_list(d);
  return units.substr(0, units.find(','));
}

// A dimensional value: a string with its unit, positive.
status read_quantity(const toml::node& node, const std::string& key, dimension dim, double& si,
                     given_value* as_typed = nullptr) {
  const auto text = node.value<std::string>();
  if (!text) {
    const auto number = node.value<double>();
    if (number)
      return wrong(key + " = " + message("%g", *number),
                   message("a string with its unit, e.g. \"%g %s\" (units: %s)", *number, example_of(dim).c_str(),
                           unit_list(dim)));
    return wrong(key, message("a string with its unit (units: %s)", unit_list(dim)));
  }
  double value = 0;
  typed_quantity typed;
  const status parsed = parse_quantity(*text, dim, value, typed);
  if (!parsed.ok()) return status::error(key + " = " + parsed.message);
  if (!(value > 0)) return wrong(key + " = " + quoted(*text), "a positive value");
  si = value;
  if (as_typed) {
    as_typed->text = *text;
    as_typed->typed = typed;
  }
  return status::success();
}

reader quantity(dimension dim, given_value& (*field)(design_file&)) {
  return [dim, field](const toml::node& node, const std::string& key, design_file& d) -> status {
    given_value& v = field(d);
    given_value read;
    RETURN_IF_ERROR(read_quantity(node, key, dim, read.value, &read));
    read.given = true;
    v = read;
    return status::success();
  };
}

reader si_scalar(dimension dim, double& (*field)(design_file&)) {
  return [dim, field](const toml::node& node, const std::string& key, design_file& d) -> status {
    return read_quantity(node, key, dim, field(d));
  };
}

reader plain(given_value& (*field)(design_file&), bool inf_allowed) {
  return [field, inf_allowed](const toml::node& node, const std::string& key, design_file& d) -> status {
    auto number = node.value<double>();
    const auto text = node.value<std::string>();
    if (!number && text && inf_allowed && *text == "inf") number = INFINITY;
    if (!number || std::isnan(*number) || !(*number > 0) || (!inf_allowed && std::isinf(*number)))
      return wrong(key, inf_allowed ? "a positive number, or inf" : "a positive number without a unit");
    given_value v;
    v.given = true;
    v.value = *number;
    v.text = message("%g", *number);
    v.typed.number = *number;
    field(d) = v;
    return status::success();
  };
}

// A value in units the dimensions above do not hold (a temperature, a
// pressure, a flow), parsed by `parse`.
reader text_value(status (*parse)(const std::string&, double&), given_value& (*field)(design_file&)) {
  return [parse, field](const toml::node& node, const std::string& key, design_file& d) -> status {
    const auto text = node.value<std::string>();
    if (!text) return wrong(key, "a string with its unit");
    given_value& v = field(d);
    const status parsed = parse(*text, v.value);
    if (!parsed.ok()) return status::error(key + " = " + parsed.message);
    v.given = true;
    return status::success();
  };
}

#define FIELD(path) [](design_file& d) -> given_value& { return d.path; }

template <typename T>
reader choice(
    std::vector<std::pair<const char*, T>> names, T& (*field)(design_file&)) {
  return [names, field](const toml::node& node, const std::string& key, design_file& d) -> status {
    const auto text = node.value<std::string>();
    std::string list;
    for (const auto& n : names) {
      if (text && *text == n.first) {
        field(d) = n.second;
        return status::success();
      }
      list += std::string(list.empty() ? "" : " | ") + n.first;
    }
    return wrong(key + (text ? " = " + quoted(*text) : std::string()), list);
  };
}

// highpass = { order = 2, frequency = "20 Hz", Q = 0.707 }: Butterworth
// of order 1 to 4, Q for order 2 only.
status read_highpass(const toml::node& node, const std::string& key, design_file& d) {
  const char* expected = "a table { order = 1..4, frequency = \"20 Hz\" } (Q = 0.707 for order 2 only)";
  const toml::table* table = node.as_table();
  if (!table) return wrong(key, expected);
  highpass_filter f;
  for (const auto& [name, value] : *table) {
    const std::string k(name.str());
    if (k != "order" && k != "frequency" && k != "Q")
      return status::error(message("unknown key %s.%s: expected order, frequency and, for order 2, Q", key.c_str(), k.c_str()));
  }
  const auto order = (*table)["order"].value_exact<int64_t>();
  if (!order || *order < 1 || *order > 4) return wrong(key + ".order", "a whole number from 1 to 4");
  f.order = static_cast<int>(*order);
  if (!(*table)["frequency"]) return wrong(key + ".frequency", "the corner frequency, e.g. \"20 Hz\"");
  RETURN_IF_ERROR(read_quantity(*(*table)["frequency"].node(), key + ".frequency", dimension::frequency, f.frequency));
  if ((*table)["Q"]) {
    if (f.order != 2) return wrong(key + ".Q", "no Q for order " + std::to_string(f.order) + ": Butterworth fixes it");
    const auto q = (*table)["Q"].value<double>();
    if (!q || !(*q > 0) || !std::isfinite(*q)) return wrong(key + ".Q", "a positive number");
    f.q = *q;
  } else if (f.order == 2) {
    f.q = 1 / std::sqrt(2.0);
  }
  d.highpass = f;
  return status::success();
}

// trust = ["Bl", "Mms"]: the datasheet's figures that win over the rest.
status read_trust(const toml::node& node, const std::string& key, design_file& d) {
  const toml::array* names = node.as_array();
  const char* expected = "a list of the figures to trust, e.g. [\"Bl\", \"Mms\"]";
  if (!names) return wrong(key, expected);
  d.driver.trust.clear();
  for (const toml::node& name : *names) {
    const auto text = name.value<std::string>();
    if (!text) return wrong(key, expected);
    d.driver.trust.push_back(*text);
  }
  return status::success();
}

// sensitivity_drive = "2.83 V", or "1 W" into the rated impedance Znom.
status read_sensitivity_drive(const toml::node& node, const std::string& key, design_file& d) {
  given_value v;
  const auto text = node.value<std::string>();
  const bool watts = text && !text->empty() && text->back() == 'W';
  if (!text) return wrong(key, "a voltage or a power, e.g. \"2.83 V\" or \"1 W\"");
  RETURN_IF_ERROR(read_quantity(node, key, watts ? dimension::power : dimension::voltage, v.value, &v));
  v.given = true;
  d.driver.sensitivity_drive = v;
  d.driver.drive_in_watts = watts;
  return status::success();
}

const std::vector<key_rule>& rules() {
  using D = dimension;
  static const std::vector<key_rule> table = {
      {"driver", "name",
       [](const toml::node& node, const std::string& key, design_file& d) -> status {
         const auto text = node.value<std::string>();
         if (!text) return wrong(key, "a string");
         d.driver.name = *text;
         return status::success();
       }},
      {"driver", "fs", quantity(D::frequency, FIELD(driver.fs)), static_cast<int>(D::frequency)},
      {"driver", "Qms", plain(FIELD(driver.Qms), false)},
      {"driver", "Qes", plain(FIELD(driver.Qes), false)},
      {"driver", "Qts", plain(FIELD(driver.Qts), false)},
      {"driver", "Vas", quantity(D::volume, FIELD(driver.Vas)), static_cast<int>(D::volume)},
      {"driver", "Mms", quantity(D::mass, FIELD(driver.Mms)), static_cast<int>(D::mass)},
      {"driver", "Cms", quantity(D::compliance, FIELD(driver.Cms)), static_cast<int>(D::compliance)},
      {"driver", "Kms", quantity(D::stiffness, FIELD(driver.Kms)), static_cast<int>(D::stiffness)},
      {"driver", "Sd", quantity(D::area, FIELD(driver.Sd)), static_cast<int>(D::area)},
      {"driver", "diameter", quantity(D::length, FIELD(driver.diameter)), static_cast<int>(D::length)},
      {"driver", "Re", quantity(D::resistance, FIELD(driver.Re)), static_cast<int>(D::resistance)},
      {"driver", "Le", quantity(D::inductance, FIELD(driver.Le)), static_cast<int>(D::inductance)},
      {"driver", "Bl", quantity(D::force_factor, FIELD(driver.Bl)), static_cast<int>(D::force_factor)},
      {"driver", "Rms", quantity(D::mechanical_resistance, FIELD(driver.Rms)), static_cast<int>(D::mechanical_resistance)},
      {"driver", "Xmax", quantity(D::length, FIELD(driver.Xmax)), static_cast<int>(D::length)},
      {"driver", "Pe", quantity(D::power, FIELD(driver.Pe)), static_cast<int>(D::power)},
      {"driver", "trust", read_trust},
      {"driver", "sensitivity", quantity(D::level, FIELD(driver.sensitivity)), static_cast<int>(D::level)},
      {"driver", "sensitivity_drive", read_sensitivity_drive},
      {"driver", "Znom", quantity(D::resistance, FIELD(driver.Znom)), static_cast<int>(D::resistance)},
      {"driver", "driver_volume", quantity(D::volume, FIELD(driver.volume)), static_cast<int>(D::volume)},
      {"enclosure", "type",
       choice<enclosure_type>({{"closed", enclosure_type::closed},
                               {"vented", enclosure_type::vented},
                               {"bandpass4", enclosure_type::bandpass4},
                               {"baffle", enclosure_type::baffle},
                               {"passive_radiator", enclosure_type::passive_radiator}},
                              [](design_file& d) -> enclosure_type& { return d.enclosure.type; })},
      {"enclosure", "Vb", quantity(D::volume, FIELD(enclosure.Vb)), static_cast<int>(D::volume)},
      {"enclosure", "Vr", quantity(D::volume, FIELD(enclosure.Vr)), static_cast<int>(D::volume)},
      {"enclosure", "fb", quantity(D::frequency, FIELD(enclosure.fb)), static_cast<int>(D::frequency)},
      {"enclosure", "port_length", quantity(D::length, FIELD(enclosure.port_length)), static_cast<int>(D::length)},
      {"enclosure", "port_diameter", quantity(D::length, FIELD(enclosure.port_diameter)), static_cast<int>(D::length)},
      {"enclosure", "port_area", quantity(D::area, FIELD(enclosure.port_area)), static_cast<int>(D::area)},
      {"enclosure", "Ql", plain(FIELD(enclosure.Ql), true)},
      {"enclosure", "port_loss",
       [](const toml::node& node, const std::string& key, design_file& d) -> status {
         RETURN_IF_ERROR(read_port_loss(node, key, d.enclosure.port_loss.value));
         d.enclosure.port_loss.given = true;
         return status::success();
       }},
      {"enclosure", "depth", quantity(D::length, FIELD(enclosure.depth)), static_cast<int>(D::length)},
      {"enclosure", "ports",
       [](const toml::node& node, const std::string& key, design_file& d) -> status {
         const auto count = node.value_exact<int64_t>();
         if (!count || *count < 1 || *count > 1000) return wrong(key, "a whole number from 1 to 1000");
         d.enclosure.ports = static_cast<int>(*count);
         return status::success();
       }},
      {"enclosure", "port_ends",
       choice<port_ends>({{"flanged-free", port_ends::flanged_free},
                          {"flanged-flanged", port_ends::flanged_flanged},
                          {"free-free", port_ends::free_free}},
                         [](design_file& d) -> port_ends& { return d.enclosure.ends; })},
      {"passive_radiator", "Sd", quantity(D::area, FIELD(radiator.Sd)), static_cast<int>(D::area)},
      {"passive_radiator", "Mmp", quantity(D::mass, FIELD(radiator.Mmp)), static_cast<int>(D::mass)},
      {"passive_radiator", "fp", quantity(D::frequency, FIELD(radiator.fp)), static_cast<int>(D::frequency)},
      {"passive_radiator", "Cmp", quantity(D::compliance, FIELD(radiator.Cmp)), static_cast<int>(D::compliance)},
      {"passive_radiator", "Qmp", plain(FIELD(radiator.Qmp), false)},
      {"passive_radiator", "Xmax", quantity(D::length, FIELD(radiator.Xmax)), static_cast<int>(D::length)},
      {"passive_radiator", "count",
       [](const toml::node& node, const std::string& key, design_file& d) -> status {
         const auto count = node.value_exact<int64_t>();
         if (!count || *count < 1 || *count > 100) return wrong(key, "a whole number from 1 to 100");
         d.radiator.count = static_cast<int>(*count);
         return status::success();
       }},
      {"drive", "voltage", si_scalar(D::voltage, [](design_file& d) -> double& { return d.voltage; }), static_cast<int>(D::voltage)},
      {"drive", "distance", si_scalar(D::length, [](design_file& d) -> double& { return d.distance; }), static_cast<int>(D::length)},
      {"drive", "space",
       choice<bool>({{"half", false}, {"full", true}}, [](design_file& d) -> bool& { return d.full_space; })},
      {"drive", "highpass", read_highpass},
      {"air", "temperature", text_value(parse_temperature, FIELD(air.temperature))},
      {"air", "pressure", text_value(parse_pressure, FIELD(air.pressure))},
      {"source", "type",
       choice<bool>({{"volume_velocity", true}}, [](design_file& d) -> bool& { return d.source.volume_velocity; })},
      {"source", "volume_velocity", text_value(parse_volume_velocity, FIELD(source.flow))},
      {"model", "ducts",
       choice<duct_model>({{"lumped", duct_model::lumped}, {"distributed", duct_model::distributed},
                           {"auto", duct_model::automatic}},
                          [](design_file& d) -> duct_model& { return d.model.ducts; })},
      {"limits", "port_velocity",
       si_scalar(D::velocity, [](design_file& d) -> double& { return d.port_velocity_limit; }),
       static_cast<int>(D::velocity)},
  };
  return table;
}

#undef FIELD

// Edit distance, case-insensitive, a transposition of neighbours counting
// one (optimal string alignment), for "did you mean".
std::size_t distance(const std::string& a, const std::string& b) {
  const auto same = [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  };
  std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) t[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) t[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      t[i][j] = std::min({t[i - 1][j] + 1, t[i][j - 1] + 1, t[i - 1][j - 1] + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
      if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
        t[i][j] = std::min(t[i][j], t[i - 2][j - 2] + 1);
    }
  return t[a.size()][b.size()];
}

constexpr std::size_t farthest_suggestion = 2;

// "did you mean X?" for the closest of `known` within two edits, else the
// list of them all; `shown` writes a known name as the message shows it.
std::string suggestion(const std::string& name, const std::vector<std::string>& known,
                       const std::function<std::string(const std::string&)>& shown, const char* what) {
  std::string best, all;
  std::size_t best_distance = SIZE_MAX;
  for (const std::string& k : known) {
    const std::size_t d = distance(name, k);
    if (d < best_distance) best_distance = d, best = k;
    all += (all.empty() ? "" : ", ") + k;
  }
  if (best_distance <= farthest_suggestion) return "did you mean " + shown(best) + "?";
  return message("expected one of the %s %s", what, all.c_str());
}

const std::vector<std::string> tables = {"driver", "enclosure", "passive_radiator", "drive", "limits",
                                         "air",    "source",    "model",            "resonator", "nonlinear", "distortion"};

std::vector<std::string> keys_of(const std::string& table) {
  std::vector<std::string> known;
  for (const key_rule& rule : rules())
    if (table == rule.table) known.push_back(rule.key);
  return known;
}

std::string unknown_key(const std::string& table, const std::string& key) {
  return message("unknown key %s: %s", full_key(table.c_str(), key).c_str(),
                 suggestion(key, keys_of(table), [&](const std::string& k) { return full_key(table.c_str(), k); },
                            ("keys of [" + table + "]:").c_str())
                     .c_str());
}

status read_table(const toml::table& table, const std::string& name, design_file& d) {
  for (const auto& [key, node] : table) {
    const std::string k(key.str());
    const auto rule = std::find_if(rules().begin(), rules().end(),
                                   [&](const key_rule& r) { return name == r.table && k == r.key; });
    if (rule == rules().end()) return status::error(unknown_key(name, k));
    RETURN_IF_ERROR(rule->read(node, full_key(rule->table, k), d));
  }
  return status::success();
}

status read_document(const toml::table& document, design_file& d) {
  for (const auto& [key, node] : document) {
    const std::string k(key.str());
    if (k == "resonator") {
      RETURN_IF_ERROR(read_resonator_tables(node, d));
      continue;
    }
    if (std::find(tables.begin(), tables.end(), k) == tables.end())
      return status::error(message("unknown table or key %s: %s", k.c_str(),
                                   suggestion(k, tables, [](const std::string& t) { return "[" + t + "]"; }, "tables")
                                       .c_str()));
    if (!node.is_table()) return wrong(k, message("a table [%s]", k.c_str()));
    if (k == "nonlinear") {
      RETURN_IF_ERROR(read_nonlinear_table(*node.as_table(), d.nonlinear));
    } else if (k == "distortion") {
      RETURN_IF_ERROR(read_distortion_table(*node.as_table(), d.distortion));
    } else {
      RETURN_IF_ERROR(read_table(*node.as_table(), k, d));
    }
  }
  d.air.given = document.contains("air");
  d.source.given = document.contains("source");
  d.model.given = document.contains("model");
  RETURN_IF_ERROR(check_source_table(d));
  if (d.source.volume_velocity && document.contains("driver"))
    return status::error("[source] and [driver] both given: expected one of them (the flow drives the chamber in the "
                         "driver's place)");
  if (!document.contains("driver") && !d.source.volume_velocity)
    return status::error("no [driver] table: expected the driver's datasheet");
  d.enclosure.given = document.contains("enclosure");
  d.radiator.given = document.contains("passive_radiator");
  if (d.distortion.given && !d.nonlinear.given)
    return status::error("[distortion] given without [nonlinear]: expected the driver's large-signal curves");
  if (d.enclosure.given && !document["enclosure"]["type"])
    return status::error("enclosure.type is missing: expected closed | vented | bandpass4 | baffle | passive_radiator");
  return status::success();
}

std::string stem_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base = base.substr(0, dot);
  return base;
}

const key_rule* find_rule(const std::string& full, std::string& unknown) {
  for (const key_rule& rule : rules())
    if (full == full_key(rule.table, rule.key)) return &rule;
  const std::size_t dot = full.find('.');
  const std::string table = full.substr(0, dot);
  if (dot != std::string::npos && std::find(tables.begin(), tables.end(), table) != tables.end()) {
    unknown = unknown_key(table, full.substr(dot + 1));
  } else {
    std::vector<std::string> known;
    for (const key_rule& rule : rules()) known.push_back(full_key(rule.table, rule.key));
    unknown = message("unknown key %s: %s", full.c_str(),
                      suggestion(full, known, [](const std::string& k) { return k; }, "keys").c_str());
  }
  return nullptr;
}

}  // namespace

std::string key_suggestion(const std::string& key, const std::vector<std::string>& known, const std::string& prefix) {
  return suggestion(key, known, [&](const std::string& k) { return prefix + k; }, "keys:");
}

given_value given_as(double number, const char* unit) {
  given_value v;
  v.given = true;
  v.text = *unit ? message("%.6g %s", number, unit) : message("%g", number);
  if (*unit) {
    const double factor = unit_to_si(unit);
    v.value = number * factor;
    v.typed = typed_quantity{number, unit};
  } else {
    v.value = number;
    v.typed.number = number;
  }
  return v;
}

status set_design_value(design_file& d, const std::string& key, const std::string& text) {
  std::string unknown;
  const key_rule* rule = find_rule(key, unknown);
  if (!rule) return status::error(unknown);
  double number = 0;
  if (rule->dim < 0 && parse_real(text, number) == read_result::ok) {
    RETURN_IF_ERROR(rule->read(toml::value<double>(number), key, d));
  } else {
    RETURN_IF_ERROR(rule->read(toml::value<std::string>(text), key, d));
  }
  // A tuning given anew decides the port's length.
  if (key == "enclosure.fb") d.enclosure.port_length.given = false;
  return status::success();
}

status key_dimension(const std::string& key, bool& has_unit, dimension& dim) {
  std::string unknown;
  const key_rule* rule = find_rule(key, unknown);
  if (!rule) return status::error(unknown);
  has_unit = rule->dim >= 0;
  dim = has_unit ? static_cast<dimension>(rule->dim) : dimension::frequency;
  return status::success();
}

std::vector<design_key> design_keys() {
  std::vector<design_key> keys;
  for (const key_rule& rule : rules())
    keys.push_back({rule.table, rule.key, rule.dim >= 0, static_cast<dimension>(std::max(rule.dim, 0))});
  return keys;
}

status parse_design_text(const std::string& text, const std::string& path, design_file& d) {
  d.name = stem_of(path);
  toml::table document;
  try {
    document = toml::parse(text, path);
  } catch (const toml::parse_error& e) {
    std::string description(e.description());
    std::replace(description.begin(), description.end(), '\n', ' ');
    return status::error(message("%s: line %u: %s", path.c_str(), static_cast<unsigned>(e.source().begin.line),
                                 description.c_str()));
  }
  const status read = read_document(document, d);
  const std::size_t slash = path.find_last_of('/');
  d.nonlinear.folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  if (!read.ok()) return status::error(path + ": " + read.message);
  return status::success();
}

status read_design_file(const std::string& path, design_file& d) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return status::error(message("cannot open %s: expected a design file (TOML)", path.c_str()));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return status::error(message("cannot read %s", path.c_str()));
  return parse_design_text(text.str(), path, d);
}
