#include "numerics/Matrix.h"

#include <algorithm>
#include <cmath>

#include "foundation/TermIO.h"
#include "numerics/VectorReal.h"

namespace Matrix {

int16_t lpoint[Size];
int16_t mpoint[Size];

namespace {

// Double sum of a[j] x b[j], j < count, in four partial sums: the rows are
// short, and one running sum would wait on every addition.
double Dot(const float* a, const float* b, int32_t count) {
  double part[4] = {};
  int32_t j = 0;
  for (; j + 4 <= count; j += 4) {
    for (int32_t l = 0; l < 4; ++l) part[l] += static_cast<double>(a[j + l]) * b[j + l];
  }
  for (; j < count; ++j) part[0] += static_cast<double>(a[j]) * b[j];
  return (part[0] + part[1]) + (part[2] + part[3]);
}

// At -O2 the compiler vectorises a loop only when its trip count is a
// multiple of the vector width, so the row loops go in blocks of four lanes
// with a scalar tail.
constexpr int32_t Lanes = 4;

// row[k] += factor x pivotRow[k], k < count; rows of one matrix never overlap.
void AddRow(float* __restrict row, const float* __restrict pivotRow, float factor, int32_t count) {
  int32_t k = 0;
  for (; k + Lanes <= count; k += Lanes) {
    for (int32_t l = 0; l < Lanes; ++l) row[k + l] += factor * pivotRow[k + l];
  }
  for (; k < count; ++k) row[k] += factor * pivotRow[k];
}

// Largest |row[k]|, k < count; 0 for count 0. NaNs are passed over.
float MaxAbs(const float* row, int32_t count) {
  float lane[Lanes] = {};
  int32_t k = 0;
  for (; k + Lanes <= count; k += Lanes) {
    for (int32_t l = 0; l < Lanes; ++l) lane[l] = std::max(lane[l], std::fabs(row[k + l]));
  }
  float big = 0.0f;
  for (; k < count; ++k) big = std::max(big, std::fabs(row[k]));
  for (float m : lane) big = std::max(big, m);
  return big;
}

// Crout's decomposition with implicit scaling and partial pivoting, in the
// right-looking order: as soon as column j is finished, it is taken out of
// the rows below. Every element still sees the same subtractions in the same
// order as in Crout's inner products, so the results are the same, but the
// work runs along rows, where it vectorises. Row exchanges go to lpoint.
bool ludcmp(Mat& a, int32_t n) {
  float scale[Size];
  for (int32_t i = 0; i < n; ++i) {
    const float big = MaxAbs(a[i], n);
    if (big == 0.0f) {
      TermIO::WriteLine("pause in LUDCMP - singular matrix");
      return false;
    }
    scale[i] = 1.0f / big;
  }
  for (int32_t j = 0; j < n; ++j) {
    float big = 0.0f;
    int32_t pivotRow = j;
    for (int32_t i = j; i < n; ++i) {
      const float merit = scale[i] * std::fabs(a[i][j]);
      if (merit >= big) {
        big = merit;
        pivotRow = i;
      }
    }
    if (pivotRow != j) {
      std::swap_ranges(a[pivotRow], a[pivotRow] + n, a[j]);
      scale[pivotRow] = scale[j];
    }
    lpoint[j] = static_cast<int16_t>(pivotRow);
    const float pivot = a[j][j];
    if (pivot == 0.0f) return false;
    for (int32_t i = j + 1; i < n; ++i) {
      const float factor = a[i][j] / pivot;
      a[i][j] = factor;
      AddRow(a[i] + j + 1, a[j] + j + 1, -factor, n - j - 1);
    }
  }
  return true;
}

// Forward substitution with the row exchanges of ludcmp, starting the sums at
// the first non-zero element of the right-hand side, then back substitution.
void lubksb(const Mat& a, int32_t n, float* b) {
  int32_t first = -1;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t swapped = lpoint[i];
    double sum = b[swapped];
    b[swapped] = b[i];
    if (first >= 0) {
      sum -= Dot(a[i] + first, b + first, i - first);
    } else if (sum != 0.0) {
      first = i;
    }
    b[i] = static_cast<float>(sum);
  }
  for (int32_t i = n - 1; i >= 0; --i) {
    const double sum = b[i] - Dot(a[i] + i + 1, b + i + 1, n - i - 1);
    b[i] = static_cast<float>(sum / a[i][i]);
  }
}

// Exchanges rows r and s, negating the one that moves into s.
void ExchangeRows(Mat& a, int32_t n, int32_t r, int32_t s) {
  for (int32_t j = 0; j < n; ++j) {
    const float hold = -a[r][j];
    a[r][j] = a[s][j];
    a[s][j] = hold;
  }
}

// Exchanges columns c and d, negating the one that moves into d.
void ExchangeColumns(Mat& a, int32_t n, int32_t c, int32_t d) {
  for (int32_t i = 0; i < n; ++i) {
    const float hold = -a[i][c];
    a[i][c] = a[i][d];
    a[i][d] = hold;
  }
}

// The pivot of step k: the element of largest magnitude in rows and columns
// k .. n - 1, the first one met when scanning column by column and within a
// column row by row, and a[k][k] unless something is strictly larger. The
// magnitudes are taken row by row, where that vectorises, and only the
// rows holding the largest one are scanned again for its first column.
void FindPivot(const Mat& a, int32_t n, int32_t k, int32_t& pivotRow, int32_t& pivotColumn) {
  float rowBig[Size];
  float big = 0.0f;
  for (int32_t i = k; i < n; ++i) {
    rowBig[i] = MaxAbs(a[i] + k, n - k);
    big = std::max(big, rowBig[i]);
  }
  pivotRow = k;
  pivotColumn = k;
  if (!(std::fabs(a[k][k]) < big)) return;
  int32_t bestColumn = n;
  for (int32_t i = k; i < n; ++i) {
    if (rowBig[i] != big) continue;
    int32_t j = k;
    while (j < n && std::fabs(a[i][j]) != big) ++j;
    if (j < bestColumn) {
      bestColumn = j;
      pivotRow = i;
    }
  }
  pivotColumn = bestColumn;
}

}  // namespace

