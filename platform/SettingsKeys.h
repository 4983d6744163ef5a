#pragma once

#include "platform/ProgramVersion.h"

// Keys of the settings file and the default each reader supplies when a key is missing.
// Group and key names match without regard to letter case (see SettingsFile).
namespace SettingsKeys
{
// A setting: its key, and the value read when the file does not hold the key
// (SettingsFile::read). Each key and default is written once, in its setting; the plain names
// beside it serve writers and tests.
struct Setting {
    const char* key;
    const char* fallback;
};

inline constexpr Setting pathDbSetting{"Path/db", "Database Not Configured"};
inline constexpr Setting unitHeightSetting{"Unit/height", "cm"};
inline constexpr Setting unitWeightSetting{"Unit/weight", "kg"};
inline constexpr Setting backGroundOptionSetting{"BackGround/option", "2"};
inline constexpr Setting configLogInModeSetting{"Config/logInMode", "1"};
inline constexpr Setting updateFrequencySetting{"Update/frequency", "Monthly"};
inline constexpr Setting updatePromptSetting{"Update/prompt", "Yes"};
inline constexpr Setting updateNewVersionSetting{"Update/NewVersion", programVersionText};
// The ODBC connection that reads an older product's database for conversion: the template takes
// the driver's registered name as %1 and the file path as %2. The default serves the MDBTools
// driver, which reads DBQ, and the SQLite driver, which reads DATABASE and would create a missing
// file without NoCreat.
inline constexpr Setting convertOdbcDriverSetting{"Convert/odbcDriver", "MDBTools"};
inline constexpr Setting convertOdbcTemplateSetting{"Convert/odbcConnection",
                                                    "DRIVER={%1};DBQ=%2;DATABASE=%2;NoCreat=1"};

// The keys and defaults by name, where a key is written or compared.
inline constexpr const char* pathDb = pathDbSetting.key;
inline constexpr const char* unitHeight = unitHeightSetting.key;
inline constexpr const char* unitWeight = unitWeightSetting.key;
inline constexpr const char* backGroundOption = backGroundOptionSetting.key;
inline constexpr const char* configLogInMode = configLogInModeSetting.key;
inline constexpr const char* updateFrequency = updateFrequencySetting.key;
inline constexpr const char* updatePrompt = updatePromptSetting.key;
inline constexpr const char* updateNewVersion = updateNewVersionSetting.key;
inline constexpr const char* convertOdbcDriver = convertOdbcDriverSetting.key;
inline constexpr const char* convertOdbcTemplate = convertOdbcTemplateSetting.key;
inline constexpr const char* pathDbDefault = pathDbSetting.fallback;
inline constexpr const char* unitHeightDefault = unitHeightSetting.fallback;
inline constexpr const char* unitWeightDefault = unitWeightSetting.fallback;
inline constexpr const char* backGroundOptionDefault = backGroundOptionSetting.fallback;
inline constexpr const char* configLogInModeDefault = configLogInModeSetting.fallback;
inline constexpr const char* updateFrequencyDefault = updateFrequencySetting.fallback;
inline constexpr const char* updatePromptDefault = updatePromptSetting.fallback;
inline constexpr const char* updateNewVersionDefault = updateNewVersionSetting.fallback;
inline constexpr const char* convertOdbcDriverDefault = convertOdbcDriverSetting.fallback;
inline constexpr const char* convertOdbcTemplateDefault = convertOdbcTemplateSetting.fallback;

// The values the settings take.
inline constexpr char heightCm[] = "cm";
inline constexpr char heightInch[] = "inch";
inline constexpr char weightKg[] = "kg";
inline constexpr char weightLb[] = "lb";
inline constexpr char styleNone[] = "0";
inline constexpr char styleSkyBlue[] = "1";
inline constexpr char styleAutumnOrange[] = "2";
inline constexpr char styleGrassGreen[] = "3";
inline constexpr char styleFireRed[] = "4";
inline constexpr char logInModeList[] = "1";
inline constexpr char logInModeInput[] = "2";
inline constexpr char frequencyMonthly[] = "Monthly";
inline constexpr char frequencyNever[] = "Never";
inline constexpr char promptYes[] = "Yes";
inline constexpr char promptNo[] = "No";

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
