#include "design/driver.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "design/units.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

status missing(const char* key, const char* expected) {
  return status::error(message("driver.%s is missing: expected %s", key, expected));
}

// "fs", "fs and Cms", "fs, Vas and Sd".
std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t k = 0; k < names.size(); ++k)
    text += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
  return text;
}

// A percentage as a person reads it, never with hundreds of digits.
std::string percent(double fraction) {
  const double p = fraction * 100;
  return p < 1e4 ? message("%.0f %%", p) : message("%.3g %%", p);
}

// The order in which the sheet's figures are named in messages.
const std::vector<std::string> sheet_order = {"fs", "Qms", "Qes", "Qts", "Vas", "Mms", "Cms", "Kms",
                                              "Sd", "diameter", "Re", "Bl", "Rms"};

// Which typed figures each completed figure follows from.
struct ledger {
  const driver_sheet& in;
  std::map<std::string, std::set<std::string>> roots;

  void typed(const std::string& key) { roots[key] = {key}; }
  void derived(const std::string& key, const std::vector<std::string>& from) {
    std::set<std::string> all;
    for (const std::string& f : from) all.insert(roots[f].begin(), roots[f].end());
    roots[key] = all;
  }
  std::string text_of(const std::string& key) const;
  std::string origin(const std::string& key) const {
    std::string text;
    for (const std::string& k : sheet_order)
      if (roots.count(key) && roots.at(key).count(k)) text += (text.empty() ? "" : ", ") + k + " = " + text_of(k);
    return text;
  }
};

const given_value* sheet_value(const driver_sheet& in, const std::string& key) {
  const std::pair<const char*, const given_value*> values[] = {
      {"fs", &in.fs},   {"Qms", &in.Qms}, {"Qes", &in.Qes}, {"Qts", &in.Qts},      {"Vas", &in.Vas},
      {"Mms", &in.Mms}, {"Cms", &in.Cms}, {"Kms", &in.Kms}, {"Sd", &in.Sd},        {"diameter", &in.diameter},
      {"Re", &in.Re},   {"Bl", &in.Bl},   {"Rms", &in.Rms}, {"Le", &in.Le},        {"Xmax", &in.Xmax},
      {"Pe", &in.Pe}};
  for (const auto& [name, v] : values)
    if (key == name) return v;
  return nullptr;
}

std::string ledger::text_of(const std::string& key) const {
  const given_value* v = sheet_value(in, key);
  if (!v) return "";
  return v->typed.unit.empty() ? v->text : quoted(v->text);
}

// How a figure is shown in a comparison: its unit and its factor from SI.
struct shown_as {
  const char* unit;
  double scale;
};

shown_as display(const std::string& key) {
  if (key == "fs") return {"Hz", 1};
  if (key == "Vas") return {"l", 1e-3};
  if (key == "Mms") return {"g", 1e-3};
  if (key == "Cms") return {"mm/N", 1e-3};
  if (key == "Kms") return {"N/mm", 1e3};
  if (key == "Rms") return {"kg/s", 1};
  if (key == "Bl") return {"T*m", 1};
  if (key == "diameter") return {"mm", 1e-3};
  return {"", 1};
}

// The redundant figure `given` against `derived` (both SI).
void compare(const std::string& key, double given, double derived, const std::vector<std::string>& from,
             driver_account& account) {
  const double difference = std::fabs(given - derived) / derived;
  if (!(difference > 0.02)) return;
  const shown_as s = display(key);
  const std::string space = *s.unit ? " " : "";
  const std::string goes_on = message("%.4g%s%s", derived / s.scale, space.c_str(), s.unit);
  account.contradictions.push_back(
      {key, difference,
       message("driver.%s = %.4g%s%s disagrees with %s from %s (%s)", key.c_str(), given / s.scale, space.c_str(),
               s.unit, goes_on.c_str(), joined(from).c_str(), percent(difference).c_str()),
       goes_on});
}

bool trusted(const driver_sheet& in, const std::string& key) {
  return std::find(in.trust.begin(), in.trust.end(), key) != in.trust.end();
}

// The given candidates, the trusted ones first, each group in its order.
std::vector<std::string> ranked(const driver_sheet& in, const std::vector<std::string>& order) {
  std::vector<std::string> out;
  for (int pass = 0; pass < 2; ++pass)
    for (const std::string& k : order)
      if (sheet_value(in, k)->given && trusted(in, k) == (pass == 0)) out.push_back(k);
  return out;
}

status check_trust(const driver_sheet& in) {
  for (const std::string& t : in.trust) {
    const auto& names = trustable_figures();
    if (std::find(names.begin(), names.end(), t) == names.end())
      return status::error(message("driver.trust names \"%s\": expected some of %s", t.c_str(), joined(names).c_str()));
    if (!sheet_value(in, t)->given)
      return status::error(message("driver.trust names %s, which the sheet does not give", t.c_str()));
  }
  return status::success();
}

