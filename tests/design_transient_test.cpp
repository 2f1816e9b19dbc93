// acoustic_design's transients against references that share none of the
// stepping code: the exact solution of the design's linear system (its
// matrix exponential, Eigen), a static deflection, the steady state,
// acoustic_sim's own recursion on the emitted parameter file, and the
// energy balance over a burst.
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <unsupported/Eigen/MatrixFunctions>

#include "analysis/steady_state.h"
#include "model/drive_filter.h"
#include "control/design_transient.h"
#include "design_test_support.h"
#include "test_support.h"

namespace {

// 8-inch woofer: fs 28 Hz, Qms 4.5, Qes 0.42, Vas 58 l, Sd 220 cm2, Re 5.6
// ohm, Le 0.6 mH.
const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n";
const std::string with_le = woofer + "Le = \"0.6 mH\"\n";
const std::string baffle = "[enclosure]\ntype = \"baffle\"\n";
const std::string vented = "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\n";
const std::string closed = "[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";


transient_result transient(design_result& r, voltage_signal signal, double duration = 0) {
  transient_result t;
  EXPECT_EQ(compute_transient(r, signal, duration, t).message, "");
  return t;
}

voltage_signal signal_of(signal_kind kind, double frequency = 0, int cycles = 0, double seconds = 0) {
  voltage_signal s;
  s.kind = kind;
  s.frequency = frequency;
  s.cycles = cycles;
  s.seconds = seconds;
  return s;
}

// The design's network as a first-order system z' = A z + B v: the
// displacements of every element, the velocities of those with mass and,
// with Le > 0, the coil's current. A massless element (the leak) obeys
// C x' = -(K x).
struct exact_system {
  const model_state& s;
  double bl, re, le, p;
  int nd;
  std::vector<int> velocity_of;  // index in z of each element's velocity, -1 without mass
  int current = -1;
  Eigen::MatrixXd A;
  Eigen::VectorXd B;

  // The high-pass's sections: section k takes y(k-1) = u - sum over j < k
  // of (c x1 + b x2) of section j, and gives y(k) = y(k-1) - (its own).
  std::vector<filter_section> sections;
  std::vector<int> filter_state;  // index of each section's x1 (x2 follows)

  // Adds "y of the sections before `upto`" times `gain` to row `row`.
  void add_filter_output(int row, std::size_t upto, double gain) {
    B(row) += gain;
    for (std::size_t j = 0; j < upto; ++j) {
      const filter_section& f = sections[j];
      A(row, filter_state[j]) -= gain * f.c;
      if (f.order == 2) A(row, filter_state[j] + 1) -= gain * f.b;
    }
  }

  exact_system(const model_state& net, const voice_coil& c, const highpass_filter& filter = {})
      : s(net), bl(c.bl), re(c.re), le(c.le), p(c.polarity), nd(net.ND), velocity_of(nd, -1),
        sections(highpass_sections(filter)) {
    int size = nd;
    for (int e = 0; e < nd; ++e)
      if (s.M[e] > 0) velocity_of[e] = size++;
    if (le > 0) current = size++;
    for (const filter_section& f : sections) {
      filter_state.push_back(size);
      size += f.order;
    }
    A = Eigen::MatrixXd::Zero(size, size);
    B = Eigen::VectorXd::Zero(size);
    for (std::size_t k = 0; k < sections.size(); ++k) {
      const int x1 = filter_state[k];
      if (sections[k].order == 1) {
        A(x1, x1) = -sections[k].c;
        add_filter_output(x1, k, 1);
      } else {
        A(x1, x1 + 1) = 1;
        A(x1 + 1, x1) = -sections[k].c;
        A(x1 + 1, x1 + 1) = -sections[k].b;
        add_filter_output(x1 + 1, k, 1);
      }
    }
    const std::size_t all = sections.size();
    for (int e = 0; e < nd; ++e) {
      if (velocity_of[e] < 0) {
        for (int j = 0; j < nd; ++j) A(e, j) = -s.K[e][j] / s.C[e];
        continue;
      }
      const int y = velocity_of[e];
      A(e, y) = 1;
      for (int j = 0; j < nd; ++j) A(y, j) = -s.K[e][j] / s.M[e];
      A(y, y) = -s.C[e] / s.M[e];
    }
    const int y0 = velocity_of[0];
    if (le > 0) {
      A(y0, current) = p * bl / s.M[0];
      A(current, current) = -re / le;
      A(current, y0) = -bl * p / le;
      add_filter_output(current, all, 1 / le);
    } else {
      // i = (v - Bl p y0) / Re, at once.
      A(y0, y0) += -bl * bl / re / s.M[0];
      add_filter_output(y0, all, p * bl / re / s.M[0]);
    }
  }

