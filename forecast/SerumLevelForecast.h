#pragma once

#include "forecast/ForecastInputs.h"
#include "forecast/ForecastView.h"

#include <QDialog>

#include <array>
#include <memory>

class DrugInfo;
class PkCalculator;
class QLabel;
class QLineEdit;
class SessionData;

namespace Ui
{
class SerumLevelForecast;
}

// Forecasts the steady-state levels of a regimen from every parameter set of the case, draws
// them and leaves the result for the report. Made once per case page, non-modal.
class SerumLevelForecast : public QDialog
{
    Q_OBJECT

public:
    // Rows offered for the doses of one day.
    static constexpr int kDayRows = 6;

    SerumLevelForecast(QWidget* parent, SessionData* session, PkCalculator* calculator,
                       DrugInfo* drugInfo);
    ~SerumLevelForecast() override;

public slots:
    void custom_pk_change();
    // No warning comes from this window, quiet or not.
    void fitted_sets_change(bool quiet);

private slots:
    void on_comboBox_route_activated(int index);
    void on_checkBox_uneven_toggled(bool on);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct DayRow {
        QLineEdit* clockHour;
        QLineEdit* dose;
    };

    void buildDayRows();
    QLineEdit* numberField();
    void set_salt_and_f();
    void showFieldsOfRoute();
    void recompute();
    void showLevels(const forecast::LevelResults& results);

    std::unique_ptr<Ui::SerumLevelForecast> m_form;
    SessionData* m_session;
    PkCalculator* m_calculator;
    DrugInfo* m_drugInfo;
    forecast::EntryFields<forecast::kLevelFieldCount> m_fields;
    std::array<DayRow, kDayRows> m_dayRows;
};
