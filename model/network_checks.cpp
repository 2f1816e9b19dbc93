#include "model/network_checks.h"

#include <cmath>
#include <vector>

#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "model/natural_frequencies.h"
#include "model/parameters.h"
#include "util/message.h"

namespace {

bool finite(double x) { return std::isfinite(x); }

std::string piston(const model_state& s) { return message("a piston of %g cm^2", s.A[0]); }

status overflow(const std::string& inputs, const char* what) {
  return status::error(message("%s: %s overflows", inputs.c_str(), what));
}

std::string duct_values(const model_state& s, int i) {
  return message("duct area A[%d] = %g cm^2 and length L[%d] = %g mm", i, s.A[i], i, s.L[i]);
}

status check_elements(const model_state& s) {
  if (!finite(s.M[0]) || !finite(s.Ku))
    return overflow(message("piston mass m0 = %g g with resonance f0 = %g Hz", s.m0, s.f0),
                    "the network's suspension stiffness");
  for (int i = 1; i < s.ND; ++i) {
    if (!finite(s.R[i]))
      return overflow(message("duct area A[%d] = %g cm^2 against %s", i, s.A[i], piston(s).c_str()),
                      "the area ratio");
    if (!finite(s.M[i])) return overflow(duct_values(s, i), "the duct's air mass");
  }
  for (int i = 0; i < s.ND; ++i) {
    if (!finite(s.MP[i]) || !finite(s.MM[i]))
      return overflow(message("damping coefficient C[%d] = %g kg/s with the time step %g s", i, s.C[i], s.delta),
                      "the damping term of the recursion");
  }
  for (int i = 0; i <= s.n; ++i) {
    if (!finite(s.KS[i]))
      return overflow(message("chamber volume V[%d] = %g l against %s", i, s.V[i] * 1000, piston(s).c_str()),
                      "the chamber's stiffness");
  }
  return status::success();
}

status check_matrices(const model_state& s) {
  for (int i = 0; i < s.ND; ++i) {
    for (int j = 0; j < s.ND; ++j) {
      if (!finite(s.K[i][j])) {
        const int duct = i != 0 ? i : j;
        if (duct == 0)
          return overflow(message("%s with its chamber and suspension", piston(s).c_str()), "the network's stiffness");
        return overflow(message("duct area A[%d] = %g cm^2 against %s", duct, s.A[duct], piston(s).c_str()),
                        "the network's stiffness");
      }
      if (!finite(s.MK[i][j]) || !finite(s.Q[i][j]))
        return overflow(message("element %d's stiffness %g N/m with mass %g kg, damping %g kg/s and the time "
                                "step %g s",
                                i, s.K[i][j], s.M[i], s.C[i], s.delta),
                        "the iteration matrix");
    }
  }
  for (double w : natural_angular_frequencies(s)) {
    if (!finite(w))
      return overflow(message("masses from %g kg against stiffnesses of %g N/m", s.M[0], s.K[0][0]),
                      "the natural frequencies");
  }
  return status::success();
}

}  // namespace

status check_finite_network(const model_state& s) {
  RETURN_IF_ERROR(check_elements(s));
  return check_matrices(s);
}

status derive_checked_network(model_state& s) {
  derive_element_properties(s);
  RETURN_IF_ERROR(check_chamber_stiffnesses(s));
  RETURN_IF_ERROR(check_recursion_divisors(s));
  assemble_matrices(s);
  const status finite = check_finite_network(s);
  if (!finite.ok()) return status::error(message("%s: %s", parameter_file_name, finite.message.c_str()));
  return status::success();
}

int massless_stiff_element(const model_state& s) {
  for (int i = 0; i < s.ND; ++i)
    if (s.M[i] == 0 && s.K[i][i] != 0) return i;
  return -1;
}

std::string element_name(const model_state& s, int element) {
  if (element == 0) return "piston";
  if (element <= s.n) return message("internal duct %d", element);
  return message("external duct %d", element);
}
