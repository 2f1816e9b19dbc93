#include "model/element_properties.h"

#include <cmath>

#include "model/parameters.h"
#include "util/message.h"

void derive_element_properties(model_state& s) {
  for (int i = 0; i <= s.n; ++i) s.V[i] = s.V[i] / 1000;
  for (int i = 1; i < s.ND; ++i) {
    s.R[i] = s.A[i] / s.A[0];
    s.M[i] = s.A[i] * 0.0001 * s.L[i] * 0.001 * s.air_density;  // the mass of the air in the duct
  }
  derive_damping_terms(s);
  // Every chamber is referred to the piston area; the area ratios enter in
  // the actual stiffness matrix.
  for (int i = 0; i <= s.n; ++i) s.KS[i] = s.A[0] * s.HCR * s.A[0] * 1e-8 * s.air_pressure / s.V[i];
}

void derive_damping_terms(model_state& s) {
  for (int i = 0; i < s.ND; ++i) {
    s.MP[i] = s.M[i] * 2 + s.C[i] * s.delta;
    s.MM[i] = s.M[i] * 2 - s.C[i] * s.delta;
  }
}

status check_chamber_stiffnesses(const model_state& s) {
  for (int i = 0; i <= s.n; ++i) {
    if (!std::isfinite(s.KS[i])) {
      return status::error(
          message("%s: chamber volume V[%d] = %g l gives an infinite stiffness: expected a larger "
                  "volume",
                  parameter_file_name, i, s.V[i] * 1000));
    }
  }
  return status::success();
}

status check_recursion_divisors(const model_state& s) {
  for (int i = 0; i < s.ND; ++i) {
    if (!(s.MP[i] > 0) || !std::isfinite(s.MP[i])) {
      return status::error(
          message("%s: element %d has mass %g kg and damping %g kg/s, so 2M+C*delta = %g: expected "
                  "a positive area and length or a positive damping coefficient",
                  parameter_file_name, i, s.M[i], s.C[i], s.MP[i]));
    }
  }
  return status::success();
}
