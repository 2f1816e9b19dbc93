// Micro-benchmarks of the three places a run spends its time: formatting
// numbers for the histories, the time step's matrix-vector product, and
// the transform's sine and cosine sums.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/dft.h"
#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "model/parameters.h"
#include "simulation/time_stepping.h"
#include "util/fixed_format.h"

namespace {

// Values like those of a history row: times, forces, millimetres and m/s
// over several decades, both signs.
std::vector<double> history_like_values(std::size_t count) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> decade(-6, 3), sign(-1, 1);
  std::vector<double> values(count);
  for (double& v : values) v = sign(rng) * std::pow(10.0, decade(rng));
  return values;
}

const std::vector<double>& sample_values() {
  static const std::vector<double> values = history_like_values(1 << 16);
  return values;
}

void BM_FormatWriter(benchmark::State& state) {
  const auto& values = sample_values();
  char buf[fixed6_max_chars];
  for (auto _ : state) {
    for (double v : values) {
      benchmark::DoNotOptimize(format_fixed6(v, buf));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_FormatWriter);

void BM_FormatSnprintf(benchmark::State& state) {
  const auto& values = sample_values();
  char buf[400];
  for (auto _ : state) {
    for (double v : values) {
      benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%f", v));
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * values.size());
}
BENCHMARK(BM_FormatSnprintf);

// A network of n branches, assembled for a 10 us step, console silenced.
std::unique_ptr<model_state> network(int n) {
  std::string text = "40 12 25\n" + std::to_string(n) + " 500 1.4 2\n50";
  for (int i = 0; i < n; ++i) text += " " + std::to_string(2 + 0.25 * i);
  for (int i = 0; i < 2 * n; ++i) text += " " + std::to_string(5 + 0.3 * i);
  for (int i = 0; i < 2 * n; ++i) text += " " + std::to_string(40 + 5 * i);
  text += " 1.5";
  for (int i = 0; i < 2 * n; ++i) text += " 0.03";
  char path[] = "/tmp/acoustic_bench_XXXXXX";
  const int fd = mkstemp(path);
  (void)!write(fd, text.data(), text.size());
  close(fd);

  auto s = std::make_unique<model_state>();
  std::fflush(stdout);
  const int saved = dup(1);
  std::FILE* null = std::fopen("/dev/null", "w");
  dup2(fileno(null), 1);
  s->input = std::fopen(path, "r");
  (void)load_parameters(*s);
  s->delta = 1e-5;
  derive_element_properties(*s);
  assemble_matrices(*s);
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  std::fclose(null);
  std::remove(path);
  s->choice = 0;
  s->F = 200;
  return s;
}

void BM_TimeSteps(benchmark::State& state) {
  const int elements = static_cast<int>(state.range(0));
  auto s = network((elements - 1) / 2);
  int k = 0;
  for (auto _ : state) {
    advance(*s, k++);
    shift_state(*s);
    benchmark::DoNotOptimize(s->sumv);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(std::to_string(elements) + " elements");
}
BENCHMARK(BM_TimeSteps)->Arg(3)->Arg(7)->Arg(25);

// One bin of a 100000-sample signal; items are samples x bins.
void BM_TransformBin(benchmark::State& state) {
  model_state s;
  s.ndps = 100000;
  s.wave.resize(s.ndps + 1);
  s.wave_weight.resize(s.ndps);
  for (int k = 0; k < s.ndps; ++k) {
    s.wave[k] = std::sin(k * 0.0125);
    s.wave_weight[k] = s.wave[k] * 2 * pi / s.ndps;
  }
  s.delta_dft = 6.283184 / s.ndps;
  int j = 0;
  for (auto _ : state) {
    evaluate_bin(s, j);
    j = (j + 1) % 201;
    benchmark::DoNotOptimize(s.dftr);
  }
  state.SetItemsProcessed(state.iterations() * s.ndps);
}
BENCHMARK(BM_TransformBin);

}  // namespace

BENCHMARK_MAIN();
