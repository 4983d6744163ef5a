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
class DosageRegimenForecast;
}

// Designs a regimen for desired levels from every parameter set of the case, draws it and
// leaves the result for the report. Made once per case page, non-modal.
class DosageRegimenForecast : public QDialog
{
    Q_OBJECT

public:
    DosageRegimenForecast(QWidget* parent, SessionData* session, PkCalculator* calculator,
                          DrugInfo* drugInfo);
    ~DosageRegimenForecast() override;

public slots:
    void custom_pk_change();
    // No warning comes from this window, quiet or not.
    void fitted_sets_change(bool quiet);

private slots:
    void on_comboBox_route_activated(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void set_salt_and_f();
    void showFieldsOfRoute();
    void recompute();
    void showRegimens(const forecast::RegimenResults& results);

    std::unique_ptr<Ui::DosageRegimenForecast> m_form;
    SessionData* m_session;
    PkCalculator* m_calculator;
    DrugInfo* m_drugInfo;
    forecast::EntryFields<forecast::kRegimenFieldCount> m_fields;
};
