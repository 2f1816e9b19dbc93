#include "analysis/steady_state.h"

#include <Eigen/Dense>
#include <cmath>

#include "analysis/dft.h"
#include "analysis/duct_line.h"

namespace {

Eigen::MatrixXd stiffness(const model_state& s) {
  Eigen::MatrixXd K(s.ND, s.ND);
  for (int i = 0; i < s.ND; ++i)
    for (int j = 0; j < s.ND; ++j) K(i, j) = s.K[i][j];
  return K;
}

// Dynamic stiffness K - w^2 M + i w C.
Eigen::MatrixXcd dynamic_stiffness(const model_state& s, double w) {
  Eigen::MatrixXcd A = stiffness(s).cast<complex>();
  for (int i = 0; i < s.ND; ++i) A(i, i) += complex(-w * w * s.M[i], w * s.C[i]);
  return A;
}

// The velocity sum of amplitudes V, with the internal ducts left out when
// vvso != 0, as the simulation forms it.
complex weighted_sum(const model_state& s, const Eigen::VectorXcd& V) {
  complex sum = V(0) * s.R[0];
  for (int j = first_summed_duct(s); j < s.ND; ++j) sum += V(j) * s.R[j];
  return sum;
}

// The line's dynamic stiffness on its chamber-end displacement: force S p
// over X, with U = i w S X.
complex line_stiffness(const duct_line& line, double w) {
  return line.area * line.area * complex(0, w) * line_input_impedance(line, w);
}

// d/dw of f by central differences: the line's terms have no short closed
// derivative worth its code.
template <typename F>
complex derivative(F f, double w) {
  const double h = 1e-6 * w;
  return (f(w + h) - f(w - h)) / (2 * h);
}

// A duct solved as a line: its lumped mass, damping and the chamber behind
// it (a closed one's stiffness) give way to the line's dynamic stiffness.
void replace_lines(const model_state& s, double w, Eigen::MatrixXcd& A, Eigen::VectorXcd& dA_diagonal) {
  for (int i = 1; i <= s.n; ++i) {
    if (!(s.line_length[i] > 0)) continue;
    const duct_line line = line_of(s, i);
    A(i, i) = s.K[i][i] - s.KS[i] * s.R[i] * s.R[i] + line_stiffness(line, w);
    dA_diagonal(i) = derivative([&](double x) { return line_stiffness(line, x); }, w);
  }
}

}  // namespace

