// The design file's text as the page edits it: each value replaced where
// toml++ says it sits, a new key at the end of its table, and every other
// byte - comments, order, quoting, blank lines - left as it was.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "util/status.h"

// KEY (e.g. "enclosure.Vb") and a text.
using key_values = std::vector<std::pair<std::string, std::string>>;

// What a field holds ("50 l", "0.7", "closed") as a TOML value: the text
// itself when it is one number, boolean or inline table on one line,
// otherwise a basic string; always a string for a key with a unit.
std::string toml_value_text(const std::string& typed, bool has_unit);

// The file's text with each KEY set to its TOML value text. A key that is
// there keeps its place and its line's comment; a new one goes after the
// last key of its table, a new table at the end. An empty value text
// removes the key (its whole line when nothing else is on it). Fails on a syntax error,
// naming the line, and on a key that is not a table's own line.
status edit_design_text(const std::string& text, const key_values& values, std::string& out);

// The values the file gives, as a field shows them: a string without its
// quotes, anything else as written.
status design_field_values(const std::string& text, key_values& values);
