#pragma once

// Test matrices of a chosen condition, and the LAPACK routines the linear
// algebra tests compare with.

#include <Eigen/Dense>
#include <random>

namespace RandomMatrix {

// rows x columns (rows >= columns) with singular values spread
// geometrically from 1 down to 1 / condition between random orthonormal
// bases.
Eigen::MatrixXd WithCondition(int rows, int columns, double condition, std::mt19937_64& random);

// Entries uniform in [-1, 1].
Eigen::VectorXd Uniform(int size, std::mt19937_64& random);

}  // namespace RandomMatrix

extern "C" {
void sgesv_(const int* n, const int* nrhs, float* a, const int* lda, int* ipiv, float* b, const int* ldb,
            int* info);
void sgetrf_(const int* m, const int* n, float* a, const int* lda, int* ipiv, int* info);
void sgetri_(const int* n, float* a, const int* lda, const int* ipiv, float* work, const int* lwork,
             int* info);
void sgels_(const char* trans, const int* m, const int* n, const int* nrhs, float* a, const int* lda,
            float* b, const int* ldb, float* work, const int* lwork, int* info);
void dgels_(const char* trans, const int* m, const int* n, const int* nrhs, double* a, const int* lda,
            double* b, const int* ldb, double* work, const int* lwork, int* info);
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
}
