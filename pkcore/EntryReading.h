#pragma once

#include <QString>

// A number typed into an entry field, read against the values the field takes. Every window
// that refuses an entry takes the reason from here, so all of them say it in the same words.
namespace pk
{
// The values a field takes: from `lowest` (itself only when `lowestTaken`) to `highest`.
struct EntryRange {
    double lowest;
    bool lowestTaken;
    double highest;
    bool whole = false; // a count: no fraction
};

// One field: its value, or why it is refused; `filled` is false for an empty field, which is
// not refused but leaves the entry incomplete.
struct EntryReading {
    double value = 0.0;
    QString refusal;
    bool filled = false;

    bool accepted() const { return filled && refusal.isEmpty(); }
};

EntryReading readEntry(const QString& text, const EntryRange& range);

// A bound as a refusal names it: no decimals for 1 and more, two below.
QString boundText(double bound);

// Why a time typed for a read-out off a graph is refused when it lies outside the graph: "Time 2
// (99999.0 Hours) lies outside the graph, which spans 0.0 to 64.0 Hours.", with more decimals
// where one would show the time inside the span.
QString outsideGraphRefusal(const QString& timeName, double time, double spanStart, double spanEnd,
                            const QString& unit);
} // namespace pk
