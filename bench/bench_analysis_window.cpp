#include "analysis/serumLevelAnalysis.h"
#include "app/ProgramConfig.h"
#include "bench/BenchApplication.h"
#include "cases/MainPage.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

// "Analysis" as the clinician presses it: the window expands its rows, fits both sets and the
// case page shows them.
namespace
{
template <typename T> T* cell(QWidget* w, const char* prefix, int row)
{
    return w->findChild<T*>(QLatin1String(prefix) + QString::number(row));
}

void type(QWidget* w, const char* prefix, int row, double value)
{
    QLineEdit* field = cell<QLineEdit>(w, prefix, row);
    field->setText(QString::number(value));
    field->setModified(true);
    emit field->editingFinished();
}

void setWhen(QWidget* w, const char* datePrefix, const char* timePrefix, int row,
             const QDateTime& when)
{
    cell<QDateEdit>(w, datePrefix, row)->setDate(when.date());
    emit cell<QDateEdit>(w, datePrefix, row)->editingFinished();
    cell<QTimeEdit>(w, timePrefix, row)->setTime(when.time());
    emit cell<QTimeEdit>(w, timePrefix, row)->editingFinished();
}

struct DoseLine {
    QDateTime start;
    QString route;
    double dose;
    double infusion; // 0: not typed
    double interval;
    double count;
    bool outpatient;
};

void typeDose(QWidget* w, int row, const DoseLine& line)
{
    setWhen(w, "DH_date_", "DH_time_", row, line.start);
    type(w, "DH_dose_", row, line.dose);
    QComboBox* routes = cell<QComboBox>(w, "DH_route_", row);
    routes->setCurrentIndex(routes->findText(line.route));
    if (line.infusion > 0.0)
        type(w, "DH_infusiontime_", row, line.infusion);
    type(w, "DH_interval_", row, line.interval);
    type(w, "DH_numofdose_", row, line.count);
    cell<QComboBox>(w, "DH_iopatient_", row)->setCurrentIndex(line.outpatient ? 1 : 0);
}

void typeLevel(QWidget* w, int row, const QDateTime& when, double level)
{
    setWhen(w, "SLH_date_", "SLH_time_", row, when);
    type(w, "SLH_level_", row, level);
}

struct CasePage {
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo catalogue{&session, &calculator};
    ProgramConfig config;
    std::unique_ptr<MainPage> page;
    serumLevelAnalysis* window = nullptr;

    CasePage(const QString& drug, void (DrugInfo::*population)())
    {
        ensureApplication();
        caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c,
                                         DrugInfo* d) -> AnalysisLink* {
            return new serumLevelAnalysis(p, s, c, d);
        };
        session.patient.drugCode = drug;
        session.patient.sex = QStringLiteral("M");
        session.ageYears = 50.0;
        session.weightKg = 75.0;
        session.heightCm = 178.0;
        session.scr1 = 1.0;
        session.crcl = 80.0;
        session.albumin = 4.0;
        (catalogue.*population)();
        page = std::make_unique<MainPage>(nullptr, &session, &calculator, &catalogue, &config);
        page->findChild<QPushButton*>(QStringLiteral("button_dosage_history"))->click();
        window = page->findChild<serumLevelAnalysis*>();
    }
};

const QDateTime kStart(QDate(2024, 1, 1), QTime(8, 0));

// Twenty rows of 50 doses every 6 h (1000 events), infusions and tablets alternating, the
// first half at home; twelve levels over the last days.
void BM_WindowAnalysisFullHistory(benchmark::State& state)
{
    CasePage c(QStringLiteral("TH"), &DrugInfo::populationPkTheophylline);
    constexpr int doses = 50;
    constexpr double interval = 6.0;
    for (int row = 1; row <= kDoseRowCount; ++row) {
        const bool infusion = row % 2 == 1;
        typeDose(c.window, row,
                 {kStart.addSecs(qint64((row - 1) * doses * interval * 3600)),
                  infusion ? QStringLiteral("Intermittent IV - Injection")
                           : QStringLiteral("Oral - Tablets"),
                  200.0, infusion ? 1.0 : 0.0, interval, double(doses), row <= kDoseRowCount / 2});
    }
    const QDateTime lastDay = kStart.addDays(248);
    for (int row = 1; row <= kLevelRowCount; ++row)
        typeLevel(c.window, row, lastDay.addSecs(row * 8 * 3600), 1.0);
    // Levels near what a patient 20 % off the population would show, so the fits work as usual.
    c.window->runAnalysis();
    const PkParameterSet& p = c.session.pkSets[pk::kPopulation];
    for (int row = 1; row <= kLevelRowCount; ++row) {
        const double t = c.session.levelTimes[row];
        const double level = c.calculator.levelFromDoseHistory(p[pk::kCl] * 0.8, p[pk::kVd],
                                                               p[pk::kF], p[pk::kCF], t);
        typeLevel(c.window, row, lastDay.addSecs(row * 8 * 3600),
                  level * (1.0 + 0.05 * std::sin(row)));
    }
    for (auto _ : state)
        c.window->runAnalysis();
    state.counters["events"] = c.session.doseEventCount;
    state.counters["bayesVd"] = c.session.pkSets[pk::kBayesian][pk::kVd];
}
BENCHMARK(BM_WindowAnalysisFullHistory)->Unit(benchmark::kMillisecond);

// Phenytoin capsules 100 mg every 8 h for 33 days (the full time grid), twelve levels.
void BM_WindowAnalysisPhenytoin(benchmark::State& state)
{
    CasePage c(QStringLiteral("PH"), &DrugInfo::populationPkPhenytoin);
    typeDose(c.window, 1,
             {kStart, QStringLiteral("Oral - Capsules"), 100.0, 0.0, 8.0, 99.0, false});
    for (int row = 1; row <= kLevelRowCount; ++row)
        typeLevel(c.window, row, kStart.addDays(21 + row).addSecs(-1800), 8.0 + 0.4 * row);
    for (auto _ : state)
        c.window->runAnalysis();
    state.counters["events"] = c.session.doseEventCount;
    state.counters["bayesVmax"] = c.session.pkSets[pk::kBayesian][pk::kVmax];
}
BENCHMARK(BM_WindowAnalysisPhenytoin)->Unit(benchmark::kMillisecond);
} // namespace