namespace {

// With `flow` > 0 the piston's row becomes the constraint i w A0 X0 = flow:
// a source of that volume velocity (rms) into the main chamber, whatever
// the pressure there.
steady_point solve(const model_state& s, double frequency, const voice_coil* coil, double flow) {
  const double w = frequency * two_pi;
  const complex i_w(0, w);
  Eigen::MatrixXcd A = dynamic_stiffness(s, w);
  Eigen::VectorXcd F = Eigen::VectorXcd::Zero(s.ND), dF = Eigen::VectorXcd::Zero(s.ND);
  // dA/dw = -2 w M + i C, and for the coil the derivative of its terms.
  Eigen::VectorXcd dA_diagonal(s.ND);
  for (int i = 0; i < s.ND; ++i) dA_diagonal(i) = complex(-2 * w * s.M[i], s.C[i]);
  replace_lines(s, w, A, dA_diagonal);
  steady_point p;
  const complex ze = coil ? complex(coil->re, w * coil->le) : complex(0, 0);
  if (coil) {
    // P BL I = P BL V / Ze - (BL^2 / Ze) i w X0: the back-EMF joins the
    // piston's row of the dynamic stiffness, whatever the polarity.
    const double bl2 = coil->bl * coil->bl;
    A(0, 0) += i_w * bl2 / ze;
    dA_diagonal(0) += complex(0, 1) * bl2 * coil->re / (ze * ze);
    F(0) = coil->polarity * coil->bl * coil->voltage / ze;
    dF(0) = -coil->polarity * coil->bl * coil->voltage * complex(0, coil->le) / (ze * ze);
    p.coil = true;
    p.drive = coil->voltage;
  } else if (flow > 0) {
    const complex row = i_w * s.A[0] * 1e-4;
    A.row(0).setZero();
    A(0, 0) = row;
    dA_diagonal(0) = complex(0, s.A[0] * 1e-4);
    F(0) = flow;
    p.drive = flow;
  } else {
    F(0) = complex(0, -s.b);
    p.drive = F(0);
  }
  const Eigen::PartialPivLU<Eigen::MatrixXcd> lu(A);
  const Eigen::VectorXcd X = lu.solve(F);
  // dX/dw = A^-1 (dF/dw - dA/dw X)
  const Eigen::VectorXcd dX = lu.solve(dF - (dA_diagonal.array() * X.array()).matrix());
  if (coil) p.current = (coil->voltage - coil->polarity * coil->bl * i_w * X(0)) / ze;

  // The group delay of S = sum R_j i w X_j is -d(arg S)/dw.
  const Eigen::VectorXcd V = i_w * X;
  const Eigen::VectorXcd dV = complex(0, 1) * X + i_w * dX;
  p.frequency = frequency;
  p.w = w;
  p.X.assign(X.data(), X.data() + s.ND);
  p.dX.assign(dX.data(), dX.data() + s.ND);
  p.X_out = p.X;
  p.dX_out = p.dX;
  for (int i = 1; i <= s.n; ++i) {
    if (!(s.line_length[i] > 0)) continue;
    const duct_line line = line_of(s, i);
    const complex ratio = line_far_flow_ratio(line, w);
    p.X_out[i] = X(i) * ratio;
    p.dX_out[i] = dX(i) * ratio + X(i) * derivative([&](double x) { return line_far_flow_ratio(line, x); }, w);
  }
  p.velocity_sum = weighted_sum(s, V);
  const complex dS = weighted_sum(s, dV);
  p.group_delay = p.velocity_sum == complex(0, 0) ? 0 : -(dS / p.velocity_sum).imag();
  return p;
}

}  // namespace

steady_point solve_steady_state(const model_state& s, double frequency, const voice_coil* coil) {
  return solve(s, frequency, coil, 0);
}

steady_point solve_flow_driven(const model_state& s, double frequency, double flow) {
  return solve(s, frequency, nullptr, flow);
}

std::vector<steady_point> solve_sweep(const model_state& s, const voice_coil* coil) {
  std::vector<steady_point> points;
  for (int f = 10; f <= 400; ++f) points.push_back(solve_steady_state(s, f, coil));
  return points;
}

status write_steady_state_files(const model_state& s, const std::vector<steady_point>& points) {
  text_file response, elements;
  RETURN_IF_ERROR(response.open("steady_state_response.csv"));
  RETURN_IF_ERROR(elements.open("steady_state_elements.csv"));
  response.put(spectrum_header);
  elements.put("frequency[Hz]");
  for (int i = 0; i < s.ND; ++i) {
    elements.put(",x[");
    elements.put_int(i);
    elements.put("][mm]");
  }
  for (int i = 0; i < s.ND; ++i) {
    elements.put(",v[");
    elements.put_int(i);
    elements.put("][m/s]");
  }
  elements.put(",group_delay[ms]\n");

  for (const steady_point& p : points) {
    // A steady v(t) = Re(S e^(i w t)) over one second transforms to pi S.
    const double re = pi * p.velocity_sum.real(), im = pi * p.velocity_sum.imag();
    write_spectrum_row(response, spectrum_row_of(p.frequency, re, im));
    elements.put_fixed(p.frequency);
    for (int i = 0; i < s.ND; ++i) {
      elements.put(',');
      elements.put_fixed(std::abs(p.X[i]) * 1000);
    }
    for (int i = 0; i < s.ND; ++i) {
      elements.put(',');
      elements.put_fixed(std::abs(p.X[i]) * p.frequency * two_pi);
    }
    elements.put(',');
    elements.put_fixed(p.group_delay * 1000);
    elements.put('\n');
  }
  RETURN_IF_ERROR(response.close());
  return elements.close();
}
