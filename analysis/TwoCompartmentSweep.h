#pragma once

#include <vector>

class SessionData;

// The two-compartment level of the session's dose history at many times in one sweep over the
// dose events. Once an infusion has ended, its share in each phase only decays, so the ended
// infusions are carried from one time to the next as two decaying sums, one per phase, and each
// dose enters them once: the work is one pass over the events for all times, where the
// calculator's level function sums every earlier dose anew at each time. The sums are carried
// by decays alone, never by a growing exponential. The results agree with the calculator's to
// rounding.
class TwoCompartmentSweep
{
public:
    explicit TwoCompartmentSweep(SessionData* session) : m_session(session) {}

    // levels[i] for times[i], i < count; order lists the indices of times ascending. A result
    // that cannot be computed (constants that describe no two compartments, a value that is not
    // a number) is -1.0, as from the calculator.
    void levels(double cl, double vBeta, double cf, const double* times, const int* order,
                int count, double* levels);

private:
    // An infusion still running at the last time asked for.
    struct RunningInfusion {
        double start;
        double end;
        double duration;
        double rate;
    };

    SessionData* m_session;
    std::vector<RunningInfusion> m_running;
};
