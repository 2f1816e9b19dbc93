// The large-signal driver's distortion sweep: a 1/12-octave grid from 20
// to 500 Hz (56 frequencies) x 5 levels on one thread, and on two, for an
// 8-inch woofer in a vented box with a port's loss (the slowest to settle
// of the shipped enclosures).
#include <benchmark/benchmark.h>

#include "control/design_distortion.h"
#include "util/ordered_parallel.h"

namespace {

const char* design =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Le = \"0.6 mH\"\nXmax = \"6 mm\"\n"
    "[enclosure]\ntype = \"vented\"\nVb = \"50 l\"\nfb = \"32 Hz\"\nport_diameter = \"75 mm\"\nport_loss = 1.5\n"
    "[nonlinear]\nBl = [\"9.47061 T*m\", \"-0.15 T*m/mm\", \"-0.05 T*m/mm2\"]\n"
    "Kms = [\"1.18346 N/mm\", \"-0.03 N/mm2\", \"0.012 N/mm3\"]\n"
    "Le = [\"0.6 mH\", \"-0.03 mH/mm\", \"0.001 mH/mm2\"]\nrange = \"12 mm\"\n"
    "[distortion]\nvoltages = [\"1 V\", \"2.83 V\", \"5 V\", \"10 V\", \"20 V\"]\n";

void BM_DistortionSweep(benchmark::State& state) {
  design_file file;
  design_result r;
  if (!parse_design_text(design, "woofer.toml", file).ok() || !compute_design(file, {40}, r).ok()) {
    state.SkipWithError("the design did not compute");
    return;
  }
  const distortion_setup setup = large_signal_setup(r);
  const std::vector<double> grid = log_grid(20, 500, 12);
  const int threads = static_cast<int>(state.range(0));
  std::size_t points = 0;
  for (auto _ : state) {
    std::vector<distortion_row> rows;
    const status s = for_each_in_order<std::vector<distortion_row>>(
        static_cast<int>(grid.size()), threads,
        [&](int j) { return distortion_at(setup, grid[j], file.distortion.voltages); },
        [&](int, const std::vector<distortion_row>& at) {
          rows.insert(rows.end(), at.begin(), at.end());
          return status::success();
        });
    benchmark::DoNotOptimize(rows.data());
    points = rows.size();
  }
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_DistortionSweep)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
