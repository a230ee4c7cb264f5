#pragma once

// Dense linear algebra on small single-precision matrices: LU solving,
// element-wise sums and scaling, products, transposition, inversion with the
// determinant, and printing to the console (TermIO).
//
// Every matrix is a fixed 26 x 26 array, row-major, of which the caller uses
// the top-left rows x columns part; boolean (one byte per element) and 16-bit
// integer matrices have the same shape. Dimensions are checked by Check: one
// outside 0 .. 25 shows " Matrix- Index out of range!" on the console and the
// operation does nothing. A singular matrix gives FALSE from
// SolveLinearSystem, with a console message, or a determinant of 0 from
// InvertMat; nothing else is signalled.

#include <cstdint>

namespace Matrix {

inline constexpr int32_t Size = 26;

using Mat = float[Size][Size];
using BoolMat = bool[Size][Size];
using IntMat = int16_t[Size][Size];

// Row and column pivots of the last decomposition (lpoint) or inversion
// (lpoint and mpoint).
extern int16_t lpoint[Size];
extern int16_t mpoint[Size];

// TRUE when 0 <= d < Size; otherwise shows the range message.
bool Check(int32_t d);

// Solves A x = b for n unknowns by LU decomposition with implicit scaling
// and partial pivoting; A is overwritten by its decomposition. x may be b.
// FALSE, with a console message, when A is singular.
bool SolveLinearSystem(Mat& A, const float* b, float* x, int32_t n);

// Z = A + B and Z = A - B; Z may be A or B.
void AddMat(Mat& Z, const Mat& A, const Mat& B, int32_t rows, int32_t columns);
void SubMat(Mat& Z, const Mat& A, const Mat& B, int32_t rows, int32_t columns);
// Every element = element x factor + offset.
void ScaleMat(Mat& A, int32_t rows, int32_t columns, double factor, double offset);

// Products with the sums in double. Z must be a third matrix.
void MulSquareMat(Mat& Z, const Mat& A, const Mat& B, int32_t n);
void MulMat(Mat& Z, const Mat& A, const Mat& B, int32_t rowsA, int32_t columnsA, int32_t columnsB);

// Transposes in place as a square of size max(rows, columns); a matrix of
// one column is left as it is.
void TransposeMat(Mat& A, int32_t rows, int32_t columns);

// Replaces A by its inverse (Gauss-Jordan with full pivoting) and returns the
// determinant. A singular A gives 0 and is left partly transformed.
double InvertMat(Mat& A, int32_t n);

// Print one console line per row. WriteMat writes each element with
// TermIO::WriteRealFixed (fixed) or TermIO::WriteReal in width with decimals,
// WriteBoolMat " 1" or " 0", WriteIntMat TermIO::WriteInt in width.
void WriteMat(const Mat& A, int32_t rows, int32_t columns, int width, int decimals, bool fixed);
void WriteBoolMat(const BoolMat& A, int32_t rows, int32_t columns);
void WriteIntMat(const IntMat& A, int32_t rows, int32_t columns, int width);

}  // namespace Matrix
