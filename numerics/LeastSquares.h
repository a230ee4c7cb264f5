#pragma once

// Linear least squares: fits sampled data by a linear combination of up to
// 25 sampled basis functions through the normal equations, whose matrix is
// inverted with Matrix::InvertMat. Single precision squares the condition
// number of the basis, so this suits a few well separated functions; a
// singular system shows as Determinant = 0, and the caller tests it.
//
// The basis is a list of m addresses, each of a float vector holding one
// basis function at the same sample points as the data.

#include <cstdint>

#include "numerics/Matrix.h"

namespace LeastSquares {

// The normal-equation matrix of the last Fit, then its inverse.
extern Matrix::Mat M;
// The right-hand side of the last ComputeCoefficients: basis i . data.
extern float Y[Matrix::Size];
// What the last inversion returned; 0 when the normal equations are singular.
extern double Determinant;

// MakeMatrix into M, then ComputeCoefficients: coefficients[i] belongs to
// basis[i]. m must pass Matrix::Check and lie above 0, else nothing happens.
void Fit(int32_t m, const float* const* basis, const float* y, int32_t samples, float* coefficients);

// matrix[i][j] = basis i . basis j (sums in double), then the matrix is
// inverted in place and Determinant set.
void MakeMatrix(int32_t m, const float* const* basis, int32_t samples, Matrix::Mat& matrix);

// Y[i] = basis i . y; coefficients[i] = sum over j of inverse[i][j] x Y[j],
// in double.
void ComputeCoefficients(int32_t m, const float* const* basis, const float* y, int32_t samples,
                         const Matrix::Mat& inverse, float* coefficients);

// output = sum over i of coefficients[i] x basis i, in double.
void ComputeFittedFunction(int32_t m, const float* const* basis, int32_t samples, const float* coefficients,
                           float* output);

}  // namespace LeastSquares