  // The voltage the coil receives.
  double coil_voltage(const Eigen::VectorXd& z, double u) const {
    double y = u;
    for (std::size_t j = 0; j < sections.size(); ++j) {
      y -= sections[j].c * z(filter_state[j]);
      if (sections[j].order == 2) y -= sections[j].b * z(filter_state[j] + 1);
    }
    return y;
  }

  // The state one step of `dt` later under the constant voltage v.
  Eigen::MatrixXd step_matrix(double dt) const {
    const int n = static_cast<int>(A.rows());
    Eigen::MatrixXd big = Eigen::MatrixXd::Zero(n + 1, n + 1);
    big.topLeftCorner(n, n) = A * dt;
    big.topRightCorner(n, 1) = B * dt;
    return big.exp();
  }

  double current_of(const Eigen::VectorXd& z, double u) const {
    return le > 0 ? z(current) : (coil_voltage(z, u) - bl * p * z(velocity_of[0])) / re;
  }
};

struct column_check {
  const char* name;
  std::vector<double> exact, stepped;
};

// Every column within 1 % of its exact peak from the second step on.
void expect_columns_agree(const std::vector<column_check>& columns, const std::string& label) {
  for (const column_check& c : columns) {
    double peak = 0;
    for (double v : c.exact) peak = std::max(peak, std::abs(v));
    double worst = 0;
    int at = 0;
    for (std::size_t k = 2; k < c.exact.size(); ++k) {
      const double error = std::abs(c.exact[k] - c.stepped[k]);
      if (error > worst) {
        worst = error;
        at = static_cast<int>(k);
      }
    }
    EXPECT_LE(worst, 0.01 * peak) << label << " " << c.name << ": worst " << worst << " at row " << at << ", peak " << peak;
  }
}

// The step and the impulse of an infinite baffle and of a vented box with
// its leak, with and without the coil's inductance, row by row against
// the matrix exponential.
TEST(DesignTransient, StepAndImpulseAgreeWithTheExactSolution) {
  const std::string subsonic = "[drive]\nhighpass = { order = 2, frequency = \"20 Hz\" }\n";
  const std::string third_order = "[drive]\nhighpass = { order = 3, frequency = \"25 Hz\" }\n";
  const struct {
    const char* label;
    std::string design;
    signal_kind kind;
  } cases[] = {
      {"baffle step through a 2nd-order high-pass, Le 0.6 mH", with_le + baffle + subsonic, signal_kind::step},
      {"vented impulse through a 3rd-order high-pass, Le 0.6 mH", with_le + vented + third_order,
       signal_kind::impulse},
      {"vented step through a 2nd-order high-pass, Le 0", woofer + vented + subsonic, signal_kind::step},
      {"passive radiator step, Le 0.6 mH",
       with_le + "[enclosure]\ntype = \"passive_radiator\"\nVb = \"40 l\"\n[passive_radiator]\nSd = \"330 cm2\"\n"
                 "Mmp = \"180 g\"\nfp = \"18 Hz\"\nQmp = 6\n",
       signal_kind::step},
      {"baffle step, Le 0", woofer + baffle, signal_kind::step},
      {"baffle step, Le 0.6 mH", with_le + baffle, signal_kind::step},
      {"baffle impulse, Le 0.6 mH", with_le + baffle, signal_kind::impulse},
      {"baffle impulse, Le 0", woofer + baffle, signal_kind::impulse},
      {"vented step, Le 0", woofer + vented, signal_kind::step},
      {"vented step, Le 0.6 mH", with_le + vented, signal_kind::step},
      {"vented impulse, Le 0.6 mH", with_le + vented, signal_kind::impulse},
  };
  for (const auto& c : cases) {
    design_result r = compute(c.design);
    const transient_result t = transient(r, signal_of(c.kind), 0.25);
    const model_state& s = *r.compiled.network;
    const exact_system sys(s, r.drive.coil, r.drive.highpass);
    const double peak_v = std::sqrt(2.0) * 2.83, v = c.kind == signal_kind::step ? peak_v : 0;
    Eigen::VectorXd z = Eigen::VectorXd::Zero(sys.A.rows() + 1);
    z(sys.A.rows()) = v;  // the constant input rides along
    if (c.kind == signal_kind::impulse) {
      // A Dirac of the input moves the state by B times its area (with Le
      // the current, without it the cone's velocity); it passes the filter
      // whole and charges each section's last state.
      const double area = peak_v * 1e-3;
      z.head(sys.A.rows()) += sys.B * area;
      for (std::size_t j = 0; j < sys.sections.size(); ++j)
        z(sys.filter_state[j] + sys.sections[j].order - 1) = area;
    }
    const Eigen::MatrixXd E = sys.step_matrix(t.record.delta);
    const double to_pressure = 1.2 / (2 * M_PI * 1);
    std::vector<column_check> columns = {{"excursion", {}, t.columns.excursion_mm},
                                         {"cone velocity", {}, t.columns.cone_velocity},
                                         {"current", {}, t.record.current},
                                         {"pressure", {}, t.columns.pressure}};
    if (r.drive.port >= 0) columns.push_back({"port velocity", {}, t.columns.port_velocity});
    if (r.drive.passive >= 0) columns.push_back({"radiator excursion", {}, t.columns.radiator_mm});
    for (int k = 0; k < t.rows; ++k) {
      const Eigen::VectorXd state = z.head(sys.A.rows());
      const Eigen::VectorXd rate = sys.A * state + sys.B * v;
      std::vector<double> speed(s.ND), acceleration(s.ND);
      for (int e = 0; e < s.ND; ++e) {
        speed[e] = sys.velocity_of[e] >= 0 ? state(sys.velocity_of[e]) : rate(e);
        acceleration[e] = sys.velocity_of[e] >= 0 ? rate(sys.velocity_of[e]) : 0;
      }
      for (int e = 0; e < s.ND; ++e) {  // a massless element: x'' = -(K x') / C
        if (sys.velocity_of[e] >= 0) continue;
        for (int j = 0; j < s.ND; ++j) acceleration[e] -= s.K[e][j] * speed[j] / s.C[e];
      }
      double dU = 0;
      for (const radiator& rad : r.drive.radiators) dU += s.A[rad.element] * 1e-4 * rad.outward * acceleration[rad.element];
      columns[0].exact.push_back(sys.p * state(0) * 1000);
      columns[1].exact.push_back(sys.p * speed[0]);
      columns[2].exact.push_back(sys.current_of(state, v));
      columns[3].exact.push_back(to_pressure * dU);
      if (r.drive.port >= 0) columns[4].exact.push_back(-speed[r.drive.port]);
      if (r.drive.passive >= 0) columns[4].exact.push_back(-state(r.drive.passive) * 1000);
      z = E * z;
    }
    expect_columns_agree(columns, c.label);
  }
}

// A step's excursion comes to rest at the static displacement
// Bl V / (Re k), k the suspension and the air of the closed box:
// 1 / Cms + rho c^2 Sd^2 / Vb, Cms = Vas / (rho c^2 Sd^2); Bl from
// Qes = 2 pi fs Mms Re / Bl^2, Mms = 1 / ((2 pi fs)^2 Cms). Open boxes rest
// on the suspension alone.
TEST(DesignTransient, StepEndsAtTheStaticDisplacement) {
  const double rho_c2 = 1.4 * 101300, sd = 220e-4, vas = 0.058, fs = 28, re = 5.6;
  const double cms = vas / (rho_c2 * sd * sd), mms = 1 / (std::pow(2 * M_PI * fs, 2) * cms);
  const double bl = std::sqrt(2 * M_PI * fs * mms * re / 0.42), volts = std::sqrt(2.0) * 2.83;
  const struct {
    std::string design;
    double stiffness;
  } cases[] = {
      {with_le + closed, 1 / cms + rho_c2 * sd * sd / 0.030},
      {with_le + baffle, 1 / cms},
      {with_le + vented, 1 / cms},
  };
  for (const auto& c : cases) {
    design_result r = compute(c.design);
    const transient_result t = transient(r, signal_of(signal_kind::step));
    const double expected_mm = bl * volts / (re * c.stiffness) * 1000;
    EXPECT_NEAR(t.columns.excursion_mm[t.rows - 1], expected_mm, 2e-3 * expected_mm) << c.design;
    EXPECT_LT(t.rows, t.record.rows()) << "settled before 2 s: " << c.design;
  }
}

// A long sine's last whole periods against the steady state's amplitude
// and phase at the same frequency (v = sqrt(2) V sin(w t) is the phasor
// -i sqrt(2) V).
TEST(DesignTransient, LongSineSettlesOnTheSteadyState) {
  for (const std::string& design : {with_le + vented, with_le + closed}) {
    design_result r = compute(design);
    const double f = 45;
    const transient_result t = transient(r, signal_of(signal_kind::sine, f, 0, 3));
    const int per_period = static_cast<int>(std::lround(1 / (f * t.record.delta)));
    const int periods = 5, first = t.rows - 1 - periods * per_period;
    double c = 0, s = 0;
    for (int k = first; k < t.rows - 1; ++k) {
      const double phase = 2 * M_PI * f * t.record.time[k];
      c += t.columns.excursion_mm[k] * std::cos(phase) * 2 / (periods * per_period);
      s += t.columns.excursion_mm[k] * std::sin(phase) * 2 / (periods * per_period);
    }
    const steady_point sp = solve_steady_state(*r.compiled.network, f, &r.drive.coil);
    // x(t) = Re(X e^{iwt}) with X = p X0 sqrt(2) (-i): cos part Re X, sin part -Im X.
    const complex X = r.drive.coil.polarity * sp.X[0] * std::sqrt(2.0) * complex(0, -1) * 1000.0;
    const double amplitude = std::abs(X);
    EXPECT_NEAR(std::hypot(c, s), amplitude, 5e-3 * amplitude) << design;
    EXPECT_NEAR(std::atan2(-s, c), std::arg(X), 5e-3) << design;
  }
}

// Over a burst and the decay after it, the energy the amplifier delivers
// goes into Re, the mechanical and acoustic resistances, and what the
// masses, springs and coil still hold at the end.
TEST(DesignTransient, BurstEnergyBalances) {
  for (const std::string& design : {with_le + vented, with_le + closed, woofer + baffle}) {
    design_result r = compute(design);
    const transient_result t = transient(r, signal_of(signal_kind::burst, 32, 8));
    const transient_record& rec = t.record;
    const model_state& s = *r.compiled.network;
    const double dt = rec.delta, re = r.drive.coil.re, le = r.drive.coil.le;
    double delivered = 0, dissipated = 0;
    const int rows = rec.rows();
    for (int k = 0; k + 1 < rows; ++k) {
      auto power_in = [&](int j) { return rec.voltage[j] * rec.current[j]; };
      auto power_lost = [&](int j) {
        double p = re * rec.current[j] * rec.current[j];
        for (int e = 0; e < s.ND; ++e) p += s.C[e] * rec.v_of(j, e) * rec.v_of(j, e);
        return p;
      };
      delivered += (power_in(k) + power_in(k + 1)) / 2 * dt;
      dissipated += (power_lost(k) + power_lost(k + 1)) / 2 * dt;
    }
    const int last = rows - 1;
    double stored = le * rec.current[last] * rec.current[last] / 2;
    for (int e = 0; e < s.ND; ++e) {
      stored += s.M[e] * rec.v_of(last, e) * rec.v_of(last, e) / 2;
      for (int j = 0; j < s.ND; ++j) stored += rec.x_of(last, e) * s.K[e][j] * rec.x_of(last, j) / 2;
    }
    EXPECT_GT(delivered, 0) << design;
    EXPECT_NEAR(dissipated + stored, delivered, 1e-3 * delivered) << design;
  }
}

}  // namespace

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";

