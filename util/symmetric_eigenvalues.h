// symmetric_eigenvalues: the eigenvalues of a real symmetric matrix by
// cyclic Jacobi rotations. Small dense problems only (tens of rows); no
// library beyond the standard one.
#pragma once

#include <vector>

using dense_matrix = std::vector<std::vector<double>>;

// Ascending eigenvalues of the symmetric matrix a (only its values are
// used, the upper and lower triangles must agree).
std::vector<double> symmetric_eigenvalues(dense_matrix a);