// The moving system: two of resonance, mass and compliance fix the third.
status complete_moving_system(const driver_sheet& in, driver_parameters& d, ledger& book, driver_account& account) {
  const std::vector<std::string> mechanical = ranked(in, {"fs", "Vas", "Cms", "Kms", "Mms"});
  const auto kind = [](const std::string& k) { return k == "fs" ? 'f' : k == "Mms" ? 'm' : 'c'; };
  std::string pair[2];
  int chosen = 0;
  for (const std::string& k : mechanical)
    if (chosen < 2 && (chosen == 0 || kind(k) != kind(pair[0]))) pair[chosen++] = k;
  if (chosen < 2) return missing("Vas", "Vas, Mms, Cms or Kms");
  const std::string compliance_key = kind(pair[0]) == 'c' ? pair[0] : kind(pair[1]) == 'c' ? pair[1] : "";
  double cms = 0;
  std::vector<std::string> cms_from;
  if (compliance_key == "Vas") {
    cms = in.Vas.value / (rho_c2 * d.sd * d.sd);
    cms_from = {"Vas", "Sd"};
  } else if (compliance_key == "Cms") {
    cms = in.Cms.value;
    cms_from = {"Cms"};
  } else if (compliance_key == "Kms") {
    cms = 1 / in.Kms.value;
    cms_from = {"Kms"};
  }
  const bool has_f = kind(pair[0]) == 'f' || kind(pair[1]) == 'f';
  const bool has_m = kind(pair[0]) == 'm' || kind(pair[1]) == 'm';
  if (has_f && !has_m) {
    d.fs = in.fs.value;
    d.cms = cms;
    d.mms = 1 / (std::pow(two_pi * d.fs, 2) * d.cms);
    std::vector<std::string> from = {"fs"};
    from.insert(from.end(), cms_from.begin(), cms_from.end());
    book.derived("Cms", cms_from);
    book.derived("Mms", from);
    if (in.Mms.given) compare("Mms", in.Mms.value, d.mms, from, account);
  } else if (has_f) {
    d.fs = in.fs.value;
    d.mms = in.Mms.value;
    d.cms = 1 / (std::pow(two_pi * d.fs, 2) * d.mms);
    book.derived("Cms", {"fs", "Mms"});
  } else {
    d.mms = in.Mms.value;
    d.cms = cms;
    d.fs = 1 / (two_pi * std::sqrt(d.mms * d.cms));
    std::vector<std::string> from = {"Mms"};
    from.insert(from.end(), cms_from.begin(), cms_from.end());
    book.derived("Cms", cms_from);
    book.derived("fs", from);
    if (in.fs.given) compare("fs", in.fs.value, d.fs, from, account);
  }
  d.vas = rho_c2 * d.sd * d.sd * d.cms;
  if (compliance_key != "Vas") book.derived("Vas", {"Cms", "Sd"});
  if (compliance_key != "Vas" && in.Vas.given) compare("Vas", in.Vas.value, d.vas, {"Cms", "Sd"}, account);
  const std::vector<std::string> cms_shown = compliance_key.empty() ? std::vector<std::string>{"fs", "Mms"} : cms_from;
  if (compliance_key != "Cms" && in.Cms.given) compare("Cms", in.Cms.value, d.cms, cms_shown, account);
  if (compliance_key != "Kms" && in.Kms.given) compare("Kms", in.Kms.value, 1 / d.cms, {"Cms"}, account);
  return status::success();
}

