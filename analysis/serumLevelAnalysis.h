#pragma once

#include "analysis/DoseEventBuilder.h"
#include "analysis/FitDriver.h"
#include "cases/CaseWindowLinks.h"

#include <QDialog>
#include <QPixmap>
#include <QVector>

#include <memory>
#include <optional>

class DrugInfo;
class PkCalculator;
class QLabel;
class SessionData;

namespace Ui
{
class serumLevelAnalysis;
}

// The slots of one row, connected by name to the row's widgets by the form; each forwards the
// row index to the handler of its field.
// clang-format off
#define TALVORA_DOSE_ROW_SLOTS(N)                                                                 \
    void on_DH_date_##N##_editingFinished() { doseDateEdited(N - 1); }                            \
    void on_DH_time_##N##_editingFinished() { doseTimeEdited(N - 1); }                            \
    void on_DH_dose_##N##_editingFinished() { doseAmountEdited(N - 1); }                          \
    void on_DH_infusiontime_##N##_editingFinished() { infusionTimeEdited(N - 1); }                \
    void on_DH_interval_##N##_editingFinished() { intervalEdited(N - 1); }                        \
    void on_DH_numofdose_##N##_editingFinished() { numberOfDosesEdited(N - 1); }                  \
    void on_DH_iopatient_##N##_currentIndexChanged(const QString&) { inOutPatientChanged(N - 1); }\
    void on_DH_type_##N##_currentIndexChanged(const QString&) { doseTypeChanged(N - 1); }         \
    void on_DH_route_##N##_currentTextChanged(const QString& t) { routeTextChanged(N - 1, t); }   \
    void on_DH_delete_##N##_clicked() { deleteDoseRow(N - 1); }
// Row 1 has no row above to copy from.
#define TALVORA_DOSE_COPY_SLOT(N)                                                                 \
    void on_DH_copy_##N##_clicked() { copyDoseRow(N - 1); }
#define TALVORA_LEVEL_ROW_SLOTS(N)                                                                \
    void on_SLH_date_##N##_editingFinished() { levelDateEdited(N - 1); }                          \
    void on_SLH_time_##N##_editingFinished() { levelTimeEdited(N - 1); }                          \
    void on_SLH_level_##N##_editingFinished() { levelValueEdited(N - 1); }                        \
    void on_SLH_delete_##N##_clicked() { deleteLevelRow(N - 1); }
// clang-format on

// The dose history (20 rows) and serum levels (12 rows) of the case: each row is parsed into
// its record and checked as it is typed; Analysis turns the complete rows into the session's
// dose events and levels, runs the fits and emits drawGraph. The case page stores the rows
// with the case through the link's load and save.
class serumLevelAnalysis : public QDialog, public AnalysisLink
{
    Q_OBJECT
public:
    serumLevelAnalysis(QWidget* parent, SessionData* sessionData, PkCalculator* pkCalculator,
                       DrugInfo* drugInfo);
    ~serumLevelAnalysis() override;

    // AnalysisLink
    QWidget* window() override { return this; }
    bool loadDoseHistory() override;
    bool loadSerumLevels() override;
    void runAnalysis() override { on_button_analysis_clicked(); }
    QString refitChangedRows() override;
    int priorSetIndex() const override { return m_builder.priorSetIndex(); }
    QString leftOutRowsNotice() const override;
    bool saveDoseHistory() override;
    bool saveSerumLevels() override;

    const DoseRows& doseRecords() const { return doseRows; }
    const LevelRows& levelRecords() const { return levelRows; }
    // The fits of the last analysis.
    const FitDriver& fits() const { return m_fits; }

signals:
    void drawGraph(double maxTime);
    void caseEdited();

public slots:
    void on_button_analysis_clicked();

private slots:
    void on_button_sort_clicked();
    void on_radioButton_pop_clicked();
    void on_radioButton_custom_clicked();

