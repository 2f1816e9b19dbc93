// Networks at the edge of what doubles hold: extreme but valid ones run
// and stay finite; an element the explicit scheme cannot step is named.
#include <gtest/gtest.h>

#include <cmath>

#include "model/network_checks.h"
#include "test_support.h"

namespace {

bool all_finite(const std::vector<std::vector<double>>& rows) {
  for (const auto& row : rows)
    for (double x : row)
      if (!std::isfinite(x)) return false;
  return !rows.empty();
}

// Every history and the spectrum finite, and nothing on standard error but
// what the case expects.
TEST(FiniteNetwork, ExtremeButValidNetworksRunFinite) {
  const struct {
    const char* name;
    std::string parameters;
  } cases[] = {
      {"a piston of 1 mm radius", "20 0.1 40\n1 400 1.4 1\n20 5\n20 25\n50 150\n1.0 0.05 0.08\n"},
      {"a duct of 1e-6 cm^2", "20 8 40\n1 400 1.4 1\n20 5\n1e-6 25\n50 150\n1.0 0.05 0.08\n"},
      {"a chamber of 1e6 l", "20 8 40\n1 400 1.4 1\n1e6 5\n20 25\n50 150\n1.0 0.05 0.08\n"},
      {"a piston of 1e-160 cm radius alone", "20 1e-160 40\n0 100 1.4 1\n20\n1.0\n"},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    const program_run r = run_sim(dir, c.parameters, "0\n1\n0\n50\n");
    EXPECT_EQ(r.exit_code, 0) << c.name << ": " << shown(r.err);
    EXPECT_EQ(r.err, "") << c.name;
    EXPECT_TRUE(all_finite(csv_rows(dir.file("normalized_v_vectors.csv")))) << c.name;
    EXPECT_TRUE(all_finite(csv_rows(dir.file("dft_result.csv")))) << c.name;
  }
}

// A leak written as a pure resistance: no mass, but the main chamber's
// stiffness. The run goes ahead, as its arithmetic has it, with a warning
// naming the element; a massless duct on an open chamber feels nothing.
TEST(FiniteNetwork, MasslessStiffElementIsNamed) {
  scratch_dir dir;
  const program_run leak = run_sim(dir, "20 8 40\n1 100 1.4 1\n20 inf\n20 1\n0 1\n1.0 5 0.05\n", "0\n1\n0\n50\n");
  EXPECT_EQ(leak.exit_code, 0);
  EXPECT_EQ(leak.err,
            "acoustic_sim: warning: element 1 (internal duct 1) has no mass but feels a stiffness: the explicit "
            "scheme is unstable on it at any time step, and the run may diverge: give it a length (the air mass "
            "of a real slot)\n");
  const auto model = build_model("20 8 40\n1 100 1.4 1\n20 inf\n20 1\n10 0\n1.0 5 0.05\n", 1e-4);
  EXPECT_EQ(massless_stiff_element(*model), -1);  // external duct 2: open on both sides
  EXPECT_EQ(element_name(*model, 2), "external duct 2");
}

}  // namespace
