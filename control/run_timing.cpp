#include "control/run_timing.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

__extension__ typedef unsigned __int128 u128;

void decompose(double x, std::uint64_t& mantissa, int& exponent) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  mantissa = biased ? fraction | (std::uint64_t{1} << 52) : fraction;
  exponent = biased ? biased - 1075 : -1074;
}

// The largest n_rows a run can have: n_rows + 1 steps and samples must
// still be counted in an int.
constexpr std::int64_t max_rows = INT_MAX - 1;

status too_many_steps(const char* what, double F, int division) {
  char line[300];
  std::snprintf(line, sizeof line,
                "%s: %s %g Hz with division %d needs more than %lld time steps: expected a smaller "
                "frequency or division",
                program_name, what, F, division, static_cast<long long>(max_rows));
  return status::error(line);
}

status set_rows(model_state& s, std::int64_t rows, const char* what) {
  if (rows > max_rows) return too_many_steps(what, s.F, s.division);
  s.n_rows = static_cast<int>(rows);
  return status::success();
}

}  // namespace

bool exact_truncated_quotient(double num, double den, std::int64_t& quotient) {
  std::uint64_t mn, md;
  int en, ed;
  decompose(num, mn, en);
  decompose(den, md, ed);
  // num / den = (mn / md) * 2^shift with 53-bit mantissas.
  const int shift = en - ed;
  u128 q;
  if (shift >= 0) {
    if (shift > 74) return false;  // the quotient is at least 2^(shift-53)
    q = (static_cast<u128>(mn) << shift) / md;
  } else {
    if (-shift > 74) {
      q = 0;  // md << -shift exceeds mn by far
    } else {
      q = static_cast<u128>(mn) / (static_cast<u128>(md) << -shift);
    }
  }
  if (q >> 62) return false;
  quotient = static_cast<std::int64_t>(q);
  return true;
}

status time_sinusoid(model_state& s, double F) {
  s.F = F;
  if (!(F < 2147483648.0)) return too_many_steps("a sinusoid at", F, s.division);
  s.req_cycles = static_cast<int>(s.F);  // whole cycles only
  s.n_cycles = s.req_cycles;
  RETURN_IF_ERROR(set_rows(s, static_cast<std::int64_t>(s.division) * s.n_cycles, "a sinusoid at"));
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  if (!std::isfinite(s.delta)) {
    char line[200];
    std::snprintf(line, sizeof line, "%s: a sinusoid at %g Hz has no finite period: expected a larger frequency",
                  program_name, F);
    return status::error(line);
  }
  return status::success();
}

status time_sweep(model_state& s, double F) {
  s.F = F;
  if (s.F > 300) s.F = 300;
  if (s.F < 200) s.F = 200;
  s.phi = s.F;  // the sweep rate in Hz/s equals the final frequency
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  // One second of steps: the stored delta lies just above or below
  // 1/(F division), and the truncation must see on which side.
  std::int64_t rows = 0;
  if (!exact_truncated_quotient(s.F / s.phi, s.delta, rows)) return too_many_steps("a sweep up to", s.F, s.division);
  return set_rows(s, rows, "a sweep up to");
}

status time_random(model_state& s) {
  s.F = 100.0;
  s.req_cycles = static_cast<int>(s.F);
  s.n_cycles = s.req_cycles;
  RETURN_IF_ERROR(set_rows(s, static_cast<std::int64_t>(s.division) * s.n_cycles, "a random force on"));
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  return status::success();
}

status time_sequential(model_state& s) {
  s.choice = 0;
  s.fsmin = 10;
  s.fsmax = 400;
  s.fseq = s.fsmin;
  s.n_cycles = s.fseq;
  s.F = s.fseq;
  RETURN_IF_ERROR(set_rows(s, static_cast<std::int64_t>(s.division) * s.n_cycles, "a sequential sweep from"));
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  return status::success();
}