bool Check(int32_t d) {
  if (d >= 0 && d < Size) return true;
  TermIO::WriteLine(" Matrix- Index out of range!");
  return false;
}

bool SolveLinearSystem(Mat& A, const float* b, float* x, int32_t n) {
  if (!Check(n) || b == nullptr || x == nullptr) return false;
  VectorReal::Copy(b, x, n);
  if (!ludcmp(A, n)) {
    TermIO::WriteLn();
    TermIO::WriteLine(" Error detected in procedure SolveLinearSystem ");
    return false;
  }
  lubksb(A, n, x);
  return true;
}

void AddMat(Mat& Z, const Mat& A, const Mat& B, int32_t rows, int32_t columns) {
  if (!Check(rows) || !Check(columns)) return;
  for (int32_t i = 0; i < rows; ++i) VectorReal::Add(A[i], B[i], Z[i], columns);
}

void SubMat(Mat& Z, const Mat& A, const Mat& B, int32_t rows, int32_t columns) {
  if (!Check(rows) || !Check(columns)) return;
  for (int32_t i = 0; i < rows; ++i) VectorReal::Subtract(A[i], B[i], Z[i], columns);
}

void ScaleMat(Mat& A, int32_t rows, int32_t columns, double factor, double offset) {
  if (!Check(rows) || !Check(columns)) return;
  for (int32_t i = 0; i < rows; ++i) VectorReal::Scale(A[i], A[i], columns, factor, offset);
}

void MulSquareMat(Mat& Z, const Mat& A, const Mat& B, int32_t n) { MulMat(Z, A, B, n, n, n); }

