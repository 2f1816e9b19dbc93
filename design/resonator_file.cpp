#include "design/resonator_file.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "design/units.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

struct resonator_key {
  const char* key;
  bool helmholtz, quarter_wave;  // which types take it
};

const std::vector<resonator_key>& resonator_keys() {
  static const std::vector<resonator_key> keys = {
      {"name", true, true},         {"type", true, true},         {"volume", true, false},
      {"neck_diameter", true, false}, {"neck_area", true, false}, {"necks", true, false},
      {"neck_length", true, false}, {"neck_ends", true, false},   {"diameter", false, true},
      {"length", false, true},      {"mouth", false, true},       {"fr", true, true},
      {"Q", true, true},            {"losses", true, true}};
  return keys;
}

status wrong(const std::string& key, const std::string& expected) {
  return status::error(message("%s: expected %s", key.c_str(), expected.c_str()));
}

status quantity(const toml::node& node, const std::string& key, dimension dim, given_value& v) {
  const auto text = node.value<std::string>();
  if (!text) return wrong(key, message("a string with its unit (units: %s)", unit_list(dim)));
  const status parsed = parse_quantity(*text, dim, v.value);
  if (!parsed.ok()) return status::error(key + " = " + parsed.message);
  if (!(v.value > 0)) return wrong(key + " = " + quoted(*text), "a positive value");
  v.given = true;
  return status::success();
}

status name_of(const toml::node& node, const std::string& key, const std::vector<const char*>& names, int& which) {
  const auto text = node.value<std::string>();
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (text && *text == names[i]) {
      which = static_cast<int>(i);
      return status::success();
    }
    list += std::string(list.empty() ? "" : " | ") + names[i];
  }
  return wrong(key + (text ? " = " + quoted(*text) : std::string()), list);
}

status read_key(const toml::node& node, const std::string& k, const std::string& key, resonator_sheet& r) {
  int which = 0;
  if (k == "name") {
    const auto text = node.value<std::string>();
    if (!text) return wrong(key, "a string");
    r.name = *text;
  } else if (k == "volume") {
    return quantity(node, key, dimension::volume, r.volume);
  } else if (k == "neck_diameter" || k == "diameter") {
    return quantity(node, key, dimension::length, r.neck_diameter);
  } else if (k == "neck_area") {
    return quantity(node, key, dimension::area, r.neck_area);
  } else if (k == "neck_length" || k == "length") {
    return quantity(node, key, dimension::length, r.neck_length);
  } else if (k == "fr") {
    return quantity(node, key, dimension::frequency, r.fr);
  } else if (k == "necks") {
    const auto count = node.value_exact<int64_t>();
    if (!count || *count < 1 || *count > 1000) return wrong(key, "a whole number from 1 to 1000");
    r.necks = static_cast<int>(*count);
  } else if (k == "neck_ends") {
    RETURN_IF_ERROR(name_of(node, key, {"flanged-flanged", "flanged-free", "free-free"}, which));
    r.ends = which == 0 ? port_ends::flanged_flanged : which == 1 ? port_ends::flanged_free : port_ends::free_free;
  } else if (k == "mouth") {
    RETURN_IF_ERROR(name_of(node, key, {"flanged", "free"}, which));
    r.ends = which == 0 ? port_ends::flanged_flanged : port_ends::free_free;
  } else if (k == "Q") {
    const auto q = node.value<double>();
    if (!q || !(*q > 0) || !std::isfinite(*q)) return wrong(key, "a positive number");
    r.Q = given_value{true, *q};
  } else if (k == "losses") {
    RETURN_IF_ERROR(name_of(node, key, {"viscothermal"}, which));
    r.viscothermal = true;
  }
  return status::success();
}

status read_one(const toml::table& table, int index, resonator_sheet& r) {
  const std::string prefix = message("resonator[%d].", index);
  if (const auto type = table["type"]) {
    int which = 0;
    RETURN_IF_ERROR(name_of(*type.node(), prefix + "type", {"helmholtz", "quarter_wave"}, which));
    r.type = which == 0 ? resonator_type::helmholtz : resonator_type::quarter_wave;
  }
  const bool helmholtz = r.type == resonator_type::helmholtz;
  std::vector<std::string> known;
  for (const resonator_key& k : resonator_keys())
    if (helmholtz ? k.helmholtz : k.quarter_wave) known.push_back(k.key);
  for (const auto& [name, node] : table) {
    const std::string k(name.str());
    if (std::find(known.begin(), known.end(), k) == known.end())
      return status::error(message("unknown key %s%s: %s", prefix.c_str(), k.c_str(),
                                   key_suggestion(k, known, prefix).c_str()));
    RETURN_IF_ERROR(read_key(node, k, prefix + k, r));
  }
  return status::success();
}

}  // namespace

status read_resonator_tables(const toml::node& node, design_file& d) {
  const toml::array* list = node.as_array();
  if (!list || !list->is_array_of_tables())
    return wrong("resonator", "one [[resonator]] table per resonator");
  int index = 0;
  for (const toml::node& entry : *list) {
    resonator_sheet r;
    RETURN_IF_ERROR(read_one(*entry.as_table(), ++index, r));
    d.resonators.push_back(r);
  }
  return status::success();
}

status parse_volume_velocity(const std::string& text, double& si) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double number = std::strtod(begin, &end);
  std::string unit(static_cast<const char*>(end), begin + text.size());
  while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
  while (!unit.empty() && unit.back() == ' ') unit.pop_back();
  double scale = 0;
  if (end != begin && std::isfinite(number)) {
    if (unit == "m3/s") scale = 1;
    if (unit == "l/s" || unit == "L/s") scale = 1e-3;
    if (unit == "cm3/s") scale = 1e-6;
  }
  if (scale == 0)
    return status::error(message("%s: expected a number and one of the units l/s, m3/s, cm3/s", quoted(text).c_str()));
  si = number * scale;
  if (!(si > 0)) return status::error(message("%s: expected a positive flow", quoted(text).c_str()));
  return status::success();
}

status check_source_table(const design_file& d) {
  if (!d.source.given) return status::success();
  if (!d.source.volume_velocity) return status::error("source.type is missing: expected \"volume_velocity\"");
  if (!d.source.flow.given)
    return status::error("source.volume_velocity is missing: expected the rms flow into the chamber, e.g. \"1 l/s\"");
  return status::success();
}