// With Le = 0 and no leak the coil is exactly a force and a damping on the
// cone, which is how --emit-parameters hands the design to acoustic_sim:
// a sine switched on at 0 with the step 1 / (F N) steps the same recursion
// as acoustic_sim's one-time sinusoid with division N. The two differ only
// by acoustic_sim's pi = 3.141592 in the sine's phase.
TEST(DesignTransient, SineMatchesAcousticSimOnTheEmittedParameters) {
  const std::string lossless = woofer + vented + "Ql = inf\n";
  for (const double f : {20.0, 50.0}) {
    scratch_dir dir;
    write_file(dir.file("w.toml"), lossless);
    const program_run r =
        run_in(dir.path(), design_program + message(" w.toml --out out --emit-parameters sim --transient sine:%gHz:1s", f), "");
    ASSERT_EQ(r.exit_code, 0) << shown(r.err);
    const std::vector<std::vector<double>> ours = csv_rows(dir.file("out/w_transient.csv"));
    ASSERT_GT(ours.size(), 100u);
    const double delta = (ours[1][0] - ours[0][0]) / 1000;
    const int division = static_cast<int>(std::lround(1 / (f * delta)));
    // The emitted division replaced by N, the answers by a sinusoid at f.
    std::vector<std::string> lines = split(read_file(dir.file("sim/parameters.txt")));
    std::vector<std::string> second = split(lines[1], '\t');
    second[1] = std::to_string(division);
    lines[1] = second[0] + "\t" + second[1] + "\t" + second[2] + "\t" + second[3];
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    write_file(dir.file("sim/parameters.txt"), text);
    const program_run full = run_in(dir.path() + "/sim", "'" ACOUSTIC_SIM_PATH "'", message("0\n1\n0\n%g\n", f));
    ASSERT_EQ(full.exit_code, 0) << shown(full.err);
    const std::vector<std::vector<double>> theirs = csv_rows(dir.file("sim/x_vectors.csv"));
    ASSERT_EQ(theirs.size(), ours.size()) << f;
    double peak = 0, worst = 0;
    for (std::size_t k = 0; k < ours.size(); ++k) {
      peak = std::max(peak, std::abs(ours[k][3]));
      // acoustic_sim counts the cone into the box: forward is minus that.
      worst = std::max(worst, std::abs(ours[k][3] + theirs[k][2]));
    }
    EXPECT_LT(worst, 1e-4 * peak) << f << " Hz, division " << division << " worst " << worst << " peak " << peak;
  }
}

