#pragma once

#include "pkcore/PkNumeric.h"

#include <cmath>

// The walk the level sweeps share: the times in ascending `order`, a time that is not a number
// given no level, `decay(dt)` carrying the sweep's sums over the `dt` hours since the time before,
// and `levelAt(t)` the level once they stand at t.
template <class Decay, class LevelAt>
void sweepAscending(const double* times, const int* order, int count, double* levels, Decay decay,
                    LevelAt levelAt)
{
    bool anchored = false;
    double anchor = 0.0;
    for (int n = 0; n < count; ++n) {
        const int q = order[n];
        const double t = times[q];
        if (!std::isfinite(t)) {
            levels[q] = pknum::kNotGiven;
            continue;
        }
        if (anchored && t != anchor)
            decay(t - anchor);
        anchor = t;
        anchored = true;
        levels[q] = levelAt(t);
    }
}
