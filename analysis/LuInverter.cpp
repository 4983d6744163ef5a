#include "analysis/LuInverter.h"

#include <cmath>
#include <utility>

using fit::at;

bool LuInverter::invertMatrix(fit::Matrix& m, int n)
{
    m_order = n;
    m_pivotTolerance = kPivotTolerance;
    if (n < 1)
        return true;
    if (n > fit::kMatrixUsed)
        return false;
    if (!luDecompose(m))
        return false;
    m_work.fill(0.0);
    fit::Vector unit{};
    fit::Vector column{};
    for (int c = 1; c <= n; ++c) {
        unit.fill(0.0);
        unit[c] = 1.0;
        luSolve(m, unit, column);
        for (int r = 1; r <= n; ++r)
            at(m_work, r, c) = column[r];
    }
    for (int r = 1; r <= fit::kMatrixUsed; ++r)
        for (int c = 1; c <= fit::kMatrixUsed; ++c)
            at(m, r, c) = at(m_work, r, c);
    return true;
}

// On equal magnitudes the earlier position stays the choice.
int LuInverter::pivotPosition(const fit::Matrix& m, int column) const
{
    int best = column;
    double bestMagnitude = std::fabs(at(m, m_rowOrder[column], column));
    for (int r = column + 1; r <= m_order; ++r) {
        const double magnitude = std::fabs(at(m, m_rowOrder[r], column));
        if (magnitude > bestMagnitude) {
            best = r;
            bestMagnitude = magnitude;
        }
    }
    return best;
}

bool LuInverter::luDecompose(fit::Matrix& m)
{
    const int n = m_order;
    if (n > fit::kMatrixUsed)
        return false;
    for (int k = 1; k <= n; ++k)
        m_rowOrder[k] = k;
    for (int c = 1; c <= n - 1; ++c) {
        const int pivot = pivotPosition(m, c);
        if (std::fabs(at(m, m_rowOrder[pivot], c)) < m_pivotTolerance)
            return false;
        std::swap(m_rowOrder[c], m_rowOrder[pivot]);
        const int pivotRow = m_rowOrder[c];
        for (int r = c + 1; r <= n; ++r) {
            const int row = m_rowOrder[r];
            at(m, row, c) = -(at(m, row, c) / at(m, pivotRow, c));
            for (int k = c + 1; k <= n; ++k)
                at(m, row, k) = at(m, row, k) + at(m, pivotRow, k) * at(m, row, c);
        }
    }
    return !(std::fabs(at(m, m_rowOrder[n], n)) < m_pivotTolerance);
}

void LuInverter::luSolve(const fit::Matrix& m, const fit::Vector& b, fit::Vector& x) const
{
    const int n = m_order;
    if (n > fit::kMatrixUsed)
        return;
    const fit::RowOrder& p = m_rowOrder;
    fit::Vector y = b;
    for (int c = 1; c <= n - 1; ++c)
        for (int r = c + 1; r <= n; ++r)
            y[p[r]] = y[p[r]] + at(m, p[r], c) * y[p[c]];
    for (int k = n; k >= 2; --k) {
        x[k] = y[p[k]] / at(m, p[k], k);
        for (int r = 1; r <= k - 1; ++r)
            y[p[r]] = y[p[r]] - at(m, p[r], k) * x[k];
    }
    x[1] = y[p[1]] / at(m, p[1], 1);
}
