#pragma once

#include "analysis/FitMatrix.h"

// Inverts the leading n x n block of a fitting matrix by an LU decomposition with partial
// pivoting through a row order (rows are never moved). Multipliers are stored negated in
// place, so the factorised matrix holds the elimination as additions.
class LuInverter
{
public:
    static constexpr double kPivotTolerance = 1e-8;

    // Replaces the n x n block of m by its inverse. On a pivot below the tolerance it returns
    // false and leaves m as far as the decomposition got, without writing an inverse.
    bool invertMatrix(fit::Matrix& m, int n);
    // Factorises in place over the order set by invertMatrix (or setOrder); false when a pivot's
    // magnitude is below pivotTolerance.
    bool luDecompose(fit::Matrix& m);
    // x := solution of M x = b for a matrix factorised by luDecompose; M and b are not changed.
    void luSolve(const fit::Matrix& m, const fit::Vector& b, fit::Vector& x) const;

    // Orders beyond the matrix (rows and columns 1 to fit::kMatrixUsed) are refused:
    // luDecompose and invertMatrix return false, luSolve writes nothing.
    void setOrder(int n) { m_order = n; }
    double pivotTolerance() const { return m_pivotTolerance; }
    const fit::RowOrder& rowOrder() const { return m_rowOrder; }

private:
    int pivotPosition(const fit::Matrix& m, int column) const;

    int m_order = 0;
    double m_pivotTolerance = kPivotTolerance;
    fit::RowOrder m_rowOrder{};
    fit::Matrix m_work{};
};
