#include "server/design_text.h"

#include <algorithm>
#include <toml++/toml.h>

#include "util/message.h"

namespace {

status parse(const std::string& text, toml::table& document) {
  try {
    document = toml::parse(text);
  } catch (const toml::parse_error& e) {
    return status::error(message("line %u: %s", static_cast<unsigned>(e.source().begin.line),
                                 std::string(e.description()).c_str()));
  }
  return status::success();
}

// toml++ counts lines from 1 and columns in code points from 1.
class offsets {
 public:
  explicit offsets(const std::string& text) : text_(text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') starts_.push_back(i + 1);
  }
  std::size_t at(const toml::source_position& p) const {
    std::size_t i = starts_[std::min<std::size_t>(p.line - 1, starts_.size() - 1)];
    for (toml::source_index column = 1; column < p.column && i < text_.size(); ++column) {
      ++i;
      while (i < text_.size() && (static_cast<unsigned char>(text_[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
  }
  std::size_t line_start(toml::source_index line) const { return starts_[std::min<std::size_t>(line - 1, starts_.size() - 1)]; }
  // The start of the line after `line`, or the end of the text.
  std::size_t after_line(toml::source_index line) const {
    return line < starts_.size() ? starts_[line] : text_.size();
  }

 private:
  const std::string& text_;
  std::vector<std::size_t> starts_;
};

std::string basic_string(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else if (u < 0x20 || u == 0x7f)
      out += message("\\u%04x", u);
    else
      out += c;
  }
  return out + "\"";
}

struct splice {
  std::size_t from, to;
  std::string text;
};

}  // namespace

std::string toml_value_text(const std::string& typed, bool has_unit) {
  if (!has_unit && !typed.empty() && typed.find_first_of("\r\n") == std::string::npos) {
    try {
      const toml::table t = toml::parse("v = " + typed);
      const toml::node* v = t.get("v");
      if (t.size() == 1 && v && (v->is_number() || v->is_boolean() || v->is_table())) return typed;
    } catch (const toml::parse_error&) {
    }
  }
  return basic_string(typed);
}

status edit_design_text(const std::string& text, const key_values& values, std::string& out) {
  toml::table document;
  RETURN_IF_ERROR(parse(text, document));
  const offsets where(text);
  std::vector<splice> splices;
  std::vector<std::pair<std::string, std::string>> appended;  // new tables' lines, in order
  for (const auto& [full, value] : values) {
    const std::size_t dot = full.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == full.size() || full.find('.', dot + 1) != std::string::npos)
      return status::error(message("%s: expected TABLE.KEY", full.c_str()));
    // A new key is written into the text as it is: bare keys only.
    const bool bare = full.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.") ==
                      std::string::npos;
    const std::string table = full.substr(0, dot), key = full.substr(dot + 1);
    const std::string line = key + " = " + value + "\n";
    toml::node* found = document.get(table);
    if (value.empty()) {
      const toml::table* t = found ? found->as_table() : nullptr;
      const toml::node* node = t ? t->get(key) : nullptr;
      if (!node) continue;
      if (t->is_inline()) return status::error(message("%s: expected a table [%s] on lines of its own", full.c_str(), table.c_str()));
      // A key and its value have lines of their own in TOML: those lines go,
      // with the comment that described the value.
      const std::size_t from = where.line_start(node->source().begin.line), to = where.after_line(node->source().end.line);
      splices.push_back({from, to, ""});
      continue;
    }
    const bool there = found && found->is_table() && found->as_table()->get(key);
    if (!there && !bare) return status::error(message("%s: expected TABLE.KEY of letters, digits, _ and -", full.c_str()));
    if (!found) {
      const auto same = std::find_if(appended.begin(), appended.end(), [&](const auto& a) { return a.first == table; });
      if (same == appended.end())
        appended.push_back({table, line});
      else
        same->second += line;
      continue;
    }
    toml::table* t = found->as_table();
    if (!t || t->is_inline()) return status::error(message("%s: expected a table [%s] on lines of its own", full.c_str(), table.c_str()));
    if (toml::node* node = t->get(key)) {
      if (node->source().begin.line == 0) return status::error(message("%s: not where a page can edit it", full.c_str()));
      splices.push_back({where.at(node->source().begin), where.at(node->source().end), value});
      continue;
    }
    // After the table's last key, or its header when it has none.
    toml::source_index last = t->source().begin.line;
    bool sub_table = false;
    for (const auto& child : *t) {
      last = std::max(last, child.second.source().end.line);
      sub_table = sub_table || (child.second.is_table() && !child.second.as_table()->is_inline());
    }
    // Below a [table.sub] header a new line would belong to the sub-table.
    if (last == 0 || sub_table) return status::error(message("%s: not where a page can edit it", full.c_str()));
    const std::size_t at = where.after_line(last);
    const bool newline = at == text.size() && !text.empty() && text.back() != '\n';
    splices.push_back({at, at, (newline ? "\n" : "") + line});
  }
  // From the end, so that earlier offsets hold; stable for keys added at one place.
  std::stable_sort(splices.begin(), splices.end(), [](const splice& a, const splice& b) { return a.from > b.from; });
  out = text;
  for (std::size_t i = 0; i < splices.size();) {
    std::size_t j = i;
    std::string joined;
    while (j < splices.size() && splices[j].from == splices[i].from && splices[j].to == splices[i].from)
      joined += splices[j++].text;
    if (j > i) {
      out.insert(splices[i].from, joined);
      i = j;
      continue;
    }
    out.replace(splices[i].from, splices[i].to - splices[i].from, splices[i].text);
    ++i;
  }
  for (const auto& [table, lines] : appended) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += (out.empty() ? "[" : "\n[") + table + "]\n" + lines;
  }
  return status::success();
}

status design_field_values(const std::string& text, key_values& values) {
  toml::table document;
  RETURN_IF_ERROR(parse(text, document));
  const offsets where(text);
  values.clear();
  for (const auto& [table, node] : document) {
    const toml::table* t = node.as_table();
    if (!t) continue;
    for (const auto& [key, value] : *t) {
      const std::string full = std::string(table.str()) + "." + std::string(key.str());
      if (const auto s = value.value_exact<std::string>())
        values.push_back({full, *s});
      else
        values.push_back({full, text.substr(where.at(value.source().begin),
                                            where.at(value.source().end) - where.at(value.source().begin))});
    }
  }
  return status::success();
}
