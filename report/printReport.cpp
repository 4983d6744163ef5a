#include "report/printReport.h"

#include "app/ProgramConfig.h"
#include "pkcore/CaseNames.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "report/ReportComposer.h"
#include "report/ReportCsv.h"
#include "ui_printReport.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
using reportbox::Box;

constexpr int kCommentButtonMinimumWidth = 80;

// The form's box of every report box, in the box order.
QCheckBox* Ui::printReport::*const kBoxes[reportbox::Count] = {
    &Ui::printReport::checkBox_pop_param,
    &Ui::printReport::checkBox_custom_param,
    &Ui::printReport::checkBox_bayes_param,
    &Ui::printReport::checkBox_LS_param,
    &Ui::printReport::checkBox_prior_graph,
    &Ui::printReport::checkBox_bayes_graph,
    &Ui::printReport::checkBox_LS_graph,
    &Ui::printReport::checkBox_dosage_regimen_forecast,
    &Ui::printReport::checkBox_dosage_regimen_forecast_pop,
    &Ui::printReport::checkBox_dosage_regimen_forecast_custom,
    &Ui::printReport::checkBox_dosage_regimen_forecast_bayes,
    &Ui::printReport::checkBox_dosage_regimen_forecast_ls,
    &Ui::printReport::checkBox_serum_level_forecast,
    &Ui::printReport::checkBox_serum_level_forecast_pop,
    &Ui::printReport::checkBox_serum_level_forecast_custom,
    &Ui::printReport::checkBox_serum_level_forecast_bayes,
    &Ui::printReport::checkBox_serum_level_forecast_ls,
};
} // namespace

printReport::printReport(QWidget* parent, SessionData* session, PkCalculator* /*calculator*/,
                         DrugInfo* /*catalogue*/, ProgramConfig* config, AnalysisLink* /*analysis*/)
    : QDialog(parent), m_ui(std::make_unique<Ui::printReport>()), m_session(session)
{
    m_ui->setupUi(this);
    // The export keeps its own slot name, so its button is connected here rather than by name.
    connect(m_ui->pushButton_export_csv, &QPushButton::clicked, this, &printReport::export_csv);
    applyPresets(offeredReportBoxes(*session), presetReportBoxes(*session, config->settingsPath()));
    setWindowTitle(caseWindowTitle(tr("Report Printing Setting"), *session));
    print_preview();
}

printReport::~printReport() = default;

QCheckBox* printReport::box(Box which) const
{
    return m_ui.get()->*kBoxes[which];
}

void printReport::applyPresets(const ReportBoxStates& offered, const ReportBoxStates& ticked)
{
    for (int which = 0; which < reportbox::Count; ++which) {
        QCheckBox* checkBox = box(Box(which));
        checkBox->setEnabled(offered[which]);
        checkBox->setChecked(ticked[which]);
    }
}

ReportBoxStates printReport::boxStates() const
{
    ReportBoxStates states{};
    for (int which = 0; which < reportbox::Count; ++which)
        states[which] = box(Box(which))->isChecked();
    return states;
}

void printReport::print(QPrinter* printer)
{
    compose(printer);
}

bool printReport::compose(QPrinter* printer) const
{
    ReportContent content;
    content.session = m_session;
    content.boxes = boxStates();
    content.comment = m_comment;
    content.printedAt = QDateTime::currentDateTime();
    return ReportComposer(content).print(printer);
}

void printReport::print_preview()
{
    const double zoom = m_preview ? m_preview->zoomFactor() : 1.0;
    if (m_preview) {
        m_ui->verticalLayout_preview->removeWidget(m_preview);
        delete m_preview;
        m_preview = nullptr;
    }
    m_previewPrinter = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    m_preview = new QPrintPreviewWidget(m_previewPrinter.get(), this);
    m_preview->setViewMode(QPrintPreviewWidget::AllPagesView);
    m_ui->verticalLayout_preview->addWidget(m_preview);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &printReport::print);
    m_preview->setZoomFactor(zoom);
    m_preview->show();
}

