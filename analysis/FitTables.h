#pragma once

#include "pkcore/PkIndices.h"

#include <array>

// Each measured level against the levels the prior, least-squares and Bayesian sets predict at
// its time (columns pk::kTableMeasured ... pk::kTableBayesian). Row r (1 to 12) belongs to
// measured level r.
class LevelFitTable
{
public:
    using Row = std::array<double, pk::kTableColumns>;

    Row& row(int r) { return m_rows[r - 1]; }
    const Row& row(int r) const { return m_rows[r - 1]; }
    void clear() { m_rows = {}; }

private:
    std::array<Row, pk::kTableRows> m_rows{};
};

// The sampled curves of the fitted graph: the time grid and the levels of the population,
// least-squares and Bayesian sets at its points 1 to kPoints (index 0 not used).
struct FitCurveTable {
    static constexpr int kPoints = 5000;
    using Curve = std::array<double, kPoints + 1>;

    Curve time{};
    Curve population{};
    Curve leastSquares{};
    Curve bayesian{};

    void clear()
    {
        time.fill(0.0);
        population.fill(0.0);
        leastSquares.fill(0.0);
        bayesian.fill(0.0);
    }
};
