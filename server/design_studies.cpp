#include "server/design_studies.h"

#include <cmath>

#include "control/design_alignments.h"
#include "control/design_options.h"
#include "control/design_program.h"
#include "control/design_transient.h"
#include "server/design_api.h"
#include "util/message.h"

using nlohmann::json;

json alignments_answer(const json& request) {
  const std::string name = request.value("name", std::string("design.toml"));
  std::string text;
  status done = edited_design_text(request, text);
  design_file file;
  if (done.ok()) done = parse_design_text(text, name, file);
  std::vector<alignment_row> rows;
  std::vector<std::string> notes, warnings;
  if (done.ok()) done = align_driver(file, rows, notes, request.value("accept_unusual", false), &warnings);
  if (!done.ok()) return {{"error", done.message}};
  json answer = {{"rows", json::array()}, {"notes", notes}, {"warnings", warnings}};
  for (const alignment_row& r : rows)
    answer["rows"].push_back({{"name", r.name}, {"property", r.property}, {"qtc", r.qtc}, {"vb_l", r.vb * 1e3},
                              {"fc", r.fc}, {"fb", r.fb}, {"f3", r.f3}, {"port_diameter_mm", r.port_diameter * 1e3}});
  return answer;
}

namespace {

json failed(const std::string& text) {
  return {{"ok", false}, {"errors", json::array({{{"key", key_named(text)}, {"text", text}}})}};
}

}  // namespace

json transient_answer(const json& request) {
  const std::string name = request.value("name", std::string("design.toml"));
  std::string text;
  status done = edited_design_text(request, text);
  design_file file;
  if (done.ok()) done = parse_design_text(text, name, file);
  if (!done.ok()) return failed(done.message);
  design_result r;
  done = compute_design(file, log_grid(5, 1000, 48), r, request.value("accept_unusual", false));
  if (!done.ok()) return failed(name + ": " + done.message);
  // The signal and the record read as the command line reads them.
  std::string signal = request.value("signal", std::string());
  if (signal.empty()) signal = message("burst:%gHz:8", std::round(enclosure_resonance(file, r.summary)));
  std::vector<std::string> args = {"acoustic_design", "design.toml", "--transient", signal};
  const std::string duration = request.value("duration", std::string());
  if (!duration.empty()) args.insert(args.end(), {"--duration", duration});
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  design_options o;
  done = parse_design_options(static_cast<int>(argv.size()), argv.data(), o);
  if (!done.ok()) return failed(done.message);
  transient_result t;
  done = compute_transient(r, o.signal, o.duration, t);
  if (!done.ok()) return failed(name + ": " + done.message);
  json answer = {{"ok", true}, {"signal", signal}, {"description", describe_signal(o.signal, file.voltage)},
                 {"lines", transient_summary(r, o.signal, t)}};
  const int step = std::max(1, (t.rows + 3999) / 4000);
  const bool port = !t.columns.port_velocity.empty();
  json time = json::array(), voltage = json::array(), excursion = json::array(), pressure = json::array(),
       velocity = json::array();
  for (int k = 0; k < t.rows; k += step) {
    time.push_back(t.record.time[k] * 1e3);
    voltage.push_back(t.record.voltage[k]);
    excursion.push_back(t.columns.excursion_mm[k]);
    pressure.push_back(t.columns.pressure[k]);
    if (port) velocity.push_back(t.columns.port_velocity[k]);
  }
  answer["time_ms"] = time;
  answer["voltage"] = voltage;
  answer["excursion_mm"] = excursion;
  answer["pressure"] = pressure;
  if (port) answer["port_velocity"] = velocity;
  return answer;
}
