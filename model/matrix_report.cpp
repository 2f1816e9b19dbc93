#include "model/matrix_report.h"

namespace {

void write_matrix(text_file& out, const char* title, const element_matrix& X, int nd) {
  out.put(title);
  for (int i = 0; i < nd; ++i) {
    for (int j = 0; j < nd; ++j) {
      out.put_fixed(X[i][j]);
      out.put(',');
    }
    out.put('\n');
  }
}

}  // namespace

status matrices(model_state& s) {
  text_file& out = s.matrix;
  for (int i = 0; i < s.ND; ++i) {
    out.put_int(i);
    out.put(',');
  }
  out.put("\n\n");
  write_matrix(out, "standard stiffness matrix\n", s.KH, s.ND);
  out.put('\n');
  write_matrix(out, "actual stiffness matrix\n", s.K, s.ND);
  out.put('\n');
  write_matrix(out, "Q matrix\n", s.Q, s.ND);
  return out.flush();
}
