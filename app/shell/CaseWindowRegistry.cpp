#include "app/shell/CaseWindowRegistry.h"

#include "analysis/graphicAnalysis.h"
#include "analysis/serumLevelAnalysis.h"
#include "cases/CaseWindowLinks.h"
#include "forecast/DosageRegimenForecast.h"
#include "forecast/SerumLevelForecast.h"
#include "phenytoin/PHDosageRegimen.h"
#include "phenytoin/PHSerumLevelForecast.h"
#include "report/printReport.h"

namespace
{

template <typename Window> CaseWindowMakers::WindowMaker forecastMaker()
{
    return [](QWidget* parent, SessionData* session, PkCalculator* calculator,
              DrugInfo* drugInfo) -> QWidget* {
        return new Window(parent, session, calculator, drugInfo);
    };
}

} // namespace

void registerCaseWindows()
{
    CaseWindowMakers& makers = caseWindowMakers();
    // A window without a maker is not offered on the case page.
    makers.analysis = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                         DrugInfo* drugInfo) -> AnalysisLink* {
        return new serumLevelAnalysis(parent, session, calculator, drugInfo);
    };
    makers.fitting = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                        DrugInfo* drugInfo) -> FittingLink* {
        return new graphicAnalysis(parent, session, calculator, drugInfo);
    };
    makers.regimenForecast = forecastMaker<DosageRegimenForecast>();
    makers.levelForecast = forecastMaker<SerumLevelForecast>();
    makers.phenytoinRegimen = forecastMaker<PHDosageRegimen>();
    makers.phenytoinLevelForecast = forecastMaker<PHSerumLevelForecast>();
    makers.report = [](QWidget* parent, SessionData* session, PkCalculator* calculator,
                       DrugInfo* catalogue, ProgramConfig* config,
                       AnalysisLink* analysis) -> QDialog* {
        return new printReport(parent, session, calculator, catalogue, config, analysis);
    };
}
