// acoustic_steady's options, NUL-separated: accepted options hold positive
// finite numbers.
#include <cstdint>
#include <string>
#include <vector>

#include "control/steady_options.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quiet_console();
  std::vector<std::string> words{"acoustic_steady"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(data[i]));
    }
  }
  words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  steady_options o;
  if (!parse_steady_options(static_cast<int>(argv.size()), argv.data(), o).ok() || o.help) return 0;
  const double numbers[] = {o.at.distance, o.duct_velocity_limit, o.xmax_mm, o.coil.le};
  for (double x : numbers)
    if (!std::isfinite(x) || x < 0) std::abort();
  if (o.coil_given && !(o.coil.voltage > 0 && o.coil.bl > 0 && o.coil.re > 0)) std::abort();
  return 0;
}
