#pragma once

#include <array>

// Storage of the fitting: matrices of 11 x 11 doubles with row stride 11, used from row and
// column 1 (the layout of the session's covariance matrices), and vectors used from index 1.
namespace fit
{
constexpr int kMatrixDim = 11;
constexpr int kMatrixSize = kMatrixDim * kMatrixDim;
// Copies between matrices cover rows and columns 1 to this; only the leading n x n block of
// any matrix takes part in a computation.
constexpr int kMatrixUsed = kMatrixDim - 1;
// At most five fit parameters (phenytoin), from 1.
constexpr int kMaxFitParameters = 5;

using Matrix = std::array<double, kMatrixSize>;
using Vector = std::array<double, kMatrixDim>;
using RowOrder = std::array<int, kMatrixDim>;

inline double& at(Matrix& m, int row, int column)
{
    return m[kMatrixDim * row + column];
}
inline double at(const Matrix& m, int row, int column)
{
    return m[kMatrixDim * row + column];
}
} // namespace fit