    TALVORA_DOSE_ROW_SLOTS(1)
    TALVORA_DOSE_ROW_SLOTS(2)
    TALVORA_DOSE_ROW_SLOTS(3)
    TALVORA_DOSE_ROW_SLOTS(4)
    TALVORA_DOSE_ROW_SLOTS(5)
    TALVORA_DOSE_ROW_SLOTS(6)
    TALVORA_DOSE_ROW_SLOTS(7)
    TALVORA_DOSE_ROW_SLOTS(8)
    TALVORA_DOSE_ROW_SLOTS(9)
    TALVORA_DOSE_ROW_SLOTS(10)
    TALVORA_DOSE_ROW_SLOTS(11)
    TALVORA_DOSE_ROW_SLOTS(12)
    TALVORA_DOSE_ROW_SLOTS(13)
    TALVORA_DOSE_ROW_SLOTS(14)
    TALVORA_DOSE_ROW_SLOTS(15)
    TALVORA_DOSE_ROW_SLOTS(16)
    TALVORA_DOSE_ROW_SLOTS(17)
    TALVORA_DOSE_ROW_SLOTS(18)
    TALVORA_DOSE_ROW_SLOTS(19)
    TALVORA_DOSE_ROW_SLOTS(20)
    TALVORA_DOSE_COPY_SLOT(2)
    TALVORA_DOSE_COPY_SLOT(3)
    TALVORA_DOSE_COPY_SLOT(4)
    TALVORA_DOSE_COPY_SLOT(5)
    TALVORA_DOSE_COPY_SLOT(6)
    TALVORA_DOSE_COPY_SLOT(7)
    TALVORA_DOSE_COPY_SLOT(8)
    TALVORA_DOSE_COPY_SLOT(9)
    TALVORA_DOSE_COPY_SLOT(10)
    TALVORA_DOSE_COPY_SLOT(11)
    TALVORA_DOSE_COPY_SLOT(12)
    TALVORA_DOSE_COPY_SLOT(13)
    TALVORA_DOSE_COPY_SLOT(14)
    TALVORA_DOSE_COPY_SLOT(15)
    TALVORA_DOSE_COPY_SLOT(16)
    TALVORA_DOSE_COPY_SLOT(17)
    TALVORA_DOSE_COPY_SLOT(18)
    TALVORA_DOSE_COPY_SLOT(19)
    TALVORA_DOSE_COPY_SLOT(20)
    TALVORA_LEVEL_ROW_SLOTS(1)
    TALVORA_LEVEL_ROW_SLOTS(2)
    TALVORA_LEVEL_ROW_SLOTS(3)
    TALVORA_LEVEL_ROW_SLOTS(4)
    TALVORA_LEVEL_ROW_SLOTS(5)
    TALVORA_LEVEL_ROW_SLOTS(6)
    TALVORA_LEVEL_ROW_SLOTS(7)
    TALVORA_LEVEL_ROW_SLOTS(8)
    TALVORA_LEVEL_ROW_SLOTS(9)
    TALVORA_LEVEL_ROW_SLOTS(10)
    TALVORA_LEVEL_ROW_SLOTS(11)
    TALVORA_LEVEL_ROW_SLOTS(12)

private:
    // The rows an analysis reads: the complete ones, in row order, the prior chosen and the
    // prior's values the fits start from (patient measures and custom entries move them).
    struct AnalysedRows {
        QVector<DoseHistoryRow> doses;
        QVector<SerumLevelRow> levels;
        int prior = pk::kPopulation;
        PkParameterSet priorSet{};
        RangeBlock priorRanges{};
        QVector<double> customFSpreads; // by route, where the custom prior gives F its range
    };
    AnalysedRows analysedRows() const;
    static bool sameRows(const AnalysedRows& a, const AnalysedRows& b);
    // The analysis and its fits; the reason it was refused, empty when it ran.
    QString analyse();

    void markEdited();
    // Construction.
    void installValidators();
    void initRows();
    void resetRow(int i);
    void resetLevelRow(int i);
    void prepareWidgets();
    void showEntryRefusals();

    // Row state.
    // The date, time and status widgets of a dose or a level row, by name prefix.
    struct RowFields {
        const char* date;
        const char* time;
        const char* status;
    };
    static const RowFields kDoseFields;
    static const RowFields kLevelFields;
    void updateDoseRowState(int i);
    void applyDoseLimit(int edited);
    void judgeDoseRow(int i);
    void checkDoseRow(int i);
    void judgeLevelRow(int i);
    void judgeLevelRows();
    void checkLevelRow(int i);
    void showRefusedEntry(const RowFields& fields, int i);
    void forgetRefusedEntries(const RowFields& fields, int i);
    void applyRouteDefaults(int i);
    void showStatus(QLabel* label, const QPixmap& pixmap, const QString& tip);

    // Field handlers, by row index.
    void doseDateEdited(int i);
    void doseTimeEdited(int i);
    void doseAmountEdited(int i);
    void infusionTimeEdited(int i);
    void intervalEdited(int i);
    void numberOfDosesEdited(int i);
    void routeChanged(int i);
    void routeTextChanged(int i, const QString& text);
    void inOutPatientChanged(int i);
    void doseTypeChanged(int i);
    void levelDateEdited(int i);
    void levelTimeEdited(int i);
    void levelValueEdited(int i);

    // Row tools.
    void copyDoseRow(int i);
    void deleteDoseRow(int i);
    void deleteLevelRow(int i);
    void showDoseRow(int i);
    void showLevelRow(int i);
    void selectRoute(int i, const QString& route);

    // The widget of row index i by its object name: the prefix and the row number.
    template <typename T> T* rowWidget(const char* prefix, int i) const;
    bool isPhenytoin() const;
    double customF(const QString& routeText, double fallback) const;
    void showPriorF();
    void takeCustomFAsReopened();
    void showPrior(int prior);
    bool refuseSaveAfterFailedLoad(bool loadFailed, const QString& what) const;

    DoseRows doseRows;
    LevelRows levelRows;
    std::unique_ptr<Ui::serumLevelAnalysis> ui;
    SessionData* sessionData;   // not owned
    DrugInfo* drugInfo;         // not owned
    PkCalculator* pkCalculator; // not owned
    double currentSalt = kNotGiven;
    double currentF = kNotGiven;
    double currentKa = 0.0;
    QPixmap checkPixmap;
    QPixmap warningPixmap;
    QPixmap emptyPixmap;
    double maxTime = 0.0;

    DoseEventBuilder m_builder; // holds the prior choice
    FitDriver m_fits;
    // The rows of the last analysis that ran, whose fits the session holds.
    std::optional<AnalysedRows> m_fittedRows;
    // Stored rows beyond what the window holds: written back untouched on save.
    QVector<DoseHistoryRow> m_surplusDoses;
    QVector<SerumLevelRow> m_surplusLevels;
    // A failed read leaves the stored rows unknown; a save would then wipe them.
    bool m_doseLoadFailed = false;
    bool m_levelLoadFailed = false;
};
