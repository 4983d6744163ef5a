#pragma once

#include <QString>
#include <QVector>

#include <optional>

class DrugInfo;
class SessionData;

// The custom parameter set of the open case: where it starts, the user's edits and the reset to
// the saved copy. Edits are checked here and go straight into the session; an entry that is
// refused changes nothing. For phenytoin the Cl row holds Km, the CF row Vmax and the fourth row
// the compliance factor.
class CustomSetEditor
{
public:
    explicit CustomSetEditor(SessionData* session);

    bool isPhenytoin() const;

    // Custom and saved custom sets and ranges := the population's.
    void startSetsFromPopulation();
    // Per-route lists from the drug's routes with the catalogue's F and range.
    void startRoutesFromCatalogue(DrugInfo* catalogue);
    // Puts stored per-route lists into the order of the drug's routes, which the route
    // selector shows; a route with no stored row takes the catalogue's F and range.
    void alignRoutesWithCatalogue(DrugInfo* catalogue);

    // The route shown in the custom group; false for an index outside the lists.
    bool selectRoute(int route);

    // Parameter entries; true when taken. F in percent, CF in percent. The range beside the
    // parameter is entered as shown, or not at all: a range field left as shown keeps the width
    // it shows, at full precision, around the new value.
    using RangeEntry = std::optional<double>;
    bool editF(int route, double entry, RangeEntry rangeEntry);
    bool editVd(double entry, RangeEntry rangeEntry);
    bool editClRow(double entry, RangeEntry rangeEntry);
    bool editCfRow(double entry, RangeEntry rangeEntry);
    // Only phenytoin takes it (its CF); for the other drugs the row shows k.
    bool editKdRow(double entry, RangeEntry rangeEntry);

    // Range entries, as shown (percent for F and CF); true when taken.
    bool editRangeF(int route, double entry);
    bool editRangeVd(double entry);
    bool editRangeClRow(double entry);
    bool editRangeCfRow(double entry);
    bool editRangeKdRow(double entry);

    // Custom values, ranges and routes := the saved copies.
    void reset();

    // What the custom group shows for a route: F and its range, in percent.
    double fPercent(int route) const;
    double fRangePercent(int route) const;
    bool hasRoute(int route) const;

private:
    // One parameter of the custom set with its relative range; `scale` turns the value into the
    // unit the field shows (percent for CF).
    bool editParameter(int slot, int rangeIndex, double scale, double entry, RangeEntry rangeEntry);

    SessionData* m_session; // not owned
};
