#include "RandomMatrix_fixture.h"

#include <cmath>

namespace RandomMatrix {

namespace {

Eigen::MatrixXd OrthonormalColumns(int rows, int columns, std::mt19937_64& random) {
  std::normal_distribution<double> normal;
  Eigen::MatrixXd g(rows, columns);
  for (int j = 0; j < columns; ++j) {
    for (int i = 0; i < rows; ++i) g(i, j) = normal(random);
  }
  Eigen::HouseholderQR<Eigen::MatrixXd> qr(g);
  return qr.householderQ() * Eigen::MatrixXd::Identity(rows, columns);
}

}  // namespace

Eigen::MatrixXd WithCondition(int rows, int columns, double condition, std::mt19937_64& random) {
  Eigen::VectorXd sigma(columns);
  for (int k = 0; k < columns; ++k) {
    sigma(k) = columns == 1 ? 1.0 : std::pow(condition, -static_cast<double>(k) / (columns - 1));
  }
  return OrthonormalColumns(rows, columns, random) * sigma.asDiagonal() *
         OrthonormalColumns(columns, columns, random).transpose();
}

Eigen::VectorXd Uniform(int size, std::mt19937_64& random) {
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  Eigen::VectorXd v(size);
  for (int i = 0; i < size; ++i) v(i) = uniform(random);
  return v;
}

}  // namespace RandomMatrix
