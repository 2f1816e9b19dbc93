#include "util/command_line.h"

#include <cstdio>
#include <string>
#include <vector>

#include "util/message.h"
#include "util/token_reader.h"

status parse_command_line(CLI::App& app, int argc, const char* const* argv, bool& help_shown) {
  help_shown = false;
  app.allow_extras();
  // As in most tools, an option given twice takes its last value.
  // Positional lists (several files) keep every value.
  for (CLI::Option* option : app.get_options())
    if (!option->get_positional() || option->get_items_expected_max() <= 1)
      option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    help_shown = true;
    return status::success();
  } catch (const CLI::ArgumentMismatch& e) {
    const std::string what = e.what();
    const std::size_t dash = what.find("--");
    const std::string option = what.substr(dash, what.find_first_of(" :", dash) - dash);
    return status::error(message("option %s needs a value: see --help", option.c_str()));
  } catch (const CLI::ParseError& e) {
    return status::error(message("%s: see --help", e.what()));
  }
  const std::vector<std::string> extras = app.remaining();
  if (extras.empty()) return status::success();
  std::string first = extras.front();
  if (first.size() > 1 && first[0] == '-') {
    first = first.substr(0, first.find('='));
    return status::error(message("unknown option %s: see --help", ::quoted(first).c_str()));
  }
  return status::error(message("unexpected argument %s: see --help", ::quoted(first).c_str()));
}
