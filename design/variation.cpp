#include "design/variation.h"

#include <cmath>

#include "design/design_file.h"
#include "design/units.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

constexpr int most_values = 1000;

// The unit as typed after the number ("20l" and "20 l": "l").
std::string unit_of(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.' ||
                              text[at] == '-' || text[at] == '+' || text[at] == 'e' || text[at] == 'E')) {
    // An exponent's e, not a unit that starts with e.
    if ((text[at] == 'e' || text[at] == 'E') &&
        !(at + 1 < text.size() && (std::isdigit(static_cast<unsigned char>(text[at + 1])) || text[at + 1] == '-')))
      break;
    ++at;
  }
  std::string unit = text.substr(at);
  while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
  return unit;
}

}  // namespace

status parse_variation(const std::string& option, variation& out) {
  const std::size_t equals = option.find('=');
  const auto bad = [&](const std::string& why) {
    return status::error(message("option --vary is %s: %s", quoted(option).c_str(), why.c_str()));
  };
  if (equals == std::string::npos) return bad("expected KEY=FROM:TO:STEP, e.g. enclosure.Vb=20l:80l:10l");
  out.key = option.substr(0, equals);
  bool has_unit = false;
  dimension dim = dimension::frequency;
  const status known = key_dimension(out.key, has_unit, dim);
  if (!known.ok()) return bad(known.message);
  const std::string range = option.substr(equals + 1);
  const std::size_t first = range.find(':'), second = range.find(':', first + 1);
  if (first == std::string::npos || second == std::string::npos || range.find(':', second + 1) != std::string::npos)
    return bad("expected KEY=FROM:TO:STEP, e.g. enclosure.Vb=20l:80l:10l");
  const std::string parts[3] = {range.substr(0, first), range.substr(first + 1, second - first - 1),
                                range.substr(second + 1)};
  double value[3];
  for (int i = 0; i < 3; ++i) {
    if (has_unit) {
      const status parsed = parse_quantity(parts[i], dim, value[i]);
      if (!parsed.ok()) return bad(out.key + ": " + parsed.message);
    } else if (parse_real(parts[i], value[i]) != read_result::ok || !std::isfinite(value[i])) {
      return bad(message("%s: %s: expected a number without a unit", out.key.c_str(), quoted(parts[i]).c_str()));
    }
  }
  const double from = value[0], to = value[1], step = value[2];
  if (!(step > 0) || !(to > from)) return bad("expected FROM below TO and a positive STEP");
  const double steps = std::round((to - from) / step);
  if (std::abs(from + steps * step - to) > 1e-9 * std::abs(to))
    return bad(message("STEP does not reach TO from FROM in whole steps: expected TO = FROM + k STEP"));
  if (steps + 1 > most_values) return bad(message("%.0f values: expected at most %d", steps + 1, most_values));
  const std::string unit = has_unit ? unit_of(parts[0]) : "";
  const std::string name = out.key.substr(out.key.find('.') + 1);
  for (int k = 0; k <= static_cast<int>(steps); ++k) {
    const double si = k == static_cast<int>(steps) ? to : from + k * step;
    const double shown = has_unit ? in_unit(si, unit.c_str()) : si;
    out.values.push_back(has_unit ? message("%.17g %s", shown, unit.c_str()) : message("%.17g", shown));
    out.shown.push_back(message("%.6g%s%s", shown, unit.empty() ? "" : " ", unit.c_str()));
    out.labels.push_back(name + " = " + out.shown.back());
    out.numbers.push_back(shown);
  }
  out.axis = name + (unit.empty() ? "" : " [" + unit + "]");
  return status::success();
}