// The files as a user gets them: the table's header and columns, one row
// per step from 0, and a picture.
TEST(DesignTransient, WritesTheTableAndPicture) {
  scratch_dir dir;
  const program_run r = run_in(dir.path(), design_program + " " EXAMPLES_DIR "/designs/woofer_vented.toml --out out --transient burst:32Hz:8", "");
  ASSERT_EQ(r.exit_code, 0) << shown(r.err);
  const std::string table = read_file(dir.file("out/woofer_vented_transient.csv"));
  EXPECT_EQ(table.substr(0, table.find('\n')),
            "time[ms],voltage[V],current[A],excursion[mm],cone_velocity[m/s],port_velocity[m/s],pressure[Pa]");
  const std::vector<std::vector<double>> rows = csv_rows(dir.file("out/woofer_vented_transient.csv"));
  EXPECT_EQ(rows[0][0], 0);
  // The whole burst of 8 cycles at 32 Hz (250 ms) and its decay.
  EXPECT_GT(rows.back()[0], 250);
  EXPECT_TRUE(contains(r.out, "transient: a burst of 8 cycles at 32 Hz"));
  EXPECT_TRUE(contains(r.out, "transient: peak excursion"));
  EXPECT_TRUE(contains(r.out, "times the steady state's"));
  // v(t) = sqrt(2) 2.83 V (1 - cos(2 pi f t / 8)) / 2 sin(2 pi f t) up to 8 / f, then 0.
  for (const std::vector<double>& row : rows) {
    const double t = row[0] / 1000, f = 32;
    const double v = t <= 8 / f ? std::sqrt(2.0) * 2.83 * (1 - std::cos(2 * M_PI * f * t / 8)) / 2 * std::sin(2 * M_PI * f * t) : 0;
    ASSERT_NEAR(row[1], v, 2e-6) << row[0] << " ms";
  }
  if (std::system("gnuplot -e 'set terminal pngcairo' > /dev/null 2>&1") == 0) {
    EXPECT_TRUE(file_exists(dir.file("out/woofer_vented_transient.png")));
  }
}

}  // namespace
