// acoustic_plot: PNG pictures, drawn with gnuplot, of the tables
// acoustic_design, acoustic_sim and acoustic_steady wrote.
#include "pictures/redraw.h"
#include "util/reporter.h"

int main(int argc, char** argv) {
  reporter report("acoustic_plot");
  return report.finish(run_plot_program(argc, argv));
}
