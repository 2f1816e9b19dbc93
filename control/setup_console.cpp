#include "control/setup_console.h"

#include <cstdio>

void print_parameters_loaded() { std::puts("[0] values and parameters caluculation done!"); }

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

void print_matrices_ready() {
  std::puts("upper left block k0 done!");
  std::puts("standard stiffnes matrix is ready!");
  std::puts("actual stiffnes matrix is ready!");
  std::puts("ready to begin simulation!");
}
