#pragma once

// The program's version text, shown to the user, sent with the update check and compared with
// the newest version the update check has seen.
inline constexpr char programVersionText[] = "v0.14.12.23";

// Keys of the settings file and the default each reader supplies when a key is missing.
// Group and key names match without regard to letter case (see SettingsFile).
namespace SettingsKeys
{
inline constexpr char pathDb[] = "Path/db";
inline constexpr char pathDbDefault[] = "Database Not Configured";

inline constexpr char unitHeight[] = "Unit/height";
inline constexpr char unitHeightDefault[] = "cm";
inline constexpr char heightCm[] = "cm";
inline constexpr char heightInch[] = "inch";

inline constexpr char unitWeight[] = "Unit/weight";
inline constexpr char unitWeightDefault[] = "kg";
inline constexpr char weightKg[] = "kg";
inline constexpr char weightLb[] = "lb";

inline constexpr char backGroundOption[] = "BackGround/option";
inline constexpr char backGroundOptionDefault[] = "2";
inline constexpr char styleNone[] = "0";
inline constexpr char styleSkyBlue[] = "1";
inline constexpr char styleAutumnOrange[] = "2";
inline constexpr char styleGrassGreen[] = "3";
inline constexpr char styleFireRed[] = "4";

inline constexpr char configLogInMode[] = "Config/logInMode";
inline constexpr char configLogInModeDefault[] = "1";
inline constexpr char logInModeList[] = "1";
inline constexpr char logInModeInput[] = "2";

inline constexpr char updateFrequency[] = "Update/frequency";
inline constexpr char updateFrequencyDefault[] = "Monthly";
inline constexpr char frequencyMonthly[] = "Monthly";
inline constexpr char frequencyNever[] = "Never";

inline constexpr char updatePrompt[] = "Update/prompt";
inline constexpr char updatePromptDefault[] = "Yes";
inline constexpr char promptYes[] = "Yes";
inline constexpr char promptNo[] = "No";

inline constexpr char updateNewVersion[] = "Update/NewVersion";
inline constexpr const char* updateNewVersionDefault = programVersionText;

// The ODBC connection that reads an older product's database for conversion: the template takes
// the driver's registered name as %1 and the file path as %2. The default serves the MDBTools
// driver, which reads DBQ, and the SQLite driver, which reads DATABASE and would create a missing
// file without NoCreat.
inline constexpr char convertOdbcDriver[] = "Convert/odbcDriver";
inline constexpr char convertOdbcDriverDefault[] = "MDBTools";
inline constexpr char convertOdbcTemplate[] = "Convert/odbcConnection";
inline constexpr char convertOdbcTemplateDefault[] = "DRIVER={%1};DBQ=%2;DATABASE=%2;NoCreat=1";

// Yes/no settings are written as these texts.
inline constexpr char textTrue[] = "true";
inline constexpr char textFalse[] = "false";

// Report sections; each starts ticked when its key is missing.
inline constexpr char reportPopulationPK[] = "Report/populationPK";
inline constexpr char reportCustomPK[] = "Report/customPK";
inline constexpr char reportBayesianPK[] = "Report/bayesianPK";
inline constexpr char reportLeastSquarePK[] = "Report/leastSquarePK";
inline constexpr char reportPriorGraph[] = "Report/priorGraph";
inline constexpr char reportBayesianGraph[] = "Report/bayesianGraph";
inline constexpr char reportLeastSquareGraph[] = "Report/leastSquareGraph";
inline constexpr char reportDrf[] = "Report/drf";
inline constexpr char reportPopulationDrf[] = "Report/populationDrf";
inline constexpr char reportCustomDrf[] = "Report/customDrf";
inline constexpr char reportBayesianDrf[] = "Report/bayesianDrf";
inline constexpr char reportLeastSquareDrf[] = "Report/leastSquareDrf";
inline constexpr char reportSlf[] = "Report/slf";
inline constexpr char reportPopulationSlf[] = "Report/populationSlf";
inline constexpr char reportCustomSlf[] = "Report/customSlf";
inline constexpr char reportBayesianSlf[] = "Report/bayesianSlf";
inline constexpr char reportLeastSquareSlf[] = "Report/leastSquareSlf";
inline constexpr bool reportDefault = true;

inline constexpr const char* reportKeys[] = {
    reportPopulationPK,  reportCustomPK,      reportBayesianPK,       reportLeastSquarePK,
    reportPriorGraph,    reportBayesianGraph, reportLeastSquareGraph, reportDrf,
    reportPopulationDrf, reportCustomDrf,     reportBayesianDrf,      reportLeastSquareDrf,
    reportSlf,           reportPopulationSlf, reportCustomSlf,        reportBayesianSlf,
    reportLeastSquareSlf};
inline constexpr int reportKeyCount = int(sizeof(reportKeys) / sizeof(reportKeys[0]));
static_assert(reportKeyCount == 17, "seventeen report sections");
} // namespace SettingsKeys