// The losses: Qms or Rms, Qes or Bl, Qts for one of them.
status complete_losses(const driver_sheet& in, driver_parameters& d, ledger& book, driver_account& account) {
  const double ws = two_pi * d.fs;
  const std::vector<std::string> dampings = ranked(in, {"Qms", "Rms"}), electricals = ranked(in, {"Qes", "Bl"});
  std::string damping_key = dampings.empty() ? "" : dampings.front();
  std::string electrical_key = electricals.empty() ? "" : electricals.front();
  if (in.Qts.given && trusted(in, "Qts") && !damping_key.empty() && !electrical_key.empty()) {
    if (trusted(in, electrical_key) && trusted(in, damping_key))
      return status::error(message("driver.trust names Qts, %s and %s: expected two of them, which fix the third",
                                   damping_key.c_str(), electrical_key.c_str()));
    if (trusted(in, electrical_key)) damping_key.clear();
    else electrical_key.clear();
  }
  std::vector<std::string> qms_from = {"Qms"}, qes_from = {"Qes"};
  if (damping_key == "Qms") {
    d.qms = in.Qms.value;
  } else if (damping_key == "Rms") {
    d.qms = ws * d.mms / in.Rms.value;
    qms_from = {"fs", "Mms", "Rms"};
  }
  if (electrical_key == "Qes") {
    d.qes = in.Qes.value;
  } else if (electrical_key == "Bl") {
    d.qes = ws * d.mms * d.re / (in.Bl.value * in.Bl.value);
    qes_from = {"fs", "Mms", "Re", "Bl"};
  }
  if (electrical_key.empty()) {
    if (!(in.Qts.value < d.qms))
      return status::error(message("driver.Qts = %g is not below Qms = %.4g: expected Qts < Qms", in.Qts.value, d.qms));
    d.qes = 1 / (1 / in.Qts.value - 1 / d.qms);
    qes_from = {"Qts", "Qms"};
  } else if (damping_key.empty()) {
    if (!(in.Qts.value < d.qes))
      return status::error(message("driver.Qts = %g is not below Qes = %.4g: expected Qts < Qes", in.Qts.value, d.qes));
    d.qms = 1 / (1 / in.Qts.value - 1 / d.qes);
    qms_from = {"Qts", "Qes"};
  }
  if (damping_key != "Qms") book.derived("Qms", qms_from);
  if (electrical_key != "Qes") book.derived("Qes", qes_from);
  d.qts = d.qms * d.qes / (d.qms + d.qes);
  d.rms = ws * d.mms / d.qms;
  d.bl = std::sqrt(ws * d.mms * d.re / d.qes);
  book.derived("Rms", {"fs", "Mms", "Qms"});
  book.derived("Bl", {"fs", "Mms", "Re", "Qes"});
  if (!electrical_key.empty() && !damping_key.empty()) book.derived("Qts", {"Qes", "Qms"});
  if (in.Qts.given && !electrical_key.empty() && !damping_key.empty())
    compare("Qts", in.Qts.value, d.qts, {"Qes", "Qms"}, account);
  if (in.Qms.given && damping_key != "Qms") compare("Qms", in.Qms.value, d.qms, qms_from, account);
  if (in.Qes.given && electrical_key != "Qes") compare("Qes", in.Qes.value, d.qes, qes_from, account);
  if (in.Rms.given && damping_key != "Rms") compare("Rms", in.Rms.value, d.rms, {"fs", "Mms", "Qms"}, account);
  if (in.Bl.given && electrical_key != "Bl") compare("Bl", in.Bl.value, d.bl, {"fs", "Mms", "Re", "Qes"}, account);
  return status::success();
}

}  // namespace

const std::vector<std::string>& trustable_figures() {
  static const std::vector<std::string> names = {"fs", "Qms", "Qes", "Qts", "Vas", "Mms", "Cms", "Kms", "Rms", "Bl"};
  return names;
}

status complete_driver(const driver_sheet& in, driver_parameters& d, driver_account& account) {
  d = driver_parameters{};
  d.name = in.name;
  RETURN_IF_ERROR(check_trust(in));
  const bool mass_and_compliance = in.Mms.given && (in.Vas.given || in.Cms.given || in.Kms.given);
  if (!in.fs.given && !mass_and_compliance)
    return missing("fs", "the driver's resonance, e.g. \"28 Hz\" (or Mms with Vas, Cms or Kms)");
  if (!in.Re.given) return missing("Re", "the coil's resistance, e.g. \"5.6 ohm\"");
  if (!in.Sd.given && !in.diameter.given) return missing("Sd", "the piston area (or diameter), e.g. \"220 cm2\"");
  const bool damping = in.Qms.given || in.Rms.given, electrical = in.Qes.given || in.Bl.given;
  if (!electrical && !(in.Qts.given && damping)) return missing("Qes", "the electrical Q (or Bl, or Qts with Qms)");
  if (!damping && !(in.Qts.given && electrical)) return missing("Qms", "the mechanical Q (or Rms, or Qts with Qes)");
  if (!in.Vas.given && !in.Mms.given && !in.Cms.given && !in.Kms.given)
    return missing("Vas", "Vas, Mms, Cms or Kms");

  ledger book{in, {}};
  for (const std::string& k : sheet_order)
    if (sheet_value(in, k)->given) book.typed(k);
  d.re = in.Re.value;
  d.le = in.Le.given ? in.Le.value : 0;
  d.xmax = in.Xmax.given ? in.Xmax.value : 0;
  d.pe = in.Pe.given ? in.Pe.value : 0;
  if (in.Sd.given) {
    d.sd = in.Sd.value;
    if (in.diameter.given) compare("diameter", in.diameter.value, std::sqrt(4 * d.sd / pi), {"Sd"}, account);
  } else {
    d.sd = pi * in.diameter.value * in.diameter.value / 4;
    book.derived("Sd", {"diameter"});
  }

  RETURN_IF_ERROR(complete_moving_system(in, d, book, account));
  RETURN_IF_ERROR(complete_losses(in, d, book, account));
  for (const char* k : {"fs", "Qms", "Qes", "Qts", "Vas", "Mms", "Cms", "Rms", "Bl", "Sd", "Re"}) {
    account.origin[k] = book.origin(k);
    if (book.roots[k] == std::set<std::string>{k}) account.taken_as_given.push_back(k);
  }
  return status::success();
}

status complete_driver(const driver_sheet& sheet, driver_parameters& d, std::vector<std::string>& warnings) {
  driver_account account;
  RETURN_IF_ERROR(complete_driver(sheet, d, account));
  for (const datasheet_contradiction& c : account.contradictions)
    warnings.push_back(c.account + ": the design uses " + c.goes_on);
  return status::success();
}
