// The live page's questions answered with the command line's own
// functions: the key table that reads the file, and a whole design
// computed into the very text of NAME.csv and NAME_summary.csv.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "util/status.h"

// [{key, unit, units}]: every key of the design file in its order; unit is
// the first unit the key takes ("" for a plain number or a name).
nlohmann::json keys_answer();

// A design: {seq, name (the file's name), text (its TOML as loaded),
// values {KEY: field text}, accept_unusual}, each value the text of a
// field that differs from the file; accept_unusual as --accept-unusual. The answer: {seq, ok, text (the file as Save would write
// it), csv, summary, xmax_mm, port_limit, radiator_xmax_mm, driver,
// warnings [{key, text}], errors [{key, text}]}; a message names the key
// it is about, or "".
nlohmann::json compute_answer(const nlohmann::json& request);

// The file's text with the request's values, as a design file; fails with
// the message a compute answer shows.
status edited_design_text(const nlohmann::json& request, std::string& text);

// The first key of the design file `text` names, or "".
std::string key_named(const std::string& text);
