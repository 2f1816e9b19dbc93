#include "server/design_api.h"

#include <cctype>

#include "analysis/design_response.h"
#include "control/design_files.h"
#include "control/design_program.h"
#include "design/design_file.h"
#include "design/units.h"
#include "server/design_text.h"

using nlohmann::json;

namespace {

bool has_unit(const std::string& key) {
  for (const design_key& k : design_keys())
    if (k.table + "." + k.key == key) return k.has_unit;
  return false;
}

json message_of(const std::string& text) { return json{{"key", key_named(text)}, {"text", text}}; }

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

std::string key_named(const std::string& text) {
  std::size_t best_at = std::string::npos;
  std::string best;
  for (const design_key& k : design_keys()) {
    const std::string full = k.table + "." + k.key;
    for (std::size_t at = text.find(full); at != std::string::npos; at = text.find(full, at + 1)) {
      const bool starts = at == 0 || !(word_char(text[at - 1]) || text[at - 1] == '.');
      const bool ends = at + full.size() == text.size() || !word_char(text[at + full.size()]);
      if (starts && ends && (at < best_at || (at == best_at && full.size() > best.size()))) {
        best_at = at;
        best = full;
      }
    }
  }
  return best;
}

json keys_answer() {
  json keys = json::array();
  for (const design_key& k : design_keys()) {
    std::string units = k.has_unit ? unit_list(k.dim) : "";
    keys.push_back({{"key", k.table + "." + k.key}, {"unit", units.substr(0, units.find(','))}, {"units", units}});
  }
  return keys;
}

status edited_design_text(const json& request, std::string& text) {
  key_values values;
  if (request.contains("values") && request["values"].is_object())
    for (const auto& [key, value] : request["values"].items()) {
      if (!value.is_string()) return status::error(key + ": expected a text");
      // An emptied field: the key is no longer given.
      const std::string typed = value.get<std::string>();
      values.push_back({key, typed.empty() ? "" : toml_value_text(typed, has_unit(key))});
    }
  const std::string base = request.value("text", std::string());
  return edit_design_text(base, values, text);
}

json compute_answer(const json& request) {
  json answer = {{"seq", request.value("seq", 0)}, {"ok", false}, {"warnings", json::array()}, {"errors", json::array()}};
  const std::string name = request.value("name", std::string("design.toml"));
  std::string text;
  const status edited = edited_design_text(request, text);
  if (!edited.ok()) {
    answer["errors"].push_back(message_of(name + ": " + edited.message));
    return answer;
  }
  answer["text"] = text;
  design_file file;
  design_result r;
  status computed = parse_design_text(text, name, file);
  if (computed.ok()) {
    computed = compute_design(file, log_grid(5, 1000, 48), r, request.value("accept_unusual", false));
    if (!computed.ok()) computed = status::error(name + ": " + computed.message);
  }
  for (const std::string& w : r.warnings) answer["warnings"].push_back(message_of(name + ": " + w));
  if (!computed.ok()) {
    answer["errors"].push_back(message_of(computed.message));
    return answer;
  }
  answer["ok"] = true;
  answer["csv"] = response_table_text(r.points, columns_of(r.drive));
  answer["summary"] = summary_table_text(r.summary);
  answer["xmax_mm"] = r.driver.xmax * 1e3;
  answer["port_limit"] = r.drive.port >= 0 ? file.port_velocity_limit : 0;
  answer["radiator_xmax_mm"] = r.drive.limits.radiator_xmax * 1e3;
  answer["driver"] = file.driver.name;
  return answer;
}
