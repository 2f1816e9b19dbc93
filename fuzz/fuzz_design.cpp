// The design file, read, completed and compiled: an accepted design has a
// finite network and finite figures at the frequencies it is solved at.
#include <cstdint>
#include <string>

#include "control/design_program.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  design_file file;
  if (!parse_design_text(text, "fuzz.toml", file).ok()) return 0;
  design_result r;
  if (!compute_design(file, {20, 200}, r).ok()) return 0;
  require_finite(*r.compiled.network);
  for (const design_point& p : r.points)
    if (!std::isfinite(p.excursion_mm) || !std::isfinite(std::abs(p.impedance))) std::abort();
  return 0;
}