void printReport::export_csv()
{
    const QString path = FileDialog::getSaveFileName(this, tr("File"), QStringLiteral("export.csv"),
                                                     tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!reportcsv::write(path, reportcsv::text(reportcsv::records(*m_session)), &error))
        MessageBox::warning(this, tr("Warning"),
                            tr("The report could not be written to %1: %2").arg(path, error));
}

void printReport::on_button_print_clicked()
{
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintDialog dialog(&printer, this);
    if (Modal::exec(&dialog) != QDialog::Accepted)
        return;
    if (!compose(&printer)) {
        const QString target =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        MessageBox::warning(this, tr("Warning"),
                            tr("The report could not be printed on %1.").arg(target));
    }
}

void printReport::zoomBy(double step)
{
    if (m_preview)
        m_preview->setZoomFactor(std::clamp(m_preview->zoomFactor() + step, kMinZoom, kMaxZoom));
}

void printReport::on_pushButton_zoom_in_clicked()
{
    zoomBy(kZoomStep);
}

void printReport::on_pushButton_zoom_out_clicked()
{
    zoomBy(-kZoomStep);
}

void printReport::on_pushButton_comment_clicked()
{
    QDialog window(this);
    window.setWindowTitle(tr("Comment"));
    auto* layout = new QVBoxLayout(&window);
    auto* editor = new QPlainTextEdit(m_comment, &window);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal);
    for (QAbstractButton* button : buttons->buttons())
        button->setMinimumWidth(kCommentButtonMinimumWidth);
    layout->addWidget(editor);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    // Cancel keeps the comment as it was; an accepted empty text clears it.
    if (Modal::exec(&window) != QDialog::Accepted)
        return;
    m_comment = editor->toPlainText();
    m_ui->plainTextEdit_comment->setPlainText(m_comment);
    print_preview();
}

void printReport::sectionClicked(Box section, Box other)
{
    if (box(section)->isChecked())
        box(other)->setChecked(false);
    print_preview();
}

// Every box redraws the preview; the two section boxes first keep the sections apart.
void printReport::on_checkBox_pop_param_clicked()
{
    print_preview();
}
void printReport::on_checkBox_custom_param_clicked()
{
    print_preview();
}
void printReport::on_checkBox_bayes_param_clicked()
{
    print_preview();
}
void printReport::on_checkBox_LS_param_clicked()
{
    print_preview();
}
void printReport::on_checkBox_prior_graph_clicked()
{
    print_preview();
}
void printReport::on_checkBox_bayes_graph_clicked()
{
    print_preview();
}
void printReport::on_checkBox_LS_graph_clicked()
{
    print_preview();
}
void printReport::on_checkBox_dosage_regimen_forecast_clicked()
{
    sectionClicked(reportbox::Regimen, reportbox::Level);
}
void printReport::on_checkBox_dosage_regimen_forecast_pop_clicked()
{
    print_preview();
}
void printReport::on_checkBox_dosage_regimen_forecast_custom_clicked()
{
    print_preview();
}
void printReport::on_checkBox_dosage_regimen_forecast_bayes_clicked()
{
    print_preview();
}
void printReport::on_checkBox_dosage_regimen_forecast_ls_clicked()
{
    print_preview();
}
void printReport::on_checkBox_serum_level_forecast_clicked()
{
    sectionClicked(reportbox::Level, reportbox::Regimen);
}
void printReport::on_checkBox_serum_level_forecast_pop_clicked()
{
    print_preview();
}
void printReport::on_checkBox_serum_level_forecast_custom_clicked()
{
    print_preview();
}
void printReport::on_checkBox_serum_level_forecast_bayes_clicked()
{
    print_preview();
}
void printReport::on_checkBox_serum_level_forecast_ls_clicked()
{
    print_preview();
}
