#include "numerics/LeastSquares.h"

#include <algorithm>

#include "numerics/VectorReal.h"

namespace LeastSquares {

Matrix::Mat M;
float Y[Matrix::Size];
double Determinant;

namespace {

bool ValidOrder(int32_t m, const float* const* basis) {
  return basis != nullptr && m > 0 && Matrix::Check(m);
}

}  // namespace

void Fit(int32_t m, const float* const* basis, const float* y, int32_t samples, float* coefficients) {
  if (!ValidOrder(m, basis)) return;
  MakeMatrix(m, basis, samples, M);
  ComputeCoefficients(m, basis, y, samples, M, coefficients);
}

void MakeMatrix(int32_t m, const float* const* basis, int32_t samples, Matrix::Mat& matrix) {
  if (!ValidOrder(m, basis)) return;
  for (int32_t i = 0; i < m; ++i) {
    for (int32_t j = 0; j <= i; ++j) {
      const auto product = static_cast<float>(VectorReal::ScalarProduct(basis[i], basis[j], samples));
      matrix[i][j] = product;
      matrix[j][i] = product;
    }
  }
  Determinant = Matrix::InvertMat(matrix, m);
}

void ComputeCoefficients(int32_t m, const float* const* basis, const float* y, int32_t samples,
                         const Matrix::Mat& inverse, float* coefficients) {
  if (!ValidOrder(m, basis) || coefficients == nullptr) return;
  for (int32_t i = 0; i < m; ++i) Y[i] = static_cast<float>(VectorReal::ScalarProduct(basis[i], y, samples));
  for (int32_t i = 0; i < m; ++i) {
    double sum = 0.0;
    for (int32_t j = 0; j < m; ++j) sum += static_cast<double>(inverse[i][j]) * Y[j];
    coefficients[i] = static_cast<float>(sum);
  }
}

// The output is built in blocks, each summed over the basis in a double
// array on the stack, so the inner loop runs along the samples.
void ComputeFittedFunction(int32_t m, const float* const* basis, int32_t samples, const float* coefficients,
                           float* output) {
  if (!ValidOrder(m, basis) || coefficients == nullptr || output == nullptr || samples <= 0) return;
  constexpr int32_t block = 256;
  double sum[block];
  for (int32_t start = 0; start < samples; start += block) {
    const int32_t length = std::min(block, samples - start);
    std::fill(sum, sum + length, 0.0);
    for (int32_t i = 0; i < m; ++i) {
      if (basis[i] == nullptr) continue;
      const double c = coefficients[i];
      const float* b = basis[i] + start;
      for (int32_t k = 0; k < length; ++k) sum[k] += c * b[k];
    }
    for (int32_t k = 0; k < length; ++k) output[start + k] = static_cast<float>(sum[k]);
  }
}

}  // namespace LeastSquares