// Row i of Z is built as a sum of rows of B, in double, so the inner loop
// runs along rows; each element still adds its products in the order k = 0,
// 1, ...
void MulMat(Mat& Z, const Mat& A, const Mat& B, int32_t rowsA, int32_t columnsA, int32_t columnsB) {
  if (!Check(rowsA) || !Check(columnsA) || !Check(columnsB)) return;
  for (int32_t i = 0; i < rowsA; ++i) {
    double row[Size] = {};
    for (int32_t k = 0; k < columnsA; ++k) {
      const double aik = A[i][k];
      for (int32_t j = 0; j < columnsB; ++j) row[j] += aik * B[k][j];
    }
    for (int32_t j = 0; j < columnsB; ++j) Z[i][j] = static_cast<float>(row[j]);
  }
}

void TransposeMat(Mat& A, int32_t rows, int32_t columns) {
  if (!Check(rows) || !Check(columns) || columns == 1) return;
  const int32_t size = std::max(rows, columns);
  for (int32_t i = 0; i < size; ++i) {
    for (int32_t j = i + 1; j < size; ++j) std::swap(A[i][j], A[j][i]);
  }
}

// Gauss-Jordan elimination in place with full pivoting. Each exchange of
// rows or columns negates the line it moves, which keeps the sign of the
// determinant without counting exchanges; the exchanges are undone at the
// end in reverse order, a row exchange as a column exchange and vice versa.
double InvertMat(Mat& A, int32_t n) {
  if (!Check(n)) return 0.0;
  double det = 1.0;
  for (int32_t k = 0; k < n; ++k) {
    int32_t pivotRow;
    int32_t pivotColumn;
    FindPivot(A, n, k, pivotRow, pivotColumn);
    lpoint[k] = static_cast<int16_t>(pivotRow);
    mpoint[k] = static_cast<int16_t>(pivotColumn);
    if (pivotRow > k) ExchangeRows(A, n, k, pivotRow);
    if (pivotColumn > k) ExchangeColumns(A, n, k, pivotColumn);
    const float pivot = A[k][k];
    if (pivot == 0.0f) return 0.0;
    for (int32_t i = 0; i < n; ++i) {
      if (i == k) continue;
      const float factor = -A[i][k] / pivot;
      AddRow(A[i], A[k], factor, n);
      A[i][k] = factor;
    }
    for (int32_t j = 0; j < n; ++j) A[k][j] /= pivot;
    A[k][k] = 1.0f / pivot;
    det *= pivot;
  }
  for (int32_t k = n - 2; k >= 0; --k) {
    if (lpoint[k] > k) ExchangeColumns(A, n, lpoint[k], k);
    if (mpoint[k] > k) ExchangeRows(A, n, mpoint[k], k);
  }
  return det;
}

void WriteMat(const Mat& A, int32_t rows, int32_t columns, int width, int decimals, bool fixed) {
  if (!Check(rows) || !Check(columns)) return;
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t j = 0; j < columns; ++j) {
      if (fixed) {
        TermIO::WriteRealFixed(A[i][j], width, decimals);
      } else {
        TermIO::WriteReal(A[i][j], width, decimals);
      }
    }
    TermIO::WriteLn();
  }
}

void WriteBoolMat(const BoolMat& A, int32_t rows, int32_t columns) {
  if (!Check(rows) || !Check(columns)) return;
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t j = 0; j < columns; ++j) TermIO::WriteString(A[i][j] ? " 1" : " 0");
    TermIO::WriteLn();
  }
}

void WriteIntMat(const IntMat& A, int32_t rows, int32_t columns, int width) {
  if (!Check(rows) || !Check(columns)) return;
  for (int32_t i = 0; i < rows; ++i) {
    for (int32_t j = 0; j < columns; ++j) TermIO::WriteInt(A[i][j], width);
    TermIO::WriteLn();
  }
}

}  // namespace Matrix
