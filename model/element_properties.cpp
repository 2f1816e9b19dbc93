#include "model/element_properties.h"

#include <cmath>
#include <cstdio>
#include <string>

status check_element_properties(const model_state& s) {
  for (int i = 0; i <= s.n; ++i) {
    if (!std::isfinite(s.KS[i])) {
      char line[300];
      std::snprintf(line, sizeof line,
                    "%s: parameters.txt: chamber volume V[%d] = %g l gives an infinite stiffness: expected a "
                    "larger volume",
                    program_name, i, s.V[i] * 1000);
      return status::error(line);
    }
  }
  for (int i = 0; i < s.ND; ++i) {
    if (!(s.MP[i] > 0) || !std::isfinite(s.MP[i])) {
      char line[400];
      std::snprintf(line, sizeof line,
                    "%s: parameters.txt: element %d has mass %g kg and damping %g kg/s, so 2M+C*delta = %g: "
                    "expected a positive area and length or a positive damping coefficient",
                    program_name, i, s.M[i], s.C[i], s.MP[i]);
      return status::error(line);
    }
  }
  return status::success();
}

void compute_element_properties(model_state& s) {
  for (int i = 0; i <= s.n; ++i) s.V[i] = s.V[i] / 1000;
  for (int i = 1; i < s.ND; ++i) {
    s.R[i] = s.A[i] / s.A[0];
    s.M[i] = s.A[i] * 0.0001 * s.L[i] * 0.001 * 1.2;  // the mass of the air in the duct
  }
  for (int i = 0; i < s.ND; ++i) {
    s.MP[i] = s.M[i] * 2 + s.C[i] * s.delta;
    s.MM[i] = s.M[i] * 2 - s.C[i] * s.delta;
  }
  // Every chamber is referred to the piston area; the area ratios enter in
  // the actual stiffness matrix.
  for (int i = 0; i <= s.n; ++i) s.KS[i] = s.A[0] * s.HCR * s.A[0] * 1e-8 * 101300 / s.V[i];
}

void derive_element_properties(model_state& s) {
  compute_element_properties(s);
  print_element_tables(s);
}

void print_element_tables(const model_state& s) {
  std::puts("chamber volume unit conversion done!");
  std::puts("M[i]\tC[i]");
  for (int i = 0; i < s.ND; ++i) std::printf("%f\t%f\n", s.M[i], s.C[i]);
  std::puts("i\tR[i]\tA[i]\tL[i]\tM[i]");
  for (int i = 0; i < s.ND; ++i) std::printf("%d\t%f\t%f\t%f\t%f\n", i, s.R[i], s.A[i], s.L[i], s.M[i]);
  for (int i = 0; i < s.ND; ++i) std::printf("%f\t%f\n", s.MM[i], s.MP[i]);
  std::puts("\n-- damping effects below --");
  for (int i = 0; i < s.ND; ++i) std::printf("%f\t", 1 - s.MM[i] / s.MP[i]);
  std::printf("\n");
  std::puts("ratio and mass vector calculation done!");
  for (int i = 0; i <= s.n; ++i) std::printf("standard stiffness matrix values %d\t%f\n", i, s.KS[i]);
  std::printf("\n");
  std::puts("read data stored to matrices!");
}
