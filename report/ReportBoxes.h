#pragma once

#include "pkcore/PkIndices.h"

#include <QString>

#include <array>

class SessionData;

// The choices of the report dialog: which sections the page holds and which parameter sets
// each section shows. The dialog turns its check boxes into one ReportBoxStates value and the
// page composer reads only that value.
namespace reportbox
{
enum Box {
    PopulationParameters,
    CustomParameters,
    BayesianParameters,
    LeastSquaresParameters,
    PriorGraph,
    BayesianGraph,
    LeastSquaresGraph,
    Regimen,
    RegimenPopulation,
    RegimenCustom,
    RegimenBayesian,
    RegimenLeastSquares,
    Level,
    LevelPopulation,
    LevelCustom,
    LevelBayesian,
    LevelLeastSquares,
    Count
};

// The per-set boxes of each table, indexed like the report records (pk::kReportPopulation ...).
using SetBoxes = std::array<Box, pk::kReportSetCount>;
constexpr SetBoxes parameterBoxes = {PopulationParameters, CustomParameters, BayesianParameters,
                                     LeastSquaresParameters};
constexpr SetBoxes regimenBoxes = {RegimenPopulation, RegimenCustom, RegimenBayesian,
                                   RegimenLeastSquares};
constexpr SetBoxes levelBoxes = {LevelPopulation, LevelCustom, LevelBayesian, LevelLeastSquares};
} // namespace reportbox

using ReportBoxStates = std::array<bool, reportbox::Count>;

// The boxes the case's data support: the fitted sets and graph only once a fit has run, a
// forecast section only once its forecast has stored a result, a fitted source only when that
// forecast computed it from the fitted set the case holds now.
ReportBoxStates offeredReportBoxes(const SessionData& session);

// The offered boxes ticked as the settings file's report keys say (a missing key ticks).
ReportBoxStates presetReportBoxes(const SessionData& session, const QString& settingsPath);
