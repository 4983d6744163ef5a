#pragma once

#include <vector>

class SessionData;

// The one-compartment level of the session's dose history at many times in one sweep over the
// dose events. Each dose's share decays exponentially once it is fully given, so the shares of
// past doses are carried forward as a few decaying sums from one time to the next instead of
// being summed anew at every time: the work is one pass over the events for all times, where
// the calculator's level function walks the events once per time. The sums hold the same terms;
// the results agree with the calculator's to rounding.
class OneCompartmentSweep
{
public:
    explicit OneCompartmentSweep(SessionData* session) : m_session(session) {}

    // levels[i] for times[i], i < count; order lists the indices of times ascending. A result
    // that cannot be computed (no positive volume and clearance, a value that is not a number)
    // is -1.0, as from the calculator. The events are left as they are.
    void levels(double cl, double v, double f, double cf, const double* times, const int* order,
                int count, double* levels);

private:
    // The absorption terms sharing one rate constant: their level, and ka / V times what is
    // left to absorb, which feeds the level as it decays at ka.
    struct AbsorptionSum {
        double ka;
        double level;
        double unabsorbed;
    };
    // An infusion still running at the last time asked for.
    struct RunningInfusion {
        double start;
        double end;
        double duration;
        double rateTerm;
    };

    AbsorptionSum& absorptionSum(double ka);

    SessionData* m_session;
    std::vector<AbsorptionSum> m_absorption;
    std::vector<RunningInfusion> m_running;
};
